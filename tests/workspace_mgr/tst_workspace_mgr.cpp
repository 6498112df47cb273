// The link and device management page and the device list, driven through
// their widgets over real links: TCP servers on loopback and socat pty pairs.

#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabBar>
#include <QtTest>

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
#include "commonfunc.h"
#include "common/uidriver.h"
#include "linkdefine.h"
#include "pushbutton.h"
#include "uiutils.h"

namespace {

QString T(const char *pText)
{
    return QString::fromUtf8(pText);
}

void ChooseEntry(QComboBox *pCombo, int nIndex)
{
    QTest::keyClick(pCombo, Qt::Key_Home);
    for (int i = 0; i < nIndex; ++i)
        QTest::keyClick(pCombo, Qt::Key_Down);
}

QString ColumnTexts(QTableWidget *pTable, int nColumn)
{
    QStringList lstTexts;
    for (int nRow = 0; nRow < pTable->rowCount(); ++nRow)
        lstTexts << pTable->item(nRow, nColumn)->text();
    return lstTexts.join(QLatin1Char(','));
}

QAbstractButton *StateButton(CDlgDeviceMgr *pPage, int nRow)
{
    return qobject_cast<QAbstractButton *>(pPage->GetTable()->cellWidget(nRow, CDlgDeviceMgr::COL_STATE));
}

void ShowTab(CDlgDeviceMgr *pPage, int nTab)
{
    QTest::mouseClick(pPage->GetTabBar(), Qt::LeftButton, Qt::NoModifier, pPage->GetTabBar()->tabRect(nTab).center());
}

// Ticks the link, chooses the device type and the address range, and adds.
void AddDevices(CDlgDeviceMgr *pPage, int nRow, int nTypeIndex, const QString &strStart, const QString &strEnd)
{
    CMTTableWidget *pTable = pPage->GetTable();
    ToggleCheckCell(pTable, nRow, CDlgDeviceMgr::COL_NAME);
    ChooseEntry(qobject_cast<QComboBox *>(pTable->cellWidget(nRow, CDlgDeviceMgr::COL_DEVICE_TYPE)), nTypeIndex);
    QVERIFY(EditCell(pTable, nRow, CDlgDeviceMgr::COL_START_ADDR, strStart));
    QVERIFY(EditCell(pTable, nRow, CDlgDeviceMgr::COL_END_ADDR, strEnd));
    QTest::mouseClick(pPage->GetAddDeviceButton(), Qt::LeftButton);
    ToggleCheckCell(pTable, nRow, CDlgDeviceMgr::COL_NAME);
}

void StoreNetLink(const QString &strName, quint16 nLinkMode, quint16 nPort)
{
    NET_PARA_DATA_S stPara;
    stPara.strNetName = strName;
    stPara.nLinkMode = nLinkMode;
    stPara.nPortID = nPort;
    QVERIFY(CNetParaMgr::SetNetPara(stPara));
}

} // namespace

class TstWorkspaceMgr : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        RegisterLinkMetaTypes();
        ApplyAppLook();
        QVERIFY(QDir::setCurrent(m_objDir.path()));
        CDeviceMgr::GetInstance();
        SetMessageBoxResponder([this](MESSAGE_BOX_KIND_EN, const QString &strText) {
            m_lstMessages << strText;
            return m_bAnswerOk;
        });
    }

    void init()
    {
        CDeviceMgr::ClearDevices();
        CCfgFileMgr::GetInstance()->ClearCfg();
        m_lstMessages.clear();
        m_bAnswerOk = true;
    }

    void cleanup() { SetDialogResponder({}); }

    void cleanupTestCase() { CDeviceMgr::DestroyInstance(); }

    // The new link takes the first free number above the previous one; links
    // whose numbers coincide share one row.
    void newNetLinkNames_data()
    {
        QTest::addColumn<QStringList>("lstStored");
        QTest::addColumn<QString>("strRows");
        QTest::newRow("empty") << QStringList() << "NET000";
        QTest::newRow("gap at one") << QStringList({"NET002", "NET003"}) << "NET001,NET002,NET003";
        QTest::newRow("gap inside") << QStringList({"NET004", "NET001", "NET002"}) << "NET001,NET002,NET003,NET004";
        QTest::newRow("no gap") << QStringList({"NET000", "NET001"}) << "NET000,NET001,NET002";
        QTest::newRow("same number") << QStringList({"NET1", "NET001"}) << "NET001,NET002";
    }

    void newNetLinkNames()
    {
        QFETCH(QStringList, lstStored);
        QFETCH(QString, strRows);
        for (const QString &strName : lstStored)
            StoreNetLink(strName, LINK_MODE_TCP_CLIENT, 502);
        CDlgDeviceMgr objPage;
        objPage.show();
        ShowTab(&objPage, 1);
        QString strTitle;
        SetDialogResponder([&](QDialog *pDialog) {
            strTitle = pDialog->windowTitle();
            ClickButton(pDialog, T("确认"));
        });
        ClickButton(&objPage, T("新增"));
        QCOMPARE(strTitle, T("网络参数配置"));
        QCOMPARE(ColumnTexts(objPage.GetTable(), CDlgDeviceMgr::COL_NAME), strRows);
    }

    // A refused setting keeps the dialog open for correction; a port beyond
    // 16 bits is refused instead of wrapping round; the concurrency row is
    // editable only in the asynchronous mode.
    void networkDialogRefusesAndCorrects()
    {
        const int nPort = PickFreePort();
        StoreNetLink("NET000", LINK_MODE_TCP_SERVER, quint16(nPort));
        CDlgDeviceMgr objPage;
        objPage.show();
        ShowTab(&objPage, 1);
        QStringList lstSteps;
        SetDialogResponder([&](QDialog *pDialog) {
            CMTTableWidget *pTable = qobject_cast<CDlgLinkParaSet *>(pDialog)->GetTable();
            auto *pTransMode = qobject_cast<QComboBox *>(pTable->cellWidget(2, 1));
            const auto fnAsyncEditable = [&] { return pTable->item(5, 1)->flags().testFlag(Qt::ItemIsEditable); };
            lstSteps << QString::number(fnAsyncEditable());
            ChooseEntry(pTransMode, TRANS_MODE_TCP_ASYNC);
            lstSteps << QString::number(fnAsyncEditable());
            QVERIFY(EditCell(pTable, 5, 1, "4"));
            ChooseEntry(qobject_cast<QComboBox *>(pTable->cellWidget(1, 1)), LINK_MODE_TCP_SERVER);
            for (const QString &strPort : {QString::number(nPort), QString("70000"), QString::number(nPort + 1)}) {
                QVERIFY(EditCell(pTable, 4, 1, strPort));
                ClickButton(pDialog, T("确认"));
                lstSteps << QString::number(pDialog->isVisible());
            }
        });
        ClickButton(&objPage, T("新增"));
        QCOMPARE(lstSteps, QStringList({"0", "1", "1", "1", "0"}));
        QCOMPARE(m_lstMessages, QStringList({T("参数配置失败！请确认多端口之间的参数是否存在冲突。"),
                                             T("参数值超出范围：目标/监听端口")}));
        NET_PARA_DATA_S stStored;
        CNetParaMgr::GetNetPara("NET001", stStored);
        QCOMPARE(stStored.nPortID, quint16(nPort + 1));
        QCOMPARE(stStored.nMaxAsynNum, quint16(4));
        QCOMPARE(ColumnTexts(objPage.GetTable(), CDlgDeviceMgr::COL_NAME), QString("NET000,NET001"));
    }

    // The state button shows what the link reports, whatever was clicked.
    void stateButtonFollowsRealLink()
    {
        StoreNetLink("NET000", LINK_MODE_TCP_SERVER, quint16(PickFreePort()));
        CDlgDeviceMgr objPage;
        objPage.show();
        ShowTab(&objPage, 1);
        QTest::mouseClick(StateButton(&objPage, 0), Qt::LeftButton);
        QCOMPARE(m_lstMessages, QStringList(T("该端口尚未关联任何设备，禁止操作端口状态！")));
        QCOMPARE(StateButton(&objPage, 0)->text(), T("启动"));
        QVERIFY(!StateButton(&objPage, 0)->isChecked());

        AddDevices(&objPage, 0, 1, "2", "4");
        QCOMPARE(CDeviceMgr::GetDeviceName("NET000", 4), QString("[S]NET000-004"));
        QTRY_COMPARE(StateButton(&objPage, 0)->text(), T("关闭"));
        QVERIFY(StateButton(&objPage, 0)->isChecked());
        for (const char *pExpected : {"启动", "关闭"}) {
            m_lstMessages.clear();
            QTest::mouseClick(StateButton(&objPage, 0), Qt::LeftButton);
            QCOMPARE(m_lstMessages, QStringList(T("端口控制命令已下发...")));
            QTRY_COMPARE(StateButton(&objPage, 0)->text(), T(pExpected));
        }

        // A rebuilt row offers the kind of device its link serves; a serving
        // link cannot be removed, an idle one can.
        ShowTab(&objPage, 0);
        ShowTab(&objPage, 1);
        QCOMPARE(qobject_cast<QComboBox *>(objPage.GetTable()->cellWidget(0, 1))->currentText(), T("  从机"));
        ToggleCheckCell(objPage.GetTable(), 0, 0);
        m_lstMessages.clear();
        ClickButton(&objPage, T("移除"));
        QCOMPARE(m_lstMessages, QStringList(T("端口正在服务设备，无法删除！- NET000")));
        CDeviceMgr::ClearDevices();
        QCOMPARE(StateButton(&objPage, 0)->text(), T("启动"));
        ToggleCheckCell(objPage.GetTable(), 0, 0);
        ClickButton(&objPage, T("移除"));
        QCOMPARE(objPage.GetTable()->rowCount(), 0);
    }

    void addDeviceRefusals_data()
    {
        QTest::addColumn<bool>("bTick");
        QTest::addColumn<QString>("strStart");
        QTest::addColumn<QString>("strEnd");
        QTest::addColumn<QString>("strMessage");
        QTest::newRow("nothing ticked") << false << "1" << "1" << T("请选择添加设备所挂靠的链接/端口。");
        QTest::newRow("reversed range") << true << "5" << "2" << T("设备添加失败，起始地址应小于等于结束地址！");
        QTest::newRow("beyond 16 bits") << true << "1" << "65537" << T("设备添加失败，设备地址过大！");
    }

    void addDeviceRefusals()
    {
        QFETCH(bool, bTick);
        QFETCH(QString, strStart);
        QFETCH(QString, strEnd);
        QFETCH(QString, strMessage);
        StoreNetLink("NET000", LINK_MODE_TCP_CLIENT, quint16(PickFreePort()));
        CDlgDeviceMgr objPage;
        objPage.show();
        ShowTab(&objPage, 1);
        if (bTick) {
            AddDevices(&objPage, 0, 0, strStart, strEnd);
        } else {
            QTest::mouseClick(objPage.GetAddDeviceButton(), Qt::LeftButton);
        }
        QCOMPARE(m_lstMessages, QStringList(strMessage));
        QVERIFY(CDeviceMgr::GetDeviceList().isEmpty());
    }

    // A virtual pair's end, typed by its path, becomes a port whose link opens.
    void typedPtyPathOpensLink()
    {
        CSocatPair objPair;
        QVERIFY(objPair.Start());
        CDlgDeviceMgr objPage;
        objPage.show();
        for (const QString &strPath : {QString("/nonexistent/ttyV9"), objPair.EndA()}) {
            QTest::keyClick(objPage.GetComPathEdit(), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(objPage.GetComPathEdit(), strPath);
            ClickButton(&objPage, T("添加串口"));
        }
        QCOMPARE(m_lstMessages, QStringList(T("未找到该串口设备：/nonexistent/ttyV9")));
        const QStringList lstPorts = ColumnTexts(objPage.GetTable(), 0).split(QLatin1Char(','));
        const int nRow = lstPorts.indexOf(objPair.EndA());
        QVERIFY(nRow >= 0);
        AddDevices(&objPage, nRow, 1, "1", "1");
        QTRY_COMPARE(StateButton(&objPage, nRow)->text(), T("关闭"));
    }

    // Rows keep their numbers; only the name activates; the active device
    // moves to the first row when it goes, and to none with the last one.
    void deviceListRowsAndActiveDevice()
    {
        StoreNetLink("NET000", LINK_MODE_TCP_SERVER, quint16(PickFreePort()));
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
        m_bAnswerOk = false;
        ClickButton(&objList, T("移除"));
        QCOMPARE(pTable->rowCount(), 3);
        m_bAnswerOk = true;
        ClickButton(&objList, T("移除"));
        QCOMPARE(m_lstMessages.last(), T("请确认是否需要删除选择设备？"));
        QCOMPARE(ColumnTexts(pTable, 0), QString("001,003"));
        QCOMPARE(objActive.takeLast().at(0).toString(), QString("[S]NET000-001"));
        QCOMPARE(CDeviceMgr::AddDevice(QString(), "NET000", DEVICE_TYPE_SLAVE, 9, 9), QString("OK"));
        QCOMPARE(ColumnTexts(pTable, 0), QString("001,003,003"));

        DoubleClickHeader(pTable, 0);
        ClickButton(&objList, T("移除"));
        QCOMPARE(pTable->rowCount(), 0);
        QCOMPARE(objActive.takeLast().at(0).toString(), QString());
    }

    // Red while a device is not launched, from its first row on; "参数" shows
    // type, link and address.
    void deviceListStatesAndColumns()
    {
        StoreNetLink("NET000", LINK_MODE_TCP_SERVER, quint16(PickFreePort()));
        StoreNetLink("NET001", LINK_MODE_TCP_CLIENT, quint16(PickFreePort()));
        QCOMPARE(CDeviceMgr::AddDevice(QString(), "NET001", DEVICE_TYPE_MASTER, 7, 7), QString("OK"));
        QCOMPARE(CDeviceMgr::AddDevice(QString(), "NET000", DEVICE_TYPE_SLAVE, 1, 1), QString("OK"));
        CDlgDeviceList objList;
        objList.show();
        CMTTableWidget *pTable = objList.GetTable();
        const auto fnRed = [pTable](int nRow) { return pTable->item(nRow, 1)->foreground().color() == Qt::red; };
        QVERIFY(fnRed(0));
        QTRY_VERIFY(!fnRed(1));

        ClickButton(&objList, T("禁止"));
        QCOMPARE(m_lstMessages, QStringList(T("请选择需要关闭的设备。")));
        ToggleCheckCell(pTable, 1, 0);
        ClickButton(&objList, T("禁止"));
        QVERIFY(fnRed(1));
        ClickButton(&objList, T("恢复"));
        QVERIFY(!fnRed(1));

        QSignalSpy objShowPages(&objList, &CDlgDeviceList::siShowStatkedWidget);
        QVERIFY(pTable->isColumnHidden(4));
        ClickButton(&objList, T("参数"));
        QCOMPARE(QStringList({pTable->item(1, 2)->text(), pTable->item(1, 3)->text(), pTable->item(1, 4)->text()}),
                 QStringList({T("从机"), "NET000", "1"}));
        QVERIFY(!pTable->isColumnHidden(2) && !pTable->isColumnHidden(4));
        ClickButton(&objList, T("参数"));
        QVERIFY(pTable->isColumnHidden(2));
        QCOMPARE(objShowPages.count(), 2);
        QCOMPARE(objShowPages.at(0).at(0).toBool(), false);
        QCOMPARE(objShowPages.at(1).at(0).toBool(), true);

        // A double click opens the device's key information; the list then
        // shows what was changed.
        QString strOpenedFor;
        SetDialogResponder([&](QDialog *pDialog) {
            CMTTableWidget *pInfo = qobject_cast<CDlgChangeDeviceInfo *>(pDialog)->GetTable();
            strOpenedFor = pInfo->item(0, 1)->text();
            QVERIFY(EditCell(pInfo, 0, 1, "Pump"));
            ClickButton(pDialog, T("确认"));
        });
        DoubleClickCell(pTable, 1, 1);
        QCOMPARE(strOpenedFor, QString("[S]NET000-001"));
        QCOMPARE(ColumnTexts(pTable, 1), QString("[M]NET001-007,Pump"));
    }

private:
    QTemporaryDir m_objDir;
    QStringList m_lstMessages;
    bool m_bAnswerOk = true;
};

QTEST_MAIN(TstWorkspaceMgr)
#include "tst_workspace_mgr.moc"
