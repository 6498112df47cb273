// The real program, started as a user starts it: its command line, the demo
// project answering an independent Modbus client, and a clean end on signals.

#include "applog.h"
#include "demoproject.h"
#include "freeport.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstring>
#include <modbus.h>

namespace {

QProcessEnvironment AppEnvironment(const QString &strPlatform)
{
    QProcessEnvironment objEnv = QProcessEnvironment::systemEnvironment();
    objEnv.insert(QStringLiteral("QT_QPA_PLATFORM"), strPlatform);
    objEnv.remove(QStringLiteral("DISPLAY"));
    objEnv.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return objEnv;
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
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("lstArgs");
        QTest::addColumn<QString>("strPlatform");
        QTest::addColumn<int>("nExitCode");
        QTest::addColumn<QString>("strOutput");
        // No display at all: these must answer before the interface starts.
        QTest::newRow("--version") << QStringList{"--version"} << "xcb" << 0 << "Kestrix V0.1.2";
        QTest::newRow("-h") << QStringList{"-h"} << "xcb" << 0 << "Usage: kestrix [OPTION]... [PROJECT.kestrix]";
        QTest::newRow("unknown option") << QStringList{"--frobnicate"} << "offscreen" << 2 << "unknown option";
        QTest::newRow("two projects") << QStringList{"a.kestrix", "b.kestrix"} << "offscreen" << 2
                                      << "only one project";
    }

    void commandLine()
    {
        QFETCH(QStringList, lstArgs);
        QFETCH(QString, strPlatform);
        QFETCH(int, nExitCode);
        QFETCH(QString, strOutput);
        QTemporaryDir objDir;
        QProcess objApp;
        objApp.setWorkingDirectory(objDir.path());
        objApp.setProcessEnvironment(AppEnvironment(strPlatform));
        objApp.start(QStringLiteral(KESTRIX_EXECUTABLE), lstArgs);
        QVERIFY(objApp.waitForFinished(10000));
        QCOMPARE(objApp.exitStatus(), QProcess::NormalExit);
        QCOMPARE(objApp.exitCode(), nExitCode);
        QVERIFY(QString::fromUtf8(objApp.readAll() + objApp.readAllStandardError()).contains(strOutput));
        QCOMPARE(QDir(objDir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
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
        objApp.setWorkingDirectory(objDir.path());
        objApp.setProcessEnvironment(AppEnvironment(QStringLiteral("offscreen")));
        objApp.start(QStringLiteral(KESTRIX_EXECUTABLE), {QStringLiteral("demo.kestrix")});
        QVERIFY(objApp.waitForStarted(5000));

        uint16_t aRegs[7] = {};
        QTRY_VERIFY_WITH_TIMEOUT(ReadDemoRegisters(nPort, aRegs), 15000);
        QCOMPARE(aRegs[0], uint16_t(650));  // fixed 65.0 at gain 0.1
        QCOMPARE(aRegs[1], uint16_t(3021)); // fixed
        const double fSine = int16_t(aRegs[2]) / 10.0;
        QVERIFY2(fSine >= 50.0 && fSine <= 70.0, qPrintable(QString::number(fSine)));
        QVERIFY2(aRegs[3] < 200, qPrintable(QString::number(aRegs[3]))); // a rising line, seconds in
        QCOMPARE(aRegs[4], uint16_t(1));  // square wave, first half
        const uint32_t nFlow = (uint32_t(aRegs[5]) << 16) | aRegs[6];
        float fFlow = 0;
        std::memcpy(&fFlow, &nFlow, sizeof(fFlow));
        QVERIFY2(fFlow >= 0.0f && fFlow < 50.0f, qPrintable(QString::number(double(fFlow))));

        ::kill(objApp.processId(), nSignal);
        QVERIFY(objApp.waitForFinished(10000));
        QCOMPARE(objApp.exitStatus(), QProcess::NormalExit);
        QCOMPARE(objApp.exitCode(), 0);
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
        QProcessEnvironment objEnv = AppEnvironment(QStringLiteral("offscreen"));
        objEnv.insert(QStringLiteral("XDG_DATA_HOME"), objDir.filePath(QStringLiteral("data")));
        QProcess objApp;
        objApp.setWorkingDirectory(objDir.filePath(QStringLiteral("cwd")));
        objApp.setProcessEnvironment(objEnv);
        objApp.start(QStringLiteral(KESTRIX_EXECUTABLE), {QStringLiteral("--desktop")});
        const QString strData = objDir.filePath(QStringLiteral("data/kestrix"));
        QTRY_VERIFY_WITH_TIMEOUT(ReadLog(strData).contains(QStringLiteral("Empty Cfg File!")), 15000);
        ::kill(objApp.processId(), SIGTERM);
        QVERIFY(objApp.waitForFinished(10000));
        QCOMPARE(objApp.exitCode(), 0);
        QCOMPARE(QDir(objDir.filePath(QStringLiteral("cwd"))).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList());
    }
};

QTEST_MAIN(TstAppExec)
#include "tst_appexec.moc"
