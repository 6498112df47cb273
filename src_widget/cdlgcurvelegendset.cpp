#include "cdlgcurvelegendset.h"

#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <iterator>
#include <qcustomplot.h>

#include "cdlglinkcurve.h"
#include "cmttablewidget.h"
#include "greenbutton.h"
#include "csvtable.h"
#include "curvedata.h"
#include "uiutils.h"

namespace {

enum : int
{
    COL_NAME = 0,
    COL_SHOW = 1,
    COL_COLOR = 2,
    COL_WIDTH = 3,
    COL_LEFT = 4,
    COL_MAX = 5,
    COL_MIN = 6,
    COL_AVERAGE = 7,
};

enum : int
{
    ROW_TIME_AXIS = 0,
    ROW_LEFT_AXIS = 1,
    ROW_RIGHT_AXIS = 2,
};

const MT_TBL_COLUMN_S CURVE_COLUMNS[] = {
    {COL_NAME, 240, false, QStringLiteral("名称")},   {COL_SHOW, 70, false, QStringLiteral("状态")},
    {COL_COLOR, 100, false, QStringLiteral("颜色")},  {COL_WIDTH, 100, false, QStringLiteral("线宽")},
    {COL_LEFT, 70, false, QStringLiteral("Y")},       {COL_MAX, 100, false, QStringLiteral("最大值")},
    {COL_MIN, 100, false, QStringLiteral("最小值")},  {COL_AVERAGE, 100, false, QStringLiteral("平均值")}};
const MT_TBL_COLUMN_S AXIS_COLUMNS[] = {
    {0, 100, false, QStringLiteral("名称")}, {1, 300, false, QStringLiteral("起始值")}, {2, 300, false, QStringLiteral("结束值")}};

QTableWidgetItem *FixedItem(const QString &strText)
{
    auto *pItem = new QTableWidgetItem(strText);
    pItem->setFlags(Qt::ItemIsEnabled);
    pItem->setTextAlignment(Qt::AlignCenter);
    return pItem;
}

QTableWidgetItem *CheckItem(const QString &strText, bool bChecked)
{
    auto *pItem = new QTableWidgetItem(strText);
    pItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    pItem->setCheckState(bChecked ? Qt::Checked : Qt::Unchecked);
    return pItem;
}

QTableWidgetItem *EditItem(const QString &strText)
{
    auto *pItem = new QTableWidgetItem(strText);
    pItem->setTextAlignment(Qt::AlignCenter);
    return pItem;
}

QDateTimeEdit *TimeEdit(double fTime, QWidget *pParent)
{
    auto *pEdit = new QDateTimeEdit(QDateTime::fromSecsSinceEpoch(qint64(fTime)), pParent);
    pEdit->setDisplayFormat(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    pEdit->setCalendarPopup(true);
    return pEdit;
}

} // namespace

CDlgCurveLegendSet::CDlgCurveLegendSet(QCustomPlot *pPlot, QWidget *pParent) : QDialog(pParent), m_pPlot(pPlot)
{
    setWindowTitle(QStringLiteral("编辑图例"));
    InitCurveTable();
    InitAxisTable();

    auto *pOk = NewGreenButton(QStringLiteral("确定"), this);
    auto *pCancel = NewGreenButton(QStringLiteral("取消"), this);
    auto *pExport = NewGreenButton(QStringLiteral("导出"), this);
    connect(pOk, &QPushButton::clicked, this, &CDlgCurveLegendSet::slModifyLegendInfo);
    connect(pCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(pExport, &QPushButton::clicked, this, &CDlgCurveLegendSet::slExportLegndData);
    connect(m_pCurveTable, &QTableWidget::cellClicked, this, &CDlgCurveLegendSet::slCellClicked);

    auto *pButtons = new QHBoxLayout();
    pButtons->addWidget(pExport);
    pButtons->addStretch(1);
    pButtons->addWidget(pOk);
    pButtons->addWidget(pCancel);
    auto *pMain = new QVBoxLayout(this);
    pMain->addWidget(m_pCurveTable, 1);
    pMain->addWidget(m_pAxisTable);
    pMain->addLayout(pButtons);
    resize(930, 560);
}

void CDlgCurveLegendSet::InitCurveTable()
{
    m_pCurveTable = new CMTTableWidget(this);
    m_pCurveTable->SetTblColumn(CURVE_COLUMNS, int(std::size(CURVE_COLUMNS)));
    const auto *pWindow = qobject_cast<const CDlgLinkDataCurve *>(parent());
    const int nCount = m_pPlot->graphCount();
    m_pCurveTable->setRowCount(nCount);
    for (int nRow = 0; nRow < nCount; ++nRow) {
        const QCPGraph *pGraph = m_pPlot->graph(nRow);
        const CURVE_STATS_S stStats = pWindow != nullptr ? pWindow->GetCurveStats(pGraph) : CURVE_STATS_S();
        auto *pName = FixedItem(pGraph->name());
        pName->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_pCurveTable->setItem(nRow, COL_NAME, pName);
        m_pCurveTable->setItem(nRow, COL_SHOW, CheckItem(QStringLiteral("Show"), pGraph->visible()));
        auto *pColor = FixedItem(QString());
        pColor->setBackground(pGraph->pen().color());
        m_pCurveTable->setItem(nRow, COL_COLOR, pColor);
        m_pCurveTable->setItem(nRow, COL_WIDTH, EditItem(QString::asprintf("%d", pGraph->pen().width())));
        m_pCurveTable->setItem(nRow, COL_LEFT,
                               CheckItem(QStringLiteral("Left"), pGraph->valueAxis() == m_pPlot->yAxis));
        m_pCurveTable->setItem(nRow, COL_MAX, FixedItem(QString::number(stStats.fMax)));
        m_pCurveTable->setItem(nRow, COL_MIN, FixedItem(QString::number(stStats.fMin)));
        m_pCurveTable->setItem(nRow, COL_AVERAGE, FixedItem(QString::number(stStats.Average(), 'f', 3)));
    }
}

void CDlgCurveLegendSet::InitAxisTable()
{
    m_pAxisTable = new CMTTableWidget(this);
    m_pAxisTable->SetTblColumn(AXIS_COLUMNS, int(std::size(AXIS_COLUMNS)));
    m_pAxisTable->setRowCount(3);
    m_pAxisTable->setItem(ROW_TIME_AXIS, 0, FixedItem(QStringLiteral("时间轴")));
    m_pAxisTable->setItem(ROW_LEFT_AXIS, 0, FixedItem(QStringLiteral("左Y轴")));
    m_pAxisTable->setItem(ROW_RIGHT_AXIS, 0, FixedItem(QStringLiteral("右Y轴")));
    m_pTimeStart = TimeEdit(m_pPlot->xAxis->range().lower, m_pAxisTable);
    m_pTimeEnd = TimeEdit(m_pPlot->xAxis->range().upper, m_pAxisTable);
    m_pAxisTable->setCellWidget(ROW_TIME_AXIS, 1, m_pTimeStart);
    m_pAxisTable->setCellWidget(ROW_TIME_AXIS, 2, m_pTimeEnd);
    const QCPAxis *arrAxes[] = {m_pPlot->yAxis, m_pPlot->yAxis2};
    for (int i = 0; i < 2; ++i) {
        m_pAxisTable->setItem(ROW_LEFT_AXIS + i, 1, EditItem(QString::number(arrAxes[i]->range().lower)));
        m_pAxisTable->setItem(ROW_LEFT_AXIS + i, 2, EditItem(QString::number(arrAxes[i]->range().upper)));
    }
    m_pAxisTable->setFixedHeight(30 * 4 + 2 * m_pAxisTable->frameWidth());
}

QCPGraph *CDlgCurveLegendSet::CurveOfRow(int nRow) const
{
    const QString strName = m_pCurveTable->item(nRow, COL_NAME)->text();
    for (int i = 0; i < m_pPlot->graphCount(); ++i) {
        if (m_pPlot->graph(i)->name() == strName)
            return m_pPlot->graph(i);
    }
    return nullptr;
}

void CDlgCurveLegendSet::slCellClicked(int nRow, int nColum)
{
    if (nColum != COL_COLOR)
        return;
    QTableWidgetItem *pItem = m_pCurveTable->item(nRow, nColum);
    const QColor objColor = AskColor(pItem->background().color(), this, QStringLiteral("选择图例颜色..."));
    if (objColor.isValid())
        pItem->setBackground(objColor);
}

void CDlgCurveLegendSet::slModifyLegendInfo()
{
    for (int nRow = 0; nRow < m_pCurveTable->rowCount(); ++nRow) {
        QCPGraph *pGraph = CurveOfRow(nRow);
        const QBrush objBrush = m_pCurveTable->item(nRow, COL_COLOR)->background();
        if (pGraph == nullptr || objBrush.style() == Qt::NoBrush || !objBrush.color().isValid())
            continue;
        pGraph->setVisible(m_pCurveTable->item(nRow, COL_SHOW)->checkState() == Qt::Checked);
        const int nWidth = m_pCurveTable->item(nRow, COL_WIDTH)->text().toInt(nullptr, 10);
        pGraph->setPen(QPen(objBrush.color(), std::max(nWidth, 0)));
        const bool bLeft = m_pCurveTable->item(nRow, COL_LEFT)->checkState() == Qt::Checked;
        pGraph->setValueAxis(bLeft ? m_pPlot->yAxis : m_pPlot->yAxis2);
    }
    QCPAxis *arrAxes[] = {m_pPlot->yAxis, m_pPlot->yAxis2};
    for (int i = 0; i < 2; ++i) {
        arrAxes[i]->setRange(m_pAxisTable->item(ROW_LEFT_AXIS + i, 1)->text().toDouble(),
                             m_pAxisTable->item(ROW_LEFT_AXIS + i, 2)->text().toDouble());
    }
    m_pPlot->xAxis->setRange(double(m_pTimeStart->dateTime().toSecsSinceEpoch()),
                             double(m_pTimeEnd->dateTime().toSecsSinceEpoch()));
    m_pPlot->replot();
    accept();
}

void CDlgCurveLegendSet::slExportLegndData()
{
    CsvTable objTable;
    for (int nRow = 0; nRow < m_pCurveTable->rowCount(); ++nRow) {
        const QCPGraph *pGraph = CurveOfRow(nRow);
        if (pGraph == nullptr)
            continue;
        SetCurveExportColumns(objTable, nRow, pGraph->name(), pGraph->data()->constBegin(), pGraph->data()->constEnd());
    }
    if (objTable.Save(QStringLiteral("./Kestrix_data_curve.csv"), true))
        ShowInfoBox(QStringLiteral("Export OK!"));
    else
        ShowInfoBox(QStringLiteral("Export ERR: File Saved Failed!"));
}
