// Configuration store, value conversion between wire bytes and shown text,
// the project file and device templates on real files.

#include <QtTest>
#include <functional>
#include <unistd.h>

#include "ccfgfilemgr.h"
#include "commonfunc.h"
#include "common/filesizelimit.h"
#include "common/framebytes.h"
#include "csvtable.h"
#include "cxmlbuffer.h"

namespace {

enum Way { BOTH, SHOWN, ENTERED };
enum Order { BIG = 0, BYTES_SWAPPED = 1, WORDS_SWAPPED = 2, LITTLE = 3 };

DEVICE_DATA_CFG_S Cfg(int nPrtc, int nShow, int nSize, int nOrder = BIG, double fGain = 1.0)
{
    DEVICE_DATA_CFG_S objCfg;
    objCfg.strName = QStringLiteral("p");
    objCfg.nPrtcType = quint16(nPrtc);
    objCfg.nShowType = quint16(nShow);
    objCfg.nSize = quint16(nSize);
    objCfg.nByteOder = quint16(nOrder & 1);
    objCfg.nWordOder = quint16(nOrder >> 1);
    objCfg.fGain = fGain;
    return objCfg;
}

DEVICE_DATA_CFG_S Point(quint32 nID, quint16 nBlock, quint16 nAddr, quint16 nSize, const QString &strName = QString())
{
    DEVICE_DATA_CFG_S objCfg;
    objCfg.nID = nID;
    objCfg.nBlock = nBlock;
    objCfg.nAddr = nAddr;
    objCfg.nSize = nSize;
    objCfg.strName = strName.isEmpty() ? QStringLiteral("P%1").arg(nID) : strName;
    return objCfg;
}

QList<quint32> Ids(const QList<DEVICE_DATA_CFG_S> &objList)
{
    QList<quint32> objIds;
    for (const DEVICE_DATA_CFG_S &objCfg : objList)
        objIds.append(objCfg.nID);
    return objIds;
}

QByteArray ReadAll(const QString &strPath)
{
    QFile objFile(strPath);
    return objFile.open(QIODevice::ReadOnly) ? objFile.readAll() : QByteArray();
}

bool WriteAll(const QString &strPath, const QByteArray &objBytes)
{
    QFile objFile(strPath);
    return objFile.open(QIODevice::WriteOnly | QIODevice::Truncate) && objFile.write(objBytes) == objBytes.size();
}

struct STORE_IMAGE_S
{
    QMap<QString, DEVICE_COMMON_ATTR_S> objAttrs;
    QMap<QString, QList<DEVICE_DATA_CFG_S>> objData;
    QList<COM_PARA_DATA_S> objComs;
    QList<NET_PARA_DATA_S> objNets;
    bool operator==(const STORE_IMAGE_S &o) const
    {
        return objAttrs == o.objAttrs && objData == o.objData && objComs == o.objComs && objNets == o.objNets;
    }
};

STORE_IMAGE_S Snapshot(CCfgFileMgr *pMgr)
{
    STORE_IMAGE_S objImage{pMgr->GetDeviceAttrMap(), {}, pMgr->GetComParaList(), pMgr->GetNetParaList()};
    for (const QString &strName : objImage.objAttrs.keys())
        objImage.objData.insert(strName, pMgr->GetDeviceDataCfgList(strName));
    return objImage;
}

const char *const GOLDEN_PROJECT =
    "<?xml version=\"1.0\"?>\n"
    "<Kestrix>\n"
    "\t<PORT_LIST>\n"
    "\t\t<COM Name=\"COM3\" Baund=\"19200\" Parity=\"2\" StopBit=\"1\" TransMode=\"1\" BreakTime=\"15\" />\n"
    "\t</PORT_LIST>\n"
    "\t<DEVICE_LIST>\n"
    "\t\t<DEVICE Name=\"Boiler &amp; Pump\" PortName=\"COM3\" DeviceType=\"2\" Addr=\"17\" ForwardZero=\"1\" "
    "AddrOffset=\"-2\" PackWay=\"1\" BitGap=\"8\" RegGap=\"4\" OneReg10=\"1\" OneCoil0F=\"0\" BCast1=\"0\" "
    "BCast2=\"255\" IsBCDevice=\"0\">\n"
    "\t\t\t<DATA_LIST>\n"
    "\t\t\t\t<DATA Name=\"出水温度\" BLOCK=\"2\" PrtcTYPE=\"1\" Unit=\"℃\" ShowType=\"0\" Addr=\"100\" "
    "Gain=\"0.10000000000000001\" Size=\"1\" Range=\"0-150\" ByteOder=\"0\" WordOder=\"1\" IntervalTime=\"500\" "
    "IsShow=\"1\" IsBRead=\"1\" IsBWrite=\"0\">\n"
    "\t\t\t\t\t<TIMEOUT Time=\"1500\" ResendCount=\"2\" />\n"
    "\t\t\t\t\t<CURVE IsShow=\"1\" />\n"
    "\t\t\t\t\t<VALUE Stategy=\"3\" TimeBngrWay=\"2\" Coef_a=\"10\" Coef_b=\"1\" Coef_c=\"5\" Coef_d=\"0\" "
    "Coef_e=\"0\" ResetStep=\"0.5\" XInvl=\"10\" MaxRadom=\"0.25\" MinRadom=\"-0.25\" MaxValue=\"150\" "
    "MinValue=\"0\" />\n"
    "\t\t\t\t</DATA>\n"
    "\t\t\t</DATA_LIST>\n"
    "\t\t</DEVICE>\n"
    "\t</DEVICE_LIST>\n"
    "</Kestrix>\n";

} // namespace

class TstConfig : public QObject
{
    Q_OBJECT

private:
    CCfgFileMgr *m_pMgr = CCfgFileMgr::GetInstance();
    QTemporaryDir *m_pDir = nullptr;
    QString m_strOldCwd;
    const QString m_strMaster = QString::fromUtf8("A 主机 <\"&'>");

    QString Path(const QString &strName) const { return m_pDir->filePath(strName); }

    // Links of both kinds, a master, a slave and an empty device, points of
    // every protocol and show type with simulated settings and awkward texts.
    void FillRichStore()
    {
        m_pMgr->GetComParaList() = {{0, "COM1", 0, 0, 0, 9600, 10}, {0, "/dev/ttyUSB0", 2, 1, 2, 115200, 3}};
        m_pMgr->GetNetParaList() = {{"NET_A", "127.0.0.1", 0, 2, 502, 15}, {"NET_B", "192.168.0.7", 2, 3, 65535, 1}};
        m_pMgr->AddDeviceAttrCfg("z slave", {"NET_B", DEVICE_TYPE_SLAVE, 247, 0, -32768, 0, 0, 0, 0, 0, 0, 0, 1});
        const DEVICE_COMMON_ATTR_S objMaster = {"COM1", DEVICE_TYPE_MASTER, 1, 1, 32767, 2, 16, 65535, 1, 1, 0, 255, 0};
        m_pMgr->AddDeviceAttrCfg(m_strMaster, objMaster);
        m_pMgr->AddDeviceAttrCfg("empty device", objMaster);
        QList<DEVICE_DATA_CFG_S> objPoints;
        for (quint16 nPrtc = 0; nPrtc <= PRTC_TYPE_BIT; ++nPrtc) {
            for (quint16 nShow : GetShowTypeList(nPrtc)) {
                const quint16 nAddr = quint16(objPoints.size() * 7);
                const quint16 nSize = nPrtc == PRTC_TYPE_BIT ? 1 : (nPrtc == PRTC_TYPE_BYTES ? 5 : 4);
                const double fGain = nShow == SHOW_TYPE_FLOAT ? 1.0 / 3.0 : -1e-300;
                const DATA_VALUE_CFG_S objV = {quint16(nShow % 5), "1.5", "-2", "", "x", "1e3", 0, 2, 0.1,
                                               1e300, -0.0, 123456789.123456789, -5e-324};
                objPoints.append({0, nAddr, nSize, nShow, nPrtc, quint16(nAddr % 4), quint16(nAddr % 2),
                                  quint16(nAddr / 2 % 2), quint16(nShow % 2), 0, 1, fGain, 4294967295u, 3, 0, 1, objV,
                                  QString::fromUtf8("点 %1\t\"q\" <b> & 'a'\n\x01").arg(nAddr), "m/s²", ""});
            }
        }
        m_pMgr->ReplaceDeviceDataCfgList(m_strMaster, objPoints);
        m_pMgr->ReplaceDeviceDataCfgList("z slave", objPoints.mid(0, 3));
        // A written-back list resets the simulated settings of new IDs: put them back.
        for (const QString &strName : {m_strMaster, QString("z slave")}) {
            QList<DEVICE_DATA_CFG_S> &objList = m_pMgr->GetDeviceDataCfgList(strName);
            for (int i = 0; i < objList.size(); ++i)
                objList[i].objValueCfg = objPoints.at(i).objValueCfg;
        }
    }

private slots:
    void init()
    {
        m_pDir = new QTemporaryDir();
        QVERIFY(m_pDir->isValid());
        m_strOldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_pDir->path()));
        m_pMgr->ClearCfg();
        m_pMgr->SetCfgFilePath(QString());
    }

    void cleanup()
    {
        QDir::setCurrent(m_strOldCwd);
        delete m_pDir;
    }

    // Wire bytes and shown text of one point: both ways, only shown (the
    // display's quirks and failures), or only entered (refused: no bytes).
    void conversions_data()
    {
        QTest::addColumn<int>("nPrtc");
        QTest::addColumn<int>("nShow");
        QTest::addColumn<int>("nSize");
        QTest::addColumn<int>("nOrder");
        QTest::addColumn<double>("fGain");
        QTest::addColumn<QByteArray>("objWire");
        QTest::addColumn<QString>("strText");
        QTest::addColumn<int>("nWay");
        auto fnRow = [](const char *pName, int nPrtc, int nShow, int nSize, int nOrder, double fGain, const char *pWire,
                        const char *pText, Way enWay) {
            QTest::newRow(pName) << nPrtc << nShow << nSize << nOrder << fGain << Hex(pWire) << QString::fromUtf8(pText)
                                 << int(enWay);
        };
        const int I = PRTC_TYPE_INT, U = PRTC_TYPE_UINT, F = PRTC_TYPE_FLOAT, B = PRTC_TYPE_BYTES, T = PRTC_TYPE_BIT;
        const int FL = SHOW_TYPE_FLOAT, DEC = SHOW_TYPE_INT_DEC, HEX = SHOW_TYPE_INT_HEX, BY = SHOW_TYPE_BYTES,
                  STR = SHOW_TYPE_STRING, TIM = SHOW_TYPE_TIME, BIT = SHOW_TYPE_BIT;
        fnRow("int16 gain 0.01 negative", I, FL, 1, BIG, 0.01, "FFFF", "-0.01", BOTH);
        fnRow("int32 gain 0.1 byte-swapped", I, FL, 2, BYTES_SWAPPED, 0.1, "0000D204", "123.4", BOTH);
        fnRow("int64 little", I, DEC, 4, LITTLE, 1, "FEFFFFFFFFFFFFFF", "-2", BOTH);
        fnRow("int16 hex negative", I, HEX, 1, BIG, 1, "FFFE", "0XFFFE", BOTH);
        fnRow("uint16 gain 0.1", U, FL, 1, BIG, 0.1, "04D2", "123.4", BOTH);
        fnRow("uint32 byte-swapped", U, DEC, 2, BYTES_SWAPPED, 1, "34127856", "305419896", BOTH);
        fnRow("uint32 word-swapped", U, DEC, 2, WORDS_SWAPPED, 1, "56781234", "305419896", BOTH);
        fnRow("uint64 all ones", U, DEC, 4, BIG, 1, "FFFFFFFFFFFFFFFF", "18446744073709551615", BOTH);
        fnRow("uint64 hex little", U, HEX, 4, LITTLE, 1, "0807060504030201", "0X0102030405060708", BOTH);
        fnRow("time epoch", U, TIM, 2, BIG, 1, "00000000", "1970-01-01 00:00:00", BOTH);
        fnRow("time last second of u32", U, TIM, 2, BIG, 1, "FFFFFFFF", "2106-02-07 06:28:15", BOTH);
        fnRow("float single", F, FL, 2, BIG, 1, "3FC00000", "1.500000", BOTH);
        fnRow("double little", F, FL, 4, LITTLE, 1, "000000000000F83F", "1.500000", BOTH);
        fnRow("float 0.1 as six decimals", F, FL, 2, BIG, 1, "3DCCCCCD", "0.100000", BOTH);
        fnRow("float tiny", F, FL, 2, BIG, 1, "33FF8CF1", "1.19e-07", BOTH);
        fnRow("double nine decimals", F, FL, 4, BIG, 1, "3FBF9ADD3739635F", "0.123456789", BOTH);
        fnRow("double tiny negative", F, FL, 4, BIG, 1, "81A56E1FC2F8F359", "-1e-300", BOTH);
        fnRow("bytes hex", B, BY, 2, BIG, 1, "01020A0B", "01 02 0A 0B ", BOTH);
        fnRow("bytes string", B, STR, 2, BIG, 1, "41424344", "ABCD", BOTH);

        fnRow("int of 3 registers", I, FL, 3, BIG, 1, "000000000000", "ERROR", SHOWN);
        fnRow("time of 1 register", U, TIM, 1, BIG, 1, "0001", "ERROR", SHOWN);
        fnRow("float bytes short", F, FL, 2, BIG, 1, "3FC000", "ERROR", SHOWN);
        fnRow("float of 1 register", F, FL, 1, BIG, 1, "3FC0", "ERROR", SHOWN);
        fnRow("bit protocol", T, BIT, 1, BIG, 1, "01", "ERROR", SHOWN);
        fnRow("int shown as bytes", I, BY, 1, BIG, 1, "0001", "ERROR", SHOWN);
        fnRow("unknown protocol", 7, FL, 1, BIG, 1, "0001", "ERROR", SHOWN);
        fnRow("int bytes short read as 0", I, DEC, 2, BIG, 1, "000001", "0", SHOWN);
        fnRow("string ends at zero", B, STR, 2, BIG, 1, "41004344", "A", SHOWN);
        fnRow("zero with negative gain", U, FL, 1, BIG, -1, "0000", "0", SHOWN);

        fnRow("string cut to size", B, STR, 2, BIG, 1, "41424344", "ABCDEF", ENTERED);
        fnRow("string padded", B, STR, 2, BIG, 1, "41000000", "A", ENTERED);
        fnRow("string as Latin-1", B, STR, 1, BIG, 1, "E900", "é中", ENTERED);
        fnRow("bit keeps lowest bit", T, BIT, 1, BIG, 1, "01", "3", ENTERED);
        fnRow("bit 2 is 0", T, BIT, 1, BIG, 1, "00", "2", ENTERED);
        fnRow("hex prefix lower case", I, HEX, 1, BIG, 1, "FFFE", "0xfffe", ENTERED);
        fnRow("hex with sign", I, HEX, 1, BIG, 1, "FFFE", "-2", ENTERED);
        fnRow("cut toward zero", I, FL, 1, BIG, 0.1, "007B", "12.37", ENTERED);
        fnRow("cut toward zero, negative", I, FL, 1, BIG, 0.1, "FF85", "-12.37", ENTERED);
        fnRow("negative gain flips sign", I, FL, 1, BIG, -0.5, "FFFC", "2", ENTERED);
        fnRow("float ignores gain", F, FL, 4, BIG, 10, "3FF8000000000000", "1.5", ENTERED);
        fnRow("blanks in byte string", B, BY, 2, BIG, 1, "01020A0B", " 0102 0A0b ", ENTERED);

        fnRow("gain 0", I, FL, 1, BIG, 0, "", "1", ENTERED);
        fnRow("gain 0, float protocol", F, FL, 2, BIG, 0, "", "1", ENTERED);
        fnRow("float show on bytes", B, FL, 1, BIG, 1, "", "1", ENTERED);
        fnRow("float show, 3 registers", I, FL, 3, BIG, 1, "", "1", ENTERED);
        fnRow("not a number", I, DEC, 1, BIG, 1, "", "abc", ENTERED);
        fnRow("int16 too big", I, DEC, 1, BIG, 1, "", "32768", ENTERED);
        fnRow("uint negative", U, DEC, 2, BIG, 1, "", "-1", ENTERED);
        fnRow("uint64 overflow", U, DEC, 4, BIG, 1, "", "18446744073709551616", ENTERED);
        fnRow("1e12 into int16", I, FL, 1, BIG, 1, "", "1e12", ENTERED);
        fnRow("single float overflow", F, FL, 2, BIG, 1, "", "1e40", ENTERED);
        fnRow("dec on float protocol", F, DEC, 2, BIG, 1, "", "1", ENTERED);
        fnRow("bit on int protocol", I, BIT, 1, BIG, 1, "", "1", ENTERED);
        fnRow("bytes odd digits", B, BY, 2, BIG, 1, "", "0102 0A", ENTERED);
        fnRow("bytes not hex", B, BY, 1, BIG, 1, "", "0G 01", ENTERED);
        fnRow("time of 1 register entered", U, TIM, 1, BIG, 1, "", "1970-01-01 00:00:00", ENTERED);
        fnRow("time not a date", U, TIM, 2, BIG, 1, "", "yesterday", ENTERED);
        fnRow("time after 2106", U, TIM, 2, BIG, 1, "", "2106-02-07 06:28:16", ENTERED);
        fnRow("unknown show type", U, 9, 1, BIG, 1, "", "1", ENTERED);
    }

    void conversions()
    {
        QFETCH(int, nPrtc);
        QFETCH(int, nShow);
        QFETCH(int, nSize);
        QFETCH(int, nOrder);
        QFETCH(double, fGain);
        QFETCH(QByteArray, objWire);
        QFETCH(QString, strText);
        QFETCH(int, nWay);
        const DEVICE_DATA_CFG_S objCfg = Cfg(nPrtc, nShow, nSize, nOrder, fGain);
        if (nWay != ENTERED)
            QCOMPARE(CCfgFileMgr::ConvertDataFromNetBytes(objCfg, objWire), strText);
        if (nWay != SHOWN)
            QCOMPARE(CCfgFileMgr::ConvertDataFromStringToNet(objCfg, strText).toHex(' '), objWire.toHex(' '));
    }

    // Every allowed pair of protocol and show type, every width and order:
    // what is entered, sent and received again shows as it was entered.
    void conversionRoundTrips()
    {
        struct SAMPLE_S
        {
            quint16 nPrtc, nShow;
            QList<quint16> objSizes;
            double fGain;
            QStringList objTexts;
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
            {PRTC_TYPE_UINT, SHOW_TYPE_TIME, {2}, 1.0, {"1970-01-01 00:00:00", "2024-02-29 12:34:56", "2106-02-07 06:28:15"}},
            {PRTC_TYPE_FLOAT, SHOW_TYPE_FLOAT, {2, 4}, 1.0, {"1.500000", "-2.250000", "0.000000", "1024.125000"}},
            {PRTC_TYPE_BYTES, SHOW_TYPE_BYTES, {1, 3}, 1.0, {}},
            {PRTC_TYPE_BYTES, SHOW_TYPE_STRING, {1, 3}, 1.0, {"AB", "A", ""}},
        };
        for (const SAMPLE_S &objSample : objSamples) {
            QVERIFY(GetShowTypeList(objSample.nPrtc).contains(objSample.nShow));
            for (quint16 nSize : objSample.objSizes) {
                const QStringList objTexts = objSample.nShow == SHOW_TYPE_BYTES
                    ? QStringList(QString("00 FF 10 AB 7F 80 ").left(6 * nSize)) : objSample.objTexts;
                for (int nOrder = BIG; nOrder <= LITTLE; ++nOrder) {
                    const DEVICE_DATA_CFG_S objCfg = Cfg(objSample.nPrtc, objSample.nShow, nSize, nOrder, objSample.fGain);
                    for (const QString &strText : objTexts) {
                        const QByteArray objWire = CCfgFileMgr::ConvertDataFromStringToNet(objCfg, strText);
                        QVERIFY2(objWire.size() == 2 * nSize, qPrintable(QString("%1 size %2").arg(strText).arg(nSize)));
                        QCOMPARE(CCfgFileMgr::ConvertDataFromNetBytes(objCfg, objWire), strText);
                    }
                }
            }
        }
    }

    // Numbers for curves, and the decimals a gain shows.
    void numbersAndDecimals()
    {
        const struct { DEVICE_DATA_CFG_S objCfg; const char *pText; double fValue; } arrNumbers[] = {
            {Cfg(PRTC_TYPE_FLOAT, SHOW_TYPE_FLOAT, 4), "0.123456789", 0.123456789},
            {Cfg(PRTC_TYPE_UINT, SHOW_TYPE_FLOAT, 2), "16777217", 16777217.0},
            {Cfg(PRTC_TYPE_BIT, SHOW_TYPE_BIT, 1), "1", 1.0},
            {Cfg(PRTC_TYPE_UINT, SHOW_TYPE_INT_DEC, 4), "18446744073709551615", 18446744073709551615.0},
            {Cfg(PRTC_TYPE_INT, SHOW_TYPE_INT_HEX, 1), "0XFFFE", -2.0},
            {Cfg(PRTC_TYPE_UINT, SHOW_TYPE_INT_HEX, 1), "0XFFFE", 65534.0},
            {Cfg(PRTC_TYPE_BYTES, SHOW_TYPE_STRING, 1), "12", 0.0},
        };
        for (const auto &stCase : arrNumbers)
            QCOMPARE(CCfgFileMgr::ConvertDataFromLocalString(stCase.objCfg, stCase.pText), stCase.fValue);
        const QList<QPair<double, int>> objDecimals = {{1.0, 0}, {0.1, 1}, {0.25, 2}, {0.123456789, 8}, {1e-9, 0},
                                                       {-0.01, 2}, {12.5, 1}, {0.3, 1}, {0.07, 2}, {qInf(), 0}};
        for (const auto &objCase : objDecimals)
            QCOMPARE(CCfgFileMgr::GainDecimals(objCase.first), objCase.second);
    }

    void storeAttributesAndNames()
    {
        DEVICE_COMMON_ATTR_S objOut;
        // Setters on an unknown device create nothing.
        m_pMgr->SetDeviceAttrCfg("M1", DEVICE_COMMON_ATTR_S());
        m_pMgr->SetDeviceCfgAddr("M1", 9);
        QVERIFY(m_pMgr->GetDeviceAttrMap().isEmpty());
        m_pMgr->AddDeviceAttrCfg("A", {"COM1", 1, 5, 0, -3});
        m_pMgr->ReplaceDeviceDataCfgList("A", {Point(1, 2, 0, 1)});
        QVERIFY(m_pMgr->SetDeviceCfgAddr("A", 9));
        QVERIFY(m_pMgr->SetDeviceCfgPortName("A", "NET1"));
        QVERIFY(m_pMgr->GetDeviceAttrCfg("A", objOut));
        QCOMPARE(objOut, DEVICE_COMMON_ATTR_S({"NET1", 1, 9, 0, -3}));
        QVERIFY(!m_pMgr->GetDeviceAttrCfg("a", objOut));
        // A name with attributes, or with only a data list, is taken.
        m_pMgr->AddDeviceAttrCfg("B", DEVICE_COMMON_ATTR_S());
        m_pMgr->ReplaceDeviceDataCfgList("OnlyData", {Point(1, 2, 0, 1)});
        QVERIFY(!m_pMgr->ChangeDeviceCfgName("A", "B"));
        QVERIFY(!m_pMgr->ChangeDeviceCfgName("A", "OnlyData"));
        QVERIFY(m_pMgr->ChangeDeviceCfgName("A", "C"));
        QVERIFY(!m_pMgr->GetDeviceAttrCfg("A", objOut) && m_pMgr->GetDeviceAttrCfg("C", objOut));
        QCOMPARE(m_pMgr->GetDeviceDataCfgList("C").size(), 1);
        QVERIFY(m_pMgr->GetDeviceDataCfgList("A").isEmpty());
        // The list of an unknown device is scratch that shows up nowhere.
        m_pMgr->GetDeviceDataCfgList("ghost").append(Point(1, 2, 0, 1));
        QVERIFY(m_pMgr->GetDeviceDataCfgList("ghost").isEmpty());
        // Synchronised lists are copies.
        QVERIFY(m_pMgr->SynDeviceDataCfg("C", "T"));
        m_pMgr->GetDeviceDataCfgList("T")[0].strName = "only in T";
        QCOMPARE(m_pMgr->GetDeviceDataCfgList("C").at(0).strName, QString("P1"));
        QVERIFY(!m_pMgr->SynDeviceDataCfg("X", "T"));
    }

    void storeKeepsSimulatedSettingsById()
    {
        m_pMgr->ReplaceDeviceDataCfgList("D", {Point(1, 2, 0, 1), Point(2, 2, 1, 1), Point(3, 2, 2, 1)});
        QList<DEVICE_DATA_CFG_S> &objStored = m_pMgr->GetDeviceDataCfgList("D");
        objStored[1].objValueCfg.nStategy = 3;
        objStored[2].objValueCfg.nStategy = 4;
        // Written back: row 1 removed, rows reordered, a new row 7 whose own
        // settings must not survive.
        DEVICE_DATA_CFG_S objNew = Point(7, 2, 9, 1);
        objNew.objValueCfg.nStategy = 2;
        m_pMgr->ReplaceDeviceDataCfgList("D", {Point(3, 2, 2, 1, "third"), objNew, Point(2, 2, 1, 1, "second")});
        const QList<DEVICE_DATA_CFG_S> &objList = m_pMgr->GetDeviceDataCfgList("D");
        QCOMPARE(Ids(objList), QList<quint32>({1, 2, 3}));
        QCOMPARE(objList.at(0).strName, QString("third"));
        QCOMPARE(objList.at(0).objValueCfg.nStategy, quint16(4));
        QCOMPARE(objList.at(1).objValueCfg, DATA_VALUE_CFG_S());
        QCOMPARE(objList.at(2).objValueCfg.nStategy, quint16(3));
        QVERIFY(m_pMgr->SetDeviceDataCfg("D", Point(2, 3, 7, 1, "changed")));
        QCOMPARE(objList.at(1).strName, QString("changed"));
        QVERIFY(!m_pMgr->SetDeviceDataCfg("D", Point(5, 2, 0, 1)));
    }

    void storeLookups()
    {
        m_pMgr->ReplaceDeviceDataCfgList("D", {Point(1, 2, 0, 2), Point(2, 2, 2, 1), Point(3, 3, 2, 1), Point(4, 2, 5, 4)});
        // Partial results still arrive, in the order asked.
        QList<DEVICE_DATA_CFG_S> objFound;
        QVERIFY(!m_pMgr->FindDeviceDataCfgs("D", {4, 99, 1}, objFound));
        QCOMPARE(Ids(objFound), QList<quint32>({4, 1}));
        // Only points wholly inside the range, of the same block; no wrap at the top.
        QCOMPARE(Ids(m_pMgr->GetDeviceDataCfgsInRange("D", 2, 0, 3)), QList<quint32>({1, 2}));
        QCOMPARE(Ids(m_pMgr->GetDeviceDataCfgsInRange("D", 2, 1, 2)), QList<quint32>({2}));
        QCOMPARE(Ids(m_pMgr->GetDeviceDataCfgsInRange("D", 2, 0, 9)), QList<quint32>({1, 2, 4}));
        m_pMgr->ReplaceDeviceDataCfgList("Top", {Point(1, 2, 65534, 2)});
        QCOMPARE(Ids(m_pMgr->GetDeviceDataCfgsInRange("Top", 2, 65534, 2)), QList<quint32>({1}));
    }

    void addressChecks()
    {
        const QString strSmall = QString::fromUtf8("数据地址相对偏移过小");
        const QString strBig = QString::fromUtf8("数据地址相对偏移过大");
        const struct { int nOffset, nAddr, nSize; QString strResult; } arrCases[] = {
            {-1, 0, 1, strSmall}, {-1, 1, 1, "OK"}, {0, 65535, 4, "OK"}, {10, 65522, 4, "OK"},
            {10, 65523, 4, strBig}, {32767, 40000, 1, strBig}};
        for (const auto &stCase : arrCases) {
            m_pMgr->AddDeviceAttrCfg("D", {"COM1", 1, 1, 0, qint16(stCase.nOffset)});
            QCOMPARE(m_pMgr->CheckDataAddrOffset("D", quint16(stCase.nAddr), quint16(stCase.nSize)), stCase.strResult);
        }
        QString strMsg;
        // 10 (Size 2) and 11 overlap; 10 (Size 2) and 12 do not; the top address still compares.
        QCOMPARE(CCfgFileMgr::CheckDataAddrOverlap({Point(1, 2, 10, 2), Point(2, 2, 12, 1)}, strMsg), -1);
        QCOMPARE(CCfgFileMgr::CheckDataAddrOverlap({Point(1, 2, 65535, 1), Point(2, 2, 0, 1)}, strMsg), -1);
        QCOMPARE(CCfgFileMgr::CheckDataAddrOverlap({Point(1, 2, 10, 2), Point(2, 2, 11, 1, "温度")}, strMsg), 0);
        QCOMPARE(strMsg, QString::fromUtf8("数据地址与其它数据点冲突, ID:2 名称:温度"));
        // The first offending row, with its first later partner; other blocks do not meet.
        const QList<DEVICE_DATA_CFG_S> objRows = {Point(1, 0, 5, 1), Point(2, 2, 5, 4), Point(3, 2, 20, 1),
                                                  Point(4, 2, 8, 1), Point(5, 2, 6, 1)};
        QCOMPARE(CCfgFileMgr::CheckDataAddrOverlap(objRows, strMsg), 1);
        QCOMPARE(strMsg, QString::fromUtf8("数据地址与其它数据点冲突, ID:4 名称:P4"));
    }

    void projectRoundTripIsByteIdentical()
    {
        FillRichStore();
        const STORE_IMAGE_S objBefore = Snapshot(m_pMgr);
        QVERIFY(m_pMgr->SaveCfg(Path("a.kestrix")));
        QSignalSpy objSpy(m_pMgr, &CCfgFileMgr::siNewCfgFile);
        m_pMgr->ClearCfg();
        QCOMPARE(m_pMgr->ImportCfgFile(Path("a.kestrix")), QString("OK"));
        QCOMPARE(objSpy.count(), 1);
        QVERIFY(Snapshot(m_pMgr) == objBefore);
        QVERIFY(m_pMgr->SaveCfg(Path("b.kestrix")));
        const QByteArray objA = ReadAll(Path("a.kestrix"));
        QCOMPARE(ReadAll(Path("b.kestrix")), objA);
        // Devices in name order, whatever the order of creation.
        const int nA = objA.indexOf("<DEVICE Name=\"A ");
        QVERIFY(nA > 0 && nA < objA.indexOf("<DEVICE Name=\"empty device\"")
                && objA.indexOf("<DEVICE Name=\"empty device\"") < objA.indexOf("<DEVICE Name=\"z slave\""));
        QVERIFY(objA.contains("\t\t\t<DATA_LIST />\n"));
    }

    // A file written by hand reads into the expected records and is written
    // back byte for byte; so are the shipped examples.
    void projectFileFormat()
    {
        QVERIFY(WriteAll(Path("golden.kestrix"), GOLDEN_PROJECT));
        QCOMPARE(m_pMgr->ImportCfgFile(Path("golden.kestrix")), QString("OK"));
        QCOMPARE(m_pMgr->GetComParaList(), QList<COM_PARA_DATA_S>({{0, "COM3", 2, 1, 1, 19200, 15}}));
        DEVICE_COMMON_ATTR_S objAttr;
        QVERIFY(m_pMgr->GetDeviceAttrCfg("Boiler & Pump", objAttr));
        QCOMPARE(objAttr, DEVICE_COMMON_ATTR_S({"COM3", DEVICE_TYPE_SLAVE, 17, 1, -2, 1, 8, 4, 1, 0, 0, 255, 0}));
        const DATA_VALUE_CFG_S objV = {3, "10", "1", "5", "0", "0", 10, 2, 0.5, 0.25, -0.25, 150.0, 0.0};
        const DEVICE_DATA_CFG_S objExpected = {1, 100, 1, SHOW_TYPE_FLOAT, PRTC_TYPE_UINT, BLOCK_HOLDING_REG, 0, 1, 1,
                                               1, 0, 0.1, 500, 2, 1500, 1, objV, QString::fromUtf8("出水温度"),
                                               QString::fromUtf8("℃"), "0-150"};
        QCOMPARE(m_pMgr->GetDeviceDataCfgList("Boiler & Pump"), QList<DEVICE_DATA_CFG_S>({objExpected}));
        QVERIFY(m_pMgr->SaveCfg(Path("again.kestrix")));
        QCOMPARE(QString::fromUtf8(ReadAll(Path("again.kestrix"))), QString::fromUtf8(GOLDEN_PROJECT));

        const QDir objExamples(qEnvironmentVariable("KESTRIX_TEST_SOURCE_DIR") + QStringLiteral("/../examples"));
        const QStringList objFiles = objExamples.entryList({QStringLiteral("*.kestrix")}, QDir::Files);
        QVERIFY(!objFiles.isEmpty());
        for (const QString &strFile : objFiles) {
            QCOMPARE(m_pMgr->ImportCfgFile(objExamples.filePath(strFile)), QString("OK"));
            QVERIFY(m_pMgr->SaveCfg(Path(strFile)));
            QCOMPARE(ReadAll(Path(strFile)), ReadAll(objExamples.filePath(strFile)));
        }
    }

    void projectChangeDetection()
    {
        FillRichStore();
        QVERIFY(m_pMgr->SaveCfg(Path("a.kestrix")));
        m_pMgr->SetCfgFilePath(Path("a.kestrix"));
        const QString strMaster = m_strMaster;
        const QList<std::function<void()>> objChanges = {
            [&] { m_pMgr->GetComParaList()[1].nBreakTime += 1; },
            [&] { m_pMgr->GetNetParaList()[0].strDesIP = "127.0.0.2"; },
            [&] { m_pMgr->SetDeviceCfgAddr("z slave", 246); },
            [&] { m_pMgr->GetDeviceDataCfgList("z slave").last().objValueCfg.fMinValue = 1.0; },
            [&] { m_pMgr->GetDeviceDataCfgList(strMaster)[0].fGain = 0.5; },
            [&] { m_pMgr->GetDeviceDataCfgList(strMaster)[4].nTimeOut = 1; },
            [&] { m_pMgr->GetDeviceDataCfgList(strMaster)[6].objValueCfg.strCoefE = "1e4"; },
            [&] { m_pMgr->GetDeviceDataCfgList(strMaster).removeLast(); },
            [&] { m_pMgr->ChangeDeviceCfgName("z slave", "y slave"); },
        };
        for (int i = 0; i < objChanges.size(); ++i) {
            QVERIFY(m_pMgr->ImportCfgFile(Path("a.kestrix")) == "OK");
            QVERIFY2(!m_pMgr->IsCfgChanged(), qPrintable(QString::number(i)));
            objChanges.at(i)();
            QVERIFY2(m_pMgr->IsCfgChanged(), qPrintable(QString::number(i)));
        }
        // The present flag of a serial port is not part of the file.
        QVERIFY(m_pMgr->ImportCfgFile(Path("a.kestrix")) == "OK");
        m_pMgr->GetComParaList()[0].nPresent = 1;
        QVERIFY(!m_pMgr->IsCfgChanged());
        // A file of the same size but other content counts as changed.
        QByteArray objBytes = ReadAll(Path("a.kestrix"));
        objBytes[objBytes.indexOf("Baund=\"115200\"") + 7] = '2';
        QVERIFY(WriteAll(Path("a.kestrix"), objBytes));
        QVERIFY(m_pMgr->IsCfgChanged());

        // Without a current file only devices and network links count.
        m_pMgr->ClearCfg();
        m_pMgr->SetCfgFilePath(Path("gone.kestrix"));
        m_pMgr->GetComParaList().append(COM_PARA_DATA_S());
        m_pMgr->ReplaceDeviceDataCfgList("D", {DEVICE_DATA_CFG_S()});
        QVERIFY(!m_pMgr->IsCfgChanged());
        m_pMgr->GetNetParaList().append(NET_PARA_DATA_S());
        QVERIFY(m_pMgr->IsCfgChanged());
    }

    void rememberedPath()
    {
        m_pMgr->SetCfgFilePath(Path("plant, one.kestrix"));
        QCOMPARE(CsvTable("./config.csv").GetCell(0, 0), Path("plant, one.kestrix"));
        // An empty current path is read again from the table, whose other rows stay.
        m_pMgr->SetCfgFilePath(QString());
        CsvTable objTable;
        objTable.SetCell(0, 0, QStringLiteral("/x/last.kestrix"));
        objTable.SetCell(1, 0, QStringLiteral("kept"));
        QVERIFY(objTable.Save("./config"));
        QCOMPARE(m_pMgr->GetCfgFilePath(), QString("/x/last.kestrix"));
        m_pMgr->SetCfgFilePath(Path("b.kestrix"));
        QCOMPARE(CsvTable("./config.csv").GetCell(1, 0), QString("kept"));
    }

    void partsMissingOrAbsurd()
    {
        const QByteArray objXml =
            "<?xml version=\"1.0\"?><Kestrix><PORT_LIST><NET Name=\"NET1\" MaxAsynNum=\"many\" PortID=\"70000\"/><COM/>"
            "</PORT_LIST><DEVICE_LIST>"
            "<DEVICE Name=\"\" DeviceType=\"1\"><DATA_LIST><DATA Name=\"lost\"/></DATA_LIST></DEVICE>"
            "<DEVICE Name=\"D\" DeviceType=\"1\"><DATA_LIST><DATA Name=\"bare\"/>"
            "<DATA Name=\"parts\"><TIMEOUT/><CURVE/><VALUE XInvl=\"-1\" MaxValue=\"inf\"/></DATA></DATA_LIST></DEVICE>"
            "<DEVICE Name=\"D\" DeviceType=\"2\" Addr=\"-5\" AddrOffset=\"40000\"><DATA_LIST>"
            "<DATA Size=\"abc\" IsBRead=\"x\" Gain=\"1,5\" Addr=\"0x10\" IntervalTime=\"99999999999\"/>"
            "<DATA Size=\"65535\" PrtcTYPE=\"3\" ShowType=\"4\" Gain=\" 2.5 \" BLOCK=\"9\"/></DATA_LIST></DEVICE>"
            "<DEVICE Name=\"NoList\"/></DEVICE_LIST></Kestrix>";
        QVERIFY(WriteAll(Path("odd.kestrix"), objXml));
        QCOMPARE(m_pMgr->ImportCfgFile(Path("odd.kestrix")), QString("OK"));
        // COM elements are read before NET elements; text that is no number reads as the default.
        QCOMPARE(m_pMgr->GetPortNameList(), QStringList({"", "NET1"}));
        const NET_PARA_DATA_S &objNet = m_pMgr->GetNetParaList().first();
        QCOMPARE(objNet.nMaxAsynNum, quint16(15));
        QCOMPARE(objNet.nPortID, quint16(70000 & 0xFFFF));
        QCOMPARE(m_pMgr->GetDeviceAttrMap().keys(), QStringList({"D", "NoList"}));
        DEVICE_COMMON_ATTR_S objAttr;
        QVERIFY(m_pMgr->GetDeviceAttrCfg("D", objAttr));
        QCOMPARE(objAttr.nDeviceType, quint16(2)); // the later element wins
        QCOMPARE(objAttr.nAddrOffset, qint16(40000 - 65536));
        QCOMPARE(objAttr.nAddr, quint16(0));
        // A repeated device continues the numbering: IDs stay unique.
        const QList<DEVICE_DATA_CFG_S> &objList = m_pMgr->GetDeviceDataCfgList("D");
        QCOMPARE(Ids(objList), QList<quint32>({1, 2, 3, 4}));
        // Whole children missing: the settings a new point gets; present but empty: the file's defaults.
        QCOMPARE(objList.at(0).nTimeOut, quint32(2000));
        QCOMPARE(objList.at(0).objValueCfg, DATA_VALUE_CFG_S());
        QCOMPARE(objList.at(0).fGain, 0.0);
        QCOMPARE(objList.at(1).nTimeOut, quint32(0));
        QCOMPARE(objList.at(1).objValueCfg.nXInvl, quint32(1));
        QVERIFY(qIsInf(objList.at(1).objValueCfg.fMaxValue));
        QCOMPARE(objList.at(2).nSize, quint16(0));
        QCOMPARE(objList.at(2).nIsBRead, quint16(1));
        QCOMPARE(objList.at(2).nAddr, quint16(16));
        QCOMPARE(objList.at(2).nIntervalTime, quint32(99999999999ull & 0xFFFFFFFFu));
        QCOMPARE(objList.at(3).fGain, 2.5);
        // The odd values convert to errors, never to a crash, and save.
        QCOMPARE(CCfgFileMgr::ConvertDataFromNetBytes(objList.at(2), QByteArray(2, '\0')), QString("ERROR"));
        QVERIFY(CCfgFileMgr::ConvertDataFromStringToNet(objList.at(3), "41").isEmpty());
        QVERIFY(m_pMgr->SaveCfg(Path("odd-again.kestrix")));
    }

    void badFilesLeaveStoreUnchanged_data()
    {
        QTest::addColumn<QByteArray>("objContent");
        QTest::newRow("not xml") << QByteArray("this is not xml at all");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("truncated") << QByteArray(GOLDEN_PROJECT).left(300);
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe<\x01", 5);
        QTest::newRow("wrong root") << QByteArray("<?xml version=\"1.0\"?><Other><DEVICE_LIST/></Other>");
        QTest::newRow("missing file") << QByteArray("-");
    }

    void badFilesLeaveStoreUnchanged()
    {
        QFETCH(QByteArray, objContent);
        FillRichStore();
        const STORE_IMAGE_S objBefore = Snapshot(m_pMgr);
        if (objContent != "-")
            QVERIFY(WriteAll(Path("bad.kestrix"), objContent));
        QSignalSpy objSpy(m_pMgr, &CCfgFileMgr::siNewCfgFile);
        const QString strPrefix = QString::fromUtf8("配置文件打开失败:");
        const QString strResult = m_pMgr->ImportCfgFile(Path("bad.kestrix"));
        QVERIFY2(strResult.startsWith(strPrefix) && strResult.size() > strPrefix.size(), qPrintable(strResult));
        QCOMPARE(objSpy.count(), 0);
        QVERIFY(Snapshot(m_pMgr) == objBefore);
    }

    // Saves that cannot be made fail, keep the old file and the project in memory.
    void failedSaves()
    {
        FillRichStore();
        const STORE_IMAGE_S objBefore = Snapshot(m_pMgr);
        QStringList objPaths = {Path("no such folder/p.kestrix"), "/proc/kestrix-test/p.kestrix", "/proc/p.kestrix"};
        const QString strLocked = Path("locked");
        QVERIFY(QDir().mkdir(strLocked));
        QVERIFY(QFile::setPermissions(strLocked, QFile::ReadOwner | QFile::ExeOwner));
        if (geteuid() != 0) // root writes into read-only folders anyway
            objPaths.append(strLocked + "/p.kestrix");
        for (const QString &strPath : objPaths) {
            QVERIFY2(!m_pMgr->SaveCfg(strPath), qPrintable(strPath));
            QCOMPARE(m_pMgr->NewCfg(strPath), QString::fromUtf8("配置文件异常，创建失败"));
            QCOMPARE(m_pMgr->ExportDeviceCfgTemplate("z slave", strPath, DEVICE_CFG_TP_ACI_S()),
                     QString::fromUtf8("配置文件创建失败。"));
            QVERIFY(Snapshot(m_pMgr) == objBefore);
            QVERIFY(!QFile::exists(strPath));
        }
        QFile::setPermissions(strLocked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        // A write failing early in the document or at its very last byte.
        const QString strProject = Path("p.kestrix");
        const QString strTemplate = Path("t.dtkestrix");
        QVERIFY(WriteAll(strProject, "old project") && WriteAll(strTemplate, "old template"));
        CXMLBuffer objBuffer;
        QVERIFY(m_pMgr->WriteCfgXml(&objBuffer, QString()));
        QCOMPARE(m_pMgr->ExportDeviceCfgTemplate(m_strMaster, Path("full.dtkestrix"), {}), QString("OK"));
        const rlim_t nTemplateSize = rlim_t(QFileInfo(Path("full.dtkestrix")).size());
        for (rlim_t nLimit : {rlim_t(4096), rlim_t(objBuffer.GetBuffer().size()) - 1}) {
            CFileSizeLimit objLimit(nLimit);
            QVERIFY(objLimit.IsActive() && !m_pMgr->SaveCfg(strProject));
        }
        for (rlim_t nLimit : {rlim_t(4096), nTemplateSize - 1}) {
            CFileSizeLimit objLimit(nLimit);
            QCOMPARE(m_pMgr->ExportDeviceCfgTemplate(m_strMaster, strTemplate, {}), QString::fromUtf8("配置文件创建失败。"));
        }
        QCOMPARE(ReadAll(strProject), QByteArray("old project"));
        QCOMPARE(ReadAll(strTemplate), QByteArray("old template"));
        // No half-written temporary file is left beside the targets.
        QCOMPARE(QDir(m_pDir->path()).entryList(QDir::Files | QDir::Hidden).size(),
                 QDir(m_pDir->path()).entryList({"*.csv", "*.kestrix", "*.dtkestrix"}, QDir::Files).size());
        QVERIFY(m_pMgr->SaveCfg(strProject));
        QCOMPARE(ReadAll(strProject), objBuffer.GetBuffer());
    }

    void newProject()
    {
        FillRichStore();
        QCOMPARE(m_pMgr->NewCfg(Path("new.kestrix")), QString("OK"));
        QVERIFY(Snapshot(m_pMgr) == STORE_IMAGE_S());
        QCOMPARE(CsvTable("./config.csv").GetCell(0, 0), Path("new.kestrix"));
        QCOMPARE(ReadAll(Path("new.kestrix")),
                 QByteArray("<?xml version=\"1.0\"?>\n<Kestrix>\n\t<PORT_LIST />\n\t<DEVICE_LIST />\n</Kestrix>\n"));
        QVERIFY(!m_pMgr->IsCfgChanged());
    }

    void templates()
    {
        FillRichStore();
        const QString strTemplate = Path("m.dtkestrix");
        const DEVICE_CFG_TP_ACI_S objAttach = {"Acme", "Meter", "M-1", "1.0", ""};
        QCOMPARE(m_pMgr->ExportDeviceCfgTemplate(m_strMaster, strTemplate, objAttach), QString("OK"));
        const QByteArray objBytes = ReadAll(strTemplate);
        QVERIFY(objBytes.startsWith("<?xml version=\"1.0\"?>\n<Kestrix>\n\t<DEVICE Name=\"A "));
        QVERIFY(objBytes.contains("\t\t<ATTACH Factory=\"Acme\" DeviceName=\"Meter\" DeviceModel=\"M-1\" "
                                  "CfgVersion=\"1.0\" Remarks=\"\" />\n\t\t<DATA_LIST>"));
        QVERIFY(!objBytes.contains("PORT_LIST") && !objBytes.contains("DEVICE_LIST"));

        // Into the slave: its link and address stay, all else comes from the template.
        DEVICE_COMMON_ATTR_S objSlave, objMaster, objSlaveBefore;
        QVERIFY(m_pMgr->GetDeviceAttrCfg("z slave", objSlaveBefore));
        QCOMPARE(m_pMgr->LoadDeviceCfgTemplate("z slave", strTemplate, 3), QString("OK"));
        QVERIFY(m_pMgr->GetDeviceAttrCfg("z slave", objSlave) && m_pMgr->GetDeviceAttrCfg(m_strMaster, objMaster));
        QCOMPARE(objSlave.strPortName, objSlaveBefore.strPortName);
        QCOMPARE(objSlave.nAddr, objSlaveBefore.nAddr);
        objSlave.strPortName = objMaster.strPortName;
        objSlave.nAddr = objMaster.nAddr;
        QCOMPARE(objSlave, objMaster);
        QCOMPARE(m_pMgr->GetDeviceDataCfgList("z slave"), m_pMgr->GetDeviceDataCfgList(m_strMaster));

        // Refusals leave the device as it was.
        const STORE_IMAGE_S objBefore = Snapshot(m_pMgr);
        QVERIFY(WriteAll(Path("t4.dtkestrix"), QByteArray(objBytes).replace("DeviceType=\"1\"", "DeviceType=\"4\"")));
        QCOMPARE(m_pMgr->LoadDeviceCfgTemplate("z slave", Path("t4.dtkestrix"), 3),
                 QString::fromUtf8("配置模板与当前设备类型不匹配。"));
        QVERIFY(WriteAll(Path("nodev.dtkestrix"), "<?xml version=\"1.0\"?>\n<Kestrix>\n\t<DEVICE_LIST />\n</Kestrix>\n"));
        QCOMPARE(m_pMgr->LoadDeviceCfgTemplate("z slave", Path("nodev.dtkestrix"), 3),
                 QString::fromUtf8("配置模板文件无有效内容。"));
        QVERIFY(WriteAll(Path("broken.dtkestrix"), objBytes.left(objBytes.size() / 2)));
        QVERIFY(m_pMgr->LoadDeviceCfgTemplate("z slave", Path("broken.dtkestrix"), 3)
                    .startsWith(QString::fromUtf8("配置模板文件打开失败:")));
        QCOMPARE(m_pMgr->LoadDeviceCfgTemplate("nobody", strTemplate, 3), QString::fromUtf8("目标设备不存在。"));
        QVERIFY(Snapshot(m_pMgr) == objBefore);
        QCOMPARE(m_pMgr->ExportDeviceCfgTemplate("nobody", Path("x.dtkestrix"), objAttach),
                 QString::fromUtf8("无效设备属性。"));
        QVERIFY(!QFile::exists(Path("x.dtkestrix")));
        // A device without points exports an empty list and loads as one.
        QCOMPARE(m_pMgr->ExportDeviceCfgTemplate("empty device", Path("e.dtkestrix"), objAttach), QString("OK"));
        QCOMPARE(m_pMgr->LoadDeviceCfgTemplate("z slave", Path("e.dtkestrix"), 1), QString("OK"));
        QVERIFY(m_pMgr->GetDeviceDataCfgList("z slave").isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstConfig)
#include "tst_config.moc"
