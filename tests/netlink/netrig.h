#ifndef NETRIG_H
#define NETRIG_H

// Shared pieces of the link tests on real media: requests and replies, a
// link with its recorder, and a slave link that answers register reads as a
// device would, with a raw peer on the other end of its medium (TCP server,
// UDP, socat pty pair); frames built by the codec.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <modbus/modbus.h>

#include <QNetworkDatagram>
#include <QSerialPort>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>
#include <QtTest>
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>

#include "ccomparamgr.h"
#include "common/codecport.h"
#include "common/freeport.h"
#include "common/modbuspeer.h"
#include "common/netrecords.h"
#include "common/socatpair.h"
#include "common/testport.h"
#include "cport_com.h"
#include "cport_tcp_s.h"

// A slave's reply to a read of unit nAddr: register n holds n + nBias.
inline LINK_SEND_DATA_S ReadReply(quint16 nSN, quint16 nAddr, quint16 nStart, quint16 nCount, quint16 nBias = 0)
{
    LINK_SEND_DATA_S stRsp;
    stRsp.nSN = nSN;
    stRsp.nAddr = nAddr;
    stRsp.nFuncCode = 0x03;
    stRsp.objData = QByteArray(1, char(nCount * 2));
    for (quint16 i = 0; i < nCount; ++i)
        stRsp.objData += QByteArray(1, char((nStart + i + nBias) >> 8)) + char((nStart + i + nBias) & 0xFF);
    return stRsp;
}

inline QByteArray Framed(unsigned short nMode, const LINK_SEND_DATA_S &stData)
{
    QByteArray objOut;
    CCodecPort(nMode).MakeFrame(stData, objOut);
    return objOut;
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

// A slave link answering register reads of unit 1, with a raw peer on the
// other end of its medium. It answers in its worker thread, or, with
// bAnswerHere, from this thread as a device does from the GUI thread.
struct SlaveRig
{
    using AnswerFn = std::function<bool(const LINK_RECV_DATA_S &)>;

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

    // The reply to a register read of unit 1, or false for other records.
    static bool ReplyToRead(const LINK_RECV_DATA_S &stRecv, LINK_SEND_DATA_S &stRsp)
    {
        if (stRecv.nAddr != 1 || stRecv.nFuncCode != 0x03 || stRecv.objData.size() != 4)
            return false;
        stRsp = ReadReply(stRecv.nSN, 1, quint16((quint8(stRecv.objData[0]) << 8) | quint8(stRecv.objData[1])),
                          quint16((quint8(stRecv.objData[2]) << 8) | quint8(stRecv.objData[3])));
        return true;
    }

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
            return objUdp.bind(QHostAddress("127.0.0.2"), quint16(nPort), QAbstractSocket::ShareAddress);
        return Connect(objTcp, "127.0.0.1");
    }
    bool Connect(QTcpSocket &objSocket, const char *pFrom)
    {
        objSocket.bind(QHostAddress(pFrom));
        objSocket.connectToHost(QHostAddress("127.0.0.1"), quint16(nPort));
        return objSocket.waitForConnected(5000);
    }
    // One write, one datagram.
    void Send(const QByteArray &objBytes)
    {
        if (strMedium == "pty")
            objPty.write(objBytes) && objPty.flush();
        else if (strMedium == "udp")
            objUdp.writeDatagram(objBytes, QHostAddress("127.0.0.1"), quint16(nPort));
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

using Clock = std::chrono::steady_clock;

inline double MsSince(Clock::time_point tStart)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - tStart).count();
}

// Round trips of the reads of two registers answered right, by a libmodbus client (TCP, RTU) or
// by plain MBAP datagrams (UDP, which libmodbus does not speak).
inline std::vector<double> PollTimes(SlaveRig &objRig, int nPolls)
{
    std::vector<double> lstMs;
    objRig.objPty.close();
    objRig.objUdp.close();
    const QByteArray objPtyPath = objRig.objPair.EndB().toLocal8Bit();
    RunClient([&] {
        if (objRig.strMedium == "udp") {
            const int nSocket = ::socket(AF_INET, SOCK_DGRAM, 0);
            sockaddr_in stAddr{};
            stAddr.sin_family = AF_INET;
            stAddr.sin_port = htons(uint16_t(objRig.nPort));
            stAddr.sin_addr.s_addr = inet_addr("127.0.0.2");
            const int nOn = 1;
            ::setsockopt(nSocket, SOL_SOCKET, SO_REUSEADDR, &nOn, sizeof(nOn));
            timeval stWait{1, 0};
            ::setsockopt(nSocket, SOL_SOCKET, SO_RCVTIMEO, &stWait, sizeof(stWait));
            ::bind(nSocket, reinterpret_cast<sockaddr *>(&stAddr), sizeof(stAddr));
            stAddr.sin_addr.s_addr = inet_addr("127.0.0.1");
            char arrReply[64];
            for (int i = 0; i < nPolls; ++i) {
                const QByteArray objRqst = Framed(TRANS_MODE_TCP_SYNC, ReadHolding(quint16(i), 0, 2));
                const Clock::time_point tStart = Clock::now();
                ::sendto(nSocket, objRqst.constData(), size_t(objRqst.size()), 0, reinterpret_cast<sockaddr *>(&stAddr), sizeof(stAddr));
                if (::recv(nSocket, arrReply, sizeof(arrReply), 0) > 0)
                    lstMs.push_back(MsSince(tStart));
            }
            ::close(nSocket);
            return;
        }
        modbus_t *pCtx = objRig.strMedium == "pty" ? modbus_new_rtu(objPtyPath.constData(), 115200, 'N', 8, 1)
                                                   : modbus_new_tcp("127.0.0.1", objRig.nPort);
        modbus_set_slave(pCtx, 1);
        modbus_set_response_timeout(pCtx, 1, 0);
        uint16_t arrRegs[2];
        for (int i = 0; i < nPolls && (i > 0 || modbus_connect(pCtx) == 0); ++i) {
            const Clock::time_point tStart = Clock::now();
            if (modbus_read_registers(pCtx, 0, 2, arrRegs) == 2 && arrRegs[0] == 0 && arrRegs[1] == 1)
                lstMs.push_back(MsSince(tStart));
        }
        modbus_close(pCtx);
        modbus_free(pCtx);
    });
    return lstMs;
}

#endif // NETRIG_H
