// Links facing the streams real peers send: truncated, aborted, oversized and
// foreign frames, connections that change under queued replies, a client that
// floods without reading. Real sockets on loopback and socat pty pairs; the
// peer is libmodbus or bytes written by the test where a peer must misbehave.

#include <QTcpServer>
#include <QtTest>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <modbus/modbus.h>

#include "common/framebytes.h"
#include "cport_tcp_c.h"
#include "netlink/slaverig.h"

namespace {

constexpr int WAIT_MS = 5000;

// A libmodbus client polling registers 0 and 1 of unit 1; returns the polls
// answered with the right values.
int PollRegisters(int nPort, int nPolls)
{
    int nRight = 0;
    RunAside([&] {
        modbus_t *pCtx = modbus_new_tcp("127.0.0.1", nPort);
        modbus_set_slave(pCtx, 1);
        modbus_set_response_timeout(pCtx, 1, 0);
        if (modbus_connect(pCtx) == 0) {
            for (int i = 0; i < nPolls; ++i) {
                uint16_t arrRegs[2] = {9, 9};
                nRight += (modbus_read_registers(pCtx, 0, 2, arrRegs) == 2 && arrRegs[0] == 0 && arrRegs[1] == 1);
            }
        }
        modbus_close(pCtx);
        modbus_free(pCtx);
    });
    return nRight;
}

// A master's peer that answers each request with bytes the test chooses, in
// pieces at given delays from the answer's start; an answer starts when the
// one before it has gone out.
class CRawServer : public QObject
{
public:
    using AnswerFn = std::function<std::vector<PeerChunk>(const QByteArray &objRqst)>;

    CRawServer(unsigned short nMode, AnswerFn fnAnswer) : m_nMode(nMode), m_fnAnswer(std::move(fnAnswer))
    {
        m_objServer.listen(QHostAddress("127.0.0.1"));
        connect(&m_objServer, &QTcpServer::newConnection, this, [this] {
            m_pSocket = m_objServer.nextPendingConnection();
            connect(m_pSocket, &QTcpSocket::readyRead, this, [this] { OnBytes(); });
        });
        connect(&m_objTimer, &QTimer::timeout, this, [this] {
            while (!m_lstOut.empty() && m_lstOut.front().first <= NowMs() && m_pSocket) {
                m_pSocket->write(m_lstOut.front().second);
                m_lstOut.erase(m_lstOut.begin());
            }
        });
        m_objTimer.start(2);
    }
    quint16 Port() const { return m_objServer.serverPort(); }

private:
    void OnBytes()
    {
        m_objIn += m_pSocket->readAll();
        for (;;) {
            int nLen = 0;
            if (m_nMode == TRANS_MODE_ASCII)
                nLen = m_objIn.indexOf("\r\n") + 2;
            else if (m_nMode == TRANS_MODE_RTU)
                nLen = m_objIn.size() >= 8 ? 8 : 0;
            else if (m_objIn.size() >= 6)
                nLen = 6 + quint8(m_objIn[5]);
            if (nLen <= 1 || m_objIn.size() < nLen)
                return;
            // One answer after the other, as on the serial line behind a gateway.
            const qint64 nStart = qMax(NowMs(), m_lstOut.empty() ? qint64(0) : m_lstOut.back().first);
            for (const PeerChunk &stChunk : m_fnAnswer(m_objIn.left(nLen)))
                m_lstOut.emplace_back(nStart + stChunk.nDelayMs, stChunk.objBytes);
            m_objIn.remove(0, nLen);
        }
    }

    unsigned short m_nMode;
    AnswerFn m_fnAnswer;
    QTcpServer m_objServer;
    QPointer<QTcpSocket> m_pSocket;
    QByteArray m_objIn;
    QTimer m_objTimer;
    std::vector<std::pair<qint64, QByteArray>> m_lstOut; // due time, bytes
};

quint16 RqstSN(const QByteArray &objMbap)
{
    return static_cast<quint16>((quint8(objMbap[0]) << 8) | quint8(objMbap[1]));
}

} // namespace

class TstLinkFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterLinkMetaTypes(); }
    void init() { CNetParaMgr::GetNetParaList().clear(); }

    // Slave links
    void slaveFindsRequestAfterBadBytes_data();
    void slaveFindsRequestAfterBadBytes();
    void tcpServerNewClientStartsClean();
    void tcpServerDropsStreamOutOfStep();
    void tcpServerAdmitsNamedPeerOnly_data();
    void tcpServerAdmitsNamedPeerOnly();
    void floodingClientIsHeldBack();

    // Master links
    void masterWaitsForItsOwnReply_data();
    void masterWaitsForItsOwnReply();
    void asyncReplyInPieces();
};

void TstLinkFaults::slaveFindsRequestAfterBadBytes_data()
{
    QTest::addColumn<QString>("strMedium");
    QTest::addColumn<int>("nMode");
    QTest::addColumn<QByteArray>("objBad");

    const QByteArray objMbap = Framed(TRANS_MODE_TCP_SYNC, ReadHolding(0x0101, 0, 2));
    const QByteArray objRtu = Framed(TRANS_MODE_RTU, ReadHolding(0, 0, 2));
    QTest::newRow("udp, truncated MBAP datagram") << "udp" << int(TRANS_MODE_TCP_SYNC) << objMbap.left(7);
    QTest::newRow("udp, truncated RTU datagram") << "udp" << int(TRANS_MODE_RTU) << objRtu.left(5);
    QTest::newRow("udp, MBAP length 0xFFFF") << "udp" << int(TRANS_MODE_TCP_SYNC) << Hex("0202 0000 FFFF 0103");
    QTest::newRow("tcp, aborted ASCII frame") << "tcp" << int(TRANS_MODE_ASCII) << QByteArray(":0103");
    QTest::newRow("pty, code not served") << "pty" << int(TRANS_MODE_RTU) << WithCrc(Hex("012B0E0100"));
    QTest::newRow("pty, other unit's request and reply")
        << "pty" << int(TRANS_MODE_RTU) << WithCrc(Hex("020300000002")) + WithCrc(Hex("02030400010002"));
    QTest::newRow("pty, other unit's exception") << "pty" << int(TRANS_MODE_RTU) << WithCrc(Hex("028302"));
}

// The next good request after bad bytes is answered at once, not after two
// seconds of silence or never.
void TstLinkFaults::slaveFindsRequestAfterBadBytes()
{
    QFETCH(QString, strMedium);
    QFETCH(int, nMode);
    QFETCH(QByteArray, objBad);
    const unsigned short nTransMode = static_cast<unsigned short>(nMode);
    SlaveRig objRig;
    QVERIFY(objRig.Start(strMedium, nTransMode));

    objRig.Send(objBad);
    QTest::qWait(50);
    const QByteArray objExpected = Framed(nTransMode, ReadReply(7, 1, 0, 2));
    for (int nPoll = 0; nPoll < 3; ++nPoll) {
        objRig.Send(Framed(nTransMode, ReadHolding(7, 0, 2)));
        QCOMPARE(objRig.Receive(objExpected.size(), 1000), objExpected);
    }
}

// A connection's bytes and the replies to its requests stay with it.
void TstLinkFaults::tcpServerNewClientStartsClean()
{
    CLogCapture objLog;
    SlaveRig objRig;
    std::atomic<bool> bHoldFirst{true};
    QVERIFY(objRig.Start("tcp", TRANS_MODE_TCP_SYNC, "127.0.0.1",
                         [&](const LINK_RECV_DATA_S &) { return !bHoldFirst.exchange(false); }));
    CLinkRecorder &objRec = *objRig.pLink->pRec;

    // The first client's request is still unanswered when it leaves, having
    // sent the start of another.
    objRig.Send(Framed(TRANS_MODE_TCP_SYNC, ReadHolding(1, 0, 2)));
    QVERIFY(objRec.WaitFor(LinkEvent::Record, LINK_RECV_OK, 1, WAIT_MS));
    objRig.Send(Framed(TRANS_MODE_TCP_SYNC, ReadHolding(2, 0, 2)).left(7));
    QTest::qWait(50);
    objRig.objTcp.disconnectFromHost();
    QVERIFY(objLog.WaitFor(QStringLiteral("Server Link Break:NET_S"), QString()));

    // The next client connects; only then the answer to the first one comes.
    QTcpSocket objNext;
    QVERIFY(objRig.Connect(objNext, "127.0.0.1"));
    QTRY_COMPARE_WITH_TIMEOUT(objLog.Count(QStringLiteral("New Server Link:NET_S")), 2, WAIT_MS);
    const LINK_RECV_DATA_S stFirst = objRec.Of(LinkEvent::Record).front().stRecord;
    objRig.pLink->pLink->PushSendData(ReadReply(stFirst.nSN, 1, 0, 2, 0x100), false);
    QTest::qWait(30);

    objNext.write(Framed(TRANS_MODE_TCP_SYNC, ReadHolding(1, 0, 2)));
    QByteArray objGot;
    for (int nWait = 0; nWait < 10 && objGot.size() <= 13; ++nWait) {
        objNext.waitForReadyRead(50);
        objGot += objNext.readAll();
    }
    QCOMPARE(objGot, Framed(TRANS_MODE_TCP_SYNC, ReadReply(1, 1, 0, 2)));
}

// After an MBAP length no frame can have, the stream is dropped: the client
// reconnects and is answered.
void TstLinkFaults::tcpServerDropsStreamOutOfStep()
{
    SlaveRig objRig;
    QVERIFY(objRig.Start("tcp", TRANS_MODE_TCP_SYNC));
    objRig.Send(Hex("0001 0000 FFFF 0103 0000"));
    QTRY_COMPARE_WITH_TIMEOUT(objRig.objTcp.state(), QAbstractSocket::UnconnectedState, 1000);
    QVERIFY(RawOf(*objRig.pLink->pRec, LINK_RECV_FRAME_ERR).size() >= 1);
    QCOMPARE(PollRegisters(objRig.nPort, 5), 5);
}

void TstLinkFaults::tcpServerAdmitsNamedPeerOnly_data()
{
    QTest::addColumn<QString>("strDesIP");
    QTest::addColumn<QString>("strFrom");
    QTest::addColumn<bool>("bAdmitted");
    QTest::newRow("named address") << "127.0.0.1" << "127.0.0.1" << true;
    QTest::newRow("address it is a prefix of") << "127.0.0.1" << "127.0.0.12" << false;
    QTest::newRow("no address: anyone") << "" << "127.0.0.12" << true;
}

void TstLinkFaults::tcpServerAdmitsNamedPeerOnly()
{
    QFETCH(QString, strDesIP);
    QFETCH(QString, strFrom);
    QFETCH(bool, bAdmitted);
    SlaveRig objRig;
    QVERIFY(objRig.Start("tcp", TRANS_MODE_TCP_SYNC, strDesIP));
    QTcpSocket objClient;
    QVERIFY(objRig.Connect(objClient, strFrom.toLatin1().constData()));
    objClient.write(Framed(TRANS_MODE_TCP_SYNC, ReadHolding(3, 0, 2)));
    const bool bAnswered = objClient.waitForReadyRead(1000);
    QCOMPARE(bAnswered, bAdmitted);
    QCOMPARE(objClient.state() == QAbstractSocket::ConnectedState, bAdmitted);
}

// Pipelined requests from a client that never reads: the link holds only so
// many for its devices, the client is held back by TCP, and the next client
// is answered at once when it comes.
void TstLinkFaults::floodingClientIsHeldBack()
{
    std::atomic<int> nRecords{0};
    SlaveRig objRig;
    QVERIFY(objRig.Start("tcp", TRANS_MODE_TCP_SYNC, "127.0.0.1", [&](const LINK_RECV_DATA_S &) {
        nRecords.fetch_add(1);
        return true;
    }));

    std::atomic<bool> bLeave{false};
    std::atomic<int> nSent{0};
    std::thread objFlooder([&] {
        const int nSocket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in stAddr{};
        stAddr.sin_family = AF_INET;
        stAddr.sin_port = htons(static_cast<uint16_t>(objRig.nPort));
        stAddr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(nSocket, reinterpret_cast<sockaddr *>(&stAddr), sizeof(stAddr)) == 0) {
            ::fcntl(nSocket, F_SETFL, O_NONBLOCK);
            QByteArray objBurst;
            for (int i = 0; i < 1000; ++i)
                objBurst += Framed(TRANS_MODE_TCP_SYNC, ReadHolding(static_cast<quint16>(i), 0, 2));
            QElapsedTimer objTimer;
            objTimer.start();
            while (!bLeave.load() && objTimer.elapsed() < 3000) {
                if (::send(nSocket, objBurst.constData(), static_cast<size_t>(objBurst.size()), MSG_NOSIGNAL) > 0)
                    nSent.fetch_add(1);
                else
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        while (!bLeave.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ::close(nSocket);
    });
    struct Leave
    {
        std::atomic<bool> &bLeave;
        std::thread &objThread;
        ~Leave()
        {
            bLeave.store(true);
            objThread.join();
        }
    } objLeave{bLeave, objFlooder};

    // Nothing takes the records up: the link must stop at its bound.
    QThread::msleep(500);
    QVERIFY2(nRecords.load() <= CPortBase::MAX_RQSTS_AT_DEVICES, qPrintable(QString::number(nRecords.load())));
    QVERIFY(nSent.load() > 0);
    // Taken up, the link goes on, held back by the client that does not read.
    QTest::qWait(300);
    bLeave.store(true);

    QElapsedTimer objTimer;
    objTimer.start();
    QCOMPARE(PollRegisters(objRig.nPort, 1), 1);
    QVERIFY2(objTimer.elapsed() < 1000, qPrintable(QString::number(objTimer.elapsed())));
}

void TstLinkFaults::masterWaitsForItsOwnReply_data()
{
    QTest::addColumn<int>("nMode");
    QTest::addColumn<QByteArray>("objBefore"); // sent in front of the right reply
    // Unit 2's reply to the same request, with other values.
    auto fnOther = [](unsigned short nMode) { return Framed(nMode, ReadReply(1, 2, 0, 2, 0x100)); };
    QTest::newRow("RTU, other unit") << int(TRANS_MODE_RTU) << fnOther(TRANS_MODE_RTU);
    QTest::newRow("ASCII, other unit") << int(TRANS_MODE_ASCII) << fnOther(TRANS_MODE_ASCII);
    QTest::newRow("ASCII, aborted frame") << int(TRANS_MODE_ASCII) << QByteArray(":0103");
    QTest::newRow("MBAP, other unit") << int(TRANS_MODE_TCP_SYNC) << fnOther(TRANS_MODE_TCP_SYNC);
    QTest::newRow("MBAP async, other unit") << int(TRANS_MODE_TCP_ASYNC) << fnOther(TRANS_MODE_TCP_ASYNC);
}

// What is not the reply to the request is a frame error; the reply that
// follows is taken.
void TstLinkFaults::masterWaitsForItsOwnReply()
{
    QFETCH(int, nMode);
    QFETCH(QByteArray, objBefore);
    const unsigned short nTransMode = static_cast<unsigned short>(nMode);
    CRawServer objPeer(nTransMode, [&](const QByteArray &objRqst) {
        const quint16 nSN = nTransMode >= TRANS_MODE_TCP_SYNC ? RqstSN(objRqst) : 0;
        QByteArray objWrong = objBefore;
        if (nTransMode >= TRANS_MODE_TCP_SYNC && objWrong.size() > 2) {
            objWrong[0] = objRqst[0];
            objWrong[1] = objRqst[1];
        }
        return std::vector<PeerChunk>{{0, objWrong}, {20, Framed(nTransMode, ReadReply(nSN, 1, 0, 2))}};
    });
    CNetParaMgr::SetNetPara(NetPara("NET_M", LINK_MODE_TCP_CLIENT, nTransMode, objPeer.Port()));
    LinkUnderTest objLink(new CPortNetTCPClient("NET_M", WORK_MODE_MASTER));
    objLink.pLink->PushSendData(ReadHolding(1, 0, 2), false);
    objLink.pLink->LaunchPort();
    QTRY_VERIFY_WITH_TIMEOUT(objLink.pRec->Of(LinkEvent::Record).size() == 1, WAIT_MS);
    QTest::qWait(150);
    const std::vector<LinkEvent> lstRec = objLink.pRec->Of(LinkEvent::Record);
    QCOMPARE(lstRec.size(), size_t(1));
    QCOMPARE(lstRec[0].stRecord.enType, LINK_RECV_OK);
    QCOMPARE(lstRec[0].stRecord.objData, Hex("0400000001"));
    QVERIFY(!RawOf(*objLink.pRec, LINK_RECV_FRAME_ERR).empty());
}

// A gateway to a serial line answers one request after the other and passes
// each reply on in pieces 60 ms apart, across the 100 ms tick.
void TstLinkFaults::asyncReplyInPieces()
{
    constexpr int COUNT = 20;
    CRawServer objPeer(TRANS_MODE_TCP_ASYNC, [](const QByteArray &objRqst) {
        const QByteArray objReply = Framed(TRANS_MODE_TCP_ASYNC, ReadReply(RqstSN(objRqst), 1, 0, 2));
        return std::vector<PeerChunk>{{0, objReply.left(4)}, {60, objReply.mid(4, 4)}, {120, objReply.mid(8)}};
    });
    CNetParaMgr::SetNetPara(NetPara("NET_M", LINK_MODE_TCP_CLIENT, TRANS_MODE_TCP_ASYNC, objPeer.Port()));
    LinkUnderTest objLink(new CPortNetTCPClient("NET_M", WORK_MODE_MASTER));
    for (quint16 nSN = 1; nSN <= COUNT; ++nSN)
        objLink.pLink->PushSendData(ReadHolding(nSN, 0, 2), false);
    objLink.pLink->LaunchPort();
    QTRY_VERIFY_WITH_TIMEOUT(objLink.pRec->Of(LinkEvent::Record).size() == COUNT, 10000);
    for (const LinkEvent &stEvent : objLink.pRec->Of(LinkEvent::Record))
        QCOMPARE(stEvent.stRecord.enType, LINK_RECV_OK);
    QVERIFY(RawOf(*objLink.pRec, LINK_RECV_FRAME_ERR).empty());
}

QTEST_GUILESS_MAIN(TstLinkFaults)
#include "tst_linkfaults.moc"
