#include "cdlgdevicemgr.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTabBar>
#include <QVBoxLayout>

#include "applog.h"
#include "ccfgfilemgr.h"
#include "ccomparamgr.h"
#include "cdevicemgr.h"
#include "cdlglinkparaset.h"
#include "cmtcombobox.h"
#include "cmttablewidget.h"
#include "cnetparamgr.h"
#include "commonfunc.h"
#include "cport_base.h"
#include "cportmgr.h"
#include "csdpushbutton.h"
#include "devicedefine.h"
#include "greenbutton.h"
#include "pushbutton.h"
#include "uiutils.h"

namespace {

const int TAB_COM = 0;
const int TAB_NET = 1;
const int MAX_NET_LINKS = 999;

const MT_TBL_COLUMN_S LINK_COLUMNS[] = {
    {CDlgDeviceMgr::COL_NAME, 100, false, T("链接")},
    {CDlgDeviceMgr::COL_DEVICE_TYPE, 80, false, T("设备类型")},
    {CDlgDeviceMgr::COL_START_ADDR, 80, false, T("起始地址")},
    {CDlgDeviceMgr::COL_END_ADDR, 80, false, T("结束地址")},
    {CDlgDeviceMgr::COL_PARA, 80, false, T("链接参数")},
    {CDlgDeviceMgr::COL_STATE, 80, false, T("状态操作")},
};

// The number of a network link: its name without "NET", read as a decimal
// number; names that leave no number count as 0.
int NetLinkNumber(QString strName)
{
    bool bOk = false;
    const int nNumber = strName.remove(QStringLiteral("NET")).toInt(&bOk, 10);
    return bOk ? nNumber : 0;
}

// A typed address beyond 16 bits must not wrap round to a small one: it is
// handed on as too large, and the device manager refuses it.
quint16 AddrOf(const QTableWidgetItem *pItem)
{
    const int nAddr = pItem->data(Qt::EditRole).toInt();
    return (nAddr < 0 || nAddr > 0xFFFF) ? 0xFFFF : quint16(nAddr);
}

void ShowLinkState(CSDPushButton *pButton, bool bIsOpen)
{
    pButton->setChecked(bIsOpen);
    pButton->setText(bIsOpen ? T("关闭") : T("启动"));
}

QTableWidgetItem *NewAddrItem()
{
    auto *pItem = new QTableWidgetItem;
    pItem->setData(Qt::EditRole, 1);
    pItem->setTextAlignment(Qt::AlignCenter);
    return pItem;
}

} // namespace

CDlgDeviceMgr::CDlgDeviceMgr(QWidget *pParent)
    : QWidget(pParent),
      m_pTabBar(new QTabBar(this)),
      m_pRefresh(new PushButton(this)),
      m_pComBox(new QWidget(this)),
      m_pComPath(new QLineEdit(m_pComBox)),
      m_pNetBox(new QWidget(this)),
      m_pAddDevice(new PushButton(this)),
      m_pTable(new CMTTableWidget(this))
{
    m_pTabBar->setFixedSize(200, 30);
    m_pTabBar->addTab(T("串口"));
    m_pTabBar->addTab(T("网络"));

    m_pRefresh->setFixedSize(30, 30);
    m_pRefresh->SetImagePath(QStringLiteral(":/img/refresh"));
    m_pRefresh->setToolTip(T("更新串口列表"));
    m_pAddDevice->setFixedSize(30, 30);
    m_pAddDevice->SetImagePath(QStringLiteral(":/img/adddevice"));
    m_pAddDevice->setToolTip(T("添加设备"));

    // Virtual pairs are not enumerated: their ends are added by path.
    m_pComBox->setFixedSize(305, 30);
    m_pComPath->setGeometry(0, 0, 220, 30);
    m_pComPath->setPlaceholderText(T("串口设备路径，如/dev/pts/3"));
    m_pComPath->setStyleSheet(QStringLiteral("background-color:rgb(194,217,233);border:1px solid darkgray"));
    QPushButton *pAddCom = NewGreenButton(T("添加串口"), m_pComBox);
    pAddCom->move(225, 0);

    m_pNetBox->setFixedSize(160, 30);
    QPushButton *pAddNet = NewGreenButton(T("新增"), m_pNetBox);
    QPushButton *pDelNet = NewGreenButton(T("移除"), m_pNetBox);
    pDelNet->move(80, 0);

    m_pTable->setObjectName(QStringLiteral("linkTable"));
    m_pTable->SetTblColumn(LINK_COLUMNS, int(sizeof(LINK_COLUMNS) / sizeof(LINK_COLUMNS[0])));

    auto *pBar = new QHBoxLayout;
    pBar->setAlignment(Qt::AlignLeft);
    pBar->setSpacing(20);
    pBar->setContentsMargins(0, 0, 0, 0);
    pBar->addWidget(m_pTabBar);
    pBar->addWidget(m_pRefresh);
    pBar->addWidget(m_pComBox);
    pBar->addWidget(m_pNetBox);
    pBar->addWidget(m_pAddDevice);
    auto *pLayout = new QVBoxLayout(this);
    pLayout->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    pLayout->setSpacing(5);
    pLayout->setContentsMargins(5, 5, 10, 10);
    pLayout->addLayout(pBar);
    pLayout->addWidget(m_pTable);

    connect(CPortMgr::GetInstance(), &CPortMgr::siPortState, this, &CDlgDeviceMgr::slPortStateChanged);
    connect(m_pTabBar, &QTabBar::currentChanged, this, &CDlgDeviceMgr::slPortTypeChanged);
    connect(m_pRefresh, &QPushButton::clicked, this, &CDlgDeviceMgr::slRefreshCOMPortList);
    connect(m_pAddDevice, &QPushButton::clicked, this, &CDlgDeviceMgr::slAddDevice);
    connect(pAddNet, &QPushButton::clicked, this, &CDlgDeviceMgr::slAddOneNetPortLink);
    connect(pDelNet, &QPushButton::clicked, this, &CDlgDeviceMgr::slDelOneNetPortLink);
    connect(pAddCom, &QPushButton::clicked, this, &CDlgDeviceMgr::slAddComPortPath);
    connect(m_pComPath, &QLineEdit::returnPressed, this, &CDlgDeviceMgr::slAddComPortPath);
    connect(CCfgFileMgr::GetInstance(), &CCfgFileMgr::siNewCfgFile, this, &CDlgDeviceMgr::slRefreshPortList);

    slPortTypeChanged(TAB_COM);
}

void CDlgDeviceMgr::slRefreshPortList()
{
    slPortTypeChanged(m_pTabBar->currentIndex());
}

void CDlgDeviceMgr::slRefreshCOMPortList()
{
    CComParaMgr::RefreshComList();
    QList<QPair<QString, bool>> lstRows;
    for (const COM_PARA_DATA_S &stPara : CComParaMgr::GetComParaList())
        lstRows.append({stPara.strPortName, stPara.nPresent != 0});
    RebuildTable(lstRows);
}

void CDlgDeviceMgr::slRefreshNetPortList()
{
    // Names whose numbers coincide (NET1, NET001) make one row: the later.
    QMap<int, QString> mapLinks;
    for (const NET_PARA_DATA_S &stPara : CNetParaMgr::GetNetParaList())
        mapLinks.insert(NetLinkNumber(stPara.strNetName), stPara.strNetName);
    QList<QPair<QString, bool>> lstRows;
    for (const QString &strName : qAsConst(mapLinks))
        lstRows.append({strName, true});
    RebuildTable(lstRows);
}

void CDlgDeviceMgr::slAddOneNetPortLink()
{
    if (m_pTable->rowCount() >= MAX_NET_LINKS) {
        ShowInfoBox(T("端口个数超过上限，不允许添加新端口！"));
        return;
    }
    // The first gap above the previous number, else one past the last; an
    // empty table starts at 0.
    int nNumber = 0;
    int nPrevious = 0;
    for (int nRow = 0; nRow < m_pTable->rowCount(); ++nRow) {
        const int nRowNumber = NetLinkNumber(RowName(nRow));
        if (nPrevious + 1 < nRowNumber) {
            nNumber = nPrevious + 1;
            break;
        }
        nPrevious = nRowNumber;
        nNumber = nRowNumber + 1;
    }
    CDlgLinkParaSet objDialog(m_pTabBar->currentIndex(), QString::asprintf("NET%03d", nNumber), this);
    if (ExecDialog(&objDialog) == QDialog::Accepted)
        slRefreshNetPortList();
}

void CDlgDeviceMgr::slDelOneNetPortLink()
{
    if (m_pTabBar->currentIndex() != TAB_NET)
        return;
    for (int nRow = 0; nRow < m_pTable->rowCount(); ++nRow) {
        if (!IsRowChecked(nRow))
            continue;
        const QString strName = RowName(nRow);
        if (CPortMgr::GetPort(strName) != nullptr)
            ShowInfoBox(T("端口正在服务设备，无法删除！- ") + strName);
        else if (!CNetParaMgr::DelNetPara(strName))
            ShowInfoBox(T("端口删除失败！") + strName);
    }
    slRefreshNetPortList();
}

void CDlgDeviceMgr::slAddDevice()
{
    bool bAnyChecked = false;
    for (int nRow = 0; nRow < m_pTable->rowCount(); ++nRow) {
        const auto *pType = qobject_cast<CMTComboBox *>(m_pTable->cellWidget(nRow, COL_DEVICE_TYPE));
        const QTableWidgetItem *pStart = m_pTable->item(nRow, COL_START_ADDR);
        const QTableWidgetItem *pEnd = m_pTable->item(nRow, COL_END_ADDR);
        if (!IsRowChecked(nRow) || pType == nullptr || pStart == nullptr || pEnd == nullptr)
            continue;
        bAnyChecked = true;
        const QString strResult = CDeviceMgr::AddDevice(QString(), RowName(nRow),
                                                        GetDeviceTypeOfIndex(quint16(pType->currentIndex())),
                                                        AddrOf(pStart), AddrOf(pEnd));
        if (strResult != QLatin1String(RESULT_OK))
            ShowInfoBox(strResult);
    }
    if (!bAnyChecked)
        ShowInfoBox(T("请选择添加设备所挂靠的链接/端口。"));
}

void CDlgDeviceMgr::slShowPortParaSet(int nRow, int)
{
    CDlgLinkParaSet objDialog(m_pTabBar->currentIndex(), RowName(nRow), this);
    if (ExecDialog(&objDialog) == QDialog::Accepted)
        ShowInfoBox(T("端口已重启，请重启设备业务！"));
}

void CDlgDeviceMgr::slCtrlPortState(int nRow, int)
{
    CSDPushButton *pButton = StateButton(nRow);
    if (pButton == nullptr)
        return;
    // The click has toggled the button already; it goes back to the link's
    // real state and changes only when the link reports a new one.
    const bool bLaunch = pButton->isChecked();
    ShowLinkState(pButton, !bLaunch);
    CPortBase *pPort = CPortMgr::GetPort(RowName(nRow));
    if (pPort == nullptr) {
        ShowInfoBox(T("该端口尚未关联任何设备，禁止操作端口状态！"));
        return;
    }
    if (bLaunch)
        pPort->LaunchPort();
    else
        pPort->StopPort();
    ShowInfoBox(T("端口控制命令已下发..."));
}

void CDlgDeviceMgr::slPortStateChanged(QString strPortName, bool bIsOpen)
{
    for (int nRow = 0; nRow < m_pTable->rowCount(); ++nRow) {
        if (RowName(nRow) == strPortName) {
            if (CSDPushButton *pButton = StateButton(nRow))
                ShowLinkState(pButton, bIsOpen);
            return;
        }
    }
}

void CDlgDeviceMgr::slPortTypeChanged(int nIndex)
{
    const bool bNet = nIndex == TAB_NET;
    m_pNetBox->setVisible(bNet);
    m_pRefresh->setVisible(!bNet);
    m_pComBox->setVisible(!bNet);
    if (bNet)
        slRefreshNetPortList();
    else
        slRefreshCOMPortList();
}

void CDlgDeviceMgr::slAddComPortPath()
{
    const QString strPath = m_pComPath->text().trimmed();
    if (strPath.isEmpty())
        return;
    if (!CComParaMgr::AddComPort(strPath)) {
        ShowInfoBox(T("未找到该串口设备：") + strPath);
        return;
    }
    m_pComPath->clear();
    slRefreshCOMPortList();
}

bool CDlgDeviceMgr::AddOnePortRow(int nRow, const QString &strName, bool bEnabled)
{
    // A link object exists only while devices use the link.
    const CPortBase *pPort = CPortMgr::GetPort(strName);

    auto *pName = new QTableWidgetItem(strName);
    pName->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    pName->setCheckState(Qt::Unchecked);
    m_pTable->setItem(nRow, COL_NAME, pName);
    m_pTable->setItem(nRow, COL_START_ADDR, NewAddrItem());
    m_pTable->setItem(nRow, COL_END_ADDR, NewAddrItem());

    auto *pType = new CMTComboBox(nRow, COL_DEVICE_TYPE, m_pTable->viewport());
    quint16 nTypes = 0;
    const DEVICE_TYPE_INFO_S *pTypes = GetDeviceTypeInfoTable(nTypes);
    for (quint16 i = 0; i < nTypes; ++i)
        pType->addItem(QStringLiteral("  ") + QString::fromUtf8(pTypes[i].pLabel), i);
    if (pPort != nullptr) {
        // A link serves one kind of device: offer the kind it serves.
        const QList<quint16> lstIndexes = GetDeviceTypeIndexesOfWorkMode(pPort->GetWorkMode());
        if (lstIndexes.isEmpty())
            LOG_DEBUG() << "ERROR: Invalid port mode:" << strName << pPort->GetWorkMode();
        else
            pType->setCurrentIndex(lstIndexes.first());
    }
    m_pTable->setCellWidget(nRow, COL_DEVICE_TYPE, pType);

    auto *pPara = new CSDPushButton(nRow, COL_PARA, m_pTable->viewport());
    pPara->setText(T("配置"));
    pPara->setObjectName(QStringLiteral("greenButton"));
    connect(pPara, &CSDPushButton::siClicked, this, &CDlgDeviceMgr::slShowPortParaSet);
    m_pTable->setCellWidget(nRow, COL_PARA, pPara);

    auto *pState = new CSDPushButton(nRow, COL_STATE, m_pTable->viewport());
    pState->setCheckable(true);
    pState->setObjectName(QStringLiteral("checkedButton"));
    ShowLinkState(pState, pPort != nullptr && pPort->IsOpen());
    connect(pState, &CSDPushButton::siClicked, this, &CDlgDeviceMgr::slCtrlPortState);
    m_pTable->setCellWidget(nRow, COL_STATE, pState);

    if (!bEnabled) {
        for (int nColumn : {COL_NAME, COL_START_ADDR, COL_END_ADDR})
            m_pTable->item(nRow, nColumn)->setFlags(Qt::NoItemFlags);
        for (QWidget *pWidget : std::initializer_list<QWidget *>{pType, pPara, pState})
            pWidget->setEnabled(false);
    }
    return true;
}

QString CDlgDeviceMgr::RowName(int nRow) const
{
    const QTableWidgetItem *pItem = m_pTable->item(nRow, COL_NAME);
    return pItem != nullptr ? pItem->text() : QString();
}

bool CDlgDeviceMgr::IsRowChecked(int nRow) const
{
    const QTableWidgetItem *pItem = m_pTable->item(nRow, COL_NAME);
    return pItem != nullptr && pItem->checkState() == Qt::Checked;
}

CSDPushButton *CDlgDeviceMgr::StateButton(int nRow) const
{
    return qobject_cast<CSDPushButton *>(m_pTable->cellWidget(nRow, COL_STATE));
}

void CDlgDeviceMgr::RebuildTable(const QList<QPair<QString, bool>> &lstRows)
{
    // Every row carries three widgets, and a widget shown or moved among
    // visible siblings costs time in proportion to their number: with hundreds
    // of links the rows are made and placed while the viewport is hidden.
    QWidget *pViewport = m_pTable->viewport();
    pViewport->hide();
    m_pTable->setRowCount(0);
    m_pTable->setRowCount(lstRows.size());
    for (int nRow = 0; nRow < lstRows.size(); ++nRow)
        AddOnePortRow(nRow, lstRows.at(nRow).first, lstRows.at(nRow).second);
    m_pTable->doItemsLayout();
    pViewport->show();
}
