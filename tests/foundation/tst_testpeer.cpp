// The peers every link test leans on: if these do not work, nothing built on them proves anything.
#include "freeport.h"
#include "modbuspeer.h"
#include "socatpair.h"

#include <QFile>
#include <QTest>

#include <modbus/modbus.h>

class TstTestPeer : public QObject
{
    Q_OBJECT

private slots:
    void socatPairCarriesBytesBothWays()
    {
        CSocatPair objPair;
        QVERIFY(objPair.Start());
        QFile objA(objPair.EndA());
        QFile objB(objPair.EndB());
        QVERIFY(objA.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
        QVERIFY(objB.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
        QCOMPARE(objA.write("\x01\x03\x00", 3), qint64(3));
        QByteArray objGot;
        for (int i = 0; i < 100 && objGot.size() < 3; ++i) {
            QTest::qWait(10);
            objGot += objB.read(3 - objGot.size());
        }
        QCOMPARE(objGot, QByteArray("\x01\x03\x00", 3));
    }

    void tcpServerPeerAnswersLibmodbusClient()
    {
        CModbusServerPeer objPeer;
        objPeer.SetHolding(5, 0xBEEF);
        const int nPort = PickFreePort();
        QVERIFY(nPort > 0);
        QVERIFY(objPeer.StartTcp(QStringLiteral("127.0.0.1"), nPort));
        modbus_t *pCtx = modbus_new_tcp("127.0.0.1", nPort);
        QVERIFY(pCtx != nullptr);
        QCOMPARE(modbus_connect(pCtx), 0);
        uint16_t objRegs[2] = {0, 0};
        QCOMPARE(modbus_read_registers(pCtx, 4, 2, objRegs), 2);
        QCOMPARE(objRegs[1], uint16_t(0xBEEF));
        QCOMPARE(modbus_write_register(pCtx, 7, 0x1234), 1);
        modbus_close(pCtx);
        modbus_free(pCtx);
        QCOMPARE(objPeer.Holding(7), quint16(0x1234));
        QCOMPARE(objPeer.RequestCount(), 2);
    }

    void rtuPeerOverPtyPair()
    {
        CSocatPair objPair;
        QVERIFY(objPair.Start());
        CModbusServerPeer objPeer;
        objPeer.SetInput(0, 42);
        QVERIFY(objPeer.StartRtu(objPair.EndA(), 9600, 1));
        modbus_t *pCtx = modbus_new_rtu(objPair.EndB().toLocal8Bit().constData(), 9600, 'N', 8, 1);
        QVERIFY(pCtx != nullptr);
        modbus_set_slave(pCtx, 1);
        QCOMPARE(modbus_connect(pCtx), 0);
        uint16_t nReg = 0;
        QCOMPARE(modbus_read_input_registers(pCtx, 0, 1, &nReg), 1);
        QCOMPARE(nReg, uint16_t(42));
        modbus_close(pCtx);
        modbus_free(pCtx);
    }
};

QTEST_GUILESS_MAIN(TstTestPeer)
#include "tst_testpeer.moc"
