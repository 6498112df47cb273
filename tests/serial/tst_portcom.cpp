// Serial link over real pseudo-terminal pairs, with libmodbus as the
// independent peer, and the serial parameter store.

#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <modbus.h>
#include <thread>

#include "ccomparamgr.h"
#include "cport_com.h"
#include "common/logcapture.h"
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

QByteArray Words(std::initializer_list<quint16> lstWords)
{
    QByteArray objOut;
    for (quint16 nWord : lstWords)
        objOut.append(static_cast<char>(nWord >> 8)).append(static_cast<char>(nWord & 0xFF));
    return objOut;
}

QByteArray RtuFrame(quint8 nAddr, quint8 nFunc, const QByteArray &objData)
{
    QByteArray objFrame = QByteArray(1, static_cast<char>(nAddr)) + QByteArray(1, static_cast<char>(nFunc)) + objData;
    const quint16 nCrc = CalcCRC16(objFrame);
    return objFrame.append(static_cast<char>(nCrc & 0xFF)).append(static_cast<char>(nCrc >> 8));
}

// A serial link with a recorder of everything it reports; the link's thread
// ends before the recorder goes.
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

} // namespace

class TstPortCom : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterLinkMetaTypes(); }
    void init() { CComParaMgr::GetComParaList().clear(); }

    void masterReadsRtuServer()
    {
        CSocatPair objPair;
        QVERIFY(objPair.Start());
        CModbusServerPeer objPeer;
        QByteArray objRegs(1, char(20));
        for (int i = 0; i < 10; ++i) {
            objPeer.SetHolding(i, static_cast<quint16>(0x11F0 + i * 0x0101));
            objRegs += Words({static_cast<quint16>(0x11F0 + i * 0x0101)});
        }
        QVERIFY(objPeer.StartRtu(objPair.EndB(), 9600, 17));
        CComParaMgr::GetComParaList() = {ComRecord(objPair.EndA())};
        CComLink objLink(objPair.EndA(), WORK_MODE_MASTER);
        QVERIFY(objLink.Launch());

        LINK_SEND_DATA_S stRqst;
        stRqst.nSN = objLink.objPort.NextSN();
        stRqst.nAddr = 17;
        stRqst.nFuncCode = 0x03;
        stRqst.nIsNeedRsp = 1;
        stRqst.nTimeOut = 1500;
        stRqst.objData = Words({0, 10});
        objLink.objPort.PushSendData(stRqst, false);
        QVERIFY(objLink.objRec.WaitFor(LinkEvent::Raw, -1, 2, WAIT_MS));
        const LINK_RECV_DATA_S stRead = objLink.objRec.Of(LinkEvent::Record).at(0).stRecord;
        QCOMPARE(stRead.enType, LINK_RECV_OK);
        QCOMPARE(stRead.nSN, quint16(1));
        QCOMPARE(stRead.nAddr, quint8(17));
        QCOMPARE(stRead.nFuncCode, quint8(0x03));
        QCOMPARE(stRead.objData, objRegs);
        const auto lstRaw = objLink.objRec.Of(LinkEvent::Raw);
        QCOMPARE(lstRaw.size(), size_t(2));
        QCOMPARE(lstRaw[0].enType, LINK_SEND_OK);
        QCOMPARE(lstRaw[0].objBytes, RtuFrame(17, 0x03, Words({0, 10})));
        QCOMPARE(lstRaw[1].enType, LINK_RECV_OK);
        QCOMPARE(lstRaw[1].objBytes, RtuFrame(17, 0x03, objRegs));
    }

    void slaveServesRtuClient()
    {
        CSocatPair objPair;
        QVERIFY(objPair.Start());
        CComParaMgr::GetComParaList() = {ComRecord(objPair.EndA())};
        CComLink objLink(objPair.EndA(), WORK_MODE_SLAVE);
        QVERIFY(objLink.Launch());

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
        const bool bGotRequest = objLink.objRec.WaitFor(LinkEvent::Record, LINK_RECV_OK, 1, WAIT_MS);
        LINK_RECV_DATA_S stRqst;
        if (bGotRequest) {
            stRqst = objLink.objRec.Of(LinkEvent::Record).at(0).stRecord;
            LINK_SEND_DATA_S stRsp;
            stRsp.nSN = stRqst.nSN;
            stRsp.nAddr = stRqst.nAddr;
            stRsp.nFuncCode = stRqst.nFuncCode;
            stRsp.objData = QByteArray(1, char(6)) + Words({0x0102, 0x8000, 0xFFFE});
            objLink.objPort.PushSendData(stRsp, false);
        }
        objClient.join();
        QVERIFY(bGotRequest);
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
        CComParaMgr::GetComParaList() = {ComRecord(objPair.EndA())};
        CComLink objLink(objPair.EndA(), WORK_MODE_SLAVE);
        QSerialPort objPeer;
        objPeer.setPortName(objPair.EndB());
        QVERIFY(objPeer.open(QIODevice::ReadWrite));
        QVERIFY(objLink.Launch());
        for (quint8 i = 1; i <= 4; ++i)
            objPeer.write(RtuFrame(i, 0x03, Words({0, 8})));
        QVERIFY(objPeer.waitForBytesWritten(WAIT_MS));
        QVERIFY(objLink.objRec.WaitFor(LinkEvent::Record, LINK_RECV_OK, 4, WAIT_MS));
        QByteArray objExpected;
        for (const LinkEvent &stEvent : objLink.objRec.Of(LinkEvent::Record)) {
            LINK_SEND_DATA_S stRsp;
            stRsp.nSN = stEvent.stRecord.nSN;
            stRsp.nAddr = stEvent.stRecord.nAddr;
            stRsp.nFuncCode = 0x03;
            stRsp.objData = QByteArray(1, char(16)) + QByteArray(16, static_cast<char>('`' + stRsp.nAddr));
            objLink.objPort.PushSendData(stRsp, false);
            objExpected += RtuFrame(static_cast<quint8>(stRsp.nAddr), 0x03, stRsp.objData);
        }
        QByteArray objGot;
        QElapsedTimer objTimer;
        objTimer.start();
        while (objGot.size() <= objExpected.size() && objTimer.elapsed() < 1000) {
            objPeer.waitForReadyRead(20);
            objGot += objPeer.readAll();
        }
        QCOMPARE(objGot, objExpected);
    }

    void openFailuresAndFallbacks()
    {
        CSocatPair objPair;
        QVERIFY(objPair.Start());
        const QString strPty = objPair.EndA();
        CLogCapture objLog;

        // Not a serial port of this machine, whether or not a record exists.
        for (const QString &strName : {QStringLiteral("COM_NOPE"), QStringLiteral("/dev/no-such-tty")}) {
            CComParaMgr::GetComParaList() = {ComRecord(strName)};
            CComLink objLink(strName, WORK_MODE_MASTER);
            QVERIFY(!objLink.Launch());
            QVERIFY(objLink.objPort.wait(WAIT_MS)); // the thread ended by itself
            QVERIFY(objLog.Has("Port Open Failed by Invalid Port:", strName));
        }
        // A real port without a record.
        CComParaMgr::GetComParaList().clear();
        {
            CComLink objLink(strPty, WORK_MODE_MASTER);
            QVERIFY(!objLink.Launch());
            QVERIFY(objLog.Has("COM Port Para Get Failed:", strPty));
        }

        // Settings refused below us: a baud rate the serial layer rejects (the
        // pty driver itself takes any positive rate) and the 7 data bits of
        // ASCII, which the pty driver rejects. The port is closed again.
        const QList<QPair<COM_PARA_DATA_S, int>> lstRefused = {
            {ComRecord(strPty, TRANS_MODE_RTU, 0), 8},
            {ComRecord(strPty, TRANS_MODE_RTU, -5), 8},
            {ComRecord(strPty, TRANS_MODE_ASCII), 7},
        };
        for (const auto &objCase : lstRefused) {
            objLog.Clear();
            CComParaMgr::GetComParaList() = {objCase.first};
            CComLink objLink(strPty, WORK_MODE_MASTER);
            QVERIFY(!objLink.Launch());
            QVERIFY(objLog.Has("Port Open Failed by Para:", strPty));
            QVERIFY(!objLog.Has("Port Open Success:"));
            QCOMPARE(objLink.objPort.GetRequestedDataBits(), objCase.second);
            QVERIFY(!objLink.objPort.IsOpen());
            QVERIFY(CanOpen(strPty));
        }

        // Codes out of range fall back to no parity and one stop bit. This
        // open also asks for hardware flow control, which the pty driver takes.
        objLog.Clear();
        COM_PARA_DATA_S stOdd = ComRecord(strPty, TRANS_MODE_RTU, 115200);
        stOdd.nParity = 3;
        stOdd.nStopBits = 7;
        CComParaMgr::GetComParaList() = {stOdd};
        {
            CComLink objLink(strPty, WORK_MODE_MASTER);
            QVERIFY(objLink.Launch());
            QVERIFY(objLink.objPort.IsOpen());
            QCOMPARE(objLink.objPort.GetRequestedDataBits(), 8);
            QVERIFY(objLog.Has("Invalid COM Port Parity:" + strPty + "\" : 3"));
            QVERIFY(objLog.Has("Invalid COM Port StopBit:" + strPty + "\" : 7"));
            QVERIFY(objLog.Has("Port Open Success:", strPty));

            // The port is in use: a second link cannot open it.
            CComLink objSecond(strPty, WORK_MODE_MASTER);
            QVERIFY(!objSecond.Launch());
            QVERIFY(objLog.Has("Port Open Failed:", strPty));
            QVERIFY(objLink.objPort.IsOpen());
        }
        // Destroying the running link closed its port.
        QVERIFY(objLog.Has("Port Closed:", strPty));
        QVERIFY(CanOpen(strPty));
    }

    void refreshKeepsRecordsAndMarksPresence()
    {
        auto pPair = std::make_unique<CSocatPair>();
        QVERIFY(pPair->Start());
        const QString strPty = pPair->EndA();
        const QStringList lstEnum = EnumSerialPortNames();
        COM_PARA_DATA_S stPty = ComRecord(strPty, TRANS_MODE_ASCII, 19200);
        stPty.nPresent = 0;
        QList<COM_PARA_DATA_S> lstStart = {ComRecord(QStringLiteral("COM_GONE"), TRANS_MODE_RTU, 38400), stPty,
                                           ComRecord(QStringLiteral("/tmp/no-such-dir/ttyV9"))};
        // A machine port already known keeps its settings and its place.
        if (!lstEnum.isEmpty()) {
            lstStart.append(ComRecord(lstEnum.first(), TRANS_MODE_ASCII, 115200));
            lstStart.last().nPresent = 0;
        }
        CComParaMgr::GetComParaList() = lstStart;

        QList<COM_PARA_DATA_S> lstExpected = lstStart;
        lstExpected[0].nPresent = 0;
        lstExpected[1].nPresent = 1; // a pty path is a port of this machine
        lstExpected[2].nPresent = 0;
        for (int i = 0; i < lstEnum.size(); ++i) {
            COM_PARA_DATA_S stNew; // new ports: appended in order, with the defaults
            stNew.nPresent = 1;
            stNew.strPortName = lstEnum[i];
            if (i == 0)
                lstExpected[3].nPresent = 1;
            else
                lstExpected.append(stNew);
        }
        CComParaMgr::RefreshComList();
        QVERIFY(CComParaMgr::GetComParaList() == lstExpected);
        CComParaMgr::RefreshComList();
        QVERIFY(CComParaMgr::GetComParaList() == lstExpected);

        // The pair is gone: its record stays, not present.
        pPair.reset();
        lstExpected[1].nPresent = 0;
        CComParaMgr::RefreshComList();
        QVERIFY(CComParaMgr::GetComParaList() == lstExpected);
    }

    void setComParaReplacesAndAnnounces()
    {
        CComParaMgr::GetComParaList() = {ComRecord(QStringLiteral("ttyUSB7")), ComRecord(QStringLiteral("ttyUSB8"))};
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
    }
};

QTEST_GUILESS_MAIN(TstPortCom)
#include "tst_portcom.moc"
