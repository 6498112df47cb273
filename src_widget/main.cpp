#include "applog.h"
#include "ccfgfilemgr.h"
#include "cdlgmainwidget.h"
#include "commonfunc.h"
#include "linkdefine.h"
#include "uiutils.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTextCodec>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const char *const USAGE =
    "Usage: kestrix [OPTION]... [PROJECT.kestrix]\n"
    "Simulates Modbus masters and slaves on serial, TCP and UDP links and shows their traffic.\n"
    "\n"
    "  PROJECT.kestrix  open this project; it becomes the current project\n"
    "  --desktop        keep the log and settings in the per-user data folder\n"
    "                   (as when started from the desktop menu)\n"
    "  -h, --help       show this help and exit\n"
    "  -v, --version    show the version and exit\n"
    "\n"
    "Without --desktop the log (Kestrix_Log_yyyyMM.txt), config.csv and user.ini\n"
    "are kept in the working directory.\n";

// The signal handler only writes to this pair; the event loop reads it.
int g_aSignalPair[2] = {-1, -1};

void OnTerminateSignal(int)
{
    const char chByte = 1;
    if (::write(g_aSignalPair[1], &chByte, 1) < 0) {
    }
}

struct CMD_LINE_S
{
    bool bDesktop = false;
    QString strProject;
    QString strError;
};

CMD_LINE_S ParseCommandLine(const QStringList &lstArgs)
{
    CMD_LINE_S objCmd;
    bool bOptionsEnded = false;
    for (const QString &strArg : lstArgs) {
        if (!bOptionsEnded && strArg == QLatin1String("--")) {
            bOptionsEnded = true;
        } else if (!bOptionsEnded && strArg == QLatin1String("--desktop")) {
            objCmd.bDesktop = true;
        } else if (!bOptionsEnded && strArg.startsWith(QLatin1Char('-')) && strArg.size() > 1) {
            objCmd.strError = QStringLiteral("unknown option '%1'").arg(strArg);
            return objCmd;
        } else if (!objCmd.strProject.isEmpty()) {
            objCmd.strError = QStringLiteral("only one project can be opened");
            return objCmd;
        } else {
            objCmd.strProject = strArg;
        }
    }
    return objCmd;
}

// The desktop menu starts programs in some folder of its choosing, often one
// the user cannot write; the application's own files go to the user's data
// folder instead, together with the change log shipped with the program.
bool EnterUserDataFolder()
{
    const QString strDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (strDir.isEmpty() || !QDir().mkpath(strDir) || !QDir::setCurrent(strDir))
        return false;
    const QString strShipped = QCoreApplication::applicationDirPath() + QStringLiteral("/../share/kestrix/Readme.txt");
    if (QFile::exists(strShipped)) {
        QFile::remove(QStringLiteral("Readme.txt"));
        QFile::copy(strShipped, QStringLiteral("Readme.txt"));
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // Answered before the application object exists, so they work without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            break;
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::fputs(USAGE, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "-v") == 0 || std::strcmp(argv[i], "--version") == 0) {
            std::printf("Kestrix %s (build %s)\n", KESTRIX_VERSION, qPrintable(GetBuildTime()));
            return 0;
        }
    }

    QApplication objApp(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kestrix"));

    // Qt has taken its own options (-platform, -style, ...) out of the list by now.
    const CMD_LINE_S objCmd = ParseCommandLine(QCoreApplication::arguments().mid(1));
    if (!objCmd.strError.isEmpty()) {
        std::fprintf(stderr, "kestrix: %s\nTry 'kestrix --help' for more information.\n", qPrintable(objCmd.strError));
        return 2;
    }
    // Resolved before the working directory may change.
    const QString strProject =
        objCmd.strProject.isEmpty() ? QString() : QFileInfo(objCmd.strProject).absoluteFilePath();
    if (objCmd.bDesktop && !EnterUserDataFolder())
        std::fprintf(stderr, "kestrix: cannot enter the user data folder; staying in %s\n",
                     qPrintable(QDir::currentPath()));

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

    // SIGTERM (system shutdown, kill) and SIGINT (Ctrl+C) end the application
    // as a close would, except that nobody is there to answer questions: every
    // event loop is left, and the window's destruction stops the links.
    bool bTerminated = false;
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_aSignalPair) == 0) {
        auto *pNotifier = new QSocketNotifier(g_aSignalPair[0], QSocketNotifier::Read, &objApp);
        QObject::connect(pNotifier, &QSocketNotifier::activated, [&bTerminated] {
            char chByte = 0;
            if (::read(g_aSignalPair[0], &chByte, 1) < 0) {
            }
            LOG_DEBUG().noquote() << "Terminate Signal!";
            bTerminated = true;
            QCoreApplication::exit(0);
        });
        struct sigaction objAction = {};
        objAction.sa_handler = OnTerminateSignal;
        sigemptyset(&objAction.sa_mask);
        objAction.sa_flags = SA_RESTART;
        sigaction(SIGTERM, &objAction, nullptr);
        sigaction(SIGINT, &objAction, nullptr);
    }

    // Opening a project named on the command line is what "打开" does: it
    // becomes the current project, loaded or not.
    if (!strProject.isEmpty())
        CCfgFileMgr::GetInstance()->SetCfgFilePath(strProject);

    CWTMainWidget objMainWidget;
    // A signal during a long project load ends that load's dialog; the
    // window is then not shown at all.
    if (bTerminated)
        return 0;

    QApplication::setFont(MakeAppFont(objMainWidget.font()));

    objMainWidget.raise();
    objMainWidget.activateWindow();
    objMainWidget.showMaximized();

    SaveStartTime();
    return objApp.exec();
}
