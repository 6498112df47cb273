#include "common/framebytes.h"
#include "ccfgfilemgr.h"
#include "commonfunc.h"

#include <QtTest>

namespace {

DEVICE_DATA_CFG_S Point(quint16 nPrtc, quint16 nShow, quint16 nSize, quint16 nByte = 0, quint16 nWord = 0,
                        double fGain = 1.0)
{
    DEVICE_DATA_CFG_S objCfg;
    objCfg.strName = QStringLiteral("p");
    objCfg.nPrtcType = nPrtc;
    objCfg.nShowType = nShow;
    objCfg.nSize = nSize;
    objCfg.nByteOder = nByte;
    objCfg.nWordOder = nWord;
    objCfg.fGain = fGain;
    return objCfg;
}

} // namespace

class TstCfgConvert : public QObject
{
    Q_OBJECT

private slots:
    // Fixed pairs of (configuration, wire bytes, shown text) that hold in both directions.
    void bothWays_data()
    {
        QTest::addColumn<int>("nPrtc");
        QTest::addColumn<int>("nShow");
        QTest::addColumn<int>("nSize");
        QTest::addColumn<int>("nByte");
        QTest::addColumn<int>("nWord");
        QTest::addColumn<double>("fGain");
        QTest::addColumn<QByteArray>("objWire");
        QTest::addColumn<QString>("strShown");

        QTest::newRow("int16 float gain 0.01 negative") << 0 << 0 << 1 << 0 << 0 << 0.01 << Hex("FF FF") << "-0.01";
        QTest::newRow("int32 float gain 0.1 byte-swapped") << 0 << 0 << 2 << 1 << 0 << 0.1 << Hex("00 00 D2 04") << "123.4";
        QTest::newRow("int64 dec fully little") << 0 << 2 << 4 << 1 << 1 << 1.0 << Hex("FE FF FF FF FF FF FF FF") << "-2";
        QTest::newRow("int16 hex negative") << 0 << 3 << 1 << 0 << 0 << 1.0 << Hex("FF FE") << "0XFFFE";
        QTest::newRow("uint16 float gain 0.1") << 1 << 0 << 1 << 0 << 0 << 0.1 << Hex("04 D2") << "123.4";
        QTest::newRow("uint32 dec byte-swapped") << 1 << 2 << 2 << 1 << 0 << 1.0 << Hex("34 12 78 56") << "305419896";
        QTest::newRow("uint64 dec all ones") << 1 << 2 << 4 << 0 << 0 << 1.0 << Hex("FF FF FF FF FF FF FF FF")
                                             << "18446744073709551615";
        QTest::newRow("uint64 hex both swaps") << 1 << 3 << 4 << 1 << 1 << 1.0 << Hex("08 07 06 05 04 03 02 01")
                                               << "0X0102030405060708";
        QTest::newRow("time epoch") << 1 << 6 << 2 << 0 << 0 << 1.0 << Hex("00 00 00 00") << "1970-01-01 00:00:00";
        QTest::newRow("time last second of u32") << 1 << 6 << 2 << 0 << 0 << 1.0 << Hex("FF FF FF FF")
                                                 << "2106-02-07 06:28:15";
        QTest::newRow("float single") << 2 << 0 << 2 << 0 << 0 << 1.0 << Hex("3F C0 00 00") << "1.500000";
        QTest::newRow("float double little") << 2 << 0 << 4 << 1 << 1 << 1.0 << Hex("00 00 00 00 00 00 F8 3F")
                                             << "1.500000";
        // Six decimals where they give the value back, else the fewest digits that do.
        QTest::newRow("float 0.1 as six decimals") << 2 << 0 << 2 << 0 << 0 << 1.0 << Hex("3D CC CC CD") << "0.100000";
        QTest::newRow("float tiny") << 2 << 0 << 2 << 0 << 0 << 1.0 << Hex("33 FF 8C F1") << "1.19e-07";
        QTest::newRow("double nine decimals") << 2 << 0 << 4 << 0 << 0 << 1.0 << Hex("3F BF 9A DD 37 39 63 5F")
                                              << "0.123456789";
        QTest::newRow("double tiny negative") << 2 << 0 << 4 << 0 << 0 << 1.0 << Hex("81 A5 6E 1F C2 F8 F3 59")
                                              << "-1e-300";
        QTest::newRow("bytes hex") << 3 << 4 << 2 << 0 << 0 << 1.0 << Hex("01 02 0A 0B") << "01 02 0A 0B ";
        QTest::newRow("bytes string") << 3 << 5 << 2 << 0 << 0 << 1.0 << Hex("41 42 43 44") << "ABCD";
    }

    void bothWays()
    {
        QFETCH(int, nPrtc);
        QFETCH(int, nShow);
        QFETCH(int, nSize);
        QFETCH(int, nByte);
        QFETCH(int, nWord);
        QFETCH(double, fGain);
        QFETCH(QByteArray, objWire);
        QFETCH(QString, strShown);
        const DEVICE_DATA_CFG_S objCfg = Point(quint16(nPrtc), quint16(nShow), quint16(nSize), quint16(nByte),
                                               quint16(nWord), fGain);
        QCOMPARE(CCfgFileMgr::ConvertDataFromNetBytes(objCfg, objWire), strShown);
        QCOMPARE(CCfgFileMgr::ConvertDataFromStringToNet(objCfg, strShown).toHex(' '), objWire.toHex(' '));
    }

    // Display direction failures and quirks.
    void shownFromWireEdges()
    {
        QCOMPARE(CCfgFileMgr::ConvertDataFromNetBytes(Point(0, 0, 3), Hex("00 00 00 00 00 00")), QString("ERROR"));
        QCOMPARE(CCfgFileMgr::ConvertDataFromNetBytes(Point(1, 6, 1), Hex("00 01")), QString("ERROR"));
        QCOMPARE(CCfgFileMgr::ConvertDataFromNetBytes(Point(2, 0, 2), Hex("3F C0 00")), QString("ERROR"));
        QCOMPARE(CCfgFileMgr::ConvertDataFromNetBytes(Point(2, 0, 1), Hex("3F C0")), QString("ERROR"));
        QCOMPARE(CCfgFileMgr::ConvertDataFromNetBytes(Point(4, 1, 1), Hex("01")), QString("ERROR"));
        QCOMPARE(CCfgFileMgr::ConvertDataFromNetBytes(Point(0, 4, 1), Hex("00 01")), QString("ERROR"));
        QCOMPARE(CCfgFileMgr::ConvertDataFromNetBytes(Point(7, 0, 1), Hex("00 01")), QString("ERROR"));
        // Integers do not check the byte count: a short array reads as 0.
        QCOMPARE(CCfgFileMgr::ConvertDataFromNetBytes(Point(0, 2, 2), Hex("00 00 01")), QString("0"));
        // A string ends at its first zero byte.
        QCOMPARE(CCfgFileMgr::ConvertDataFromNetBytes(Point(3, 5, 2), Hex("41 00 43 44")), QString("A"));
        // Zero times a negative gain shows as 0, not -0.
        QCOMPARE(CCfgFileMgr::ConvertDataFromNetBytes(Point(1, 0, 1, 0, 0, -1.0), Hex("00 00")), QString("0"));
    }

    // Entry direction refusals: an empty array never reaches the wire.
    void entryRefused_data()
    {
        QTest::addColumn<int>("nPrtc");
        QTest::addColumn<int>("nShow");
        QTest::addColumn<int>("nSize");
        QTest::addColumn<double>("fGain");
        QTest::addColumn<QString>("strText");

        QTest::newRow("gain 0 int") << 0 << 0 << 1 << 0.0 << "1";
        QTest::newRow("gain 0 float protocol") << 2 << 0 << 2 << 0.0 << "1";
        QTest::newRow("float show on bytes") << 3 << 0 << 1 << 1.0 << "1";
        QTest::newRow("float show size 3") << 0 << 0 << 3 << 1.0 << "1";
        QTest::newRow("not a number") << 0 << 2 << 1 << 1.0 << "abc";
        QTest::newRow("int16 too big") << 0 << 2 << 1 << 1.0 << "32768";
        QTest::newRow("uint negative") << 1 << 2 << 2 << 1.0 << "-1";
        QTest::newRow("uint64 overflow") << 1 << 2 << 4 << 1.0 << "18446744073709551616";
        QTest::newRow("float show 1e12 into int16") << 0 << 0 << 1 << 1.0 << "1e12";
        QTest::newRow("single float overflow") << 2 << 0 << 2 << 1.0 << "1e40";
        QTest::newRow("dec on float protocol") << 2 << 2 << 2 << 1.0 << "1";
        QTest::newRow("bit on int protocol") << 0 << 1 << 1 << 1.0 << "1";
        QTest::newRow("bytes odd digits") << 3 << 4 << 2 << 1.0 << "0102 0A";
        QTest::newRow("bytes not hex") << 3 << 4 << 1 << 1.0 << "0G 01";
        QTest::newRow("time on size 1") << 1 << 6 << 1 << 1.0 << "1970-01-01 00:00:00";
        QTest::newRow("time not a date") << 1 << 6 << 2 << 1.0 << "yesterday";
        QTest::newRow("time after 2106") << 1 << 6 << 2 << 1.0 << "2106-02-07 06:28:16";
        QTest::newRow("unknown show type") << 1 << 9 << 1 << 1.0 << "1";
    }

    void entryRefused()
    {
        QFETCH(int, nPrtc);
        QFETCH(int, nShow);
        QFETCH(int, nSize);
        QFETCH(double, fGain);
        QFETCH(QString, strText);
        const DEVICE_DATA_CFG_S objCfg = Point(quint16(nPrtc), quint16(nShow), quint16(nSize), 0, 0, fGain);
        QVERIFY(CCfgFileMgr::ConvertDataFromStringToNet(objCfg, strText).isEmpty());
    }

    void entryEdges()
    {
        // Strings fill exactly 2 x Size bytes.
        QCOMPARE(CCfgFileMgr::ConvertDataFromStringToNet(Point(3, 5, 2), "ABCDEF"), Hex("41 42 43 44"));
        QCOMPARE(CCfgFileMgr::ConvertDataFromStringToNet(Point(3, 5, 2), "A"), Hex("41 00 00 00"));
        QCOMPARE(CCfgFileMgr::ConvertDataFromStringToNet(Point(3, 5, 1), QString::fromUtf8("é中")), Hex("E9 00"));
        // A bit keeps only its lowest bit.
        QCOMPARE(CCfgFileMgr::ConvertDataFromStringToNet(Point(4, 1, 1), "3"), Hex("01"));
        QCOMPARE(CCfgFileMgr::ConvertDataFromStringToNet(Point(4, 1, 1), "2"), Hex("00"));
        // Hex entries take an optional prefix in either case and a sign.
        QCOMPARE(CCfgFileMgr::ConvertDataFromStringToNet(Point(0, 3, 1), "0xfffe"), Hex("FF FE"));
        QCOMPARE(CCfgFileMgr::ConvertDataFromStringToNet(Point(0, 3, 1), "-2"), Hex("FF FE"));
        // Entered values are cut toward zero, not rounded.
        QCOMPARE(CCfgFileMgr::ConvertDataFromStringToNet(Point(0, 0, 1, 0, 0, 0.1), "12.37"), Hex("00 7B"));
        QCOMPARE(CCfgFileMgr::ConvertDataFromStringToNet(Point(0, 0, 1, 0, 0, 0.1), "-12.37"), Hex("FF 85"));
        // A negative gain flips the sign of the raw value.
        QCOMPARE(CCfgFileMgr::ConvertDataFromStringToNet(Point(0, 0, 1, 0, 0, -0.5), "2"), Hex("FF FC"));
        // The float protocol ignores the gain and takes the width from Size.
        QCOMPARE(CCfgFileMgr::ConvertDataFromStringToNet(Point(2, 0, 4, 0, 0, 10.0), "1.5"),
                 Hex("3F F8 00 00 00 00 00 00"));
        // Blanks anywhere in a byte string are ignored.
        QCOMPARE(CCfgFileMgr::ConvertDataFromStringToNet(Point(3, 4, 2), " 0102 0A0b "), Hex("01 02 0A 0B"));
    }

    void localNumbers()
    {
        QCOMPARE(CCfgFileMgr::ConvertDataFromLocalString(Point(2, 0, 2), "1.5"), 1.5);
        // A double, or an integer beyond a float's 24 bits, keeps its digits.
        QCOMPARE(CCfgFileMgr::ConvertDataFromLocalString(Point(2, 0, 4), "0.123456789"), 0.123456789);
        QCOMPARE(CCfgFileMgr::ConvertDataFromLocalString(Point(1, 0, 2), "16777217"), 16777217.0);
        QCOMPARE(CCfgFileMgr::ConvertDataFromLocalString(Point(4, 1, 1), "1"), 1.0);
        QCOMPARE(CCfgFileMgr::ConvertDataFromLocalString(Point(0, 2, 4), "-2"), -2.0);
        QCOMPARE(CCfgFileMgr::ConvertDataFromLocalString(Point(1, 2, 4), "18446744073709551615"),
                 18446744073709551615.0);
        QCOMPARE(CCfgFileMgr::ConvertDataFromLocalString(Point(0, 3, 1), "0XFFFE"), -2.0);
        QCOMPARE(CCfgFileMgr::ConvertDataFromLocalString(Point(1, 3, 1), "0XFFFE"), 65534.0);
        QCOMPARE(CCfgFileMgr::ConvertDataFromLocalString(Point(1, 3, 4), "0XFFFFFFFFFFFFFFFF"),
                 18446744073709551615.0);
        QCOMPARE(CCfgFileMgr::ConvertDataFromLocalString(Point(3, 5, 1), "12"), 0.0);
    }

    void gainDecimals()
    {
        QCOMPARE(CCfgFileMgr::GainDecimals(1.0), 0);
        QCOMPARE(CCfgFileMgr::GainDecimals(0.1), 1);
        QCOMPARE(CCfgFileMgr::GainDecimals(0.25), 2);
        QCOMPARE(CCfgFileMgr::GainDecimals(0.001), 3);
        QCOMPARE(CCfgFileMgr::GainDecimals(0.123456789), 8);
        QCOMPARE(CCfgFileMgr::GainDecimals(1e-9), 0);
        QCOMPARE(CCfgFileMgr::GainDecimals(-0.01), 2);
        QCOMPARE(CCfgFileMgr::GainDecimals(12.5), 1);
        QCOMPARE(CCfgFileMgr::GainDecimals(qInf()), 0);
        QCOMPARE(CCfgFileMgr::GainDecimals(qQNaN()), 0);
        for (int i = 1; i <= 9; ++i) {
            QCOMPARE(CCfgFileMgr::GainDecimals(i / 10.0), 1);
            QCOMPARE(CCfgFileMgr::GainDecimals(i / 100.0), 2);
        }
    }

    // Every allowed (protocol, show) pair, every width and every order: what is
    // entered, sent and received again shows as it was entered.
    void roundTripAcrossTable()
    {
        struct SAMPLE_S
        {
            quint16 nPrtc;
            quint16 nShow;
            QList<quint16> objSizes;
            double fGain;
            QStringList objTexts; // as they show
        };
        const QList<SAMPLE_S> objSamples = {
            {PRTC_TYPE_INT, SHOW_TYPE_FLOAT, {1, 2, 4}, 0.1, {"-3276.8", "0.0", "12.3", "3276.7"}},
            {PRTC_TYPE_INT, SHOW_TYPE_INT_DEC, {1, 2, 4}, 1.0, {"-32768", "-1", "0", "32767"}},
            {PRTC_TYPE_INT, SHOW_TYPE_INT_HEX, {1}, 1.0, {"0X8000", "0XFFFF", "0X0000", "0X7FFF"}},
            {PRTC_TYPE_INT, SHOW_TYPE_INT_HEX, {2}, 1.0, {"0X80000000", "0XFFFFFFFE", "0X00ABCDEF"}},
            {PRTC_TYPE_INT, SHOW_TYPE_INT_HEX, {4}, 1.0, {"0X8000000000000000", "0XFFFFFFFFFFFFFFFF"}},
            {PRTC_TYPE_UINT, SHOW_TYPE_FLOAT, {1, 2, 4}, 0.01, {"0.00", "655.35", "1.23"}},
            {PRTC_TYPE_UINT, SHOW_TYPE_INT_DEC, {1, 2, 4}, 1.0, {"0", "1", "65535"}},
            {PRTC_TYPE_UINT, SHOW_TYPE_INT_HEX, {1}, 1.0, {"0X0000", "0XBEEF", "0XFFFF"}},
            {PRTC_TYPE_UINT, SHOW_TYPE_INT_HEX, {4}, 1.0, {"0X0123456789ABCDEF", "0XFFFFFFFFFFFFFFFF"}},
            {PRTC_TYPE_UINT, SHOW_TYPE_TIME, {2}, 1.0,
             {"1970-01-01 00:00:00", "2024-02-29 12:34:56", "2106-02-07 06:28:15"}},
            {PRTC_TYPE_FLOAT, SHOW_TYPE_FLOAT, {2, 4}, 1.0, {"1.500000", "-2.250000", "0.000000", "1024.125000"}},
            {PRTC_TYPE_BYTES, SHOW_TYPE_BYTES, {1, 3}, 1.0, {}},
            {PRTC_TYPE_BYTES, SHOW_TYPE_STRING, {1, 3}, 1.0, {"AB", "A", ""}},
            {PRTC_TYPE_BIT, SHOW_TYPE_BIT, {1}, 1.0, {}},
        };
        int nChecked = 0;
        for (const SAMPLE_S &objSample : objSamples) {
            QVERIFY(GetShowTypeList(objSample.nPrtc).contains(objSample.nShow));
            for (quint16 nSize : objSample.objSizes) {
                QStringList objTexts = objSample.objTexts;
                if (objSample.nShow == SHOW_TYPE_BYTES)
                    objTexts = QStringList(QString("00 FF 10 ab 7F 80 ").left(6 * nSize).toUpper());
                for (quint16 nByte = 0; nByte < 2; ++nByte) {
                    for (quint16 nWord = 0; nWord < 2; ++nWord) {
                        const DEVICE_DATA_CFG_S objCfg =
                            Point(objSample.nPrtc, objSample.nShow, nSize, nByte, nWord, objSample.fGain);
                        for (const QString &strText : objTexts) {
                            const QByteArray objWire = CCfgFileMgr::ConvertDataFromStringToNet(objCfg, strText);
                            QVERIFY2(objWire.size() == 2 * nSize,
                                     qPrintable(QString("%1 size %2").arg(strText).arg(nSize)));
                            QCOMPARE(CCfgFileMgr::ConvertDataFromNetBytes(objCfg, objWire), strText);
                            ++nChecked;
                        }
                    }
                }
            }
        }
        QVERIFY(nChecked > 200);
    }
};

QTEST_GUILESS_MAIN(TstCfgConvert)
#include "tst_cfgconvert.moc"
