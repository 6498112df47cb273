#include "datacfgrule.h"

#include "ccfgfilemgr.h"
#include "commonfunc.h"

bool IsBitBlock(quint16 nBlock)
{
    return nBlock == BLOCK_COIL || nBlock == BLOCK_DISCRETE_INPUT;
}

bool IsWritableBlock(quint16 nBlock)
{
    return nBlock == BLOCK_COIL || nBlock == BLOCK_HOLDING_REG;
}

quint16 GetMaxDataSize(quint16 nBlock)
{
    if (IsBitBlock(nBlock))
        return 1;
    // One write request carries at most 123 registers, one read 125.
    return nBlock == BLOCK_HOLDING_REG ? 123 : 125;
}

QList<quint16> GetAllowedPrtcTypes(quint16 nBlock, quint16 nSize)
{
    if (IsBitBlock(nBlock))
        return {PRTC_TYPE_BIT};
    QList<quint16> lstTypes;
    if (nSize == 1 || nSize == 2 || nSize == 4)
        lstTypes << PRTC_TYPE_INT << PRTC_TYPE_UINT;
    if (nSize == 2 || nSize == 4)
        lstTypes << PRTC_TYPE_FLOAT;
    lstTypes << PRTC_TYPE_BYTES;
    return lstTypes;
}

DATA_CFG_FORM_S GetDataCfgForm(const DEVICE_DATA_CFG_S &objCfg)
{
    DATA_CFG_FORM_S stForm;
    stForm.lstPrtcTypes = GetAllowedPrtcTypes(objCfg.nBlock, objCfg.nSize);
    stForm.lstShowTypes = GetShowTypeList(objCfg.nPrtcType);
    const bool bNumber = objCfg.nPrtcType == PRTC_TYPE_INT || objCfg.nPrtcType == PRTC_TYPE_UINT
        || objCfg.nPrtcType == PRTC_TYPE_FLOAT;
    stForm.bByteOder = bNumber;
    stForm.bWordOder = bNumber && objCfg.nSize != 1;
    stForm.bBWrite = IsWritableBlock(objCfg.nBlock);
    stForm.bCurve = IsNumShowType(objCfg.nShowType);
    return stForm;
}

void ApplyDataSizeRule(DEVICE_DATA_CFG_S &objCfg)
{
    if (objCfg.nSize == 0)
        objCfg.nSize = 1;
    objCfg.nSize = qMin(objCfg.nSize, GetMaxDataSize(objCfg.nBlock));

    const QList<quint16> lstPrtc = GetAllowedPrtcTypes(objCfg.nBlock, objCfg.nSize);
    if (!lstPrtc.contains(objCfg.nPrtcType)) {
        if (IsBitBlock(objCfg.nBlock))
            objCfg.nPrtcType = PRTC_TYPE_BIT;
        else if (objCfg.nPrtcType == PRTC_TYPE_BIT && lstPrtc.contains(PRTC_TYPE_UINT))
            objCfg.nPrtcType = PRTC_TYPE_UINT;
        else
            objCfg.nPrtcType = PRTC_TYPE_BYTES;
    }
    CheckShowType(objCfg.nPrtcType, objCfg.nShowType, objCfg.nShowType);
    if (objCfg.nPrtcType == PRTC_TYPE_BYTES) {
        objCfg.nByteOder = BYTE_ODER_BIG;
        objCfg.nWordOder = BYTE_ODER_BIG;
    }
    const DATA_CFG_FORM_S stForm = GetDataCfgForm(objCfg);
    if (!stForm.bCurve)
        objCfg.nCurveShow = 0;
    if (!stForm.bBWrite)
        objCfg.nIsBWrite = 0;
}

void ApplyDataBlockChange(DEVICE_DATA_CFG_S &objCfg, quint16 nBlock)
{
    objCfg.nBlock = nBlock;
    if (IsBitBlock(nBlock)) {
        objCfg.nSize = 1;
        objCfg.fGain = 1.0;
        objCfg.nPrtcType = PRTC_TYPE_BIT;
    } else if (objCfg.nPrtcType == PRTC_TYPE_BIT) {
        objCfg.nPrtcType = PRTC_TYPE_UINT;
    }
    ApplyDataSizeRule(objCfg);
}

void ApplyDataPrtcTypeChange(DEVICE_DATA_CFG_S &objCfg, quint16 nPrtcType)
{
    objCfg.nPrtcType = nPrtcType;
    ApplyDataSizeRule(objCfg);
}

void ApplyDataShowTypeChange(DEVICE_DATA_CFG_S &objCfg, quint16 nShowType)
{
    objCfg.nShowType = nShowType;
    ApplyDataSizeRule(objCfg);
}

QString CorrectDataGainText(const DEVICE_DATA_CFG_S &objCfg, const QString &strGain)
{
    const QString strOne = QStringLiteral("1");
    if (strGain == strOne)
        return strGain;
    bool bOk = false;
    const double fGain = strGain.trimmed().toDouble(&bOk);
    if (!bOk || fGain == 0.0)
        return strOne;
    if (IsBitBlock(objCfg.nBlock) || objCfg.nShowType != SHOW_TYPE_FLOAT || objCfg.nPrtcType == PRTC_TYPE_FLOAT)
        return strOne;
    return strGain;
}

DEVICE_DATA_CFG_S MakeFirstDataCfg(quint32 nID)
{
    DEVICE_DATA_CFG_S objCfg;
    objCfg.nID = nID;
    objCfg.nAddr = 1;
    objCfg.nSize = 1;
    objCfg.nShowType = SHOW_TYPE_FLOAT;
    objCfg.nPrtcType = PRTC_TYPE_UINT;
    objCfg.nBlock = BLOCK_HOLDING_REG;
    objCfg.nByteOder = BYTE_ODER_BIG;
    objCfg.nWordOder = BYTE_ODER_BIG;
    objCfg.nIsShow = 1;
    objCfg.nIsBRead = 1;
    objCfg.nIsBWrite = 0;
    objCfg.fGain = 1.0;
    objCfg.nIntervalTime = 0;
    objCfg.nResendCount = 0;
    objCfg.nTimeOut = 2000;
    objCfg.nCurveShow = 0;
    objCfg.strName = objCfg.strUnit = objCfg.strRange = QString::fromLatin1(EMPTY_VALUE_TEXT);
    return objCfg;
}

DEVICE_DATA_CFG_S MakeNextDataCfg(const DEVICE_DATA_CFG_S &objTemplate, const DEVICE_DATA_CFG_S &objLast,
                                  quint32 nID)
{
    DEVICE_DATA_CFG_S objCfg = objTemplate;
    objCfg.nID = nID;
    objCfg.nAddr = quint16(objLast.nAddr + objLast.nSize);
    objCfg.objValueCfg = DATA_VALUE_CFG_S();
    return objCfg;
}

QList<int> MoveCheckedRows(const QList<bool> &lstChecked, bool bUp)
{
    const int nCount = lstChecked.size();
    QList<int> lstOrder;
    for (int i = 0; i < nCount; ++i)
        lstOrder.append(i);
    // A checked row swaps with its unchecked neighbour; walking from the edge
    // it moves towards, a row stuck at the edge keeps every checked row
    // directly behind it in place.
    for (int k = 1; k < nCount; ++k) {
        const int nPos = bUp ? k : nCount - 1 - k;
        const int nNeighbour = bUp ? nPos - 1 : nPos + 1;
        if (lstChecked.at(lstOrder.at(nPos)) && !lstChecked.at(lstOrder.at(nNeighbour)))
            lstOrder.swapItemsAt(nPos, nNeighbour);
    }
    return lstOrder;
}

int CheckDataAddrOffsets(const QList<DEVICE_DATA_CFG_S> &lstRows, qint16 nAddrOffset, QString &strMsg)
{
    for (int i = 0; i < lstRows.size(); ++i) {
        strMsg = CCfgFileMgr::CheckDataAddrOffset(nAddrOffset, lstRows.at(i).nAddr, lstRows.at(i).nSize);
        if (strMsg != QLatin1String(RESULT_OK))
            return i;
    }
    strMsg.clear();
    return -1;
}
