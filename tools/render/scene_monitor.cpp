// Monitoring: the simulation dialog, the curve window and its legend editor,
// the frame log with traffic and the statistics page.

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QPushButton>
#include <QTabBar>
#include <cmath>
#include <qcustomplot.h>

#include "cdevicemgr.h"
#include "cdlgcount.h"
#include "cdlglinkframe.h"
#include "cportmgr.h"
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

void Tick(CDlgLinkFrame &objLog, const QString &strText)
{
    for (QCheckBox *pBox : objLog.findChildren<QCheckBox *>()) {
        if (pBox->text() == strText)
            pBox->click();
    }
}

void FeedTraffic(CDlgLinkFrame &objLog)
{
    CPortMgr *pMgr = CPortMgr::GetInstance();
    emit pMgr->siRecvDataRaw("NET001", 1, LINK_SEND_OK, QByteArray::fromHex("000100000006010300000002"));
    emit pMgr->siRecvDataRaw("NET001", 1, LINK_RECV_OK, QByteArray::fromHex("00010000000701030400010002"));
    emit pMgr->siRecvDataRaw("/dev/ttyUSB0", 2, LINK_SEND_OK, QByteArray::fromHex("020300000002c438"));
    emit pMgr->siRecvDataRaw("/dev/ttyUSB0", 2, LINK_RECV_TIMEOUT, QByteArray::fromHex("020300000002c438"));
    emit pMgr->siRecvDataRaw("/dev/ttyUSB0", 2, LINK_RECV_CHECK_ERR, QByteArray::fromHex("0203040001000200ff"));
    Tick(objLog, QStringLiteral("ASCII"));
    emit pMgr->siRecvDataRaw("NET002", 5, LINK_SEND_OK, ":050300000002F6\r\n");
    emit pMgr->siRecvDataRaw("NET002", 5, LINK_RECV_OK, ":05030400010002F1\r\n");
    emit pMgr->siRecvDataRaw("NET002", 0, LINK_RECV_FRAME_ERR, ":0503");
}

static RenderSceneRegistrar s_objFrameLog("monitor_framelog", [](const QString &strOut) {
    CDlgLinkFrame objLog;
    Tick(objLog, QStringLiteral("接收"));
    FeedTraffic(objLog);
    SpinEvents(CDlgLinkFrame::SHOW_INTERVAL_MS + 50);
    SaveGrab(&objLog, strOut, QStringLiteral("monitor_framelog"), 1000, 330);
    CPortMgr::DestroyInstance();
});

static RenderSceneRegistrar s_objCount("monitor_count", [](const QString &strOut) {
    CDeviceMgr::GetInstance();
    CDeviceMgr::AddDevice(QString(), QStringLiteral("/dev/ttyKX1"), DEVICE_TYPE_MASTER, 1, 3);
    CDeviceMgr::AddDevice(QStringLiteral("Meter"), QStringLiteral("/dev/ttyKX2"), DEVICE_TYPE_MASTER, 7, 7);
    CDlgLinkCount objPage;
    objPage.findChild<QPushButton *>()->click(); // 启动
    CPortMgr *pMgr = CPortMgr::GetInstance();
    const struct
    {
        const char *pLink;
        quint16 nAddr;
        LINK_PROC_ERR_EN enType;
        int nTimes;
    } arrTraffic[] = {{"/dev/ttyKX1", 1, LINK_SEND_OK, 120}, {"/dev/ttyKX1", 1, LINK_RECV_OK, 118},
                      {"/dev/ttyKX1", 1, LINK_RECV_TIMEOUT, 2}, {"/dev/ttyKX1", 2, LINK_SEND_OK, 80},
                      {"/dev/ttyKX1", 2, LINK_RECV_OK, 60},     {"/dev/ttyKX1", 2, LINK_RECV_CHECK_ERR, 20},
                      {"/dev/ttyKX1", 3, LINK_SEND_OK, 40},     {"/dev/ttyKX1", 3, LINK_SEND_FAILED, 3},
                      {"/dev/ttyKX2", 7, LINK_SEND_OK, 500},    {"/dev/ttyKX2", 7, LINK_RECV_OK, 500},
                      {"/dev/ttyKX2", 0, LINK_RECV_FRAME_ERR, 4}};
    for (const auto &stTraffic : arrTraffic) {
        for (int i = 0; i < stTraffic.nTimes; ++i)
            emit pMgr->siRecvDataRaw(QString::fromLatin1(stTraffic.pLink), stTraffic.nAddr, stTraffic.enType, {});
    }
    SaveGrab(&objPage, strOut, QStringLiteral("monitor_count_links"), 1000, 300);
    objPage.findChild<QComboBox *>()->setCurrentIndex(1);
    SaveGrab(&objPage, strOut, QStringLiteral("monitor_count_devices"), 1000, 300);
    CDeviceMgr::DestroyInstance();
    CPortMgr::DestroyInstance();
});

} // namespace
