// The management page's link table is rebuilt whole on every refresh: with
// 999 network links (the most it takes), the time of one rebuild of the
// network tab (median and worst of the runs) and of adding the next link
// through "新增" (the gap walk and the rebuild after the dialog).
//   QT_QPA_PLATFORM=offscreen build/bench/bench_workspace_mgr [runs, default 20]

#include <QApplication>
#include <QDialog>
#include <QTabBar>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ccfgfilemgr.h"
#include "cdlgdevicemgr.h"
#include "cmttablewidget.h"
#include "cnetparamgr.h"
#include "uiutils.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point objStart)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - objStart).count();
}

void Report(const char *pWhat, std::vector<double> &vecMs)
{
    std::sort(vecMs.begin(), vecMs.end());
    std::printf("%-40s median %8.1f ms  worst %8.1f ms  (%zu runs)\n", pWhat, vecMs[vecMs.size() / 2], vecMs.back(),
                vecMs.size());
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

    std::vector<double> vecRebuild;
    for (int i = 0; i < nRuns; ++i) {
        const Clock::time_point objStart = Clock::now();
        objPage.slRefreshNetPortList();
        QApplication::processEvents();
        vecRebuild.push_back(MsSince(objStart));
    }
    Report("rebuild with 999 links (and paint)", vecRebuild);

    // The dialog is accepted unchanged (nothing is stored), so every run walks
    // to the gap near the end, builds the dialog and rebuilds the table.
    SetDialogResponder([](QDialog *pDialog) { pDialog->accept(); });
    SetMessageBoxResponder([](MESSAGE_BOX_KIND_EN, const QString &) { return true; });
    CNetParaMgr::DelNetPara(QStringLiteral("NET999"));
    objPage.slRefreshNetPortList();
    std::vector<double> vecAdd;
    for (int i = 0; i < nRuns; ++i) {
        const Clock::time_point objStart = Clock::now();
        objPage.slAddOneNetPortLink();
        QApplication::processEvents();
        vecAdd.push_back(MsSince(objStart));
    }
    Report("\"新增\" over 998 links (walk + rebuild)", vecAdd);
    return 0;
}
