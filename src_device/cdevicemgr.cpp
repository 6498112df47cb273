#include "cdevicemgr.h"

#include <iterator>

#include "applog.h"
#include "ccfgfilemgr.h"
#include "cdevicebase.h"
#include "cdevicemaster.h"
#include "cdeviceslave.h"
#include "commonfunc.h"

CDeviceMgr *CDeviceMgr::s_pInstance = nullptr;

namespace {

QString Text(const char *pText)
{
    return QString::fromUtf8(pText);
}

} // namespace

CDeviceMgr *CDeviceMgr::GetInstance()
{
    if (s_pInstance == nullptr)
        s_pInstance = new CDeviceMgr();
    return s_pInstance;
}

void CDeviceMgr::DestroyInstance()
{
    delete s_pInstance;
    s_pInstance = nullptr;
}

CDeviceMgr::~CDeviceMgr()
{
    // ClearDevices works on the instance; this one is still current here.
    QList<CDeviceBase *> objDevices;
    objDevices.swap(m_lstDevice);
    QList<QString> objNames;
    for (CDeviceBase *pDevice : qAsConst(objDevices)) {
        objNames.append(pDevice->GetName());
        delete pDevice;
    }
    emit siDelDevice(objNames);
}

CDeviceBase *CDeviceMgr::FindDevice(const QString &strName) const
{
    for (CDeviceBase *pDevice : m_lstDevice) {
        if (pDevice != nullptr && pDevice->GetName() == strName)
            return pDevice;
    }
    return nullptr;
}

CDeviceBase *CDeviceMgr::FindDevice(const QString &strPortName, quint16 nAddr) const
{
    for (CDeviceBase *pDevice : m_lstDevice) {
        if (pDevice != nullptr && pDevice->GetPortName() == strPortName && pDevice->GetAddr() == nAddr)
            return pDevice;
    }
    return nullptr;
}

bool CDeviceMgr::PortHasOtherType(const QString &strPortName, quint16 nType) const
{
    for (CDeviceBase *pDevice : m_lstDevice) {
        if (pDevice != nullptr && pDevice->GetPortName() == strPortName && pDevice->GetType() != nType)
            return true;
    }
    return false;
}

QString CDeviceMgr::AddDevice(const QString &strName, const QString &strPortName, quint16 nType, quint16 nStartAddr,
                              quint16 nEndAddr)
{
    if (nStartAddr > nEndAddr)
        return Text("设备添加失败，起始地址应小于等于结束地址！");
    if (nStartAddr > 255 || nEndAddr > 255)
        return Text("设备添加失败，设备地址过大！");
    CDeviceMgr *pMgr = s_pInstance;
    if (pMgr == nullptr)
        return Text("设备添加失败，内部异常");
    // One name given for several addresses would give several devices the
    // same name, and with it one shared configuration.
    if (pMgr->FindDevice(strName) != nullptr || (!strName.isEmpty() && nStartAddr != nEndAddr))
        return Text("设备名称冲突不唯一！");
    if (pMgr->PortHasOtherType(strPortName, nType))
        return Text("设备添加失败，该端口已存在其它类型设备！");

    for (quint32 nAddr = nStartAddr; nAddr <= nEndAddr; ++nAddr) {
        if (pMgr->FindDevice(strPortName, static_cast<quint16>(nAddr)) != nullptr)
            continue;
        CDeviceBase *pDevice = nullptr;
        if (nType == DEVICE_TYPE_MASTER)
            pDevice = new CDeviceMaster(strName, strPortName, static_cast<quint16>(nAddr));
        else
            pDevice = new CDeviceSlave(strName, strPortName, static_cast<quint16>(nAddr));
        pMgr->m_lstDevice.append(pDevice);
        connect(pDevice, &CDeviceBase::siDeviceStateChanged, pMgr, &CDeviceMgr::siDeviceStateChanged);
        emit pMgr->siNewDevice(pDevice->GetName());
    }
    return Text(RESULT_OK);
}

QString CDeviceMgr::DelDevice(const QList<QString> &objNames)
{
    if (objNames.isEmpty())
        return Text("设备删除失败，无有效设备！");
    CDeviceMgr *pMgr = s_pInstance;
    if (pMgr == nullptr)
        return Text("设备删除失败，内部异常！");

    bool bPartFailed = false;
    QList<QString> objDeleted;
    for (const QString &strName : objNames) {
        CDeviceBase *pDevice = pMgr->FindDevice(strName);
        if (pDevice == nullptr) {
            bPartFailed = true;
            continue;
        }
        pMgr->m_lstDevice.removeOne(pDevice);
        delete pDevice;
        objDeleted.append(strName);
        CCfgFileMgr::GetInstance()->RemoveDeviceCfg(strName);
    }
    // The list never holds null entries; a null found here is a fault elsewhere.
    if (pMgr->m_lstDevice.removeAll(nullptr) > 0)
        LOG_DEBUG() << "Invalid Device Obj PTR.";
    emit pMgr->siDelDevice(objDeleted);
    return bPartFailed ? Text("部分设备移除失败！") : Text(RESULT_OK);
}

QString CDeviceMgr::ChangeDeviceInfo(const DEVICE_KEY_INFO_S &stOldInfo, const DEVICE_KEY_INFO_S &stNewInfo)
{
    CDeviceMgr *pMgr = s_pInstance;
    if (pMgr == nullptr)
        return Text("设备信息修改失败，内部异常！");
    if (stOldInfo.strName.isEmpty() || stOldInfo.strPortName.isEmpty())
        return Text("设备信息修改失败，设备信息异常！");
    CDeviceBase *pDevice = pMgr->FindDevice(stOldInfo.strName);
    if (pDevice == nullptr)
        return Text("设备信息修改失败，设备不存在！");
    if (stNewInfo.strName.isEmpty() || stNewInfo.strPortName.isEmpty())
        return Text("设备信息修改失败，设备信息不能为空！");

    const bool bNameChanged = stNewInfo.strName != stOldInfo.strName;
    const bool bPortChanged = stNewInfo.strPortName != stOldInfo.strPortName;
    const bool bAddrChanged = stNewInfo.nAddr != stOldInfo.nAddr;
    if (bNameChanged && pMgr->FindDevice(stNewInfo.strName) != nullptr)
        return Text("设备名称修改失败，设备名称与其它设备冲突！");
    if (bPortChanged && pMgr->PortHasOtherType(stNewInfo.strPortName, pDevice->GetType()))
        return Text("设备端口修改失败，其它设备类型已占用新端口！");
    if (bAddrChanged) {
        if (stNewInfo.nAddr > 255)
            return Text("设备地址修改失败，地址值过大（应小于256）！");
        if (pMgr->FindDevice(stNewInfo.strPortName, stNewInfo.nAddr) != nullptr)
            return Text("设备地址修改失败，该地址设备已存在！");
    }
    if (!bNameChanged && !bPortChanged && !bAddrChanged)
        return Text("设备信息无变更，无需修改！");

    if (bNameChanged) {
        pDevice->SetName(stNewInfo.strName);
        // The store refuses a name that still has a configuration of its own;
        // then nothing else is changed either.
        if (pDevice->GetName() != stNewInfo.strName)
            return Text("设备名称修改失败，设备名称与其它设备冲突！");
        emit pMgr->siDeviceNameChanged(stOldInfo.strName, stNewInfo.strName);
    }
    const bool bDefaultName = pDevice->IsDefaultName();
    if (bPortChanged)
        pDevice->SetPortName(stNewInfo.strPortName);
    if (bAddrChanged)
        pDevice->SetAddr(stNewInfo.nAddr);
    if (bDefaultName) {
        const QString strBefore = pDevice->GetName();
        pDevice->ResetDefaultName();
        const QString strAfter = pDevice->GetName();
        if (strAfter != strBefore)
            emit pMgr->siDeviceNameChanged(strBefore, strAfter);
    }
    return Text(RESULT_OK);
}

QString CDeviceMgr::ChangeDevicePort(const QString &strName, const QString &strNewPort)
{
    CDeviceMgr *pMgr = s_pInstance;
    if (pMgr == nullptr)
        return Text("设备端口修改失败，内部异常！");
    CDeviceBase *pDevice = pMgr->FindDevice(strName);
    if (pDevice == nullptr)
        return Text("设备端口修改失败，设备不存在！");
    if (pDevice->GetPortName() == strNewPort)
        return Text(RESULT_OK);
    if (pMgr->PortHasOtherType(strNewPort, pDevice->GetType()))
        return Text("设备端口修改失败，其它设备类型已占用新端口！");

    const bool bDefaultName = pDevice->IsDefaultName();
    pDevice->SetPortName(strNewPort);
    if (bDefaultName) {
        const QString strBefore = pDevice->GetName();
        pDevice->ResetDefaultName();
        const QString strAfter = pDevice->GetName();
        if (strAfter != strBefore)
            emit pMgr->siDeviceNameChanged(strBefore, strAfter);
    }
    return Text(RESULT_OK);
}

CDeviceBase *CDeviceMgr::GetDevice(const QString &strName)
{
    return s_pInstance != nullptr ? s_pInstance->FindDevice(strName) : nullptr;
}

QString CDeviceMgr::GetDeviceName(const QString &strPortName, quint16 nAddr)
{
    if (s_pInstance == nullptr)
        return QString();
    CDeviceBase *pDevice = s_pInstance->FindDevice(strPortName, nAddr);
    return pDevice != nullptr ? pDevice->GetName() : QString();
}

QList<CDeviceBase *> CDeviceMgr::GetDeviceList()
{
    return s_pInstance != nullptr ? s_pInstance->m_lstDevice : QList<CDeviceBase *>();
}

void CDeviceMgr::ClearDevices()
{
    CDeviceMgr *pMgr = s_pInstance;
    if (pMgr == nullptr)
        return;
    QList<CDeviceBase *> objDevices;
    objDevices.swap(pMgr->m_lstDevice);
    QList<QString> objNames;
    for (CDeviceBase *pDevice : qAsConst(objDevices)) {
        if (pDevice == nullptr)
            continue;
        objNames.append(pDevice->GetName());
        delete pDevice;
    }
    emit pMgr->siDelDevice(objNames);
}

void CDeviceMgr::LoadDevices()
{
    ClearDevices();
    // A copy: creating a device may add to the store's table.
    const QMap<QString, DEVICE_COMMON_ATTR_S> objTable = CCfgFileMgr::GetInstance()->GetDeviceAttrMap();
    for (auto it = objTable.cbegin(); it != objTable.cend(); ++it)
        AddDevice(it.key(), it->strPortName, it->nDeviceType, it->nAddr, it->nAddr);
}

int CDeviceMgr::LoadDevicesStep()
{
    CDeviceMgr *pMgr = s_pInstance;
    CCfgFileMgr *pCfg = CCfgFileMgr::GetInstance();
    if (pMgr == nullptr || pCfg == nullptr) {
        if (pMgr != nullptr)
            pMgr->m_nLoadCount = -1;
        return 100;
    }
    if (pMgr->m_nLoadCount < 0) {
        ClearDevices();
        pMgr->m_nLoadPos = 0;
        pMgr->m_nLoadCount = 0;
    }
    const QMap<QString, DEVICE_COMMON_ATTR_S> &objTable = pCfg->GetDeviceAttrMap();
    if (pMgr->m_nLoadPos >= objTable.size()) {
        pMgr->m_nLoadCount = -1;
        return 100;
    }
    const auto it = std::next(objTable.cbegin(), pMgr->m_nLoadPos);
    const QString strName = it.key();
    const DEVICE_COMMON_ATTR_S objAttr = it.value();
    AddDevice(strName, objAttr.strPortName, objAttr.nDeviceType, objAttr.nAddr, objAttr.nAddr);
    ++pMgr->m_nLoadPos;
    ++pMgr->m_nLoadCount;
    return pMgr->m_nLoadCount * 100 / objTable.size();
}

void CDeviceMgr::ResetLoad()
{
    if (s_pInstance != nullptr)
        s_pInstance->m_nLoadCount = -1;
}
