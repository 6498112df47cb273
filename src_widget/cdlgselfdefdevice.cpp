#include "cdlgselfdefdevice.h"

#include "applog.h"
#include "cdevicebase.h"
#include "cdevicemgr.h"
#include "cdlglinkcurve.h"
#include "cmttablewidget.h"
#include "commonfunc.h"
#include "csdpushbutton.h"
#include "greenbutton.h"
#include "uiutils.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

enum : int
{
    COL_ID = 0,
    COL_PDU = 1,
    COL_DELAY = 2,
    COL_TIMEOUT = 3,
    COL_INTERVAL = 4,
    COL_CURVE = 5,
};

const MT_TBL_COLUMN_S FRAME_COLUMNS[] = {
    {COL_ID, 70, false, T("ID")},           {COL_PDU, 500, false, T("发送报文PDU")},
    {COL_DELAY, 100, false, T("延迟时间")}, {COL_TIMEOUT, 100, false, T("超时时间")},
    {COL_INTERVAL, 100, false, T("发送间隔")}, {COL_CURVE, 100, false, T("曲线")},
};

QString DelayCurveName(quint32 nDataID)
{
    return QString::asprintf("DelayTime(%u)", nDataID);
}

QTableWidgetItem *NewCentredItem(const QString &strText, Qt::ItemFlags enFlags)
{
    auto *pItem = new QTableWidgetItem(strText);
    pItem->setTextAlignment(Qt::AlignCenter);
    pItem->setFlags(enFlags);
    return pItem;
}

} // namespace

CDlgSelfDefDevice::CDlgSelfDefDevice(const QString &strDeviceName, QWidget *pParent)
    : QWidget(pParent), m_strDeviceName(strDeviceName)
{
    QPushButton *pNewBtn = NewGreenButton(T("新增"), this);
    QPushButton *pDelBtn = NewGreenButton(T("移除"), this);
    QPushButton *pCurveBtn = NewGreenButton(T("曲线"), this);
    m_pSendBtn = NewGreenButton(T("发送"), this);
    m_pSendBtn->setCheckable(true);
    m_pTable = new CMTTableWidget(this);
    m_pTable->SetTblColumn(FRAME_COLUMNS, sizeof(FRAME_COLUMNS) / sizeof(FRAME_COLUMNS[0]));

    auto *pButtons = new QHBoxLayout;
    pButtons->setSpacing(10);
    for (QPushButton *pButton : {pNewBtn, pDelBtn, pCurveBtn, m_pSendBtn})
        pButtons->addWidget(pButton);
    pButtons->addStretch(1);
    auto *pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pButtons);
    pLayout->addWidget(m_pTable, 1);

    connect(pNewBtn, &QPushButton::clicked, this, &CDlgSelfDefDevice::slNewCfgRow);
    connect(pDelBtn, &QPushButton::clicked, this, &CDlgSelfDefDevice::slDelCfgRow);
    connect(pCurveBtn, &QPushButton::clicked, this, &CDlgSelfDefDevice::slShowDlgCurve);
    // clicked, not toggled: releasing the button from the code is no user stop.
    connect(m_pSendBtn, &QPushButton::clicked, this, &CDlgSelfDefDevice::slSendInputData);

    CDeviceBase *pDevice = CDeviceMgr::GetDevice(strDeviceName);
    if (pDevice == nullptr) {
        LOG_DEBUG().noquote() << "Can't find Device:" << strDeviceName;
        return;
    }
    connect(pDevice, &CDeviceBase::siRefreshSelfDeviceData, this, &CDlgSelfDefDevice::slRefreshSelfDeviceData);
    connect(pDevice, &CDeviceBase::siDeviceStateChanged, this, &CDlgSelfDefDevice::slDeviceStateChanged);
}

quint32 CDlgSelfDefDevice::RowID(int nRow) const
{
    return m_pTable->item(nRow, COL_ID)->text().toUInt();
}

int CDlgSelfDefDevice::FindRow(quint32 nDataID) const
{
    for (int nRow = 0; nRow < m_pTable->rowCount(); ++nRow) {
        if (RowID(nRow) == nDataID)
            return nRow;
    }
    return -1;
}

CSDPushButton *CDlgSelfDefDevice::CurveButton(int nRow) const
{
    return qobject_cast<CSDPushButton *>(m_pTable->cellWidget(nRow, COL_CURVE));
}

void CDlgSelfDefDevice::slNewCfgRow()
{
    const int nRow = m_pTable->rowCount();
    m_pTable->insertRow(nRow);
    QTableWidgetItem *pID = NewCentredItem(QString::number(++m_nRowID), Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    pID->setCheckState(Qt::Checked);
    m_pTable->setItem(nRow, COL_ID, pID);

    auto *pPdu = new QLineEdit(m_pTable);
    pPdu->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[a-f A-F 0-9 /\n\t]*")), pPdu));
    pPdu->setPlaceholderText(QStringLiteral("00 00 00 00 00 00..."));
    m_pTable->setCellWidget(nRow, COL_PDU, pPdu);

    m_pTable->setItem(nRow, COL_DELAY, NewCentredItem(QStringLiteral("0"), Qt::ItemIsEnabled | Qt::ItemIsSelectable));
    m_pTable->setItem(nRow, COL_TIMEOUT, new QTableWidgetItem(QStringLiteral("5000")));
    m_pTable->setItem(nRow, COL_INTERVAL, new QTableWidgetItem(QStringLiteral("0")));

    auto *pCurve = new CSDPushButton(nRow, COL_CURVE, m_pTable);
    pCurve->setText(T("曲线"));
    pCurve->setObjectName(QStringLiteral("checkedButton"));
    pCurve->setCheckable(true);
    connect(pCurve, &CSDPushButton::siClicked, this, &CDlgSelfDefDevice::slCurveChanged);
    m_pTable->setCellWidget(nRow, COL_CURVE, pCurve);
}

void CDlgSelfDefDevice::slDelCfgRow()
{
    for (int nRow = m_pTable->rowCount() - 1; nRow >= 0; --nRow) {
        if (m_pTable->item(nRow, COL_ID)->checkState() != Qt::Checked)
            continue;
        if (CurveButton(nRow)->isChecked())
            CDlgLinkDataCurve::GetInstance()->DelLegend(m_strDeviceName, DelayCurveName(RowID(nRow)), 0);
        m_pTable->removeRow(nRow);
    }
    // The curve buttons tell their row with every click: rows below a removed one moved up.
    for (int nRow = 0; nRow < m_pTable->rowCount(); ++nRow)
        CurveButton(nRow)->SetRowColumn(nRow, COL_CURVE);
}

void CDlgSelfDefDevice::slShowDlgCurve()
{
    CDlgLinkDataCurve *pCurve = CDlgLinkDataCurve::GetInstance();
    pCurve->show();
    pCurve->raise();
}

void CDlgSelfDefDevice::slCurveChanged(int nRow, int nColumn)
{
    CSDPushButton *pButton = nColumn == COL_CURVE ? CurveButton(nRow) : nullptr;
    if (pButton == nullptr)
        return;
    CDlgLinkDataCurve *pCurve = CDlgLinkDataCurve::GetInstance();
    const QString strName = DelayCurveName(RowID(nRow));
    if (!pButton->isChecked())
        pCurve->DelLegend(m_strDeviceName, strName, 0);
    else if (!pCurve->AddLegend(m_strDeviceName, strName, 0))
        pButton->setChecked(false); // no curve to feed: do not look as if there were one
}

void CDlgSelfDefDevice::StopCycle(CDeviceBase *pDevice)
{
    if (pDevice != nullptr)
        pDevice->StopCycleSelfDef();
    m_pTable->setEnabled(true);
}

void CDlgSelfDefDevice::slSendInputData()
{
    CDeviceBase *pDevice = CDeviceMgr::GetDevice(m_strDeviceName);
    if (pDevice == nullptr) {
        LOG_DEBUG().noquote() << "Can't find Device:" << m_strDeviceName;
        m_pSendBtn->setChecked(false);
        return;
    }
    if (!m_pSendBtn->isChecked()) {
        StopCycle(pDevice);
        return;
    }
    const bool bCycle = ShowYesNoBox(T("是否循环发送？"));
    if (!bCycle)
        m_pSendBtn->setChecked(false);

    int nQueued = 0;
    QString strRefusal;
    for (int nRow = 0; nRow < m_pTable->rowCount(); ++nRow) {
        const QTableWidgetItem *pID = m_pTable->item(nRow, COL_ID);
        if (!(pID->flags() & Qt::ItemIsUserCheckable) || pID->checkState() != Qt::Checked)
            continue;
        const auto *pPdu = qobject_cast<QLineEdit *>(m_pTable->cellWidget(nRow, COL_PDU));
        const QByteArray objPdu = ConvertHexStringToBytes(pPdu->text());
        if (objPdu.isEmpty())
            continue;
        const QString strResult =
            pDevice->RqstSelfDefData(RowID(nRow), objPdu, m_pTable->item(nRow, COL_TIMEOUT)->text().toUInt(),
                                     m_pTable->item(nRow, COL_INTERVAL)->text().toUInt(), bCycle);
        if (strResult == QLatin1String(RESULT_OK))
            ++nQueued;
        else if (strRefusal.isEmpty())
            strRefusal = strResult;
    }
    if (nQueued > 0) {
        m_pTable->setEnabled(!bCycle);
        return;
    }
    // Nothing went out: the button must not look as if something were being sent.
    m_pSendBtn->setChecked(false);
    ShowInfoBox(strRefusal.isEmpty() ? T("无发送数据") : strRefusal);
}

void CDlgSelfDefDevice::slRefreshSelfDeviceData(const QString &strDeviceName, quint32 nDataID, qint32 nDelayTime)
{
    if (strDeviceName != m_strDeviceName)
        return;
    const int nRow = FindRow(nDataID);
    if (nRow < 0)
        return;
    // A negative delay: no reply came, which must not read as a quick one.
    const bool bAnswered = nDelayTime >= 0;
    m_pTable->item(nRow, COL_DELAY)->setText(bAnswered ? QString::number(nDelayTime)
                                                       : QString::fromLatin1(EMPTY_VALUE_TEXT));
    if (bAnswered && CurveButton(nRow)->isChecked())
        CDlgLinkDataCurve::GetInstance()->slRefreshMoniSigalData(m_strDeviceName, DelayCurveName(nDataID), 0,
                                                                 nDelayTime);
}

void CDlgSelfDefDevice::slDeviceStateChanged(const QString &, quint16 nState)
{
    if (nState == 1 || !m_pSendBtn->isChecked())
        return;
    // The master keeps its cyclic rows pending but no longer sends them once
    // its link is down: end the cycle instead of showing one that is not running.
    m_pSendBtn->setChecked(false);
    StopCycle(qobject_cast<CDeviceBase *>(sender()));
}
