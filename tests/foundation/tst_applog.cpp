#include "applog.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

// Exercises the handler through the real logging calls, in a temporary working directory.
class TstAppLog : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_objDir;
    QString m_strOldDir;
    QDateTime m_objFixedTime;

    QStringList ReadLines(const QString &strFile)
    {
        QFile objFile(strFile);
        if (!objFile.open(QIODevice::ReadOnly | QIODevice::Text))
            return {};
        const QString strAll = QString::fromUtf8(objFile.readAll());
        QStringList objLines = strAll.split(QLatin1Char('\n'));
        if (!objLines.isEmpty() && objLines.last().isEmpty())
            objLines.removeLast();
        return objLines;
    }

    QStringList LogFiles()
    {
        return QDir(QDir::currentPath()).entryList({QStringLiteral("Kestrix_Log_*.txt")}, QDir::Files, QDir::Name);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_objDir.isValid());
        m_strOldDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_objDir.path()));
        qInstallMessageHandler(LogMessageHandler);
    }

    void cleanupTestCase()
    {
        qInstallMessageHandler(nullptr);
        SetLogTimeSource({});
        QDir::setCurrent(m_strOldDir);
    }

    void init()
    {
        for (const QString &strFile : LogFiles())
            QFile::remove(strFile);
        m_objFixedTime = QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53));
        SetLogTimeSource([this] { return m_objFixedTime; });
    }

    void lineFormat()
    {
        QMessageLogger("/home/dev/kestrix/src_port/cport_base.cpp", 123, "void f()").debug() << "New Port Obj:" << 7;
        const QStringList objLines = ReadLines(QStringLiteral("Kestrix_Log_202603.txt"));
        QCOMPARE(objLines, QStringList{QStringLiteral("2026-03-14 09:26:53 /cport_base.cpp:123 :: New Port Obj: 7")});
    }

    void logMacroCarriesThisFile()
    {
        LOG_DEBUG() << "macro";
        const QStringList objLines = ReadLines(QStringLiteral("Kestrix_Log_202603.txt"));
        QCOMPARE(objLines.size(), 1);
        QVERIFY2(objLines.first().contains(QRegularExpression(QStringLiteral("^2026-03-14 09:26:53 /tst_applog\\.cpp:\\d+ :: macro$"))),
                 qPrintable(objLines.first()));
    }

    void emptySourcePart_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("null");
        QTest::newRow("no file name") << QByteArray() << true;
        QTest::newRow("no separator") << QByteArray("main.cpp") << false;
        QTest::newRow("separator at position 0") << QByteArray("/main.cpp") << false;
        QTest::newRow("empty name") << QByteArray("") << false;
    }

    void emptySourcePart()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, null);
        QMessageLogger(null ? nullptr : file.constData(), 42, nullptr).warning("text");
        QCOMPARE(ReadLines(QStringLiteral("Kestrix_Log_202603.txt")),
                 QStringList{QStringLiteral("2026-03-14 09:26:53 :42 :: text")});
    }

    void allSeveritiesButInfoAreWritten()
    {
        QMessageLogger("a/b.cpp", 1, nullptr).debug("d");
        QMessageLogger("a/b.cpp", 2, nullptr).warning("w");
        QMessageLogger("a/b.cpp", 3, nullptr).critical("c");
        QMessageLogger("a/b.cpp", 4, nullptr).info("i");
        const QStringList objLines = ReadLines(QStringLiteral("Kestrix_Log_202603.txt"));
        QCOMPARE(objLines.size(), 3);
        QVERIFY(objLines.at(0).endsWith(QLatin1String("/b.cpp:1 :: d")));
        QVERIFY(objLines.at(1).endsWith(QLatin1String("/b.cpp:2 :: w")));
        QVERIFY(objLines.at(2).endsWith(QLatin1String("/b.cpp:3 :: c")));
    }

    void infoAloneCreatesNoFile()
    {
        QMessageLogger("a/b.cpp", 4, nullptr).info("i");
        QVERIFY(LogFiles().isEmpty());
    }

    void monthBoundaryStartsNewFile()
    {
        m_objFixedTime = QDateTime(QDate(2026, 1, 31), QTime(23, 59, 59));
        QMessageLogger("x/y.cpp", 1, nullptr).debug("before");
        m_objFixedTime = QDateTime(QDate(2026, 2, 1), QTime(0, 0, 0));
        QMessageLogger("x/y.cpp", 2, nullptr).debug("after");
        QCOMPARE(LogFiles(), (QStringList{QStringLiteral("Kestrix_Log_202601.txt"), QStringLiteral("Kestrix_Log_202602.txt")}));
        QCOMPARE(ReadLines(QStringLiteral("Kestrix_Log_202601.txt")),
                 QStringList{QStringLiteral("2026-01-31 23:59:59 /y.cpp:1 :: before")});
        QCOMPARE(ReadLines(QStringLiteral("Kestrix_Log_202602.txt")),
                 QStringList{QStringLiteral("2026-02-01 00:00:00 /y.cpp:2 :: after")});
    }

    void appendsToExistingFile()
    {
        QMessageLogger("x/y.cpp", 1, nullptr).debug("one");
        QMessageLogger("x/y.cpp", 2, nullptr).debug("two");
        QCOMPARE(ReadLines(QStringLiteral("Kestrix_Log_202603.txt")).size(), 2);
    }

    void unwritableFileLosesLineQuietly()
    {
        // A directory in place of the file makes the open fail.
        QVERIFY(QDir().mkdir(QStringLiteral("Kestrix_Log_202603.txt")));
        QMessageLogger("x/y.cpp", 1, nullptr).debug("lost");
        QVERIFY(QFileInfo(QStringLiteral("Kestrix_Log_202603.txt")).isDir());
        QVERIFY(QDir().rmdir(QStringLiteral("Kestrix_Log_202603.txt")));
        QMessageLogger("x/y.cpp", 2, nullptr).debug("kept");
        QCOMPARE(ReadLines(QStringLiteral("Kestrix_Log_202603.txt")).size(), 1);
    }

    void concurrentThreadsWriteWholeLines()
    {
        const int nThreads = 8;
        const int nPerThread = 200;
        QList<QThread *> objThreads;
        for (int t = 0; t < nThreads; ++t) {
            objThreads.append(QThread::create([t] {
                for (int i = 0; i < nPerThread; ++i)
                    QMessageLogger("src/worker.cpp", t, nullptr).debug("thread %d line %d %s", t, i, "padding-padding-padding");
            }));
        }
        for (QThread *pThread : objThreads)
            pThread->start();
        for (QThread *pThread : objThreads) {
            QVERIFY(pThread->wait(30000));
            delete pThread;
        }
        const QStringList objLines = ReadLines(QStringLiteral("Kestrix_Log_202603.txt"));
        QCOMPARE(objLines.size(), nThreads * nPerThread);
        const QRegularExpression objLine(QStringLiteral("^2026-03-14 09:26:53 /worker\\.cpp:(\\d) :: thread (\\d) line (\\d+) padding-padding-padding$"));
        QVector<int> objNext(nThreads, 0);
        for (const QString &strLine : objLines) {
            const QRegularExpressionMatch objMatch = objLine.match(strLine);
            QVERIFY2(objMatch.hasMatch(), qPrintable(strLine));
            const int t = objMatch.captured(2).toInt();
            QCOMPARE(objMatch.captured(1).toInt(), t);
            // One thread's lines keep their order.
            QCOMPARE(objMatch.captured(3).toInt(), objNext[t]);
            ++objNext[t];
        }
    }

    void fatalAbortsWithoutWriting()
    {
        const pid_t nPid = fork();
        QVERIFY(nPid >= 0);
        if (nPid == 0) {
            // Keep the child's abort quiet and unmistakable.
            QMessageLogger("x/y.cpp", 9, nullptr).fatal("boom");
            _exit(0);
        }
        int nStatus = 0;
        QCOMPARE(waitpid(nPid, &nStatus, 0), nPid);
        QVERIFY(WIFSIGNALED(nStatus));
        QCOMPARE(WTERMSIG(nStatus), SIGABRT);
        QVERIFY(LogFiles().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstAppLog)
#include "tst_applog.moc"
