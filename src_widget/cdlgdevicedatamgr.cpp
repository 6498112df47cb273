#include "cdlgdevicedatamgr.h"

#include "applog.h"
#include "cdevicebase.h"
#include "cdevicemgr.h"
#include "cdlgdevicedatamaster.h"
#include "cdlgdevicedataslave.h"
#include "commonfunc.h"

#include <QHBoxLayout>

CDlgDeviceDataMgr::CDlgDeviceDataMgr(QWidget *pParent) : QWidget(pParent)
{
    m_pLayout = new QHBoxLayout(this);
    m_pLayout->setSpacing(0);
    m_pLayout->setContentsMargins(0, 0, 0, 0);

    CDeviceMgr *pDeviceMgr = CDeviceMgr::GetInstance();
    connect(pDeviceMgr, &CDeviceMgr::siNewDevice, this, &CDlgDeviceDataMgr::slNewDevice);
    connect(pDeviceMgr, &CDeviceMgr::siDelDevice, this, &CDlgDeviceDataMgr::slDelDevice);
    connect(pDeviceMgr, &CDeviceMgr::siDeviceNameChanged, this, &CDlgDeviceDataMgr::slDeviceNameChanged);
    connect(pDeviceMgr, &CDeviceMgr::siDeviceStateChanged, this, &CDlgDeviceDataMgr::slDeviceStateChanged);
}

void CDlgDeviceDataMgr::slNewDevice(const QString &strDeviceName)
{
    if (m_mapPages.contains(strDeviceName)) {
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
    pPage->hide();
    m_mapPages.insert(strDeviceName, pPage);
    m_pLayout->addWidget(pPage);
}

void CDlgDeviceDataMgr::slDelDevice(const QList<QString> &objDevicesName)
{
    for (const QString &strName : objDevicesName) {
        CDlgDeviceDataBase *pPage = m_mapPages.take(strName);
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

void CDlgDeviceDataMgr::slDeviceNameChanged(const QString &strDeviceName, const QString &strNewName)
{
    CDlgDeviceDataBase *pPage = m_mapPages.take(strDeviceName);
    if (pPage == nullptr) {
        LOG_DEBUG().noquote() << "Can't find Device:" + strDeviceName;
        return;
    }
    pPage->SetDeviceName(strNewName);
    m_mapPages.insert(strNewName, pPage);
}

void CDlgDeviceDataMgr::slDeviceStateChanged(const QString &strDeviceName, quint16 nState)
{
    CDlgDeviceDataBase *pPage = m_mapPages.value(strDeviceName);
    if (pPage == nullptr) {
        LOG_DEBUG().noquote() << "Can't find Device:" + strDeviceName;
        return;
    }
    pPage->SetDeviceRunning(nState == 1);
}

void CDlgDeviceDataMgr::slCurrActvDeviceChanged(const QString &strDeviceName)
{
    if (strDeviceName.isEmpty()) {
        if (m_pCurrPage != nullptr)
            m_pCurrPage->hide();
        m_pCurrPage = nullptr;
        return;
    }
    CDlgDeviceDataBase *pPage = m_mapPages.value(strDeviceName);
    if (pPage == nullptr) {
        LOG_DEBUG().noquote() << "Can't find DeviceData Dlg:" + strDeviceName;
        return;
    }
    if (m_pCurrPage != nullptr && m_pCurrPage != pPage)
        m_pCurrPage->hide();
    m_pCurrPage = pPage;
    pPage->show();
}

bool CDlgDeviceDataMgr::slIsEditing(const QString &strDeviceName)
{
    CDlgDeviceDataBase *pPage = m_mapPages.value(strDeviceName);
    if (pPage == nullptr) {
        LOG_DEBUG().noquote() << "ERROR: can not find device:" + strDeviceName;
        return false;
    }
    return pPage->IsCfgState();
}

void CDlgDeviceDataMgr::slSynDataCfg(const QString &strDeviceName)
{
    if (CDlgDeviceDataBase *pPage = m_mapPages.value(strDeviceName))
        pPage->LoadDataCfg();
}

void CDlgDeviceDataMgr::slSynDeviceOper(const QString &strDeviceName, quint16 nOper, bool bStart, bool bCycle)
{
    if (CDlgDeviceDataBase *pPage = m_mapPages.value(strDeviceName))
        pPage->SynDeviceOper(nOper, bStart, bCycle);
}
