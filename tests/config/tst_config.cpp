// Configuration store, value conversion between wire bytes and shown text,
// the project file and device templates on real files.

#include <QtTest>
#include <functional>

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
    void conversions()
    {
        const int I = PRTC_TYPE_INT, U = PRTC_TYPE_UINT, F = PRTC_TYPE_FLOAT, B = PRTC_TYPE_BYTES, T = PRTC_TYPE_BIT;
        const int FL = SHOW_TYPE_FLOAT, DEC = SHOW_TYPE_INT_DEC, HEX = SHOW_TYPE_INT_HEX, BY = SHOW_TYPE_BYTES,
                  STR = SHOW_TYPE_STRING, TIM = SHOW_TYPE_TIME, BIT = SHOW_TYPE_BIT;
        const struct { int nPrtc, nShow, nSize, nOrder; double fGain; const char *pWire, *pText; Way enWay; } arrCases[] = {
            {I, FL, 1, BIG, 0.01, "FFFF", "-0.01", BOTH},
            {I, FL, 2, BYTES_SWAPPED, 0.1, "0000D204", "123.4", BOTH},
            {I, DEC, 4, LITTLE, 1, "FEFFFFFFFFFFFFFF", "-2", BOTH},
            {I, HEX, 1, BIG, 1, "FFFE", "0XFFFE", BOTH},
            {U, FL, 1, BIG, 0.1, "04D2", "123.4", BOTH},
            {U, DEC, 2, BYTES_SWAPPED, 1, "34127856", "305419896", BOTH},
            {U, DEC, 2, WORDS_SWAPPED, 1, "56781234", "305419896", BOTH},
            {U, DEC, 4, BIG, 1, "FFFFFFFFFFFFFFFF", "18446744073709551615", BOTH},
            {U, HEX, 4, LITTLE, 1, "0807060504030201", "0X0102030405060708", BOTH},
            {U, TIM, 2, BIG, 1, "00000000", "1970-01-01 00:00:00", BOTH},
            {U, TIM, 2, BIG, 1, "FFFFFFFF", "2106-02-07 06:28:15", BOTH},
            {F, FL, 2, BIG, 1, "3FC00000", "1.500000", BOTH},
            {F, FL, 4, LITTLE, 1, "000000000000F83F", "1.500000", BOTH},
            // Six decimals where they give the value back, else the fewest digits that do.
            {F, FL, 2, BIG, 1, "3DCCCCCD", "0.100000", BOTH},
            {F, FL, 2, BIG, 1, "33FF8CF1", "1.19e-07", BOTH},
            {F, FL, 2, BIG, 1, "00000001", "1e-45", BOTH},
            {F, FL, 2, BIG, 1, "7F7FFFFF", "340282346638528859811704183484516925440.000000", BOTH},
            {F, FL, 4, BIG, 1, "3FBF9ADD3739635F", "0.123456789", BOTH},
            {F, FL, 4, BIG, 1, "3FD5555555555555", "0.3333333333333333", BOTH},
            {B, BY, 2, BIG, 1, "01020A0B", "01 02 0A 0B ", BOTH},
            {B, STR, 2, BIG, 1, "41424344", "ABCD", BOTH},
            {I, FL, 3, BIG, 1, "000000000000", "ERROR", SHOWN},
            {U, TIM, 1, BIG, 1, "0001", "ERROR", SHOWN},
            {F, FL, 2, BIG, 1, "3FC000", "ERROR", SHOWN},
            {T, BIT, 1, BIG, 1, "01", "ERROR", SHOWN},
            {7, FL, 1, BIG, 1, "0001", "ERROR", SHOWN},
            {I, DEC, 2, BIG, 1, "000001", "0", SHOWN},   // integers do not check the byte count
            {B, STR, 2, BIG, 1, "41004344", "A", SHOWN}, // a string ends at its first zero
            {U, FL, 1, BIG, -1, "0000", "0", SHOWN},     // not -0
            {B, STR, 2, BIG, 1, "41424344", "ABCDEF", ENTERED},
            {B, STR, 2, BIG, 1, "41000000", "A", ENTERED},
            {B, STR, 1, BIG, 1, "E900", "é中", ENTERED},
            {T, BIT, 1, BIG, 1, "01", "3", ENTERED},
            {I, HEX, 1, BIG, 1, "FFFE", "0xfffe", ENTERED},
            {I, HEX, 1, BIG, 1, "FFFE", "-2", ENTERED},
            {I, FL, 1, BIG, 0.1, "007B", "12.37", ENTERED},   // cut toward zero
            {I, FL, 1, BIG, 0.1, "FF85", "-12.37", ENTERED},
            {I, FL, 1, BIG, -0.5, "FFFC", "2", ENTERED},
            {F, FL, 4, BIG, 10, "3FF8000000000000", "1.5", ENTERED},
            {B, BY, 2, BIG, 1, "01020A0B", " 0102 0A0b ", ENTERED},
            // Refused: nothing that reaches the wire.
            {I, FL, 1, BIG, 0, "", "1", ENTERED},
            {B, FL, 1, BIG, 1, "", "1", ENTERED},
            {I, DEC, 1, BIG, 1, "", "abc", ENTERED},
            {I, DEC, 1, BIG, 1, "", "32768", ENTERED},
            {U, DEC, 2, BIG, 1, "", "-1", ENTERED},
            {U, DEC, 4, BIG, 1, "", "18446744073709551616", ENTERED},
            {I, FL, 1, BIG, 1, "", "1e12", ENTERED},
            {F, FL, 2, BIG, 1, "", "1e40", ENTERED},
            {F, DEC, 2, BIG, 1, "", "1", ENTERED},
            {B, BY, 2, BIG, 1, "", "0102 0A", ENTERED},
            {B, BY, 1, BIG, 1, "", "0G 01", ENTERED},
            {U, TIM, 2, BIG, 1, "", "yesterday", ENTERED},
            {U, TIM, 2, BIG, 1, "", "2106-02-07 06:28:16", ENTERED},
            {U, 9, 1, BIG, 1, "", "1", ENTERED},
        };
        for (const auto &stCase : arrCases) {
            const DEVICE_DATA_CFG_S objCfg = Cfg(stCase.nPrtc, stCase.nShow, stCase.nSize, stCase.nOrder, stCase.fGain);
            const QString strWhere = QString::fromUtf8(stCase.pText) + " " + stCase.pWire;
            if (stCase.enWay != ENTERED)
                QVERIFY2(CCfgFileMgr::ConvertDataFromNetBytes(objCfg, Hex(stCase.pWire)) == QString::fromUtf8(stCase.pText),
                         qPrintable(strWhere + " shows " + CCfgFileMgr::ConvertDataFromNetBytes(objCfg, Hex(stCase.pWire))));
            if (stCase.enWay != SHOWN)
                QVERIFY2(CCfgFileMgr::ConvertDataFromStringToNet(objCfg, QString::fromUtf8(stCase.pText)) == Hex(stCase.pWire),
                         qPrintable(strWhere));
        }
    }

    // Numbers for curves.
    void curveNumbers()
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
    }

    void store()
    {
        // Setters on an unknown device create nothing; a name with only a data list is taken.
        m_pMgr->SetDeviceAttrCfg("M1", DEVICE_COMMON_ATTR_S());
        m_pMgr->SetDeviceCfgAddr("M1", 9);
        m_pMgr->GetDeviceDataCfgList("ghost").append(Point(1, 2, 0, 1));
        QVERIFY(m_pMgr->GetDeviceAttrMap().isEmpty() && m_pMgr->GetDeviceDataCfgList("ghost").isEmpty());
        m_pMgr->AddDeviceAttrCfg("A", {"COM1", 1, 5, 0, -3});
        m_pMgr->ReplaceDeviceDataCfgList("OnlyData", {Point(1, 2, 0, 1)});
        QVERIFY(!m_pMgr->ChangeDeviceCfgName("A", "OnlyData") && m_pMgr->ChangeDeviceCfgName("A", "C"));
        // A list written back keeps the simulated settings by ID: row 1 removed,
        // rows reordered, a new row 7 whose own settings must not survive.
        m_pMgr->ReplaceDeviceDataCfgList("D", {Point(1, 2, 0, 1), Point(2, 2, 1, 1), Point(3, 2, 2, 1)});
        m_pMgr->GetDeviceDataCfgList("D")[1].objValueCfg.nStategy = 3;
        m_pMgr->GetDeviceDataCfgList("D")[2].objValueCfg.nStategy = 4;
        DEVICE_DATA_CFG_S objNew = Point(7, 2, 9, 1);
        objNew.objValueCfg.nStategy = 2;
        m_pMgr->ReplaceDeviceDataCfgList("D", {Point(3, 2, 2, 1, "third"), objNew, Point(2, 2, 1, 1, "second")});
        const QList<DEVICE_DATA_CFG_S> &objList = m_pMgr->GetDeviceDataCfgList("D");
        QCOMPARE(Ids(objList), QList<quint32>({1, 2, 3}));
        QVERIFY(objList.at(0).strName == "third" && objList.at(0).objValueCfg.nStategy == 4);
        QVERIFY(objList.at(1).objValueCfg == DATA_VALUE_CFG_S() && objList.at(2).objValueCfg.nStategy == 3);
        // Points wholly inside a range of their block, no wrap.
        m_pMgr->ReplaceDeviceDataCfgList("R", {Point(1, 2, 0, 2), Point(2, 2, 2, 1), Point(3, 3, 2, 1), Point(4, 2, 5, 4),
                                               Point(5, 2, 65534, 2)});
        QCOMPARE(Ids(m_pMgr->GetDeviceDataCfgsInRange("R", 2, 1, 9)), QList<quint32>({2, 4}));
        QCOMPARE(Ids(m_pMgr->GetDeviceDataCfgsInRange("R", 2, 65534, 2)), QList<quint32>({5}));
    }

    // The overlap check is held against its definition with the data page rules.
    void addressOffsetChecks()
    {
        const QString strSmall = QString::fromUtf8("数据地址相对偏移过小"), strBig = QString::fromUtf8("数据地址相对偏移过大");
        const struct { int nOffset, nAddr, nSize; QString strResult; } arrCases[] = {
            {-1, 0, 1, strSmall}, {-1, 1, 1, "OK"}, {0, 65535, 4, "OK"}, {10, 65522, 4, "OK"},
            {10, 65523, 4, strBig}, {32767, 40000, 1, strBig}};
        for (const auto &stCase : arrCases) {
            m_pMgr->AddDeviceAttrCfg("D", {"COM1", 1, 1, 0, qint16(stCase.nOffset)});
            QCOMPARE(m_pMgr->CheckDataAddrOffset("D", quint16(stCase.nAddr), quint16(stCase.nSize)), stCase.strResult);
        }
    }

    // Saved, read back and saved again: the same store and the same bytes.
    void projectRoundTrip()
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
        const int nA = objA.indexOf("<DEVICE Name=\"A "), nEmpty = objA.indexOf("<DEVICE Name=\"empty device\"");
        QVERIFY(nA > 0 && nA < nEmpty && nEmpty < objA.indexOf("<DEVICE Name=\"z slave\""));
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
        const QDir objExamples(qEnvironmentVariable("KESTRIX_TEST_SOURCE_DIR") + "/../examples");
        const QStringList objFiles = objExamples.entryList({"*.kestrix"}, QDir::Files);
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
        QList<DEVICE_DATA_CFG_S> *pMaster = nullptr;
        const QList<std::function<void()>> objChanges = {
            [&] { m_pMgr->GetComParaList()[1].nBreakTime += 1; },
            [&] { m_pMgr->GetNetParaList()[0].strDesIP = "127.0.0.2"; },
            [&] { m_pMgr->GetDeviceDataCfgList("z slave").last().objValueCfg.fMinValue = 1.0; },
            [&] { (*pMaster)[4].nTimeOut = 1; },
            [&] { pMaster->removeLast(); },
            [&] { m_pMgr->ChangeDeviceCfgName("z slave", "y slave"); },
            [&] { m_pMgr->GetComParaList()[0].nPresent = 1; }, // not part of the file
        };
        for (int i = 0; i < objChanges.size(); ++i) {
            QVERIFY(m_pMgr->ImportCfgFile(Path("a.kestrix")) == "OK");
            pMaster = &m_pMgr->GetDeviceDataCfgList(m_strMaster);
            QVERIFY2(!m_pMgr->IsCfgChanged(), qPrintable(QString::number(i)));
            objChanges.at(i)();
            QVERIFY2(m_pMgr->IsCfgChanged() == (i + 1 < objChanges.size()), qPrintable(QString::number(i)));
        }
        // A file of the same size but other content counts as changed.
        QByteArray objBytes = ReadAll(Path("a.kestrix"));
        objBytes[objBytes.indexOf("Baund=\"115200\"") + 7] = '2';
        QVERIFY(WriteAll(Path("a.kestrix"), objBytes) && m_pMgr->IsCfgChanged());
        // Without a current file only devices and network links count.
        m_pMgr->ClearCfg();
        m_pMgr->SetCfgFilePath(Path("gone.kestrix"));
        m_pMgr->GetComParaList().append(COM_PARA_DATA_S());
        m_pMgr->ReplaceDeviceDataCfgList("D", {DEVICE_DATA_CFG_S()});
        QVERIFY(!m_pMgr->IsCfgChanged());
        m_pMgr->GetNetParaList().append(NET_PARA_DATA_S());
        QVERIFY(m_pMgr->IsCfgChanged());
    }

    void newProjectAndRememberedPath()
    {
        FillRichStore();
        QCOMPARE(m_pMgr->NewCfg(Path("plant, one.kestrix")), QString("OK"));
        QVERIFY(Snapshot(m_pMgr) == STORE_IMAGE_S());
        QCOMPARE(ReadAll(Path("plant, one.kestrix")),
                 QByteArray("<?xml version=\"1.0\"?>\n<Kestrix>\n\t<PORT_LIST />\n\t<DEVICE_LIST />\n</Kestrix>\n"));
        QVERIFY(!m_pMgr->IsCfgChanged());
        QCOMPARE(CsvTable("./config.csv").GetCell(0, 0), Path("plant, one.kestrix"));
        // An empty current path is read again from the table, whose other rows stay.
        m_pMgr->SetCfgFilePath(QString());
        CsvTable objTable;
        objTable.SetCell(0, 0, "/x/last.kestrix");
        objTable.SetCell(1, 0, "kept");
        QVERIFY(objTable.Save("./config"));
        QCOMPARE(m_pMgr->GetCfgFilePath(), QString("/x/last.kestrix"));
        m_pMgr->SetCfgFilePath(Path("b.kestrix"));
        QCOMPARE(CsvTable("./config.csv").GetCell(1, 0), QString("kept"));
    }

    void partsMissingOrAbsurd()
    {
        QVERIFY(WriteAll(Path("odd.kestrix"),
            "<?xml version=\"1.0\"?><Kestrix><PORT_LIST><NET Name=\"NET1\" MaxAsynNum=\"many\" PortID=\"70000\"/><COM/>"
            "</PORT_LIST><DEVICE_LIST><DEVICE Name=\"\" DeviceType=\"1\"><DATA_LIST><DATA Name=\"lost\"/></DATA_LIST></DEVICE>"
            "<DEVICE Name=\"D\" DeviceType=\"1\"><DATA_LIST><DATA Name=\"bare\"/>"
            "<DATA Name=\"parts\"><TIMEOUT/><CURVE/><VALUE XInvl=\"-1\" MaxValue=\"inf\"/></DATA></DATA_LIST></DEVICE>"
            "<DEVICE Name=\"D\" DeviceType=\"2\" Addr=\"-5\" AddrOffset=\"40000\"><DATA_LIST>"
            "<DATA Size=\"abc\" IsBRead=\"x\" Gain=\"1,5\" Addr=\"0x10\" IntervalTime=\"99999999999\"/>"
            "<DATA Size=\"65535\" PrtcTYPE=\"3\" ShowType=\"4\" Gain=\" 2.5 \" BLOCK=\"9\"/></DATA_LIST></DEVICE>"
            "<DEVICE Name=\"NoList\"/></DEVICE_LIST></Kestrix>"));
        QCOMPARE(m_pMgr->ImportCfgFile(Path("odd.kestrix")), QString("OK"));
        // COM elements are read before NET elements; text that is no number reads as the default.
        QCOMPARE(m_pMgr->GetPortNameList(), QStringList({"", "NET1"}));
        QCOMPARE(m_pMgr->GetNetParaList().first().nMaxAsynNum, quint16(15));
        QCOMPARE(m_pMgr->GetNetParaList().first().nPortID, quint16(70000 & 0xFFFF));
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

    void badFilesLeaveStoreUnchanged()
    {
        FillRichStore();
        const STORE_IMAGE_S objBefore = Snapshot(m_pMgr);
        QSignalSpy objSpy(m_pMgr, &CCfgFileMgr::siNewCfgFile);
        const QString strPrefix = QString::fromUtf8("配置文件打开失败:");
        for (const QByteArray &objContent : {QByteArray("not xml"), QByteArray(), QByteArray(GOLDEN_PROJECT).left(300),
                                             QByteArray("\x00\xff\xfe<\x01", 5), QByteArray("<?xml version=\"1.0\"?><Other/>")}) {
            QVERIFY(WriteAll(Path("bad.kestrix"), objContent));
            const QString strResult = m_pMgr->ImportCfgFile(Path("bad.kestrix"));
            QVERIFY2(strResult.startsWith(strPrefix) && strResult.size() > strPrefix.size(), qPrintable(strResult));
        }
        QVERIFY(m_pMgr->ImportCfgFile(Path("missing.kestrix")).startsWith(strPrefix));
        QCOMPARE(objSpy.count(), 0);
        QVERIFY(Snapshot(m_pMgr) == objBefore);
    }

    // Saves that cannot be made fail, keep the old file and the project in memory.
    void failedSaves()
    {
        FillRichStore();
        const STORE_IMAGE_S objBefore = Snapshot(m_pMgr);
        for (const QString &strPath : {Path("no such folder/p.kestrix"), QString("/proc/kestrix-test/p.kestrix")}) {
            QVERIFY2(!m_pMgr->SaveCfg(strPath), qPrintable(strPath));
            QCOMPARE(m_pMgr->NewCfg(strPath), QString::fromUtf8("配置文件异常，创建失败"));
            QCOMPARE(m_pMgr->ExportDeviceCfgTemplate("z slave", strPath, {}), QString::fromUtf8("配置文件创建失败。"));
            QVERIFY(Snapshot(m_pMgr) == objBefore);
        }
        // A write failing early in the document or at its very last byte.
        const QString strProject = Path("p.kestrix"), strTemplate = Path("t.dtkestrix");
        QVERIFY(WriteAll(strProject, "old project") && WriteAll(strTemplate, "old template"));
        CXMLBuffer objBuffer;
        QVERIFY(m_pMgr->WriteCfgXml(&objBuffer, QString()));
        for (rlim_t nLimit : {rlim_t(4096), rlim_t(objBuffer.GetBuffer().size()) - 1}) {
            CFileSizeLimit objLimit(nLimit);
            QVERIFY(objLimit.IsActive() && !m_pMgr->SaveCfg(strProject));
            if (nLimit == 4096)
                QCOMPARE(m_pMgr->ExportDeviceCfgTemplate(m_strMaster, strTemplate, {}), QString::fromUtf8("配置文件创建失败。"));
        }
        QCOMPARE(ReadAll(strProject), QByteArray("old project"));
        QCOMPARE(ReadAll(strTemplate), QByteArray("old template"));
        // No half-written temporary file is left beside the targets.
        QCOMPARE(QDir(m_pDir->path()).entryList(QDir::Files | QDir::Hidden),
                 QDir(m_pDir->path()).entryList({"*.csv", "*.kestrix", "*.dtkestrix"}, QDir::Files));
        QVERIFY(m_pMgr->SaveCfg(strProject));
        QCOMPARE(ReadAll(strProject), objBuffer.GetBuffer());
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
        QVERIFY(WriteAll(Path("nodev.dtkestrix"), "<?xml version=\"1.0\"?>\n<Kestrix>\n\t<DEVICE_LIST />\n</Kestrix>\n"));
        QVERIFY(WriteAll(Path("broken.dtkestrix"), objBytes.left(objBytes.size() / 2)));
        QCOMPARE(m_pMgr->LoadDeviceCfgTemplate("z slave", Path("t4.dtkestrix"), 3), QString::fromUtf8("配置模板与当前设备类型不匹配。"));
        QCOMPARE(m_pMgr->LoadDeviceCfgTemplate("z slave", Path("nodev.dtkestrix"), 3), QString::fromUtf8("配置模板文件无有效内容。"));
        QVERIFY(m_pMgr->LoadDeviceCfgTemplate("z slave", Path("broken.dtkestrix"), 3).startsWith(QString::fromUtf8("配置模板文件打开失败:")));
        QCOMPARE(m_pMgr->LoadDeviceCfgTemplate("nobody", strTemplate, 3), QString::fromUtf8("目标设备不存在。"));
        QVERIFY(Snapshot(m_pMgr) == objBefore);
        QCOMPARE(m_pMgr->ExportDeviceCfgTemplate("nobody", Path("x.dtkestrix"), objAttach), QString::fromUtf8("无效设备属性。"));
        QVERIFY(!QFile::exists(Path("x.dtkestrix")));
        // A device without points exports an empty list and loads as one.
        QCOMPARE(m_pMgr->ExportDeviceCfgTemplate("empty device", Path("e.dtkestrix"), objAttach), QString("OK"));
        QCOMPARE(m_pMgr->LoadDeviceCfgTemplate("z slave", Path("e.dtkestrix"), 1), QString("OK"));
        QVERIFY(m_pMgr->GetDeviceDataCfgList("z slave").isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstConfig)
#include "tst_config.moc"
