// The tools page driven as a user drives it: values typed into its fields,
// its buttons clicked, files chosen in the file dialog; checked by what the
// fields, the editor, the message boxes and the written dump show.

#include <QDateTimeEdit>
#include <QDesktopServices>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QtTest>

#include "cdlgcommtools.h"
#include "common/uidriver.h"

class TstCommTools : public QObject
{
    Q_OBJECT

public slots:
    // The desktop opener, for file URLs.
    void openUrl(const QUrl &objUrl) { m_lstOpened << objUrl.toLocalFile(); }

private:
    std::unique_ptr<CDlgCommTools> m_pPage;
    std::unique_ptr<CUserScript> m_pUser;
    QStringList m_lstOpened;

    // The line edit inside the group of that title (the date editor's too).
    QLineEdit *Field(const char *pTitle)
    {
        for (QGroupBox *pGroup : m_pPage->findChildren<QGroupBox *>()) {
            if (pGroup->title() == QString::fromUtf8(pTitle))
                return pGroup->findChild<QLineEdit *>();
        }
        return nullptr;
    }
    QPlainTextEdit *Editor() { return m_pPage->findChild<QPlainTextEdit *>(); }

    // As an input method commits text (key clicks carry Latin-1 only).
    void TypeStream(const QString &strText)
    {
        Editor()->selectAll();
        QInputMethodEvent objEvent;
        objEvent.setCommitString(strText);
        QCoreApplication::sendEvent(Editor(), &objEvent);
    }
    QStringList Texts(std::initializer_list<const char *> lstTitles)
    {
        QStringList lstTexts;
        std::transform(lstTitles.begin(), lstTitles.end(), std::back_inserter(lstTexts),
                       [this](const char *pTitle) { return Field(pTitle)->text(); });
        return lstTexts;
    }
    QStringList CrcFields() { return Texts({"数据长度", "CRC(十进制)", "CRC(十六进制)"}); }

    // "导入文件" with the path typed into the file dialog.
    void ImportFile(const QString &strPath)
    {
        m_pUser->Then(TypeAndPress(strPath, T("确定")));
        ClickButton(m_pPage.get(), "导入文件");
    }

private slots:
    void initTestCase()
    {
        ApplyAppLook();
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
    }
    void init()
    {
        m_pPage.reset(new CDlgCommTools);
        m_pPage->resize(920, 600);
        m_pPage->show();
        m_pUser.reset(new CUserScript);
        m_lstOpened.clear();
    }

    // Only the field typed in drives the others: it keeps the user's text.
    // The epoch fields follow each other's every change, typed or not.
    void typedFields()
    {
        const char *F = "浮点数(float)", *H = "十六进制数", *I = "十进制数(INT32)";
        const char *D = "纪元秒(十进制)", *E = "纪元秒(十六进制)";
        const struct { const char *pField, *pTyped; QStringList lstExpect; } CASES[] = { // its group, left to right
            {F, "1.0", {"1.0", "0X3F800000", "1065353216"}},
            {I, "-1", {"-nan", "0XFFFFFFFF", "-1"}},
            {I, "3212836864", {"-1.000000", "0XBF800000", "3212836864"}},
            {I, "4294967296", {"0.000000", "0", "4294967296"}},
            {H, "BF800000", {"-1.000000", "BF800000", "3212836864"}},
            {H, "0x3F 80 00 00", {"1.000000", "0x3F 80 00 00", "1065353216"}},
            {H, "100000000", {"0.0", "100000000", "0"}},
            {D, "86400", {"1970-01-02 00:00:00", "86400", "0X00015180"}},
            {E, "0x0001 5180", {"1970-01-02 00:00:00", "86400", "0X00015180"}},
            {D, "4294967296", {"1970-01-01 00:00:00", "0", "0X00000000"}},
        };
        for (const auto &stCase : CASES) {
            init();
            TypeInto(Field(stCase.pField), stCase.pTyped);
            QCOMPARE(stCase.pField == D || stCase.pField == E ? Texts({"日期时间", D, E}) : Texts({F, H, I}), stCase.lstExpect);
        }
    }

    // Stepping the year: up a year, then down twice, which stops at 1970
    // instead of wrapping into numbers the fields cannot hold.
    void dateEditorDrivesEpoch()
    {
        auto *pEditor = m_pPage->findChild<QDateTimeEdit *>();
        for (Qt::Key enKey : {Qt::Key_Home, Qt::Key_Up})
            QTest::keyClick(pEditor, enKey);
        QCOMPARE(Texts({"纪元秒(十进制)", "纪元秒(十六进制)"}), QStringList({"31536000", "0X01E13380"}));
        for (Qt::Key enKey : {Qt::Key_Down, Qt::Key_Down})
            QTest::keyClick(pEditor, enKey);
        QCOMPARE(Texts({"日期时间", "纪元秒(十进制)"}), QStringList({"1970-01-01 00:00:00", "0"}));
    }

    // Bytes typed as hex codes (leniently) rendered as text, text as codes,
    // and counted with their Modbus CRC.
    void byteStreams()
    {
        const QString S = T("字符串"), C = "CRC / Size";
        const struct { QString strTyped, strButton, strExpect; } CASES[] = { // the editor's text, or length and CRCs
            {"48 65 6C 6C 6F 0D 0A", S, "Hello \n"}, // CR blank, LF kept
            {"C3 A9 41 09", S, "  A "},               // high bytes blank
            {T("Hi\né中"), T("码流"), "48 69 0A E9 00 "}, // beyond Latin-1: zero
            {"01 03 00 00 00 01", C, "6 2692 0X0A84"},
            {"0x01 3 0 0 0 0A", C, "6 52677 0XCDC5"},
            {"", C, "0 65535 0XFFFF"},
        };
        for (const auto &stCase : CASES) {
            init();
            TypeStream(stCase.strTyped);
            QVERIFY(ClickButton(m_pPage.get(), stCase.strButton));
            QCOMPARE(stCase.strButton == C ? CrcFields().join(' ') : Editor()->toPlainText(), stCase.strExpect);
            QVERIFY(m_pUser->m_lstMessages.isEmpty());
        }
    }

    // A long text: the user is told to wait, the result fills in dump lines
    // while the stream buttons rest, and reads back to as many bytes.
    void longTextToCodes()
    {
        const int nLen = 100001; // 6250 lines of 16 and one byte
        Editor()->setPlainText(QString(nLen, QLatin1Char('A')));
        ClickButton(m_pPage.get(), "码流");
        QCOMPARE(m_pUser->m_lstMessages, QStringList{"字符串长度过长，请耐心等待！"});
        QVERIFY(m_pPage->IsFillingStream());
        QVERIFY(!FindButton(m_pPage.get(), "码流")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!m_pPage->IsFillingStream(), 20000);
        QCOMPARE(Editor()->toPlainText(), (QStringLiteral("41 ").repeated(16) + '\n').repeated(nLen / 16) + "41 ");
    }

    void fileLengthCrcAndDump()
    {
        QTemporaryDir objDir;
        const QString strFile = objDir.filePath(QStringLiteral("data.bin"));
        const QString strDump = strFile + QStringLiteral("_Bytes.txt");
        ClickButton(m_pPage.get(), "导出文件");
        QCOMPARE(m_pUser->m_lstMessages, QStringList{"请选择待转换的文件！"});

        // The check value of the Modbus CRC, and its dump line.
        QVERIFY(WriteFile(strFile, "123456789"));
        ImportFile(strFile);
        QCOMPARE(CrcFields(), QStringList({"9", "19255", "0X4B37"}));
        ClickButton(m_pPage.get(), "导出文件");
        QCOMPARE(ReadFile(strDump), QByteArray("31 32 33 34 35 36 37 38 39 \n"));
        QCOMPARE(m_lstOpened, QStringList{strDump});

        // Two full lines and one byte; the longer old dump is replaced.
        QByteArray objData;
        for (int i = 0; i < 33; ++i)
            objData.append(char(i * 8));
        QVERIFY(WriteFile(strFile, objData) && WriteFile(strDump, QByteArray(500, 'x')));
        ClickButton(m_pPage.get(), "导出文件");
        QCOMPARE(ReadFile(strDump), QByteArray("00 08 10 18 20 28 30 38 40 48 50 58 60 68 70 78 \n"
                                              "80 88 90 98 A0 A8 B0 B8 C0 C8 D0 D8 E0 E8 F0 F8 \n"
                                              "00 \n"));

        // A file that is not there: nothing to count, nothing to dump or open.
        m_lstOpened.clear();
        ImportFile(objDir.filePath(QStringLiteral("missing.bin")));
        QCOMPARE(CrcFields(), QStringList({"0", "0", "0X0000"}));
        ClickButton(m_pPage.get(), "导出文件");
        QCOMPARE(m_pUser->m_lstMessages, QStringList({"请选择待转换的文件！", "文件打开失败",
                                             "源文件打开失败，请确认文件是否存在或已经被打开！"}));
        QVERIFY(m_lstOpened.isEmpty());
    }
};

QTEST_MAIN(TstCommTools)
#include "tst_commtools.moc"
