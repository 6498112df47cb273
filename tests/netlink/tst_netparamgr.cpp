// Network parameter store: defaults, conflicts between links that would own
// the same local port, and the change signal that makes the link manager
// rebuild a link.

#include <QSignalSpy>
#include <QtTest>

#include "ccfgfilemgr.h"
#include "cnetparamgr.h"
#include "linkdefine.h"
#include "netlink/netlinkutil.h"

class TstNetParaMgr : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void defaultsForUnknownName();
    void conflictRules_data();
    void conflictRules();
    void signalOnlyForExistingRecord();
    void deleteRecord();
};

void TstNetParaMgr::init()
{
    CNetParaMgr::GetNetParaList().clear();
}

void TstNetParaMgr::defaultsForUnknownName()
{
    QVERIFY(CNetParaMgr::SetNetPara(NetPara("NET_A", LINK_MODE_UDP_UNICAST, TRANS_MODE_RTU, 600, "10.0.0.7", 3)));
    // A stale value in the output must not leak into the defaults.
    NET_PARA_DATA_S stOut = NetPara("junk", 9, 9, 9, "9.9.9.9", 9);
    QVERIFY(CNetParaMgr::GetNetPara("NET_B", stOut));
    QCOMPARE(stOut, NetPara("NET_B", LINK_MODE_TCP_CLIENT, TRANS_MODE_TCP_SYNC, 502, "127.0.0.1", 15));
    // The store itself is not changed by asking.
    QCOMPARE(CNetParaMgr::GetNetParaList().size(), 1);

    QVERIFY(CNetParaMgr::GetNetPara("NET_A", stOut));
    QCOMPARE(stOut, NetPara("NET_A", LINK_MODE_UDP_UNICAST, TRANS_MODE_RTU, 600, "10.0.0.7", 3));
    // Names are compared exactly.
    QVERIFY(CNetParaMgr::GetNetPara("net_a", stOut));
    QCOMPARE(stOut.nPortID, quint16(502));
}

void TstNetParaMgr::conflictRules_data()
{
    QTest::addColumn<int>("nOldMode");
    QTest::addColumn<int>("nOldPort");
    QTest::addColumn<QString>("strOldIP");
    QTest::addColumn<int>("nNewMode");
    QTest::addColumn<int>("nNewPort");
    QTest::addColumn<QString>("strNewIP");
    QTest::addColumn<bool>("bAccepted");

    QTest::newRow("two servers, same port") << 1 << 502 << "127.0.0.1" << 1 << 502 << "127.0.0.9" << false;
    QTest::newRow("two servers, other port") << 1 << 502 << "127.0.0.1" << 1 << 503 << "127.0.0.1" << true;
    QTest::newRow("two UDP, same port") << 2 << 700 << "127.0.0.2" << 2 << 700 << "127.0.0.3" << false;
    QTest::newRow("server and UDP, same port") << 1 << 502 << "127.0.0.1" << 2 << 502 << "127.0.0.1" << true;
    QTest::newRow("UDP and server, same port") << 2 << 502 << "127.0.0.1" << 1 << 502 << "127.0.0.1" << true;
    QTest::newRow("client and server, same port") << 0 << 502 << "127.0.0.1" << 1 << 502 << "127.0.0.1" << true;
    QTest::newRow("two clients, same peer") << 0 << 502 << "127.0.0.1" << 0 << 502 << "127.0.0.1" << true;
    QTest::newRow("unknown link modes") << 7 << 1 << "127.0.0.1" << 7 << 2 << "127.0.0.1" << false;
}

void TstNetParaMgr::conflictRules()
{
    QFETCH(int, nOldMode);
    QFETCH(int, nOldPort);
    QFETCH(QString, strOldIP);
    QFETCH(int, nNewMode);
    QFETCH(int, nNewPort);
    QFETCH(QString, strNewIP);
    QFETCH(bool, bAccepted);

    QSignalSpy objSpy(CNetParaMgr::GetInstance(), &CNetParaMgr::siNETParaChanged);
    const NET_PARA_DATA_S stOld = NetPara("NET_OLD", nOldMode, TRANS_MODE_TCP_SYNC, nOldPort, strOldIP);
    QVERIFY(CNetParaMgr::SetNetPara(stOld));
    // Checked as a change of an existing record, which must not conflict with
    // its own earlier version (put in place directly).
    const NET_PARA_DATA_S stNew = NetPara("NET_NEW", nNewMode, TRANS_MODE_RTU, nNewPort, strNewIP);
    CNetParaMgr::GetNetParaList().append(NetPara("NET_NEW", nNewMode, TRANS_MODE_RTU, 9999, strNewIP));
    QCOMPARE(CNetParaMgr::SetNetPara(stNew), bAccepted);

    NET_PARA_DATA_S stOut;
    CNetParaMgr::GetNetPara("NET_NEW", stOut);
    QCOMPARE(stOut.nPortID, quint16(bAccepted ? nNewPort : 9999));
    QCOMPARE(objSpy.count(), bAccepted ? 1 : 0);
    CNetParaMgr::GetNetPara("NET_OLD", stOut);
    QCOMPARE(stOut, stOld);

    // A new record is checked alike: one more like NET_NEW now meets a record
    // with its mode and port, which only clients may share.
    QCOMPARE(CNetParaMgr::SetNetPara(NetPara("NET_THIRD", nNewMode, TRANS_MODE_RTU, nNewPort, strNewIP)),
             nNewMode == LINK_MODE_TCP_CLIENT);
}

void TstNetParaMgr::signalOnlyForExistingRecord()
{
    QSignalSpy objSpy(CNetParaMgr::GetInstance(), &CNetParaMgr::siNETParaChanged);
    QVERIFY(CNetParaMgr::SetNetPara(NetPara("NET_X", LINK_MODE_TCP_SERVER, TRANS_MODE_TCP_SYNC, 1502)));
    QCOMPARE(objSpy.count(), 0);
    QCOMPARE(CNetParaMgr::GetNetParaList().size(), 1);

    QVERIFY(CNetParaMgr::SetNetPara(NetPara("NET_X", LINK_MODE_TCP_SERVER, TRANS_MODE_RTU, 1503, "127.0.0.5", 4)));
    QCOMPARE(objSpy.count(), 1);
    QCOMPARE(objSpy.at(0).at(0).toString(), QStringLiteral("NET_X"));
    QCOMPARE(CNetParaMgr::GetNetParaList().size(), 1);
    // Every field was overwritten, and the record is visible when the signal arrives.
    QCOMPARE(CNetParaMgr::GetNetParaList().at(0), NetPara("NET_X", LINK_MODE_TCP_SERVER, TRANS_MODE_RTU, 1503, "127.0.0.5", 4));

    // A refused change emits nothing.
    QVERIFY(CNetParaMgr::SetNetPara(NetPara("NET_Y", LINK_MODE_TCP_SERVER, TRANS_MODE_RTU, 1600)));
    objSpy.clear();
    QVERIFY(!CNetParaMgr::SetNetPara(NetPara("NET_Y", LINK_MODE_TCP_SERVER, TRANS_MODE_RTU, 1503)));
    QCOMPARE(objSpy.count(), 0);
}

void TstNetParaMgr::deleteRecord()
{
    QVERIFY(!CNetParaMgr::DelNetPara("NET_Z"));
    QVERIFY(CNetParaMgr::SetNetPara(NetPara("NET_Z", LINK_MODE_TCP_SERVER, TRANS_MODE_TCP_SYNC, 1700)));
    QVERIFY(CNetParaMgr::SetNetPara(NetPara("NET_W", LINK_MODE_UDP_UNICAST, TRANS_MODE_TCP_SYNC, 1700)));
    QVERIFY(CNetParaMgr::DelNetPara("NET_Z"));
    QVERIFY(!CNetParaMgr::DelNetPara("NET_Z"));
    QCOMPARE(CNetParaMgr::GetNetParaList().size(), 1);
    QCOMPARE(CNetParaMgr::GetNetParaList().at(0).strNetName, QStringLiteral("NET_W"));
    // Its port is free again for another server.
    QVERIFY(CNetParaMgr::SetNetPara(NetPara("NET_V", LINK_MODE_TCP_SERVER, TRANS_MODE_TCP_SYNC, 1700)));
}

QTEST_GUILESS_MAIN(TstNetParaMgr)
#include "tst_netparamgr.moc"
