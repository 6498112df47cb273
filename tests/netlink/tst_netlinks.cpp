// Network links over real sockets on loopback, and serial links on pty
// pairs where the stream matters: connections coming and going, the peers a
// link admits, the streams real peers send (truncated, aborted, oversized and
// foreign frames, a client flooding without reading), and the parameter
// store's rules. The pairings with libmodbus are in the interoperability table.

#include <QScopeGuard>
#include <QTcpServer>
#include <QUdpSocket>
#include <QtTest>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "common/framebytes.h"
#include "common/logcapture.h"
#include "cport_tcp_c.h"
#include "netlink/netrig.h"

namespace {

constexpr int WAIT_MS = 5000;

// A master's peer that answers each request with bytes the test chooses, in
// pieces at given delays; an answer starts when the one before it has gone out.
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
    return quint16((quint8(objMbap[0]) << 8) | quint8(objMbap[1]));
}

} // namespace

class TstNetLinks : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterLinkMetaTypes(); }
    void init() { CNetParaMgr::GetNetParaList().clear(); }

    // A TCP client ends when its peer closes and connects again when started;
    // refused, it keeps trying and keeps its requests.
    void tcpClientConnections()
    {
        QTcpServer objServer;
        QVERIFY(objServer.listen(QHostAddress("127.0.0.1")));
        CNetParaMgr::SetNetPara(NetPara("NET_C", LINK_MODE_TCP_CLIENT, TRANS_MODE_TCP_SYNC, objServer.serverPort()));
        LinkUnderTest objLink(new CPortNetTCPClient("NET_C", WORK_MODE_MASTER));
        objLink.pLink->LaunchPort();
        QVERIFY(objServer.waitForNewConnection(WAIT_MS));
        std::unique_ptr<QTcpSocket> pPeer(objServer.nextPendingConnection());
        QVERIFY(objLink.pRec->WaitFor(LinkEvent::State, -1, 1, WAIT_MS) && objLink.pLink->IsOpen());
        pPeer->disconnectFromHost();
        QVERIFY(objLink.pLink->wait(WAIT_MS) && !objLink.pLink->IsOpen());
        const std::vector<LinkEvent> lstState = objLink.pRec->Of(LinkEvent::State);
        QVERIFY(lstState.size() == 2 && lstState[0].bOpen && !lstState[1].bOpen);
        objLink.pLink->LaunchPort();
        QVERIFY(objServer.waitForNewConnection(WAIT_MS));
        pPeer.reset(objServer.nextPendingConnection());
        QVERIFY(objLink.pRec->WaitFor(LinkEvent::State, -1, 3, WAIT_MS) && objLink.pLink->IsOpen());
        objLink.pLink->StopPort();
        QVERIFY(pPeer->waitForDisconnected(WAIT_MS) || pPeer->state() == QAbstractSocket::UnconnectedState);

        CNetParaMgr::SetNetPara(NetPara("NET_R", LINK_MODE_TCP_CLIENT, TRANS_MODE_TCP_SYNC, PickFreePort()));
        LinkUnderTest objRefused(new CPortNetTCPClient("NET_R", WORK_MODE_MASTER));
        objRefused.pLink->PushSendData(ReadHolding(1, 0, 2), false);
        objRefused.pLink->LaunchPort();
        QTest::qWait(400);
        QVERIFY(objRefused.pLink->isRunning() && !objRefused.pLink->IsOpen() && objRefused.pRec->Events().empty());
    }

    // One adopted client at a time: a second client replaces the first; the
    // server stays open without a client, and a reply then fails.
    void tcpServerAdoptsOneClient()
    {
        CLogCapture objLog;
        SlaveRig objRig;
        QVERIFY(objRig.Start("tcp", TRANS_MODE_TCP_SYNC, "127.0.0.1", [](const LINK_RECV_DATA_S &) { return false; }));
        CLinkRecorder &objRec = *objRig.pLink->pRec;
        objRig.Send(Framed(TRANS_MODE_TCP_SYNC, ReadHolding(2, 0, 2)));
        QVERIFY(objRec.WaitFor(LinkEvent::Record, LINK_RECV_OK, 1, WAIT_MS));
        QTcpSocket objSecond;
        QVERIFY(objRig.Connect(objSecond, "127.0.0.1"));
        QTRY_COMPARE_WITH_TIMEOUT(objRig.objTcp.state(), QAbstractSocket::UnconnectedState, WAIT_MS);
        objSecond.write(Framed(TRANS_MODE_TCP_SYNC, ReadHolding(3, 0, 2)));
        objSecond.flush();
        QVERIFY(objRec.WaitFor(LinkEvent::Record, LINK_RECV_OK, 2, WAIT_MS));
        objRig.pLink->pLink->PushSendData(ReadReply(objRec.Of(LinkEvent::Record).back().stRecord.nSN, 1, 0, 2, 0x1234), false);
        QByteArray objReply;
        while (objReply.size() < 13 && objSecond.waitForReadyRead(WAIT_MS))
            objReply.append(objSecond.readAll());
        QCOMPARE(objReply, Framed(TRANS_MODE_TCP_SYNC, ReadReply(3, 1, 0, 2, 0x1234)));
        objSecond.write(Framed(TRANS_MODE_TCP_SYNC, ReadHolding(4, 0, 2)));
        objSecond.flush();
        QVERIFY(objRec.WaitFor(LinkEvent::Record, LINK_RECV_OK, 3, WAIT_MS));
        objSecond.disconnectFromHost();
        QVERIFY(objLog.WaitFor("Server Link Break:NET_S", QString()) && objRig.pLink->pLink->IsOpen());
        objRig.pLink->pLink->PushSendData(ReadReply(objRec.Of(LinkEvent::Record).back().stRecord.nSN, 1, 0, 2), false);
        QVERIFY(objRec.WaitFor(LinkEvent::Raw, LINK_SEND_FAILED, 1, WAIT_MS));
    }

    // A client from another address than the named peer is closed unread; an empty address admits anyone.
    void tcpServerAdmitsNamedPeerOnly()
    {
        const struct { const char *pDesIP, *pFrom; bool bAdmitted; } arrCases[] = {
            {"127.0.0.1", "127.0.0.1", true}, {"127.0.0.1", "127.0.0.12", false}, {"", "127.0.0.12", true}};
        for (const auto &stCase : arrCases) {
            SlaveRig objRig;
            QVERIFY(objRig.Start("tcp", TRANS_MODE_TCP_SYNC, stCase.pDesIP));
            QTcpSocket objClient;
            QVERIFY(objRig.Connect(objClient, stCase.pFrom));
            objClient.write(Framed(TRANS_MODE_TCP_SYNC, ReadHolding(3, 0, 2)));
            QVERIFY2(objClient.waitForReadyRead(1000) == stCase.bAdmitted, stCase.pFrom);
            QCOMPARE(objClient.state() == QAbstractSocket::ConnectedState, stCase.bAdmitted);
        }
    }

    // A connection's bytes and the replies to its requests stay with it.
    void tcpServerNewClientStartsClean()
    {
        CLogCapture objLog;
        SlaveRig objRig;
        std::atomic<bool> bHoldFirst{true};
        QVERIFY(objRig.Start("tcp", TRANS_MODE_TCP_SYNC, "127.0.0.1",
                             [&](const LINK_RECV_DATA_S &) { return !bHoldFirst.exchange(false); }));
        CLinkRecorder &objRec = *objRig.pLink->pRec;
        // The first client's request is still unanswered when it leaves, having sent the start of another.
        objRig.Send(Framed(TRANS_MODE_TCP_SYNC, ReadHolding(1, 0, 2)));
        QVERIFY(objRec.WaitFor(LinkEvent::Record, LINK_RECV_OK, 1, WAIT_MS));
        objRig.Send(Framed(TRANS_MODE_TCP_SYNC, ReadHolding(2, 0, 2)).left(7));
        QTest::qWait(50);
        objRig.objTcp.disconnectFromHost();
        QVERIFY(objLog.WaitFor("Server Link Break:NET_S", QString()));
        // The next client connects; only then the answer to the first one comes.
        QTcpSocket objNext;
        QVERIFY(objRig.Connect(objNext, "127.0.0.1"));
        QTRY_COMPARE_WITH_TIMEOUT(objLog.Count("New Server Link:NET_S"), 2, WAIT_MS);
        objRig.pLink->pLink->PushSendData(ReadReply(objRec.Of(LinkEvent::Record).front().stRecord.nSN, 1, 0, 2, 0x100), false);
        QTest::qWait(30);
        objNext.write(Framed(TRANS_MODE_TCP_SYNC, ReadHolding(1, 0, 2)));
        QByteArray objGot;
        for (int nWait = 0; nWait < 10 && objGot.size() <= 13; ++nWait) {
            objNext.waitForReadyRead(50);
            objGot += objNext.readAll();
        }
        QCOMPARE(objGot, Framed(TRANS_MODE_TCP_SYNC, ReadReply(1, 1, 0, 2)));
    }

    // After an MBAP length no frame can have, the stream is dropped: the client reconnects and is answered.
    void tcpServerDropsStreamOutOfStep()
    {
        SlaveRig objRig;
        QVERIFY(objRig.Start("tcp", TRANS_MODE_TCP_SYNC));
        objRig.Send(Hex("0001 0000 FFFF 0103 0000"));
        QTRY_COMPARE_WITH_TIMEOUT(objRig.objTcp.state(), QAbstractSocket::UnconnectedState, 1000);
        QVERIFY(!RawOf(*objRig.pLink->pRec, LINK_RECV_FRAME_ERR).empty());
        QCOMPARE(PollTimes(objRig, 5).size(), size_t(5));
    }

    // A port taken already ends the link's thread at once, reported closed.
    void listenAndBindFailures()
    {
        QTcpServer objTaken;
        QVERIFY(objTaken.listen(QHostAddress::Any));
        QUdpSocket objHeld;
        QVERIFY(objHeld.bind(QHostAddress::AnyIPv4, 0, QAbstractSocket::DontShareAddress));
        CNetParaMgr::SetNetPara(NetPara("NET_S", LINK_MODE_TCP_SERVER, TRANS_MODE_TCP_SYNC, objTaken.serverPort()));
        CNetParaMgr::SetNetPara(NetPara("NET_U", LINK_MODE_UDP_UNICAST, TRANS_MODE_TCP_SYNC, objHeld.localPort()));
        for (CPortBase *pPort : {static_cast<CPortBase *>(new CPortNetTCPServer("NET_S", WORK_MODE_SLAVE)),
                                 static_cast<CPortBase *>(new CPortNetUDPUnicast("NET_U", WORK_MODE_SLAVE))}) {
            LinkUnderTest objLink(pPort);
            objLink.pLink->LaunchPort();
            QVERIFY(objLink.pLink->wait(WAIT_MS) && !objLink.pLink->IsOpen());
            QVERIFY(objLink.pRec->WaitFor(LinkEvent::State, -1, 1, WAIT_MS) && !objLink.pRec->Of(LinkEvent::State)[0].bOpen);
        }
    }

    // Only datagrams from the peer's address and the link's own port are
    // taken; replies go to that same address and port.
    void udpPeerFilter()
    {
        SlaveRig objRig;
        QVERIFY(objRig.Start("udp", TRANS_MODE_TCP_SYNC));
        QUdpSocket objOtherPort, objOtherAddr;
        QVERIFY(objOtherPort.bind(QHostAddress("127.0.0.2"), 0));
        QVERIFY(objOtherAddr.bind(QHostAddress("127.0.0.3"), quint16(objRig.nPort), QAbstractSocket::ShareAddress));
        objOtherPort.writeDatagram(Framed(TRANS_MODE_TCP_SYNC, ReadHolding(1, 0, 2)), QHostAddress("127.0.0.1"), quint16(objRig.nPort));
        objOtherAddr.writeDatagram(Framed(TRANS_MODE_TCP_SYNC, ReadHolding(2, 0, 2)), QHostAddress("127.0.0.1"), quint16(objRig.nPort));
        QTest::qWait(300);
        QCOMPARE(objRig.pLink->pRec->Events().size(), size_t(1)); // the open state only
        // Two datagrams in quick succession are both taken and answered to the peer's port.
        objRig.Send(Framed(TRANS_MODE_TCP_SYNC, ReadHolding(3, 0, 1)));
        objRig.Send(Framed(TRANS_MODE_TCP_SYNC, ReadHolding(4, 0, 1)));
        const QByteArray objExpected = Framed(TRANS_MODE_TCP_SYNC, ReadReply(3, 1, 0, 1)) + Framed(TRANS_MODE_TCP_SYNC, ReadReply(4, 1, 0, 1));
        QCOMPARE(objRig.Receive(objExpected.size(), WAIT_MS), objExpected);
    }

    // The next good request after bad bytes is answered at once, not after
    // two seconds of silence or never.
    void slaveFindsRequestAfterBadBytes()
    {
        const QByteArray objMbap = Framed(TRANS_MODE_TCP_SYNC, ReadHolding(0x0101, 0, 2));
        const QByteArray objRtu = Framed(TRANS_MODE_RTU, ReadHolding(0, 0, 2));
        const struct { const char *pMedium; unsigned short nMode; QByteArray objBad; } arrCases[] = {
            {"udp", TRANS_MODE_TCP_SYNC, objMbap.left(7)},
            {"udp", TRANS_MODE_RTU, objRtu.left(5)},
            {"udp", TRANS_MODE_TCP_SYNC, Hex("0202 0000 FFFF 0103")},
            {"tcp", TRANS_MODE_ASCII, ":0103"},
            {"pty", TRANS_MODE_RTU, WithCrc(Hex("012B0E0100"))},                                      // code not served
            {"pty", TRANS_MODE_RTU, WithCrc(Hex("020300000002")) + WithCrc(Hex("02030400010002"))}, // other unit's request and reply
            {"pty", TRANS_MODE_RTU, WithCrc(Hex("028302"))},
        };
        for (const auto &stCase : arrCases) {
            SlaveRig objRig;
            QVERIFY(objRig.Start(stCase.pMedium, stCase.nMode));
            objRig.Send(stCase.objBad);
            QTest::qWait(50);
            const QByteArray objExpected = Framed(stCase.nMode, ReadReply(7, 1, 0, 2));
            for (int nPoll = 0; nPoll < 3; ++nPoll) {
                objRig.Send(Framed(stCase.nMode, ReadHolding(7, 0, 2)));
                QVERIFY2(objRig.Receive(objExpected.size(), 1000) == objExpected, qPrintable(stCase.objBad.toHex()));
            }
        }
    }

    // Pipelined requests from a client that never reads: the link holds only
    // so many for its devices, the client is held back by TCP, and the next
    // client is answered at once when it comes.
    void floodingClientIsHeldBack()
    {
        SlaveRig objRig;
        QVERIFY(objRig.Start("tcp", TRANS_MODE_TCP_SYNC));
        std::atomic<int> nRecords{0}, nSent{0};
        QObject::connect(objRig.pLink->pLink.get(), &CPortBase::siRecvData, &objRig.objContext,
                         [&](QString, LINK_RECV_DATA_S) { nRecords.fetch_add(1); }, Qt::DirectConnection);
        std::atomic<bool> bLeave{false};
        std::thread objFlooder([&] {
            const int nSocket = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in stAddr{};
            stAddr.sin_family = AF_INET;
            stAddr.sin_port = htons(uint16_t(objRig.nPort));
            stAddr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (::connect(nSocket, reinterpret_cast<sockaddr *>(&stAddr), sizeof(stAddr)) == 0) {
                ::fcntl(nSocket, F_SETFL, O_NONBLOCK);
                QByteArray objBurst;
                for (int i = 0; i < 1000; ++i)
                    objBurst += Framed(TRANS_MODE_TCP_SYNC, ReadHolding(quint16(i), 0, 2));
                QElapsedTimer objTimer;
                objTimer.start();
                while (!bLeave.load() && objTimer.elapsed() < 3000) {
                    if (::send(nSocket, objBurst.constData(), size_t(objBurst.size()), MSG_NOSIGNAL) > 0)
                        nSent.fetch_add(1);
                    else
                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
            }
            while (!bLeave.load())
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            ::close(nSocket);
        });
        const auto objLeave = qScopeGuard([&] {
            bLeave.store(true);
            objFlooder.join();
        });
        // Nothing takes the records up: the link must stop at its bound.
        QThread::msleep(500);
        QVERIFY2(nRecords.load() <= CPortBase::MAX_RQSTS_AT_DEVICES, qPrintable(QString::number(nRecords.load())));
        QVERIFY(nSent.load() > 0);
        // Taken up, the link goes on, held back by the client that does not read.
        QTest::qWait(300);
        bLeave.store(true);
        QElapsedTimer objTimer;
        objTimer.start();
        QCOMPARE(PollTimes(objRig, 1).size(), size_t(1));
        QVERIFY2(objTimer.elapsed() < 1000, qPrintable(QString::number(objTimer.elapsed())));
    }

    // What is not the reply to the request is a frame error; the reply that follows is taken.
    void masterWaitsForItsOwnReply()
    {
        auto fnOther = [](unsigned short nMode) { return Framed(nMode, ReadReply(1, 2, 0, 2, 0x100)); };
        const struct { unsigned short nMode; QByteArray objBefore; } arrCases[] = {
            {TRANS_MODE_RTU, fnOther(TRANS_MODE_RTU)}, {TRANS_MODE_ASCII, fnOther(TRANS_MODE_ASCII)},
            {TRANS_MODE_ASCII, ":0103"}, {TRANS_MODE_TCP_SYNC, fnOther(TRANS_MODE_TCP_SYNC)},
            {TRANS_MODE_TCP_ASYNC, fnOther(TRANS_MODE_TCP_ASYNC)}};
        for (const auto &stCase : arrCases) {
            const unsigned short nMode = stCase.nMode;
            CRawServer objPeer(nMode, [&](const QByteArray &objRqst) {
                const quint16 nSN = nMode >= TRANS_MODE_TCP_SYNC ? RqstSN(objRqst) : 0;
                QByteArray objWrong = stCase.objBefore;
                if (nMode >= TRANS_MODE_TCP_SYNC)
                    objWrong.replace(0, 2, objRqst.left(2));
                return std::vector<PeerChunk>{{0, objWrong}, {20, Framed(nMode, ReadReply(nSN, 1, 0, 2))}};
            });
            CNetParaMgr::SetNetPara(NetPara("NET_M", LINK_MODE_TCP_CLIENT, nMode, objPeer.Port()));
            LinkUnderTest objLink(new CPortNetTCPClient("NET_M", WORK_MODE_MASTER));
            objLink.pLink->PushSendData(ReadHolding(1, 0, 2), false);
            objLink.pLink->LaunchPort();
            QTRY_VERIFY_WITH_TIMEOUT(objLink.pRec->Of(LinkEvent::Record).size() == 1, WAIT_MS);
            QTest::qWait(150);
            const std::vector<LinkEvent> lstRec = objLink.pRec->Of(LinkEvent::Record);
            QVERIFY2(lstRec.size() == 1 && lstRec[0].stRecord.enType == LINK_RECV_OK, qPrintable(stCase.objBefore.toHex()));
            QCOMPARE(lstRec[0].stRecord.objData, Hex("0400000001"));
            QVERIFY(!RawOf(*objLink.pRec, LINK_RECV_FRAME_ERR).empty());
        }
    }

    // A gateway to a serial line answers one request after the other and
    // passes each reply on in pieces 60 ms apart, across the 100 ms tick.
    void asyncReplyInPieces()
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

    // Two links that would own the same local port cannot both be opened:
    // servers and UDP links conflict on a port with their own kind only.
    void parameterStore()
    {
        NET_PARA_DATA_S stOut = NetPara("junk", 9, 9, 9, "9.9.9.9", 9);
        QVERIFY(CNetParaMgr::GetNetPara("NET_B", stOut)); // unknown: the defaults, nothing stale
        QCOMPARE(stOut, NetPara("NET_B", LINK_MODE_TCP_CLIENT, TRANS_MODE_TCP_SYNC, 502, "127.0.0.1", 15));
        QVERIFY(CNetParaMgr::GetNetParaList().isEmpty()); // asking changes nothing
        const struct { int nOldMode, nOldPort, nNewMode, nNewPort; bool bAccepted; } arrCases[] = {
            {1, 502, 1, 502, false}, {1, 502, 1, 503, true}, {2, 700, 2, 700, false}, {1, 502, 2, 502, true},
            {2, 502, 1, 502, true}, {0, 502, 1, 502, true}, {0, 502, 0, 502, true}, {7, 1, 7, 2, false}};
        for (const auto &stCase : arrCases) {
            CNetParaMgr::GetNetParaList().clear();
            QSignalSpy objSpy(CNetParaMgr::GetInstance(), &CNetParaMgr::siNETParaChanged);
            QVERIFY(CNetParaMgr::SetNetPara(NetPara("NET_OLD", stCase.nOldMode, TRANS_MODE_TCP_SYNC, stCase.nOldPort)));
            // A change of an existing record, which never conflicts with its own earlier version.
            CNetParaMgr::GetNetParaList().append(NetPara("NET_NEW", stCase.nNewMode, TRANS_MODE_RTU, 9999, "127.0.0.9"));
            QCOMPARE(CNetParaMgr::SetNetPara(NetPara("NET_NEW", stCase.nNewMode, TRANS_MODE_RTU, stCase.nNewPort, "127.0.0.9")),
                     stCase.bAccepted);
            CNetParaMgr::GetNetPara("NET_NEW", stOut);
            QCOMPARE(stOut.nPortID, quint16(stCase.bAccepted ? stCase.nNewPort : 9999));
            QCOMPARE(objSpy.count(), stCase.bAccepted ? 1 : 0); // announced only when an existing record changed
            // A new record is checked alike: only clients may share a mode and port.
            QCOMPARE(CNetParaMgr::SetNetPara(NetPara("NET_THIRD", stCase.nNewMode, TRANS_MODE_RTU, stCase.nNewPort)),
                     stCase.nNewMode == LINK_MODE_TCP_CLIENT);
        }
        CNetParaMgr::GetNetParaList().clear();
        QVERIFY(CNetParaMgr::SetNetPara(NetPara("NET_Z", LINK_MODE_TCP_SERVER, TRANS_MODE_TCP_SYNC, 1700)));
        QVERIFY(CNetParaMgr::DelNetPara("NET_Z") && !CNetParaMgr::DelNetPara("NET_Z"));
        QVERIFY(CNetParaMgr::SetNetPara(NetPara("NET_V", LINK_MODE_TCP_SERVER, TRANS_MODE_TCP_SYNC, 1700))); // the port is free again
    }
};

QTEST_GUILESS_MAIN(TstNetLinks)
#include "tst_netlinks.moc"
