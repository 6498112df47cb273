// Asynchronous MODBUS-TCP master: several outstanding requests matched by
// transaction identifier, over a scripted medium with real thread and timers.

#include <QtTest>

#include "common/framebytes.h"
#include "common/testport.h"

namespace {

constexpr int SLACK_MS = 250;

LINK_SEND_DATA_S ReadRqst(quint16 nSN, quint32 nTimeOut, quint16 nResend = 0)
{
    LINK_SEND_DATA_S stRqst;
    stRqst.nSN = nSN;
    stRqst.nAddr = 1;
    stRqst.nFuncCode = 0x03;
    stRqst.nIsNeedRsp = 1;
    stRqst.nResendCount = nResend;
    stRqst.nTimeOut = nTimeOut;
    stRqst.objData = Hex("00000001");
    return stRqst;
}

QByteArray TcpReply(quint16 nSN, quint16 nProto = 0)
{
    QByteArray objOut;
    objOut.append(static_cast<char>(nSN >> 8)).append(static_cast<char>(nSN & 0xFF));
    objOut.append(static_cast<char>(nProto >> 8)).append(static_cast<char>(nProto & 0xFF));
    objOut.append(Hex("0005 01 03 02 00 2A").replace(" ", ""));
    return objOut;
}

quint16 FrameSN(const QByteArray &objFrame)
{
    return static_cast<quint16>((static_cast<unsigned char>(objFrame[0]) << 8) | static_cast<unsigned char>(objFrame[1]));
}

} // namespace

class TstPortAsync : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterLinkMetaTypes(); }
    void windowOfOutstandingRequests();
    void zeroWindowSendsNothing();
    void expiryPerContext();
    void unconsumedBytesDroppedEachTick();
    void otherModesStaySynchronous();
};

void TstPortAsync::windowOfOutstandingRequests()
{
    CTestNetPort objPort(WORK_MODE_MASTER, TRANS_MODE_TCP_ASYNC, 15);
    CLinkRecorder objRec(&objPort);
    for (quint16 nSN = 1; nSN <= 20; ++nSN)
        objPort.PushSendData(ReadRqst(nSN, 20000), false);
    QVERIFY(objPort.LaunchPort());
    QVERIFY(objRec.WaitFor(LinkEvent::Raw, LINK_SEND_OK, 15, 2000));
    QTest::qWait(300);
    QCOMPARE(objPort.objMedium.WrittenCount(), size_t(15));

    // The window fills in one processing step, not one request per step.
    const std::vector<LinkEvent> lstSent = objRec.Of(LinkEvent::Raw);
    QVERIFY2(lstSent.back().nTime - lstSent.front().nTime < 60,
             qPrintable(QString::number(lstSent.back().nTime - lstSent.front().nTime)));

    // Replies out of order, with a foreign identifier between them.
    const qint64 nFed = NowMs();
    objPort.objMedium.Feed(TcpReply(7) + TcpReply(99) + TcpReply(2) + TcpReply(5, 1));
    QVERIFY(objRec.WaitFor(LinkEvent::Record, LINK_RECV_OK, 2, 2000));
    QVERIFY(objRec.WaitFor(LinkEvent::Raw, LINK_SEND_OK, 17, 2000)); // two slots freed
    QTest::qWait(200);
    objPort.StopPort();

    const std::vector<LinkEvent> lstRec = objRec.Of(LinkEvent::Record);
    QCOMPARE(lstRec.size(), size_t(2));
    QCOMPARE(lstRec[0].stRecord.nSN, quint16(7));
    QCOMPARE(lstRec[1].stRecord.nSN, quint16(2));
    QCOMPARE(lstRec[0].stRecord.nFuncCode, quint8(3));
    QCOMPARE(lstRec[0].stRecord.objData, Hex("02002A"));
    // Response time from the context's clock: sent long before the reply came.
    const qint64 nSentAgo7 = nFed - lstSent[6].nTime;
    QVERIFY2(lstRec[0].stRecord.nRspTime + 5 >= nSentAgo7 && lstRec[0].stRecord.nRspTime <= nSentAgo7 + SLACK_MS,
             qPrintable(QStringLiteral("%1 %2").arg(lstRec[0].stRecord.nRspTime).arg(nSentAgo7)));

    std::vector<int> lstKinds;
    for (const LinkEvent &stEvent : objRec.Of(LinkEvent::Raw)) {
        if (stEvent.enType != LINK_SEND_OK)
            lstKinds.push_back(stEvent.enType);
    }
    QCOMPARE(lstKinds, (std::vector<int>{LINK_RECV_OK, LINK_RECV_SN_ERR, LINK_RECV_OK, LINK_RECV_TYPE_ERR}));
    QCOMPARE(objPort.objMedium.WrittenCount(), size_t(17));
    QCOMPARE(FrameSN(objPort.objMedium.Written().back()), quint16(17));
}

void TstPortAsync::zeroWindowSendsNothing()
{
    CTestNetPort objPort(WORK_MODE_MASTER, TRANS_MODE_TCP_ASYNC, 0);
    CLinkRecorder objRec(&objPort);
    for (quint16 nSN = 1; nSN <= 3; ++nSN)
        objPort.PushSendData(ReadRqst(nSN, 20000), false);
    QVERIFY(objPort.LaunchPort());
    QTest::qWait(300);
    QCOMPARE(objPort.objMedium.WrittenCount(), size_t(0));
    QVERIFY(objRec.Of(LinkEvent::Record).empty());
    // The requests stayed queued, in order.
    objPort.SetModes(TRANS_MODE_TCP_ASYNC, 3);
    QVERIFY(objRec.WaitFor(LinkEvent::Raw, LINK_SEND_OK, 3, 3000));
    objPort.StopPort();
    const std::vector<QByteArray> lstWritten = objPort.objMedium.Written();
    QCOMPARE(lstWritten.size(), size_t(3));
    for (size_t i = 0; i < lstWritten.size(); ++i)
        QCOMPARE(FrameSN(lstWritten[i]), quint16(i + 1));
}

void TstPortAsync::expiryPerContext()
{
    CTestNetPort objPort(WORK_MODE_MASTER, TRANS_MODE_TCP_ASYNC, 15);
    CLinkRecorder objRec(&objPort);
    objPort.PushSendData(ReadRqst(1, 600), false);
    objPort.PushSendData(ReadRqst(2, 300, 1), false);
    QVERIFY(objPort.LaunchPort());
    QVERIFY(objRec.WaitFor(LinkEvent::Record, LINK_RECV_TIMEOUT, 2, 4000));
    QTest::qWait(150);
    objPort.StopPort();

    // Request 2 expires first, is resent once, and expires again.
    std::vector<std::pair<int, quint16>> lstSeen;
    qint64 nSent[3] = {0, 0, 0};
    for (const LinkEvent &stEvent : objRec.Of(LinkEvent::Raw)) {
        const quint16 nSN = FrameSN(stEvent.objBytes);
        lstSeen.push_back({stEvent.enType, nSN});
        if (stEvent.enType == LINK_SEND_OK) {
            nSent[nSN] = stEvent.nTime;
        } else {
            QCOMPARE(stEvent.enType, LINK_RECV_TIMEOUT);
            const qint64 nWaited = stEvent.nTime - nSent[nSN];
            const qint64 nTimeOut = nSN == 1 ? 600 : 300;
            QVERIFY2(nWaited >= nTimeOut && nWaited <= nTimeOut + 100 + SLACK_MS, qPrintable(QString::number(nWaited)));
        }
    }
    const std::vector<std::pair<int, quint16>> lstExpected = {
        {LINK_SEND_OK, 1}, {LINK_SEND_OK, 2}, {LINK_RECV_TIMEOUT, 2}, {LINK_SEND_OK, 2},
        {LINK_RECV_TIMEOUT, 1}, {LINK_RECV_TIMEOUT, 2}};
    QCOMPARE(lstSeen, lstExpected);
    const std::vector<LinkEvent> lstRec = objRec.Of(LinkEvent::Record);
    QCOMPARE(lstRec.size(), size_t(2));
    QCOMPARE(lstRec[0].stRecord.nSN, quint16(1));
    QCOMPARE(lstRec[1].stRecord.nSN, quint16(2));
}

// The beginning of an awaited reply waits across ticks for the rest; bytes
// that can no longer become a reply are dropped at the next tick.
void TstPortAsync::unconsumedBytesDroppedEachTick()
{
    CTestNetPort objPort(WORK_MODE_MASTER, TRANS_MODE_TCP_ASYNC, 15);
    CLinkRecorder objRec(&objPort);
    objPort.PushSendData(ReadRqst(1, 5000), false);
    QVERIFY(objPort.LaunchPort());
    QVERIFY(objRec.WaitFor(LinkEvent::Raw, LINK_SEND_OK, 1, 2000));
    objPort.objMedium.Feed(TcpReply(1).left(9));
    objPort.objMedium.Feed(TcpReply(1).mid(9), 250);
    QVERIFY(objRec.WaitFor(LinkEvent::Record, LINK_RECV_OK, 1, 2000));

    const qint64 nFed = NowMs();
    objPort.objMedium.Feed(TcpReply(1).left(9)); // answered already
    QVERIFY(objRec.WaitFor(LinkEvent::Raw, LINK_RECV_FRAME_ERR, 1, 2000));
    objPort.StopPort();
    const std::vector<LinkEvent> lstRaw = objRec.Of(LinkEvent::Raw);
    QCOMPARE(lstRaw.size(), size_t(3));
    QCOMPARE(lstRaw[2].objBytes, TcpReply(1).left(9));
    QCOMPARE(lstRaw[2].nAddr, quint16(0));
    QVERIFY(lstRaw[2].nTime - nFed <= 100 + SLACK_MS);
}

void TstPortAsync::otherModesStaySynchronous()
{
    CTestNetPort objPort(WORK_MODE_MASTER, TRANS_MODE_TCP_SYNC, 15);
    CLinkRecorder objRec(&objPort);
    objPort.PushSendData(ReadRqst(1, 300), false);
    objPort.PushSendData(ReadRqst(2, 300), false);
    QVERIFY(objPort.LaunchPort());
    QVERIFY(objRec.WaitFor(LinkEvent::Record, LINK_RECV_TIMEOUT, 2, 3000));
    objPort.StopPort();
    std::vector<int> lstKinds;
    for (const LinkEvent &stEvent : objRec.Of(LinkEvent::Raw))
        lstKinds.push_back(stEvent.enType);
    QCOMPARE(lstKinds, (std::vector<int>{LINK_SEND_OK, LINK_RECV_TIMEOUT, LINK_SEND_OK, LINK_RECV_TIMEOUT}));
}

QTEST_GUILESS_MAIN(TstPortAsync)
#include "tst_portasync.moc"
