// The tools page driven as a user drives it: values typed into its fields,
// its buttons clicked, files chosen in the file dialog; checked by what the
// fields, the editor, the message boxes and the written dump show.

#include <QDateTimeEdit>
#include <QDesktopServices>
#include <QDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "cdlgcommtools.h"
#include "common/uidriver.h"
#include "uiutils.h"

namespace {

QString T(const char *pText)
{
    return QString::fromUtf8(pText);
}

QByteArray ReadAll(const QString &strPath)
{
    QFile objFile(strPath);
    return objFile.open(QIODevice::ReadOnly) ? objFile.readAll() : QByteArray("<missing>");
}

void WriteFile(const QString &strPath, const QByteArray &objData)
{
    QFile objFile(strPath);
    QVERIFY(objFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(objFile.write(objData), qint64(objData.size()));
}

} // namespace

class TstCommTools : public QObject
{
    Q_OBJECT

public slots:
    // The desktop opener, for file URLs.
    void openUrl(const QUrl &objUrl) { m_lstOpened << objUrl.toLocalFile(); }

private:
    std::unique_ptr<CDlgCommTools> m_pPage;
    QStringList m_lstMessages;
    QStringList m_lstOpened;

    // The line edit inside the group of that title (the date editor's too).
    QLineEdit *Field(const char *pTitle)
    {
        for (QGroupBox *pGroup : m_pPage->findChildren<QGroupBox *>()) {
            if (pGroup->title() == T(pTitle))
                return pGroup->findChild<QLineEdit *>();
        }
        qWarning("no group %s", pTitle);
        return nullptr;
    }
    QPlainTextEdit *Editor() { return m_pPage->findChild<QPlainTextEdit *>(); }

    void Type(const char *pTitle, const QString &strText)
    {
        QLineEdit *pEdit = Field(pTitle);
        pEdit->selectAll();
        QTest::keyClick(pEdit, Qt::Key_Delete);
        QTest::keyClicks(pEdit, strText);
    }
    // As an input method commits text (key clicks carry Latin-1 only).
    void TypeStream(const QString &strText)
    {
        Editor()->selectAll();
        QInputMethodEvent objEvent;
        objEvent.setCommitString(strText);
        QCoreApplication::sendEvent(Editor(), &objEvent);
    }
    QStringList CrcFields() { return {Field("数据长度")->text(), Field("CRC(十进制)")->text(), Field("CRC(十六进制)")->text()}; }

    // "导入文件" with the path typed into the file dialog, or the dialog cancelled.
    void ImportFile(const QString &strPath, bool bAccept = true)
    {
        SetDialogResponder([&](QDialog *pDialog) {
            QTest::keyClicks(pDialog->findChild<QLineEdit *>(), strPath);
            ClickButton(pDialog, bAccept ? T("确定") : T("取消"));
        });
        ClickButton(m_pPage.get(), T("导入文件"));
        SetDialogResponder({});
    }

private slots:
    void initTestCase()
    {
        ApplyAppLook();
        SetMessageBoxResponder([this](MESSAGE_BOX_KIND_EN, const QString &strText) {
            m_lstMessages << strText;
            return true;
        });
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
    }
    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        SetMessageBoxResponder({});
    }
    void init()
    {
        m_pPage.reset(new CDlgCommTools);
        m_pPage->resize(920, 600);
        m_pPage->show();
        m_lstMessages.clear();
        m_lstOpened.clear();
    }

    // Only the field typed in drives the others: it keeps the user's text.
    void valueFields_data()
    {
        QTest::addColumn<QString>("strField");
        QTest::addColumn<QString>("strTyped");
        QTest::addColumn<QStringList>("lstExpect"); // float, hex, INT32
        const QString F = T("浮点数(float)"), H = T("十六进制数"), I = T("十进制数(INT32)");
        QTest::newRow("float 1.0") << F << "1.0" << QStringList{"1.0", "0X3F800000", "1065353216"};
        QTest::newRow("float zero") << F << "-0" << QStringList{"-0", "0X80000000", "2147483648"};
        QTest::newRow("float no number") << F << "1,5x" << QStringList{"1,5x", "0", "0"};
        QTest::newRow("int -1") << I << "-1" << QStringList{"-nan", "0XFFFFFFFF", "-1"};
        QTest::newRow("int shown pattern") << I << "3212836864" << QStringList{"-1.000000", "0XBF800000", "3212836864"};
        QTest::newRow("int beyond 32 bits") << I << "4294967296" << QStringList{"0.000000", "0", "4294967296"};
        QTest::newRow("int below 32 bits") << I << "-2147483649" << QStringList{"0.000000", "0", "-2147483649"};
        QTest::newRow("hex negative float") << H << "BF800000" << QStringList{"-1.000000", "BF800000", "3212836864"};
        QTest::newRow("hex all ones") << H << "FFFFFFFF" << QStringList{"-nan", "FFFFFFFF", "4294967295"};
        QTest::newRow("hex prefix blanks") << H << "0x3F 80 00 00" << QStringList{"1.000000", "0x3F 80 00 00", "1065353216"};
        QTest::newRow("hex beyond 32 bits") << H << "100000000" << QStringList{"0.0", "100000000", "0"};
    }
    void valueFields()
    {
        QFETCH(QString, strField);
        QFETCH(QString, strTyped);
        QFETCH(QStringList, lstExpect);
        Type(strField.toUtf8().constData(), strTyped);
        QCOMPARE(QStringList({Field("浮点数(float)")->text(), Field("十六进制数")->text(), Field("十进制数(INT32)")->text()}),
                 lstExpect);
    }

    void epochFields_data()
    {
        QTest::addColumn<QString>("strField");
        QTest::addColumn<QString>("strTyped");
        QTest::addColumn<QStringList>("lstExpect"); // date, decimal, hex
        const QString D = T("纪元秒(十进制)"), H = T("纪元秒(十六进制)");
        QTest::newRow("one day") << D << "86400" << QStringList{"1970-01-02 00:00:00", "86400", "0X00015180"};
        QTest::newRow("hex one day") << H << "0x0001 5180" << QStringList{"1970-01-02 00:00:00", "86400", "0X00015180"};
        QTest::newRow("last second") << D << "4294967295" << QStringList{"2106-02-07 06:28:15", "4294967295", "0XFFFFFFFF"};
        QTest::newRow("beyond 32 bits") << D << "4294967296" << QStringList{"1970-01-01 00:00:00", "0", "0X00000000"};
        QTest::newRow("hex no number") << H << "12G" << QStringList{"1970-01-01 00:00:00", "0", "0X00000000"};
    }
    void epochFields()
    {
        QFETCH(QString, strField);
        QFETCH(QString, strTyped);
        QFETCH(QStringList, lstExpect);
        Type(strField.toUtf8().constData(), strTyped);
        QCOMPARE(QStringList({Field("日期时间")->text(), Field("纪元秒(十进制)")->text(), Field("纪元秒(十六进制)")->text()}),
                 lstExpect);
    }

    // Stepping the year: up a year, then down twice, which stops at 1970
    // instead of wrapping into numbers the fields cannot hold.
    void dateEditorDrivesEpoch()
    {
        auto *pEditor = m_pPage->findChild<QDateTimeEdit *>();
        pEditor->setFocus();
        QTest::keyClick(pEditor, Qt::Key_Home);
        QTest::keyClick(pEditor, Qt::Key_Up);
        QCOMPARE(Field("纪元秒(十进制)")->text(), QStringLiteral("31536000"));
        QCOMPARE(Field("纪元秒(十六进制)")->text(), QStringLiteral("0X01E13380"));
        QTest::keyClick(pEditor, Qt::Key_Down);
        QTest::keyClick(pEditor, Qt::Key_Down);
        QCOMPARE(Field("日期时间")->text(), QStringLiteral("1970-01-01 00:00:00"));
        QCOMPARE(Field("纪元秒(十进制)")->text(), QStringLiteral("0"));
    }

    void byteStreams_data()
    {
        QTest::addColumn<QString>("strTyped");
        QTest::addColumn<QString>("strButton");
        QTest::addColumn<QString>("strExpect");
        QTest::newRow("text, CR blank, LF kept") << "48 65 6C 6C 6F 0D 0A" << T("字符串") << "Hello \n";
        QTest::newRow("text, high bytes blank") << "C3 A9 41 09" << T("字符串") << "  A ";
        QTest::newRow("codes, beyond Latin-1 zero") << T("Hi\né中") << T("码流") << "48 69 0A E9 00 ";
    }
    void byteStreams()
    {
        QFETCH(QString, strTyped);
        QFETCH(QString, strButton);
        QFETCH(QString, strExpect);
        TypeStream(strTyped);
        QVERIFY(ClickButton(m_pPage.get(), strButton));
        QCOMPARE(Editor()->toPlainText(), strExpect);
        QVERIFY(m_lstMessages.isEmpty());
    }

    void crcSize_data()
    {
        QTest::addColumn<QString>("strTyped");
        QTest::addColumn<QStringList>("lstExpect");
        QTest::newRow("read request") << "01 03 00 00 00 01" << QStringList{"6", "2692", "0X0A84"};
        QTest::newRow("lenient text") << "0x01 3 0 0 0 0A" << QStringList{"6", "52677", "0XCDC5"};
        QTest::newRow("empty") << "" << QStringList{"0", "65535", "0XFFFF"};
    }
    void crcSize()
    {
        QFETCH(QString, strTyped);
        QFETCH(QStringList, lstExpect);
        TypeStream(strTyped);
        ClickButton(m_pPage.get(), T("CRC / Size"));
        QCOMPARE(CrcFields(), lstExpect);
    }

    // A long text: the user is told to wait, the result fills in dump lines
    // while the stream buttons rest, and reads back to as many bytes.
    void longTextToCodes()
    {
        const int nLen = 100001; // 6250 lines of 16 and one byte
        Editor()->setPlainText(QString(nLen, QLatin1Char('A')));
        ClickButton(m_pPage.get(), T("码流"));
        QCOMPARE(m_lstMessages, QStringList{T("字符串长度过长，请耐心等待！")});
        QVERIFY(m_pPage->IsFillingStream());
        QVERIFY(!FindButton(m_pPage.get(), T("码流"))->isEnabled());
        QVERIFY(!FindButton(m_pPage.get(), T("CRC / Size"))->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!m_pPage->IsFillingStream(), 20000);
        QString strLine;
        for (int i = 0; i < 16; ++i)
            strLine += QStringLiteral("41 ");
        QString strExpect;
        for (int i = 0; i < nLen / 16; ++i)
            strExpect += strLine + QLatin1Char('\n');
        QCOMPARE(Editor()->toPlainText(), strExpect + QStringLiteral("41 "));
        QVERIFY(ClickButton(m_pPage.get(), T("CRC / Size")));
        QCOMPARE(Field("数据长度")->text(), QString::number(nLen));

        // One character beyond the limit: refused, the text stays.
        m_lstMessages.clear();
        QString strTooLong(0xFFFFFF + 1, QLatin1Char('A'));
        for (int i = 4095; i < strTooLong.size(); i += 4096)
            strTooLong[i] = QLatin1Char('\n');
        Editor()->setPlainText(strTooLong);
        ClickButton(m_pPage.get(), T("码流"));
        QCOMPARE(m_lstMessages, QStringList{T("字符串长度过长，处理失败！")});
        QVERIFY(FindButton(m_pPage.get(), T("码流"))->isEnabled());
        QCOMPARE(Editor()->toPlainText().size(), strTooLong.size());
    }

    void fileLengthCrcAndDump()
    {
        QTemporaryDir objDir;
        const QString strFile = objDir.filePath(QStringLiteral("data.bin"));
        const QString strDump = strFile + QStringLiteral("_Bytes.txt");
        ClickButton(m_pPage.get(), T("导出文件"));
        QCOMPARE(m_lstMessages, QStringList{T("请选择待转换的文件！")});

        // The check value of the Modbus CRC, and its dump line.
        WriteFile(strFile, "123456789");
        ImportFile(strFile);
        QCOMPARE(CrcFields(), QStringList({"9", "19255", "0X4B37"}));
        ClickButton(m_pPage.get(), T("导出文件"));
        QCOMPARE(ReadAll(strDump), QByteArray("31 32 33 34 35 36 37 38 39 \n"));
        QCOMPARE(m_lstOpened, QStringList{strDump});

        // Two full lines and one byte; the longer old dump is replaced.
        QByteArray objData;
        for (int i = 0; i < 33; ++i)
            objData.append(char(i * 8));
        WriteFile(strFile, objData);
        WriteFile(strDump, QByteArray(500, 'x'));
        ClickButton(m_pPage.get(), T("导出文件"));
        QCOMPARE(ReadAll(strDump), QByteArray("00 08 10 18 20 28 30 38 40 48 50 58 60 68 70 78 \n"
                                              "80 88 90 98 A0 A8 B0 B8 C0 C8 D0 D8 E0 E8 F0 F8 \n"
                                              "00 \n"));
        ImportFile(strFile);
        QCOMPARE(Field("数据长度")->text(), QStringLiteral("33"));
        ImportFile(objDir.filePath(QStringLiteral("other")), false);
        QCOMPARE(Field("数据长度")->text(), QStringLiteral("33"));

        // A dump that cannot be created is reported, and nothing is opened.
        m_lstMessages.clear();
        m_lstOpened.clear();
        QFile::remove(strDump);
        QVERIFY(QDir().mkdir(strDump));
        ClickButton(m_pPage.get(), T("导出文件"));
        QCOMPARE(m_lstMessages, QStringList{T("新文件创建失败，请确认文件是否存在或已经被打开！")});

        // A file that is not there: nothing to count, nothing to dump.
        ImportFile(objDir.filePath(QStringLiteral("missing.bin")));
        QCOMPARE(CrcFields(), QStringList({"0", "0", "0X0000"}));
        ClickButton(m_pPage.get(), T("导出文件"));
        QCOMPARE(m_lstMessages, QStringList({T("新文件创建失败，请确认文件是否存在或已经被打开！"), T("文件打开失败"),
                                             T("源文件打开失败，请确认文件是否存在或已经被打开！")}));
        QVERIFY(m_lstOpened.isEmpty());
    }
};

QTEST_MAIN(TstCommTools)
#include "tst_commtools.moc"
