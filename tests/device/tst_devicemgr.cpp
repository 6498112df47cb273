// Device manager: every refusal in its check order, uniqueness rules, default
// renaming, partial deletes and the stepwise load.

#include <QtTest>

#include "cdevicebase.h"
#include "cdevicemgr.h"
#include "common/socatpair.h"
#include "device/devicefixture.h"

namespace {

QString T(const char *pText)
{
    return QString::fromUtf8(pText);
}

DEVICE_KEY_INFO_S Key(const QString &strName, const QString &strPort, quint16 nAddr)
{
    DEVICE_KEY_INFO_S stKey;
    stKey.strName = strName;
    stKey.strPortName = strPort;
    stKey.nAddr = nAddr;
    return stKey;
}

QStringList Names()
{
    QStringList objOut;
    for (CDeviceBase *pDevice : CDeviceMgr::GetDeviceList())
        objOut << pDevice->GetName();
    return objOut;
}

} // namespace

class TstDeviceMgr : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        RegisterLinkMetaTypes();
    }

    void init()
    {
        CCfgFileMgr::GetInstance()->ClearCfg();
        CDeviceMgr::GetInstance();
    }

    void cleanup()
    {
        CDeviceMgr::DestroyInstance();
    }

    void addChecksInOrder()
    {
        // The order decides which message a request with several faults gets.
        QCOMPARE(CDeviceMgr::AddDevice("", "COM1", 1, 300, 260), T("设备添加失败，起始地址应小于等于结束地址！"));
        QCOMPARE(CDeviceMgr::AddDevice("", "COM1", 1, 0, 256), T("设备添加失败，设备地址过大！"));
        QCOMPARE(CDeviceMgr::AddDevice("", "COM1", 1, 255, 255), T("OK"));
        QCOMPARE(CDeviceMgr::AddDevice("", "COM2", 2, 7, 7), T("OK"));
        QCOMPARE(CDeviceMgr::AddDevice("[M]COM1-255", "COM2", 1, 1, 1), T("设备名称冲突不唯一！"));
        QCOMPARE(CDeviceMgr::AddDevice("", "COM2", 1, 1, 1), T("设备添加失败，该端口已存在其它类型设备！"));
        // One name for several addresses would name several devices alike.
        QCOMPARE(CDeviceMgr::AddDevice("Pump", "COM1", 1, 1, 2), T("设备名称冲突不唯一！"));
        QCOMPARE(Names(), QStringList({"[M]COM1-255", "[S]COM2-007"}));

        CDeviceMgr::DestroyInstance();
        QCOMPARE(CDeviceMgr::AddDevice("", "COM1", 1, 1, 1), T("设备添加失败，内部异常"));
        QCOMPARE(CDeviceMgr::DelDevice({"x"}), T("设备删除失败，内部异常！"));
        QCOMPARE(CDeviceMgr::ChangeDeviceInfo(Key("a", "b", 1), Key("a", "b", 2)), T("设备信息修改失败，内部异常！"));
        QCOMPARE(CDeviceMgr::ChangeDevicePort("a", "b"), T("设备端口修改失败，内部异常！"));
        QCOMPARE(CDeviceMgr::GetDevice("a"), static_cast<CDeviceBase *>(nullptr));
        QCOMPARE(CDeviceMgr::LoadDevicesStep(), 100);
    }

    void addSkipsTakenAddresses()
    {
        QCOMPARE(CDeviceMgr::AddDevice("", "COM1", 1, 2, 2), T("OK"));
        QSignalSpy objNew(CDeviceMgr::GetInstance(), &CDeviceMgr::siNewDevice);
        QCOMPARE(CDeviceMgr::AddDevice("", "COM1", 1, 1, 3), T("OK"));
        QCOMPARE(objNew.count(), 2);
        QCOMPARE(objNew.at(0).at(0).toString(), QStringLiteral("[M]COM1-001"));
        QCOMPARE(objNew.at(1).at(0).toString(), QStringLiteral("[M]COM1-003"));
        QCOMPARE(CDeviceMgr::AddDevice("", "COM1", 1, 1, 3), T("OK"));
        QCOMPARE(objNew.count(), 2);
        QCOMPARE(CDeviceMgr::GetDeviceName("COM1", 3), QStringLiteral("[M]COM1-003"));
        QCOMPARE(CDeviceMgr::GetDeviceName("COM1", 4), QString());
        QVERIFY(CDeviceMgr::GetDevice("[M]COM1-001") != nullptr);
        DEVICE_COMMON_ATTR_S objAttr;
        QVERIFY(CCfgFileMgr::GetInstance()->GetDeviceAttrCfg("[M]COM1-003", objAttr));
        QCOMPARE(objAttr.strPortName, QStringLiteral("COM1"));
        QCOMPARE(objAttr.nDeviceType, quint16(1));
        QCOMPARE(objAttr.nAddr, quint16(3));
    }

    void deletePartly()
    {
        QCOMPARE(CDeviceMgr::DelDevice({}), T("设备删除失败，无有效设备！"));
        QCOMPARE(CDeviceMgr::AddDevice("A", "COM1", 1, 1, 1), T("OK"));
        QCOMPARE(CDeviceMgr::AddDevice("B", "COM1", 1, 2, 2), T("OK"));
        QSignalSpy objDel(CDeviceMgr::GetInstance(), &CDeviceMgr::siDelDevice);
        QCOMPARE(CDeviceMgr::DelDevice({"A", "missing"}), T("部分设备移除失败！"));
        QCOMPARE(objDel.count(), 1);
        QCOMPARE(objDel.first().first().value<QList<QString>>(), QList<QString>({"A"}));
        QCOMPARE(Names(), QStringList({"B"}));
        DEVICE_COMMON_ATTR_S objAttr;
        QVERIFY(!CCfgFileMgr::GetInstance()->GetDeviceAttrCfg("A", objAttr));
        QVERIFY(CCfgFileMgr::GetInstance()->GetDeviceAttrCfg("B", objAttr));
        QCOMPARE(CDeviceMgr::DelDevice({"missing"}), T("部分设备移除失败！"));
        QCOMPARE(objDel.count(), 2);
        QVERIFY(objDel.last().first().value<QList<QString>>().isEmpty());
        QCOMPARE(CDeviceMgr::DelDevice({"B"}), T("OK"));
        QVERIFY(CDeviceMgr::GetDeviceList().isEmpty());
    }

    void changeInfoChecksInOrder()
    {
        QCOMPARE(CDeviceMgr::AddDevice("", "COM1", 1, 1, 2), T("OK"));
        QCOMPARE(CDeviceMgr::AddDevice("", "COM2", 2, 1, 1), T("OK"));
        const QString strA = "[M]COM1-001";
        QCOMPARE(CDeviceMgr::ChangeDeviceInfo(Key("", "COM1", 1), Key("x", "COM1", 1)),
                 T("设备信息修改失败，设备信息异常！"));
        QCOMPARE(CDeviceMgr::ChangeDeviceInfo(Key(strA, "", 1), Key("x", "COM1", 1)),
                 T("设备信息修改失败，设备信息异常！"));
        QCOMPARE(CDeviceMgr::ChangeDeviceInfo(Key("nobody", "COM1", 1), Key("", "", 1)),
                 T("设备信息修改失败，设备不存在！"));
        QCOMPARE(CDeviceMgr::ChangeDeviceInfo(Key(strA, "COM1", 1), Key(strA, "", 1)),
                 T("设备信息修改失败，设备信息不能为空！"));
        QCOMPARE(CDeviceMgr::ChangeDeviceInfo(Key(strA, "COM1", 1), Key("[M]COM1-002", "COM2", 999)),
                 T("设备名称修改失败，设备名称与其它设备冲突！"));
        QCOMPARE(CDeviceMgr::ChangeDeviceInfo(Key(strA, "COM1", 1), Key(strA, "COM2", 999)),
                 T("设备端口修改失败，其它设备类型已占用新端口！"));
        QCOMPARE(CDeviceMgr::ChangeDeviceInfo(Key(strA, "COM1", 1), Key(strA, "COM1", 256)),
                 T("设备地址修改失败，地址值过大（应小于256）！"));
        QCOMPARE(CDeviceMgr::ChangeDeviceInfo(Key(strA, "COM1", 1), Key(strA, "COM1", 2)),
                 T("设备地址修改失败，该地址设备已存在！"));
        QCOMPARE(CDeviceMgr::ChangeDeviceInfo(Key(strA, "COM1", 1), Key(strA, "COM1", 1)),
                 T("设备信息无变更，无需修改！"));
        QCOMPARE(Names(), QStringList({"[M]COM1-001", "[M]COM1-002", "[S]COM2-001"}));

        // A name that still has a configuration of its own (no device) is
        // refused by the store: nothing changes and no rename is announced.
        DEVICE_COMMON_ATTR_S objGhost;
        objGhost.strPortName = QStringLiteral("COM5");
        CCfgFileMgr::GetInstance()->AddDeviceAttrCfg(QStringLiteral("Ghost"), objGhost);
        QSignalSpy objRenamed(CDeviceMgr::GetInstance(), &CDeviceMgr::siDeviceNameChanged);
        QCOMPARE(CDeviceMgr::ChangeDeviceInfo(Key(strA, "COM1", 1), Key("Ghost", "COM1", 9)),
                 T("设备名称修改失败，设备名称与其它设备冲突！"));
        QCOMPARE(objRenamed.count(), 0);
        QCOMPARE(CDeviceMgr::GetDeviceName("COM1", 1), strA);
    }

    void changeInfoRenamesDefaultNames()
    {
        QCOMPARE(CDeviceMgr::AddDevice("", "COM1", 1, 1, 1), T("OK"));
        QCOMPARE(CDeviceMgr::AddDevice("Pump", "COM1", 1, 2, 2), T("OK"));
        QSignalSpy objRenamed(CDeviceMgr::GetInstance(), &CDeviceMgr::siDeviceNameChanged);

        // Only the address: the default name follows it, announced once.
        QCOMPARE(CDeviceMgr::ChangeDeviceInfo(Key("[M]COM1-001", "COM1", 1), Key("[M]COM1-001", "COM1", 5)), T("OK"));
        QCOMPARE(objRenamed.count(), 1);
        QCOMPARE(objRenamed.first().at(0).toString(), QStringLiteral("[M]COM1-001"));
        QCOMPARE(objRenamed.first().at(1).toString(), QStringLiteral("[M]COM1-005"));
        CDeviceBase *pDevice = CDeviceMgr::GetDevice("[M]COM1-005");
        QVERIFY(pDevice != nullptr);
        QCOMPARE(pDevice->GetAddr(), quint16(5));
        QCOMPARE(CDeviceMgr::GetDeviceName("COM1", 5), QStringLiteral("[M]COM1-005"));
        DEVICE_COMMON_ATTR_S objAttr;
        QVERIFY(CCfgFileMgr::GetInstance()->GetDeviceAttrCfg("[M]COM1-005", objAttr));
        QCOMPARE(objAttr.nAddr, quint16(5));

        // A custom name stays.
        objRenamed.clear();
        QCOMPARE(CDeviceMgr::ChangeDeviceInfo(Key("Pump", "COM1", 2), Key("Pump", "COM1", 6)), T("OK"));
        QCOMPARE(objRenamed.count(), 0);
        QCOMPARE(CDeviceMgr::GetDeviceName("COM1", 6), QStringLiteral("Pump"));

        // A new custom name together with a new address keeps the custom name.
        QCOMPARE(CDeviceMgr::ChangeDeviceInfo(Key("[M]COM1-005", "COM1", 5), Key("Valve", "COM1", 7)), T("OK"));
        QCOMPARE(objRenamed.count(), 1);
        QCOMPARE(CDeviceMgr::GetDeviceName("COM1", 7), QStringLiteral("Valve"));

        // Only the link, to a link where that address is taken: accepted.
        QCOMPARE(CDeviceMgr::AddDevice("", "COM3", 1, 7, 7), T("OK"));
        QCOMPARE(CDeviceMgr::ChangeDeviceInfo(Key("Valve", "COM1", 7), Key("Valve", "COM3", 7)), T("OK"));
        QCOMPARE(CDeviceMgr::GetDevice("Valve")->GetPortName(), QStringLiteral("COM3"));
    }

    void changePort()
    {
        QCOMPARE(CDeviceMgr::AddDevice("", "COM1", 1, 1, 1), T("OK"));
        QCOMPARE(CDeviceMgr::AddDevice("", "COM2", 2, 1, 1), T("OK"));
        QCOMPARE(CDeviceMgr::ChangeDevicePort("nobody", "COM3"), T("设备端口修改失败，设备不存在！"));
        QSignalSpy objRenamed(CDeviceMgr::GetInstance(), &CDeviceMgr::siDeviceNameChanged);
        QCOMPARE(CDeviceMgr::ChangeDevicePort("[M]COM1-001", "COM1"), T("OK"));
        QCOMPARE(CDeviceMgr::ChangeDevicePort("[M]COM1-001", "COM2"), T("设备端口修改失败，其它设备类型已占用新端口！"));
        QCOMPARE(objRenamed.count(), 0);
        QCOMPARE(CDeviceMgr::ChangeDevicePort("[M]COM1-001", "COM3"), T("OK"));
        QCOMPARE(objRenamed.count(), 1);
        QCOMPARE(CDeviceMgr::GetDeviceName("COM3", 1), QStringLiteral("[M]COM3-001"));
    }

    void loadStepByStep()
    {
        CCfgFileMgr *pCfg = CCfgFileMgr::GetInstance();
        for (quint16 i = 1; i <= 3; ++i) {
            DEVICE_COMMON_ATTR_S objAttr;
            objAttr.strPortName = QStringLiteral("COM%1").arg(i);
            objAttr.nDeviceType = i == 2 ? 2 : 1;
            objAttr.nAddr = i;
            objAttr.nRegGap = 9;
            pCfg->AddDeviceAttrCfg(QStringLiteral("dev%1").arg(i), objAttr);
        }
        QCOMPARE(CDeviceMgr::LoadDevicesStep(), 33);
        QCOMPARE(Names(), QStringList({"dev1"}));
        QCOMPARE(CDeviceMgr::LoadDevicesStep(), 66);
        QCOMPARE(CDeviceMgr::LoadDevicesStep(), 100);
        QCOMPARE(CDeviceMgr::LoadDevicesStep(), 100);
        QCOMPARE(Names(), QStringList({"dev1", "dev2", "dev3"}));
        QCOMPARE(CDeviceMgr::GetDevice("dev2")->GetType(), quint16(2));
        QCOMPARE(CDeviceMgr::GetDevice("dev3")->GetPara().nRegGap, quint16(9));

        // A new load first clears the devices there are; one abandoned half way starts over.
        QCOMPARE(CDeviceMgr::LoadDevicesStep(), 33);
        QCOMPARE(Names(), QStringList({"dev1"}));
        CDeviceMgr::ResetLoad();
        QCOMPARE(CDeviceMgr::LoadDevicesStep(), 33);
        QCOMPARE(Names(), QStringList({"dev1"}));
        CDeviceMgr::ResetLoad();

        CDeviceMgr::LoadDevices();
        QCOMPARE(Names(), QStringList({"dev1", "dev2", "dev3"}));
        QSignalSpy objDel(CDeviceMgr::GetInstance(), &CDeviceMgr::siDelDevice);
        CDeviceMgr::ClearDevices();
        QCOMPARE(objDel.count(), 1);
        QCOMPARE(objDel.first().first().value<QList<QString>>(), QList<QString>({"dev1", "dev2", "dev3"}));
    }

    void stateChangesReachTheManager()
    {
        CSocatPair objPair;
        QVERIFY(objPair.Start());
        AddComRecord(objPair.EndA());
        QSignalSpy objState(CDeviceMgr::GetInstance(), &CDeviceMgr::siDeviceStateChanged);
        QCOMPARE(CDeviceMgr::AddDevice("Live", objPair.EndA(), 1, 1, 1), T("OK"));
        QVERIFY(WaitFor([&] { return objState.count() >= 1; }, 5000));
        QCOMPARE(objState.first().at(0).toString(), QStringLiteral("Live"));
        QCOMPARE(objState.first().at(1).value<quint16>(), quint16(1));
        CDeviceMgr::GetDevice("Live")->ShutDownDevice();
        QCOMPARE(objState.count(), 2);
    }
};

QTEST_GUILESS_MAIN(TstDeviceMgr)
#include "tst_devicemgr.moc"
