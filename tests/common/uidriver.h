#ifndef UIDRIVER_H
#define UIDRIVER_H

// Drives widgets as a user would: buttons found by their text, cells and
// header sections clicked where they are drawn.

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>

// The visible button of that text inside pParent; null (and a test failure
// message) when there is none.
inline QAbstractButton *FindButton(QWidget *pParent, const QString &strText)
{
    for (QAbstractButton *pButton : pParent->findChildren<QAbstractButton *>()) {
        if (pButton->text() == strText && pButton->isVisibleTo(pParent))
            return pButton;
    }
    qWarning("no button \"%s\"", qPrintable(strText));
    return nullptr;
}

inline bool ClickButton(QWidget *pParent, const QString &strText)
{
    QAbstractButton *pButton = FindButton(pParent, strText);
    if (pButton == nullptr)
        return false;
    QTest::mouseClick(pButton, Qt::LeftButton);
    return true;
}

inline QPoint CellCentre(QTableWidget *pTable, int nRow, int nColumn)
{
    return pTable->visualRect(pTable->model()->index(nRow, nColumn)).center();
}

inline void ClickCell(QTableWidget *pTable, int nRow, int nColumn)
{
    QTest::mouseClick(pTable->viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(pTable, nRow, nColumn));
}

// The events a real double click makes: press, release, double click, release
// (QTest's widget double click sends the double-click event alone, which item
// views take for a plain press).
inline void DoubleClickCell(QTableWidget *pTable, int nRow, int nColumn)
{
    const QPoint objPos = CellCentre(pTable, nRow, nColumn);
    QTest::mouseClick(pTable->viewport(), Qt::LeftButton, Qt::NoModifier, objPos);
    QTest::mouseDClick(pTable->viewport(), Qt::LeftButton, Qt::NoModifier, objPos);
    QTest::mouseRelease(pTable->viewport(), Qt::LeftButton, Qt::NoModifier, objPos);
}

// Double-clicks the cell, replaces its text in the editor that opens, and
// commits with Enter; true once the editor has closed.
inline bool EditCell(QTableWidget *pTable, int nRow, int nColumn, const QString &strText)
{
    DoubleClickCell(pTable, nRow, nColumn);
    const QModelIndex objIndex = pTable->model()->index(nRow, nColumn);
    QWidget *pEditor = pTable->indexWidget(objIndex);
    if (pEditor == nullptr)
        return false;
    if (auto *pLine = qobject_cast<QLineEdit *>(pEditor))
        pLine->selectAll();
    else if (auto *pSpin = qobject_cast<QAbstractSpinBox *>(pEditor))
        pSpin->selectAll();
    QTest::keyClicks(pEditor, strText);
    QTest::keyClick(pEditor, Qt::Key_Return);
    return QTest::qWaitFor([&] { return pTable->indexWidget(objIndex) == nullptr; }, 2000);
}

// Ticks or clears a check-box cell the way the keyboard does it.
inline void ToggleCheckCell(QTableWidget *pTable, int nRow, int nColumn)
{
    pTable->setCurrentCell(nRow, nColumn);
    QTest::keyClick(pTable, Qt::Key_Space);
}

inline void DoubleClickHeader(QTableWidget *pTable, int nColumn)
{
    QHeaderView *pHeader = pTable->horizontalHeader();
    const QPoint objPos(pHeader->sectionViewportPosition(nColumn) + pHeader->sectionSize(nColumn) / 2,
                        pHeader->height() / 2);
    QTest::mouseDClick(pHeader->viewport(), Qt::LeftButton, Qt::NoModifier, objPos);
}

#endif // UIDRIVER_H
