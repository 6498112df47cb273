#include "cdevicemaster.h"

#include <QMap>

#include "applog.h"
#include "ccfgfilemgr.h"
#include "commonfunc.h"
#include "cport_base.h"

namespace {

const char *const TEXT_NOT_LAUNCHED = "请求失败，设备未启动！";
const char *const TEXT_BCAST_NO_READ = "广播设备不支持任何读操作！";
const char *const TEXT_READ_PARA_ERR = "请求失败，读取参数异常！";
const char *const TEXT_WRITE_PARA_ERR = "请求失败，配置参数异常！";
const char *const TEXT_PDU_LEN_ERR = "报文长度非法！";

const quint16 MAX_READ_BITS = 2000;
const quint16 MAX_READ_REGS = 125;
const quint16 MAX_WRITE_BITS = 1968;
const quint16 MAX_WRITE_REGS = 123;

bool IsBitBlock(quint16 nBlock)
{
    return nBlock == BLOCK_COIL || nBlock == BLOCK_DISCRETE_INPUT;
}

quint8 ReadFuncCodeOf(quint16 nBlock)
{
    return GetReadFuncCode(nBlock);
}

bool IsReadFuncCode(quint8 nCode)
{
    return GetFuncCodeWriteFlag(nCode) == 0;
}

bool IsWriteFuncCode(quint8 nCode)
{
    return GetFuncCodeWriteFlag(nCode) == 1;
}

void AppendU16(QByteArray &objOut, quint16 nValue)
{
    objOut.append(static_cast<char>(nValue >> 8));
    objOut.append(static_cast<char>(nValue & 0xFF));
}

quint16 ProtocolAddr(quint16 nAddr, qint16 nAddrOffset)
{
    return static_cast<quint16>((static_cast<int>(nAddr) + nAddrOffset) & 0xFFFF);
}

// A request opened at a point, with the point's own parameters.
MASTER_RQST_S OpenRqst(const DEVICE_DATA_CFG_S &objPoint, quint16 nDevAddr)
{
    MASTER_RQST_S stRqst;
    stRqst.stLinkData.nAddr = nDevAddr;
    stRqst.stLinkData.nIntervalTime = objPoint.nIntervalTime;
    stRqst.stLinkData.nResendCount = objPoint.nResendCount;
    stRqst.stLinkData.nTimeOut = objPoint.nTimeOut;
    stRqst.lstDataCfg.append(objPoint);
    return stRqst;
}

void MergeParams(MASTER_RQST_S &stRqst, const DEVICE_DATA_CFG_S &objPoint)
{
    LINK_SEND_DATA_S &stLink = stRqst.stLinkData;
    stLink.nIntervalTime = qMax(stLink.nIntervalTime, objPoint.nIntervalTime);
    stLink.nResendCount = qMax(stLink.nResendCount, objPoint.nResendCount);
    stLink.nTimeOut = qMax(stLink.nTimeOut, objPoint.nTimeOut);
    stRqst.lstDataCfg.append(objPoint);
}

void CloseReadRqst(MASTER_RQST_S &stRqst, quint8 nFuncCode, quint16 nStart, quint16 nQuantity, qint16 nAddrOffset,
                   QList<MASTER_RQST_S> &objOut)
{
    stRqst.stLinkData.nFuncCode = nFuncCode;
    stRqst.stLinkData.nIsNeedRsp = 1;
    stRqst.stLinkData.objData.clear();
    AppendU16(stRqst.stLinkData.objData, ProtocolAddr(nStart, nAddrOffset));
    AppendU16(stRqst.stLinkData.objData, nQuantity);
    objOut.append(stRqst);
}

// Walks the points of one block in the given order and merges neighbours
// whose hole is small enough into one read.
void MergeReadBlock(const QList<DEVICE_DATA_CFG_S> &objPoints, const DEVICE_COMMON_ATTR_S &objAttr,
                    QList<MASTER_RQST_S> &objOut)
{
    if (objPoints.isEmpty())
        return;
    const quint16 nBlock = objPoints.first().nBlock;
    const quint8 nFuncCode = ReadFuncCodeOf(nBlock);
    const quint32 nMaxQuantity = IsBitBlock(nBlock) ? MAX_READ_BITS : MAX_READ_REGS;
    const quint32 nMaxGap = IsBitBlock(nBlock) ? objAttr.nBitGap : objAttr.nRegGap;

    MASTER_RQST_S stRqst = OpenRqst(objPoints.first(), objAttr.nAddr);
    quint32 nStart = objPoints.first().nAddr;
    quint32 nQuantity = objPoints.first().nSize;
    quint32 nPrevEnd = nStart + objPoints.first().nSize;
    for (int i = 1; i < objPoints.size(); ++i) {
        const DEVICE_DATA_CFG_S &objNext = objPoints.at(i);
        const quint32 nNextAddr = objNext.nAddr;
        const quint32 nNextEnd = nNextAddr + objNext.nSize;
        const bool bMerge = nNextAddr > nStart && nNextEnd <= 0xFFFF && nNextEnd - nStart <= nMaxQuantity
                            && nNextAddr >= nPrevEnd && nNextAddr - nPrevEnd <= nMaxGap;
        if (bMerge) {
            MergeParams(stRqst, objNext);
            nQuantity = nNextEnd - nStart;
        } else {
            CloseReadRqst(stRqst, nFuncCode, static_cast<quint16>(nStart), static_cast<quint16>(nQuantity),
                          objAttr.nAddrOffset, objOut);
            stRqst = OpenRqst(objNext, objAttr.nAddr);
            nStart = nNextAddr;
            nQuantity = objNext.nSize;
        }
        nPrevEnd = nNextEnd;
    }
    CloseReadRqst(stRqst, nFuncCode, static_cast<quint16>(nStart), static_cast<quint16>(nQuantity),
                  objAttr.nAddrOffset, objOut);
}

// The link's next number that no pending request holds. A request left
// without answer by a link that was rebuilt or stopped keeps its number, and
// the reply to a new request must not be taken for its reply; there are
// fewer pending requests than numbers, so the draws end.
quint16 NextFreeSN(CPortBase *pPort, const QSet<quint16> &objTaken)
{
    quint16 nSN = pPort->NextSN();
    for (int i = 0; i < 0xFFFF && objTaken.contains(nSN); ++i)
        nSN = pPort->NextSN();
    return nSN;
}

// Points of a block carry one byte per coil, two per register.
int ValueLength(const DEVICE_DATA_CFG_S &objPoint)
{
    return objPoint.nBlock == BLOCK_COIL ? objPoint.nSize : objPoint.nSize * 2;
}

} // namespace

CDeviceMaster::CDeviceMaster(const QString &strName, const QString &strPortName, quint16 nAddr)
    : CDeviceBase(strName, strPortName, DEVICE_TYPE_MASTER, nAddr)
{
    if (strName.isEmpty())
        SetName(MakeDefaultName(strPortName, nAddr));

    LoadOrCreatePara();
}

CDeviceMaster::~CDeviceMaster()
{
    qDeleteAll(m_lstRqst);
    m_lstRqst.clear();
}

QString CDeviceMaster::MakeDefaultName(const QString &strPortName, quint16 nAddr)
{
    return QStringLiteral("[M]") + strPortName + QString::asprintf("-%03d", nAddr);
}

// ---------------------------------------------------------------- planning

void CDeviceMaster::PlanReadRqst(const QList<DEVICE_DATA_CFG_S> &objPoints, const DEVICE_COMMON_ATTR_S &objAttr,
                                 QList<MASTER_RQST_S> &objOut)
{
    // A point of an unknown block has no read code; a request for it would
    // carry function code 0, so it is left out.
    QList<DEVICE_DATA_CFG_S> objValid;
    objValid.reserve(objPoints.size());
    for (const DEVICE_DATA_CFG_S &objPoint : objPoints) {
        if (ReadFuncCodeOf(objPoint.nBlock) == 0) {
            LOG_DEBUG().noquote() << "Error Block:" << objPoint.nBlock << objPoint.strName;
            continue;
        }
        objValid.append(objPoint);
    }

    switch (objAttr.nPackWay) {
    case 0:
        for (const DEVICE_DATA_CFG_S &objPoint : objValid) {
            MASTER_RQST_S stRqst = OpenRqst(objPoint, objAttr.nAddr);
            CloseReadRqst(stRqst, ReadFuncCodeOf(objPoint.nBlock), objPoint.nAddr, objPoint.nSize,
                          objAttr.nAddrOffset, objOut);
        }
        break;
    case 1: {
        // Ordered by address; on equal addresses the last point wins.
        QMap<quint16, DEVICE_DATA_CFG_S> objByAddr[BLOCK_INPUT_REG + 1];
        for (const DEVICE_DATA_CFG_S &objPoint : objValid)
            objByAddr[objPoint.nBlock].insert(objPoint.nAddr, objPoint);
        for (const QMap<quint16, DEVICE_DATA_CFG_S> &objBlock : objByAddr)
            MergeReadBlock(objBlock.values(), objAttr, objOut);
        break;
    }
    case 2: {
        QList<DEVICE_DATA_CFG_S> objByBlock[BLOCK_INPUT_REG + 1];
        for (const DEVICE_DATA_CFG_S &objPoint : objValid)
            objByBlock[objPoint.nBlock].append(objPoint);
        for (const QList<DEVICE_DATA_CFG_S> &objBlock : objByBlock)
            MergeReadBlock(objBlock, objAttr, objOut);
        break;
    }
    default:
        LOG_DEBUG() << "Error PackWay:" << objAttr.nPackWay;
        break;
    }
}

unsigned char CDeviceMaster::WriteFuncCodeOf(const DEVICE_COMMON_ATTR_S &objAttr, unsigned short nBlock,
                                             unsigned short nQuantity)
{
    if (nBlock == BLOCK_HOLDING_REG)
        return (objAttr.nOneReg10 == 0 && nQuantity == 1) ? 0x06 : 0x10;
    if (nBlock == BLOCK_COIL)
        return (objAttr.nOneCoil0F == 0 && nQuantity == 1) ? 0x05 : 0x0F;
    LOG_DEBUG() << "Error Block:" << nBlock;
    return 0;
}

QByteArray CDeviceMaster::MakeWritePdu(unsigned char nFuncCode, quint16 nStartAddr, const QByteArray &objValues)
{
    QByteArray objPdu;
    switch (nFuncCode) {
    case 0x05:
        AppendU16(objPdu, nStartAddr);
        AppendU16(objPdu, (objValues.size() == 1 && objValues.at(0) == 0x01) ? 0xFF00 : 0x0000);
        break;
    case 0x06:
        AppendU16(objPdu, nStartAddr);
        objPdu.append(objValues);
        break;
    case 0x0F: {
        const int nQuantity = objValues.size();
        AppendU16(objPdu, nStartAddr);
        AppendU16(objPdu, static_cast<quint16>(nQuantity));
        QByteArray objBits((nQuantity + 7) / 8, '\0');
        for (int i = 0; i < nQuantity; ++i) {
            if (objValues.at(i) & 0x01)
                objBits[i / 8] = static_cast<char>(objBits.at(i / 8) | (1 << (i % 8)));
        }
        objPdu.append(static_cast<char>(objBits.size()));
        objPdu.append(objBits);
        break;
    }
    case 0x10:
        AppendU16(objPdu, nStartAddr);
        AppendU16(objPdu, static_cast<quint16>(objValues.size() / 2));
        objPdu.append(static_cast<char>(objValues.size()));
        objPdu.append(objValues);
        break;
    default:
        break;
    }
    return objPdu;
}

bool CDeviceMaster::PlanWriteRqst(const QList<DEVICE_DATA_CFG_S> &objPoints, const QList<QByteArray> &objBytes,
                                  const DEVICE_COMMON_ATTR_S &objAttr, QList<MASTER_RQST_S> &objOut)
{
    struct POINT_VALUE_S
    {
        DEVICE_DATA_CFG_S objPoint;
        QByteArray objBytes;
    };
    // Only coils and holding registers can be written; ordered by address
    // within the block, the last value wins on equal addresses.
    QMap<quint16, POINT_VALUE_S> objCoils;
    QMap<quint16, POINT_VALUE_S> objRegs;
    for (int i = 0; i < objPoints.size() && i < objBytes.size(); ++i) {
        const DEVICE_DATA_CFG_S &objPoint = objPoints.at(i);
        if (WriteFuncCodeOf(objAttr, objPoint.nBlock, 1) == 0)
            continue;
        const quint16 nMax = objPoint.nBlock == BLOCK_COIL ? MAX_WRITE_BITS : MAX_WRITE_REGS;
        // A value that does not fill its point exactly would shift every value
        // merged after it onto the wrong address, and a point larger than one
        // write cannot be framed; the whole write is refused.
        if (objPoint.nSize == 0 || objPoint.nSize > nMax || objBytes.at(i).size() != ValueLength(objPoint)) {
            LOG_DEBUG().noquote() << "Error Data:" + objPoint.strName;
            objOut.clear();
            return false;
        }
        QMap<quint16, POINT_VALUE_S> &objBlock = objPoint.nBlock == BLOCK_COIL ? objCoils : objRegs;
        objBlock.insert(objPoint.nAddr, POINT_VALUE_S{objPoint, objBytes.at(i)});
    }

    for (const QMap<quint16, POINT_VALUE_S> *pBlock : {&objCoils, &objRegs}) {
        if (pBlock->isEmpty())
            continue;
        const QList<POINT_VALUE_S> objList = pBlock->values();
        const quint16 nBlock = objList.first().objPoint.nBlock;
        const quint32 nMax = nBlock == BLOCK_COIL ? MAX_WRITE_BITS : MAX_WRITE_REGS;

        auto fnClose = [&](MASTER_RQST_S &stRqst, quint32 nStart, quint32 nQuantity, const QByteArray &objValues) {
            const quint8 nCode = WriteFuncCodeOf(objAttr, nBlock, static_cast<quint16>(nQuantity));
            stRqst.stLinkData.nFuncCode = nCode;
            stRqst.stLinkData.nIsNeedRsp = objAttr.nIsBCDevice == 0 ? 1 : 0;
            stRqst.stLinkData.objData =
                MakeWritePdu(nCode, ProtocolAddr(static_cast<quint16>(nStart), objAttr.nAddrOffset), objValues);
            objOut.append(stRqst);
        };

        MASTER_RQST_S stRqst = OpenRqst(objList.first().objPoint, objAttr.nAddr);
        quint32 nStart = objList.first().objPoint.nAddr;
        quint32 nEnd = nStart + objList.first().objPoint.nSize;
        QByteArray objValues = objList.first().objBytes;
        for (int i = 1; i < objList.size(); ++i) {
            const DEVICE_DATA_CFG_S &objNext = objList.at(i).objPoint;
            const quint32 nNextEnd = static_cast<quint32>(objNext.nAddr) + objNext.nSize;
            if (objNext.nAddr == nEnd && nNextEnd - nStart <= nMax && nNextEnd <= 0xFFFF) {
                MergeParams(stRqst, objNext);
                objValues.append(objList.at(i).objBytes);
            } else {
                fnClose(stRqst, nStart, nEnd - nStart, objValues);
                stRqst = OpenRqst(objNext, objAttr.nAddr);
                nStart = objNext.nAddr;
                objValues = objList.at(i).objBytes;
            }
            nEnd = nNextEnd;
        }
        fnClose(stRqst, nStart, nEnd - nStart, objValues);
    }
    return true;
}

void CDeviceMaster::AssignSN(QList<MASTER_RQST_S> &objPlan)
{
    CPortBase *pPort = GetPort();
    QSet<quint16> objTaken = PendingSNs();
    for (MASTER_RQST_S &stRqst : objPlan) {
        stRqst.stLinkData.nSN = pPort != nullptr ? NextFreeSN(pPort, objTaken) : 0;
        objTaken.insert(stRqst.stLinkData.nSN);
    }
}

QSet<quint16> CDeviceMaster::PendingSNs(const MASTER_RQST_S *pExcept) const
{
    QSet<quint16> objSNs;
    objSNs.reserve(m_lstRqst.size());
    for (const MASTER_RQST_S *pRqst : m_lstRqst) {
        if (pRqst != pExcept)
            objSNs.insert(pRqst->stLinkData.nSN);
    }
    return objSNs;
}

void CDeviceMaster::MakeReadRqst(const QList<unsigned int> &objIDs, QList<MASTER_RQST_S> &objOut)
{
    QList<DEVICE_DATA_CFG_S> objPoints;
    if (!CCfgFileMgr::GetInstance()->FindDeviceDataCfgs(GetName(), objIDs, objPoints))
        return;
    QList<MASTER_RQST_S> objPlan;
    PlanReadRqst(objPoints, GetPara(), objPlan);
    AssignSN(objPlan);
    objOut.append(objPlan);
}

void CDeviceMaster::MakeWriteRqst(const QList<LOCAL_DATA_MAP_S> &objValues, QList<MASTER_RQST_S> &objOut)
{
    QList<quint32> objIDs;
    objIDs.reserve(objValues.size());
    for (const LOCAL_DATA_MAP_S &stValue : objValues)
        objIDs.append(stValue.nDataID);
    QList<DEVICE_DATA_CFG_S> objPoints;
    if (!CCfgFileMgr::GetInstance()->FindDeviceDataCfgs(GetName(), objIDs, objPoints)
        || objPoints.size() < objValues.size())
        return;

    QList<QByteArray> objBytes;
    objBytes.reserve(objPoints.size());
    for (const DEVICE_DATA_CFG_S &objPoint : objPoints) {
        // Read-only points are not converted: they get no request anyway.
        if (objPoint.nBlock != BLOCK_COIL && objPoint.nBlock != BLOCK_HOLDING_REG) {
            objBytes.append(QByteArray());
            continue;
        }
        objBytes.append(
            CCfgFileMgr::ConvertDataFromStringToNet(objPoint, FindLocalDataValue(objPoint.nID, objValues)));
    }
    QList<MASTER_RQST_S> objPlan;
    if (!PlanWriteRqst(objPoints, objBytes, GetPara(), objPlan))
        return;
    AssignSN(objPlan);
    objOut.append(objPlan);
}

unsigned char CDeviceMaster::GetWriteFuncCode(unsigned short nBlock, unsigned short nQuantity)
{
    return WriteFuncCodeOf(GetPara(), nBlock, nQuantity);
}

QString CDeviceMaster::FindLocalDataValue(unsigned int nID, const QList<LOCAL_DATA_MAP_S> &objValues)
{
    for (const LOCAL_DATA_MAP_S &stValue : objValues) {
        if (stValue.nDataID == nID)
            return stValue.strValue;
    }
    LOG_DEBUG() << "Error DataID:" << nID;
    return QString();
}

// ---------------------------------------------------------------- requests

void CDeviceMaster::QueueRqst(MASTER_RQST_S &stRqst, bool bFreshSN)
{
    CPortBase *pPort = GetPort();
    if (pPort == nullptr)
        return;
    if (bFreshSN)
        stRqst.stLinkData.nSN = NextFreeSN(pPort, PendingSNs(&stRqst));
    pPort->PushSendData(stRqst.stLinkData, !stRqst.bCycle);
}

QString CDeviceMaster::RqstReadData(const QList<quint32> &objIDs, bool bCycle)
{
    if (GetState() != 1 || GetPort() == nullptr)
        return QString::fromUtf8(TEXT_NOT_LAUNCHED);
    if (GetPara().nIsBCDevice != 0)
        return QString::fromUtf8(TEXT_BCAST_NO_READ);
    QList<MASTER_RQST_S> objPlan;
    MakeReadRqst(objIDs, objPlan);
    if (objPlan.isEmpty())
        return QString::fromUtf8(TEXT_READ_PARA_ERR);
    if (bCycle)
        StopCycleRead();
    for (MASTER_RQST_S &stRqst : objPlan) {
        stRqst.bCycle = bCycle;
        m_lstRqst.append(new MASTER_RQST_S(stRqst));
        QueueRqst(stRqst, false);
    }
    return QString::fromUtf8(RESULT_OK);
}

QString CDeviceMaster::RqstWriteData(const QList<LOCAL_DATA_MAP_S> &objValues, bool bCycle)
{
    if (GetState() != 1 || GetPort() == nullptr)
        return QString::fromUtf8(TEXT_NOT_LAUNCHED);
    QList<MASTER_RQST_S> objPlan;
    MakeWriteRqst(objValues, objPlan);
    if (objPlan.isEmpty())
        return QString::fromUtf8(TEXT_WRITE_PARA_ERR);
    if (bCycle)
        StopCycleWrite();
    for (MASTER_RQST_S &stRqst : objPlan) {
        stRqst.bCycle = bCycle;
        m_lstRqst.append(new MASTER_RQST_S(stRqst));
        QueueRqst(stRqst, false);
    }
    return QString::fromUtf8(RESULT_OK);
}

QString CDeviceMaster::RqstSelfDefData(quint32 nDataID, const QByteArray &objPdu, quint32 nTimeOut,
                                       quint32 nInterval, bool bCycle)
{
    if (objPdu.isEmpty())
        return QString::fromUtf8(TEXT_PDU_LEN_ERR);
    if (GetState() != 1 || GetPort() == nullptr)
        return QString::fromUtf8(TEXT_NOT_LAUNCHED);
    MASTER_RQST_S stRqst;
    stRqst.stLinkData.nAddr = GetAddr();
    stRqst.stLinkData.nFuncCode = static_cast<quint8>(objPdu.at(0));
    stRqst.stLinkData.objData = objPdu.mid(1);
    stRqst.stLinkData.nIsNeedRsp = GetPara().nIsBCDevice == 0 ? 1 : 0;
    stRqst.stLinkData.nIntervalTime = nInterval;
    stRqst.stLinkData.nResendCount = 0;
    stRqst.stLinkData.nTimeOut = nTimeOut;
    stRqst.bCycle = bCycle;
    stRqst.bSelfDef = true;
    stRqst.nDataID = nDataID;
    m_lstRqst.append(new MASTER_RQST_S(stRqst));
    QueueRqst(*m_lstRqst.last(), true);
    return QString::fromUtf8(RESULT_OK);
}

void CDeviceMaster::RemoveRqstIf(bool (*fnMatch)(const MASTER_RQST_S &))
{
    for (int i = m_lstRqst.size() - 1; i >= 0; --i) {
        if (fnMatch(*m_lstRqst.at(i)))
            delete m_lstRqst.takeAt(i);
    }
}

void CDeviceMaster::StopCycleRead()
{
    RemoveRqstIf([](const MASTER_RQST_S &stRqst) {
        return stRqst.bCycle && !stRqst.bSelfDef && IsReadFuncCode(stRqst.stLinkData.nFuncCode);
    });
}

void CDeviceMaster::StopCycleWrite()
{
    RemoveRqstIf([](const MASTER_RQST_S &stRqst) {
        return stRqst.bCycle && !stRqst.bSelfDef && IsWriteFuncCode(stRqst.stLinkData.nFuncCode);
    });
}

void CDeviceMaster::StopCycleSelfDef()
{
    RemoveRqstIf([](const MASTER_RQST_S &stRqst) { return stRqst.bCycle && stRqst.bSelfDef; });
}

void CDeviceMaster::ClearRqst()
{
    qDeleteAll(m_lstRqst);
    m_lstRqst.clear();
}

// ---------------------------------------------------------------- replies

bool CDeviceMaster::ProcRecvData(const QString &strPortName, const LINK_RECV_DATA_S &stData)
{
    if (!CDeviceBase::ProcRecvData(strPortName, stData))
        return false;
    auto fnFind = [this](quint16 nSN) {
        for (int i = 0; i < m_lstRqst.size(); ++i) {
            if (m_lstRqst.at(i)->stLinkData.nSN == nSN)
                return i;
        }
        return -1;
    };
    const int nPos = fnFind(stData.nSN);
    if (nPos < 0)
        return false;

    // Listeners run directly inside the emits below and may stop, clear or
    // start requests: work on a copy, and finish the request only if it is
    // still pending, wherever it now stands in the list.
    const MASTER_RQST_S stRqst = *m_lstRqst.at(nPos);
    auto fnFinish = [&]() { FinishRqst(fnFind(stData.nSN)); };
    if (stRqst.bSelfDef) {
        // A timeout or a broken reply has no delay to show: -1, not a quick 0.
        const qint32 nDelay = stData.enType == LINK_RECV_OK ? static_cast<qint32>(stData.nRspTime) : -1;
        emit siRefreshSelfDeviceData(GetName(), stRqst.nDataID, nDelay);
        fnFinish();
        return true;
    }
    const quint8 nRqstCode = stRqst.stLinkData.nFuncCode;
    if (stData.enType != LINK_RECV_OK || stData.nFuncCode == static_cast<quint8>(nRqstCode + 0x80)) {
        FinishRqst(nPos);
        return false;
    }
    // The link only delivers a reply whose code answers the request; a reply
    // to another code must not be cut into this request's points.
    if (stData.nFuncCode == nRqstCode) {
        if (nRqstCode == 0x01 || nRqstCode == 0x02)
            ParseBitInfo(stData, stRqst);
        else if (nRqstCode == 0x03 || nRqstCode == 0x04)
            ParseRegInfo(stData, stRqst);
    }
    fnFinish();
    return true;
}

void CDeviceMaster::ParseBitInfo(const LINK_RECV_DATA_S &stData, const MASTER_RQST_S &stRqst)
{
    if (stRqst.lstDataCfg.isEmpty())
        return;
    const int nFirst = stRqst.lstDataCfg.first().nAddr;
    for (const DEVICE_DATA_CFG_S &objPoint : stRqst.lstDataCfg) {
        const int nOffset = objPoint.nAddr - nFirst;
        const int nByte = 1 + nOffset / 8;
        if (nOffset < 0 || nByte >= stData.objData.size()) {
            LOG_DEBUG().noquote() << "Error Data:" + objPoint.strName;
            continue;
        }
        const bool bSet = (static_cast<quint8>(stData.objData.at(nByte)) >> (nOffset % 8)) & 0x01;
        emit siRefreshDeviceData(GetName(), objPoint.nID, bSet ? QStringLiteral("1") : QStringLiteral("0"));
        if (objPoint.nCurveShow != 0)
            emit siRefreshDeviceCurveData(GetName(), objPoint.strName, objPoint.nID, bSet ? 1.0 : 0.0);
    }
}

void CDeviceMaster::ParseRegInfo(const LINK_RECV_DATA_S &stData, const MASTER_RQST_S &stRqst)
{
    if (stRqst.lstDataCfg.isEmpty())
        return;
    const int nFirst = stRqst.lstDataCfg.first().nAddr;
    for (const DEVICE_DATA_CFG_S &objPoint : stRqst.lstDataCfg) {
        const int nOffset = objPoint.nAddr - nFirst;
        const int nPos = 1 + nOffset * 2;
        const int nLen = objPoint.nSize * 2;
        if (nOffset < 0 || nPos + nLen > stData.objData.size()) {
            LOG_DEBUG().noquote() << "Error Data:" + objPoint.strName;
            continue;
        }
        const QString strText = CCfgFileMgr::ConvertDataFromNetBytes(objPoint, stData.objData.mid(nPos, nLen));
        emit siRefreshDeviceData(GetName(), objPoint.nID, strText);
        if (objPoint.nCurveShow != 0) {
            emit siRefreshDeviceCurveData(GetName(), objPoint.strName, objPoint.nID,
                                          CCfgFileMgr::ConvertDataFromLocalString(objPoint, strText));
        }
    }
}

void CDeviceMaster::FinishRqst(int nPos)
{
    if (nPos < 0 || nPos >= m_lstRqst.size())
        return;
    MASTER_RQST_S *pRqst = m_lstRqst.at(nPos);
    if (!pRqst->bCycle) {
        delete m_lstRqst.takeAt(nPos);
        return;
    }
    if (GetState() == 1)
        QueueRqst(*pRqst, true);
}

void CDeviceMaster::slPortObjChanged(const QString &strPortName)
{
    CDeviceBase::slPortObjChanged(strPortName);
    // Only a rebuild of our own link lost our queued copies; re-queueing for
    // another link's rebuild would send every pending write a second time.
    if (strPortName != GetPortName())
        return;
    if (GetPort() == nullptr || GetState() != 1) {
        DropStrandedRqst();
        return;
    }
    for (MASTER_RQST_S *pRqst : qAsConst(m_lstRqst))
        QueueRqst(*pRqst, true);
}

void CDeviceMaster::DropStrandedRqst()
{
    // Nothing will ever answer them. Cyclic requests stay until their work is
    // started again; their numbers stay taken, so no new reply lands in them.
    QList<quint32> objRows;
    for (int i = 0; i < m_lstRqst.size();) {
        if (m_lstRqst.at(i)->bCycle) {
            ++i;
            continue;
        }
        MASTER_RQST_S *pRqst = m_lstRqst.takeAt(i);
        if (pRqst->bSelfDef)
            objRows.append(pRqst->nDataID);
        delete pRqst;
    }
    // A custom row hears of every outcome; this one got no reply.
    for (quint32 nRow : qAsConst(objRows))
        emit siRefreshSelfDeviceData(GetName(), nRow, -1);
}
