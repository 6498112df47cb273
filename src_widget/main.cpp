#include "applog.h"
#include "cdlgmainwidget.h"
#include "commonfunc.h"
#include "linkdefine.h"

#include <QApplication>
#include <QFile>
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

    QFile objQss(QStringLiteral(":/qss/Kestrix"));
    if (objQss.open(QIODevice::ReadOnly)) {
        objApp.setStyleSheet(QString::fromUtf8(objQss.readAll()));
        objQss.close();
    }

    CWTMainWidget objMainWidget;

    QFont objFont = objMainWidget.font();
    objFont.setFamily(QStringLiteral("Microsoft Yahei"));
    objFont.setPixelSize(15);
    objFont.setUnderline(false);
    objFont.setWeight(50);
    QApplication::setFont(objFont);

    objMainWidget.raise();
    objMainWidget.activateWindow();
    objMainWidget.showMaximized();

    SaveStartTime();
    return objApp.exec();
}
