// Our devices on real links: one table of pairings, role × link × framing,
// against libmodbus where it speaks the framing and against our own other
// side where it does not. Every row reads every point once and writes some,
// with the values checked on both sides. Then what links being rebuilt,
// stopped or shared does to the devices on them.

#include <QTcpServer>
#include <QtTest>
#include <memory>

#include <modbus/modbus.h>

#include "ccfgfilemgr.h"
#include "cdevicemaster.h"
#include "commonfunc.h"
#include "cdeviceslave.h"
#include "ccomparamgr.h"
#include "cportmgr.h"
#include "common/codecport.h"
#include "common/framebytes.h"
#include "common/freeport.h"
#include "common/modbuspeer.h"
#include "common/netrecords.h"
#include "common/socatpair.h"
#include "common/valuetable.h"

namespace {

constexpr int WAIT_MS = 8000;
constexpr quint16 UNIT = 17;

// A point, its words on the wire (a bit: 0 or 1) and its shown text.
struct POINT_S
{
    quint16 nBlock, nAddr, nSize, nPrtc, nShow, nOrder; // order: bit 0 bytes swapped, bit 1 words swapped
    double fGain;
    QVector<quint16> lstWords;
    const char *pText;
};

const POINT_S POINTS[] = {
    {BLOCK_COIL, 0, 1, PRTC_TYPE_BIT, SHOW_TYPE_BIT, 0, 1, {1}, "1"},
    {BLOCK_COIL, 1, 1, PRTC_TYPE_BIT, SHOW_TYPE_BIT, 0, 1, {0}, "0"},
    {BLOCK_COIL, 9, 1, PRTC_TYPE_BIT, SHOW_TYPE_BIT, 0, 1, {1}, "1"},
    {BLOCK_DISCRETE_INPUT, 1, 1, PRTC_TYPE_BIT, SHOW_TYPE_BIT, 0, 1, {1}, "1"},
    {BLOCK_DISCRETE_INPUT, 2, 1, PRTC_TYPE_BIT, SHOW_TYPE_BIT, 0, 1, {0}, "0"},
    {BLOCK_HOLDING_REG, 0, 1, PRTC_TYPE_INT, SHOW_TYPE_INT_DEC, 0, 1, {0xFF85}, "-123"},
    {BLOCK_HOLDING_REG, 1, 1, PRTC_TYPE_UINT, SHOW_TYPE_INT_HEX, 1, 1, {0xEFBE}, "0XBEEF"},
    {BLOCK_HOLDING_REG, 2, 2, PRTC_TYPE_UINT, SHOW_TYPE_FLOAT, 2, 0.01, {0xE240, 0x0001}, "1234.56"},
    {BLOCK_HOLDING_REG, 4, 2, PRTC_TYPE_FLOAT, SHOW_TYPE_FLOAT, 3, 1, {0x0000, 0x5040}, "3.250000"},
    {BLOCK_HOLDING_REG, 8, 4, PRTC_TYPE_FLOAT, SHOW_TYPE_FLOAT, 0, 1, {0xC004, 0, 0, 0}, "-2.500000"},
    {BLOCK_INPUT_REG, 0, 1, PRTC_TYPE_INT, SHOW_TYPE_FLOAT, 0, 0.5, {0xFFFD}, "-1.5"},
    {BLOCK_INPUT_REG, 1, 2, PRTC_TYPE_UINT, SHOW_TYPE_INT_DEC, 3, 1, {0x7856, 0x3412}, "305419896"},
    {BLOCK_INPUT_REG, 7, 1, PRTC_TYPE_UINT, SHOW_TYPE_INT_DEC, 0, 1, {0xFFFF}, "65535"},
};
constexpr int POINT_COUNT = int(sizeof(POINTS) / sizeof(POINTS[0]));

// What the master writes (coils 0x0F, a register 0x06, two points 0x10) and
// what must land on the other side.
const QList<LOCAL_DATA_MAP_S> WRITES = {{1, "0"}, {2, "1"}, {6, "-7"}, {8, "42.01"}, {9, "-0.125000"}};
const QVector<quint16> WRITTEN_WORDS[] = {{0}, {1}, {0xFFF9}, {0x1069, 0x0000}, {0x0000, 0x00BE}};

QList<DEVICE_DATA_CFG_S> Points()
{
    QList<DEVICE_DATA_CFG_S> objOut;
    for (const POINT_S &stPoint : POINTS) {
        DEVICE_DATA_CFG_S objCfg;
        objCfg.nID = quint32(objOut.size() + 1);
        objCfg.strName = QStringLiteral("P%1").arg(objCfg.nID);
        objCfg.nBlock = stPoint.nBlock;
        objCfg.nAddr = stPoint.nAddr;
        objCfg.nSize = stPoint.nSize;
        objCfg.nPrtcType = stPoint.nPrtc;
        objCfg.nShowType = stPoint.nShow;
        objCfg.nByteOder = stPoint.nOrder & 1;
        objCfg.nWordOder = stPoint.nOrder >> 1;
        objCfg.fGain = stPoint.fGain;
        objCfg.nTimeOut = 1500;
        objOut.append(objCfg);
    }
    return objOut;
}

QList<quint32> AllIds()
{
    QList<quint32> objOut;
    for (int i = 1; i <= POINT_COUNT; ++i)
        objOut.append(quint32(i));
    return objOut;
}

void SetPoints(CDeviceBase &objDevice, CValueTable &objTable)
{
    CCfgFileMgr::GetInstance()->ReplaceDeviceDataCfgList(objDevice.GetName(), {});
    CCfgFileMgr::GetInstance()->GetDeviceDataCfgList(objDevice.GetName()) = Points();
    objTable.Attach(&objDevice);
}

void AddComRecord(const QString &strPath, quint16 nTransMode = TRANS_MODE_RTU)
{
    COM_PARA_DATA_S stPara;
    stPara.nPresent = 1;
    stPara.strPortName = strPath;
    stPara.nTransMode = nTransMode;
    stPara.nBaudRate = 115200;
    CComParaMgr::GetComParaList().append(stPara);
}

modbus_t *NewClient(const QString &strLink, int nPort)
{
    modbus_t *pCtx = nPort > 0 ? modbus_new_tcp("127.0.0.1", nPort)
                               : modbus_new_rtu(strLink.toLocal8Bit().constData(), 115200, 'N', 8, 1);
    modbus_set_slave(pCtx, UNIT);
    modbus_set_response_timeout(pCtx, 3, 0);
    bool bOk = false;
    RunClient([&] { bOk = modbus_connect(pCtx) == 0; });
    if (!bOk) {
        modbus_free(pCtx);
        return nullptr;
    }
    return pCtx;
}

void FreeClient(modbus_t *pCtx)
{
    if (pCtx != nullptr) {
        modbus_close(pCtx);
        modbus_free(pCtx);
    }
}

} // namespace

class TstInterop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterLinkMetaTypes(); }
    void init()
    {
        CCfgFileMgr::GetInstance()->ClearCfg();
        CNetParaMgr::GetNetParaList().clear();
        CComParaMgr::GetComParaList().clear();
    }

    void pairings_data()
    {
        QTest::addColumn<QString>("strOurs");  // master, slave or both
        QTest::addColumn<QString>("strLink");  // tcp, udp or pty
        QTest::addColumn<int>("nMode");
        QTest::newRow("master, TCP, MBAP") << "master" << "tcp" << int(TRANS_MODE_TCP_SYNC);
        QTest::newRow("master, TCP, MBAP async") << "master" << "tcp" << int(TRANS_MODE_TCP_ASYNC);
        QTest::newRow("master, pty, RTU") << "master" << "pty" << int(TRANS_MODE_RTU);
        QTest::newRow("slave, TCP, MBAP") << "slave" << "tcp" << int(TRANS_MODE_TCP_SYNC);
        QTest::newRow("slave, TCP, MBAP async") << "slave" << "tcp" << int(TRANS_MODE_TCP_ASYNC);
        QTest::newRow("slave, pty, RTU") << "slave" << "pty" << int(TRANS_MODE_RTU);
        QTest::newRow("both, UDP, MBAP") << "both" << "udp" << int(TRANS_MODE_TCP_SYNC);
        QTest::newRow("both, UDP, MBAP async") << "both" << "udp" << int(TRANS_MODE_TCP_ASYNC);
        QTest::newRow("both, UDP, ASCII") << "both" << "udp" << int(TRANS_MODE_ASCII);
        QTest::newRow("both, TCP, RTU") << "both" << "tcp" << int(TRANS_MODE_RTU);
        QTest::newRow("both, TCP, ASCII") << "both" << "tcp" << int(TRANS_MODE_ASCII);
    }

    void pairings()
    {
        QFETCH(QString, strOurs);
        QFETCH(QString, strLink);
        QFETCH(int, nMode);
        const quint16 nTransMode = quint16(nMode);
        const bool bOurMaster = strOurs != "slave";
        const bool bOurSlave = strOurs != "master";
        CSocatPair objPair;
        const int nPort = PickFreePort();
        QString strMasterLink = "NET-M";
        QString strSlaveLink = "NET-S";
        std::unique_ptr<CLoopbackUdp> pUdpSlaveLink;
        if (strLink == "pty") {
            QVERIFY(objPair.Start());
            strMasterLink = objPair.EndA();
            strSlaveLink = objPair.EndA();
            AddComRecord(objPair.EndA(), nTransMode);
        } else if (strLink == "tcp") {
            QVERIFY(CNetParaMgr::SetNetPara(NetPara(strMasterLink, LINK_MODE_TCP_CLIENT, nTransMode, nPort)));
            QVERIFY(CNetParaMgr::SetNetPara(NetPara(strSlaveLink, LINK_MODE_TCP_SERVER, nTransMode, nPort)));
        } else {
            // One port number on both ends: the master binds every address,
            // the slave's link only 127.0.0.2.
            QVERIFY(CNetParaMgr::SetNetPara(NetPara(strMasterLink, LINK_MODE_UDP_UNICAST, nTransMode, nPort, "127.0.0.2")));
            CNetParaMgr::GetNetParaList().append(NetPara(strSlaveLink, LINK_MODE_UDP_UNICAST, nTransMode, nPort));
            pUdpSlaveLink.reset(new CLoopbackUdp(strSlaveLink, WORK_MODE_SLAVE, "127.0.0.2"));
            pUdpSlaveLink->start();
            QTRY_VERIFY(pUdpSlaveLink->IsOpen());
        }

        // The other side: ours, or libmodbus as a server with the points' words.
        CModbusServerPeer objServer(100);
        std::unique_ptr<CDeviceSlave> pSlave;
        CValueTable objSlaveTbl;
        if (bOurSlave) {
            if (pUdpSlaveLink)
                pSlave.reset(new CBoundDevice<CDeviceSlave>(pUdpSlaveLink.get(), UNIT));
            else
                pSlave.reset(new CDeviceSlave("S", strSlaveLink, UNIT));
            SetPoints(*pSlave, objSlaveTbl);
            for (int i = 0; i < POINT_COUNT; ++i)
                objSlaveTbl.Set(quint32(i + 1), POINTS[i].pText);
            QTRY_COMPARE_WITH_TIMEOUT(pSlave->GetState(), quint16(1), WAIT_MS);
        } else {
            for (const POINT_S &stPoint : POINTS) {
                for (int i = 0; i < stPoint.lstWords.size(); ++i) {
                    const int nAddr = stPoint.nAddr + i;
                    switch (stPoint.nBlock) {
                    case BLOCK_COIL: objServer.SetCoil(nAddr, stPoint.lstWords[i] != 0); break;
                    case BLOCK_DISCRETE_INPUT: objServer.SetDiscrete(nAddr, stPoint.lstWords[i] != 0); break;
                    case BLOCK_HOLDING_REG: objServer.SetHolding(nAddr, stPoint.lstWords[i]); break;
                    default: objServer.SetInput(nAddr, stPoint.lstWords[i]);
                    }
                }
            }
            QVERIFY(strLink == "pty" ? objServer.StartRtu(objPair.EndB(), 115200, UNIT)
                                     : objServer.StartTcp("127.0.0.1", nPort));
        }

        if (bOurMaster) {
            if (strLink == "pty" && bOurSlave)
                AddComRecord(strMasterLink = objPair.EndB(), nTransMode);
            CDeviceMaster objMaster("M", strMasterLink, UNIT);
            CValueTable objMasterTbl;
            SetPoints(objMaster, objMasterTbl);
            SetAttr(objMaster);
            QTRY_COMPARE_WITH_TIMEOUT(objMaster.GetState(), quint16(1), WAIT_MS);
            if (strLink == "tcp" && bOurSlave)
                QTest::qWait(50); // the server adopts the client in its own thread
            QCOMPARE(objMaster.RqstReadData(AllIds(), false), QString("OK"));
            QTRY_VERIFY_WITH_TIMEOUT(objMasterTbl.Refreshes().size() >= POINT_COUNT && objMaster.PendingCount() == 0, WAIT_MS);
            for (int i = 0; i < POINT_COUNT; ++i)
                QCOMPARE(objMasterTbl.Value(quint32(i + 1)), QString(POINTS[i].pText));
            QCOMPARE(objMaster.RqstWriteData(WRITES, false), QString("OK"));
            QTRY_COMPARE_WITH_TIMEOUT(objMaster.PendingCount(), 0, WAIT_MS);
            for (int i = 0; i < WRITES.size() && !bOurSlave; ++i) {
                const POINT_S &stPoint = POINTS[WRITES[i].nDataID - 1];
                for (int n = 0; n < stPoint.lstWords.size(); ++n) {
                    const int nAddr = stPoint.nAddr + n;
                    QCOMPARE(stPoint.nBlock == BLOCK_COIL ? quint16(objServer.Coil(nAddr)) : objServer.Holding(nAddr),
                             WRITTEN_WORDS[i][n]);
                }
            }
        } else {
            modbus_t *pCtx = NewClient(objPair.EndB(), strLink == "tcp" ? nPort : 0);
            QVERIFY(pCtx != nullptr);
            uint8_t aCoils[10] = {}, aInputs[3] = {};
            uint16_t aHolding[12] = {}, aInputRegs[8] = {};
            int arrRc[8] = {};
            const uint8_t aWriteCoils[2] = {0, 1};
            const uint16_t aWriteRegs[4] = {0x1069, 0x0000, 0x0000, 0x00BE};
            RunClient([&] {
                arrRc[0] = modbus_read_bits(pCtx, 0, 10, aCoils);
                arrRc[1] = modbus_read_input_bits(pCtx, 0, 3, aInputs);
                arrRc[2] = modbus_read_registers(pCtx, 0, 12, aHolding);
                arrRc[3] = modbus_read_input_registers(pCtx, 0, 8, aInputRegs);
                arrRc[4] = modbus_write_bits(pCtx, 0, 2, aWriteCoils);
                arrRc[5] = modbus_write_register(pCtx, 0, 0xFFF9);
                arrRc[6] = modbus_write_registers(pCtx, 2, 4, aWriteRegs);
                arrRc[7] = modbus_write_bit(pCtx, 9, 0);
            });
            FreeClient(pCtx);
            QCOMPARE(QVector<int>(arrRc, arrRc + 8), QVector<int>({10, 3, 12, 8, 2, 1, 4, 1}));
            for (const POINT_S &stPoint : POINTS) {
                for (int i = 0; i < stPoint.lstWords.size(); ++i) {
                    const int nAddr = stPoint.nAddr + i;
                    const quint16 nGot = stPoint.nBlock == BLOCK_COIL ? aCoils[nAddr]
                        : stPoint.nBlock == BLOCK_DISCRETE_INPUT ? aInputs[nAddr]
                        : stPoint.nBlock == BLOCK_HOLDING_REG ? aHolding[nAddr] : aInputRegs[nAddr];
                    QVERIFY2(nGot == stPoint.lstWords[i], stPoint.pText);
                }
            }
            QCOMPARE(objSlaveTbl.Value(3), QString("0"));
        }
        if (bOurSlave) {
            for (const LOCAL_DATA_MAP_S &stWrite : WRITES)
                QCOMPARE(objSlaveTbl.Value(stWrite.nDataID), stWrite.strValue);
        }
        pSlave.reset();
    }

    // A slave alone on a Modbus-TCP link answers unit 0xFF, which many
    // clients send; slaves sharing a link keep to their own units.
    void slaveAnswersUnitFFWhenAlone()
    {
        const int nPort = PickFreePort();
        QVERIFY(CNetParaMgr::SetNetPara(NetPara("NET-S", LINK_MODE_TCP_SERVER, TRANS_MODE_TCP_SYNC, nPort)));
        CDeviceSlave objSlave("S", "NET-S", UNIT);
        CValueTable objTable;
        SetPoints(objSlave, objTable);
        objTable.Set(6, "-123");
        QTRY_COMPARE(objSlave.GetState(), quint16(1));
        modbus_t *pCtx = NewClient(QString(), nPort);
        QVERIFY(pCtx != nullptr);
        QCOMPARE(RawRequest(pCtx, 0xFF, Hex("0300000001")), Hex("0302FF85"));
        QCOMPARE(RawRequest(pCtx, 0xFF, Hex("0300060001")), Hex("8302"));
        CDeviceSlave objSecond("S2", "NET-S", UNIT + 1);
        modbus_set_response_timeout(pCtx, 0, 300000);
        QCOMPARE(RawRequest(pCtx, 0xFF, Hex("0300000001")), QByteArray());
        modbus_set_response_timeout(pCtx, 3, 0);
        QCOMPARE(RawRequest(pCtx, UNIT, Hex("0300000001")), Hex("0302FF85"));
        FreeClient(pCtx);
    }

    // After a parameter change the link object is rebuilt: the slave serves
    // on the new one, each record once even when the link is announced again.
    void slaveServesAfterLinkRebuild()
    {
        const int nPort = PickFreePort();
        NET_PARA_DATA_S stPara = NetPara("NET-S", LINK_MODE_TCP_SERVER, TRANS_MODE_TCP_SYNC, nPort);
        QVERIFY(CNetParaMgr::SetNetPara(stPara));
        CDeviceSlave objSlave("S", "NET-S", UNIT);
        CValueTable objTable;
        SetPoints(objSlave, objTable);
        stPara.nMaxAsynNum = 3;
        QVERIFY(CNetParaMgr::SetNetPara(stPara));
        QVERIFY(objSlave.GetPort() != nullptr && objSlave.GetPort() == CPortMgr::GetPort("NET-S"));
        QTRY_VERIFY(objSlave.GetPort()->IsOpen());
        objSlave.LaunchDevice();
        emit CPortMgr::GetInstance()->siPortObjChanged("NET-S");
        modbus_t *pCtx = NewClient(QString(), nPort);
        QVERIFY(pCtx != nullptr);
        QCOMPARE(RawRequest(pCtx, UNIT, Hex("0600000003")), Hex("0600000003"));
        QCOMPARE(objTable.Refreshes().size(), 1);
        FreeClient(pCtx);
    }

    // A master on a rebuilt link queues its pending requests on the new link
    // once it is announced while launched; a rebuild of another link queues nothing.
    void masterRequeuesAfterLinkRebuild()
    {
        CModbusServerPeer objServer(16);
        const int nPort = PickFreePort();
        QVERIFY(objServer.StartTcp("127.0.0.1", nPort));
        QTcpServer objSilent; // takes the connection, never answers
        QVERIFY(objSilent.listen(QHostAddress("127.0.0.1")));
        NET_PARA_DATA_S stPara = NetPara("NET-M", LINK_MODE_TCP_CLIENT, TRANS_MODE_TCP_SYNC, nPort);
        QVERIFY(CNetParaMgr::SetNetPara(stPara));
        QVERIFY(CNetParaMgr::SetNetPara(NetPara("NET-O", LINK_MODE_TCP_CLIENT, TRANS_MODE_TCP_SYNC, objSilent.serverPort())));
        CDeviceMaster objMaster("M", "NET-M", UNIT);
        CDeviceMaster objOther("O", "NET-O", UNIT);
        CValueTable objTbl, objOtherTbl;
        SetPoints(objMaster, objTbl);
        SetPoints(objOther, objOtherTbl);
        int nOtherSent = 0;
        QObject objScope;
        connect(CPortMgr::GetInstance(), &CPortMgr::siRecvDataRaw, &objScope,
                [&](QString strPort, quint16, LINK_PROC_ERR_EN enType, QByteArray) {
                    nOtherSent += strPort == "NET-O" && enType == LINK_SEND_OK;
                });
        QTRY_VERIFY(objMaster.GetState() == 1 && objOther.GetState() == 1);
        QCOMPARE(objMaster.RqstReadData({6}, true), QString("OK"));
        QCOMPARE(objOther.RqstReadData({6}, false), QString("OK"));
        QTRY_VERIFY(objTbl.Refreshes().size() >= 2 && nOtherSent == 1);

        stPara.nMaxAsynNum = 3;
        QVERIFY(CNetParaMgr::SetNetPara(stPara));
        // The old link reported itself closed first, so the rebuild found the
        // device shut down: the cyclic read waits, unsent, for the restart.
        objServer.SetHolding(0, 4444);
        QTRY_COMPARE(objMaster.GetState(), quint16(1));
        const int nStranded = objServer.RequestCount();
        QTest::qWait(300);
        QCOMPARE(objServer.RequestCount(), nStranded);
        QCOMPARE(objMaster.PendingCount(), 1);
        objMaster.slPortObjChanged("NET-M");
        QTRY_COMPARE_WITH_TIMEOUT(objTbl.Value(6), QString("4444"), WAIT_MS);
        QTest::qWait(200);
        QCOMPARE(nOtherSent, 1);
        objMaster.StopCycleRead();
    }

    // A one-shot read left without answer by a rebuilt link, or by a stop and
    // start after which the numbers came round again, must not take the
    // replies of a cyclic read started later.
    void strandedRequestKeepsOffLaterReplies_data()
    {
        QTest::addColumn<bool>("rebuild");
        QTest::newRow("link rebuilt") << true;
        QTest::newRow("numbers wrapped") << false;
    }

    void strandedRequestKeepsOffLaterReplies()
    {
        QFETCH(bool, rebuild);
        CModbusServerPeer objServer(16);
        const int nServerPort = PickFreePort();
        QVERIFY(objServer.StartTcp("127.0.0.1", nServerPort));
        objServer.SetHolding(1, 5555);
        QTcpServer objSilent;
        QVERIFY(objSilent.listen(QHostAddress("127.0.0.1")));
        // A name of its own: frames of the other row's link may still be on their way.
        const QString strLink = rebuild ? "NET-REBUILT" : "NET-WRAPPED";
        NET_PARA_DATA_S stPara = NetPara(strLink, LINK_MODE_TCP_CLIENT, TRANS_MODE_TCP_SYNC,
                                         rebuild ? objSilent.serverPort() : nServerPort);
        QVERIFY(CNetParaMgr::SetNetPara(stPara));
        objServer.SetReplyDelay(rebuild ? 0 : 1000);
        CDeviceMaster objMaster("M", strLink, UNIT);
        CValueTable objTbl;
        SetPoints(objMaster, objTbl);
        for (DEVICE_DATA_CFG_S &objCfg : CCfgFileMgr::GetInstance()->GetDeviceDataCfgList("M"))
            objCfg.nTimeOut = 5000;
        int nSent = 0;
        QObject objScope;
        connect(CPortMgr::GetInstance(), &CPortMgr::siRecvDataRaw, &objScope,
                [&](QString strPort, quint16, LINK_PROC_ERR_EN enType, QByteArray) {
                    nSent += strPort == strLink && enType == LINK_SEND_OK;
                });
        QTRY_COMPARE(objMaster.GetState(), quint16(1));
        QCOMPARE(objMaster.RqstReadData({6}, false), QString("OK"));
        QTRY_VERIFY(nSent == 1 && (rebuild || objServer.RequestCount() == 1));
        if (rebuild) {
            stPara.nPortID = quint16(nServerPort);
            QVERIFY(CNetParaMgr::SetNetPara(stPara));
        } else {
            CPortBase *pPort = objMaster.GetPort();
            pPort->StopPort();
            QTRY_COMPARE(objMaster.GetState(), quint16(0));
            objServer.SetReplyDelay(0);
            for (int i = 0; i < 0xFFFF; ++i) // the numbers come round to the stranded read's
                pPort->NextSN();
            pPort->LaunchPort();
        }
        QTRY_COMPARE_WITH_TIMEOUT(objMaster.GetState(), quint16(1), WAIT_MS);
        const int nBefore = objServer.RequestCount();
        QCOMPARE(objMaster.RqstReadData({7}, true), QString("OK"));
        QTRY_VERIFY_WITH_TIMEOUT(objServer.RequestCount() >= nBefore + 3, WAIT_MS);
        objMaster.StopCycleRead();
        QCOMPARE(objTbl.Value(7), QString("0XB315"));
        QVERIFY(!objTbl.Has(6));
    }

private:
    static void SetAttr(CDeviceMaster &objMaster)
    {
        DEVICE_COMMON_ATTR_S objAttr = objMaster.GetPara();
        objAttr.nPackWay = 1;
        objAttr.nBitGap = 8;
        objAttr.nRegGap = 5;
        objMaster.SetPara(objAttr);
    }
};

QTEST_GUILESS_MAIN(TstInterop)
#include "tst_interop.moc"
