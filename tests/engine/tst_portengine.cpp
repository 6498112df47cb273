// Link engine over a scripted medium: real worker thread, real timers.
// Timing bounds carry a slack for loaded machines and sanitizer builds.

#include <QtTest>

#include "common/framebytes.h"
#include "common/testport.h"

namespace {

constexpr int SLACK_MS = 250;

LINK_SEND_DATA_S ReadRqst(quint16 nSN, quint32 nTimeOut = 1000, quint16 nResend = 0, quint32 nInterval = 0)
{
    LINK_SEND_DATA_S stRqst;
    stRqst.nSN = nSN;
    stRqst.nAddr = 1;
    stRqst.nFuncCode = 0x03;
    stRqst.nIsNeedRsp = 1;
    stRqst.nIntervalTime = nInterval;
    stRqst.nResendCount = nResend;
    stRqst.nTimeOut = nTimeOut;
    stRqst.objData = Hex("00000002");
    return stRqst;
}

const QByteArray RTU_REPLY = WithCrc(Hex("01030400640065"));

std::vector<PeerChunk> Answer(const QByteArray &objBytes, int nDelayMs = 5)
{
    return {{nDelayMs, objBytes}};
}

std::vector<int> RawKinds(CLinkRecorder &objRec)
{
    std::vector<int> lstOut;
    for (const LinkEvent &stEvent : objRec.Of(LinkEvent::Raw))
        lstOut.push_back(stEvent.enType);
    return lstOut;
}

} // namespace

class TstPortEngine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void timeoutAndResends();
    void noReplyExpected();
    void replyWithTrailingBytes();
    void garbageAndReplyInOneRead();
    void checksumErrorAndPacing();
    void unsolicitedBytes();
    void writeFailureDropsRequest();
    void mediumNotOpenKeepsQueue();
    void openFailureKeepsQueue();
    void slaveServesAndFlushesStaleBytes();
    void stopDuringPause();
    void queueSurvivesStopAndRestart();
    void sequenceNumbers();
};

void TstPortEngine::initTestCase()
{
    RegisterLinkMetaTypes();
}

void TstPortEngine::timeoutAndResends()
{
    CTestPort objPort(WORK_MODE_MASTER, TRANS_MODE_RTU);
    CLinkRecorder objRec(&objPort);
    objPort.PushSendData(ReadRqst(77, 1000, 2), false);
    QVERIFY(objPort.LaunchPort());

    QVERIFY(objRec.WaitFor(LinkEvent::Record, LINK_RECV_TIMEOUT, 1, 3 * (1000 + 100 + SLACK_MS) + 1000));
    QTest::qWait(150); // nothing may follow the last record
    objPort.StopPort();

    const std::vector<LinkEvent> lstRaw = objRec.Of(LinkEvent::Raw);
    QCOMPARE(RawKinds(objRec), (std::vector<int>{1, 4, 1, 4, 1, 4}));
    for (size_t i = 0; i < lstRaw.size(); i += 2) {
        const qint64 nWaited = lstRaw[i + 1].nTime - lstRaw[i].nTime;
        QVERIFY2(nWaited >= 1000 && nWaited <= 1000 + 100 + SLACK_MS, qPrintable(QString::number(nWaited)));
        QCOMPARE(lstRaw[i].objBytes, WithCrc(Hex("010300000002")));
        QCOMPARE(lstRaw[i + 1].objBytes, lstRaw[i].objBytes);
        QCOMPARE(lstRaw[i + 1].nAddr, quint16(1));
    }
    const std::vector<LinkEvent> lstRec = objRec.Of(LinkEvent::Record);
    QCOMPARE(lstRec.size(), size_t(1));
    QCOMPARE(lstRec[0].stRecord.nSN, quint16(77));
    QCOMPARE(lstRec[0].stRecord.nAddr, quint8(1));
    QVERIFY(lstRec[0].nTime >= lstRaw.back().nTime);
    QCOMPARE(objPort.objMedium.WrittenCount(), size_t(3));
}

void TstPortEngine::noReplyExpected()
{
    CTestPort objPort(WORK_MODE_MASTER, TRANS_MODE_ASCII);
    CLinkRecorder objRec(&objPort);
    LINK_SEND_DATA_S stRqst = ReadRqst(5, 200);
    stRqst.nIsNeedRsp = 0;
    stRqst.nAddr = 0x0102; // low byte on the wire and in the record
    QVERIFY(objPort.LaunchPort());
    const qint64 nPushed = NowMs();
    objPort.PushSendData(stRqst, false);
    QVERIFY(objRec.WaitFor(LinkEvent::Record, -1, 1, 2000));
    QTest::qWait(200 + 100 + 100); // past any timeout the request could have had
    objPort.StopPort();

    QCOMPARE(RawKinds(objRec), std::vector<int>{LINK_SEND_OK});
    const std::vector<LinkEvent> lstRec = objRec.Of(LinkEvent::Record);
    QCOMPARE(lstRec.size(), size_t(1));
    QCOMPARE(lstRec[0].enType, LINK_RECV_OK);
    QCOMPARE(lstRec[0].stRecord.nSN, quint16(5));
    QCOMPARE(lstRec[0].stRecord.nAddr, quint8(2));
    QVERIFY(lstRec[0].nTime - nPushed <= 10 + SLACK_MS);
    QCOMPARE(objPort.objMedium.Written().front(), QByteArray(":020300000002F9\r\n"));
}

void TstPortEngine::replyWithTrailingBytes()
{
    CTestPort objPort(WORK_MODE_MASTER, TRANS_MODE_RTU);
    CLinkRecorder objRec(&objPort);
    objPort.objMedium.SetPeer([](const QByteArray &) { return Answer(RTU_REPLY + Hex("EEEE"), 30); });
    objPort.PushSendData(ReadRqst(9), false);
    QVERIFY(objPort.LaunchPort());
    QVERIFY(objRec.WaitFor(LinkEvent::Raw, LINK_RECV_OK, 1, 3000));
    objPort.StopPort();

    const std::vector<LinkEvent> lstEvents = objRec.Events();
    std::vector<LinkEvent> lstSeen;
    for (const LinkEvent &stEvent : lstEvents) {
        if (stEvent.enKind != LinkEvent::State)
            lstSeen.push_back(stEvent);
    }
    QCOMPARE(lstSeen.size(), size_t(3));
    QCOMPARE(lstSeen[0].enType, LINK_SEND_OK);
    QCOMPARE(lstSeen[1].enKind, LinkEvent::Record); // the record first, then the raw frame
    const LINK_RECV_DATA_S &stRecv = lstSeen[1].stRecord;
    QCOMPARE(stRecv.enType, LINK_RECV_OK);
    QCOMPARE(stRecv.nSN, quint16(9));
    QCOMPARE(stRecv.nFuncCode, quint8(3));
    QCOMPARE(stRecv.objData, Hex("0400640065"));
    QVERIFY2(stRecv.nRspTime >= 25 && stRecv.nRspTime <= 30 + SLACK_MS, qPrintable(QString::number(stRecv.nRspTime)));
    QCOMPARE(lstSeen[2].enKind, LinkEvent::Raw);
    QCOMPARE(lstSeen[2].enType, LINK_RECV_OK);
    QCOMPARE(lstSeen[2].objBytes, RTU_REPLY + Hex("EEEE"));
}

void TstPortEngine::garbageAndReplyInOneRead()
{
    // Garbage and the reply in one read: the garbage is reported and the reply
    // is delivered at once, not discarded at the timeout.
    CTestPort objPort(WORK_MODE_MASTER, TRANS_MODE_RTU);
    CLinkRecorder objRec(&objPort);
    objPort.objMedium.SetPeer([](const QByteArray &) { return Answer(Hex("AA55") + RTU_REPLY); });
    objPort.PushSendData(ReadRqst(3, 500), false);
    QVERIFY(objPort.LaunchPort());
    QVERIFY(objRec.WaitFor(LinkEvent::Record, -1, 1, 3000));
    QTest::qWait(500 + 100 + 50);
    objPort.StopPort();

    QCOMPARE(RawKinds(objRec), (std::vector<int>{LINK_SEND_OK, LINK_RECV_FRAME_ERR, LINK_RECV_OK}));
    QCOMPARE(objRec.Of(LinkEvent::Raw)[1].objBytes, Hex("AA55"));
    QCOMPARE(objRec.Of(LinkEvent::Raw)[2].objBytes, RTU_REPLY);
    QCOMPARE(objRec.Of(LinkEvent::Record).size(), size_t(1));
    QCOMPARE(objRec.Of(LinkEvent::Record)[0].enType, LINK_RECV_OK);
}

void TstPortEngine::checksumErrorAndPacing()
{
    CTestPort objPort(WORK_MODE_MASTER, TRANS_MODE_RTU);
    CLinkRecorder objRec(&objPort);
    QByteArray objBad = RTU_REPLY;
    objBad[objBad.size() - 1] = static_cast<char>(objBad[objBad.size() - 1] ^ 0x5A);
    std::atomic<int> nCalls{0};
    objPort.objMedium.SetPeer([&](const QByteArray &) {
        return Answer(nCalls.fetch_add(1) == 0 ? objBad : RTU_REPLY, 5);
    });
    objPort.PushSendData(ReadRqst(1, 1000, 0, 300), false); // paused 300 ms after its reply
    objPort.PushSendData(ReadRqst(2, 1000, 0, 0), false);   // at least 10 ms
    objPort.PushSendData(ReadRqst(3), false);
    QVERIFY(objPort.LaunchPort());
    QVERIFY(objRec.WaitFor(LinkEvent::Record, -1, 3, 5000));
    objPort.StopPort();

    const std::vector<LinkEvent> lstRec = objRec.Of(LinkEvent::Record);
    QCOMPARE(lstRec[0].enType, LINK_RECV_CHECK_ERR);
    QCOMPARE(lstRec[0].stRecord.nSN, quint16(1));
    QCOMPARE(lstRec[0].stRecord.nFuncCode, quint8(0));
    QVERIFY(lstRec[0].stRecord.objData.isEmpty());
    QCOMPARE(lstRec[1].enType, LINK_RECV_OK);
    QCOMPARE(lstRec[2].enType, LINK_RECV_OK);

    std::vector<LinkEvent> lstSent;
    std::vector<LinkEvent> lstDone;
    for (const LinkEvent &stEvent : objRec.Of(LinkEvent::Raw)) {
        if (stEvent.enType == LINK_SEND_OK)
            lstSent.push_back(stEvent);
        else
            lstDone.push_back(stEvent);
    }
    QCOMPARE(lstSent.size(), size_t(3));
    QCOMPARE(lstDone[0].enType, LINK_RECV_CHECK_ERR);
    const qint64 nGap1 = lstSent[1].nTime - lstDone[0].nTime;
    const qint64 nGap2 = lstSent[2].nTime - lstDone[1].nTime;
    QVERIFY2(nGap1 >= 300 && nGap1 <= 300 + 10 + SLACK_MS, qPrintable(QString::number(nGap1)));
    QVERIFY2(nGap2 >= 10 && nGap2 <= 10 + 10 + SLACK_MS, qPrintable(QString::number(nGap2)));
}

void TstPortEngine::unsolicitedBytes()
{
    CTestPort objPort(WORK_MODE_MASTER, TRANS_MODE_RTU);
    CLinkRecorder objRec(&objPort);
    QVERIFY(objPort.LaunchPort());
    objPort.objMedium.Feed(RTU_REPLY);
    QVERIFY(objRec.WaitFor(LinkEvent::Raw, -1, 1, 2000));
    QTest::qWait(250);
    objPort.StopPort();
    const std::vector<LinkEvent> lstRaw = objRec.Of(LinkEvent::Raw);
    QCOMPARE(lstRaw.size(), size_t(1));
    QCOMPARE(lstRaw[0].enType, LINK_RECV_FRAME_ERR);
    QCOMPARE(lstRaw[0].nAddr, quint16(0));
    QCOMPARE(lstRaw[0].objBytes, RTU_REPLY);
    QVERIFY(objRec.Of(LinkEvent::Record).empty());
}

void TstPortEngine::writeFailureDropsRequest()
{
    CTestPort objPort(WORK_MODE_MASTER, TRANS_MODE_TCP_SYNC);
    CLinkRecorder objRec(&objPort);
    objPort.objMedium.SetWriteFails(true);
    objPort.PushSendData(ReadRqst(21, 100, 3), false);
    QVERIFY(objPort.LaunchPort());
    QVERIFY(objRec.WaitFor(LinkEvent::Raw, LINK_SEND_FAILED, 1, 2000));
    QTest::qWait(100 + 100 + 100); // no timeout, no resend of a dropped request
    objPort.StopPort();
    QCOMPARE(RawKinds(objRec), std::vector<int>{LINK_SEND_FAILED});
    const std::vector<LinkEvent> lstRec = objRec.Of(LinkEvent::Record);
    QCOMPARE(lstRec.size(), size_t(1));
    QCOMPARE(lstRec[0].enType, LINK_SEND_FAILED);
    QCOMPARE(lstRec[0].stRecord.nSN, quint16(21));
    QVERIFY(objRec.Of(LinkEvent::Record)[0].nTime <= objRec.Of(LinkEvent::Raw)[0].nTime);
}

void TstPortEngine::mediumNotOpenKeepsQueue()
{
    CTestPort objPort(WORK_MODE_MASTER, TRANS_MODE_RTU);
    CLinkRecorder objRec(&objPort);
    objPort.bConnected = false;
    LINK_SEND_DATA_S stRqst = ReadRqst(1);
    stRqst.nIsNeedRsp = 0;
    objPort.PushSendData(stRqst, false);
    QVERIFY(objPort.LaunchPort());
    QTest::qWait(200);
    QCOMPARE(objPort.objMedium.WrittenCount(), size_t(0));
    QVERIFY(!objPort.IsOpen());
    objPort.bConnected = true;
    QVERIFY(objPort.IsOpen());
    QVERIFY(objRec.WaitFor(LinkEvent::Record, LINK_RECV_OK, 1, 2000));
    objPort.StopPort();
    QVERIFY(!objPort.IsOpen());
}

void TstPortEngine::openFailureKeepsQueue()
{
    CTestPort objPort(WORK_MODE_MASTER, TRANS_MODE_RTU);
    CLinkRecorder objRec(&objPort);
    objPort.bOpenSucceeds = false;
    LINK_SEND_DATA_S stRqst = ReadRqst(1);
    stRqst.nIsNeedRsp = 0;
    objPort.PushSendData(stRqst, false);
    QVERIFY(objPort.LaunchPort());
    QVERIFY(objPort.wait(2000)); // the thread ends by itself
    const std::vector<LinkEvent> lstState = objRec.Of(LinkEvent::State);
    QCOMPARE(lstState.size(), size_t(1));
    QCOMPARE(lstState[0].bOpen, false);
    QCOMPARE(objPort.objMedium.WrittenCount(), size_t(0));

    objPort.bOpenSucceeds = true;
    QVERIFY(objPort.LaunchPort());
    QVERIFY(objRec.WaitFor(LinkEvent::Record, LINK_RECV_OK, 1, 2000));
    objPort.StopPort();
    const std::vector<LinkEvent> lstAfter = objRec.Of(LinkEvent::State);
    QCOMPARE(lstAfter.size(), size_t(3));
    QCOMPARE(lstAfter[1].bOpen, true);
    QCOMPARE(lstAfter[2].bOpen, false);
}

void TstPortEngine::slaveServesAndFlushesStaleBytes()
{
    CTestPort objPort(WORK_MODE_SLAVE, TRANS_MODE_RTU);
    CLinkRecorder objRec(&objPort);
    QVERIFY(objPort.LaunchPort());

    // Two requests in one read: both delivered, numbered by the link.
    const QByteArray objRqst = WithCrc(Hex("010300000002"));
    objPort.objMedium.Feed(objRqst + objRqst);
    QVERIFY(objRec.WaitFor(LinkEvent::Record, LINK_RECV_OK, 2, 2000));
    const std::vector<LinkEvent> lstRec = objRec.Of(LinkEvent::Record);
    QCOMPARE(lstRec[0].stRecord.nSN, quint16(1));
    QCOMPARE(lstRec[1].stRecord.nSN, quint16(2));
    QCOMPARE(lstRec[0].stRecord.objData, Hex("00000002"));

    // Replies queued by the slave go out at the next tick; a failed write is
    // reported only as a raw frame.
    LINK_SEND_DATA_S stRsp;
    stRsp.nSN = lstRec[0].stRecord.nSN;
    stRsp.nAddr = 1;
    stRsp.nFuncCode = 3;
    stRsp.objData = Hex("0400640065");
    objPort.PushSendData(stRsp, false);
    QVERIFY(objRec.WaitFor(LinkEvent::Raw, LINK_SEND_OK, 1, 2000));
    QCOMPARE(objPort.objMedium.Written().front(), RTU_REPLY);
    objPort.objMedium.SetWriteFails(true);
    stRsp.nSN = lstRec[1].stRecord.nSN;
    objPort.PushSendData(stRsp, false);
    QVERIFY(objRec.WaitFor(LinkEvent::Raw, LINK_SEND_FAILED, 1, 2000));
    QCOMPARE(objRec.Of(LinkEvent::Record).size(), size_t(2));

    // An incomplete request is flushed after 2 s without new bytes.
    const qint64 nFed = NowMs();
    objPort.objMedium.Feed(objRqst.left(5));
    QVERIFY(objRec.WaitFor(LinkEvent::Raw, LINK_RECV_FRAME_ERR, 1, 2000 + 100 + SLACK_MS + 1000));
    objPort.StopPort();
    const std::vector<LinkEvent> lstRaw = objRec.Of(LinkEvent::Raw);
    const LinkEvent &stFlush = lstRaw.back();
    QCOMPARE(stFlush.enType, LINK_RECV_FRAME_ERR);
    QCOMPARE(stFlush.objBytes, objRqst.left(5));
    QCOMPARE(stFlush.nAddr, quint16(0));
    const qint64 nAfter = stFlush.nTime - nFed;
    QVERIFY2(nAfter >= 2000 && nAfter <= 2000 + 100 + SLACK_MS, qPrintable(QString::number(nAfter)));
}

void TstPortEngine::stopDuringPause()
{
    CTestPort objPort(WORK_MODE_MASTER, TRANS_MODE_RTU);
    CLinkRecorder objRec(&objPort);
    objPort.objMedium.SetPeer([](const QByteArray &) { return Answer(RTU_REPLY); });
    objPort.PushSendData(ReadRqst(1, 1000, 0, 700), false);
    objPort.PushSendData(ReadRqst(2), false);
    QVERIFY(objPort.LaunchPort());
    QVERIFY(objRec.WaitFor(LinkEvent::Raw, LINK_RECV_OK, 1, 3000));
    const qint64 nReplied = objRec.Of(LinkEvent::Raw).back().nTime;
    QVERIFY(objPort.StopPort());
    const qint64 nStopped = NowMs();
    QVERIFY(objPort.isFinished());
    QVERIFY2(nStopped - nReplied >= 695, qPrintable(QString::number(nStopped - nReplied)));
}

void TstPortEngine::queueSurvivesStopAndRestart()
{
    CTestPort objPort(WORK_MODE_MASTER, TRANS_MODE_TCP_SYNC);
    CLinkRecorder objRec(&objPort);
    // The peer answers every request with its own transaction identifier.
    objPort.objMedium.SetPeer([](const QByteArray &objFrame) {
        QByteArray objReply = objFrame.left(4) + Hex("0007 0103 04 00010002").replace(" ", "");
        return Answer(objReply);
    });
    QVERIFY(objPort.LaunchPort());
    objPort.StopPort();
    for (quint16 nSN = 10; nSN < 13; ++nSN)
        objPort.PushSendData(ReadRqst(nSN), false);
    objPort.PushSendData(ReadRqst(9), true); // to the head
    QVERIFY(objPort.LaunchPort());
    QVERIFY(objRec.WaitFor(LinkEvent::Record, LINK_RECV_OK, 4, 4000));
    objPort.StopPort();
    const std::vector<LinkEvent> lstRec = objRec.Of(LinkEvent::Record);
    QCOMPARE(lstRec.size(), size_t(4));
    for (size_t i = 0; i < lstRec.size(); ++i) {
        QCOMPARE(lstRec[i].stRecord.nSN, quint16(9 + i));
        QCOMPARE(lstRec[i].stRecord.objData, Hex("0400010002"));
    }
}

void TstPortEngine::sequenceNumbers()
{
    CTestPort objPort(WORK_MODE_MASTER, TRANS_MODE_RTU);
    QCOMPARE(objPort.NextSN(), quint16(1));
    QCOMPARE(objPort.NextSN(), quint16(2));
    for (int i = 0; i < 65533; ++i)
        objPort.NextSN();
    QCOMPARE(objPort.NextSN(), quint16(0)); // wraps at 65536
    QCOMPARE(objPort.NextSN(), quint16(1));
}

QTEST_GUILESS_MAIN(TstPortEngine)
#include "tst_portengine.moc"
