#include "cdlgcount.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "applog.h"
#include "cdevicemgr.h"
#include "cmttablewidget.h"
#include "cportmgr.h"
#include "greenbutton.h"
#include "uiutils.h"

namespace {

enum : int
{
    COL_NAME = 0,
    COL_SEND = 1,
    COL_RECV = 2,
    COL_LOSS = 3,
    COL_SEND_FAIL = 4,
    COL_TIMEOUT = 5,
    COL_FRAME_ERR = 6,
    COL_CHECK_ERR = 7,
};

const MT_TBL_COLUMN_S COUNT_COLUMNS[] = {
    {COL_NAME, 200, false, QStringLiteral("名称")},          {COL_SEND, 100, false, QStringLiteral("发送数")},
    {COL_RECV, 100, false, QStringLiteral("接收数")},        {COL_LOSS, 100, false, QStringLiteral("丢包率")},
    {COL_SEND_FAIL, 100, false, QStringLiteral("发送失败")}, {COL_TIMEOUT, 100, false, QStringLiteral("超时异常")},
    {COL_FRAME_ERR, 100, false, QStringLiteral("长度异常")}, {COL_CHECK_ERR, 100, false, QStringLiteral("校验异常")}};

enum : int
{
    VIEW_LINKS = 0,
    VIEW_DEVICES = 1,
};

QTableWidgetItem *CentredItem(const QString &strText)
{
    auto *pItem = new QTableWidgetItem(strText);
    pItem->setFlags(Qt::ItemIsEnabled);
    pItem->setTextAlignment(Qt::AlignCenter);
    return pItem;
}

} // namespace

CDlgLinkCount::CDlgLinkCount(QWidget *pParent) : QWidget(pParent)
{
    m_pStart = new QPushButton(QStringLiteral("启动"), this);
    m_pStart->setObjectName(QStringLiteral("checkedButton"));
    m_pStart->setFixedSize(80, 30);
    m_pStart->setCheckable(true);
    m_pViewType = new QComboBox(this);
    m_pViewType->setFixedSize(80, 30);
    m_pViewType->addItems({QStringLiteral("  端口"), QStringLiteral("  设备")});
    auto *pReset = NewGreenButton(QStringLiteral("重置"), this);
    m_pAutoRefresh = new QCheckBox(QStringLiteral("自动刷新"), this);
    m_pAutoRefresh->setFixedSize(100, 30);
    m_pAutoRefresh->setChecked(true);
    m_pTable = new CMTTableWidget(this);
    m_pTable->SetTblColumn(COUNT_COLUMNS, int(std::size(COUNT_COLUMNS)));
    m_pTable->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto *pBar = new QHBoxLayout();
    pBar->setAlignment(Qt::AlignLeft);
    pBar->setSpacing(5);
    pBar->setContentsMargins(0, 0, 0, 0);
    pBar->addWidget(m_pStart);
    pBar->addWidget(m_pViewType);
    pBar->addWidget(pReset);
    pBar->addWidget(m_pAutoRefresh);
    auto *pMain = new QVBoxLayout(this);
    pMain->setSpacing(5);
    pMain->setContentsMargins(5, 5, 10, 10);
    pMain->addLayout(pBar);
    pMain->addWidget(m_pTable);

    connect(m_pStart, &QPushButton::clicked, this, &CDlgLinkCount::slBngrCount);
    connect(pReset, &QPushButton::clicked, this, &CDlgLinkCount::slResetCount);
    connect(m_pViewType, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &CDlgLinkCount::slViewTypeChanged);
}

void CDlgLinkCount::slBngrCount()
{
    disconnect(m_objRecvConn);
    if (!m_pStart->isChecked())
        return;
    m_mapDevices.clear();
    m_mapLinks.clear();
    m_mapRows.clear();
    m_pTable->setRowCount(0);
    m_objRecvConn = connect(CPortMgr::GetInstance(), &CPortMgr::siRecvDataRaw, this, &CDlgLinkCount::slRecordLinkData);
}

void CDlgLinkCount::slRecordLinkData(QString strPortName, quint16 nAddr, LINK_PROC_ERR_EN enType, QByteArray)
{
    if (!m_pStart->isChecked())
        return;
    // A frame no device owns (unsolicited bytes, requests to other
    // addresses) is still traffic of its link.
    const QString strDevice = CDeviceMgr::GetDeviceName(strPortName, nAddr);
    if (strDevice.isEmpty())
        LOG_DEBUG().noquote() << "Invalid Device:" << strPortName << nAddr;

    LINK_COUNT_S &stLink = Record(m_mapLinks, !ShowsDevices(), strPortName);
    const bool bCounted = stLink.Count(enType);
    if (!strDevice.isEmpty())
        Record(m_mapDevices, ShowsDevices(), strDevice).Count(enType);
    if (!bCounted || !m_pAutoRefresh->isChecked())
        return;
    const QString &strShown = ShowsDevices() ? strDevice : strPortName;
    const auto it = m_mapRows.constFind(strShown);
    if (!strShown.isEmpty() && it != m_mapRows.constEnd())
        RefreshRow(it.value(), ShownMap().value(strShown));
}

void CDlgLinkCount::slResetCount()
{
    bool bAnyChecked = false;
    for (int nRow = 0; nRow < m_pTable->rowCount(); ++nRow) {
        const QTableWidgetItem *pName = m_pTable->item(nRow, COL_NAME);
        if (!(pName->flags() & Qt::ItemIsUserCheckable) || pName->checkState() != Qt::Checked)
            continue;
        bAnyChecked = true;
        LINK_COUNT_S &stCount = ShownMap()[pName->text()];
        stCount = LINK_COUNT_S();
        RefreshRow(nRow, stCount);
    }
    if (!bAnyChecked)
        ShowInfoBox(QStringLiteral("请勾选项目！"));
}

void CDlgLinkCount::slViewTypeChanged(int)
{
    m_pTable->setRowCount(0);
    m_mapRows.clear();
    const QMap<QString, LINK_COUNT_S> &objMap = ShownMap();
    for (auto it = objMap.constBegin(); it != objMap.constEnd(); ++it)
        AppendRow(it.key(), it.value());
}

bool CDlgLinkCount::ShowsDevices() const
{
    return m_pViewType->currentIndex() != VIEW_LINKS;
}

QMap<QString, LINK_COUNT_S> &CDlgLinkCount::ShownMap()
{
    return ShowsDevices() ? m_mapDevices : m_mapLinks;
}

LINK_COUNT_S &CDlgLinkCount::Record(QMap<QString, LINK_COUNT_S> &objMap, bool bShown, const QString &strName)
{
    auto it = objMap.find(strName);
    if (it == objMap.end()) {
        it = objMap.insert(strName, LINK_COUNT_S());
        if (bShown)
            AppendRow(strName, it.value());
    }
    return it.value();
}

void CDlgLinkCount::AppendRow(const QString &strName, const LINK_COUNT_S &stCount)
{
    const int nRow = m_pTable->rowCount();
    m_pTable->insertRow(nRow);
    auto *pName = CentredItem(strName);
    pName->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    pName->setCheckState(Qt::Unchecked);
    m_pTable->setItem(nRow, COL_NAME, pName);
    for (int nCol = COL_SEND; nCol <= COL_CHECK_ERR; ++nCol)
        m_pTable->setItem(nRow, nCol, CentredItem(QString()));
    m_mapRows.insert(strName, nRow);
    RefreshRow(nRow, stCount);
}

void CDlgLinkCount::RefreshRow(int nRow, const LINK_COUNT_S &stCount)
{
    const QPair<int, QString> arrCells[] = {
        {COL_SEND, QString::number(stCount.nSend)},          {COL_RECV, QString::number(stCount.nRecv)},
        {COL_LOSS, stCount.LossRateText()},                  {COL_SEND_FAIL, QString::number(stCount.nSendFail)},
        {COL_TIMEOUT, QString::number(stCount.nTimeout)},    {COL_FRAME_ERR, QString::number(stCount.nFrameErr)},
        {COL_CHECK_ERR, QString::number(stCount.nCheckErr)}};
    for (const auto &stCell : arrCells)
        m_pTable->item(nRow, stCell.first)->setText(stCell.second);
}
