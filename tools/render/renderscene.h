#ifndef RENDERSCENE_H
#define RENDERSCENE_H

// A scene builds one window or dialog in a telling state and saves its
// picture with SaveGrab; scenes register themselves at static initialisation.

#include <QString>
#include <functional>

class QWidget;

struct RenderScene
{
    QString strName;
    std::function<void(const QString &strOutDir)> fnRender;
};

struct RenderSceneRegistrar
{
    RenderSceneRegistrar(const char *pName, std::function<void(const QString &)> fnRender);
};

// Polishes and lays the widget out at its own size (or the given one), lets
// pending events run, and writes OUTDIR/NAME.png. Returns false when writing failed.
bool SaveGrab(QWidget *pWidget, const QString &strOutDir, const QString &strName, int nWidth = 0, int nHeight = 0);

// Runs the event loop for a while, so timers, links and replots can act.
void SpinEvents(int nMs);

#endif // RENDERSCENE_H
