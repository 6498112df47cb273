// The shared table, search box and buttons, driven with mouse and keys.

#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QtTest>

#include "cmttablewidget.h"
#include "common/uidriver.h"
#include "csearchbox.h"
#include "pushbutton.h"
#include "uiutils.h"

namespace {

const MT_TBL_COLUMN_S COLUMNS[] = {
    {0, 120, false, QStringLiteral("name")},
    {1, 90, true, QStringLiteral("toggle")},
    {2, 70, false, QStringLiteral("check")},
};

// Shown rows of a name, a toggle cell (on in even rows) and a check box
// (ticked in rows 0 and 2); both are disabled in row 2.
void ShowRows(CMTTableWidget &objTable, int nRows, Qt::ScrollBarPolicy enBar = Qt::ScrollBarAsNeeded)
{
    objTable.SetTblColumn(COLUMNS, 3);
    objTable.setRowCount(nRows);
    for (int nRow = 0; nRow < nRows; ++nRow) {
        objTable.setItem(nRow, 0, new QTableWidgetItem(QStringLiteral("row %1").arg(nRow)));
        objTable.CreateToggleCell(nRow, 1, nRow != 2, nRow % 2 == 0);
        auto *pCheck = new QTableWidgetItem;
        pCheck->setFlags(nRow == 2 ? Qt::ItemIsUserCheckable : Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        pCheck->setCheckState(nRow == 0 || nRow == 2 ? Qt::Checked : Qt::Unchecked);
        objTable.setItem(nRow, 2, pCheck);
    }
    objTable.setVerticalScrollBarPolicy(enBar);
    objTable.resize(400, 300);
    objTable.show();
    QVERIFY(QTest::qWaitForWindowExposed(&objTable));
}

// Per row: a toggle cell as 1 or 0 (its text "已选择", on cyan, or "未选择",
// on the default background), a check box as its check state.
QString Column(const CMTTableWidget &objTable, int nColumn)
{
    QStringList lstOut;
    for (int nRow = 0; nRow < objTable.rowCount(); ++nRow) {
        const QTableWidgetItem *pItem = objTable.item(nRow, nColumn);
        if (nColumn == 2) {
            lstOut << QString::number(pItem->checkState());
            continue;
        }
        const QString strText = pItem->text();
        const bool bCyan = pItem->background().color() == QColor(0, 255, 255);
        lstOut << (strText == QString::fromUtf8("已选择") && bCyan    ? QStringLiteral("1")
                   : strText == QString::fromUtf8("未选择") && !bCyan ? QStringLiteral("0")
                                                                      : strText);
    }
    return lstOut.join(',');
}

} // namespace

class TstControls : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ApplyAppLook(); }

    void pressAndRelease_data()
    {
        QTest::addColumn<int>("nHeldMs");
        QTest::addColumn<bool>("bReleaseOnCell");
        QTest::addColumn<int>("nColumn");
        QTest::addColumn<bool>("bLongPress");
        QTest::addColumn<QString>("strToggles");
        QTest::newRow("299 ms is a click") << 299 << true << 1 << false << "0,0,1";
        QTest::newRow("300 ms is a long press") << 300 << true << 1 << true << "0,0,1";
        QTest::newRow("long press on a plain cell") << 5000 << true << 0 << true << "1,0,1";
        QTest::newRow("released below the rows") << 5000 << false << 1 << false << "1,0,1";
    }

    void pressAndRelease()
    {
        QFETCH(int, nHeldMs);
        QFETCH(bool, bReleaseOnCell);
        QFETCH(int, nColumn);
        QFETCH(bool, bLongPress);
        QFETCH(QString, strToggles);
        CMTTableWidget objTable;
        ShowRows(objTable, 3);
        qint64 nNow = 1000;
        objTable.SetPressClock([&nNow] { return nNow; });
        QSignalSpy objLong(&objTable, &CMTTableWidget::siCellLongPressed);

        const QPoint objCell = CellCentre(&objTable, 0, nColumn);
        QTest::mousePress(objTable.viewport(), Qt::LeftButton, Qt::NoModifier, objCell);
        nNow += nHeldMs;
        QTest::mouseRelease(objTable.viewport(), Qt::LeftButton, Qt::NoModifier,
                            bReleaseOnCell ? objCell : QPoint(objCell.x(), 250));
        QCOMPARE(objLong, bLongPress ? QList<QVariantList>({{0, nColumn}}) : QList<QVariantList>());
        QCOMPARE(Column(objTable, 1), strToggles);
    }

    void clicksAndHeaderLeaveDisabledCells()
    {
        CMTTableWidget objTable;
        ShowRows(objTable, 4);
        ClickCell(&objTable, 2, 1); // disabled
        ClickCell(&objTable, 1, 1);
        QCOMPARE(Column(objTable, 1), QStringLiteral("1,1,1,0"));
        // The first enabled toggle decides: it is on, so every enabled one goes off.
        const QStringList lstToggles = {"0,0,1,0", "1,1,1,1"};
        for (const QString &strToggles : lstToggles) {
            DoubleClickHeader(&objTable, 1);
            QCOMPARE(Column(objTable, 1), strToggles);
        }
        // Check boxes follow the first enabled one; partly checked counts as checked.
        const QStringList lstChecks = {"0,0,2,0", "2,2,2,2", "0,0,2,0"};
        for (const QString &strChecks : lstChecks) {
            DoubleClickHeader(&objTable, 2);
            QCOMPARE(Column(objTable, 2), strChecks);
            objTable.item(0, 2)->setCheckState(objTable.item(0, 2)->checkState() ? Qt::PartiallyChecked : Qt::Unchecked);
        }
        DoubleClickHeader(&objTable, 0); // nothing to tick
        QCOMPARE(Column(objTable, 2), QStringLiteral("0,0,2,0"));
    }

    void editingAndWidth()
    {
        CMTTableWidget objTable;
        ShowRows(objTable, 2, Qt::ScrollBarAlwaysOn);
        objTable.hide();
        objTable.show();
        QCOMPARE(objTable.maximumWidth(), 120 + 90 + 70 + 2 + 20); // the bar's room, once

        // A small gain must survive an edit that does not touch it.
        auto *pGain = new QTableWidgetItem;
        pGain->setData(Qt::EditRole, 0.000125);
        objTable.setItem(1, 0, pGain);
        DoubleClickCell(&objTable, 1, 0);
        auto *pSpin = objTable.findChild<QDoubleSpinBox *>();
        QVERIFY(pSpin != nullptr);
        QCOMPARE(pSpin->buttonSymbols(), QAbstractSpinBox::NoButtons);
        QTest::keyClick(pSpin, Qt::Key_Return);
        QTRY_VERIFY(objTable.findChildren<QDoubleSpinBox *>().isEmpty()); // committed and closed
        QCOMPARE(pGain->data(Qt::EditRole).toDouble(), 0.000125);
    }

    void searchWalksWrapsAndClears()
    {
        CMTTableWidget objTable;
        objTable.SetTblColumn(COLUMNS, 1);
        objTable.setRowCount(40);
        for (int nRow = 0; nRow < 40; ++nRow)
            objTable.setItem(nRow, 0, new QTableWidgetItem(QStringLiteral("x")));
        const QStringList lstNames = {"Pump A", "valve", "pump b", "fan", "PUMP c"};
        for (int nRow = 0; nRow < lstNames.size(); ++nRow)
            objTable.item(nRow, 0)->setText(lstNames.at(nRow));
        objTable.item(30, 0)->setText(QStringLiteral("pump far"));
        objTable.resize(200, 200);
        objTable.show();
        CSearchBox objSearch;
        objSearch.SetTargetTable(&objTable, 0);
        QVERIFY(QTest::qWaitForWindowExposed(&objTable));
        auto fnRed = [&objTable] {
            QList<int> lstRows;
            for (int nRow = 0; nRow < objTable.rowCount(); ++nRow) {
                if (objTable.item(nRow, 0)->foreground().color() == Qt::red)
                    lstRows << nRow;
            }
            return lstRows;
        };

        QTest::keyClicks(objSearch.GetLineEdit(), QStringLiteral("pump"));
        const QList<int> lstHits = {0, 2, 4, 30};
        for (int i = 0; i < lstHits.size(); ++i) {
            QTest::keyClick(objSearch.GetLineEdit(), Qt::Key_Return);
            QCOMPARE(fnRed(), lstHits.mid(0, i + 1));
            QCOMPARE(objTable.rowAt(0), lstHits.at(i)); // scrolled to the top of the view
        }
        // Past the last match the walk starts again at the top.
        QTest::keyClick(objSearch.GetLineEdit(), Qt::Key_Return);
        QTest::mouseClick(objSearch.GetSearchButton(), Qt::LeftButton);
        QCOMPARE(objTable.rowAt(0), 0);
        // A new text clears the marks but searches on from where the walk stands.
        objSearch.GetLineEdit()->setText(QStringLiteral("A"));
        QTest::keyClick(objSearch.GetLineEdit(), Qt::Key_Return);
        QCOMPARE(fnRed(), QList<int>({1}));
    }

    void pictureButtonClicksOnReleaseInside()
    {
        PushButton objPush;
        objPush.SetImagePath(QStringLiteral(":/img/prj_new"));
        objPush.setFixedSize(40, 40);
        QSignalSpy objPushClicks(&objPush, &QPushButton::clicked);
        QTest::mousePress(&objPush, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
        QTest::mouseRelease(&objPush, Qt::LeftButton, Qt::NoModifier, QPoint(60, 20));
        QTest::mouseClick(&objPush, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
        QCOMPARE(objPushClicks.size(), 1);
    }
};

QTEST_MAIN(TstControls)
#include "tst_controls.moc"
