#include "ccfgfilemgr.h"
#include "commonfunc.h"
#include "csvtable.h"
#include "common/filesizelimit.h"
#include "cxmlbuffer.h"

#include <QtTest>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <unistd.h>

namespace {

QByteArray ReadAll(const QString &strPath)
{
    QFile objFile(strPath);
    if (!objFile.open(QIODevice::ReadOnly))
        return QByteArray();
    return objFile.readAll();
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
    STORE_IMAGE_S objImage;
    objImage.objAttrs = pMgr->GetDeviceAttrMap();
    for (const QString &strName : objImage.objAttrs.keys())
        objImage.objData.insert(strName, pMgr->GetDeviceDataCfgList(strName));
    objImage.objComs = pMgr->GetComParaList();
    objImage.objNets = pMgr->GetNetParaList();
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

class TstCfgFile : public QObject
{
    Q_OBJECT

private:
    CCfgFileMgr *m_pMgr = nullptr;
    QTemporaryDir *m_pDir = nullptr;
    QString m_strOldCwd;
    const QString m_strMaster = QString::fromUtf8("A 主机 <\"&'>");

    QString Path(const QString &strName) const { return m_pDir->filePath(strName); }

    // Two links of each kind, a master and a slave, points of every block,
    // protocol and show type, with simulated settings.
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
        // The write-back resets simulated settings of new IDs: put them back.
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
        m_pMgr = CCfgFileMgr::GetInstance();
        m_pMgr->ClearCfg();
        m_pMgr->SetCfgFilePath(QString());
    }

    void cleanup()
    {
        QDir::setCurrent(m_strOldCwd);
        delete m_pDir;
        m_pDir = nullptr;
    }

    void roundTripIsByteIdentical()
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
        QVERIFY(objA.startsWith("<?xml version=\"1.0\"?>\n<Kestrix>\n\t<PORT_LIST>\n\t\t<COM Name=\"COM1\""));
        QVERIFY(!objA.contains('\r'));
        // Devices in name order, whatever the order of creation.
        const int nA = objA.indexOf("<DEVICE Name=\"A ");
        const int nEmpty = objA.indexOf("<DEVICE Name=\"empty device\"");
        const int nZ = objA.indexOf("<DEVICE Name=\"z slave\"");
        QVERIFY(nA > 0 && nA < nEmpty && nEmpty < nZ);
        QVERIFY(objA.contains("AddrOffset=\"-32768\""));
        QVERIFY(objA.contains("AddrOffset=\"32767\""));
        QVERIFY(objA.contains("Gain=\"0.33333333333333331\""));
        QVERIFY(objA.contains("<DEVICE Name=\"empty device\" PortName=\"COM1\" DeviceType=\"1\" Addr=\"1\""));
        QVERIFY(objA.contains("\t\t\t<DATA_LIST />\n"));
    }

    void changeDetection()
    {
        FillRichStore();
        QVERIFY(m_pMgr->SaveCfg(Path("a.kestrix")));
        m_pMgr->SetCfgFilePath(Path("a.kestrix"));
        QVERIFY(!m_pMgr->IsCfgChanged());

        const QString strMaster = m_strMaster;
        const QList<std::function<void()>> objChanges = {
            [&] { m_pMgr->GetComParaList()[1].nBreakTime += 1; },
            [&] { m_pMgr->GetNetParaList()[0].strDesIP = "127.0.0.2"; },
            [&] { m_pMgr->SetDeviceCfgAddr("z slave", 246); },
            [&] { m_pMgr->SetDeviceCfgPortName(strMaster, "COM2"); },
            [&] { m_pMgr->GetDeviceDataCfgList("z slave").last().objValueCfg.fMinValue = 1.0; },
            [&] { m_pMgr->GetDeviceDataCfgList(strMaster)[0].fGain = 0.5; },
            [&] { m_pMgr->GetDeviceDataCfgList(strMaster)[4].nTimeOut = 1; },
            [&] { m_pMgr->GetDeviceDataCfgList(strMaster)[6].objValueCfg.strCoefE = "1e4"; },
            [&] { m_pMgr->GetDeviceDataCfgList(strMaster).removeLast(); },
            [&] { m_pMgr->AddDeviceAttrCfg("new", DEVICE_COMMON_ATTR_S()); },
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
        const int nPos = objBytes.indexOf("Baund=\"115200\"");
        objBytes[nPos + 7] = '2';
        QVERIFY(WriteAll(Path("a.kestrix"), objBytes));
        QVERIFY(m_pMgr->IsCfgChanged());
    }

    void changeDetectionWithoutFile()
    {
        // No current file: only devices and network links count as content.
        COM_PARA_DATA_S objCom;
        m_pMgr->GetComParaList().append(objCom);
        QVERIFY(!m_pMgr->IsCfgChanged());
        m_pMgr->GetNetParaList().append(NET_PARA_DATA_S());
        QVERIFY(m_pMgr->IsCfgChanged());
        m_pMgr->GetNetParaList().clear();
        // Points of a name without attributes are never written.
        m_pMgr->ReplaceDeviceDataCfgList("D", {DEVICE_DATA_CFG_S()});
        QVERIFY(!m_pMgr->IsCfgChanged());
        m_pMgr->AddDeviceAttrCfg("D", DEVICE_COMMON_ATTR_S());
        QVERIFY(m_pMgr->IsCfgChanged());
        // A current file that has gone is the same as none.
        m_pMgr->SetCfgFilePath(Path("gone.kestrix"));
        QVERIFY(m_pMgr->IsCfgChanged());
        m_pMgr->ClearCfg();
        QVERIFY(!m_pMgr->IsCfgChanged());
    }

    void rememberedPath()
    {
        m_pMgr->SetCfgFilePath(Path("plant, one.kestrix"));
        QCOMPARE(CsvTable("./config.csv").GetCell(0, 0), Path("plant, one.kestrix"));
        QCOMPARE(m_pMgr->GetCfgFilePath(), Path("plant, one.kestrix"));
        // An empty current path is read again from the table.
        m_pMgr->SetCfgFilePath(QString());
        CsvTable objTable;
        objTable.SetCell(0, 0, QStringLiteral("/x/last.kestrix"));
        objTable.SetCell(1, 0, QStringLiteral("kept"));
        QVERIFY(objTable.Save("./config"));
        QCOMPARE(m_pMgr->GetCfgFilePath(), QString("/x/last.kestrix"));
        m_pMgr->SetCfgFilePath(Path("b.kestrix"));
        QCOMPARE(CsvTable("./config.csv").GetCell(1, 0), QString("kept"));
    }

    void goldenFileImports()
    {
        QVERIFY(WriteAll(Path("golden.kestrix"), GOLDEN_PROJECT));
        QCOMPARE(m_pMgr->ImportCfgFile(Path("golden.kestrix")), QString("OK"));

        QCOMPARE(m_pMgr->GetComParaList(), QList<COM_PARA_DATA_S>({{0, "COM3", 2, 1, 1, 19200, 15}}));
        QVERIFY(m_pMgr->GetNetParaList().isEmpty());
        DEVICE_COMMON_ATTR_S objAttr;
        QVERIFY(m_pMgr->GetDeviceAttrCfg("Boiler & Pump", objAttr));
        QCOMPARE(objAttr, DEVICE_COMMON_ATTR_S({"COM3", DEVICE_TYPE_SLAVE, 17, 1, -2, 1, 8, 4, 1, 0, 0, 255, 0}));
        const DATA_VALUE_CFG_S objV = {3, "10", "1", "5", "0", "0", 10, 2, 0.5, 0.25, -0.25, 150.0, 0.0};
        const DEVICE_DATA_CFG_S objExpected = {1, 100, 1, SHOW_TYPE_FLOAT, PRTC_TYPE_UINT, BLOCK_HOLDING_REG, 0, 1, 1,
                                               1, 0, 0.1, 500, 2, 1500, 1, objV, QString::fromUtf8("出水温度"),
                                               QString::fromUtf8("℃"), "0-150"};
        QCOMPARE(m_pMgr->GetDeviceDataCfgList("Boiler & Pump"), QList<DEVICE_DATA_CFG_S>({objExpected}));

        // Written back, the store gives the hand-written file byte for byte.
        QVERIFY(m_pMgr->SaveCfg(Path("again.kestrix")));
        QCOMPARE(QString::fromUtf8(ReadAll(Path("again.kestrix"))), QString::fromUtf8(GOLDEN_PROJECT));
    }

    void shippedExamplesLoadAndSaveUnchanged()
    {
        const QDir objExamples(qEnvironmentVariable("KESTRIX_TEST_SOURCE_DIR") + QStringLiteral("/../examples"));
        const QStringList objFiles = objExamples.entryList({QStringLiteral("*.kestrix")}, QDir::Files);
        QVERIFY(!objFiles.isEmpty());
        for (const QString &strFile : objFiles) {
            const QString strPath = objExamples.filePath(strFile);
            QCOMPARE(m_pMgr->ImportCfgFile(strPath), QString("OK"));
            QVERIFY(!m_pMgr->GetDeviceAttrMap().isEmpty());
            QVERIFY(m_pMgr->SaveCfg(Path(strFile)));
            QCOMPARE(ReadAll(Path(strFile)), ReadAll(strPath));
        }
    }

    void absentPartsReadAsDefaults()
    {
        const QByteArray objXml =
            "<?xml version=\"1.0\"?><Kestrix><PORT_LIST><NET Name=\"NET1\"/><COM/></PORT_LIST><DEVICE_LIST>"
            "<DEVICE Name=\"\" DeviceType=\"1\"><DATA_LIST><DATA Name=\"lost\"/></DATA_LIST></DEVICE>"
            "<DEVICE Name=\"D\" DeviceType=\"1\"><DATA_LIST>"
            "<DATA Name=\"bare\"/>"
            "<DATA Name=\"parts\"><TIMEOUT/><CURVE/><VALUE/></DATA>"
            "</DATA_LIST></DEVICE>"
            "<DEVICE Name=\"D\" DeviceType=\"2\" Addr=\"5\"><DATA_LIST><DATA Name=\"third\"/></DATA_LIST></DEVICE>"
            "<DEVICE Name=\"NoList\"/>"
            "</DEVICE_LIST></Kestrix>";
        QVERIFY(WriteAll(Path("defaults.kestrix"), objXml));
        QCOMPARE(m_pMgr->ImportCfgFile(Path("defaults.kestrix")), QString("OK"));

        // COM elements are read before NET elements.
        QCOMPARE(m_pMgr->GetPortNameList(), QStringList({"", "NET1"}));
        const COM_PARA_DATA_S &objCom = m_pMgr->GetComParaList().first();
        QCOMPARE(objCom.nBaudRate, 0);
        QCOMPARE(objCom.nBreakTime, quint32(0));
        const NET_PARA_DATA_S &objNet = m_pMgr->GetNetParaList().first();
        QCOMPARE(objNet.strDesIP, QString());
        QCOMPARE(objNet.nPortID, quint16(0));
        QCOMPARE(objNet.nTransMode, quint16(0));
        QCOMPARE(objNet.nMaxAsynNum, quint16(15));

        QCOMPARE(m_pMgr->GetDeviceAttrMap().keys(), QStringList({"D", "NoList"}));
        DEVICE_COMMON_ATTR_S objAttr;
        QVERIFY(m_pMgr->GetDeviceAttrCfg("D", objAttr));
        QCOMPARE(objAttr.nDeviceType, quint16(2)); // the later element wins
        QCOMPARE(objAttr.nAddr, quint16(5));
        QVERIFY(m_pMgr->GetDeviceDataCfgList("NoList").isEmpty());

        const QList<DEVICE_DATA_CFG_S> &objList = m_pMgr->GetDeviceDataCfgList("D");
        QCOMPARE(objList.size(), 3);
        // A repeated device continues the numbering: IDs stay unique.
        QCOMPARE(objList.at(0).nID, quint32(1));
        QCOMPARE(objList.at(1).nID, quint32(2));
        QCOMPARE(objList.at(2).nID, quint32(3));
        QCOMPARE(objList.at(2).strName, QString("third"));

        const DEVICE_DATA_CFG_S &objBare = objList.at(0);
        QCOMPARE(objBare.nIsBRead, quint16(1));
        QCOMPARE(objBare.nIsShow, quint16(0));
        QCOMPARE(objBare.fGain, 0.0);
        QCOMPARE(objBare.nSize, quint16(0));
        // Whole children missing: the settings a new point gets.
        QCOMPARE(objBare.nTimeOut, quint32(2000));
        QCOMPARE(objBare.nResendCount, quint16(0));
        QCOMPARE(objBare.nCurveShow, quint16(0));
        QCOMPARE(objBare.objValueCfg, DATA_VALUE_CFG_S());
        QCOMPARE(objBare.objValueCfg.nXInvl, quint32(10));
        // Children present but empty: the file's attribute defaults.
        const DEVICE_DATA_CFG_S &objParts = objList.at(1);
        QCOMPARE(objParts.nTimeOut, quint32(0));
        QCOMPARE(objParts.objValueCfg.nXInvl, quint32(1));
        QCOMPARE(objParts.objValueCfg.strCoefD, QString("0"));
    }

    void badFilesLeaveStoreUnchanged_data()
    {
        QTest::addColumn<QByteArray>("objContent");
        QTest::addColumn<QString>("strPrefix");
        const QString strFail = QString::fromUtf8("配置文件打开失败:");
        QTest::newRow("not xml") << QByteArray("this is not xml at all") << strFail;
        QTest::newRow("empty") << QByteArray() << strFail;
        QTest::newRow("truncated") << QByteArray(GOLDEN_PROJECT).left(300) << strFail;
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe<\x01", 5) << strFail;
        QTest::newRow("wrong root") << QByteArray("<?xml version=\"1.0\"?><Other><DEVICE_LIST/></Other>") << strFail;
    }

    void badFilesLeaveStoreUnchanged()
    {
        QFETCH(QByteArray, objContent);
        QFETCH(QString, strPrefix);
        FillRichStore();
        const STORE_IMAGE_S objBefore = Snapshot(m_pMgr);
        QVERIFY(WriteAll(Path("bad.kestrix"), objContent));
        QSignalSpy objSpy(m_pMgr, &CCfgFileMgr::siNewCfgFile);
        const QString strResult = m_pMgr->ImportCfgFile(Path("bad.kestrix"));
        QVERIFY2(strResult.startsWith(strPrefix) && strResult.size() > strPrefix.size(), qPrintable(strResult));
        QCOMPARE(objSpy.count(), 0);
        QVERIFY(Snapshot(m_pMgr) == objBefore);
    }

    void missingFile()
    {
        m_pMgr->AddDeviceAttrCfg("keep", DEVICE_COMMON_ATTR_S());
        QCOMPARE(m_pMgr->ImportCfgFile(Path("nothing.kestrix")),
                 QString::fromUtf8("配置文件打开失败:File was not found"));
        QCOMPARE(m_pMgr->GetDeviceAttrMap().size(), 1);
    }

    void absurdAttributeValues()
    {
        const QByteArray objXml =
            "<Kestrix><PORT_LIST><NET Name=\"N\" MaxAsynNum=\"many\" PortID=\"70000\"/></PORT_LIST><DEVICE_LIST>"
            "<DEVICE Name=\"D\" DeviceType=\"4\" AddrOffset=\"40000\" Addr=\"-5\"><DATA_LIST>"
            "<DATA Size=\"abc\" IsBRead=\"x\" Gain=\"1,5\" Addr=\"65535\" BLOCK=\"9\" ShowType=\"65535\"/>"
            "<DATA Size=\"-1\" Gain=\" 2.5 \" Addr=\"0x10\" IntervalTime=\"99999999999\"/>"
            "<DATA Size=\"65535\" PrtcTYPE=\"3\" ShowType=\"4\"><VALUE XInvl=\"-1\" MaxValue=\"inf\"/></DATA>"
            "</DATA_LIST></DEVICE></DEVICE_LIST></Kestrix>";
        QVERIFY(WriteAll(Path("absurd.kestrix"), objXml));
        QCOMPARE(m_pMgr->ImportCfgFile(Path("absurd.kestrix")), QString("OK"));

        QCOMPARE(m_pMgr->GetNetParaList().first().nMaxAsynNum, quint16(15));
        QCOMPARE(m_pMgr->GetNetParaList().first().nPortID, quint16(70000 & 0xFFFF));
        DEVICE_COMMON_ATTR_S objAttr;
        QVERIFY(m_pMgr->GetDeviceAttrCfg("D", objAttr));
        QCOMPARE(objAttr.nDeviceType, quint16(4));
        QCOMPARE(objAttr.nAddrOffset, qint16(40000 - 65536));
        QCOMPARE(objAttr.nAddr, quint16(0)); // negative: not an unsigned number

        const QList<DEVICE_DATA_CFG_S> &objList = m_pMgr->GetDeviceDataCfgList("D");
        QCOMPARE(objList.size(), 3);
        QCOMPARE(objList.at(0).nSize, quint16(0));
        QCOMPARE(objList.at(0).nIsBRead, quint16(1));
        QCOMPARE(objList.at(0).fGain, 0.0);
        QCOMPARE(objList.at(0).nAddr, quint16(65535));
        QCOMPARE(objList.at(0).nBlock, quint16(9));
        QCOMPARE(objList.at(1).nSize, quint16(0));
        QCOMPARE(objList.at(1).fGain, 2.5);
        QCOMPARE(objList.at(1).nAddr, quint16(16));
        QCOMPARE(objList.at(1).nIntervalTime, quint32(99999999999ull & 0xFFFFFFFFu));
        QCOMPARE(objList.at(2).objValueCfg.nXInvl, quint32(1));
        QVERIFY(qIsInf(objList.at(2).objValueCfg.fMaxValue));

        // The odd values convert to errors, never to a crash.
        QCOMPARE(CCfgFileMgr::ConvertDataFromNetBytes(objList.at(0), QByteArray(2, '\0')), QString("ERROR"));
        QVERIFY(CCfgFileMgr::ConvertDataFromStringToNet(objList.at(2), "41").isEmpty());
        QVERIFY(m_pMgr->SaveCfg(Path("absurd-again.kestrix")));
    }

    void unwritableTargets()
    {
        FillRichStore();
        const STORE_IMAGE_S objBefore = Snapshot(m_pMgr);
        QStringList objPaths = {Path("no such folder/p.kestrix"), "/proc/kestrix-test/p.kestrix",
                                "/proc/p.kestrix"};
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
            // The project in memory survives a failed new project.
            QVERIFY(Snapshot(m_pMgr) == objBefore);
            QVERIFY(!QFile::exists(strPath));
        }
        QFile::setPermissions(strLocked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void writeFailingMidwayKeepsOldFile()
    {
        FillRichStore();
        const QString strProject = Path("p.kestrix");
        const QString strTemplate = Path("t.dtkestrix");
        QVERIFY(WriteAll(strProject, "old project"));
        QVERIFY(WriteAll(strTemplate, "old template"));
        CXMLBuffer objBuffer;
        QVERIFY(m_pMgr->WriteCfgXml(&objBuffer, QString()));
        QVERIFY(objBuffer.GetBuffer().size() > 8192);

        const QString strMaster = m_strMaster;
        QCOMPARE(m_pMgr->ExportDeviceCfgTemplate(strMaster, Path("full.dtkestrix"), DEVICE_CFG_TP_ACI_S()),
                 QString("OK"));
        const rlim_t nProjectSize = rlim_t(objBuffer.GetBuffer().size());
        const rlim_t nTemplateSize = rlim_t(QFileInfo(Path("full.dtkestrix")).size());

        // Early in the document, and only at its very last byte.
        for (rlim_t nLimit : {rlim_t(4096), nProjectSize - 1}) {
            CFileSizeLimit objLimit(nLimit);
            QVERIFY(objLimit.IsActive());
            QVERIFY(!m_pMgr->SaveCfg(strProject));
        }
        for (rlim_t nLimit : {rlim_t(4096), nTemplateSize - 1}) {
            CFileSizeLimit objLimit(nLimit);
            QVERIFY(objLimit.IsActive());
            QCOMPARE(m_pMgr->ExportDeviceCfgTemplate(strMaster, strTemplate, DEVICE_CFG_TP_ACI_S()),
                     QString::fromUtf8("配置文件创建失败。"));
        }
        QCOMPARE(ReadAll(strProject), QByteArray("old project"));
        QCOMPARE(ReadAll(strTemplate), QByteArray("old template"));
        // No half-written temporary file is left beside the target.
        QCOMPARE(QDir(m_pDir->path()).entryList(QDir::Files | QDir::Hidden).size(),
                 QDir(m_pDir->path()).entryList({"*.csv", "*.kestrix", "*.dtkestrix"}, QDir::Files).size());

        // Without the limit the same save goes through and replaces the file.
        QVERIFY(m_pMgr->SaveCfg(strProject));
        QCOMPARE(ReadAll(strProject), objBuffer.GetBuffer());
    }

    void newProject()
    {
        FillRichStore();
        QCOMPARE(m_pMgr->NewCfg(Path("new.kestrix")), QString("OK"));
        QVERIFY(Snapshot(m_pMgr) == STORE_IMAGE_S());
        QCOMPARE(m_pMgr->GetCfgFilePath(), Path("new.kestrix"));
        QCOMPARE(CsvTable("./config.csv").GetCell(0, 0), Path("new.kestrix"));
        QCOMPARE(ReadAll(Path("new.kestrix")),
                 QByteArray("<?xml version=\"1.0\"?>\n<Kestrix>\n\t<PORT_LIST />\n\t<DEVICE_LIST />\n</Kestrix>\n"));
        QVERIFY(!m_pMgr->IsCfgChanged());
    }

    void templates()
    {
        FillRichStore();
        const QString strMaster = m_strMaster;
        const QString strTemplate = Path("m.dtkestrix");
        DEVICE_CFG_TP_ACI_S objAttach;
        objAttach.strFactory = "Acme";
        objAttach.strDeviceName = "Meter";
        objAttach.strDeviceModel = "M-1";
        objAttach.strCfgVersion = "1.0";
        QCOMPARE(m_pMgr->ExportDeviceCfgTemplate(strMaster, strTemplate, objAttach), QString("OK"));
        const QByteArray objBytes = ReadAll(strTemplate);
        QVERIFY(objBytes.startsWith("<?xml version=\"1.0\"?>\n<Kestrix>\n\t<DEVICE Name=\"A "));
        QVERIFY(objBytes.contains("\t\t<ATTACH Factory=\"Acme\" DeviceName=\"Meter\" DeviceModel=\"M-1\" "
                                  "CfgVersion=\"1.0\" Remarks=\"\" />\n\t\t<DATA_LIST>"));
        QVERIFY(!objBytes.contains("PORT_LIST") && !objBytes.contains("DEVICE_LIST"));

        // Into the slave: link and address stay, all else comes from the template.
        DEVICE_COMMON_ATTR_S objSlaveBefore;
        QVERIFY(m_pMgr->GetDeviceAttrCfg("z slave", objSlaveBefore));
        QCOMPARE(m_pMgr->LoadDeviceCfgTemplate("z slave", strTemplate, 3), QString("OK"));
        DEVICE_COMMON_ATTR_S objSlave;
        DEVICE_COMMON_ATTR_S objMaster;
        QVERIFY(m_pMgr->GetDeviceAttrCfg("z slave", objSlave));
        QVERIFY(m_pMgr->GetDeviceAttrCfg(strMaster, objMaster));
        QCOMPARE(objSlave.strPortName, objSlaveBefore.strPortName);
        QCOMPARE(objSlave.nAddr, objSlaveBefore.nAddr);
        objSlave.strPortName = objMaster.strPortName;
        objSlave.nAddr = objMaster.nAddr;
        QCOMPARE(objSlave, objMaster);
        // Points and their simulated settings, renumbered from 1.
        QCOMPARE(m_pMgr->GetDeviceDataCfgList("z slave"), m_pMgr->GetDeviceDataCfgList(strMaster));

        // Refusals leave the device as it was.
        const STORE_IMAGE_S objBefore = Snapshot(m_pMgr);
        QByteArray objType4 = objBytes;
        objType4.replace("DeviceType=\"1\"", "DeviceType=\"4\"");
        QVERIFY(WriteAll(Path("t4.dtkestrix"), objType4));
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

        // A device without attributes cannot be exported, and no file appears.
        QCOMPARE(m_pMgr->ExportDeviceCfgTemplate("nobody", Path("x.dtkestrix"), objAttach),
                 QString::fromUtf8("无效设备属性。"));
        QVERIFY(!QFile::exists(Path("x.dtkestrix")));
        // A device without points exports an empty list and loads as one.
        QCOMPARE(m_pMgr->ExportDeviceCfgTemplate("empty device", Path("e.dtkestrix"), objAttach), QString("OK"));
        QCOMPARE(m_pMgr->LoadDeviceCfgTemplate("z slave", Path("e.dtkestrix"), 1), QString("OK"));
        QVERIFY(m_pMgr->GetDeviceDataCfgList("z slave").isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstCfgFile)
#include "tst_cfgfile.moc"
