// Shared helpers: the application log in a temporary working directory,
// hex text, byte and word orders, the settings table, the serial port list.

#include <QRegularExpression>
#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <limits>

#include "applog.h"
#include "commonfunc.h"
#include "common/filesizelimit.h"
#include "common/socatpair.h"
#include "csvtable.h"
#include "serialportlist.h"

class TstFoundation : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_objDir;
    QString m_strOldDir;
    QDateTime m_objFixedTime;

    static QStringList ReadLines(const QString &strFile)
    {
        QFile objFile(strFile);
        if (!objFile.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(objFile.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    static QStringList LogFiles() { return QDir().entryList({"Kestrix_Log_*.txt"}, QDir::Files, QDir::Name); }
    static QByteArray ReadFile(const QString &strPath)
    {
        QFile objFile(strPath);
        return objFile.open(QIODevice::ReadOnly) ? objFile.readAll() : QByteArray();
    }
    static void WriteFile(const QString &strPath, const QByteArray &objContent)
    {
        QFile objFile(strPath);
        QVERIFY(objFile.open(QIODevice::WriteOnly));
        objFile.write(objContent);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_objDir.isValid());
        m_strOldDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_objDir.path()));
        // The table's separator follows the locale; these cases are written for a comma.
        QLocale::setDefault(QLocale::c());
    }

    void cleanupTestCase() { QDir::setCurrent(m_strOldDir); }

    void init()
    {
        for (const QString &strFile : LogFiles())
            QFile::remove(strFile);
        m_objFixedTime = QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53));
        SetLogTimeSource([this] { return m_objFixedTime; });
        qInstallMessageHandler(LogMessageHandler);
    }

    void cleanup()
    {
        qInstallMessageHandler(nullptr);
        SetLogTimeSource({});
    }

    void logLines()
    {
        QMessageLogger("/home/dev/kestrix/src_port/cport_base.cpp", 123, "void f()").debug() << "New Port Obj:" << 7;
        LOG_DEBUG() << "macro";
        QMessageLogger("a/b.cpp", 2, nullptr).warning("w");
        QMessageLogger("a/b.cpp", 3, nullptr).critical("c");
        QMessageLogger("a/b.cpp", 4, nullptr).info("i"); // dropped
        QMessageLogger(nullptr, 42, nullptr).warning("no file");
        QMessageLogger("main.cpp", 43, nullptr).warning("no separator");
        const QStringList objLines = ReadLines("Kestrix_Log_202603.txt");
        QCOMPARE(objLines.size(), 6);
        QCOMPARE(objLines[0], QString("2026-03-14 09:26:53 /cport_base.cpp:123 :: New Port Obj: 7"));
        QVERIFY2(objLines[1].contains(QRegularExpression("^2026-03-14 09:26:53 /tst_foundation\\.cpp:\\d+ :: macro$")),
                 qPrintable(objLines[1]));
        QVERIFY(objLines[2].endsWith("/b.cpp:2 :: w") && objLines[3].endsWith("/b.cpp:3 :: c"));
        QCOMPARE(objLines[4], QString("2026-03-14 09:26:53 :42 :: no file"));
        QCOMPARE(objLines[5], QString("2026-03-14 09:26:53 :43 :: no separator"));
    }

    void logFiles()
    {
        QMessageLogger("a/b.cpp", 4, nullptr).info("i");
        QVERIFY(LogFiles().isEmpty());
        m_objFixedTime = QDateTime(QDate(2026, 1, 31), QTime(23, 59, 59));
        QMessageLogger("x/y.cpp", 1, nullptr).debug("before");
        m_objFixedTime = QDateTime(QDate(2026, 2, 1), QTime(0, 0, 0));
        QMessageLogger("x/y.cpp", 2, nullptr).debug("after");
        QCOMPARE(LogFiles(), QStringList({"Kestrix_Log_202601.txt", "Kestrix_Log_202602.txt"}));
        QCOMPARE(ReadLines("Kestrix_Log_202602.txt"), QStringList{"2026-02-01 00:00:00 /y.cpp:2 :: after"});
        // A folder in place of the file loses the line quietly.
        QVERIFY(QDir().mkdir("Kestrix_Log_202603.txt"));
        m_objFixedTime = QDateTime(QDate(2026, 3, 1), QTime(0, 0, 0));
        QMessageLogger("x/y.cpp", 3, nullptr).debug("lost");
        QVERIFY(QDir().rmdir("Kestrix_Log_202603.txt"));
        QMessageLogger("x/y.cpp", 4, nullptr).debug("kept");
        QCOMPARE(ReadLines("Kestrix_Log_202603.txt").size(), 1);
    }

    void logFromManyThreads()
    {
        const int nThreads = 8, nPerThread = 200;
        QList<QThread *> objThreads;
        for (int t = 0; t < nThreads; ++t) {
            objThreads.append(QThread::create([t] {
                for (int i = 0; i < nPerThread; ++i)
                    QMessageLogger("src/worker.cpp", t, nullptr).debug("thread %d line %d %s", t, i, "padding-padding");
            }));
        }
        for (QThread *pThread : objThreads)
            pThread->start();
        for (QThread *pThread : objThreads) {
            QVERIFY(pThread->wait(30000));
            delete pThread;
        }
        const QStringList objLines = ReadLines("Kestrix_Log_202603.txt");
        QCOMPARE(objLines.size(), nThreads * nPerThread);
        const QRegularExpression objLine("^2026-03-14 09:26:53 /worker\\.cpp:(\\d) :: thread (\\d) line (\\d+) padding-padding$");
        QVector<int> objNext(nThreads, 0);
        for (const QString &strLine : objLines) {
            const QRegularExpressionMatch objMatch = objLine.match(strLine);
            QVERIFY2(objMatch.hasMatch(), qPrintable(strLine));
            const int t = objMatch.captured(2).toInt();
            QCOMPARE(objMatch.captured(1).toInt(), t);
            QCOMPARE(objMatch.captured(3).toInt(), objNext[t]++); // one thread's lines keep their order
        }
    }

    void logFatalAbortsWithoutWriting()
    {
        const pid_t nPid = fork();
        QVERIFY(nPid >= 0);
        if (nPid == 0) {
            QMessageLogger("x/y.cpp", 9, nullptr).fatal("boom");
            _exit(0);
        }
        int nStatus = 0;
        QCOMPARE(waitpid(nPid, &nStatus, 0), nPid);
        QVERIFY(WIFSIGNALED(nStatus) && WTERMSIG(nStatus) == SIGABRT);
        QVERIFY(LogFiles().isEmpty());
    }

    void hexText_data()
    {
        QTest::addColumn<QString>("strText");
        QTest::addColumn<QByteArray>("objBytes");
        QTest::newRow("documented example") << "01 2 0x3A,FF" << QByteArray::fromHex("01023aff");
        QTest::newRow("single digit last") << "A" << QByteArray::fromHex("0a");
        QTest::newRow("single digit before blank") << "A B" << QByteArray::fromHex("0a0b");
        QTest::newRow("odd digits pair from left") << "123" << QByteArray::fromHex("1203");
        QTest::newRow("upper 0X prefix") << "0XFF 0X01" << QByteArray::fromHex("ff01");
        QTest::newRow("lower case") << "ab cd" << QByteArray::fromHex("abcd");
        QTest::newRow("tabs, newlines, punctuation") << "01\t02\r\n03;04-05" << QByteArray::fromHex("0102030405");
        QTest::newRow("garbage pair gives zero") << "GG 01" << QByteArray::fromHex("0001");
        QTest::newRow("characters above x skipped") << "y01z{02}" << QByteArray::fromHex("0102");
        QTest::newRow("non-latin skipped") << QString::fromUtf8("字01") << QByteArray::fromHex("01");
        QTest::newRow("only separators") << " ,, " << QByteArray();
    }

    void hexText()
    {
        QFETCH(QString, strText);
        QFETCH(QByteArray, objBytes);
        QCOMPARE(ConvertHexStringToBytes(strText), objBytes);
        QByteArray objAll;
        for (int i = 0; i < 256; ++i)
            objAll.append(char(i));
        QCOMPARE(ConvertHexStringToBytes(ConvertBytesToHexString(objAll)), objAll);
        QCOMPARE(ConvertBytesToHexString(QByteArray::fromHex("01ab00ff")), QString("01 AB 00 FF "));
    }

    // Value bytes most significant first are 11 22 (33 44 55 66 77 88).
    void byteAndWordOrders_data()
    {
        QTest::addColumn<int>("nWidth");
        QTest::addColumn<int>("nByteOder");
        QTest::addColumn<int>("nWordOder");
        QTest::addColumn<QByteArray>("objWire");
        QTest::newRow("16 big") << 16 << 0 << 0 << QByteArray::fromHex("1122");
        QTest::newRow("16 byte-swapped") << 16 << 1 << 0 << QByteArray::fromHex("2211");
        QTest::newRow("16 word order ignored") << 16 << 0 << 1 << QByteArray::fromHex("1122");
        QTest::newRow("32 big") << 32 << 0 << 0 << QByteArray::fromHex("11223344");
        QTest::newRow("32 byte-swapped") << 32 << 1 << 0 << QByteArray::fromHex("22114433");
        QTest::newRow("32 word-swapped") << 32 << 0 << 1 << QByteArray::fromHex("33441122");
        QTest::newRow("32 little") << 32 << 1 << 1 << QByteArray::fromHex("44332211");
        QTest::newRow("64 big") << 64 << 0 << 0 << QByteArray::fromHex("1122334455667788");
        QTest::newRow("64 byte-swapped") << 64 << 1 << 0 << QByteArray::fromHex("2211443366558877");
        QTest::newRow("64 word-swapped") << 64 << 0 << 1 << QByteArray::fromHex("7788556633441122");
        QTest::newRow("64 little") << 64 << 1 << 1 << QByteArray::fromHex("8877665544332211");
    }

    void byteAndWordOrders()
    {
        QFETCH(int, nWidth);
        QFETCH(int, nByteOder);
        QFETCH(int, nWordOder);
        QFETCH(QByteArray, objWire);
        const quint16 nB = quint16(nByteOder), nW = quint16(nWordOder);
        if (nWidth == 16) {
            QCOMPARE(PackUint16(0x1122, nB), objWire);
            QCOMPARE(UnpackUint16(objWire, nB), quint16(0x1122));
        } else if (nWidth == 32) {
            QCOMPARE(PackUint32(0x11223344u, nB, nW), objWire);
            QCOMPARE(UnpackUint32(objWire, nB, nW), 0x11223344u);
            float fValue = 0;
            const quint32 nBits = 0x11223344u;
            std::memcpy(&fValue, &nBits, 4);
            QCOMPARE(PackFloat(fValue, nB, nW), objWire);
            const float fBack = UnpackFloat(objWire, nB, nW);
            QCOMPARE(std::memcmp(&fBack, &fValue, 4), 0);
        } else {
            QCOMPARE(PackUint64(0x1122334455667788ull, nB, nW), objWire);
            QCOMPARE(UnpackUint64(objWire, nB, nW), 0x1122334455667788ull);
            double fValue = 0;
            const quint64 nBits = 0x1122334455667788ull;
            std::memcpy(&fValue, &nBits, 8);
            QCOMPARE(PackDouble(fValue, nB, nW), objWire);
            const double fBack = UnpackDouble(objWire, nB, nW);
            QCOMPARE(std::memcmp(&fBack, &fValue, 8), 0);
        }
        // Edge values come back; bytes of the wrong length read as 0.
        for (quint64 v : {quint64(0x7F), quint64(0x8000), quint64(0xFFFFFFFFu), quint64(0x8000000000000000ull),
                          std::numeric_limits<quint64>::max()}) {
            QCOMPARE(UnpackUint16(PackUint16(quint16(v), nB), nB), quint16(v));
            QCOMPARE(UnpackUint32(PackUint32(quint32(v), nB, nW), nB, nW), quint32(v));
            QCOMPARE(UnpackUint64(PackUint64(v, nB, nW), nB, nW), v);
        }
        for (double f : {-0.0, -2.25, 1e300, -1e-300, std::numeric_limits<double>::infinity()}) {
            QCOMPARE(UnpackDouble(PackDouble(f, nB, nW), nB, nW), f);
            QCOMPARE(UnpackFloat(PackFloat(float(f), nB, nW), nB, nW), float(f));
        }
        QVERIFY(std::isnan(UnpackDouble(PackDouble(std::nan(""), nB, nW), nB, nW)));
        const QByteArray objShort(nWidth / 8 - 1, '\x7f'), objLong(nWidth / 8 + 1, '\x7f');
        QCOMPARE(UnpackUint16(objShort, nB) + UnpackUint16(objLong, nB), 0);
        QCOMPARE(UnpackUint32(objShort, nB, nW) + UnpackUint32(objLong, nB, nW), 0u);
        QCOMPARE(UnpackUint64(objShort, nB, nW) + UnpackUint64(objLong, nB, nW), 0ull);
        QCOMPARE(UnpackDouble(objShort, nB, nW) + UnpackFloat(objLong, nB, nW), 0.0);
    }

    void csvTableReadsAndWrites()
    {
        WriteFile("t.csv", "a,b,\n\nc,,\nd,e\n\"open,cell\nnext line\n");
        CsvTable objTable("t.csv");
        // A trailing separator adds no cell, an empty line no row, an open quote takes the rest.
        QCOMPARE(objTable.RowCount(), 4);
        QCOMPARE(objTable.Row(0), QStringList({"a", "b"}));
        QCOMPARE(objTable.Row(1), QStringList({"c", ""}));
        QCOMPARE(objTable.Row(2), QStringList({"d", "e"}));
        QCOMPARE(objTable.GetCell(3, 0), QString("open,cell\nnext line"));
        QCOMPARE(CsvTable("nothing-here.csv").RowCount(), 0);

        CsvTable objGrown;
        objGrown.SetCell(2, 3, QStringLiteral("x"));
        objGrown.SetCell(0, 1, 3.14159265);
        QCOMPARE(objGrown.GetCell(-1, 0), QString());
        QVERIFY(objGrown.Save("grown.txt", true));
        QCOMPARE(ReadFile("grown.txt"), QByteArray(",3.141593,\n,\n,,,x,\n"));

        const QString strPath = "/home/op/plants/line 3, north/pump \"A\".kestrix";
        CsvTable objQuoted;
        objQuoted.SetCell(0, 0, strPath);
        objQuoted.SetCell(1, 0, "two\nlines");
        objQuoted.SetCell(1, 1, "plain");
        WriteFile("config.csv", QByteArray(1000, 'z'));
        QVERIFY(objQuoted.Save("config"));
        QCOMPARE(ReadFile("config.csv"),
                 QByteArray("\"/home/op/plants/line 3, north/pump \"\"A\"\".kestrix\",\n\"two\nlines\",plain,\n"));
        CsvTable objBack("config.csv");
        QCOMPARE(objBack.GetCell(0, 0), strPath);
        QCOMPARE(objBack.Row(1), QStringList({"two\nlines", "plain"}));

        QByteArray objMany;
        for (int i = 0; i < 65540; ++i)
            objMany += QByteArray::number(i) + ",\n";
        WriteFile("big.csv", objMany);
        CsvTable objBig("big.csv");
        QCOMPARE(objBig.RowCount(), 65536);
        QCOMPARE(objBig.GetCell(65535, 0), QString("65535"));
    }

    void csvTableFailedSaveKeepsOldFile()
    {
        CsvTable objTable;
        objTable.SetCell(0, 0, "x");
        QVERIFY(!objTable.Save("no/such/folder/config"));
        WriteFile("keep.csv", "old,\n");
        for (int i = 0; i < 120; ++i)
            objTable.SetCell(i, 0, "a long cell that makes the table larger than the limit");
        {
            CFileSizeLimit objLimit(4096);
            QVERIFY(objLimit.IsActive());
            QVERIFY(!objTable.Save("keep"));
        }
        QCOMPARE(ReadFile("keep.csv"), QByteArray("old,\n"));
    }

    void serialPortList()
    {
        CSocatPair objPair;
        QVERIFY(objPair.Start());
        QVERIFY(IsTerminalDevicePath(objPair.EndA()) && IsMachineSerialPort(objPair.EndB()));
        // Checking must not disturb the pair: bytes still flow afterwards.
        QFile objA(objPair.EndA()), objB(objPair.EndB());
        QVERIFY(objA.open(QIODevice::ReadWrite | QIODevice::Unbuffered) && objB.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
        QCOMPARE(objA.write("ok", 2), qint64(2));
        QByteArray objGot;
        for (int i = 0; i < 100 && objGot.size() < 2; ++i) {
            QTest::qWait(10);
            objGot += objB.read(2);
        }
        QCOMPARE(objGot, QByteArray("ok"));
        WriteFile("regular", "x");
        for (const QString &strPath : {QDir().absoluteFilePath("regular"), QString("/dev/null"), QString("ttyS0")})
            QVERIFY2(!IsTerminalDevicePath(strPath), qPrintable(strPath));
        QVERIFY(!IsMachineSerialPort("COM1") && !IsMachineSerialPort(QString()));
        for (const QString &strName : EnumSerialPortNames())
            QVERIFY(IsMachineSerialPort(strName));
    }
};

QTEST_GUILESS_MAIN(TstFoundation)
#include "tst_foundation.moc"
