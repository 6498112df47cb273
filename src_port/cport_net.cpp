#include "cport_net.h"

#include <QHostAddress>
#include <QMutexLocker>
#include <QTimer>

#include "cnetparamgr.h"

namespace {
constexpr int PROC_TIMER_MSEC = 10;

quint16 ReadWord(const QByteArray &objBytes, int nPos)
{
    return static_cast<quint16>((quint8(objBytes.at(nPos)) << 8) | quint8(objBytes.at(nPos + 1)));
}
} // namespace

bool IsPeerAddress(const QHostAddress &objPeer, const QString &strConfigured)
{
    const QHostAddress objConfigured(strConfigured.trimmed());
    return !objConfigured.isNull() && objConfigured.isEqual(objPeer, QHostAddress::ConvertV4MappedToIPv4);
}

CPortNet::CPortNet(const QString &strPortName, short nWorkMode, QObject *parent)
    : CPortBase(strPortName, nWorkMode, parent)
{
    // Devices ask for the transmission mode before the link first opens.
    TakeNetPara();
}

NET_PARA_DATA_S CPortNet::GetNetParaCopy() const
{
    QMutexLocker objLocker(&m_objParaLock);
    return m_stNetPara;
}

void CPortNet::TakeNetPara()
{
    NET_PARA_DATA_S stPara;
    CNetParaMgr::GetNetPara(m_strPortName, stPara);
    {
        QMutexLocker objLocker(&m_objParaLock);
        m_stNetPara = stPara;
    }
    SetNetModes(stPara.nTransMode, stPara.nMaxAsynNum);
}

unsigned short CPortNet::GetTransMode() const
{
    return m_nTransMode.load(std::memory_order_relaxed);
}

unsigned short CPortNet::GetMaxAsynNum() const
{
    return m_nMaxAsynNum.load(std::memory_order_relaxed);
}

void CPortNet::SetNetModes(unsigned short nTransMode, unsigned short nMaxAsynNum)
{
    m_nTransMode.store(nTransMode, std::memory_order_relaxed);
    m_nMaxAsynNum.store(nMaxAsynNum, std::memory_order_relaxed);
}

bool CPortNet::IsAsyncMaster() const
{
    return GetTransMode() == TRANS_MODE_TCP_ASYNC;
}

void CPortNet::ProcSendForMaster()
{
    if (!IsAsyncMaster()) {
        CPortBase::ProcSendForMaster();
        return;
    }
    // The window fills in one step; more wait for the next tick.
    const int nWindow = GetMaxAsynNum();
    while (IsOpen() && m_SendContextBuffer.size() < nWindow && HasSendSlot(nWindow) && SendNextRqst()) {
    }
    RestartProcTimer(PROC_TIMER_MSEC);
}

void CPortNet::CycleTimerCheckForMaster()
{
    if (!IsAsyncMaster()) {
        CPortBase::CycleTimerCheckForMaster();
        return;
    }
    for (int i = 0; i < m_SendContextBuffer.size();) {
        SEND_CONTEXT_S &stContext = m_SendContextBuffer[i];
        if (stContext.objTime.elapsed() > static_cast<qint64>(stContext.stSendData.nTimeOut)
            && !ProcContextTimeout(stContext)) {
            m_SendContextBuffer.removeAt(i);
            continue;
        }
        ++i;
    }
    // The beginning of a reply that is still awaited waits for the rest (a
    // gateway may pass a reply on in pieces); other bytes cannot become one.
    if (!m_objRecvBuff.isEmpty() && !IsAwaitedReplyStart(m_objRecvBuff)) {
        emit siRecvDataRaw(m_strPortName, 0, LINK_RECV_FRAME_ERR, m_objRecvBuff);
        m_objRecvBuff.clear();
    }
}

bool CPortNet::IsAwaitedReplyStart(const QByteArray &objBytes) const
{
    const int nSize = objBytes.size();
    if (nSize < 2)
        return !m_SendContextBuffer.isEmpty();
    const int nIndex = FindContext(ReadWord(objBytes, 0));
    if (nIndex < 0)
        return false;
    const int nLen = nSize >= 6 ? ReadWord(objBytes, 4) : MBAP_MAX_LEN;
    return (nSize < 4 || ReadWord(objBytes, 2) == 0) && nLen >= MBAP_MIN_LEN && nLen <= MBAP_MAX_LEN
           && (nSize < 7 || quint8(objBytes.at(6)) == (m_SendContextBuffer.at(nIndex).stSendData.nAddr & 0xFF));
}

int CPortNet::FindContext(quint16 nSN) const
{
    for (int i = 0; i < m_SendContextBuffer.size(); ++i) {
        if (m_SendContextBuffer.at(i).stSendData.nSN == nSN)
            return i;
    }
    return -1;
}

void CPortNet::ProcRecvRspForMaster()
{
    if (!IsAsyncMaster()) {
        CPortBase::ProcRecvRspForMaster();
        return;
    }
    LINK_RECV_DATA_S stRecv;
    QByteArray objRaw;
    for (;;) {
        PreProcRecvRqstData(m_objRecvBuff, stRecv, objRaw);
        if (objRaw.isEmpty())
            break;
        if (stRecv.enType == LINK_RECV_OK) {
            const int nIndex = FindContext(stRecv.nSN);
            if (nIndex < 0) {
                stRecv.enType = LINK_RECV_SN_ERR;
            } else if (stRecv.nAddr != (m_SendContextBuffer.at(nIndex).stSendData.nAddr & 0xFF)) {
                stRecv.enType = LINK_RECV_FRAME_ERR; // another unit's reply; ours may still come
            } else {
                stRecv.nRspTime = static_cast<quint32>(m_SendContextBuffer.at(nIndex).objTime.elapsed());
                m_SendContextBuffer.removeAt(nIndex);
                emit siRecvData(m_strPortName, stRecv);
            }
        }
        emit siRecvDataRaw(m_strPortName, stRecv.nAddr, stRecv.enType, objRaw);
    }
}
