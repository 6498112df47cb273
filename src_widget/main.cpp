#include "applog.h"
#include "cdlgmainwidget.h"
#include "commonfunc.h"
#include "linkdefine.h"
#include "uiutils.h"

#include <QApplication>
#include <QTextCodec>

int main(int argc, char *argv[])
{
    QApplication objApp(argc, argv);
    qInstallMessageHandler(LogMessageHandler);
    RegisterLinkMetaTypes();

    // Linux has no codec called "System" in every Qt build; the locale's codec is the same thing.
    QTextCodec *pCodec = QTextCodec::codecForName("System");
    if (pCodec == nullptr)
        pCodec = QTextCodec::codecForLocale();
    QTextCodec::setCodecForLocale(pCodec);

    InitUiResources();
    InstallFontSubstitutes();
    objApp.setStyleSheet(LoadAppStyleSheet());

    CWTMainWidget objMainWidget;

    QApplication::setFont(MakeAppFont(objMainWidget.font()));

    objMainWidget.raise();
    objMainWidget.activateWindow();
    objMainWidget.showMaximized();

    SaveStartTime();
    return objApp.exec();
}
