// The serial link and its parameter store over real pseudo-terminal pairs,
// and the link manager with serial and loopback network links: sharing,
// refusals, rebuilds when parameters change, and the end of the manager.

#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "ccomparamgr.h"
#include "common/freeport.h"
#include "common/framebytes.h"
#include "common/netrecords.h"
#include "common/socatpair.h"
#include "common/testport.h"
#include "cport_com.h"
#include "cport_tcp_c.h"
#include "cport_tcp_s.h"
#include "cportmgr.h"
#include "serialportlist.h"

namespace {

constexpr int WAIT_MS = 5000;

COM_PARA_DATA_S ComRecord(const QString &strName, quint16 nTransMode = TRANS_MODE_RTU, qint32 nBaud = 9600)
{
    COM_PARA_DATA_S stPara;
    stPara.nPresent = 1;
    stPara.strPortName = strName;
    stPara.nTransMode = nTransMode;
    stPara.nBaudRate = nBaud;
    return stPara;
}

// A serial link and everything it reports; its thread ends before the recorder goes.
struct CComLink
{
    CComLink(const QString &strName, short nWorkMode) : objPort(strName, nWorkMode) {}
    ~CComLink() { objPort.StopPort(); }
    // Starts the link and waits for its verdict: true open, false failed.
    bool Launch()
    {
        objPort.LaunchPort();
        return objRec.WaitFor(LinkEvent::State, -1, 1, WAIT_MS) && objRec.Of(LinkEvent::State).front().bOpen;
    }
    CPortCOM objPort;
    CLinkRecorder objRec{&objPort};
};

bool CanOpen(const QString &strPath)
{
    QSerialPort objOther;
    objOther.setPortName(strPath);
    return objOther.open(QIODevice::ReadWrite);
}

// A forwarded open-state report of that link at or after entry nFrom.
bool WaitForState(QSignalSpy &objSpy, const QString &strName, bool bOpen, int nFrom = 0)
{
    return QTest::qWaitFor([&]() {
        for (int i = nFrom; i < objSpy.count(); ++i) {
            if (objSpy.at(i).at(0).toString() == strName && objSpy.at(i).at(1).toBool() == bOpen)
                return true;
        }
        return false;
    }, WAIT_MS);
}

} // namespace

class TstPortMgr : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CSocatPair> m_pPair;
    QString m_strPty;

private slots:
    void initTestCase() { RegisterLinkMetaTypes(); }

    void init()
    {
        CNetParaMgr::GetNetParaList().clear();
        m_pPair = std::make_unique<CSocatPair>();
        QVERIFY(m_pPair->Start());
        m_strPty = m_pPair->EndA();
        CComParaMgr::GetComParaList() = {ComRecord(m_strPty)};
    }

    void cleanup()
    {
        CPortMgr::DestroyInstance();
        m_pPair.reset();
    }

    // Replies queued together are written back to back; each must reach the
    // wire whole, not be discarded by the write that follows it.
    void serialRepliesWrittenTogetherAllArrive()
    {
        CComLink objLink(m_strPty, WORK_MODE_SLAVE);
        QSerialPort objPeer;
        objPeer.setPortName(m_pPair->EndB());
        QVERIFY(objPeer.open(QIODevice::ReadWrite) && objLink.Launch());
        for (quint8 i = 1; i <= 4; ++i)
            objPeer.write(WithCrc(QByteArray(1, char(i)) + Hex("0300000008")));
        QVERIFY(objPeer.waitForBytesWritten(WAIT_MS));
        QVERIFY(objLink.objRec.WaitFor(LinkEvent::Record, LINK_RECV_OK, 4, WAIT_MS));
        QByteArray objExpected, objGot;
        for (const LinkEvent &stEvent : objLink.objRec.Of(LinkEvent::Record)) {
            LINK_SEND_DATA_S stRsp;
            stRsp.nSN = stEvent.stRecord.nSN;
            stRsp.nAddr = stEvent.stRecord.nAddr;
            stRsp.nFuncCode = 0x03;
            stRsp.objData = QByteArray(1, char(16)) + QByteArray(16, char('`' + stRsp.nAddr));
            objLink.objPort.PushSendData(stRsp, false);
            objExpected += WithCrc(QByteArray(1, char(stRsp.nAddr)) + char(0x03) + stRsp.objData);
        }
        QElapsedTimer objTimer;
        objTimer.start();
        while (objGot.size() <= objExpected.size() && objTimer.elapsed() < 1000) {
            objPeer.waitForReadyRead(20);
            objGot += objPeer.readAll();
        }
        QCOMPARE(objGot, objExpected);
    }

    void serialOpenFailuresAndFallbacks()
    {
        // Not a serial port of this machine, or a real one without a record.
        for (const QString &strName : {QString("COM_NOPE"), QString("/dev/no-such-tty"), m_strPty}) {
            CComParaMgr::GetComParaList() = {ComRecord(strName == m_strPty ? "other" : strName)};
            CComLink objLink(strName, WORK_MODE_MASTER);
            QVERIFY2(!objLink.Launch() && objLink.objPort.wait(WAIT_MS), qPrintable(strName));
        }
        // Settings refused below us: a baud rate the serial layer rejects (the
        // pty takes any positive rate) and the 7 data bits of ASCII, which the
        // pty refuses. The port is closed again.
        for (const auto &objCase : QList<QPair<COM_PARA_DATA_S, int>>{{ComRecord(m_strPty, TRANS_MODE_RTU, 0), 8},
                 {ComRecord(m_strPty, TRANS_MODE_RTU, -5), 8}, {ComRecord(m_strPty, TRANS_MODE_ASCII), 7}}) {
            CComParaMgr::GetComParaList() = {objCase.first};
            CComLink objLink(m_strPty, WORK_MODE_MASTER);
            QVERIFY(!objLink.Launch() && !objLink.objPort.IsOpen());
            QCOMPARE(objLink.objPort.GetRequestedDataBits(), objCase.second);
            QVERIFY(CanOpen(m_strPty));
        }
        // Codes out of range fall back to no parity and one stop bit; this
        // open also asks for hardware flow control, which the pty takes.
        COM_PARA_DATA_S stOdd = ComRecord(m_strPty, TRANS_MODE_RTU, 115200);
        stOdd.nParity = 3;
        stOdd.nStopBits = 7;
        CComParaMgr::GetComParaList() = {stOdd};
        {
            CComLink objLink(m_strPty, WORK_MODE_MASTER);
            QVERIFY(objLink.Launch() && objLink.objPort.IsOpen());
            QCOMPARE(objLink.objPort.GetRequestedDataBits(), 8);
            CComLink objSecond(m_strPty, WORK_MODE_MASTER); // the port is in use
            QVERIFY(!objSecond.Launch() && objLink.objPort.IsOpen());
        }
        QVERIFY(CanOpen(m_strPty)); // destroying the running link closed it
    }

    void serialStore()
    {
        const QStringList lstEnum = EnumSerialPortNames();
        COM_PARA_DATA_S stPty = ComRecord(m_strPty, TRANS_MODE_ASCII, 19200);
        stPty.nPresent = 0;
        QList<COM_PARA_DATA_S> lstStart = {ComRecord("COM_GONE", TRANS_MODE_RTU, 38400), stPty};
        if (!lstEnum.isEmpty()) { // a machine port already known keeps its settings and its place
            lstStart.append(ComRecord(lstEnum.first(), TRANS_MODE_ASCII, 115200));
            lstStart.last().nPresent = 0;
        }
        CComParaMgr::GetComParaList() = lstStart;
        QList<COM_PARA_DATA_S> lstExpected = lstStart;
        lstExpected[0].nPresent = 0;
        lstExpected[1].nPresent = 1; // a pty path is a port of this machine
        for (int i = 0; i < lstEnum.size(); ++i) {
            if (i == 0)
                lstExpected[2].nPresent = 1;
            else // new ports: appended in order, with the defaults
                lstExpected.append(COM_PARA_DATA_S{1, lstEnum[i]});
        }
        CComParaMgr::RefreshComList();
        CComParaMgr::RefreshComList();
        QVERIFY(CComParaMgr::GetComParaList() == lstExpected);
        m_pPair.reset(); // gone: the record stays, not present
        lstExpected[1].nPresent = 0;
        CComParaMgr::RefreshComList();
        QVERIFY(CComParaMgr::GetComParaList() == lstExpected);

        QSignalSpy objSpy(CComParaMgr::GetInstance(), &CComParaMgr::siCOMParaChanged);
        COM_PARA_DATA_S stNew = ComRecord("COM_GONE", TRANS_MODE_ASCII, 57600);
        stNew.nParity = 1;
        stNew.nStopBits = 2;
        stNew.nBreakTime = 35;
        QVERIFY(CComParaMgr::SetComPara(stNew));
        QCOMPARE(objSpy.count(), 1);
        COM_PARA_DATA_S stGot;
        QVERIFY(CComParaMgr::GetComPara("COM_GONE", stGot) && stGot == stNew); // every field, the present flag too
        const QList<COM_PARA_DATA_S> lstBefore = CComParaMgr::GetComParaList();
        QVERIFY(!CComParaMgr::SetComPara(ComRecord("ttyUSB9")) && !CComParaMgr::GetComPara("ttyUSB9", stGot));
        QVERIFY(objSpy.count() == 1 && CComParaMgr::GetComParaList() == lstBefore);
    }

    void sharedLinkCountsRegistrations()
    {
        QSignalSpy objState(CPortMgr::GetInstance(), &CPortMgr::siPortState);
        QSignalSpy objRaw(CPortMgr::GetInstance(), &CPortMgr::siRecvDataRaw);
        CPortBase *pFirst = CPortMgr::RegisterPort(m_strPty, WORK_MODE_MASTER);
        QVERIFY(qobject_cast<CPortCOM *>(pFirst) != nullptr);
        QCOMPARE(CPortMgr::RegisterPort(m_strPty, WORK_MODE_MASTER), pFirst);
        QVERIFY(WaitForState(objState, m_strPty, true));
        // Raw frames are forwarded; only the address's low byte goes on the wire.
        LINK_SEND_DATA_S stRqst;
        stRqst.nAddr = 0x105;
        stRqst.nFuncCode = 0x06;
        stRqst.objData = Hex("00010002");
        pFirst->PushSendData(stRqst, false);
        QVERIFY(QTest::qWaitFor([&]() { return objRaw.count() > 0; }, WAIT_MS));
        QCOMPARE(objRaw.at(0).at(1).value<quint16>(), quint16(5));
        QCOMPARE(objRaw.at(0).at(3).toByteArray().left(6), Hex("050600010002"));
        // A slave cannot join a master link, and its attempt counts nothing.
        QVERIFY(CPortMgr::RegisterPort(m_strPty, WORK_MODE_SLAVE) == nullptr);
        QSignalSpy objDestroyed(pFirst, &QObject::destroyed);
        CPortMgr::UnregisterPort(m_strPty);
        QVERIFY(CPortMgr::GetPort(m_strPty) == pFirst && pFirst->IsOpen());
        CPortMgr::UnregisterPort(m_strPty);
        QCOMPARE(objDestroyed.count(), 1);
        QVERIFY(CPortMgr::GetPort(m_strPty) == nullptr && CPortMgr::GetPortNames().isEmpty());
        QVERIFY(WaitForState(objState, m_strPty, false));
        CPortMgr::UnregisterPort(m_strPty); // one too many: nothing breaks
        QVERIFY(CPortMgr::RegisterPort(m_strPty, WORK_MODE_SLAVE) != nullptr); // the name is free for either mode
    }

    void paraChangeRebuildsOnlyUsedLink()
    {
        CPortMgr *pMgr = CPortMgr::GetInstance();
        QSignalSpy objState(pMgr, &CPortMgr::siPortState);
        QSignalSpy objChanged(pMgr, &CPortMgr::siPortObjChanged);
        CPortBase *pOld = CPortMgr::RegisterPort(m_strPty, WORK_MODE_MASTER);
        QVERIFY(CPortMgr::RegisterPort(m_strPty, WORK_MODE_MASTER) == pOld);
        QVERIFY(WaitForState(objState, m_strPty, true));
        // Records of links nobody uses change no link object.
        CComParaMgr::GetComParaList().append(ComRecord("ttyUnused"));
        QVERIFY(CComParaMgr::SetComPara(ComRecord("ttyUnused", TRANS_MODE_ASCII, 4800)));
        const int nNetPort = PickFreePort();
        QVERIFY(CNetParaMgr::SetNetPara(NetPara("NET_UNUSED", LINK_MODE_UDP_UNICAST, TRANS_MODE_TCP_SYNC, nNetPort)));
        QVERIFY(CNetParaMgr::SetNetPara(NetPara("NET_UNUSED", LINK_MODE_TCP_SERVER, TRANS_MODE_TCP_SYNC, nNetPort)));
        QVERIFY(objChanged.count() == 0 && CPortMgr::GetPort(m_strPty) == pOld);

        bool bOldDestroyed = false, bOldGoneAtSignal = false, bStartedAtSignal = true;
        unsigned short nModeAtSignal = 0xFFFF;
        connect(pOld, &QObject::destroyed, this, [&]() { bOldDestroyed = true; });
        connect(pMgr, &CPortMgr::siPortObjChanged, this, [&](QString strName) {
            CPortBase *pNow = CPortMgr::GetPort(strName);
            bOldGoneAtSignal = bOldDestroyed;
            bStartedAtSignal = pNow == nullptr || pNow->isRunning() || pNow->isFinished();
            nModeAtSignal = pNow != nullptr ? pNow->GetTransMode() : 0xFFFF;
        });
        int nStateFrom = objState.count();
        QVERIFY(CComParaMgr::SetComPara(ComRecord(m_strPty, TRANS_MODE_RTU, 19200)));
        // The rebuild is complete when the store returns, announced before the new thread starts.
        QCOMPARE(objChanged.count(), 1);
        QVERIFY(bOldGoneAtSignal && !bStartedAtSignal);
        CPortBase *pNew = CPortMgr::GetPort(m_strPty);
        QVERIFY(pNew != nullptr && (pNew->isRunning() || pNew->isFinished()));
        QVERIFY(WaitForState(objState, m_strPty, true, nStateFrom));
        // The new link reads the record afresh: ASCII asks the pty for 7 data
        // bits, which it refuses, and the new link reports itself closed.
        nStateFrom = objState.count();
        QVERIFY(CComParaMgr::SetComPara(ComRecord(m_strPty, TRANS_MODE_ASCII)));
        QVERIFY(objChanged.count() == 2 && nModeAtSignal == TRANS_MODE_ASCII);
        QVERIFY(WaitForState(objState, m_strPty, false, nStateFrom));
        // The registration count survived both rebuilds.
        CPortMgr::UnregisterPort(m_strPty);
        QVERIFY(CPortMgr::GetPort(m_strPty) != nullptr);
        CPortMgr::UnregisterPort(m_strPty);
        QVERIFY(CPortMgr::GetPort(m_strPty) == nullptr);
    }

    // A record of a mode no link class serves makes no link, at registration
    // or at a rebuild: devices are told, and the name yields nothing. An object
    // made on request is neither started nor registered.
    void unknownLinkModes()
    {
        QVERIFY(CNetParaMgr::SetNetPara(NetPara("NET_C", LINK_MODE_UDP_UNICAST, TRANS_MODE_TCP_SYNC, PickFreePort())));
        QVERIFY(CNetParaMgr::SetNetPara(NetPara("NET_BAD", 3, TRANS_MODE_TCP_SYNC, PickFreePort())));
        QVERIFY(CPortMgr::RegisterPort("NET_BAD", WORK_MODE_MASTER) == nullptr);
        QVERIFY(qobject_cast<CPortNetUDPUnicast *>(CPortMgr::RegisterPort("NET_C", WORK_MODE_SLAVE)));
        QVERIFY(qobject_cast<CPortNetTCPClient *>(CPortMgr::RegisterPort("NET_DEF", WORK_MODE_MASTER))); // no record
        std::unique_ptr<CPortBase> pLoose(CPortMgr::CreatNetPort("NET_C", WORK_MODE_MASTER));
        QVERIFY(pLoose != nullptr && !pLoose->isRunning());
        QCOMPARE(CPortMgr::GetPortNames(), QStringList({"NET_C", "NET_DEF"}));
        QSignalSpy objChanged(CPortMgr::GetInstance(), &CPortMgr::siPortObjChanged);
        QSignalSpy objDestroyed(CPortMgr::GetPort("NET_C"), &QObject::destroyed);
        CPortBase *pAtSignal = pLoose.get();
        connect(CPortMgr::GetInstance(), &CPortMgr::siPortObjChanged, this,
                [&](QString strChanged) { pAtSignal = CPortMgr::GetPort(strChanged); });
        QVERIFY(CNetParaMgr::SetNetPara(NetPara("NET_C", 9, TRANS_MODE_TCP_SYNC, PickFreePort())));
        QVERIFY(objChanged.count() == 1 && objDestroyed.count() == 1 && pAtSignal == nullptr);
        QVERIFY(CPortMgr::GetPort("NET_C") == nullptr && !CPortMgr::GetPortNames().contains("NET_C"));
        CPortMgr::UnregisterPort("NET_C"); // devices unregistering afterwards find nothing, and nothing breaks
    }

    void destroyInstanceStopsRemainingLinks()
    {
        QVERIFY(CNetParaMgr::SetNetPara(NetPara("NET_S", LINK_MODE_TCP_SERVER, TRANS_MODE_TCP_SYNC, PickFreePort())));
        CPortBase *pCom = CPortMgr::RegisterPort(m_strPty, WORK_MODE_SLAVE);
        CPortBase *pNet = CPortMgr::RegisterPort("NET_S", WORK_MODE_SLAVE);
        QVERIFY(QTest::qWaitFor([&]() { return pCom->IsOpen() && pNet->IsOpen(); }, WAIT_MS));
        QSignalSpy objComGone(pCom, &QObject::destroyed);
        QSignalSpy objNetGone(pNet, &QObject::destroyed);
        CPortMgr::DestroyInstance();
        QCOMPARE(objComGone.count() + objNetGone.count(), 2);
        QVERIFY(CanOpen(m_strPty));
        // A new instance starts empty and listens to the stores again.
        QVERIFY(CPortMgr::GetPortNames().isEmpty());
        QVERIFY(CPortMgr::RegisterPort(m_strPty, WORK_MODE_MASTER) != nullptr);
        QSignalSpy objChanged(CPortMgr::GetInstance(), &CPortMgr::siPortObjChanged);
        QVERIFY(CComParaMgr::SetComPara(ComRecord(m_strPty, TRANS_MODE_RTU, 38400)));
        QCOMPARE(objChanged.count(), 1);
    }

    // Unregistering while the link is still opening neither hangs nor leaves the medium open.
    void unregisterRightAfterRegister()
    {
        QVERIFY(CNetParaMgr::SetNetPara(NetPara("NET_Q", LINK_MODE_TCP_SERVER, TRANS_MODE_TCP_SYNC, PickFreePort())));
        QElapsedTimer objTimer;
        objTimer.start();
        for (int i = 0; i < 20; ++i) {
            for (const QString &strName : {m_strPty, QString("NET_Q")}) {
                QVERIFY(CPortMgr::RegisterPort(strName, WORK_MODE_MASTER) != nullptr);
                CPortMgr::UnregisterPort(strName);
            }
        }
        QVERIFY(objTimer.elapsed() < 20000);
        CPortBase *pLast = CPortMgr::RegisterPort(m_strPty, WORK_MODE_MASTER);
        QVERIFY(QTest::qWaitFor([&]() { return pLast->IsOpen(); }, WAIT_MS));
    }
};

QTEST_GUILESS_MAIN(TstPortMgr)
#include "tst_portmgr.moc"
