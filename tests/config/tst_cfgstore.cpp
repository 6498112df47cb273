#include "ccfgfilemgr.h"
#include "commonfunc.h"
#include "common/logcapture.h"

#include <QtTest>

namespace {

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

DEVICE_COMMON_ATTR_S Attr(const QString &strPort, quint16 nType, quint16 nAddr, qint16 nOffset = 0)
{
    DEVICE_COMMON_ATTR_S objAttr;
    objAttr.strPortName = strPort;
    objAttr.nDeviceType = nType;
    objAttr.nAddr = nAddr;
    objAttr.nAddrOffset = nOffset;
    return objAttr;
}

QList<quint32> Ids(const QList<DEVICE_DATA_CFG_S> &objList)
{
    QList<quint32> objIds;
    for (const DEVICE_DATA_CFG_S &objCfg : objList)
        objIds.append(objCfg.nID);
    return objIds;
}

} // namespace

class TstCfgStore : public QObject
{
    Q_OBJECT

private:
    CCfgFileMgr *m_pMgr = nullptr;

private slots:
    void init()
    {
        m_pMgr = CCfgFileMgr::GetInstance();
        m_pMgr->ClearCfg();
    }

    void attributes()
    {
        DEVICE_COMMON_ATTR_S objOut;
        QVERIFY(!m_pMgr->GetDeviceAttrCfg("M1", objOut));
        // Setters on an unknown device change nothing and create nothing.
        m_pMgr->SetDeviceAttrCfg("M1", Attr("COM1", 1, 5));
        QVERIFY(m_pMgr->SetDeviceCfgAddr("M1", 9));
        QVERIFY(m_pMgr->SetDeviceCfgPortName("M1", "NET1"));
        QVERIFY(m_pMgr->GetDeviceAttrMap().isEmpty());

        m_pMgr->AddDeviceAttrCfg("M1", Attr("COM1", 1, 5, -3));
        QVERIFY(m_pMgr->SetDeviceCfgAddr("M1", 9));
        QVERIFY(m_pMgr->SetDeviceCfgPortName("M1", "NET1"));
        QVERIFY(m_pMgr->GetDeviceAttrCfg("M1", objOut));
        QCOMPARE(objOut, Attr("NET1", 1, 9, -3));
        // Names are compared exactly.
        QVERIFY(!m_pMgr->GetDeviceAttrCfg("m1", objOut));
    }

    void renameConflicts()
    {
        m_pMgr->AddDeviceAttrCfg("A", Attr("COM1", 1, 1));
        m_pMgr->ReplaceDeviceDataCfgList("A", {Point(1, 2, 0, 1)});
        m_pMgr->AddDeviceAttrCfg("B", Attr("COM1", 2, 2));
        // A name with only a data list still counts as taken.
        m_pMgr->ReplaceDeviceDataCfgList("OnlyData", {Point(1, 2, 0, 1)});

        QVERIFY(!m_pMgr->ChangeDeviceCfgName("A", "B"));
        QVERIFY(!m_pMgr->ChangeDeviceCfgName("A", "OnlyData"));
        QCOMPARE(m_pMgr->GetDeviceDataCfgList("A").size(), 1);

        QVERIFY(m_pMgr->ChangeDeviceCfgName("A", "C"));
        DEVICE_COMMON_ATTR_S objOut;
        QVERIFY(!m_pMgr->GetDeviceAttrCfg("A", objOut));
        QVERIFY(m_pMgr->GetDeviceAttrCfg("C", objOut));
        QCOMPARE(objOut.nAddr, quint16(1));
        QCOMPARE(m_pMgr->GetDeviceDataCfgList("C").size(), 1);
        QVERIFY(m_pMgr->GetDeviceDataCfgList("A").isEmpty());
    }

    void unknownDeviceListIsScratch()
    {
        // Appending to the list of an unknown device must not show up elsewhere.
        m_pMgr->GetDeviceDataCfgList("ghost").append(Point(1, 2, 0, 1));
        QVERIFY(m_pMgr->GetDeviceDataCfgList("other ghost").isEmpty());
        QVERIFY(m_pMgr->GetDeviceDataCfgList("ghost").isEmpty());
    }

    void replaceKeepsSimulatedSettingsById()
    {
        QList<DEVICE_DATA_CFG_S> objFirst = {Point(1, 2, 0, 1), Point(2, 2, 1, 1), Point(3, 2, 2, 1)};
        m_pMgr->ReplaceDeviceDataCfgList("D", objFirst);
        QList<DEVICE_DATA_CFG_S> &objStored = m_pMgr->GetDeviceDataCfgList("D");
        objStored[1].objValueCfg.nStategy = 3;
        objStored[1].objValueCfg.strCoefA = "10";
        objStored[2].objValueCfg.nStategy = 4;

        // The table writes back: row 2 removed, rows reordered, a new row 7
        // carrying settings of its own that must not survive.
        DEVICE_DATA_CFG_S objNew = Point(7, 2, 9, 1);
        objNew.objValueCfg.nStategy = 2;
        objNew.objValueCfg.nXInvl = 99;
        m_pMgr->ReplaceDeviceDataCfgList("D", {Point(3, 2, 2, 1, "third"), objNew, Point(2, 2, 1, 1, "second")});

        const QList<DEVICE_DATA_CFG_S> &objList = m_pMgr->GetDeviceDataCfgList("D");
        QCOMPARE(Ids(objList), QList<quint32>({1, 2, 3}));
        QCOMPARE(objList.at(0).strName, QString("third"));
        QCOMPARE(objList.at(0).objValueCfg.nStategy, quint16(4));
        QCOMPARE(objList.at(1).objValueCfg, DATA_VALUE_CFG_S());
        QCOMPARE(objList.at(1).objValueCfg.nXInvl, quint32(10));
        QCOMPARE(objList.at(2).objValueCfg.nStategy, quint16(3));
        QCOMPARE(objList.at(2).objValueCfg.strCoefA, QString("10"));

        // A device without a list gets the new one with default settings.
        m_pMgr->ReplaceDeviceDataCfgList("E", {objNew});
        QCOMPARE(m_pMgr->GetDeviceDataCfgList("E").first().objValueCfg, DATA_VALUE_CFG_S());
    }

    void lookups()
    {
        m_pMgr->ReplaceDeviceDataCfgList("D", {Point(1, 2, 0, 2), Point(2, 2, 2, 1), Point(3, 3, 2, 1), Point(4, 2, 5, 4)});
        DEVICE_DATA_CFG_S objOut;
        QVERIFY(m_pMgr->GetDeviceDataCfg("D", 2, objOut));
        QCOMPARE(objOut.nAddr, quint16(2));
        QVERIFY(!m_pMgr->GetDeviceDataCfg("D", 9, objOut));
        QVERIFY(!m_pMgr->GetDeviceDataCfg("X", 1, objOut));

        // Partial results: the found points still arrive, in the order asked.
        QList<DEVICE_DATA_CFG_S> objFound;
        QVERIFY(!m_pMgr->FindDeviceDataCfgs("D", {4, 99, 1}, objFound));
        QCOMPARE(Ids(objFound), QList<quint32>({4, 1}));
        objFound.clear();
        QVERIFY(m_pMgr->FindDeviceDataCfgs("D", {3, 2}, objFound));
        QCOMPARE(Ids(objFound), QList<quint32>({3, 2}));
        QVERIFY(!m_pMgr->FindDeviceDataCfgs("X", {1}, objFound));

        // Only points wholly inside the range, of the same block.
        QCOMPARE(Ids(m_pMgr->GetDeviceDataCfgsInRange("D", 2, 0, 3)), QList<quint32>({1, 2}));
        QCOMPARE(Ids(m_pMgr->GetDeviceDataCfgsInRange("D", 2, 1, 2)), QList<quint32>({2}));
        QCOMPARE(Ids(m_pMgr->GetDeviceDataCfgsInRange("D", 2, 0, 9)), QList<quint32>({1, 2, 4}));
        // A range reaching the last address does not wrap around.
        m_pMgr->ReplaceDeviceDataCfgList("Top", {Point(1, 2, 65534, 2)});
        QCOMPARE(Ids(m_pMgr->GetDeviceDataCfgsInRange("Top", 2, 65534, 2)), QList<quint32>({1}));
    }

    void setAndSync()
    {
        m_pMgr->ReplaceDeviceDataCfgList("D", {Point(1, 2, 0, 1), Point(2, 2, 1, 1)});
        DEVICE_DATA_CFG_S objCfg = Point(2, 3, 7, 1, "changed");
        QVERIFY(m_pMgr->SetDeviceDataCfg("D", objCfg));
        QCOMPARE(m_pMgr->GetDeviceDataCfgList("D").at(1).strName, QString("changed"));
        CLogCapture objLog;
        QVERIFY(!m_pMgr->SetDeviceDataCfg("D", Point(5, 2, 0, 1)));
        QVERIFY(objLog.Has("Can't Find Device Data Cfg:DP5"));
        QVERIFY(!m_pMgr->SetDeviceDataCfg("X", objCfg));
        QVERIFY(objLog.Has("Can't Find Device Cfg:X"));

        QVERIFY(!m_pMgr->SynDeviceDataCfg("X", "T"));
        QVERIFY(m_pMgr->SynDeviceDataCfg("D", "T"));
        // The copy is the target's own.
        m_pMgr->GetDeviceDataCfgList("T")[0].strName = "only in T";
        QCOMPARE(m_pMgr->GetDeviceDataCfgList("D").at(0).strName, QString("P1"));
        QCOMPARE(m_pMgr->GetDeviceDataCfgList("T").size(), 2);
    }

    void portNames()
    {
        COM_PARA_DATA_S objCom;
        objCom.strPortName = "COM2";
        NET_PARA_DATA_S objNet;
        objNet.strNetName = "NET1";
        m_pMgr->GetNetParaList().append(objNet);
        m_pMgr->GetComParaList().append(objCom);
        objCom.strPortName = "COM1";
        m_pMgr->GetComParaList().append(objCom);
        QCOMPARE(m_pMgr->GetPortNameList(), QStringList({"COM2", "COM1", "NET1"}));
    }

    void offsetCheck_data()
    {
        QTest::addColumn<int>("nOffset");
        QTest::addColumn<int>("nAddr");
        QTest::addColumn<int>("nSize");
        QTest::addColumn<QString>("strResult");
        const QString strOk = "OK";
        const QString strSmall = "数据地址相对偏移过小";
        const QString strBig = "数据地址相对偏移过大";
        QTest::newRow("addr 0, offset -1") << -1 << 0 << 1 << strSmall;
        QTest::newRow("addr 1, offset -1") << -1 << 1 << 1 << strOk;
        QTest::newRow("offset 0, last address") << 0 << 65535 << 4 << strOk;
        QTest::newRow("shifted end exactly at the top") << 10 << 65522 << 4 << strOk;
        QTest::newRow("shifted end one past the top") << 10 << 65523 << 4 << strBig;
        QTest::newRow("large offset, high address") << 32767 << 40000 << 1 << strBig;
    }

    void offsetCheck()
    {
        QFETCH(int, nOffset);
        QFETCH(int, nAddr);
        QFETCH(int, nSize);
        QFETCH(QString, strResult);
        QCOMPARE(CCfgFileMgr::CheckDataAddrOffset(qint16(nOffset), quint16(nAddr), quint16(nSize)), strResult);
        m_pMgr->AddDeviceAttrCfg("D", Attr("COM1", 1, 1, qint16(nOffset)));
        QCOMPARE(m_pMgr->CheckDataAddrOffset("D", quint16(nAddr), quint16(nSize)), strResult);
        QCOMPARE(m_pMgr->CheckDataAddrOffset("missing", quint16(nAddr), quint16(nSize)),
                 QString("内部异常，无法匹配设备"));
    }

    void overlapCheck()
    {
        QString strMsg;
        // 10 (Size 2) and 11 overlap; 10 (Size 2) and 12 do not.
        QCOMPARE(CCfgFileMgr::CheckDataAddrOverlap({Point(1, 2, 10, 2), Point(2, 2, 12, 1)}, strMsg), -1);
        QVERIFY(strMsg.isEmpty());
        QCOMPARE(CCfgFileMgr::CheckDataAddrOverlap({Point(1, 2, 10, 2), Point(2, 2, 11, 1, "温度")}, strMsg), 0);
        QCOMPARE(strMsg, QString("数据地址与其它数据点冲突, ID:2 名称:温度"));
        // The first offending row is reported, with its first later partner.
        const QList<DEVICE_DATA_CFG_S> objRows = {Point(1, 0, 0, 1), Point(2, 2, 5, 4), Point(3, 2, 20, 1),
                                                  Point(4, 2, 8, 1), Point(5, 2, 6, 1)};
        QCOMPARE(CCfgFileMgr::CheckDataAddrOverlap(objRows, strMsg), 1);
        QCOMPARE(strMsg, QString("数据地址与其它数据点冲突, ID:4 名称:P4"));
        // A point at the top of the address space still compares correctly.
        QCOMPARE(CCfgFileMgr::CheckDataAddrOverlap({Point(1, 2, 65535, 1), Point(2, 2, 0, 1)}, strMsg), -1);
    }
};

QTEST_GUILESS_MAIN(TstCfgStore)
#include "tst_cfgstore.moc"
