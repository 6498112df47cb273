#ifndef CPORT_TCP_C_H
#define CPORT_TCP_C_H

// TCP client link: connects to the configured server. It is open only while
// connected, and its thread ends when the server drops the connection.

#include "cport_net.h"

class QTcpSocket;

class CPortNetTCPClient : public CPortNet
{
    Q_OBJECT

public:
    CPortNetTCPClient(const QString &strPortName, short nWorkMode, QObject *parent = nullptr);
    ~CPortNetTCPClient() override;

    bool IsOpen() const override;

protected:
    bool OpenPort() override;
    void ClosePort() override;
    bool WriteData(const QByteArray &objFrame) override;
    void ResumeRecv() override;

protected slots:
    void slConnected();
    void slDisconnected();
    void slRecvBuffData();

private:
    QTcpSocket *m_pTcpSocket = nullptr; // worker thread only
};

#endif // CPORT_TCP_C_H
