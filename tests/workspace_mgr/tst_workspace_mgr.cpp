// The link and device management page and the device list, driven through
// their widgets over real links: TCP servers on loopback and socat pty pairs.

#include <QTabBar>
#include <QtTest>
#include <memory>

#include "ccfgfilemgr.h"
#include "cdevicebase.h"
#include "cdevicemgr.h"
#include "cdlgchangedeviceinfo.h"
#include "cdlgdevicelist.h"
#include "cdlgdevicemgr.h"
#include "cdlglinkparaset.h"
#include "cmttablewidget.h"
#include "cnetparamgr.h"
#include "common/freeport.h"
#include "common/socatpair.h"
#include "common/uidriver.h"
#include "commonfunc.h"
#include "linkdefine.h"
#include "pushbutton.h"

namespace {

QString Column(QTableWidget *pTable, int nColumn)
{
    return ColumnTexts(pTable, nColumn).join(QLatin1Char(','));
}

QAbstractButton *StateButton(CDlgDeviceMgr *pPage, int nRow)
{
    return qobject_cast<QAbstractButton *>(pPage->GetTable()->cellWidget(nRow, CDlgDeviceMgr::COL_STATE));
}

// The links page, shown on the network tab when asked.
void ShowPage(CDlgDeviceMgr &objPage, bool bNetTab = true)
{
    objPage.show();
    if (bNetTab)
        QTest::mouseClick(objPage.GetTabBar(), Qt::LeftButton, Qt::NoModifier, objPage.GetTabBar()->tabRect(1).center());
}

// Ticks the link, chooses the device type and the address range, and adds.
void AddDevices(CDlgDeviceMgr *pPage, int nRow, int nTypeIndex, const QString &strStart, const QString &strEnd)
{
    CMTTableWidget *pTable = pPage->GetTable();
    ToggleCheckCell(pTable, nRow, CDlgDeviceMgr::COL_NAME);
    ChooseEntry(pTable->cellWidget(nRow, CDlgDeviceMgr::COL_DEVICE_TYPE), nTypeIndex);
    QVERIFY(EditCell(pTable, nRow, CDlgDeviceMgr::COL_START_ADDR, strStart));
    QVERIFY(EditCell(pTable, nRow, CDlgDeviceMgr::COL_END_ADDR, strEnd));
    QTest::mouseClick(pPage->GetAddDeviceButton(), Qt::LeftButton);
    ToggleCheckCell(pTable, nRow, CDlgDeviceMgr::COL_NAME);
}

void StoreNetLink(const QString &strName, quint16 nLinkMode, int nPort = PickFreePort())
{
    NET_PARA_DATA_S stPara;
    stPara.strNetName = strName;
    stPara.nLinkMode = nLinkMode;
    stPara.nPortID = quint16(nPort);
    QVERIFY(CNetParaMgr::SetNetPara(stPara));
}

} // namespace

class TstWorkspaceMgr : public QObject
{
    Q_OBJECT

    QTemporaryDir m_objDir;
    std::unique_ptr<CUserScript> m_pUser;

    QStringList &Messages() { return m_pUser->m_lstMessages; }

private slots:
    void initTestCase()
    {
        RegisterLinkMetaTypes();
        ApplyAppLook();
        QVERIFY(QDir::setCurrent(m_objDir.path()));
        CDeviceMgr::GetInstance();
    }

    void init()
    {
        CDeviceMgr::ClearDevices();
        CCfgFileMgr::GetInstance()->ClearCfg();
        m_pUser.reset(new CUserScript);
    }

    void cleanup()
    {
        QVERIFY(m_pUser->m_lstUnexpected.isEmpty());
        m_pUser.reset();
    }

    void cleanupTestCase() { CDeviceMgr::DestroyInstance(); }

    // The new link takes the first free number above the previous one; links
    // whose numbers coincide share one row.
    void newNetLinkNames()
    {
        const struct { QStringList lstStored; const char *pRows; } CASES[] = {
            {{}, "NET000"}, {{"NET002", "NET003"}, "NET001,NET002,NET003"},
            {{"NET004", "NET001", "NET002"}, "NET001,NET002,NET003,NET004"},
            {{"NET000", "NET001"}, "NET000,NET001,NET002"}, {{"NET1", "NET001"}, "NET001,NET002"}};
        for (const auto &stCase : CASES) {
            init();
            for (const QString &strName : stCase.lstStored)
                StoreNetLink(strName, LINK_MODE_TCP_CLIENT, 502);
            CDlgDeviceMgr objPage;
            ShowPage(objPage);
            m_pUser->Then(Press(T("确认")));
            ClickButton(&objPage, T("新增"));
            QCOMPARE(Column(objPage.GetTable(), CDlgDeviceMgr::COL_NAME), QString(stCase.pRows));
        }
    }

    // A refused setting keeps the dialog open for correction; a port beyond
    // 16 bits is refused instead of wrapping round; the concurrency row is
    // editable only in the asynchronous mode.
    void networkDialogRefusesAndCorrects()
    {
        const int nPort = PickFreePort();
        StoreNetLink("NET000", LINK_MODE_TCP_SERVER, nPort);
        CDlgDeviceMgr objPage;
        ShowPage(objPage);
        QStringList lstSteps;
        m_pUser->Then([&](QDialog *pDialog) {
            CMTTableWidget *pTable = qobject_cast<CDlgLinkParaSet *>(pDialog)->GetTable();
            const auto fnAsyncEditable = [&] { return QString::number(pTable->item(5, 1)->flags().testFlag(Qt::ItemIsEditable)); };
            lstSteps << fnAsyncEditable();
            ChooseEntry(pTable->cellWidget(2, 1), TRANS_MODE_TCP_ASYNC);
            lstSteps << fnAsyncEditable();
            QVERIFY(EditCell(pTable, 5, 1, "4"));
            ChooseEntry(pTable->cellWidget(1, 1), LINK_MODE_TCP_SERVER);
            for (const QString &strPort : {QString::number(nPort), QString("70000"), QString::number(nPort + 1)}) {
                QVERIFY(EditCell(pTable, 4, 1, strPort));
                ClickButton(pDialog, T("确认"));
                lstSteps << QString::number(pDialog->isVisible());
            }
        });
        ClickButton(&objPage, T("新增"));
        QCOMPARE(lstSteps, QStringList({"0", "1", "1", "1", "0"}));
        QCOMPARE(Messages(), QStringList({T("参数配置失败！请确认多端口之间的参数是否存在冲突。"),
                                          T("参数值超出范围：目标/监听端口")}));
        NET_PARA_DATA_S stStored;
        CNetParaMgr::GetNetPara("NET001", stStored);
        QCOMPARE(stStored.nPortID, quint16(nPort + 1));
        QCOMPARE(stStored.nMaxAsynNum, quint16(4));
        QCOMPARE(Column(objPage.GetTable(), CDlgDeviceMgr::COL_NAME), QString("NET000,NET001"));
    }

    // The state button shows what the link reports, whatever was clicked.
    void stateButtonFollowsRealLink()
    {
        StoreNetLink("NET000", LINK_MODE_TCP_SERVER);
        CDlgDeviceMgr objPage;
        ShowPage(objPage);
        QTest::mouseClick(StateButton(&objPage, 0), Qt::LeftButton);
        QCOMPARE(Messages(), QStringList(T("该端口尚未关联任何设备，禁止操作端口状态！")));
        QVERIFY(StateButton(&objPage, 0)->text() == T("启动") && !StateButton(&objPage, 0)->isChecked());

        AddDevices(&objPage, 0, 1, "2", "4");
        QCOMPARE(CDeviceMgr::GetDeviceName("NET000", 4), QString("[S]NET000-004"));
        QTRY_COMPARE(StateButton(&objPage, 0)->text(), T("关闭"));
        QVERIFY(StateButton(&objPage, 0)->isChecked());
        for (const char *pExpected : {"启动", "关闭"}) {
            Messages().clear();
            QTest::mouseClick(StateButton(&objPage, 0), Qt::LeftButton);
            QCOMPARE(Messages(), QStringList(T("端口控制命令已下发...")));
            QTRY_COMPARE(StateButton(&objPage, 0)->text(), T(pExpected));
        }

        // A rebuilt row offers the kind of device its link serves; a serving
        // link cannot be removed, an idle one can.
        ShowPage(objPage, false);
        ShowPage(objPage);
        QCOMPARE(CellText(objPage.GetTable(), 0, 1), T("  从机"));
        ToggleCheckCell(objPage.GetTable(), 0, 0);
        Messages().clear();
        ClickButton(&objPage, T("移除"));
        QCOMPARE(Messages(), QStringList(T("端口正在服务设备，无法删除！- NET000")));
        CDeviceMgr::ClearDevices();
        QCOMPARE(StateButton(&objPage, 0)->text(), T("启动"));
        ToggleCheckCell(objPage.GetTable(), 0, 0);
        ClickButton(&objPage, T("移除"));
        QCOMPARE(objPage.GetTable()->rowCount(), 0);
    }

    // Nothing added without a link ticked, with a reversed range or past 16 bits.
    void addDeviceRefusals()
    {
        const struct { bool bTick; const char *pStart, *pEnd, *pShown; } CASES[] = {
            {false, "1", "1", "请选择添加设备所挂靠的链接/端口。"},
            {true, "5", "2", "设备添加失败，起始地址应小于等于结束地址！"},
            {true, "1", "65537", "设备添加失败，设备地址过大！"}};
        for (const auto &stCase : CASES) {
            init();
            StoreNetLink("NET000", LINK_MODE_TCP_CLIENT);
            CDlgDeviceMgr objPage;
            ShowPage(objPage);
            if (stCase.bTick)
                AddDevices(&objPage, 0, 0, stCase.pStart, stCase.pEnd);
            else
                QTest::mouseClick(objPage.GetAddDeviceButton(), Qt::LeftButton);
            QCOMPARE(Messages(), QStringList(T(stCase.pShown)));
            QVERIFY(CDeviceMgr::GetDeviceList().isEmpty());
        }
    }

    // A virtual pair's end, typed by its path, becomes a port whose link opens.
    void typedPtyPathOpensLink()
    {
        CSocatPair objPair;
        QVERIFY(objPair.Start());
        CDlgDeviceMgr objPage;
        ShowPage(objPage, false);
        for (const QString &strPath : {QString("/nonexistent/ttyV9"), objPair.EndA()}) {
            TypeInto(objPage.GetComPathEdit(), strPath);
            ClickButton(&objPage, T("添加串口"));
        }
        QCOMPARE(Messages(), QStringList(T("未找到该串口设备：/nonexistent/ttyV9")));
        const int nRow = ColumnTexts(objPage.GetTable(), 0).indexOf(objPair.EndA());
        QVERIFY(nRow >= 0);
        AddDevices(&objPage, nRow, 1, "1", "1");
        QTRY_COMPARE(StateButton(&objPage, nRow)->text(), T("关闭"));
    }

    // Rows keep their numbers; only the name activates; the active device
    // moves to the first row when it goes, and to none with the last one.
    void deviceListRowsAndActiveDevice()
    {
        StoreNetLink("NET000", LINK_MODE_TCP_SERVER);
        QCOMPARE(CDeviceMgr::AddDevice(QString(), "NET000", DEVICE_TYPE_SLAVE, 1, 3), QString("OK"));
        CDlgDeviceList objList;
        objList.show();
        QSignalSpy objActive(&objList, &CDlgDeviceList::siCurrActvDeviceName);
        CMTTableWidget *pTable = objList.GetTable();
        const QColor objActiveColor(0, 255, 255);
        QCOMPARE(pTable->item(0, 1)->background().color(), objActiveColor);

        ClickCell(pTable, 1, 0);
        QCOMPARE(objActive.count(), 0);
        ClickCell(pTable, 1, 1);
        QCOMPARE(objActive.takeLast().at(0).toString(), QString("[S]NET000-002"));
        QCOMPARE(pTable->item(1, 0)->background().color(), objActiveColor);
        QCOMPARE(pTable->item(0, 1)->background().style(), Qt::NoBrush);

        ToggleCheckCell(pTable, 1, 0);
        m_pUser->Answer(false).Answer(true);
        ClickButton(&objList, T("移除"));
        QCOMPARE(pTable->rowCount(), 3);
        ClickButton(&objList, T("移除"));
        QCOMPARE(Messages().last(), T("请确认是否需要删除选择设备？"));
        QCOMPARE(Column(pTable, 0), QString("001,003"));
        QCOMPARE(objActive.takeLast().at(0).toString(), QString("[S]NET000-001"));
        QCOMPARE(CDeviceMgr::AddDevice(QString(), "NET000", DEVICE_TYPE_SLAVE, 9, 9), QString("OK"));
        QCOMPARE(Column(pTable, 0), QString("001,003,003"));

        DoubleClickHeader(pTable, 0);
        ClickButton(&objList, T("移除"));
        QCOMPARE(pTable->rowCount(), 0);
        QCOMPARE(objActive.takeLast().at(0).toString(), QString());
    }

    // Red while a device is not launched, from its first row on; a double
    // click opens the device's key information, and the list then shows what
    // was changed.
    void deviceListStatesAndColumns()
    {
        StoreNetLink("NET000", LINK_MODE_TCP_SERVER);
        StoreNetLink("NET001", LINK_MODE_TCP_CLIENT);
        QCOMPARE(CDeviceMgr::AddDevice(QString(), "NET001", DEVICE_TYPE_MASTER, 7, 7), QString("OK"));
        QCOMPARE(CDeviceMgr::AddDevice(QString(), "NET000", DEVICE_TYPE_SLAVE, 1, 1), QString("OK"));
        CDlgDeviceList objList;
        objList.show();
        CMTTableWidget *pTable = objList.GetTable();
        const auto fnRed = [pTable](int nRow) { return pTable->item(nRow, 1)->foreground().color() == Qt::red; };
        QVERIFY(fnRed(0));
        QTRY_VERIFY(!fnRed(1));

        ClickButton(&objList, T("禁止"));
        QCOMPARE(Messages(), QStringList(T("请选择需要关闭的设备。")));
        ToggleCheckCell(pTable, 1, 0);
        ClickButton(&objList, T("禁止"));
        QVERIFY(fnRed(1));
        ClickButton(&objList, T("恢复"));
        QVERIFY(!fnRed(1));

        QString strOpenedFor;
        m_pUser->Then([&](QDialog *pDialog) {
            CMTTableWidget *pInfo = qobject_cast<CDlgChangeDeviceInfo *>(pDialog)->GetTable();
            strOpenedFor = pInfo->item(0, 1)->text();
            QVERIFY(EditCell(pInfo, 0, 1, "Pump"));
            ClickButton(pDialog, T("确认"));
        });
        DoubleClickCell(pTable, 1, 1);
        QCOMPARE(strOpenedFor, QString("[S]NET000-001"));
        QCOMPARE(Column(pTable, 1), QString("[M]NET001-007,Pump"));
    }
};

QTEST_MAIN(TstWorkspaceMgr)
#include "tst_workspace_mgr.moc"
