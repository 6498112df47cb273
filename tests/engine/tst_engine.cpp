// Link engine over a scripted medium, with a real worker thread and real
// timers: timeouts and resends, pacing, replies with garbage, the slave's
// serving and stale flush, stops and restarts, and the asynchronous window
// of Modbus-TCP masters. Timing bounds carry a slack for loaded machines and
// sanitizer builds.

#include <QtTest>

#include "common/framebytes.h"
#include "common/testport.h"

namespace {

constexpr int SLACK_MS = 250;

LINK_SEND_DATA_S ReadRqst(quint16 nSN, quint32 nTimeOut = 1000, quint16 nResend = 0, quint32 nInterval = 0)
{
    return ReadHolding(nSN, 0, 2, nTimeOut, nResend, nInterval);
}

const QByteArray RTU_REPLY = WithCrc(Hex("01030400640065"));

QByteArray TcpReply(quint16 nSN, quint16 nProto = 0)
{
    return QByteArray(1, char(nSN >> 8)) + char(nSN & 0xFF) + char(nProto >> 8) + char(nProto & 0xFF)
           + Hex("00050103020064");
}

std::vector<PeerChunk> Answer(const QByteArray &objBytes, int nDelayMs = 5)
{
    return {{nDelayMs, objBytes}};
}

quint16 FrameSN(const QByteArray &objFrame)
{
    return quint16((quint8(objFrame[0]) << 8) | quint8(objFrame[1]));
}

// The kinds of the raw frames, or of the raw frames that are no sends.
std::vector<int> RawKinds(CLinkRecorder &objRec, bool bSends = true)
{
    std::vector<int> lstOut;
    for (const LinkEvent &stEvent : objRec.Of(LinkEvent::Raw)) {
        if (bSends || stEvent.enType != LINK_SEND_OK)
            lstOut.push_back(stEvent.enType);
    }
    return lstOut;
}

#define QVERIFY_WITHIN(nValue, nLow, nHigh)                                                                            \
    QVERIFY2((nValue) >= (nLow) && (nValue) <= (nHigh), qPrintable(QString::number(nValue)))

} // namespace

class TstEngine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterLinkMetaTypes(); }

    // A request without reply is sent again after each timeout as often as
    // its resend count says, and then reported as a timeout.
    void timeoutAndResends()
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
            QVERIFY_WITHIN(lstRaw[i + 1].nTime - lstRaw[i].nTime, 1000, 1000 + 100 + SLACK_MS);
            QVERIFY(lstRaw[i].objBytes == WithCrc(Hex("010300000002")) && lstRaw[i + 1].objBytes == lstRaw[i].objBytes);
        }
        const std::vector<LinkEvent> lstRec = objRec.Of(LinkEvent::Record);
        QCOMPARE(lstRec.size(), size_t(1));
        QVERIFY(lstRec[0].stRecord.nSN == 77 && lstRec[0].nTime >= lstRaw.back().nTime);
        QCOMPARE(objPort.objMedium.WrittenCount(), size_t(3));
    }

    // Sent once and reported as answered at once; the address's low byte goes on the wire.
    void noReplyExpected()
    {
        CTestPort objPort(WORK_MODE_MASTER, TRANS_MODE_ASCII);
        CLinkRecorder objRec(&objPort);
        LINK_SEND_DATA_S stRqst = ReadRqst(5, 200);
        stRqst.nIsNeedRsp = 0;
        stRqst.nAddr = 0x0102;
        QVERIFY(objPort.LaunchPort());
        const qint64 nPushed = NowMs();
        objPort.PushSendData(stRqst, false);
        QVERIFY(objRec.WaitFor(LinkEvent::Record, -1, 1, 2000));
        QTest::qWait(200 + 100 + 100); // past any timeout the request could have had
        objPort.StopPort();
        QCOMPARE(RawKinds(objRec), std::vector<int>{LINK_SEND_OK});
        const std::vector<LinkEvent> lstRec = objRec.Of(LinkEvent::Record);
        QCOMPARE(lstRec.size(), size_t(1));
        QVERIFY(lstRec[0].enType == LINK_RECV_OK && lstRec[0].stRecord.nSN == 5 && lstRec[0].stRecord.nAddr == 2);
        QVERIFY(lstRec[0].nTime - nPushed <= 10 + SLACK_MS);
        QCOMPARE(objPort.objMedium.Written().front(), QByteArray(":020300000002F9\r\n"));
    }

    // Bytes behind the reply in the same read, or garbage before it: the
    // reply is taken at once, its record before its raw frame (which holds
    // the rest of the buffer), and nothing more comes at the timeout; the
    // response time counts from the send.
    void replyAmongOtherBytes()
    {
        const int RECORD = 100;
        const struct { QByteArray objAnswer, objRaw; std::vector<int> lstSeen; } arrCases[] = {
            {RTU_REPLY + Hex("EEEE"), RTU_REPLY + Hex("EEEE"), {LINK_SEND_OK, RECORD + LINK_RECV_OK, LINK_RECV_OK}},
            {Hex("AA55") + RTU_REPLY, RTU_REPLY, {LINK_SEND_OK, LINK_RECV_FRAME_ERR, RECORD + LINK_RECV_OK, LINK_RECV_OK}}};
        for (const auto &stCase : arrCases) {
            CTestPort objPort(WORK_MODE_MASTER, TRANS_MODE_RTU);
            CLinkRecorder objRec(&objPort);
            const QByteArray objAnswer = stCase.objAnswer;
            objPort.objMedium.SetPeer([objAnswer](const QByteArray &) { return Answer(objAnswer, 30); });
            objPort.PushSendData(ReadRqst(9, 500), false);
            QVERIFY(objPort.LaunchPort());
            QVERIFY(objRec.WaitFor(LinkEvent::Record, -1, 1, 3000));
            QTest::qWait(500 + 100 + 50);
            objPort.StopPort();
            std::vector<int> lstSeen;
            for (const LinkEvent &stEvent : objRec.Events()) {
                if (stEvent.enKind != LinkEvent::State)
                    lstSeen.push_back(stEvent.enType + (stEvent.enKind == LinkEvent::Record ? RECORD : 0));
            }
            QCOMPARE(lstSeen, stCase.lstSeen);
            const LINK_RECV_DATA_S stRecv = objRec.Of(LinkEvent::Record).front().stRecord;
            QVERIFY(stRecv.nSN == 9 && stRecv.nFuncCode == 3 && stRecv.objData == Hex("0400640065"));
            QVERIFY_WITHIN(qint64(stRecv.nRspTime), 25, 30 + SLACK_MS);
            QCOMPARE(objRec.Of(LinkEvent::Raw).back().objBytes, stCase.objRaw);
        }
    }

    // A reply with a bad checksum is its request's outcome; after each reply
    // the link pauses for the request's interval, at least 10 ms.
    void checksumErrorAndPacing()
    {
        CTestPort objPort(WORK_MODE_MASTER, TRANS_MODE_RTU);
        CLinkRecorder objRec(&objPort);
        QByteArray objBad = RTU_REPLY;
        objBad[objBad.size() - 1] = char(objBad[objBad.size() - 1] ^ 0x5A);
        std::atomic<int> nCalls{0};
        objPort.objMedium.SetPeer([&](const QByteArray &) { return Answer(nCalls.fetch_add(1) == 0 ? objBad : RTU_REPLY); });
        objPort.PushSendData(ReadRqst(1, 1000, 0, 300), false);
        objPort.PushSendData(ReadRqst(2, 1000, 0, 0), false);
        objPort.PushSendData(ReadRqst(3), false);
        QVERIFY(objPort.LaunchPort());
        QVERIFY(objRec.WaitFor(LinkEvent::Record, -1, 3, 5000));
        objPort.StopPort();
        const std::vector<LinkEvent> lstRec = objRec.Of(LinkEvent::Record);
        QVERIFY(lstRec[0].enType == LINK_RECV_CHECK_ERR && lstRec[0].stRecord.nSN == 1 && lstRec[0].stRecord.objData.isEmpty());
        QVERIFY(lstRec[1].enType == LINK_RECV_OK && lstRec[2].enType == LINK_RECV_OK);
        std::vector<qint64> lstSent, lstDone;
        for (const LinkEvent &stEvent : objRec.Of(LinkEvent::Raw))
            (stEvent.enType == LINK_SEND_OK ? lstSent : lstDone).push_back(stEvent.nTime);
        QCOMPARE(lstSent.size(), size_t(3));
        QVERIFY_WITHIN(lstSent[1] - lstDone[0], 300, 300 + 10 + SLACK_MS);
        QVERIFY_WITHIN(lstSent[2] - lstDone[1], 10, 10 + 10 + SLACK_MS);
    }

    // Bytes nobody asked for are one frame error; a failed write drops its
    // request with one record, neither awaited nor sent again.
    void unsolicitedBytesAndFailedWrites()
    {
        CTestPort objPort(WORK_MODE_MASTER, TRANS_MODE_TCP_SYNC);
        CLinkRecorder objRec(&objPort);
        QVERIFY(objPort.LaunchPort());
        objPort.objMedium.Feed(RTU_REPLY);
        QVERIFY(objRec.WaitFor(LinkEvent::Raw, -1, 1, 2000));
        objPort.objMedium.SetWriteFails(true);
        objPort.PushSendData(ReadRqst(21, 100, 3), false);
        QVERIFY(objRec.WaitFor(LinkEvent::Raw, LINK_SEND_FAILED, 1, 2000));
        QTest::qWait(100 + 100 + 100);
        objPort.StopPort();
        QCOMPARE(RawKinds(objRec), (std::vector<int>{LINK_RECV_FRAME_ERR, LINK_SEND_FAILED}));
        QVERIFY(objRec.Of(LinkEvent::Raw)[0].objBytes == RTU_REPLY && objRec.Of(LinkEvent::Raw)[0].nAddr == 0);
        const std::vector<LinkEvent> lstRec = objRec.Of(LinkEvent::Record);
        QCOMPARE(lstRec.size(), size_t(1));
        QVERIFY(lstRec[0].enType == LINK_SEND_FAILED && lstRec[0].stRecord.nSN == 21);
    }

    // While the medium cannot be opened, requests wait in the queue.
    void closedMediumKeepsQueue()
    {
        CTestPort objPort(WORK_MODE_MASTER, TRANS_MODE_RTU);
        CLinkRecorder objRec(&objPort);
        LINK_SEND_DATA_S stRqst = ReadRqst(1);
        stRqst.nIsNeedRsp = 0;
        objPort.bOpenSucceeds = false;
        objPort.PushSendData(stRqst, false);
        QVERIFY(objPort.LaunchPort());
        QVERIFY(objPort.wait(2000)); // the thread ends by itself
        QCOMPARE(objPort.objMedium.WrittenCount(), size_t(0));
        objPort.bOpenSucceeds = true;
        QVERIFY(objPort.LaunchPort());
        QVERIFY(objRec.WaitFor(LinkEvent::Record, LINK_RECV_OK, 1, 2000));
        objPort.StopPort();
        const std::vector<LinkEvent> lstState = objRec.Of(LinkEvent::State);
        QCOMPARE(lstState.size(), size_t(3));
        QVERIFY(!lstState[0].bOpen && lstState[1].bOpen && !lstState[2].bOpen);
    }

    // Requests delivered in order with the link's numbers; replies go out,
    // a failed one reported only as a raw frame; an incomplete request is
    // flushed after 2 s without new bytes.
    void slaveServesAndFlushesStaleBytes()
    {
        CTestPort objPort(WORK_MODE_SLAVE, TRANS_MODE_RTU);
        CLinkRecorder objRec(&objPort);
        QVERIFY(objPort.LaunchPort());
        const QByteArray objRqst = WithCrc(Hex("010300000002"));
        objPort.objMedium.Feed(objRqst + objRqst);
        QVERIFY(objRec.WaitFor(LinkEvent::Record, LINK_RECV_OK, 2, 2000));
        const std::vector<LinkEvent> lstRec = objRec.Of(LinkEvent::Record);
        QVERIFY(lstRec[0].stRecord.nSN == 1 && lstRec[1].stRecord.nSN == 2);
        QCOMPARE(lstRec[0].stRecord.objData, Hex("00000002"));
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
        const qint64 nFed = NowMs();
        objPort.objMedium.Feed(objRqst.left(5));
        QVERIFY(objRec.WaitFor(LinkEvent::Raw, LINK_RECV_FRAME_ERR, 1, 2000 + 100 + SLACK_MS + 1000));
        objPort.StopPort();
        const LinkEvent stFlush = objRec.Of(LinkEvent::Raw).back();
        QVERIFY(stFlush.enType == LINK_RECV_FRAME_ERR && stFlush.objBytes == objRqst.left(5) && stFlush.nAddr == 0);
        QVERIFY_WITHIN(stFlush.nTime - nFed, 2000, 2000 + 100 + SLACK_MS);
    }

    // A stop waits out the pause after a reply; requests queued while stopped
    // go out after the restart, a one-shot one at the head.
    void stopsAndRestarts()
    {
        CTestPort objPort(WORK_MODE_MASTER, TRANS_MODE_TCP_SYNC);
        CLinkRecorder objRec(&objPort);
        objPort.objMedium.SetPeer([](const QByteArray &objFrame) { return Answer(TcpReply(FrameSN(objFrame))); });
        objPort.PushSendData(ReadRqst(1, 1000, 0, 700), false);
        objPort.PushSendData(ReadRqst(2), false);
        QVERIFY(objPort.LaunchPort());
        QVERIFY(objRec.WaitFor(LinkEvent::Raw, LINK_RECV_OK, 1, 3000));
        const qint64 nReplied = objRec.Of(LinkEvent::Raw).back().nTime;
        QVERIFY(objPort.StopPort() && objPort.isFinished());
        QVERIFY_WITHIN(NowMs() - nReplied, 695, 700 + SLACK_MS + 500);
        for (quint16 nSN = 10; nSN < 13; ++nSN)
            objPort.PushSendData(ReadRqst(nSN), false);
        objPort.PushSendData(ReadRqst(9), true);
        QVERIFY(objPort.LaunchPort());
        QVERIFY(objRec.WaitFor(LinkEvent::Record, LINK_RECV_OK, 6, 4000));
        objPort.StopPort();
        std::vector<int> lstSN;
        for (const LinkEvent &stEvent : objRec.Of(LinkEvent::Record)) {
            if (stEvent.stRecord.nSN > 2)
                lstSN.push_back(stEvent.stRecord.nSN);
        }
        QCOMPARE(lstSN, (std::vector<int>{9, 10, 11, 12}));
        QCOMPARE(objRec.Of(LinkEvent::Record)[5].stRecord.objData, Hex("020064"));
    }

    // Asynchronous: the window of outstanding requests fills in one step and
    // never beyond; replies match by transaction identifier in any order;
    // the response time comes from each request's own clock.
    void asyncWindow()
    {
        CTestNetPort objPort(WORK_MODE_MASTER, TRANS_MODE_TCP_ASYNC, 15);
        CLinkRecorder objRec(&objPort);
        for (quint16 nSN = 1; nSN <= 20; ++nSN)
            objPort.PushSendData(ReadRqst(nSN, 20000), false);
        QVERIFY(objPort.LaunchPort());
        QVERIFY(objRec.WaitFor(LinkEvent::Raw, LINK_SEND_OK, 15, 2000));
        QTest::qWait(300);
        QCOMPARE(objPort.objMedium.WrittenCount(), size_t(15));
        const std::vector<LinkEvent> lstSent = objRec.Of(LinkEvent::Raw);
        QVERIFY_WITHIN(lstSent.back().nTime - lstSent.front().nTime, 0, 60);
        const qint64 nFed = NowMs();
        objPort.objMedium.Feed(TcpReply(7) + TcpReply(99) + TcpReply(2) + TcpReply(5, 1));
        QVERIFY(objRec.WaitFor(LinkEvent::Record, LINK_RECV_OK, 2, 2000));
        QVERIFY(objRec.WaitFor(LinkEvent::Raw, LINK_SEND_OK, 17, 2000)); // two places freed
        QTest::qWait(200);
        objPort.StopPort();
        const std::vector<LinkEvent> lstRec = objRec.Of(LinkEvent::Record);
        QCOMPARE(lstRec.size(), size_t(2));
        QVERIFY(lstRec[0].stRecord.nSN == 7 && lstRec[1].stRecord.nSN == 2 && lstRec[0].stRecord.nFuncCode == 3);
        QCOMPARE(lstRec[0].stRecord.objData, Hex("020064"));
        QVERIFY_WITHIN(qint64(lstRec[0].stRecord.nRspTime), nFed - lstSent[6].nTime - 5, nFed - lstSent[6].nTime + SLACK_MS);
        QCOMPARE(RawKinds(objRec, false), (std::vector<int>{LINK_RECV_OK, LINK_RECV_SN_ERR, LINK_RECV_OK, LINK_RECV_TYPE_ERR}));
        QCOMPARE(objPort.objMedium.WrittenCount(), size_t(17));
        QCOMPARE(FrameSN(objPort.objMedium.Written().back()), quint16(17));
    }

    // The window belongs to the asynchronous mode only; a window of 0 sends
    // nothing and keeps the requests queued in order.
    void windowOnlyWhenAsynchronous()
    {
        CTestNetPort objPort(WORK_MODE_MASTER, TRANS_MODE_TCP_SYNC, 15);
        CLinkRecorder objRec(&objPort);
        objPort.PushSendData(ReadRqst(1, 300), false);
        objPort.PushSendData(ReadRqst(2, 300), false);
        QVERIFY(objPort.LaunchPort());
        QVERIFY(objRec.WaitFor(LinkEvent::Record, LINK_RECV_TIMEOUT, 2, 3000));
        objPort.StopPort();
        QCOMPARE(RawKinds(objRec), (std::vector<int>{LINK_SEND_OK, LINK_RECV_TIMEOUT, LINK_SEND_OK, LINK_RECV_TIMEOUT}));
        CTestNetPort objZero(WORK_MODE_MASTER, TRANS_MODE_TCP_ASYNC, 0);
        CLinkRecorder objZeroRec(&objZero);
        for (quint16 nSN = 1; nSN <= 3; ++nSN)
            objZero.PushSendData(ReadRqst(nSN, 20000), false);
        QVERIFY(objZero.LaunchPort());
        QTest::qWait(300);
        QVERIFY(objZero.objMedium.WrittenCount() == 0 && objZeroRec.Of(LinkEvent::Record).empty());
        objZero.SetModes(TRANS_MODE_TCP_ASYNC, 3);
        QVERIFY(objZeroRec.WaitFor(LinkEvent::Raw, LINK_SEND_OK, 3, 3000));
        objZero.StopPort();
        for (size_t i = 0; i < 3; ++i)
            QCOMPARE(FrameSN(objZero.objMedium.Written().at(i)), quint16(i + 1));
    }

    // Each outstanding request expires on its own clock and is resent on its own.
    void asyncExpiryPerRequest()
    {
        CTestNetPort objPort(WORK_MODE_MASTER, TRANS_MODE_TCP_ASYNC, 15);
        CLinkRecorder objRec(&objPort);
        objPort.PushSendData(ReadRqst(1, 600), false);
        objPort.PushSendData(ReadRqst(2, 300, 1), false);
        QVERIFY(objPort.LaunchPort());
        QVERIFY(objRec.WaitFor(LinkEvent::Record, LINK_RECV_TIMEOUT, 2, 4000));
        QTest::qWait(150);
        objPort.StopPort();
        std::vector<std::pair<int, quint16>> lstSeen;
        qint64 nSent[3] = {0, 0, 0};
        for (const LinkEvent &stEvent : objRec.Of(LinkEvent::Raw)) {
            const quint16 nSN = FrameSN(stEvent.objBytes);
            lstSeen.push_back({stEvent.enType, nSN});
            if (stEvent.enType == LINK_SEND_OK)
                nSent[nSN] = stEvent.nTime;
            else
                QVERIFY_WITHIN(stEvent.nTime - nSent[nSN], nSN == 1 ? 600 : 300, (nSN == 1 ? 600 : 300) + 100 + SLACK_MS);
        }
        QCOMPARE(lstSeen, (std::vector<std::pair<int, quint16>>{{LINK_SEND_OK, 1}, {LINK_SEND_OK, 2}, {LINK_RECV_TIMEOUT, 2},
                                                               {LINK_SEND_OK, 2}, {LINK_RECV_TIMEOUT, 1}, {LINK_RECV_TIMEOUT, 2}}));
        QCOMPARE(objRec.Of(LinkEvent::Record).size(), size_t(2));
    }
};

QTEST_GUILESS_MAIN(TstEngine)
#include "tst_engine.moc"
