#include "ccfgfilemgr.h"

#include "applog.h"
#include "commonfunc.h"
#include "csvtable.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

const char *const SETTINGS_TABLE_FILE = "./config.csv";
const char *const SETTINGS_TABLE_BASE = "./config";

} // namespace

CCfgFileMgr *CCfgFileMgr::GetInstance()
{
    // Lives until the process ends: devices and views may still ask it while
    // the main window tears them down.
    static CCfgFileMgr *pInstance = new CCfgFileMgr();
    return pInstance;
}

void CCfgFileMgr::ClearCfg()
{
    m_objDataMap.clear();
    m_objAttrMap.clear();
    m_objComParaList.clear();
    m_objNetParaList.clear();
    m_objEmptyList.clear();
}

void CCfgFileMgr::AddDeviceAttrCfg(const QString &strName, const DEVICE_COMMON_ATTR_S &objAttr)
{
    m_objAttrMap.insert(strName, objAttr);
}

void CCfgFileMgr::SetDeviceAttrCfg(const QString &strName, const DEVICE_COMMON_ATTR_S &objAttr)
{
    auto it = m_objAttrMap.find(strName);
    if (it == m_objAttrMap.end()) {
        LOG_DEBUG().noquote() << "ERROR: Can't Find Device:" + strName;
        return;
    }
    it.value() = objAttr;
}

bool CCfgFileMgr::GetDeviceAttrCfg(const QString &strName, DEVICE_COMMON_ATTR_S &objAttr) const
{
    auto it = m_objAttrMap.constFind(strName);
    if (it == m_objAttrMap.constEnd())
        return false;
    objAttr = it.value();
    return true;
}

bool CCfgFileMgr::SetDeviceCfgAddr(const QString &strName, quint16 nAddr)
{
    auto it = m_objAttrMap.find(strName);
    if (it != m_objAttrMap.end())
        it.value().nAddr = nAddr;
    return true;
}

bool CCfgFileMgr::SetDeviceCfgPortName(const QString &strName, const QString &strPortName)
{
    auto it = m_objAttrMap.find(strName);
    if (it != m_objAttrMap.end())
        it.value().strPortName = strPortName;
    return true;
}

bool CCfgFileMgr::ChangeDeviceCfgName(const QString &strOldName, const QString &strNewName)
{
    if (m_objAttrMap.contains(strNewName) || m_objDataMap.contains(strNewName))
        return false;
    auto itAttr = m_objAttrMap.find(strOldName);
    if (itAttr != m_objAttrMap.end()) {
        const DEVICE_COMMON_ATTR_S objAttr = itAttr.value();
        m_objAttrMap.erase(itAttr);
        m_objAttrMap.insert(strNewName, objAttr);
    }
    auto itData = m_objDataMap.find(strOldName);
    if (itData != m_objDataMap.end()) {
        QList<DEVICE_DATA_CFG_S> objList = std::move(itData.value());
        m_objDataMap.erase(itData);
        m_objDataMap.insert(strNewName, std::move(objList));
    }
    return true;
}

void CCfgFileMgr::RemoveDeviceCfg(const QString &strName)
{
    m_objAttrMap.remove(strName);
    m_objDataMap.remove(strName);
}

QList<DEVICE_DATA_CFG_S> &CCfgFileMgr::GetDeviceDataCfgList(const QString &strName)
{
    auto it = m_objDataMap.find(strName);
    if (it != m_objDataMap.end())
        return it.value();
    // A caller that appends to the list of an unknown device must not leave
    // points behind for the next unknown device.
    m_objEmptyList.clear();
    return m_objEmptyList;
}

bool CCfgFileMgr::GetDeviceDataCfg(const QString &strName, quint32 nID, DEVICE_DATA_CFG_S &objCfg) const
{
    auto it = m_objDataMap.constFind(strName);
    if (it == m_objDataMap.constEnd())
        return false;
    for (const DEVICE_DATA_CFG_S &objItem : it.value()) {
        if (objItem.nID == nID) {
            objCfg = objItem;
            return true;
        }
    }
    return false;
}

bool CCfgFileMgr::FindDeviceDataCfgs(const QString &strName, const QList<quint32> &objIDs,
                                     QList<DEVICE_DATA_CFG_S> &objOut) const
{
    auto it = m_objDataMap.constFind(strName);
    if (it == m_objDataMap.constEnd())
        return false;
    const QList<DEVICE_DATA_CFG_S> &objList = it.value();
    QHash<quint32, int> objIndex;
    objIndex.reserve(objList.size());
    for (int i = 0; i < objList.size(); ++i)
        objIndex.insert(objList.at(i).nID, i);

    bool bAllFound = true;
    for (quint32 nID : objIDs) {
        auto itIdx = objIndex.constFind(nID);
        if (itIdx == objIndex.constEnd()) {
            bAllFound = false;
            continue;
        }
        objOut.append(objList.at(itIdx.value()));
    }
    return bAllFound;
}

QList<DEVICE_DATA_CFG_S> CCfgFileMgr::GetDeviceDataCfgsInRange(const QString &strName, quint16 nBlock,
                                                                 quint16 nStartAddr, quint16 nCount) const
{
    QList<DEVICE_DATA_CFG_S> objOut;
    auto it = m_objDataMap.constFind(strName);
    if (it == m_objDataMap.constEnd())
        return objOut;
    const quint32 nEnd = quint32(nStartAddr) + nCount;
    for (const DEVICE_DATA_CFG_S &objItem : it.value()) {
        if (objItem.nBlock == nBlock && objItem.nAddr >= nStartAddr
            && quint32(objItem.nAddr) + objItem.nSize <= nEnd)
            objOut.append(objItem);
    }
    return objOut;
}

bool CCfgFileMgr::SetDeviceDataCfg(const QString &strName, const DEVICE_DATA_CFG_S &objCfg)
{
    auto it = m_objDataMap.find(strName);
    if (it == m_objDataMap.end()) {
        LOG_DEBUG().noquote() << "Can't Find Device Cfg:" + strName;
        return false;
    }
    for (DEVICE_DATA_CFG_S &objItem : it.value()) {
        if (objItem.nID == objCfg.nID) {
            objItem = objCfg;
            return true;
        }
    }
    LOG_DEBUG().noquote() << "Can't Find Device Data Cfg:" + strName + objCfg.strName;
    return false;
}

void CCfgFileMgr::ReplaceDeviceDataCfgList(const QString &strName, const QList<DEVICE_DATA_CFG_S> &objList)
{
    QList<DEVICE_DATA_CFG_S> objNewList = objList;
    auto it = m_objDataMap.find(strName);
    QHash<quint32, const DATA_VALUE_CFG_S *> objOldValues;
    if (it != m_objDataMap.end()) {
        objOldValues.reserve(it.value().size());
        for (const DEVICE_DATA_CFG_S &objOld : it.value())
            objOldValues.insert(objOld.nID, &objOld.objValueCfg);
    }
    // The table does not carry the simulated settings: they follow the ID.
    for (DEVICE_DATA_CFG_S &objItem : objNewList) {
        auto itOld = objOldValues.constFind(objItem.nID);
        objItem.objValueCfg = (itOld != objOldValues.constEnd()) ? *itOld.value() : DATA_VALUE_CFG_S();
    }
    for (int i = 0; i < objNewList.size(); ++i)
        objNewList[i].nID = quint32(i + 1);
    m_objDataMap.insert(strName, std::move(objNewList));
}

bool CCfgFileMgr::SynDeviceDataCfg(const QString &strSrcName, const QString &strDstName)
{
    auto it = m_objDataMap.constFind(strSrcName);
    if (it == m_objDataMap.constEnd()) {
        LOG_DEBUG().noquote() << "ERROR: Syn Device Data Cfg:" + strSrcName;
        return false;
    }
    const QList<DEVICE_DATA_CFG_S> objCopy = it.value();
    m_objDataMap.insert(strDstName, objCopy);
    return true;
}

QStringList CCfgFileMgr::GetPortNameList() const
{
    QStringList objNames;
    for (const COM_PARA_DATA_S &objCom : m_objComParaList)
        objNames.append(objCom.strPortName);
    for (const NET_PARA_DATA_S &objNet : m_objNetParaList)
        objNames.append(objNet.strNetName);
    return objNames;
}

QString CCfgFileMgr::GetCfgFilePath()
{
    if (m_strCfgFilePath.isEmpty())
        m_strCfgFilePath = CsvTable(QString::fromLatin1(SETTINGS_TABLE_FILE)).GetCell(0, 0);
    return m_strCfgFilePath;
}

void CCfgFileMgr::SetCfgFilePath(const QString &strPath)
{
    m_strCfgFilePath = strPath;
    // Other cells of the table are kept as they are.
    CsvTable objTable(QString::fromLatin1(SETTINGS_TABLE_FILE));
    objTable.SetCell(0, 0, strPath);
    if (!objTable.Save(QString::fromLatin1(SETTINGS_TABLE_BASE)))
        LOG_DEBUG().noquote() << "Save Cfg File Path Failed:" + strPath;
}

QString CCfgFileMgr::CheckDataAddrOffset(const QString &strDeviceName, quint16 nAddr, quint16 nSize) const
{
    auto it = m_objAttrMap.constFind(strDeviceName);
    if (it == m_objAttrMap.constEnd())
        return QStringLiteral("内部异常，无法匹配设备");
    return CheckDataAddrOffset(it.value().nAddrOffset, nAddr, nSize);
}

QString CCfgFileMgr::CheckDataAddrOffset(qint16 nAddrOffset, quint16 nAddr, quint16 nSize)
{
    if (nAddrOffset < 0) {
        if (qint32(nAddr) < -qint32(nAddrOffset))
            return QStringLiteral("数据地址相对偏移过小");
        return QString::fromLatin1(RESULT_OK);
    }
    // The shifted point must still end inside the 16-bit address space. A zero
    // offset moves nothing, so it never fails here.
    const qint32 nLast = qint32(nAddr) + nAddrOffset + qMax<qint32>(nSize, 1);
    if (nAddrOffset > 0 && nLast > 65536)
        return QStringLiteral("数据地址相对偏移过大");
    return QString::fromLatin1(RESULT_OK);
}

int CCfgFileMgr::CheckDataAddrOverlap(const QList<DEVICE_DATA_CFG_S> &objRows, QString &strMsg)
{
    // Comparing every row with every later one is what the result means, but
    // it is quadratic. The row that walk stops at is the first row (in table
    // order) that overlaps any other row at all, and that is found in one
    // pass over the rows sorted by block and address.
    strMsg.clear();
    const int nCount = objRows.size();
    std::vector<int> vecOrder(nCount);
    std::iota(vecOrder.begin(), vecOrder.end(), 0);
    std::sort(vecOrder.begin(), vecOrder.end(), [&objRows](int nA, int nB) {
        const DEVICE_DATA_CFG_S &objA = objRows.at(nA);
        const DEVICE_DATA_CFG_S &objB = objRows.at(nB);
        return objA.nBlock != objB.nBlock ? objA.nBlock < objB.nBlock : objA.nAddr < objB.nAddr;
    });

    // [start, end) of A and B overlap when A.start < B.end and B.start < A.end,
    // so an empty point strictly inside another one overlaps it, and two
    // points starting at the same address overlap unless one is empty.
    int nFirst = nCount;
    int nGroup = 0;
    while (nGroup < nCount) {
        const quint16 nBlock = objRows.at(vecOrder[nGroup]).nBlock;
        quint32 nMaxEnd = 0; // largest end of the rows that start before the current address
        int nSame = nGroup;
        while (nSame < nCount && objRows.at(vecOrder[nSame]).nBlock == nBlock) {
            const quint32 nStart = objRows.at(vecOrder[nSame]).nAddr;
            int nNext = nSame;
            int nNonEmpty = 0;
            quint32 nGroupEnd = 0;
            while (nNext < nCount && objRows.at(vecOrder[nNext]).nBlock == nBlock
                   && objRows.at(vecOrder[nNext]).nAddr == nStart) {
                const quint16 nSize = objRows.at(vecOrder[nNext]).nSize;
                nNonEmpty += nSize > 0 ? 1 : 0;
                nGroupEnd = qMax(nGroupEnd, nStart + nSize);
                ++nNext;
            }
            const bool bLaterStart = nNext < nCount && objRows.at(vecOrder[nNext]).nBlock == nBlock;
            const quint32 nLaterStart = bLaterStart ? objRows.at(vecOrder[nNext]).nAddr : 0;
            for (int k = nSame; k < nNext; ++k) {
                const quint16 nSize = objRows.at(vecOrder[k]).nSize;
                const bool bOverlaps = nMaxEnd > nStart || (nSize > 0 && nNonEmpty > 1)
                    || (bLaterStart && nLaterStart < nStart + nSize);
                if (bOverlaps)
                    nFirst = qMin(nFirst, vecOrder[k]);
            }
            nMaxEnd = qMax(nMaxEnd, nGroupEnd);
            nSame = nNext;
        }
        nGroup = nSame;
    }
    if (nFirst == nCount)
        return -1;

    const DEVICE_DATA_CFG_S &objA = objRows.at(nFirst);
    const quint32 nAStart = objA.nAddr;
    const quint32 nAEnd = nAStart + objA.nSize;
    for (int j = nFirst + 1; j < nCount; ++j) {
        const DEVICE_DATA_CFG_S &objB = objRows.at(j);
        const quint32 nBStart = objB.nAddr;
        if (objB.nBlock == objA.nBlock && nAStart < nBStart + objB.nSize && nBStart < nAEnd) {
            strMsg = QStringLiteral("数据地址与其它数据点冲突, ID:") + QString::number(objB.nID)
                + QStringLiteral(" 名称:") + objB.strName;
            return nFirst;
        }
    }
    return -1; // not reached: the first overlapping row has a later partner
}
