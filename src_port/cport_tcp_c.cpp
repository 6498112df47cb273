#include "cport_tcp_c.h"

#include <QTcpSocket>

#include "applog.h"

CPortNetTCPClient::CPortNetTCPClient(const QString &strPortName, short nWorkMode, QObject *parent)
    : CPortNet(strPortName, nWorkMode, parent)
{
}

CPortNetTCPClient::~CPortNetTCPClient()
{
    // The socket lives in the worker thread and is gone once the thread ends.
    if (isRunning())
        StopPort();
}

bool CPortNetTCPClient::IsOpen() const
{
    return GetOpenFlag();
}

bool CPortNetTCPClient::OpenPort()
{
    ClosePort();
    TakeNetPara();
    m_pTcpSocket = new QTcpSocket();
    m_pTcpSocket->setReadBufferSize(MEDIUM_READ_BUFFER);
    connect(m_pTcpSocket, &QTcpSocket::connected, this, &CPortNetTCPClient::slConnected, Qt::DirectConnection);
    connect(m_pTcpSocket, &QTcpSocket::disconnected, this, &CPortNetTCPClient::slDisconnected,
            Qt::DirectConnection);
    connect(m_pTcpSocket, &QTcpSocket::readyRead, this, &CPortNetTCPClient::slRecvBuffData, Qt::DirectConnection);
    m_pTcpSocket->connectToHost(m_stNetPara.strDesIP, m_stNetPara.nPortID, QIODevice::ReadWrite,
                                QAbstractSocket::AnyIPProtocol);
    return true;
}

void CPortNetTCPClient::slConnected()
{
    SetOpenFlag(true);
    emit siPortState(m_strPortName, true);
    LOG_DEBUG() << "Connected with:" + m_stNetPara.strDesIP + ":" << m_stNetPara.nPortID;
}

void CPortNetTCPClient::slDisconnected()
{
    SetOpenFlag(false);
    exit(0);
    LOG_DEBUG() << "Another Disconnect with:" + m_stNetPara.strDesIP + ":" << m_stNetPara.nPortID;
}

void CPortNetTCPClient::ClosePort()
{
    SetOpenFlag(false);
    if (m_pTcpSocket == nullptr)
        return;
    // Our own close is not the peer's: it must not end the thread again.
    disconnect(m_pTcpSocket, nullptr, this, nullptr);
    if (m_pTcpSocket->state() == QAbstractSocket::ConnectedState) {
        m_pTcpSocket->disconnectFromHost();
        LOG_DEBUG() << "Disconnect with:" + m_stNetPara.strDesIP + ":" << m_stNetPara.nPortID;
    }
    delete m_pTcpSocket;
    m_pTcpSocket = nullptr;
}

bool CPortNetTCPClient::WriteData(const QByteArray &objFrame)
{
    if (m_pTcpSocket == nullptr || m_pTcpSocket->write(objFrame) < 0) {
        LOG_DEBUG() << "WriteData Error:" + m_strPortName
                    << (m_pTcpSocket != nullptr ? m_pTcpSocket->errorString() : QStringLiteral("no socket"));
        return false;
    }
    m_pTcpSocket->flush();
    return true;
}

void CPortNetTCPClient::ResumeRecv()
{
    if (m_pTcpSocket != nullptr && m_pTcpSocket->bytesAvailable() > 0)
        slRecvBuffData();
}

void CPortNetTCPClient::slRecvBuffData()
{
    if (m_pTcpSocket == nullptr || !TakesRecvData())
        return;
    m_objRecvBuff.append(m_pTcpSocket->readAll());
    if (!m_objRecvBuff.isEmpty())
        ProcRecvBuffData();
}
