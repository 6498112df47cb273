#ifndef CPORT_NET_H
#define CPORT_NET_H

// Common base of the network links. In the asynchronous MODBUS-TCP mode a
// master keeps up to MaxAsynNum requests outstanding and matches replies by
// transaction identifier; in every other mode it behaves as any link.

#include <atomic>

#include "cport_base.h"

class CPortNet : public CPortBase
{
    Q_OBJECT

public:
    CPortNet(const QString &strPortName, short nWorkMode, QObject *parent = nullptr);

    unsigned short GetTransMode() const override;
    unsigned short GetMaxAsynNum() const;

protected:
    void ProcSendForMaster() override;
    void CycleTimerCheckForMaster() override;
    void ProcRecvRspForMaster() override;

    // Taken from the link's network parameters when the medium is opened
    // (worker thread); read from any thread.
    void SetNetModes(unsigned short nTransMode, unsigned short nMaxAsynNum);

private:
    bool IsAsyncMaster() const;

    std::atomic<unsigned short> m_nTransMode{TRANS_MODE_TCP_SYNC};
    std::atomic<unsigned short> m_nMaxAsynNum{15};
};

#endif // CPORT_NET_H
