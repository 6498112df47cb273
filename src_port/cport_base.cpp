#include "cport_base.h"

#include <QTimer>
#include <array>

#include "applog.h"

// The queue lock is a QMutex whose contended path runs inside the Qt library,
// which ThreadSanitizer does not see; the annotations give it the ordering the
// mutex really provides, so a sanitizer build reports only true races.
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

class CQueueLocker
{
public:
    explicit CQueueLocker(QMutex &objMutex) : m_objMutex(objMutex)
    {
        m_objMutex.lock();
#ifdef KESTRIX_TSAN_ANNOTATE
        __tsan_acquire(&m_objMutex);
#endif
    }
    ~CQueueLocker()
    {
#ifdef KESTRIX_TSAN_ANNOTATE
        __tsan_release(&m_objMutex);
#endif
        m_objMutex.unlock();
    }
    CQueueLocker(const CQueueLocker &) = delete;
    CQueueLocker &operator=(const CQueueLocker &) = delete;

private:
    QMutex &m_objMutex;
};

constexpr int PROC_TIMER_MSEC = 10;
constexpr int CYCLE_TIMER_MSEC = 100;
constexpr qint64 STALE_DATA_MSEC = 2000;
constexpr quint32 MIN_PAUSE_MSEC = 10;
constexpr quint16 RSP_LEN_UNKNOWN = 0xFFFF;
// The longest ASCII frame: ':', the text of the address, a PDU of the longest
// known reply length and the LRC, then CR LF (requests are shorter). A text
// that runs on past it without an end of line is noise; waiting for its end
// would let a peer grow the receive buffer without limit.
constexpr int MAX_ASCII_FRAME_SIZE = 1 + 2 * (1 + (RSP_LEN_UNKNOWN - 1) + 1) + 2;

// Byte-wise lookup of the reflected polynomial, split into the high-byte and
// low-byte tables of the usual Modbus formulation.
struct CrcTables
{
    std::array<unsigned char, 256> arrHi{};
    std::array<unsigned char, 256> arrLo{};
};

constexpr CrcTables MakeCrcTables()
{
    CrcTables stTables;
    for (unsigned int i = 0; i < 256; ++i) {
        unsigned int nCrc = i;
        for (int nBit = 0; nBit < 8; ++nBit)
            nCrc = (nCrc & 1U) ? ((nCrc >> 1) ^ 0xA001U) : (nCrc >> 1);
        stTables.arrHi[i] = static_cast<unsigned char>(nCrc >> 8);
        stTables.arrLo[i] = static_cast<unsigned char>(nCrc & 0xFFU);
    }
    return stTables;
}

constexpr CrcTables CRC_TABLES = MakeCrcTables();

quint16 CalcCRC16Table(const char *pData, int nLength)
{
    unsigned char nHi = 0xFF;
    unsigned char nLo = 0xFF;
    for (int i = 0; i < nLength; ++i) {
        const unsigned char nIndex = nLo ^ static_cast<unsigned char>(pData[i]);
        nLo = nHi ^ CRC_TABLES.arrLo[nIndex];
        nHi = CRC_TABLES.arrHi[nIndex];
    }
    return static_cast<quint16>((nHi << 8) | nLo);
}

int HexDigitValue(char cDigit)
{
    if (cDigit >= '0' && cDigit <= '9')
        return cDigit - '0';
    if (cDigit >= 'A' && cDigit <= 'F')
        return cDigit - 'A' + 10;
    if (cDigit >= 'a' && cDigit <= 'f')
        return cDigit - 'a' + 10;
    return -1;
}

// Strict decoding: every character must be a hex digit and their number even.
bool DecodeHexText(const char *pText, int nLength, QByteArray &objOut)
{
    objOut.clear();
    if (nLength % 2 != 0)
        return false;
    objOut.resize(nLength / 2);
    for (int i = 0; i < nLength; i += 2) {
        const int nHigh = HexDigitValue(pText[i]);
        const int nLow = HexDigitValue(pText[i + 1]);
        if (nHigh < 0 || nLow < 0) {
            objOut.clear();
            return false;
        }
        objOut[i / 2] = static_cast<char>((nHigh << 4) | nLow);
    }
    return true;
}

void AppendHexText(const char *pData, int nLength, QByteArray &objOut)
{
    static const char HEX_DIGITS[] = "0123456789ABCDEF";
    const int nStart = objOut.size();
    objOut.resize(nStart + nLength * 2);
    char *pOut = objOut.data() + nStart;
    for (int i = 0; i < nLength; ++i) {
        const unsigned char nByte = static_cast<unsigned char>(pData[i]);
        *pOut++ = HEX_DIGITS[nByte >> 4];
        *pOut++ = HEX_DIGITS[nByte & 0x0F];
    }
}

inline quint16 ReadBE16(const QByteArray &objData, int nPos)
{
    return static_cast<quint16>((static_cast<unsigned char>(objData[nPos]) << 8)
                                | static_cast<unsigned char>(objData[nPos + 1]));
}

inline unsigned char ByteAt(const QByteArray &objData, int nPos)
{
    return static_cast<unsigned char>(objData[nPos]);
}

bool IsServedFuncCode(unsigned char nCode)
{
    return (nCode >= 0x01 && nCode <= 0x06) || nCode == 0x0F || nCode == 0x10;
}

bool IsTcpMode(unsigned short nTransMode)
{
    return nTransMode == TRANS_MODE_TCP_SYNC || nTransMode == TRANS_MODE_TCP_ASYNC;
}

// Bytes after the function code that are not data: the checksum.
int ChecksumSize(unsigned short nTransMode)
{
    switch (nTransMode) {
    case TRANS_MODE_RTU: return 2;
    case TRANS_MODE_ASCII: return 1;
    default: return 0;
    }
}

} // namespace

// ---------------------------------------------------------------- checksums

quint16 CalcCRC16(const QByteArray &objData)
{
    return CalcCRC16Table(objData.constData(), objData.size());
}

quint16 CalcCRC16(const char *pData, int nLength, quint16 nCrc)
{
    if (pData == nullptr)
        return nCrc;
    for (int i = 0; i < nLength; ++i) {
        nCrc ^= static_cast<unsigned char>(pData[i]);
        for (int nBit = 0; nBit < 8; ++nBit) {
            if (nCrc & 0x0001)
                nCrc = static_cast<quint16>((nCrc >> 1) ^ 0xA001);
            else
                nCrc = static_cast<quint16>(nCrc >> 1);
        }
    }
    return nCrc;
}

unsigned char CalcLRC(const QByteArray &objData)
{
    unsigned char nSum = 0;
    for (const char cByte : objData)
        nSum = static_cast<unsigned char>(nSum + static_cast<unsigned char>(cByte));
    return static_cast<unsigned char>(-nSum);
}

quint16 GetRspPduLen(unsigned char nRqstCode, unsigned char nRspCode, const QByteArray &objRqstData)
{
    if (objRqstData.size() < 4)
        return RSP_LEN_UNKNOWN;
    if (nRspCode == static_cast<unsigned char>(nRqstCode + 0x80))
        return 2;
    const quint32 nQuantity = ReadBE16(objRqstData, 2);
    quint32 nLen = RSP_LEN_UNKNOWN;
    switch (nRqstCode) {
    case 0x01:
    case 0x02:
        nLen = 2 + (nQuantity + 7) / 8;
        break;
    case 0x03:
    case 0x04:
        nLen = 2 + 2 * nQuantity;
        break;
    case 0x05:
    case 0x06:
    case 0x0F:
    case 0x10:
        nLen = 5;
        break;
    default:
        break;
    }
    // A register count from 0x7FFF up does not fit 16 bits: no reply of that
    // length can exist, and a wrapped length would cut a frame at a wrong place.
    if (nLen >= RSP_LEN_UNKNOWN)
        return RSP_LEN_UNKNOWN;
    return static_cast<quint16>(nLen);
}

bool IsRspFuncCode(unsigned char nRqstCode, unsigned char nRspCode)
{
    return nRspCode == nRqstCode || nRspCode == static_cast<unsigned char>(nRqstCode + 0x80);
}

// ---------------------------------------------------------------- link object

CPortBase::CPortBase(const QString &strPortName, short nWorkMode, QObject *parent)
    : QThread(parent), m_strPortName(strPortName), m_nWorkMode(static_cast<unsigned short>(nWorkMode))
{
    LOG_DEBUG() << "New Port Obj:" + m_strPortName << m_nWorkMode;
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

    delete m_pProcTimer;
    m_pProcTimer = new QTimer();
    m_pProcTimer->setSingleShot(true);
    connect(m_pProcTimer, &QTimer::timeout, this, &CPortBase::slPortProc, Qt::DirectConnection);
    m_pProcTimer->start(PROC_TIMER_MSEC);

    delete m_pCycleTimer;
    m_pCycleTimer = new QTimer();
    connect(m_pCycleTimer, &QTimer::timeout, this, &CPortBase::slCycleCheckSend, Qt::DirectConnection);
    m_pCycleTimer->start(CYCLE_TIMER_MSEC);

    exec();

    ClosePort();
    SetOpenFlag(false);
    emit siPortState(m_strPortName, false);
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
            if (!m_objRecvBuff.isEmpty()) {
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
    if (IsOpen() && m_SendContextBuffer.isEmpty())
        SendNextRqst();
    RestartProcTimer(PROC_TIMER_MSEC);
}

bool CPortBase::SendNextRqst()
{
    LINK_SEND_DATA_S stRqst;
    if (!PopSendData(stRqst))
        return false;
    QByteArray objFrame;
    MakeFrame(stRqst, objFrame);
    if (!SendRequest(stRqst, objFrame))
        return false;
    if (stRqst.nIsNeedRsp == 0) {
        LINK_RECV_DATA_S stRecv;
        stRecv.nSN = stRqst.nSN;
        stRecv.nAddr = static_cast<quint8>(stRqst.nAddr);
        stRecv.enType = LINK_RECV_OK;
        emit siRecvData(m_strPortName, stRecv);
        return false;
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
        QByteArray objFrame;
        MakeFrame(stRsp, objFrame);
        const bool bWritten = WriteData(objFrame);
        emit siRecvDataRaw(m_strPortName, stRsp.nAddr & 0xFF, bWritten ? LINK_SEND_OK : LINK_SEND_FAILED, objFrame);
    }
    RestartProcTimer(PROC_TIMER_MSEC);
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
        PreProcRecvRqstData(m_objRecvBuff, stRecv, objRaw);
        if (objRaw.isEmpty())
            break;
        emit siRecvDataRaw(m_strPortName, stRecv.nAddr, stRecv.enType, objRaw);
        if (stRecv.enType == LINK_RECV_OK)
            emit siRecvData(m_strPortName, stRecv);
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
        stRecv.nFuncCode = ByteAt(objOut, 1);
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
}

bool CPortBase::PopSendData(LINK_SEND_DATA_S &stData)
{
    CQueueLocker objLocker(m_objQueueLock);
    if (m_lstSendQueue.isEmpty())
        return false;
    stData = m_lstSendQueue.takeFirst();
    return true;
}

// ---------------------------------------------------------------- codec

void CPortBase::MakeFrame(const LINK_SEND_DATA_S &stRqst, QByteArray &objOut)
{
    const char cAddr = static_cast<char>(stRqst.nAddr & 0xFF);
    const char cFunc = static_cast<char>(stRqst.nFuncCode);
    switch (GetTransMode()) {
    case TRANS_MODE_RTU: {
        const int nStart = objOut.size();
        objOut.reserve(nStart + stRqst.objData.size() + 4);
        objOut.append(cAddr);
        objOut.append(cFunc);
        objOut.append(stRqst.objData);
        const quint16 nCrc = CalcCRC16Table(objOut.constData() + nStart, objOut.size() - nStart);
        objOut.append(static_cast<char>(nCrc & 0xFF));
        objOut.append(static_cast<char>(nCrc >> 8));
        break;
    }
    case TRANS_MODE_ASCII: {
        const int nDataSize = stRqst.objData.size();
        unsigned char nSum = static_cast<unsigned char>(cAddr) + static_cast<unsigned char>(cFunc);
        for (const char cByte : stRqst.objData)
            nSum = static_cast<unsigned char>(nSum + static_cast<unsigned char>(cByte));
        const char arrHead[2] = {cAddr, cFunc};
        const char cLrc = static_cast<char>(static_cast<unsigned char>(-nSum));
        objOut.reserve(objOut.size() + 1 + (nDataSize + 3) * 2 + 2);
        objOut.append(':');
        AppendHexText(arrHead, 2, objOut);
        AppendHexText(stRqst.objData.constData(), nDataSize, objOut);
        AppendHexText(&cLrc, 1, objOut);
        objOut.append("\r\n", 2);
        break;
    }
    case TRANS_MODE_TCP_SYNC:
    case TRANS_MODE_TCP_ASYNC: {
        const quint16 nLen = static_cast<quint16>(stRqst.objData.size() + 2);
        const char arrHead[8] = {
            static_cast<char>(stRqst.nSN >> 8), static_cast<char>(stRqst.nSN & 0xFF),
            0, 0,
            static_cast<char>(nLen >> 8), static_cast<char>(nLen & 0xFF),
            cAddr, cFunc};
        objOut.reserve(objOut.size() + 8 + stRqst.objData.size());
        objOut.append(arrHead, 8);
        objOut.append(stRqst.objData);
        break;
    }
    default:
        break;
    }
}

bool CPortBase::CheckFrame(const QByteArray &objFrame)
{
    const int nSize = objFrame.size();
    switch (GetTransMode()) {
    case TRANS_MODE_RTU: {
        if (nSize < 4)
            return false;
        const quint16 nCrc = CalcCRC16Table(objFrame.constData(), nSize - 2);
        return ByteAt(objFrame, nSize - 2) == (nCrc & 0xFF) && ByteAt(objFrame, nSize - 1) == (nCrc >> 8);
    }
    case TRANS_MODE_ASCII: {
        if (nSize < 3)
            return false;
        unsigned char nSum = 0;
        for (int i = 0; i < nSize - 1; ++i)
            nSum = static_cast<unsigned char>(nSum + ByteAt(objFrame, i));
        return ByteAt(objFrame, nSize - 1) == static_cast<unsigned char>(-nSum);
    }
    case TRANS_MODE_TCP_SYNC:
    case TRANS_MODE_TCP_ASYNC:
        return true;
    default:
        return false;
    }
}

LINK_PROC_ERR_EN CPortBase::PreProcRecvRspData(const LINK_SEND_DATA_S &stRqst, QByteArray &objBuffer, QByteArray &objOut)
{
    objOut.clear();
    switch (GetTransMode()) {
    case TRANS_MODE_RTU:
        return PreProcRecvRspDataForRTU(stRqst, objBuffer, objOut);
    case TRANS_MODE_TCP_SYNC:
    case TRANS_MODE_TCP_ASYNC:
        return PreProcRecvRspDataForTCP(stRqst, objBuffer, objOut);
    case TRANS_MODE_ASCII:
        break;
    default:
        // No framing known: nothing in the buffer can ever become a reply.
        if (objBuffer.isEmpty())
            return LINK_ERR_GENERAL;
        objOut.swap(objBuffer);
        objBuffer.clear();
        return LINK_RECV_FRAME_ERR;
    }

    const int nColon = objBuffer.indexOf(':');
    if (nColon < 0) {
        if (objBuffer.isEmpty())
            return LINK_ERR_GENERAL;
        objOut.swap(objBuffer);
        objBuffer.clear();
        return LINK_RECV_FRAME_ERR;
    }
    if (nColon > 0) {
        objOut = objBuffer.left(nColon);
        objBuffer.remove(0, nColon);
        return LINK_RECV_FRAME_ERR;
    }
    const int nEnd = objBuffer.indexOf("\r\n");
    if (nEnd < 0) {
        if (objBuffer.size() < MAX_ASCII_FRAME_SIZE)
            return LINK_ERR_GENERAL;
        objOut.swap(objBuffer);
        objBuffer.clear();
        return LINK_RECV_FRAME_ERR;
    }
    const int nTextLen = nEnd - 1;
    if (DecodeHexText(objBuffer.constData() + 1, nTextLen, objOut) && objOut.size() >= 3)
        return LINK_RECV_OK;
    // An empty text still consumed bytes; report them rather than nothing.
    objOut = (nTextLen > 0) ? objBuffer.mid(1, nTextLen) : objBuffer.left(nEnd + 2);
    objBuffer.remove(0, nEnd + 2);
    return LINK_RECV_FRAME_ERR;
}

LINK_PROC_ERR_EN CPortBase::PreProcRecvRspDataForRTU(const LINK_SEND_DATA_S &stRqst, QByteArray &objBuffer, QByteArray &objOut)
{
    objOut.clear();
    const int nSize = objBuffer.size();
    if (nSize < 4)
        return LINK_ERR_GENERAL;
    const unsigned char nAddr = static_cast<unsigned char>(stRqst.nAddr & 0xFF);
    const unsigned char *pData = reinterpret_cast<const unsigned char *>(objBuffer.constData());
    int nFound = -1;
    for (int i = 0; i < nSize - 3; ++i) {
        if (pData[i] == nAddr && IsRspFuncCode(stRqst.nFuncCode, pData[i + 1])) {
            nFound = i;
            break;
        }
    }
    if (nFound > 0) {
        objOut = objBuffer.left(nFound);
        objBuffer.remove(0, nFound);
        return LINK_RECV_FRAME_ERR;
    }
    const quint16 nPduLen = GetRspPduLen(stRqst.nFuncCode, pData[1], stRqst.objData);
    if (nPduLen == RSP_LEN_UNKNOWN) {
        LOG_DEBUG() << "ERROR: wrong rqst frame:" << stRqst.nAddr << stRqst.nFuncCode << m_strPortName;
        objOut.swap(objBuffer);
        objBuffer.clear();
        return LINK_RECV_FRAME_ERR;
    }
    const int nFrameLen = nPduLen + 3;
    if (nSize < nFrameLen)
        return LINK_ERR_GENERAL;
    objOut = objBuffer.left(nFrameLen);
    return LINK_RECV_OK;
}

LINK_PROC_ERR_EN CPortBase::PreProcRecvRspDataForTCP(const LINK_SEND_DATA_S &stRqst, QByteArray &objBuffer, QByteArray &objOut)
{
    objOut.clear();
    if (objBuffer.size() < 8)
        return LINK_ERR_GENERAL;
    const int nLen = ReadBE16(objBuffer, 4);
    if (objBuffer.size() < nLen + 6)
        return LINK_ERR_GENERAL;
    LINK_PROC_ERR_EN enResult = LINK_RECV_OK;
    if (ReadBE16(objBuffer, 0) != stRqst.nSN)
        enResult = LINK_RECV_SN_ERR;
    else if (ReadBE16(objBuffer, 2) != 0)
        enResult = LINK_RECV_TYPE_ERR;
    else if (nLen < 2)
        enResult = LINK_RECV_FRAME_ERR; // no room for unit identifier and function code
    if (enResult != LINK_RECV_OK) {
        objOut = objBuffer.left(nLen + 6);
        objBuffer.remove(0, nLen + 6);
        return enResult;
    }
    objOut = objBuffer.mid(6, nLen);
    return LINK_RECV_OK;
}

void CPortBase::PreProcRecvRqstData(QByteArray &objBuffer, LINK_RECV_DATA_S &stRecv, QByteArray &objRaw)
{
    stRecv = LINK_RECV_DATA_S();
    objRaw.clear();
    QByteArray objFrame;
    quint16 nTransId = 0;
    quint16 nProtoId = 0;
    const unsigned short nTransMode = GetTransMode();

    switch (nTransMode) {
    case TRANS_MODE_RTU: {
        const int nSize = objBuffer.size();
        if (nSize < 4)
            return;
        const unsigned char *pData = reinterpret_cast<const unsigned char *>(objBuffer.constData());
        int nFound = -1;
        for (int i = 1; i < nSize - 2; ++i) {
            if (IsServedFuncCode(pData[i])) {
                nFound = i;
                break;
            }
        }
        if (nFound < 0) {
            objRaw.swap(objBuffer);
            objBuffer.clear();
        } else if (nFound >= 2) {
            objRaw = objBuffer.left(nFound - 1);
            objBuffer.remove(0, nFound - 1);
        } else {
            int nLen = 8;
            if (pData[1] == 0x0F || pData[1] == 0x10) {
                if (nSize < 10)
                    return;
                nLen = pData[6] + 9;
            }
            if (nSize < nLen)
                return;
            objFrame = objBuffer.left(nLen);
            objRaw = objFrame;
            objBuffer.remove(0, nLen);
        }
        break;
    }
    case TRANS_MODE_ASCII: {
        const int nColon = objBuffer.indexOf(':');
        if (nColon < 0) {
            if (objBuffer.isEmpty())
                return;
            objRaw.swap(objBuffer);
            objBuffer.clear();
        } else if (nColon > 0) {
            objRaw = objBuffer.left(nColon);
            objBuffer.remove(0, nColon);
        } else {
            const int nEnd = objBuffer.indexOf("\r\n");
            if (nEnd < 0) {
                if (objBuffer.size() < MAX_ASCII_FRAME_SIZE)
                    return;
                objRaw.swap(objBuffer);
                objBuffer.clear();
                break;
            }
            const int nTextLen = nEnd - 1;
            // An empty text is reported with its delimiters: the bytes were
            // consumed and the caller stops cutting at an empty result.
            objRaw = (nTextLen > 0) ? objBuffer.mid(1, nTextLen) : objBuffer.left(nEnd + 2);
            if (!DecodeHexText(objBuffer.constData() + 1, nTextLen, objFrame) || objFrame.size() < 3)
                objFrame.clear();
            objBuffer.remove(0, nEnd + 2);
        }
        break;
    }
    case TRANS_MODE_TCP_SYNC:
    case TRANS_MODE_TCP_ASYNC: {
        if (objBuffer.size() < 8)
            return;
        nTransId = ReadBE16(objBuffer, 0);
        nProtoId = ReadBE16(objBuffer, 2);
        const int nLen = ReadBE16(objBuffer, 4);
        if (objBuffer.size() < nLen + 6)
            return;
        objRaw = objBuffer.left(nLen + 6);
        objFrame = objBuffer.mid(6, nLen);
        objBuffer.remove(0, nLen + 6);
        break;
    }
    default:
        if (objBuffer.isEmpty())
            return;
        objRaw.swap(objBuffer);
        objBuffer.clear();
        break;
    }

    if (objRaw.isEmpty())
        return;
    // A frame too short for address and function code is a frame error; only
    // the TCP header lets such a frame through.
    if (objFrame.size() < 2) {
        stRecv.nAddr = 0;
        stRecv.enType = LINK_RECV_FRAME_ERR;
        return;
    }
    stRecv.nAddr = ByteAt(objFrame, 0);
    if (!CheckFrame(objFrame)) {
        stRecv.enType = LINK_RECV_CHECK_ERR;
    } else if (IsTcpMode(nTransMode) && nProtoId != 0) {
        stRecv.enType = LINK_RECV_TYPE_ERR;
    } else {
        stRecv.nSN = IsTcpMode(nTransMode) ? nTransId : NextSN();
        stRecv.nFuncCode = ByteAt(objFrame, 1);
        stRecv.enType = LINK_RECV_OK;
        stRecv.objData = objFrame.mid(2, objFrame.size() - 2 - ChecksumSize(nTransMode));
    }
}
