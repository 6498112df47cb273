#include "csdpushbutton.h"

CSDPushButton::CSDPushButton(int nRow, int nColumn, QWidget *pParent)
    : QPushButton(pParent), m_nRow(nRow), m_nColumn(nColumn)
{
    connect(this, &QPushButton::clicked, this, &CSDPushButton::slBtnClicked);
}

void CSDPushButton::SetRowColumn(int nRow, int nColumn)
{
    m_nRow = nRow;
    m_nColumn = nColumn;
}

void CSDPushButton::slBtnClicked()
{
    emit siClicked(m_nRow, m_nColumn);
}
