// Scenes of the main window: the whole application with the demo project of
// examples/ running, its master polling its slave. The README's pictures come
// from here (tools/readme-pictures.sh).

#include "renderscene.h"

#include "ccfgfilemgr.h"
#include "cdlgcommtools.h"
#include "cdlgcount.h"
#include "cdlgdevicedatamaster.h"
#include "cdlgdevicedatamgr.h"
#include "cdlgdevicelist.h"
#include "cdlgdevicemgr.h"
#include "cdlglinkcurve.h"
#include "cdlglinkframe.h"
#include "cdlgmainwidget.h"
#include "cdlgshowtxt.h"
#include "cmttablewidget.h"
#include "commonfunc.h"
#include "cwtitlewidget.h"

#include <QCheckBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTcpServer>
#include <qcustomplot.h>

#include <cstdio>

namespace {

const int WIDTH = 1400;
const int HEIGHT = 820;

void ActivateDevice(CWTMainWidget *pWindow, const QString &strName)
{
    auto *pList = pWindow->findChild<CDlgDeviceList *>();
    CMTTableWidget *pTable = pList->GetTable();
    for (int nRow = 0; nRow < pTable->rowCount(); ++nRow)
        if (pTable->item(nRow, CDlgDeviceList::COL_NAME)->text() == strName)
            pList->slActvDevice(nRow, CDlgDeviceList::COL_NAME);
}

// Clicks the button of that text inside pParent (a check box toggles).
template <class BUTTON>
void ClickText(QWidget *pParent, const QString &strText)
{
    for (BUTTON *pButton : pParent->findChildren<BUTTON *>())
        if (pButton->text() == strText)
            pButton->click();
}

void ShowPage(CWTMainWidget *pWindow, int nPage)
{
    pWindow->findChild<CWTitleWidget *>()->turnPage(QString::number(nPage));
}

// The demo on a port nobody else uses, saved beside the renderer's working files.
bool OpenDemo()
{
    QFile objDemo(QStringLiteral(KESTRIX_SOURCE_DIR "/examples/demo.kestrix"));
    QFile objCopy(QStringLiteral("demo.kestrix"));
    QTcpServer objProbe;
    if (!objDemo.open(QIODevice::ReadOnly) || !objProbe.listen(QHostAddress::LocalHost)
        || !objCopy.open(QIODevice::WriteOnly))
        return false;
    const QByteArray objPort = QByteArray::number(objProbe.serverPort());
    objProbe.close();
    objCopy.write(objDemo.readAll().replace("PortID=\"5020\"", "PortID=\"" + objPort + '"'));
    objCopy.close();
    CCfgFileMgr::GetInstance()->SetCfgFilePath(objCopy.fileName());
    return true;
}

RenderSceneRegistrar s_objReadme("shell_readme", [](const QString &strOut) {
    if (!OpenDemo())
        return;
    // Simulated values count their time from the program's start.
    SaveStartTime();
    CWTMainWidget objWindow;
    objWindow.resize(WIDTH, HEIGHT);
    objWindow.show();

    // Once the master's link is connected it polls every second; half a
    // minute gives the curves some shape.
    SpinEvents(1000);
    ActivateDevice(&objWindow, QStringLiteral("Panel-Master"));
    auto *pMaster = qobject_cast<CDlgDeviceDataMaster *>(
        objWindow.findChild<CDlgDeviceDataMgr *>()->GetPage(QStringLiteral("Panel-Master")));
    const QString strStarted = pMaster != nullptr ? pMaster->StartBatchReadOper(true) : QStringLiteral("no page");
    if (strStarted != QLatin1String("OK")) {
        std::fprintf(stderr, "shell_readme: the demo master does not poll: %s\n", qPrintable(strStarted));
        return;
    }
    // Frames logged and counted from here on, as a user would switch them on.
    ClickText<QCheckBox>(&objWindow, QStringLiteral("报文"));
    ClickText<QCheckBox>(objWindow.findChild<CDlgLinkFrame *>(), QStringLiteral("接收"));
    ClickText<QPushButton>(objWindow.findChild<CDlgLinkCount *>(), QStringLiteral("启动"));
    SpinEvents(30000);

    ShowPage(&objWindow, 0);
    ShowPage(&objWindow, 1);
    SaveGrab(&objWindow, strOut, QStringLiteral("shell_readme_framelog"));
    ClickText<QCheckBox>(&objWindow, QStringLiteral("报文"));
    ShowPage(&objWindow, 0);
    objWindow.findChild<CDlgDeviceMgr *>()->GetTabBar()->setCurrentIndex(1); // the demo's network links
    SaveGrab(&objWindow, strOut, QStringLiteral("shell_readme_devices"));
    ShowPage(&objWindow, 1);
    SaveGrab(&objWindow, strOut, QStringLiteral("shell_readme_master"));
    ActivateDevice(&objWindow, QStringLiteral("Boiler-Slave"));
    SaveGrab(&objWindow, strOut, QStringLiteral("shell_readme_slave"));
    ShowPage(&objWindow, 3);
    SaveGrab(&objWindow, strOut, QStringLiteral("shell_readme_statistics"));
    ShowPage(&objWindow, 4);
    // The demo's read request, with its length and CRC worked out.
    auto *pTools = objWindow.findChild<CDlgCommTools *>();
    pTools->findChild<QPlainTextEdit *>()->setPlainText(QStringLiteral("01 03 00 00 00 07"));
    ClickText<QPushButton>(pTools, QStringLiteral("CRC / Size"));
    SaveGrab(&objWindow, strOut, QStringLiteral("shell_readme_tools"));
    // Zoomed onto the half minute there is, as a user would drag and wheel.
    CDlgLinkDataCurve *pCurves = CDlgLinkDataCurve::GetInstance();
    pCurves->resize(1100, 600);
    pCurves->show();
    SpinEvents(100);
    if (auto *pPlot = pCurves->findChild<QCustomPlot *>()) {
        pPlot->rescaleAxes();
        pPlot->replot();
    }
    SaveGrab(pCurves, strOut, QStringLiteral("shell_readme_curves"));
});

RenderSceneRegistrar s_objAbout("shell_about", [](const QString &strOut) {
    CCfgFileMgr::GetInstance()->SetCfgFilePath(QString());
    CWTMainWidget objWindow;
    ShowPage(&objWindow, 5);
    SaveGrab(&objWindow, strOut, QStringLiteral("shell_about"), WIDTH, HEIGHT);
});

RenderSceneRegistrar s_objChangeLog("shell_changelog", [](const QString &strOut) {
    CDlgShowTxt objDialog(QStringLiteral(KESTRIX_SOURCE_DIR "/Readme.txt"));
    SaveGrab(&objDialog, strOut, QStringLiteral("shell_changelog"));
});

} // namespace
