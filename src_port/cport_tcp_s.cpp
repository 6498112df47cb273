#include "cport_tcp_s.h"

#include <QTcpServer>
#include <QTcpSocket>

#include "applog.h"

CPortNetTCPServer::CPortNetTCPServer(const QString &strPortName, short nWorkMode, QObject *parent)
    : CPortNet(strPortName, nWorkMode, parent)
{
}

CPortNetTCPServer::~CPortNetTCPServer()
{
    if (isRunning())
        StopPort();
}

bool CPortNetTCPServer::IsOpen() const
{
    return GetOpenFlag();
}

bool CPortNetTCPServer::OpenPort()
{
    ClosePort();
    TakeNetPara();
    m_pTcpServer = new QTcpServer();
    if (!m_pTcpServer->listen(QHostAddress::Any, m_stNetPara.nPortID)) {
        LOG_DEBUG() << "Server Listen Error:" + m_strPortName << m_pTcpServer->errorString();
        ClosePort();
        return false;
    }
    connect(m_pTcpServer, &QTcpServer::newConnection, this, &CPortNetTCPServer::slReadTCPLink,
            Qt::DirectConnection);
    SetOpenFlag(true);
    LOG_DEBUG() << "Server Start:" + m_strPortName << m_stNetPara.nPortID;
    return true;
}

void CPortNetTCPServer::slReadTCPLink()
{
    if (m_pTcpServer == nullptr)
        return;
    while (QTcpSocket *pSocket = m_pTcpServer->nextPendingConnection()) {
        const QString strPeer = pSocket->peerAddress().toString();
        const bool bAnyPeer = m_stNetPara.strDesIP.trimmed().isEmpty();
        if (!bAnyPeer && !IsPeerAddress(pSocket->peerAddress(), m_stNetPara.strDesIP)) {
            // Never read or answered; closed at once so the client learns it
            // and no socket piles up for the server's lifetime.
            pSocket->disconnectFromHost();
            pSocket->deleteLater();
            continue;
        }
        CloseTCPLink();
        BeginNewStream();
        m_pServerLink = pSocket;
        m_pServerLink->setReadBufferSize(MEDIUM_READ_BUFFER);
        connect(m_pServerLink, &QTcpSocket::disconnected, this, &CPortNetTCPServer::slClientLinkBreak,
                Qt::DirectConnection);
        connect(m_pServerLink, &QTcpSocket::readyRead, this, &CPortNetTCPServer::slRecvBuffData,
                Qt::DirectConnection);
        LOG_DEBUG() << "New Server Link:" + m_strPortName << strPeer;
    }
}

void CPortNetTCPServer::slClientLinkBreak()
{
    if (m_pServerLink == nullptr)
        return;
    LOG_DEBUG() << "Server Link Break:" + m_strPortName << m_pServerLink->peerAddress().toString();
    // What the client left unread is not served: nobody takes the replies.
    // Writes fail until the next client is adopted.
    disconnect(m_pServerLink, nullptr, this, nullptr);
    m_pServerLink->deleteLater();
    m_pServerLink = nullptr;
    EndStream();
}

void CPortNetTCPServer::CloseTCPLink()
{
    if (m_pServerLink == nullptr)
        return;
    disconnect(m_pServerLink, nullptr, this, nullptr);
    if (m_pTcpServer != nullptr && m_pTcpServer->isListening()) {
        m_pServerLink->disconnectFromHost();
        LOG_DEBUG() << "Closed Server Link:" + m_strPortName;
    }
    m_pServerLink->deleteLater();
    m_pServerLink = nullptr;
}

void CPortNetTCPServer::ClosePort()
{
    CloseTCPLink();
    SetOpenFlag(false);
    if (m_pTcpServer == nullptr)
        return;
    m_pTcpServer->close();
    m_pTcpServer->deleteLater();
    m_pTcpServer = nullptr;
    LOG_DEBUG() << "Closed Server:" + m_strPortName;
}

bool CPortNetTCPServer::WriteData(const QByteArray &objFrame)
{
    if (m_pServerLink == nullptr)
        return false;
    if (m_pServerLink->write(objFrame) < 0) {
        LOG_DEBUG() << "WriteData Error:" + m_strPortName << m_pServerLink->errorString();
        return false;
    }
    m_pServerLink->flush();
    return true;
}

qint64 CPortNetTCPServer::PendingWriteBytes() const
{
    return m_pServerLink != nullptr ? m_pServerLink->bytesToWrite() : 0;
}

void CPortNetTCPServer::ResumeRecv()
{
    slRecvBuffData();
}

bool CPortNetTCPServer::DropStreamOutOfStep()
{
    LOG_DEBUG() << "MBAP Out Of Step:" + m_strPortName;
    CloseTCPLink();
    return true;
}

void CPortNetTCPServer::slRecvBuffData()
{
    // A client waiting to be adopted goes first: it replaces this one anyway
    // and must not wait behind the backlog of one that may have left.
    if (m_pTcpServer != nullptr)
        m_pTcpServer->waitForNewConnection(0);
    if (m_pServerLink == nullptr || !TakesRecvData())
        return;
    const QByteArray objBytes = m_pServerLink->readAll();
    if (objBytes.isEmpty())
        return;
    m_objRecvBuff.append(objBytes);
    ProcRecvBuffData();
}
