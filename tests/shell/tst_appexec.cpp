// The real program, started as a user starts it: its command line, the demo
// project answering an independent Modbus client, and a clean end on signals.

#include "applog.h"
#include "demoproject.h"
#include "freeport.h"

#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <cstring>
#include <modbus.h>

namespace {

// The program in strDir, without any display; strDataHome: where the
// desktop's user data folder is.
void Start(QProcess &objApp, const QString &strDir, const QStringList &lstArgs,
           const QString &strPlatform = QStringLiteral("offscreen"), const QString &strDataHome = QString())
{
    QProcessEnvironment objEnv = QProcessEnvironment::systemEnvironment();
    objEnv.insert(QStringLiteral("QT_QPA_PLATFORM"), strPlatform);
    objEnv.remove(QStringLiteral("DISPLAY"));
    objEnv.remove(QStringLiteral("WAYLAND_DISPLAY"));
    if (!strDataHome.isEmpty())
        objEnv.insert(QStringLiteral("XDG_DATA_HOME"), strDataHome);
    objApp.setWorkingDirectory(strDir);
    objApp.setProcessEnvironment(objEnv);
    objApp.start(QStringLiteral(KESTRIX_EXECUTABLE), lstArgs);
}

bool EndsCleanly(QProcess &objApp, int nSignal)
{
    ::kill(objApp.processId(), nSignal);
    return objApp.waitForFinished(10000) && objApp.exitStatus() == QProcess::NormalExit && objApp.exitCode() == 0;
}

// Holding registers 0..6 of unit 1 as libmodbus reads them; false when the
// demo slave does not answer (or nothing listens).
bool ReadDemoRegisters(int nPort, uint16_t *pRegs)
{
    modbus_t *pCtx = modbus_new_tcp("127.0.0.1", nPort);
    modbus_set_slave(pCtx, 1);
    const bool bRead = modbus_connect(pCtx) == 0 && modbus_read_registers(pCtx, 0, 7, pRegs) == 7;
    modbus_close(pCtx);
    modbus_free(pCtx);
    return bRead;
}

QString ReadLog(const QString &strDir)
{
    return QString::fromUtf8(ReadFile(QDir(strDir).filePath(GetLogFileName(QDateTime::currentDateTime()))));
}

} // namespace

class TstAppExec : public QObject
{
    Q_OBJECT

private slots:
    // With no display at all, these answer before the interface starts, and
    // leave no file behind.
    void commandLine()
    {
        const struct { QStringList lstArgs; const char *pPlatform; int nExitCode; const char *pOutput; } CASES[] = {
            {{"--version"}, "xcb", 0, "Kestrix V0.1.2"},
            {{"--frobnicate"}, "offscreen", 2, "unknown option"},
            {{"a.kestrix", "b.kestrix"}, "offscreen", 2, "only one project"}};
        for (const auto &stCase : CASES) {
            QTemporaryDir objDir;
            QProcess objApp;
            Start(objApp, objDir.path(), stCase.lstArgs, stCase.pPlatform);
            QVERIFY(objApp.waitForFinished(10000) && objApp.exitStatus() == QProcess::NormalExit);
            QCOMPARE(objApp.exitCode(), stCase.nExitCode);
            QVERIFY(QString::fromUtf8(objApp.readAll() + objApp.readAllStandardError()).contains(stCase.pOutput));
            QCOMPARE(QDir(objDir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
        }
    }

    void demoAnswersAClientAndEndsCleanlyOnSignals_data()
    {
        QTest::addColumn<int>("nSignal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }

    void demoAnswersAClientAndEndsCleanlyOnSignals()
    {
        QFETCH(int, nSignal);
        QTemporaryDir objDir;
        const int nPort = PickFreePort();
        // Without its optional attribute the file differs from what the store
        // would write, so a close would ask about changes; a signal must not.
        QByteArray objProject = DemoProjectText(nPort);
        QVERIFY(objProject.contains(" MaxAsynNum=\"15\""));
        objProject.replace(" MaxAsynNum=\"15\"", "");
        const QString strProject = objDir.filePath(QStringLiteral("demo.kestrix"));
        QVERIFY(WriteFile(strProject, objProject));

        QProcess objApp;
        Start(objApp, objDir.path(), {QStringLiteral("demo.kestrix")});

        uint16_t aRegs[7] = {};
        QTRY_VERIFY_WITH_TIMEOUT(ReadDemoRegisters(nPort, aRegs), 15000);
        QCOMPARE(QList<uint16_t>({aRegs[0], aRegs[1], aRegs[4]}), QList<uint16_t>({650, 3021, 1})); // fixed 65.0 at gain 0.1, fixed, square's first half
        const double fSine = int16_t(aRegs[2]) / 10.0;
        QVERIFY2(fSine >= 50.0 && fSine <= 70.0, qPrintable(QString::number(fSine)));
        QVERIFY2(aRegs[3] < 200, qPrintable(QString::number(aRegs[3]))); // a rising line, seconds in
        const uint32_t nFlow = (uint32_t(aRegs[5]) << 16) | aRegs[6];
        float fFlow = 0;
        std::memcpy(&fFlow, &nFlow, sizeof(fFlow));
        QVERIFY2(fFlow >= 0.0f && fFlow < 50.0f, qPrintable(QString::number(double(fFlow))));

        QVERIFY(EndsCleanly(objApp, nSignal));
        QVERIFY(!ReadDemoRegisters(nPort, aRegs));
        const QString strLog = ReadLog(objDir.path());
        QVERIFY(strLog.contains(QStringLiteral("Import Cfg File OK:") + strProject));
        QVERIFY(strLog.indexOf(QStringLiteral("Exiting APP...")) < strLog.indexOf(QStringLiteral("Exit APP!")));
        // Opened from the command line, the project is the one remembered.
        QVERIFY(ReadFile(objDir.filePath(QStringLiteral("config.csv"))).startsWith(strProject.toUtf8()));
    }

    void desktopStartKeepsItsFilesInTheUserDataFolder()
    {
        QTemporaryDir objDir;
        QVERIFY(QDir(objDir.path()).mkdir(QStringLiteral("cwd")));
        QProcess objApp;
        Start(objApp, objDir.filePath("cwd"), {QStringLiteral("--desktop")}, "offscreen", objDir.filePath("data"));
        QTRY_VERIFY_WITH_TIMEOUT(ReadLog(objDir.filePath("data/kestrix")).contains(QStringLiteral("Empty Cfg File!")), 15000);
        QVERIFY(EndsCleanly(objApp, SIGTERM));
        QCOMPARE(QDir(objDir.filePath("cwd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    }
};

QTEST_MAIN(TstAppExec)
#include "tst_appexec.moc"
