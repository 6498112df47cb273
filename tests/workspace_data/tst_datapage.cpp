// The data pages and their manager through the widgets: the configuration
// state with its cell rules and marks, new and removed points, filters, value
// refresh, and one page per device.

#include <QPushButton>
#include <QtTest>

#include "ccfgfilemgr.h"
#include "cdevicebase.h"
#include "cdevicemgr.h"
#include "cdlgdevicedatabase.h"
#include "cdlgdevicedatamaster.h"
#include "cdlgdevicedatamgr.h"
#include "cdlgdevicedataslave.h"
#include "cdlgsigsel.h"
#include "cmttablewidget.h"
#include "commonfunc.h"
#include "linkdefine.h"
#include "workspace_data/pagedriver.h"

using Page = CDlgDeviceDataBase;

namespace {

// No such ports: the devices stay shut down. Masters and slaves need links of their own.
QString LinkOf(quint16 nType)
{
    return nType == DEVICE_TYPE_MASTER ? QStringLiteral("ttyKXMASTER") : QStringLiteral("ttyKXSLAVE");
}

QString T(const char *pText)
{
    return QString::fromUtf8(pText);
}

DEVICE_DATA_CFG_S Point(quint16 nBlock, quint16 nAddr, quint16 nSize, const QString &strName)
{
    DEVICE_DATA_CFG_S objCfg;
    objCfg.nBlock = nBlock;
    objCfg.nAddr = nAddr;
    objCfg.nSize = nSize;
    objCfg.nPrtcType = nSize == 1 ? PRTC_TYPE_INT : PRTC_TYPE_UINT;
    objCfg.nShowType = SHOW_TYPE_FLOAT;
    objCfg.strName = strName;
    return objCfg;
}

bool IsMarked(QTableWidget *pTable, int nRow)
{
    return pTable->item(nRow, Page::COL_ID)->background().color() == QColor(255, 196, 196);
}

} // namespace

class TstDataPage : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_objDir;
    CDlgDeviceDataMgr *m_pMgr = nullptr;

    // A new device with the points, shown as the current page.
    Page *ShowDevice(quint16 nType, quint16 nAddr, const QList<DEVICE_DATA_CFG_S> &lstPoints)
    {
        if (CDeviceMgr::AddDevice(QString(), LinkOf(nType), nType, nAddr, nAddr) != QLatin1String("OK"))
            return nullptr;
        const QString strNew = CDeviceMgr::GetDeviceName(LinkOf(nType), nAddr);
        CCfgFileMgr::GetInstance()->ReplaceDeviceDataCfgList(strNew, lstPoints);
        Page *pPage = m_pMgr->GetPage(strNew);
        pPage->LoadDataCfg();
        m_pMgr->slCurrActvDeviceChanged(strNew);
        return pPage;
    }

    // Clicks "配置"; with 11 points or more the rows come behind a progress dialog.
    void SwitchState(Page *pPage, CUserScript &objUser)
    {
        if (!pPage->IsCfgState() && pPage->GetTable()->rowCount() >= 11)
            objUser.Then(WaitClosed());
        QVERIFY(ClickButton(pPage, T("配置")));
    }

private slots:
    void initTestCase()
    {
        RegisterLinkMetaTypes();
        ApplyAppLook();
        QVERIFY(QDir::setCurrent(m_objDir.path()));
        CCfgFileMgr::GetInstance()->ClearCfg();
        m_pMgr = new CDlgDeviceDataMgr;
        m_pMgr->resize(1800, 700);
        m_pMgr->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_pMgr));
        m_pMgr->activateWindow();
    }

    void cleanupTestCase()
    {
        delete m_pMgr;
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
        QVERIFY(FindButton(pPage, T("新增")) != nullptr);

        QVERIFY(EditCell(pTable, 0, Page::COL_SIZE, "200"));
        QVERIFY(EditCell(pTable, 1, Page::COL_SIZE, "200"));
        QCOMPARE(CellText(pTable, 0, Page::COL_SIZE), QString("123"));
        QCOMPARE(CellText(pTable, 1, Page::COL_SIZE), QString("125"));
        QCOMPARE(CellText(pTable, 0, Page::COL_PRTC_TYPE), T("  BYTES"));
        QCOMPARE(CellText(pTable, 0, Page::COL_SHOW_TYPE), T("  BYTES"));

        QVERIFY(EditCell(pTable, 2, Page::COL_GAIN, "0.5"));
        StepCellList(pTable, 2, Page::COL_BLOCK, -2); // holding registers -> coils
        QCOMPARE(CellText(pTable, 2, Page::COL_BLOCK), T("线圈状态(RW)"));
        QCOMPARE(CellText(pTable, 2, Page::COL_SIZE), QString("1"));
        QCOMPARE(CellText(pTable, 2, Page::COL_GAIN), QString("1"));
        QCOMPARE(CellText(pTable, 2, Page::COL_PRTC_TYPE), T("  BIT"));
        QCOMPARE(CellText(pTable, 2, Page::COL_SHOW_TYPE), T("  BIT"));
        QVERIFY(!pTable->cellWidget(2, Page::COL_BYTE_ODER)->isEnabled());
        StepCellList(pTable, 2, Page::COL_PRTC_TYPE, -3); // no other choice offered
        QCOMPARE(CellText(pTable, 2, Page::COL_PRTC_TYPE), T("  BIT"));

        // Rows 4 and 6 (addresses 301, 303) collide once row 6 moves to 301.
        QVERIFY(EditCell(pTable, 6, Page::COL_ADDR, "301"));
        QVERIFY(IsMarked(pTable, 4));
        QCOMPARE(pTable->item(4, Page::COL_ID)->toolTip(), T("数据地址与其它数据点冲突, ID:7 名称:P7"));
        QVERIFY(!IsMarked(pTable, 6));
        QVERIFY(ClickButton(pPage, T("配置")));
        QCOMPARE(objUser.m_lstMessages, QStringList{T("数据配置存在异常，请修改完成！")});
        QVERIFY(pPage->IsCfgState());
        QVERIFY(FindButton(pPage, T("新增")) != nullptr);
        QVERIFY(IsMarked(pTable, 4));

        QVERIFY(EditCell(pTable, 6, Page::COL_ADDR, "400"));
        QVERIFY(!IsMarked(pTable, 4));
        SwitchState(pPage, objUser);
        QVERIFY(!pPage->IsCfgState());
        QCOMPARE(objUser.m_lstMessages.size(), 1);
        QVERIFY(objUser.m_lstUnexpected.isEmpty());

        // What the store holds now is what the data-operation rows show.
        DEVICE_DATA_CFG_S objCfg;
        QVERIFY(CCfgFileMgr::GetInstance()->GetDeviceDataCfg(pPage->GetDeviceName(), 3, objCfg));
        QCOMPARE(objCfg.nBlock, quint16(BLOCK_COIL));
        QCOMPARE(CellText(pTable, 0, Page::COL_SIZE), QString("123"));
        QCOMPARE(CellText(pTable, 2, Page::COL_BLOCK), T("线圈状态(RW)"));
        QCOMPARE(CellText(pTable, 6, Page::COL_ADDR), QString("400"));
        QCOMPARE(CellText(pTable, 2, Page::COL_VALUE), QString("--"));
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
        QCOMPARE(ColumnTexts(pTable, Page::COL_ID), QStringList({"1", "2", "3"}));
        QCOMPARE(ColumnTexts(pTable, Page::COL_ADDR), QStringList({"1", "2", "3"}));
        QCOMPARE(CellText(pTable, 0, Page::COL_BLOCK), T("保持寄存器(RW)"));
        QCOMPARE(CellText(pTable, 0, Page::COL_SHOW_TYPE), T("  FLOAT"));

        QVERIFY(EditCell(pTable, 2, Page::COL_SIZE, "4"));
        QVERIFY(EditCell(pTable, 2, Page::COL_NAME, "last"));
        ToggleCheckCell(pTable, 0, Page::COL_NAME);
        objUser.Then(TypeAndPress("1", T("确定")));
        QVERIFY(ClickButton(pPage, T("新增"))); // copies the ticked row, after the last one
        QCOMPARE(ColumnTexts(pTable, Page::COL_ADDR), QStringList({"1", "2", "3", "7"}));
        QCOMPARE(CellText(pTable, 3, Page::COL_ID), QString("4"));

        ToggleCheckCell(pTable, 0, Page::COL_NAME); // untick row 0, tick "last", move it up
        ToggleCheckCell(pTable, 2, Page::COL_NAME);
        QVERIFY(ClickButton(pPage, T("上移")));
        QCOMPARE(ColumnTexts(pTable, Page::COL_NAME), QStringList({"--", "last", "--", "--"}));
        QCOMPARE(ColumnTexts(pTable, Page::COL_SIZE), QStringList({"1", "4", "1", "1"}));
        QVERIFY(pTable->item(1, Page::COL_NAME)->checkState() == Qt::Checked);

        ToggleCheckCell(pTable, 1, Page::COL_NAME);
        ToggleCheckCell(pTable, 0, Page::COL_NAME);
        objUser.Answer(true);
        QVERIFY(ClickButton(pPage, T("删除")));
        QCOMPARE(objUser.m_lstMessages.last(), T("请确认是否删除选定数据？"));
        QCOMPARE(ColumnTexts(pTable, Page::COL_ID), QStringList({"3", "2", "4"}));
        StepCellList(pTable, 1, Page::COL_BLOCK, 1); // a list below the removed row still acts on its own row
        QCOMPARE(ColumnTexts(pTable, Page::COL_BLOCK),
                 QStringList({T("保持寄存器(RW)"), T("输入寄存器(RO)"), T("保持寄存器(RW)")}));
        QVERIFY(!(pTable->item(1, Page::COL_BWRITE)->flags() & Qt::ItemIsEnabled));

        SwitchState(pPage, objUser);
        QCOMPARE(ColumnTexts(pTable, Page::COL_ID), QStringList({"1", "2", "3"}));
        QList<quint32> lstIDs;
        for (const DEVICE_DATA_CFG_S &objCfg : CCfgFileMgr::GetInstance()->GetDeviceDataCfgList(pPage->GetDeviceName()))
            lstIDs << objCfg.nID;
        QCOMPARE(lstIDs, QList<quint32>({1, 2, 3}));
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
        for (int nColumn : {Page::COL_BREAD, Page::COL_BWRITE, Page::COL_TIMEOUT, Page::COL_RESEND})
            QVERIFY(pTable->isColumnHidden(nColumn));
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

    // The row filter hides rows and stores it at once; the block filter works
    // on the block cells; the column filter never offers the hidden ID column.
    void filters()
    {
        Page *pPage = ShowDevice(DEVICE_TYPE_MASTER, 4,
                                 {Point(BLOCK_HOLDING_REG, 0, 1, "h0"), Point(BLOCK_COIL, 0, 1, "c0"),
                                  Point(BLOCK_HOLDING_REG, 1, 1, "h1")});
        QVERIFY(pPage != nullptr);
        QTableWidget *pTable = pPage->GetTable();
        CUserScript objUser;
        objUser.Then([](QDialog *pDialog) {
            auto *pSel = qobject_cast<CDlgSigSel *>(pDialog);
            ToggleCheckCell(pSel->GetTable(), 2, 2);
            ClickButton(pDialog, T("确定"));
        });
        QVERIFY(ClickButton(pPage, T("筛选行")));
        QVERIFY(pTable->isRowHidden(2) && !pTable->isRowHidden(0));
        DEVICE_DATA_CFG_S objCfg;
        QVERIFY(CCfgFileMgr::GetInstance()->GetDeviceDataCfg(pPage->GetDeviceName(), 3, objCfg));
        QCOMPARE(objCfg.nIsShow, quint16(0));

        objUser.Then([](QDialog *pDialog) { // untick coils (second in the block table)
            ToggleCheckCell(qobject_cast<CDlgSigSel *>(pDialog)->GetTable(), 1, 2);
            ClickButton(pDialog, T("确定"));
        });
        QVERIFY(ClickButton(pPage, T("筛选区块")));
        QCOMPARE(QList<bool>({pTable->isRowHidden(0), pTable->isRowHidden(1), pTable->isRowHidden(2)}),
                 QList<bool>({false, true, false}));

        QStringList lstOffered;
        objUser.Then([&lstOffered](QDialog *pDialog) {
            for (const SIG_SEL_ITEM_S &stItem : qobject_cast<CDlgSigSel *>(pDialog)->GetItems())
                lstOffered << stItem.strNo;
            ToggleCheckCell(qobject_cast<CDlgSigSel *>(pDialog)->GetTable(), 5, 2); // "数值", column 6
            ClickButton(pDialog, T("确定"));
        });
        QVERIFY(ClickButton(pPage, T("筛选列")));
        QVERIFY(!lstOffered.contains("1") && lstOffered.size() == 19);
        QVERIFY(pTable->isColumnHidden(Page::COL_VALUE));
        QCOMPARE(objUser.m_lstTitles, QStringList({T("选择行数据显示/隐藏"), T("选择行数据区块显示/隐藏"),
                                                   T("选择列显示/隐藏")}));
    }

    // One page per device, the current one shown; deleting or renaming
    // devices keeps the manager consistent.
    void onePagePerDevice()
    {
        Page *pMaster = ShowDevice(DEVICE_TYPE_MASTER, 5, {});
        QVERIFY(qobject_cast<CDlgDeviceDataMaster *>(pMaster) != nullptr);
        QVERIFY(pMaster->isVisible());
        m_pMgr->slCurrActvDeviceChanged(QString());
        QVERIFY(!pMaster->isVisible());
        QVERIFY(m_pMgr->GetCurrentPage() == nullptr);

        const QString strOld = pMaster->GetDeviceName();
        DEVICE_KEY_INFO_S stOld{strOld, LinkOf(DEVICE_TYPE_MASTER), 5};
        DEVICE_KEY_INFO_S stNew{QStringLiteral("boiler"), LinkOf(DEVICE_TYPE_MASTER), 5};
        QCOMPARE(CDeviceMgr::ChangeDeviceInfo(stOld, stNew), QStringLiteral("OK"));
        QVERIFY(m_pMgr->GetPage(QStringLiteral("boiler")) == pMaster);
        QCOMPARE(pMaster->GetDeviceName(), QStringLiteral("boiler"));
        QVERIFY(!m_pMgr->slIsEditing(QStringLiteral("boiler")));

        m_pMgr->slCurrActvDeviceChanged(QStringLiteral("boiler"));
        QVERIFY(pMaster->isVisible());
        QCOMPARE(CDeviceMgr::DelDevice({QStringLiteral("boiler")}), QStringLiteral("OK"));
        QVERIFY(m_pMgr->GetCurrentPage() == nullptr);
        QVERIFY(m_pMgr->GetPage(QStringLiteral("boiler")) == nullptr);
        m_pMgr->slCurrActvDeviceChanged(QStringLiteral("boiler")); // gone: nothing shown, nothing breaks
        QVERIFY(m_pMgr->GetCurrentPage() == nullptr);
    }
};

QTEST_MAIN(TstDataPage)
#include "tst_datapage.moc"
