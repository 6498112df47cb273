#ifndef PORTPARADEFINE_H
#define PORTPARADEFINE_H

// Parameter records of the serial and network links. The project store keeps
// the lists; the parameter managers and the links read and change them.

#include <QString>
#include <QtGlobal>

// One serial port, keyed by its port name.
struct COM_PARA_DATA_S
{
    quint16 nPresent = 0;    // 1 when the last enumeration found the port
    QString strPortName;
    quint16 nParity = 0;     // 0 none, 1 odd, 2 even
    quint16 nTransMode = 0;  // TRANS_MODE_RTU or TRANS_MODE_ASCII
    quint16 nStopBits = 0;   // 0 one, 1 one and a half, 2 two
    qint32 nBaudRate = 9600;
    quint32 nBreakTime = 10; // ms

    bool operator==(const COM_PARA_DATA_S &o) const
    {
        return nPresent == o.nPresent && strPortName == o.strPortName && nParity == o.nParity
            && nTransMode == o.nTransMode && nStopBits == o.nStopBits && nBaudRate == o.nBaudRate
            && nBreakTime == o.nBreakTime;
    }
    bool operator!=(const COM_PARA_DATA_S &o) const { return !(*this == o); }
};

// One network link, keyed by its link name (a name containing "NET").
// The defaults are those handed out for a name that has no record yet.
struct NET_PARA_DATA_S
{
    QString strNetName;
    QString strDesIP = QStringLiteral("127.0.0.1");
    quint16 nLinkMode = 0;   // LINK_MODE_TCP_CLIENT
    quint16 nTransMode = 2;  // TRANS_MODE_TCP_SYNC
    quint16 nPortID = 502;
    quint16 nMaxAsynNum = 15;

    bool operator==(const NET_PARA_DATA_S &o) const
    {
        return strNetName == o.strNetName && strDesIP == o.strDesIP && nLinkMode == o.nLinkMode
            && nTransMode == o.nTransMode && nPortID == o.nPortID && nMaxAsynNum == o.nMaxAsynNum;
    }
    bool operator!=(const NET_PARA_DATA_S &o) const { return !(*this == o); }
};

#endif // PORTPARADEFINE_H
