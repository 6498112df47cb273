// The management page's link table is rebuilt whole on every refresh: with
// 999 network links (the most it takes), the time of one rebuild of the
// network tab (median and worst of the runs) and of adding the next link
// through "新增" (the gap walk and the rebuild after the dialog), each with
// the painting and the deletion of the old rows' widgets that follow, as wall
// time and as the process's CPU time (steadier on a shared machine).
//   QT_QPA_PLATFORM=offscreen build/bench/bench_workspace_mgr [runs, default 20]

#include <QApplication>
#include <QDialog>
#include <QTabBar>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <vector>

#include "ccfgfilemgr.h"
#include "cdlgdevicemgr.h"
#include "cmttablewidget.h"
#include "cnetparamgr.h"
#include "uiutils.h"

namespace {

using Clock = std::chrono::steady_clock;

// Wall and CPU milliseconds of each run of fnRun, reported as median and worst.
void Measure(const char *pWhat, int nRuns, const std::function<void()> &fnRun)
{
    std::vector<double> vecWall;
    std::vector<double> vecCpu;
    for (int i = 0; i < nRuns; ++i) {
        const Clock::time_point objStart = Clock::now();
        const std::clock_t nCpuStart = std::clock();
        fnRun();
        // What the event loop does next: paint, and delete the old rows'
        // widgets (without a running loop they would pile up across runs).
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        vecCpu.push_back(1000.0 * double(std::clock() - nCpuStart) / CLOCKS_PER_SEC);
        vecWall.push_back(std::chrono::duration<double, std::milli>(Clock::now() - objStart).count());
    }
    std::sort(vecWall.begin(), vecWall.end());
    std::sort(vecCpu.begin(), vecCpu.end());
    std::printf("%-40s wall median %7.1f worst %7.1f ms, cpu median %7.1f worst %7.1f ms (%d runs)\n", pWhat,
                vecWall[vecWall.size() / 2], vecWall.back(), vecCpu[vecCpu.size() / 2], vecCpu.back(), nRuns);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication objApp(argc, argv);
    ApplyAppLook();
    const int nRuns = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;

    CCfgFileMgr::GetInstance()->ClearCfg();
    // 999 links with the only gap at NET997, so "新增" walks nearly the whole table.
    for (int i = 0; i < 999; ++i) {
        NET_PARA_DATA_S stPara;
        stPara.strNetName = QString::asprintf("NET%03d", i == 997 ? 999 : i);
        CNetParaMgr::SetNetPara(stPara);
    }
    CDlgDeviceMgr objPage;
    objPage.resize(900, 700);
    objPage.show();
    objPage.GetTabBar()->setCurrentIndex(1);
    QApplication::processEvents();
    std::printf("rows: %d\n", objPage.GetTable()->rowCount());

    Measure("rebuild with 999 links (and paint)", nRuns, [&] { objPage.slRefreshNetPortList(); });

    // The dialog is accepted unchanged (nothing is stored), so every run walks
    // to the gap near the end, builds the dialog and rebuilds the table.
    SetDialogResponder([](QDialog *pDialog) { pDialog->accept(); });
    SetMessageBoxResponder([](MESSAGE_BOX_KIND_EN, const QString &) { return true; });
    CNetParaMgr::DelNetPara(QStringLiteral("NET999"));
    objPage.slRefreshNetPortList();
    Measure("\"新增\" over 998 links (walk + rebuild)", nRuns, [&] { objPage.slAddOneNetPortLink(); });
    return 0;
}
