// The data-curve window: curves per device point fed by the device's signal,
// the legend list, the legend editor, the export, renaming and removing a
// device's curves, the device filter and the bound on stored points.

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

CDlgLinkDataCurve *Window() { return CDlgLinkDataCurve::GetInstance(); }
QCustomPlot *Plot() { return Window()->findChild<QCustomPlot *>(); }
QStringList LegendList() { return VisibleTexts(Window()->findChild<CMTTableWidget *>(), 0); }

void Feed(const QString &strDevice, const QString &strPoint, quint32 nID, double fValue)
{
    emit CDeviceMgr::GetDevice(strDevice)->siRefreshDeviceCurveData(strDevice, strPoint, nID, fValue);
}

// Runs the dialog that clicking strButton opens, as fnUser acts in it.
template <class DIALOG>
void InDialog(const QString &strButton, const std::function<void(DIALOG *)> &fnUser)
{
    SetDialogResponder([&](QDialog *pDialog) {
        auto *pTyped = qobject_cast<DIALOG *>(pDialog);
        QVERIFY(pTyped != nullptr);
        fnUser(pTyped);
    });
    ClickButton(Window(), strButton);
    SetDialogResponder({});
}

void InEditor(const std::function<void(CMTTableWidget *pCurves, CDlgCurveLegendSet *)> &fnUser)
{
    InDialog<CDlgCurveLegendSet>(QStringLiteral("编辑图例"), [&](CDlgCurveLegendSet *pEditor) {
        fnUser(pEditor->findChild<CMTTableWidget *>(), pEditor);
    });
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
        for (quint16 nAddr : {1, 2, 3}) {
            const QString strName = QStringList({"D1", "D1x", "D3"}).at(nAddr - 1);
            QCOMPARE(CDeviceMgr::AddDevice(strName, "/dev/ttyKestrixCurveTest", 1, nAddr, nAddr), QStringLiteral("OK"));
        }
        Window()->show();
    }

    void cleanup()
    {
        for (const char *pName : {"D1", "D2", "D1x", "D3"})
            Window()->DelDeviceLegend(QString::fromLatin1(pName));
    }

    void cleanupTestCase()
    {
        CDlgLinkDataCurve::DestroyInstance();
        CDeviceMgr::DestroyInstance();
    }

    void curvesPerDevicePoint()
    {
        CLogCapture objLog;
        QVERIFY(Window()->AddLegend("D1", "Temp", 3));
        QVERIFY(!Window()->AddLegend("D1", "Temp", 3));
        QVERIFY(objLog.Has("ERROR:legend exsited:", "Temp"));
        QVERIFY(!Window()->AddLegend("nobody", "Temp", 3));
        QVERIFY(Window()->AddLegend("D1x", "Temp", 4));
        QVERIFY(Window()->AddLegend("D1", "D1-level", 5));
        QVERIFY(Window()->AddLegend("D1", "Gone", 6));
        QVERIFY(!Window()->DelLegend("D1", "Gone", 7));
        QVERIFY(Window()->DelLegend("D1", "Gone", 6));
        Feed("D1", "Gone", 6, 1.0);
        QCOMPARE(Plot()->graphCount(), 3);

        // Renaming touches the device part only, of that device only.
        Window()->ChangeDeviceLegendName("D1", "D2");
        QCOMPARE(LegendList(), QStringList({"D2:Temp-3", "D1x:Temp-4", "D2:D1-level-5"}));
        Window()->slRefreshMoniSigalData("D2", "D1-level", 5, 9.0);
        QCOMPARE(Plot()->graph(2)->data()->size(), 1);
        Window()->DelDeviceLegend("D2");
        QCOMPARE(LegendList(), QStringList({"D1x:Temp-4"}));
    }

    void editorShowsAndApplies()
    {
        QVERIFY(Window()->AddLegend("D1", "A", 1));
        QVERIFY(Window()->AddLegend("D1", "B", 2));
        QTRY_VERIFY_WITH_TIMEOUT(QTime::currentTime().msec() < 500, 2000);
        Feed("D1", "A", 1, 7.0);
        Feed("D1", "A", 1, 3.0);
        const auto pData = Plot()->graph(0)->data();
        QCOMPARE(pData->size(), 2);
        QCOMPARE(pData->at(0)->key, pData->at(1)->key);

        SetStdDialogResponder([](STD_DIALOG_KIND_EN, const QString &, const QVariant &) { return QColor(Qt::red); });
        InEditor([](CMTTableWidget *pCurves, CDlgCurveLegendSet *pEditor) {
            QCOMPARE(QStringList({pCurves->item(0, 5)->text(), pCurves->item(0, 6)->text(), pCurves->item(0, 7)->text()}),
                     QStringList({"7", "3", "5.000"}));
            ToggleCheckCell(pCurves, 0, 1);
            ClickCell(pCurves, 1, 2);
            QVERIFY(TypeIntoCell(pCurves, 1, 3, "3"));
            ToggleCheckCell(pCurves, 1, 4);
            QVERIFY(TypeIntoCell(pEditor->findChildren<CMTTableWidget *>().at(1), 2, 2, "500"));
            ClickButton(pEditor, QStringLiteral("确定"));
        });
        SetStdDialogResponder({});
        QCOMPARE(LegendList(), QStringList({"D1:B-2"}));
        QCOMPARE(Window()->findChild<CMTTableWidget *>()->item(0, 0)->background().color(), QColor(Qt::red));
        const QCPGraph *pB = Plot()->graph(1);
        QCOMPARE(pB->pen().width(), 3);
        QCOMPARE(pB->valueAxis(), Plot()->yAxis2);
        QVERIFY(Plot()->yAxis2->range() == QCPRange(0, 500));

        // The hidden curve keeps collecting.
        Feed("D1", "A", 1, 9.0);
        InEditor([](CMTTableWidget *pCurves, CDlgCurveLegendSet *) {
            QCOMPARE(pCurves->item(0, 1)->checkState(), Qt::Unchecked);
            QCOMPARE(pCurves->item(0, 5)->text(), QStringLiteral("9"));
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
        auto fnExport = [] {
            InEditor([](CMTTableWidget *, CDlgCurveLegendSet *pEditor) { ClickButton(pEditor, QStringLiteral("导出")); });
        };
        fnExport();
        QFile objFile(QStringLiteral("Kestrix_data_curve.csv"));
        QVERIFY(objFile.open(QIODevice::ReadOnly));
        const QStringList lstLines = QString::fromUtf8(objFile.readAll()).split('\n', Qt::SkipEmptyParts);
        objFile.close();
        QCOMPARE(lstLines.size(), 4);
        QCOMPARE(lstLines.at(0), QStringLiteral("Time,D1:A-1,Time,D3:B-2,"));
        QVERIFY(lstLines.at(1).contains(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d,1.500000,")));
        QVERIFY(lstLines.at(1).endsWith(",-1.000000,") && lstLines.at(3).count(',') == 2);

        // A folder where the file should be: nothing can be written.
        QVERIFY(objFile.remove() && QDir().mkdir(objFile.fileName()));
        fnExport();
        QVERIFY(QDir().rmdir(objFile.fileName()));
        SetMessageBoxResponder({});
        QCOMPARE(lstShown, QStringList({"Export OK!", "Export ERR: File Saved Failed!"}));
    }

    void filterShowsTickedDevices()
    {
        QVERIFY(Window()->AddLegend("D1", "Temp", 3));
        QVERIFY(Window()->AddLegend("D1x", "Temp", 4));
        InDialog<CDlgDeviceSel>(QStringLiteral("筛选设备"), [](CDlgDeviceSel *pSel) {
            ToggleCheckCell(pSel->GetTable(), pSel->GetTable()->findItems("D1x", Qt::MatchExactly).first()->row(), 2);
            ClickButton(pSel, QStringLiteral("确定"));
        });
        QCOMPARE(LegendList(), QStringList({"D1x:Temp-4"}));
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
        QCOMPARE(Window()->GetCurveStats(pGraph).nCount, quint64(nFed));
    }
};

QTEST_MAIN(TstLinkCurve)
#include "tst_linkcurve.moc"
