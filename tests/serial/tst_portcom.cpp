// Serial link over real pseudo-terminal pairs, against libmodbus as the
// independent peer, and the serial parameter store.

#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <modbus.h>
#include <thread>

#include "ccfgfilemgr.h"
#include "ccomparamgr.h"
#include "cport_com.h"
#include "logcapture.h"
#include "modbuspeer.h"
#include "serialportlist.h"
#include "socatpair.h"
#include "testport.h"

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

void SetStoreRecords(const QList<COM_PARA_DATA_S> &lstRecords)
{
    CComParaMgr::GetComParaList() = lstRecords;
}

LINK_SEND_DATA_S Request(quint16 nSN, quint8 nAddr, quint8 nFunc, const QByteArray &objData)
{
    LINK_SEND_DATA_S stRqst;
    stRqst.nSN = nSN;
    stRqst.nAddr = nAddr;
    stRqst.nFuncCode = nFunc;
    stRqst.nIsNeedRsp = 1;
    stRqst.nTimeOut = 1500;
    stRqst.nResendCount = 0;
    stRqst.objData = objData;
    return stRqst;
}

QByteArray Words(std::initializer_list<quint16> lstWords)
{
    QByteArray objOut;
    for (quint16 nWord : lstWords) {
        objOut.append(static_cast<char>(nWord >> 8));
        objOut.append(static_cast<char>(nWord & 0xFF));
    }
    return objOut;
}

QByteArray RtuFrame(const QByteArray &objBody)
{
    const quint16 nCrc = CalcCRC16(objBody);
    return objBody + QByteArray(1, static_cast<char>(nCrc & 0xFF)) + QByteArray(1, static_cast<char>(nCrc >> 8));
}

// Reads everything that arrives on a device for a while.
QByteArray ReadFor(QSerialPort &objPort, int nBytesWanted, int nTimeoutMs)
{
    QByteArray objGot;
    QElapsedTimer objTimer;
    objTimer.start();
    while (objGot.size() < nBytesWanted && objTimer.elapsed() < nTimeoutMs) {
        objPort.waitForReadyRead(20);
        objGot += objPort.readAll();
    }
    return objGot;
}

// Opens the link and waits for its verdict: true open, false failed.
bool LaunchAndWait(CPortCOM &objPort, CLinkRecorder &objRec)
{
    objPort.LaunchPort();
    if (!objRec.WaitFor(LinkEvent::State, -1, 1, WAIT_MS))
        return false;
    return objRec.Of(LinkEvent::State).front().bOpen;
}

} // namespace

class TstPortCom : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterLinkMetaTypes(); }
    void init() { SetStoreRecords({}); }

    void masterExchangesWithRtuServer()
    {
        CSocatPair objPair;
        QVERIFY(objPair.Start());
        CModbusServerPeer objPeer;
        for (int i = 0; i < 10; ++i)
            objPeer.SetHolding(i, static_cast<quint16>(0x1100 + i * 0x0101));
        QVERIFY(objPeer.StartRtu(objPair.EndB(), 9600, 17));
        SetStoreRecords({ComRecord(objPair.EndA())});

        CPortCOM objPort(objPair.EndA(), WORK_MODE_MASTER);
        CLinkRecorder objRec(&objPort);
        QVERIFY(LaunchAndWait(objPort, objRec));
        QVERIFY(objPort.IsOpen());

        // Read ten holding registers.
        objPort.PushSendData(Request(objPort.NextSN(), 17, 0x03, Words({0, 10})), false);
        QVERIFY(objRec.WaitFor(LinkEvent::Record, -1, 1, WAIT_MS));
        LINK_RECV_DATA_S stRead = objRec.Of(LinkEvent::Record).at(0).stRecord;
        QCOMPARE(stRead.enType, LINK_RECV_OK);
        QCOMPARE(stRead.nSN, quint16(1));
        QCOMPARE(stRead.nAddr, quint8(17));
        QCOMPARE(stRead.nFuncCode, quint8(0x03));
        QByteArray objExpected(1, char(20));
        for (int i = 0; i < 10; ++i)
            objExpected += Words({static_cast<quint16>(0x1100 + i * 0x0101)});
        QCOMPARE(stRead.objData, objExpected);
        // Raw frames: the request as sent, then the whole reply with its CRC.
        QVERIFY(objRec.WaitFor(LinkEvent::Raw, -1, 2, WAIT_MS));
        const auto lstRaw = objRec.Of(LinkEvent::Raw);
        QCOMPARE(lstRaw.size(), size_t(2));
        QCOMPARE(lstRaw[0].enType, LINK_SEND_OK);
        QCOMPARE(lstRaw[0].objBytes, RtuFrame(QByteArray("\x11\x03", 2) + Words({0, 10})));
        QCOMPARE(lstRaw[1].enType, LINK_RECV_OK);
        QCOMPARE(lstRaw[1].objBytes, RtuFrame(QByteArray("\x11\x03", 2) + objExpected));

        // Write three registers; the peer must hold them afterwards.
        objPort.PushSendData(Request(objPort.NextSN(), 17, 0x10,
                                     Words({100, 3}) + QByteArray(1, char(6)) + Words({0xBEEF, 0x0001, 0xFFFF})),
                             false);
        QVERIFY(objRec.WaitFor(LinkEvent::Record, -1, 2, WAIT_MS));
        const LINK_RECV_DATA_S stWrite = objRec.Of(LinkEvent::Record).at(1).stRecord;
        QCOMPARE(stWrite.enType, LINK_RECV_OK);
        QCOMPARE(stWrite.objData, Words({100, 3}));
        QCOMPARE(objPeer.Holding(100), quint16(0xBEEF));
        QCOMPARE(objPeer.Holding(101), quint16(0x0001));
        QCOMPARE(objPeer.Holding(102), quint16(0xFFFF));
        objPort.StopPort();
        objPeer.Stop();
    }

    void slaveServesRtuClient()
    {
        CSocatPair objPair;
        QVERIFY(objPair.Start());
        SetStoreRecords({ComRecord(objPair.EndA())});
        CPortCOM objPort(objPair.EndA(), WORK_MODE_SLAVE);
        CLinkRecorder objRec(&objPort);
        QVERIFY(LaunchAndWait(objPort, objRec));

        int nClientResult = -100;
        uint16_t arrRegs[3] = {0, 0, 0};
        std::thread objClient([&]() {
            modbus_t *pCtx = modbus_new_rtu(objPair.EndB().toLocal8Bit().constData(), 9600, 'N', 8, 1);
            if (pCtx == nullptr)
                return;
            modbus_set_slave(pCtx, 7);
            modbus_set_response_timeout(pCtx, 3, 0);
            if (modbus_connect(pCtx) == 0) {
                nClientResult = modbus_read_registers(pCtx, 5, 3, arrRegs);
                modbus_close(pCtx);
            }
            modbus_free(pCtx);
        });

        const bool bGotRequest = objRec.WaitFor(LinkEvent::Record, LINK_RECV_OK, 1, WAIT_MS);
        if (bGotRequest) {
            const LINK_RECV_DATA_S stRqst = objRec.Of(LinkEvent::Record).at(0).stRecord;
            LINK_SEND_DATA_S stRsp;
            stRsp.nSN = stRqst.nSN;
            stRsp.nAddr = stRqst.nAddr;
            stRsp.nFuncCode = stRqst.nFuncCode;
            stRsp.objData = QByteArray(1, char(6)) + Words({0x0102, 0x8000, 0xFFFE});
            objPort.PushSendData(stRsp, false);
        }
        objClient.join();
        QVERIFY(bGotRequest);
        const LINK_RECV_DATA_S stRqst = objRec.Of(LinkEvent::Record).at(0).stRecord;
        QCOMPARE(stRqst.nAddr, quint8(7));
        QCOMPARE(stRqst.nFuncCode, quint8(0x03));
        QCOMPARE(stRqst.objData, Words({5, 3}));
        QCOMPARE(nClientResult, 3);
        QCOMPARE(arrRegs[0], uint16_t(0x0102));
        QCOMPARE(arrRegs[1], uint16_t(0x8000));
        QCOMPARE(arrRegs[2], uint16_t(0xFFFE));
    }

    // Replies queued together are written back to back; each must reach the
    // wire whole, not be discarded by the write that follows it.
    void repliesWrittenTogetherAllArrive()
    {
        CSocatPair objPair;
        QVERIFY(objPair.Start());
        SetStoreRecords({ComRecord(objPair.EndA())});
        CPortCOM objPort(objPair.EndA(), WORK_MODE_SLAVE);
        CLinkRecorder objRec(&objPort);
        QByteArray objExpected;
        for (int i = 0; i < 4; ++i) {
            LINK_SEND_DATA_S stRsp;
            stRsp.nAddr = static_cast<quint16>(i + 1);
            stRsp.nFuncCode = 0x03;
            stRsp.objData = QByteArray(1, char(16)) + QByteArray(16, static_cast<char>('a' + i));
            objPort.PushSendData(stRsp, false);
            objExpected += RtuFrame(QByteArray(1, static_cast<char>(i + 1)) + QByteArray(1, char(3)) + stRsp.objData);
        }
        QSerialPort objPeer;
        objPeer.setPortName(objPair.EndB());
        QVERIFY(objPeer.open(QIODevice::ReadWrite));
        QVERIFY(LaunchAndWait(objPort, objRec));
        QCOMPARE(ReadFor(objPeer, objExpected.size() + 1, 1500), objExpected);
        QVERIFY(objRec.WaitFor(LinkEvent::Raw, LINK_SEND_OK, 4, WAIT_MS));
    }

    void openFailuresAndFallbacks()
    {
        CSocatPair objPair;
        QVERIFY(objPair.Start());
        const QString strPty = objPair.EndA();
        CLogCapture objLog;

        // Not a serial port of this machine, whether or not a record exists.
        for (const QString &strName : {QStringLiteral("COM_NOPE"), QStringLiteral("/dev/no-such-tty")}) {
            SetStoreRecords({ComRecord(strName)});
            CPortCOM objPort(strName, WORK_MODE_MASTER);
            CLinkRecorder objRec(&objPort);
            QVERIFY(!LaunchAndWait(objPort, objRec));
            QVERIFY(objPort.wait(WAIT_MS)); // the thread ended by itself
            QVERIFY(objLog.Has("Port Open Failed by Invalid Port:", strName));
            QVERIFY(objLog.Has("Port Open Falied:", strName));
        }

        // A real port without a record.
        SetStoreRecords({});
        {
            CPortCOM objPort(strPty, WORK_MODE_MASTER);
            CLinkRecorder objRec(&objPort);
            QVERIFY(!LaunchAndWait(objPort, objRec));
            QVERIFY(objLog.Has("COM Port Para Get Failed:", strPty));
        }

        // Settings the serial layer refuses; the port must be closed again,
        // so that others can open it afterwards.
        struct Refused { const char *pWhat; COM_PARA_DATA_S stPara; int nDataBits; };
        COM_PARA_DATA_S stAscii = ComRecord(strPty, TRANS_MODE_ASCII);
        const QList<Refused> lstRefused = {
            {"baud 0", ComRecord(strPty, TRANS_MODE_RTU, 0), 8},
            {"baud -5", ComRecord(strPty, TRANS_MODE_RTU, -5), 8},
            // ASCII asks for 7 data bits, which the pty driver refuses.
            {"ascii", stAscii, 7},
        };
        for (const Refused &stCase : lstRefused) {
            objLog.Clear();
            SetStoreRecords({stCase.stPara});
            CPortCOM objPort(strPty, WORK_MODE_MASTER);
            CLinkRecorder objRec(&objPort);
            QVERIFY2(!LaunchAndWait(objPort, objRec), stCase.pWhat);
            QVERIFY2(objLog.Has("Port Open Failed by Para:", strPty), stCase.pWhat);
            QVERIFY2(!objLog.Has("Port Open Success:"), stCase.pWhat);
            QCOMPARE(objPort.GetRequestedDataBits(), stCase.nDataBits);
            QVERIFY(!objPort.IsOpen());
            QSerialPort objOther;
            objOther.setPortName(strPty);
            QVERIFY2(objOther.open(QIODevice::ReadWrite), stCase.pWhat);
        }

        // Codes out of range fall back to no parity / one stop bit and the
        // link opens; hardware flow control is accepted by the pty driver.
        objLog.Clear();
        COM_PARA_DATA_S stOdd = ComRecord(strPty, TRANS_MODE_RTU, 115200);
        stOdd.nParity = 3;
        stOdd.nStopBits = 7;
        SetStoreRecords({stOdd});
        {
            CPortCOM objPort(strPty, WORK_MODE_MASTER);
            CLinkRecorder objRec(&objPort);
            QVERIFY(LaunchAndWait(objPort, objRec));
            QVERIFY(objPort.IsOpen());
            QCOMPARE(objPort.GetRequestedDataBits(), 8);
            QVERIFY(objLog.Has("Invalid COM Port Parity:", strPty + ":"));
            QVERIFY(objLog.Has("Invalid COM Port StopBit:", strPty + ":"));
            QVERIFY(objLog.Has("Port Open Success:", strPty));

            // Port in use by this link: a second link on it cannot open it.
            CPortCOM objSecond(strPty, WORK_MODE_MASTER);
            CLinkRecorder objRec2(&objSecond);
            QVERIFY(!LaunchAndWait(objSecond, objRec2));
            QVERIFY(objLog.Has("Port Open Failed:", strPty));
            QVERIFY(objPort.IsOpen());
        }
        // Destroying the running link closed its port.
        QVERIFY(objLog.Has("Port Closed:", strPty));
        QSerialPort objOther;
        objOther.setPortName(strPty);
        QVERIFY(objOther.open(QIODevice::ReadWrite));
    }

    // Recorded finding about this machine's pseudo-terminals: they take
    // hardware flow control and any positive baud rate, but not 7 data bits.
    void ptyDriverSettings()
    {
        CSocatPair objPair;
        QVERIFY(objPair.Start());
        QSerialPort objPort;
        objPort.setPortName(objPair.EndA());
        QVERIFY(objPort.open(QIODevice::ReadWrite));
        QVERIFY(objPort.setFlowControl(QSerialPort::HardwareControl));
        QCOMPARE(objPort.flowControl(), QSerialPort::HardwareControl);
        QVERIFY(objPort.setBaudRate(2147483647));
        QVERIFY(!objPort.setBaudRate(0));
        QVERIFY(!objPort.setDataBits(QSerialPort::Data7));
    }

    void refreshKeepsRecordsAndMarksPresence()
    {
        auto pPair = std::make_unique<CSocatPair>();
        QVERIFY(pPair->Start());
        const QStringList lstEnum = EnumSerialPortNames();

        COM_PARA_DATA_S stGone = ComRecord(QStringLiteral("COM_GONE"));
        stGone.nBaudRate = 38400;
        COM_PARA_DATA_S stPty = ComRecord(pPair->EndA(), TRANS_MODE_ASCII, 19200);
        stPty.nPresent = 0;
        COM_PARA_DATA_S stDeadPath = ComRecord(QStringLiteral("/tmp/no-such-dir/ttyV9"));
        QList<COM_PARA_DATA_S> lstStart = {stGone, stPty, stDeadPath};
        // A machine port already known keeps its settings and its place.
        if (!lstEnum.isEmpty()) {
            COM_PARA_DATA_S stKnown = ComRecord(lstEnum.first(), TRANS_MODE_RTU, 115200);
            stKnown.nPresent = 0;
            stKnown.nParity = 2;
            lstStart.append(stKnown);
        }
        SetStoreRecords(lstStart);

        CComParaMgr::RefreshComList();
        QList<COM_PARA_DATA_S> lstAfter = CComParaMgr::GetComParaList();
        QCOMPARE(lstAfter.size(), lstStart.size() + qMax(0, lstEnum.size() - 1));
        QCOMPARE(lstAfter[0].nPresent, quint16(0));
        QCOMPARE(lstAfter[0].nBaudRate, 38400);
        QCOMPARE(lstAfter[1].nPresent, quint16(1)); // pty path: a port of this machine
        QCOMPARE(lstAfter[1].nBaudRate, 19200);
        QCOMPARE(lstAfter[1].nTransMode, quint16(TRANS_MODE_ASCII));
        QCOMPARE(lstAfter[2].nPresent, quint16(0));
        if (!lstEnum.isEmpty()) {
            QCOMPARE(lstAfter[3].nPresent, quint16(1));
            QCOMPARE(lstAfter[3].nBaudRate, 115200);
            QCOMPARE(lstAfter[3].nParity, quint16(2));
        }
        // New ports appended in enumeration order with the defaults.
        for (int i = 1; i < lstEnum.size(); ++i) {
            const COM_PARA_DATA_S &stNew = lstAfter[lstStart.size() + i - 1];
            COM_PARA_DATA_S stDefault;
            stDefault.nPresent = 1;
            stDefault.strPortName = lstEnum[i];
            QVERIFY(stNew == stDefault);
        }
        // A second refresh adds nothing; a vanished pair is no longer present.
        const QString strPty = pPair->EndA();
        pPair.reset();
        CComParaMgr::RefreshComList();
        lstAfter = CComParaMgr::GetComParaList();
        QCOMPARE(lstAfter.size(), lstStart.size() + qMax(0, lstEnum.size() - 1));
        QCOMPARE(lstAfter[1].strPortName, strPty);
        QCOMPARE(lstAfter[1].nPresent, quint16(0));
    }

    void setAndGetRecords()
    {
        SetStoreRecords({ComRecord(QStringLiteral("ttyUSB7")), ComRecord(QStringLiteral("ttyUSB8"))});
        QSignalSpy objSpy(CComParaMgr::GetInstance(), &CComParaMgr::siCOMParaChanged);
        CLogCapture objLog;

        COM_PARA_DATA_S stNew = ComRecord(QStringLiteral("ttyUSB8"), TRANS_MODE_ASCII, 57600);
        stNew.nPresent = 0;
        stNew.nParity = 1;
        stNew.nStopBits = 2;
        stNew.nBreakTime = 35;
        QVERIFY(CComParaMgr::SetComPara(stNew));
        QCOMPARE(objSpy.count(), 1);
        QCOMPARE(objSpy.at(0).at(0).toString(), QStringLiteral("ttyUSB8"));
        COM_PARA_DATA_S stGot;
        QVERIFY(CComParaMgr::GetComPara(QStringLiteral("ttyUSB8"), stGot));
        QVERIFY(stGot == stNew); // every field, the present flag too

        const QList<COM_PARA_DATA_S> lstBefore = CComParaMgr::GetComParaList();
        QVERIFY(!CComParaMgr::SetComPara(ComRecord(QStringLiteral("ttyUSB9"))));
        QVERIFY(objLog.Has("Invalid COM Port:", "ttyUSB9"));
        QCOMPARE(objSpy.count(), 1);
        QVERIFY(CComParaMgr::GetComParaList() == lstBefore);
        QVERIFY(!CComParaMgr::GetComPara(QStringLiteral("ttyUSB9"), stGot));
        QVERIFY(!CComParaMgr::GetComPara(QString(), stGot));
    }
};

QTEST_GUILESS_MAIN(TstPortCom)
#include "tst_portcom.moc"
