// Scenes of the device data pages: a master page with live values, the same
// page being configured, and a slave page answering simulated values.

#include "renderscene.h"

#include "ccfgfilemgr.h"
#include "cdevicebase.h"
#include "cdevicemgr.h"
#include "cdlgdevicedatamaster.h"
#include "cdlgdevicedataslave.h"
#include "cmttablewidget.h"
#include "commonfunc.h"
#include "uiutils.h"

#include <QPushButton>

namespace {

struct POINT_S
{
    const char *pName;
    quint16 nBlock;
    quint16 nAddr;
    quint16 nSize;
    quint16 nPrtc;
    quint16 nShow;
    double fGain;
    const char *pUnit;
};

const POINT_S POINTS[] = {
    {"进水温度", BLOCK_INPUT_REG, 0, 1, PRTC_TYPE_INT, SHOW_TYPE_FLOAT, 0.1, "°C"},
    {"出水温度", BLOCK_INPUT_REG, 1, 1, PRTC_TYPE_INT, SHOW_TYPE_FLOAT, 0.1, "°C"},
    {"系统压力", BLOCK_INPUT_REG, 2, 2, PRTC_TYPE_FLOAT, SHOW_TYPE_FLOAT, 1, "MPa"},
    {"累计流量", BLOCK_INPUT_REG, 4, 2, PRTC_TYPE_UINT, SHOW_TYPE_INT_DEC, 1, "m³"},
    {"泵运行", BLOCK_COIL, 0, 1, PRTC_TYPE_BIT, SHOW_TYPE_BIT, 1, "--"},
    {"报警复位", BLOCK_COIL, 1, 1, PRTC_TYPE_BIT, SHOW_TYPE_BIT, 1, "--"},
    {"设定温度", BLOCK_HOLDING_REG, 10, 1, PRTC_TYPE_INT, SHOW_TYPE_FLOAT, 0.1, "°C"},
    {"Pump speed", BLOCK_HOLDING_REG, 11, 1, PRTC_TYPE_UINT, SHOW_TYPE_INT_DEC, 1, "rpm"},
    {"运行模式", BLOCK_HOLDING_REG, 12, 1, PRTC_TYPE_UINT, SHOW_TYPE_INT_HEX, 1, "--"},
    {"设备编号", BLOCK_HOLDING_REG, 13, 4, PRTC_TYPE_BYTES, SHOW_TYPE_STRING, 1, "--"},
};

QList<DEVICE_DATA_CFG_S> MakePoints()
{
    QList<DEVICE_DATA_CFG_S> lstPoints;
    for (const POINT_S &stPoint : POINTS) {
        DEVICE_DATA_CFG_S objCfg;
        objCfg.strName = T(stPoint.pName);
        objCfg.nBlock = stPoint.nBlock;
        objCfg.nAddr = stPoint.nAddr;
        objCfg.nSize = stPoint.nSize;
        objCfg.nPrtcType = stPoint.nPrtc;
        objCfg.nShowType = stPoint.nShow;
        objCfg.fGain = stPoint.fGain;
        objCfg.strUnit = T(stPoint.pUnit);
        objCfg.strRange = T("--");
        objCfg.nIsBWrite = stPoint.nBlock == BLOCK_HOLDING_REG ? 1 : 0;
        objCfg.nCurveShow = 0;
        lstPoints << objCfg;
    }
    return lstPoints;
}

// A device on a port that does not exist, with the points, removed again by the guard.
struct DEVICE_GUARD_S
{
    explicit DEVICE_GUARD_S(quint16 nType)
    {
        CCfgFileMgr::GetInstance()->ClearCfg();
        CDeviceMgr::GetInstance();
        CDeviceMgr::AddDevice(QString(), QStringLiteral("ttyUSB3"), nType, 7, 7);
        strName = CDeviceMgr::GetDeviceName(QStringLiteral("ttyUSB3"), 7);
        CCfgFileMgr::GetInstance()->ReplaceDeviceDataCfgList(strName, MakePoints());
    }
    ~DEVICE_GUARD_S() { CDeviceMgr::DestroyInstance(); }
    QString strName;
};

void Refresh(const QString &strDevice, quint32 nID, const char *pValue)
{
    emit CDeviceMgr::GetDevice(strDevice)->siRefreshDeviceData(strDevice, nID, T(pValue));
}

RenderSceneRegistrar s_objMasterLive("devicedata_master_live", [](const QString &strOut) {
    DEVICE_GUARD_S objDevice(DEVICE_TYPE_MASTER);
    CDlgDeviceDataMaster objPage(objDevice.strName);
    objPage.InitPageItems();
    objPage.LoadDataCfg();
    objPage.SetDeviceRunning(true);
    // First values, then a second poll in which some changed (orange-red) and some did not.
    const char *const pFirst[] = {"21.4", "35.0", "0.412000", "10230", "1", "0", "45.0", "1480", "0X0003"};
    const char *const pSecond[] = {"21.6", "35.0", "0.418000", "10231", "1", "0", "45.0", "1480", "0X0003"};
    for (quint32 i = 0; i < 9; ++i)
        Refresh(objDevice.strName, i + 1, pFirst[i]);
    for (quint32 i = 0; i < 9; ++i)
        Refresh(objDevice.strName, i + 1, pSecond[i]);
    SaveGrab(&objPage, strOut, QStringLiteral("devicedata_master_live"), 1760, 420);
});

RenderSceneRegistrar s_objMasterCfg("devicedata_master_config", [](const QString &strOut) {
    DEVICE_GUARD_S objDevice(DEVICE_TYPE_MASTER);
    CDlgDeviceDataMaster objPage(objDevice.strName);
    objPage.InitPageItems();
    objPage.LoadDataCfg();
    objPage.resize(1760, 420);
    objPage.show();
    for (QPushButton *pButton : objPage.findChildren<QPushButton *>()) {
        if (pButton->text() == T("配置"))
            pButton->click();
    }
    // A collision the user is about to mend: "设定温度" moved onto "Pump speed".
    QTableWidget *pTable = objPage.GetTable();
    pTable->item(6, CDlgDeviceDataBase::COL_ADDR)->setText(QStringLiteral("11"));
    pTable->item(2, CDlgDeviceDataBase::COL_NAME)->setCheckState(Qt::Checked);
    SaveGrab(&objPage, strOut, QStringLiteral("devicedata_master_config"), 1760, 420);
});

RenderSceneRegistrar s_objSlave("devicedata_slave", [](const QString &strOut) {
    DEVICE_GUARD_S objDevice(DEVICE_TYPE_SLAVE);
    QList<DEVICE_DATA_CFG_S> &lstStored = CCfgFileMgr::GetInstance()->GetDeviceDataCfgList(objDevice.strName);
    const char *const pFixed[] = {"", "", "0.42", "10230", "1", "0", "45.0", "1480", "0X0003", "KX-2041"};
    for (int i = 0; i < lstStored.size(); ++i)
        lstStored[i].objValueCfg.strCoefA = T(pFixed[i]);
    DATA_VALUE_CFG_S &objSine = lstStored[0].objValueCfg;
    objSine.nStategy = 3;
    objSine.strCoefA = QStringLiteral("12");
    objSine.strCoefB = QStringLiteral("1");
    objSine.strCoefC = QStringLiteral("20");
    objSine.nXInvl = 1;
    DATA_VALUE_CFG_S &objLine = lstStored[1].objValueCfg;
    objLine.nStategy = 1;
    objLine.strCoefA = QStringLiteral("20");
    objLine.strCoefB = QStringLiteral("60");
    objLine.strCoefC = QStringLiteral("2");
    objLine.nXInvl = 1;
    CDlgDeviceDataSlave objPage(objDevice.strName);
    objPage.InitPageItems();
    objPage.LoadDataCfg();
    // A master has just read the two simulated points.
    objPage.slGetDeviceData(objDevice.strName, 1);
    objPage.slGetDeviceData(objDevice.strName, 2);
    SaveGrab(&objPage, strOut, QStringLiteral("devicedata_slave"), 1460, 420);
});

} // namespace
