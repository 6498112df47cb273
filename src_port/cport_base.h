#ifndef CPORT_BASE_H
#define CPORT_BASE_H

// Base of every link: a worker thread with its own event loop that frames
// queued requests or replies, sends them over the medium supplied by a
// subclass, cuts received bytes into frames and reports every frame and every
// outcome through signals.

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QString>
#include <QThread>
#include <atomic>

#include "linkdefine.h"

class QTimer;
class CPortWake;

// One request that was sent and waits for its reply.
struct SEND_CONTEXT_S
{
    LINK_SEND_DATA_S stSendData; // as sent; its resends-left field counts down
    QByteArray objFrame;         // encoded frame, resent unchanged
    QElapsedTimer objTime;       // since the last sending
};

// MBAP header; a Modbus TCP ADU is at most 260 bytes, so the length field
// counts at most 254, and at least the unit identifier and the function code.
constexpr int MBAP_HEADER_SIZE = 6;
constexpr int MBAP_MIN_LEN = 2;
constexpr int MBAP_MAX_LEN = 254;

// Modbus CRC-16 (0xFFFF, reflected 0xA001); table form for the data path.
quint16 CalcCRC16(const QByteArray &objData);
// Same value computed bit by bit, for the tools; nCrc carries on a CRC of
// earlier bytes, so a long stream can be checked block by block.
quint16 CalcCRC16(const char *pData, int nLength, quint16 nCrc = 0xFFFF);
// Two's complement of the 8-bit sum of all bytes.
unsigned char CalcLRC(const QByteArray &objData);
// Length of the reply PDU including its function code; 0xFFFF when the
// request cannot be answered with a known length.
quint16 GetRspPduLen(unsigned char nRqstCode, unsigned char nRspCode, const QByteArray &objRqstData);
// The reply code answers the request code (normal or exception reply).
bool IsRspFuncCode(unsigned char nRqstCode, unsigned char nRspCode);
// The transmission modes with an MBAP header.
bool IsTcpTransMode(unsigned short nTransMode);
// Bytes of a frame after its data in a transmission mode: the checksum.
int ChecksumSize(unsigned short nTransMode);

class CPortBase : public QThread
{
    Q_OBJECT
    friend class CPortWake;

public:
    CPortBase(const QString &strPortName, short nWorkMode, QObject *parent = nullptr);
    ~CPortBase() override;

protected:
    void run() override;
    // Slave links: the devices of this thread have taken up a request record.
    bool event(QEvent *pEvent) override;

public:
    virtual QString GetPortName() const;
    virtual unsigned short GetWorkMode() const;
    virtual unsigned short GetTransMode() const = 0;
    virtual unsigned short NextSN();
    // Read from the GUI thread: subclasses answer from state that is safe to
    // read across threads (see SetOpenFlag).
    virtual bool IsOpen() const;

protected:
    virtual bool OpenPort() = 0;
    virtual void ClosePort();
    virtual void ProcSendForMaster();
    virtual void ProcSendForSlave();
    virtual bool WriteData(const QByteArray &objFrame) = 0;
    virtual void CycleTimerCheckForMaster();
    virtual void ProcRecvRspForMaster();

protected slots:
    virtual void slCycleCheckSend();
    void slPortProc();

signals:
    void siPortState(QString strPortName, bool bIsOpen);
    void siRecvDataRaw(QString strPortName, quint16 nAddr, LINK_PROC_ERR_EN enType, QByteArray objRevcData);
    void siRecvData(QString strPortName, LINK_RECV_DATA_S stData);

public:
    bool LaunchPort();
    bool StopPort();

    // Any thread.
    void PushSendData(const LINK_SEND_DATA_S &stData, bool bFront);

    // Codec (cport_codec.cpp): frames for the link's transmission mode.
    void MakeFrame(const LINK_SEND_DATA_S &stRqst, QByteArray &objOut);
    bool CheckFrame(const QByteArray &objFrame);
    // Master side: 0 wait (buffer untouched); 2 objOut holds the reply, still in
    // the buffer; 5, 7, 8 objOut holds the offending bytes, removed from it.
    LINK_PROC_ERR_EN PreProcRecvRspData(const LINK_SEND_DATA_S &stRqst, QByteArray &objBuffer, QByteArray &objOut);
    LINK_PROC_ERR_EN PreProcRecvRspDataForRTU(const LINK_SEND_DATA_S &stRqst, QByteArray &objBuffer, QByteArray &objOut);
    LINK_PROC_ERR_EN PreProcRecvRspDataForTCP(const LINK_SEND_DATA_S &stRqst, QByteArray &objBuffer, QByteArray &objOut);
    // Cuts the next frame off the front of the buffer; an empty objRaw means
    // nothing can be cut yet.
    void PreProcRecvRqstData(QByteArray &objBuffer, LINK_RECV_DATA_S &stRecv, QByteArray &objRaw);

protected:
    bool PopSendData(LINK_SEND_DATA_S &stData);
    bool SendRequest(const LINK_SEND_DATA_S &stRqst, const QByteArray &objFrame);
    // Called by a subclass after it appended newly read bytes to m_objRecvBuff.
    void ProcRecvBuffData();

    // Steps shared with the asynchronous variants.
    // A master sends at most nPerPeriod requests per 10 ms, whether the step
    // came from the tick or from a request being queued: that bounds the
    // records the link delivers per second.
    bool HasSendSlot(int nPerPeriod);
    // Pops, frames and sends the head of the queue, using a send slot; false
    // when the queue was empty.
    bool SendNextRqst();
    void RestartProcTimer(int nMsec);
    // Reports one expiry of a context and resends it; false when the context
    // is finished (resends used up or the resend failed) and must be removed.
    bool ProcContextTimeout(SEND_CONTEXT_S &stContext);
    // Pause after a complete reply, which paces a polling master.
    void PauseAfterReply(const LINK_SEND_DATA_S &stRqst);

    // Open state for IsOpen(): set by the subclass in the worker thread,
    // readable from any thread.
    void SetOpenFlag(bool bIsOpen);
    bool GetOpenFlag() const;

    // Slave links hold only so many requests for their devices: beyond
    // MAX_RQSTS_AT_DEVICES records not yet taken up, or MAX_UNSENT_BYTES of
    // replies the peer has not taken, the medium is not read, so the peer's
    // flow control holds it back. Masters always read.
    bool TakesRecvData() const;
    // Bytes written to the medium that it has not passed on yet.
    virtual qint64 PendingWriteBytes() const;
    // Reads what the medium holds; called when a slave link takes requests again.
    virtual void ResumeRecv();
    // A connection ended: what it left unread is a frame error.
    void EndStream();
    // Another connection begins: nothing received on the old one is cut
    // together with the new one's bytes, and replies to its requests are
    // not sent.
    void BeginNewStream();
    // An MBAP header was out of step with the byte stream; nothing after it
    // marks where the next frame begins. True when the subclass dropped the
    // stream (the peer reconnects); otherwise cutting goes on after the header.
    virtual bool DropStreamOutOfStep();

public:
    static constexpr int MAX_RQSTS_AT_DEVICES = 64;
    static constexpr qint64 MAX_UNSENT_BYTES = 64 * 1024;
    // What a medium may buffer unread before the peer is held back.
    static constexpr qint64 MEDIUM_READ_BUFFER = 64 * 1024;

private:
    // A request handed to the devices on the current stream, and the
    // transaction identifier its reply must carry.
    struct HELD_RQST_S
    {
        quint16 nSN;
        quint16 nTransId;
    };

    void ProcRecvRqstForSlave();
    // Numbers a request record and remembers it for its reply.
    void HoldRqst(LINK_RECV_DATA_S &stRecv);
    // The request a reply answers, taken off the ledger; false for a reply
    // to no request of the current stream.
    bool TakeHeldRqst(LINK_SEND_DATA_S &stRsp);
    // Orders everything the finished worker thread did before what the caller
    // does next; QThread's own wait is invisible to ThreadSanitizer.
    void SyncWithFinishedThread();

protected:
    QString m_strPortName;
    QElapsedTimer m_objStaleTime;
    quint16 m_nSN = 0;
    unsigned short m_nWorkMode = WORK_MODE_MASTER;
    QMutex m_objQueueLock;
    QList<LINK_SEND_DATA_S> m_lstSendQueue;
    QByteArray m_objRecvBuff;
    QList<SEND_CONTEXT_S> m_SendContextBuffer;
    QTimer *m_pProcTimer = nullptr;
    QTimer *m_pCycleTimer = nullptr;
    std::atomic<bool> m_bOpenFlag{false};
    std::atomic<unsigned int> m_nRunsEnded{0};

private:
    CPortWake *m_pWake = nullptr;               // while the worker runs; under the queue lock
    bool m_bWakePosted = false;                 // under the queue lock
    QElapsedTimer m_objSendPeriod;              // worker thread only
    int m_nSentInPeriod = 0;                    // worker thread only
    QList<HELD_RQST_S> m_lstHeldRqsts;          // worker thread only
    bool m_bRqstsHeldBack = false;              // bytes wait in m_objRecvBuff; worker thread only
    std::atomic<int> m_nRqstsAtDevices{0};     // records passed on, not yet taken up
};

#endif // CPORT_BASE_H
