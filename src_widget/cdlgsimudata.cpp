#include "cdlgsimudata.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QVBoxLayout>
#include <iterator>
#include <qcustomplot.h>

#include "applog.h"
#include "cmttablewidget.h"
#include "greenbutton.h"
#include "simulsetting.h"

namespace {

const char *const ROW_LABELS[SIMUL_ROW_COUNT] = {
    "策略", "", "", "", "", "", "重置间隔时间(小时)", "刷新间隔时间(秒)", "时间轴起点",
    "随机区间上限", "随机区间下限", "极大值", "极小值"};

const char *const STRATEGY_PICTURES[] = {"", ":/curve/dline", ":/curve/parabola", ":/curve/sin", ":/curve/swave"};

// Date-time labels at a step chosen by the caller, counted from the range start.
class CFixedStepTimeTicker : public QCPAxisTickerDateTime
{
public:
    void SetStep(double fStart, double fStep)
    {
        setTickOrigin(fStart);
        m_fStep = fStep;
    }

protected:
    double getTickStep(const QCPRange &objRange) override
    {
        return m_fStep > 0.0 ? m_fStep : QCPAxisTickerDateTime::getTickStep(objRange);
    }

private:
    double m_fStep = 0.0;
};

const MT_TBL_COLUMN_S PARAM_COLUMNS[] = {{0, 160, false, QString()}, {1, 190, false, QString()}};

} // namespace

CDlgSimulData::CDlgSimulData(quint16 nShowType, const DATA_VALUE_CFG_S &objCfg, QWidget *pParent)
    : QDialog(pParent), m_nShowType(nShowType)
{
    setWindowTitle(QStringLiteral("选择模拟数据方法"));
    InitPageItems(objCfg);
    DrawPreview();
    connect(m_pTable, &QTableWidget::cellChanged, this, &CDlgSimulData::slTblInfoChanged);
}

void CDlgSimulData::InitPageItems(const DATA_VALUE_CFG_S &objCfg)
{
    const QStringList lstRows = SimulCfgToRows(objCfg);

    m_pTable = new CMTTableWidget(this);
    m_pTable->SetTblColumn(PARAM_COLUMNS, 2);
    m_pTable->setRowCount(SIMUL_ROW_COUNT);
    m_pTable->horizontalHeader()->hide();
    m_pTable->setFixedWidth(m_pTable->maximumWidth());
    m_pTable->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pTable->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                              | QAbstractItemView::AnyKeyPressed);
    for (int nRow = 0; nRow < SIMUL_ROW_COUNT; ++nRow) {
        auto *pLabel = new QTableWidgetItem(QString::fromUtf8(ROW_LABELS[nRow]));
        pLabel->setFlags(Qt::ItemIsEnabled);
        pLabel->setBackground(QColor(240, 240, 240));
        m_pTable->setItem(nRow, 0, pLabel);
        if (nRow != SIMUL_ROW_STRATEGY && nRow != SIMUL_ROW_TIME_BASE)
            m_pTable->setItem(nRow, 1, new QTableWidgetItem(lstRows.at(nRow)));
    }
    m_pStrategy = new QComboBox(m_pTable);
    m_pStrategy->addItems(GetSimulStrategyLabels());
    m_pStrategy->setCurrentIndex(objCfg.nStategy);
    m_pTable->setCellWidget(SIMUL_ROW_STRATEGY, 1, m_pStrategy);
    m_pTimeBase = new QComboBox(m_pTable);
    m_pTimeBase->addItems(GetSimulTimeBaseLabels());
    m_pTimeBase->setCurrentIndex(objCfg.nTimeBngrWay);
    m_pTable->setCellWidget(SIMUL_ROW_TIME_BASE, 1, m_pTimeBase);

    m_pTabs = new QTabBar(this);
    m_pTabs->addTab(QStringLiteral("说明"));
    m_pTabs->addTab(QStringLiteral("示例"));
    m_pPicture = new QLabel(this);
    m_pPicture->setAlignment(Qt::AlignCenter);
    m_pPlot = new QCustomPlot(this);
    m_pGraph = m_pPlot->addGraph();
    if (m_pGraph == nullptr)
        LOG_DEBUG() << "ERROR:Demo Curve Add Fialed.";
    else
        m_pGraph->setName(QStringLiteral("模拟数据曲线"));
    auto pTicker = QSharedPointer<CFixedStepTimeTicker>::create();
    pTicker->setDateTimeFormat(QStringLiteral("hh:mm:ss\nyyyy-MM-dd"));
    m_pPlot->xAxis->setTicker(pTicker);
    m_pPlot->yAxis->setRange(0, 50);

    // One of the two is shown at a time (slInfoDesChanged).
    auto *pRight = new QVBoxLayout();
    pRight->setSpacing(0);
    pRight->addWidget(m_pTabs, 0, Qt::AlignLeft);
    pRight->addWidget(m_pPicture, 1);
    pRight->addWidget(m_pPlot, 1);

    auto *pApply = NewGreenButton(QStringLiteral("应用"), this);
    auto *pBack = NewGreenButton(QStringLiteral("返回"), this);
    connect(pApply, &QPushButton::clicked, this, &QDialog::accept);
    connect(pBack, &QPushButton::clicked, this, &QDialog::reject);
    auto *pButtons = new QHBoxLayout();
    pButtons->addStretch(1);
    pButtons->addWidget(pApply);
    pButtons->addWidget(pBack);

    auto *pTop = new QHBoxLayout();
    pTop->setSpacing(10);
    pTop->addWidget(m_pTable);
    pTop->addLayout(pRight, 1);
    auto *pMain = new QVBoxLayout(this);
    pMain->setContentsMargins(10, 10, 10, 10);
    pMain->addLayout(pTop, 1);
    pMain->addLayout(pButtons);
    resize(860, 480);

    connect(m_pStrategy, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &CDlgSimulData::slStrategyChanged);
    connect(m_pTimeBase, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &CDlgSimulData::slTimeBngrChanged);
    connect(m_pTabs, &QTabBar::currentChanged, this, &CDlgSimulData::slInfoDesChanged);
    slInfoDesChanged(0);
    slStrategyChanged(m_pStrategy->currentIndex());
}

DATA_VALUE_CFG_S CDlgSimulData::GetPageData() const
{
    return SimulCfgFromRows(RowTexts());
}

QStringList CDlgSimulData::RowTexts() const
{
    QStringList lstRows;
    for (int nRow = 0; nRow < SIMUL_ROW_COUNT; ++nRow) {
        if (nRow == SIMUL_ROW_STRATEGY)
            lstRows << QString::number(m_pStrategy->currentIndex());
        else if (nRow == SIMUL_ROW_TIME_BASE)
            lstRows << QString::number(m_pTimeBase->currentIndex());
        else
            lstRows << m_pTable->item(nRow, 1)->text();
    }
    return lstRows;
}

void CDlgSimulData::slStrategyChanged(int nIndex)
{
    const quint16 nStrategy = static_cast<quint16>(nIndex);
    const char *pPicture = nIndex >= 0 && nIndex < int(std::size(STRATEGY_PICTURES)) ? STRATEGY_PICTURES[nIndex] : "";
    m_pPicture->setPixmap(QPixmap(QString::fromLatin1(pPicture)));

    const QStringList lstCoefLabels = GetSimulCoefLabels(nStrategy);
    const QList<int> lstHidden = GetSimulHiddenRows(nStrategy);
    const QSignalBlocker objBlocker(m_pTable);
    for (int nRow = SIMUL_ROW_COEF_A; nRow < SIMUL_ROW_COUNT; ++nRow) {
        bool bHide = lstHidden.contains(nRow);
        if (nRow <= SIMUL_ROW_COEF_E) {
            const QString strLabel = lstCoefLabels.at(nRow - SIMUL_ROW_COEF_A);
            m_pTable->item(nRow, 0)->setText(strLabel);
            bHide = bHide || strLabel.isEmpty();
        }
        m_pTable->setRowHidden(nRow, bHide);
    }
    CheckRows();
}

void CDlgSimulData::slTimeBngrChanged(int)
{
    DrawPreview();
}

void CDlgSimulData::slTblInfoChanged(int, int nColum)
{
    if (nColum != 1)
        return;
    CheckRows();
}

void CDlgSimulData::CheckRows()
{
    QStringList lstRows = RowTexts();
    const QList<int> lstChanged = CorrectSimulRows(lstRows);
    {
        const QSignalBlocker objBlocker(m_pTable);
        for (int nRow : lstChanged)
            m_pTable->item(nRow, 1)->setText(lstRows.at(nRow));
    }
    DrawPreview();
}

void CDlgSimulData::slInfoDesChanged(int nIndex)
{
    m_pPicture->setVisible(nIndex == 0);
    m_pPlot->setVisible(nIndex != 0);
}

void CDlgSimulData::DrawPreview()
{
    if (m_pGraph == nullptr || !HasSimulPreview(m_nShowType))
        return;
    const DATA_VALUE_CFG_S objCfg = GetPageData();
    const SIMUL_PREVIEW_S stPreview = MakeSimulPreview(objCfg, GetSimulPreviewOrigin(objCfg.nTimeBngrWay));
    m_pGraph->setData(stPreview.vecKeys, stPreview.vecValues, true);
    if (stPreview.vecKeys.isEmpty()) {
        m_pPlot->replot();
        return;
    }
    m_pPlot->xAxis->setRange(stPreview.fRangeStart, stPreview.fRangeEnd);
    if (auto pTicker = m_pPlot->xAxis->ticker().dynamicCast<CFixedStepTimeTicker>())
        pTicker->SetStep(stPreview.fRangeStart, (stPreview.fRangeEnd - stPreview.fRangeStart) / 4.0);
    double fMargin = (stPreview.fMaxValue - stPreview.fMinValue) / 8.0;
    // A flat curve would get an empty range, which the plot refuses, keeping
    // a range the line may lie outside of.
    if (fMargin <= 0.0)
        fMargin = std::max(1.0, std::fabs(stPreview.fMaxValue) / 8.0);
    m_pPlot->yAxis->setRange(stPreview.fMinValue - fMargin, stPreview.fMaxValue + fMargin);
    m_pPlot->replot();
}
