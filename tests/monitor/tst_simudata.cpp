// The simulation settings dialog: the rows a strategy shows, the corrections
// of what the user types, and the preview drawn from the generator.

#include <QComboBox>
#include <QtTest>
#include <qcustomplot.h>

#include "cdlgsimudata.h"
#include "cmttablewidget.h"
#include "commonfunc.h"
#include "monitor/monitorui.h"
#include "uiutils.h"

using RowTexts = QList<QPair<int, QString>>;
Q_DECLARE_METATYPE(RowTexts)

namespace {

DATA_VALUE_CFG_S Settings(quint16 nStrategy, const QStringList &lstCoefs = {"0", "0", "0", "0"})
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

    void rowsFollowTheStrategy()
    {
        // From the parabola, which hides few rows, so rows must hide again.
        CDlgSimulData objDlg(SHOW_TYPE_FLOAT, Settings(2, {"5", "1", "0", "4"}));
        auto *pTable = objDlg.findChild<CMTTableWidget *>();
        auto *pStrategy = qobject_cast<QComboBox *>(pTable->cellWidget(0, 1));
        pStrategy->setCurrentIndex(3);
        QCOMPARE(VisibleTexts(pTable, 0), QStringList({"策略", "振幅", "曲线周期(小时)", "位移", "平移时间(小时)",
                                                       "刷新间隔时间(秒)", "时间轴起点", "随机区间上限", "随机区间下限",
                                                       "极大值", "极小值"}));
        const QList<QPair<int, int>> lstVisibleCounts = {{0, 3}, {4, 7}, {1, 11}, {2, 12}};
        for (const auto &stCase : lstVisibleCounts) {
            pStrategy->setCurrentIndex(stCase.first);
            QCOMPARE(VisibleTexts(pTable, 0).size(), stCase.second);
        }
    }

    void typedValuesAreCorrected_data()
    {
        QTest::addColumn<int>("nStrategy");
        QTest::addColumn<RowTexts>("lstTyped");
        QTest::addColumn<RowTexts>("lstExpected");
        QTest::newRow("random upper below lower") << 1 << RowTexts{{9, "10"}, {10, "5"}, {9, "2"}}
                                                  << RowTexts{{9, "2"}, {10, "2"}};
        QTest::newRow("maximum below minimum") << 1 << RowTexts{{11, "30"}, {12, "20"}, {11, "10"}}
                                               << RowTexts{{11, "10"}, {12, "10"}};
        QTest::newRow("texts that are no numbers") << 1 << RowTexts{{7, "abc"}, {6, "x"}} << RowTexts{{7, "1"}, {6, "0"}};
        QTest::newRow("refresh 0, line duration") << 1 << RowTexts{{7, "0"}, {3, "0.00009"}}
                                                  << RowTexts{{7, "1"}, {3, "1.0"}};
        QTest::newRow("parabola too short") << 2 << RowTexts{{2, "3"}, {4, "2"}} << RowTexts{{2, "3"}, {4, "7"}};
        QTest::newRow("parabola top before start") << 2 << RowTexts{{2, "-5"}} << RowTexts{{4, "11"}};
        QTest::newRow("sine") << 3 << RowTexts{{1, "0"}, {2, "0"}, {4, "-1"}} << RowTexts{{1, "1"}, {2, "1.0"}, {4, "0.0"}};
        QTest::newRow("square durations") << 4 << RowTexts{{2, "0"}, {4, "-3"}} << RowTexts{{2, "1.0"}, {4, "1.0"}};
        // Shorter than a second: the generator's cycle would be zero.
        QTest::newRow("sine period under a second") << 3 << RowTexts{{2, "0.0002"}} << RowTexts{{2, "1.0"}};
        QTest::newRow("square under a second") << 4 << RowTexts{{2, "0.0002"}, {4, "0.0002"}}
                                               << RowTexts{{2, "1.0"}, {4, "1.0"}};
        QTest::newRow("line reset eats the cycle") << 1 << RowTexts{{6, "-2"}} << RowTexts{{6, "0"}, {3, "2"}};
        QTest::newRow("negative reset kept") << 1 << RowTexts{{3, "3"}, {6, "-1"}} << RowTexts{{6, "-1"}};
    }

    void typedValuesAreCorrected()
    {
        QFETCH(int, nStrategy);
        QFETCH(RowTexts, lstTyped);
        QFETCH(RowTexts, lstExpected);
        CDlgSimulData objDlg(SHOW_TYPE_FLOAT, Settings(quint16(nStrategy), {"5", "1", "2", "10"}));
        objDlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&objDlg));
        auto *pTable = objDlg.findChild<CMTTableWidget *>();
        for (const auto &stTyped : lstTyped)
            QVERIFY(TypeIntoCell(pTable, stTyped.first, 1, stTyped.second));
        for (const auto &stExpected : lstExpected)
            QCOMPARE(pTable->item(stExpected.first, 1)->text(), stExpected.second);
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
        QCOMPARE(pGraph->keyAxis()->range(), QCPRange(fMidnight, fMidnight + 7200));
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
