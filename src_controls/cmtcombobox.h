#ifndef CMTCOMBOBOX_H
#define CMTCOMBOBOX_H

// A selection list that sits in a table cell and tells, with each change,
// which cell it sits in. Rows that move must be told their new place.

#include <QComboBox>
#include <QList>

#include "commonfunc.h"

class CMTComboBox : public QComboBox
{
    Q_OBJECT

public:
    CMTComboBox(unsigned int nRow, unsigned int nColumn, QWidget *pParent = nullptr);

    void SetRowColumn(unsigned int nRow, unsigned int nColumn);
    unsigned int GetRow() const { return m_nRow; }
    unsigned int GetColumn() const { return m_nColumn; }

    // Each entry's text goes to the position of its value (tables run 0, 1,
    // 2 ...), the value kept as the entry's data; then nSelect is chosen.
    void FillItems(const SHOW_TABLE_ITEM_S *pTable, int nCount, int nSelect);
    void FillItems(const QList<SHOW_TABLE_ITEM_S> &lstTable, int nSelect);

signals:
    void siCurrentIndexChanged(int index, int nRow, int nColumn);

public slots:
    void slCurrentIndexChanged(int index);

private:
    unsigned int m_nRow;
    unsigned int m_nColumn;
};

#endif // CMTCOMBOBOX_H
