#include "cportmgr.h"

#include "applog.h"
#include "ccomparamgr.h"
#include "cport_base.h"
#include "cnetparamgr.h"
#include "cport_com.h"
#include "cport_tcp_c.h"
#include "cport_tcp_s.h"
#include "cport_udp.h"

CPortMgr *CPortMgr::s_pInstance = nullptr;

CPortMgr::CPortMgr()
{
    connect(CComParaMgr::GetInstance(), &CComParaMgr::siCOMParaChanged, this, &CPortMgr::slPortParaChanged);
    connect(CNetParaMgr::GetInstance(), &CNetParaMgr::siNETParaChanged, this, &CPortMgr::slPortParaChanged);
}

CPortMgr::~CPortMgr()
{
    if (!m_mapPorts.isEmpty()) {
        LOG_DEBUG() << "Error: Remaining Port Obj!" << m_mapPorts.size();
        for (auto it = m_mapPorts.begin(); it != m_mapPorts.end(); ++it) {
            LOG_DEBUG() << "Remaining Port:" + it.key();
            if (it->pPort != nullptr) {
                it->pPort->StopPort();
                delete it->pPort;
                it->pPort = nullptr;
            }
        }
    }
    m_mapPorts.clear();
}

CPortMgr *CPortMgr::GetInstance()
{
    if (s_pInstance == nullptr)
        s_pInstance = new CPortMgr();
    return s_pInstance;
}

void CPortMgr::DestroyInstance()
{
    delete s_pInstance;
    s_pInstance = nullptr;
}

CPortBase *CPortMgr::RegisterPort(const QString &strName, unsigned short nWorkMode)
{
    return GetInstance()->DoRegisterPort(strName, nWorkMode);
}

void CPortMgr::UnregisterPort(const QString &strName)
{
    GetInstance()->DoUnregisterPort(strName);
}

CPortBase *CPortMgr::GetPort(const QString &strName)
{
    const CPortMgr *pMgr = GetInstance();
    const auto it = pMgr->m_mapPorts.constFind(strName);
    return (it == pMgr->m_mapPorts.constEnd()) ? nullptr : it->pPort;
}

QStringList CPortMgr::GetPortNames()
{
    return GetInstance()->m_mapPorts.keys(); // a QMap keeps its keys sorted
}

int CPortMgr::GetRegCount(const QString &strName)
{
    return GetInstance()->m_mapPorts.value(strName).nRefCount;
}

CPortBase *CPortMgr::CreatNetPort(const QString &strName, unsigned short nWorkMode)
{
    return GetInstance()->DoCreatPort(strName, nWorkMode);
}

CPortBase *CPortMgr::DoCreatPort(const QString &strName, unsigned short nWorkMode)
{
    const short nMode = static_cast<short>(nWorkMode);
    CPortBase *pPort = nullptr;
    if (IsNetPortName(strName)) {
        NET_PARA_DATA_S stPara;
        CNetParaMgr::GetNetPara(strName, stPara);
        switch (stPara.nLinkMode) {
        case LINK_MODE_TCP_CLIENT: pPort = new CPortNetTCPClient(strName, nMode); break;
        case LINK_MODE_TCP_SERVER: pPort = new CPortNetTCPServer(strName, nMode); break;
        case LINK_MODE_UDP_UNICAST: pPort = new CPortNetUDPUnicast(strName, nMode); break;
        default:
            LOG_DEBUG() << "ERROR nLinkMode:" + strName << stPara.nLinkMode;
            return nullptr;
        }
    } else {
        pPort = new CPortCOM(strName, nMode);
    }
    // Links emit in their worker threads; these arrive queued in this thread.
    connect(pPort, &CPortBase::siRecvDataRaw, this, &CPortMgr::siRecvDataRaw);
    connect(pPort, &CPortBase::siPortState, this, &CPortMgr::siPortState);
    return pPort;
}

CPortBase *CPortMgr::DoRegisterPort(const QString &strName, unsigned short nWorkMode)
{
    auto it = m_mapPorts.find(strName);
    if (it != m_mapPorts.end()) {
        if (it->pPort == nullptr) {
            LOG_DEBUG() << "Invalid Port Obj." << strName;
            return nullptr;
        }
        if (it->pPort->GetWorkMode() != nWorkMode) {
            LOG_DEBUG() << "Device Work Mode Dismatch." << strName;
            return nullptr;
        }
        ++it->nRefCount;
        return it->pPort;
    }
    CPortBase *pPort = DoCreatPort(strName, nWorkMode);
    if (pPort == nullptr) {
        LOG_DEBUG() << "Creat New Port Failed." << strName;
        return nullptr;
    }
    LOG_DEBUG() << "Creat New Port By Reg:" << strName;
    pPort->start(QThread::InheritPriority);
    PORT_ENTRY_S stEntry;
    stEntry.pPort = pPort;
    stEntry.nRefCount = 1;
    m_mapPorts.insert(strName, stEntry);
    return pPort;
}

void CPortMgr::DoUnregisterPort(const QString &strName)
{
    auto it = m_mapPorts.find(strName);
    if (it == m_mapPorts.end()) {
        LOG_DEBUG() << "ERROR: Can not find Port." << strName;
        return;
    }
    if (--it->nRefCount > 0)
        return;
    CPortBase *pPort = it->pPort;
    m_mapPorts.erase(it);
    if (pPort != nullptr) {
        pPort->StopPort();
        delete pPort;
    }
    LOG_DEBUG() << "Del Port By Unreg:" << strName;
}

void CPortMgr::slPortParaChanged(QString strPortName)
{
    auto it = m_mapPorts.find(strPortName);
    if (it == m_mapPorts.end())
        return;
    if (it->pPort == nullptr) {
        LOG_DEBUG() << "Invalid Port Obj." << strPortName;
        return;
    }
    const unsigned short nWorkMode = it->pPort->GetWorkMode();
    CPortBase *pOld = it->pPort;
    it->pPort = nullptr;
    pOld->StopPort();
    delete pOld;
    LOG_DEBUG() << "Del Port By Para Changed:" + strPortName;

    CPortBase *pNew = DoCreatPort(strPortName, nWorkMode);
    // The map may have changed under the signals emitted above; look again.
    it = m_mapPorts.find(strPortName);
    if (pNew == nullptr || it == m_mapPorts.end()) {
        if (it != m_mapPorts.end())
            m_mapPorts.erase(it);
        delete pNew;
        LOG_DEBUG() << "Creat Port Obj Failed." << strPortName;
        // Devices bound to the name still hold the deleted object: make them
        // look the name up again, which now yields nothing.
        emit siPortObjChanged(strPortName);
        return;
    }
    it->pPort = pNew;
    emit siPortObjChanged(strPortName);
    pNew->start(QThread::InheritPriority);
    LOG_DEBUG() << "New Port By Para Changed:" + strPortName;
}
