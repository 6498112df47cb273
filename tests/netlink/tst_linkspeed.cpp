// What is ready leaves at once, not at the link's next tick: an independent
// client's round trips through our slave link, an idle master's request, and
// the asynchronous window against slow and fast servers.

#include <QtTest>
#include <algorithm>

#include "common/framebytes.h"
#include "cport_tcp_c.h"
#include "netlink/netrig.h"

namespace {

double Median(std::vector<double> lstMs)
{
    std::sort(lstMs.begin(), lstMs.end());
    return lstMs.empty() ? 1e9 : lstMs[lstMs.size() / 2];
}

// The time from the first send to the last record, and the most requests outstanding at once.
std::pair<qint64, int> Span(CLinkRecorder &objRec)
{
    int nOutstanding = 0, nMax = 0;
    for (const LinkEvent &stEvent : objRec.Events()) {
        if (stEvent.enKind == LinkEvent::Raw && stEvent.enType == LINK_SEND_OK)
            nMax = qMax(nMax, ++nOutstanding);
        else if (stEvent.enKind == LinkEvent::Record)
            --nOutstanding;
    }
    return {objRec.Of(LinkEvent::Record).back().nTime - objRec.Of(LinkEvent::Raw).front().nTime, nMax};
}

} // namespace

class TstLinkSpeed : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterLinkMetaTypes(); }
    void init() { CNetParaMgr::GetNetParaList().clear(); }

    // The device answers from this thread, as from the GUI thread.
    void slaveAnswersAtOnce()
    {
        const double fLineMs = (8 + 9) * 10 * 1000.0 / 115200; // request and reply on the pty at 115200 baud
        for (const auto &objCase : QList<QPair<QString, int>>{{"tcp", TRANS_MODE_TCP_SYNC}, {"udp", TRANS_MODE_TCP_SYNC},
                                                              {"pty", TRANS_MODE_RTU}}) {
            SlaveRig objRig;
            QVERIFY(objRig.Start(objCase.first, quint16(objCase.second), "127.0.0.1", {}, true));
            const std::vector<double> lstMs = PollTimes(objRig, 200);
            QCOMPARE(lstMs.size(), size_t(200));
            QVERIFY2(Median(lstMs) < 5 + (objCase.first == "pty" ? fLineMs : 0), qPrintable(objCase.first + QString::number(Median(lstMs))));
        }
    }

    // A request queued while nothing is outstanding and the pause after the
    // last reply is over goes out at once.
    void idleMasterSendsAtOnce()
    {
        const int nPort = PickFreePort();
        CModbusServerPeer objPeer;
        QVERIFY(objPeer.StartTcp("127.0.0.1", nPort));
        CNetParaMgr::SetNetPara(NetPara("NET_M", LINK_MODE_TCP_CLIENT, TRANS_MODE_TCP_SYNC, nPort));
        LinkUnderTest objLink(new CPortNetTCPClient("NET_M", WORK_MODE_MASTER));
        QVERIFY(objLink.StartAndWaitOpen());
        std::vector<double> lstMs;
        for (int i = 1; i <= 30; ++i) {
            QTest::qWait(25);
            const qint64 nPushed = NowMs();
            objLink.pLink->PushSendData(ReadHolding(quint16(i), 0, 2), false);
            QVERIFY(objLink.pRec->WaitFor(LinkEvent::Record, LINK_RECV_OK, size_t(i), 2000));
            const std::vector<QByteArray> lstSent = RawOf(*objLink.pRec, LINK_SEND_OK);
            QCOMPARE(lstSent.size(), size_t(i));
            qint64 nSentAt = 0;
            for (const LinkEvent &stEvent : objLink.pRec->Of(LinkEvent::Raw))
                nSentAt = stEvent.enType == LINK_SEND_OK ? stEvent.nTime : nSentAt;
            lstMs.push_back(double(nSentAt - nPushed));
        }
        QVERIFY2(Median(lstMs) < 2, qPrintable(QString::number(Median(lstMs))));
    }

    // A server that takes 50 ms per reply but works on several at once: the
    // window fills up to MaxAsynNum and never beyond, every request is
    // answered exactly once, and 300 take little more than 300 / 15 * 50 ms.
    void asyncWindowAgainstSlowServer()
    {
        constexpr int COUNT = 300, WINDOW = 15;
        const int nPort = PickFreePort();
        CModbusServerPeer objPeer(COUNT);
        for (int i = 0; i < COUNT; ++i)
            objPeer.SetHolding(i, quint16(i * 11));
        objPeer.SetReplyLatency(50);
        QVERIFY(objPeer.StartTcp("127.0.0.1", nPort));
        CNetParaMgr::SetNetPara(NetPara("NET_A", LINK_MODE_TCP_CLIENT, TRANS_MODE_TCP_ASYNC, nPort, "127.0.0.1", WINDOW));
        LinkUnderTest objLink(new CPortNetTCPClient("NET_A", WORK_MODE_MASTER));
        for (int i = 0; i < COUNT; ++i)
            objLink.pLink->PushSendData(ReadHolding(quint16(1000 + i), quint16(i), 1, 20000), false);
        objLink.pLink->LaunchPort();
        QVERIFY(objLink.pRec->WaitFor(LinkEvent::Record, -1, COUNT, 20000));
        QTest::qWait(100);
        objLink.pLink->StopPort();
        const std::pair<qint64, int> stSpan = Span(*objLink.pRec);
        QCOMPARE(stSpan.second, WINDOW);
        QVERIFY2(stSpan.first < 2000, qPrintable(QString::number(stSpan.first)));
        QSet<quint16> objSeen;
        for (const LinkEvent &stEvent : objLink.pRec->Of(LinkEvent::Record)) {
            const int i = stEvent.stRecord.nSN - 1000;
            QVERIFY(stEvent.stRecord.enType == LINK_RECV_OK && i >= 0 && i < COUNT && !objSeen.contains(stEvent.stRecord.nSN));
            objSeen.insert(stEvent.stRecord.nSN);
            QCOMPARE(stEvent.stRecord.objData, Hex("02") + char((i * 11) >> 8) + char((i * 11) & 0xFF));
        }
        QVERIFY(objSeen.size() == COUNT && objPeer.RequestCount() == COUNT);
        QVERIFY(RawOf(*objLink.pRec, LINK_RECV_SN_ERR).empty() && RawOf(*objLink.pRec, LINK_RECV_FRAME_ERR).empty());
    }

    // Against a fast server the window pays off instead of costing.
    void asyncNotSlowerThanSync()
    {
        const int nPort = PickFreePort();
        CModbusServerPeer objPeer;
        QVERIFY(objPeer.StartTcp("127.0.0.1", nPort));
        qint64 arrTook[2] = {0, 0};
        for (const unsigned short nMode : {TRANS_MODE_TCP_SYNC, TRANS_MODE_TCP_ASYNC}) {
            CNetParaMgr::SetNetPara(NetPara("NET_F", LINK_MODE_TCP_CLIENT, nMode, nPort));
            LinkUnderTest objLink(new CPortNetTCPClient("NET_F", WORK_MODE_MASTER));
            for (int i = 0; i < 100; ++i)
                objLink.pLink->PushSendData(ReadHolding(objLink.pLink->NextSN(), 0, 10), false);
            objLink.pLink->LaunchPort();
            QVERIFY(objLink.pRec->WaitFor(LinkEvent::Record, LINK_RECV_OK, 100, 20000));
            arrTook[nMode == TRANS_MODE_TCP_ASYNC] = Span(*objLink.pRec).first;
        }
        QVERIFY2(arrTook[1] <= arrTook[0], qPrintable(QStringLiteral("sync %1 ms, async %2 ms").arg(arrTook[0]).arg(arrTook[1])));
    }
};

QTEST_GUILESS_MAIN(TstLinkSpeed)
#include "tst_linkspeed.moc"
