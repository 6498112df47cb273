#include "cport_base.h"

#include <QCoreApplication>
#include <QTimer>

#include "applog.h"

// The queue lock is a QMutex and Qt's event queue is guarded by one; their
// contended paths run inside the Qt library, which ThreadSanitizer does not
// see. The annotations give them the ordering they really provide, so a
// sanitizer build reports only true races.
#if defined(__SANITIZE_THREAD__)
#define KESTRIX_TSAN_ANNOTATE 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KESTRIX_TSAN_ANNOTATE 1
#endif
#endif
#ifdef KESTRIX_TSAN_ANNOTATE
#include <sanitizer/tsan_interface.h>
#endif

namespace {

void TsanRelease(void *pAddr)
{
#ifdef KESTRIX_TSAN_ANNOTATE
    __tsan_release(pAddr);
#else
    (void)pAddr;
#endif
}

void TsanAcquire(void *pAddr)
{
#ifdef KESTRIX_TSAN_ANNOTATE
    __tsan_acquire(pAddr);
#else
    (void)pAddr;
#endif
}

class CQueueLocker
{
public:
    explicit CQueueLocker(QMutex &objMutex) : m_objMutex(objMutex)
    {
        m_objMutex.lock();
        TsanAcquire(&m_objMutex);
    }
    ~CQueueLocker()
    {
        TsanRelease(&m_objMutex);
        m_objMutex.unlock();
    }
    CQueueLocker(const CQueueLocker &) = delete;
    CQueueLocker &operator=(const CQueueLocker &) = delete;

private:
    QMutex &m_objMutex;
};

QEvent::Type WakeEventType()
{
    static const QEvent::Type s_enType = static_cast<QEvent::Type>(QEvent::registerEventType());
    return s_enType;
}

QEvent::Type TakenUpEventType()
{
    static const QEvent::Type s_enType = static_cast<QEvent::Type>(QEvent::registerEventType());
    return s_enType;
}

// An event posted from one of the link's threads to the other.
class CCrossEvent : public QEvent
{
public:
    explicit CCrossEvent(QEvent::Type enType) : QEvent(enType) { TsanRelease(this); }
};

bool IsCrossEvent(QEvent *pEvent, QEvent::Type enType)
{
    // Before the event is read; harmless for events that are not ours.
    TsanAcquire(pEvent);
    return pEvent->type() == enType;
}

constexpr int PROC_TIMER_MSEC = 10;
constexpr int CYCLE_TIMER_MSEC = 100;
constexpr qint64 STALE_DATA_MSEC = 2000;
constexpr quint32 MIN_PAUSE_MSEC = 10;
// Requests the devices leave unanswered stay on the ledger until newer ones
// push them out; a reply comes while at most MAX_RQSTS_AT_DEVICES records
// wait to be taken up and as many replies wait to be sent.
constexpr int MAX_HELD_RQSTS = 4 * CPortBase::MAX_RQSTS_AT_DEVICES;

} // namespace

CPortBase::CPortBase(const QString &strPortName, short nWorkMode, QObject *parent)
    : QThread(parent), m_strPortName(strPortName), m_nWorkMode(static_cast<unsigned short>(nWorkMode))
{
    LOG_DEBUG() << "New Port Obj:" + m_strPortName << m_nWorkMode;
}

// Lives in the worker thread: a wake posted from any thread runs a processing
// step there at once.
class CPortWake : public QObject
{
public:
    explicit CPortWake(CPortBase *pPort) : m_pPort(pPort) {}
    bool event(QEvent *pEvent) override
    {
        if (!IsCrossEvent(pEvent, WakeEventType()))
            return QObject::event(pEvent);
        m_pPort->slPortProc();
        return true;
    }

private:
    CPortBase *m_pPort;
};

bool CPortBase::event(QEvent *pEvent)
{
    // Posted after each request record, so handled after the devices of this
    // thread have taken the record up.
    if (!IsCrossEvent(pEvent, TakenUpEventType()))
        return QThread::event(pEvent);
    m_nRqstsAtDevices.fetch_sub(1, std::memory_order_relaxed);
    return true;
}

CPortBase::~CPortBase()
{
    // A link must not be destroyed under its running thread; stop it rather
    // than let the thread run on a half-destroyed object.
    if (isRunning())
        StopPort();
    SyncWithFinishedThread();
    emit siPortState(m_strPortName, false);
    delete m_pProcTimer;
    m_pProcTimer = nullptr;
    delete m_pCycleTimer;
    m_pCycleTimer = nullptr;
    LOG_DEBUG() << "Del Port Obj:" + m_strPortName;
    CQueueLocker objLocker(m_objQueueLock);
    m_lstSendQueue.clear();
    m_SendContextBuffer.clear();
}

void CPortBase::run()
{
    struct RunEndMark
    {
        std::atomic<unsigned int> &nRunsEnded;
        ~RunEndMark() { nRunsEnded.fetch_add(1, std::memory_order_release); }
    } objEndMark{m_nRunsEnded};

    if (!OpenPort()) {
        ClosePort();
        SetOpenFlag(false);
        emit siPortState(m_strPortName, false);
        LOG_DEBUG() << "Port Open Falied:" + m_strPortName;
        return;
    }
    if (IsOpen())
        emit siPortState(m_strPortName, true);

    m_objRecvBuff.clear();
    m_SendContextBuffer.clear();
    m_lstHeldRqsts.clear();
    m_bRqstsHeldBack = false;

    delete m_pProcTimer;
    m_pProcTimer = new QTimer();
    m_pProcTimer->setSingleShot(true);
    connect(m_pProcTimer, &QTimer::timeout, this, &CPortBase::slPortProc, Qt::DirectConnection);
    m_pProcTimer->start(PROC_TIMER_MSEC);
    CPortWake objWake(this);
    {
        CQueueLocker objLocker(m_objQueueLock);
        m_pWake = &objWake;
        m_bWakePosted = false;
    }

    delete m_pCycleTimer;
    m_pCycleTimer = new QTimer();
    connect(m_pCycleTimer, &QTimer::timeout, this, &CPortBase::slCycleCheckSend, Qt::DirectConnection);
    m_pCycleTimer->start(CYCLE_TIMER_MSEC);

    exec();

    ClosePort();
    SetOpenFlag(false);
    emit siPortState(m_strPortName, false);
    {
        CQueueLocker objLocker(m_objQueueLock);
        m_pWake = nullptr;
    }
    delete m_pProcTimer;
    m_pProcTimer = nullptr;
    delete m_pCycleTimer;
    m_pCycleTimer = nullptr;
    LOG_DEBUG() << "Port Thread Exit:" + m_strPortName;
}

QString CPortBase::GetPortName() const
{
    return m_strPortName;
}

unsigned short CPortBase::GetWorkMode() const
{
    return m_nWorkMode;
}

unsigned short CPortBase::NextSN()
{
    return ++m_nSN;
}

bool CPortBase::IsOpen() const
{
    return true;
}

void CPortBase::ClosePort()
{
}

void CPortBase::SetOpenFlag(bool bIsOpen)
{
    m_bOpenFlag.store(bIsOpen, std::memory_order_release);
}

bool CPortBase::GetOpenFlag() const
{
    return m_bOpenFlag.load(std::memory_order_acquire);
}

void CPortBase::RestartProcTimer(int nMsec)
{
    if (m_pProcTimer != nullptr)
        m_pProcTimer->start(nMsec);
}

void CPortBase::slPortProc()
{
    {
        CQueueLocker objLocker(m_objQueueLock);
        m_bWakePosted = false;
    }
    switch (m_nWorkMode) {
    case WORK_MODE_MASTER:
        ProcSendForMaster();
        break;
    case WORK_MODE_SLAVE:
        ProcSendForSlave();
        break;
    default:
        LOG_DEBUG() << "Error Work Mode:" << m_nWorkMode;
        break;
    }
}

void CPortBase::slCycleCheckSend()
{
    switch (m_nWorkMode) {
    case WORK_MODE_MASTER:
        CycleTimerCheckForMaster();
        break;
    case WORK_MODE_SLAVE:
        if (!m_objStaleTime.isValid() || m_objStaleTime.elapsed() > STALE_DATA_MSEC) {
            m_objStaleTime.start();
            // Bytes held back while the devices catch up are not stale.
            if (!m_objRecvBuff.isEmpty() && TakesRecvData()) {
                emit siRecvDataRaw(m_strPortName, 0, LINK_RECV_FRAME_ERR, m_objRecvBuff);
                m_objRecvBuff.clear();
            }
        }
        break;
    default:
        LOG_DEBUG() << "Error Work Mode:" << m_nWorkMode;
        break;
    }
}

void CPortBase::ProcSendForMaster()
{
    if (IsOpen() && m_SendContextBuffer.isEmpty() && HasSendSlot(1))
        SendNextRqst();
    RestartProcTimer(PROC_TIMER_MSEC);
}

bool CPortBase::HasSendSlot(int nPerPeriod)
{
    if (!m_objSendPeriod.isValid() || m_objSendPeriod.elapsed() >= PROC_TIMER_MSEC) {
        m_objSendPeriod.start();
        m_nSentInPeriod = 0;
    }
    return m_nSentInPeriod < nPerPeriod;
}

bool CPortBase::SendNextRqst()
{
    LINK_SEND_DATA_S stRqst;
    if (!PopSendData(stRqst))
        return false;
    ++m_nSentInPeriod;
    QByteArray objFrame;
    MakeFrame(stRqst, objFrame);
    if (!SendRequest(stRqst, objFrame))
        return true;
    if (stRqst.nIsNeedRsp == 0) {
        LINK_RECV_DATA_S stRecv;
        stRecv.nSN = stRqst.nSN;
        stRecv.nAddr = static_cast<quint8>(stRqst.nAddr);
        stRecv.enType = LINK_RECV_OK;
        emit siRecvData(m_strPortName, stRecv);
        return true;
    }
    SEND_CONTEXT_S stContext;
    stContext.stSendData = stRqst;
    stContext.objFrame = objFrame;
    stContext.objTime.start();
    m_SendContextBuffer.append(stContext);
    return true;
}

bool CPortBase::SendRequest(const LINK_SEND_DATA_S &stRqst, const QByteArray &objFrame)
{
    const quint16 nAddr = stRqst.nAddr & 0xFF;
    if (WriteData(objFrame)) {
        emit siRecvDataRaw(m_strPortName, nAddr, LINK_SEND_OK, objFrame);
        return true;
    }
    LINK_RECV_DATA_S stRecv;
    stRecv.nSN = stRqst.nSN;
    stRecv.nAddr = static_cast<quint8>(stRqst.nAddr);
    stRecv.enType = LINK_SEND_FAILED;
    emit siRecvData(m_strPortName, stRecv);
    emit siRecvDataRaw(m_strPortName, nAddr, LINK_SEND_FAILED, objFrame);
    return false;
}

void CPortBase::ProcSendForSlave()
{
    if (!IsOpen()) {
        RestartProcTimer(PROC_TIMER_MSEC);
        return;
    }
    LINK_SEND_DATA_S stRsp;
    while (PopSendData(stRsp)) {
        if (!TakeHeldRqst(stRsp)) {
            LOG_DEBUG() << "Reply Without Request:" + m_strPortName << stRsp.nSN << stRsp.nAddr << stRsp.nFuncCode;
            continue;
        }
        QByteArray objFrame;
        MakeFrame(stRsp, objFrame);
        const bool bWritten = WriteData(objFrame);
        emit siRecvDataRaw(m_strPortName, stRsp.nAddr & 0xFF, bWritten ? LINK_SEND_OK : LINK_SEND_FAILED, objFrame);
    }
    // Requests held back while the devices caught up.
    if (m_bRqstsHeldBack && TakesRecvData()) {
        m_bRqstsHeldBack = false;
        ProcRecvRqstForSlave();
    }
    if (TakesRecvData())
        ResumeRecv();
    RestartProcTimer(PROC_TIMER_MSEC);
}

bool CPortBase::TakesRecvData() const
{
    return m_nWorkMode != WORK_MODE_SLAVE
           || (m_nRqstsAtDevices.load(std::memory_order_relaxed) < MAX_RQSTS_AT_DEVICES
               && PendingWriteBytes() <= MAX_UNSENT_BYTES);
}

qint64 CPortBase::PendingWriteBytes() const
{
    return 0;
}

void CPortBase::ResumeRecv()
{
}

bool CPortBase::DropStreamOutOfStep()
{
    return false;
}

void CPortBase::EndStream()
{
    if (!m_objRecvBuff.isEmpty()) {
        emit siRecvDataRaw(m_strPortName, 0, LINK_RECV_FRAME_ERR, m_objRecvBuff);
        m_objRecvBuff.clear();
    }
    m_bRqstsHeldBack = false;
}

void CPortBase::BeginNewStream()
{
    EndStream();
    m_lstHeldRqsts.clear();
}

void CPortBase::HoldRqst(LINK_RECV_DATA_S &stRecv)
{
    // The link's own number: a transaction identifier of the wire may come
    // again from the next connection while the devices still answer this one.
    const quint16 nTransId = stRecv.nSN;
    if (IsTcpTransMode(GetTransMode()))
        stRecv.nSN = NextSN();
    if (m_lstHeldRqsts.size() >= MAX_HELD_RQSTS)
        m_lstHeldRqsts.removeFirst();
    m_lstHeldRqsts.append({stRecv.nSN, nTransId});
}

bool CPortBase::TakeHeldRqst(LINK_SEND_DATA_S &stRsp)
{
    for (int i = 0; i < m_lstHeldRqsts.size(); ++i) {
        if (m_lstHeldRqsts.at(i).nSN != stRsp.nSN)
            continue;
        stRsp.nSN = m_lstHeldRqsts.takeAt(i).nTransId;
        return true;
    }
    return false;
}

bool CPortBase::ProcContextTimeout(SEND_CONTEXT_S &stContext)
{
    const quint16 nAddr = stContext.stSendData.nAddr & 0xFF;
    emit siRecvDataRaw(m_strPortName, nAddr, LINK_RECV_TIMEOUT, stContext.objFrame);
    if (stContext.stSendData.nResendCount == 0) {
        LINK_RECV_DATA_S stRecv;
        stRecv.nSN = stContext.stSendData.nSN;
        stRecv.nAddr = static_cast<quint8>(stContext.stSendData.nAddr);
        stRecv.enType = LINK_RECV_TIMEOUT;
        emit siRecvData(m_strPortName, stRecv);
        return false;
    }
    --stContext.stSendData.nResendCount;
    stContext.objTime.start();
    return SendRequest(stContext.stSendData, stContext.objFrame);
}

void CPortBase::CycleTimerCheckForMaster()
{
    if (m_SendContextBuffer.size() > 1) {
        LOG_DEBUG() << "Error: Wrong Size for SendContextBuffer:" << m_SendContextBuffer.size();
        m_SendContextBuffer.clear();
        return;
    }
    if (m_SendContextBuffer.isEmpty())
        return;
    SEND_CONTEXT_S &stContext = m_SendContextBuffer.first();
    if (stContext.objTime.elapsed() <= static_cast<qint64>(stContext.stSendData.nTimeOut))
        return;
    if (!m_objRecvBuff.isEmpty()) {
        emit siRecvDataRaw(m_strPortName, stContext.stSendData.nAddr & 0xFF, LINK_RECV_FRAME_ERR, m_objRecvBuff);
        m_objRecvBuff.clear();
    }
    if (!ProcContextTimeout(stContext))
        m_SendContextBuffer.removeFirst();
}

void CPortBase::ProcRecvBuffData()
{
    if (m_objRecvBuff.isEmpty()) {
        LOG_DEBUG() << "Error: Emputy Recv Buffer.";
        return;
    }
    switch (m_nWorkMode) {
    case WORK_MODE_MASTER:
        ProcRecvRspForMaster();
        break;
    case WORK_MODE_SLAVE:
        m_objStaleTime.start();
        ProcRecvRqstForSlave();
        break;
    default:
        LOG_DEBUG() << "Error Work Mode:" << m_nWorkMode;
        break;
    }
}

void CPortBase::ProcRecvRqstForSlave()
{
    LINK_RECV_DATA_S stRecv;
    QByteArray objRaw;
    for (;;) {
        if (!TakesRecvData()) {
            m_bRqstsHeldBack = true;
            break;
        }
        PreProcRecvRqstData(m_objRecvBuff, stRecv, objRaw);
        if (objRaw.isEmpty())
            break;
        if (stRecv.enType == LINK_RECV_OK)
            HoldRqst(stRecv);
        emit siRecvDataRaw(m_strPortName, stRecv.nAddr, stRecv.enType, objRaw);
        if (stRecv.enType == LINK_RECV_OK) {
            m_nRqstsAtDevices.fetch_add(1, std::memory_order_relaxed);
            emit siRecvData(m_strPortName, stRecv);
            QCoreApplication::postEvent(this, new CCrossEvent(TakenUpEventType()));
        }
        // Only a header can be out of step in the MBAP framing.
        if (stRecv.enType == LINK_RECV_FRAME_ERR && IsTcpTransMode(GetTransMode()) && DropStreamOutOfStep()) {
            BeginNewStream();
            break;
        }
    }
}

void CPortBase::ProcRecvRspForMaster()
{
    if (m_SendContextBuffer.isEmpty()) {
        emit siRecvDataRaw(m_strPortName, 0, LINK_RECV_FRAME_ERR, m_objRecvBuff);
        m_objRecvBuff.clear();
        return;
    }
    const LINK_SEND_DATA_S stRqst = m_SendContextBuffer.first().stSendData;
    const quint16 nAddr = stRqst.nAddr & 0xFF;
    QByteArray objOut;
    // Garbage in front of a reply is cut off first; the reply that arrived in
    // the same read must not wait for bytes that will never come.
    for (;;) {
        const int nSizeBefore = m_objRecvBuff.size();
        const LINK_PROC_ERR_EN enResult = PreProcRecvRspData(stRqst, m_objRecvBuff, objOut);
        if (enResult == LINK_ERR_GENERAL)
            return;
        if (enResult == LINK_RECV_OK)
            break;
        emit siRecvDataRaw(m_strPortName, nAddr, enResult, objOut);
        if (m_objRecvBuff.isEmpty() || m_objRecvBuff.size() >= nSizeBefore)
            return;
    }

    SEND_CONTEXT_S stContext = m_SendContextBuffer.takeFirst();
    LINK_RECV_DATA_S stRecv;
    stRecv.nSN = stRqst.nSN;
    stRecv.nAddr = static_cast<quint8>(stRqst.nAddr);
    stRecv.nRspTime = static_cast<quint32>(stContext.objTime.elapsed());
    if (!CheckFrame(objOut)) {
        stRecv.enType = LINK_RECV_CHECK_ERR;
    } else {
        stRecv.enType = LINK_RECV_OK;
        stRecv.nFuncCode = static_cast<quint8>(objOut.at(1));
        stRecv.objData = objOut.mid(2, objOut.size() - 2 - ChecksumSize(GetTransMode()));
    }
    emit siRecvData(m_strPortName, stRecv);
    emit siRecvDataRaw(m_strPortName, nAddr, stRecv.enType, m_objRecvBuff);
    m_objRecvBuff.clear();
    PauseAfterReply(stRqst);
}

void CPortBase::PauseAfterReply(const LINK_SEND_DATA_S &stRqst)
{
    QThread::msleep(qMax(stRqst.nIntervalTime, MIN_PAUSE_MSEC));
}

bool CPortBase::LaunchPort()
{
    if (isRunning())
        StopPort();
    SyncWithFinishedThread();
    start(QThread::InheritPriority);
    LOG_DEBUG() << "LaunchPort:" + m_strPortName;
    return true;
}

bool CPortBase::StopPort()
{
    exit(0);
    wait();
    SyncWithFinishedThread();
    LOG_DEBUG() << "StopPort:" + m_strPortName;
    return true;
}

void CPortBase::SyncWithFinishedThread()
{
    (void)m_nRunsEnded.load(std::memory_order_acquire);
}

void CPortBase::PushSendData(const LINK_SEND_DATA_S &stData, bool bFront)
{
    CQueueLocker objLocker(m_objQueueLock);
    if (bFront)
        m_lstSendQueue.prepend(stData);
    else
        m_lstSendQueue.append(stData);
    // A processing step at once rather than at the next tick: a slave's reply
    // leaves as soon as it is ready, an idle master's request too. One wake
    // at a time is enough, the step takes the whole queue.
    if (m_pWake != nullptr && !m_bWakePosted) {
        m_bWakePosted = true;
        QCoreApplication::postEvent(m_pWake, new CCrossEvent(WakeEventType()));
    }
}

bool CPortBase::PopSendData(LINK_SEND_DATA_S &stData)
{
    CQueueLocker objLocker(m_objQueueLock);
    if (m_lstSendQueue.isEmpty())
        return false;
    stData = m_lstSendQueue.takeFirst();
    return true;
}
