#include "cdlgsigsel.h"

#include "cmttablewidget.h"
#include "greenbutton.h"

#include <QPushButton>

namespace {

enum
{
    COLUMN_NO = 0,
    COLUMN_NAME = 1,
    COLUMN_CHECK = 2,
};

const MT_TBL_COLUMN_S SIG_SEL_COLUMNS[] = {
    {COLUMN_NO, 80, false, QString::fromUtf8("序号")},
    {COLUMN_NAME, 250, false, QString::fromUtf8("名称")},
    {COLUMN_CHECK, 70, false, QString::fromUtf8("选择")},
};

} // namespace

CDlgSigSel::CDlgSigSel(const QString &strTitle, const QList<SIG_SEL_ITEM_S> &lstItems, QWidget *pParent)
    : QDialog(pParent), m_lstItems(lstItems)
{
    setWindowTitle(strTitle);
    setModal(true);
    setFixedSize(450, 500);

    m_pTable = new CMTTableWidget(this);
    m_pTable->SetTblColumn(SIG_SEL_COLUMNS, int(sizeof(SIG_SEL_COLUMNS) / sizeof(SIG_SEL_COLUMNS[0])));
    m_pTable->setRowCount(lstItems.size());
    for (int nRow = 0; nRow < lstItems.size(); ++nRow) {
        const SIG_SEL_ITEM_S &stItem = lstItems.at(nRow);
        auto *pNo = new QTableWidgetItem(stItem.strNo);
        pNo->setFlags(Qt::ItemIsEnabled);
        pNo->setTextAlignment(Qt::AlignCenter);
        auto *pName = new QTableWidgetItem(stItem.strName);
        pName->setFlags(Qt::ItemIsEnabled);
        auto *pCheck = new QTableWidgetItem;
        pCheck->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        pCheck->setCheckState(stItem.bChecked ? Qt::Checked : Qt::Unchecked);
        m_pTable->setItem(nRow, COLUMN_NO, pNo);
        m_pTable->setItem(nRow, COLUMN_NAME, pName);
        m_pTable->setItem(nRow, COLUMN_CHECK, pCheck);
    }

    QPushButton *pOk = LayOutDialog(this, {m_pTable}, {}, QString::fromUtf8("确定"), QString::fromUtf8("取消"));
    connect(pOk, &QPushButton::clicked, this, &QDialog::accept);
}

QList<SIG_SEL_ITEM_S> CDlgSigSel::GetItems() const
{
    QList<SIG_SEL_ITEM_S> lstItems = m_lstItems;
    for (int nRow = 0; nRow < lstItems.size(); ++nRow)
        lstItems[nRow].bChecked = m_pTable->item(nRow, COLUMN_CHECK)->checkState() == Qt::Checked;
    return lstItems;
}
