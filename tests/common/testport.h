#ifndef TESTPORT_H
#define TESTPORT_H

// Links over a scripted medium, with real worker threads and real timers.
// Frames written by the link go to a peer function (run in the worker thread)
// whose answers, and any bytes the test feeds, come back through a 2 ms
// readiness poll in the worker thread, as a socket's notifications would.
// Everything a link reports is recorded with its time of emission.

#include <QObject>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include "cport_base.h"
#include "cport_net.h"

inline qint64 NowMs()
{
    using namespace std::chrono;
    static const steady_clock::time_point s_objEpoch = steady_clock::now();
    return duration_cast<milliseconds>(steady_clock::now() - s_objEpoch).count();
}

// A read of nCount holding registers from nStart of unit 1, awaiting its reply.
inline LINK_SEND_DATA_S ReadHolding(quint16 nSN, quint16 nStart = 0, quint16 nCount = 2, quint32 nTimeOut = 3000,
                                    quint16 nResend = 0, quint32 nInterval = 0)
{
    LINK_SEND_DATA_S stRqst;
    stRqst.nSN = nSN;
    stRqst.nAddr = 1;
    stRqst.nFuncCode = 0x03;
    stRqst.nIsNeedRsp = 1;
    stRqst.nTimeOut = nTimeOut;
    stRqst.nResendCount = nResend;
    stRqst.nIntervalTime = nInterval;
    stRqst.objData = QByteArray(1, char(nStart >> 8)) + char(nStart & 0xFF) + char(nCount >> 8) + char(nCount & 0xFF);
    return stRqst;
}

struct PeerChunk
{
    int nDelayMs;
    QByteArray objBytes;
};

class CScriptedMedium
{
public:
    using PeerFn = std::function<std::vector<PeerChunk>(const QByteArray &)>;

    void SetPeer(PeerFn fnPeer) { Locked([&] { m_fnPeer = std::move(fnPeer); }); }
    void SetWriteFails(bool bFails) { Locked([&] { m_bWriteFails = bFails; }); }
    void Feed(const QByteArray &objBytes, int nDelayMs = 0) { Locked([&] { m_lstInbox.push_back({NowMs() + nDelayMs, objBytes}); }); }
    std::vector<QByteArray> Written() { return Locked([&] { return m_lstWritten; }); }
    size_t WrittenCount() { return Written().size(); }

    // Worker thread.
    bool Write(const QByteArray &objFrame)
    {
        PeerFn fnPeer;
        if (!Locked([&] {
                if (!m_bWriteFails)
                    m_lstWritten.push_back(objFrame);
                fnPeer = m_fnPeer;
                return !m_bWriteFails;
            }))
            return false;
        for (const PeerChunk &stChunk : fnPeer ? fnPeer(objFrame) : std::vector<PeerChunk>())
            Feed(stChunk.objBytes, stChunk.nDelayMs);
        return true;
    }
    // What is due, in the order it was fed.
    QByteArray TakeDue()
    {
        return Locked([&] {
            QByteArray objOut;
            while (!m_lstInbox.empty() && m_lstInbox.front().first <= NowMs()) {
                objOut.append(m_lstInbox.front().second);
                m_lstInbox.erase(m_lstInbox.begin());
            }
            return objOut;
        });
    }

private:
    template <class TFn>
    auto Locked(TFn fnDo) -> decltype(fnDo())
    {
        std::lock_guard<std::mutex> objLock(m_objLock);
        return fnDo();
    }
    std::mutex m_objLock;
    PeerFn m_fnPeer;
    bool m_bWriteFails = false;
    std::vector<QByteArray> m_lstWritten;
    std::vector<std::pair<qint64, QByteArray>> m_lstInbox; // due time, bytes
};

template <class TBase>
class CScriptedPort : public TBase
{
public:
    CScriptedPort(const QString &strName, short nWorkMode) : TBase(strName, nWorkMode) {}
    CScriptedMedium objMedium;
    std::atomic<bool> bOpenSucceeds{true};
    bool IsOpen() const override { return this->GetOpenFlag(); }

protected:
    bool OpenPort() override
    {
        if (!bOpenSucceeds.load())
            return false;
        m_pPollTimer = new QTimer();
        QObject::connect(m_pPollTimer, &QTimer::timeout, m_pPollTimer, [this]() {
            const QByteArray objBytes = objMedium.TakeDue();
            if (objBytes.isEmpty())
                return;
            this->m_objRecvBuff.append(objBytes);
            this->ProcRecvBuffData();
        }, Qt::DirectConnection);
        m_pPollTimer->start(2);
        this->SetOpenFlag(true);
        return true;
    }
    void ClosePort() override
    {
        delete m_pPollTimer;
        m_pPollTimer = nullptr;
        this->SetOpenFlag(false);
    }
    bool WriteData(const QByteArray &objFrame) override { return objMedium.Write(objFrame); }

private:
    QTimer *m_pPollTimer = nullptr;
};

class CTestPort : public CScriptedPort<CPortBase>
{
public:
    CTestPort(short nWorkMode, unsigned short nTransMode)
        : CScriptedPort<CPortBase>(QStringLiteral("COM_TEST"), nWorkMode), m_nTransMode(nTransMode) {}
    ~CTestPort() override { StopPort(); } // before the overrides go away
    unsigned short GetTransMode() const override { return m_nTransMode; }

private:
    const unsigned short m_nTransMode;
};

class CTestNetPort : public CScriptedPort<CPortNet>
{
public:
    CTestNetPort(short nWorkMode, unsigned short nTransMode, unsigned short nMaxAsynNum)
        : CScriptedPort<CPortNet>(QStringLiteral("NET_TEST"), nWorkMode) { SetNetModes(nTransMode, nMaxAsynNum); }
    ~CTestNetPort() override { StopPort(); }
    void SetModes(unsigned short nTransMode, unsigned short nMaxAsynNum) { SetNetModes(nTransMode, nMaxAsynNum); }
};

// Everything a link reports, in the order of emission (worker thread).
struct LinkEvent
{
    enum Kind { Raw, Record, State } enKind;
    qint64 nTime;
    quint16 nAddr;
    LINK_PROC_ERR_EN enType;
    QByteArray objBytes;
    LINK_RECV_DATA_S stRecord;
    bool bOpen;
};

class CLinkRecorder
{
public:
    explicit CLinkRecorder(CPortBase *pPort)
    {
        QObject::connect(pPort, &CPortBase::siRecvDataRaw, &m_objContext,
                         [this](QString, quint16 nAddr, LINK_PROC_ERR_EN enType, QByteArray objBytes) {
                             Add({LinkEvent::Raw, NowMs(), nAddr, enType, objBytes, {}, false});
                         }, Qt::DirectConnection);
        QObject::connect(pPort, &CPortBase::siRecvData, &m_objContext, [this](QString, LINK_RECV_DATA_S stRecv) {
            Add({LinkEvent::Record, NowMs(), stRecv.nAddr, stRecv.enType, stRecv.objData, stRecv, false});
        }, Qt::DirectConnection);
        QObject::connect(pPort, &CPortBase::siPortState, &m_objContext, [this](QString, bool bOpen) {
            Add({LinkEvent::State, NowMs(), 0, LINK_ERR_GENERAL, {}, {}, bOpen});
        }, Qt::DirectConnection);
    }
    std::vector<LinkEvent> Events()
    {
        std::lock_guard<std::mutex> objLock(m_objLock);
        return m_lstEvents;
    }
    std::vector<LinkEvent> Of(LinkEvent::Kind enKind)
    {
        std::vector<LinkEvent> lstOut;
        for (const LinkEvent &stEvent : Events()) {
            if (stEvent.enKind == enKind)
                lstOut.push_back(stEvent);
        }
        return lstOut;
    }
    // Waits until at least nCount events of a kind (and result, unless -1) exist.
    bool WaitFor(LinkEvent::Kind enKind, int nType, size_t nCount, int nTimeoutMs)
    {
        std::unique_lock<std::mutex> objLock(m_objLock);
        return m_objCond.wait_for(objLock, std::chrono::milliseconds(nTimeoutMs), [&]() {
            return size_t(std::count_if(m_lstEvents.begin(), m_lstEvents.end(), [&](const LinkEvent &stEvent) {
                       return stEvent.enKind == enKind && (nType < 0 || stEvent.enType == nType);
                   })) >= nCount;
        });
    }

private:
    void Add(const LinkEvent &stEvent)
    {
        // Notified under the lock: a waiter that takes the lock afterwards is
        // then ordered after the notification, which ThreadSanitizer needs to
        // see before the recorder is destroyed.
        std::lock_guard<std::mutex> objLock(m_objLock);
        m_lstEvents.push_back(stEvent);
        m_objCond.notify_all();
    }
    QObject m_objContext;
    std::mutex m_objLock;
    std::condition_variable m_objCond;
    std::vector<LinkEvent> m_lstEvents;
};

#endif // TESTPORT_H
