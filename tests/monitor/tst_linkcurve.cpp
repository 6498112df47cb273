// The data-curve window: curves per device point fed by the device's signal,
// the legend list, the legend editor's choices and statistics, the export,
// renaming and removing a device's curves, the device filter and the bound
// on stored points.

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <qcustomplot.h>

#include "cdevicebase.h"
#include "cdevicemgr.h"
#include "cdlgcurvelegendset.h"
#include "cdlgdevicesel.h"
#include "cdlglinkcurve.h"
#include "cmttablewidget.h"
#include "common/logcapture.h"
#include "monitor/monitorui.h"
#include "uiutils.h"

namespace {

const QString PORT = QStringLiteral("/dev/ttyKestrixCurveTest");

CDlgLinkDataCurve *Window()
{
    return CDlgLinkDataCurve::GetInstance();
}

QCustomPlot *Plot()
{
    return Window()->findChild<QCustomPlot *>();
}

QStringList LegendList()
{
    return VisibleTexts(Window()->findChild<CMTTableWidget *>(), 0);
}

void Feed(const QString &strDevice, const QString &strPoint, quint32 nID, double fValue)
{
    emit CDeviceMgr::GetDevice(strDevice)->siRefreshDeviceCurveData(strDevice, strPoint, nID, fValue);
}

// Opens the legend editor with "编辑图例" and lets fnUser act in it.
void InLegendEditor(const std::function<void(CDlgCurveLegendSet *, CMTTableWidget *)> &fnUser)
{
    SetDialogResponder([&](QDialog *pDialog) {
        auto *pEditor = qobject_cast<CDlgCurveLegendSet *>(pDialog);
        QVERIFY(pEditor != nullptr);
        fnUser(pEditor, pEditor->findChildren<CMTTableWidget *>().first());
    });
    ClickButton(Window(), QStringLiteral("编辑图例"));
    SetDialogResponder({});
}

} // namespace

class TstLinkCurve : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_objDir;

private slots:
    void initTestCase()
    {
        QVERIFY(QDir::setCurrent(m_objDir.path()));
        ApplyAppLook();
        CDeviceMgr::GetInstance();
        quint16 nAddr = 1;
        for (const char *pName : {"D1", "D1x", "D3"}) {
            QCOMPARE(CDeviceMgr::AddDevice(QString::fromLatin1(pName), PORT, 1, nAddr, nAddr), QStringLiteral("OK"));
            ++nAddr;
        }
        Window()->show();
        QVERIFY(QTest::qWaitForWindowExposed(Window()));
    }

    void cleanup()
    {
        for (const char *pName : {"D1", "D2", "D1x", "D3"})
            Window()->DelDeviceLegend(QString::fromLatin1(pName));
        SetMessageBoxResponder({});
    }

    void cleanupTestCase()
    {
        CDlgLinkDataCurve::DestroyInstance();
        CDeviceMgr::DestroyInstance();
    }

    void oneCurvePerDevicePoint()
    {
        CLogCapture objLog;
        QVERIFY(Window()->AddLegend("D1", "Temp", 3));
        QVERIFY(!Window()->AddLegend("D1", "Temp", 3));
        QVERIFY(objLog.Has("ERROR:legend exsited:", "Temp"));
        QVERIFY(!Window()->AddLegend("nobody", "Temp", 3));
        QVERIFY(Window()->AddLegend("D1", "Temp", 4));
        QCOMPARE(LegendList(), QStringList({"D1:Temp-3", "D1:Temp-4"}));
        QVERIFY(!Window()->DelLegend("D1", "Temp", 5));
        QVERIFY(Window()->DelLegend("D1", "Temp", 3));
        QCOMPARE(LegendList(), QStringList({"D1:Temp-4"}));
        // Values of a removed curve go nowhere.
        Feed("D1", "Temp", 3, 1.0);
        QCOMPARE(Plot()->graphCount(), 1);
        QVERIFY(Plot()->graph(0)->data()->isEmpty());
    }

    void valuesInOneSecondAreAllKeptAndCounted()
    {
        QVERIFY(Window()->AddLegend("D1", "Temp", 3));
        // Both values inside one second.
        QTRY_VERIFY_WITH_TIMEOUT(QTime::currentTime().msec() < 500, 2000);
        Feed("D1", "Temp", 3, 7.0);
        Feed("D1", "Temp", 3, 3.0);
        const auto pData = Plot()->graph(0)->data();
        QCOMPARE(pData->size(), 2);
        QCOMPARE(pData->at(0)->key, pData->at(1)->key);
        InLegendEditor([](CDlgCurveLegendSet *, CMTTableWidget *pCurves) {
            QCOMPARE(pCurves->item(0, 5)->text(), QStringLiteral("7"));
            QCOMPARE(pCurves->item(0, 6)->text(), QStringLiteral("3"));
            QCOMPARE(pCurves->item(0, 7)->text(), QStringLiteral("5.000"));
        });
    }

    void editorChoicesAndHiddenCurves()
    {
        QVERIFY(Window()->AddLegend("D1", "A", 1));
        QVERIFY(Window()->AddLegend("D1", "B", 2));
        SetStdDialogResponder([](STD_DIALOG_KIND_EN, const QString &, const QVariant &) { return QColor(Qt::red); });
        InLegendEditor([](CDlgCurveLegendSet *pEditor, CMTTableWidget *pCurves) {
            ToggleCheckCell(pCurves, 0, 1);
            ClickCell(pCurves, 1, 2);
            QVERIFY(TypeIntoCell(pCurves, 1, 3, "3"));
            ToggleCheckCell(pCurves, 1, 4);
            auto *pAxes = pEditor->findChildren<CMTTableWidget *>().at(1);
            QVERIFY(TypeIntoCell(pAxes, 2, 2, "500"));
            ClickButton(pEditor, QStringLiteral("确定"));
        });
        SetStdDialogResponder({});
        QCOMPARE(LegendList(), QStringList({"D1:B-2"}));
        const QCPGraph *pB = Plot()->graph(1);
        QCOMPARE(pB->pen().color(), QColor(Qt::red));
        QCOMPARE(pB->pen().width(), 3);
        QCOMPARE(pB->valueAxis(), Plot()->yAxis2);
        QCOMPARE(Plot()->yAxis2->range(), QCPRange(0, 500));
        QCOMPARE(Window()->findChild<CMTTableWidget *>()->item(0, 0)->background().color(), QColor(Qt::red));

        // The hidden curve keeps collecting, and the editor shows it unticked.
        Feed("D1", "A", 1, 4.0);
        QCOMPARE(Plot()->graph(0)->data()->size(), 1);
        InLegendEditor([](CDlgCurveLegendSet *, CMTTableWidget *pCurves) {
            QCOMPARE(pCurves->item(0, 1)->checkState(), Qt::Unchecked);
            QCOMPARE(pCurves->item(0, 5)->text(), QStringLiteral("4"));
        });
    }

    void exportWritesColumnPairs()
    {
        QVERIFY(Window()->AddLegend("D1", "A", 1));
        QVERIFY(Window()->AddLegend("D3", "B", 2));
        for (double fValue : {1.5, 2.5, 3.5})
            Feed("D1", "A", 1, fValue);
        Feed("D3", "B", 2, -1.0);
        QStringList lstShown;
        SetMessageBoxResponder([&](MESSAGE_BOX_KIND_EN, const QString &strText) { lstShown << strText; return true; });
        InLegendEditor([](CDlgCurveLegendSet *pEditor, CMTTableWidget *) {
            ClickButton(pEditor, QStringLiteral("导出"));
        });
        QCOMPARE(lstShown, QStringList({"Export OK!"}));
        QFile objFile(QStringLiteral("Kestrix_data_curve.csv"));
        QVERIFY(objFile.open(QIODevice::ReadOnly));
        const QStringList lstLines = QString::fromUtf8(objFile.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lstLines.size(), 4);
        QCOMPARE(lstLines.at(0), QStringLiteral("Time,D1:A-1,Time,D3:B-2,"));
        const QRegularExpression objTime(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d,"));
        QVERIFY(objTime.match(lstLines.at(1)).hasMatch());
        QVERIFY(lstLines.at(1).contains(",1.500000,") && lstLines.at(1).endsWith(",-1.000000,"));
        QVERIFY(lstLines.at(3).endsWith(",3.500000,") && lstLines.at(3).count(',') == 2);
        objFile.close();

        // A folder where the file should be: nothing can be written.
        QVERIFY(QFile::remove(objFile.fileName()) && QDir().mkdir(objFile.fileName()));
        lstShown.clear();
        InLegendEditor([](CDlgCurveLegendSet *pEditor, CMTTableWidget *) {
            ClickButton(pEditor, QStringLiteral("导出"));
        });
        QVERIFY(QDir().rmdir(objFile.fileName()));
        QCOMPARE(lstShown, QStringList({"Export ERR: File Saved Failed!"}));
    }

    void renameAndRemoveTouchOnlyThatDevice()
    {
        QVERIFY(Window()->AddLegend("D1", "Temp", 3));
        QVERIFY(Window()->AddLegend("D1x", "Temp", 4));
        QVERIFY(Window()->AddLegend("D1", "D1-level", 5));
        Window()->ChangeDeviceLegendName("D1", "D2");
        QCOMPARE(LegendList(), QStringList({"D2:Temp-3", "D1x:Temp-4", "D2:D1-level-5"}));
        // The device now publishes under its new name.
        Window()->slRefreshMoniSigalData("D2", "D1-level", 5, 9.0);
        QCOMPARE(Plot()->graph(2)->data()->size(), 1);
        Window()->DelDeviceLegend("D2");
        QCOMPARE(LegendList(), QStringList({"D1x:Temp-4"}));
    }

    void filterShowsTickedDevices()
    {
        QVERIFY(Window()->AddLegend("D1", "Temp", 3));
        QVERIFY(Window()->AddLegend("D1x", "Temp", 4));
        SetDialogResponder([](QDialog *pDialog) {
            auto *pSel = qobject_cast<CDlgDeviceSel *>(pDialog);
            QVERIFY(pSel != nullptr);
            CMTTableWidget *pTable = pSel->GetTable();
            for (int nRow = 0; nRow < pTable->rowCount(); ++nRow) {
                if (pTable->item(nRow, 1)->text() == QLatin1String("D1x"))
                    ToggleCheckCell(pTable, nRow, 2);
            }
            ClickButton(pSel, QStringLiteral("确定"));
        });
        ClickButton(Window(), QStringLiteral("筛选设备"));
        SetDialogResponder({});
        QCOMPARE(LegendList(), QStringList({"D1x:Temp-4"}));
        Feed("D1", "Temp", 3, 1.0);
        QCOMPARE(Plot()->graph(0)->data()->size(), 1);
    }

    void curveKeepsItsNewestPoints()
    {
        QVERIFY(Window()->AddLegend("D1", "Fast", 1));
        const int nFed = CDlgLinkDataCurve::MAX_CURVE_POINTS + 1;
        for (int i = 0; i < nFed; ++i)
            Window()->slRefreshMoniSigalData("D1", "Fast", 1, double(i));
        const QCPGraph *pGraph = Plot()->graph(0);
        QVERIFY(pGraph->data()->size() <= CDlgLinkDataCurve::MAX_CURVE_POINTS);
        QCOMPARE((pGraph->data()->constEnd() - 1)->value, double(nFed - 1));
        const CURVE_STATS_S stStats = Window()->GetCurveStats(pGraph);
        QCOMPARE(stStats.nCount, quint64(nFed));
        QCOMPARE(stStats.fMin, 0.0);
    }
};

QTEST_MAIN(TstLinkCurve)
#include "tst_linkcurve.moc"
