#ifndef CCFGFILEMGR_H
#define CCFGFILEMGR_H

// The process-wide configuration store: attributes and data points of every
// device, the link parameter records and the path of the current project file;
// plus value conversion, the project file and device templates.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

#include <pugixml.hpp>

#include "cfgdefine.h"
#include "portparadefine.h"

class CCfgFileMgr : public QObject
{
    Q_OBJECT

public:
    static CCfgFileMgr *GetInstance();

    // ---- in-memory store (GUI thread only) ----
    void ClearCfg();
    void AddDeviceAttrCfg(const QString &strName, const DEVICE_COMMON_ATTR_S &objAttr);
    void SetDeviceAttrCfg(const QString &strName, const DEVICE_COMMON_ATTR_S &objAttr);
    bool GetDeviceAttrCfg(const QString &strName, DEVICE_COMMON_ATTR_S &objAttr) const;
    bool SetDeviceCfgAddr(const QString &strName, quint16 nAddr);
    bool SetDeviceCfgPortName(const QString &strName, const QString &strPortName);
    bool ChangeDeviceCfgName(const QString &strOldName, const QString &strNewName);
    void RemoveDeviceCfg(const QString &strName);

    // The device's list, edited in place by the data table. An unknown name
    // yields an empty list that is not stored anywhere.
    QList<DEVICE_DATA_CFG_S> &GetDeviceDataCfgList(const QString &strName);
    bool GetDeviceDataCfg(const QString &strName, quint32 nID, DEVICE_DATA_CFG_S &objCfg) const;
    bool FindDeviceDataCfgs(const QString &strName, const QList<quint32> &objIDs,
                            QList<DEVICE_DATA_CFG_S> &objOut) const;
    QList<DEVICE_DATA_CFG_S> GetDeviceDataCfgsInRange(const QString &strName, quint16 nBlock,
                                                      quint16 nStartAddr, quint16 nCount) const;
    bool SetDeviceDataCfg(const QString &strName, const DEVICE_DATA_CFG_S &objCfg);
    void ReplaceDeviceDataCfgList(const QString &strName, const QList<DEVICE_DATA_CFG_S> &objList);
    bool SynDeviceDataCfg(const QString &strSrcName, const QString &strDstName);

    const QMap<QString, DEVICE_COMMON_ATTR_S> &GetDeviceAttrMap() const { return m_objAttrMap; }
    QList<COM_PARA_DATA_S> &GetComParaList() { return m_objComParaList; }
    QList<NET_PARA_DATA_S> &GetNetParaList() { return m_objNetParaList; }
    QStringList GetPortNameList() const;

    // The current project path; remembered in cell (0, 0) of "./config.csv".
    QString GetCfgFilePath();
    void SetCfgFilePath(const QString &strPath);

    // ---- address checks of the data table; "OK" or the message to show ----
    QString CheckDataAddrOffset(const QString &strDeviceName, quint16 nAddr, quint16 nSize) const;
    static QString CheckDataAddrOffset(qint16 nAddrOffset, quint16 nAddr, quint16 nSize);
    // Walks the rows in order and stops at the first row that overlaps a later
    // row of the same block: returns that row's index and sets the message.
    // -1 (and an empty message) when no rows overlap.
    static int CheckDataAddrOverlap(const QList<DEVICE_DATA_CFG_S> &objRows, QString &strMsg);

    // ---- value conversion (pure; any thread) ----
    static QString ConvertDataFromNetBytes(const DEVICE_DATA_CFG_S &objCfg, const QByteArray &objBytes);
    static QByteArray ConvertDataFromStringToNet(const DEVICE_DATA_CFG_S &objCfg, const QString &strText);
    static double ConvertDataFromLocalString(const DEVICE_DATA_CFG_S &objCfg, const QString &strText);
    static int GainDecimals(double fGain);

    // ---- project file ----
    bool SaveCfg(const QString &strPath);
    QString NewCfg(const QString &strPath);
    QString ImportCfgFile(const QString &strPath);
    bool IsCfgChanged();
    // Writes the document to pWriter, or to the file at strPath when pWriter is
    // null; the file is replaced only once the whole document is on disk.
    bool WriteCfgXml(pugi::xml_writer *pWriter, const QString &strPath) const;

    // ---- device templates ----
    QString ExportDeviceCfgTemplate(const QString &strName, const QString &strPath,
                                    const DEVICE_CFG_TP_ACI_S &objAttach) const;
    QString LoadDeviceCfgTemplate(const QString &strName, const QString &strPath, quint16 nTypeMask);

signals:
    void siNewCfgFile();

private:
    CCfgFileMgr() = default;

    static void BuildDocument(pugi::xml_document &objDoc, const QMap<QString, DEVICE_COMMON_ATTR_S> &objAttrMap,
                              const QHash<QString, QList<DEVICE_DATA_CFG_S>> &objDataMap,
                              const QList<COM_PARA_DATA_S> &objComList, const QList<NET_PARA_DATA_S> &objNetList);
    static void AppendDeviceNode(pugi::xml_node objParent, const QString &strName,
                                 const DEVICE_COMMON_ATTR_S &objAttr, const QList<DEVICE_DATA_CFG_S> *pList,
                                 const DEVICE_CFG_TP_ACI_S *pAttach);
    static void ReadDeviceAttr(const pugi::xml_node &objNode, DEVICE_COMMON_ATTR_S &objAttr);
    static void ReadDataList(const pugi::xml_node &objDevice, quint32 nFirstID, QList<DEVICE_DATA_CFG_S> &objList);
    void ParseDeviceCfg(const pugi::xml_node &objRoot, QMap<QString, DEVICE_COMMON_ATTR_S> &objAttrMap,
                        QHash<QString, QList<DEVICE_DATA_CFG_S>> &objDataMap) const;

    // Value conversion, by protocol type and show type.
    static QString ConvertDataFromPrtcINT(const DEVICE_DATA_CFG_S &objCfg, const QByteArray &objBytes);
    static QString ConvertDataFromPrtcUINT(const DEVICE_DATA_CFG_S &objCfg, const QByteArray &objBytes);
    static QString ConvertDataFromPrtcFLOAT(const DEVICE_DATA_CFG_S &objCfg, const QByteArray &objBytes);
    static QString ConvertDataFromPrtcBYTE(const DEVICE_DATA_CFG_S &objCfg, const QByteArray &objBytes);
    static QString ConvertDataFromPrtcINTToFloatString(const DEVICE_DATA_CFG_S &objCfg, const QByteArray &objBytes);
    static QString ConvertDataFromPrtcINTToINTDECString(const DEVICE_DATA_CFG_S &objCfg, const QByteArray &objBytes);
    static QString ConvertDataFromPrtcINTToINTHEXString(const DEVICE_DATA_CFG_S &objCfg, const QByteArray &objBytes);
    static QString ConvertDataFromPrtcUINTToFloatString(const DEVICE_DATA_CFG_S &objCfg, const QByteArray &objBytes);
    static QString ConvertDataFromPrtcUINTToINTDECString(const DEVICE_DATA_CFG_S &objCfg, const QByteArray &objBytes);
    static QString ConvertDataFromPrtcUINTToINTHEXString(const DEVICE_DATA_CFG_S &objCfg, const QByteArray &objBytes);
    static QString ConvertDataFromPrtcUINTToTimeString(const DEVICE_DATA_CFG_S &objCfg, const QByteArray &objBytes);

    static QByteArray ConvertDataFromFloatString(const DEVICE_DATA_CFG_S &objCfg, const QString &strText);
    static QByteArray ConvertDataFromFloatStringToIntData(const DEVICE_DATA_CFG_S &objCfg, double fValue);
    static QByteArray ConvertDataFromFloatStringToUintData(const DEVICE_DATA_CFG_S &objCfg, double fValue);
    static QByteArray ConvertDataFromFloatStringToFloatData(const DEVICE_DATA_CFG_S &objCfg, const QString &strText);
    static QByteArray ConvertDataFromShowBit(const DEVICE_DATA_CFG_S &objCfg, const QString &strText);
    static QByteArray ConvertDataFromINTString(const DEVICE_DATA_CFG_S &objCfg, const QString &strText, int nBase);
    static QByteArray ConvertDataFromINTStringToIntData(const DEVICE_DATA_CFG_S &objCfg, const QString &strText, int nBase);
    static QByteArray ConvertDataFromINTStringToUintData(const DEVICE_DATA_CFG_S &objCfg, const QString &strText, int nBase);
    static QByteArray ConvertDataFromBYTESString(const DEVICE_DATA_CFG_S &objCfg, const QString &strText);
    static QByteArray ConvertDataFromShowString(const DEVICE_DATA_CFG_S &objCfg, const QString &strText);
    static QByteArray ConvertDataFromEpochTimeString(const DEVICE_DATA_CFG_S &objCfg, const QString &strText);

    QHash<QString, QList<DEVICE_DATA_CFG_S>> m_objDataMap;
    QMap<QString, DEVICE_COMMON_ATTR_S> m_objAttrMap;
    QList<COM_PARA_DATA_S> m_objComParaList;
    QList<NET_PARA_DATA_S> m_objNetParaList;
    QString m_strCfgFilePath;
    QList<DEVICE_DATA_CFG_S> m_objEmptyList;
};

#endif // CCFGFILEMGR_H
