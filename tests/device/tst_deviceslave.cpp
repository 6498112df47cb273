// Our slave device answering an independent client (libmodbus) over real
// links: a TCP server link on loopback and RTU over a socat pty pair.

#include <QtTest>
#include <atomic>
#include <cerrno>
#include <functional>
#include <limits>
#include <memory>
#include <thread>

#include <modbus/modbus.h>

#include "common/netrecords.h"
#include "common/framebytes.h"
#include "ccfgfilemgr.h"
#include "ccomparamgr.h"
#include "cdeviceslave.h"
#include "cnetparamgr.h"
#include "commonfunc.h"
#include "cport_base.h"
#include "cportmgr.h"
#include "freeport.h"
#include "simuldata.h"
#include "socatpair.h"
#include "valuetable.h"

namespace {

const quint16 SLAVE_ADDR = 17;

enum : quint32
{
    ID_COIL0 = 1,   // coil 0
    ID_COIL1 = 2,   // coil 1
    ID_COIL3 = 3,   // coil 3
    ID_COIL10 = 4,  // coil 10
    ID_DI0 = 10,    // discrete input 0
    ID_DI2 = 11,    // discrete input 2
    ID_HR0 = 20,    // holding 0, UINT, curve shown
    ID_HR1 = 21,    // holding 1, INT
    ID_HR2 = 22,    // holding 2-3, FLOAT
    ID_HR10 = 23,   // holding 10
    ID_HR200 = 24,  // holding 200, never given a value
    ID_HR50 = 25,   // holding 50-53, FLOAT (double)
    ID_IR0 = 30,    // input 0
    ID_IR5 = 31,    // input 5, simulated square wave
};

DEVICE_DATA_CFG_S Point(quint32 nID, quint16 nBlock, quint16 nAddr, quint16 nPrtcType = PRTC_TYPE_UINT,
                        quint16 nSize = 1)
{
    DEVICE_DATA_CFG_S objCfg;
    objCfg.nID = nID;
    objCfg.nBlock = nBlock;
    objCfg.nAddr = nAddr;
    objCfg.nSize = nSize;
    objCfg.strName = QStringLiteral("P%1").arg(nID);
    objCfg.nPrtcType = nPrtcType;
    if (nBlock == BLOCK_COIL || nBlock == BLOCK_DISCRETE_INPUT)
        objCfg.nShowType = SHOW_TYPE_BIT;
    else if (nPrtcType == PRTC_TYPE_FLOAT)
        objCfg.nShowType = SHOW_TYPE_FLOAT;
    else
        objCfg.nShowType = SHOW_TYPE_INT_DEC;
    return objCfg;
}

QList<DEVICE_DATA_CFG_S> SlavePoints()
{
    DEVICE_DATA_CFG_S objHr0 = Point(ID_HR0, BLOCK_HOLDING_REG, 0);
    objHr0.nCurveShow = 1;
    DEVICE_DATA_CFG_S objFloat = Point(ID_HR2, BLOCK_HOLDING_REG, 2, PRTC_TYPE_FLOAT, 2);
    objFloat.fGain = 0.01;
    DEVICE_DATA_CFG_S objSimul = Point(ID_IR5, BLOCK_INPUT_REG, 5);
    objSimul.objValueCfg.nStategy = 4; // square wave, value A "321" for 1 h, then B "123" for 1 h
    objSimul.objValueCfg.strCoefA = "321";
    objSimul.objValueCfg.strCoefB = "1";
    objSimul.objValueCfg.strCoefC = "123";
    objSimul.objValueCfg.strCoefD = "1";
    objSimul.objValueCfg.nTimeBngrWay = SIMUL_TIME_DEVICE_LAUNCH;
    return {Point(ID_COIL0, BLOCK_COIL, 0, PRTC_TYPE_BIT),
            Point(ID_COIL1, BLOCK_COIL, 1, PRTC_TYPE_BIT),
            Point(ID_COIL3, BLOCK_COIL, 3, PRTC_TYPE_BIT),
            Point(ID_COIL10, BLOCK_COIL, 10, PRTC_TYPE_BIT),
            Point(ID_DI0, BLOCK_DISCRETE_INPUT, 0, PRTC_TYPE_BIT),
            Point(ID_DI2, BLOCK_DISCRETE_INPUT, 2, PRTC_TYPE_BIT),
            objHr0,
            Point(ID_HR1, BLOCK_HOLDING_REG, 1, PRTC_TYPE_INT),
            objFloat,
            Point(ID_HR10, BLOCK_HOLDING_REG, 10),
            Point(ID_HR200, BLOCK_HOLDING_REG, 200),
            Point(ID_HR50, BLOCK_HOLDING_REG, 50, PRTC_TYPE_FLOAT, 4),
            Point(ID_IR0, BLOCK_INPUT_REG, 0),
            objSimul};
}

// Runs a blocking client call in its own thread while this (GUI) thread
// keeps serving the device. libmodbus's own timeouts bound every call.
void RunClient(const std::function<void()> &fnCall)
{
    std::atomic<bool> bDone{false};
    std::thread objThread([&] {
        fnCall();
        bDone.store(true);
    });
    while (!bDone.load())
        QTest::qWait(2);
    objThread.join();
}

// One slave device on one link, with its value table and a libmodbus client.
class CSlaveRig
{
public:
    ~CSlaveRig()
    {
        if (m_pCtx) {
            modbus_close(m_pCtx);
            modbus_free(m_pCtx);
        }
        delete m_pDevice;
        CComParaMgr::GetComParaList().clear();
    }

    bool Start(const QString &strKind)
    {
        m_bTcp = strKind == "tcp";
        static int s_nLink = 0;
        if (m_bTcp) {
            m_strLink = QStringLiteral("NET-SLAVE-%1").arg(++s_nLink);
            m_nTcpPort = PickFreePort();
            if (!CNetParaMgr::SetNetPara(NetPara(m_strLink, LINK_MODE_TCP_SERVER, TRANS_MODE_TCP_SYNC, m_nTcpPort)))
                return false;
        } else {
            if (!m_objPair.Start())
                return false;
            m_strLink = m_objPair.EndA();
            COM_PARA_DATA_S stPara;
            stPara.nPresent = 1;
            stPara.strPortName = m_strLink;
            stPara.nTransMode = TRANS_MODE_RTU;
            stPara.nBaudRate = 115200;
            CComParaMgr::GetComParaList().append(stPara);
        }
        m_pDevice = new CDeviceSlave("", m_strLink, SLAVE_ADDR);
        // Created empty first so that the given ids and simulated settings stay.
        CCfgFileMgr::GetInstance()->ReplaceDeviceDataCfgList(m_pDevice->GetName(), {});
        CCfgFileMgr::GetInstance()->GetDeviceDataCfgList(m_pDevice->GetName()) = SlavePoints();
        m_objTable.Attach(m_pDevice);
        m_objTable.SetProvider([this](const QString &strDevice, quint32 nID, bool &bHandled) {
            DEVICE_DATA_CFG_S objCfg;
            if (!CCfgFileMgr::GetInstance()->GetDeviceDataCfg(strDevice, nID, objCfg) || objCfg.objValueCfg.nStategy == 0)
                return QString();
            bHandled = true;
            return MakeSimulValueOfDevice(m_pDevice, strDevice, objCfg);
        });
        m_objTable.Set(ID_COIL0, "1");
        m_objTable.Set(ID_COIL1, "0");
        m_objTable.Set(ID_COIL3, "1");
        m_objTable.Set(ID_COIL10, "1");
        m_objTable.Set(ID_DI0, "0");
        m_objTable.Set(ID_DI2, "1");
        m_objTable.Set(ID_HR0, "1234");
        m_objTable.Set(ID_HR1, "-2");
        m_objTable.Set(ID_HR2, "1.50");
        m_objTable.Set(ID_HR10, "7");
        m_objTable.Set(ID_IR0, "65535");

        QElapsedTimer objTimer;
        objTimer.start();
        while (m_pDevice->GetState() != 1 && objTimer.elapsed() < 5000)
            QTest::qWait(5);
        return m_pDevice->GetState() == 1 && Connect();
    }

    bool Connect()
    {
        if (m_pCtx) {
            modbus_close(m_pCtx);
            modbus_free(m_pCtx);
        }
        if (m_bTcp)
            m_pCtx = modbus_new_tcp("127.0.0.1", m_nTcpPort);
        else
            m_pCtx = modbus_new_rtu(m_objPair.EndB().toLocal8Bit().constData(), 115200, 'N', 8, 1);
        if (!m_pCtx)
            return false;
        modbus_set_slave(m_pCtx, SLAVE_ADDR);
        SetTimeout(3000);
        bool bOk = false;
        RunClient([&] { bOk = modbus_connect(m_pCtx) == 0; });
        return bOk;
    }

    void SetTimeout(int nMs) { modbus_set_response_timeout(m_pCtx, nMs / 1000, (nMs % 1000) * 1000); }

    // A hand-made request PDU (function code first) to unit nUnit; returns the
    // reply PDU, empty when nothing came within the timeout.
    QByteArray Raw(quint8 nUnit, const QByteArray &objPdu)
    {
        QByteArray objReq = QByteArray(1, char(nUnit)) + objPdu;
        QByteArray objReply;
        RunClient([&] {
            if (modbus_send_raw_request(m_pCtx, reinterpret_cast<const uint8_t *>(objReq.constData()), objReq.size()) < 0)
                return;
            uint8_t aRsp[MODBUS_MAX_ADU_LENGTH];
            const int nLen = modbus_receive_confirmation(m_pCtx, aRsp);
            if (nLen <= 0)
                return;
            const int nHeader = modbus_get_header_length(m_pCtx);
            const int nTail = m_bTcp ? 0 : 2; // CRC
            objReply = QByteArray(reinterpret_cast<const char *>(aRsp) + nHeader, nLen - nHeader - nTail);
        });
        if (!objReply.isEmpty() || m_bTcp)
            return objReply;
        // A late or partial RTU reply must not spoil the next exchange.
        modbus_flush(m_pCtx);
        return objReply;
    }

    bool m_bTcp = true;
    QString m_strLink;
    int m_nTcpPort = 0;
    CSocatPair m_objPair;
    CDeviceSlave *m_pDevice = nullptr;
    CValueTable m_objTable;
    modbus_t *m_pCtx = nullptr;
};

void AddLinkRows()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("tcp") << "tcp";
    QTest::newRow("rtu") << "rtu";
}

} // namespace

#define START_RIG(rig)                                                                                   \
    QFETCH(QString, kind);                                                                               \
    CSlaveRig rig;                                                                                       \
    QVERIFY2(rig.Start(kind), "link or client did not come up")

class TestDeviceSlave : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterLinkMetaTypes(); }
    void init() { CCfgFileMgr::GetInstance()->ClearCfg(); }

    void readBits_data() { AddLinkRows(); }
    void readBits()
    {
        START_RIG(rig);
        // Coils 0..10: configured 0, 1, 3 and 10; the others read as 0.
        uint8_t aBits[16] = {};
        int nRc = -1;
        RunClient([&] { nRc = modbus_read_bits(rig.m_pCtx, 0, 11, aBits); });
        QCOMPARE(nRc, 11);
        const uint8_t aCoils[11] = {1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1};
        for (int i = 0; i < 11; ++i)
            QVERIFY2(aBits[i] == aCoils[i], qPrintable(QString("coil %1").arg(i)));
        // A point without value reads as 0, the others still answer.
        rig.m_objTable.Remove(ID_COIL3);
        RunClient([&] { nRc = modbus_read_bits(rig.m_pCtx, 3, 8, aBits); });
        QCOMPARE(nRc, 8);
        QCOMPARE(int(aBits[0]), 0);
        QCOMPARE(int(aBits[7]), 1);

        RunClient([&] { nRc = modbus_read_input_bits(rig.m_pCtx, 0, 3, aBits); });
        QCOMPARE(nRc, 3);
        QCOMPARE(int(aBits[0]), 0);
        QCOMPARE(int(aBits[1]), 0);
        QCOMPARE(int(aBits[2]), 1);
        // The largest allowed quantity, 2000 bits.
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("02000007D0")).left(2), Hex("02FA"));
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("02000007D1")), Hex("8202"));
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("0100000000")), Hex("8102"));
    }

    void readRegisters_data() { AddLinkRows(); }
    void readRegisters()
    {
        START_RIG(rig);
        uint16_t aRegs[128] = {};
        int nRc = -1;
        RunClient([&] { nRc = modbus_read_registers(rig.m_pCtx, 0, 11, aRegs); });
        QCOMPARE(nRc, 11);
        const uint16_t aExpected[11] = {1234, 0xFFFE, 0x3FC0, 0x0000, 0, 0, 0, 0, 0, 0, 7};
        for (int i = 0; i < 11; ++i)
            QVERIFY2(aRegs[i] == aExpected[i], qPrintable(QString("register %1: %2").arg(i).arg(aRegs[i])));
        // The shown curve gets the number of the point that has one.
        QCOMPARE(rig.m_objTable.Curves().size(), 1);
        QCOMPARE(rig.m_objTable.Curves().first().nDataID, quint32(ID_HR0));
        QCOMPARE(rig.m_objTable.Curves().first().fValue, 1234.0);

        // Input registers; point 5 is simulated and computed when read.
        RunClient([&] { nRc = modbus_read_input_registers(rig.m_pCtx, 0, 6, aRegs); });
        QCOMPARE(nRc, 6);
        QCOMPARE(aRegs[0], uint16_t(65535));
        QCOMPARE(aRegs[5], uint16_t(321));
        QCOMPARE(rig.m_objTable.Value(ID_IR5), QString("321"));

        // 125 registers is the most; 0 and 126 are refused.
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("030000007D")).left(2), Hex("03FA"));
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("030000007E")), Hex("8302"));
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("0300000000")), Hex("8302"));
        // No point in the range, or a point cut by the range end.
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("0301F40001")), Hex("8302"));
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("0300020001")), Hex("8302"));
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("0400010001")), Hex("8402"));
        // Points there, but none has a value.
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("0300C80001")), Hex("8303"));
        // A value that does not convert is left out, as if it had none.
        rig.m_objTable.Set(ID_HR10, "not a number");
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("03000A0001")), Hex("8303"));
    }

    void writeSingle_data() { AddLinkRows(); }
    void writeSingle()
    {
        START_RIG(rig);
        int nRc = -1;
        RunClient([&] { nRc = modbus_write_bit(rig.m_pCtx, 3, 0); });
        QCOMPARE(nRc, 1);
        QCOMPARE(rig.m_objTable.Value(ID_COIL3), QString("0"));
        RunClient([&] { nRc = modbus_write_bit(rig.m_pCtx, 1, 1); });
        QCOMPARE(nRc, 1);
        QCOMPARE(rig.m_objTable.Value(ID_COIL1), QString("1"));
        // A coil value other than FF00/0000 changes nothing.
        rig.m_objTable.ClearLog();
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("0500011234")), Hex("8503"));
        QVERIFY(rig.m_objTable.Refreshes().isEmpty());
        QCOMPARE(rig.m_objTable.Value(ID_COIL1), QString("1"));
        // An unconfigured coil.
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("050002FF00")), Hex("8502"));

        RunClient([&] { nRc = modbus_write_register(rig.m_pCtx, 10, 4242); });
        QCOMPARE(nRc, 1);
        QCOMPARE(rig.m_objTable.Value(ID_HR10), QString("4242"));
        RunClient([&] { nRc = modbus_write_register(rig.m_pCtx, 1, 0x8000); });
        QCOMPARE(nRc, 1);
        QCOMPARE(rig.m_objTable.Value(ID_HR1), QString("-32768"));
        // Half of a two-register point is not exactly one point.
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("0600020001")), Hex("8602"));
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("0600050001")), Hex("8602"));
    }

    void writeMultiple_data() { AddLinkRows(); }
    void writeMultiple()
    {
        START_RIG(rig);
        int nRc = -1;
        const uint8_t aBits[11] = {0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0};
        RunClient([&] { nRc = modbus_write_bits(rig.m_pCtx, 0, 11, aBits); });
        QCOMPARE(nRc, 11);
        QCOMPARE(rig.m_objTable.Value(ID_COIL0), QString("0"));
        QCOMPARE(rig.m_objTable.Value(ID_COIL1), QString("1"));
        QCOMPARE(rig.m_objTable.Value(ID_COIL3), QString("0"));
        QCOMPARE(rig.m_objTable.Value(ID_COIL10), QString("0"));

        const uint16_t aRegs[4] = {5, 0xFFFF, 0x4120, 0x0000};
        RunClient([&] { nRc = modbus_write_registers(rig.m_pCtx, 0, 4, aRegs); });
        QCOMPARE(nRc, 4);
        QCOMPARE(rig.m_objTable.Value(ID_HR0), QString("5"));
        QCOMPARE(rig.m_objTable.Value(ID_HR1), QString("-1"));
        QCOMPARE(rig.m_objTable.Value(ID_HR2).toDouble(), 10.0);
        // What was written is what is read back.
        uint16_t aBack[4] = {};
        RunClient([&] { nRc = modbus_read_registers(rig.m_pCtx, 0, 4, aBack); });
        QCOMPARE(nRc, 4);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(aBack[i], aRegs[i]);

        rig.m_objTable.ClearLog();
        // Byte count 5 for 2 registers; byte count not matching the data; coil byte count wrong.
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("1000000002050000000000")), Hex("9002"));
        // (A short frame only exists where the framing carries its length.)
        if (rig.m_bTcp)
            QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("100000000204000000")), Hex("9002"));
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("0F0000000B010F")), Hex("8F02"));
        // No configured point in range.
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("0F00140002010F")), Hex("8F02"));
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("1001000001020001")), Hex("9002"));
        QVERIFY(rig.m_objTable.Refreshes().isEmpty());
    }

    // A frame of a code not served is delimited by its CRC on RTU and
    // refused as over MBAP.
    void unservedCode_data() { AddLinkRows(); }
    void unservedCode()
    {
        START_RIG(rig);
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("07")), Hex("8701"));
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("2B0E0100")), Hex("AB01"));
        // Another unit's request is not ours to answer.
        rig.SetTimeout(300);
        QCOMPARE(rig.Raw(SLAVE_ADDR + 1, Hex("0300000001")), QByteArray());
        rig.SetTimeout(3000);
        uint16_t nReg = 0;
        int nRc = -1;
        RunClient([&] { nRc = modbus_read_registers(rig.m_pCtx, 10, 1, &nReg); });
        QCOMPARE(nRc, 1);
        QCOMPARE(nReg, uint16_t(7));
    }

    // Requests to a broadcast address are carried out and never answered.
    void broadcast_data() { AddLinkRows(); }
    void broadcast()
    {
        START_RIG(rig);
        DEVICE_COMMON_ATTR_S objPara = rig.m_pDevice->GetPara();
        objPara.nBCast1 = 100;
        objPara.nBCast2 = 101;
        rig.m_pDevice->SetPara(objPara);
        rig.SetTimeout(300);
        modbus_set_slave(rig.m_pCtx, 100);
        int nRc = 0;
        RunClient([&] { nRc = modbus_write_bit(rig.m_pCtx, 1, 1); });
        QCOMPARE(nRc, -1);
        QCOMPARE(rig.m_objTable.Value(ID_COIL1), QString("1"));
        modbus_set_slave(rig.m_pCtx, 101);
        const uint16_t aRegs[2] = {9, 8};
        RunClient([&] { nRc = modbus_write_registers(rig.m_pCtx, 0, 2, aRegs); });
        QCOMPARE(nRc, -1);
        QCOMPARE(rig.m_objTable.Value(ID_HR0), QString("9"));
        QCOMPARE(rig.m_objTable.Value(ID_HR1), QString("8"));
        // Neither answers nor exceptions go to a broadcast address.
        QCOMPARE(rig.Raw(100, Hex("07")), QByteArray());
        QCOMPARE(rig.Raw(100, Hex("0300C80001")), QByteArray());
        if (!rig.m_bTcp)
            modbus_flush(rig.m_pCtx);

        // The same write to the own address is echoed; nothing stale is in the way.
        rig.SetTimeout(3000);
        modbus_set_slave(rig.m_pCtx, SLAVE_ADDR);
        RunClient([&] { nRc = modbus_write_bit(rig.m_pCtx, 1, 0); });
        QCOMPARE(nRc, 1);
        QCOMPARE(rig.m_objTable.Value(ID_COIL1), QString("0"));
    }

    // Address 0 is the default broadcast address of both entries.
    void broadcastAddressZeroRtu()
    {
        CSlaveRig rig;
        QVERIFY(rig.Start("rtu"));
        rig.SetTimeout(300);
        QCOMPARE(rig.Raw(MODBUS_BROADCAST_ADDRESS, Hex("06000A0063")), QByteArray());
        QCOMPARE(rig.m_objTable.Value(ID_HR10), QString("99"));
        QCOMPARE(rig.Raw(MODBUS_BROADCAST_ADDRESS, Hex("0300C80001")), QByteArray());
        rig.SetTimeout(3000);
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("03000A0001")), Hex("03020063"));
    }

    void addrOffset_data() { AddLinkRows(); }
    void addrOffset()
    {
        START_RIG(rig);
        DEVICE_COMMON_ATTR_S objPara = rig.m_pDevice->GetPara();
        objPara.nAddrOffset = 1;
        rig.m_pDevice->SetPara(objPara);
        uint16_t aRegs[2] = {};
        int nRc = -1;
        // Protocol address 10 serves the point configured at 9 (none), 11 the one at 10.
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("03000A0001")), Hex("8302"));
        RunClient([&] { nRc = modbus_read_registers(rig.m_pCtx, 11, 1, aRegs); });
        QCOMPARE(nRc, 1);
        QCOMPARE(aRegs[0], uint16_t(7));
        RunClient([&] { nRc = modbus_write_register(rig.m_pCtx, 1, 55); });
        QCOMPARE(nRc, 1);
        QCOMPARE(rig.m_objTable.Value(ID_HR0), QString("55"));
        uint8_t aBits[4] = {};
        RunClient([&] { nRc = modbus_read_bits(rig.m_pCtx, 1, 4, aBits); });
        QCOMPARE(nRc, 4);
        QCOMPARE(int(aBits[0]), 1);
        QCOMPARE(int(aBits[3]), 1);
        // Protocol address 0 looks at 65535.
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("0300000002")), Hex("8302"));
    }

    // A shut-down slave stays silent; relaunched it answers again.
    void shutDownIsSilent()
    {
        CSlaveRig rig;
        QVERIFY(rig.Start("tcp"));
        rig.m_pDevice->ShutDownDevice();
        rig.SetTimeout(300);
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("03000A0001")), QByteArray());
        rig.m_pDevice->LaunchDevice();
        QCOMPARE(rig.m_pDevice->GetState(), quint16(1));
        rig.SetTimeout(3000);
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("03000A0001")), Hex("03020007"));
    }

    // Malformed requests that are ignored rather than answered.
    void ignoredRequests()
    {
        CSlaveRig rig;
        QVERIFY(rig.Start("tcp"));
        rig.SetTimeout(300);
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("03000A000100")), QByteArray());
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("05000100")), QByteArray());
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("1000000001")), QByteArray());
        QCOMPARE(rig.m_objTable.Refreshes().size(), 0);
        rig.SetTimeout(3000);
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("03000A0001")), Hex("03020007"));
    }

    // What a master writes into a FLOAT point reads back bit for bit, however
    // many digits the value needs.
    void floatWrittenReadsBack_data()
    {
        QTest::addColumn<int>("nSize");
        QTest::addColumn<double>("fValue");
        QTest::newRow("float tiny") << 2 << double(1e-7f);
        QTest::newRow("float smallest subnormal") << 2 << double(std::numeric_limits<float>::denorm_min());
        QTest::newRow("float largest") << 2 << double(std::numeric_limits<float>::max());
        QTest::newRow("float negative fraction") << 2 << double(-1234.5678f);
        QTest::newRow("double nine decimals") << 4 << 0.123456789;
        QTest::newRow("double tiny negative") << 4 << -1e-300;
        QTest::newRow("double lowest") << 4 << std::numeric_limits<double>::lowest();
        QTest::newRow("double third") << 4 << 1.0 / 3.0;
    }
    void floatWrittenReadsBack()
    {
        QFETCH(int, nSize);
        QFETCH(double, fValue);
        CSlaveRig rig;
        QVERIFY(rig.Start("tcp"));
        const int nAddr = nSize == 2 ? 2 : 50;
        const QByteArray objBytes = nSize == 2 ? PackFloat(float(fValue), 0, 0) : PackDouble(fValue, 0, 0);
        uint16_t aRegs[4] = {};
        for (int i = 0; i < nSize; ++i)
            aRegs[i] = uint16_t((quint8(objBytes.at(2 * i)) << 8) | quint8(objBytes.at(2 * i + 1)));
        int nRc = -1;
        RunClient([&] { nRc = modbus_write_registers(rig.m_pCtx, nAddr, nSize, aRegs); });
        QCOMPARE(nRc, nSize);
        uint16_t aBack[4] = {};
        RunClient([&] { nRc = modbus_read_registers(rig.m_pCtx, nAddr, nSize, aBack); });
        QCOMPARE(nRc, nSize);
        for (int i = 0; i < nSize; ++i)
            QCOMPARE(aBack[i], aRegs[i]);
    }

    // Over Modbus-TCP framing clients often send unit 0xFF: a slave alone on
    // its link answers it as its own address; slaves sharing a link keep to
    // theirs. Unit 0 stays a broadcast.
    void unitFFOverTcp()
    {
        CSlaveRig rig;
        QVERIFY(rig.Start("tcp"));
        QCOMPARE(rig.Raw(0xFF, Hex("03000A0001")), Hex("03020007"));
        QCOMPARE(rig.Raw(0xFF, Hex("0300C80001")), Hex("8303"));
        rig.SetTimeout(300);
        QCOMPARE(rig.Raw(0, Hex("06000A0063")), QByteArray());
        QCOMPARE(rig.m_objTable.Value(ID_HR10), QString("99"));

        CDeviceSlave objSecond("", rig.m_strLink, SLAVE_ADDR + 1);
        QCOMPARE(rig.Raw(0xFF, Hex("03000A0001")), QByteArray());
        rig.SetTimeout(3000);
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("03000A0001")), Hex("03020063"));
    }

    // After a parameter change the link object is rebuilt; the slave finds it again.
    void servesAfterLinkRebuild()
    {
        CSlaveRig rig;
        QVERIFY(rig.Start("tcp"));
        NET_PARA_DATA_S stPara;
        QVERIFY(CNetParaMgr::GetNetPara(rig.m_strLink, stPara));
        stPara.nMaxAsynNum = 3;
        QVERIFY(CNetParaMgr::SetNetPara(stPara));
        QVERIFY(rig.m_pDevice->GetPort() != nullptr);
        QVERIFY(rig.m_pDevice->GetPort() == CPortMgr::GetPort(rig.m_strLink));
        QVERIFY(QTest::qWaitFor([&] { return rig.m_pDevice->GetPort()->IsOpen(); }, 5000));
        QVERIFY(rig.Connect());
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("03000A0001")), Hex("03020007"));
        // Each record is handled once, even after the same object is announced again.
        emit CPortMgr::GetInstance()->siPortObjChanged(rig.m_strLink);
        rig.m_objTable.ClearLog();
        QCOMPARE(rig.Raw(SLAVE_ADDR, Hex("06000A0003")), Hex("06000A0003"));
        QCOMPARE(rig.m_objTable.Refreshes().size(), 1);
    }

    // Exception codes keep the request's code; ranges past the last address
    // and writes beyond the protocol's quantities do not exist.
    void refusesWhatCannotBe_data()
    {
        QTest::addColumn<QByteArray>("objPdu");
        QTest::addColumn<QByteArray>("objReply");
        QTest::newRow("code 0x83") << Hex("83000A0001") << Hex("8301");
        QTest::newRow("code 0x80") << Hex("80") << Hex("8001");
        QTest::newRow("last register") << Hex("03FFFF0001") << Hex("03020005");
        QTest::newRow("registers past the last") << Hex("03FFFF0002") << Hex("8302");
        QTest::newRow("ten registers from 65530") << Hex("03FFFA000A") << Hex("8302");
        QTest::newRow("coils past the last") << Hex("01FFFF0008") << Hex("8102");
        QTest::newRow("1969 coils written") << Hex("0F000007B1F7") + QByteArray(247, '\0') << Hex("8F02");
    }
    void refusesWhatCannotBe()
    {
        QFETCH(QByteArray, objPdu);
        QFETCH(QByteArray, objReply);
        CSlaveRig rig;
        QVERIFY(rig.Start("tcp"));
        QList<DEVICE_DATA_CFG_S> &objPoints = CCfgFileMgr::GetInstance()->GetDeviceDataCfgList(rig.m_pDevice->GetName());
        objPoints << Point(90, BLOCK_HOLDING_REG, 65535) << Point(91, BLOCK_COIL, 65535, PRTC_TYPE_BIT);
        rig.m_objTable.Set(90, "5");
        rig.m_objTable.Set(91, "1");
        QCOMPARE(rig.Raw(SLAVE_ADDR, objPdu), objReply);
        QVERIFY(rig.m_objTable.Refreshes().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDeviceSlave)
#include "tst_deviceslave.moc"
