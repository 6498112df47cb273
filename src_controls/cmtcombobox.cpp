#include "cmtcombobox.h"

CMTComboBox::CMTComboBox(unsigned int nRow, unsigned int nColumn, QWidget *pParent)
    : QComboBox(pParent), m_nRow(nRow), m_nColumn(nColumn)
{
    connect(this, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &CMTComboBox::slCurrentIndexChanged);
}

void CMTComboBox::SetRowColumn(unsigned int nRow, unsigned int nColumn)
{
    m_nRow = nRow;
    m_nColumn = nColumn;
}

void CMTComboBox::FillItems(const SHOW_TABLE_ITEM_S *pTable, int nCount, int nSelect)
{
    FillItems(QList<SHOW_TABLE_ITEM_S>(pTable, pTable + nCount), nSelect);
}

void CMTComboBox::FillItems(const QList<SHOW_TABLE_ITEM_S> &lstTable, int nSelect)
{
    for (const SHOW_TABLE_ITEM_S &stEntry : lstTable)
        insertItem(stEntry.nValue, QString::fromUtf8(stEntry.pText), stEntry.nValue);
    setCurrentIndex(nSelect);
}

void CMTComboBox::slCurrentIndexChanged(int index)
{
    emit siCurrentIndexChanged(index, int(m_nRow), int(m_nColumn));
}
