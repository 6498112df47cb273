#include "cmttablewidget.h"

#include "ctblitemdelegate.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QMouseEvent>

namespace {

const QColor TOGGLE_ON_COLOR(0, 255, 255);

QString ToggleOnText()
{
    return QString::fromUtf8("已选择");
}

QString ToggleOffText()
{
    return QString::fromUtf8("未选择");
}

} // namespace

CMTTableWidget::CMTTableWidget(QWidget *pParent) : QTableWidget(pParent)
{
    connect(horizontalHeader(), &QHeaderView::sectionDoubleClicked, this,
            &CMTTableWidget::slTblColumHeaderDoubleClicked);
    connect(this, &QTableWidget::cellClicked, this, &CMTTableWidget::slInfoTblcellClicked);
    setItemDelegate(new CTblItemDelegate(this));
}

void CMTTableWidget::SetTblColumn(const MT_TBL_COLUMN_S *pColumns, int nCount)
{
    m_vecColumns.clear();
    for (int i = 0; i < nCount; ++i)
        m_vecColumns.append(pColumns[i]);

    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked);
    setAlternatingRowColors(true);
    verticalHeader()->setHidden(true);
    verticalHeader()->setDefaultSectionSize(30);
    horizontalHeader()->setFixedHeight(30);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    horizontalHeader()->setStyleSheet(QStringLiteral(
        "QHeaderView::section{background-color:white;\t\t\t\tborder-bottom:2px solid rgb(105, 105, 105);"
        "\t\t\t\tborder-top:1px solid rgb(105, 105, 105);\t\t\t\tborder-left:0px solid rgb(105, 105, 105);"
        "\t\t\t\tborder-right:1px solid rgb(105, 105, 105); }"));
    setSortingEnabled(false);
    setColumnCount(nCount);

    QStringList lstTitles;
    int nTotalWidth = 0;
    for (const MT_TBL_COLUMN_S &stColumn : qAsConst(m_vecColumns)) {
        setColumnWidth(stColumn.nIndex, stColumn.nWidth);
        nTotalWidth += stColumn.nWidth;
        lstTitles << stColumn.strTitle;
    }
    setMaximumWidth(nTotalWidth + 2);
    setHorizontalHeaderLabels(lstTitles);
    setContextMenuPolicy(Qt::CustomContextMenu);
}

bool CMTTableWidget::IsToggleColumn(int nColumn) const
{
    for (const MT_TBL_COLUMN_S &stColumn : m_vecColumns) {
        if (stColumn.nIndex == nColumn)
            return stColumn.bToggle;
    }
    return false;
}

QTableWidgetItem *CMTTableWidget::SetLabelCell(int nRow, int nColumn, const QString &strText)
{
    auto *pItem = new QTableWidgetItem(strText);
    pItem->setFlags(Qt::ItemIsEnabled);
    pItem->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setItem(nRow, nColumn, pItem);
    return pItem;
}

QTableWidgetItem *CMTTableWidget::SetValueCell(int nRow, int nColumn, const QVariant &objValue)
{
    auto *pItem = new QTableWidgetItem;
    pItem->setData(Qt::EditRole, objValue);
    pItem->setTextAlignment(Qt::AlignCenter);
    setItem(nRow, nColumn, pItem);
    return pItem;
}

QTableWidgetItem *CMTTableWidget::CreateToggleCell(int nRow, int nColumn, bool bEnabled, bool bOn)
{
    auto *pItem = new QTableWidgetItem;
    pItem->setTextAlignment(Qt::AlignCenter);
    pItem->setFlags(bEnabled ? Qt::ItemIsEnabled : Qt::NoItemFlags);
    SetToggleItemState(pItem, bOn);
    setItem(nRow, nColumn, pItem);
    return pItem;
}

bool CMTTableWidget::IsToggleCellOn(int nRow, int nColumn) const
{
    return IsToggleCellOn(item(nRow, nColumn));
}

bool CMTTableWidget::IsToggleCellOn(const QTableWidgetItem *pItem)
{
    return pItem != nullptr && pItem->text() == ToggleOnText();
}

void CMTTableWidget::SetToggleCellEnabled(int nRow, int nColumn, bool bEnabled)
{
    if (QTableWidgetItem *pItem = item(nRow, nColumn))
        pItem->setFlags(bEnabled ? Qt::ItemIsEnabled : Qt::NoItemFlags);
}

void CMTTableWidget::SetToggleCellState(int nRow, int nColumn, bool bOn)
{
    SetToggleItemState(item(nRow, nColumn), bOn);
}

void CMTTableWidget::SetToggleItemState(QTableWidgetItem *pItem, bool bOn)
{
    if (pItem == nullptr)
        return;
    pItem->setText(bOn ? ToggleOnText() : ToggleOffText());
    pItem->setBackground(bOn ? QBrush(TOGGLE_ON_COLOR) : QBrush());
}

void CMTTableWidget::SetPressClock(std::function<qint64()> fnNowMs)
{
    m_fnClock = std::move(fnNowMs);
}

qint64 CMTTableWidget::NowMs() const
{
    if (m_fnClock)
        return m_fnClock();
    static QElapsedTimer s_objClock;
    if (!s_objClock.isValid())
        s_objClock.start();
    return s_objClock.elapsed();
}

void CMTTableWidget::slInfoTblcellClicked(int nRow, int nColumn)
{
    if (!IsToggleColumn(nColumn))
        return;
    QTableWidgetItem *pItem = item(nRow, nColumn);
    if (pItem == nullptr || !(pItem->flags() & Qt::ItemIsEnabled))
        return;
    SetToggleItemState(pItem, !IsToggleCellOn(pItem));
}

void CMTTableWidget::slTblColumHeaderDoubleClicked(int nColum)
{
    // Only cells the user could change by hand follow the header: a disabled
    // check box (say, a write flag on a read-only block) must keep its state.
    auto fnEditable = [this, nColum](int nRow, Qt::ItemFlags nNeed) -> QTableWidgetItem * {
        QTableWidgetItem *pItem = item(nRow, nColum);
        return (pItem != nullptr && (pItem->flags() & nNeed) == nNeed) ? pItem : nullptr;
    };

    if (IsToggleColumn(nColum)) {
        int nFirst = 0;
        while (nFirst < rowCount() && fnEditable(nFirst, Qt::ItemIsEnabled) == nullptr)
            ++nFirst;
        if (nFirst == rowCount())
            return;
        const bool bOn = !IsToggleCellOn(item(nFirst, nColum));
        for (int nRow = nFirst; nRow < rowCount(); ++nRow) {
            if (QTableWidgetItem *pItem = fnEditable(nRow, Qt::ItemIsEnabled))
                SetToggleItemState(pItem, bOn);
        }
        return;
    }

    const Qt::ItemFlags nCheckable = Qt::ItemIsUserCheckable | Qt::ItemIsEnabled;
    int nFirst = 0;
    while (nFirst < rowCount() && fnEditable(nFirst, nCheckable) == nullptr)
        ++nFirst;
    if (nFirst == rowCount())
        return;
    const Qt::CheckState enState = item(nFirst, nColum)->checkState() == Qt::Unchecked ? Qt::Checked : Qt::Unchecked;
    for (int nRow = nFirst; nRow < rowCount(); ++nRow) {
        if (QTableWidgetItem *pItem = fnEditable(nRow, nCheckable))
            pItem->setCheckState(enState);
    }
}

void CMTTableWidget::mousePressEvent(QMouseEvent *pEvent)
{
    QTableWidget::mousePressEvent(pEvent);
    m_nPressMs = NowMs();
}

void CMTTableWidget::mouseReleaseEvent(QMouseEvent *pEvent)
{
    const qint64 nHeldMs = m_nPressMs < 0 ? -1 : NowMs() - m_nPressMs;
    m_nPressMs = -1;
    const QPoint objPos = pEvent->pos();
    QTableWidget::mouseReleaseEvent(pEvent);
    if (nHeldMs < LONG_PRESS_MS)
        return;
    const int nRow = rowAt(objPos.y());
    const int nColumn = columnAt(objPos.x());
    if (nRow >= 0 && nColumn >= 0)
        emit siCellLongPressed(nRow, nColumn);
}

void CMTTableWidget::showEvent(QShowEvent *pEvent)
{
    QTableWidget::showEvent(pEvent);
    // The column widths fix the maximum width; a scroll bar that is always
    // there would otherwise eat into the last column.
    if (m_bScrollWidthAdded || verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOn
        || maximumWidth() >= QWIDGETSIZE_MAX - 20)
        return;
    m_bScrollWidthAdded = true;
    setMaximumWidth(maximumWidth() + 20);
}
