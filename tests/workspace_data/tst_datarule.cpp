// The rules that keep a point consistent while its row is edited, the
// moving of ticked rows, and the fast overlap check against its definition.

#include <QtTest>

#include "ccfgfilemgr.h"
#include "commonfunc.h"
#include "datacfgrule.h"

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
            const DEVICE_DATA_CFG_S &a = lstRows.at(i), &b = lstRows.at(j);
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
    // A row's point after a rule or a change: size, protocol and show type,
    // byte and word order, batch write, curve, gain.
    void rowCorrections()
    {
        enum { SIZE_RULE, BLOCK, PRTC, SHOW };
        const struct { quint16 nBlock, nSize, nPrtc, nShow; int nChange, nValue; const char *pResult; } CASES[] = {
            {BLOCK_INPUT_REG, 200, PRTC_TYPE_INT, SHOW_TYPE_FLOAT, SIZE_RULE, 0, "125 3 4 0 0 0 0 0.1"},
            {BLOCK_HOLDING_REG, 0, PRTC_TYPE_INT, SHOW_TYPE_FLOAT, SIZE_RULE, 0, "1 0 0 1 1 1 1 0.1"},
            {BLOCK_HOLDING_REG, 3, PRTC_TYPE_FLOAT, SHOW_TYPE_FLOAT, SIZE_RULE, 0, "3 3 4 0 0 1 0 0.1"},
            {BLOCK_HOLDING_REG, 1, PRTC_TYPE_FLOAT, SHOW_TYPE_FLOAT, SIZE_RULE, 0, "1 3 4 0 0 1 0 0.1"},
            {BLOCK_INPUT_REG, 2, PRTC_TYPE_BIT, SHOW_TYPE_BIT, SIZE_RULE, 0, "2 1 0 1 1 0 1 0.1"},
            {BLOCK_HOLDING_REG, 2, PRTC_TYPE_INT, SHOW_TYPE_FLOAT, BLOCK, BLOCK_DISCRETE_INPUT, "1 4 1 1 1 0 1 1"},
            {BLOCK_COIL, 1, PRTC_TYPE_BIT, SHOW_TYPE_BIT, BLOCK, BLOCK_HOLDING_REG, "1 1 0 1 1 1 1 0.1"},
            {BLOCK_HOLDING_REG, 2, PRTC_TYPE_INT, SHOW_TYPE_FLOAT, PRTC, PRTC_TYPE_BYTES, "2 3 4 0 0 1 0 0.1"},
            {BLOCK_HOLDING_REG, 2, PRTC_TYPE_INT, SHOW_TYPE_FLOAT, PRTC, PRTC_TYPE_FLOAT, "2 2 0 1 1 1 1 0.1"},
            {BLOCK_HOLDING_REG, 2, PRTC_TYPE_UINT, SHOW_TYPE_FLOAT, SHOW, SHOW_TYPE_TIME, "2 1 6 1 1 1 0 0.1"},
        };
        for (const auto &stCase : CASES) {
            DEVICE_DATA_CFG_S objCfg = Point(stCase.nBlock, stCase.nSize, stCase.nPrtc, stCase.nShow);
            const quint16 nValue = quint16(stCase.nValue);
            switch (stCase.nChange) {
            case SIZE_RULE: ApplyDataSizeRule(objCfg); break;
            case BLOCK: ApplyDataBlockChange(objCfg, nValue); break;
            case PRTC: ApplyDataPrtcTypeChange(objCfg, nValue); break;
            default: ApplyDataShowTypeChange(objCfg, nValue); break;
            }
            QStringList lstGot;
            for (int nField : {objCfg.nSize, objCfg.nPrtcType, objCfg.nShowType, objCfg.nByteOder, objCfg.nWordOder,
                               objCfg.nIsBWrite, objCfg.nCurveShow})
                lstGot << QString::number(nField);
            QCOMPARE(lstGot.join(' ') + ' ' + QString::number(objCfg.fGain), QString(stCase.pResult));
            // What the row then offers agrees with the point it shows.
            const DATA_CFG_FORM_S stForm = GetDataCfgForm(objCfg);
            QVERIFY(stForm.lstPrtcTypes.contains(objCfg.nPrtcType) && stForm.lstShowTypes.contains(objCfg.nShowType));
            QCOMPARE(stForm.bWordOder, objCfg.nSize != 1 && objCfg.nPrtcType <= PRTC_TYPE_FLOAT);
        }
    }

    // Only a gain that scales an integer into a shown FLOAT counts; zero would zero every value.
    void gainText()
    {
        const struct { quint16 nBlock, nPrtc, nShow; const char *pGain, *pKept; } CASES[] = {
            {BLOCK_HOLDING_REG, PRTC_TYPE_INT, SHOW_TYPE_FLOAT, "0.01", "0.01"},
            {BLOCK_HOLDING_REG, PRTC_TYPE_INT, SHOW_TYPE_FLOAT, "-2.5", "-2.5"},
            {BLOCK_HOLDING_REG, PRTC_TYPE_INT, SHOW_TYPE_FLOAT, "abc", "1"},
            {BLOCK_HOLDING_REG, PRTC_TYPE_INT, SHOW_TYPE_FLOAT, "0", "1"},
            {BLOCK_HOLDING_REG, PRTC_TYPE_FLOAT, SHOW_TYPE_FLOAT, "0.1", "1"},
            {BLOCK_HOLDING_REG, PRTC_TYPE_INT, SHOW_TYPE_INT_DEC, "0.1", "1"},
            {BLOCK_COIL, PRTC_TYPE_INT, SHOW_TYPE_FLOAT, "0.1", "1"},
        };
        for (const auto &stCase : CASES)
            QCOMPARE(CorrectDataGainText(Point(stCase.nBlock, stCase.nPrtc == PRTC_TYPE_FLOAT ? 2 : 1, stCase.nPrtc, stCase.nShow),
                                         stCase.pGain),
                     QString(stCase.pKept));
    }

    // Ticked rows move one place, a block of them together; a row at the
    // edge stays, and so does the one that would have to pass it.
    void moveCheckedRows()
    {
        const struct { const char *pChecked; bool bUp; const char *pOrder; } CASES[] = { // x = ticked
            {"..x.", true, "0213"}, {"xx.x", true, "0132"}, {".xx.", true, "1203"},
            {"x.xx", false, "1023"}, {"....", false, "0123"}};
        for (const auto &stCase : CASES) {
            QList<bool> lstChecked;
            for (const char *p = stCase.pChecked; *p != 0; ++p)
                lstChecked.append(*p == 'x');
            QString strGot;
            for (int nOld : MoveCheckedRows(lstChecked, stCase.bUp))
                strGot += QString::number(nOld);
            QCOMPARE(strGot, QString(stCase.pOrder));
        }
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
