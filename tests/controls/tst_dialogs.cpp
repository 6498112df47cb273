// The selection, data-configuration, parameter, template-export and
// frame-input dialogs over real devices of the device manager, run through
// ExecDialog and answered as a user would.

#include <QTextEdit>
#include <QtTest>

#include "ccfgfilemgr.h"
#include "cdevicebase.h"
#include "cdevicemgr.h"
#include "cdlgchangedeviceinfo.h"
#include "cdlgdataset.h"
#include "cdlgdevicesel.h"
#include "cdlgexportdevicecfg.h"
#include "cdlginputnum.h"
#include "cdlgparaset.h"
#include "cdlgprogress.h"
#include "cdlgtestframeinput.h"
#include "cmttablewidget.h"
#include "common/uidriver.h"
#include "commonfunc.h"
#include "linkdefine.h"

namespace {

// "number name" per row.
QString Rows(QTableWidget *pTable)
{
    QStringList lstRows;
    for (int nRow = 0; nRow < pTable->rowCount(); ++nRow)
        lstRows << pTable->item(nRow, 0)->text() + ' ' + pTable->item(nRow, 1)->text();
    return lstRows.join(',');
}

} // namespace

class TstDialogs : public QObject
{
    Q_OBJECT

    QTemporaryDir m_objDir;
    std::unique_ptr<CUserScript> m_pUser;

    // Runs the dialog through ExecDialog with fnUser acting in it.
    int Run(QDialog *pDialog, const std::function<void()> &fnUser)
    {
        m_pUser->Then([&](QDialog *) { fnUser(); });
        return ExecDialog(pDialog);
    }

private slots:
    void initTestCase()
    {
        RegisterLinkMetaTypes();
        ApplyAppLook();
        QVERIFY(QDir::setCurrent(m_objDir.path()));
        CCfgFileMgr::GetInstance()->ClearCfg();
        CDeviceMgr::GetInstance();
        // Manager order: three masters on two links, two slaves on a third, and
        // a master whose network link has no parameters, so no link object.
        QCOMPARE(CDeviceMgr::AddDevice(QString(), "COM1", 1, 1, 2), QStringLiteral("OK"));
        QCOMPARE(CDeviceMgr::AddDevice(QString(), "COM3", 2, 5, 6), QStringLiteral("OK"));
        QCOMPARE(CDeviceMgr::AddDevice(QString(), "COM2", 1, 9, 9), QStringLiteral("OK"));
        QCOMPARE(CDeviceMgr::AddDevice(QString(), "NET007", 1, 1, 1), QStringLiteral("OK"));
    }
    void init() { m_pUser.reset(new CUserScript); }
    void cleanup() { QVERIFY(m_pUser->m_lstUnexpected.isEmpty()); m_pUser.reset(); }
    void cleanupTestCase() { CDeviceMgr::DestroyInstance(); }

    // Before the tests below move and rename devices.
    void deviceSelection()
    {
        // The excluded device keeps its number: rows are numbered by their place in the manager.
        const QPair<int, QString> lstMasks[] = {
            {1, "002 [M]COM1-002,005 [M]COM2-009,006 [M]NET007-001"},
            {2, "003 [S]COM3-005,004 [S]COM3-006"},
            {-1, "002 [M]COM1-002,003 [S]COM3-005,004 [S]COM3-006,005 [M]COM2-009,006 [M]NET007-001"},
        };
        for (const auto &stMask : lstMasks)
            QCOMPARE(Rows(CDlgDeviceSel("[M]COM1-001", qint16(stMask.first)).GetTable()), stMask.second);

        CDlgDeviceSel objDialog(QStringLiteral("[S]COM3-005"), -1);
        objDialog.show();
        // Unticking every type empties the list; ticking them again restores it.
        m_pUser->Then(TickRows({}, T("确定"), true)).Then(TickRows({}, T("确定"), true));
        ClickButton(&objDialog, T("类型筛选"));
        QCOMPARE(objDialog.GetTable()->rowCount(), 0);
        ClickButton(&objDialog, T("类型筛选"));
        QCOMPARE(Rows(objDialog.GetTable()),
                 "001 [M]COM1-001,002 [M]COM1-002,004 [S]COM3-006,005 [M]COM2-009,006 [M]NET007-001");
        // Links come in name order, the one without link object last: untick
        // COM1 and COM3. A cancelled filter changes nothing.
        m_pUser->Then(TickRows({0, 2})).Then(TickRows({}, T("取消"), true));
        ClickButton(&objDialog, T("端口筛选"));
        ClickButton(&objDialog, T("端口筛选"));
        QCOMPARE(Rows(objDialog.GetTable()), "005 [M]COM2-009,006 [M]NET007-001");
        ToggleCheckCell(objDialog.GetTable(), 1, 2);
        QCOMPARE(objDialog.GetSelDeviceNames(), QList<QString>({"[M]NET007-001"}));
    }

    // A count is a number of 0 to 65536, whatever is typed; the value dialog
    // hands back what was typed, accepted only by presetting it.
    void countAndValueDialogs()
    {
        const struct { QString strTyped; int nCount; QString strButton; } CASES[] = { // button empty: closed
            {"", 0, T("预置数据")}, {"12", 12, T("立即下发")}, {"-5", 5, ""}, {"99999", 65536, T("预置数据")}};
        for (const auto &stCase : CASES) {
            CDlgInputNum objCount;
            m_pUser->Then(TypeAndPress(stCase.strTyped, T("确定")));
            QCOMPARE(ExecDialog(&objCount), int(QDialog::Accepted));
            QCOMPARE(objCount.GetNum(), stCase.nCount);
            CDlgDataSet objValue(QStringLiteral("flow"), QStringLiteral("--"));
            const int nResult = Run(&objValue, [&] {
                TypeInto(objValue.findChild<QLineEdit *>(), stCase.strTyped);
                if (stCase.strButton.isEmpty())
                    objValue.close();
                else
                    ClickButton(&objValue, stCase.strButton);
            });
            QCOMPARE(nResult == QDialog::Accepted, stCase.strButton == T("预置数据"));
            QCOMPARE(objValue.GetValue(), stCase.strTyped);
        }
    }

    // The progress dialog closes itself once 100 (or more) arrives, also when
    // that happened before it came up; 99 leaves it open.
    void progressClosesItselfAt100()
    {
        const struct { QList<int> lstBefore, lstWhile; bool bClosed; } CASES[] = {
            {{}, {100}, true}, {{}, {40, 150}, true}, {{100}, {}, true}, {{}, {40, 99}, false}};
        for (const auto &stCase : CASES) {
            CDlgProgress objDialog(T("配置加载中"));
            for (int nValue : stCase.lstBefore)
                objDialog.slProgressChanged(nValue);
            const int nResult = Run(&objDialog, [&] {
                for (int nValue : stCase.lstWhile)
                    objDialog.slProgressChanged(nValue);
                (void)QTest::qWaitFor([&] { return !objDialog.isVisible(); }, 200);
            });
            QCOMPARE(nResult == QDialog::Accepted, stCase.bClosed);
            QCOMPARE(objDialog.GetValue(), stCase.bClosed ? 100 : 99);
        }
    }

    // The rows a device kind shows; what comes back: a value its list does
    // not offer survives, a refused text and an out-of-range number do not.
    void parameterReadBack()
    {
        for (quint16 nType : {DEVICE_TYPE_MASTER, DEVICE_TYPE_SLAVE}) {
            DEVICE_COMMON_ATTR_S objAttr;
            objAttr.strPortName = QStringLiteral("COM1");
            objAttr.nDeviceType = nType;
            objAttr.nForwardZero = 7;
            objAttr.nAddrOffset = -3;
            objAttr.nBCast2 = 9;
            objAttr.nBitGap = 4;
            CDlgParaSet objDialog(T("高级参数配置(x)"), QStringLiteral("x"), nType, objAttr);
            CMTTableWidget *pTable = objDialog.GetTable();
            QCOMPARE(Run(&objDialog, [&] {
                         QList<int> lstShown;
                         for (int nRow = 0; nRow < pTable->rowCount(); ++nRow)
                             if (!pTable->isRowHidden(nRow))
                                 lstShown << nRow;
                         QCOMPARE(lstShown, nType == DEVICE_TYPE_MASTER ? QList<int>({0, 1, 4, 5, 6, 7, 8, 9})
                                                                        : QList<int>({0, 1, 2, 3}));
                         QVERIFY(EditCell(pTable, 1, 1, "abc"));
                         if (nType == DEVICE_TYPE_MASTER)
                             ChooseEntry(pTable->cellWidget(4, 1), 2);
                         else
                             QVERIFY(EditCell(pTable, 3, 1, "70000"));
                         ClickButton(&objDialog, T("确认"));
                     }),
                     int(QDialog::Accepted));
            DEVICE_COMMON_ATTR_S objExpected = objAttr;
            objExpected.nAddrOffset = 0;
            objExpected.nPackWay = nType == DEVICE_TYPE_MASTER ? 2 : 0;
            objExpected.nBCast2 = nType == DEVICE_TYPE_MASTER ? 9 : 0;
            QCOMPARE(objDialog.GetParaAttr(), objExpected);
        }
    }

    void changeDeviceInfo()
    {
        // The store holds no parameters of COM3: the device's link is still the
        // one selected, so changing the address leaves the device on its link.
        CDlgChangeDeviceInfo objDialog(QStringLiteral("[S]COM3-005"), QStringLiteral("COM3"), 5);
        QCOMPARE(Run(&objDialog, [&] {
                     QVERIFY(EditCell(objDialog.GetTable(), 2, 1, "7"));
                     ClickButton(&objDialog, T("确认"));
                 }),
                 int(QDialog::Accepted));
        QCOMPARE(CDeviceMgr::GetDevice(QStringLiteral("[S]COM3-007"))->GetPortName(), QStringLiteral("COM3"));

        // A refusal is shown and the dialog stays open.
        CDlgChangeDeviceInfo objTaken(QStringLiteral("[M]COM1-001"), QStringLiteral("COM1"), 1);
        Run(&objTaken, [&] {
            QVERIFY(EditCell(objTaken.GetTable(), 2, 1, "2"));
            ClickButton(&objTaken, T("确认"));
            QVERIFY(objTaken.isVisible());
        });

        // Moving further masters onto the dialog's link.
        CDlgChangeDeviceInfo objSyn(QStringLiteral("[M]COM2-009"), QStringLiteral("COM2"), 9);
        objSyn.show();
        m_pUser->Then(TickRows({0}, T("取消"))).Then(TickRows({0}));
        ClickButton(&objSyn, T("同步端口至其它设备"));
        ClickButton(&objSyn, T("同步端口至其它设备"));
        QCOMPARE(m_pUser->m_lstMessages, QStringList({T("设备地址修改失败，该地址设备已存在！"), T("无需要同步的设备！"),
                                                      T("同步完成！")}));
        QCOMPARE(CDeviceMgr::GetDevice(QStringLiteral("[M]COM2-001"))->GetPortName(), QStringLiteral("COM2"));
    }

    // Maker, model and version are needed; the template is written where the
    // user chose, with its suffix, and the path is reported.
    void exportTemplate()
    {
        const QString strMaster = QStringLiteral("[M]COM1-002"), strPath = m_objDir.filePath(QStringLiteral("tpl"));
        const struct { QString strDevice; QStringList lstEntries; QString strShown; } CASES[] = { // empty: written
            {strMaster, {"", "P", "M", "V"}, T("请填写厂家名称")},
            {strMaster, {"A", "P", "", "V"}, T("请填写设备型号")},
            {strMaster, {"A", "P", "M", ""}, T("请填写配置版本")},
            {"gone", {"A", "P", "M", "V"}, T("内部异常，导出失败！")},
            {strMaster, {"A", "P", "M", "V"}, T("设备配置导出成功！ [M]COM1-002:") + strPath + ".dtkestrix"}};
        for (const auto &stCase : CASES) {
            init();
            m_pUser->Pick(strPath);
            CDlgExportDeviceCfg objDialog(stCase.strDevice);
            const int nResult = Run(&objDialog, [&] {
                for (int nRow = 0; nRow < stCase.lstEntries.size(); ++nRow) {
                    if (!stCase.lstEntries.at(nRow).isEmpty())
                        QVERIFY(EditCell(objDialog.GetTable(), nRow, 1, stCase.lstEntries.at(nRow)));
                }
                ClickButton(&objDialog, T("确认"));
            });
            QCOMPARE(m_pUser->m_lstMessages, QStringList(stCase.strShown));
            QCOMPARE(nResult == QDialog::Accepted, stCase.strShown.endsWith(".dtkestrix"));
        }
        // The platform's dialog did not add the suffix: the template still has it.
        QCOMPARE(m_pUser->m_lstStdInitial, QStringList(T("[主机]A_P_M_V")));
        QVERIFY(QFileInfo(strPath + ".dtkestrix").size() > 0);
    }

    // A frame to decode needs data, and a start address (of 16 bits) when it
    // is a read reply; what is accepted is handed on as typed.
    void frameInputChecks()
    {
        const struct { QString strPdu, strAddr, strShown; } CASES[] = { // empty: accepted
            {"03 02", "", T("无有效数据，请修改")},
            {"03 04 00 0A 00 0B", "", T("输入报文需要指定起始地址！")},
            {"02 01 05", "70000", T("输入报文需要指定起始地址！")},
            {"03 04 00 0A 00 0B", "10", ""},
            {"06 00 01 00 05", "", ""}};
        for (const auto &stCase : CASES) {
            init();
            CDlgTestFrameInput objDialog(T("输入解析报文PDU(功能码+数据)"));
            const int nResult = Run(&objDialog, [&] {
                QTest::keyClicks(objDialog.findChild<QLineEdit *>(), stCase.strAddr);
                QTest::keyClicks(objDialog.findChild<QTextEdit *>(), stCase.strPdu);
                ClickButton(&objDialog, T("提交"));
            });
            QCOMPARE(nResult == QDialog::Accepted, stCase.strShown.isEmpty());
            QCOMPARE(m_pUser->m_lstMessages, stCase.strShown.isEmpty() ? QStringList() : QStringList(stCase.strShown));
            if (stCase.strShown.isEmpty())
                QVERIFY(objDialog.GetPdu() == QByteArray::fromHex(stCase.strPdu.toLatin1())
                        && objDialog.GetStartAddr() == stCase.strAddr.toUShort());
        }
    }
};

QTEST_MAIN(TstDialogs)
#include "tst_dialogs.moc"
