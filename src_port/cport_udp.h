#ifndef CPORT_UDP_H
#define CPORT_UDP_H

// UDP unicast link: one port number for both ends. Bound on every IPv4
// address so remote devices are reachable; only datagrams from the peer's
// address and that same port are taken.

#include <QHostAddress>

#include "cport_net.h"

class QUdpSocket;

class CPortNetUDPUnicast : public CPortNet
{
    Q_OBJECT

public:
    CPortNetUDPUnicast(const QString &strPortName, short nWorkMode, QObject *parent = nullptr);
    ~CPortNetUDPUnicast() override;

    bool IsOpen() const override;

protected:
    bool OpenPort() override;
    void ClosePort() override;
    bool WriteData(const QByteArray &objFrame) override;
    void ResumeRecv() override;
    // Local address to bind. Two links of this kind on one machine cannot
    // both bind every address on the same port, so a test puts one of them on
    // its own loopback address.
    virtual QHostAddress GetBindAddress() const;

protected slots:
    void slRecvBuffData();

private:
    QUdpSocket *m_pUdpSocket = nullptr; // worker thread only
    QHostAddress m_objPeerAddr;         // parsed peer address; worker thread only
};

#endif // CPORT_UDP_H
