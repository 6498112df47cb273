#ifndef CPORT_TCP_S_H
#define CPORT_TCP_S_H

// TCP server link: listens on every local address and talks to one client at
// a time, the latest one from the configured peer address (any address when
// none is configured). Clients from other addresses are closed at once
// without being read.

#include "cport_net.h"

class QTcpServer;
class QTcpSocket;

class CPortNetTCPServer : public CPortNet
{
    Q_OBJECT

public:
    CPortNetTCPServer(const QString &strPortName, short nWorkMode, QObject *parent = nullptr);
    ~CPortNetTCPServer() override;

    bool IsOpen() const override;

protected:
    bool OpenPort() override;
    void ClosePort() override;
    bool WriteData(const QByteArray &objFrame) override;
    qint64 PendingWriteBytes() const override;
    void ResumeRecv() override;
    bool DropStreamOutOfStep() override;
    // Drops the adopted client, if any.
    void CloseTCPLink();

protected slots:
    void slReadTCPLink();
    void slClientLinkBreak();
    void slRecvBuffData();

private:
    QTcpServer *m_pTcpServer = nullptr;  // worker thread only
    QTcpSocket *m_pServerLink = nullptr; // the adopted client; worker thread only
};

#endif // CPORT_TCP_S_H
