// Request planning of the master: how points become reads and writes, without a link.

#include <QtTest>

#include "common/framebytes.h"
#include "cdevicemaster.h"
#include "commonfunc.h"
#include "device/devicefixture.h"

namespace {

DEVICE_COMMON_ATTR_S Attr(quint16 nPackWay, quint16 nRegGap = 5, quint16 nBitGap = 0)
{
    DEVICE_COMMON_ATTR_S objAttr;
    objAttr.nAddr = 7;
    objAttr.nPackWay = nPackWay;
    objAttr.nRegGap = nRegGap;
    objAttr.nBitGap = nBitGap;
    return objAttr;
}

// "code start quantity" of every request, for compact comparisons.
QStringList Shape(const QList<MASTER_RQST_S> &objPlan)
{
    QStringList objOut;
    for (const MASTER_RQST_S &stRqst : objPlan) {
        const QByteArray &d = stRqst.stLinkData.objData;
        const int nStart = (quint8(d.at(0)) << 8) | quint8(d.at(1));
        const int nQty = (quint8(d.at(2)) << 8) | quint8(d.at(3));
        objOut << QStringLiteral("%1 %2 %3").arg(stRqst.stLinkData.nFuncCode).arg(nStart).arg(nQty);
    }
    return objOut;
}

QList<quint32> Ids(const MASTER_RQST_S &stRqst)
{
    QList<quint32> objOut;
    for (const DEVICE_DATA_CFG_S &objCfg : stRqst.lstDataCfg)
        objOut << objCfg.nID;
    return objOut;
}

QList<MASTER_RQST_S> PlanRead(const QList<DEVICE_DATA_CFG_S> &objPoints, const DEVICE_COMMON_ATTR_S &objAttr)
{
    QList<MASTER_RQST_S> objPlan;
    CDeviceMaster::PlanReadRqst(objPoints, objAttr, objPlan);
    return objPlan;
}

} // namespace

class TstMasterPlan : public QObject
{
    Q_OBJECT

private slots:
    void readMergesWithinGap()
    {
        const QList<DEVICE_DATA_CFG_S> objPoints{Point(1, BLOCK_HOLDING_REG, 0, 2), Point(2, BLOCK_HOLDING_REG, 3),
                                                 Point(3, BLOCK_HOLDING_REG, 10)};
        QList<MASTER_RQST_S> objPlan = PlanRead(objPoints, Attr(1, 5));
        QCOMPARE(Shape(objPlan), QStringList({"3 0 4", "3 10 1"}));
        QCOMPARE(Ids(objPlan.at(0)), QList<quint32>({1, 2}));
        QCOMPARE(objPlan.at(0).stLinkData.nAddr, quint16(7));
        QCOMPARE(objPlan.at(0).stLinkData.nIsNeedRsp, quint8(1));
        QVERIFY(!objPlan.at(0).bSelfDef);

        QCOMPARE(Shape(PlanRead(objPoints, Attr(1, 0))), QStringList({"3 0 2", "3 3 1", "3 10 1"}));
        // A hole of exactly the gap still merges; one more splits.
        QCOMPARE(Shape(PlanRead(objPoints, Attr(1, 1))), QStringList({"3 0 4", "3 10 1"}));
        QCOMPARE(Shape(PlanRead(objPoints, Attr(2, 6))), QStringList({"3 0 11"}));
    }

    void readKeepsQuantityLimits()
    {
        QList<DEVICE_DATA_CFG_S> objRegs;
        for (quint16 i = 0; i < 126; ++i)
            objRegs << Point(i + 1, BLOCK_INPUT_REG, i);
        QList<MASTER_RQST_S> objPlan = PlanRead(objRegs, Attr(1));
        QCOMPARE(Shape(objPlan), QStringList({"4 0 125", "4 125 1"}));
        QCOMPARE(objPlan.at(0).lstDataCfg.size(), 125);

        QList<DEVICE_DATA_CFG_S> objBits;
        for (quint16 i = 0; i < 2001; ++i)
            objBits << Point(i + 1, BLOCK_COIL, i);
        QCOMPARE(Shape(PlanRead(objBits, Attr(2))), QStringList({"1 0 2000", "1 2000 1"}));

        const QList<DEVICE_DATA_CFG_S> objTop{Point(1, BLOCK_HOLDING_REG, 65533), Point(2, BLOCK_HOLDING_REG, 65534)};
        QCOMPARE(Shape(PlanRead(objTop, Attr(1))), QStringList({"3 65533 2"}));
        // A point reaching past 65535 opens a request of its own but never joins one.
        const QList<DEVICE_DATA_CFG_S> objEnd{Point(1, BLOCK_HOLDING_REG, 65533), Point(2, BLOCK_HOLDING_REG, 65535)};
        QCOMPARE(Shape(PlanRead(objEnd, Attr(1))), QStringList({"3 65533 1", "3 65535 1"}));
    }

    void readOrderAndGrouping()
    {
        // List order 10 then 5 never merges: 5 lies before the request start.
        const QList<DEVICE_DATA_CFG_S> objDesc{Point(1, BLOCK_HOLDING_REG, 10), Point(2, BLOCK_HOLDING_REG, 5)};
        QCOMPARE(Shape(PlanRead(objDesc, Attr(2, 100))), QStringList({"3 10 1", "3 5 1"}));
        // Ordered by address it merges.
        QCOMPARE(Shape(PlanRead(objDesc, Attr(1, 100))), QStringList({"3 5 6"}));

        // Overlapping points in list order do not merge either.
        const QList<DEVICE_DATA_CFG_S> objOverlap{Point(1, BLOCK_HOLDING_REG, 0, 2), Point(2, BLOCK_HOLDING_REG, 1)};
        QCOMPARE(Shape(PlanRead(objOverlap, Attr(2))), QStringList({"3 0 2", "3 1 1"}));

        // Blocks ascending whatever the list order; PackWay 0 keeps list order.
        const QList<DEVICE_DATA_CFG_S> objMixed{Point(1, BLOCK_INPUT_REG, 4), Point(2, BLOCK_COIL, 3),
                                                Point(3, BLOCK_HOLDING_REG, 2), Point(4, BLOCK_DISCRETE_INPUT, 1)};
        QCOMPARE(Shape(PlanRead(objMixed, Attr(1))), QStringList({"1 3 1", "2 1 1", "3 2 1", "4 4 1"}));
        QCOMPARE(Shape(PlanRead(objMixed, Attr(2))), QStringList({"1 3 1", "2 1 1", "3 2 1", "4 4 1"}));
        QCOMPARE(Shape(PlanRead(objMixed, Attr(0))), QStringList({"4 4 1", "1 3 1", "3 2 1", "2 1 1"}));

        // Same address twice: ordered by address the last one wins; PackWay 0 reads both.
        const QList<DEVICE_DATA_CFG_S> objDup{Point(1, BLOCK_HOLDING_REG, 4), Point(2, BLOCK_HOLDING_REG, 4)};
        QList<MASTER_RQST_S> objPlan = PlanRead(objDup, Attr(1));
        QCOMPARE(objPlan.size(), 1);
        QCOMPARE(Ids(objPlan.at(0)), QList<quint32>({2}));
        QCOMPARE(PlanRead(objDup, Attr(0)).size(), 2);

        // Bit gaps are counted in bits with their own limit.
        const QList<DEVICE_DATA_CFG_S> objBits{Point(1, BLOCK_COIL, 0), Point(2, BLOCK_COIL, 3)};
        QCOMPARE(Shape(PlanRead(objBits, Attr(1, 5, 1))), QStringList({"1 0 1", "1 3 1"}));
        QCOMPARE(Shape(PlanRead(objBits, Attr(1, 0, 2))), QStringList({"1 0 4"}));
    }

    void readParametersAndOffset()
    {
        DEVICE_DATA_CFG_S objA = Point(1, BLOCK_HOLDING_REG, 0);
        objA.nIntervalTime = 100;
        objA.nTimeOut = 3000;
        objA.nResendCount = 0;
        DEVICE_DATA_CFG_S objB = Point(2, BLOCK_HOLDING_REG, 1);
        objB.nIntervalTime = 50;
        objB.nTimeOut = 500;
        objB.nResendCount = 3;
        DEVICE_COMMON_ATTR_S objAttr = Attr(1);
        objAttr.nAddrOffset = -1;
        QList<MASTER_RQST_S> objPlan = PlanRead({objB, objA}, objAttr);
        QCOMPARE(objPlan.size(), 1);
        const LINK_SEND_DATA_S &stLink = objPlan.at(0).stLinkData;
        QCOMPARE(stLink.nIntervalTime, quint32(100));
        QCOMPARE(stLink.nTimeOut, quint32(3000));
        QCOMPARE(stLink.nResendCount, quint16(3));
        // Address 0 with offset -1 wraps to the top of the address space.
        QCOMPARE(stLink.objData, Hex("FFFF0002"));
        objAttr.nAddrOffset = 100;
        QCOMPARE(PlanRead({objA}, objAttr).at(0).stLinkData.objData, Hex("00640001"));
    }

    void readRefusesWhatCannotBeFramed()
    {
        const QList<DEVICE_DATA_CFG_S> objPoints{Point(1, BLOCK_HOLDING_REG, 0), Point(2, 7, 1)};
        QCOMPARE(Shape(PlanRead(objPoints, Attr(0))), QStringList({"3 0 1"}));
        QVERIFY(PlanRead(objPoints, Attr(3)).isEmpty());
        QVERIFY(PlanRead({}, Attr(1)).isEmpty());
    }

    void writePduLayouts()
    {
        QCOMPARE(CDeviceMaster::MakeWritePdu(0x05, 3, Hex("01")), Hex("0003FF00"));
        QCOMPARE(CDeviceMaster::MakeWritePdu(0x05, 3, Hex("00")), Hex("00030000"));
        QCOMPARE(CDeviceMaster::MakeWritePdu(0x05, 3, Hex("0101")), Hex("00030000"));
        QCOMPARE(CDeviceMaster::MakeWritePdu(0x06, 0x1234, Hex("ABCD")), Hex("1234ABCD"));
        // Coil i is bit i mod 8 of byte i / 8, least significant first.
        QCOMPARE(CDeviceMaster::MakeWritePdu(0x0F, 19, Hex("010001010000000001")), Hex("00130009020D01"));
        QCOMPARE(CDeviceMaster::MakeWritePdu(0x10, 1, Hex("000A0102")), Hex("0001000204000A0102"));
        QVERIFY(CDeviceMaster::MakeWritePdu(0x00, 1, Hex("0001")).isEmpty());
    }

    void writeMergesOnlyAdjacentPoints()
    {
        const QList<DEVICE_DATA_CFG_S> objPoints{Point(1, BLOCK_HOLDING_REG, 5), Point(2, BLOCK_HOLDING_REG, 4),
                                                 Point(3, BLOCK_HOLDING_REG, 7, 2), Point(4, BLOCK_COIL, 1),
                                                 Point(5, BLOCK_COIL, 0)};
        const QList<QByteArray> objBytes{Hex("0005"), Hex("0004"), Hex("00000007"), Hex("01"), Hex("00")};
        QList<MASTER_RQST_S> objPlan;
        QVERIFY(CDeviceMaster::PlanWriteRqst(objPoints, objBytes, Attr(0), objPlan));
        QCOMPARE(objPlan.size(), 3);
        QCOMPARE(objPlan.at(0).stLinkData.nFuncCode, quint8(0x0F));
        QCOMPARE(objPlan.at(0).stLinkData.objData, Hex("0000000201" "02"));
        QCOMPARE(objPlan.at(1).stLinkData.nFuncCode, quint8(0x10));
        QCOMPARE(objPlan.at(1).stLinkData.objData, Hex("00040002" "04" "00040005"));
        QCOMPARE(Ids(objPlan.at(1)), QList<quint32>({2, 1}));
        // A hole of one register is never bridged by a write.
        QCOMPARE(objPlan.at(2).stLinkData.nFuncCode, quint8(0x10));
        QCOMPARE(objPlan.at(2).stLinkData.objData, Hex("00070002" "04" "00000007"));
        QCOMPARE(objPlan.at(2).stLinkData.nIsNeedRsp, quint8(1));

        // A lone register with OneReg10 still goes as 0x10 with quantity 1.
        DEVICE_COMMON_ATTR_S objAttr = Attr(0);
        objAttr.nOneReg10 = 1;
        objAttr.nIsBCDevice = 1;
        objAttr.nAddrOffset = 2;
        objPlan.clear();
        QVERIFY(CDeviceMaster::PlanWriteRqst({Point(1, BLOCK_HOLDING_REG, 5)}, {Hex("00FF")}, objAttr, objPlan));
        QCOMPARE(objPlan.at(0).stLinkData.nFuncCode, quint8(0x10));
        QCOMPARE(objPlan.at(0).stLinkData.objData, Hex("00070001" "02" "00FF"));
        QCOMPARE(objPlan.at(0).stLinkData.nIsNeedRsp, quint8(0));

        // 124 adjacent registers split at the write limit of 123.
        QList<DEVICE_DATA_CFG_S> objMany;
        QList<QByteArray> objManyBytes;
        for (quint16 i = 0; i < 124; ++i) {
            objMany << Point(i + 1, BLOCK_HOLDING_REG, i);
            objManyBytes << Hex("0001");
        }
        objPlan.clear();
        QVERIFY(CDeviceMaster::PlanWriteRqst(objMany, objManyBytes, Attr(0), objPlan));
        QCOMPARE(objPlan.size(), 2);
        QCOMPARE(objPlan.at(0).stLinkData.objData.mid(0, 5), Hex("0000007BF6"));
        QCOMPARE(objPlan.at(1).stLinkData.nFuncCode, quint8(0x06));
    }

    void writeLeavesReadOnlyBlocksOut()
    {
        QList<MASTER_RQST_S> objPlan;
        QVERIFY(CDeviceMaster::PlanWriteRqst({Point(1, BLOCK_INPUT_REG, 0), Point(2, BLOCK_DISCRETE_INPUT, 0)},
                                             {QByteArray(), QByteArray()}, Attr(0), objPlan));
        QVERIFY(objPlan.isEmpty());
        QVERIFY(CDeviceMaster::PlanWriteRqst({Point(1, BLOCK_INPUT_REG, 0), Point(2, BLOCK_HOLDING_REG, 0)},
                                             {QByteArray(), Hex("0102")}, Attr(0), objPlan));
        QCOMPARE(objPlan.size(), 1);
        QCOMPARE(objPlan.at(0).stLinkData.nFuncCode, quint8(0x06));
    }

    void writeRefusesValuesThatDoNotFit()
    {
        // A value of the wrong length would move its neighbours' values onto
        // other addresses; nothing is planned at all.
        QList<MASTER_RQST_S> objPlan;
        QVERIFY(!CDeviceMaster::PlanWriteRqst({Point(1, BLOCK_HOLDING_REG, 0), Point(2, BLOCK_HOLDING_REG, 1)},
                                              {QByteArray(), Hex("0001")}, Attr(0), objPlan));
        QVERIFY(objPlan.isEmpty());
        QVERIFY(!CDeviceMaster::PlanWriteRqst({Point(1, BLOCK_HOLDING_REG, 0, 2)}, {Hex("0001")}, Attr(0), objPlan));
        QVERIFY(!CDeviceMaster::PlanWriteRqst({Point(1, BLOCK_COIL, 0)}, {Hex("0101")}, Attr(0), objPlan));
        // A single point above the write limit cannot be framed (byte count is 8 bits).
        QVERIFY(!CDeviceMaster::PlanWriteRqst({Point(1, BLOCK_HOLDING_REG, 0, 124)}, {QByteArray(248, '\1')},
                                              Attr(0), objPlan));
        QVERIFY(objPlan.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstMasterPlan)
#include "tst_masterplan.moc"
