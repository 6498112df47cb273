// The device data pages through the widgets, beside the device list as a
// user sees them: the configuration state with its cell rules and marks,
// new, moved and removed points, value refresh, one page per device, points
// copied to another device and simulated; and each page on a real link
// against libmodbus: a slave page read by an independent client, a master
// page polling and writing an independent server.

#include <QHBoxLayout>
#include <QScrollBar>
#include <QStackedWidget>
#include <QtTest>

#include <modbus/modbus.h>

#include <cstring>

#include "ccfgfilemgr.h"
#include "cfgdefine.h"
#include "commonfunc.h"
#include "cdevicebase.h"
#include "cdevicemgr.h"
#include "cdlgdevicedatabase.h"
#include "cdlgdevicedatamaster.h"
#include "cdlgdevicedatamgr.h"
#include "cdlgdevicelist.h"
#include "cdlgdevicemgr.h"
#include "cdlgdevicesel.h"
#include "pushbutton.h"
#include "cmttablewidget.h"
#include "cnetparamgr.h"
#include "common/netrecords.h"
#include "common/uidriver.h"
#include "freeport.h"
#include "linkdefine.h"
#include "modbuspeer.h"

using Page = CDlgDeviceDataBase;

namespace {

// A point of the block; one register is an INT, more a UINT, shown as FLOAT unless told.
DEVICE_DATA_CFG_S Point(quint16 nBlock, quint16 nAddr, quint16 nSize, const QString &strName,
                        quint16 nShow = SHOW_TYPE_FLOAT)
{
    DEVICE_DATA_CFG_S objCfg;
    objCfg.nBlock = nBlock;
    objCfg.nAddr = nAddr;
    objCfg.nSize = nSize;
    objCfg.nPrtcType = nSize == 1 ? PRTC_TYPE_INT : PRTC_TYPE_UINT;
    objCfg.nShowType = nShow;
    objCfg.strName = strName;
    return objCfg;
}

// The cells of a row in the columns asked for, blanks trimmed, joined by "|".
QString RowTexts(QTableWidget *pTable, int nRow, const QList<int> &lstColumns)
{
    QStringList lstTexts;
    for (int nColumn : lstColumns)
        lstTexts << CellText(pTable, nRow, nColumn).trimmed();
    return lstTexts.join(QLatin1Char('|'));
}

bool IsMarked(QTableWidget *pTable, int nRow)
{
    return pTable->item(nRow, Page::COL_ID)->background().color() == QColor(255, 196, 196);
}

// Ticks "循环" in the batch dialog and confirms.
void StartCyclic(QDialog *pDialog)
{
    ClickButton(pDialog, T("循环"));
    ClickButton(pDialog, T("确定"));
}

// Reads holding registers with libmodbus while this thread keeps the slave
// answering; empty when the read failed.
QVector<quint16> ReadByLibmodbus(int nPort, int nStart, int nCount)
{
    QVector<quint16> vecRegs(nCount);
    int nRead = -1;
    RunClient([&] {
        modbus_t *pCtx = modbus_new_tcp("127.0.0.1", nPort);
        modbus_set_response_timeout(pCtx, 3, 0);
        modbus_set_slave(pCtx, 1);
        if (modbus_connect(pCtx) == 0)
            nRead = modbus_read_registers(pCtx, nStart, nCount, vecRegs.data());
        modbus_close(pCtx);
        modbus_free(pCtx);
    });
    return nRead == nCount ? vecRegs : QVector<quint16>();
}

// The two registers a 32-bit pattern occupies on the wire.
QVector<quint16> WireWords(quint32 nBits, quint16 nByteOder, quint16 nWordOder)
{
    auto fnWord = [nByteOder](quint16 nWord) { return nByteOder == 1 ? quint16((nWord >> 8) | (nWord << 8)) : nWord; };
    const quint16 nHigh = fnWord(quint16(nBits >> 16));
    const quint16 nLow = fnWord(quint16(nBits));
    return nWordOder == 1 ? QVector<quint16>{nLow, nHigh} : QVector<quint16>{nHigh, nLow};
}

} // namespace

class TstDataPage : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_objDir;
    QWidget *m_pWindow = nullptr; // wired as in the main window
    CDlgDeviceDataMgr *m_pMgr = nullptr;
    CDlgDeviceList *m_pList = nullptr;
    QStackedWidget *m_pPages = nullptr; // the links page, then the data pages
    CDlgDeviceMgr *m_pLinks = nullptr;

    // The device's name cell in the device list.
    QTableWidgetItem *ListItem(const QString &strDevice)
    {
        const QList<QTableWidgetItem *> lstFound = m_pList->GetTable()->findItems(strDevice, Qt::MatchExactly);
        return lstFound.isEmpty() ? nullptr : lstFound.first();
    }

    // Clicks the device's name in the device list, which shows its data page.
    Page *ShowPage(const QString &strDevice)
    {
        m_pPages->setCurrentIndex(1);
        ClickCell(m_pList->GetTable(), ListItem(strDevice)->row(), CDlgDeviceList::COL_NAME);
        return m_pMgr->GetCurrentPage();
    }

    // A new device with the points, its page current. Without a link named,
    // on a port that does not exist, so it stays shut down (masters and
    // slaves need links of their own).
    Page *ShowDevice(quint16 nType, quint16 nAddr, const QList<DEVICE_DATA_CFG_S> &lstPoints, QString strLink = QString())
    {
        if (strLink.isEmpty())
            strLink = nType == DEVICE_TYPE_MASTER ? QStringLiteral("ttyKXMASTER") : QStringLiteral("ttyKXSLAVE");
        if (CDeviceMgr::AddDevice(QString(), strLink, nType, nAddr, nAddr) != QLatin1String("OK"))
            return nullptr;
        const QString strName = CDeviceMgr::GetDeviceName(strLink, nAddr);
        CCfgFileMgr::GetInstance()->ReplaceDeviceDataCfgList(strName, lstPoints);
        m_pMgr->GetPage(strName)->LoadDataCfg();
        return ShowPage(strName);
    }

    // Clicks "配置"; with 11 points or more the rows come behind a progress dialog.
    void SwitchState(Page *pPage, CUserScript &objUser)
    {
        if (!pPage->IsCfgState() && pPage->GetTable()->rowCount() >= 11)
            objUser.Then([](QDialog *pDialog) { QTRY_VERIFY_WITH_TIMEOUT(!pDialog->isVisible(), 30000); });
        QVERIFY(ClickButton(pPage, T("配置")));
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
        m_pWindow->resize(1900, 800);
        m_pWindow->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_pWindow));
    }

    void cleanupTestCase()
    {
        delete m_pWindow;
        CDeviceMgr::DestroyInstance();
    }

    // Cells corrected as they are edited; overlapping rows keep the page in
    // the configuration state with the first of them marked.
    void configurationRules()
    {
        QList<DEVICE_DATA_CFG_S> lstPoints;
        lstPoints << Point(BLOCK_HOLDING_REG, 0, 2, "hold") << Point(BLOCK_INPUT_REG, 0, 2, "input")
                  << Point(BLOCK_HOLDING_REG, 200, 2, "to coil");
        for (quint16 i = 0; i < 9; ++i)
            lstPoints << Point(BLOCK_HOLDING_REG, quint16(300 + i), 1, QStringLiteral("P%1").arg(i + 4));
        Page *pPage = ShowDevice(DEVICE_TYPE_MASTER, 1, lstPoints);
        QVERIFY(pPage != nullptr);
        QTableWidget *pTable = pPage->GetTable();
        CUserScript objUser;
        SwitchState(pPage, objUser);
        QCOMPARE(pTable->rowCount(), 12);

        QVERIFY(EditCell(pTable, 0, Page::COL_SIZE, "200"));
        QVERIFY(EditCell(pTable, 1, Page::COL_SIZE, "200"));
        const QList<int> lstRule = {Page::COL_BLOCK, Page::COL_SIZE, Page::COL_GAIN, Page::COL_PRTC_TYPE, Page::COL_SHOW_TYPE};
        QCOMPARE(RowTexts(pTable, 0, lstRule), T("保持寄存器(RW)|123|1|BYTES|BYTES"));
        QCOMPARE(RowTexts(pTable, 1, lstRule), T("输入寄存器(RO)|125|1|BYTES|BYTES"));
        QVERIFY(EditCell(pTable, 2, Page::COL_GAIN, "0.5"));
        QCOMPARE(CellText(pTable, 2, Page::COL_GAIN), QString("0.5"));
        ChooseEntry(pTable->cellWidget(2, Page::COL_BLOCK), BLOCK_COIL);
        ChooseEntry(pTable->cellWidget(2, Page::COL_PRTC_TYPE), PRTC_TYPE_INT); // no other choice offered
        QCOMPARE(RowTexts(pTable, 2, lstRule), T("线圈状态(RW)|1|1|BIT|BIT"));
        QVERIFY(!pTable->cellWidget(2, Page::COL_BYTE_ODER)->isEnabled());

        // Rows 4 and 6 (addresses 301, 303) collide once row 6 moves to 301.
        QVERIFY(EditCell(pTable, 6, Page::COL_ADDR, "301"));
        QVERIFY(IsMarked(pTable, 4) && !IsMarked(pTable, 6));
        QCOMPARE(pTable->item(4, Page::COL_ID)->toolTip(), T("数据地址与其它数据点冲突, ID:7 名称:P7"));
        QVERIFY(ClickButton(pPage, T("配置")));
        QCOMPARE(objUser.m_lstMessages, QStringList{T("数据配置存在异常，请修改完成！")});
        QVERIFY(pPage->IsCfgState() && IsMarked(pTable, 4));

        QVERIFY(EditCell(pTable, 6, Page::COL_ADDR, "400"));
        QVERIFY(!IsMarked(pTable, 4));
        SwitchState(pPage, objUser);
        QVERIFY(!pPage->IsCfgState() && objUser.m_lstMessages.size() == 1 && objUser.m_lstUnexpected.isEmpty());
        // Written back: the data-operation rows are filled from the store.
        QCOMPARE(RowTexts(pTable, 0, lstRule), T("保持寄存器(RW)|123|1|BYTES|BYTES"));
        QCOMPARE(RowTexts(pTable, 2, lstRule), T("线圈状态(RW)|1|1|BIT|BIT"));
        QCOMPARE(RowTexts(pTable, 6, {Page::COL_ADDR, Page::COL_VALUE}), QString("400|--"));
    }

    // Only the rows in view carry selection lists; scrolling brings them
    // along, and every row is written back, with or without a list.
    void selectionListsFollowTheView()
    {
        QList<DEVICE_DATA_CFG_S> lstPoints;
        for (quint16 i = 0; i < 60; ++i)
            lstPoints << Point(BLOCK_HOLDING_REG, i, 1, QStringLiteral("R%1").arg(i));
        Page *pPage = ShowDevice(DEVICE_TYPE_MASTER, 6, lstPoints);
        QVERIFY(pPage != nullptr);
        QTableWidget *pTable = pPage->GetTable();
        CUserScript objUser;
        SwitchState(pPage, objUser);
        QVERIFY(pTable->cellWidget(0, Page::COL_BLOCK) != nullptr && pTable->cellWidget(59, Page::COL_BLOCK) == nullptr);
        pTable->verticalScrollBar()->setValue(pTable->verticalScrollBar()->maximum());
        QVERIFY(pTable->cellWidget(0, Page::COL_BLOCK) == nullptr);
        ChooseEntry(pTable->cellWidget(59, Page::COL_BLOCK), BLOCK_INPUT_REG);
        ChooseEntry(pTable->cellWidget(58, Page::COL_BYTE_ODER), BYTE_ODER_LITTLE);
        SwitchState(pPage, objUser); // the data-operation rows come from the store
        const QList<int> lstColumns = {Page::COL_BLOCK, Page::COL_BYTE_ODER};
        QCOMPARE(RowTexts(pTable, 59, lstColumns), T("输入寄存器(RO)|大端"));
        QCOMPARE(RowTexts(pTable, 58, lstColumns), T("保持寄存器(RW)|小端"));
        QCOMPARE(RowTexts(pTable, 0, lstColumns), T("保持寄存器(RW)|大端"));
    }

    // New points on an empty device start at address 1 with ID 1 and follow
    // the last row; after removing, moving and writing back the IDs are 1 ... n.
    void newMovedAndRemovedPoints()
    {
        Page *pPage = ShowDevice(DEVICE_TYPE_MASTER, 2, {});
        QVERIFY(pPage != nullptr);
        QTableWidget *pTable = pPage->GetTable();
        CUserScript objUser;
        SwitchState(pPage, objUser);
        objUser.Then(TypeAndPress("3", T("确定")));
        QVERIFY(ClickButton(pPage, T("新增")));
        QCOMPARE(ColumnTexts(pTable, Page::COL_ADDR), QStringList({"1", "2", "3"}));
        QCOMPARE(RowTexts(pTable, 0, {Page::COL_ID, Page::COL_BLOCK, Page::COL_SHOW_TYPE}), T("1|保持寄存器(RW)|FLOAT"));

        QVERIFY(EditCell(pTable, 2, Page::COL_SIZE, "4"));
        QVERIFY(EditCell(pTable, 2, Page::COL_NAME, "last"));
        ToggleCheckCell(pTable, 0, Page::COL_NAME);
        objUser.Then(TypeAndPress("1", T("确定")));
        QVERIFY(ClickButton(pPage, T("新增"))); // copies the ticked row, after the last one
        QCOMPARE(RowTexts(pTable, 3, {Page::COL_ID, Page::COL_ADDR}), QString("4|7"));

        ToggleCheckCell(pTable, 0, Page::COL_NAME); // untick row 0, tick "last", move it up
        ToggleCheckCell(pTable, 2, Page::COL_NAME);
        QVERIFY(ClickButton(pPage, T("上移")));
        QCOMPARE(RowTexts(pTable, 1, {Page::COL_NAME, Page::COL_SIZE}), QString("last|4"));
        QCOMPARE(RowTexts(pTable, 2, {Page::COL_NAME, Page::COL_SIZE}), QString("--|1"));
        QVERIFY(pTable->item(1, Page::COL_NAME)->checkState() == Qt::Checked);

        ToggleCheckCell(pTable, 1, Page::COL_NAME);
        ToggleCheckCell(pTable, 0, Page::COL_NAME);
        QVERIFY(ClickButton(pPage, T("删除")));
        QCOMPARE(objUser.m_lstMessages.last(), T("请确认是否删除选定数据？"));
        QCOMPARE(ColumnTexts(pTable, Page::COL_ID), QStringList({"3", "2", "4"}));
        // A list below the removed row still acts on its own row.
        ChooseEntry(pTable->cellWidget(1, Page::COL_BLOCK), BLOCK_INPUT_REG);
        QCOMPARE(ColumnTexts(pTable, Page::COL_BLOCK),
                 QStringList({T("保持寄存器(RW)"), T("输入寄存器(RO)"), T("保持寄存器(RW)")}));
        QVERIFY(!(pTable->item(1, Page::COL_BWRITE)->flags() & Qt::ItemIsEnabled));

        SwitchState(pPage, objUser); // rows filled again from the store
        QCOMPARE(ColumnTexts(pTable, Page::COL_ID), QStringList({"1", "2", "3"}));
        emit CDeviceMgr::GetDevice(pPage->GetDeviceName())->siRefreshDeviceData(pPage->GetDeviceName(), 2, "7");
        QCOMPARE(CellText(pTable, 1, Page::COL_VALUE), QString("7"));
        QVERIFY(objUser.m_lstUnexpected.isEmpty());
    }

    // Values change colour only when they change, and not at all while the
    // page is being configured; the slave answers nothing then.
    void valuesFollowTheState()
    {
        Page *pPage = ShowDevice(DEVICE_TYPE_SLAVE, 3, {Point(BLOCK_HOLDING_REG, 0, 1, "a")});
        QVERIFY(pPage != nullptr);
        QTableWidget *pTable = pPage->GetTable();
        CDeviceBase *pDevice = CDeviceMgr::GetDevice(pPage->GetDeviceName());
        const QString strName = pPage->GetDeviceName();
        QCOMPARE(CellText(pTable, 0, Page::COL_VALUE), QString("0")); // the fixed value of a new point
        emit pDevice->siRefreshDeviceData(strName, 1, "42");
        QCOMPARE(pTable->item(0, Page::COL_VALUE)->foreground().color(), QColor(255, 69, 0));
        emit pDevice->siRefreshDeviceData(strName, 1, "42");
        QCOMPARE(pTable->item(0, Page::COL_VALUE)->foreground().color(), QColor(0, 0, 205));
        QCOMPARE(emit pDevice->siGetDeviceData(strName, 1), QString("42"));
        emit pDevice->siRefreshDeviceData(strName, 9, "1"); // no such row: nothing breaks

        CUserScript objUser;
        SwitchState(pPage, objUser);
        emit pDevice->siRefreshDeviceData(strName, 1, "43");
        QCOMPARE(CellText(pTable, 0, Page::COL_VALUE), QString("--"));
        QCOMPARE(emit pDevice->siGetDeviceData(strName, 1), QString());
        SwitchState(pPage, objUser);
    }

    // One page per device, the current one shown; deleting or renaming
    // devices keeps the manager consistent.
    void onePagePerDevice()
    {
        Page *pMaster = ShowDevice(DEVICE_TYPE_MASTER, 5, {});
        QVERIFY(qobject_cast<CDlgDeviceDataMaster *>(pMaster) != nullptr && pMaster->isVisible());
        m_pMgr->slCurrActvDeviceChanged(QString());
        QVERIFY(!pMaster->isVisible() && m_pMgr->GetCurrentPage() == nullptr);

        const DEVICE_KEY_INFO_S stOld{pMaster->GetDeviceName(), "ttyKXMASTER", 5}, stNew{"boiler", "ttyKXMASTER", 5};
        QCOMPARE(CDeviceMgr::ChangeDeviceInfo(stOld, stNew), QStringLiteral("OK"));
        QVERIFY(m_pMgr->GetPage(QStringLiteral("boiler")) == pMaster && pMaster->GetDeviceName() == "boiler");
        m_pMgr->slCurrActvDeviceChanged(QStringLiteral("boiler"));
        QVERIFY(pMaster->isVisible());
        // The list then activates its first device, whose page is shown.
        QCOMPARE(CDeviceMgr::DelDevice({QStringLiteral("boiler")}), QStringLiteral("OK"));
        QVERIFY(m_pMgr->GetPage(QStringLiteral("boiler")) == nullptr);
        QCOMPARE(m_pMgr->GetCurrentPage()->GetDeviceName(), m_pList->GetActvDeviceName());
        m_pMgr->slCurrActvDeviceChanged(QStringLiteral("boiler")); // gone: nothing changes, nothing breaks
        QCOMPARE(m_pMgr->GetCurrentPage()->GetDeviceName(), m_pList->GetActvDeviceName());
    }

    // As a user: a TCP server link with a slave and a TCP client link with a
    // master; the master's points copied to the slave; fixed values and a
    // sine set on the slave; a cyclic read shows them on the master, the sine
    // moving; a value sent from the master lands on the slave; stopping the
    // server link turns both devices red.
    void wholeRoadThroughTheWidgets()
    {
        CUserScript objUser;
        const int nPort = PickFreePort();
        m_pPages->setCurrentIndex(0);
        QTest::mouseClick(m_pLinks->GetTabBar(), Qt::LeftButton, Qt::NoModifier, m_pLinks->GetTabBar()->tabRect(1).center());
        auto fnAddLinkAndDevice = [&](int nLinkMode, int nRow, int nTypeIndex) {
            objUser.Then([=](QDialog *pDialog) {
                auto *pTable = pDialog->findChild<QTableWidget *>();
                ChooseEntry(pTable->cellWidget(1, 1), nLinkMode);
                ChooseEntry(pTable->cellWidget(2, 1), TRANS_MODE_TCP_SYNC);
                QVERIFY(EditCell(pTable, 4, 1, QString::number(nPort)));
                ClickButton(pDialog, T("确认"));
            });
            QVERIFY(ClickButton(m_pLinks, T("新增")));
            CMTTableWidget *pTable = m_pLinks->GetTable();
            ToggleCheckCell(pTable, nRow, CDlgDeviceMgr::COL_NAME);
            ChooseEntry(pTable->cellWidget(nRow, CDlgDeviceMgr::COL_DEVICE_TYPE), nTypeIndex);
            QTest::mouseClick(m_pLinks->GetAddDeviceButton(), Qt::LeftButton);
            ToggleCheckCell(pTable, nRow, CDlgDeviceMgr::COL_NAME);
        };
        fnAddLinkAndDevice(LINK_MODE_TCP_SERVER, 0, 1);
        fnAddLinkAndDevice(LINK_MODE_TCP_CLIENT, 1, 0);
        const QString strSlave = QStringLiteral("[S]NET000-001"), strMaster = QStringLiteral("[M]NET001-001");
        auto fnRed = [this](const QString &strDevice) {
            QTableWidgetItem *pItem = ListItem(strDevice);
            return pItem != nullptr && pItem->foreground().color() == Qt::red;
        };
        QTRY_VERIFY(ListItem(strSlave) && ListItem(strMaster) && !fnRed(strSlave) && !fnRed(strMaster));

        // Three new points on the master, copied to the slave.
        Page *pMaster = ShowPage(strMaster);
        QVERIFY(pMaster != nullptr && pMaster->GetDeviceName() == strMaster);
        QVERIFY(ClickButton(pMaster, T("配置")));
        objUser.Then(TypeAndPress("3", T("确定")));
        QVERIFY(ClickButton(pMaster, T("新增")));
        objUser.Then([strSlave](QDialog *pDialog) {
            QTableWidget *pTable = qobject_cast<CDlgDeviceSel *>(pDialog)->GetTable();
            ToggleCheckCell(pTable, pTable->findItems(strSlave, Qt::MatchExactly).first()->row(), 2);
            ClickButton(pDialog, T("确定"));
        });
        QVERIFY(ClickButton(pMaster, T("同步")));
        QVERIFY(ClickButton(pMaster, T("配置")));
        QCOMPARE(objUser.m_lstMessages.last(), T("数据配置同步已完成！"));

        // Fixed values on rows 0 and 2, a sine of 100 around 200 with a period of 36 s on row 1
        // (settings rows 1 to 3: the first coefficients, 7: the refresh interval).
        Page *pSlave = ShowPage(strSlave);
        QCOMPARE(pSlave->GetTable()->rowCount(), 3);
        auto fnSimulate = [&](int nRow, int nStrategy, const QMap<int, QString> &mapRows) {
            objUser.Then([=](QDialog *pDialog) {
                auto *pTable = pDialog->findChild<QTableWidget *>();
                ChooseEntry(pTable->cellWidget(0, 1), nStrategy);
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
        objUser.Then(StartCyclic);
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

        m_pPages->setCurrentIndex(0);
        QTest::mouseClick(m_pLinks->GetTable()->cellWidget(0, CDlgDeviceMgr::COL_STATE), Qt::LeftButton);
        QTRY_VERIFY(fnRed(strSlave) && fnRed(strMaster));
        QVERIFY(!FindButton(m_pMgr->GetPage(strMaster), T("批量读"))->isChecked());
        QVERIFY(!FindButton(m_pMgr->GetPage(strMaster), T("批量读"))->isEnabled());
        QVERIFY(objUser.m_lstUnexpected.isEmpty());
        CDeviceMgr::DelDevice({strSlave, strMaster});
    }

    // The master's points copied to a slave; a value set through the
    // simulation dialog of the slave's value cell is what the slave holds.
    void pointsCopiedAndSimulated()
    {
        Page *pSlave = ShowDevice(DEVICE_TYPE_SLAVE, 7, {});
        const QString strSlave = pSlave->GetDeviceName();
        Page *pMaster = ShowDevice(DEVICE_TYPE_MASTER, 7, {Point(BLOCK_HOLDING_REG, 4, 2, "flow")});
        CUserScript objUser;
        QVERIFY(ClickButton(pMaster, T("配置")));
        objUser.Then([strSlave](QDialog *pDialog) {
            TickRows({pDialog->findChild<QTableWidget *>()->findItems(strSlave, Qt::MatchExactly).first()->row()})(pDialog);
        });
        QVERIFY(ClickButton(pMaster, T("同步")));
        QVERIFY(ClickButton(pMaster, T("配置")));
        QCOMPARE(objUser.m_lstMessages.last(), T("数据配置同步已完成！"));

        QVERIFY(ShowPage(strSlave) == pSlave);
        QCOMPARE(RowTexts(pSlave->GetTable(), 0, {Page::COL_ADDR, Page::COL_SIZE, Page::COL_NAME}), QString("4|2|flow"));
        objUser.Then([](QDialog *pDialog) {
            QVERIFY(EditCell(pDialog->findChild<QTableWidget *>(), 1, 1, "321.5"));
            ClickButton(pDialog, T("应用"));
        });
        DoubleClickCell(pSlave->GetTable(), 0, Page::COL_VALUE);
        QCOMPARE(CellText(pSlave->GetTable(), 0, Page::COL_VALUE), QString("321.5"));
        QCOMPARE(emit CDeviceMgr::GetDevice(strSlave)->siGetDeviceData(strSlave, 1), QString("321.5"));
        QVERIFY(objUser.m_lstUnexpected.isEmpty());
    }

    // A libmodbus client reads from the slave exactly what its cells show,
    // for 32-bit points in every byte and word order, and a simulated point
    // shows the value it has just answered.
    void slaveAnswersWhatTheCellsShow()
    {
        const int nPort = PickFreePort();
        QVERIFY(CNetParaMgr::SetNetPara(NetPara(QStringLiteral("NET101"), LINK_MODE_TCP_SERVER, TRANS_MODE_TCP_SYNC, nPort)));
        QList<DEVICE_DATA_CFG_S> lstPoints;
        for (quint16 nOrders = 0; nOrders < 4; ++nOrders) {
            DEVICE_DATA_CFG_S objUint = Point(BLOCK_HOLDING_REG, quint16(nOrders * 4), 2, "u", SHOW_TYPE_INT_DEC);
            DEVICE_DATA_CFG_S objFloat = Point(BLOCK_HOLDING_REG, quint16(nOrders * 4 + 2), 2, "f");
            objFloat.nPrtcType = PRTC_TYPE_FLOAT;
            for (DEVICE_DATA_CFG_S *pCfg : {&objUint, &objFloat}) {
                pCfg->nByteOder = nOrders & 1;
                pCfg->nWordOder = nOrders >> 1;
            }
            objUint.objValueCfg.strCoefA = QString::number(305419896 + nOrders); // 0x12345678 + n
            objFloat.objValueCfg.strCoefA = QStringLiteral("-1.5");
            lstPoints << objUint << objFloat;
        }
        DEVICE_DATA_CFG_S objSine = Point(BLOCK_HOLDING_REG, 16, 1, "sine");
        objSine.objValueCfg.nStategy = 3;
        objSine.objValueCfg.strCoefA = QStringLiteral("1000");
        objSine.objValueCfg.strCoefB = QStringLiteral("0.01");
        objSine.objValueCfg.nXInvl = 1;
        lstPoints << objSine;
        Page *pPage = ShowDevice(DEVICE_TYPE_SLAVE, 1, lstPoints, QStringLiteral("NET101"));
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
        QVERIFY(CNetParaMgr::SetNetPara(NetPara(QStringLiteral("NET102"), LINK_MODE_TCP_CLIENT, TRANS_MODE_TCP_SYNC, nPort)));
        DEVICE_DATA_CFG_S objGain = Point(BLOCK_HOLDING_REG, 0, 1, "temp");
        objGain.fGain = 0.1;
        DEVICE_DATA_CFG_S objHex = Point(BLOCK_HOLDING_REG, 3, 1, "mode", SHOW_TYPE_INT_HEX);
        objHex.nPrtcType = PRTC_TYPE_UINT;
        objHex.nIsBWrite = 1;
        Page *pPage = ShowDevice(DEVICE_TYPE_MASTER, 1, {objGain, Point(BLOCK_HOLDING_REG, 1, 2, "count", SHOW_TYPE_INT_DEC), objHex},
                                 QStringLiteral("NET102"));
        QVERIFY(pPage != nullptr);
        QTRY_VERIFY(FindButton(pPage, T("批量读"))->isEnabled());
        QTableWidget *pTable = pPage->GetTable();
        CUserScript objUser;

        objUser.Then(Press(T("确定")));
        QVERIFY(ClickButton(pPage, T("批量写")));
        QCOMPARE(objUser.m_lstMessages, QStringList{T("请确保设置数据已经预设有效值：(mode)")});
        QVERIFY(!FindButton(pPage, T("批量写"))->isChecked());

        objUser.Then(StartCyclic);
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
        // The server gone, the device turns red and the read cannot start.
        objPeer.Stop();
        QTRY_COMPARE(ListItem(pPage->GetDeviceName())->foreground().color(), QColor(Qt::red));
        QTRY_VERIFY(!FindButton(pPage, T("批量读"))->isEnabled());
        CDeviceMgr::DelDevice({pPage->GetDeviceName()});
    }
};

QTEST_MAIN(TstDataPage)
#include "tst_datapage.moc"
