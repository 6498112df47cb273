#ifndef CDEVICESLAVE_H
#define CDEVICESLAVE_H

// The simulated slave: answers a real master's requests out of the values its
// data view holds. Requests to the broadcast addresses are carried out but
// never answered. Over Modbus-TCP framing a slave alone on its link also
// takes unit 0xFF as its own address.

#include "cdevicebase.h"

class CDeviceSlave : public CDeviceBase
{
    Q_OBJECT

public:
    CDeviceSlave(const QString &strName, const QString &strPortName, quint16 nAddr);

    QString MakeDefaultName(const QString &strPortName, quint16 nAddr) override;
    bool ProcRecvData(const QString &strPortName, const LINK_RECV_DATA_S &stData) override;

    void PorcReadBitInfo(const LINK_RECV_DATA_S &stData);
    void PorcReadRegInfo(const LINK_RECV_DATA_S &stData);
    void PorcWriteOneCoil(const LINK_RECV_DATA_S &stData);
    void PorcWriteOneReg(const LINK_RECV_DATA_S &stData);
    void PorcWriteMulBit(const LINK_RECV_DATA_S &stData);
    void PorcWriteMulReg(const LINK_RECV_DATA_S &stData);
    void SendReply(const LINK_RECV_DATA_S &stData, const QByteArray &objData);
    void SendExcpReply(const LINK_RECV_DATA_S &stData, quint8 nCode);

private:
    bool IsBroadcastAddr(quint16 nAddr) const;
    bool IsOwnAddr(quint16 nAddr) const;
    // These send the answer themselves when they refuse the request.
    bool IsQuantityServed(const LINK_RECV_DATA_S &stData, quint16 nCount);
    bool FindReadPoints(const LINK_RECV_DATA_S &stData, quint16 &nStart, quint16 &nCount,
                        QList<DEVICE_DATA_CFG_S> &objPoints);
    bool FindPoints(const LINK_RECV_DATA_S &stData, quint16 nBlock, quint16 nCount, quint16 &nStart,
                    QList<DEVICE_DATA_CFG_S> &objPoints);
    void PushReply(const LINK_RECV_DATA_S &stData, quint8 nFuncCode, const QByteArray &objData);
};

#endif // CDEVICESLAVE_H
