#include "common/filesizelimit.h"
#include "csvtable.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

class TstCsvTable : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_objDir;

    QString PathOf(const QString &strName) const { return m_objDir.filePath(strName); }

    void WriteFile(const QString &strPath, const QByteArray &objContent)
    {
        QFile objFile(strPath);
        QVERIFY(objFile.open(QIODevice::WriteOnly));
        objFile.write(objContent);
    }

    QByteArray ReadFile(const QString &strPath)
    {
        QFile objFile(strPath);
        if (!objFile.open(QIODevice::ReadOnly))
            return QByteArray();
        return objFile.readAll();
    }

private slots:
    void initTestCase()
    {
        // The separator follows the locale; these cases are written for a comma.
        QLocale::setDefault(QLocale::c());
        QVERIFY(m_objDir.isValid());
        if (CsvTable().Separator() != QLatin1Char(','))
            QSKIP("system locale does not separate groups with a comma");
    }

    void missingFileIsEmpty()
    {
        CsvTable objTable(PathOf(QStringLiteral("nothing-here.csv")));
        QCOMPARE(objTable.RowCount(), 0);
        QCOMPARE(objTable.GetCell(0, 0), QString());
    }

    void trailingSeparatorAddsNoCell()
    {
        WriteFile(PathOf(QStringLiteral("t.csv")), "a,b,\n\nc,,\n");
        CsvTable objTable(PathOf(QStringLiteral("t.csv")));
        QCOMPARE(objTable.RowCount(), 2); // the empty line adds no row
        QCOMPARE(objTable.Row(0), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
        QCOMPARE(objTable.Row(1), (QStringList{QStringLiteral("c"), QString()}));
        QVERIFY(objTable.Save(PathOf(QStringLiteral("t2"))));
        QCOMPARE(ReadFile(PathOf(QStringLiteral("t2.csv"))), QByteArray("a,b,\nc,,\n"));
    }

    void lineWithoutTrailingSeparatorKeepsLastCell()
    {
        WriteFile(PathOf(QStringLiteral("u.csv")), "a,b\n");
        CsvTable objTable(PathOf(QStringLiteral("u.csv")));
        QCOMPARE(objTable.Row(0), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    }

    void setCellGrowsTable()
    {
        CsvTable objTable;
        objTable.SetCell(2, 3, QStringLiteral("x"));
        QCOMPARE(objTable.RowCount(), 3);
        QCOMPARE(objTable.Row(0).size(), 0);
        QCOMPARE(objTable.Row(1).size(), 0);
        QCOMPARE(objTable.Row(2), (QStringList{QString(), QString(), QString(), QStringLiteral("x")}));
        QCOMPARE(objTable.GetCell(2, 3), QStringLiteral("x"));
        QCOMPARE(objTable.GetCell(2, 4), QString());
        QCOMPARE(objTable.GetCell(-1, 0), QString());
        objTable.SetCell(0, 1, 3.14159265);
        QCOMPARE(objTable.GetCell(0, 1), QStringLiteral("3.141593"));

        // Rows without cells are written as a lone separator.
        QVERIFY(objTable.Save(PathOf(QStringLiteral("grown.txt")), true));
        QCOMPARE(ReadFile(PathOf(QStringLiteral("grown.txt"))), QByteArray(",3.141593,\n,\n,,,x,\n"));
    }

    void quotingRoundTrip()
    {
        const QString strPath = QStringLiteral("/home/op/plants/line 3, north/pump \"A\".kestrix");
        CsvTable objTable;
        objTable.SetCell(0, 0, strPath);
        objTable.SetCell(1, 0, QStringLiteral("legend, with comma"));
        objTable.SetCell(1, 1, QStringLiteral("two\nlines"));
        objTable.SetCell(1, 2, QStringLiteral("plain"));
        objTable.SetCell(1, 3, QString());
        QVERIFY(objTable.Save(PathOf(QStringLiteral("config"))));
        QCOMPARE(ReadFile(PathOf(QStringLiteral("config.csv"))),
                 QByteArray("\"/home/op/plants/line 3, north/pump \"\"A\"\".kestrix\",\n"
                            "\"legend, with comma\",\"two\nlines\",plain,,\n"));

        CsvTable objBack(PathOf(QStringLiteral("config.csv")));
        QCOMPARE(objBack.RowCount(), 2);
        QCOMPARE(objBack.GetCell(0, 0), strPath);
        QCOMPARE(objBack.Row(1), (QStringList{QStringLiteral("legend, with comma"), QStringLiteral("two\nlines"),
                                              QStringLiteral("plain"), QString()}));
    }

    void saveReplacesExistingFile()
    {
        const QString strPath = PathOf(QStringLiteral("replace"));
        WriteFile(strPath + QStringLiteral(".csv"), QByteArray(1000, 'z'));
        CsvTable objTable;
        objTable.SetCell(0, 0, QStringLiteral("new"));
        QVERIFY(objTable.Save(strPath));
        QCOMPARE(ReadFile(strPath + QStringLiteral(".csv")), QByteArray("new,\n"));
    }

    void saveIntoMissingFolderFails()
    {
        CsvTable objTable;
        objTable.SetCell(0, 0, QStringLiteral("x"));
        QVERIFY(!objTable.Save(PathOf(QStringLiteral("no/such/folder/config"))));
    }

    void failedWriteKeepsOldTable()
    {
        const QString strPath = PathOf(QStringLiteral("keep"));
        WriteFile(strPath + QStringLiteral(".csv"), "old,\n");
        CsvTable objTable;
        // Small enough to sit in the file's write buffer until the very end.
        for (int i = 0; i < 120; ++i)
            objTable.SetCell(i, 0, QStringLiteral("a long cell that makes the table larger than the limit"));
        {
            CFileSizeLimit objLimit(4096);
            QVERIFY(objLimit.IsActive());
            QVERIFY(!objTable.Save(strPath));
        }
        QCOMPARE(ReadFile(strPath + QStringLiteral(".csv")), QByteArray("old,\n"));
    }

    void loadStopsAt65536Lines()
    {
        QByteArray objContent;
        for (int i = 0; i < 65540; ++i)
            objContent += QByteArray::number(i) + ",\n";
        WriteFile(PathOf(QStringLiteral("big.csv")), objContent);
        CsvTable objTable(PathOf(QStringLiteral("big.csv")));
        QCOMPARE(objTable.RowCount(), 65536);
        QCOMPARE(objTable.GetCell(65535, 0), QStringLiteral("65535"));
    }

    void unterminatedQuoteKeepsTheRest()
    {
        WriteFile(PathOf(QStringLiteral("q.csv")), "\"open,cell\nnext line\n");
        CsvTable objTable(PathOf(QStringLiteral("q.csv")));
        QCOMPARE(objTable.RowCount(), 1);
        QCOMPARE(objTable.GetCell(0, 0), QStringLiteral("open,cell\nnext line"));
    }
};

QTEST_GUILESS_MAIN(TstCsvTable)
#include "tst_csvtable.moc"
