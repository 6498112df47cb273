// The selection, data-configuration, parameter, template-export and
// frame-input dialogs over real devices of the device manager, run through
// ExecDialog and answered as a user would.

#include <QLineEdit>
#include <QTextEdit>
#include <QtTest>
#include <functional>

#include "ccfgfilemgr.h"
#include "cdevicebase.h"
#include "cdevicemgr.h"
#include "cdlgbatchproc.h"
#include "cdlgchangedeviceinfo.h"
#include "cdlgdataset.h"
#include "cdlgdevicesel.h"
#include "cdlgexportdevicecfg.h"
#include "cdlginputnum.h"
#include "cdlgparaset.h"
#include "cdlgprogress.h"
#include "cdlgsigsel.h"
#include "cdlgtestframeinput.h"
#include "cmttablewidget.h"
#include "common/uidriver.h"
#include "linkdefine.h"
#include "uiutils.h"

namespace {

QString T(const char *pText)
{
    return QString::fromUtf8(pText);
}

// Runs the dialog through ExecDialog with fnUser acting on it.
int Run(QDialog *pDialog, const std::function<void()> &fnUser)
{
    SetDialogResponder([&](QDialog *) { fnUser(); });
    const int nResult = ExecDialog(pDialog);
    SetDialogResponder({});
    return nResult;
}

// Answers the next check list (a filter of the device selection, or the
// device selection itself): the header of the tick column flips all, then
// the given rows are flipped with the keyboard, then OK or Cancel.
void AnswerCheckList(bool bHeader, const QList<int> &lstRows, bool bAccept = true)
{
    SetDialogResponder([=](QDialog *pDialog) {
        auto *pTable = pDialog->findChild<CMTTableWidget *>();
        if (bHeader)
            DoubleClickHeader(pTable, 2);
        for (int nRow : lstRows)
            ToggleCheckCell(pTable, nRow, 2);
        ClickButton(pDialog, bAccept ? T("确定") : T("取消"));
    });
}

QString Rows(QTableWidget *pTable)
{
    QStringList lstRows;
    for (int nRow = 0; nRow < pTable->rowCount(); ++nRow)
        lstRows << pTable->item(nRow, 0)->text() + ' ' + pTable->item(nRow, 1)->text();
    return lstRows.join(',');
}

void TypeInto(QWidget *pEdit, const QString &strText)
{
    static_cast<QLineEdit *>(pEdit)->selectAll();
    QTest::keyClick(pEdit, Qt::Key_Backspace);
    QTest::keyClicks(pEdit, strText);
}

} // namespace

class TstDialogs : public QObject
{
    Q_OBJECT

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
        SetMessageBoxResponder([this](MESSAGE_BOX_KIND_EN, const QString &strText) {
            m_lstShown << strText;
            return true;
        });
    }

    void cleanupTestCase()
    {
        SetMessageBoxResponder({});
        CDeviceMgr::DestroyInstance();
    }

    void cleanup()
    {
        SetDialogResponder({});
        SetStdDialogResponder({});
        m_lstShown.clear();
    }

    // Before the tests below move and rename devices.
    void deviceSelection()
    {
        // The excluded device keeps its number: rows are numbered by their
        // place in the manager.
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
        AnswerCheckList(true, {});
        ClickButton(&objDialog, T("类型筛选"));
        QCOMPARE(objDialog.GetTable()->rowCount(), 0);
        ClickButton(&objDialog, T("类型筛选"));
        QCOMPARE(Rows(objDialog.GetTable()),
                 "001 [M]COM1-001,002 [M]COM1-002,004 [S]COM3-006,005 [M]COM2-009,006 [M]NET007-001");
        // Links come in name order, the one without link object last: untick
        // COM1 and COM3. A cancelled filter changes nothing.
        AnswerCheckList(false, {0, 2});
        ClickButton(&objDialog, T("端口筛选"));
        AnswerCheckList(true, {}, false);
        ClickButton(&objDialog, T("端口筛选"));
        QCOMPARE(Rows(objDialog.GetTable()), "005 [M]COM2-009,006 [M]NET007-001");
        ToggleCheckCell(objDialog.GetTable(), 1, 2);
        QCOMPARE(objDialog.GetSelDeviceNames(), QList<QString>({"[M]NET007-001"}));
    }

    void progressClosesItselfAt100_data()
    {
        QTest::addColumn<QList<int>>("lstBeforeShown");
        QTest::addColumn<QList<int>>("lstWhileShown");
        QTest::addColumn<bool>("bClosed");
        QTest::newRow("100 without earlier values") << QList<int>() << QList<int>({100}) << true;
        QTest::newRow("past 100") << QList<int>() << QList<int>({40, 150}) << true;
        QTest::newRow("done before it came up") << QList<int>({100}) << QList<int>() << true;
        QTest::newRow("99 stays") << QList<int>() << QList<int>({40, 99}) << false;
    }

    void progressClosesItselfAt100()
    {
        QFETCH(QList<int>, lstBeforeShown);
        QFETCH(QList<int>, lstWhileShown);
        QFETCH(bool, bClosed);
        CDlgProgress objDialog(T("配置加载中"));
        for (int nValue : lstBeforeShown)
            objDialog.slProgressChanged(nValue);
        const int nResult = Run(&objDialog, [&] {
            for (int nValue : lstWhileShown)
                objDialog.slProgressChanged(nValue);
            (void)QTest::qWaitFor([&] { return !objDialog.isVisible(); }, 200);
        });
        QCOMPARE(nResult == QDialog::Accepted, bClosed);
        QCOMPARE(objDialog.GetValue(), bClosed ? 100 : 99);
    }

    void countAndValueDialogs_data()
    {
        QTest::addColumn<QString>("strTyped");
        QTest::addColumn<int>("nCount");
        QTest::addColumn<QString>("strButton"); // of the value dialog; empty: its close button
        QTest::newRow("empty") << "" << 0 << T("预置数据");
        QTest::newRow("plain") << "12" << 12 << T("立即下发");
        QTest::newRow("no sign") << "-5" << 5 << QString();
        QTest::newRow("capped") << "99999" << 65536 << T("预置数据");
    }

    void countAndValueDialogs()
    {
        QFETCH(QString, strTyped);
        QFETCH(int, nCount);
        QFETCH(QString, strButton);
        CDlgInputNum objCount;
        QCOMPARE(Run(&objCount, [&] {
                     TypeInto(objCount.findChild<QLineEdit *>(), strTyped);
                     ClickButton(&objCount, T("确定"));
                 }),
                 int(QDialog::Accepted));
        QCOMPARE(objCount.GetNum(), nCount);

        CDlgDataSet objValue(QStringLiteral("flow"), QStringLiteral("--"));
        const int nResult = Run(&objValue, [&] {
            TypeInto(objValue.findChild<QLineEdit *>(), strTyped);
            if (strButton.isEmpty())
                objValue.close();
            else
                ClickButton(&objValue, strButton);
        });
        QCOMPARE(nResult == QDialog::Accepted, strButton == T("预置数据"));
        QCOMPARE(objValue.GetValue(), strTyped);
    }

    void parameterRowsAndReadBack_data()
    {
        QTest::addColumn<int>("nType");
        QTest::addColumn<QList<int>>("lstShownRows");
        QTest::newRow("master") << 1 << QList<int>({0, 1, 4, 5, 6, 7, 8, 9});
        QTest::newRow("slave") << 2 << QList<int>({0, 1, 2, 3});
    }

    void parameterRowsAndReadBack()
    {
        QFETCH(int, nType);
        QFETCH(QList<int>, lstShownRows);
        DEVICE_COMMON_ATTR_S objAttr;
        objAttr.strPortName = QStringLiteral("COM1");
        objAttr.nDeviceType = quint16(nType);
        objAttr.nForwardZero = 7; // not offered by its list: must survive
        objAttr.nAddrOffset = -3;
        objAttr.nBCast2 = 9;
        objAttr.nBitGap = 4;
        CDlgParaSet objDialog(T("高级参数配置(x)"), QStringLiteral("x"), quint16(nType), objAttr);
        CMTTableWidget *pTable = objDialog.GetTable();
        QCOMPARE(Run(&objDialog, [&] {
                     QList<int> lstShown;
                     for (int nRow = 0; nRow < pTable->rowCount(); ++nRow) {
                         if (!pTable->isRowHidden(nRow))
                             lstShown << nRow;
                     }
                     QCOMPARE(lstShown, lstShownRows);
                     QVERIFY(EditCell(pTable, 1, 1, "abc"));
                     if (nType == 1) {
                         QTest::keyClick(pTable->cellWidget(4, 1), Qt::Key_Down);
                         QTest::keyClick(pTable->cellWidget(4, 1), Qt::Key_Down);
                     } else {
                         QVERIFY(EditCell(pTable, 3, 1, "70000"));
                     }
                     ClickButton(&objDialog, T("确认"));
                 }),
                 int(QDialog::Accepted));
        DEVICE_COMMON_ATTR_S objExpected = objAttr;
        objExpected.nAddrOffset = 0;
        objExpected.nPackWay = nType == 1 ? 2 : 0;
        objExpected.nBCast2 = nType == 1 ? 9 : 0;
        QCOMPARE(objDialog.GetParaAttr(), objExpected);
    }

    void furtherDevicesChosen()
    {
        // The parameter dialog starts its choice afresh; the batch dialog keeps
        // the earlier choice when the selection is cancelled.
        CDlgParaSet objPara(T("高级参数配置"), QStringLiteral("[M]COM1-001"), 1, DEVICE_COMMON_ATTR_S());
        CDlgBatchProc objBatch(T("启动批量读数据"), QStringLiteral("[M]COM1-001"), true, 1);
        for (QDialog *pDialog : {static_cast<QDialog *>(&objPara), static_cast<QDialog *>(&objBatch)}) {
            pDialog->show();
            AnswerCheckList(false, {0});
            ClickButton(pDialog, T("同步至其它设备"));
            AnswerCheckList(false, {0}, false);
            ClickButton(pDialog, T("同步至其它设备"));
        }
        QCOMPARE(objPara.GetSynDevices(), QList<QString>());
        QCOMPARE(objBatch.GetSynDevices(), QList<QString>({"[M]COM1-002"}));
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
        AnswerCheckList(false, {0}, false);
        ClickButton(&objSyn, T("同步端口至其它设备"));
        AnswerCheckList(false, {0});
        ClickButton(&objSyn, T("同步端口至其它设备"));
        QCOMPARE(m_lstShown, QStringList({T("设备地址修改失败，该地址设备已存在！"), T("无需要同步的设备！"),
                                          T("同步完成！")}));
        QCOMPARE(CDeviceMgr::GetDevice(QStringLiteral("[M]COM2-001"))->GetPortName(), QStringLiteral("COM2"));
    }

    void exportTemplate_data()
    {
        QTest::addColumn<QString>("strDevice");
        QTest::addColumn<QStringList>("lstEntries");
        QTest::addColumn<QString>("strShown"); // empty: written
        const QString strMaster = QStringLiteral("[M]COM1-002");
        QTest::newRow("maker") << strMaster << QStringList({"", "P", "M", "V"}) << T("请填写厂家名称");
        QTest::newRow("model") << strMaster << QStringList({"A", "P", "", "V"}) << T("请填写设备型号");
        QTest::newRow("version") << strMaster << QStringList({"A", "P", "M", ""}) << T("请填写配置版本");
        QTest::newRow("no device") << "gone" << QStringList({"A", "P", "M", "V"}) << T("内部异常，导出失败！");
        QTest::newRow("written") << strMaster << QStringList({"A", "P", "M", "V"}) << QString();
    }

    void exportTemplate()
    {
        QFETCH(QString, strDevice);
        QFETCH(QStringList, lstEntries);
        QFETCH(QString, strShown);
        QString strProposal;
        const QString strPath = m_objDir.filePath(QStringLiteral("tpl"));
        SetStdDialogResponder([&](STD_DIALOG_KIND_EN, const QString &, const QVariant &objInitial) {
            strProposal = objInitial.toString();
            return QVariant(strPath);
        });
        CDlgExportDeviceCfg objDialog(strDevice);
        const int nResult = Run(&objDialog, [&] {
            for (int nRow = 0; nRow < lstEntries.size(); ++nRow) {
                if (!lstEntries.at(nRow).isEmpty())
                    QVERIFY(EditCell(objDialog.GetTable(), nRow, 1, lstEntries.at(nRow)));
            }
            ClickButton(&objDialog, T("确认"));
        });
        QCOMPARE(nResult == QDialog::Accepted, strShown.isEmpty());
        if (!strShown.isEmpty()) {
            QCOMPARE(m_lstShown, QStringList(strShown));
            return;
        }
        // The platform's dialog did not add the suffix: the template still has it.
        QCOMPARE(strProposal, T("[主机]A_P_M_V"));
        QCOMPARE(m_lstShown, QStringList(T("设备配置导出成功！ [M]COM1-002:") + strPath + ".dtkestrix"));
        QVERIFY(QFileInfo(strPath + ".dtkestrix").size() > 0);
    }

    void frameInputChecks_data()
    {
        QTest::addColumn<QString>("strPdu");
        QTest::addColumn<QString>("strAddr");
        QTest::addColumn<QString>("strShown"); // empty: accepted
        QTest::newRow("too short") << "03 02" << "" << T("无有效数据，请修改");
        QTest::newRow("read reply without address") << "03 04 00 0A 00 0B" << "" << T("输入报文需要指定起始地址！");
        QTest::newRow("address past 16 bits") << "02 01 05" << "70000" << T("输入报文需要指定起始地址！");
        QTest::newRow("read reply") << "03 04 00 0A 00 0B" << "10" << QString();
        QTest::newRow("write needs none") << "06 00 01 00 05" << "" << QString();
    }

    void frameInputChecks()
    {
        QFETCH(QString, strPdu);
        QFETCH(QString, strAddr);
        QFETCH(QString, strShown);
        CDlgTestFrameInput objDialog(T("输入解析报文PDU(功能码+数据)"));
        const int nResult = Run(&objDialog, [&] {
            QTest::keyClicks(objDialog.findChild<QLineEdit *>(), strAddr);
            QTest::keyClicks(objDialog.findChild<QTextEdit *>(), strPdu);
            ClickButton(&objDialog, T("提交"));
        });
        QCOMPARE(nResult == QDialog::Accepted, strShown.isEmpty());
        QCOMPARE(m_lstShown, strShown.isEmpty() ? QStringList() : QStringList(strShown));
        if (strShown.isEmpty()) {
            QCOMPARE(objDialog.GetPdu(), QByteArray::fromHex(strPdu.toLatin1()));
            QCOMPARE(objDialog.GetStartAddr(), strAddr.toUShort());
        }
    }

private:
    QTemporaryDir m_objDir;
    QStringList m_lstShown;
};

QTEST_MAIN(TstDialogs)
#include "tst_dialogs.moc"
