// The statistics page fed through the link manager's signal: counting per
// link and per device, the loss rate, refreshing, resetting and restarting.

#include <QCheckBox>
#include <QtTest>

#include "cdevicemgr.h"
#include "cdlgcount.h"
#include "cmttablewidget.h"
#include "common/uidriver.h"
#include "cportmgr.h"

namespace {

const QString LINK = QStringLiteral("/dev/ttyKestrixCountTest");

void Emit(quint16 nAddr, LINK_PROC_ERR_EN enType, int nTimes = 1)
{
    for (int i = 0; i < nTimes; ++i)
        emit CPortMgr::GetInstance()->siRecvDataRaw(LINK, nAddr, enType, QByteArray("\x01\x03", 2));
}

// Each row as "name|sent|received|loss|send failures|timeouts|length errors|check errors".
QStringList Rows(CDlgLinkCount &objPage)
{
    auto *pTable = objPage.findChild<CMTTableWidget *>();
    QStringList lstRows;
    for (int nRow = 0; nRow < pTable->rowCount(); ++nRow) {
        QStringList lstCells;
        for (int nCol = 0; nCol < pTable->columnCount(); ++nCol)
            lstCells << pTable->item(nRow, nCol)->text();
        lstRows << lstCells.join('|');
    }
    return lstRows;
}

void ShowDevices(CDlgLinkCount &objPage, bool bDevices) { ChooseEntry(objPage.findChild<QComboBox *>(), bDevices); }

} // namespace

class TstLinkCount : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        ApplyAppLook();
        CDeviceMgr::GetInstance();
        QCOMPARE(CDeviceMgr::AddDevice(QString(), LINK, 1, 1, 2), QStringLiteral("OK"));
    }

    void cleanupTestCase() { CDeviceMgr::DestroyInstance(); }

    void countsRefreshAndReset()
    {
        CDlgLinkCount objPage;
        objPage.show();
        Emit(1, LINK_SEND_OK);
        QVERIFY(Rows(objPage).isEmpty());
        ClickButton(&objPage, T("启动"));
        for (int nKind = 0; nKind <= 9; ++nKind)
            Emit(1, LINK_PROC_ERR_EN(nKind));
        Emit(2, LINK_SEND_OK, 2);
        // No device at 9: the link's traffic all the same.
        Emit(9, LINK_RECV_FRAME_ERR);
        QCOMPARE(Rows(objPage), QStringList({LINK + "|3|1|66.67%|1|1|2|1"}));
        ShowDevices(objPage, true);
        const QString strD1 = "[M]" + LINK + "-001|1|1|0.00%|1|1|1|1", strD2 = "[M]" + LINK + "-002|";
        QCOMPARE(Rows(objPage), QStringList({strD1, strD2 + "2|0|100.00%|0|0|0|0"}));

        // Without refreshing the table lags; switching views reads the counts.
        objPage.findChild<QCheckBox *>()->click();
        Emit(2, LINK_RECV_OK);
        QCOMPARE(Rows(objPage).at(1), strD2 + "2|0|100.00%|0|0|0|0");
        ShowDevices(objPage, false);
        ShowDevices(objPage, true);
        QCOMPARE(Rows(objPage).at(1), strD2 + "2|1|50.00%|0|0|0|0");
        objPage.findChild<QCheckBox *>()->click();
        // More replies than requests lose nothing.
        Emit(2, LINK_RECV_OK, 2);
        QCOMPARE(Rows(objPage).at(1), strD2 + "2|3|0.00%|0|0|0|0");

        CUserScript objUser;
        ClickButton(&objPage, T("重置"));
        QCOMPARE(objUser.m_lstMessages, QStringList({T("请勾选项目！")}));
        ShowDevices(objPage, false);
        ToggleCheckCell(objPage.findChild<CMTTableWidget *>(), 0, 0);
        ClickButton(&objPage, T("重置"));
        QCOMPARE(Rows(objPage), QStringList({LINK + "|0|0|0.00%|0|0|0|0"}));
        ShowDevices(objPage, true);
        QCOMPARE(Rows(objPage).first(), strD1);

        // Stopped, nothing counts; started again, counting begins at zero.
        ClickButton(&objPage, T("启动"));
        Emit(1, LINK_SEND_OK);
        QCOMPARE(Rows(objPage).first(), strD1);
        ClickButton(&objPage, T("启动"));
        QVERIFY(Rows(objPage).isEmpty());
    }
};

QTEST_MAIN(TstLinkCount)
#include "tst_linkcount.moc"
