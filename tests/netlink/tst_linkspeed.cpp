// What is ready leaves at once, not at the link's next tick: an independent
// client's round trips through our slave link, and an idle master's request.

#include <QtTest>
#include <algorithm>
#include <chrono>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <modbus/modbus.h>

#include "cport_tcp_c.h"
#include "modbuspeer.h"
#include "netlink/slaverig.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> lstMs)
{
    if (lstMs.empty())
        return 1e9;
    std::sort(lstMs.begin(), lstMs.end());
    return lstMs[lstMs.size() / 2];
}

double MsSince(Clock::time_point tStart)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - tStart).count();
}

// Round trips of reads of two registers by a libmodbus client (TCP, RTU) or
// by plain MBAP datagrams (UDP, which libmodbus does not speak).
std::vector<double> PollTimes(SlaveRig &objRig, int nPolls)
{
    std::vector<double> lstMs;
    objRig.objPty.close();
    objRig.objUdp.close();
    const QByteArray objPtyPath = objRig.objPair.EndB().toLocal8Bit();
    RunAside([&] {
        if (objRig.strMedium == "udp") {
            const int nSocket = ::socket(AF_INET, SOCK_DGRAM, 0);
            sockaddr_in stAddr{};
            stAddr.sin_family = AF_INET;
            stAddr.sin_port = htons(static_cast<uint16_t>(objRig.nPort));
            stAddr.sin_addr.s_addr = inet_addr("127.0.0.2");
            const int nOn = 1;
            ::setsockopt(nSocket, SOL_SOCKET, SO_REUSEADDR, &nOn, sizeof(nOn));
            timeval stWait{1, 0};
            ::setsockopt(nSocket, SOL_SOCKET, SO_RCVTIMEO, &stWait, sizeof(stWait));
            ::bind(nSocket, reinterpret_cast<sockaddr *>(&stAddr), sizeof(stAddr));
            stAddr.sin_addr.s_addr = inet_addr("127.0.0.1");
            char arrReply[64];
            for (int i = 0; i < nPolls; ++i) {
                const QByteArray objRqst = Framed(TRANS_MODE_TCP_SYNC, ReadHolding(static_cast<quint16>(i), 0, 2));
                const Clock::time_point tStart = Clock::now();
                ::sendto(nSocket, objRqst.constData(), static_cast<size_t>(objRqst.size()), 0,
                         reinterpret_cast<sockaddr *>(&stAddr), sizeof(stAddr));
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
        if (modbus_connect(pCtx) == 0) {
            uint16_t arrRegs[2];
            for (int i = 0; i < nPolls; ++i) {
                const Clock::time_point tStart = Clock::now();
                if (modbus_read_registers(pCtx, 0, 2, arrRegs) == 2)
                    lstMs.push_back(MsSince(tStart));
            }
        }
        modbus_close(pCtx);
        modbus_free(pCtx);
    });
    return lstMs;
}

} // namespace

class TstLinkSpeed : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterLinkMetaTypes(); }
    void init() { CNetParaMgr::GetNetParaList().clear(); }
    void slaveAnswersAtOnce_data();
    void slaveAnswersAtOnce();
    void idleMasterSendsAtOnce();
};

void TstLinkSpeed::slaveAnswersAtOnce_data()
{
    QTest::addColumn<QString>("strMedium");
    QTest::addColumn<int>("nMode");
    QTest::addColumn<double>("fLineMs"); // request and reply on the line
    QTest::newRow("tcp") << "tcp" << int(TRANS_MODE_TCP_SYNC) << 0.0;
    QTest::newRow("udp") << "udp" << int(TRANS_MODE_TCP_SYNC) << 0.0;
    QTest::newRow("pty, 115200 baud") << "pty" << int(TRANS_MODE_RTU) << (8 + 9) * 10 * 1000.0 / 115200;
}

// The device answers from this thread, as from the GUI thread.
void TstLinkSpeed::slaveAnswersAtOnce()
{
    QFETCH(QString, strMedium);
    QFETCH(int, nMode);
    QFETCH(double, fLineMs);
    SlaveRig objRig;
    QVERIFY(objRig.Start(strMedium, static_cast<unsigned short>(nMode), "127.0.0.1", {}, true));
    const std::vector<double> lstMs = PollTimes(objRig, 200);
    QCOMPARE(lstMs.size(), size_t(200));
    QVERIFY2(Median(lstMs) < 5 + fLineMs, qPrintable(QString::number(Median(lstMs))));
}

// A request queued while nothing is outstanding and the pause after the last
// reply is over goes out at once.
void TstLinkSpeed::idleMasterSendsAtOnce()
{
    const int nPort = PickFreePort();
    CModbusServerPeer objPeer;
    QVERIFY(objPeer.StartTcp("127.0.0.1", nPort));
    CNetParaMgr::SetNetPara(NetPara("NET_M", LINK_MODE_TCP_CLIENT, TRANS_MODE_TCP_SYNC, nPort));
    LinkUnderTest objLink(new CPortNetTCPClient("NET_M", WORK_MODE_MASTER));
    QVERIFY(objLink.StartAndWaitOpen());
    std::vector<double> lstMs;
    for (int i = 1; i <= 30; ++i) {
        QTest::qWait(25);
        const qint64 nPushed = NowMs();
        objLink.pLink->PushSendData(ReadHolding(static_cast<quint16>(i), 0, 2), false);
        QVERIFY(objLink.pRec->WaitFor(LinkEvent::Record, LINK_RECV_OK, static_cast<size_t>(i), 2000));
        std::vector<qint64> lstSent;
        for (const LinkEvent &stEvent : objLink.pRec->Of(LinkEvent::Raw)) {
            if (stEvent.enType == LINK_SEND_OK)
                lstSent.push_back(stEvent.nTime);
        }
        QCOMPARE(lstSent.size(), size_t(i));
        lstMs.push_back(static_cast<double>(lstSent.back() - nPushed));
    }
    QVERIFY2(Median(lstMs) < 2, qPrintable(QString::number(Median(lstMs))));
}

QTEST_GUILESS_MAIN(TstLinkSpeed)
#include "tst_linkspeed.moc"
