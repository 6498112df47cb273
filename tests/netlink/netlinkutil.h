#ifndef NETLINKUTIL_H
#define NETLINKUTIL_H

// Shared pieces of the network link tests: parameter records, requests and
// replies, a UDP link on its own loopback address.

#include <QHostAddress>
#include <QStringList>
#include <memory>

#include "common/logcapture.h"
#include "common/netrecords.h"
#include "common/testport.h"

// Read of nCount holding registers from nStart, unit 1.
inline LINK_SEND_DATA_S ReadHolding(quint16 nSN, quint16 nStart, quint16 nCount, quint32 nTimeOut = 3000)
{
    LINK_SEND_DATA_S stRqst;
    stRqst.nSN = nSN;
    stRqst.nAddr = 1;
    stRqst.nFuncCode = 0x03;
    stRqst.nIsNeedRsp = 1;
    stRqst.nTimeOut = nTimeOut;
    stRqst.objData.append(static_cast<char>(nStart >> 8)).append(static_cast<char>(nStart & 0xFF));
    stRqst.objData.append(static_cast<char>(nCount >> 8)).append(static_cast<char>(nCount & 0xFF));
    return stRqst;
}

// A slave's reply to a received read: byte count and the given registers.
inline LINK_SEND_DATA_S HoldingReply(const LINK_RECV_DATA_S &stRqst, const QVector<quint16> &lstValues)
{
    LINK_SEND_DATA_S stRsp;
    stRsp.nSN = stRqst.nSN;
    stRsp.nAddr = stRqst.nAddr;
    stRsp.nFuncCode = stRqst.nFuncCode;
    stRsp.objData.append(static_cast<char>(lstValues.size() * 2));
    for (quint16 nValue : lstValues)
        stRsp.objData.append(static_cast<char>(nValue >> 8)).append(static_cast<char>(nValue & 0xFF));
    return stRsp;
}

inline std::vector<QByteArray> RawOf(CLinkRecorder &objRec, LINK_PROC_ERR_EN enType)
{
    std::vector<QByteArray> lstOut;
    for (const LinkEvent &stEvent : objRec.Of(LinkEvent::Raw)) {
        if (stEvent.enType == enType)
            lstOut.push_back(stEvent.objBytes);
    }
    return lstOut;
}

inline std::vector<int> RawKindsOf(CLinkRecorder &objRec)
{
    std::vector<int> lstOut;
    for (const LinkEvent &stEvent : objRec.Of(LinkEvent::Raw))
        lstOut.push_back(stEvent.enType);
    return lstOut;
}

// A link with its recorder, stopped before it goes away.
struct LinkUnderTest
{
    std::unique_ptr<CPortBase> pLink;
    std::unique_ptr<CLinkRecorder> pRec;

    explicit LinkUnderTest(CPortBase *pNew) : pLink(pNew), pRec(new CLinkRecorder(pNew)) {}
    ~LinkUnderTest()
    {
        if (pLink && pLink->isRunning())
            pLink->StopPort();
    }
    bool StartAndWaitOpen(int nTimeoutMs = 5000)
    {
        pLink->LaunchPort();
        return pRec->WaitFor(LinkEvent::State, -1, 1, nTimeoutMs) && pLink->IsOpen();
    }
};

#endif // NETLINKUTIL_H
