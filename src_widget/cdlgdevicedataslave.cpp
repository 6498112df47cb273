#include "cdlgdevicedataslave.h"

#include "applog.h"
#include "ccfgfilemgr.h"
#include "cdevicemgr.h"
#include "cdlgsimudata.h"
#include "cmttablewidget.h"
#include "simuldata.h"
#include "uiutils.h"

CDlgDeviceDataSlave::CDlgDeviceDataSlave(const QString &strDeviceName, QWidget *pParent)
    : CDlgDeviceDataBase(strDeviceName, pParent)
{
    m_lstHideColumn << COL_BREAD << COL_BWRITE << COL_TIMEOUT << COL_RESEND;
}

void CDlgDeviceDataSlave::InitDataRow(int nRow, const DEVICE_DATA_CFG_S &objCfg, bool bCfgState)
{
    CDlgDeviceDataBase::InitDataRow(nRow, objCfg, bCfgState);
    if (!bCfgState && objCfg.objValueCfg.nStategy == 0)
        m_pTable->item(nRow, COL_VALUE)->setText(objCfg.objValueCfg.strCoefA);
}

QString CDlgDeviceDataSlave::slGetDeviceData(const QString &strDeviceName, quint32 nDataID)
{
    if (strDeviceName != m_strDeviceName || IsCfgState())
        return QString();
    const DEVICE_DATA_CFG_S *pCfg = FindDataCfg(nDataID);
    if (pCfg == nullptr) {
        LOG_DEBUG().noquote() << "ERROR: Get Data Cfg Failed:" << strDeviceName << nDataID;
        return QString();
    }
    if (pCfg->objValueCfg.nStategy == 0)
        return CDlgDeviceDataBase::slGetDeviceData(strDeviceName, nDataID);
    const QString strValue = MakeSimulValueOfDevice(CDeviceMgr::GetDevice(m_strDeviceName), m_strDeviceName, *pCfg);
    if (!strValue.isEmpty())
        slRefreshDeviceData(strDeviceName, nDataID, strValue);
    return strValue;
}

void CDlgDeviceDataSlave::slInfoTblcellDoubleClicked(int nRow, int nColumn)
{
    if (IsCfgState() || nColumn != COL_VALUE)
        return;
    const DEVICE_DATA_CFG_S *pCfg = FindDataCfg(RowDataID(nRow));
    if (pCfg == nullptr) {
        ShowInfoBox(T("内部异常，请重试！"));
        return;
    }
    DEVICE_DATA_CFG_S objCfg = *pCfg;
    CDlgSimulData objDlg(objCfg.nShowType, objCfg.objValueCfg, this);
    if (ExecDialog(&objDlg) != QDialog::Accepted)
        return;
    objCfg.objValueCfg = objDlg.GetPageData();
    if (!CCfgFileMgr::GetInstance()->SetDeviceDataCfg(m_strDeviceName, objCfg)) {
        ShowInfoBox(T("内部异常，参数配置失败！"));
        return;
    }
    if (objCfg.objValueCfg.nStategy == 0)
        SetValueText(nRow, objCfg.objValueCfg.strCoefA);
    else
        ResetDataValueCell(nRow);
}
