#include "cdlgcurvelegendset.h"

#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include "cdlglinkcurve.h"
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

struct COLUMN_S
{
    const char *pTitle;
    int nWidth;
};

const COLUMN_S CURVE_COLUMNS[] = {{"名称", 240}, {"状态", 70},  {"颜色", 100},   {"线宽", 100},
                                  {"Y", 70},     {"最大值", 100}, {"最小值", 100}, {"平均值", 100}};
const COLUMN_S AXIS_COLUMNS[] = {{"名称", 100}, {"起始值", 300}, {"结束值", 300}};

template <size_t N>
QTableWidget *MakeTable(const COLUMN_S (&arrColumns)[N], QWidget *pParent)
{
    auto *pTable = new QTableWidget(0, int(N), pParent);
    int nWidth = 0;
    for (size_t i = 0; i < N; ++i) {
        pTable->setHorizontalHeaderItem(int(i), new QTableWidgetItem(QString::fromUtf8(arrColumns[i].pTitle)));
        pTable->setColumnWidth(int(i), arrColumns[i].nWidth);
        nWidth += arrColumns[i].nWidth;
    }
    pTable->verticalHeader()->hide();
    pTable->verticalHeader()->setDefaultSectionSize(30);
    pTable->setSelectionMode(QAbstractItemView::SingleSelection);
    pTable->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    pTable->setMinimumWidth(nWidth + 2 * pTable->frameWidth() + 20);
    return pTable;
}

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

QPushButton *GreenButton(const QString &strText, QWidget *pParent)
{
    auto *pButton = new QPushButton(strText, pParent);
    pButton->setObjectName(QStringLiteral("greenButton"));
    pButton->setFixedSize(80, 30);
    return pButton;
}

} // namespace

CDlgCurveLegendSet::CDlgCurveLegendSet(QCustomPlot *pPlot, QWidget *pParent) : QDialog(pParent), m_pPlot(pPlot)
{
    setWindowTitle(QStringLiteral("编辑图例"));
    InitCurveTable();
    InitAxisTable();

    auto *pOk = GreenButton(QStringLiteral("确定"), this);
    auto *pCancel = GreenButton(QStringLiteral("取消"), this);
    auto *pExport = GreenButton(QStringLiteral("导出"), this);
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
    m_pCurveTable = MakeTable(CURVE_COLUMNS, this);
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
    m_pAxisTable = MakeTable(AXIS_COLUMNS, this);
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
        SetCurveExportHeader(objTable, nRow, pGraph->name());
        int nPoint = 0;
        for (auto it = pGraph->data()->constBegin(); it != pGraph->data()->constEnd(); ++it)
            SetCurveExportPoint(objTable, nRow, nPoint++, it->key, it->value);
    }
    if (objTable.Save(QStringLiteral("./Kestrix_data_curve.csv"), true))
        ShowInfoBox(QStringLiteral("Export OK!"));
    else
        ShowInfoBox(QStringLiteral("Export ERR: File Saved Failed!"));
}
