#ifndef CDEVICEBASE_H
#define CDEVICEBASE_H

// Common base of the simulated devices. A device hangs on one link by the
// link's name, follows the link's open state, and hands every record the
// link delivers to its subclass while it is launched. It keeps no values of
// its own: values are asked for with siGetDeviceData and published with
// siRefreshDeviceData (connect both directly in the GUI thread; the asking
// signal returns the value text, empty meaning "no value").

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include "cfgdefine.h"
#include "devicedefine.h"
#include "linkdefine.h"

class CPortBase;

class CDeviceBase : public QObject
{
    Q_OBJECT

public:
    CDeviceBase(const QString &strName, const QString &strPortName, quint16 nType, quint16 nAddr);
    ~CDeviceBase() override;

signals:
    void siRefreshDeviceData(const QString &strDeviceName, quint32 nDataID, const QString &strData);
    void siRefreshDeviceCurveData(const QString &strDeviceName, const QString &strDataName, quint32 nDataID,
                                  const double &fData);
    QString siGetDeviceData(const QString &strDeviceName, quint32 nDataID);
    void siDeviceStateChanged(const QString &strDeviceName, quint16 nState);
    // A custom frame row was answered after nDelayTime ms; -1 when no valid
    // reply came (timeout, broken frame, send failure).
    void siRefreshSelfDeviceData(const QString &strDeviceName, quint32 nDataID, qint32 nDelayTime);

public slots:
    void slRecvData(QString strPortName, LINK_RECV_DATA_S stData);
    void slPortStateChanged(QString strPortName, bool bIsOpen);

public:
    virtual void LaunchDevice();
    virtual void ShutDownDevice();
    virtual quint16 GetType();
    virtual QString GetPortName();
    virtual void SetPortName(const QString &strPortName);
    virtual quint16 GetAddr();
    virtual void SetAddr(quint16 nAddr);
    virtual quint16 GetState();
    virtual void SetState(quint16 nState);
    virtual QString GetName();
    virtual void SetName(const QString &strName);
    virtual void SetPara(const DEVICE_COMMON_ATTR_S &objPara);
    virtual DEVICE_COMMON_ATTR_S &GetPara();
    virtual QString RqstReadData(const QList<quint32> &objIDs, bool bCycle);
    virtual QString RqstWriteData(const QList<LOCAL_DATA_MAP_S> &objValues, bool bCycle);
    virtual QString RqstSelfDefData(quint32 nDataID, const QByteArray &objPdu, quint32 nTimeOut,
                                    quint32 nInterval, bool bCycle);
    virtual void StopCycleRead();
    virtual void StopCycleWrite();
    virtual void StopCycleSelfDef();
    virtual void ClearRqst();
    virtual QString MakeDefaultName(const QString &strPortName, quint16 nAddr) = 0;
    virtual bool ProcRecvData(const QString &strPortName, const LINK_RECV_DATA_S &stData);

public slots:
    virtual void slPortObjChanged(const QString &strPortName);

public:
    void RegisterPort(const QString &strPortName, quint16 nType);
    bool IsDefaultName();
    void ResetDefaultName();
    // Launch time in seconds since the epoch; 0 before the first launch.
    qint64 GetLaunchTime() const;
    // The bound link, null while unbound.
    CPortBase *GetPort() const;

    // Frame explainers: read a typed-in PDU (function code plus data) back
    // into the device's points. "OK" or the message to show.
    QString RawParseFrame(const QByteArray &objPdu, quint16 nStartAddr);
    QString RawParseReadBitReplyFrame(const QByteArray &objPdu, quint16 nStartAddr);
    QString RawParseReadRegReplyFrame(const QByteArray &objPdu, unsigned short nStartAddr);
    QString RawParseWriteOneCoilRqstFrame(const QByteArray &objPdu);
    QString RawParseWriteOneRegRqstFrame(const QByteArray &objPdu);
    QString RawParseWriteMulBitRqstFrame(const QByteArray &objPdu);
    QString RawParseWriteMulRegRqstFrame(const QByteArray &objPdu);

protected:
    // (protocol address - AddrOffset) modulo 65536.
    quint16 ToLookupAddr(quint16 nPrtcAddr) const;
    void BindPort(CPortBase *pPort);
    void ReleasePort();
    // Stored attributes under the name, or the defaults stored as new ones.
    void LoadOrCreatePara();
    // Points of a bit block from the packed bytes at nFirst; bytes from nEnd on are not values.
    void RefreshBits(const QList<DEVICE_DATA_CFG_S> &objPoints, quint16 nStart, const QByteArray &objFrame,
                     int nFirst, int nEnd);
    // Points of a register block from the words at nFirst; a point cut short by the frame is skipped.
    void RefreshRegs(const QList<DEVICE_DATA_CFG_S> &objPoints, quint16 nStart, const QByteArray &objFrame,
                     int nFirst);

    QString m_strName;
    DEVICE_COMMON_ATTR_S m_objPara;
    CPortBase *m_pPort = nullptr;
    // Counts bindings: records still queued from a link object left behind
    // (a rebuilt link is deleted, and its successor may reuse its address)
    // carry an older count and are dropped.
    quint32 m_nBindCount = 0;
    QMetaObject::Connection m_objRecvConn;
    quint16 m_nState = 0;
    qint64 m_nLaunchTime = 0;
};

#endif // CDEVICEBASE_H
