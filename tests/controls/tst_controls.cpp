// The shared table, search box and buttons, driven with mouse and keys.

#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QtTest>

#include "cmtcombobox.h"
#include "cmttablewidget.h"
#include "common/uidriver.h"
#include "csearchbox.h"
#include "pushbutton.h"
#include "toolbutton.h"
#include "uiutils.h"

namespace {

const MT_TBL_COLUMN_S COLUMNS[] = {
    {0, 120, false, QStringLiteral("name")},
    {1, 90, true, QStringLiteral("toggle")},
    {2, 70, false, QStringLiteral("check")},
};

// Rows: name, a toggle cell (on, off, disabled on ...), a check box (the
// third row's disabled).
void Fill(CMTTableWidget &objTable, int nRows)
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
}

QString Texts(const CMTTableWidget &objTable, int nColumn)
{
    QStringList lstOut;
    for (int nRow = 0; nRow < objTable.rowCount(); ++nRow) {
        const QTableWidgetItem *pItem = objTable.item(nRow, nColumn);
        lstOut << (nColumn == 2 ? QString::number(pItem->checkState()) : pItem->text());
    }
    return lstOut.join(QLatin1Char(','));
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
        QTest::addColumn<QString>("strToggleAfter");
        QTest::newRow("299 ms is a click") << 299 << true << 1 << false << QString::fromUtf8("未选择");
        QTest::newRow("300 ms is a long press") << 300 << true << 1 << true << QString::fromUtf8("未选择");
        QTest::newRow("long press on a plain cell") << 5000 << true << 0 << true << QString::fromUtf8("已选择");
        QTest::newRow("released below the rows") << 5000 << false << 1 << false << QString::fromUtf8("已选择");
    }

    void pressAndRelease()
    {
        QFETCH(int, nHeldMs);
        QFETCH(bool, bReleaseOnCell);
        QFETCH(int, nColumn);
        QFETCH(bool, bLongPress);
        QFETCH(QString, strToggleAfter);

        CMTTableWidget objTable;
        Fill(objTable, 3);
        objTable.resize(400, 300);
        objTable.show();
        QVERIFY(QTest::qWaitForWindowExposed(&objTable));
        qint64 nNow = 1000;
        objTable.SetPressClock([&nNow] { return nNow; });
        QSignalSpy objLong(&objTable, &CMTTableWidget::siCellLongPressed);

        const QPoint objCell = CellCentre(&objTable, 0, nColumn);
        const QPoint objRelease = bReleaseOnCell ? objCell : QPoint(objCell.x(), 250);
        QTest::mousePress(objTable.viewport(), Qt::LeftButton, Qt::NoModifier, objCell);
        nNow += nHeldMs;
        QTest::mouseRelease(objTable.viewport(), Qt::LeftButton, Qt::NoModifier, objRelease);

        QCOMPARE(objLong.size(), bLongPress ? 1 : 0);
        if (bLongPress)
            QCOMPARE(objLong.at(0), QVariantList({0, nColumn}));
        QCOMPARE(objTable.item(0, 1)->text(), strToggleAfter);
        // The colour follows the text: cyan on, the table's own when off.
        QCOMPARE(objTable.item(0, 1)->background().color() == QColor(0, 255, 255),
                 objTable.IsToggleCellOn(0, 1));
    }

    void clicksAndHeaderLeaveDisabledCells()
    {
        CMTTableWidget objTable;
        Fill(objTable, 4);
        objTable.resize(400, 300);
        objTable.show();
        QVERIFY(QTest::qWaitForWindowExposed(&objTable));
        const QString strOn = QString::fromUtf8("已选择"), strOff = QString::fromUtf8("未选择");

        ClickCell(&objTable, 2, 1); // disabled toggle
        ClickCell(&objTable, 1, 1);
        QCOMPARE(Texts(objTable, 1), QStringList({strOn, strOn, strOn, strOff}).join(','));
        // The first enabled toggle decides: it is on, so every enabled one goes off.
        DoubleClickHeader(&objTable, 1);
        QCOMPARE(Texts(objTable, 1), QStringList({strOff, strOff, strOn, strOff}).join(','));
        DoubleClickHeader(&objTable, 1);
        QCOMPARE(Texts(objTable, 1), QStringList({strOn, strOn, strOn, strOn}).join(','));

        // Check boxes: the first is ticked, so all are cleared, then all ticked;
        // the disabled one (row 2, ticked) never moves.
        DoubleClickHeader(&objTable, 2);
        QCOMPARE(Texts(objTable, 2), QStringLiteral("0,0,2,0"));
        DoubleClickHeader(&objTable, 2);
        QCOMPARE(Texts(objTable, 2), QStringLiteral("2,2,2,2"));
        objTable.item(0, 2)->setCheckState(Qt::PartiallyChecked);
        DoubleClickHeader(&objTable, 2);
        QCOMPARE(Texts(objTable, 2), QStringLiteral("0,0,2,0"));
        // A plain text column has nothing to tick.
        DoubleClickHeader(&objTable, 0);
        QCOMPARE(Texts(objTable, 2), QStringLiteral("0,0,2,0"));
    }

    void editingAndWidth()
    {
        CMTTableWidget objTable;
        Fill(objTable, 2);
        QCOMPARE(objTable.maximumWidth(), 120 + 90 + 70 + 2);
        objTable.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        objTable.show();
        objTable.hide();
        objTable.show();
        QCOMPARE(objTable.maximumWidth(), 120 + 90 + 70 + 2 + 20); // once only
        QVERIFY(QTest::qWaitForWindowExposed(&objTable));

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
        const QStringList lstNames = {"Pump A", "valve", "pump b", "fan", "PUMP c"};
        objTable.setRowCount(40);
        for (int nRow = 0; nRow < 40; ++nRow)
            objTable.setItem(nRow, 0, new QTableWidgetItem(nRow < 5 ? lstNames.at(nRow) : QStringLiteral("x")));
        objTable.item(30, 0)->setText(QStringLiteral("pump far"));
        objTable.resize(200, 200);
        objTable.show();
        CSearchBox objSearch;
        objSearch.SetTargetTable(&objTable, 0);
        objSearch.show();
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
        QCOMPARE(fnRed(), lstHits);

        // A new text clears the marks but searches on from where the walk stands.
        objSearch.GetLineEdit()->setText(QStringLiteral("A"));
        QTest::keyClick(objSearch.GetLineEdit(), Qt::Key_Return);
        QCOMPARE(fnRed(), QList<int>({1}));
    }

    void buttons()
    {
        PushButton objPush;
        objPush.SetImagePath(QStringLiteral(":/img/prj_new"));
        objPush.setFixedSize(40, 40);
        objPush.show();
        QSignalSpy objPushClicks(&objPush, &QPushButton::clicked);
        QTest::mousePress(&objPush, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
        QTest::mouseRelease(&objPush, Qt::LeftButton, Qt::NoModifier, QPoint(60, 20));
        QCOMPARE(objPushClicks.size(), 0);
        QTest::mouseClick(&objPush, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
        QCOMPARE(objPushClicks.size(), 1);

        ToolButton objTool(QStringLiteral(":/toolWidget/device"));
        QSignalSpy objToolClicks(&objTool, &QToolButton::clicked);
        QTest::mousePress(&objTool, Qt::LeftButton);
        QCOMPARE(objToolClicks.size(), 1);
        QTest::mouseRelease(&objTool, Qt::LeftButton);
        QCOMPARE(objToolClicks.size(), 1);

        // A list that moved with its row reports the new row.
        CMTComboBox objCombo(3, 5);
        objCombo.FillItems(GetBlockTable(), 2);
        objCombo.SetRowColumn(7, 5);
        QSignalSpy objChanged(&objCombo, &CMTComboBox::siCurrentIndexChanged);
        objCombo.setCurrentIndex(1);
        QCOMPARE(objChanged.value(0), QVariantList({1, 7, 5}));
    }
};

QTEST_MAIN(TstControls)
#include "tst_controls.moc"
