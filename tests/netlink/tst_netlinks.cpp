// Our own network links against each other and against plain sockets, over
// real sockets on loopback: framing in every transmission mode, the TCP
// client's and server's connection handling, and the UDP peer filter.

#include <QTcpServer>
#include <QTcpSocket>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QtTest>
#include <memory>

#include "cport_tcp_c.h"
#include "cport_tcp_s.h"
#include "freeport.h"
#include "netlink/netlinkutil.h"

namespace {

constexpr int WAIT_MS = 5000;

QByteArray TcpReadRqst(quint16 nSN)
{
    // MBAP header, unit 1, read 2 holding registers from 0.
    QByteArray objFrame;
    objFrame.append(static_cast<char>(nSN >> 8)).append(static_cast<char>(nSN & 0xFF));
    objFrame.append(QByteArray::fromHex("000000060103" "00000002"));
    return objFrame;
}

// Checks that a frame carries the framing of its mode around the PDU.
bool IsFramed(const QByteArray &objFrame, unsigned short nTransMode, quint16 nSN)
{
    switch (nTransMode) {
    case TRANS_MODE_RTU:
        // The CRC over a frame with its own CRC appended is 0.
        return objFrame.size() > 4 && CalcCRC16(objFrame) == 0;
    case TRANS_MODE_ASCII:
        return objFrame.startsWith(':') && objFrame.endsWith("\r\n");
    default:
        return objFrame.size() > 8 && static_cast<quint8>(objFrame[0]) == (nSN >> 8)
            && static_cast<quint8>(objFrame[1]) == (nSN & 0xFF)
            && static_cast<quint8>(objFrame[4]) * 256 + static_cast<quint8>(objFrame[5]) == objFrame.size() - 6;
    }
}

} // namespace

class TstNetLinks : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void masterAndSlavePair_data();
    void masterAndSlavePair();
    void tcpClientEndsWhenPeerCloses();
    void tcpClientRefusedKeepsRunning();
    void tcpServerAdoptsOneClient();
    void listenAndBindFailures();
    void udpPeerFilter();
};

void TstNetLinks::initTestCase()
{
    RegisterLinkMetaTypes();
}

void TstNetLinks::init()
{
    CNetParaMgr::GetNetParaList().clear();
}

void TstNetLinks::masterAndSlavePair_data()
{
    QTest::addColumn<bool>("bUdp");
    QTest::addColumn<int>("nTransMode");
    const char *arrModes[] = {"RTU", "ASCII", "TCP sync", "TCP async"};
    for (int nMedium = 0; nMedium < 2; ++nMedium) {
        for (int nMode = TRANS_MODE_RTU; nMode <= TRANS_MODE_TCP_ASYNC; ++nMode) {
            const QByteArray objTag = QByteArray(nMedium ? "UDP " : "TCP ") + arrModes[nMode];
            QTest::newRow(objTag.constData()) << (nMedium == 1) << nMode;
        }
    }
}

// The master's requests reach the slave as records, the replies the slave
// queues come back as the master's records, and every frame one side sends is
// the frame the other side receives.
void TstNetLinks::masterAndSlavePair()
{
    QFETCH(bool, bUdp);
    QFETCH(int, nTransMode);
    const unsigned short nMode = static_cast<unsigned short>(nTransMode);
    const int nPort = PickFreePort();
    QVERIFY(nPort > 0);

    std::unique_ptr<LinkUnderTest> pSlave;
    std::unique_ptr<LinkUnderTest> pMaster;
    if (bUdp) {
        // The master binds every address as the product does; the slave sits
        // on its own loopback address with the same port.
        QVERIFY(CNetParaMgr::SetNetPara(NetPara("NET_SLAVE", LINK_MODE_UDP_UNICAST, nMode, nPort, "127.0.0.1")));
        QVERIFY(CNetParaMgr::SetNetPara(NetPara("NET_MASTER", LINK_MODE_UDP_UNICAST, nMode, nPort + 1, "127.0.0.2")));
        // Same port number on both ends, allowed only between different addresses.
        CNetParaMgr::GetNetParaList()[1].nPortID = static_cast<quint16>(nPort);
        pSlave.reset(new LinkUnderTest(new CLoopbackUdp("NET_SLAVE", WORK_MODE_SLAVE, "127.0.0.2")));
        pMaster.reset(new LinkUnderTest(new CPortNetUDPUnicast("NET_MASTER", WORK_MODE_MASTER)));
    } else {
        QVERIFY(CNetParaMgr::SetNetPara(NetPara("NET_SLAVE", LINK_MODE_TCP_SERVER, nMode, nPort, "127.0.0.1")));
        QVERIFY(CNetParaMgr::SetNetPara(NetPara("NET_MASTER", LINK_MODE_TCP_CLIENT, nMode, nPort, "127.0.0.1")));
        pSlave.reset(new LinkUnderTest(new CPortNetTCPServer("NET_SLAVE", WORK_MODE_SLAVE)));
        pMaster.reset(new LinkUnderTest(new CPortNetTCPClient("NET_MASTER", WORK_MODE_MASTER)));
    }
    QCOMPARE(pMaster->pLink->GetTransMode(), nMode);
    QVERIFY(pSlave->StartAndWaitOpen());
    QVERIFY(pMaster->StartAndWaitOpen());
    if (!bUdp)
        QTest::qWait(50); // the server adopts the client in its own thread

    CLinkRecorder &objSlaveRec = *pSlave->pRec;
    CLinkRecorder &objMasterRec = *pMaster->pRec;
    const bool bAsync = nMode == TRANS_MODE_TCP_ASYNC;
    constexpr int COUNT = 3;
    QVector<quint16> lstSN;
    auto fnValues = [](int i) { return QVector<quint16>{quint16(0x1000 + i), quint16(0xFF00 | i)}; };

    // Synchronous modes: one exchange after the other. Asynchronous: all
    // requests outstanding at once, answered in reverse order.
    for (int i = 0; i < COUNT; ++i) {
        lstSN.append(pMaster->pLink->NextSN());
        pMaster->pLink->PushSendData(ReadHolding(lstSN.last(), quint16(10 * i), 2), false);
        if (bAsync)
            continue;
        QVERIFY(objSlaveRec.WaitFor(LinkEvent::Record, LINK_RECV_OK, i + 1, WAIT_MS));
        const LINK_RECV_DATA_S stRqst = objSlaveRec.Of(LinkEvent::Record).back().stRecord;
        pSlave->pLink->PushSendData(HoldingReply(stRqst, fnValues(i)), false);
        QVERIFY(objMasterRec.WaitFor(LinkEvent::Record, LINK_RECV_OK, i + 1, WAIT_MS));
    }
    if (bAsync) {
        QVERIFY(objSlaveRec.WaitFor(LinkEvent::Record, LINK_RECV_OK, COUNT, WAIT_MS));
        const std::vector<LinkEvent> lstRqst = objSlaveRec.Of(LinkEvent::Record);
        for (int i = COUNT - 1; i >= 0; --i)
            pSlave->pLink->PushSendData(HoldingReply(lstRqst[i].stRecord, fnValues(i)), false);
        QVERIFY(objMasterRec.WaitFor(LinkEvent::Record, LINK_RECV_OK, COUNT, WAIT_MS));
    }
    QTest::qWait(50); // nothing more may come
    pMaster->pLink->StopPort();
    pSlave->pLink->StopPort();

    // The slave's records: the requests as sent.
    const std::vector<LinkEvent> lstSlaveRec = objSlaveRec.Of(LinkEvent::Record);
    QCOMPARE(lstSlaveRec.size(), size_t(COUNT));
    for (int i = 0; i < COUNT; ++i) {
        const LINK_RECV_DATA_S &stRec = lstSlaveRec[i].stRecord;
        QCOMPARE(stRec.nAddr, quint8(1));
        QCOMPARE(stRec.nFuncCode, quint8(3));
        QCOMPARE(stRec.objData, ReadHolding(0, quint16(10 * i), 2).objData);
    }
    // The master's records: each reply matched to its own request.
    const std::vector<LinkEvent> lstMasterRec = objMasterRec.Of(LinkEvent::Record);
    QCOMPARE(lstMasterRec.size(), size_t(COUNT));
    for (int n = 0; n < COUNT; ++n) {
        const LINK_RECV_DATA_S &stRec = lstMasterRec[n].stRecord;
        const int i = bAsync ? COUNT - 1 - n : n;
        QCOMPARE(stRec.nSN, lstSN[i]);
        QCOMPARE(stRec.enType, LINK_RECV_OK);
        QCOMPARE(stRec.nFuncCode, quint8(3));
        QCOMPARE(stRec.objData, HoldingReply(LINK_RECV_DATA_S(), fnValues(i)).objData);
    }

    // Raw frames in order, and what one side sent is what the other received.
    std::vector<int> lstMasterKinds;
    std::vector<int> lstSlaveKinds;
    for (int i = 0; i < COUNT; ++i) {
        if (bAsync) {
            lstMasterKinds.insert(lstMasterKinds.begin() + i, LINK_SEND_OK);
            lstMasterKinds.push_back(LINK_RECV_OK);
            lstSlaveKinds.insert(lstSlaveKinds.begin() + i, LINK_RECV_OK);
            lstSlaveKinds.push_back(LINK_SEND_OK);
        } else {
            lstMasterKinds.insert(lstMasterKinds.end(), {LINK_SEND_OK, LINK_RECV_OK});
            lstSlaveKinds.insert(lstSlaveKinds.end(), {LINK_RECV_OK, LINK_SEND_OK});
        }
    }
    QCOMPARE(RawKindsOf(objMasterRec), lstMasterKinds);
    QCOMPARE(RawKindsOf(objSlaveRec), lstSlaveKinds);
    const std::vector<QByteArray> lstRqstFrames = RawOf(objMasterRec, LINK_SEND_OK);
    std::vector<QByteArray> lstRqstSeen = RawOf(objSlaveRec, LINK_RECV_OK);
    if (nMode == TRANS_MODE_ASCII) {
        // A slave reports an ASCII request as the text between ':' and CR LF.
        for (QByteArray &objRaw : lstRqstSeen)
            objRaw = ':' + objRaw + "\r\n";
    }
    QCOMPARE(lstRqstSeen, lstRqstFrames);
    const std::vector<QByteArray> lstRspFrames = RawOf(objSlaveRec, LINK_SEND_OK);
    QCOMPARE(RawOf(objMasterRec, LINK_RECV_OK), lstRspFrames);
    for (int i = 0; i < COUNT; ++i) {
        QVERIFY2(IsFramed(lstRqstFrames[i], nMode, lstSN[i]), lstRqstFrames[i].toHex().constData());
        QVERIFY2(IsFramed(lstRspFrames[i], nMode, lstSN[bAsync ? COUNT - 1 - i : i]), lstRspFrames[i].toHex().constData());
    }
}

void TstNetLinks::tcpClientEndsWhenPeerCloses()
{
    QTcpServer objServer;
    QVERIFY(objServer.listen(QHostAddress("127.0.0.1")));
    CNetParaMgr::SetNetPara(NetPara("NET_C", LINK_MODE_TCP_CLIENT, TRANS_MODE_TCP_SYNC, objServer.serverPort()));
    CLogCapture objLog;
    LinkUnderTest objLink(new CPortNetTCPClient("NET_C", WORK_MODE_MASTER));
    objLink.pLink->LaunchPort();
    QVERIFY(objServer.waitForNewConnection(WAIT_MS));
    std::unique_ptr<QTcpSocket> pPeer(objServer.nextPendingConnection());
    QVERIFY(objLink.pRec->WaitFor(LinkEvent::State, -1, 1, WAIT_MS));
    QVERIFY(objLink.pLink->IsOpen());
    QTRY_VERIFY_WITH_TIMEOUT(objLog.Has(QStringLiteral("Connected with:127.0.0.1:\" %1").arg(objServer.serverPort())),
                             WAIT_MS);

    pPeer->disconnectFromHost();
    QVERIFY(objLink.pLink->wait(WAIT_MS));
    QVERIFY(!objLink.pLink->IsOpen());
    const std::vector<LinkEvent> lstState = objLink.pRec->Of(LinkEvent::State);
    QCOMPARE(lstState.size(), size_t(2));
    QVERIFY(lstState[0].bOpen);
    QVERIFY(!lstState[1].bOpen);
    QVERIFY(objLog.Has(QStringLiteral("Another Disconnect with:127.0.0.1:\" %1").arg(objServer.serverPort())));
    QVERIFY(objLog.Has(QStringLiteral("Port Thread Exit:NET_C")));

    // Started again, it connects again.
    objLink.pLink->LaunchPort();
    QVERIFY(objServer.waitForNewConnection(WAIT_MS));
    pPeer.reset(objServer.nextPendingConnection());
    QVERIFY(objLink.pRec->WaitFor(LinkEvent::State, -1, 3, WAIT_MS));
    QVERIFY(objLink.pLink->IsOpen());
    objLink.pLink->StopPort();
    QVERIFY(objLog.Has(QStringLiteral("Disconnect with:127.0.0.1")));
    // Our own close is not reported as the peer's.
    QVERIFY(pPeer->waitForDisconnected(WAIT_MS) || pPeer->state() == QAbstractSocket::UnconnectedState);
}

void TstNetLinks::tcpClientRefusedKeepsRunning()
{
    const int nPort = PickFreePort(); // nothing listens there
    CNetParaMgr::SetNetPara(NetPara("NET_C", LINK_MODE_TCP_CLIENT, TRANS_MODE_TCP_SYNC, nPort));
    LinkUnderTest objLink(new CPortNetTCPClient("NET_C", WORK_MODE_MASTER));
    objLink.pLink->PushSendData(ReadHolding(1, 0, 2), false);
    objLink.pLink->LaunchPort();
    QTest::qWait(400);
    QVERIFY(objLink.pLink->isRunning());
    QVERIFY(!objLink.pLink->IsOpen());
    // Nothing was sent, nothing reported, the request is not dropped.
    QVERIFY(objLink.pRec->Events().empty());
    objLink.pLink->StopPort();
    QCOMPARE(objLink.pRec->Of(LinkEvent::State).size(), size_t(1));
    QVERIFY(!objLink.pRec->Of(LinkEvent::State)[0].bOpen);
}

// One adopted client at a time: a client from another address is closed
// unread, a second client from the adopted address replaces the first.
void TstNetLinks::tcpServerAdoptsOneClient()
{
    const int nPort = PickFreePort();
    CNetParaMgr::SetNetPara(NetPara("NET_S", LINK_MODE_TCP_SERVER, TRANS_MODE_TCP_SYNC, nPort, "127.0.0.1"));
    CLogCapture objLog;
    LinkUnderTest objLink(new CPortNetTCPServer("NET_S", WORK_MODE_SLAVE));
    QVERIFY(objLink.StartAndWaitOpen());
    CLinkRecorder &objRec = *objLink.pRec;

    QTcpSocket objStranger;
    QVERIFY(objStranger.bind(QHostAddress("127.0.0.2")));
    objStranger.connectToHost(QHostAddress("127.0.0.1"), static_cast<quint16>(nPort));
    QVERIFY(objStranger.waitForConnected(WAIT_MS));
    objStranger.write(TcpReadRqst(1));
    objStranger.flush();
    QTRY_COMPARE_WITH_TIMEOUT(objStranger.state(), QAbstractSocket::UnconnectedState, WAIT_MS);
    QVERIFY(objStranger.readAll().isEmpty());

    QTcpSocket objFirst;
    objFirst.connectToHost(QHostAddress("127.0.0.1"), static_cast<quint16>(nPort));
    QVERIFY(objFirst.waitForConnected(WAIT_MS));
    objFirst.write(TcpReadRqst(2));
    QVERIFY(objFirst.waitForBytesWritten(WAIT_MS));
    QVERIFY(objRec.WaitFor(LinkEvent::Record, LINK_RECV_OK, 1, WAIT_MS));
    QVERIFY(objLog.Has(QStringLiteral("New Server Link:NET_S")));

    QTcpSocket objSecond;
    objSecond.connectToHost(QHostAddress("127.0.0.1"), static_cast<quint16>(nPort));
    QVERIFY(objSecond.waitForConnected(WAIT_MS));
    QTRY_COMPARE_WITH_TIMEOUT(objFirst.state(), QAbstractSocket::UnconnectedState, WAIT_MS);
    QVERIFY(objLog.Has(QStringLiteral("Closed Server Link:NET_S")));
    objSecond.write(TcpReadRqst(3));
    QVERIFY(objSecond.waitForBytesWritten(WAIT_MS));
    QVERIFY(objRec.WaitFor(LinkEvent::Record, LINK_RECV_OK, 2, WAIT_MS));
    const LINK_RECV_DATA_S stRqst = objRec.Of(LinkEvent::Record).back().stRecord;
    objLink.pLink->PushSendData(HoldingReply(stRqst, {0x1234, 0xABCD}), false);
    QByteArray objReply;
    while (objReply.size() < 13 && objSecond.waitForReadyRead(WAIT_MS))
        objReply.append(objSecond.readAll());
    QCOMPARE(objReply, QByteArray::fromHex("00030000000701030412" "34ABCD"));

    // Only the stranger's request never reached the link.
    QCOMPARE(RawOf(objRec, LINK_RECV_OK), (std::vector<QByteArray>{TcpReadRqst(2), TcpReadRqst(3)}));

    // The client leaving keeps the server open; a reply now fails.
    objSecond.write(TcpReadRqst(4));
    QVERIFY(objSecond.waitForBytesWritten(WAIT_MS));
    QVERIFY(objRec.WaitFor(LinkEvent::Record, LINK_RECV_OK, 3, WAIT_MS));
    objSecond.disconnectFromHost();
    QTRY_VERIFY_WITH_TIMEOUT(objLog.Has(QStringLiteral("Server Link Break:NET_S")), WAIT_MS);
    QVERIFY(objLink.pLink->IsOpen());
    objLink.pLink->PushSendData(HoldingReply(objRec.Of(LinkEvent::Record).back().stRecord, {1}), false);
    QVERIFY(objRec.WaitFor(LinkEvent::Raw, LINK_SEND_FAILED, 1, WAIT_MS));
    objLink.pLink->StopPort();
    QVERIFY(objLog.Has(QStringLiteral("Closed Server:NET_S")));
}

// A port already taken ends the link's thread at once and reports it closed.
void TstNetLinks::listenAndBindFailures()
{
    CLogCapture objLog;
    QTcpServer objTaken;
    QVERIFY(objTaken.listen(QHostAddress::Any));
    CNetParaMgr::SetNetPara(NetPara("NET_S", LINK_MODE_TCP_SERVER, TRANS_MODE_TCP_SYNC, objTaken.serverPort()));
    LinkUnderTest objServer(new CPortNetTCPServer("NET_S", WORK_MODE_SLAVE));
    objServer.pLink->LaunchPort();
    QVERIFY(objServer.pLink->wait(WAIT_MS));
    QVERIFY(!objServer.pLink->IsOpen());
    QVERIFY(objServer.pRec->WaitFor(LinkEvent::State, -1, 1, WAIT_MS));
    QVERIFY(!objServer.pRec->Of(LinkEvent::State)[0].bOpen);
    QVERIFY(objLog.Has(QStringLiteral("Server Listen Error:NET_S")));
    QVERIFY(objLog.Has(QStringLiteral("Port Open Falied:NET_S")));

    // A UDP port held exclusively by another socket.
    QUdpSocket objHeld;
    QVERIFY(objHeld.bind(QHostAddress::AnyIPv4, 0, QAbstractSocket::DontShareAddress));
    CNetParaMgr::SetNetPara(NetPara("NET_U", LINK_MODE_UDP_UNICAST, TRANS_MODE_TCP_SYNC, objHeld.localPort()));
    LinkUnderTest objUdp(new CPortNetUDPUnicast("NET_U", WORK_MODE_SLAVE));
    objUdp.pLink->LaunchPort();
    QVERIFY(objUdp.pLink->wait(WAIT_MS));
    QVERIFY(!objUdp.pLink->IsOpen());
    QVERIFY(objLog.Has(QStringLiteral("\"NET_U\" : %1 : ").arg(objHeld.localPort())));
    QVERIFY(objLog.Has(QStringLiteral("Port Open Falied:NET_U")));
}

// Only datagrams from the peer's address and the link's own port are taken;
// replies go to that same address and port.
void TstNetLinks::udpPeerFilter()
{
    const int nPort = PickFreePort();
    CNetParaMgr::SetNetPara(NetPara("NET_U", LINK_MODE_UDP_UNICAST, TRANS_MODE_TCP_SYNC, nPort, "127.0.0.2"));
    LinkUnderTest objLink(new CPortNetUDPUnicast("NET_U", WORK_MODE_SLAVE));
    QVERIFY(objLink.StartAndWaitOpen());
    CLinkRecorder &objRec = *objLink.pRec;

    QUdpSocket objOtherPort;
    QVERIFY(objOtherPort.bind(QHostAddress("127.0.0.2"), 0));
    QUdpSocket objOtherAddr;
    QVERIFY(objOtherAddr.bind(QHostAddress("127.0.0.3"), static_cast<quint16>(nPort), QAbstractSocket::ShareAddress));
    QUdpSocket objPeer;
    QVERIFY(objPeer.bind(QHostAddress("127.0.0.2"), static_cast<quint16>(nPort), QAbstractSocket::ShareAddress));

    objOtherPort.writeDatagram(TcpReadRqst(1), QHostAddress("127.0.0.1"), static_cast<quint16>(nPort));
    objOtherAddr.writeDatagram(TcpReadRqst(2), QHostAddress("127.0.0.1"), static_cast<quint16>(nPort));
    QTest::qWait(300);
    QVERIFY(objRec.Events().size() == 1); // the open state only

    // Two datagrams in quick succession are both taken.
    objPeer.writeDatagram(TcpReadRqst(3), QHostAddress("127.0.0.1"), static_cast<quint16>(nPort));
    objPeer.writeDatagram(TcpReadRqst(4), QHostAddress("127.0.0.1"), static_cast<quint16>(nPort));
    QVERIFY(objRec.WaitFor(LinkEvent::Record, LINK_RECV_OK, 2, WAIT_MS));
    const std::vector<LinkEvent> lstRec = objRec.Of(LinkEvent::Record);
    QCOMPARE(RawOf(objRec, LINK_RECV_OK), (std::vector<QByteArray>{TcpReadRqst(3), TcpReadRqst(4)}));

    objLink.pLink->PushSendData(HoldingReply(lstRec[0].stRecord, {7}), false);
    QVERIFY(objPeer.waitForReadyRead(WAIT_MS));
    const QNetworkDatagram objReply = objPeer.receiveDatagram();
    QCOMPARE(objReply.data(), QByteArray::fromHex("000300000005010302" "0007"));
    QCOMPARE(objReply.senderPort(), nPort);
    objLink.pLink->StopPort();
    QCOMPARE(objRec.Of(LinkEvent::Record).size(), size_t(2));
}

QTEST_GUILESS_MAIN(TstNetLinks)
#include "tst_netlinks.moc"
