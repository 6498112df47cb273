// Devices without a wire: the slave's answers, the master's planning, queue
// and reply bookkeeping on a link whose queue the test reads, the frame
// explainers, binding to real links, the device manager and simulated values.

#include <QtTest>
#include <memory>

#include "ccfgfilemgr.h"
#include "cdevicemaster.h"
#include "cdevicemgr.h"
#include "cdeviceslave.h"
#include "ccomparamgr.h"
#include "cnetparamgr.h"
#include "cportmgr.h"
#include "common/codecport.h"
#include "common/framebytes.h"
#include "common/freeport.h"
#include "common/netrecords.h"
#include "common/socatpair.h"
#include "common/valuetable.h"
#include "commonfunc.h"
#include "simuldata.h"

namespace {

DEVICE_DATA_CFG_S Point(quint32 nID, quint16 nBlock, quint16 nAddr, quint16 nSize = 1, quint16 nPrtc = PRTC_TYPE_UINT)
{
    DEVICE_DATA_CFG_S objCfg;
    objCfg.nID = nID;
    objCfg.nBlock = nBlock;
    objCfg.nAddr = nAddr;
    objCfg.nSize = nSize;
    objCfg.strName = QStringLiteral("P%1").arg(nID);
    const bool bBit = nBlock == BLOCK_COIL || nBlock == BLOCK_DISCRETE_INPUT;
    objCfg.nPrtcType = bBit ? quint16(PRTC_TYPE_BIT) : nPrtc;
    objCfg.nShowType = bBit ? SHOW_TYPE_BIT : nPrtc == PRTC_TYPE_FLOAT ? SHOW_TYPE_FLOAT : SHOW_TYPE_INT_DEC;
    return objCfg;
}

// Keeps the IDs and simulated settings as given.
void SetPoints(const QString &strDevice, const QList<DEVICE_DATA_CFG_S> &objPoints)
{
    CCfgFileMgr::GetInstance()->ReplaceDeviceDataCfgList(strDevice, {});
    CCfgFileMgr::GetInstance()->GetDeviceDataCfgList(strDevice) = objPoints;
}

void SetAttr(CDeviceBase &objDevice, quint16 nPackWay, quint16 nRegGap = 5, quint16 nBitGap = 0, qint16 nOffset = 0)
{
    DEVICE_COMMON_ATTR_S objAttr = objDevice.GetPara();
    objAttr.nPackWay = nPackWay;
    objAttr.nRegGap = nRegGap;
    objAttr.nBitGap = nBitGap;
    objAttr.nAddrOffset = nOffset;
    objDevice.SetPara(objAttr);
}

DEVICE_COMMON_ATTR_S Attr(quint16 nPackWay, quint16 nRegGap = 5, quint16 nBitGap = 0)
{
    DEVICE_COMMON_ATTR_S objAttr;
    objAttr.nAddr = 7;
    objAttr.nPackWay = nPackWay;
    objAttr.nRegGap = nRegGap;
    objAttr.nBitGap = nBitGap;
    return objAttr;
}

// "code start quantity" of every request.
QStringList Shape(const QList<MASTER_RQST_S> &objPlan)
{
    QStringList objOut;
    for (const MASTER_RQST_S &stRqst : objPlan) {
        const QByteArray &d = stRqst.stLinkData.objData;
        objOut << QStringLiteral("%1 %2 %3").arg(stRqst.stLinkData.nFuncCode)
                      .arg((quint8(d.at(0)) << 8) | quint8(d.at(1))).arg((quint8(d.at(2)) << 8) | quint8(d.at(3)));
    }
    return objOut;
}

QStringList PlanRead(const QList<DEVICE_DATA_CFG_S> &objPoints, const DEVICE_COMMON_ATTR_S &objAttr)
{
    QList<MASTER_RQST_S> objPlan;
    CDeviceMaster::PlanReadRqst(objPoints, objAttr, objPlan);
    return Shape(objPlan);
}

// Code and data of every planned write, "!" before one awaiting no reply.
QStringList PlanWrite(const QList<DEVICE_DATA_CFG_S> &objPoints, const QList<QByteArray> &objBytes,
                      const DEVICE_COMMON_ATTR_S &objAttr)
{
    QList<MASTER_RQST_S> objPlan;
    if (!CDeviceMaster::PlanWriteRqst(objPoints, objBytes, objAttr, objPlan))
        return {"refused"};
    QStringList objOut;
    for (const MASTER_RQST_S &stRqst : objPlan)
        objOut << (stRqst.stLinkData.nIsNeedRsp ? "" : "!")
                      + (QByteArray(1, char(stRqst.stLinkData.nFuncCode)) + stRqst.stLinkData.objData).toHex().toUpper();
    return objOut;
}

LINK_RECV_DATA_S Reply(const LINK_SEND_DATA_S &stRqst, const QByteArray &objData, quint8 nFunc = 0,
                       LINK_PROC_ERR_EN enType = LINK_RECV_OK)
{
    LINK_RECV_DATA_S stReply;
    stReply.nSN = stRqst.nSN;
    stReply.nAddr = quint8(stRqst.nAddr);
    stReply.nFuncCode = nFunc != 0 ? nFunc : stRqst.nFuncCode;
    stReply.enType = enType;
    stReply.objData = objData;
    stReply.nRspTime = 12;
    return stReply;
}

QString T(const char *pText)
{
    return QString::fromUtf8(pText);
}

// A frame as hex text; a long one as its start and its length.
QString HexOf(const QByteArray &objBytes)
{
    const QString strHex = QString::fromLatin1(objBytes.left(objBytes.size() > 16 ? 10 : 16).toHex().toUpper());
    return objBytes.size() > 16 ? strHex + QStringLiteral("+%1").arg(objBytes.size()) : strHex;
}

// Values and curve values a device published, in order.
QString Changes(const CValueTable &objTable)
{
    QStringList lstOut;
    for (const CValueTable::REFRESH_S &stRefresh : objTable.Refreshes())
        lstOut << QStringLiteral("%1=%2").arg(stRefresh.nDataID).arg(stRefresh.strValue);
    for (const CValueTable::CURVE_S &stCurve : objTable.Curves())
        lstOut << QStringLiteral("~%1=%2").arg(stCurve.nDataID).arg(stCurve.fValue);
    return lstOut.join(',');
}

DEVICE_KEY_INFO_S Key(const QString &strName, const QString &strPort, quint16 nAddr)
{
    return {strName, strPort, nAddr};
}

QStringList Names()
{
    QStringList objOut;
    for (CDeviceBase *pDevice : CDeviceMgr::GetDeviceList())
        objOut << pDevice->GetName();
    return objOut;
}

DATA_VALUE_CFG_S Simul(quint16 nStrategy, const QString &a, const QString &b, const QString &c, const QString &d,
                       double fReset = 0.0, quint32 nRefresh = 1)
{
    DATA_VALUE_CFG_S objCfg;
    objCfg.nStategy = nStrategy;
    objCfg.strCoefA = a;
    objCfg.strCoefB = b;
    objCfg.strCoefC = c;
    objCfg.strCoefD = d;
    objCfg.fResetStep = fReset;
    objCfg.nXInvl = nRefresh;
    return objCfg;
}

} // namespace

class TstDevices : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterLinkMetaTypes(); }
    void init() { CCfgFileMgr::GetInstance()->ClearCfg(); }

    // The slave (unit 17, broadcast on 0 and 100) answering one request: the
    // reply it queues (none: empty) and the values it publishes.
    void slaveAnswers()
    {
        const struct { const char *pName; int nUnit; QByteArray objRqst; const char *pExpected; int nOffset; } arrCases[] = {
            {"read coils", 17, Hex("010000000B"), "01020904|", 0},
            {"2000 bits", 17, Hex("02000007D0"), "02FA0400000000000000+252|", 0},
            {"2001 bits", 17, Hex("02000007D1"), "8202|", 0},
            {"no bits", 17, Hex("0100000000"), "8102|", 0},
            {"read registers", 17, Hex("030000000B"), "031604D2FFFE3FC00000+24|~20=1234", 0},
            {"inputs, one simulated", 17, Hex("0400000006"), "040CFFFF00000000000000000141|", 0},
            {"125 registers", 17, Hex("030000007D"), "03FA04D2FFFE3FC00000+252|~20=1234", 0},
            {"126 registers", 17, Hex("030000007E"), "8302|", 0},
            {"no registers", 17, Hex("0300000000"), "8302|", 0},
            {"no point in range", 17, Hex("0301F40001"), "8302|", 0},
            {"point cut by range end", 17, Hex("0300020001"), "8302|", 0},
            {"other block", 17, Hex("0400010001"), "8402|", 0},
            {"points without value", 17, Hex("0300C80001"), "8303|", 0},
            {"last register", 17, Hex("03FFFF0001"), "03020005|", 0},
            {"registers past the last", 17, Hex("03FFFF0002"), "8302|", 0},
            {"coils past the last", 17, Hex("01FFFF0008"), "8102|", 0},
            {"write coil off", 17, Hex("0500030000"), "0500030000|3=0", 0},
            {"write coil on", 17, Hex("050001FF00"), "050001FF00|2=1", 0},
            {"coil value neither on nor off", 17, Hex("0500011234"), "8503|", 0},
            {"unconfigured coil", 17, Hex("050002FF00"), "8502|", 0},
            {"write register", 17, Hex("06000A1092"), "06000A1092|23=4242", 0},
            {"write signed register", 17, Hex("0600018000"), "0600018000|21=-32768", 0},
            {"half of a float", 17, Hex("0600020001"), "8602|", 0},
            {"write coils", 17, Hex("0F0000000B020600"), "0F0000000B|1=0,2=1,3=0,4=0", 0},
            {"write registers", 17, Hex("1000000004080005FFFF41200000"), "1000000004|20=5,21=-1,22=10.000000", 0},
            {"byte count 5 for 2 registers", 17, Hex("1000000002050000000000"), "9002|", 0},
            {"byte count beyond the data", 17, Hex("100000000204000000"), "9002|", 0},
            {"coil byte count wrong", 17, Hex("0F0000000B010F"), "8F02|", 0},
            {"no coil in range", 17, Hex("0F00140002010F"), "8F02|", 0},
            {"no register in range", 17, Hex("1001000001020001"), "9002|", 0},
            {"1969 coils written", 17, Hex("0F000007B1F7") + QByteArray(247, '\0'), "8F02|", 0},
            {"code not served", 17, Hex("07"), "8701|", 0},
            {"code 0x2B", 17, Hex("2B0E0100"), "AB01|", 0},
            {"code 0x83 keeps its code", 17, Hex("83000A0001"), "8301|", 0},
            {"code 0x80", 17, Hex("80"), "8001|", 0},
            {"other unit", 18, Hex("03000A0001"), "|", 0},
            {"other unit's write", 18, Hex("06000A0063"), "|", 0},
            {"broadcast 0 written, not answered", 0, Hex("06000A0063"), "|23=99", 0},
            {"broadcast 100 written, not answered", 100, Hex("050001FF00"), "|2=1", 0},
            {"broadcast gets no exception", 0, Hex("0300C80001"), "|", 0},
            {"read one byte too long", 17, Hex("03000A000100"), "|", 0},
            {"coil write too short", 17, Hex("05000100"), "|", 0},
            {"register write too short", 17, Hex("1000000001"), "|", 0},
            {"offset: no point at 9", 17, Hex("03000A0001"), "8302|", 1},
            {"offset: 11 serves 10", 17, Hex("03000B0001"), "03020007|", 1},
            {"offset: write at 1", 17, Hex("0600010037"), "0600010037|20=55", 1},
            {"offset: coils from 1", 17, Hex("0100010004"), "010109|", 1},
            {"offset: 0 looks at 65535", 17, Hex("0300000002"), "8302|", 1},
        };
        for (const auto &stCase : arrCases) {
            CCodecPort objPort(TRANS_MODE_TCP_SYNC, WORK_MODE_SLAVE);
            CBoundDevice<CDeviceSlave> objSlave(&objPort, 17);
            DEVICE_COMMON_ATTR_S objAttr = objSlave.GetPara();
            objAttr.nBCast2 = 100;
            objAttr.nAddrOffset = qint16(stCase.nOffset);
            objSlave.SetPara(objAttr);
            DEVICE_DATA_CFG_S objCurve = Point(20, BLOCK_HOLDING_REG, 0), objFloat = Point(22, BLOCK_HOLDING_REG, 2, 2, PRTC_TYPE_FLOAT);
            objCurve.nCurveShow = 1;
            objFloat.fGain = 0.01;
            DEVICE_DATA_CFG_S objSimul = Point(31, BLOCK_INPUT_REG, 5);
            objSimul.objValueCfg = Simul(4, "321", "1", "123", "1"); // square wave: 321 for the first hour
            objSimul.objValueCfg.nTimeBngrWay = SIMUL_TIME_DEVICE_LAUNCH;
            SetPoints(objSlave.GetName(), {Point(1, BLOCK_COIL, 0), Point(2, BLOCK_COIL, 1), Point(3, BLOCK_COIL, 3),
                                           Point(4, BLOCK_COIL, 10), Point(10, BLOCK_DISCRETE_INPUT, 0),
                                           Point(11, BLOCK_DISCRETE_INPUT, 2), objCurve, Point(21, BLOCK_HOLDING_REG, 1, 1, PRTC_TYPE_INT),
                                           objFloat, Point(23, BLOCK_HOLDING_REG, 10), Point(24, BLOCK_HOLDING_REG, 200),
                                           Point(30, BLOCK_INPUT_REG, 0), objSimul, Point(90, BLOCK_HOLDING_REG, 65535),
                                           Point(91, BLOCK_COIL, 65535)});
            CValueTable objTable;
            objTable.Attach(&objSlave);
            objTable.SetProvider([&](const QString &strDevice, quint32 nID, bool &bHandled) {
                DEVICE_DATA_CFG_S objCfg;
                bHandled = CCfgFileMgr::GetInstance()->GetDeviceDataCfg(strDevice, nID, objCfg) && objCfg.objValueCfg.nStategy != 0;
                return bHandled ? MakeSimulValueOfDevice(&objSlave, strDevice, objCfg) : QString();
            });
            for (const auto &objValue : QList<QPair<quint32, const char *>>{{1, "1"}, {2, "0"}, {3, "1"}, {4, "1"},
                     {10, "0"}, {11, "1"}, {20, "1234"}, {21, "-2"}, {22, "1.50"}, {23, "7"}, {30, "65535"}, {90, "5"}, {91, "1"}})
                objTable.Set(objValue.first, objValue.second);

            LINK_RECV_DATA_S stRqst;
            stRqst.nSN = 4711;
            stRqst.enType = LINK_RECV_OK;
            stRqst.nAddr = quint8(stCase.nUnit);
            stRqst.nFuncCode = quint8(stCase.objRqst.at(0));
            stRqst.objData = stCase.objRqst.mid(1);
            objSlave.slRecvData(objPort.GetPortName(), stRqst);
            QString strGot = "|" + Changes(objTable);
            for (const LINK_SEND_DATA_S &stSent : objPort.Take()) {
                strGot.prepend(HexOf(QByteArray(1, char(stSent.nFuncCode)) + stSent.objData));
                QVERIFY(stSent.nSN == 4711 && stSent.nAddr == stCase.nUnit);
            }
            QCOMPARE(stCase.pName + (": " + strGot), stCase.pName + (": " + QString(stCase.pExpected)));
        }
    }

    // A record reaches the device only while it is launched, from its own
    // link, to its unit, with a good result; another link's state leaves it be.
    void recordsReachLaunchedDeviceOnly()
    {
        CCodecPort objPort(TRANS_MODE_RTU, WORK_MODE_SLAVE);
        CBoundDevice<CDeviceSlave> objSlave(&objPort, 1);
        SetPoints(objSlave.GetName(), {Point(1, BLOCK_COIL, 4)});
        CValueTable objTable;
        objTable.Attach(&objSlave);
        LINK_RECV_DATA_S stRecord;
        stRecord.nAddr = 1;
        stRecord.nFuncCode = 0x05;
        stRecord.objData = Hex("0004FF00");
        stRecord.enType = LINK_RECV_OK;
        objSlave.ShutDownDevice();
        objSlave.slRecvData("CODEC", stRecord);
        objSlave.SetState(1);
        objSlave.slRecvData("COM9", stRecord);
        stRecord.nAddr = 2;
        objSlave.slRecvData("CODEC", stRecord);
        stRecord.nAddr = 1;
        stRecord.enType = LINK_RECV_CHECK_ERR;
        objSlave.slRecvData("CODEC", stRecord);
        QVERIFY(objTable.Refreshes().isEmpty() && objPort.Take().isEmpty());
        stRecord.enType = LINK_RECV_OK;
        objSlave.slRecvData("CODEC", stRecord);
        QCOMPARE(objTable.Value(1), QString("1"));
        objSlave.slPortStateChanged("COM9", false);
        QCOMPARE(objSlave.GetState(), quint16(1));
        objSlave.slPortStateChanged("CODEC", false);
        QCOMPARE(objSlave.GetState(), quint16(0));
    }

    void masterPlansReads()
    {
        const QList<DEVICE_DATA_CFG_S> objGaps{Point(1, BLOCK_HOLDING_REG, 0, 2), Point(2, BLOCK_HOLDING_REG, 3),
                                               Point(3, BLOCK_HOLDING_REG, 10)};
        QCOMPARE(PlanRead(objGaps, Attr(1, 5)), QStringList({"3 0 4", "3 10 1"}));
        QCOMPARE(PlanRead(objGaps, Attr(1, 0)), QStringList({"3 0 2", "3 3 1", "3 10 1"}));
        // A hole of exactly the gap still merges; one more splits.
        QCOMPARE(PlanRead(objGaps, Attr(1, 1)), QStringList({"3 0 4", "3 10 1"}));
        QCOMPARE(PlanRead(objGaps, Attr(2, 6)), QStringList({"3 0 11"}));
        QList<DEVICE_DATA_CFG_S> objRegs, objBits;
        for (quint16 i = 0; i < 126; ++i)
            objRegs << Point(i + 1, BLOCK_INPUT_REG, i);
        for (quint16 i = 0; i < 2001; ++i)
            objBits << Point(i + 1, BLOCK_COIL, i);
        QCOMPARE(PlanRead(objRegs, Attr(1)), QStringList({"4 0 125", "4 125 1"}));
        QCOMPARE(PlanRead(objBits, Attr(2)), QStringList({"1 0 2000", "1 2000 1"}));
        // A point reaching the last address opens a request of its own but never joins one.
        QCOMPARE(PlanRead({Point(1, 2, 65533), Point(2, 2, 65534)}, Attr(1)), QStringList({"3 65533 2"}));
        QCOMPARE(PlanRead({Point(1, 2, 65533), Point(2, 2, 65535)}, Attr(1)), QStringList({"3 65533 1", "3 65535 1"}));
        // List order 10 then 5 never merges, ordered by address it does.
        const QList<DEVICE_DATA_CFG_S> objDesc{Point(1, BLOCK_HOLDING_REG, 10), Point(2, BLOCK_HOLDING_REG, 5)};
        QCOMPARE(PlanRead(objDesc, Attr(2, 100)), QStringList({"3 10 1", "3 5 1"}));
        QCOMPARE(PlanRead(objDesc, Attr(1, 100)), QStringList({"3 5 6"}));
        QCOMPARE(PlanRead({Point(1, 2, 0, 2), Point(2, 2, 1)}, Attr(2)), QStringList({"3 0 2", "3 1 1"}));
        // Blocks ascending whatever the list order; PackWay 0 keeps the list order.
        const QList<DEVICE_DATA_CFG_S> objMixed{Point(1, BLOCK_INPUT_REG, 4), Point(2, BLOCK_COIL, 3),
                                                Point(3, BLOCK_HOLDING_REG, 2), Point(4, BLOCK_DISCRETE_INPUT, 1)};
        QCOMPARE(PlanRead(objMixed, Attr(1)), QStringList({"1 3 1", "2 1 1", "3 2 1", "4 4 1"}));
        QCOMPARE(PlanRead(objMixed, Attr(2)), QStringList({"1 3 1", "2 1 1", "3 2 1", "4 4 1"}));
        QCOMPARE(PlanRead(objMixed, Attr(0)), QStringList({"4 4 1", "1 3 1", "3 2 1", "2 1 1"}));
        // Bit gaps are counted in bits; unknown blocks and pack ways plan nothing.
        const QList<DEVICE_DATA_CFG_S> objBitGap{Point(1, BLOCK_COIL, 0), Point(2, BLOCK_COIL, 3)};
        QCOMPARE(PlanRead(objBitGap, Attr(1, 5, 1)), QStringList({"1 0 1", "1 3 1"}));
        QCOMPARE(PlanRead(objBitGap, Attr(1, 0, 2)), QStringList({"1 0 4"}));
        QCOMPARE(PlanRead({Point(1, 2, 0), Point(2, 7, 1)}, Attr(0)), QStringList({"3 0 1"}));
        QVERIFY(PlanRead(objGaps, Attr(3)).isEmpty());

        // Merged points: the largest interval, timeout and resend count; the offset wraps.
        DEVICE_DATA_CFG_S objA = Point(1, BLOCK_HOLDING_REG, 0);
        objA.nIntervalTime = 100;
        objA.nTimeOut = 3000;
        DEVICE_DATA_CFG_S objB = Point(2, BLOCK_HOLDING_REG, 1);
        objB.nIntervalTime = 50;
        objB.nTimeOut = 500;
        objB.nResendCount = 3;
        DEVICE_COMMON_ATTR_S objAttr = Attr(1);
        objAttr.nAddrOffset = -1;
        QList<MASTER_RQST_S> objPlan;
        CDeviceMaster::PlanReadRqst({objB, objA}, objAttr, objPlan);
        const LINK_SEND_DATA_S &stLink = objPlan.at(0).stLinkData;
        QCOMPARE(objPlan.size(), 1);
        QCOMPARE(stLink.nIntervalTime, quint32(100));
        QCOMPARE(stLink.nTimeOut, quint32(3000));
        QCOMPARE(stLink.nResendCount, quint16(3));
        QCOMPARE(stLink.nAddr, quint16(7));
        QCOMPARE(stLink.objData, Hex("FFFF0002"));
    }

    void masterPlansWrites()
    {
        // A lone coil value other than 1 is off; coil i is bit i mod 8 of byte i / 8.
        QCOMPARE(CDeviceMaster::MakeWritePdu(0x05, 3, Hex("0101")), Hex("00030000"));
        QCOMPARE(CDeviceMaster::MakeWritePdu(0x0F, 19, Hex("010001010000000001")), Hex("00130009020D01"));
        QVERIFY(CDeviceMaster::MakeWritePdu(0x00, 1, Hex("0001")).isEmpty());
        // Only adjacent points merge; read-only blocks are left out.
        QCOMPARE(PlanWrite({Point(1, BLOCK_HOLDING_REG, 5), Point(2, BLOCK_HOLDING_REG, 4), Point(3, BLOCK_HOLDING_REG, 7, 2),
                            Point(4, BLOCK_COIL, 1), Point(5, BLOCK_COIL, 0), Point(6, BLOCK_INPUT_REG, 0)},
                           {Hex("0005"), Hex("0004"), Hex("00000007"), Hex("01"), Hex("00"), QByteArray()}, Attr(0)),
                 QStringList({"0F000000020102", "10000400020400040005", "10000700020400000007"}));
        QCOMPARE(PlanWrite({Point(1, BLOCK_COIL, 2)}, {Hex("01")}, Attr(0)), QStringList({"050002FF00"}));
        // OneReg10 and OneCoil0F take the multiple codes for one value; a broadcast device awaits no reply.
        DEVICE_COMMON_ATTR_S objAttr = Attr(0);
        objAttr.nOneReg10 = objAttr.nOneCoil0F = objAttr.nIsBCDevice = 1;
        objAttr.nAddrOffset = 2;
        QCOMPARE(PlanWrite({Point(1, BLOCK_HOLDING_REG, 5), Point(2, BLOCK_COIL, 1)}, {Hex("00FF"), Hex("01")}, objAttr),
                 QStringList({"!0F000300010101", "!10000700010200FF"}));
        // 124 adjacent registers split at the write limit of 123.
        QList<DEVICE_DATA_CFG_S> objMany;
        for (quint16 i = 0; i < 124; ++i)
            objMany << Point(i + 1, BLOCK_HOLDING_REG, i);
        const QStringList lstMany = PlanWrite(objMany, QVector<QByteArray>(124, Hex("0001")).toList(), Attr(0));
        QCOMPARE(lstMany.size(), 2);
        QVERIFY(lstMany[0].startsWith("100000007BF6") && lstMany[1] == "06007B0001");
        // A value not filling its point, or a point larger than one write: nothing is planned.
        QCOMPARE(PlanWrite({Point(1, 2, 0), Point(2, 2, 1)}, {QByteArray(), Hex("0001")}, Attr(0)), QStringList("refused"));
        QCOMPARE(PlanWrite({Point(1, 2, 0, 2)}, {Hex("0001")}, Attr(0)), QStringList("refused"));
        QCOMPARE(PlanWrite({Point(1, BLOCK_COIL, 0)}, {Hex("0101")}, Attr(0)), QStringList("refused"));
        QCOMPARE(PlanWrite({Point(1, 2, 0, 124)}, {QByteArray(248, '\1')}, Attr(0)), QStringList("refused"));
    }

    // What the master queues, and how replies, failures and listeners finish
    // its requests.
    void masterQueuesAndMatches()
    {
        CCodecPort objPort(TRANS_MODE_RTU);
        CBoundDevice<CDeviceMaster> objMaster(&objPort, 9);
        SetPoints(objMaster.GetName(), {Point(1, BLOCK_HOLDING_REG, 0), Point(2, BLOCK_HOLDING_REG, 10),
                                        Point(3, BLOCK_HOLDING_REG, 20), Point(4, BLOCK_INPUT_REG, 0)});
        SetAttr(objMaster, 0);
        CValueTable objTbl;
        objTbl.Attach(&objMaster);
        auto fnStarts = [&]() {
            QList<int> lstOut;
            for (const LINK_SEND_DATA_S &stSent : objPort.Take())
                lstOut << ((quint8(stSent.objData.at(0)) << 8) | quint8(stSent.objData.at(1)));
            return lstOut;
        };
        // One-shot requests go to the head of the queue, cyclic ones to its tail.
        LINK_SEND_DATA_S stQueued;
        stQueued.objData = Hex("00630001");
        objPort.PushSendData(stQueued, false);
        QCOMPARE(objMaster.RqstReadData({1, 2, 3}, false), QString("OK"));
        QCOMPARE(fnStarts(), QList<int>({20, 10, 0, 99}));
        objMaster.ClearRqst();
        objPort.PushSendData(stQueued, false);
        QCOMPARE(objMaster.RqstReadData({1, 2, 3}, true), QString("OK"));
        QCOMPARE(fnStarts(), QList<int>({99, 0, 10, 20}));
        // Starting the cyclic read again replaces the running one.
        QCOMPARE(objMaster.RqstReadData({1, 2}, true), QString("OK"));
        QCOMPARE(objMaster.PendingCount(), 2);
        objMaster.ClearRqst();
        objPort.Take();

        QCOMPARE(objMaster.RqstReadData({1}, false), QString("OK"));
        LINK_SEND_DATA_S stSent = objPort.Take().at(0);
        LINK_RECV_DATA_S stReply = Reply(stSent, Hex("02002A"));
        stReply.nSN = stSent.nSN + 1;
        QVERIFY(!objMaster.ProcRecvData("CODEC", stReply)); // another request's number
        stReply.nSN = stSent.nSN;
        stReply.nAddr = 8;
        QVERIFY(!objMaster.ProcRecvData("CODEC", stReply)); // another unit
        stReply.nAddr = 9;
        QVERIFY(!objMaster.ProcRecvData("COM99", stReply)); // another link
        QCOMPARE(objMaster.PendingCount(), 1);
        // A reply cut short publishes nothing and finishes the request.
        QVERIFY(objMaster.ProcRecvData("CODEC", Reply(stSent, Hex("01"))));
        QVERIFY(objTbl.Refreshes().isEmpty());
        QCOMPARE(objMaster.PendingCount(), 0);

        // Cyclic: an exception keeps it, queued again with a fresh number; a
        // reply publishes and keeps it; after the stop nothing is taken.
        QCOMPARE(objMaster.RqstReadData({1}, true), QString("OK"));
        stSent = objPort.Take().at(0);
        QVERIFY(!objMaster.ProcRecvData("CODEC", Reply(stSent, Hex("02"), 0x83)));
        QCOMPARE(objMaster.PendingCount(), 1);
        const LINK_SEND_DATA_S stAgain = objPort.Take().at(0);
        QVERIFY(stAgain.nSN != stSent.nSN);
        QVERIFY(objMaster.ProcRecvData("CODEC", Reply(stAgain, Hex("02002A"))));
        QCOMPARE(objTbl.Value(1), QString("42"));
        const LINK_SEND_DATA_S stThird = objPort.Take().at(0);
        objMaster.StopCycleRead();
        QVERIFY(!objMaster.ProcRecvData("CODEC", Reply(stThird, Hex("02002B"))));
        QCOMPARE(objTbl.Refreshes().size(), 1);
        // A link failure finishes a one-shot read without publishing.
        QCOMPARE(objMaster.RqstReadData({1}, false), QString("OK"));
        QVERIFY(!objMaster.ProcRecvData("CODEC", Reply(objPort.Take().at(0), {}, 0, LINK_RECV_TIMEOUT)));
        QCOMPARE(objMaster.PendingCount(), 0);
        // A reply of another code is not cut into the points.
        QCOMPARE(objMaster.RqstReadData({4}, false), QString("OK"));
        QVERIFY(objMaster.ProcRecvData("CODEC", Reply(objPort.Take().at(0), Hex("020007"), 0x03)));
        QVERIFY(!objTbl.Has(4));

        // A listener that stops the cyclic read while its reply is being
        // published must not finish the one-shot write pending behind it.
        QCOMPARE(objMaster.RqstReadData({1}, true), QString("OK"));
        QCOMPARE(objMaster.RqstWriteData({{1, "5"}}, false), QString("OK"));
        const QList<LINK_SEND_DATA_S> lstBoth = objPort.Take();
        const QMetaObject::Connection objStop = connect(&objMaster, &CDeviceBase::siRefreshDeviceData, this,
                                                        [&] { objMaster.StopCycleRead(); });
        QVERIFY(objMaster.ProcRecvData("CODEC", Reply(lstBoth[1], Hex("020001"))));
        disconnect(objStop);
        QCOMPARE(objMaster.PendingCount(), 1);
        QVERIFY(objMaster.ProcRecvData("CODEC", Reply(lstBoth[0], Hex("00000005"))));
        QCOMPARE(objMaster.PendingCount(), 0);

        // A custom row hears of every outcome: the delay, or -1 without a reply.
        QList<QPair<quint32, qint32>> objRows;
        connect(&objMaster, &CDeviceBase::siRefreshSelfDeviceData, this,
                [&](const QString &, quint32 nID, qint32 nDelay) { objRows.append({nID, nDelay}); });
        QCOMPARE(objMaster.RqstSelfDefData(77, Hex("0300000001"), 200, 0, false), QString("OK"));
        stSent = objPort.Take().at(0);
        QCOMPARE(stSent.objData, Hex("00000001"));
        QVERIFY(objMaster.ProcRecvData("CODEC", Reply(stSent, {}, 0, LINK_RECV_TIMEOUT)));
        QCOMPARE(objMaster.RqstSelfDefData(78, Hex("0300000001"), 100, 0, true), QString("OK"));
        QVERIFY(objMaster.ProcRecvData("CODEC", Reply(objPort.Take().at(0), Hex("020001"))));
        QCOMPARE(objRows, (QList<QPair<quint32, qint32>>{{77, -1}, {78, 12}}));
        objMaster.StopCycleRead();
        objMaster.StopCycleWrite();
        QCOMPARE(objMaster.PendingCount(), 1);
        objMaster.StopCycleSelfDef();
        QCOMPARE(objMaster.PendingCount(), 0);
    }

    // Replies cut into their points, with holes and offsets; writes of every kind.
    void masterReadsAndWrites()
    {
        CCodecPort objPort(TRANS_MODE_TCP_SYNC);
        CBoundDevice<CDeviceMaster> objMaster(&objPort, 1);
        DEVICE_DATA_CFG_S objWords = Point(5, BLOCK_HOLDING_REG, 4, 2);
        objWords.nWordOder = 1;
        objWords.nShowType = SHOW_TYPE_INT_HEX;
        SetPoints(objMaster.GetName(), {Point(1, BLOCK_COIL, 20), Point(2, BLOCK_COIL, 22), Point(3, BLOCK_COIL, 29),
                                        Point(4, BLOCK_HOLDING_REG, 0), objWords, Point(6, BLOCK_HOLDING_REG, 8),
                                        Point(7, BLOCK_HOLDING_REG, 9), Point(8, BLOCK_INPUT_REG, 0)});
        SetAttr(objMaster, 1, 5, 8, 3);
        CValueTable objTbl;
        objTbl.Attach(&objMaster);
        QCOMPARE(objMaster.RqstReadData({1, 2, 3, 4, 5}, false), QString("OK"));
        const QList<LINK_SEND_DATA_S> lstReads = objPort.Take();
        QCOMPARE(lstReads.size(), 2);
        QCOMPARE(lstReads[1].objData, Hex("0017000A")); // coils 20..29 at offset 3
        QCOMPARE(lstReads[0].objData, Hex("00030006")); // registers 0..5
        QVERIFY(objMaster.ProcRecvData("CODEC", Reply(lstReads[1], Hex("020502"))));
        QVERIFY(objMaster.ProcRecvData("CODEC", Reply(lstReads[0], Hex("0C 0007 0000 0000 0000 BBBB AAAA"))));
        QCOMPARE(objTbl.Value(1), QString("1"));
        QCOMPARE(objTbl.Value(2), QString("1"));
        QCOMPARE(objTbl.Value(3), QString("1"));
        QCOMPARE(objTbl.Value(4), QString("7"));
        QCOMPARE(objTbl.Value(5), QString("0XAAAABBBB"));

        SetAttr(objMaster, 1);
        auto fnWrite = [&](const QList<LOCAL_DATA_MAP_S> &objValues) {
            if (objMaster.RqstWriteData(objValues, false) != "OK")
                return QByteArray();
            const LINK_SEND_DATA_S stSent = objPort.Take().value(0);
            objMaster.ProcRecvData("CODEC", Reply(stSent, stSent.objData.left(4)));
            return QByteArray(1, char(stSent.nFuncCode)) + stSent.objData;
        };
        QCOMPARE(fnWrite({{1, "1"}}), Hex("050014FF00"));
        QCOMPARE(fnWrite({{6, "4321"}}), Hex("06000810E1"));
        QCOMPARE(fnWrite({{6, "1"}, {7, "65535"}}), Hex("1000080002040001FFFF"));
        QCOMPARE(fnWrite({{5, "0X12345678"}}), Hex("10000400020456781234"));
        DEVICE_COMMON_ATTR_S objAttr = objMaster.GetPara();
        objAttr.nOneReg10 = objAttr.nOneCoil0F = 1;
        objMaster.SetPara(objAttr);
        QCOMPARE(fnWrite({{6, "7"}}), Hex("100008000102 0007"));
        QCOMPARE(fnWrite({{3, "1"}}), Hex("0F001D00010101"));
        QCOMPARE(objMaster.PendingCount(), 0);
        // Read-only points get no request, a value that does not convert none either.
        QCOMPARE(objMaster.RqstWriteData({{8, "1"}}, false), T("请求失败，配置参数异常！"));
        QCOMPARE(objMaster.RqstWriteData({{6, "x"}}, false), T("请求失败，配置参数异常！"));
        QCOMPARE(objMaster.RqstReadData({1, 99}, false), T("请求失败，读取参数异常！"));
        QCOMPARE(objMaster.RqstSelfDefData(1, QByteArray(), 100, 0, false), T("报文长度非法！"));
        // A broadcast device reads nothing and writes without awaiting a reply.
        objAttr.nIsBCDevice = 1;
        objMaster.SetPara(objAttr);
        QCOMPARE(objMaster.RqstReadData({4}, false), T("广播设备不支持任何读操作！"));
        QCOMPARE(objMaster.RqstWriteData({{6, "9"}}, false), QString("OK"));
        QCOMPARE(objPort.Take().at(0).nIsNeedRsp, quint8(0));
        objMaster.ShutDownDevice();
        QCOMPARE(objMaster.RqstWriteData({{6, "9"}}, false), T("请求失败，设备未启动！"));
        QCOMPARE(objMaster.RqstSelfDefData(1, Hex("0300000001"), 100, 0, false), T("请求失败，设备未启动！"));
        QVERIFY(objPort.Take().isEmpty());
    }

    // Typed-in frames read back into the device's points: the result and the values.
    void frameExplainers()
    {
        const struct { const char *pPdu; int nStart, nOffset; const char *pExpected; } arrCases[] = {
            {"0304000A000B", 100, 0, "OK|1=10,2=11"},
            {"0304000A000B", 100, 1, "OK|1=11,3=10"},
            {"0302000A", 0, 1, "未能匹配任何有效配置|"}, // the offset wraps below 0
            {"01020102", 0, 0, "OK|10=1,11=1"},        // coil 16 lies past the bytes
            {"", 0, 0, "不能识别的功能码，解析失败！|"},
            {"010201", 0, 0, "长度非法，无效Bit读响应报文|"},
            {"0303000A00", 100, 0, "报文字节数非偶数，无效Reg读响应报文|"},
            {"05001EFF00", 0, 0, "OK|20=1"},
            {"05001E1234", 0, 0, "OK|20=0X1234"},
            {"060006FFFE", 0, 0, "OK|22=-2"},
            {"0600070001", 0, 0, "未能匹配任何有效配置|"}, // half of a point
            {"0F001E000A02010200", 0, 0, "OK|20=1,21=0,23=1"},
            {"0F001E000A0101FF", 0, 0, "OK|20=1,21=0"},    // bytes beyond the count are no values
            {"1000050004080001FFFF00020003", 0, 0, "OK|24=1,22=-1,25=131075"},
            {"10000500020200FF", 0, 0, "报文字节数与数据量不匹配，无效Reg写多个请求报文|"},
        };
        for (const auto &stCase : arrCases) {
            CDeviceSlave objDevice("", "", 1);
            SetAttr(objDevice, 0, 5, 0, qint16(stCase.nOffset));
            CValueTable objTable;
            objTable.Attach(&objDevice);
            SetPoints(objDevice.GetName(), {Point(1, BLOCK_HOLDING_REG, 100), Point(2, BLOCK_HOLDING_REG, 101),
                                            Point(3, BLOCK_HOLDING_REG, 99), Point(4, BLOCK_HOLDING_REG, 101, 2),
                                            Point(5, BLOCK_INPUT_REG, 100), Point(10, BLOCK_COIL, 0), Point(11, BLOCK_COIL, 9),
                                            Point(12, BLOCK_COIL, 16), Point(13, BLOCK_DISCRETE_INPUT, 3), Point(20, BLOCK_COIL, 30),
                                            Point(21, BLOCK_COIL, 31), Point(23, BLOCK_COIL, 39), Point(24, BLOCK_HOLDING_REG, 5),
                                            Point(22, BLOCK_HOLDING_REG, 6, 1, PRTC_TYPE_INT), Point(25, BLOCK_HOLDING_REG, 7, 2)});
            const QString strResult = objDevice.RawParseFrame(Hex(stCase.pPdu), quint16(stCase.nStart));
            const QString strGot = strResult + "|" + Changes(objTable);
            QCOMPARE(stCase.pPdu + (": " + strGot), stCase.pPdu + (": " + T(stCase.pExpected)));
        }
    }

    // The device follows its link: opened, closed, reopened, shared, rebuilt, left.
    void followsLink()
    {
        CSocatPair objPair;
        QVERIFY(objPair.Start());
        COM_PARA_DATA_S stPara;
        stPara.nPresent = 1;
        stPara.strPortName = objPair.EndA();
        stPara.nBaudRate = 115200;
        CComParaMgr::GetComParaList() = {stPara};
        std::unique_ptr<CDeviceSlave> pDevice(new CDeviceSlave("", objPair.EndA(), 1));
        QSignalSpy objSpy(pDevice.get(), &CDeviceBase::siDeviceStateChanged);
        CPortBase *pPort = CPortMgr::GetPort(objPair.EndA());
        QVERIFY(pPort && pDevice->GetPort() == pPort);
        QTRY_COMPARE(pDevice->GetState(), quint16(1));
        const qint64 nBefore = QDateTime::currentSecsSinceEpoch();
        pPort->StopPort();
        QTRY_COMPARE(pDevice->GetState(), quint16(0));
        pDevice->LaunchDevice();
        QCOMPARE(pDevice->GetState(), quint16(0));
        pPort->LaunchPort();
        QTRY_COMPARE(pDevice->GetState(), quint16(1));
        QVERIFY(pDevice->GetLaunchTime() >= nBefore);
        QTest::qWait(50);
        QCOMPARE(objSpy.count(), 3);
        std::unique_ptr<CDeviceSlave> pSecond(new CDeviceSlave("", objPair.EndA(), 2));
        QCOMPARE(pSecond->GetPort(), pPort);
        QCOMPARE(pSecond->GetState(), quint16(1));
        // A rebuilt link object is looked up again.
        stPara.nBaudRate = 9600;
        QVERIFY(CComParaMgr::SetComPara(stPara));
        CPortBase *pNew = CPortMgr::GetPort(objPair.EndA());
        QVERIFY(pNew && pDevice->GetPort() == pNew && pSecond->GetPort() == pNew);
        // Moving to another link leaves the old one to the other device; the last one takes it away.
        pDevice->SetPortName("/nonexistent/ttyX");
        QVERIFY(CPortMgr::GetPort(objPair.EndA()) && pDevice->GetPort() != pNew);
        pSecond.reset();
        QVERIFY(!CPortMgr::GetPort(objPair.EndA()));
        pDevice.reset();
        QVERIFY(!CPortMgr::GetPort("/nonexistent/ttyX"));
        CComParaMgr::GetComParaList().clear();
    }

    // A device that never got its link is not bound by a later rebuild:
    // deleting it must not give back a registration it never held.
    void rebuildBindsOnlyRegisteredDevices()
    {
        const QString strLink = QStringLiteral("NET-LATE");
        NET_PARA_DATA_S stPara = NetPara(strLink, 7, TRANS_MODE_TCP_SYNC, PickFreePort());
        QVERIFY(CNetParaMgr::SetNetPara(stPara));
        auto *pHolder = new CDeviceSlave("", strLink, 1);
        auto *pNever = new CDeviceSlave("", strLink, 2);
        QVERIFY(!pHolder->GetPort() && !pNever->GetPort());
        stPara.nLinkMode = LINK_MODE_TCP_SERVER;
        QVERIFY(CNetParaMgr::SetNetPara(stPara));
        pHolder->LaunchDevice();
        QVERIFY(pHolder->GetPort());
        stPara.nMaxAsynNum = 3;
        QVERIFY(CNetParaMgr::SetNetPara(stPara));
        delete pNever;
        QVERIFY(CPortMgr::GetPort(strLink) && pHolder->GetPort() == CPortMgr::GetPort(strLink));
        QTRY_COMPARE(pHolder->GetState(), quint16(1));
        delete pHolder;
        QVERIFY(!CPortMgr::GetPort(strLink));
        CNetParaMgr::DelNetPara(strLink);
    }

    // Refusals in the order of their checks: which one a request with several faults gets.
    void managerAddsAndChanges()
    {
        CDeviceMgr::GetInstance();
        QCOMPARE(CDeviceMgr::AddDevice("", "COM1", 1, 300, 260), T("设备添加失败，起始地址应小于等于结束地址！"));
        QCOMPARE(CDeviceMgr::AddDevice("", "COM1", 1, 0, 256), T("设备添加失败，设备地址过大！"));
        QCOMPARE(CDeviceMgr::AddDevice("", "COM1", 1, 255, 255), T("OK"));
        QCOMPARE(CDeviceMgr::AddDevice("", "COM2", 2, 7, 7), T("OK"));
        QCOMPARE(CDeviceMgr::AddDevice("[M]COM1-255", "COM2", 1, 1, 1), T("设备名称冲突不唯一！"));
        QCOMPARE(CDeviceMgr::AddDevice("", "COM2", 1, 1, 1), T("设备添加失败，该端口已存在其它类型设备！"));
        QCOMPARE(CDeviceMgr::AddDevice("Pump", "COM1", 1, 1, 2), T("设备名称冲突不唯一！"));
        // Taken addresses of a range are skipped.
        QSignalSpy objNew(CDeviceMgr::GetInstance(), &CDeviceMgr::siNewDevice);
        QCOMPARE(CDeviceMgr::AddDevice("", "COM1", 1, 253, 255), T("OK"));
        QCOMPARE(objNew.count(), 2);
        QCOMPARE(Names(), QStringList({"[M]COM1-255", "[S]COM2-007", "[M]COM1-253", "[M]COM1-254"}));
        QCOMPARE(CDeviceMgr::GetDeviceName("COM1", 254), QString("[M]COM1-254"));

        const QString strA = "[M]COM1-253";
        const struct { DEVICE_KEY_INFO_S stOld, stNew; const char *pResult; } arrChanges[] = {
            {Key("nobody", "COM1", 1), Key("", "", 1), "设备信息修改失败，设备不存在！"},
            {Key(strA, "COM1", 253), Key(strA, "", 1), "设备信息修改失败，设备信息不能为空！"},
            {Key(strA, "COM1", 253), Key("[M]COM1-254", "COM2", 999), "设备名称修改失败，设备名称与其它设备冲突！"},
            {Key(strA, "COM1", 253), Key(strA, "COM2", 999), "设备端口修改失败，其它设备类型已占用新端口！"},
            {Key(strA, "COM1", 253), Key(strA, "COM1", 256), "设备地址修改失败，地址值过大（应小于256）！"},
            {Key(strA, "COM1", 253), Key(strA, "COM1", 254), "设备地址修改失败，该地址设备已存在！"},
            {Key(strA, "COM1", 253), Key(strA, "COM1", 253), "设备信息无变更，无需修改！"},
        };
        for (const auto &stCase : arrChanges)
            QCOMPARE(CDeviceMgr::ChangeDeviceInfo(stCase.stOld, stCase.stNew), T(stCase.pResult));
        QSignalSpy objRenamed(CDeviceMgr::GetInstance(), &CDeviceMgr::siDeviceNameChanged);
        // A name with a configuration of its own is refused by the store: no rename is announced.
        CCfgFileMgr::GetInstance()->AddDeviceAttrCfg("Ghost", DEVICE_COMMON_ATTR_S());
        QCOMPARE(CDeviceMgr::ChangeDeviceInfo(Key(strA, "COM1", 253), Key("Ghost", "COM1", 9)),
                 T("设备名称修改失败，设备名称与其它设备冲突！"));
        // The address alone: the default name follows it; a custom name stays.
        QCOMPARE(CDeviceMgr::ChangeDeviceInfo(Key(strA, "COM1", 253), Key(strA, "COM1", 5)), T("OK"));
        QCOMPARE(CDeviceMgr::GetDeviceName("COM1", 5), QString("[M]COM1-005"));
        QCOMPARE(CDeviceMgr::ChangeDeviceInfo(Key("[M]COM1-005", "COM1", 5), Key("Valve", "COM1", 6)), T("OK"));
        QCOMPARE(CDeviceMgr::ChangeDeviceInfo(Key("Valve", "COM1", 6), Key("Valve", "COM1", 8)), T("OK"));
        QCOMPARE(objRenamed.count(), 2);
        QCOMPARE(objRenamed.at(0).at(1).toString(), QString("[M]COM1-005"));
        QCOMPARE(CDeviceMgr::GetDevice("Valve")->GetAddr(), quint16(8));
        QCOMPARE(CDeviceMgr::ChangeDevicePort("Valve", "COM2"), T("设备端口修改失败，其它设备类型已占用新端口！"));
        QCOMPARE(CDeviceMgr::ChangeDevicePort("[M]COM1-254", "COM3"), T("OK"));
        QCOMPARE(CDeviceMgr::GetDeviceName("COM3", 254), QString("[M]COM3-254"));
        QCOMPARE(objRenamed.count(), 3);

        QSignalSpy objDel(CDeviceMgr::GetInstance(), &CDeviceMgr::siDelDevice);
        QCOMPARE(CDeviceMgr::DelDevice({}), T("设备删除失败，无有效设备！"));
        QCOMPARE(CDeviceMgr::DelDevice({"Valve", "missing"}), T("部分设备移除失败！"));
        QCOMPARE(objDel.at(0).at(0).value<QList<QString>>(), QList<QString>({"Valve"}));
        DEVICE_COMMON_ATTR_S objAttr;
        QVERIFY(!CCfgFileMgr::GetInstance()->GetDeviceAttrCfg("Valve", objAttr));
        CDeviceMgr::DestroyInstance();
        QCOMPARE(CDeviceMgr::AddDevice("", "COM1", 1, 1, 1), T("设备添加失败，内部异常"));
        CDeviceMgr::DestroyInstance();
    }

    // A load step by step; a new load clears the devices there are, one abandoned half way starts over.
    void managerLoadsStepByStep()
    {
        for (quint16 i = 1; i <= 3; ++i)
            CCfgFileMgr::GetInstance()->AddDeviceAttrCfg(QStringLiteral("dev%1").arg(i),
                                                         {QStringLiteral("COM%1").arg(i), quint16(i == 2 ? 2 : 1), i, 0, 0, 0, 0, 9});
        CDeviceMgr::GetInstance();
        QList<int> lstSteps;
        for (int i = 0; i < 4; ++i)
            lstSteps << CDeviceMgr::LoadDevicesStep();
        QCOMPARE(lstSteps, QList<int>({33, 66, 100, 100}));
        QCOMPARE(Names(), QStringList({"dev1", "dev2", "dev3"}));
        QVERIFY(CDeviceMgr::GetDevice("dev2")->GetType() == 2 && CDeviceMgr::GetDevice("dev3")->GetPara().nRegGap == 9);
        CDeviceMgr::LoadDevicesStep();
        CDeviceMgr::ResetLoad();
        QCOMPARE(CDeviceMgr::LoadDevicesStep(), 33);
        QCOMPARE(Names(), QStringList({"dev1"}));
        CDeviceMgr::DestroyInstance();
    }

    void simulatedValues()
    {
        const DATA_VALUE_CFG_S objLine = Simul(1, "0", "100", "1", "0", 1.0); // 0 -> 100 in 1 h, then 1 h at 100
        const DATA_VALUE_CFG_S objParabola = Simul(2, "100", "1", "0", "2");  // top 100 at 1 h, 2 h wide
        DATA_VALUE_CFG_S objLimited = objLine, objNoisy = objLine;
        objLimited.fMinValue = objNoisy.fMinValue = 40;
        objLimited.fMaxValue = objNoisy.fMaxValue = 60;
        objNoisy.fMinRadom = 100;
        objNoisy.fMaxRadom = 200;
        const struct { DATA_VALUE_CFG_S objCfg; double fGain; quint32 nTime; const char *pValue; } arrCases[] = {
            {objLine, 1, 0, "0"}, {objLine, 1, 1800, "50"}, {objLine, 1, 5400, "100"}, {objLine, 1, 9000, "50"},
            {Simul(1, "100", "0", "1", "0", 1.0), 1, 900, "75"},
            {Simul(1, "nan", "100", "1", "0", 1.0), 1, 1800, "50"},            // no number counts as 0
            {Simul(1, "0", "100", "1", "0", 1.0, 10), 0.01, 1809, "50.00"},     // refreshed every 10 s
            {Simul(1, "0", "100", "1", "0", 1.0, 1), 0.01, 1809, "50.25"},
            {objParabola, 1, 1800, "75"}, {objParabola, 1, 3600, "100"}, {objParabola, 1, 7200, "0"},
            {Simul(2, "100", "1", "0", "2", 1.0), 1, 9000, "0"}, {Simul(2, "100", "1", "0", "2", 1.0), 1, 14400, "100"},
            {Simul(3, "10", "1", "5", "0"), 0.00000001, 1800, "5.00092654"},    // 6.283, not 2 pi
            {Simul(3, "10", "1", "5", "0"), 0.001, 2700, "-5.000"},
            {Simul(3, "10", "1", "5", "1.25"), 0.001, 0, "15.000"},             // shifted beyond the period
            {Simul(3, "0.1", "1", "0", "0"), 1, 2700, "0"},                     // rounds to zero without sign
            {Simul(4, "1.50", "1", "x", "1"), 1, 3600, "1.50"}, {Simul(4, "1.50", "1", "x", "1"), 1, 3601, "x"},
            {Simul(0, "12.5", "1", "2", "3"), 1, 100, "12.5"},
            {Simul(1, "7.5", "100", "0", "0"), 1, 1234, "7.5"},                 // cycles of zero length
            {Simul(3, "7.5", "0", "5", "1"), 1, 1234, "7.5"},
            {Simul(4, "7.5", "1", "1", "-1"), 1, 1234, "7.5"},
            {Simul(1, "0", "100", "0", "0", 1.0), 1, 10, "100"},                // no rise time, but a reset
            {objLimited, 1, 0, "40"}, {objLimited, 1, 3600, "60"}, {objNoisy, 1, 0, "60"},
            {Simul(1, "12.3456", "12.3456", "1", "0"), 0.01, 100, "12.35"},
            {Simul(1, "12.3456", "12.3456", "1", "0"), -0.5, 100, "12.3"},
        };
        for (const auto &stCase : arrCases)
            QCOMPARE(MakeSimulValue(stCase.objCfg, stCase.fGain, stCase.nTime) + QStringLiteral(" at %1").arg(stCase.nTime),
                     stCase.pValue + QStringLiteral(" at %1").arg(stCase.nTime));
    }

    // Noise stays in its span; absurd coefficients neither crash nor hang; time bases.
    void simulatedNoiseAndTime()
    {
        DATA_VALUE_CFG_S objCfg = Simul(1, "0", "100", "1", "0", 1.0);
        objCfg.fMinRadom = 1.0;
        objCfg.fMaxRadom = 2.0;
        QSet<QString> objSeen;
        for (int i = 0; i < 100; ++i) {
            const double fValue = MakeSimulValue(objCfg, 0.0001, 1800).toDouble();
            QVERIFY2(fValue >= 51.0 && fValue <= 52.0, qPrintable(QString::number(fValue)));
            objSeen.insert(QString::number(fValue));
        }
        QVERIFY(objSeen.size() > 1);
        QCOMPARE(GetSimulCycle(Simul(2, "100", "1", "0", "2", 0.5)), qint64(9000));
        QCOMPARE(GetSimulCycle(Simul(3, "10", "0.001", "5", "0")), qint64(3)); // whole seconds
        for (quint16 nStrategy = 1; nStrategy <= 4; ++nStrategy)
            QVERIFY(!MakeSimulValue(Simul(nStrategy, "1e300", "1e300", "1e300", "-1e300", 1e300), 1, 4000000000u).isEmpty());
        QVERIFY(GetSimulTime(SIMUL_TIME_DEVICE_LAUNCH, 1600, 1000) == 600 && GetSimulTime(SIMUL_TIME_DEVICE_LAUNCH, 900, 1000) == 0);
        QCOMPARE(GetSimulTime(SIMUL_TIME_TODAY_MIDNIGHT, GetTodayStartTime() + 3601, 0), quint32(3601));
        QCOMPARE(QDateTime::fromSecsSinceEpoch(GetTodayStartTime()).time(), QTime(0, 0, 0));
    }
};

QTEST_GUILESS_MAIN(TstDevices)
#include "tst_devices.moc"
