#include "cdlgdevicedatamgr.h"

#include "applog.h"
#include "cdevicebase.h"
#include "cdevicemgr.h"
#include "cdlgdevicedatamaster.h"
#include "cdlgdevicedataslave.h"
#include "commonfunc.h"

CDlgDeviceDataMgr::CDlgDeviceDataMgr(QWidget *pParent) : QWidget(pParent), m_objPages(this)
{
    CDeviceMgr *pDeviceMgr = CDeviceMgr::GetInstance();
    connect(pDeviceMgr, &CDeviceMgr::siNewDevice, this, &CDlgDeviceDataMgr::slNewDevice);
    connect(pDeviceMgr, &CDeviceMgr::siDelDevice, this, &CDlgDeviceDataMgr::slDelDevice);
    connect(pDeviceMgr, &CDeviceMgr::siDeviceNameChanged, this, &CDlgDeviceDataMgr::slDeviceNameChanged);
    connect(pDeviceMgr, &CDeviceMgr::siDeviceStateChanged, this, &CDlgDeviceDataMgr::slDeviceStateChanged);
}

void CDlgDeviceDataMgr::slNewDevice(const QString &strDeviceName)
{
    if (m_objPages.Contains(strDeviceName)) {
        LOG_DEBUG().noquote() << "Device Exited:" + strDeviceName;
        return;
    }
    CDeviceBase *pDevice = CDeviceMgr::GetDevice(strDeviceName);
    if (pDevice == nullptr) {
        LOG_DEBUG().noquote() << "Can't find Device:" + strDeviceName;
        return;
    }
    CDlgDeviceDataBase *pPage = nullptr;
    if (pDevice->GetType() == DEVICE_TYPE_MASTER)
        pPage = new CDlgDeviceDataMaster(strDeviceName, this);
    else if (pDevice->GetType() == DEVICE_TYPE_SLAVE)
        pPage = new CDlgDeviceDataSlave(strDeviceName, this);
    if (pPage == nullptr) {
        LOG_DEBUG().noquote() << "Invalid Device Type:" << pDevice->GetType();
        return;
    }
    connect(pPage, &CDlgDeviceDataBase::siSynDataCfg, this, &CDlgDeviceDataMgr::slSynDataCfg);
    connect(pPage, &CDlgDeviceDataBase::siSynDeviceOper, this, &CDlgDeviceDataMgr::slSynDeviceOper);
    connect(pPage, &CDlgDeviceDataBase::siDeviceEditing, this, &CDlgDeviceDataMgr::siDeviceEditing);
    pPage->InitPageItems();
    pPage->LoadDataCfg();
    m_objPages.Add(strDeviceName, pPage);
}

void CDlgDeviceDataMgr::slDelDevice(const QList<QString> &objDevicesName)
{
    m_objPages.Remove(objDevicesName);
}

void CDlgDeviceDataMgr::slDeviceNameChanged(const QString &strDeviceName, const QString &strNewName)
{
    CDlgDeviceDataBase *pPage = m_objPages.Rename(strDeviceName, strNewName);
    if (pPage == nullptr) {
        LOG_DEBUG().noquote() << "Can't find Device:" + strDeviceName;
        return;
    }
    pPage->SetDeviceName(strNewName);
}

void CDlgDeviceDataMgr::slDeviceStateChanged(const QString &strDeviceName, quint16 nState)
{
    CDlgDeviceDataBase *pPage = m_objPages.Get(strDeviceName);
    if (pPage == nullptr) {
        LOG_DEBUG().noquote() << "Can't find Device:" + strDeviceName;
        return;
    }
    pPage->SetDeviceRunning(nState == 1);
}

void CDlgDeviceDataMgr::slCurrActvDeviceChanged(const QString &strDeviceName)
{
    if (!m_objPages.Show(strDeviceName))
        LOG_DEBUG().noquote() << "Can't find DeviceData Dlg:" + strDeviceName;
}

bool CDlgDeviceDataMgr::slIsEditing(const QString &strDeviceName)
{
    CDlgDeviceDataBase *pPage = m_objPages.Get(strDeviceName);
    if (pPage == nullptr) {
        LOG_DEBUG().noquote() << "ERROR: can not find device:" + strDeviceName;
        return false;
    }
    return pPage->IsCfgState();
}

void CDlgDeviceDataMgr::slSynDataCfg(const QString &strDeviceName)
{
    if (CDlgDeviceDataBase *pPage = m_objPages.Get(strDeviceName))
        pPage->LoadDataCfg();
}

void CDlgDeviceDataMgr::slSynDeviceOper(const QString &strDeviceName, quint16 nOper, bool bStart, bool bCycle)
{
    if (CDlgDeviceDataBase *pPage = m_objPages.Get(strDeviceName))
        pPage->SynDeviceOper(nOper, bStart, bCycle);
}
