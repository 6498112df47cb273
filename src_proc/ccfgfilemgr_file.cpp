// The project file and device templates: the store written as XML and read back.

#include "ccfgfilemgr.h"

#include "applog.h"
#include "commonfunc.h"
#include "cxmlbuffer.h"

#include <QFile>
#include <QSaveFile>

#include <charconv>
#include <cstring>

namespace {

const char *const ROOT_NAME = "Kestrix";
const char *const XML_INDENT = "\t";
const int COMPARE_CHUNK = 2048;

// Hands the document to a file that is being saved and remembers whether
// every byte was accepted.
class CSaveFileWriter : public pugi::xml_writer
{
public:
    explicit CSaveFileWriter(QSaveFile &objFile) : m_objFile(objFile) {}

    void write(const void *pData, size_t nSize) override
    {
        if (m_bFailed)
            return;
        if (m_objFile.write(static_cast<const char *>(pData), qint64(nSize)) != qint64(nSize))
            m_bFailed = true;
    }

    bool IsFailed() const { return m_bFailed; }

private:
    QSaveFile &m_objFile;
    bool m_bFailed = false;
};

// ---- writing attributes ----

void AddText(pugi::xml_node &objNode, const char *pName, const QString &strValue)
{
    objNode.append_attribute(pName).set_value(strValue.toUtf8().constData());
}

void AddUnsigned(pugi::xml_node &objNode, const char *pName, quint64 nValue)
{
    objNode.append_attribute(pName).set_value(static_cast<unsigned long long>(nValue));
}

void AddSigned(pugi::xml_node &objNode, const char *pName, qint64 nValue)
{
    objNode.append_attribute(pName).set_value(static_cast<long long>(nValue));
}

// "%.17g" without depending on the process locale's decimal separator.
void AddDouble(pugi::xml_node &objNode, const char *pName, double fValue)
{
    char szBuf[64];
    const std::to_chars_result objRes =
        std::to_chars(szBuf, szBuf + sizeof(szBuf) - 1, fValue, std::chars_format::general, 17);
    *objRes.ptr = '\0';
    objNode.append_attribute(pName).set_value(szBuf);
}

// ---- reading attributes ----
// A present attribute whose text is not a number of the field's kind reads as
// the default, like an absent one, and says so in the log.

const char *SkipBlanks(const char *p)
{
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r')
        ++p;
    return p;
}

bool OnlyBlanksFrom(const char *p)
{
    return *SkipBlanks(p) == '\0';
}

void LogBadAttr(const pugi::xml_node &objNode, const pugi::xml_attribute &objAttr)
{
    LOG_DEBUG().noquote() << QStringLiteral("Invalid Cfg Attr:") + QString::fromUtf8(objNode.name()) + "."
            + QString::fromUtf8(objAttr.name())
                          << QString::fromUtf8(objAttr.value());
}

bool ParseUnsignedText(const char *pText, quint64 &nValue)
{
    const char *p = SkipBlanks(pText);
    if (*p == '+')
        ++p;
    int nBase = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        nBase = 16;
        p += 2;
    }
    const char *pEnd = p + std::strlen(p);
    unsigned long long n = 0;
    const std::from_chars_result objRes = std::from_chars(p, pEnd, n, nBase);
    if (objRes.ec != std::errc() || objRes.ptr == p || !OnlyBlanksFrom(objRes.ptr))
        return false;
    nValue = n;
    return true;
}

bool ParseSignedText(const char *pText, qint64 &nValue)
{
    const char *p = SkipBlanks(pText);
    if (*p == '+')
        ++p;
    const char *pEnd = p + std::strlen(p);
    long long n = 0;
    const std::from_chars_result objRes = std::from_chars(p, pEnd, n, 10);
    if (objRes.ec != std::errc() || objRes.ptr == p || !OnlyBlanksFrom(objRes.ptr))
        return false;
    nValue = n;
    return true;
}

bool ParseDoubleText(const char *pText, double &fValue)
{
    const char *p = SkipBlanks(pText);
    if (*p == '+')
        ++p;
    const char *pEnd = p + std::strlen(p);
    double f = 0.0;
    const std::from_chars_result objRes = std::from_chars(p, pEnd, f, std::chars_format::general);
    if (objRes.ec != std::errc() || objRes.ptr == p || !OnlyBlanksFrom(objRes.ptr))
        return false;
    fValue = f;
    return true;
}

// Attribute lookups in writing order: the hint makes each lookup start where
// the previous one ended, so a file in our own order is read in one pass.
class CAttrReader
{
public:
    explicit CAttrReader(const pugi::xml_node &objNode) : m_objNode(objNode), m_objHint(objNode.first_attribute()) {}

    pugi::xml_attribute Find(const char *pName) { return m_objNode.attribute(pName, m_objHint); }

    QString Text(const char *pName, const QString &strDefault = QString())
    {
        const pugi::xml_attribute objAttr = Find(pName);
        return objAttr ? QString::fromUtf8(objAttr.value()) : strDefault;
    }

    // Unsigned fields keep the low bits of their width.
    quint64 Unsigned(const char *pName, quint64 nDefault)
    {
        const pugi::xml_attribute objAttr = Find(pName);
        if (!objAttr)
            return nDefault;
        quint64 nValue = 0;
        if (!ParseUnsignedText(objAttr.value(), nValue)) {
            LogBadAttr(m_objNode, objAttr);
            return nDefault;
        }
        return nValue;
    }

    quint16 U16(const char *pName, quint16 nDefault = 0) { return quint16(Unsigned(pName, nDefault)); }
    quint32 U32(const char *pName, quint32 nDefault = 0) { return quint32(Unsigned(pName, nDefault)); }

    qint64 Signed(const char *pName, qint64 nDefault)
    {
        const pugi::xml_attribute objAttr = Find(pName);
        if (!objAttr)
            return nDefault;
        qint64 nValue = 0;
        if (!ParseSignedText(objAttr.value(), nValue)) {
            LogBadAttr(m_objNode, objAttr);
            return nDefault;
        }
        return nValue;
    }

    double Double(const char *pName, double fDefault = 0.0)
    {
        const pugi::xml_attribute objAttr = Find(pName);
        if (!objAttr)
            return fDefault;
        double fValue = 0.0;
        if (!ParseDoubleText(objAttr.value(), fValue)) {
            LogBadAttr(m_objNode, objAttr);
            return fDefault;
        }
        return fValue;
    }

private:
    pugi::xml_node m_objNode;
    pugi::xml_attribute m_objHint;
};

void ReadComPara(const pugi::xml_node &objNode, COM_PARA_DATA_S &objCom)
{
    CAttrReader objReader(objNode);
    objCom.nPresent = 0; // set by the next enumeration of the machine's ports
    objCom.strPortName = objReader.Text("Name");
    objCom.nBaudRate = qint32(objReader.Signed("Baund", 0));
    objCom.nParity = objReader.U16("Parity");
    objCom.nStopBits = objReader.U16("StopBit");
    objCom.nTransMode = objReader.U16("TransMode");
    objCom.nBreakTime = objReader.U32("BreakTime");
}

void ReadNetPara(const pugi::xml_node &objNode, NET_PARA_DATA_S &objNet)
{
    CAttrReader objReader(objNode);
    objNet.strNetName = objReader.Text("Name");
    objNet.strDesIP = objReader.Text("DesIP");
    objNet.nPortID = objReader.U16("PortID");
    objNet.nLinkMode = objReader.U16("LinkMode");
    objNet.nTransMode = objReader.U16("TransMode");
    objNet.nMaxAsynNum = objReader.U16("MaxAsynNum", 15);
}

void ReadDataPoint(const pugi::xml_node &objNode, DEVICE_DATA_CFG_S &objCfg)
{
    CAttrReader objReader(objNode);
    objCfg.strName = objReader.Text("Name");
    objCfg.nBlock = objReader.U16("BLOCK");
    objCfg.nPrtcType = objReader.U16("PrtcTYPE");
    objCfg.strUnit = objReader.Text("Unit");
    objCfg.nShowType = objReader.U16("ShowType");
    objCfg.nAddr = objReader.U16("Addr");
    objCfg.fGain = objReader.Double("Gain");
    objCfg.nSize = objReader.U16("Size");
    objCfg.strRange = objReader.Text("Range");
    objCfg.nByteOder = objReader.U16("ByteOder");
    objCfg.nWordOder = objReader.U16("WordOder");
    objCfg.nIntervalTime = objReader.U32("IntervalTime");
    objCfg.nIsShow = objReader.U16("IsShow");
    objCfg.nIsBRead = objReader.U16("IsBRead", 1);
    objCfg.nIsBWrite = objReader.U16("IsBWrite");

    // A missing child leaves the settings a new point gets.
    const pugi::xml_node objTimeout = objNode.child("TIMEOUT");
    if (objTimeout) {
        CAttrReader objSub(objTimeout);
        objCfg.nTimeOut = objSub.U32("Time");
        objCfg.nResendCount = objSub.U16("ResendCount");
    }
    const pugi::xml_node objCurve = objNode.child("CURVE");
    if (objCurve) {
        CAttrReader objSub(objCurve);
        objCfg.nCurveShow = objSub.U16("IsShow");
    }
    const pugi::xml_node objValue = objNode.child("VALUE");
    if (objValue) {
        CAttrReader objSub(objValue);
        DATA_VALUE_CFG_S &objV = objCfg.objValueCfg;
        const QString strZero = QStringLiteral("0");
        objV.nStategy = objSub.U16("Stategy");
        objV.nTimeBngrWay = objSub.U16("TimeBngrWay");
        objV.strCoefA = objSub.Text("Coef_a", strZero);
        objV.strCoefB = objSub.Text("Coef_b", strZero);
        objV.strCoefC = objSub.Text("Coef_c", strZero);
        objV.strCoefD = objSub.Text("Coef_d", strZero);
        objV.strCoefE = objSub.Text("Coef_e", strZero);
        objV.fResetStep = objSub.Double("ResetStep");
        objV.nXInvl = objSub.U32("XInvl", 1);
        objV.fMaxRadom = objSub.Double("MaxRadom");
        objV.fMinRadom = objSub.Double("MinRadom");
        objV.fMaxValue = objSub.Double("MaxValue");
        objV.fMinValue = objSub.Double("MinValue");
    }
}

void AppendDataPoint(pugi::xml_node &objList, const DEVICE_DATA_CFG_S &objCfg)
{
    pugi::xml_node objData = objList.append_child("DATA");
    AddText(objData, "Name", objCfg.strName);
    AddUnsigned(objData, "BLOCK", objCfg.nBlock);
    AddUnsigned(objData, "PrtcTYPE", objCfg.nPrtcType);
    AddText(objData, "Unit", objCfg.strUnit);
    AddUnsigned(objData, "ShowType", objCfg.nShowType);
    AddUnsigned(objData, "Addr", objCfg.nAddr);
    AddDouble(objData, "Gain", objCfg.fGain);
    AddUnsigned(objData, "Size", objCfg.nSize);
    AddText(objData, "Range", objCfg.strRange);
    AddUnsigned(objData, "ByteOder", objCfg.nByteOder);
    AddUnsigned(objData, "WordOder", objCfg.nWordOder);
    AddUnsigned(objData, "IntervalTime", objCfg.nIntervalTime);
    AddUnsigned(objData, "IsShow", objCfg.nIsShow);
    AddUnsigned(objData, "IsBRead", objCfg.nIsBRead);
    AddUnsigned(objData, "IsBWrite", objCfg.nIsBWrite);

    pugi::xml_node objTimeout = objData.append_child("TIMEOUT");
    AddUnsigned(objTimeout, "Time", objCfg.nTimeOut);
    AddUnsigned(objTimeout, "ResendCount", objCfg.nResendCount);

    pugi::xml_node objCurve = objData.append_child("CURVE");
    AddUnsigned(objCurve, "IsShow", objCfg.nCurveShow);

    const DATA_VALUE_CFG_S &objV = objCfg.objValueCfg;
    pugi::xml_node objValue = objData.append_child("VALUE");
    AddUnsigned(objValue, "Stategy", objV.nStategy);
    AddUnsigned(objValue, "TimeBngrWay", objV.nTimeBngrWay);
    AddText(objValue, "Coef_a", objV.strCoefA);
    AddText(objValue, "Coef_b", objV.strCoefB);
    AddText(objValue, "Coef_c", objV.strCoefC);
    AddText(objValue, "Coef_d", objV.strCoefD);
    AddText(objValue, "Coef_e", objV.strCoefE);
    AddDouble(objValue, "ResetStep", objV.fResetStep);
    AddUnsigned(objValue, "XInvl", objV.nXInvl);
    AddDouble(objValue, "MaxRadom", objV.fMaxRadom);
    AddDouble(objValue, "MinRadom", objV.fMinRadom);
    AddDouble(objValue, "MaxValue", objV.fMaxValue);
    AddDouble(objValue, "MinValue", objV.fMinValue);
}

void SaveDocumentTo(const pugi::xml_document &objDoc, pugi::xml_writer &objWriter)
{
    objDoc.save(objWriter, XML_INDENT, pugi::format_indent, pugi::encoding_utf8);
}

// Opens the file that will replace strPath once complete; the old file stays
// untouched until then.
bool OpenSaveFile(QSaveFile &objFile)
{
    if (objFile.open(QIODevice::WriteOnly))
        return true;
    LOG_DEBUG().noquote() << "Open File Failed" << objFile.fileName() << objFile.errorString();
    return false;
}

bool WriteAndCommit(const pugi::xml_document &objDoc, QSaveFile &objFile)
{
    CSaveFileWriter objWriter(objFile);
    SaveDocumentTo(objDoc, objWriter);
    if (objWriter.IsFailed()) {
        LOG_DEBUG().noquote() << "Write File Failed:" + objFile.fileName() << objFile.errorString();
        objFile.cancelWriting();
        return false;
    }
    // QSaveFile::commit() drops an error of the flush it does while closing, so
    // the last buffered bytes could fail unnoticed: flush them here first.
    if (!objFile.flush()) {
        LOG_DEBUG().noquote() << "Write File Failed:" + objFile.fileName() << objFile.errorString();
        objFile.cancelWriting();
        return false;
    }
    if (!objFile.commit()) {
        LOG_DEBUG().noquote() << "Write File Failed:" + objFile.fileName() << objFile.errorString();
        return false;
    }
    return true;
}

pugi::xml_parse_result LoadXmlFile(pugi::xml_document &objDoc, const QString &strPath)
{
    return objDoc.load_file(QFile::encodeName(strPath).constData(), pugi::parse_default, pugi::encoding_utf8);
}

} // namespace

void CCfgFileMgr::AppendDeviceNode(pugi::xml_node objParent, const QString &strName,
                                   const DEVICE_COMMON_ATTR_S &objAttr, const QList<DEVICE_DATA_CFG_S> *pList,
                                   const DEVICE_CFG_TP_ACI_S *pAttach)
{
    pugi::xml_node objDevice = objParent.append_child("DEVICE");
    AddText(objDevice, "Name", strName);
    AddText(objDevice, "PortName", objAttr.strPortName);
    AddUnsigned(objDevice, "DeviceType", objAttr.nDeviceType);
    AddUnsigned(objDevice, "Addr", objAttr.nAddr);
    AddUnsigned(objDevice, "ForwardZero", objAttr.nForwardZero);
    AddSigned(objDevice, "AddrOffset", objAttr.nAddrOffset);
    AddUnsigned(objDevice, "PackWay", objAttr.nPackWay);
    AddUnsigned(objDevice, "BitGap", objAttr.nBitGap);
    AddUnsigned(objDevice, "RegGap", objAttr.nRegGap);
    AddUnsigned(objDevice, "OneReg10", objAttr.nOneReg10);
    AddUnsigned(objDevice, "OneCoil0F", objAttr.nOneCoil0F);
    AddUnsigned(objDevice, "BCast1", objAttr.nBCast1);
    AddUnsigned(objDevice, "BCast2", objAttr.nBCast2);
    AddUnsigned(objDevice, "IsBCDevice", objAttr.nIsBCDevice);

    if (pAttach != nullptr) {
        pugi::xml_node objAttach = objDevice.append_child("ATTACH");
        AddText(objAttach, "Factory", pAttach->strFactory);
        AddText(objAttach, "DeviceName", pAttach->strDeviceName);
        AddText(objAttach, "DeviceModel", pAttach->strDeviceModel);
        AddText(objAttach, "CfgVersion", pAttach->strCfgVersion);
        AddText(objAttach, "Remarks", pAttach->strRemarks);
    }

    pugi::xml_node objList = objDevice.append_child("DATA_LIST");
    if (pList != nullptr) {
        for (const DEVICE_DATA_CFG_S &objCfg : *pList)
            AppendDataPoint(objList, objCfg);
    }
}

void CCfgFileMgr::ReadDeviceAttr(const pugi::xml_node &objNode, DEVICE_COMMON_ATTR_S &objAttr)
{
    CAttrReader objReader(objNode);
    objReader.Find("Name"); // starts the hint where the file starts
    objAttr.strPortName = objReader.Text("PortName");
    objAttr.nDeviceType = objReader.U16("DeviceType");
    objAttr.nAddr = objReader.U16("Addr");
    objAttr.nForwardZero = objReader.U16("ForwardZero");
    objAttr.nAddrOffset = qint16(objReader.Signed("AddrOffset", 0));
    objAttr.nPackWay = objReader.U16("PackWay");
    objAttr.nBitGap = objReader.U16("BitGap");
    objAttr.nRegGap = objReader.U16("RegGap");
    objAttr.nOneReg10 = objReader.U16("OneReg10");
    objAttr.nOneCoil0F = objReader.U16("OneCoil0F");
    objAttr.nBCast1 = objReader.U16("BCast1");
    objAttr.nBCast2 = objReader.U16("BCast2");
    objAttr.nIsBCDevice = objReader.U16("IsBCDevice");
}

void CCfgFileMgr::ReadDataList(const pugi::xml_node &objDevice, quint32 nFirstID, QList<DEVICE_DATA_CFG_S> &objList)
{
    const pugi::xml_node objDataList = objDevice.child("DATA_LIST");
    if (!objDataList)
        return;
    quint32 nID = nFirstID;
    for (pugi::xml_node objData = objDataList.child("DATA"); objData; objData = objData.next_sibling("DATA")) {
        DEVICE_DATA_CFG_S objCfg;
        ReadDataPoint(objData, objCfg);
        objCfg.nID = nID++;
        objList.append(objCfg);
    }
}

void CCfgFileMgr::ParseDeviceCfg(const pugi::xml_node &objRoot, QMap<QString, DEVICE_COMMON_ATTR_S> &objAttrMap,
                                 QHash<QString, QList<DEVICE_DATA_CFG_S>> &objDataMap) const
{
    const pugi::xml_node objDevices = objRoot.child("DEVICE_LIST");
    if (!objDevices)
        return;
    for (pugi::xml_node objDevice = objDevices.child("DEVICE"); objDevice;
         objDevice = objDevice.next_sibling("DEVICE")) {
        const QString strName = QString::fromUtf8(objDevice.attribute("Name").value());
        if (strName.isEmpty()) {
            LOG_DEBUG() << "Parse Device Attr Cfg Failed";
            continue;
        }
        DEVICE_COMMON_ATTR_S objAttr;
        ReadDeviceAttr(objDevice, objAttr);
        objAttrMap.insert(strName, objAttr);

        // A repeated device name adds its points after the earlier ones, and
        // their IDs follow on so that every ID stays unique in the device.
        QList<DEVICE_DATA_CFG_S> &objList = objDataMap[strName];
        quint32 nNextID = 1;
        for (const DEVICE_DATA_CFG_S &objCfg : objList)
            nNextID = qMax(nNextID, objCfg.nID + 1);
        ReadDataList(objDevice, nNextID, objList);
    }
}

void CCfgFileMgr::BuildDocument(pugi::xml_document &objDoc, const QMap<QString, DEVICE_COMMON_ATTR_S> &objAttrMap,
                                const QHash<QString, QList<DEVICE_DATA_CFG_S>> &objDataMap,
                                const QList<COM_PARA_DATA_S> &objComList, const QList<NET_PARA_DATA_S> &objNetList)
{
    pugi::xml_node objRoot = objDoc.append_child(ROOT_NAME);
    pugi::xml_node objPorts = objRoot.append_child("PORT_LIST");
    for (const COM_PARA_DATA_S &objCom : objComList) {
        pugi::xml_node objNode = objPorts.append_child("COM");
        AddText(objNode, "Name", objCom.strPortName);
        AddSigned(objNode, "Baund", objCom.nBaudRate);
        AddUnsigned(objNode, "Parity", objCom.nParity);
        AddUnsigned(objNode, "StopBit", objCom.nStopBits);
        AddUnsigned(objNode, "TransMode", objCom.nTransMode);
        AddUnsigned(objNode, "BreakTime", objCom.nBreakTime);
    }
    for (const NET_PARA_DATA_S &objNet : objNetList) {
        pugi::xml_node objNode = objPorts.append_child("NET");
        AddText(objNode, "Name", objNet.strNetName);
        AddText(objNode, "DesIP", objNet.strDesIP);
        AddUnsigned(objNode, "PortID", objNet.nPortID);
        AddUnsigned(objNode, "LinkMode", objNet.nLinkMode);
        AddUnsigned(objNode, "TransMode", objNet.nTransMode);
        AddUnsigned(objNode, "MaxAsynNum", objNet.nMaxAsynNum);
    }
    pugi::xml_node objDevices = objRoot.append_child("DEVICE_LIST");
    for (auto it = objAttrMap.constBegin(); it != objAttrMap.constEnd(); ++it) {
        auto itData = objDataMap.constFind(it.key());
        AppendDeviceNode(objDevices, it.key(), it.value(), itData == objDataMap.constEnd() ? nullptr : &itData.value(),
                       nullptr);
    }
}

bool CCfgFileMgr::WriteCfgXml(pugi::xml_writer *pWriter, const QString &strPath) const
{
    pugi::xml_document objDoc;
    BuildDocument(objDoc, m_objAttrMap, m_objDataMap, m_objComParaList, m_objNetParaList);
    if (pWriter != nullptr) {
        SaveDocumentTo(objDoc, *pWriter);
        return true;
    }
    QSaveFile objFile(strPath);
    if (!OpenSaveFile(objFile))
        return false;
    return WriteAndCommit(objDoc, objFile);
}

bool CCfgFileMgr::SaveCfg(const QString &strPath)
{
    return WriteCfgXml(nullptr, strPath);
}

QString CCfgFileMgr::NewCfg(const QString &strPath)
{
    // The open project is dropped only once the new file exists: a path that
    // cannot be written must not cost the user the project still in memory.
    pugi::xml_document objDoc;
    BuildDocument(objDoc, {}, {}, {}, {});
    QSaveFile objFile(strPath);
    if (!OpenSaveFile(objFile) || !WriteAndCommit(objDoc, objFile))
        return QStringLiteral("配置文件异常，创建失败");
    ClearCfg();
    SetCfgFilePath(strPath);
    return QString::fromLatin1(RESULT_OK);
}

QString CCfgFileMgr::ImportCfgFile(const QString &strPath)
{
    pugi::xml_document objDoc;
    const pugi::xml_parse_result objRes = LoadXmlFile(objDoc, strPath);
    if (!objRes) {
        LOG_DEBUG().noquote() << "Error: Failed to parse cfg file:" << objRes.description();
        return QStringLiteral("配置文件打开失败:") + QString::fromUtf8(objRes.description());
    }
    // Any other well-formed XML is not a project: refusing it keeps the
    // project in memory instead of replacing it with nothing.
    const pugi::xml_node objRoot = objDoc.document_element();
    if (std::strcmp(objRoot.name(), ROOT_NAME) != 0) {
        const QString strDesc = QStringLiteral("No Kestrix root element");
        LOG_DEBUG().noquote() << "Error: Failed to parse cfg file:" << strDesc;
        return QStringLiteral("配置文件打开失败:") + strDesc;
    }

    // Read into fresh containers and swap them in at the end.
    QList<COM_PARA_DATA_S> objComList;
    QList<NET_PARA_DATA_S> objNetList;
    const pugi::xml_node objPorts = objRoot.child("PORT_LIST");
    if (objPorts) {
        for (pugi::xml_node objNode = objPorts.child("COM"); objNode; objNode = objNode.next_sibling("COM")) {
            COM_PARA_DATA_S objCom;
            ReadComPara(objNode, objCom);
            objComList.append(objCom);
        }
        for (pugi::xml_node objNode = objPorts.child("NET"); objNode; objNode = objNode.next_sibling("NET")) {
            NET_PARA_DATA_S objNet;
            ReadNetPara(objNode, objNet);
            objNetList.append(objNet);
        }
    }
    QMap<QString, DEVICE_COMMON_ATTR_S> objAttrMap;
    QHash<QString, QList<DEVICE_DATA_CFG_S>> objDataMap;
    ParseDeviceCfg(objRoot, objAttrMap, objDataMap);

    ClearCfg();
    m_objComParaList = std::move(objComList);
    m_objNetParaList = std::move(objNetList);
    m_objAttrMap = std::move(objAttrMap);
    m_objDataMap = std::move(objDataMap);
    emit siNewCfgFile();
    return QString::fromLatin1(RESULT_OK);
}

bool CCfgFileMgr::IsCfgChanged()
{
    const QString strPath = GetCfgFilePath();
    QFile objFile(strPath);
    if (strPath.isEmpty() || !objFile.open(QIODevice::ReadOnly))
        // Only devices (their attributes) and network links reach the file.
        return !m_objAttrMap.isEmpty() || !m_objNetParaList.isEmpty();

    CXMLBuffer objBuffer;
    WriteCfgXml(&objBuffer, QString());
    const QByteArray &objBytes = objBuffer.GetBuffer();
    if (objFile.size() != objBytes.size())
        return true;
    char szChunk[COMPARE_CHUNK];
    qint64 nPos = 0;
    while (nPos < objBytes.size()) {
        const qint64 nWant = qMin<qint64>(COMPARE_CHUNK, objBytes.size() - nPos);
        if (objFile.read(szChunk, nWant) != nWant)
            return true;
        if (std::memcmp(szChunk, objBytes.constData() + nPos, size_t(nWant)) != 0)
            return true;
        nPos += nWant;
    }
    return false;
}

QString CCfgFileMgr::ExportDeviceCfgTemplate(const QString &strName, const QString &strPath,
                                             const DEVICE_CFG_TP_ACI_S &objAttach) const
{
    QSaveFile objFile(strPath);
    if (!OpenSaveFile(objFile))
        return QStringLiteral("配置文件创建失败。");
    auto itAttr = m_objAttrMap.constFind(strName);
    if (itAttr == m_objAttrMap.constEnd()) {
        objFile.cancelWriting();
        return QStringLiteral("无效设备属性。");
    }
    pugi::xml_document objDoc;
    pugi::xml_node objRoot = objDoc.append_child(ROOT_NAME);
    auto itData = m_objDataMap.constFind(strName);
    AppendDeviceNode(objRoot, strName, itAttr.value(), itData == m_objDataMap.constEnd() ? nullptr : &itData.value(),
                     &objAttach);
    if (!WriteAndCommit(objDoc, objFile))
        return QStringLiteral("配置文件创建失败。");
    return QString::fromLatin1(RESULT_OK);
}

QString CCfgFileMgr::LoadDeviceCfgTemplate(const QString &strName, const QString &strPath, quint16 nTypeMask)
{
    auto itAttr = m_objAttrMap.find(strName);
    if (itAttr == m_objAttrMap.end())
        return QStringLiteral("目标设备不存在。");

    pugi::xml_document objDoc;
    const pugi::xml_parse_result objRes = LoadXmlFile(objDoc, strPath);
    if (!objRes) {
        LOG_DEBUG().noquote() << "Error: Failed to parse cfg file:" << objRes.description();
        return QStringLiteral("配置模板文件打开失败:") + QString::fromUtf8(objRes.description());
    }
    const pugi::xml_node objDevice = objDoc.child(ROOT_NAME).child("DEVICE");
    if (!objDevice)
        return QStringLiteral("配置模板文件无有效内容。");

    DEVICE_COMMON_ATTR_S objAttr;
    ReadDeviceAttr(objDevice, objAttr);
    if ((objAttr.nDeviceType & nTypeMask) == 0)
        return QStringLiteral("配置模板与当前设备类型不匹配。");

    QList<DEVICE_DATA_CFG_S> objList;
    ReadDataList(objDevice, 1, objList);

    // The device stays where it is: its own link and address are kept.
    objAttr.strPortName = itAttr.value().strPortName;
    objAttr.nAddr = itAttr.value().nAddr;
    itAttr.value() = objAttr;
    m_objDataMap.insert(strName, std::move(objList));
    return QString::fromLatin1(RESULT_OK);
}
