// Link manager with real links: serial links on pty pairs and network links
// on loopback.

#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>

#include "common/netrecords.h"
#include "ccomparamgr.h"
#include "cnetparamgr.h"
#include "cport_com.h"
#include "cport_tcp_c.h"
#include "cport_tcp_s.h"
#include "cport_udp.h"
#include "cportmgr.h"
#include "freeport.h"
#include "common/logcapture.h"
#include "socatpair.h"

namespace {

COM_PARA_DATA_S ComRecord(const QString &strName, quint16 nTransMode, qint32 nBaud)
{
    COM_PARA_DATA_S stPara;
    stPara.strPortName = strName;
    stPara.nTransMode = nTransMode;
    stPara.nBaudRate = nBaud;
    return stPara;
}

bool WaitUntil(const std::function<bool()> &fnCond)
{
    QElapsedTimer objTimer;
    objTimer.start();
    while (!fnCond() && objTimer.elapsed() < 5000)
        QTest::qWait(5);
    return fnCond();
}

// A forwarded open-state report of that link at or after entry nFrom.
bool WaitForState(QSignalSpy &objSpy, const QString &strName, bool bOpen, int nFrom = 0)
{
    return WaitUntil([&]() {
        for (int i = nFrom; i < objSpy.count(); ++i) {
            if (objSpy.at(i).at(0).toString() == strName && objSpy.at(i).at(1).toBool() == bOpen)
                return true;
        }
        return false;
    });
}

} // namespace

class TstPortMgr : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterLinkMetaTypes(); }

    void init()
    {
        CNetParaMgr::GetNetParaList().clear();
        m_pPair = std::make_unique<CSocatPair>();
        QVERIFY(m_pPair->Start());
        m_strPty = m_pPair->EndA();
        CComParaMgr::GetComParaList() = {ComRecord(m_strPty, TRANS_MODE_RTU, 9600)};
    }

    void cleanup()
    {
        CPortMgr::DestroyInstance();
        m_pPair.reset();
    }

    void sharedLinkCountsRegistrations()
    {
        CLogCapture objLog;
        QSignalSpy objState(CPortMgr::GetInstance(), &CPortMgr::siPortState);
        CPortBase *pFirst = CPortMgr::RegisterPort(m_strPty, WORK_MODE_MASTER);
        QVERIFY(qobject_cast<CPortCOM *>(pFirst) != nullptr);
        QCOMPARE(CPortMgr::RegisterPort(m_strPty, WORK_MODE_MASTER), pFirst);
        QVERIFY(WaitForState(objState, m_strPty, true));
        // Raw frames of the link are forwarded too.
        QSignalSpy objRaw(CPortMgr::GetInstance(), &CPortMgr::siRecvDataRaw);
        LINK_SEND_DATA_S stRqst;
        stRqst.nAddr = 0x105; // only the low byte goes on the wire
        stRqst.nFuncCode = 0x06;
        stRqst.objData = QByteArray("\x00\x01\x00\x02", 4);
        pFirst->PushSendData(stRqst, false);
        QVERIFY(WaitUntil([&]() { return objRaw.count() > 0; }));
        QCOMPARE(objRaw.at(0).at(0).toString(), m_strPty);
        QCOMPARE(objRaw.at(0).at(1).value<quint16>(), quint16(5));
        QCOMPARE(objRaw.at(0).at(2).value<LINK_PROC_ERR_EN>(), LINK_SEND_OK);
        QCOMPARE(objRaw.at(0).at(3).toByteArray().left(6), QByteArray("\x05\x06\x00\x01\x00\x02", 6));

        // A slave cannot join a master link, and its attempt counts nothing.
        QVERIFY(CPortMgr::RegisterPort(m_strPty, WORK_MODE_SLAVE) == nullptr);
        QVERIFY(objLog.Has("Device Work Mode Dismatch.", m_strPty));

        QSignalSpy objDestroyed(pFirst, &QObject::destroyed);
        CPortMgr::UnregisterPort(m_strPty);
        QCOMPARE(CPortMgr::GetPort(m_strPty), pFirst);
        QVERIFY(pFirst->IsOpen());
        CPortMgr::UnregisterPort(m_strPty);
        QCOMPARE(objDestroyed.count(), 1);
        QVERIFY(CPortMgr::GetPort(m_strPty) == nullptr);
        QVERIFY(CPortMgr::GetPortNames().isEmpty());
        QCOMPARE(objLog.Count("Del Port By Unreg:", m_strPty), 1);
        QVERIFY(WaitForState(objState, m_strPty, false));

        CPortMgr::UnregisterPort(m_strPty); // one too many: only logged
        QVERIFY(objLog.Has("ERROR: Can not find Port.", m_strPty));
        // The name is free again, for either work mode.
        QVERIFY(CPortMgr::RegisterPort(m_strPty, WORK_MODE_SLAVE) != nullptr);
    }

    void paraChangeRebuildsOnlyUsedLink()
    {
        CLogCapture objLog;
        CPortMgr *pMgr = CPortMgr::GetInstance();
        QSignalSpy objState(pMgr, &CPortMgr::siPortState);
        QSignalSpy objChanged(pMgr, &CPortMgr::siPortObjChanged);
        CPortBase *pOld = CPortMgr::RegisterPort(m_strPty, WORK_MODE_MASTER);
        QVERIFY(CPortMgr::RegisterPort(m_strPty, WORK_MODE_MASTER) == pOld);
        QVERIFY(WaitForState(objState, m_strPty, true));

        // Records of links nobody uses change no link object.
        CComParaMgr::GetComParaList().append(ComRecord(QStringLiteral("ttyUnused"), TRANS_MODE_RTU, 9600));
        QVERIFY(CComParaMgr::SetComPara(ComRecord(QStringLiteral("ttyUnused"), TRANS_MODE_ASCII, 4800)));
        const int nNetPort = PickFreePort();
        QVERIFY(CNetParaMgr::SetNetPara(NetPara(QStringLiteral("NET_UNUSED"), LINK_MODE_UDP_UNICAST, TRANS_MODE_TCP_SYNC, nNetPort)));
        QVERIFY(CNetParaMgr::SetNetPara(NetPara(QStringLiteral("NET_UNUSED"), LINK_MODE_TCP_SERVER, TRANS_MODE_TCP_SYNC, nNetPort)));
        QCOMPARE(objChanged.count(), 0);
        QCOMPARE(CPortMgr::GetPortNames(), QStringList{m_strPty});
        QCOMPARE(CPortMgr::GetPort(m_strPty), pOld);

        bool bOldDestroyed = false;
        bool bOldGoneAtSignal = false;
        bool bStartedAtSignal = true;
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
        // The rebuild is complete when the store returns.
        QCOMPARE(objChanged.count(), 1);
        QCOMPARE(objChanged.at(0).at(0).toString(), m_strPty);
        QVERIFY(bOldGoneAtSignal);
        QVERIFY(!bStartedAtSignal); // announced before the new thread starts
        CPortBase *pNew = CPortMgr::GetPort(m_strPty);
        QVERIFY(pNew != nullptr && (pNew->isRunning() || pNew->isFinished()));
        QVERIFY(objLog.Has("Del Port By Para Changed:", m_strPty));
        QVERIFY(objLog.Has("New Port By Para Changed:", m_strPty));
        QVERIFY(WaitForState(objState, m_strPty, true, nStateFrom));

        // The new link reads the record afresh: ASCII asks the pty for 7 data
        // bits, which it refuses, and the new link reports itself closed.
        nStateFrom = objState.count();
        QVERIFY(CComParaMgr::SetComPara(ComRecord(m_strPty, TRANS_MODE_ASCII, 9600)));
        QCOMPARE(objChanged.count(), 2);
        QCOMPARE(nModeAtSignal, static_cast<unsigned short>(TRANS_MODE_ASCII));
        QVERIFY(objLog.WaitFor("Port Open Failed by Para:", m_strPty));
        QVERIFY(WaitForState(objState, m_strPty, false, nStateFrom));

        // The registration count survived both rebuilds.
        CPortMgr::UnregisterPort(m_strPty);
        QVERIFY(CPortMgr::GetPort(m_strPty) != nullptr);
        CPortMgr::UnregisterPort(m_strPty);
        QVERIFY(CPortMgr::GetPort(m_strPty) == nullptr);
    }

    void linkClassesAndNameOrder()
    {
        CLogCapture objLog;
        QVERIFY(CNetParaMgr::SetNetPara(NetPara(QStringLiteral("NET_C"), LINK_MODE_UDP_UNICAST, TRANS_MODE_TCP_SYNC, PickFreePort())));
        QVERIFY(CNetParaMgr::SetNetPara(NetPara(QStringLiteral("NET_A"), LINK_MODE_TCP_SERVER, TRANS_MODE_TCP_SYNC, PickFreePort())));
        QVERIFY(CNetParaMgr::SetNetPara(NetPara(QStringLiteral("xNETb"), LINK_MODE_TCP_CLIENT, TRANS_MODE_TCP_SYNC, PickFreePort())));
        QVERIFY(CNetParaMgr::SetNetPara(NetPara(QStringLiteral("NET_BAD"), 3, TRANS_MODE_TCP_SYNC, PickFreePort())));

        QVERIFY(qobject_cast<CPortNetUDPUnicast *>(CPortMgr::RegisterPort(QStringLiteral("NET_C"), WORK_MODE_SLAVE)));
        QVERIFY(qobject_cast<CPortCOM *>(CPortMgr::RegisterPort(QStringLiteral("ttyNoSuchPort"), WORK_MODE_MASTER)));
        QVERIFY(qobject_cast<CPortNetTCPServer *>(CPortMgr::RegisterPort(QStringLiteral("NET_A"), WORK_MODE_SLAVE)));
        QVERIFY(qobject_cast<CPortCOM *>(CPortMgr::RegisterPort(m_strPty, WORK_MODE_MASTER)));
        QVERIFY(qobject_cast<CPortNetTCPClient *>(CPortMgr::RegisterPort(QStringLiteral("xNETb"), WORK_MODE_MASTER)));
        // No record: the defaults make a TCP client.
        QVERIFY(qobject_cast<CPortNetTCPClient *>(CPortMgr::RegisterPort(QStringLiteral("NET_DEF"), WORK_MODE_MASTER)));

        QVERIFY(CPortMgr::RegisterPort(QStringLiteral("NET_BAD"), WORK_MODE_MASTER) == nullptr);
        QVERIFY(objLog.Has("ERROR nLinkMode:", "NET_BAD"));
        QVERIFY(objLog.Has("Creat New Port Failed.", "NET_BAD"));

        QStringList lstSorted = {QStringLiteral("NET_C"), QStringLiteral("ttyNoSuchPort"), QStringLiteral("NET_A"),
                                 m_strPty, QStringLiteral("xNETb"), QStringLiteral("NET_DEF")};
        std::sort(lstSorted.begin(), lstSorted.end());
        QCOMPARE(CPortMgr::GetPortNames(), lstSorted);
        // An object made on request is neither started nor registered.
        std::unique_ptr<CPortBase> pLoose(CPortMgr::CreatNetPort(QStringLiteral("NET_C"), WORK_MODE_MASTER));
        QVERIFY(pLoose != nullptr && !pLoose->isRunning());
        QCOMPARE(CPortMgr::GetPortNames(), lstSorted);
    }

    void failedRebuildLeavesNoLink()
    {
        CLogCapture objLog;
        CPortMgr *pMgr = CPortMgr::GetInstance();
        QSignalSpy objState(pMgr, &CPortMgr::siPortState);
        QSignalSpy objChanged(pMgr, &CPortMgr::siPortObjChanged);
        const QString strName = QStringLiteral("NET_UDP");
        QVERIFY(CNetParaMgr::SetNetPara(NetPara(strName, LINK_MODE_UDP_UNICAST, TRANS_MODE_TCP_SYNC, PickFreePort())));
        CPortBase *pOld = CPortMgr::RegisterPort(strName, WORK_MODE_MASTER);
        QVERIFY(CPortMgr::RegisterPort(strName, WORK_MODE_MASTER) == pOld);
        QVERIFY(WaitForState(objState, strName, true));

        // A network rebuild that works: another port, a new open link.
        int nStateFrom = objState.count();
        QVERIFY(CNetParaMgr::SetNetPara(NetPara(strName, LINK_MODE_UDP_UNICAST, TRANS_MODE_TCP_SYNC, PickFreePort())));
        QCOMPARE(objChanged.count(), 1);
        QVERIFY(qobject_cast<CPortNetUDPUnicast *>(CPortMgr::GetPort(strName)));
        QVERIFY(WaitForState(objState, strName, true, nStateFrom));

        // One that cannot make a link: devices are told, and the name yields nothing.
        QSignalSpy objDestroyed(CPortMgr::GetPort(strName), &QObject::destroyed);
        CPortBase *pAtSignal = pOld;
        connect(pMgr, &CPortMgr::siPortObjChanged, this, [&](QString strChanged) { pAtSignal = CPortMgr::GetPort(strChanged); });
        QVERIFY(CNetParaMgr::SetNetPara(NetPara(strName, 9, TRANS_MODE_TCP_SYNC, PickFreePort())));
        QCOMPARE(objChanged.count(), 2);
        QCOMPARE(objDestroyed.count(), 1);
        QVERIFY(pAtSignal == nullptr);
        QVERIFY(CPortMgr::GetPort(strName) == nullptr);
        QVERIFY(!CPortMgr::GetPortNames().contains(strName));
        QVERIFY(objLog.Has("Creat Port Obj Failed.", strName));
        // Devices unregistering afterwards find nothing, and nothing breaks.
        CPortMgr::UnregisterPort(strName);
        CPortMgr::UnregisterPort(strName);
        QCOMPARE(objLog.Count("ERROR: Can not find Port.", strName), 2);
    }

    void destroyInstanceStopsRemainingLinks()
    {
        CLogCapture objLog;
        QVERIFY(CNetParaMgr::SetNetPara(NetPara(QStringLiteral("NET_S"), LINK_MODE_TCP_SERVER, TRANS_MODE_TCP_SYNC, PickFreePort())));
        CPortBase *pCom = CPortMgr::RegisterPort(m_strPty, WORK_MODE_SLAVE);
        CPortBase *pNet = CPortMgr::RegisterPort(QStringLiteral("NET_S"), WORK_MODE_SLAVE);
        QVERIFY(WaitUntil([&]() { return pCom->IsOpen() && pNet->IsOpen(); }));
        QSignalSpy objComGone(pCom, &QObject::destroyed);
        QSignalSpy objNetGone(pNet, &QObject::destroyed);

        CPortMgr::DestroyInstance();
        QCOMPARE(objComGone.count() + objNetGone.count(), 2);
        QVERIFY(objLog.Has("Error: Remaining Port Obj!", "2"));
        QVERIFY(objLog.Has("Remaining Port:", m_strPty));
        QVERIFY(objLog.Has("Remaining Port:", "NET_S"));
        QVERIFY(objLog.Has("Port Closed:", m_strPty));

        // A new instance starts empty and listens to the stores again.
        QVERIFY(CPortMgr::GetPortNames().isEmpty());
        QVERIFY(CPortMgr::RegisterPort(m_strPty, WORK_MODE_MASTER) != nullptr);
        QSignalSpy objChanged(CPortMgr::GetInstance(), &CPortMgr::siPortObjChanged);
        QVERIFY(CComParaMgr::SetComPara(ComRecord(m_strPty, TRANS_MODE_RTU, 38400)));
        QCOMPARE(objChanged.count(), 1);
    }

    // Unregistering while the link is still opening must neither hang nor
    // leave the medium open.
    void unregisterRightAfterRegister()
    {
        QVERIFY(CNetParaMgr::SetNetPara(NetPara(QStringLiteral("NET_Q"), LINK_MODE_TCP_SERVER, TRANS_MODE_TCP_SYNC, PickFreePort())));
        QElapsedTimer objTimer;
        objTimer.start();
        for (int i = 0; i < 20; ++i) {
            for (const QString &strName : {m_strPty, QStringLiteral("NET_Q")}) {
                QVERIFY(CPortMgr::RegisterPort(strName, WORK_MODE_MASTER) != nullptr);
                CPortMgr::UnregisterPort(strName);
            }
        }
        QVERIFY(objTimer.elapsed() < 20000);
        CPortBase *pLast = CPortMgr::RegisterPort(m_strPty, WORK_MODE_MASTER);
        QVERIFY(WaitUntil([&]() { return pLast->IsOpen(); }));
    }

private:
    std::unique_ptr<CSocatPair> m_pPair;
    QString m_strPty;
};

QTEST_GUILESS_MAIN(TstPortMgr)
#include "tst_portmgr.moc"
