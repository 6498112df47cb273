#ifndef SLAVERIG_H
#define SLAVERIG_H

// A slave link on a real medium (TCP server, UDP, socat pty pair) that answers
// register reads of unit 1 as a device would, with a raw peer on the other
// end of the medium; frames built by the codec.

#include <QNetworkDatagram>
#include <QSerialPort>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>
#include <QtTest>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "ccomparamgr.h"
#include "common/codecport.h"
#include "cport_com.h"
#include "cport_tcp_s.h"
#include "freeport.h"
#include "netlink/netlinkutil.h"
#include "socatpair.h"

inline QByteArray Framed(unsigned short nMode, const LINK_SEND_DATA_S &stData)
{
    CCodecPort objCodec(nMode);
    QByteArray objOut;
    objCodec.MakeFrame(stData, objOut);
    return objOut;
}

// A slave's reply: register n holds n + nBias.
inline LINK_SEND_DATA_S ReadReply(quint16 nSN, quint16 nAddr, quint16 nStart, quint16 nCount, quint16 nBias = 0)
{
    LINK_RECV_DATA_S stRqst;
    stRqst.nSN = nSN;
    stRqst.nAddr = static_cast<quint8>(nAddr);
    stRqst.nFuncCode = 0x03;
    QVector<quint16> lstValues;
    for (quint16 i = 0; i < nCount; ++i)
        lstValues.append(static_cast<quint16>(nStart + i + nBias));
    return HoldingReply(stRqst, lstValues);
}

using AnswerFn = std::function<bool(const LINK_RECV_DATA_S &)>;

// The reply to a register read of unit 1, or nothing for other records.
inline bool ReplyToRead(const LINK_RECV_DATA_S &stRecv, LINK_SEND_DATA_S &stRsp)
{
    if (stRecv.nAddr != 1 || stRecv.nFuncCode != 0x03 || stRecv.objData.size() != 4)
        return false;
    const quint16 nStart = static_cast<quint16>((quint8(stRecv.objData[0]) << 8) | quint8(stRecv.objData[1]));
    const quint16 nCount = static_cast<quint16>((quint8(stRecv.objData[2]) << 8) | quint8(stRecv.objData[3]));
    stRsp = ReadReply(stRecv.nSN, stRecv.nAddr, nStart, nCount);
    return true;
}

// Runs fn in a thread while this thread runs its event loop (the slave link
// waits for its records to be taken up here). Nothing is posted across
// threads but by the link itself.
inline void RunAside(const std::function<void()> &fnCall)
{
    std::atomic<bool> bDone{false};
    std::thread objThread([&] {
        fnCall();
        bDone.store(true);
    });
    QEventLoop objLoop;
    QTimer objPoll;
    QObject::connect(&objPoll, &QTimer::timeout, &objLoop, [&] {
        if (bDone.load())
            objLoop.quit();
    });
    objPoll.start(1);
    objLoop.exec();
    objThread.join();
}

// A slave link answering reads, with a raw peer on the other end of its
// medium. It answers in its worker thread, or, with bAnswerHere, from this
// thread as a device does from the GUI thread.
struct SlaveRig
{
    QObject objContext;
    std::unique_ptr<LinkUnderTest> pLink;
    CSocatPair objPair;
    QSerialPort objPty;
    QTcpSocket objTcp;
    QUdpSocket objUdp;
    QString strMedium;
    int nPort = 0;
    QTimer objAnswerTimer; // this thread: takes up the records the worker left
    std::mutex objLock;
    std::deque<LINK_RECV_DATA_S> lstRecords;

    bool Start(const QString &strKind, unsigned short nMode, const QString &strDesIP = QStringLiteral("127.0.0.1"),
               AnswerFn fnAnswer = {}, bool bAnswerHere = false)
    {
        strMedium = strKind;
        nPort = PickFreePort();
        if (strKind == "pty") {
            if (!objPair.Start())
                return false;
            COM_PARA_DATA_S stPara;
            stPara.nPresent = 1;
            stPara.strPortName = objPair.EndA();
            stPara.nTransMode = nMode;
            stPara.nBaudRate = 115200;
            CComParaMgr::GetComParaList() = {stPara};
            pLink.reset(new LinkUnderTest(new CPortCOM(objPair.EndA(), WORK_MODE_SLAVE)));
        } else if (strKind == "udp") {
            CNetParaMgr::SetNetPara(NetPara("NET_S", LINK_MODE_UDP_UNICAST, nMode, nPort, "127.0.0.2"));
            pLink.reset(new LinkUnderTest(new CPortNetUDPUnicast("NET_S", WORK_MODE_SLAVE)));
        } else {
            CNetParaMgr::SetNetPara(NetPara("NET_S", LINK_MODE_TCP_SERVER, nMode, nPort, strDesIP));
            pLink.reset(new LinkUnderTest(new CPortNetTCPServer("NET_S", WORK_MODE_SLAVE)));
        }
        CPortBase *pPort = pLink->pLink.get();
        objAnswerTimer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&objAnswerTimer, &QTimer::timeout, &objContext, [this, pPort] {
            std::lock_guard<std::mutex> objGuard(objLock);
            LINK_SEND_DATA_S stRsp;
            for (; !lstRecords.empty(); lstRecords.pop_front()) {
                if (ReplyToRead(lstRecords.front(), stRsp))
                    pPort->PushSendData(stRsp, false);
            }
        });
        QObject::connect(pPort, &CPortBase::siRecvData, &objContext, [=](QString, LINK_RECV_DATA_S stRecv) {
            LINK_SEND_DATA_S stRsp;
            if (fnAnswer && !fnAnswer(stRecv))
                return;
            if (!bAnswerHere) {
                if (ReplyToRead(stRecv, stRsp))
                    pPort->PushSendData(stRsp, false);
                return;
            }
            std::lock_guard<std::mutex> objGuard(objLock);
            lstRecords.push_back(stRecv);
        }, Qt::DirectConnection);
        if (bAnswerHere)
            objAnswerTimer.start(1);
        if (!pLink->StartAndWaitOpen())
            return false;
        if (strKind == "pty") {
            objPty.setPortName(objPair.EndB());
            objPty.setBaudRate(115200);
            return objPty.open(QIODevice::ReadWrite);
        }
        if (strKind == "udp")
            return objUdp.bind(QHostAddress("127.0.0.2"), static_cast<quint16>(nPort), QAbstractSocket::ShareAddress);
        return Connect(objTcp, "127.0.0.1");
    }
    bool Connect(QTcpSocket &objSocket, const char *pFrom)
    {
        objSocket.bind(QHostAddress(pFrom));
        objSocket.connectToHost(QHostAddress("127.0.0.1"), static_cast<quint16>(nPort));
        return objSocket.waitForConnected(5000);
    }
    // One write, one datagram.
    void Send(const QByteArray &objBytes)
    {
        if (strMedium == "pty")
            objPty.write(objBytes) && objPty.flush();
        else if (strMedium == "udp")
            objUdp.writeDatagram(objBytes, QHostAddress("127.0.0.1"), static_cast<quint16>(nPort));
        else
            objTcp.write(objBytes) && objTcp.flush();
    }
    // What comes back within nMs.
    QByteArray Receive(int nBytes, int nMs)
    {
        QByteArray objGot;
        QElapsedTimer objTimer;
        objTimer.start();
        while (objGot.size() < nBytes && objTimer.elapsed() < nMs) {
            QTest::qWait(2);
            if (strMedium == "pty")
                objGot += objPty.readAll();
            else if (strMedium == "udp")
                objGot += objUdp.hasPendingDatagrams() ? objUdp.receiveDatagram().data() : QByteArray();
            else
                objGot += objTcp.readAll();
        }
        return objGot;
    }
};

#endif // SLAVERIG_H
