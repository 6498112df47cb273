// Monitoring: the simulation dialog, the curve window and its legend editor.

#include <QDateTime>
#include <QTabBar>
#include <cmath>
#include <qcustomplot.h>

#include "cdevicemgr.h"
#include "cdlgcurvelegendset.h"
#include "cdlglinkcurve.h"
#include "cdlgsimudata.h"
#include "commonfunc.h"
#include "renderscene.h"

namespace {

DATA_VALUE_CFG_S SineSettings()
{
    DATA_VALUE_CFG_S objCfg;
    objCfg.nStategy = 3;
    objCfg.strCoefA = QStringLiteral("20");
    objCfg.strCoefB = QStringLiteral("1");
    objCfg.strCoefC = QStringLiteral("25");
    objCfg.strCoefD = QStringLiteral("0");
    objCfg.fMaxRadom = 1.0;
    objCfg.fMinRadom = -1.0;
    return objCfg;
}

void RenderSimulDialog(const QString &strOut, int nTab, const char *pName)
{
    SaveStartTime();
    CDlgSimulData objDlg(SHOW_TYPE_FLOAT, SineSettings());
    objDlg.findChild<QTabBar *>()->setCurrentIndex(nTab);
    SaveGrab(&objDlg, strOut, QString::fromLatin1(pName));
}

// Two devices with curves, two hours of history each and a few live values.
CDlgLinkDataCurve *CurveWindowWithCurves()
{
    CDeviceMgr::GetInstance();
    CDeviceMgr::AddDevice(QStringLiteral("Boiler"), QStringLiteral("/dev/ttyKX0"), DEVICE_TYPE_MASTER, 1, 1);
    CDeviceMgr::AddDevice(QStringLiteral("Pump"), QStringLiteral("/dev/ttyKX0"), DEVICE_TYPE_MASTER, 2, 2);
    CDlgLinkDataCurve *pWindow = CDlgLinkDataCurve::GetInstance();
    pWindow->AddLegend(QStringLiteral("Boiler"), QStringLiteral("温度"), 1);
    pWindow->AddLegend(QStringLiteral("Boiler"), QStringLiteral("压力"), 2);
    pWindow->AddLegend(QStringLiteral("Pump"), QStringLiteral("转速"), 7);
    auto *pPlot = pWindow->findChild<QCustomPlot *>();
    const double fNow = double(QDateTime::currentSecsSinceEpoch());
    for (int t = -7200; t < 0; t += 20) {
        pPlot->graph(0)->addData(fNow + t, 30.0 + 8.0 * std::sin(t / 900.0));
        pPlot->graph(1)->addData(fNow + t, 12.0 + 3.0 * std::cos(t / 400.0));
        pPlot->graph(2)->addData(fNow + t, 40.0 + ((t / 600) % 2 == 0 ? 5.0 : -5.0));
    }
    for (int i = 0; i < 5; ++i) {
        pWindow->slRefreshMoniSigalData(QStringLiteral("Boiler"), QStringLiteral("温度"), 1, 31.0 + i);
        pWindow->slRefreshMoniSigalData(QStringLiteral("Pump"), QStringLiteral("转速"), 7, 44.0 - i);
    }
    pPlot->xAxis->setRange(fNow - 7200, fNow + 600);
    return pWindow;
}

static RenderSceneRegistrar s_objSimulPicture("monitor_simul_sine_picture", [](const QString &strOut) {
    RenderSimulDialog(strOut, 0, "monitor_simul_sine_picture");
});
static RenderSceneRegistrar s_objSimulPreview("monitor_simul_sine_preview", [](const QString &strOut) {
    RenderSimulDialog(strOut, 1, "monitor_simul_sine_preview");
});
static RenderSceneRegistrar s_objCurve("monitor_curve", [](const QString &strOut) {
    CDlgLinkDataCurve *pWindow = CurveWindowWithCurves();
    SaveGrab(pWindow, strOut, QStringLiteral("monitor_curve"));
    {
        CDlgCurveLegendSet objDlg(pWindow->findChild<QCustomPlot *>(), pWindow);
        SaveGrab(&objDlg, strOut, QStringLiteral("monitor_curve_legendset"));
    }
    CDlgLinkDataCurve::DestroyInstance();
    CDeviceMgr::DestroyInstance();
});

} // namespace
