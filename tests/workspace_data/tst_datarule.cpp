// The rules that keep a point consistent while its row is edited, the
// moving of ticked rows, and the fast overlap check against its definition.

#include <QtTest>

#include "ccfgfilemgr.h"
#include "commonfunc.h"
#include "datacfgrule.h"

Q_DECLARE_METATYPE(DEVICE_DATA_CFG_S)

namespace {

DEVICE_DATA_CFG_S Point(quint16 nBlock, quint16 nSize, quint16 nPrtc, quint16 nShow)
{
    DEVICE_DATA_CFG_S objCfg;
    objCfg.nBlock = nBlock;
    objCfg.nSize = nSize;
    objCfg.nPrtcType = nPrtc;
    objCfg.nShowType = nShow;
    objCfg.nByteOder = objCfg.nWordOder = BYTE_ODER_LITTLE;
    objCfg.nIsBWrite = 1;
    objCfg.nCurveShow = 1;
    objCfg.fGain = 0.1;
    return objCfg;
}

// Every row against every later one: what the check's answer means.
int OverlapByDefinition(const QList<DEVICE_DATA_CFG_S> &lstRows, quint32 &nPartnerID)
{
    for (int i = 0; i < lstRows.size(); ++i) {
        for (int j = i + 1; j < lstRows.size(); ++j) {
            const DEVICE_DATA_CFG_S &a = lstRows.at(i);
            const DEVICE_DATA_CFG_S &b = lstRows.at(j);
            if (a.nBlock == b.nBlock && quint32(a.nAddr) < quint32(b.nAddr) + b.nSize
                && quint32(b.nAddr) < quint32(a.nAddr) + a.nSize) {
                nPartnerID = b.nID;
                return i;
            }
        }
    }
    return -1;
}

} // namespace

class TstDataRule : public QObject
{
    Q_OBJECT

private slots:
    // Result as "Size PrtcType ShowType ByteOder WordOder IsBWrite CurveShow Gain".
    void rowCorrections_data()
    {
        QTest::addColumn<DEVICE_DATA_CFG_S>("objCfg");
        QTest::addColumn<int>("nChange"); // 0 Size rule, 1 block change, 2 protocol change, 3 show change
        QTest::addColumn<int>("nValue");
        QTest::addColumn<QString>("strResult");
        const DEVICE_DATA_CFG_S objHolding = Point(BLOCK_HOLDING_REG, 2, PRTC_TYPE_INT, SHOW_TYPE_FLOAT);
        DEVICE_DATA_CFG_S objInput = objHolding;
        objInput.nSize = 200;
        objInput.nBlock = BLOCK_INPUT_REG;
        QTest::newRow("input 200 -> 125, no batch write") << objInput << 0 << 0 << "125 3 4 0 0 0 0 0.1";
        DEVICE_DATA_CFG_S objZero = objHolding;
        objZero.nSize = 0;
        QTest::newRow("Size 0 -> 1, INT stays") << objZero << 0 << 0 << "1 0 0 1 1 1 1 0.1";
        DEVICE_DATA_CFG_S objFloat3 = Point(BLOCK_HOLDING_REG, 3, PRTC_TYPE_FLOAT, SHOW_TYPE_FLOAT);
        QTest::newRow("FLOAT of Size 3 -> BYTES") << objFloat3 << 0 << 0 << "3 3 4 0 0 1 0 0.1";
        DEVICE_DATA_CFG_S objFloat1 = Point(BLOCK_HOLDING_REG, 1, PRTC_TYPE_FLOAT, SHOW_TYPE_FLOAT);
        QTest::newRow("FLOAT of Size 1 -> BYTES") << objFloat1 << 0 << 0 << "1 3 4 0 0 1 0 0.1";
        DEVICE_DATA_CFG_S objBitReg = Point(BLOCK_INPUT_REG, 2, PRTC_TYPE_BIT, SHOW_TYPE_BIT);
        QTest::newRow("BIT in a register block -> UINT") << objBitReg << 0 << 0 << "2 1 0 1 1 0 1 0.1";
        QTest::newRow("to discrete inputs: no batch write")
            << objHolding << 1 << int(BLOCK_DISCRETE_INPUT) << "1 4 1 1 1 0 1 1";
        DEVICE_DATA_CFG_S objCoil = Point(BLOCK_COIL, 1, PRTC_TYPE_BIT, SHOW_TYPE_BIT);
        QTest::newRow("coil to holding: BIT -> UINT, show FLOAT")
            << objCoil << 1 << int(BLOCK_HOLDING_REG) << "1 1 0 1 1 1 1 0.1";
        QTest::newRow("protocol BYTES: show BYTES, orders 0, no curve")
            << objHolding << 2 << int(PRTC_TYPE_BYTES) << "2 3 4 0 0 1 0 0.1";
        QTest::newRow("protocol FLOAT keeps FLOAT shown") << objHolding << 2 << int(PRTC_TYPE_FLOAT) << "2 2 0 1 1 1 1 0.1";
        QTest::newRow("show TIME: no curve") << Point(BLOCK_HOLDING_REG, 2, PRTC_TYPE_UINT, SHOW_TYPE_FLOAT) << 3
                                             << int(SHOW_TYPE_TIME) << "2 1 6 1 1 1 0 0.1";
    }

    void rowCorrections()
    {
        QFETCH(DEVICE_DATA_CFG_S, objCfg);
        QFETCH(int, nChange);
        QFETCH(int, nValue);
        QFETCH(QString, strResult);
        switch (nChange) {
        case 0: ApplyDataSizeRule(objCfg); break;
        case 1: ApplyDataBlockChange(objCfg, quint16(nValue)); break;
        case 2: ApplyDataPrtcTypeChange(objCfg, quint16(nValue)); break;
        default: ApplyDataShowTypeChange(objCfg, quint16(nValue)); break;
        }
        const QString strGot = QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8")
                                   .arg(objCfg.nSize)
                                   .arg(objCfg.nPrtcType)
                                   .arg(objCfg.nShowType)
                                   .arg(objCfg.nByteOder)
                                   .arg(objCfg.nWordOder)
                                   .arg(objCfg.nIsBWrite)
                                   .arg(objCfg.nCurveShow)
                                   .arg(objCfg.fGain);
        QCOMPARE(strGot, strResult);
        // What the row then offers agrees with the point it shows.
        const DATA_CFG_FORM_S stForm = GetDataCfgForm(objCfg);
        QVERIFY(stForm.lstPrtcTypes.contains(objCfg.nPrtcType));
        QVERIFY(stForm.lstShowTypes.contains(objCfg.nShowType));
        QCOMPARE(stForm.bWordOder, objCfg.nSize != 1 && objCfg.nPrtcType <= PRTC_TYPE_FLOAT);
    }

    void gainText_data()
    {
        QTest::addColumn<DEVICE_DATA_CFG_S>("objCfg");
        QTest::addColumn<QString>("strGain");
        QTest::addColumn<QString>("strKept");
        const DEVICE_DATA_CFG_S objInt = Point(BLOCK_HOLDING_REG, 1, PRTC_TYPE_INT, SHOW_TYPE_FLOAT);
        QTest::newRow("integer shown as FLOAT keeps it") << objInt << "0.01" << "0.01";
        QTest::newRow("negative gain kept") << objInt << "-2.5" << "-2.5";
        QTest::newRow("no number") << objInt << "abc" << "1";
        QTest::newRow("zero would zero every value") << objInt << "0" << "1";
        QTest::newRow("FLOAT on the wire") << Point(BLOCK_HOLDING_REG, 2, PRTC_TYPE_FLOAT, SHOW_TYPE_FLOAT) << "0.1"
                                           << "1";
        QTest::newRow("shown as INT(DEC)") << Point(BLOCK_HOLDING_REG, 1, PRTC_TYPE_INT, SHOW_TYPE_INT_DEC) << "0.1"
                                           << "1";
        QTest::newRow("coil") << Point(BLOCK_COIL, 1, PRTC_TYPE_INT, SHOW_TYPE_FLOAT) << "0.1" << "1";
    }

    void gainText()
    {
        QFETCH(DEVICE_DATA_CFG_S, objCfg);
        QFETCH(QString, strGain);
        QFETCH(QString, strKept);
        QCOMPARE(CorrectDataGainText(objCfg, strGain), strKept);
    }

    void moveCheckedRows_data()
    {
        QTest::addColumn<QString>("strChecked"); // x = ticked
        QTest::addColumn<bool>("bUp");
        QTest::addColumn<QString>("strOrder");
        QTest::newRow("one up") << "..x." << true << "0213";
        QTest::newRow("top stays, the one below it too") << "xx.x" << true << "0132";
        QTest::newRow("block moves up together") << ".xx." << true << "1203";
        QTest::newRow("bottom stays, the others move") << "x.xx" << false << "1023";
        QTest::newRow("nothing ticked") << "...." << false << "0123";
    }

    void moveCheckedRows()
    {
        QFETCH(QString, strChecked);
        QFETCH(bool, bUp);
        QFETCH(QString, strOrder);
        QList<bool> lstChecked;
        for (QChar c : strChecked)
            lstChecked.append(c == QLatin1Char('x'));
        QString strGot;
        for (int nOld : MoveCheckedRows(lstChecked, bUp))
            strGot += QString::number(nOld);
        QCOMPARE(strGot, strOrder);
    }

    // Random tables with many overlaps, zero sizes and the top of the
    // address space: the fast check finds the row and partner the
    // definition finds.
    void overlapMatchesDefinition()
    {
        quint32 nSeed = 2024;
        auto fnNext = [&nSeed](quint32 nMod) {
            nSeed = nSeed * 1103515245u + 12345u;
            return (nSeed >> 8) % nMod;
        };
        for (int nRun = 0; nRun < 3000; ++nRun) {
            QList<DEVICE_DATA_CFG_S> lstRows;
            const int nCount = int(fnNext(12));
            const quint32 nSpan = 4 + fnNext(60);
            for (int i = 0; i < nCount; ++i) {
                DEVICE_DATA_CFG_S objCfg;
                objCfg.nID = quint32(i + 1);
                objCfg.nBlock = quint16(fnNext(2));
                objCfg.nAddr = quint16(fnNext(4) == 0 ? 65535 - fnNext(3) : fnNext(nSpan));
                objCfg.nSize = quint16(fnNext(5));
                objCfg.strName = QStringLiteral("P%1").arg(i + 1);
                lstRows.append(objCfg);
            }
            quint32 nPartner = 0;
            const int nExpected = OverlapByDefinition(lstRows, nPartner);
            QString strMsg;
            const int nGot = CCfgFileMgr::CheckDataAddrOverlap(lstRows, strMsg);
            QCOMPARE(nGot, nExpected);
            if (nExpected >= 0)
                QVERIFY2(strMsg.contains(QStringLiteral("ID:%1 ").arg(nPartner)), qPrintable(strMsg));
        }
    }
};

QTEST_GUILESS_MAIN(TstDataRule)
#include "tst_datarule.moc"
