// Scenes of the main window: the whole application on its pages, with the
// demo project loaded; the pictures of the README come from here.

#include "renderscene.h"

#include "ccfgfilemgr.h"
#include "cdlgmainwidget.h"
#include "cdlgshowtxt.h"
#include "cwtitlewidget.h"

#include <QDir>
#include <QFile>

namespace {

RenderSceneRegistrar s_objAbout("shell_about", [](const QString &strOut) {
    CCfgFileMgr::GetInstance()->SetCfgFilePath(QString());
    CWTMainWidget objWindow;
    objWindow.findChild<CWTitleWidget *>()->turnPage(QStringLiteral("5"));
    SaveGrab(&objWindow, strOut, QStringLiteral("shell_about"), 1280, 720);
});

RenderSceneRegistrar s_objChangeLog("shell_changelog", [](const QString &strOut) {
    CDlgShowTxt objDialog(QStringLiteral(KESTRIX_SOURCE_DIR "/Readme.txt"));
    SaveGrab(&objDialog, strOut, QStringLiteral("shell_changelog"));
});

} // namespace
