#ifndef CDEVICEMASTER_H
#define CDEVICEMASTER_H

// The simulated Modbus master: turns reads and writes of data points into
// requests on its link, ties every returned record to its request by sequence
// number and publishes the values a reply carries.

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

#include "cdevicebase.h"
#include "cfgdefine.h"
#include "linkdefine.h"

// One planned request. The link sends its own copy of stLinkData; the
// sequence number is the only key back to this record.
struct MASTER_RQST_S
{
    LINK_SEND_DATA_S stLinkData;
    QList<DEVICE_DATA_CFG_S> lstDataCfg; // points covered, in request order; empty for custom frames
    bool bCycle = false;                 // queued again after every answer
    bool bSelfDef = false;               // custom frame
    quint32 nDataID = 0;                 // custom frame: the row reported back
};

class CDeviceMaster : public CDeviceBase
{
    Q_OBJECT

public:
    CDeviceMaster(const QString &strName, const QString &strPortName, quint16 nAddr);
    ~CDeviceMaster() override;

    QString RqstReadData(const QList<quint32> &objIDs, bool bCycle) override;
    QString RqstWriteData(const QList<LOCAL_DATA_MAP_S> &objValues, bool bCycle) override;
    QString RqstSelfDefData(quint32 nDataID, const QByteArray &objPdu, quint32 nTimeOut, quint32 nInterval,
                            bool bCycle) override;
    void StopCycleRead() override;
    void StopCycleWrite() override;
    void StopCycleSelfDef() override;
    void ClearRqst() override;
    QString MakeDefaultName(const QString &strPortName, quint16 nAddr) override;
    bool ProcRecvData(const QString &strPortName, const LINK_RECV_DATA_S &stData) override;

public slots:
    void slPortObjChanged(const QString &strPortName) override;

public:
    // Plans the reads of the given points; every request gets a fresh
    // sequence number from the link.
    void MakeReadRqst(const QList<unsigned int> &objIDs, QList<MASTER_RQST_S> &objOut);
    // Plans the writes of the given values; points of read-only blocks get no request.
    void MakeWriteRqst(const QList<LOCAL_DATA_MAP_S> &objValues, QList<MASTER_RQST_S> &objOut);
    unsigned char GetWriteFuncCode(unsigned short nBlock, unsigned short nQuantity);
    QString FindLocalDataValue(unsigned int nID, const QList<LOCAL_DATA_MAP_S> &objValues);
    void ParseBitInfo(const LINK_RECV_DATA_S &stData, const MASTER_RQST_S &stRqst);
    void ParseRegInfo(const LINK_RECV_DATA_S &stData, const MASTER_RQST_S &stRqst);
    void FinishRqst(int nPos);

    // Number of requests waiting for an answer (one-shot and cyclic).
    int PendingCount() const { return m_lstRqst.size(); }

    // ---- planning without a link (sequence numbers stay 0) ----
    // Groups and merges the points by the packing way of objAttr; an unknown
    // packing way plans nothing.
    static void PlanReadRqst(const QList<DEVICE_DATA_CFG_S> &objPoints, const DEVICE_COMMON_ATTR_S &objAttr,
                             QList<MASTER_RQST_S> &objOut);
    // objPoints[i] is written with objBytes[i], its value already converted.
    // Returns false when a value does not fit its point: then nothing is planned.
    static bool PlanWriteRqst(const QList<DEVICE_DATA_CFG_S> &objPoints, const QList<QByteArray> &objBytes,
                              const DEVICE_COMMON_ATTR_S &objAttr, QList<MASTER_RQST_S> &objOut);
    static unsigned char WriteFuncCodeOf(const DEVICE_COMMON_ATTR_S &objAttr, unsigned short nBlock,
                                         unsigned short nQuantity);
    // PDU data after the function code for a write of the collected value bytes.
    static QByteArray MakeWritePdu(unsigned char nFuncCode, quint16 nStartAddr, const QByteArray &objValues);

private:
    // Queues a copy on the link: at the head for one-shot, at the tail for cyclic requests.
    void QueueRqst(MASTER_RQST_S &stRqst, bool bFreshSN);
    void RemoveRqstIf(bool (*fnMatch)(const MASTER_RQST_S &));
    void AssignSN(QList<MASTER_RQST_S> &objPlan);
    // Sequence numbers of the pending requests other than pExcept.
    QSet<quint16> PendingSNs(const MASTER_RQST_S *pExcept = nullptr) const;
    // One-shot requests whose copies went with a replaced link end as failed.
    void DropStrandedRqst();

    QList<MASTER_RQST_S *> m_lstRqst;
};

#endif // CDEVICEMASTER_H
