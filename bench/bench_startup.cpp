// Start-up of the whole application to a shown window that answers its
// event loop, for the demo project and for a plant of 200 devices x 500
// points (loaded stepwise behind the progress dialog), each in a fresh
// process: times, peak memory and how late a 10 ms timer runs during the load.
//   bench_startup               both scenarios
//   bench_startup demo | big    one scenario

#include "applog.h"
#include "ccfgfilemgr.h"
#include "cdevicemgr.h"
#include "cdlgmainwidget.h"
#include "commonfunc.h"
#include "freeport.h"
#include "linkdefine.h"
#include "uiutils.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const int BIG_DEVICES = 200;
const int BIG_POINTS = 500;

QByteArray DemoProject()
{
    QFile objFile(QStringLiteral(KESTRIX_SOURCE_DIR "/examples/demo.kestrix"));
    if (!objFile.open(QIODevice::ReadOnly))
        return QByteArray();
    return objFile.readAll().replace("PortID=\"5020\"", "PortID=\"" + QByteArray::number(PickFreePort()) + '"');
}

// Half masters, half slaves, on two server links and the two client links
// that poll them, all on loopback.
QByteArray BigProject()
{
    QByteArray objText = "<?xml version=\"1.0\"?>\n<Kestrix>\n\t<PORT_LIST>\n";
    for (int i = 1; i <= 2; ++i) {
        const QByteArray objPort = QByteArray::number(PickFreePort());
        const QByteArray objNum = QByteArray::number(i);
        objText += "\t\t<NET Name=\"NET-S" + objNum + "\" DesIP=\"127.0.0.1\" PortID=\"" + objPort
                   + "\" LinkMode=\"1\" TransMode=\"2\" MaxAsynNum=\"15\" />\n";
        objText += "\t\t<NET Name=\"NET-C" + objNum + "\" DesIP=\"127.0.0.1\" PortID=\"" + objPort
                   + "\" LinkMode=\"0\" TransMode=\"2\" MaxAsynNum=\"15\" />\n";
    }
    objText += "\t</PORT_LIST>\n\t<DEVICE_LIST>\n";
    for (int d = 0; d < BIG_DEVICES; ++d) {
        const bool bSlave = d % 2 != 0;
        const QByteArray objLink = QByteArray(bSlave ? "NET-S" : "NET-C") + QByteArray::number(d % 4 / 2 + 1);
        objText += QStringLiteral("\t\t<DEVICE Name=\"Device_%1\" PortName=\"%2\" DeviceType=\"%3\" Addr=\"%4\">\n"
                                  "\t\t\t<DATA_LIST>\n")
                       .arg(d, 3, 10, QLatin1Char('0'))
                       .arg(QString::fromLatin1(objLink))
                       .arg(bSlave ? DEVICE_TYPE_SLAVE : DEVICE_TYPE_MASTER)
                       .arg(d / 4 + 1)
                       .toUtf8();
        for (int p = 0; p < BIG_POINTS; ++p)
            objText += QStringLiteral("\t\t\t\t<DATA Name=\"温度测点_%1\" BLOCK=\"2\" PrtcTYPE=\"1\" Unit=\"℃\" Addr=\"%1\" "
                                      "Gain=\"0.1\" Size=\"1\" IntervalTime=\"1000\" IsShow=\"1\">\n"
                                      "\t\t\t\t\t<VALUE Stategy=\"3\" Coef_a=\"10\" Coef_b=\"0.05\" Coef_c=\"60\" />\n"
                                      "\t\t\t\t</DATA>\n")
                           .arg(p)
                           .toUtf8();
        objText += "\t\t\t</DATA_LIST>\n\t\t</DEVICE>\n";
    }
    return objText + "\t</DEVICE_LIST>\n</Kestrix>\n";
}

double Ms(qint64 nNs)
{
    return double(nNs) / 1e6;
}

int RunScenario(const QString &strScenario, QElapsedTimer &objClock)
{
    QTemporaryDir objDir;
    QDir::setCurrent(objDir.path());
    // The log is part of what start-up costs.
    qInstallMessageHandler(LogMessageHandler);
    RegisterLinkMetaTypes();
    ApplyAppLook();
    const QString strPath = objDir.filePath(QStringLiteral("project.kestrix"));
    QFile objFile(strPath);
    if (!objFile.open(QIODevice::WriteOnly) || objFile.write(strScenario == QLatin1String("big") ? BigProject() : DemoProject()) <= 0)
        return 1;
    objFile.close();
    CCfgFileMgr::GetInstance()->SetCfgFilePath(strPath);

    // A 10 ms timer that notes how late each tick comes; it can only tick
    // while some event loop runs, i.e. inside the stepwise load's dialog.
    std::vector<double> vecLate;
    QElapsedTimer objTick;
    QTimer objProbe;
    objProbe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&objProbe, &QTimer::timeout, [&] {
        vecLate.push_back(std::max(0.0, Ms(objTick.nsecsElapsed()) - 10.0));
        objTick.restart();
    });
    objTick.start();
    objProbe.start(10);

    const qint64 nBefore = objClock.nsecsElapsed();
    auto *pWindow = new CWTMainWidget;
    const qint64 nBuilt = objClock.nsecsElapsed();
    objProbe.stop();
    QApplication::setFont(MakeAppFont(pWindow->font()));
    pWindow->showMaximized();
    const qint64 nShown = objClock.nsecsElapsed();
    qint64 nResponsive = 0;
    QTimer::singleShot(0, [&] {
        nResponsive = objClock.nsecsElapsed();
        QApplication::quit();
    });
    QApplication::exec();

    struct rusage objUsage = {};
    getrusage(RUSAGE_SELF, &objUsage);
    std::printf("%s: %.1f MiB project, %d devices\n", qPrintable(strScenario), double(QFileInfo(strPath).size()) / 1048576.0,
                CDeviceMgr::GetDeviceList().size());
    std::printf("  process start to window built (project loaded): %8.1f ms (set-up and writing the project %.1f ms)\n",
                Ms(nBuilt), Ms(nBefore));
    std::printf("  shown:                                          %8.1f ms\n", Ms(nShown));
    std::printf("  first event-loop turn after show:               %8.1f ms\n", Ms(nResponsive));
    std::printf("  peak RSS:                                       %8.1f MiB\n", double(objUsage.ru_maxrss) / 1024.0);
    if (vecLate.empty()) {
        std::printf("  event loop during the load: not running (loaded in one pass, %.1f ms)\n", Ms(nBuilt - nBefore));
    } else {
        // The first tick waited for everything before the dialog's loop ran:
        // reading and parsing the file.
        std::printf("  before the load dialog's event loop (file parsed): %6.1f ms blocked\n", vecLate.front() + 10.0);
        vecLate.erase(vecLate.begin());
        std::sort(vecLate.begin(), vecLate.end());
        if (!vecLate.empty())
            std::printf("  10 ms timer during the stepwise load: %zu ticks, lateness median %.1f ms, p99 %.1f ms, worst %.1f ms\n",
                        vecLate.size(), vecLate[vecLate.size() / 2], vecLate[vecLate.size() * 99 / 100], vecLate.back());
    }
    delete pWindow;
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer objClock;
    objClock.start();
    if (argc < 2) {
        int nFailed = 0;
        for (const char *pScenario : {"demo", "big"}) {
            QProcess objChild;
            objChild.setProcessChannelMode(QProcess::ForwardedChannels);
            objChild.start(QString::fromLocal8Bit(argv[0]), {QString::fromLatin1(pScenario)});
            nFailed += !objChild.waitForFinished(-1) || objChild.exitCode() != 0;
        }
        return nFailed;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication objApp(argc, argv);
    return RunScenario(QString::fromLocal8Bit(argv[1]), objClock);
}
