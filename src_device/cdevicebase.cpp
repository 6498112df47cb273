#include "cdevicebase.h"

#include <QDateTime>
#include <cstdio>

#include "applog.h"
#include "ccfgfilemgr.h"
#include "commonfunc.h"
#include "cport_base.h"
#include "cportmgr.h"

namespace {

const char *const TEXT_UNKNOWN_FUNC = "不能识别的功能码，解析失败！";
const char *const TEXT_NO_MATCH = "未能匹配任何有效配置";
const char *const TEXT_BIT_READ_LEN = "长度非法，无效Bit读响应报文";
const char *const TEXT_REG_READ_LEN = "长度非法，无效Reg读响应报文";
const char *const TEXT_REG_READ_ODD = "报文字节数非偶数，无效Reg读响应报文";
const char *const TEXT_ONE_COIL_LEN = "长度非法，无效Coil单个写请求报文";
const char *const TEXT_ONE_REG_LEN = "长度非法，无效Reg单个写请求报文";
const char *const TEXT_MUL_BIT_LEN = "长度非法，无效Bit多个写请求报文";
const char *const TEXT_MUL_REG_LEN = "长度非法，无效Reg写多个请求报文";
const char *const TEXT_MUL_REG_ODD = "报文字节数非偶数，无效Reg写多个请求报文";
const char *const TEXT_MUL_REG_QTY = "报文字节数与数据量不匹配，无效Reg写多个请求报文";

quint16 Word(const QByteArray &objBytes, int nPos)
{
    return quint16((quint8(objBytes.at(nPos)) << 8) | quint8(objBytes.at(nPos + 1)));
}

} // namespace

CDeviceBase::CDeviceBase(const QString &strName, const QString &strPortName, quint16 nType, quint16 nAddr)
    : m_strName(strName)
{
    m_objPara.strPortName = strPortName;
    m_objPara.nDeviceType = nType;
    m_objPara.nAddr = nAddr;

    CPortMgr *pMgr = CPortMgr::GetInstance();
    connect(pMgr, &CPortMgr::siPortState, this, &CDeviceBase::slPortStateChanged);
    connect(pMgr, &CPortMgr::siPortObjChanged, this, &CDeviceBase::slPortObjChanged);
    RegisterPort(strPortName, nType);
    LOG_DEBUG().noquote() << "New Device Obj:" + m_strName;
}

CDeviceBase::~CDeviceBase()
{
    ReleasePort();
    LOG_DEBUG().noquote() << "Release Device Obj:" + m_strName << m_objPara.strPortName;
}

void CDeviceBase::BindPort(CPortBase *pPort)
{
    // One connection at a time: a link looked up again must not deliver each record twice.
    disconnect(m_objRecvConn);
    m_pPort = pPort;
    if (!m_pPort)
        return;
    const quint32 nBinding = ++m_nBindCount;
    m_objRecvConn = connect(m_pPort, &CPortBase::siRecvData, this,
                            [this, nBinding](QString strPortName, LINK_RECV_DATA_S stData) {
                                if (nBinding == m_nBindCount)
                                    slRecvData(strPortName, stData);
                            });
}

void CDeviceBase::ReleasePort()
{
    if (m_objPara.strPortName.isEmpty() || !m_pPort)
        return;
    // The link may live on for other devices: stop listening to it first.
    BindPort(nullptr);
    CPortMgr::UnregisterPort(m_objPara.strPortName);
}

void CDeviceBase::RegisterPort(const QString &strPortName, quint16 nType)
{
    if (strPortName.isEmpty() || m_pPort)
        return;
    CPortBase *pPort = CPortMgr::RegisterPort(strPortName, GetDeviceWorkMode(nType));
    if (!pPort) {
        LOG_DEBUG().noquote() << "Device Register Port Failed." + m_strName + ":" + strPortName;
        return;
    }
    BindPort(pPort);
    if (m_pPort->IsOpen())
        SetState(1);
}

void CDeviceBase::LaunchDevice()
{
    if (!m_pPort) {
        RegisterPort(m_objPara.strPortName, m_objPara.nDeviceType);
        return;
    }
    if (m_pPort->IsOpen())
        SetState(1);
}

void CDeviceBase::ShutDownDevice()
{
    SetState(0);
}

quint16 CDeviceBase::GetType()
{
    return m_objPara.nDeviceType;
}

QString CDeviceBase::GetPortName()
{
    return m_objPara.strPortName;
}

void CDeviceBase::SetPortName(const QString &strPortName)
{
    const QString strOld = m_objPara.strPortName;
    if (!CCfgFileMgr::GetInstance()->SetDeviceCfgPortName(m_strName, strPortName)) {
        LOG_DEBUG().noquote() << "Device Port Changed Failed:" + m_strName << strOld << ">>" << strPortName;
        return;
    }
    LOG_DEBUG().noquote() << "Device Port Changed:" + m_strName << strOld << ">>" << strPortName;
    ReleasePort();
    m_objPara.strPortName = strPortName;
    RegisterPort(strPortName, m_objPara.nDeviceType);
}

quint16 CDeviceBase::GetAddr()
{
    return m_objPara.nAddr;
}

void CDeviceBase::SetAddr(quint16 nAddr)
{
    if (!CCfgFileMgr::GetInstance()->SetDeviceCfgAddr(m_strName, nAddr)) {
        LOG_DEBUG().noquote() << "Device Addr Changed Failed:" + m_strName << m_objPara.nAddr << ">>" << nAddr;
        return;
    }
    LOG_DEBUG().noquote() << "Device Addr Changed:" + m_strName << m_objPara.nAddr << ">>" << nAddr;
    m_objPara.nAddr = nAddr;
}

quint16 CDeviceBase::GetState()
{
    return m_nState;
}

void CDeviceBase::SetState(quint16 nState)
{
    if (nState == m_nState)
        return;
    m_nState = nState;
    // Stamped before the signal, so a listener reading the launch time sees the new one.
    if (nState == 1)
        m_nLaunchTime = QDateTime::currentSecsSinceEpoch();
    emit siDeviceStateChanged(m_strName, nState);
}

QString CDeviceBase::GetName()
{
    return m_strName;
}

void CDeviceBase::SetName(const QString &strName)
{
    if (!CCfgFileMgr::GetInstance()->ChangeDeviceCfgName(m_strName, strName)) {
        LOG_DEBUG().noquote() << "Device Name Changed Failed:" << m_strName << ">>" << strName;
        return;
    }
    LOG_DEBUG().noquote() << "Device Name Changed:" << m_strName << ">>" << strName;
    m_strName = strName;
}

void CDeviceBase::SetPara(const DEVICE_COMMON_ATTR_S &objPara)
{
    m_objPara.nForwardZero = objPara.nForwardZero;
    m_objPara.nAddrOffset = objPara.nAddrOffset;
    m_objPara.nPackWay = objPara.nPackWay;
    m_objPara.nBitGap = objPara.nBitGap;
    m_objPara.nRegGap = objPara.nRegGap;
    m_objPara.nOneReg10 = objPara.nOneReg10;
    m_objPara.nOneCoil0F = objPara.nOneCoil0F;
    m_objPara.nBCast1 = objPara.nBCast1;
    m_objPara.nBCast2 = objPara.nBCast2;
    m_objPara.nIsBCDevice = objPara.nIsBCDevice;
    LOG_DEBUG().noquote() << "Device Para Changed:" + m_strName;
    CCfgFileMgr::GetInstance()->SetDeviceAttrCfg(m_strName, m_objPara);
}

DEVICE_COMMON_ATTR_S &CDeviceBase::GetPara()
{
    return m_objPara;
}

QString CDeviceBase::RqstReadData(const QList<quint32> &, bool)
{
    return QString::fromLatin1(RESULT_OK);
}

QString CDeviceBase::RqstWriteData(const QList<LOCAL_DATA_MAP_S> &, bool)
{
    return QString::fromLatin1(RESULT_OK);
}

QString CDeviceBase::RqstSelfDefData(quint32, const QByteArray &, quint32, quint32, bool)
{
    return QString::fromLatin1(RESULT_OK);
}

void CDeviceBase::StopCycleRead() {}
void CDeviceBase::StopCycleWrite() {}
void CDeviceBase::StopCycleSelfDef() {}
void CDeviceBase::ClearRqst() {}

bool CDeviceBase::ProcRecvData(const QString &strPortName, const LINK_RECV_DATA_S &stData)
{
    return strPortName == m_objPara.strPortName && stData.nAddr == m_objPara.nAddr;
}

void CDeviceBase::slRecvData(QString strPortName, LINK_RECV_DATA_S stData)
{
    if (m_nState == 1)
        ProcRecvData(strPortName, stData);
}

void CDeviceBase::slPortStateChanged(QString strPortName, bool bIsOpen)
{
    if (strPortName == m_objPara.strPortName)
        SetState(bIsOpen ? 1 : 0);
}

void CDeviceBase::slPortObjChanged(const QString &strPortName)
{
    // Only a device holding a registration follows the link: one bound
    // without it would later give back a count it never held and take the
    // link from under the devices that do hold one.
    if (strPortName != m_objPara.strPortName || !m_pPort)
        return;
    CPortBase *pPort = CPortMgr::GetPort(strPortName);
    if (!pPort)
        LOG_DEBUG().noquote() << "Can't Find Port Obj:" + m_objPara.strPortName;
    BindPort(pPort);
}

bool CDeviceBase::IsDefaultName()
{
    return m_strName == MakeDefaultName(m_objPara.strPortName, m_objPara.nAddr);
}

void CDeviceBase::ResetDefaultName()
{
    SetName(MakeDefaultName(m_objPara.strPortName, m_objPara.nAddr));
}

qint64 CDeviceBase::GetLaunchTime() const
{
    return m_nLaunchTime;
}

CPortBase *CDeviceBase::GetPort() const
{
    return m_pPort;
}

quint16 CDeviceBase::ToLookupAddr(quint16 nPrtcAddr) const
{
    return quint16(int(nPrtcAddr) - int(m_objPara.nAddrOffset));
}

void CDeviceBase::LoadOrCreatePara()
{
    CCfgFileMgr *pCfg = CCfgFileMgr::GetInstance();
    DEVICE_COMMON_ATTR_S objAttr;
    const bool bStored = pCfg->GetDeviceAttrCfg(m_strName, objAttr);
    if (!bStored)
        objAttr.nRegGap = 5; // what a new device starts with
    // The link, type and address are the device's own; the rest is the project's.
    objAttr.strPortName = m_objPara.strPortName;
    objAttr.nDeviceType = m_objPara.nDeviceType;
    objAttr.nAddr = m_objPara.nAddr;
    m_objPara = objAttr;
    if (!bStored)
        pCfg->AddDeviceAttrCfg(m_strName, m_objPara);
}

// ---- frame explainers ----

QString CDeviceBase::RawParseFrame(const QByteArray &objPdu, quint16 nStartAddr)
{
    if (objPdu.isEmpty())
        return QString::fromUtf8(TEXT_UNKNOWN_FUNC);
    switch (quint8(objPdu.at(0))) {
    case 0x01:
    case 0x02: return RawParseReadBitReplyFrame(objPdu, nStartAddr);
    case 0x03:
    case 0x04: return RawParseReadRegReplyFrame(objPdu, nStartAddr);
    case 0x05: return RawParseWriteOneCoilRqstFrame(objPdu);
    case 0x06: return RawParseWriteOneRegRqstFrame(objPdu);
    case 0x0F: return RawParseWriteMulBitRqstFrame(objPdu);
    case 0x10: return RawParseWriteMulRegRqstFrame(objPdu);
    default: return QString::fromUtf8(TEXT_UNKNOWN_FUNC);
    }
}

QString CDeviceBase::RawParseReadBitReplyFrame(const QByteArray &objPdu, quint16 nStartAddr)
{
    const int nLen = objPdu.size();
    if (nLen < 3 || quint8(objPdu.at(1)) + 2 > nLen)
        return QString::fromUtf8(TEXT_BIT_READ_LEN);
    const quint16 nBlock = GetFuncCodeBlock(quint8(objPdu.at(0)));
    const quint16 nStart = ToLookupAddr(nStartAddr);
    const quint16 nCount = quint16(quint8(objPdu.at(1)) * 8);
    const QList<DEVICE_DATA_CFG_S> objPoints =
        CCfgFileMgr::GetInstance()->GetDeviceDataCfgsInRange(m_strName, nBlock, nStart, nCount);
    if (objPoints.isEmpty())
        return QString::fromUtf8(TEXT_NO_MATCH);
    RefreshBits(objPoints, nStart, objPdu, 2, 2 + quint8(objPdu.at(1)));
    return QString::fromLatin1(RESULT_OK);
}

QString CDeviceBase::RawParseReadRegReplyFrame(const QByteArray &objPdu, unsigned short nStartAddr)
{
    const int nLen = objPdu.size();
    if (nLen < 4 || quint8(objPdu.at(1)) + 2 > nLen)
        return QString::fromUtf8(TEXT_REG_READ_LEN);
    const int nByteCount = quint8(objPdu.at(1));
    if (nByteCount % 2 != 0)
        return QString::fromUtf8(TEXT_REG_READ_ODD);
    const quint16 nBlock = GetFuncCodeBlock(quint8(objPdu.at(0)));
    const quint16 nStart = ToLookupAddr(nStartAddr);
    const QList<DEVICE_DATA_CFG_S> objPoints = CCfgFileMgr::GetInstance()->GetDeviceDataCfgsInRange(
        m_strName, nBlock, nStart, quint16(nByteCount / 2));
    if (objPoints.isEmpty())
        return QString::fromUtf8(TEXT_NO_MATCH);
    RefreshRegs(objPoints, nStart, objPdu, 2);
    return QString::fromLatin1(RESULT_OK);
}

QString CDeviceBase::RawParseWriteOneCoilRqstFrame(const QByteArray &objPdu)
{
    if (objPdu.size() < 5)
        return QString::fromUtf8(TEXT_ONE_COIL_LEN);
    const quint16 nStart = ToLookupAddr(Word(objPdu, 1));
    const QList<DEVICE_DATA_CFG_S> objPoints =
        CCfgFileMgr::GetInstance()->GetDeviceDataCfgsInRange(m_strName, BLOCK_COIL, nStart, 1);
    if (objPoints.isEmpty())
        return QString::fromUtf8(TEXT_NO_MATCH);
    const quint16 nValue = Word(objPdu, 3);
    QString strValue;
    if (nValue == 0xFF00)
        strValue = QStringLiteral("1");
    else if (nValue == 0)
        strValue = QStringLiteral("0");
    else {
        // Qt's own formatter writes "0x" for "%#X".
        char szText[16];
        std::snprintf(szText, sizeof(szText), "%#X", unsigned(nValue));
        strValue = QString::fromLatin1(szText);
    }
    for (const DEVICE_DATA_CFG_S &objPoint : objPoints)
        emit siRefreshDeviceData(m_strName, objPoint.nID, strValue);
    return QString::fromLatin1(RESULT_OK);
}

QString CDeviceBase::RawParseWriteOneRegRqstFrame(const QByteArray &objPdu)
{
    if (objPdu.size() < 5)
        return QString::fromUtf8(TEXT_ONE_REG_LEN);
    const quint16 nStart = ToLookupAddr(Word(objPdu, 1));
    const QList<DEVICE_DATA_CFG_S> objPoints =
        CCfgFileMgr::GetInstance()->GetDeviceDataCfgsInRange(m_strName, BLOCK_HOLDING_REG, nStart, 1);
    if (objPoints.isEmpty())
        return QString::fromUtf8(TEXT_NO_MATCH);
    const QByteArray objBytes = objPdu.mid(3, 2);
    for (const DEVICE_DATA_CFG_S &objPoint : objPoints)
        emit siRefreshDeviceData(m_strName, objPoint.nID, CCfgFileMgr::ConvertDataFromNetBytes(objPoint, objBytes));
    return QString::fromLatin1(RESULT_OK);
}

QString CDeviceBase::RawParseWriteMulBitRqstFrame(const QByteArray &objPdu)
{
    const int nLen = objPdu.size();
    if (nLen < 7 || quint8(objPdu.at(5)) + 6 > nLen)
        return QString::fromUtf8(TEXT_MUL_BIT_LEN);
    const quint16 nStart = ToLookupAddr(Word(objPdu, 1));
    const quint16 nCount = Word(objPdu, 3);
    const QList<DEVICE_DATA_CFG_S> objPoints =
        CCfgFileMgr::GetInstance()->GetDeviceDataCfgsInRange(m_strName, BLOCK_COIL, nStart, nCount);
    if (objPoints.isEmpty())
        return QString::fromUtf8(TEXT_NO_MATCH);
    // Bytes after the counted ones are not coil values.
    RefreshBits(objPoints, nStart, objPdu, 6, 6 + quint8(objPdu.at(5)));
    return QString::fromLatin1(RESULT_OK);
}

QString CDeviceBase::RawParseWriteMulRegRqstFrame(const QByteArray &objPdu)
{
    const int nLen = objPdu.size();
    if (nLen < 8 || quint8(objPdu.at(5)) + 6 > nLen)
        return QString::fromUtf8(TEXT_MUL_REG_LEN);
    const int nByteCount = quint8(objPdu.at(5));
    if (nByteCount % 2 != 0)
        return QString::fromUtf8(TEXT_MUL_REG_ODD);
    const quint16 nCount = Word(objPdu, 3);
    if (int(nCount) * 2 != nByteCount)
        return QString::fromUtf8(TEXT_MUL_REG_QTY);
    const quint16 nStart = ToLookupAddr(Word(objPdu, 1));
    const QList<DEVICE_DATA_CFG_S> objPoints =
        CCfgFileMgr::GetInstance()->GetDeviceDataCfgsInRange(m_strName, BLOCK_HOLDING_REG, nStart, nCount);
    if (objPoints.isEmpty())
        return QString::fromUtf8(TEXT_NO_MATCH);
    RefreshRegs(objPoints, nStart, objPdu, 6);
    return QString::fromLatin1(RESULT_OK);
}

void CDeviceBase::RefreshBits(const QList<DEVICE_DATA_CFG_S> &objPoints, quint16 nStart, const QByteArray &objFrame,
                              int nFirst, int nEnd)
{
    for (const DEVICE_DATA_CFG_S &objPoint : objPoints) {
        const int nOffset = objPoint.nAddr - nStart;
        const int nPos = nFirst + nOffset / 8;
        if (nPos >= nEnd)
            continue;
        const bool bSet = (quint8(objFrame.at(nPos)) >> (nOffset % 8)) & 1;
        emit siRefreshDeviceData(m_strName, objPoint.nID, bSet ? QStringLiteral("1") : QStringLiteral("0"));
    }
}

void CDeviceBase::RefreshRegs(const QList<DEVICE_DATA_CFG_S> &objPoints, quint16 nStart, const QByteArray &objFrame,
                              int nFirst)
{
    for (const DEVICE_DATA_CFG_S &objPoint : objPoints) {
        const QByteArray objBytes = objFrame.mid(nFirst + (objPoint.nAddr - nStart) * 2, objPoint.nSize * 2);
        if (objBytes.size() < objPoint.nSize * 2) {
            LOG_DEBUG().noquote() << "Error Data:" + objPoint.strName;
            continue;
        }
        emit siRefreshDeviceData(m_strName, objPoint.nID, CCfgFileMgr::ConvertDataFromNetBytes(objPoint, objBytes));
    }
}
