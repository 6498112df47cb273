// The whole road through the workspace widgets on real links over loopback: links and
// devices made on the management page, points copied between devices, slave
// values set and read by the master; and each page against libmodbus: a slave
// page read by an independent client, a master page polling and writing an
// independent server.

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>

#include <modbus/modbus.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "ccfgfilemgr.h"
#include "cdevicebase.h"
#include "cdevicemgr.h"
#include "cdlgdevicedatabase.h"
#include "cdlgdevicedatamgr.h"
#include "cdlgdevicelist.h"
#include "cdlgdevicemgr.h"
#include "cdlgdevicesel.h"
#include "cmttablewidget.h"
#include "pushbutton.h"
#include "cnetparamgr.h"
#include "commonfunc.h"
#include "freeport.h"
#include "linkdefine.h"
#include "modbuspeer.h"
#include "workspace_data/pagedriver.h"

using Page = CDlgDeviceDataBase;

namespace {

QString T(const char *pText)
{
    return QString::fromUtf8(pText);
}

// Reads holding registers with libmodbus in a thread of its own while this
// thread keeps the slave answering; empty when the read failed.
QVector<quint16> ReadByLibmodbus(int nPort, int nStart, int nCount)
{
    QVector<quint16> vecRegs(nCount);
    std::atomic<int> nResult{-2};
    std::thread objClient([&] {
        modbus_t *pCtx = modbus_new_tcp("127.0.0.1", nPort);
        modbus_set_response_timeout(pCtx, 3, 0);
        modbus_set_slave(pCtx, 1);
        int nRead = -1;
        if (modbus_connect(pCtx) == 0)
            nRead = modbus_read_registers(pCtx, nStart, nCount, vecRegs.data());
        modbus_close(pCtx);
        modbus_free(pCtx);
        nResult = nRead;
    });
    for (int nWaited = 0; nResult == -2 && nWaited < 10000; nWaited += 5)
        QTest::qWait(5);
    objClient.join();
    return nResult == nCount ? vecRegs : QVector<quint16>();
}

// The two registers a 32-bit pattern occupies on the wire.
QVector<quint16> WireWords(quint32 nBits, quint16 nByteOder, quint16 nWordOder)
{
    auto fnWord = [nByteOder](quint16 nWord) { return nByteOder == 1 ? quint16((nWord >> 8) | (nWord << 8)) : nWord; };
    const quint16 nHigh = fnWord(quint16(nBits >> 16));
    const quint16 nLow = fnWord(quint16(nBits));
    return nWordOder == 1 ? QVector<quint16>{nLow, nHigh} : QVector<quint16>{nHigh, nLow};
}

DEVICE_DATA_CFG_S Point(quint16 nAddr, quint16 nSize, quint16 nPrtc, quint16 nShow, const QString &strName)
{
    DEVICE_DATA_CFG_S objCfg;
    objCfg.nBlock = BLOCK_HOLDING_REG;
    objCfg.nAddr = nAddr;
    objCfg.nSize = nSize;
    objCfg.nPrtcType = nPrtc;
    objCfg.nShowType = nShow;
    objCfg.strName = strName;
    return objCfg;
}

bool SetNetLink(const QString &strName, quint16 nLinkMode, int nPort)
{
    NET_PARA_DATA_S stPara;
    stPara.strNetName = strName;
    stPara.nLinkMode = nLinkMode;
    stPara.nTransMode = TRANS_MODE_TCP_SYNC;
    stPara.nPortID = quint16(nPort);
    return CNetParaMgr::SetNetPara(stPara);
}

} // namespace

class TstDataRoad : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_objDir;
    QWidget *m_pWindow = nullptr; // the device list beside the link page and the data pages, wired as in the main window
    QStackedWidget *m_pPages = nullptr;
    CDlgDeviceMgr *m_pLinks = nullptr;
    CDlgDeviceDataMgr *m_pMgr = nullptr;
    CDlgDeviceList *m_pList = nullptr;

    void TurnPage(const char *pPage)
    {
        m_pPages->setCurrentIndex(QByteArray(pPage) == "设备" ? 0 : 1);
    }

    int ListRow(const QString &strDevice)
    {
        const QList<QTableWidgetItem *> lstFound = m_pList->GetTable()->findItems(strDevice, Qt::MatchExactly);
        return lstFound.isEmpty() ? -1 : lstFound.first()->row();
    }

    // Clicks the device's name in the device list and shows the data pages.
    Page *ShowPage(const QString &strDevice)
    {
        TurnPage("数据");
        ClickCell(m_pList->GetTable(), ListRow(strDevice), CDlgDeviceList::COL_NAME);
        return m_pMgr->GetCurrentPage();
    }

    bool IsRed(const QString &strDevice)
    {
        const int nRow = ListRow(strDevice);
        return nRow >= 0 && m_pList->GetTable()->item(nRow, CDlgDeviceList::COL_NAME)->foreground().color() == Qt::red;
    }

    // A launched device on the link with the points, its page current.
    Page *AddDevice(const QString &strLink, quint16 nType, const QList<DEVICE_DATA_CFG_S> &lstPoints)
    {
        if (CDeviceMgr::AddDevice(QString(), strLink, nType, 1, 1) != QLatin1String("OK"))
            return nullptr;
        const QString strName = CDeviceMgr::GetDeviceName(strLink, 1);
        CCfgFileMgr::GetInstance()->ReplaceDeviceDataCfgList(strName, lstPoints);
        m_pMgr->GetPage(strName)->LoadDataCfg();
        return ShowPage(strName);
    }

private slots:
    void initTestCase()
    {
        RegisterLinkMetaTypes();
        ApplyAppLook();
        QVERIFY(QDir::setCurrent(m_objDir.path()));
        m_pWindow = new QWidget;
        auto *pLayout = new QHBoxLayout(m_pWindow);
        m_pList = new CDlgDeviceList(m_pWindow);
        m_pPages = new QStackedWidget(m_pWindow);
        m_pLinks = new CDlgDeviceMgr(m_pPages);
        m_pMgr = new CDlgDeviceDataMgr(m_pPages);
        m_pPages->addWidget(m_pLinks);
        m_pPages->addWidget(m_pMgr);
        pLayout->addWidget(m_pList, 1);
        pLayout->addWidget(m_pPages, 8);
        connect(m_pList, &CDlgDeviceList::siCurrActvDeviceName, m_pMgr, &CDlgDeviceDataMgr::slCurrActvDeviceChanged);
        connect(m_pList, &CDlgDeviceList::siIsEditing, m_pMgr, &CDlgDeviceDataMgr::slIsEditing, Qt::DirectConnection);
        connect(m_pMgr, &CDlgDeviceDataMgr::siDeviceEditing, m_pList, &CDlgDeviceList::slDeviceEditing);
        m_pWindow->resize(1800, 900);
        m_pWindow->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_pWindow));
    }

    void cleanupTestCase()
    {
        delete m_pWindow;
        CDeviceMgr::DestroyInstance();
    }

    // As a user: a TCP server link with a slave and a TCP client link with a
    // master; the master's points copied to the slave; a fixed value and a
    // sine set on the slave; a cyclic read shows them on the master, the sine
    // moving; a value sent from the master lands on the slave; stopping the
    // server link turns both devices red.
    void wholeRoadThroughTheWidgets()
    {
        CUserScript objUser;
        const int nPort = PickFreePort();
        TurnPage("设备");
        CDlgDeviceMgr *pLinks = m_pLinks;
        QTest::mouseClick(pLinks->GetTabBar(), Qt::LeftButton, Qt::NoModifier, pLinks->GetTabBar()->tabRect(1).center());
        auto fnAddLink = [&](int nLinkMode) {
            objUser.Then([=](QDialog *pDialog) {
                auto *pTable = pDialog->findChild<QTableWidget *>();
                ChooseListEntry(qobject_cast<QComboBox *>(pTable->cellWidget(1, 1)), nLinkMode);
                ChooseListEntry(qobject_cast<QComboBox *>(pTable->cellWidget(2, 1)), TRANS_MODE_TCP_SYNC);
                QVERIFY(EditCell(pTable, 4, 1, QString::number(nPort)));
                ClickButton(pDialog, T("确认"));
            });
            QVERIFY(ClickButton(pLinks, T("新增")));
        };
        auto fnAddDevice = [&](int nRow, int nTypeIndex) {
            CMTTableWidget *pTable = pLinks->GetTable();
            ToggleCheckCell(pTable, nRow, CDlgDeviceMgr::COL_NAME);
            ChooseCellEntry(pTable, nRow, CDlgDeviceMgr::COL_DEVICE_TYPE, nTypeIndex);
            QTest::mouseClick(pLinks->GetAddDeviceButton(), Qt::LeftButton);
            ToggleCheckCell(pTable, nRow, CDlgDeviceMgr::COL_NAME);
        };
        fnAddLink(LINK_MODE_TCP_SERVER);
        fnAddDevice(0, 1);
        fnAddLink(LINK_MODE_TCP_CLIENT);
        fnAddDevice(1, 0);
        const QString strSlave = QStringLiteral("[S]NET000-001");
        const QString strMaster = QStringLiteral("[M]NET001-001");
        QTRY_VERIFY(!IsRed(strSlave) && !IsRed(strMaster));

        // Three new points on the master, copied to the slave.
        Page *pMaster = ShowPage(strMaster);
        QVERIFY(pMaster != nullptr && pMaster->GetDeviceName() == strMaster);
        QVERIFY(ClickButton(pMaster, T("配置")));
        objUser.Then(TypeAndPress("3", T("确定")));
        QVERIFY(ClickButton(pMaster, T("新增")));
        objUser.Then([](QDialog *pDialog) {
            ToggleCheckCell(qobject_cast<CDlgDeviceSel *>(pDialog)->GetTable(), 0, 2);
            ClickButton(pDialog, T("确定"));
        });
        QVERIFY(ClickButton(pMaster, T("同步")));
        QVERIFY(ClickButton(pMaster, T("配置")));
        QCOMPARE(objUser.m_lstMessages.last(), T("数据配置同步已完成！"));

        // Fixed values on rows 0 and 2, a sine of 100 around 200 with a period of 36 s on row 1.
        Page *pSlave = ShowPage(strSlave);
        QCOMPARE(pSlave->GetTable()->rowCount(), 3);
        // Settings rows: 1 to 3 the first coefficients, 7 the refresh interval.
        auto fnSimulate = [&](int nRow, int nStrategy, const QMap<int, QString> &mapRows) {
            objUser.Then([=](QDialog *pDialog) {
                auto *pTable = pDialog->findChild<QTableWidget *>();
                ChooseCellEntry(pTable, 0, 1, nStrategy);
                for (auto it = mapRows.constBegin(); it != mapRows.constEnd(); ++it)
                    QVERIFY(EditCell(pTable, it.key(), 1, it.value()));
                ClickButton(pDialog, T("应用"));
            });
            DoubleClickCell(pSlave->GetTable(), nRow, Page::COL_VALUE);
        };
        fnSimulate(0, 0, {{1, "321"}});
        fnSimulate(1, 3, {{1, "100"}, {2, "0.01"}, {3, "200"}, {7, "1"}});
        fnSimulate(2, 0, {{1, "7"}});
        QCOMPARE(ColumnTexts(pSlave->GetTable(), Page::COL_VALUE), QStringList({"321", "--", "7"}));

        pMaster = ShowPage(strMaster);
        objUser.Then([](QDialog *pDialog) {
            QTest::mouseClick(pDialog->findChild<QCheckBox *>(), Qt::LeftButton);
            ClickButton(pDialog, T("确定"));
        });
        QVERIFY(ClickButton(pMaster, T("批量读")));
        QTableWidget *pValues = pMaster->GetTable();
        QTRY_COMPARE_WITH_TIMEOUT(CellText(pValues, 0, Page::COL_VALUE), QString("321"), 10000);
        QTRY_COMPARE(CellText(pValues, 2, Page::COL_VALUE), QString("7"));
        const QString strSine = CellText(pValues, 1, Page::COL_VALUE);
        QVERIFY(qAbs(strSine.toInt() - 200) <= 100);
        QTRY_VERIFY_WITH_TIMEOUT(CellText(pValues, 1, Page::COL_VALUE) != strSine, 10000);

        objUser.Then(TypeAndPress("55", T("立即下发")));
        DoubleClickCell(pValues, 2, Page::COL_VALUE);
        QTRY_COMPARE(CellText(pSlave->GetTable(), 2, Page::COL_VALUE), QString("55"));
        QTRY_COMPARE(CellText(pValues, 2, Page::COL_VALUE), QString("55"));

        TurnPage("设备");
        QTest::mouseClick(pLinks->GetTable()->cellWidget(0, CDlgDeviceMgr::COL_STATE), Qt::LeftButton);
        QTRY_VERIFY(IsRed(strSlave) && IsRed(strMaster));
        for (QPushButton *pButton : m_pMgr->GetPage(strMaster)->findChildren<QPushButton *>()) {
            if (pButton->text() == T("批量读"))
                QVERIFY(!pButton->isChecked() && !pButton->isEnabled());
        }
        QVERIFY(objUser.m_lstUnexpected.isEmpty());
        CDeviceMgr::DelDevice({strSlave, strMaster});
    }

    // A libmodbus client reads from the slave exactly what its cells show,
    // for 32-bit points in every byte and word order, and a simulated point
    // shows the value it has just answered.
    void slaveAnswersWhatTheCellsShow()
    {
        const int nPort = PickFreePort();
        QVERIFY(SetNetLink(QStringLiteral("NET101"), LINK_MODE_TCP_SERVER, nPort));
        QList<DEVICE_DATA_CFG_S> lstPoints;
        for (quint16 nOrders = 0; nOrders < 4; ++nOrders) {
            DEVICE_DATA_CFG_S objUint = Point(quint16(nOrders * 4), 2, PRTC_TYPE_UINT, SHOW_TYPE_INT_DEC, "u");
            DEVICE_DATA_CFG_S objFloat = Point(quint16(nOrders * 4 + 2), 2, PRTC_TYPE_FLOAT, SHOW_TYPE_FLOAT, "f");
            for (DEVICE_DATA_CFG_S *pCfg : {&objUint, &objFloat}) {
                pCfg->nByteOder = nOrders & 1;
                pCfg->nWordOder = nOrders >> 1;
            }
            objUint.objValueCfg.strCoefA = QString::number(305419896 + nOrders); // 0x12345678 + n
            objFloat.objValueCfg.strCoefA = QStringLiteral("-1.5");
            lstPoints << objUint << objFloat;
        }
        DEVICE_DATA_CFG_S objSine = Point(16, 1, PRTC_TYPE_INT, SHOW_TYPE_FLOAT, "sine");
        objSine.objValueCfg.nStategy = 3;
        objSine.objValueCfg.strCoefA = QStringLiteral("1000");
        objSine.objValueCfg.strCoefB = QStringLiteral("0.01");
        objSine.objValueCfg.nXInvl = 1;
        lstPoints << objSine;
        Page *pPage = AddDevice(QStringLiteral("NET101"), DEVICE_TYPE_SLAVE, lstPoints);
        QVERIFY(pPage != nullptr);
        // Writing the points back resets their simulated settings; they go in after.
        QList<DEVICE_DATA_CFG_S> &lstStored = CCfgFileMgr::GetInstance()->GetDeviceDataCfgList(pPage->GetDeviceName());
        for (int i = 0; i < lstPoints.size(); ++i)
            lstStored[i].objValueCfg = lstPoints.at(i).objValueCfg;
        pPage->LoadDataCfg();
        QTRY_COMPARE(CDeviceMgr::GetDevice(pPage->GetDeviceName())->GetState(), quint16(1));

        const QVector<quint16> vecRegs = ReadByLibmodbus(nPort, 0, 17);
        QCOMPARE(vecRegs.size(), 17);
        QTableWidget *pTable = pPage->GetTable();
        for (int nRow = 0; nRow < 8; ++nRow) {
            const quint16 nOrders = quint16(nRow / 2);
            const QString strCell = CellText(pTable, nRow, Page::COL_VALUE);
            quint32 nBits = strCell.toUInt();
            if (nRow % 2 == 1) {
                const float fValue = strCell.toFloat();
                std::memcpy(&nBits, &fValue, sizeof(nBits));
                QCOMPARE(strCell, QString("-1.5"));
            }
            QCOMPARE(vecRegs.mid(nRow * 2, 2), WireWords(nBits, nOrders & 1, nOrders >> 1));
        }
        QCOMPARE(CellText(pTable, 8, Page::COL_VALUE), QString::number(qint16(vecRegs.at(16))));
        QVERIFY(CellText(pTable, 8, Page::COL_VALUE) != QLatin1String("--"));
    }

    // The master page polls a libmodbus server cyclically; refusing a batch
    // write without values and cancelling the stop leave the read running;
    // a value sent at once lands in the server's register.
    void masterPollsAndWrites()
    {
        CModbusServerPeer objPeer(100);
        const int nPort = PickFreePort();
        QVERIFY(objPeer.StartTcp(QStringLiteral("127.0.0.1"), nPort));
        objPeer.SetHolding(0, 1234);
        objPeer.SetHolding(1, 0x1234);
        objPeer.SetHolding(2, 0x5678);
        objPeer.SetHolding(3, 0xFF);
        QVERIFY(SetNetLink(QStringLiteral("NET102"), LINK_MODE_TCP_CLIENT, nPort));
        DEVICE_DATA_CFG_S objGain = Point(0, 1, PRTC_TYPE_INT, SHOW_TYPE_FLOAT, "temp");
        objGain.fGain = 0.1;
        DEVICE_DATA_CFG_S objHex = Point(3, 1, PRTC_TYPE_UINT, SHOW_TYPE_INT_HEX, "mode");
        objHex.nIsBWrite = 1;
        Page *pPage = AddDevice(QStringLiteral("NET102"), DEVICE_TYPE_MASTER,
                                {objGain, Point(1, 2, PRTC_TYPE_UINT, SHOW_TYPE_INT_DEC, "count"), objHex});
        QVERIFY(pPage != nullptr);
        QTRY_VERIFY(FindButton(pPage, T("批量读"))->isEnabled());
        QTableWidget *pTable = pPage->GetTable();
        CUserScript objUser;

        objUser.Then(Press(T("确定")));
        QVERIFY(ClickButton(pPage, T("批量写")));
        QCOMPARE(objUser.m_lstMessages, QStringList{T("请确保设置数据已经预设有效值：(mode)")});
        QVERIFY(!FindButton(pPage, T("批量写"))->isChecked());

        objUser.Then([](QDialog *pDialog) {
            QTest::mouseClick(pDialog->findChild<QCheckBox *>(), Qt::LeftButton);
            ClickButton(pDialog, T("确定"));
        });
        QVERIFY(ClickButton(pPage, T("批量读")));
        QTRY_COMPARE(ColumnTexts(pTable, Page::COL_VALUE), QStringList({"123.4", "305419896", "0X00FF"}));
        QVERIFY(FindButton(pPage, T("批量读"))->isChecked());
        objPeer.SetHolding(0, 1000);
        QTRY_COMPARE(CellText(pTable, 0, Page::COL_VALUE), QString("100.0"));

        objUser.Then(Press(T("取消")));
        QVERIFY(ClickButton(pPage, T("批量读")));
        QVERIFY(FindButton(pPage, T("批量读"))->isChecked());
        objPeer.SetHolding(0, 1001);
        QTRY_COMPARE(CellText(pTable, 0, Page::COL_VALUE), QString("100.1"));

        objUser.Then(TypeAndPress("0X0042", T("立即下发")));
        DoubleClickCell(pTable, 2, Page::COL_VALUE);
        QTRY_COMPARE(objPeer.Holding(3), quint16(0x42));
        QTRY_COMPARE(CellText(pTable, 2, Page::COL_VALUE), QString("0X0042"));

        objUser.Then(Press(T("确定")));
        QVERIFY(ClickButton(pPage, T("批量读")));
        QVERIFY(!FindButton(pPage, T("批量读"))->isChecked());
        QCOMPARE(objUser.m_lstTitles, QStringList({T("启动批量写数据"), T("启动批量读数据"), T("关闭批量读数据"),
                                                   T("请输入设置值(mode)"), T("关闭批量读数据")}));
        CDeviceMgr::DelDevice({pPage->GetDeviceName()});
    }
};

QTEST_MAIN(TstDataRoad)
#include "tst_dataroad.moc"
