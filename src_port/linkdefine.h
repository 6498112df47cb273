#ifndef LINKDEFINE_H
#define LINKDEFINE_H

// Vocabulary that crosses the boundary of the link layer: what a device hands
// to a link, what a link hands back, and how a link is told to work.

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QtGlobal>

// Processing result of a frame or exchange. Inside the framing code the value 0
// also means "frame not complete yet, wait for more bytes".
enum LINK_PROC_ERR_EN : qint32
{
    LINK_ERR_GENERAL = 0,
    LINK_SEND_OK = 1,
    LINK_RECV_OK = 2,
    LINK_SEND_FAILED = 3,
    LINK_RECV_TIMEOUT = 4,
    LINK_RECV_FRAME_ERR = 5,
    LINK_RECV_CHECK_ERR = 6,
    LINK_RECV_SN_ERR = 7,
    LINK_RECV_TYPE_ERR = 8,
};

// One request (master) or one reply (slave) to be framed and sent.
struct LINK_SEND_DATA_S
{
    quint16 nSN = 0;           // sequence number; MODBUS-TCP transaction identifier
    quint16 nAddr = 0;         // unit address; only the low byte goes on the wire
    quint8 nFuncCode = 0;      // function code (bit 7 set for an exception reply)
    quint8 nIsNeedRsp = 0;     // non-zero: wait for a reply, with timeout and resends
    quint32 nIntervalTime = 0; // pause after a complete reply, at least 10 ms
    quint16 nResendCount = 0;  // resends left after a timeout
    quint32 nTimeOut = 0;      // wait for the reply after each sending, ms
    QByteArray objData;        // PDU after the function code
};

// One result delivered to devices.
struct LINK_RECV_DATA_S
{
    quint16 nSN = 0;
    quint8 nAddr = 0;
    quint8 nFuncCode = 0;
    quint32 nRspTime = 0;                  // ms from the last sending to the complete reply
    LINK_PROC_ERR_EN enType = LINK_ERR_GENERAL;
    QByteArray objData;                    // PDU after the function code
};

// Work mode of a link.
enum : unsigned short
{
    WORK_MODE_MASTER = 0,
    WORK_MODE_SLAVE = 1,
};

// Transmission mode (TransMode).
enum : unsigned short
{
    TRANS_MODE_RTU = 0,
    TRANS_MODE_ASCII = 1,
    TRANS_MODE_TCP_SYNC = 2,
    TRANS_MODE_TCP_ASYNC = 3,
};

// Link mode of a network link (LinkMode).
enum : unsigned short
{
    LINK_MODE_TCP_CLIENT = 0,
    LINK_MODE_TCP_SERVER = 1,
    LINK_MODE_UDP_UNICAST = 2,
};

// Log prefix of a result kind, as the frame log prints it; nullptr for a value
// outside the table, so callers decide what to print.
const char *GetLinkProcErrPrefix(LINK_PROC_ERR_EN enType);

// User texts of the transmission and link modes; empty for unknown values.
QString GetTransModeName(unsigned short nTransMode);
QString GetLinkModeName(unsigned short nLinkMode);

// A name containing "NET" (case-sensitive) denotes a network link; any other a serial port.
bool IsNetPortName(const QString &strPortName);

// Registers the three record types under their own names for queued signals.
void RegisterLinkMetaTypes();

Q_DECLARE_METATYPE(LINK_SEND_DATA_S)
Q_DECLARE_METATYPE(LINK_RECV_DATA_S)
Q_DECLARE_METATYPE(LINK_PROC_ERR_EN)

#endif // LINKDEFINE_H
