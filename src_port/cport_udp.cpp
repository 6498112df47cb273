#include "cport_udp.h"

#include <QNetworkDatagram>
#include <QUdpSocket>

#include "applog.h"

CPortNetUDPUnicast::CPortNetUDPUnicast(const QString &strPortName, short nWorkMode, QObject *parent)
    : CPortNet(strPortName, nWorkMode, parent)
{
}

CPortNetUDPUnicast::~CPortNetUDPUnicast()
{
    if (isRunning())
        StopPort();
}

bool CPortNetUDPUnicast::IsOpen() const
{
    return GetOpenFlag();
}

QHostAddress CPortNetUDPUnicast::GetBindAddress() const
{
    return QHostAddress(QHostAddress::AnyIPv4);
}

bool CPortNetUDPUnicast::OpenPort()
{
    ClosePort();
    TakeNetPara();
    m_objPeerAddr = QHostAddress(m_stNetPara.strDesIP);
    m_pUdpSocket = new QUdpSocket();
    // Shared, so a peer on another loopback address of this machine can use
    // the same port number.
    if (!m_pUdpSocket->bind(GetBindAddress(), m_stNetPara.nPortID,
                            QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
        LOG_DEBUG() << m_strPortName << ":" << m_stNetPara.nPortID << ":" << m_pUdpSocket->errorString();
        ClosePort();
        return false;
    }
    connect(m_pUdpSocket, &QUdpSocket::readyRead, this, &CPortNetUDPUnicast::slRecvBuffData, Qt::DirectConnection);
    SetOpenFlag(true);
    LOG_DEBUG() << "Start UDP:" + m_strPortName;
    return true;
}

bool CPortNetUDPUnicast::WriteData(const QByteArray &objFrame)
{
    if (m_pUdpSocket == nullptr)
        return false;
    if (m_pUdpSocket->writeDatagram(objFrame, m_objPeerAddr, m_stNetPara.nPortID) < 0) {
        LOG_DEBUG() << "WriteData Error:" + m_strPortName << m_stNetPara.strDesIP << m_stNetPara.nPortID
                    << m_pUdpSocket->errorString();
        return false;
    }
    return true;
}

void CPortNetUDPUnicast::slRecvBuffData()
{
    // One datagram per notification; the socket notifies again while more
    // are pending.
    if (m_pUdpSocket == nullptr || !m_pUdpSocket->hasPendingDatagrams() || !TakesRecvData())
        return;
    const QNetworkDatagram objDatagram = m_pUdpSocket->receiveDatagram();
    if (!objDatagram.isValid() || !IsPeerAddress(objDatagram.senderAddress(), m_stNetPara.strDesIP)
        || objDatagram.senderPort() != static_cast<int>(m_stNetPara.nPortID))
        return;
    m_objRecvBuff.append(objDatagram.data());
    ProcRecvBuffData();
    // A datagram carries one frame: what is left of it can never be completed
    // by the next one.
    if (!m_objRecvBuff.isEmpty()) {
        emit siRecvDataRaw(m_strPortName, 0, LINK_RECV_FRAME_ERR, m_objRecvBuff);
        m_objRecvBuff.clear();
    }
}

void CPortNetUDPUnicast::ResumeRecv()
{
    while (m_pUdpSocket != nullptr && m_pUdpSocket->hasPendingDatagrams() && TakesRecvData())
        slRecvBuffData();
}

void CPortNetUDPUnicast::ClosePort()
{
    SetOpenFlag(false);
    if (m_pUdpSocket == nullptr)
        return;
    m_pUdpSocket->close();
    m_pUdpSocket->deleteLater();
    m_pUdpSocket = nullptr;
    LOG_DEBUG() << "Close UDP:" + m_strPortName;
}
