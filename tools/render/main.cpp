#include "linkdefine.h"
#include "renderscene.h"
#include "uiutils.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QWidget>
#include <algorithm>
#include <cstdio>

namespace {

int g_nFailed = 0;

QList<RenderScene> &Scenes()
{
    static QList<RenderScene> lstScenes;
    return lstScenes;
}

} // namespace

RenderSceneRegistrar::RenderSceneRegistrar(const char *pName, std::function<void(const QString &)> fnRender)
{
    Scenes().append({QString::fromUtf8(pName), std::move(fnRender)});
}

void SpinEvents(int nMs)
{
    QElapsedTimer objClock;
    objClock.start();
    do {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    } while (objClock.elapsed() < nMs);
}

bool SaveGrab(QWidget *pWidget, const QString &strOutDir, const QString &strName, int nWidth, int nHeight)
{
    if (nWidth > 0 && nHeight > 0)
        pWidget->resize(nWidth, nHeight);
    pWidget->show();
    SpinEvents(50);
    const QString strPath = QDir(strOutDir).filePath(strName + QStringLiteral(".png"));
    const bool bOk = pWidget->grab().save(strPath);
    std::printf("%s %s\n", bOk ? "wrote" : "FAILED", qPrintable(strPath));
    if (!bOk)
        ++g_nFailed;
    return bOk;
}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication objApp(argc, argv);
    RegisterLinkMetaTypes();
    ApplyAppLook();

    const QStringList lstArgs = objApp.arguments().mid(1);
    if (lstArgs.isEmpty() || lstArgs.first().startsWith(QLatin1Char('-'))) {
        std::printf("usage: kestrix_render OUTDIR [NAME...]\nscenes:\n");
        std::sort(Scenes().begin(), Scenes().end(),
                  [](const RenderScene &a, const RenderScene &b) { return a.strName < b.strName; });
        for (const RenderScene &objScene : Scenes())
            std::printf("  %s\n", qPrintable(objScene.strName));
        return lstArgs.isEmpty() ? 2 : 0;
    }
    const QString strOutDir = QDir(lstArgs.first()).absolutePath();
    if (!QDir().mkpath(strOutDir)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(strOutDir));
        return 1;
    }
    // The application's own files (log, settings table) land in the working
    // directory; keep them out of the caller's folder.
    QTemporaryDir objWorkDir;
    if (!objWorkDir.isValid() || !QDir::setCurrent(objWorkDir.path())) {
        std::fprintf(stderr, "cannot enter a temporary working directory\n");
        return 1;
    }
    const QStringList lstWanted = lstArgs.mid(1);
    for (const RenderScene &objScene : Scenes()) {
        const bool bWanted = lstWanted.isEmpty() || std::any_of(lstWanted.begin(), lstWanted.end(), [&](const QString &s) {
                                 return objScene.strName.startsWith(s);
                             });
        if (!bWanted)
            continue;
        objScene.fnRender(strOutDir);
        for (QWidget *pWidget : QApplication::topLevelWidgets())
            pWidget->hide();
    }
    return g_nFailed == 0 ? 0 : 1;
}
