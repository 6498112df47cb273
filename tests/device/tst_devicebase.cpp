#include <QSignalSpy>
#include <QtTest>
#include <memory>

#include "common/framebytes.h"
#include "ccfgfilemgr.h"
#include "common/logcapture.h"
#include "ccomparamgr.h"
#include "cdeviceslave.h"
#include "cnetparamgr.h"
#include "common/freeport.h"
#include "common/netrecords.h"
#include "commonfunc.h"
#include "device/devicefixture.h"
#include "cport_base.h"
#include "cportmgr.h"
#include "socatpair.h"
#include "valuetable.h"

namespace {

// Keeps the ids and simulated settings as given.
void SetPoints(const QString &strDevice, const QList<DEVICE_DATA_CFG_S> &objPoints)
{
    CCfgFileMgr::GetInstance()->ReplaceDeviceDataCfgList(strDevice, {});
    CCfgFileMgr::GetInstance()->GetDeviceDataCfgList(strDevice) = objPoints;
}

} // namespace

class TestDeviceBase : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        RegisterLinkMetaTypes();
    }
    void init()
    {
        CCfgFileMgr::GetInstance()->ClearCfg();
        m_pLog.reset();
        m_pLog.reset(new CLogCapture);
    }
    void cleanup()
    {
        m_pLog.reset();
    }

    // Values outside the tables, and the byte count of a bit run at its edges.
    void tables()
    {
        QCOMPARE(GetDeviceWorkMode(3), quint16(0xF000));
        QCOMPARE(GetDeviceTypeIndex(0), quint16(0xFFFF));
        QCOMPARE(GetDeviceTypeOfIndex(2), quint16(0xFFFF));
        QCOMPARE(GetDeviceTypeLabel(7), QString());
        QCOMPARE(GetDeviceTypeIndexesOfWorkMode(5), QList<quint16>());
        QCOMPARE(GetFuncCodeBlock(0x07), quint16(0xFFFF));
        QCOMPARE(GetFuncCodeBlock(0x83), quint16(0xFFFF));
        QCOMPARE(GetFuncCodeWriteFlag(0x11), quint16(0xFFFF));
        QCOMPARE(GetFuncCodeMaxNum(0x2B), quint16(0));
        QCOMPARE(GetReadFuncCode(4), quint8(0));
        QCOMPARE(GetBitByteCount(0), quint32(0));
        QCOMPARE(GetBitByteCount(8), quint32(1));
        QCOMPARE(GetBitByteCount(9), quint32(2));
        QCOMPARE(GetBitByteCount(0xFFFFFFFFu), quint32(0x20000000));
    }

    void defaultNameAndAttributes()
    {
        CDeviceSlave objDevice("", "", 7);
        QCOMPARE(objDevice.GetName(), QString("[S]-007"));
        QCOMPARE(objDevice.MakeDefaultName("COM3", 7), QString("[S]COM3-007"));
        QCOMPARE(objDevice.MakeDefaultName("NET1", 255), QString("[S]NET1-255"));
        QCOMPARE(objDevice.GetType(), quint16(DEVICE_TYPE_SLAVE));
        QCOMPARE(objDevice.GetState(), quint16(0));
        QCOMPARE(objDevice.GetLaunchTime(), qint64(0));
        QVERIFY(objDevice.IsDefaultName());
        // Defaults are stored as the device's configuration.
        DEVICE_COMMON_ATTR_S objStored;
        QVERIFY(CCfgFileMgr::GetInstance()->GetDeviceAttrCfg("[S]-007", objStored));
        QCOMPARE(objStored.nRegGap, quint16(5));
        QCOMPARE(objStored.nDeviceType, quint16(DEVICE_TYPE_SLAVE));
        QCOMPARE(objStored.nAddr, quint16(7));
        QVERIFY(m_pLog->Has("New Device Obj:"));

        // Stored attributes of a named device are taken over, except its own link, type and address.
        DEVICE_COMMON_ATTR_S objAttr;
        objAttr.strPortName = "OTHER";
        objAttr.nDeviceType = DEVICE_TYPE_MASTER;
        objAttr.nAddr = 99;
        objAttr.nAddrOffset = -3;
        objAttr.nBCast1 = 200;
        objAttr.nRegGap = 0;
        CCfgFileMgr::GetInstance()->AddDeviceAttrCfg("Named", objAttr);
        CDeviceSlave objNamed("Named", "", 8);
        QCOMPARE(objNamed.GetName(), QString("Named"));
        QVERIFY(!objNamed.IsDefaultName());
        QCOMPARE(objNamed.GetPara().nAddrOffset, qint16(-3));
        QCOMPARE(objNamed.GetPara().nBCast1, quint16(200));
        QCOMPARE(objNamed.GetPara().nRegGap, quint16(0));
        QCOMPARE(objNamed.GetAddr(), quint16(8));
        QCOMPARE(objNamed.GetType(), quint16(DEVICE_TYPE_SLAVE));
    }

    void setters()
    {
        CDeviceSlave objA("", "", 1);
        CDeviceSlave objB("", "", 2);
        CCfgFileMgr *pCfg = CCfgFileMgr::GetInstance();

        // A name already taken is refused and the old name kept.
        objA.SetName("[S]-002");
        QCOMPARE(objA.GetName(), QString("[S]-001"));
        QVERIFY(m_pLog->Has("Device Name Changed Failed:"));
        objA.SetName("Pump");
        QCOMPARE(objA.GetName(), QString("Pump"));
        QVERIFY(m_pLog->Has("Device Name Changed:"));
        DEVICE_COMMON_ATTR_S objStored;
        QVERIFY(pCfg->GetDeviceAttrCfg("Pump", objStored));
        QVERIFY(!pCfg->GetDeviceAttrCfg("[S]-001", objStored));

        objA.SetAddr(9);
        QCOMPARE(objA.GetAddr(), quint16(9));
        QVERIFY(pCfg->GetDeviceAttrCfg("Pump", objStored));
        QCOMPARE(objStored.nAddr, quint16(9));
        QVERIFY(m_pLog->Has("Device Addr Changed:"));

        // A renamed device gets its default name back for its link and address.
        QVERIFY(!objA.IsDefaultName());
        objA.ResetDefaultName();
        QCOMPARE(objA.GetName(), QString("[S]-009"));
        QVERIFY(objA.IsDefaultName());

        // SetPara copies the ten fields, never link, type or address, and stores them.
        DEVICE_COMMON_ATTR_S objPara;
        objPara.strPortName = "X";
        objPara.nDeviceType = DEVICE_TYPE_MASTER;
        objPara.nAddr = 77;
        objPara.nForwardZero = 1;
        objPara.nAddrOffset = -1;
        objPara.nPackWay = 2;
        objPara.nBitGap = 3;
        objPara.nRegGap = 4;
        objPara.nOneReg10 = 1;
        objPara.nOneCoil0F = 1;
        objPara.nBCast1 = 5;
        objPara.nBCast2 = 6;
        objPara.nIsBCDevice = 1;
        objB.SetPara(objPara);
        DEVICE_COMMON_ATTR_S objExpected = objPara;
        objExpected.strPortName = "";
        objExpected.nDeviceType = DEVICE_TYPE_SLAVE;
        objExpected.nAddr = 2;
        QCOMPARE(objB.GetPara(), objExpected);
        QVERIFY(pCfg->GetDeviceAttrCfg("[S]-002", objStored));
        QCOMPARE(objStored, objExpected);
        QVERIFY(m_pLog->Has("Device Para Changed:[S]-002"));

    }

    void stateChanges()
    {
        CDeviceSlave objDevice("", "", 1);
        QSignalSpy objSpy(&objDevice, &CDeviceBase::siDeviceStateChanged);
        const qint64 nBefore = QDateTime::currentSecsSinceEpoch();
        objDevice.SetState(1);
        QCOMPARE(objSpy.count(), 1);
        QCOMPARE(objSpy.at(0).at(1).value<quint16>(), quint16(1));
        QVERIFY(objDevice.GetLaunchTime() >= nBefore);
        objDevice.SetState(1);
        QCOMPARE(objSpy.count(), 1);
        objDevice.ShutDownDevice();
        QCOMPARE(objSpy.count(), 2);
        objDevice.ShutDownDevice();
        QCOMPARE(objSpy.count(), 2);
        // Unbound: launching tries to bind (nothing to bind to) and stays down.
        objDevice.LaunchDevice();
        QCOMPARE(objDevice.GetState(), quint16(0));

        // A record reaches the subclass only while launched.
        CValueTable objTable;
        SetPoints(objDevice.GetName(), {Point(1, BLOCK_COIL, 4)});
        objTable.Attach(&objDevice);
        LINK_RECV_DATA_S stRecord;
        stRecord.nAddr = 1;
        stRecord.nFuncCode = 0x05;
        stRecord.enType = LINK_RECV_OK;
        stRecord.objData = Hex("0004FF00");
        objDevice.slRecvData("", stRecord);
        QVERIFY(objTable.Refreshes().isEmpty());
        objDevice.SetState(1);
        // Records of another link, another unit, or with a failed result are not served.
        objDevice.slRecvData("COM9", stRecord);
        stRecord.nAddr = 2;
        objDevice.slRecvData("", stRecord);
        stRecord.nAddr = 1;
        stRecord.enType = LINK_RECV_CHECK_ERR;
        objDevice.slRecvData("", stRecord);
        QVERIFY(objTable.Refreshes().isEmpty());
        stRecord.enType = LINK_RECV_OK;
        objDevice.slRecvData("", stRecord);
        QCOMPARE(objTable.Value(1), QString("1"));
        // Another link's state does not move the device.
        objDevice.slPortStateChanged("COM9", false);
        QCOMPARE(objDevice.GetState(), quint16(1));
        objDevice.slPortStateChanged("", false);
        QCOMPARE(objDevice.GetState(), quint16(0));
    }

    // The device follows its link: opened, closed, reopened, moved, rebuilt.
    void followsLink()
    {
        CSocatPair objPair;
        QVERIFY(objPair.Start());
        AddComRecord(objPair.EndA());
        COM_PARA_DATA_S stPara = CComParaMgr::GetComParaList().last();

        auto *pDevice = new CDeviceSlave("", objPair.EndA(), 1);
        QSignalSpy objSpy(pDevice, &CDeviceBase::siDeviceStateChanged);
        CPortBase *pPort = CPortMgr::GetPort(objPair.EndA());
        QVERIFY(pPort);
        QCOMPARE(pDevice->GetPort(), pPort);
        QVERIFY(WaitFor([&] { return pDevice->GetState() == 1; }, 5000));
        QCOMPARE(objSpy.count(), 1);

        pPort->StopPort();
        QVERIFY(WaitFor([&] { return pDevice->GetState() == 0; }, 5000));
        pDevice->LaunchDevice();
        QCOMPARE(pDevice->GetState(), quint16(0));
        pPort->LaunchPort();
        QVERIFY(WaitFor([&] { return pDevice->GetState() == 1; }, 5000));
        QTest::qWait(50);
        QCOMPARE(objSpy.count(), 3);

        // A second device shares the link; the link goes only with the last one.
        auto *pSecond = new CDeviceSlave("", objPair.EndA(), 2);
        QCOMPARE(pSecond->GetPort(), pPort);
        QCOMPARE(pSecond->GetState(), quint16(1));

        // A rebuilt link object is looked up again.
        stPara.nBaudRate = 9600;
        QVERIFY(CComParaMgr::SetComPara(stPara));
        CPortBase *pNew = CPortMgr::GetPort(objPair.EndA());
        QVERIFY(pNew);
        QCOMPARE(pDevice->GetPort(), pNew);
        QCOMPARE(pSecond->GetPort(), pNew);

        // Moving to a link that cannot open leaves the old link to the other device.
        pDevice->SetPortName("/nonexistent/ttyX");
        QVERIFY(m_pLog->Has("Device Port Changed:"));
        QCOMPARE(pDevice->GetPortName(), QString("/nonexistent/ttyX"));
        QVERIFY(CPortMgr::GetPort(objPair.EndA()));
        QVERIFY(pDevice->GetPort() != pNew);
        delete pSecond;
        QVERIFY(!CPortMgr::GetPort(objPair.EndA()));
        QVERIFY(CPortMgr::GetPort("/nonexistent/ttyX"));
        delete pDevice;
        QVERIFY(!CPortMgr::GetPort("/nonexistent/ttyX"));
        QVERIFY(m_pLog->Has("Release Device Obj:"));
        CComParaMgr::GetComParaList().clear();
    }

    // A device that never got its link (a mode no link is made for) is not
    // bound by the announcement of a later rebuild: deleting it must not give
    // back a registration it never held and take the link from under the
    // device that does hold one.
    void rebuildBindsOnlyRegisteredDevices()
    {
        const QString strLink = QStringLiteral("NET-LATE");
        NET_PARA_DATA_S stPara = NetPara(strLink, 7, TRANS_MODE_TCP_SYNC, PickFreePort());
        QVERIFY(CNetParaMgr::SetNetPara(stPara));
        auto *pHolder = new CDeviceSlave("", strLink, 1);
        auto *pNever = new CDeviceSlave("", strLink, 2);
        QVERIFY(!pHolder->GetPort() && !pNever->GetPort());

        stPara.nLinkMode = LINK_MODE_TCP_SERVER;
        QVERIFY(CNetParaMgr::SetNetPara(stPara));
        pHolder->LaunchDevice();
        QVERIFY(pHolder->GetPort());
        stPara.nMaxAsynNum = 3;
        QVERIFY(CNetParaMgr::SetNetPara(stPara));
        delete pNever;
        pHolder->LaunchDevice();
        QVERIFY(CPortMgr::GetPort(strLink));
        QCOMPARE(pHolder->GetPort(), CPortMgr::GetPort(strLink));
        QVERIFY(WaitFor([&] { return pHolder->GetState() == 1; }, 5000));
        delete pHolder;
        QVERIFY(!CPortMgr::GetPort(strLink));
        CNetParaMgr::DelNetPara(strLink);
    }

    void explainReadReplies()
    {
        CDeviceSlave objDevice("", "", 1);
        CValueTable objTable;
        objTable.Attach(&objDevice);
        SetPoints(
            objDevice.GetName(),
            {Point(1, BLOCK_HOLDING_REG, 100), Point(2, BLOCK_HOLDING_REG, 101), Point(3, BLOCK_HOLDING_REG, 99),
             Point(4, BLOCK_HOLDING_REG, 101, 2), Point(5, BLOCK_INPUT_REG, 100), Point(10, BLOCK_COIL, 0),
             Point(11, BLOCK_COIL, 9), Point(12, BLOCK_COIL, 16), Point(13, BLOCK_DISCRETE_INPUT, 3)});

        // Holding registers wholly inside [100, 102): points 1 and 2.
        QCOMPARE(objDevice.RawParseFrame(Hex("0304000A000B"), 100), QString("OK"));
        QCOMPARE(objTable.Refreshes().size(), 2);
        QCOMPARE(objTable.Value(1), QString("10"));
        QCOMPARE(objTable.Value(2), QString("11"));
        // Input registers are another block.
        objTable.Clear();
        QCOMPARE(objDevice.RawParseFrame(Hex("04020007"), 100), QString("OK"));
        QCOMPARE(objTable.Value(5), QString("7"));
        QCOMPARE(objTable.Refreshes().size(), 1);

        // With AddrOffset 1 the lookup is [99, 101).
        DEVICE_COMMON_ATTR_S objPara = objDevice.GetPara();
        objPara.nAddrOffset = 1;
        objDevice.SetPara(objPara);
        objTable.Clear();
        QCOMPARE(objDevice.RawParseFrame(Hex("0304000A000B"), 100), QString("OK"));
        QCOMPARE(objTable.Value(3), QString("10"));
        QCOMPARE(objTable.Value(1), QString("11"));
        QCOMPARE(objTable.Refreshes().size(), 2);
        // Start 0 with offset 1 wraps to 65535: nothing configured there.
        QCOMPARE(objDevice.RawParseFrame(Hex("0302000A"), 0), QString("未能匹配任何有效配置"));
        objPara.nAddrOffset = 0;
        objDevice.SetPara(objPara);

        // Coils: bit i of the data is coil start + i; coil 16 lies past the 2 bytes.
        objTable.Clear();
        QCOMPARE(objDevice.RawParseFrame(Hex("01020102"), 0), QString("OK"));
        QCOMPARE(objTable.Value(10), QString("1"));
        QCOMPARE(objTable.Value(11), QString("1"));
        QVERIFY(!objTable.Has(12));
        QCOMPARE(objDevice.RawParseFrame(Hex("020108"), 0), QString("OK"));
        QCOMPARE(objTable.Value(13), QString("1"));

        // Length and count faults.
        QCOMPARE(objDevice.RawParseFrame(QByteArray(), 0), QString("不能识别的功能码，解析失败！"));
        QCOMPARE(objDevice.RawParseFrame(Hex("07"), 0), QString("不能识别的功能码，解析失败！"));
        QCOMPARE(objDevice.RawParseFrame(Hex("83"), 0), QString("不能识别的功能码，解析失败！"));
        QCOMPARE(objDevice.RawParseFrame(Hex("0103"), 0), QString("长度非法，无效Bit读响应报文"));
        QCOMPARE(objDevice.RawParseFrame(Hex("010201"), 0), QString("长度非法，无效Bit读响应报文"));
        QCOMPARE(objDevice.RawParseFrame(Hex("010100"), 40), QString("未能匹配任何有效配置"));
        QCOMPARE(objDevice.RawParseFrame(Hex("030200"), 100), QString("长度非法，无效Reg读响应报文"));
        QCOMPARE(objDevice.RawParseFrame(Hex("0304000A00"), 100), QString("长度非法，无效Reg读响应报文"));
        QCOMPARE(objDevice.RawParseFrame(Hex("0303000A00"), 100), QString("报文字节数非偶数，无效Reg读响应报文"));
        QCOMPARE(objDevice.RawParseFrame(Hex("0300FFFF"), 100), QString("未能匹配任何有效配置"));
    }

    void explainWriteRequests()
    {
        CDeviceSlave objDevice("", "", 1);
        CValueTable objTable;
        objTable.Attach(&objDevice);
        DEVICE_DATA_CFG_S objSigned = Point(22, BLOCK_HOLDING_REG, 6);
        objSigned.nPrtcType = PRTC_TYPE_INT;
        SetPoints(
            objDevice.GetName(),
            {Point(1, BLOCK_COIL, 1), Point(2, BLOCK_COIL, 2), Point(3, BLOCK_COIL, 10), Point(20, BLOCK_HOLDING_REG, 5),
             objSigned, Point(23, BLOCK_HOLDING_REG, 7, 2)});

        QCOMPARE(objDevice.RawParseFrame(Hex("050001FF00"), 0), QString("OK"));
        QCOMPARE(objTable.Value(1), QString("1"));
        QCOMPARE(objDevice.RawParseFrame(Hex("0500010000"), 0), QString("OK"));
        QCOMPARE(objTable.Value(1), QString("0"));
        QCOMPARE(objDevice.RawParseFrame(Hex("0500011234"), 0), QString("OK"));
        QCOMPARE(objTable.Value(1), QString("0X1234"));
        QCOMPARE(objDevice.RawParseFrame(Hex("050005FF00"), 0), QString("未能匹配任何有效配置"));
        QCOMPARE(objDevice.RawParseFrame(Hex("050001FF"), 0), QString("长度非法，无效Coil单个写请求报文"));

        QCOMPARE(objDevice.RawParseFrame(Hex("060006FFFE"), 0), QString("OK"));
        QCOMPARE(objTable.Value(22), QString("-2"));
        // A two-register point is not hit by a single register.
        QCOMPARE(objDevice.RawParseFrame(Hex("0600070001"), 0), QString("未能匹配任何有效配置"));
        QCOMPARE(objDevice.RawParseFrame(Hex("06000600"), 0), QString("长度非法，无效Reg单个写请求报文"));

        // Coils 1..10 from start 1: bits 0, 1 and 9.
        objTable.Clear();
        QCOMPARE(objDevice.RawParseFrame(Hex("0F0001000A02010200"), 0), QString("OK"));
        QCOMPARE(objTable.Value(1), QString("1"));
        QCOMPARE(objTable.Value(2), QString("0"));
        QCOMPARE(objTable.Value(3), QString("1"));
        // A quantity larger than the data skips the coils past the counted bytes,
        // even when more bytes follow.
        objTable.Clear();
        QCOMPARE(objDevice.RawParseFrame(Hex("0F0001000A0101FF"), 0), QString("OK"));
        QCOMPARE(objTable.Value(1), QString("1"));
        QVERIFY(!objTable.Has(3));
        QCOMPARE(objDevice.RawParseFrame(Hex("0F0001000A01"), 0), QString("长度非法，无效Bit多个写请求报文"));
        QCOMPARE(objDevice.RawParseFrame(Hex("0F0001000A0201"), 0), QString("长度非法，无效Bit多个写请求报文"));

        // Registers 5..8: points 20, 22 and the two-register point 23.
        objTable.Clear();
        QCOMPARE(objDevice.RawParseFrame(Hex("1000050004080001FFFF00020003"), 0), QString("OK"));
        QCOMPARE(objTable.Value(20), QString("1"));
        QCOMPARE(objTable.Value(22), QString("-1"));
        QCOMPARE(objTable.Value(23), QString("131075"));
        QCOMPARE(objDevice.RawParseFrame(Hex("10000500010200"), 0), QString("长度非法，无效Reg写多个请求报文"));
        QCOMPARE(objDevice.RawParseFrame(Hex("1000050001030000"), 0), QString("长度非法，无效Reg写多个请求报文"));
        QCOMPARE(objDevice.RawParseFrame(Hex("100005000103000000"), 0), QString("报文字节数非偶数，无效Reg写多个请求报文"));
        QCOMPARE(objDevice.RawParseFrame(Hex("10000500020200FF"), 0), QString("报文字节数与数据量不匹配，无效Reg写多个请求报文"));
        QCOMPARE(objDevice.RawParseFrame(Hex("10010000010200FF"), 0), QString("未能匹配任何有效配置"));
    }

private:
    std::unique_ptr<CLogCapture> m_pLog;
};

QTEST_GUILESS_MAIN(TestDeviceBase)
#include "tst_devicebase.moc"
