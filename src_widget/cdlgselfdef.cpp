#include "cdlgselfdef.h"

#include "applog.h"
#include "cdevicemgr.h"
#include "cdlgselfdefdevice.h"

#include <QHBoxLayout>

CDlgSelfDef::CDlgSelfDef(QWidget *pParent) : QWidget(pParent)
{
    m_pLayout = new QHBoxLayout(this);
    m_pLayout->setSpacing(0);
    m_pLayout->setContentsMargins(0, 0, 0, 0);

    CDeviceMgr *pMgr = CDeviceMgr::GetInstance();
    connect(pMgr, &CDeviceMgr::siNewDevice, this, &CDlgSelfDef::slNewDevice);
    connect(pMgr, &CDeviceMgr::siDelDevice, this, &CDlgSelfDef::slDelDevice);
    connect(pMgr, &CDeviceMgr::siDeviceNameChanged, this, &CDlgSelfDef::slDeviceNameChanged);
}

void CDlgSelfDef::slNewDevice(const QString &strDeviceName)
{
    if (m_mapPages.contains(strDeviceName)) {
        LOG_DEBUG().noquote() << "Device Exited:" << strDeviceName;
        return;
    }
    if (CDeviceMgr::GetDevice(strDeviceName) == nullptr) {
        LOG_DEBUG().noquote() << "Can't find Device Obj:" << strDeviceName;
        return;
    }
    auto *pPage = new CDlgSelfDefDevice(strDeviceName, this);
    pPage->hide();
    m_mapPages.insert(strDeviceName, pPage);
    m_pLayout->addWidget(pPage);
}

void CDlgSelfDef::slDelDevice(const QList<QString> &objDevicesName)
{
    for (const QString &strName : objDevicesName) {
        CDlgSelfDefDevice *pPage = m_mapPages.take(strName);
        if (pPage == nullptr)
            continue;
        if (pPage == m_pCurrPage) {
            pPage->hide();
            m_pCurrPage = nullptr;
        }
        m_pLayout->removeWidget(pPage);
        delete pPage;
    }
}

void CDlgSelfDef::slDeviceNameChanged(const QString &strDeviceName, const QString &strNewName)
{
    CDlgSelfDefDevice *pPage = m_mapPages.take(strDeviceName);
    if (pPage == nullptr) {
        LOG_DEBUG().noquote() << "Can't find Device:" << strDeviceName;
        return;
    }
    pPage->SetDeviceName(strNewName);
    m_mapPages.insert(strNewName, pPage);
}

void CDlgSelfDef::slCurrActvDeviceChanged(const QString &strDeviceName)
{
    if (strDeviceName.isEmpty()) {
        if (m_pCurrPage != nullptr)
            m_pCurrPage->hide();
        m_pCurrPage = nullptr;
        return;
    }
    CDlgSelfDefDevice *pPage = m_mapPages.value(strDeviceName);
    if (pPage == nullptr) {
        LOG_DEBUG().noquote() << "Can't find DeviceSelf Dlg:" << strDeviceName;
        return;
    }
    if (m_pCurrPage != nullptr && m_pCurrPage != pPage)
        m_pCurrPage->hide();
    m_pCurrPage = pPage;
    pPage->show();
}
