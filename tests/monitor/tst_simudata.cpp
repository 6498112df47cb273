// The simulation settings dialog: the corrections of what the user types,
// and the preview drawn from the generator.

#include <QtTest>
#include <qcustomplot.h>

#include "cdlgsimudata.h"
#include "cmttablewidget.h"
#include "commonfunc.h"
#include "common/uidriver.h"

namespace {

DATA_VALUE_CFG_S Settings(quint16 nStrategy, const QStringList &lstCoefs)
{
    DATA_VALUE_CFG_S objCfg;
    objCfg.nStategy = nStrategy;
    objCfg.strCoefA = lstCoefs.value(0);
    objCfg.strCoefB = lstCoefs.value(1);
    objCfg.strCoefC = lstCoefs.value(2);
    objCfg.strCoefD = lstCoefs.value(3);
    return objCfg;
}

} // namespace

class TstSimulData : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        ApplyAppLook();
        SaveStartTime();
    }

    // Each strategy shows its own rows, also after one that hides few.
    void rowsFollowTheStrategy()
    {
        CDlgSimulData objDlg(SHOW_TYPE_FLOAT, Settings(2, {"5", "1", "0", "4"}));
        auto *pTable = objDlg.findChild<CMTTableWidget *>();
        auto *pStrategy = qobject_cast<QComboBox *>(pTable->cellWidget(0, 1));
        pStrategy->setCurrentIndex(3);
        QCOMPARE(ColumnTexts(pTable, 0, true), QStringList({"策略", "振幅", "曲线周期(小时)", "位移", "平移时间(小时)",
                                                            "刷新间隔时间(秒)", "时间轴起点", "随机区间上限", "随机区间下限",
                                                            "极大值", "极小值"}));
        for (const QPair<int, int> &stCase : QList<QPair<int, int>>{{0, 3}, {4, 7}, {1, 11}, {2, 12}}) {
            pStrategy->setCurrentIndex(stCase.first);
            QCOMPARE(ColumnTexts(pTable, 0, true).size(), stCase.second);
        }
    }

    // What the user types is corrected where the generator could not use it:
    // bounds the wrong way round, texts that are no numbers, durations too
    // short for a cycle (under a second the generator's cycle would be zero).
    void typedValuesAreCorrected()
    {
        using RowTexts = QList<QPair<int, QString>>;
        const struct { quint16 nStrategy; RowTexts lstTyped, lstExpected; } CASES[] = {
            {1, {{9, "10"}, {10, "5"}, {9, "2"}}, {{9, "2"}, {10, "2"}}},         // random upper below lower
            {1, {{11, "30"}, {12, "20"}, {11, "10"}}, {{11, "10"}, {12, "10"}}},  // maximum below minimum
            {1, {{7, "abc"}, {6, "x"}}, {{7, "1"}, {6, "0"}}},
            {1, {{7, "0"}, {3, "0.00009"}}, {{7, "1"}, {3, "1.0"}}},             // refresh 0, line duration
            {2, {{2, "3"}, {4, "2"}}, {{2, "3"}, {4, "7"}}},                     // parabola too short
            {2, {{2, "-5"}}, {{4, "11"}}},                                       // parabola top before start
            {3, {{1, "0"}, {2, "0"}, {4, "-1"}}, {{1, "1"}, {2, "1.0"}, {4, "0.0"}}}, // sine
            {4, {{2, "0"}, {4, "-3"}}, {{2, "1.0"}, {4, "1.0"}}},                // square durations
            {3, {{2, "0.0002"}}, {{2, "1.0"}}},                                  // sine period under a second
            {4, {{2, "0.0002"}, {4, "0.0002"}}, {{2, "1.0"}, {4, "1.0"}}},       // square under a second
            {1, {{6, "-2"}}, {{6, "0"}, {3, "2"}}},                              // line reset eats the cycle
            {1, {{3, "3"}, {6, "-1"}}, {{6, "-1"}}}};                            // negative reset kept
        for (const auto &stCase : CASES) {
            CDlgSimulData objDlg(SHOW_TYPE_FLOAT, Settings(stCase.nStrategy, {"5", "1", "2", "10"}));
            objDlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&objDlg));
            auto *pTable = objDlg.findChild<CMTTableWidget *>();
            for (const auto &stTyped : stCase.lstTyped)
                QVERIFY(EditCell(pTable, stTyped.first, 1, stTyped.second));
            for (const auto &stExpected : stCase.lstExpected)
                QCOMPARE(pTable->item(stExpected.first, 1)->text(), stExpected.second);
        }
    }

    void previewDrawsTwoCycles()
    {
        DATA_VALUE_CFG_S objCfg = Settings(3, {"2", "0", "10", "0"});
        objCfg.nTimeBngrWay = 2;
        CDlgSimulData objDlg(SHOW_TYPE_FLOAT, objCfg);
        objCfg.strCoefB = QStringLiteral("1.0");
        QCOMPARE(objDlg.GetPageData(), objCfg);

        const QCPGraph *pGraph = objDlg.findChild<QCustomPlot *>()->graph(0);
        QCOMPARE(pGraph->data()->size(), 720);
        const double fMidnight = double(GetTodayStartTime());
        QCOMPARE(pGraph->data()->at(0)->key, fMidnight);
        QCOMPARE(pGraph->data()->at(719)->key, fMidnight + 7190);
        bool bFound = false;
        const QCPRange objValues = pGraph->data()->valueRange(bFound);
        QVERIFY(bFound && objValues.lower >= 8.0 && objValues.upper <= 12.0);
        QVERIFY(pGraph->valueAxis()->range().contains(8.0) && pGraph->valueAxis()->range().contains(12.0));
        // A flat curve still gets a value range around it.
        CDlgSimulData objFlat(SHOW_TYPE_FLOAT, Settings(4, {"80", "1", "80", "1"}));
        QVERIFY(objFlat.findChild<QCustomPlot *>()->yAxis->range().contains(80.0));
        CDlgSimulData objBytes(SHOW_TYPE_BYTES, objCfg);
        QVERIFY(objBytes.findChild<QCustomPlot *>()->graph(0)->data()->isEmpty());
    }
};

QTEST_MAIN(TstSimulData)
#include "tst_simudata.moc"
