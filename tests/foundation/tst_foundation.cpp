// Shared helpers: the application log in a temporary working directory,
// hex text, byte and word orders, the settings table.

#include <QRegularExpression>
#include <QtTest>

#include <cstring>

#include "applog.h"
#include "commonfunc.h"
#include "common/filesizelimit.h"
#include "csvtable.h"

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
        QMessageLogger("a/b.cpp", 4, nullptr).info("i"); // dropped
        QMessageLogger(nullptr, 42, nullptr).warning("no file");
        QMessageLogger("main.cpp", 43, nullptr).critical("no separator");
        QCOMPARE(ReadLines("Kestrix_Log_202603.txt"),
                 QStringList({"2026-03-14 09:26:53 /cport_base.cpp:123 :: New Port Obj: 7",
                              "2026-03-14 09:26:53 :42 :: no file", "2026-03-14 09:26:53 :43 :: no separator"}));
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

    void hexText()
    {
        const struct { const char *pText; const char *pHex; } arrCases[] = {
            {"01 2 0x3A,FF", "01023aff"}, {"A", "0a"}, {"A B", "0a0b"}, {"123", "1203"}, {"0XFF 0X01", "ff01"},
            {"ab cd", "abcd"}, {"01\t02\r\n03;04-05", "0102030405"}, {"GG 01", "0001"}, {"y01z{02}", "0102"},
            {"字01", "01"}, {" ,, ", ""}};
        for (const auto &stCase : arrCases)
            QVERIFY2(ConvertHexStringToBytes(QString::fromUtf8(stCase.pText)) == QByteArray::fromHex(stCase.pHex), stCase.pText);
        QByteArray objAll;
        for (int i = 0; i < 256; ++i)
            objAll.append(char(i));
        QCOMPARE(ConvertHexStringToBytes(ConvertBytesToHexString(objAll)), objAll);
        QCOMPARE(ConvertBytesToHexString(QByteArray::fromHex("01ab00ff")), QString("01 AB 00 FF "));
    }

    // Value bytes most significant first are 11 22 (33 44 55 66 77 88); floats
    // travel as their bits; bytes of the wrong length read as 0.
    void byteAndWordOrders()
    {
        const struct { int nWidth, nByte, nWord; const char *pWire; } arrCases[] = {
            {16, 0, 0, "1122"}, {16, 1, 0, "2211"}, {16, 0, 1, "1122"}, {32, 0, 0, "11223344"}, {32, 1, 0, "22114433"},
            {32, 0, 1, "33441122"}, {32, 1, 1, "44332211"}, {64, 0, 0, "1122334455667788"}, {64, 1, 0, "2211443366558877"},
            {64, 0, 1, "7788556633441122"}, {64, 1, 1, "8877665544332211"}};
        for (const auto &stCase : arrCases) {
            const quint16 nB = quint16(stCase.nByte), nW = quint16(stCase.nWord);
            const QByteArray objWire = QByteArray::fromHex(stCase.pWire), objShort(objWire.size() - 1, '\x7f');
            if (stCase.nWidth == 16) {
                QVERIFY(PackUint16(0x1122, nB) == objWire && UnpackUint16(objWire, nB) == 0x1122);
                QCOMPARE(UnpackUint16(objShort, nB) + UnpackUint16(objWire + 'x', nB), 0);
            } else if (stCase.nWidth == 32) {
                float fValue = 0;
                const quint32 nBits = 0x11223344u;
                std::memcpy(&fValue, &nBits, 4);
                QVERIFY2(PackUint32(nBits, nB, nW) == objWire && UnpackUint32(objWire, nB, nW) == nBits, stCase.pWire);
                const float fBack = UnpackFloat(objWire, nB, nW);
                QVERIFY(PackFloat(fValue, nB, nW) == objWire && std::memcmp(&fBack, &fValue, 4) == 0);
                QCOMPARE(UnpackUint32(objShort, nB, nW) + UnpackUint32(objWire + 'x', nB, nW), 0u);
            } else {
                double fValue = 0;
                const quint64 nBits = 0x1122334455667788ull;
                std::memcpy(&fValue, &nBits, 8);
                QVERIFY2(PackUint64(nBits, nB, nW) == objWire && UnpackUint64(objWire, nB, nW) == nBits, stCase.pWire);
                const double fBack = UnpackDouble(objWire, nB, nW);
                QVERIFY(PackDouble(fValue, nB, nW) == objWire && std::memcmp(&fBack, &fValue, 8) == 0);
                QCOMPARE(UnpackDouble(objShort, nB, nW) + UnpackDouble(objWire + 'x', nB, nW), 0.0);
            }
        }
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
};

QTEST_GUILESS_MAIN(TstFoundation)
#include "tst_foundation.moc"
