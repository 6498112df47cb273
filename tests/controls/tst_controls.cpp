// The shared table driven with mouse and keys.

#include <QDoubleSpinBox>
#include <QPushButton>
#include <QtTest>

#include "cmttablewidget.h"
#include "csearchbox.h"
#include "common/uidriver.h"

namespace {

const MT_TBL_COLUMN_S COLUMNS[] = {{0, 120, false, "name"}, {1, 90, true, "toggle"}, {2, 70, false, "check"}};

// Shown rows of a name, a toggle cell (on in even rows) and a check box
// (ticked in rows 0 and 2); both are disabled in row 2.
void ShowRows(CMTTableWidget &objTable, int nRows)
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
        const bool bCyan = pItem->background().color() == QColor(0, 255, 255);
        lstOut << (nColumn == 2                                  ? QString::number(pItem->checkState())
                   : pItem->text() == T("已选择") && bCyan  ? QStringLiteral("1")
                   : pItem->text() == T("未选择") && !bCyan ? QStringLiteral("0")
                                                                 : pItem->text());
    }
    return lstOut.join(',');
}

} // namespace

class TstControls : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ApplyAppLook(); }

    // 300 ms held on the cell it was pressed on is a long press, on any cell;
    // anything shorter is a click, and a release elsewhere is neither.
    void pressAndRelease()
    {
        const struct { int nHeldMs; bool bReleaseOnCell; int nColumn; bool bLongPress; const char *pToggles; } CASES[] = {
            {299, true, 1, false, "0,0,1"}, {300, true, 1, true, "0,0,1"},
            {5000, true, 0, true, "1,0,1"}, {5000, false, 1, false, "1,0,1"}};
        for (const auto &stCase : CASES) {
            CMTTableWidget objTable;
            ShowRows(objTable, 3);
            qint64 nNow = 1000;
            objTable.SetPressClock([&nNow] { return nNow; });
            QSignalSpy objLong(&objTable, &CMTTableWidget::siCellLongPressed);
            const QPoint objCell = CellCentre(&objTable, 0, stCase.nColumn);
            QTest::mousePress(objTable.viewport(), Qt::LeftButton, Qt::NoModifier, objCell);
            nNow += stCase.nHeldMs;
            QTest::mouseRelease(objTable.viewport(), Qt::LeftButton, Qt::NoModifier,
                                stCase.bReleaseOnCell ? objCell : QPoint(objCell.x(), 250));
            QCOMPARE(objLong, stCase.bLongPress ? QList<QVariantList>({{0, stCase.nColumn}}) : QList<QVariantList>());
            QCOMPARE(Column(objTable, 1), QString(stCase.pToggles));
        }
    }

    void clicksAndHeaderLeaveDisabledCells()
    {
        CMTTableWidget objTable;
        ShowRows(objTable, 4);
        ClickCell(&objTable, 2, 1); // disabled
        ClickCell(&objTable, 1, 1);
        QCOMPARE(Column(objTable, 1), QStringLiteral("1,1,1,0"));
        // The first enabled toggle decides: it is on, so every enabled one goes off.
        for (const char *pToggles : {"0,0,1,0", "1,1,1,1"}) {
            DoubleClickHeader(&objTable, 1);
            QCOMPARE(Column(objTable, 1), QString(pToggles));
        }
        // Check boxes follow the first enabled one; partly checked counts as checked.
        for (const char *pChecks : {"0,0,2,0", "2,2,2,2", "0,0,2,0"}) {
            DoubleClickHeader(&objTable, 2);
            QCOMPARE(Column(objTable, 2), QString(pChecks));
            objTable.item(0, 2)->setCheckState(objTable.item(0, 2)->checkState() ? Qt::PartiallyChecked : Qt::Unchecked);
        }
        DoubleClickHeader(&objTable, 0); // nothing to tick
        QCOMPARE(Column(objTable, 2), QStringLiteral("0,0,2,0"));
    }

    // A small gain must survive an edit that does not touch it.
    void smallValueSurvivesAnEdit()
    {
        CMTTableWidget objTable;
        ShowRows(objTable, 2);
        auto *pGain = new QTableWidgetItem;
        pGain->setData(Qt::EditRole, 0.000125);
        objTable.setItem(1, 0, pGain);
        DoubleClickCell(&objTable, 1, 0);
        QVERIFY(objTable.findChild<QDoubleSpinBox *>() != nullptr);
        QTest::keyClick(objTable.findChild<QDoubleSpinBox *>(), Qt::Key_Return);
        QTRY_VERIFY(objTable.findChildren<QDoubleSpinBox *>().isEmpty()); // committed and closed
        QCOMPARE(pGain->data(Qt::EditRole).toDouble(), 0.000125);
    }

    // Enter walks the matches one by one, each scrolled to the top and marked
    // red, wraps past the last; a new text clears the marks and searches on.
    void searchWalksWrapsAndClears()
    {
        CMTTableWidget objTable;
        objTable.SetTblColumn(COLUMNS, 1);
        objTable.setRowCount(40);
        for (int nRow = 0; nRow < 40; ++nRow)
            objTable.setItem(nRow, 0, new QTableWidgetItem(nRow < 5 ? QStringList({"Pump A", "valve", "pump b", "fan", "PUMP c"})[nRow]
                                                           : nRow == 30 ? QStringLiteral("pump far") : QStringLiteral("x")));
        objTable.resize(200, 200);
        objTable.show();
        CSearchBox objSearch;
        objSearch.SetTargetTable(&objTable, 0);
        QVERIFY(QTest::qWaitForWindowExposed(&objTable));
        auto fnRed = [&objTable] {
            QList<int> lstRows;
            for (int nRow = 0; nRow < objTable.rowCount(); ++nRow)
                if (objTable.item(nRow, 0)->foreground().color() == Qt::red)
                    lstRows << nRow;
            return lstRows;
        };
        QTest::keyClicks(objSearch.GetLineEdit(), QStringLiteral("pump"));
        const QList<int> lstHits = {0, 2, 4, 30};
        for (int i = 0; i < lstHits.size(); ++i) {
            QTest::keyClick(objSearch.GetLineEdit(), Qt::Key_Return);
            QCOMPARE(fnRed(), lstHits.mid(0, i + 1));
            QCOMPARE(objTable.rowAt(0), lstHits.at(i));
        }
        QTest::keyClick(objSearch.GetLineEdit(), Qt::Key_Return);
        QTest::mouseClick(objSearch.GetSearchButton(), Qt::LeftButton);
        QCOMPARE(objTable.rowAt(0), 0);
        objSearch.GetLineEdit()->setText(QStringLiteral("A"));
        QTest::keyClick(objSearch.GetLineEdit(), Qt::Key_Return);
        QCOMPARE(fnRed(), QList<int>({1}));
    }
};

QTEST_MAIN(TstControls)
#include "tst_controls.moc"
