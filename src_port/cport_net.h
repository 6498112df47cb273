#ifndef CPORT_NET_H
#define CPORT_NET_H

// Common base of the network links. In the asynchronous MODBUS-TCP mode a
// master keeps up to MaxAsynNum requests outstanding and matches replies by
// transaction identifier; in every other mode it behaves as any link.

#include <QMutex>
#include <atomic>

#include "cport_base.h"
#include "portparadefine.h"

class QHostAddress;

// Whether a peer's address is the configured one, compared as addresses (an
// IPv4-mapped IPv6 address is its IPv4 address). Text that is no address
// names nobody.
bool IsPeerAddress(const QHostAddress &objPeer, const QString &strConfigured);

class CPortNet : public CPortBase
{
    Q_OBJECT

public:
    CPortNet(const QString &strPortName, short nWorkMode, QObject *parent = nullptr);

    unsigned short GetTransMode() const override;
    unsigned short GetMaxAsynNum() const;
    // The parameters taken at construction and again at each OpenPort; any
    // thread.
    NET_PARA_DATA_S GetNetParaCopy() const;

protected:
    void ProcSendForMaster() override;
    void CycleTimerCheckForMaster() override;
    void ProcRecvRspForMaster() override;

    // Taken from the link's network parameters when the medium is opened
    // (worker thread); read from any thread.
    void SetNetModes(unsigned short nTransMode, unsigned short nMaxAsynNum);
    // Takes the link's current parameters from the network parameter store;
    // called by the constructor and by OpenPort of every network link.
    void TakeNetPara();

    // The copy taken by TakeNetPara. Written only by the worker thread, which
    // may read it without the lock; other threads use GetNetParaCopy().
    NET_PARA_DATA_S m_stNetPara;

private:
    bool IsAsyncMaster() const;
    int FindContext(quint16 nSN) const; // index of the context sent with nSN, or -1
    // Whether the bytes can still become the reply to an outstanding request.
    bool IsAwaitedReplyStart(const QByteArray &objBytes) const;

    mutable QMutex m_objParaLock;

    std::atomic<unsigned short> m_nTransMode{TRANS_MODE_TCP_SYNC};
    std::atomic<unsigned short> m_nMaxAsynNum{15};
};

#endif // CPORT_NET_H
