#include "csearchbox.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

CSearchBox::CSearchBox(QWidget *pParent) : QWidget(pParent)
{
    setFixedSize(220, 30);
    m_pEdit = new QLineEdit(this);
    m_pEdit->setGeometry(0, 0, 150, 30);
    m_pEdit->setPlaceholderText(QString::fromUtf8("输入查找名称"));
    m_pEdit->setStyleSheet(QStringLiteral("QLineEdit{border: 2px solid gray;\t\t\t\tborder-radius: 10px;"
                                          "\t\t\t\tpadding: 0 8px;\t\t\t\tbackground: rgba(245,245,220,255);"
                                          "\t\t\t\tselection-background-color: darkgray;}"));
    m_pButton = new QPushButton(this);
    m_pButton->setGeometry(155, 0, 40, 30);
    m_pButton->setIconSize(QSize(30, 30));
    m_pButton->setObjectName(QStringLiteral("searchButton"));

    connect(m_pEdit, &QLineEdit::returnPressed, this, &CSearchBox::slDoFind);
    connect(m_pButton, &QPushButton::pressed, this, &CSearchBox::slDoFind);
}

void CSearchBox::SetTargetTable(QTableWidget *pTable, int nColumn)
{
    m_pTable = pTable;
    m_nColumn = nColumn;
}

void CSearchBox::slDoFind()
{
    const QString strText = m_pEdit->text();
    if (strText != m_strLastText) {
        m_strLastText = strText;
        if (m_pTable) {
            for (int nRow = 0; nRow < m_pTable->rowCount(); ++nRow) {
                if (QTableWidgetItem *pItem = m_pTable->item(nRow, m_nColumn))
                    pItem->setForeground(Qt::black);
            }
        }
    }
    if (!m_pTable)
        return;

    for (int nRow = m_nNextRow; nRow < m_pTable->rowCount(); ++nRow) {
        QTableWidgetItem *pItem = m_pTable->item(nRow, m_nColumn);
        if (pItem != nullptr && pItem->text().contains(strText, Qt::CaseInsensitive)) {
            pItem->setForeground(Qt::red);
            m_pTable->scrollToItem(pItem, QAbstractItemView::PositionAtTop);
            m_nNextRow = nRow + 1;
            return;
        }
    }
    m_nNextRow = 0;
}
