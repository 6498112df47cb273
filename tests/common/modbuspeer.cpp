#include "modbuspeer.h"

#include <modbus/modbus.h>

#include <sys/select.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <deque>
#include <vector>

CModbusServerPeer::CModbusServerPeer(int nCount)
    : m_nCount(nCount)
{
    m_pMapping = modbus_mapping_new(nCount, nCount, nCount, nCount);
}

CModbusServerPeer::~CModbusServerPeer()
{
    Stop();
    modbus_mapping_free(m_pMapping);
}

bool CModbusServerPeer::StartTcp(const QString &strAddr, int nPort)
{
    m_pCtx = modbus_new_tcp(strAddr.toLatin1().constData(), nPort);
    if (m_pCtx == nullptr)
        return false;
    m_nListenSocket = modbus_tcp_listen(m_pCtx, 4);
    if (m_nListenSocket < 0) {
        modbus_free(m_pCtx);
        m_pCtx = nullptr;
        return false;
    }
    m_nPort = nPort;
    m_bStop = false;
    m_objThread = std::thread([this] { ServeTcp(); });
    return true;
}

bool CModbusServerPeer::StartRtu(const QString &strDevice, int nBaud, int nSlaveAddr)
{
    m_pCtx = modbus_new_rtu(strDevice.toLocal8Bit().constData(), nBaud, 'N', 8, 1);
    if (m_pCtx == nullptr)
        return false;
    modbus_set_slave(m_pCtx, nSlaveAddr);
    if (modbus_connect(m_pCtx) != 0) {
        modbus_free(m_pCtx);
        m_pCtx = nullptr;
        return false;
    }
    m_bStop = false;
    m_objThread = std::thread([this] { ServeRtu(); });
    return true;
}

void CModbusServerPeer::Stop()
{
    m_bStop = true;
    if (m_objThread.joinable())
        m_objThread.join();
    if (m_nListenSocket >= 0) {
        ::close(m_nListenSocket);
        m_nListenSocket = -1;
    }
    if (m_pCtx != nullptr) {
        modbus_close(m_pCtx);
        modbus_free(m_pCtx);
        m_pCtx = nullptr;
    }
}

int CModbusServerPeer::AnswerOne(modbus_t *pCtx)
{
    uint8_t objQuery[MODBUS_TCP_MAX_ADU_LENGTH];
    const int nLen = modbus_receive(pCtx, objQuery);
    if (nLen <= 0)
        return nLen;
    m_nRequests.fetch_add(1);
    const int nDelay = m_nReplyDelayMs.load();
    if (nDelay > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(nDelay));
    std::lock_guard<std::mutex> objLock(m_objMutex);
    modbus_reply(pCtx, objQuery, nLen, m_pMapping);
    return nLen;
}

void CModbusServerPeer::ServeTcp()
{
    // One client at a time; a new client is accepted when the previous one leaves.
    while (!m_bStop) {
        fd_set objSet;
        FD_ZERO(&objSet);
        FD_SET(m_nListenSocket, &objSet);
        timeval stWait{0, 50000};
        if (select(m_nListenSocket + 1, &objSet, nullptr, nullptr, &stWait) <= 0)
            continue;
        int nListen = m_nListenSocket;
        if (modbus_tcp_accept(m_pCtx, &nListen) < 0)
            continue;
        const int nClient = modbus_get_socket(m_pCtx);
        // Requests waiting for their reply latency: the request and when it is due.
        std::deque<std::pair<std::vector<uint8_t>, std::chrono::steady_clock::time_point>> lstDue;
        while (!m_bStop) {
            const auto tNow = std::chrono::steady_clock::now();
            while (!lstDue.empty() && lstDue.front().second <= tNow) {
                std::lock_guard<std::mutex> objLock(m_objMutex);
                modbus_reply(m_pCtx, lstDue.front().first.data(), static_cast<int>(lstDue.front().first.size()),
                             m_pMapping);
                lstDue.pop_front();
            }
            fd_set objRead;
            FD_ZERO(&objRead);
            FD_SET(nClient, &objRead);
            long nWaitUs = 50000;
            if (!lstDue.empty())
                nWaitUs = std::clamp<long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                               lstDue.front().second - tNow).count(), 0, 50000);
            timeval stPoll{0, nWaitUs};
            const int nReady = select(nClient + 1, &objRead, nullptr, nullptr, &stPoll);
            if (nReady < 0)
                break;
            if (nReady == 0)
                continue;
            const int nLatency = m_nReplyLatencyMs.load();
            if (nLatency <= 0) {
                if (AnswerOne(m_pCtx) < 0)
                    break; // client closed or sent garbage
                continue;
            }
            uint8_t arrQuery[MODBUS_TCP_MAX_ADU_LENGTH];
            const int nLen = modbus_receive(m_pCtx, arrQuery);
            if (nLen < 0)
                break;
            if (nLen == 0)
                continue;
            m_nRequests.fetch_add(1);
            lstDue.emplace_back(std::vector<uint8_t>(arrQuery, arrQuery + nLen),
                                std::chrono::steady_clock::now() + std::chrono::milliseconds(nLatency));
        }
        ::close(nClient);
        modbus_set_socket(m_pCtx, -1);
    }
}

void CModbusServerPeer::ServeRtu()
{
    modbus_set_indication_timeout(m_pCtx, 0, 100000);
    while (!m_bStop)
        AnswerOne(m_pCtx);
}

void CModbusServerPeer::SetHolding(int nAddr, quint16 nValue)
{
    std::lock_guard<std::mutex> objLock(m_objMutex);
    if (nAddr >= 0 && nAddr < m_nCount)
        m_pMapping->tab_registers[nAddr] = nValue;
}

void CModbusServerPeer::SetInput(int nAddr, quint16 nValue)
{
    std::lock_guard<std::mutex> objLock(m_objMutex);
    if (nAddr >= 0 && nAddr < m_nCount)
        m_pMapping->tab_input_registers[nAddr] = nValue;
}

void CModbusServerPeer::SetCoil(int nAddr, bool bValue)
{
    std::lock_guard<std::mutex> objLock(m_objMutex);
    if (nAddr >= 0 && nAddr < m_nCount)
        m_pMapping->tab_bits[nAddr] = bValue ? 1 : 0;
}

void CModbusServerPeer::SetDiscrete(int nAddr, bool bValue)
{
    std::lock_guard<std::mutex> objLock(m_objMutex);
    if (nAddr >= 0 && nAddr < m_nCount)
        m_pMapping->tab_input_bits[nAddr] = bValue ? 1 : 0;
}

quint16 CModbusServerPeer::Holding(int nAddr) const
{
    std::lock_guard<std::mutex> objLock(m_objMutex);
    return (nAddr >= 0 && nAddr < m_nCount) ? m_pMapping->tab_registers[nAddr] : 0;
}

bool CModbusServerPeer::Coil(int nAddr) const
{
    std::lock_guard<std::mutex> objLock(m_objMutex);
    return (nAddr >= 0 && nAddr < m_nCount) && m_pMapping->tab_bits[nAddr] != 0;
}

void RunClient(const std::function<void()> &fnCall)
{
    std::atomic<bool> bDone{false};
    std::thread objThread([&] {
        fnCall();
        bDone.store(true);
    });
    while (!bDone.load()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        QThread::msleep(1);
    }
    objThread.join();
}

QByteArray RawRequest(modbus_t *pCtx, quint8 nUnit, const QByteArray &objPdu)
{
    const QByteArray objReq = QByteArray(1, char(nUnit)) + objPdu;
    QByteArray objReply;
    RunClient([&] {
        if (modbus_send_raw_request(pCtx, reinterpret_cast<const uint8_t *>(objReq.constData()), objReq.size()) < 0)
            return;
        uint8_t aRsp[MODBUS_MAX_ADU_LENGTH];
        const int nLen = modbus_receive_confirmation(pCtx, aRsp);
        const int nHeader = modbus_get_header_length(pCtx);
        // An RTU frame ends with its CRC; a TCP frame's header is longer than one byte.
        const int nTail = nHeader == 1 ? 2 : 0;
        if (nLen > nHeader + nTail)
            objReply = QByteArray(reinterpret_cast<const char *>(aRsp) + nHeader, nLen - nHeader - nTail);
        else if (nHeader == 1)
            modbus_flush(pCtx); // a late or partial reply must not spoil the next exchange
    });
    return objReply;
}
