#include "cdlgparaset.h"

#include "cdlgdevicesel.h"
#include "cmtcombobox.h"
#include "cmttablewidget.h"
#include "commonfunc.h"
#include "greenbutton.h"
#include "uiutils.h"

#include <QPushButton>

namespace {

// The longest label needs 160 pixels in the application font.
const MT_TBL_COLUMN_S PARA_COLUMNS[] = {
    {0, 160, false, QString::fromUtf8("参数名")},
    {1, 170, false, QString::fromUtf8("数值")},
};

const SHOW_TABLE_ITEM_S FORWARD_ZERO_OPTIONS[] = {{0, "无前导"}, {1, "有前导"}};
const SHOW_TABLE_ITEM_S PACK_WAY_OPTIONS[] = {{0, "逐条"}, {1, "寄存器地址排序"}, {2, "列表排列顺序"}};
const SHOW_TABLE_ITEM_S ONE_REG_OPTIONS[] = {{0, "0X06"}, {1, "0X10"}};
const SHOW_TABLE_ITEM_S ONE_COIL_OPTIONS[] = {{0, "0X05"}, {1, "0X0F"}};
const SHOW_TABLE_ITEM_S BCAST_DEVICE_OPTIONS[] = {{0, "否"}, {1, "是"}};

struct PARA_ROW_S
{
    const char *pLabel;
    quint16 DEVICE_COMMON_ATTR_S::*pField; // null: the signed address offset
    const SHOW_TABLE_ITEM_S *pOptions;     // null: a number typed in
    int nOptions;
};

const PARA_ROW_S PARA_ROWS[] = {
    {"前导0", &DEVICE_COMMON_ATTR_S::nForwardZero, FORWARD_ZERO_OPTIONS, 2},
    {"地址偏移", nullptr, nullptr, 0},
    {"广播地址-1", &DEVICE_COMMON_ATTR_S::nBCast1, nullptr, 0},
    {"广播地址-2", &DEVICE_COMMON_ATTR_S::nBCast2, nullptr, 0},
    {"读数据组包方式", &DEVICE_COMMON_ATTR_S::nPackWay, PACK_WAY_OPTIONS, 3},
    {"Bit数据最大允许间隔", &DEVICE_COMMON_ATTR_S::nBitGap, nullptr, 0},
    {"Reg数据最大允许间隔", &DEVICE_COMMON_ATTR_S::nRegGap, nullptr, 0},
    {"单寄存器写功能码", &DEVICE_COMMON_ATTR_S::nOneReg10, ONE_REG_OPTIONS, 2},
    {"单线圈写功能码", &DEVICE_COMMON_ATTR_S::nOneCoil0F, ONE_COIL_OPTIONS, 2},
    {"广播设备", &DEVICE_COMMON_ATTR_S::nIsBCDevice, BCAST_DEVICE_OPTIONS, 2},
};
const int PARA_ROW_COUNT = int(sizeof(PARA_ROWS) / sizeof(PARA_ROWS[0]));

bool IsMasterOnlyRow(int nRow)
{
    return nRow >= 4;
}

bool IsSlaveOnlyRow(int nRow)
{
    return nRow == 2 || nRow == 3;
}

} // namespace

CDlgParaSet::CDlgParaSet(const QString &strTitle, const QString &strDeviceName, quint16 nDeviceType,
                         const DEVICE_COMMON_ATTR_S &objAttr, QWidget *pParent)
    : QDialog(pParent), m_nDeviceType(nDeviceType), m_strDeviceName(strDeviceName), m_objAttr(objAttr)
{
    setWindowTitle(strTitle);
    setModal(true);
    setFixedSize(430, 400);

    m_pTable = new CMTTableWidget(this);
    m_pTable->SetTblColumn(PARA_COLUMNS, 2);
    m_pTable->setRowCount(PARA_ROW_COUNT);
    const bool bMaster = nDeviceType == DEVICE_TYPE_MASTER;
    for (int nRow = 0; nRow < PARA_ROW_COUNT; ++nRow) {
        const PARA_ROW_S &stRow = PARA_ROWS[nRow];
        m_pTable->SetLabelCell(nRow, 0, QString::fromUtf8(stRow.pLabel));
        if (stRow.pOptions != nullptr) {
            auto *pCombo = new CMTComboBox(nRow, 1, m_pTable);
            pCombo->FillItems(stRow.pOptions, stRow.nOptions, objAttr.*stRow.pField);
            m_pTable->setCellWidget(nRow, 1, pCombo);
        } else {
            const int nValue = stRow.pField != nullptr ? int(objAttr.*stRow.pField) : int(objAttr.nAddrOffset);
            m_pTable->SetValueCell(nRow, 1, QString::number(nValue));
        }
        m_pTable->setRowHidden(nRow, bMaster ? IsSlaveOnlyRow(nRow) : IsMasterOnlyRow(nRow));
    }

    QPushButton *pSyn = NewGreenButton(QString::fromUtf8("同步至其它设备"), this, 150);
    QPushButton *pOk = LayOutDialog(this, {m_pTable}, {pSyn}, QString::fromUtf8("确认"), QString::fromUtf8("取消"));
    connect(pSyn, &QPushButton::clicked, this, &CDlgParaSet::slSynDevice);
    connect(pOk, &QPushButton::clicked, this, &QDialog::accept);
}

DEVICE_COMMON_ATTR_S CDlgParaSet::GetParaAttr() const
{
    DEVICE_COMMON_ATTR_S objAttr = m_objAttr;
    for (int nRow = 0; nRow < PARA_ROW_COUNT; ++nRow) {
        const PARA_ROW_S &stRow = PARA_ROWS[nRow];
        if (stRow.pOptions != nullptr) {
            // A stored value the list does not offer selects nothing; keep it.
            const int nIndex = static_cast<QComboBox *>(m_pTable->cellWidget(nRow, 1))->currentIndex();
            if (nIndex >= 0)
                objAttr.*stRow.pField = quint16(nIndex);
            continue;
        }
        const QString strText = m_pTable->item(nRow, 1)->text();
        if (stRow.pField == nullptr)
            objAttr.nAddrOffset = strText.toShort();
        else
            objAttr.*stRow.pField = strText.toUShort();
    }
    return objAttr;
}

void CDlgParaSet::slSynDevice()
{
    m_lstSynDevices.clear();
    CDlgDeviceSel objDialog(m_strDeviceName, qint16(m_nDeviceType), this);
    if (ExecDialog(&objDialog) == QDialog::Accepted)
        m_lstSynDevices = objDialog.GetSelDeviceNames();
}
