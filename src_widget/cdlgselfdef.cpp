#include "cdlgselfdef.h"

#include "applog.h"
#include "cdevicemgr.h"

CDlgSelfDef::CDlgSelfDef(QWidget *pParent) : QWidget(pParent), m_objPages(this)
{
    CDeviceMgr *pMgr = CDeviceMgr::GetInstance();
    connect(pMgr, &CDeviceMgr::siNewDevice, this, &CDlgSelfDef::slNewDevice);
    connect(pMgr, &CDeviceMgr::siDelDevice, this, &CDlgSelfDef::slDelDevice);
    connect(pMgr, &CDeviceMgr::siDeviceNameChanged, this, &CDlgSelfDef::slDeviceNameChanged);
}

void CDlgSelfDef::slNewDevice(const QString &strDeviceName)
{
    if (m_objPages.Contains(strDeviceName)) {
        LOG_DEBUG().noquote() << "Device Exited:" << strDeviceName;
        return;
    }
    if (CDeviceMgr::GetDevice(strDeviceName) == nullptr) {
        LOG_DEBUG().noquote() << "Can't find Device Obj:" << strDeviceName;
        return;
    }
    m_objPages.Add(strDeviceName, new CDlgSelfDefDevice(strDeviceName, this));
}

void CDlgSelfDef::slDelDevice(const QList<QString> &objDevicesName)
{
    m_objPages.Remove(objDevicesName);
}

void CDlgSelfDef::slDeviceNameChanged(const QString &strDeviceName, const QString &strNewName)
{
    CDlgSelfDefDevice *pPage = m_objPages.Rename(strDeviceName, strNewName);
    if (pPage == nullptr) {
        LOG_DEBUG().noquote() << "Can't find Device:" << strDeviceName;
        return;
    }
    pPage->SetDeviceName(strNewName);
}

void CDlgSelfDef::slCurrActvDeviceChanged(const QString &strDeviceName)
{
    if (!m_objPages.Show(strDeviceName))
        LOG_DEBUG().noquote() << "Can't find DeviceSelf Dlg:" << strDeviceName;
}
