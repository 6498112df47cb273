// The data-curve window: curves per device point fed by the device's signal,
// the legend list, the legend editor, the export, renaming and removing a
// device's curves and the bound on stored points.

#include <QtTest>
#include <qcustomplot.h>

#include "cdevicebase.h"
#include "cdevicemgr.h"
#include "cdlgcurvelegendset.h"
#include "cdlglinkcurve.h"
#include "cmttablewidget.h"
#include "common/uidriver.h"

namespace {

CDlgLinkDataCurve *Window() { return CDlgLinkDataCurve::GetInstance(); }
QCustomPlot *Plot() { return Window()->findChild<QCustomPlot *>(); }
QStringList LegendList() { return ColumnTexts(Window()->findChild<CMTTableWidget *>(), 0, true); }

void Feed(const QString &strDevice, const QString &strPoint, quint32 nID, double fValue)
{
    emit CDeviceMgr::GetDevice(strDevice)->siRefreshDeviceCurveData(strDevice, strPoint, nID, fValue);
}

// Opens the legend editor and lets fnUser act in it (its curve table first).
void InEditor(CUserScript &objUser, const std::function<void(CMTTableWidget *, QDialog *)> &fnUser)
{
    objUser.Then([&](QDialog *pEditor) {
        QVERIFY(qobject_cast<CDlgCurveLegendSet *>(pEditor) != nullptr);
        fnUser(pEditor->findChild<CMTTableWidget *>(), pEditor);
    });
    ClickButton(Window(), T("编辑图例"));
}

} // namespace

class TstLinkCurve : public QObject
{
    Q_OBJECT

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
        QVERIFY(Window()->AddLegend("D1", "Temp", 3));
        QVERIFY(!Window()->AddLegend("D1", "Temp", 3));
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

    // The editor shows a curve's newest, largest/smallest and average value;
    // an unticked curve leaves the legend but keeps collecting; a curve moved
    // to the right axis is drawn against it, with the range typed.
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

        CUserScript objUser;
        InEditor(objUser, [](CMTTableWidget *pCurves, QDialog *pEditor) {
            QCOMPARE(QStringList({pCurves->item(0, 5)->text(), pCurves->item(0, 6)->text(), pCurves->item(0, 7)->text()}),
                     QStringList({"7", "3", "5.000"}));
            ToggleCheckCell(pCurves, 0, 1);
            ToggleCheckCell(pCurves, 1, 4);
            QVERIFY(EditCell(pEditor->findChildren<CMTTableWidget *>().at(1), 2, 2, "500"));
            ClickButton(pEditor, T("确定"));
        });
        QCOMPARE(LegendList(), QStringList({"D1:B-2"}));
        QCOMPARE(Plot()->graph(1)->valueAxis(), Plot()->yAxis2);
        QVERIFY(Plot()->yAxis2->range() == QCPRange(0, 500));

        // The hidden curve keeps collecting.
        Feed("D1", "A", 1, 9.0);
        InEditor(objUser, [](CMTTableWidget *pCurves, QDialog *) {
            QCOMPARE(pCurves->item(0, 1)->checkState(), Qt::Unchecked);
            QCOMPARE(pCurves->item(0, 5)->text(), QStringLiteral("9"));
        });
        QVERIFY(objUser.m_lstUnexpected.isEmpty());
    }

    void exportWritesColumnPairs()
    {
        QVERIFY(Window()->AddLegend("D1", "A", 1));
        QVERIFY(Window()->AddLegend("D3", "B", 2));
        for (double fValue : {1.5, 2.5, 3.5})
            Feed("D1", "A", 1, fValue);
        Feed("D3", "B", 2, -1.0);
        CUserScript objUser;
        auto fnExport = [&] { InEditor(objUser, [](CMTTableWidget *, QDialog *pEditor) { ClickButton(pEditor, T("导出")); }); };
        fnExport();
        const QString strFile = QStringLiteral("Kestrix_data_curve.csv");
        const QStringList lstLines = QString::fromUtf8(ReadFile(strFile)).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lstLines.size(), 4);
        QCOMPARE(lstLines.at(0), QStringLiteral("Time,D1:A-1,Time,D3:B-2,"));
        QVERIFY(lstLines.at(1).contains(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d,1.500000,")));
        QVERIFY(lstLines.at(1).endsWith(",-1.000000,") && lstLines.at(3).count(',') == 2);

        // A folder where the file should be: nothing can be written.
        QVERIFY(QFile::remove(strFile) && QDir().mkdir(strFile));
        fnExport();
        QVERIFY(QDir().rmdir(strFile));
        QCOMPARE(objUser.m_lstMessages, QStringList({"Export OK!", "Export ERR: File Saved Failed!"}));
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
