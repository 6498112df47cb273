// The selection dialogs over real devices of the device manager, answered
// through the dialog seams as a user would.

#include <QLineEdit>
#include <QtTest>

#include "ccfgfilemgr.h"
#include "cdevicemgr.h"
#include "cdlgdevicesel.h"
#include "cdlgfilesel.h"
#include "cdlgsigsel.h"
#include "cmttablewidget.h"
#include "common/uidriver.h"
#include "linkdefine.h"
#include "uiutils.h"

namespace {

QString Rows(QTableWidget *pTable)
{
    QStringList lstRows;
    for (int nRow = 0; nRow < pTable->rowCount(); ++nRow)
        lstRows << pTable->item(nRow, 0)->text() + QLatin1Char(' ') + pTable->item(nRow, 1)->text();
    return lstRows.join(QLatin1Char(','));
}

// Answers the next check list: clicks the header of its tick column (which
// clears all when the first is ticked, else ticks all), ticks rows by index
// with the keyboard, and presses "确定".
void AnswerCheckList(QString *pTitle, const QList<int> &lstToggleRows = {}, bool bHeader = true)
{
    SetDialogResponder([=](QDialog *pDialog) {
        auto *pSigSel = qobject_cast<CDlgSigSel *>(pDialog);
        QVERIFY(pSigSel != nullptr);
        *pTitle = pDialog->windowTitle();
        if (bHeader)
            DoubleClickHeader(pSigSel->GetTable(), 2);
        for (int nRow : lstToggleRows)
            ToggleCheckCell(pSigSel->GetTable(), nRow, 2);
        ClickButton(pDialog, QString::fromUtf8("确定"));
    });
}

} // namespace

class TstSelection : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        RegisterLinkMetaTypes();
        ApplyAppLook();
        QVERIFY(QDir::setCurrent(m_objDir.path()));
        CCfgFileMgr::GetInstance()->ClearCfg();
        CDeviceMgr::GetInstance();
        // Manager order: three masters on two links, two slaves on a third, and
        // a master whose network link has no parameters, so no link object.
        QCOMPARE(CDeviceMgr::AddDevice(QString(), "COM1", 1, 1, 2), QStringLiteral("OK"));
        QCOMPARE(CDeviceMgr::AddDevice(QString(), "COM3", 2, 5, 6), QStringLiteral("OK"));
        QCOMPARE(CDeviceMgr::AddDevice(QString(), "COM2", 1, 9, 9), QStringLiteral("OK"));
        QCOMPARE(CDeviceMgr::AddDevice(QString(), "NET007", 1, 1, 1), QStringLiteral("OK"));
    }

    void cleanupTestCase() { CDeviceMgr::DestroyInstance(); }

    void cleanup() { SetDialogResponder({}); }

    void devicesByTypeMask_data()
    {
        QTest::addColumn<int>("nType");
        QTest::addColumn<QString>("strRows");
        QTest::newRow("masters") << 1 << "002 [M]COM1-002,005 [M]COM2-009,006 [M]NET007-001";
        QTest::newRow("slaves") << 2 << "003 [S]COM3-005,004 [S]COM3-006";
        QTest::newRow("all") << -1
                             << "002 [M]COM1-002,003 [S]COM3-005,004 [S]COM3-006,005 [M]COM2-009,006 [M]NET007-001";
    }

    void devicesByTypeMask()
    {
        QFETCH(int, nType);
        QFETCH(QString, strRows);
        // The excluded device keeps its number: the others are numbered by
        // their place in the manager.
        CDlgDeviceSel objDialog(QStringLiteral("[M]COM1-001"), qint16(nType));
        QCOMPARE(Rows(objDialog.GetTable()), strRows);
    }

    void filtersRelistAndExcludedStaysOut()
    {
        CDlgDeviceSel objDialog(QStringLiteral("[S]COM3-005"), -1);
        objDialog.show();
        QString strTitle;

        // Unticking every type empties the list; ticking them again restores it.
        AnswerCheckList(&strTitle);
        ClickButton(&objDialog, QString::fromUtf8("类型筛选"));
        QCOMPARE(strTitle, QString::fromUtf8("选择需要筛选的设备类型"));
        QCOMPARE(objDialog.GetTable()->rowCount(), 0);
        ClickButton(&objDialog, QString::fromUtf8("类型筛选"));
        QCOMPARE(Rows(objDialog.GetTable()),
                 "001 [M]COM1-001,002 [M]COM1-002,004 [S]COM3-006,005 [M]COM2-009,006 [M]NET007-001");

        // Links are offered in name order, the one without link object last;
        // unticking COM1 (the first) and COM3 (the third).
        AnswerCheckList(&strTitle, {0, 2}, false);
        ClickButton(&objDialog, QString::fromUtf8("端口筛选"));
        QCOMPARE(strTitle, QString::fromUtf8("选择筛选的端口"));
        QCOMPARE(Rows(objDialog.GetTable()), "005 [M]COM2-009,006 [M]NET007-001");

        // A cancelled filter changes nothing; the ticked names come back.
        SetDialogResponder([](QDialog *pDialog) { ClickButton(pDialog, QString::fromUtf8("取消")); });
        ClickButton(&objDialog, QString::fromUtf8("端口筛选"));
        ToggleCheckCell(objDialog.GetTable(), 1, 2);
        QCOMPARE(objDialog.GetSelDeviceNames(), QList<QString>({"[M]NET007-001"}));
    }

    void fileSelectionKeepsPaths()
    {
        QString strAskedDir;
        SetStdDialogResponder([&](STD_DIALOG_KIND_EN enKind, const QString &, const QVariant &objInitial) {
            strAskedDir = objInitial.toString();
            return enKind == STD_DIALOG_OPEN_FILE ? QVariant(QStringLiteral("/home/op/new dir/b.kestrix")) : QVariant();
        });
        CDlgFileSel objDialog(nullptr, QString::fromUtf8("选择配置文件"), QStringLiteral("/data/a.kestrix"),
                              QStringLiteral("(*.kestrix)"));
        SetDialogResponder([](QDialog *pDialog) {
            ClickButton(pDialog, QStringLiteral("..."));
            ClickButton(pDialog, QString::fromUtf8("确定"));
        });
        QCOMPARE(ExecDialog(&objDialog), int(QDialog::Accepted));
        QCOMPARE(strAskedDir, QStringLiteral("/data/a.kestrix"));
        QCOMPARE(objDialog.GetFilePath(), QStringLiteral("/home/op/new dir/b.kestrix"));

        // Cancelling the platform dialog keeps what is there; typing replaces it.
        SetStdDialogResponder([](STD_DIALOG_KIND_EN, const QString &, const QVariant &) { return QVariant(); });
        SetDialogResponder([](QDialog *pDialog) {
            ClickButton(pDialog, QStringLiteral("..."));
            QLineEdit *pEdit = pDialog->findChild<QLineEdit *>();
            pEdit->selectAll();
            QTest::keyClicks(pEdit, QStringLiteral("/typed/c.kestrix"));
            ClickButton(pDialog, QString::fromUtf8("取消"));
        });
        QCOMPARE(ExecDialog(&objDialog), int(QDialog::Rejected));
        QCOMPARE(objDialog.GetFilePath(), QStringLiteral("/typed/c.kestrix"));
        SetStdDialogResponder({});
    }

private:
    QTemporaryDir m_objDir;
};

QTEST_MAIN(TstSelection)
#include "tst_selection.moc"
