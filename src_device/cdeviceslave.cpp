#include "cdeviceslave.h"

#include "applog.h"
#include "ccfgfilemgr.h"
#include "commonfunc.h"
#include "cport_base.h"
#include "cportmgr.h"

namespace {

enum : quint8
{
    EXCP_ILLEGAL_FUNCTION = 1,
    EXCP_ILLEGAL_DATA_ADDRESS = 2,
    EXCP_ILLEGAL_DATA_VALUE = 3,
};

quint16 Word(const QByteArray &objBytes, int nPos)
{
    return quint16((quint8(objBytes.at(nPos)) << 8) | quint8(objBytes.at(nPos + 1)));
}

} // namespace

CDeviceSlave::CDeviceSlave(const QString &strName, const QString &strPortName, quint16 nAddr)
    : CDeviceBase(strName, strPortName, DEVICE_TYPE_SLAVE, nAddr)
{
    if (strName.isEmpty())
        SetName(MakeDefaultName(strPortName, nAddr));
    LoadOrCreatePara();
}

QString CDeviceSlave::MakeDefaultName(const QString &strPortName, quint16 nAddr)
{
    return QStringLiteral("[S]") + strPortName + QString::asprintf("-%03d", int(nAddr));
}

bool CDeviceSlave::IsBroadcastAddr(quint16 nAddr) const
{
    return nAddr == m_objPara.nBCast1 || nAddr == m_objPara.nBCast2;
}

bool CDeviceSlave::IsOwnAddr(quint16 nAddr) const
{
    if (nAddr == m_objPara.nAddr)
        return true;
    // A Modbus-TCP device is reached by its IP address and the unit id does not
    // matter to it; many clients send 0xFF. Slaves sharing a link still need
    // the unit id to tell them apart.
    if (nAddr != 0xFF || !m_pPort)
        return false;
    const unsigned short nTransMode = m_pPort->GetTransMode();
    return (nTransMode == TRANS_MODE_TCP_SYNC || nTransMode == TRANS_MODE_TCP_ASYNC)
        && CPortMgr::GetRegCount(m_objPara.strPortName) == 1;
}

bool CDeviceSlave::ProcRecvData(const QString &strPortName, const LINK_RECV_DATA_S &stData)
{
    if (strPortName != m_objPara.strPortName)
        return false;
    if (!IsBroadcastAddr(stData.nAddr) && !IsOwnAddr(stData.nAddr))
        return false;
    if (stData.enType != LINK_RECV_OK)
        return false;
    switch (stData.nFuncCode) {
    case 0x01:
    case 0x02: PorcReadBitInfo(stData); return true;
    case 0x03:
    case 0x04: PorcReadRegInfo(stData); return true;
    case 0x05: PorcWriteOneCoil(stData); return true;
    case 0x06: PorcWriteOneReg(stData); return true;
    case 0x0F: PorcWriteMulBit(stData); return true;
    case 0x10: PorcWriteMulReg(stData); return true;
    default:
        SendExcpReply(stData, EXCP_ILLEGAL_FUNCTION);
        return false;
    }
}

bool CDeviceSlave::FindReadPoints(const LINK_RECV_DATA_S &stData, quint16 &nStart, quint16 &nCount,
                                  QList<DEVICE_DATA_CFG_S> &objPoints)
{
    // A request of the wrong length is not a request at all: no answer.
    if (stData.objData.size() != 4)
        return false;
    nCount = Word(stData.objData, 2);
    if (!IsQuantityServed(stData, nCount))
        return false;
    return FindPoints(stData, GetFuncCodeBlock(stData.nFuncCode), nCount, nStart, objPoints);
}

bool CDeviceSlave::IsQuantityServed(const LINK_RECV_DATA_S &stData, quint16 nCount)
{
    if (nCount != 0 && nCount <= GetFuncCodeMaxNum(stData.nFuncCode))
        return true;
    SendExcpReply(stData, EXCP_ILLEGAL_DATA_ADDRESS);
    return false;
}

bool CDeviceSlave::FindPoints(const LINK_RECV_DATA_S &stData, quint16 nBlock, quint16 nCount, quint16 &nStart,
                              QList<DEVICE_DATA_CFG_S> &objPoints)
{
    // A range running past the last address of the protocol or of the table
    // reaches addresses that do not exist.
    const quint16 nPrtcStart = Word(stData.objData, 0);
    nStart = ToLookupAddr(nPrtcStart);
    if (quint32(nPrtcStart) + nCount > 0x10000 || quint32(nStart) + nCount > 0x10000) {
        SendExcpReply(stData, EXCP_ILLEGAL_DATA_ADDRESS);
        return false;
    }
    objPoints = CCfgFileMgr::GetInstance()->GetDeviceDataCfgsInRange(m_strName, nBlock, nStart, nCount);
    if (objPoints.isEmpty()) {
        SendExcpReply(stData, EXCP_ILLEGAL_DATA_ADDRESS);
        return false;
    }
    return true;
}

void CDeviceSlave::PorcReadBitInfo(const LINK_RECV_DATA_S &stData)
{
    quint16 nStart = 0;
    quint16 nCount = 0;
    QList<DEVICE_DATA_CFG_S> objPoints;
    if (!FindReadPoints(stData, nStart, nCount, objPoints))
        return;
    const int nByteCount = int(GetBitByteCount(nCount));
    QByteArray objReply(1 + nByteCount, '\0');
    objReply[0] = char(nByteCount);
    bool bAnswered = false;
    for (const DEVICE_DATA_CFG_S &objPoint : objPoints) {
        const QString strValue = emit siGetDeviceData(m_strName, objPoint.nID);
        if (strValue.isEmpty())
            continue;
        const QByteArray objBytes = CCfgFileMgr::ConvertDataFromStringToNet(objPoint, strValue);
        if (objBytes.size() != 1) {
            LOG_DEBUG().noquote() << "Error Data:" + objPoint.strName;
            continue;
        }
        if (objPoint.nCurveShow)
            emit siRefreshDeviceCurveData(m_strName, objPoint.strName, objPoint.nID, double(strValue.toUShort()));
        const int nOffset = objPoint.nAddr - nStart;
        const int nPos = 1 + nOffset / 8;
        if (nPos >= objReply.size()) {
            LOG_DEBUG().noquote() << "Error Data:" + objPoint.strName;
            continue;
        }
        if (objBytes.at(0) & 1)
            objReply[nPos] = char(quint8(objReply.at(nPos)) | (1 << (nOffset % 8)));
        bAnswered = true;
    }
    if (bAnswered)
        SendReply(stData, objReply);
    else
        SendExcpReply(stData, EXCP_ILLEGAL_DATA_VALUE);
}

void CDeviceSlave::PorcReadRegInfo(const LINK_RECV_DATA_S &stData)
{
    quint16 nStart = 0;
    quint16 nCount = 0;
    QList<DEVICE_DATA_CFG_S> objPoints;
    if (!FindReadPoints(stData, nStart, nCount, objPoints))
        return;
    QByteArray objReply(1 + nCount * 2, '\0');
    objReply[0] = char(quint8(nCount * 2));
    bool bAnswered = false;
    for (const DEVICE_DATA_CFG_S &objPoint : objPoints) {
        const QString strValue = emit siGetDeviceData(m_strName, objPoint.nID);
        if (strValue.isEmpty())
            continue;
        const QByteArray objBytes = CCfgFileMgr::ConvertDataFromStringToNet(objPoint, strValue);
        const int nPos = 1 + (objPoint.nAddr - nStart) * 2;
        if (objBytes.size() != objPoint.nSize * 2 || nPos + objBytes.size() > objReply.size()) {
            LOG_DEBUG().noquote() << "Error Data:" + objPoint.strName;
            continue;
        }
        if (objPoint.nCurveShow)
            emit siRefreshDeviceCurveData(m_strName, objPoint.strName, objPoint.nID,
                                          CCfgFileMgr::ConvertDataFromLocalString(objPoint, strValue));
        objReply.replace(nPos, objBytes.size(), objBytes);
        bAnswered = true;
    }
    if (bAnswered)
        SendReply(stData, objReply);
    else
        SendExcpReply(stData, EXCP_ILLEGAL_DATA_VALUE);
}

void CDeviceSlave::PorcWriteOneCoil(const LINK_RECV_DATA_S &stData)
{
    const QByteArray &objRqst = stData.objData;
    if (objRqst.size() != 4)
        return;
    const QList<DEVICE_DATA_CFG_S> objPoints = CCfgFileMgr::GetInstance()->GetDeviceDataCfgsInRange(
        m_strName, BLOCK_COIL, ToLookupAddr(Word(objRqst, 0)), 1);
    if (objPoints.size() != 1) {
        SendExcpReply(stData, EXCP_ILLEGAL_DATA_ADDRESS);
        return;
    }
    const quint16 nValue = Word(objRqst, 2);
    if (nValue != 0xFF00 && nValue != 0x0000) {
        SendExcpReply(stData, EXCP_ILLEGAL_DATA_VALUE);
        return;
    }
    emit siRefreshDeviceData(m_strName, objPoints.first().nID,
                             nValue == 0xFF00 ? QStringLiteral("1") : QStringLiteral("0"));
    SendReply(stData, objRqst);
}

void CDeviceSlave::PorcWriteOneReg(const LINK_RECV_DATA_S &stData)
{
    const QByteArray &objRqst = stData.objData;
    if (objRqst.size() != 4)
        return;
    const QList<DEVICE_DATA_CFG_S> objPoints = CCfgFileMgr::GetInstance()->GetDeviceDataCfgsInRange(
        m_strName, BLOCK_HOLDING_REG, ToLookupAddr(Word(objRqst, 0)), 1);
    if (objPoints.size() != 1) {
        SendExcpReply(stData, EXCP_ILLEGAL_DATA_ADDRESS);
        return;
    }
    const DEVICE_DATA_CFG_S &objPoint = objPoints.first();
    emit siRefreshDeviceData(m_strName, objPoint.nID,
                             CCfgFileMgr::ConvertDataFromNetBytes(objPoint, objRqst.mid(2, 2)));
    SendReply(stData, objRqst);
}

void CDeviceSlave::PorcWriteMulBit(const LINK_RECV_DATA_S &stData)
{
    const QByteArray &objRqst = stData.objData;
    if (objRqst.size() < 6)
        return;
    const quint16 nCount = Word(objRqst, 2);
    if (!IsQuantityServed(stData, nCount))
        return;
    const int nByteCount = quint8(objRqst.at(4));
    if (objRqst.size() != nByteCount + 5 || quint32(nByteCount) != GetBitByteCount(nCount)) {
        SendExcpReply(stData, EXCP_ILLEGAL_DATA_ADDRESS);
        return;
    }
    quint16 nStart = 0;
    QList<DEVICE_DATA_CFG_S> objPoints;
    if (!FindPoints(stData, BLOCK_COIL, nCount, nStart, objPoints))
        return;
    RefreshBits(objPoints, nStart, objRqst, 5, objRqst.size());
    SendReply(stData, objRqst.left(4));
}

void CDeviceSlave::PorcWriteMulReg(const LINK_RECV_DATA_S &stData)
{
    const QByteArray &objRqst = stData.objData;
    if (objRqst.size() < 6)
        return;
    const quint16 nCount = Word(objRqst, 2);
    if (!IsQuantityServed(stData, nCount))
        return;
    const int nByteCount = quint8(objRqst.at(4));
    if (objRqst.size() != nByteCount + 5 || nByteCount != int(nCount) * 2) {
        SendExcpReply(stData, EXCP_ILLEGAL_DATA_ADDRESS);
        return;
    }
    quint16 nStart = 0;
    QList<DEVICE_DATA_CFG_S> objPoints;
    if (!FindPoints(stData, BLOCK_HOLDING_REG, nCount, nStart, objPoints))
        return;
    for (const DEVICE_DATA_CFG_S &objPoint : objPoints) {
        const QByteArray objBytes = objRqst.mid(5 + (objPoint.nAddr - nStart) * 2, objPoint.nSize * 2);
        emit siRefreshDeviceData(m_strName, objPoint.nID, CCfgFileMgr::ConvertDataFromNetBytes(objPoint, objBytes));
    }
    SendReply(stData, objRqst.left(4));
}

void CDeviceSlave::SendReply(const LINK_RECV_DATA_S &stData, const QByteArray &objData)
{
    PushReply(stData, stData.nFuncCode, objData);
}

void CDeviceSlave::SendExcpReply(const LINK_RECV_DATA_S &stData, quint8 nCode)
{
    // The request's code with the high bit set, also when it was set already:
    // a wrapped code would read as a normal reply.
    PushReply(stData, quint8(stData.nFuncCode | 0x80), QByteArray(1, char(nCode)));
}

void CDeviceSlave::PushReply(const LINK_RECV_DATA_S &stData, quint8 nFuncCode, const QByteArray &objData)
{
    if (IsBroadcastAddr(stData.nAddr) || !IsOwnAddr(stData.nAddr) || !m_pPort)
        return;
    LINK_SEND_DATA_S stSend;
    stSend.nSN = stData.nSN;
    stSend.nAddr = stData.nAddr;
    stSend.nFuncCode = nFuncCode;
    stSend.nIsNeedRsp = 0;
    stSend.nIntervalTime = 0;
    stSend.nResendCount = 0;
    stSend.nTimeOut = 0;
    stSend.objData = objData;
    m_pPort->PushSendData(stSend, false);
}
