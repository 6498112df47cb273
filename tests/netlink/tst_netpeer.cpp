// Our network links against an independent Modbus implementation (libmodbus):
// our masters read and write a libmodbus server, our slave serves a libmodbus
// client, and the asynchronous window against a slow server.

#include <QtTest>
#include <memory>
#include <thread>

#include <modbus/modbus.h>

#include "cport_tcp_c.h"
#include "cport_tcp_s.h"
#include "freeport.h"
#include "modbuspeer.h"
#include "netlink/netlinkutil.h"

namespace {

constexpr int WAIT_MS = 5000;

LINK_SEND_DATA_S WriteSingle(quint16 nSN, quint16 nAddr, quint16 nValue)
{
    LINK_SEND_DATA_S stRqst = ReadHolding(nSN, nAddr, nValue);
    stRqst.nFuncCode = 0x06;
    return stRqst;
}

} // namespace

class TstNetPeer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void masterAgainstServer_data();
    void masterAgainstServer();
    void slaveServesClient();
    void asyncWindowAgainstSlowServer();
    void asyncNotSlowerThanSync();
};

void TstNetPeer::initTestCase()
{
    RegisterLinkMetaTypes();
}

void TstNetPeer::init()
{
    CNetParaMgr::GetNetParaList().clear();
}

void TstNetPeer::masterAgainstServer_data()
{
    QTest::addColumn<int>("nTransMode");
    QTest::newRow("sync") << int(TRANS_MODE_TCP_SYNC);
    QTest::newRow("async") << int(TRANS_MODE_TCP_ASYNC);
}

void TstNetPeer::masterAgainstServer()
{
    QFETCH(int, nTransMode);
    const int nPort = PickFreePort();
    CModbusServerPeer objPeer;
    for (int i = 0; i < 125; ++i)
        objPeer.SetHolding(i, static_cast<quint16>(0xA000 + i * 3));
    objPeer.SetHolding(199, 0xA255);
    QVERIFY(objPeer.StartTcp("127.0.0.1", nPort));
    CNetParaMgr::SetNetPara(NetPara("NET_M", LINK_MODE_TCP_CLIENT, static_cast<quint16>(nTransMode), nPort));
    LinkUnderTest objLink(new CPortNetTCPClient("NET_M", WORK_MODE_MASTER));
    CPortBase &objPort = *objLink.pLink;

    // Queued before the link connects: nothing is lost while it is not open.
    objPort.PushSendData(ReadHolding(objPort.NextSN(), 0, 125), false); // the largest read
    objPort.PushSendData(WriteSingle(objPort.NextSN(), 200, 0xBEEF), false);
    objPort.PushSendData(ReadHolding(objPort.NextSN(), 199, 2), false);
    objPort.LaunchPort();
    QVERIFY(objLink.pRec->WaitFor(LinkEvent::Record, LINK_RECV_OK, 3, WAIT_MS));
    objPort.StopPort();

    const std::vector<LinkEvent> lstRec = objLink.pRec->Of(LinkEvent::Record);
    QCOMPARE(lstRec.size(), size_t(3));
    QByteArray objExpected(1, char(250));
    for (int i = 0; i < 125; ++i)
        objExpected.append(char((0xA000 + i * 3) >> 8)).append(char((0xA000 + i * 3) & 0xFF));
    QCOMPARE(lstRec[0].stRecord.nSN, quint16(1));
    QCOMPARE(lstRec[0].stRecord.objData, objExpected);
    QCOMPARE(lstRec[1].stRecord.nFuncCode, quint8(6));
    QCOMPARE(lstRec[1].stRecord.objData, QByteArray::fromHex("00C8BEEF"));
    QCOMPARE(objPeer.Holding(200), quint16(0xBEEF));
    QCOMPARE(lstRec[2].stRecord.objData, QByteArray::fromHex("04" "A255" "BEEF"));
    QCOMPARE(objPeer.RequestCount(), 3);
}

// A libmodbus client polls our slave; the replies the test queues reach it intact.
void TstNetPeer::slaveServesClient()
{
    const int nPort = PickFreePort();
    CNetParaMgr::SetNetPara(NetPara("NET_S", LINK_MODE_TCP_SERVER, TRANS_MODE_TCP_SYNC, nPort));
    LinkUnderTest objLink(new CPortNetTCPServer("NET_S", WORK_MODE_SLAVE));
    QVERIFY(objLink.StartAndWaitOpen());

    int nReadRc = -1;
    int nWriteRc = -1;
    uint16_t arrRegs[3] = {0, 0, 0};
    std::thread objClient([&]() {
        modbus_t *pCtx = modbus_new_tcp("127.0.0.1", nPort);
        if (pCtx == nullptr)
            return;
        modbus_set_response_timeout(pCtx, 4, 0);
        modbus_set_slave(pCtx, 9);
        if (modbus_connect(pCtx) == 0) {
            nReadRc = modbus_read_registers(pCtx, 5, 3, arrRegs);
            nWriteRc = modbus_write_register(pCtx, 7, 0x55AA);
            modbus_close(pCtx);
        }
        modbus_free(pCtx);
    });

    const bool bFirst = objLink.pRec->WaitFor(LinkEvent::Record, LINK_RECV_OK, 1, WAIT_MS);
    if (bFirst) {
        const LINK_RECV_DATA_S stRqst = objLink.pRec->Of(LinkEvent::Record)[0].stRecord;
        objLink.pLink->PushSendData(HoldingReply(stRqst, {0x0102, 0xFFFF, 0x8000}), false);
    }
    const bool bSecond = bFirst && objLink.pRec->WaitFor(LinkEvent::Record, LINK_RECV_OK, 2, WAIT_MS);
    if (bSecond) {
        const LINK_RECV_DATA_S stRqst = objLink.pRec->Of(LinkEvent::Record)[1].stRecord;
        LINK_SEND_DATA_S stEcho;
        stEcho.nSN = stRqst.nSN;
        stEcho.nAddr = stRqst.nAddr;
        stEcho.nFuncCode = stRqst.nFuncCode;
        stEcho.objData = stRqst.objData;
        objLink.pLink->PushSendData(stEcho, false);
    }
    objClient.join();
    QVERIFY(bSecond);

    const std::vector<LinkEvent> lstRec = objLink.pRec->Of(LinkEvent::Record);
    QCOMPARE(lstRec[0].stRecord.nAddr, quint8(9));
    QCOMPARE(lstRec[0].stRecord.nFuncCode, quint8(3));
    QCOMPARE(lstRec[0].stRecord.objData, QByteArray::fromHex("00050003"));
    QCOMPARE(lstRec[1].stRecord.nFuncCode, quint8(6));
    QCOMPARE(lstRec[1].stRecord.objData, QByteArray::fromHex("000755AA"));
    QCOMPARE(nReadRc, 3);
    QCOMPARE(arrRegs[0], uint16_t(0x0102));
    QCOMPARE(arrRegs[1], uint16_t(0xFFFF));
    QCOMPARE(arrRegs[2], uint16_t(0x8000));
    QCOMPARE(nWriteRc, 1);
}

// A server that takes 50 ms per reply but works on several at once: the
// window fills up to MaxAsynNum and never beyond, every request is answered
// exactly once, and 300 take little more than 300 / 15 * 50 ms.
void TstNetPeer::asyncWindowAgainstSlowServer()
{
    constexpr int COUNT = 300;
    constexpr int WINDOW = 15;
    const int nPort = PickFreePort();
    CModbusServerPeer objPeer;
    for (int i = 0; i < COUNT; ++i)
        objPeer.SetHolding(i, static_cast<quint16>(i * 11));
    objPeer.SetReplyLatency(50);
    QVERIFY(objPeer.StartTcp("127.0.0.1", nPort));
    CNetParaMgr::SetNetPara(NetPara("NET_A", LINK_MODE_TCP_CLIENT, TRANS_MODE_TCP_ASYNC, nPort, "127.0.0.1", WINDOW));
    LinkUnderTest objLink(new CPortNetTCPClient("NET_A", WORK_MODE_MASTER));
    CPortBase &objPort = *objLink.pLink;
    QHash<quint16, int> objAddrOfSN;
    for (int i = 0; i < COUNT; ++i) {
        const quint16 nSN = objPort.NextSN();
        objAddrOfSN.insert(nSN, i);
        objPort.PushSendData(ReadHolding(nSN, static_cast<quint16>(i), 1, 20000), false);
    }
    objPort.LaunchPort();
    QVERIFY(objLink.pRec->WaitFor(LinkEvent::Record, -1, COUNT, 20000));
    QTest::qWait(100);
    objPort.StopPort();

    int nOutstanding = 0;
    int nMaxOutstanding = 0;
    for (const LinkEvent &stEvent : objLink.pRec->Events()) {
        if (stEvent.enKind == LinkEvent::Raw && stEvent.enType == LINK_SEND_OK)
            nMaxOutstanding = qMax(nMaxOutstanding, ++nOutstanding);
        else if (stEvent.enKind == LinkEvent::Record)
            --nOutstanding;
    }
    QCOMPARE(nMaxOutstanding, WINDOW);
    QCOMPARE(nOutstanding, 0);
    const qint64 nTook = objLink.pRec->Of(LinkEvent::Record).back().nTime - objLink.pRec->Of(LinkEvent::Raw).front().nTime;
    QVERIFY2(nTook < 2000, qPrintable(QString::number(nTook)));

    const std::vector<LinkEvent> lstRec = objLink.pRec->Of(LinkEvent::Record);
    QCOMPARE(lstRec.size(), size_t(COUNT));
    QSet<quint16> objSeen;
    for (const LinkEvent &stEvent : lstRec) {
        QCOMPARE(stEvent.stRecord.enType, LINK_RECV_OK);
        QVERIFY(objAddrOfSN.contains(stEvent.stRecord.nSN));
        QVERIFY(!objSeen.contains(stEvent.stRecord.nSN));
        objSeen.insert(stEvent.stRecord.nSN);
        const int i = objAddrOfSN.value(stEvent.stRecord.nSN);
        QCOMPARE(stEvent.stRecord.objData, QByteArray::fromHex("02") + QByteArray(1, char((i * 11) >> 8))
                                               + QByteArray(1, char((i * 11) & 0xFF)));
    }
    QCOMPARE(objPeer.RequestCount(), COUNT);
    QVERIFY(RawOf(*objLink.pRec, LINK_RECV_SN_ERR).empty());
    QVERIFY(RawOf(*objLink.pRec, LINK_RECV_FRAME_ERR).empty());
}

// Against a fast server the window pays off instead of costing.
void TstNetPeer::asyncNotSlowerThanSync()
{
    constexpr int COUNT = 100;
    const int nPort = PickFreePort();
    CModbusServerPeer objPeer;
    QVERIFY(objPeer.StartTcp("127.0.0.1", nPort));
    qint64 arrTook[2] = {0, 0};
    for (const unsigned short nMode : {TRANS_MODE_TCP_SYNC, TRANS_MODE_TCP_ASYNC}) {
        CNetParaMgr::SetNetPara(NetPara("NET_F", LINK_MODE_TCP_CLIENT, nMode, nPort));
        LinkUnderTest objLink(new CPortNetTCPClient("NET_F", WORK_MODE_MASTER));
        for (int i = 0; i < COUNT; ++i)
            objLink.pLink->PushSendData(ReadHolding(objLink.pLink->NextSN(), 0, 10), false);
        objLink.pLink->LaunchPort();
        QVERIFY(objLink.pRec->WaitFor(LinkEvent::Record, LINK_RECV_OK, COUNT, 20000));
        arrTook[nMode == TRANS_MODE_TCP_ASYNC] =
            objLink.pRec->Of(LinkEvent::Record).back().nTime - objLink.pRec->Of(LinkEvent::Raw).front().nTime;
        objLink.pLink->StopPort();
    }
    QVERIFY2(arrTook[1] <= arrTook[0], qPrintable(QStringLiteral("sync %1 ms, async %2 ms").arg(arrTook[0]).arg(arrTook[1])));
}

QTEST_GUILESS_MAIN(TstNetPeer)
#include "tst_netpeer.moc"
