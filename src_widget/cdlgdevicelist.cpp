#include "cdlgdevicelist.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "applog.h"
#include "cdevicebase.h"
#include "cdevicemgr.h"
#include "cdlgchangedeviceinfo.h"
#include "cmttablewidget.h"
#include "commonfunc.h"
#include "greenbutton.h"
#include "uiutils.h"

namespace {

const MT_TBL_COLUMN_S DEVICE_COLUMNS[] = {
    {CDlgDeviceList::COL_NUMBER, 60, false, T("序号")},
    {CDlgDeviceList::COL_NAME, 200, false, T("名称")},
    {CDlgDeviceList::COL_TYPE, 100, false, T("类型")},
    {CDlgDeviceList::COL_PORT, 100, false, T("端口")},
    {CDlgDeviceList::COL_ADDR, 50, false, T("地址")},
};
const int DEVICE_COLUMN_COUNT = int(sizeof(DEVICE_COLUMNS) / sizeof(DEVICE_COLUMNS[0]));
// Shown only with "参数": type, link and address.
const int PARA_COLUMNS[] = {CDlgDeviceList::COL_TYPE, CDlgDeviceList::COL_PORT, CDlgDeviceList::COL_ADDR};

const QColor ACTIVE_COLOR(0, 255, 255);
const int WEIGHT_EDITING = 75;
const int WEIGHT_NORMAL = 50;

QTableWidgetItem *NewCell(const QString &strText, Qt::Alignment enAlign)
{
    auto *pItem = new QTableWidgetItem(strText);
    pItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    pItem->setTextAlignment(enAlign);
    return pItem;
}

void SetNameWeight(QTableWidgetItem *pName, bool bIsEditing)
{
    QFont objFont(QStringLiteral("Courier New"));
    objFont.setPixelSize(18);
    objFont.setWeight(bIsEditing ? WEIGHT_EDITING : WEIGHT_NORMAL);
    pName->setFont(objFont);
}

// A device that is not launched stands out in red.
void SetNameState(QTableWidgetItem *pName, quint16 nState)
{
    if (nState == 1)
        pName->setData(Qt::ForegroundRole, QVariant());
    else
        pName->setForeground(Qt::red);
}

} // namespace

CDlgDeviceList::CDlgDeviceList(QWidget *pParent)
    : QWidget(pParent), m_pTable(new CMTTableWidget(this)), m_pPara(new QPushButton(T("参数"), this))
{
    QPushButton *pLaunch = NewGreenButton(T("恢复"), this, 60);
    QPushButton *pShutDown = NewGreenButton(T("禁止"), this, 60);
    QPushButton *pRemove = NewGreenButton(T("移除"), this, 60);
    m_pPara->setObjectName(QStringLiteral("checkedButton"));
    m_pPara->setCheckable(true);
    m_pPara->setFixedSize(60, 30);
    auto *pButtons = new QHBoxLayout;
    pButtons->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    pButtons->setSpacing(10);
    pButtons->setContentsMargins(0, 0, 0, 0);
    for (QPushButton *pButton : {pLaunch, pShutDown, pRemove, m_pPara})
        pButtons->addWidget(pButton);

    m_pTable->setObjectName(QStringLiteral("deviceTable"));
    m_pTable->SetTblColumn(DEVICE_COLUMNS, DEVICE_COLUMN_COUNT);
    m_pTable->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    int nMinWidth = m_pTable->maximumWidth() + 20;
    for (int nColumn : PARA_COLUMNS) {
        m_pTable->setColumnHidden(nColumn, true);
        nMinWidth -= DEVICE_COLUMNS[nColumn].nWidth;
    }
    m_pTable->setMinimumWidth(nMinWidth);

    auto *pLayout = new QVBoxLayout(this);
    pLayout->setAlignment(Qt::AlignTop);
    pLayout->setContentsMargins(10, 5, 5, 10);
    pLayout->setSpacing(5);
    pLayout->addLayout(pButtons);
    pLayout->addWidget(m_pTable);

    connect(pLaunch, &QPushButton::clicked, this, &CDlgDeviceList::slLaunchDevice);
    connect(pShutDown, &QPushButton::clicked, this, &CDlgDeviceList::slShutDownDevice);
    connect(pRemove, &QPushButton::clicked, this, &CDlgDeviceList::slRemoveDevice);
    connect(m_pPara, &QPushButton::toggled, this, &CDlgDeviceList::slShowDevicePara);
    connect(m_pTable, &QTableWidget::cellClicked, this, &CDlgDeviceList::slActvDevice);
    connect(m_pTable, &QTableWidget::cellDoubleClicked, this, &CDlgDeviceList::slChangedDeviceInfo);
    CDeviceMgr *pMgr = CDeviceMgr::GetInstance();
    connect(pMgr, &CDeviceMgr::siNewDevice, this, &CDlgDeviceList::slNewDevice);
    connect(pMgr, &CDeviceMgr::siDelDevice, this, &CDlgDeviceList::slDelDevice);
    connect(pMgr, &CDeviceMgr::siDeviceNameChanged, this, &CDlgDeviceList::slDeviceNameChanged);
    connect(pMgr, &CDeviceMgr::siDeviceStateChanged, this, &CDlgDeviceList::slDeviceStateChanged);

    RebuildList();
}

void CDlgDeviceList::slLaunchDevice()
{
    ForCheckedDevices(T("请选择需要启动的设备。"), &CDeviceBase::LaunchDevice);
}

void CDlgDeviceList::slShutDownDevice()
{
    ForCheckedDevices(T("请选择需要关闭的设备。"), &CDeviceBase::ShutDownDevice);
}

void CDlgDeviceList::slRemoveDevice()
{
    const QList<QString> lstNames = CheckedNames();
    if (lstNames.isEmpty()) {
        ShowInfoBox(T("请选择需要删除的设备。"));
        return;
    }
    if (!ShowQuestionBox(T("请确认是否需要删除选择设备？")))
        return;
    const QString strResult = CDeviceMgr::DelDevice(lstNames);
    if (strResult != QLatin1String(RESULT_OK))
        ShowInfoBox(strResult);
}

void CDlgDeviceList::slShowDevicePara(bool bIsShow)
{
    for (int nColumn : PARA_COLUMNS)
        m_pTable->setColumnHidden(nColumn, !bIsShow);
    emit siShowStatkedWidget(!bIsShow);
}

void CDlgDeviceList::slActvDevice(int nRow, int nColumn)
{
    if (nColumn == COL_NAME)
        ActivateRow(nRow);
}

void CDlgDeviceList::slChangedDeviceInfo(int nRow, int)
{
    const QTableWidgetItem *pName = m_pTable->item(nRow, COL_NAME);
    if (pName == nullptr)
        return;
    CDlgChangeDeviceInfo objDialog(pName->text(), m_pTable->item(nRow, COL_PORT)->text(),
                                   m_pTable->item(nRow, COL_ADDR)->text().toUShort(), this);
    ExecDialog(&objDialog);
    RebuildList();
}

void CDlgDeviceList::slNewDevice(const QString &strDeviceName)
{
    CDeviceBase *pDevice = CDeviceMgr::GetDevice(strDeviceName);
    if (pDevice == nullptr) {
        LOG_DEBUG() << "Can't find Device:" << strDeviceName;
        return;
    }
    AddDeviceRow(pDevice);
    if (FindRow(m_strActvDeviceName) < 0)
        ActivateRow(0);
}

void CDlgDeviceList::slDelDevice(const QList<QString> &objDevicesName)
{
    for (const QString &strName : objDevicesName) {
        const int nRow = FindRow(strName);
        if (nRow >= 0)
            m_pTable->removeRow(nRow);
    }
    if (FindRow(m_strActvDeviceName) >= 0)
        return;
    if (m_pTable->rowCount() > 0)
        ActivateRow(0);
    else
        ClearActive();
}

void CDlgDeviceList::slDeviceNameChanged(const QString &strDeviceName, const QString &strNewName)
{
    if (m_strActvDeviceName == strDeviceName)
        m_strActvDeviceName = strNewName;
    const int nRow = FindRow(strDeviceName);
    if (nRow >= 0)
        m_pTable->item(nRow, COL_NAME)->setText(strNewName);
}

void CDlgDeviceList::slDeviceStateChanged(const QString &strDeviceName, quint16 nState)
{
    const int nRow = FindRow(strDeviceName);
    if (nRow >= 0)
        SetNameState(m_pTable->item(nRow, COL_NAME), nState);
}

void CDlgDeviceList::slDeviceEditing(const QString &strDeviceName, bool bIsEditing)
{
    const int nRow = FindRow(strDeviceName);
    if (nRow >= 0)
        SetNameWeight(m_pTable->item(nRow, COL_NAME), bIsEditing);
}

void CDlgDeviceList::ForCheckedDevices(const QString &strNoneChecked, void (CDeviceBase::*pfnOper)())
{
    const QList<QString> lstNames = CheckedNames();
    if (lstNames.isEmpty()) {
        ShowInfoBox(strNoneChecked);
        return;
    }
    // The rows change colour when the devices report their new state.
    for (const QString &strName : lstNames) {
        if (CDeviceBase *pDevice = CDeviceMgr::GetDevice(strName))
            (pDevice->*pfnOper)();
        else
            LOG_DEBUG() << "Can't find Device:" << strName;
    }
}

void CDlgDeviceList::RebuildList()
{
    m_pTable->setRowCount(0);
    for (CDeviceBase *pDevice : CDeviceMgr::GetDeviceList())
        AddDeviceRow(pDevice);
    if (m_pTable->rowCount() > 0)
        ActivateRow(0);
    else
        ClearActive();
}

void CDlgDeviceList::AddDeviceRow(CDeviceBase *pDevice)
{
    // Numbered by the rows there are, so a number freed by a removal in the
    // middle can come again at the end.
    const int nRow = m_pTable->rowCount();
    m_pTable->insertRow(nRow);
    QTableWidgetItem *pNumber = NewCell(QString::asprintf("%03d", nRow + 1), Qt::AlignCenter);
    pNumber->setFlags(pNumber->flags() | Qt::ItemIsUserCheckable);
    pNumber->setCheckState(Qt::Unchecked);
    m_pTable->setItem(nRow, COL_NUMBER, pNumber);

    const QString strName = pDevice->GetName();
    QTableWidgetItem *pName = NewCell(strName, Qt::AlignLeft | Qt::AlignVCenter);
    const bool bIsEditing = emit siIsEditing(strName);
    SetNameWeight(pName, bIsEditing);
    SetNameState(pName, pDevice->GetState());
    m_pTable->setItem(nRow, COL_NAME, pName);

    m_pTable->setItem(nRow, COL_TYPE, NewCell(GetDeviceTypeName(pDevice->GetType()), Qt::AlignCenter));
    m_pTable->setItem(nRow, COL_PORT, NewCell(pDevice->GetPortName(), Qt::AlignCenter));
    m_pTable->setItem(nRow, COL_ADDR, NewCell(QString::number(pDevice->GetAddr()), Qt::AlignCenter));
}

void CDlgDeviceList::ActivateRow(int nRow)
{
    if (nRow < 0 || nRow >= m_pTable->rowCount())
        return;
    SetRowActive(FindRow(m_strActvDeviceName), false);
    SetRowActive(nRow, true);
    m_strActvDeviceName = m_pTable->item(nRow, COL_NAME)->text();
    emit siCurrActvDeviceName(m_strActvDeviceName);
}

void CDlgDeviceList::ClearActive()
{
    m_strActvDeviceName.clear();
    emit siCurrActvDeviceName(m_strActvDeviceName);
}

void CDlgDeviceList::SetRowActive(int nRow, bool bActive)
{
    if (nRow < 0)
        return;
    for (int nColumn : {COL_NUMBER, COL_NAME}) {
        if (bActive)
            m_pTable->item(nRow, nColumn)->setBackground(ACTIVE_COLOR);
        else
            m_pTable->item(nRow, nColumn)->setData(Qt::BackgroundRole, QVariant());
    }
}

int CDlgDeviceList::FindRow(const QString &strDeviceName) const
{
    if (strDeviceName.isEmpty())
        return -1;
    for (int nRow = 0; nRow < m_pTable->rowCount(); ++nRow) {
        if (m_pTable->item(nRow, COL_NAME)->text() == strDeviceName)
            return nRow;
    }
    return -1;
}

QList<QString> CDlgDeviceList::CheckedNames() const
{
    QList<QString> lstNames;
    for (int nRow = 0; nRow < m_pTable->rowCount(); ++nRow) {
        if (m_pTable->item(nRow, COL_NUMBER)->checkState() == Qt::Checked)
            lstNames.append(m_pTable->item(nRow, COL_NAME)->text());
    }
    return lstNames;
}
