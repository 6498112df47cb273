#include "cdlgdevicedatabase.h"

#include "applog.h"
#include "ccfgfilemgr.h"
#include "cdevicebase.h"
#include "cdevicemgr.h"
#include "cdlgdevicesel.h"
#include "cdlgexportdevicecfg.h"
#include "cdlginputnum.h"
#include "cdlglinkcurve.h"
#include "cdlgparaset.h"
#include "cdlgprogress.h"
#include "cdlgsigsel.h"
#include "cdlgtestframeinput.h"
#include "cmtcombobox.h"
#include "cmttablewidget.h"
#include "commonfunc.h"
#include "csearchbox.h"
#include "datacfgrule.h"
#include "uiutils.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QColor VALUE_TEXT_COLOR(0, 0, 205);
const QColor VALUE_BACK_COLOR(224, 255, 255);
const QColor VALUE_CHANGED_COLOR(255, 69, 0);
const QColor ROW_MARK_COLOR(255, 196, 196);
// From this many points on, the configuration state fills one row per timer
// tick behind a progress dialog, so the window keeps painting.
const int PROGRESSIVE_LOAD_FROM = 11;
// Rows above and below the view that get their selection lists ahead of scrolling.
const int LIST_ROW_MARGIN = 5;

const MT_TBL_COLUMN_S DATA_COLUMNS[CDlgDeviceDataBase::COL_COUNT] = {
    {CDlgDeviceDataBase::COL_ID, 50, false, T("ID")},
    {CDlgDeviceDataBase::COL_IS_SHOW, 0, false, QString()},
    {CDlgDeviceDataBase::COL_NAME, 200, false, T("名称")},
    {CDlgDeviceDataBase::COL_BLOCK, 140, false, T("区块")},
    {CDlgDeviceDataBase::COL_ADDR, 80, false, T("地址")},
    {CDlgDeviceDataBase::COL_SIZE, 50, false, T("数量")},
    {CDlgDeviceDataBase::COL_VALUE, 100, false, T("数值")},
    {CDlgDeviceDataBase::COL_UNIT, 80, false, T("单位")},
    {CDlgDeviceDataBase::COL_RANGE, 100, false, T("范围")},
    {CDlgDeviceDataBase::COL_GAIN, 100, false, T("系数")},
    {CDlgDeviceDataBase::COL_BREAD, 70, false, T("批量读")},
    {CDlgDeviceDataBase::COL_BWRITE, 70, false, T("批量写")},
    {CDlgDeviceDataBase::COL_CURVE, 70, false, T("曲线")},
    {CDlgDeviceDataBase::COL_PRTC_TYPE, 100, false, T("传输类型")},
    {CDlgDeviceDataBase::COL_SHOW_TYPE, 100, false, T("呈现类型")},
    {CDlgDeviceDataBase::COL_BYTE_ODER, 80, false, T("字节序")},
    {CDlgDeviceDataBase::COL_WORD_ODER, 80, false, T("字序")},
    {CDlgDeviceDataBase::COL_INTERVAL, 80, false, T("间隔时间")},
    {CDlgDeviceDataBase::COL_TIMEOUT, 80, false, T("超时时间")},
    {CDlgDeviceDataBase::COL_RESEND, 80, false, T("重发次数")},
};

const int COMBO_COLUMNS[] = {CDlgDeviceDataBase::COL_BLOCK, CDlgDeviceDataBase::COL_PRTC_TYPE,
                             CDlgDeviceDataBase::COL_SHOW_TYPE, CDlgDeviceDataBase::COL_BYTE_ODER,
                             CDlgDeviceDataBase::COL_WORD_ODER};

bool IsEditableTextColumn(int nColumn)
{
    switch (nColumn) {
    case CDlgDeviceDataBase::COL_NAME:
    case CDlgDeviceDataBase::COL_ADDR:
    case CDlgDeviceDataBase::COL_SIZE:
    case CDlgDeviceDataBase::COL_UNIT:
    case CDlgDeviceDataBase::COL_RANGE:
    case CDlgDeviceDataBase::COL_GAIN:
    case CDlgDeviceDataBase::COL_INTERVAL:
    case CDlgDeviceDataBase::COL_TIMEOUT:
    case CDlgDeviceDataBase::COL_RESEND:
        return true;
    default:
        return false;
    }
}

bool IsCheckColumn(int nColumn)
{
    return nColumn == CDlgDeviceDataBase::COL_BREAD || nColumn == CDlgDeviceDataBase::COL_BWRITE
        || nColumn == CDlgDeviceDataBase::COL_CURVE;
}

Qt::Alignment ColumnAlignment(int nColumn)
{
    if (nColumn == CDlgDeviceDataBase::COL_NAME)
        return Qt::AlignLeft | Qt::AlignVCenter;
    if (nColumn == CDlgDeviceDataBase::COL_GAIN)
        return Qt::AlignRight | Qt::AlignVCenter;
    return Qt::AlignCenter;
}

QString GainText(double fGain)
{
    return QString::number(fGain, 'g', 15);
}

Qt::CheckState CheckOf(quint16 nFlag)
{
    return nFlag != 0 ? Qt::Checked : Qt::Unchecked;
}

// Only the entries in lstAllowed can be chosen; the entry index is the value.
void OfferEntries(CMTComboBox *pCombo, const QList<quint16> &lstAllowed)
{
    auto *pModel = qobject_cast<QStandardItemModel *>(pCombo->model());
    if (pModel == nullptr)
        return;
    for (int i = 0; i < pModel->rowCount(); ++i)
        pModel->item(i)->setEnabled(lstAllowed.contains(quint16(i)));
}

} // namespace

CDlgDeviceDataBase::CDlgDeviceDataBase(const QString &strDeviceName, QWidget *pParent)
    : QWidget(pParent), m_strDeviceName(strDeviceName)
{
    m_lstHideColumn << COL_IS_SHOW;
    m_pTable = new CMTTableWidget(this);
    m_pTable->SetTblColumn(DATA_COLUMNS, COL_COUNT);
    // The lists sit in cells barely wider than their longest entry.
    m_pTable->setStyleSheet(QStringLiteral("QComboBox { padding: 1px 2px; } QComboBox::drop-down { width: 14px; }"));
    connect(m_pTable, &QTableWidget::cellDoubleClicked, this, &CDlgDeviceDataBase::slInfoTblcellDoubleClicked);
    connect(m_pTable, &CMTTableWidget::siCellLongPressed, this, &CDlgDeviceDataBase::slInfoTblcellLongPressed);
    connect(m_pTable, &QTableWidget::cellChanged, this, &CDlgDeviceDataBase::slInfoTblcellChanged);
    connect(m_pTable->verticalScrollBar(), &QScrollBar::valueChanged, this, &CDlgDeviceDataBase::EnsureCellLists);
    m_pTable->viewport()->installEventFilter(this);

    m_pLoadTimer = new QTimer(this);
    m_pLoadTimer->setSingleShot(true);
    connect(m_pLoadTimer, &QTimer::timeout, this, &CDlgDeviceDataBase::slTimerLoadCfg);

    CDeviceBase *pDevice = CDeviceMgr::GetDevice(m_strDeviceName);
    if (pDevice == nullptr) {
        LOG_DEBUG().noquote() << "Invalid Device Obj:" + m_strDeviceName;
        return;
    }
    connect(pDevice, &CDeviceBase::siRefreshDeviceData, this, &CDlgDeviceDataBase::slRefreshDeviceData);
    connect(pDevice, &CDeviceBase::siGetDeviceData, this, &CDlgDeviceDataBase::slGetDeviceData);
}

CDlgDeviceDataBase::~CDlgDeviceDataBase()
{
    if (m_mapCurves.isEmpty())
        return;
    CDlgLinkDataCurve *pCurve = CDlgLinkDataCurve::GetInstance();
    for (auto it = m_mapCurves.constBegin(); it != m_mapCurves.constEnd(); ++it)
        pCurve->DelLegend(m_strDeviceName, it.value(), it.key());
}

QPushButton *CDlgDeviceDataBase::AddToolButton(const QString &strText, int nWidth, bool bCheckable)
{
    auto *pButton = new QPushButton(strText, this);
    pButton->setObjectName(bCheckable ? QStringLiteral("checkedButton") : QStringLiteral("greenButton"));
    pButton->setCheckable(bCheckable);
    pButton->setFixedSize(nWidth, 30);
    m_pToolLayout->addWidget(pButton);
    return pButton;
}

void CDlgDeviceDataBase::InitPageItems()
{
    auto *pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(5, 5, 5, 5);
    pLayout->setSpacing(5);
    m_pToolLayout = new QHBoxLayout;
    m_pToolLayout->setSpacing(5);
    m_pToolLayout->setAlignment(Qt::AlignLeft);
    pLayout->addLayout(m_pToolLayout);
    pLayout->addWidget(m_pTable);

    m_pSearchBox = new CSearchBox(this);
    m_pSearchBox->SetTargetTable(m_pTable, COL_NAME);
    m_pToolLayout->addWidget(m_pSearchBox);

    m_pBtnCfg = AddToolButton(T("配置"), 60, true);
    m_pBtnCfg->setToolTip(T("切换为数据操作态或配置态"));
    connect(m_pBtnCfg, &QPushButton::clicked, this, &CDlgDeviceDataBase::slDataOperChanged);
    connect(AddToolButton(T("筛选列"), 60), &QPushButton::clicked, this,
            &CDlgDeviceDataBase::slShowDlgColumSelect);

    struct TOOL_BUTTON_S
    {
        const char *pText;
        int nWidth;
        bool bEditing;
        void (CDlgDeviceDataBase::*pfnSlot)();
    };
    const TOOL_BUTTON_S BUTTONS[] = {
        {"筛选行", 60, false, &CDlgDeviceDataBase::slShowDlgHideData},
        {"筛选区块", 80, false, &CDlgDeviceDataBase::slShowDlgHideDataBlock},
        {"新增", 60, true, &CDlgDeviceDataBase::slShowDlgNewDataCfg},
        {"删除", 60, true, &CDlgDeviceDataBase::slDelDataCfg},
        {"上移", 60, true, &CDlgDeviceDataBase::slMoveUpDataCfg},
        {"下移", 60, true, &CDlgDeviceDataBase::slMoveDnDataCfg},
        {"高级", 60, true, &CDlgDeviceDataBase::slShowDlgAdvancedPara},
        {"同步", 60, true, &CDlgDeviceDataBase::slShowDlgCopyCfg},
        {"导入", 60, true, &CDlgDeviceDataBase::slShowDlgImportCfg},
        {"导出", 60, true, &CDlgDeviceDataBase::slShowDlgExportCfg},
        {"解析报文", 80, false, &CDlgDeviceDataBase::slShowDlgParseFrame},
        {"曲线", 60, false, &CDlgDeviceDataBase::slShowDataCurve},
    };
    for (const TOOL_BUTTON_S &stButton : BUTTONS) {
        QPushButton *pButton = AddToolButton(T(stButton.pText), stButton.nWidth);
        connect(pButton, &QPushButton::clicked, this, stButton.pfnSlot);
        (stButton.bEditing ? m_lstEditButtons : m_lstOperButtons).append(pButton);
    }

    for (int nColumn : qAsConst(m_lstHideColumn))
        m_pTable->setColumnHidden(nColumn, true);
    SetButtonsForState();
}

void CDlgDeviceDataBase::SetButtonsForState()
{
    for (QPushButton *pButton : qAsConst(m_lstEditButtons))
        pButton->setVisible(m_bCfgState);
    for (QPushButton *pButton : qAsConst(m_lstOperButtons))
        pButton->setVisible(!m_bCfgState);
}

void CDlgDeviceDataBase::SetDeviceRunning(bool) {}

void CDlgDeviceDataBase::SynDeviceOper(quint16, bool, bool) {}

void CDlgDeviceDataBase::SetDeviceName(const QString &strName)
{
    if (!m_mapCurves.isEmpty())
        CDlgLinkDataCurve::GetInstance()->ChangeDeviceLegendName(m_strDeviceName, strName);
    m_strDeviceName = strName;
}

// ---------------------------------------------------------------- loading

void CDlgDeviceDataBase::LoadDataCfg()
{
    m_pLoadTimer->stop();
    m_pTable->setRowCount(0);
    const QList<DEVICE_DATA_CFG_S> lstCfg = CCfgFileMgr::GetInstance()->GetDeviceDataCfgList(m_strDeviceName);
    m_nLastID = lstCfg.isEmpty() ? 0 : lstCfg.last().nID;
    SyncCurveLegends(lstCfg);

    m_pTable->setRowCount(lstCfg.size());
    if (!m_bCfgState || lstCfg.size() < PROGRESSIVE_LOAD_FROM) {
        for (int nRow = 0; nRow < lstCfg.size(); ++nRow)
            InitDataRow(nRow, lstCfg.at(nRow), m_bCfgState);
        return;
    }
    m_nLoadedRows = 0;
    m_pLoadTimer->start(1);
    CDlgProgress objDlg(T("配置加载中(") + m_strDeviceName + T(")"), this);
    connect(this, &CDlgDeviceDataBase::siCfgLoadProgress, &objDlg, &CDlgProgress::slProgressChanged);
    ExecDialog(&objDlg);
    // The dialog may have been closed early (Esc): the rows must all be
    // there before anything reads them back into the store.
    FinishLoad();
}

void CDlgDeviceDataBase::slTimerLoadCfg()
{
    const QList<DEVICE_DATA_CFG_S> &lstCfg = CCfgFileMgr::GetInstance()->GetDeviceDataCfgList(m_strDeviceName);
    const int nRow = m_nLoadedRows;
    if (nRow >= lstCfg.size()) {
        emit siCfgLoadProgress(100);
        return;
    }
    InitDataRow(nRow, lstCfg.at(nRow), true);
    ++m_nLoadedRows;
    emit siCfgLoadProgress(int(100LL * (nRow + 1) / lstCfg.size()));
    m_pLoadTimer->start(1);
}

void CDlgDeviceDataBase::FinishLoad()
{
    m_pLoadTimer->stop();
    const QList<DEVICE_DATA_CFG_S> &lstCfg = CCfgFileMgr::GetInstance()->GetDeviceDataCfgList(m_strDeviceName);
    for (int nRow = m_nLoadedRows; nRow < lstCfg.size(); ++nRow)
        InitDataRow(nRow, lstCfg.at(nRow), true);
    m_nLoadedRows = lstCfg.size();
    EnsureCellLists();
}

void CDlgDeviceDataBase::SyncCurveLegends(const QList<DEVICE_DATA_CFG_S> &lstCfg)
{
    QHash<quint32, QString> mapWanted;
    for (const DEVICE_DATA_CFG_S &objCfg : lstCfg) {
        if (objCfg.nCurveShow != 0)
            mapWanted.insert(objCfg.nID, objCfg.strName);
    }
    if (mapWanted.isEmpty() && m_mapCurves.isEmpty())
        return;
    // Curves that stay keep the values they collected.
    CDlgLinkDataCurve *pCurve = CDlgLinkDataCurve::GetInstance();
    for (auto it = m_mapCurves.constBegin(); it != m_mapCurves.constEnd(); ++it) {
        if (mapWanted.value(it.key()) != it.value())
            pCurve->DelLegend(m_strDeviceName, it.value(), it.key());
    }
    for (auto it = mapWanted.constBegin(); it != mapWanted.constEnd(); ++it) {
        if (!m_mapCurves.contains(it.key()) || m_mapCurves.value(it.key()) != it.value())
            pCurve->AddLegend(m_strDeviceName, it.value(), it.key());
    }
    m_mapCurves = mapWanted;
}

// ---------------------------------------------------------------- rows

void CDlgDeviceDataBase::InitDataRow(int nRow, const DEVICE_DATA_CFG_S &objCfg, bool bCfgState)
{
    const QSignalBlocker objBlocker(m_pTable);
    if (bCfgState)
        BuildCfgRow(nRow, objCfg);
    else
        BuildOperRow(nRow, objCfg);
}

void CDlgDeviceDataBase::BuildOperRow(int nRow, const DEVICE_DATA_CFG_S &objCfg)
{
    const Qt::ItemFlags nReadOnly = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    for (int nColumn = 0; nColumn < COL_COUNT; ++nColumn) {
        auto *pItem = new QTableWidgetItem;
        pItem->setFlags(IsCheckColumn(nColumn) ? Qt::ItemIsUserCheckable : nReadOnly);
        pItem->setTextAlignment(ColumnAlignment(nColumn));
        m_pTable->setItem(nRow, nColumn, pItem);
    }
    ApplyCfgToRow(nRow, objCfg);
    ResetDataValueCell(nRow);
    m_pTable->setRowHidden(nRow, objCfg.nIsShow == 0);
}

void CDlgDeviceDataBase::BuildCfgRow(int nRow, const DEVICE_DATA_CFG_S &objCfg)
{
    for (int nColumn = 0; nColumn < COL_COUNT; ++nColumn) {
        auto *pItem = new QTableWidgetItem;
        Qt::ItemFlags nFlags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (IsEditableTextColumn(nColumn))
            nFlags |= Qt::ItemIsEditable;
        if (nColumn == COL_NAME)
            nFlags |= Qt::ItemIsUserCheckable;
        pItem->setFlags(nFlags);
        if (nColumn == COL_NAME)
            pItem->setCheckState(Qt::Unchecked);
        pItem->setTextAlignment(ColumnAlignment(nColumn));
        m_pTable->setItem(nRow, nColumn, pItem);
    }
    ResetDataValueCell(nRow);
    m_pTable->setRowHidden(nRow, false);
    DEVICE_DATA_CFG_S objShown = objCfg;
    ApplyDataSizeRule(objShown);
    ApplyCfgToRow(nRow, objShown);
    if (IsInListWindow(nRow))
        CreateCellLists(nRow);
}

void CDlgDeviceDataBase::ApplyCfgToRow(int nRow, const DEVICE_DATA_CFG_S &objCfg)
{
    const QSignalBlocker objBlocker(m_pTable);
    auto fnSetText = [&](int nColumn, const QString &strText) {
        if (QTableWidgetItem *pItem = m_pTable->item(nRow, nColumn))
            pItem->setText(strText);
    };
    fnSetText(COL_ID, QString::number(objCfg.nID));
    fnSetText(COL_IS_SHOW, QString::number(objCfg.nIsShow));
    fnSetText(COL_NAME, objCfg.strName);
    fnSetText(COL_ADDR, QString::number(objCfg.nAddr));
    fnSetText(COL_SIZE, QString::number(objCfg.nSize));
    fnSetText(COL_UNIT, objCfg.strUnit);
    fnSetText(COL_RANGE, objCfg.strRange);
    fnSetText(COL_GAIN, GainText(objCfg.fGain));
    fnSetText(COL_INTERVAL, QString::number(objCfg.nIntervalTime));
    fnSetText(COL_TIMEOUT, QString::number(objCfg.nTimeOut));
    fnSetText(COL_RESEND, QString::number(objCfg.nResendCount));
    // The list cells keep their value under the list, so rows without a list
    // (out of view, or in the data-operation state) read back the same.
    auto fnSetChoice = [&](int nColumn, quint16 nValue, const QString &strText) {
        if (QTableWidgetItem *pItem = m_pTable->item(nRow, nColumn)) {
            pItem->setData(Qt::UserRole, nValue);
            pItem->setText(strText);
        }
    };
    fnSetChoice(COL_BLOCK, objCfg.nBlock, GetBlockName(objCfg.nBlock));
    fnSetChoice(COL_PRTC_TYPE, objCfg.nPrtcType, GetPrtcTypeName(objCfg.nPrtcType));
    fnSetChoice(COL_SHOW_TYPE, objCfg.nShowType, GetShowTypeName(objCfg.nShowType));
    fnSetChoice(COL_BYTE_ODER, objCfg.nByteOder, GetByteOderCellName(objCfg.nByteOder));
    fnSetChoice(COL_WORD_ODER, objCfg.nWordOder, GetByteOderCellName(objCfg.nWordOder));

    const DATA_CFG_FORM_S stForm = GetDataCfgForm(objCfg);
    auto fnSetCheck = [&](int nColumn, quint16 nFlag, bool bEnabled) {
        if (QTableWidgetItem *pItem = m_pTable->item(nRow, nColumn)) {
            pItem->setFlags(bEnabled ? Qt::ItemIsUserCheckable | Qt::ItemIsEnabled : Qt::ItemIsUserCheckable);
            pItem->setCheckState(CheckOf(nFlag));
        }
    };
    fnSetCheck(COL_BREAD, objCfg.nIsBRead, m_bCfgState);
    fnSetCheck(COL_BWRITE, objCfg.nIsBWrite, m_bCfgState && stForm.bBWrite);
    fnSetCheck(COL_CURVE, objCfg.nCurveShow, m_bCfgState && stForm.bCurve);
    ApplyCfgToLists(nRow, objCfg);
}

void CDlgDeviceDataBase::ApplyCfgToLists(int nRow, const DEVICE_DATA_CFG_S &objCfg)
{
    auto fnCombo = [&](int nColumn) { return qobject_cast<CMTComboBox *>(m_pTable->cellWidget(nRow, nColumn)); };
    if (fnCombo(COL_BLOCK) == nullptr)
        return;
    const quint16 nValues[] = {objCfg.nBlock, objCfg.nPrtcType, objCfg.nShowType, objCfg.nByteOder, objCfg.nWordOder};
    for (int i = 0; i < 5; ++i) {
        CMTComboBox *pCombo = fnCombo(COMBO_COLUMNS[i]);
        const QSignalBlocker objComboBlocker(pCombo);
        pCombo->SetRowColumn(unsigned(nRow), unsigned(COMBO_COLUMNS[i]));
        pCombo->setCurrentIndex(nValues[i]);
    }
    const DATA_CFG_FORM_S stForm = GetDataCfgForm(objCfg);
    OfferEntries(fnCombo(COL_PRTC_TYPE), stForm.lstPrtcTypes);
    OfferEntries(fnCombo(COL_SHOW_TYPE), stForm.lstShowTypes);
    fnCombo(COL_BYTE_ODER)->setEnabled(stForm.bByteOder);
    fnCombo(COL_WORD_ODER)->setEnabled(stForm.bWordOder);
}

// ---------------------------------------------------------------- selection lists

// A list widget in every cell of a big table makes each layout and paint of
// the view walk thousands of widgets. Lists exist only on the rows in view
// (and a few around them); the cell under a list holds the same value.
bool CDlgDeviceDataBase::IsInListWindow(int nRow) const
{
    const int nHeight = m_pTable->viewport()->height();
    const int nFirst = qMax(0, m_pTable->rowAt(0));
    int nLast = m_pTable->rowAt(nHeight - 1);
    if (nLast < 0) // below the last row, or a view not laid out yet
        nLast = nHeight > 0 ? m_pTable->rowCount() - 1 : nFirst;
    return nRow >= nFirst - LIST_ROW_MARGIN && nRow <= nLast + LIST_ROW_MARGIN;
}

void CDlgDeviceDataBase::CreateCellLists(int nRow)
{
    struct COMBO_S
    {
        int nColumn;
        const QList<SHOW_TABLE_ITEM_S> &lstTable;
        void (CDlgDeviceDataBase::*pfnSlot)(int, int, int);
    };
    const COMBO_S COMBOS[] = {
        {COL_BLOCK, GetBlockTable(), &CDlgDeviceDataBase::slDataBlockChanged},
        {COL_PRTC_TYPE, GetPrtcTypeTable(), &CDlgDeviceDataBase::slDataPrtcTypeChanged},
        {COL_SHOW_TYPE, GetShowTypeTable(), &CDlgDeviceDataBase::slDataShowTypeChanged},
        {COL_BYTE_ODER, GetByteOderTable(), &CDlgDeviceDataBase::slDataOderChanged},
        {COL_WORD_ODER, GetByteOderTable(), &CDlgDeviceDataBase::slDataOderChanged},
    };
    DEVICE_DATA_CFG_S objCfg;
    if (!GetRowDataCfg(nRow, objCfg))
        return;
    for (const COMBO_S &stCombo : COMBOS) {
        auto *pCombo = new CMTComboBox(unsigned(nRow), unsigned(stCombo.nColumn), m_pTable->viewport());
        pCombo->FillItems(stCombo.lstTable, 0);
        connect(pCombo, &CMTComboBox::siCurrentIndexChanged, this, stCombo.pfnSlot);
        m_pTable->setCellWidget(nRow, stCombo.nColumn, pCombo);
    }
    ApplyCfgToLists(nRow, objCfg);
}

void CDlgDeviceDataBase::EnsureCellLists()
{
    if (!m_bCfgState)
        return;
    for (int nRow = 0; nRow < m_pTable->rowCount(); ++nRow) {
        const bool bWanted = IsInListWindow(nRow) && m_pTable->item(nRow, COL_ID) != nullptr;
        const bool bHas = m_pTable->cellWidget(nRow, COL_BLOCK) != nullptr;
        if (bWanted && !bHas) {
            CreateCellLists(nRow);
        } else if (!bWanted && bHas) {
            for (int nColumn : COMBO_COLUMNS)
                m_pTable->removeCellWidget(nRow, nColumn);
        } else if (bHas) {
            // Rows above were removed or inserted: the lists must name their own row.
            for (int nColumn : COMBO_COLUMNS)
                qobject_cast<CMTComboBox *>(m_pTable->cellWidget(nRow, nColumn))
                    ->SetRowColumn(unsigned(nRow), unsigned(nColumn));
        }
    }
}

bool CDlgDeviceDataBase::eventFilter(QObject *pWatched, QEvent *pEvent)
{
    if (pWatched == m_pTable->viewport() && pEvent->type() == QEvent::Resize)
        EnsureCellLists();
    return QWidget::eventFilter(pWatched, pEvent);
}

void CDlgDeviceDataBase::ResetDataValueCell(int nRow)
{
    QTableWidgetItem *pItem = m_pTable->item(nRow, COL_VALUE);
    if (pItem == nullptr)
        return;
    const QSignalBlocker objBlocker(m_pTable);
    pItem->setText(QString::fromLatin1(EMPTY_VALUE_TEXT));
    pItem->setForeground(VALUE_TEXT_COLOR);
    pItem->setBackground(VALUE_BACK_COLOR);
}

bool CDlgDeviceDataBase::GetRowDataCfg(int nRow, DEVICE_DATA_CFG_S &objCfg)
{
    if (nRow < 0 || nRow >= m_pTable->rowCount())
        return false;
    QTableWidgetItem *pItems[COL_COUNT];
    for (int nColumn = 0; nColumn < COL_COUNT; ++nColumn) {
        pItems[nColumn] = m_pTable->item(nRow, nColumn);
        if (pItems[nColumn] == nullptr)
            return false;
    }
    auto fnChecked = [&](int nColumn) -> quint16 { return pItems[nColumn]->checkState() == Qt::Checked ? 1 : 0; };
    auto fnChoice = [&](int nColumn) { return quint16(pItems[nColumn]->data(Qt::UserRole).toUInt()); };
    objCfg.nID = pItems[COL_ID]->text().toUInt();
    objCfg.nIsShow = pItems[COL_IS_SHOW]->text().toUShort();
    objCfg.nIsBRead = fnChecked(COL_BREAD);
    objCfg.nIsBWrite = fnChecked(COL_BWRITE);
    objCfg.nCurveShow = fnChecked(COL_CURVE);
    objCfg.strName = pItems[COL_NAME]->text();
    objCfg.nBlock = fnChoice(COL_BLOCK);
    objCfg.nAddr = pItems[COL_ADDR]->text().toUShort();
    objCfg.nSize = pItems[COL_SIZE]->text().toUShort();
    objCfg.strUnit = pItems[COL_UNIT]->text();
    objCfg.strRange = pItems[COL_RANGE]->text();
    objCfg.fGain = pItems[COL_GAIN]->text().toDouble();
    objCfg.nIntervalTime = pItems[COL_INTERVAL]->text().toUInt();
    objCfg.nPrtcType = fnChoice(COL_PRTC_TYPE);
    objCfg.nShowType = fnChoice(COL_SHOW_TYPE);
    objCfg.nByteOder = fnChoice(COL_BYTE_ODER);
    objCfg.nWordOder = fnChoice(COL_WORD_ODER);
    objCfg.nTimeOut = pItems[COL_TIMEOUT]->text().toUInt();
    objCfg.nResendCount = pItems[COL_RESEND]->text().toUShort();
    return true;
}

QList<DEVICE_DATA_CFG_S> CDlgDeviceDataBase::ReadAllRows()
{
    QList<DEVICE_DATA_CFG_S> lstRows;
    lstRows.reserve(m_pTable->rowCount());
    for (int nRow = 0; nRow < m_pTable->rowCount(); ++nRow) {
        DEVICE_DATA_CFG_S objCfg;
        if (!GetRowDataCfg(nRow, objCfg))
            LOG_DEBUG().noquote() << "Get UI Cfg Failed:" << nRow;
        lstRows.append(objCfg);
    }
    return lstRows;
}

const DEVICE_DATA_CFG_S *CDlgDeviceDataBase::FindDataCfg(quint32 nDataID) const
{
    const QList<DEVICE_DATA_CFG_S> &lstCfg = CCfgFileMgr::GetInstance()->GetDeviceDataCfgList(m_strDeviceName);
    // Points are numbered 1 ... n by every load and write-back; look further only when not.
    const int nGuess = int(nDataID) - 1;
    if (nGuess >= 0 && nGuess < lstCfg.size() && lstCfg.at(nGuess).nID == nDataID)
        return &lstCfg.at(nGuess);
    for (const DEVICE_DATA_CFG_S &objCfg : lstCfg) {
        if (objCfg.nID == nDataID)
            return &objCfg;
    }
    return nullptr;
}

quint32 CDlgDeviceDataBase::RowDataID(int nRow) const
{
    const QTableWidgetItem *pItem = m_pTable->item(nRow, COL_ID);
    return pItem != nullptr ? pItem->text().toUInt() : 0;
}

QString CDlgDeviceDataBase::ValueText(int nRow) const
{
    const QTableWidgetItem *pItem = m_pTable->item(nRow, COL_VALUE);
    return pItem != nullptr ? pItem->text() : QString();
}

void CDlgDeviceDataBase::SetValueText(int nRow, const QString &strText)
{
    QTableWidgetItem *pItem = m_pTable->item(nRow, COL_VALUE);
    if (pItem == nullptr)
        return;
    const QSignalBlocker objBlocker(m_pTable);
    const QColor &objColor = pItem->text() != strText ? VALUE_CHANGED_COLOR : VALUE_TEXT_COLOR;
    pItem->setText(strText);
    if (pItem->foreground().color() != objColor)
        pItem->setForeground(objColor);
}

// ---------------------------------------------------------------- marks and checks

void CDlgDeviceDataBase::MarkRow(int nRow, const QString &strMsg)
{
    if (QTableWidgetItem *pItem = m_pTable->item(nRow, COL_ID)) {
        const QSignalBlocker objBlocker(m_pTable);
        pItem->setBackground(ROW_MARK_COLOR);
        pItem->setToolTip(strMsg);
    }
}

void CDlgDeviceDataBase::ClearRowMark(int nRow)
{
    QTableWidgetItem *pItem = m_pTable->item(nRow, COL_ID);
    if (pItem != nullptr && !pItem->toolTip().isEmpty()) {
        const QSignalBlocker objBlocker(m_pTable);
        pItem->setBackground(QBrush());
        pItem->setToolTip(QString());
    }
}

bool CDlgDeviceDataBase::CheckDataAddrChanged(int nRow)
{
    DEVICE_DATA_CFG_S objCfg;
    if (!GetRowDataCfg(nRow, objCfg))
        return false;
    const QString strMsg = CCfgFileMgr::GetInstance()->CheckDataAddrOffset(m_strDeviceName, objCfg.nAddr, objCfg.nSize);
    if (strMsg != QLatin1String(RESULT_OK)) {
        MarkRow(nRow, strMsg);
        return false;
    }
    return true;
}

bool CDlgDeviceDataBase::RunOverlapCheck()
{
    QString strMsg;
    const int nFailed = CCfgFileMgr::CheckDataAddrOverlap(ReadAllRows(), strMsg);
    const int nClearTo = nFailed < 0 ? m_pTable->rowCount() : nFailed;
    for (int nRow = 0; nRow < nClearTo; ++nRow)
        ClearRowMark(nRow);
    if (nFailed >= 0)
        MarkRow(nFailed, strMsg);
    return nFailed < 0;
}

bool CDlgDeviceDataBase::CheckAllRows()
{
    bool bPassed = RunOverlapCheck();
    if (bPassed) {
        // An address that only the offset check refuses would reach the
        // wire wrapped round the address space.
        DEVICE_COMMON_ATTR_S objAttr;
        CCfgFileMgr::GetInstance()->GetDeviceAttrCfg(m_strDeviceName, objAttr);
        QString strMsg;
        const int nFailed = CheckDataAddrOffsets(ReadAllRows(), objAttr.nAddrOffset, strMsg);
        if (nFailed >= 0) {
            MarkRow(nFailed, strMsg);
            bPassed = false;
        }
    }
    if (!bPassed)
        ShowInfoBox(T("数据配置存在异常，请修改完成！"));
    return bPassed;
}

// ---------------------------------------------------------------- state

void CDlgDeviceDataBase::slDataOperChanged()
{
    if (!m_bCfgState) {
        m_bCfgState = true;
        m_pBtnCfg->setChecked(true);
        emit siDeviceEditing(m_strDeviceName, true);
        SetButtonsForState();
        LoadDataCfg();
        return;
    }
    if (!CheckAllRows()) {
        m_pBtnCfg->setChecked(true);
        return;
    }
    SynDataCfg();
    m_bCfgState = false;
    m_pBtnCfg->setChecked(false);
    emit siDeviceEditing(m_strDeviceName, false);
    SetButtonsForState();
    LoadDataCfg();
}

void CDlgDeviceDataBase::SynDataCfg()
{
    if (!m_bCfgState) {
        LOG_DEBUG().noquote() << "Error: Editing State Error:" + m_strDeviceName;
        return;
    }
    CCfgFileMgr::GetInstance()->ReplaceDeviceDataCfgList(m_strDeviceName, ReadAllRows());
    // The store numbered the points 1 ... n; rows that stay in the table
    // must carry the same IDs, or a later write-back would hand one point's
    // simulated settings to another.
    const QSignalBlocker objBlocker(m_pTable);
    for (int nRow = 0; nRow < m_pTable->rowCount(); ++nRow)
        m_pTable->item(nRow, COL_ID)->setText(QString::number(nRow + 1));
    m_nLastID = quint32(m_pTable->rowCount());
}

// ---------------------------------------------------------------- cell rules

void CDlgDeviceDataBase::ApplyRowChange(int nRow, void (*fnRule)(DEVICE_DATA_CFG_S &, quint16), quint16 nValue)
{
    DEVICE_DATA_CFG_S objCfg;
    if (!m_bCfgState || !GetRowDataCfg(nRow, objCfg))
        return;
    fnRule(objCfg, nValue);
    ApplyCfgToRow(nRow, objCfg);
}

void CDlgDeviceDataBase::slDataBlockChanged(int nIndex, int nRow, int)
{
    ApplyRowChange(nRow, &ApplyDataBlockChange, quint16(nIndex));
    if (m_bCfgState)
        RunOverlapCheck();
}

void CDlgDeviceDataBase::slDataPrtcTypeChanged(int nIndex, int nRow, int)
{
    ApplyRowChange(nRow, &ApplyDataPrtcTypeChange, quint16(nIndex));
}

void CDlgDeviceDataBase::slDataShowTypeChanged(int nIndex, int nRow, int)
{
    ApplyRowChange(nRow, &ApplyDataShowTypeChange, quint16(nIndex));
}

void CDlgDeviceDataBase::slDataOderChanged(int nIndex, int nRow, int nColumn)
{
    if (QTableWidgetItem *pItem = m_pTable->item(nRow, nColumn)) {
        const QSignalBlocker objBlocker(m_pTable);
        pItem->setData(Qt::UserRole, nIndex);
        pItem->setText(GetByteOderCellName(quint16(nIndex)));
    }
}

void CDlgDeviceDataBase::slInfoTblcellChanged(int nRow, int nColumn)
{
    if (!m_bCfgState)
        return;
    QTableWidgetItem *pItem = m_pTable->item(nRow, nColumn);
    if (pItem == nullptr)
        return;
    const QSignalBlocker objBlocker(m_pTable);
    // Number cells show what is stored: a text that is no number reads as 0.
    auto fnNormalize = [pItem](quint32 nMax) {
        const quint32 nValue = pItem->text().trimmed().toUInt();
        pItem->setText(QString::number(nValue <= nMax ? nValue : 0));
    };
    switch (nColumn) {
    case COL_NAME: {
        QString strName = pItem->text();
        strName.remove(QLatin1Char('\n'));
        strName.remove(QLatin1Char('\r'));
        if (strName.isEmpty())
            strName = QString::fromLatin1(EMPTY_VALUE_TEXT);
        if (strName != pItem->text())
            pItem->setText(strName);
        break;
    }
    case COL_ADDR:
        fnNormalize(0xFFFF);
        if (CheckDataAddrChanged(nRow))
            RunOverlapCheck();
        break;
    case COL_SIZE: {
        fnNormalize(0xFFFF);
        DEVICE_DATA_CFG_S objCfg;
        if (GetRowDataCfg(nRow, objCfg)) {
            ApplyDataSizeRule(objCfg);
            ApplyCfgToRow(nRow, objCfg);
        }
        RunOverlapCheck();
        break;
    }
    case COL_GAIN: {
        DEVICE_DATA_CFG_S objCfg;
        if (GetRowDataCfg(nRow, objCfg))
            pItem->setText(CorrectDataGainText(objCfg, pItem->text()));
        break;
    }
    case COL_INTERVAL:
    case COL_TIMEOUT:
        fnNormalize(0xFFFFFFFF);
        break;
    case COL_RESEND:
        fnNormalize(0xFFFF);
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- editing

bool CDlgDeviceDataBase::IsNameChecked(int nRow) const
{
    const QTableWidgetItem *pItem = m_pTable->item(nRow, COL_NAME);
    return pItem != nullptr && pItem->checkState() == Qt::Checked;
}

void CDlgDeviceDataBase::slShowDlgNewDataCfg()
{
    CDlgInputNum objDlg(this);
    if (ExecDialog(&objDlg) != QDialog::Accepted)
        return;
    const int nCount = objDlg.GetNum();
    int nTemplateRow = m_pTable->rowCount() - 1;
    for (int nRow = 0; nRow < m_pTable->rowCount(); ++nRow) {
        if (IsNameChecked(nRow)) {
            nTemplateRow = nRow;
            break;
        }
    }
    for (int i = 0; i < nCount; ++i) {
        const int nRow = m_pTable->rowCount();
        m_pTable->insertRow(nRow);
        DEVICE_DATA_CFG_S objNew;
        DEVICE_DATA_CFG_S objTemplate;
        DEVICE_DATA_CFG_S objLast;
        if (nRow == 0) {
            objNew = MakeFirstDataCfg(m_nLastID + 1);
        } else if (GetRowDataCfg(nTemplateRow, objTemplate) && GetRowDataCfg(nRow - 1, objLast)) {
            objNew = MakeNextDataCfg(objTemplate, objLast, m_nLastID + 1);
        } else {
            LOG_DEBUG().noquote() << "Get UI Cfg Failed:" << nTemplateRow;
            m_pTable->removeRow(nRow);
            return;
        }
        ++m_nLastID;
        InitDataRow(nRow, objNew, true);
        if (nTemplateRow < 0)
            nTemplateRow = 0;
    }
}

void CDlgDeviceDataBase::slDelDataCfg()
{
    QList<int> lstRows;
    for (int nRow = 0; nRow < m_pTable->rowCount(); ++nRow) {
        if (IsNameChecked(nRow))
            lstRows.append(nRow);
    }
    if (lstRows.isEmpty()) {
        ShowInfoBox(T("请选择需要删除的数据！"));
        return;
    }
    if (!ShowQuestionBox(T("请确认是否删除选定数据？")))
        return;
    for (int i = lstRows.size() - 1; i >= 0; --i)
        m_pTable->removeRow(lstRows.at(i));
    EnsureCellLists();
}

void CDlgDeviceDataBase::ApplyRowOrder(const QList<int> &lstOrder)
{
    struct ROW_S
    {
        DEVICE_DATA_CFG_S objCfg;
        bool bChecked;
        QString strValue;
        QString strMark;
    };
    QList<ROW_S> lstRows;
    for (int nRow = 0; nRow < m_pTable->rowCount(); ++nRow) {
        ROW_S stRow;
        GetRowDataCfg(nRow, stRow.objCfg);
        stRow.bChecked = IsNameChecked(nRow);
        stRow.strValue = ValueText(nRow);
        stRow.strMark = m_pTable->item(nRow, COL_ID)->toolTip();
        lstRows.append(stRow);
    }
    const QSignalBlocker objBlocker(m_pTable);
    for (int nRow = 0; nRow < lstOrder.size(); ++nRow) {
        if (lstOrder.at(nRow) == nRow)
            continue;
        const ROW_S &stRow = lstRows.at(lstOrder.at(nRow));
        ApplyCfgToRow(nRow, stRow.objCfg);
        m_pTable->item(nRow, COL_NAME)->setCheckState(stRow.bChecked ? Qt::Checked : Qt::Unchecked);
        m_pTable->item(nRow, COL_VALUE)->setText(stRow.strValue);
        if (stRow.strMark.isEmpty())
            ClearRowMark(nRow);
        else
            MarkRow(nRow, stRow.strMark);
    }
}

void CDlgDeviceDataBase::slMoveUpDataCfg()
{
    QList<bool> lstChecked;
    for (int nRow = 0; nRow < m_pTable->rowCount(); ++nRow)
        lstChecked.append(IsNameChecked(nRow));
    ApplyRowOrder(MoveCheckedRows(lstChecked, true));
}

void CDlgDeviceDataBase::slMoveDnDataCfg()
{
    QList<bool> lstChecked;
    for (int nRow = 0; nRow < m_pTable->rowCount(); ++nRow)
        lstChecked.append(IsNameChecked(nRow));
    ApplyRowOrder(MoveCheckedRows(lstChecked, false));
}

void CDlgDeviceDataBase::slShowDlgCopyCfg()
{
    if (!CheckAllRows())
        return;
    SynDataCfg();
    CDlgDeviceSel objDlg(m_strDeviceName, -1, this);
    if (ExecDialog(&objDlg) != QDialog::Accepted)
        return;
    const QList<QString> lstTargets = objDlg.GetSelDeviceNames();
    if (lstTargets.isEmpty()) {
        ShowInfoBox(T("无目标设备需要同步配置！"));
        return;
    }
    if (!ShowQuestionBox(T("数据配置同步将覆盖选择设备的已有配置，请确认是否继续执行该操作？")))
        return;
    for (const QString &strTarget : lstTargets) {
        if (!CCfgFileMgr::GetInstance()->SynDeviceDataCfg(m_strDeviceName, strTarget)) {
            ShowInfoBox(T("数据配置同步失败，设备名称：") + strTarget);
            continue;
        }
        emit siSynDataCfg(strTarget);
        LOG_DEBUG().noquote() << "Device Data Cfg Copy:" << m_strDeviceName << ">>" << strTarget;
    }
    ShowInfoBox(T("数据配置同步已完成！"));
}

void CDlgDeviceDataBase::slShowDlgImportCfg()
{
    const QString strPath = AskOpenFileName(this, T("选择设备配置模板文件..."), QString(), T("(*.dtkestrix)"));
    if (strPath.isEmpty())
        return;
    if (!ShowQuestionBox(T("数据配置导入将覆盖设备的当前配置，请确认是否继续执行该操作？")))
        return;
    CDeviceBase *pDevice = CDeviceMgr::GetDevice(m_strDeviceName);
    if (pDevice == nullptr) {
        ShowInfoBox(T("内部异常，导入失败！"));
        return;
    }
    CCfgFileMgr *pCfg = CCfgFileMgr::GetInstance();
    const QString strResult = pCfg->LoadDeviceCfgTemplate(m_strDeviceName, strPath, 3);
    if (strResult != QLatin1String(RESULT_OK)) {
        ShowInfoBox(T("配置模板加载失败：") + strResult);
        return;
    }
    // The template replaced the stored attributes; the device plans and
    // serves with its own copy of them.
    DEVICE_COMMON_ATTR_S objAttr;
    if (pCfg->GetDeviceAttrCfg(m_strDeviceName, objAttr))
        pDevice->SetPara(objAttr);
    LoadDataCfg();
    ShowInfoBox(T("设备配置模板加载完成！"));
}

void CDlgDeviceDataBase::slShowDlgExportCfg()
{
    if (!CheckAllRows())
        return;
    SynDataCfg();
    CDlgExportDeviceCfg objDlg(m_strDeviceName, this);
    ExecDialog(&objDlg);
}

void CDlgDeviceDataBase::slShowDlgAdvancedPara()
{
    CDeviceBase *pDevice = CDeviceMgr::GetDevice(m_strDeviceName);
    if (pDevice == nullptr) {
        LOG_DEBUG().noquote() << "Invalid Device Obj:" + m_strDeviceName;
        return;
    }
    CDlgParaSet objDlg(T("高级参数配置(") + m_strDeviceName + T(")"), m_strDeviceName, pDevice->GetType(),
                       pDevice->GetPara(), this);
    if (ExecDialog(&objDlg) != QDialog::Accepted)
        return;
    const DEVICE_COMMON_ATTR_S objAttr = objDlg.GetParaAttr();
    pDevice->SetPara(objAttr);
    for (const QString &strName : objDlg.GetSynDevices()) {
        if (CDeviceBase *pOther = CDeviceMgr::GetDevice(strName))
            pOther->SetPara(objAttr);
    }
}

// ---------------------------------------------------------------- filters

void CDlgDeviceDataBase::slShowDlgColumSelect()
{
    QList<SIG_SEL_ITEM_S> lstItems;
    for (int nColumn = 0; nColumn < COL_COUNT; ++nColumn) {
        if (m_lstHideColumn.contains(nColumn))
            continue;
        lstItems.append({QString::number(nColumn), DATA_COLUMNS[nColumn].strTitle,
                         !m_pTable->isColumnHidden(nColumn)});
    }
    CDlgSigSel objDlg(T("选择列显示/隐藏"), lstItems, this);
    if (ExecDialog(&objDlg) != QDialog::Accepted)
        return;
    for (const SIG_SEL_ITEM_S &stItem : objDlg.GetItems())
        m_pTable->setColumnHidden(stItem.strNo.toInt(), !stItem.bChecked);
}

void CDlgDeviceDataBase::slShowDlgHideData()
{
    QList<SIG_SEL_ITEM_S> lstItems;
    for (int nRow = 0; nRow < m_pTable->rowCount(); ++nRow)
        lstItems.append({m_pTable->item(nRow, COL_ID)->text(), m_pTable->item(nRow, COL_NAME)->text(),
                         !m_pTable->isRowHidden(nRow)});
    CDlgSigSel objDlg(T("选择行数据显示/隐藏"), lstItems, this);
    if (ExecDialog(&objDlg) != QDialog::Accepted)
        return;
    const QList<SIG_SEL_ITEM_S> lstResult = objDlg.GetItems();
    if (lstResult.size() != m_pTable->rowCount()) {
        LOG_DEBUG().noquote() << "Error Data Lines:" << lstResult.size() << m_pTable->rowCount();
        return;
    }
    QList<bool> lstShown;
    for (int nRow = 0; nRow < lstResult.size(); ++nRow) {
        if (lstResult.at(nRow).strNo != m_pTable->item(nRow, COL_ID)->text()) {
            LOG_DEBUG().noquote() << "Error Inmatch Data:" << lstResult.at(nRow).strNo;
            return;
        }
        lstShown.append(lstResult.at(nRow).bChecked);
    }
    ApplyRowFilter(lstShown);
}

void CDlgDeviceDataBase::slShowDlgHideDataBlock()
{
    QList<SIG_SEL_ITEM_S> lstItems;
    const QList<SHOW_TABLE_ITEM_S> &lstBlocks = GetBlockTable();
    for (int i = 0; i < lstBlocks.size(); ++i)
        lstItems.append({QString::number(i), QString::fromUtf8(lstBlocks.at(i).pText), true});
    CDlgSigSel objDlg(T("选择行数据区块显示/隐藏"), lstItems, this);
    if (ExecDialog(&objDlg) != QDialog::Accepted)
        return;
    QHash<QString, bool> mapShown;
    for (const SIG_SEL_ITEM_S &stItem : objDlg.GetItems())
        mapShown.insert(stItem.strName, stItem.bChecked);
    QList<bool> lstShown;
    for (int nRow = 0; nRow < m_pTable->rowCount(); ++nRow)
        lstShown.append(mapShown.value(m_pTable->item(nRow, COL_BLOCK)->text(), !m_pTable->isRowHidden(nRow)));
    ApplyRowFilter(lstShown);
}

void CDlgDeviceDataBase::ApplyRowFilter(const QList<bool> &lstShown)
{
    const QSignalBlocker objBlocker(m_pTable);
    for (int nRow = 0; nRow < lstShown.size() && nRow < m_pTable->rowCount(); ++nRow) {
        const bool bShown = lstShown.at(nRow);
        m_pTable->setRowHidden(nRow, !bShown);
        m_pTable->item(nRow, COL_IS_SHOW)->setText(bShown ? QStringLiteral("1") : QStringLiteral("0"));
        const quint32 nID = RowDataID(nRow);
        const DEVICE_DATA_CFG_S *pCfg = FindDataCfg(nID);
        if (pCfg == nullptr) {
            LOG_DEBUG().noquote() << "ERROR:Data Cfg Find Failed:" << m_strDeviceName << nID;
            continue;
        }
        DEVICE_DATA_CFG_S objCfg = *pCfg;
        objCfg.nIsShow = bShown ? 1 : 0;
        CCfgFileMgr::GetInstance()->SetDeviceDataCfg(m_strDeviceName, objCfg);
    }
}

// ---------------------------------------------------------------- tools

void CDlgDeviceDataBase::slShowDlgParseFrame()
{
    CDlgTestFrameInput objDlg(T("输入解析报文PDU(功能码+数据)"), this);
    if (ExecDialog(&objDlg) != QDialog::Accepted)
        return;
    CDeviceBase *pDevice = CDeviceMgr::GetDevice(m_strDeviceName);
    if (pDevice == nullptr) {
        LOG_DEBUG().noquote() << "Invalid Device Obj:" + m_strDeviceName;
        return;
    }
    const QString strResult = pDevice->RawParseFrame(objDlg.GetPdu(), objDlg.GetStartAddr());
    if (strResult != QLatin1String(RESULT_OK))
        ShowInfoBox(strResult);
}

void CDlgDeviceDataBase::slShowDataCurve()
{
    CDlgLinkDataCurve *pCurve = CDlgLinkDataCurve::GetInstance();
    pCurve->showNormal();
    pCurve->raise();
    pCurve->activateWindow();
}

// ---------------------------------------------------------------- values

void CDlgDeviceDataBase::slRefreshDeviceData(const QString &strDeviceName, quint32 nDataID, const QString &strData)
{
    if (strDeviceName != m_strDeviceName || m_bCfgState)
        return;
    const int nRow = int(nDataID) - 1;
    if (nDataID == 0 || nRow >= m_pTable->rowCount()) {
        LOG_DEBUG().noquote() << "Invalid DataID:" << nDataID;
        return;
    }
    SetValueText(nRow, strData);
}

QString CDlgDeviceDataBase::slGetDeviceData(const QString &strDeviceName, quint32 nDataID)
{
    if (strDeviceName != m_strDeviceName || m_bCfgState || nDataID == 0 || int(nDataID) > m_pTable->rowCount())
        return QString();
    return ValueText(int(nDataID) - 1);
}

void CDlgDeviceDataBase::slInfoTblcellDoubleClicked(int, int) {}

void CDlgDeviceDataBase::slInfoTblcellLongPressed(int, int) {}
