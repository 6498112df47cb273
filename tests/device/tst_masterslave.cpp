// Our master device polling and writing our slave device end to end over real
// links: a socat pty pair in RTU; TCP client/server on loopback in TCP sync
// mode; UDP in ASCII mode with the slave's link on 127.0.0.2.

#include <QtTest>
#include <memory>

#include "common/netrecords.h"
#include "cdevicemaster.h"
#include "cdeviceslave.h"
#include "cnetparamgr.h"
#include "common/freeport.h"
#include "common/socatpair.h"
#include "common/valuetable.h"
#include "cport_base.h"
#include "cport_udp.h"
#include "cportmgr.h"
#include "device/devicefixture.h"

namespace {

constexpr int WAIT_MS = 8000;

// Function code of a frame as the link sent it, by transmission mode.
int FrameFuncCode(const QByteArray &objFrame, quint16 nTransMode)
{
    switch (nTransMode) {
    case TRANS_MODE_RTU: return objFrame.size() > 1 ? quint8(objFrame.at(1)) : -1;
    case TRANS_MODE_ASCII: return objFrame.size() > 4 ? QByteArray::fromHex(objFrame.mid(3, 2)).at(0) & 0xFF : -1;
    default: return objFrame.size() > 7 ? quint8(objFrame.at(7)) : -1;
    }
}

// A slave on a link the test made itself rather than one from the link manager.
class CBoundSlave : public CDeviceSlave
{
public:
    CBoundSlave(const QString &strName, CPortBase *pPort, quint16 nAddr) : CDeviceSlave(strName, QString(), nAddr)
    {
        m_objPara.strPortName = pPort->GetPortName();
        BindPort(pPort);
    }
    ~CBoundSlave() override
    {
        // The link is the test's, not the link manager's.
        disconnect(m_pPort, nullptr, this, nullptr);
        m_pPort = nullptr;
    }
};

} // namespace

class TstMasterSlave : public QObject
{
    Q_OBJECT

private:
    // Everything the master's link sent, as function codes in order.
    QList<int> m_lstSentCodes;
    QString m_strMasterPort;
    quint16 m_nTransMode = TRANS_MODE_RTU;
    QMetaObject::Connection m_objRawConn;

    void WatchMasterLink(const QString &strPort, quint16 nTransMode)
    {
        m_strMasterPort = strPort;
        m_nTransMode = nTransMode;
        m_lstSentCodes.clear();
        QObject::disconnect(m_objRawConn);
        m_objRawConn = connect(CPortMgr::GetInstance(), &CPortMgr::siRecvDataRaw, this,
                               [this](QString strPort, quint16, LINK_PROC_ERR_EN enType, QByteArray objFrame) {
                                   if (strPort == m_strMasterPort && enType == LINK_SEND_OK)
                                       m_lstSentCodes.append(FrameFuncCode(objFrame, m_nTransMode));
                               });
    }

    static void SetAttr(CDeviceMaster &objMaster, quint16 nPackWay, quint16 nOneReg10 = 0, quint16 nOneCoil0F = 0)
    {
        DEVICE_COMMON_ATTR_S objAttr = objMaster.GetPara();
        objAttr.nPackWay = nPackWay;
        objAttr.nBitGap = 3;
        objAttr.nRegGap = 5;
        objAttr.nOneReg10 = nOneReg10;
        objAttr.nOneCoil0F = nOneCoil0F;
        objMaster.SetPara(objAttr);
    }

    // Reads every point once and compares what the master published with the
    // slave's table.
    void ReadAllOnce(CDeviceMaster &objMaster, CValueTable &objMasterTbl, CValueTable &objSlaveTbl, int nCount)
    {
        objMasterTbl.Clear();
        QCOMPARE(objMaster.RqstReadData(IdsUpTo(nCount), false), QStringLiteral("OK"));
        QVERIFY2(WaitFor([&] { return objMasterTbl.Refreshes().size() >= nCount && objMaster.PendingCount() == 0; },
                         WAIT_MS),
                 qPrintable(QStringLiteral("published %1 of %2").arg(objMasterTbl.Refreshes().size()).arg(nCount)));
        for (quint32 nID : IdsUpTo(nCount))
            QCOMPARE(objMasterTbl.Value(nID), objSlaveTbl.Value(nID));
    }

    void WriteAndCheck(CDeviceMaster &objMaster, CValueTable &objSlaveTbl, const QList<LOCAL_DATA_MAP_S> &objValues,
                       int nExpectCode)
    {
        m_lstSentCodes.clear();
        QCOMPARE(objMaster.RqstWriteData(objValues, false), QStringLiteral("OK"));
        QVERIFY(WaitFor(
            [&] {
                for (const LOCAL_DATA_MAP_S &stValue : objValues) {
                    if (objSlaveTbl.Value(stValue.nDataID) != stValue.strValue)
                        return false;
                }
                return objMaster.PendingCount() == 0;
            },
            WAIT_MS));
        QCOMPARE(m_lstSentCodes, QList<int>({nExpectCode}));
    }

    void RunSuite(CDeviceMaster &objMaster, CDeviceSlave &objSlave)
    {
        const QList<TEST_POINT_S> objPoints = AllKindsPoints();
        const int nCount = objPoints.size();
        CCfgFileMgr *pCfg = CCfgFileMgr::GetInstance();
        pCfg->ReplaceDeviceDataCfgList(objMaster.GetName(), CfgsOf(objPoints));
        pCfg->ReplaceDeviceDataCfgList(objSlave.GetName(), CfgsOf(objPoints));

        CValueTable objMasterTbl;
        CValueTable objSlaveTbl;
        objMasterTbl.Attach(&objMaster);
        objSlaveTbl.Attach(&objSlave);
        for (int i = 0; i < nCount; ++i)
            objSlaveTbl.Set(quint32(i + 1), objPoints.at(i).strValue);

        QVERIFY(WaitFor([&] { return objMaster.GetState() == 1 && objSlave.GetState() == 1; }, WAIT_MS));

        // Batch reads, one-shot, in every packing way.
        for (quint16 nPackWay : {0, 1, 2}) {
            SetAttr(objMaster, nPackWay);
            ReadAllOnce(objMaster, objMasterTbl, objSlaveTbl, nCount);
            if (QTest::currentTestFailed())
                return;
        }

        // Cyclic read: runs until stopped and follows changes of the slave's values.
        SetAttr(objMaster, 1);
        objMasterTbl.Clear();
        QCOMPARE(objMaster.RqstReadData(IdsUpTo(nCount), true), QStringLiteral("OK"));
        const int nPlanned = objMaster.PendingCount();
        QVERIFY(nPlanned >= 4);
        QVERIFY(WaitFor([&] { return objMasterTbl.Refreshes().size() >= 2 * nCount; }, WAIT_MS));
        objSlaveTbl.Set(11, QStringLiteral("-77"));  // holding 0
        objSlaveTbl.Set(1, QStringLiteral("0"));     // coil 0
        QVERIFY(WaitFor([&] { return objMasterTbl.Value(11) == "-77" && objMasterTbl.Value(1) == "0"; }, WAIT_MS));
        QCOMPARE(objMaster.PendingCount(), nPlanned);
        objMaster.StopCycleRead();
        QCOMPARE(objMaster.PendingCount(), 0);
        Spin(200);
        const int nAfterStop = objMasterTbl.Refreshes().size();
        Spin(300);
        QCOMPARE(objMasterTbl.Refreshes().size(), nAfterStop);

        // Writes of every kind; the values arrive in the slave's table.
        WriteAndCheck(objMaster, objSlaveTbl, {{2, "1"}}, 0x05);
        WriteAndCheck(objMaster, objSlaveTbl, {{2, "0"}}, 0x05);
        WriteAndCheck(objMaster, objSlaveTbl, {{1, "1"}, {2, "1"}, {3, "0"}, {4, "0"}, {5, "1"}}, 0x0F);
        WriteAndCheck(objMaster, objSlaveTbl, {{11, "-7"}}, 0x06);
        WriteAndCheck(objMaster, objSlaveTbl,
                      {{13, "123456"}, {14, "42.01"}, {15, "-0.125000"}, {16, "1024.500000"}}, 0x10);
        SetAttr(objMaster, 1, 1, 1);
        WriteAndCheck(objMaster, objSlaveTbl, {{6, "0"}}, 0x0F);
        WriteAndCheck(objMaster, objSlaveTbl, {{22, "45.6"}}, 0x10);
        SetAttr(objMaster, 1);

        // What was written reads back the same.
        ReadAllOnce(objMaster, objMasterTbl, objSlaveTbl, nCount);

        // Read-only points get no request; a write of nothing else is refused.
        m_lstSentCodes.clear();
        QCOMPARE(objMaster.RqstWriteData({{7, "1"}, {24, "2"}}, false), QString::fromUtf8("请求失败，配置参数异常！"));
        QCOMPARE(objMaster.PendingCount(), 0);

        // A cyclic write repeats until stopped.
        QCOMPARE(objMaster.RqstWriteData({{12, "0X0102"}}, true), QStringLiteral("OK"));
        QVERIFY(WaitFor([&] { return m_lstSentCodes.size() >= 3; }, WAIT_MS));
        QVERIFY(!m_lstSentCodes.contains(0));
        QCOMPARE(objSlaveTbl.Value(12), QStringLiteral("0X0102"));
        objMaster.StopCycleWrite();
        QCOMPARE(objMaster.PendingCount(), 0);
    }

private slots:
    void initTestCase()
    {
        RegisterLinkMetaTypes();
    }

    void init()
    {
        CCfgFileMgr::GetInstance()->ClearCfg();
    }

    void rtuOverPtyPair()
    {
        CSocatPair objPair;
        QVERIFY(objPair.Start());
        AddComRecord(objPair.EndA());
        AddComRecord(objPair.EndB());
        WatchMasterLink(objPair.EndA(), TRANS_MODE_RTU);
        std::unique_ptr<CDeviceSlave> pSlave(new CDeviceSlave(QStringLiteral("S-rtu"), objPair.EndB(), 5));
        std::unique_ptr<CDeviceMaster> pMaster(new CDeviceMaster(QStringLiteral("M-rtu"), objPair.EndA(), 5));
        RunSuite(*pMaster, *pSlave);
    }

    void tcpSyncOverLoopback()
    {
        const int nPort = PickFreePort();
        QVERIFY(CNetParaMgr::SetNetPara(
            NetPara("NET_S_TCP", LINK_MODE_TCP_SERVER, TRANS_MODE_TCP_SYNC, nPort, "127.0.0.1")));
        QVERIFY(CNetParaMgr::SetNetPara(
            NetPara("NET_M_TCP", LINK_MODE_TCP_CLIENT, TRANS_MODE_TCP_SYNC, nPort, "127.0.0.1")));
        WatchMasterLink("NET_M_TCP", TRANS_MODE_TCP_SYNC);
        std::unique_ptr<CDeviceSlave> pSlave(new CDeviceSlave(QStringLiteral("S-tcp"), "NET_S_TCP", 17));
        QVERIFY(WaitFor([&] { return pSlave->GetState() == 1; }, WAIT_MS));
        std::unique_ptr<CDeviceMaster> pMaster(new CDeviceMaster(QStringLiteral("M-tcp"), "NET_M_TCP", 17));
        RunSuite(*pMaster, *pSlave);
    }

    void udpAsciiOverLoopback()
    {
        const int nPort = PickFreePort();
        // Both ends use one port number, on 127.0.0.1 (any address) and 127.0.0.2;
        // the store would refuse the second record, so it goes into the list directly.
        QVERIFY(CNetParaMgr::SetNetPara(
            NetPara("NET_M_UDP", LINK_MODE_UDP_UNICAST, TRANS_MODE_ASCII, nPort, "127.0.0.2")));
        CNetParaMgr::GetNetParaList().append(
            NetPara("NET_S_UDP", LINK_MODE_UDP_UNICAST, TRANS_MODE_ASCII, nPort, "127.0.0.1"));
        std::unique_ptr<CLoopbackUdp> pSlaveLink(new CLoopbackUdp("NET_S_UDP", WORK_MODE_SLAVE, "127.0.0.2"));
        pSlaveLink->start();
        QVERIFY(WaitFor([&] { return pSlaveLink->IsOpen(); }, WAIT_MS));
        WatchMasterLink("NET_M_UDP", TRANS_MODE_ASCII);
        {
            std::unique_ptr<CBoundSlave> pSlave(new CBoundSlave(QStringLiteral("S-udp"), pSlaveLink.get(), 200));
            pSlave->SetState(1);
            std::unique_ptr<CDeviceMaster> pMaster(new CDeviceMaster(QStringLiteral("M-udp"), "NET_M_UDP", 200));
            RunSuite(*pMaster, *pSlave);
        }
        pSlaveLink->StopPort();
    }
};

QTEST_GUILESS_MAIN(TstMasterSlave)
#include "tst_masterslave.moc"
