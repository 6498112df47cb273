#include "cdlgdevicedatamaster.h"

#include "applog.h"
#include "cdevicebase.h"
#include "cdevicemgr.h"
#include "cdlgbatchproc.h"
#include "cdlgdataset.h"
#include "cmttablewidget.h"
#include "commonfunc.h"
#include "datacfgrule.h"
#include "devicedefine.h"
#include "uiutils.h"

#include <QPushButton>
#include <QTimer>

namespace {

const quint16 OPER_READ = 0;
const quint16 OPER_WRITE = 1;
// A written value is read back once the slave had time to take it.
const int READ_BACK_DELAY_MS = 200;

bool IsOk(const QString &strResult)
{
    return strResult == QLatin1String(RESULT_OK);
}

} // namespace

CDlgDeviceDataMaster::CDlgDeviceDataMaster(const QString &strDeviceName, QWidget *pParent)
    : CDlgDeviceDataBase(strDeviceName, pParent)
{
}

CDeviceBase *CDlgDeviceDataMaster::Device() const
{
    return CDeviceMgr::GetDevice(m_strDeviceName);
}

void CDlgDeviceDataMaster::InitPageItems()
{
    CDlgDeviceDataBase::InitPageItems();
    m_pBtnRead = AddToolButton(T("批量读"), 80, true);
    m_pBtnWrite = AddToolButton(T("批量写"), 80, true);
    connect(m_pBtnRead, &QPushButton::clicked, this, &CDlgDeviceDataMaster::slCycleReadStateChanged);
    connect(m_pBtnWrite, &QPushButton::clicked, this, &CDlgDeviceDataMaster::slCycleWriteStateChanged);
    CDeviceBase *pDevice = Device();
    const bool bRunning = pDevice != nullptr && pDevice->GetState() == 1;
    m_pBtnRead->setEnabled(bRunning);
    m_pBtnWrite->setEnabled(bRunning);
}

void CDlgDeviceDataMaster::slDataOperChanged()
{
    CDlgDeviceDataBase::slDataOperChanged();
    m_pBtnRead->setVisible(!IsCfgState());
    m_pBtnWrite->setVisible(!IsCfgState());
}

void CDlgDeviceDataMaster::LoadDataCfg()
{
    if (CDeviceBase *pDevice = Device()) {
        pDevice->StopCycleRead();
        pDevice->StopCycleWrite();
        pDevice->ClearRqst();
    }
    if (m_pBtnRead != nullptr) {
        m_pBtnRead->setChecked(false);
        m_pBtnWrite->setChecked(false);
    }
    CDlgDeviceDataBase::LoadDataCfg();
}

void CDlgDeviceDataMaster::SetDeviceRunning(bool bRunning)
{
    if (m_pBtnRead == nullptr)
        return;
    m_pBtnRead->setEnabled(bRunning);
    m_pBtnWrite->setEnabled(bRunning);
    if (!bRunning) {
        StopCycleOper(OPER_READ);
        StopCycleOper(OPER_WRITE);
    }
}

void CDlgDeviceDataMaster::StopCycleOper(quint16 nOper)
{
    if (CDeviceBase *pDevice = Device()) {
        if (nOper == OPER_READ)
            pDevice->StopCycleRead();
        else
            pDevice->StopCycleWrite();
    }
    OperButton(nOper)->setChecked(false);
}

QString CDlgDeviceDataMaster::StartBatchReadOper(bool bCycle)
{
    return StartBatchOper(OPER_READ, bCycle);
}

QString CDlgDeviceDataMaster::StartBatchWriteOper(bool bCycle)
{
    return StartBatchOper(OPER_WRITE, bCycle);
}

QString CDlgDeviceDataMaster::StartBatchOper(quint16 nOper, bool bCycle)
{
    QPushButton *pButton = OperButton(nOper);
    const int nColumn = nOper == OPER_READ ? COL_BREAD : COL_BWRITE;
    QList<quint32> lstIDs;
    QList<LOCAL_DATA_MAP_S> lstValues;
    for (int nRow = 0; nRow < m_pTable->rowCount(); ++nRow) {
        const QTableWidgetItem *pItem = m_pTable->item(nRow, nColumn);
        if (pItem == nullptr || pItem->checkState() != Qt::Checked)
            continue;
        const quint32 nID = RowDataID(nRow);
        lstIDs.append(nID);
        if (nOper == OPER_WRITE) {
            const QString strValue = ValueText(nRow);
            if (strValue.isEmpty() || strValue == QLatin1String(EMPTY_VALUE_TEXT)) {
                pButton->setChecked(false);
                return T("请确保设置数据已经预设有效值：(") + m_pTable->item(nRow, COL_NAME)->text() + T(")");
            }
            lstValues.append({nID, strValue});
        }
    }
    if (lstIDs.isEmpty()) {
        pButton->setChecked(false);
        return T("请选择至少一项数据。");
    }
    pButton->setChecked(true);
    CDeviceBase *pDevice = Device();
    if (pDevice == nullptr) {
        pButton->setChecked(false);
        LOG_DEBUG().noquote() << "Invalid Device Obj:" + m_strDeviceName;
        return T("设备内部异常！");
    }
    const QString strResult =
        nOper == OPER_READ ? pDevice->RqstReadData(lstIDs, bCycle) : pDevice->RqstWriteData(lstValues, bCycle);
    if (!IsOk(strResult) || !bCycle)
        pButton->setChecked(false);
    return strResult;
}

void CDlgDeviceDataMaster::slCycleReadStateChanged()
{
    BatchStateChanged(OPER_READ);
}

void CDlgDeviceDataMaster::slCycleWriteStateChanged()
{
    BatchStateChanged(OPER_WRITE);
}

void CDlgDeviceDataMaster::BatchStateChanged(quint16 nOper)
{
    QPushButton *pButton = OperButton(nOper);
    const bool bStart = pButton->isChecked();
    const QString strTitle = nOper == OPER_READ ? (bStart ? T("启动批量读数据") : T("关闭批量读数据"))
                                                : (bStart ? T("启动批量写数据") : T("关闭批量写数据"));
    CDlgBatchProc objDlg(strTitle, m_strDeviceName, bStart, DEVICE_TYPE_MASTER, this);
    if (ExecDialog(&objDlg) != QDialog::Accepted) {
        pButton->setChecked(!bStart);
        return;
    }
    const bool bCycle = bStart && objDlg.IsCycle();
    if (bStart) {
        const QString strResult = StartBatchOper(nOper, bCycle);
        if (!IsOk(strResult)) {
            ShowInfoBox(strResult);
            return;
        }
    } else {
        StopCycleOper(nOper);
    }
    for (const QString &strName : objDlg.GetSynDevices())
        emit siSynDeviceOper(strName, nOper, bStart, bCycle);
}

void CDlgDeviceDataMaster::SynDeviceOper(quint16 nOper, bool bStart, bool bCycle)
{
    if ((nOper != OPER_READ && nOper != OPER_WRITE) || m_pBtnRead == nullptr)
        return;
    if (!bStart) {
        StopCycleOper(nOper);
        return;
    }
    const QString strResult = StartBatchOper(nOper, bCycle);
    if (!IsOk(strResult))
        LOG_DEBUG().noquote() << "Device Oper Failed:" << m_strDeviceName << strResult;
}

void CDlgDeviceDataMaster::slInfoTblcellDoubleClicked(int nRow, int nColumn)
{
    if (IsCfgState() || nColumn != COL_VALUE)
        return;
    const quint32 nID = RowDataID(nRow);
    const DEVICE_DATA_CFG_S *pCfg = FindDataCfg(nID);
    if (pCfg == nullptr) {
        ShowInfoBox(T("数据配置查找失败，无法完成设置任务！"));
        return;
    }
    if (!IsWritableBlock(pCfg->nBlock))
        return;
    CDlgDataSet objDlg(pCfg->strName, ValueText(nRow), this);
    const bool bPreset = ExecDialog(&objDlg) == QDialog::Accepted;
    const QString strValue = objDlg.GetValue();
    if (bPreset) {
        SetValueText(nRow, strValue);
        return;
    }
    CDeviceBase *pDevice = Device();
    if (pDevice == nullptr) {
        ShowInfoBox(T("请求失败，设备不存在！"));
        return;
    }
    SetValueText(nRow, strValue);
    const QString strResult = pDevice->RqstWriteData({LOCAL_DATA_MAP_S{nID, strValue}}, false);
    if (!IsOk(strResult)) {
        ShowInfoBox(strResult);
        return;
    }
    ResetDataValueCell(nRow);
    QTimer::singleShot(READ_BACK_DELAY_MS, this, [this, nID]() {
        if (CDeviceBase *pLater = Device())
            pLater->RqstReadData({nID}, false);
    });
}

void CDlgDeviceDataMaster::slInfoTblcellLongPressed(int nRow, int nColumn)
{
    if (IsCfgState() || nColumn != COL_VALUE)
        return;
    CDeviceBase *pDevice = Device();
    if (pDevice == nullptr) {
        ShowInfoBox(T("请求失败，设备不存在！"));
        return;
    }
    const QString strResult = pDevice->RqstReadData({RowDataID(nRow)}, false);
    if (!IsOk(strResult)) {
        ShowInfoBox(strResult);
        return;
    }
    ResetDataValueCell(nRow);
}
