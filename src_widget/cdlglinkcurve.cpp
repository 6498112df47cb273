#include "cdlglinkcurve.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTimer>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include "applog.h"
#include "cdevicebase.h"
#include "cdevicemgr.h"
#include "cdlgcurvelegendset.h"
#include "cdlgdevicesel.h"
#include "cmttablewidget.h"
#include "greenbutton.h"
#include "uiutils.h"

CDlgLinkDataCurve *CDlgLinkDataCurve::s_pInstance = nullptr;

namespace {

const MT_TBL_COLUMN_S LEGEND_COLUMNS[] = {{0, 250, false, QStringLiteral("图例")}};

QColor RandomPenColor()
{
    QRandomGenerator *pRandom = QRandomGenerator::global();
    return QColor(int(pRandom->generate() % 256), int(pRandom->generate() % 256), int(pRandom->generate() % 256));
}

} // namespace

CDlgLinkDataCurve *CDlgLinkDataCurve::GetInstance()
{
    if (s_pInstance == nullptr)
        s_pInstance = new CDlgLinkDataCurve();
    return s_pInstance;
}

void CDlgLinkDataCurve::DestroyInstance()
{
    delete s_pInstance;
    s_pInstance = nullptr;
}

CDlgLinkDataCurve::CDlgLinkDataCurve(QWidget *pParent) : QWidget(pParent)
{
    setWindowTitle(QStringLiteral("数据曲线展示器"));

    auto *pFilter = NewGreenButton(QStringLiteral("筛选设备"), this);
    auto *pEdit = NewGreenButton(QStringLiteral("编辑图例"), this);
    connect(pFilter, &QPushButton::clicked, this, &CDlgLinkDataCurve::slFilterDevice);
    connect(pEdit, &QPushButton::clicked, this, &CDlgLinkDataCurve::slEditLegend);

    m_pLegendList = new CMTTableWidget(this);
    m_pLegendList->SetTblColumn(LEGEND_COLUMNS, 1);

    m_pPlot = new QCustomPlot(this);
    auto pTicker = QSharedPointer<QCPAxisTickerDateTime>::create();
    pTicker->setDateTimeFormat(QStringLiteral("hh:mm:ss\nyyyy-MM-dd"));
    m_pPlot->xAxis->setTicker(pTicker);
    const double fNow = double(QDateTime::currentSecsSinceEpoch());
    m_pPlot->xAxis->setRange(fNow, fNow + 7200.0);
    m_pPlot->xAxis2->setVisible(false);
    m_pPlot->yAxis->setRange(0, 50);
    m_pPlot->yAxis2->setRange(0, 50);
    m_pPlot->yAxis2->setVisible(true);
    m_pPlot->yAxis2->setTickLabels(true);
    m_pPlot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);

    auto *pButtons = new QHBoxLayout();
    pButtons->setSpacing(10);
    pButtons->addWidget(pFilter);
    pButtons->addWidget(pEdit);
    pButtons->addStretch(1);
    auto *pBody = new QHBoxLayout();
    pBody->addWidget(m_pLegendList);
    pBody->addWidget(m_pPlot, 1);
    auto *pMain = new QVBoxLayout(this);
    pMain->setContentsMargins(5, 5, 5, 5);
    pMain->addLayout(pButtons);
    pMain->addLayout(pBody, 1);
    resize(1200, 400);

    m_pReplotTimer = new QTimer(this);
    connect(m_pReplotTimer, &QTimer::timeout, this, &CDlgLinkDataCurve::slCycleReplot);
    m_pReplotTimer->start(2000);
}

CDlgLinkDataCurve::~CDlgLinkDataCurve() = default;

bool CDlgLinkDataCurve::AddLegend(const QString &strDeviceName, const QString &strDataName, unsigned int nID)
{
    CDeviceBase *pDevice = CDeviceMgr::GetDevice(strDeviceName);
    if (pDevice == nullptr) {
        LOG_DEBUG().noquote() << "ERROR:Can't find Device:" << strDeviceName;
        return false;
    }
    const QString strLegend = MakeLegendName(strDeviceName, strDataName, nID);
    if (m_mapCurves.contains(strLegend)) {
        LOG_DEBUG().noquote() << "ERROR:legend exsited:" << strDeviceName << strDataName;
        return false;
    }
    QCPGraph *pGraph = m_pPlot->addGraph(m_pPlot->xAxis, m_pPlot->yAxis);
    if (pGraph == nullptr) {
        LOG_DEBUG().noquote() << "ERROR:creat legend failed:" << strLegend;
        return false;
    }
    pGraph->setName(strLegend);
    pGraph->setPen(QPen(RandomPenColor()));
    m_mapCurves.insert(strLegend, pGraph);
    m_mapStats.insert(pGraph, CURVE_STATS_S());
    RebuildLegendList();
    connect(pDevice, &CDeviceBase::siRefreshDeviceCurveData, this, &CDlgLinkDataCurve::slRefreshMoniSigalData,
            Qt::UniqueConnection);
    return true;
}

bool CDlgLinkDataCurve::DelLegend(const QString &strDeviceName, const QString &strDataName, unsigned int nID)
{
    QCPGraph *pGraph = m_mapCurves.value(MakeLegendName(strDeviceName, strDataName, nID));
    if (pGraph == nullptr) {
        LOG_DEBUG().noquote() << "ERROR:Del legend failed:" << strDeviceName << strDataName;
        return false;
    }
    RemoveCurve(pGraph);
    RebuildLegendList();
    return true;
}

void CDlgLinkDataCurve::DelDeviceLegend(const QString &strDeviceName)
{
    if (strDeviceName.isEmpty())
        return;
    for (int i = m_pPlot->graphCount() - 1; i >= 0; --i) {
        QCPGraph *pGraph = m_pPlot->graph(i);
        if (LegendDeviceName(pGraph->name()) == strDeviceName)
            RemoveCurve(pGraph);
    }
    RebuildLegendList();
}

void CDlgLinkDataCurve::ChangeDeviceLegendName(const QString &strOldName, const QString &strNewName)
{
    if (strOldName.isEmpty() || strNewName.isEmpty())
        return;
    for (int i = 0; i < m_pPlot->graphCount(); ++i) {
        QCPGraph *pGraph = m_pPlot->graph(i);
        const QString strNewLegend = RenameLegendDevice(pGraph->name(), strOldName, strNewName);
        if (strNewLegend == pGraph->name())
            continue;
        if (m_mapCurves.value(pGraph->name()) == pGraph)
            m_mapCurves.remove(pGraph->name());
        pGraph->setName(strNewLegend);
        m_mapCurves.insert(strNewLegend, pGraph);
    }
    RebuildLegendList();
}

CURVE_STATS_S CDlgLinkDataCurve::GetCurveStats(const QCPGraph *pGraph) const
{
    return m_mapStats.value(pGraph);
}

void CDlgLinkDataCurve::slRefreshMoniSigalData(const QString &strDeviceName, const QString &strDataName,
                                               quint32 nDataID, const double &fData)
{
    QCPGraph *pGraph = m_mapCurves.value(MakeLegendName(strDeviceName, strDataName, nDataID));
    if (pGraph == nullptr)
        return;
    QSharedPointer<QCPGraphDataContainer> pData = pGraph->data();
    pData->add(QCPGraphData(double(QDateTime::currentSecsSinceEpoch()), fData));
    if (pData->size() > MAX_CURVE_POINTS) {
        // By position: the container removes by key, and one second may hold many points.
        pData->set(QVector<QCPGraphData>(pData->constBegin() + MAX_CURVE_POINTS / 10, pData->constEnd()), true);
    }
    m_mapStats[pGraph].Add(fData);
}

void CDlgLinkDataCurve::slFilterDevice()
{
    CDlgDeviceSel objDlg(QString(), -1, this);
    if (ExecDialog(&objDlg) != QDialog::Accepted)
        return;
    const QList<QString> lstShown = objDlg.GetSelDeviceNames();
    for (int i = 0; i < m_pPlot->graphCount(); ++i) {
        QCPGraph *pGraph = m_pPlot->graph(i);
        pGraph->setVisible(lstShown.contains(LegendDeviceName(pGraph->name())));
    }
    RebuildLegendList();
}

void CDlgLinkDataCurve::slEditLegend()
{
    CDlgCurveLegendSet objDlg(m_pPlot, this);
    if (ExecDialog(&objDlg) == QDialog::Accepted)
        RebuildLegendList();
}

void CDlgLinkDataCurve::slCycleReplot()
{
    if (isVisible())
        m_pPlot->replot(QCustomPlot::rpQueuedReplot);
}

void CDlgLinkDataCurve::RemoveCurve(QCPGraph *pGraph)
{
    if (m_mapCurves.value(pGraph->name()) == pGraph)
        m_mapCurves.remove(pGraph->name());
    m_mapStats.remove(pGraph);
    m_pPlot->removeGraph(pGraph);
}

void CDlgLinkDataCurve::RebuildLegendList()
{
    m_pLegendList->setRowCount(0);
    for (int i = 0; i < m_pPlot->graphCount(); ++i) {
        const QCPGraph *pGraph = m_pPlot->graph(i);
        if (!pGraph->visible())
            continue;
        const QColor objColor = pGraph->pen().color();
        auto *pItem = new QTableWidgetItem(pGraph->name());
        pItem->setFlags(Qt::ItemIsEnabled);
        pItem->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        pItem->setBackground(objColor);
        // Names stay readable on dark and light pen colours alike.
        pItem->setForeground(objColor.lightnessF() < 0.5 ? Qt::white : Qt::black);
        const int nRow = m_pLegendList->rowCount();
        m_pLegendList->insertRow(nRow);
        m_pLegendList->setItem(nRow, 0, pItem);
    }
}
