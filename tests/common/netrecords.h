#ifndef NETRECORDS_H
#define NETRECORDS_H

// Network link records and a UDP link on a loopback address of its own.

#include <QHostAddress>

#include "cnetparamgr.h"
#include "cport_udp.h"

inline NET_PARA_DATA_S NetPara(const QString &strName, quint16 nLinkMode, quint16 nTransMode, int nPort,
                               const QString &strDesIP = QStringLiteral("127.0.0.1"), quint16 nMaxAsynNum = 15)
{
    NET_PARA_DATA_S stPara;
    stPara.strNetName = strName;
    stPara.strDesIP = strDesIP;
    stPara.nLinkMode = nLinkMode;
    stPara.nTransMode = nTransMode;
    stPara.nPortID = static_cast<quint16>(nPort);
    stPara.nMaxAsynNum = nMaxAsynNum;
    return stPara;
}

// A UDP link bound to one loopback address, so two of them share a port number
// on this machine.
class CLoopbackUdp : public CPortNetUDPUnicast
{
public:
    CLoopbackUdp(const QString &strName, short nWorkMode, const QString &strBindAddr)
        : CPortNetUDPUnicast(strName, nWorkMode), m_objBindAddr(strBindAddr)
    {
    }
    ~CLoopbackUdp() override
    {
        if (isRunning())
            StopPort();
    }

protected:
    QHostAddress GetBindAddress() const override { return m_objBindAddr; }

private:
    QHostAddress m_objBindAddr;
};

#endif // NETRECORDS_H
