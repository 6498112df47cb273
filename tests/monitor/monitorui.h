#ifndef MONITORUI_H
#define MONITORUI_H

// Typing into table cells as a user does: double click, replace the text, Enter.

#include <QCoreApplication>
#include <QLineEdit>
#include <QTableWidget>

#include "common/uidriver.h"

inline bool TypeIntoCell(QTableWidget *pTable, int nRow, int nColumn, const QString &strText)
{
    DoubleClickCell(pTable, nRow, nColumn);
    for (QLineEdit *pEdit : pTable->viewport()->findChildren<QLineEdit *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!pEdit->isVisible())
            continue;
        pEdit->selectAll();
        QTest::keyClicks(pEdit, strText);
        QTest::keyClick(pEdit, Qt::Key_Return);
        // The view commits the editor's text in a queued call.
        QCoreApplication::processEvents();
        return true;
    }
    return false;
}

// Texts of column nColumn in the rows that are not hidden.
inline QStringList VisibleTexts(QTableWidget *pTable, int nColumn)
{
    QStringList lstTexts;
    for (int nRow = 0; nRow < pTable->rowCount(); ++nRow) {
        if (!pTable->isRowHidden(nRow))
            lstTexts << pTable->item(nRow, nColumn)->text();
    }
    return lstTexts;
}

#endif // MONITORUI_H
