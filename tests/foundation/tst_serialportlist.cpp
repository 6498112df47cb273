#include "serialportlist.h"
#include "socatpair.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TstSerialPortList : public QObject
{
    Q_OBJECT

private slots:
    void ptyPairEndsAreSerialPorts()
    {
        CSocatPair objPair;
        QVERIFY(objPair.Start());
        QVERIFY(IsTerminalDevicePath(objPair.EndA()));
        QVERIFY(IsMachineSerialPort(objPair.EndB()));
        // Checking must not disturb the pair: bytes still flow afterwards.
        QFile objA(objPair.EndA());
        QFile objB(objPair.EndB());
        QVERIFY(objA.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
        QVERIFY(objB.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
        QCOMPARE(objA.write("ok", 2), qint64(2));
        QByteArray objGot;
        for (int i = 0; i < 100 && objGot.size() < 2; ++i) {
            QTest::qWait(10);
            objGot += objB.read(2);
        }
        QCOMPARE(objGot, QByteArray("ok"));
    }

    void otherPathsAreNot()
    {
        QTemporaryDir objDir;
        QFile objFile(objDir.filePath(QStringLiteral("regular")));
        QVERIFY(objFile.open(QIODevice::WriteOnly));
        objFile.close();
        QVERIFY(!IsTerminalDevicePath(objFile.fileName()));
        QVERIFY(!IsTerminalDevicePath(QStringLiteral("/dev/null")));
        QVERIFY(!IsTerminalDevicePath(QStringLiteral("/dev/no-such-tty")));
        QVERIFY(!IsTerminalDevicePath(QStringLiteral("ttyS0"))); // a name, not a path
        QVERIFY(!IsMachineSerialPort(QString()));
        QVERIFY(!IsMachineSerialPort(QStringLiteral("COM1")));
    }

    void enumeratedNamesCount()
    {
        for (const QString &strName : EnumSerialPortNames())
            QVERIFY(IsMachineSerialPort(strName));
    }
};

QTEST_GUILESS_MAIN(TstSerialPortList)
#include "tst_serialportlist.moc"
