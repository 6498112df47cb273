#include "commonfunc.h"
#include "linkdefine.h"

#include <QTest>

#include <cmath>
#include <cstring>
#include <limits>

class TstCommonFunc : public QObject
{
    Q_OBJECT

private slots:
    // ---- display tables and show-type rules ----
    void lookupsOutsideTablesAreEmpty()
    {
        QCOMPARE(GetBlockName(7), QString());
        QCOMPARE(GetPrtcTypeName(5), QString());
        QCOMPARE(GetShowTypeName(7), QString());
        QCOMPARE(GetByteOderName(2), QString());
        QCOMPARE(GetDeviceTypeName(0), QString());
        QCOMPARE(GetDeviceTypeName(3), QString());
    }

    void lookupsFindByValueNotPosition()
    {
        // The block table is not in value order: position and value must not be mixed up.
        QCOMPARE(GetBlockTable().first().nValue, quint16(BLOCK_DISCRETE_INPUT));
        QCOMPARE(GetBlockName(BLOCK_COIL), QString::fromUtf8("线圈状态(RW)"));
    }

    void checkShowType_data()
    {
        QTest::addColumn<int>("prtc");
        QTest::addColumn<int>("show");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("out");
        QTest::newRow("BYTES with FLOAT corrected") << int(PRTC_TYPE_BYTES) << int(SHOW_TYPE_FLOAT) << false << int(SHOW_TYPE_BYTES);
        QTest::newRow("UINT with TIME kept") << int(PRTC_TYPE_UINT) << int(SHOW_TYPE_TIME) << true << int(SHOW_TYPE_TIME);
        QTest::newRow("INT with TIME corrected") << int(PRTC_TYPE_INT) << int(SHOW_TYPE_TIME) << false << int(SHOW_TYPE_FLOAT);
        QTest::newRow("BIT with HEX corrected") << int(PRTC_TYPE_BIT) << int(SHOW_TYPE_INT_HEX) << false << int(SHOW_TYPE_BIT);
        QTest::newRow("FLOAT with FLOAT kept") << int(PRTC_TYPE_FLOAT) << int(SHOW_TYPE_FLOAT) << true << int(SHOW_TYPE_FLOAT);
        QTest::newRow("unknown protocol keeps show type") << 9 << int(SHOW_TYPE_STRING) << false << int(SHOW_TYPE_STRING);
    }

    void checkShowType()
    {
        QFETCH(int, prtc);
        QFETCH(int, show);
        QFETCH(bool, ok);
        QFETCH(int, out);
        quint16 nOut = 0xFFFF;
        QCOMPARE(CheckShowType(quint16(prtc), quint16(show), nOut), ok);
        QCOMPARE(int(nOut), out);
    }

    // ---- hex text ----
    void bytesToHex()
    {
        QCOMPARE(ConvertBytesToHexString(QByteArray::fromHex("01ab00ff")), QStringLiteral("01 AB 00 FF "));
        QCOMPARE(ConvertBytesToHexString(QByteArray()), QString());
    }

    void hexToBytes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("documented example") << QStringLiteral("01 2 0x3A,FF") << QByteArray::fromHex("01023aff");
        QTest::newRow("plain pairs") << QStringLiteral("0103000A") << QByteArray::fromHex("0103000a");
        QTest::newRow("single digit last") << QStringLiteral("A") << QByteArray::fromHex("0a");
        QTest::newRow("single digit before blank") << QStringLiteral("A B") << QByteArray::fromHex("0a0b");
        QTest::newRow("odd digits pair from left") << QStringLiteral("123") << QByteArray::fromHex("1203");
        QTest::newRow("upper 0X prefix") << QStringLiteral("0XFF 0X01") << QByteArray::fromHex("ff01");
        QTest::newRow("lower case digits") << QStringLiteral("ab cd") << QByteArray::fromHex("abcd");
        QTest::newRow("tabs and newlines") << QStringLiteral("01\t02\r\n03") << QByteArray::fromHex("010203");
        QTest::newRow("semicolons and dashes") << QStringLiteral("01;02-03") << QByteArray::fromHex("010203");
        QTest::newRow("garbage pair gives zero") << QStringLiteral("GG 01") << QByteArray::fromHex("0001");
        QTest::newRow("characters above x skipped") << QStringLiteral("y01z{02}") << QByteArray::fromHex("0102");
        QTest::newRow("non-latin skipped") << QString::fromUtf8("字01") << QByteArray::fromHex("01");
        QTest::newRow("empty") << QString() << QByteArray();
        QTest::newRow("only separators") << QStringLiteral(" ,, ") << QByteArray();
    }

    void hexToBytes()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(ConvertHexStringToBytes(text), bytes);
    }

    void hexRoundTrip()
    {
        QByteArray objAll;
        for (int i = 0; i < 256; ++i)
            objAll.append(char(i));
        QCOMPARE(ConvertHexStringToBytes(ConvertBytesToHexString(objAll)), objAll);
    }

    // ---- packers ----
    void layouts_data()
    {
        // Value bytes most significant first are 11 22 33 44 (55 66 77 88).
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("byteOder");
        QTest::addColumn<int>("wordOder");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("16 big") << 16 << 0 << 0 << QByteArray::fromHex("1122");
        QTest::newRow("16 byte-swapped") << 16 << 1 << 0 << QByteArray::fromHex("2211");
        QTest::newRow("16 word order ignored") << 16 << 0 << 1 << QByteArray::fromHex("1122");
        QTest::newRow("16 both") << 16 << 1 << 1 << QByteArray::fromHex("2211");
        QTest::newRow("32 big") << 32 << 0 << 0 << QByteArray::fromHex("11223344");
        QTest::newRow("32 byte-swapped") << 32 << 1 << 0 << QByteArray::fromHex("22114433");
        QTest::newRow("32 word-swapped") << 32 << 0 << 1 << QByteArray::fromHex("33441122");
        QTest::newRow("32 little") << 32 << 1 << 1 << QByteArray::fromHex("44332211");
        QTest::newRow("64 big") << 64 << 0 << 0 << QByteArray::fromHex("1122334455667788");
        QTest::newRow("64 byte-swapped") << 64 << 1 << 0 << QByteArray::fromHex("2211443366558877");
        QTest::newRow("64 word-swapped") << 64 << 0 << 1 << QByteArray::fromHex("7788556633441122");
        QTest::newRow("64 little") << 64 << 1 << 1 << QByteArray::fromHex("8877665544332211");
    }

    void layouts()
    {
        QFETCH(int, width);
        QFETCH(int, byteOder);
        QFETCH(int, wordOder);
        QFETCH(QByteArray, wire);
        const quint16 nB = quint16(byteOder), nW = quint16(wordOder);
        if (width == 16) {
            QCOMPARE(PackUint16(0x1122, nB), wire);
            QCOMPARE(UnpackUint16(wire, nB), quint16(0x1122));
        } else if (width == 32) {
            QCOMPARE(PackUint32(0x11223344u, nB, nW), wire);
            QCOMPARE(UnpackUint32(wire, nB, nW), 0x11223344u);
            float fValue = 0;
            const quint32 nBits = 0x11223344u;
            std::memcpy(&fValue, &nBits, 4);
            QCOMPARE(PackFloat(fValue, nB, nW), wire);
            const float fBack = UnpackFloat(wire, nB, nW);
            QCOMPARE(std::memcmp(&fBack, &fValue, 4), 0);
        } else {
            QCOMPARE(PackUint64(0x1122334455667788ull, nB, nW), wire);
            QCOMPARE(UnpackUint64(wire, nB, nW), 0x1122334455667788ull);
            double fValue = 0;
            const quint64 nBits = 0x1122334455667788ull;
            std::memcpy(&fValue, &nBits, 8);
            QCOMPARE(PackDouble(fValue, nB, nW), wire);
            const double fBack = UnpackDouble(wire, nB, nW);
            QCOMPARE(std::memcmp(&fBack, &fValue, 8), 0);
        }
    }

    void roundTripsAtTheEdges()
    {
        const quint64 objValues[] = {0, 1, 0x7F, 0x80, 0xFF, 0x100, 0x7FFF, 0x8000, 0xFFFF, 0x7FFFFFFF,
                                     0x80000000u, 0xFFFFFFFFu, 0x7FFFFFFFFFFFFFFFull, 0x8000000000000000ull,
                                     std::numeric_limits<quint64>::max()};
        for (quint16 nB = 0; nB <= 1; ++nB) {
            for (quint16 nW = 0; nW <= 1; ++nW) {
                for (quint64 v : objValues) {
                    QCOMPARE(UnpackUint16(PackUint16(quint16(v), nB), nB), quint16(v));
                    QCOMPARE(UnpackUint32(PackUint32(quint32(v), nB, nW), nB, nW), quint32(v));
                    QCOMPARE(UnpackUint64(PackUint64(v, nB, nW), nB, nW), v);
                }
                for (double f : {0.0, -0.0, 1.5, -2.25, 1e300, -1e-300, std::numeric_limits<double>::infinity()}) {
                    QCOMPARE(UnpackDouble(PackDouble(f, nB, nW), nB, nW), f);
                    QCOMPARE(UnpackFloat(PackFloat(float(f), nB, nW), nB, nW), float(f));
                }
                const double fNan = UnpackDouble(PackDouble(std::nan(""), nB, nW), nB, nW);
                QVERIFY(std::isnan(fNan));
            }
        }
    }

    void wrongLengthsGiveZero()
    {
        const QByteArray objLens[] = {QByteArray(), QByteArray(1, '\x7f'), QByteArray(3, '\x7f'),
                                      QByteArray(5, '\x7f'), QByteArray(7, '\x7f'), QByteArray(9, '\x7f')};
        for (const QByteArray &objBytes : objLens) {
            QCOMPARE(UnpackUint16(objBytes, 0), quint16(0));
            QCOMPARE(UnpackUint32(objBytes, 0, 0), 0u);
            QCOMPARE(UnpackUint64(objBytes, 1, 1), 0ull);
            QCOMPARE(UnpackFloat(objBytes, 0, 0), 0.0f);
            QCOMPARE(UnpackDouble(objBytes, 1, 0), 0.0);
        }
        QCOMPARE(UnpackUint16(QByteArray(4, '\x7f'), 0), quint16(0));
        QCOMPARE(UnpackUint32(QByteArray(8, '\x7f'), 0, 0), 0u);
        QCOMPARE(UnpackUint64(QByteArray(4, '\x7f'), 0, 0), 0ull);
    }

    // ---- environment and time ----
    void computerNameIsWholeEnvironmentEntry()
    {
        qputenv("COMPUTERNAME", "PLANT-PC-7");
        QCOMPARE(GetComputerName(), QStringLiteral("COMPUTERNAME=PLANT-PC-7"));
        qunsetenv("COMPUTERNAME");
        QCOMPARE(GetComputerName(), QStringLiteral("Unknow Computer"));
    }

    void timeHelpers()
    {
        QCOMPARE(EpochToTimeString(0, Qt::UTC), QStringLiteral("1970-01-01 00:00:00"));
        QCOMPARE(EpochToTimeString(4294967295LL, Qt::UTC), QStringLiteral("2106-02-07 06:28:15"));
        const qint64 nToday = GetTodayStartTime();
        const QDateTime objMidnight = QDateTime::fromSecsSinceEpoch(nToday);
        QCOMPARE(objMidnight.time(), QTime(0, 0, 0));
        QVERIFY(QDateTime::currentSecsSinceEpoch() - nToday < 25 * 3600);

        SaveStartTime();
        QVERIFY(qAbs(GetStartTime() - QDateTime::currentSecsSinceEpoch()) <= 1);
    }

    // ---- link vocabulary ----
    void procErrPrefixes()
    {
        for (int n = 0; n <= 8; ++n)
            QVERIFY(QByteArray(GetLinkProcErrPrefix(LINK_PROC_ERR_EN(n))).endsWith(' '));
        QCOMPARE(GetLinkProcErrPrefix(LINK_PROC_ERR_EN(9)), nullptr);
        QCOMPARE(GetLinkProcErrPrefix(LINK_PROC_ERR_EN(-1)), nullptr);
    }

    void netNameRule()
    {
        QVERIFY(IsNetPortName(QStringLiteral("NET-1")));
        QVERIFY(IsNetPortName(QStringLiteral("myNETlink")));
        QVERIFY(!IsNetPortName(QStringLiteral("net-1")));
        QVERIFY(!IsNetPortName(QStringLiteral("/dev/ttyUSB0")));
        QVERIFY(!IsNetPortName(QString()));
    }

    void recordsTravelThroughQueuedSignals()
    {
        RegisterLinkMetaTypes();
        QCOMPARE(QMetaType::type("LINK_SEND_DATA_S"), qMetaTypeId<LINK_SEND_DATA_S>());
        QCOMPARE(QMetaType::type("LINK_RECV_DATA_S"), qMetaTypeId<LINK_RECV_DATA_S>());
        QCOMPARE(QMetaType::type("LINK_PROC_ERR_EN"), qMetaTypeId<LINK_PROC_ERR_EN>());
    }
};

QTEST_GUILESS_MAIN(TstCommonFunc)
#include "tst_commonfunc.moc"
