// The selection, data-configuration, parameter, template-export and
// frame-input dialogs over real devices of the device manager, run through
// ExecDialog and answered as a user would.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTextEdit>
#include <QtTest>

#include "ccfgfilemgr.h"
#include "cdevicebase.h"
#include "cdevicemgr.h"
#include "cdlgbatchproc.h"
#include "cdlgchangedeviceinfo.h"
#include "cdlgdataset.h"
#include "cdlgdevicesel.h"
#include "cdlgexportdevicecfg.h"
#include "cdlgfilesel.h"
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

// Answers the next device selection: ticks its first row, then OK or Cancel.
void PickFirstDevice(bool bAccept)
{
    SetDialogResponder([=](QDialog *pDialog) {
        auto *pSel = qobject_cast<CDlgDeviceSel *>(pDialog);
        QVERIFY(pSel != nullptr && pSel->GetTable()->rowCount() > 0);
        ToggleCheckCell(pSel->GetTable(), 0, 2);
        ClickButton(pDialog, bAccept ? T("确定") : T("取消"));
    });
}

QString Rows(QTableWidget *pTable)
{
    QStringList lstRows;
    for (int nRow = 0; nRow < pTable->rowCount(); ++nRow)
        lstRows << pTable->item(nRow, 0)->text() + QLatin1Char(' ') + pTable->item(nRow, 1)->text();
    return lstRows.join(QLatin1Char(','));
}

// Answers the next check list: clicks the header of its tick column (which
// clears all when the first is ticked, else ticks all), ticks rows by index
// with the keyboard, and presses "确定".
void AnswerCheckList(QString *pTitle, const QList<int> &lstToggleRows = {}, bool bHeader = true)
{
    SetDialogResponder([=](QDialog *pDialog) {
        auto *pSigSel = qobject_cast<CDlgSigSel *>(pDialog);
        QVERIFY(pSigSel != nullptr);
        *pTitle = pDialog->windowTitle();
        if (bHeader)
            DoubleClickHeader(pSigSel->GetTable(), 2);
        for (int nRow : lstToggleRows)
            ToggleCheckCell(pSigSel->GetTable(), nRow, 2);
        ClickButton(pDialog, QString::fromUtf8("确定"));
    });
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
    void devicesByTypeMask_data()
    {
        QTest::addColumn<int>("nType");
        QTest::addColumn<QString>("strRows");
        QTest::newRow("masters") << 1 << "002 [M]COM1-002,005 [M]COM2-009,006 [M]NET007-001";
        QTest::newRow("slaves") << 2 << "003 [S]COM3-005,004 [S]COM3-006";
        QTest::newRow("all") << -1
                             << "002 [M]COM1-002,003 [S]COM3-005,004 [S]COM3-006,005 [M]COM2-009,006 [M]NET007-001";
    }

    void devicesByTypeMask()
    {
        QFETCH(int, nType);
        QFETCH(QString, strRows);
        // The excluded device keeps its number: the others are numbered by
        // their place in the manager.
        CDlgDeviceSel objDialog(QStringLiteral("[M]COM1-001"), qint16(nType));
        QCOMPARE(Rows(objDialog.GetTable()), strRows);
    }

    void filtersRelistAndExcludedStaysOut()
    {
        CDlgDeviceSel objDialog(QStringLiteral("[S]COM3-005"), -1);
        objDialog.show();
        QString strTitle;

        // Unticking every type empties the list; ticking them again restores it.
        AnswerCheckList(&strTitle);
        ClickButton(&objDialog, QString::fromUtf8("类型筛选"));
        QCOMPARE(strTitle, QString::fromUtf8("选择需要筛选的设备类型"));
        QCOMPARE(objDialog.GetTable()->rowCount(), 0);
        ClickButton(&objDialog, QString::fromUtf8("类型筛选"));
        QCOMPARE(Rows(objDialog.GetTable()),
                 "001 [M]COM1-001,002 [M]COM1-002,004 [S]COM3-006,005 [M]COM2-009,006 [M]NET007-001");

        // Links are offered in name order, the one without link object last;
        // unticking COM1 (the first) and COM3 (the third).
        AnswerCheckList(&strTitle, {0, 2}, false);
        ClickButton(&objDialog, QString::fromUtf8("端口筛选"));
        QCOMPARE(strTitle, QString::fromUtf8("选择筛选的端口"));
        QCOMPARE(Rows(objDialog.GetTable()), "005 [M]COM2-009,006 [M]NET007-001");

        // A cancelled filter changes nothing; the ticked names come back.
        SetDialogResponder([](QDialog *pDialog) { ClickButton(pDialog, QString::fromUtf8("取消")); });
        ClickButton(&objDialog, QString::fromUtf8("端口筛选"));
        ToggleCheckCell(objDialog.GetTable(), 1, 2);
        QCOMPARE(objDialog.GetSelDeviceNames(), QList<QString>({"[M]NET007-001"}));
    }

    void fileSelectionKeepsPaths()
    {
        QString strAskedDir;
        SetStdDialogResponder([&](STD_DIALOG_KIND_EN enKind, const QString &, const QVariant &objInitial) {
            strAskedDir = objInitial.toString();
            return enKind == STD_DIALOG_OPEN_FILE ? QVariant(QStringLiteral("/home/op/new dir/b.kestrix")) : QVariant();
        });
        CDlgFileSel objDialog(nullptr, QString::fromUtf8("选择配置文件"), QStringLiteral("/data/a.kestrix"),
                              QStringLiteral("(*.kestrix)"));
        SetDialogResponder([](QDialog *pDialog) {
            ClickButton(pDialog, QStringLiteral("..."));
            ClickButton(pDialog, QString::fromUtf8("确定"));
        });
        QCOMPARE(ExecDialog(&objDialog), int(QDialog::Accepted));
        QCOMPARE(strAskedDir, QStringLiteral("/data/a.kestrix"));
        QCOMPARE(objDialog.GetFilePath(), QStringLiteral("/home/op/new dir/b.kestrix"));

        // Cancelling the platform dialog keeps what is there; typing replaces it.
        SetStdDialogResponder([](STD_DIALOG_KIND_EN, const QString &, const QVariant &) { return QVariant(); });
        SetDialogResponder([](QDialog *pDialog) {
            ClickButton(pDialog, QStringLiteral("..."));
            QLineEdit *pEdit = pDialog->findChild<QLineEdit *>();
            pEdit->selectAll();
            QTest::keyClicks(pEdit, QStringLiteral("/typed/c.kestrix"));
            ClickButton(pDialog, QString::fromUtf8("取消"));
        });
        QCOMPARE(ExecDialog(&objDialog), int(QDialog::Rejected));
        QCOMPARE(objDialog.GetFilePath(), QStringLiteral("/typed/c.kestrix"));
        SetStdDialogResponder({});
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
        SetDialogResponder([&](QDialog *pDialog) {
            for (int nValue : lstWhileShown)
                objDialog.slProgressChanged(nValue);
            (void)QTest::qWaitFor([pDialog] { return !pDialog->isVisible(); }, 200);
        });
        QCOMPARE(ExecDialog(&objDialog) == QDialog::Accepted, bClosed);
        QCOMPARE(objDialog.GetValue(), bClosed ? 100 : 99);
    }

    void countAndValueDialogs_data()
    {
        QTest::addColumn<QString>("strTyped");
        QTest::addColumn<int>("nCount");
        QTest::addColumn<QString>("strButton"); // of the value dialog; empty: its close button
        QTest::addColumn<bool>("bPreset");
        QTest::newRow("empty") << "" << 0 << T("预置数据") << true;
        QTest::newRow("plain") << "12" << 12 << T("立即下发") << false;
        QTest::newRow("no sign") << "-5" << 5 << QString() << false;
        QTest::newRow("capped") << "99999" << 65536 << T("预置数据") << true;
    }

    void countAndValueDialogs()
    {
        QFETCH(QString, strTyped);
        QFETCH(int, nCount);
        QFETCH(QString, strButton);
        QFETCH(bool, bPreset);
        auto fnType = [strTyped](QDialog *pDialog) {
            QLineEdit *pEdit = pDialog->findChild<QLineEdit *>();
            pEdit->selectAll();
            QTest::keyClick(pEdit, Qt::Key_Backspace);
            QTest::keyClicks(pEdit, strTyped);
        };
        CDlgInputNum objCount;
        SetDialogResponder([&](QDialog *pDialog) {
            fnType(pDialog);
            ClickButton(pDialog, T("确定"));
        });
        QCOMPARE(ExecDialog(&objCount), int(QDialog::Accepted));
        QCOMPARE(objCount.GetNum(), nCount);

        CDlgDataSet objValue(QStringLiteral("flow"), QStringLiteral("--"));
        SetDialogResponder([&](QDialog *pDialog) {
            fnType(pDialog);
            if (strButton.isEmpty())
                pDialog->close();
            else
                ClickButton(pDialog, strButton);
        });
        QCOMPARE(ExecDialog(&objValue) == QDialog::Accepted, bPreset);
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
        objAttr.nBCast1 = 5;
        objAttr.nBCast2 = 9;
        objAttr.nPackWay = 0;
        objAttr.nBitGap = 4;
        CDlgParaSet objDialog(T("高级参数配置(x)"), QStringLiteral("x"), quint16(nType), objAttr);
        SetDialogResponder([&](QDialog *pDialog) {
            CMTTableWidget *pTable = objDialog.GetTable();
            QList<int> lstShown;
            for (int nRow = 0; nRow < pTable->rowCount(); ++nRow) {
                if (!pTable->isRowHidden(nRow))
                    lstShown << nRow;
            }
            QCOMPARE(lstShown, lstShownRows);
            QVERIFY(EditCell(pTable, 1, 1, QStringLiteral("abc")));
            if (nType == 1) {
                auto *pPackWay = qobject_cast<QComboBox *>(pTable->cellWidget(4, 1));
                QTest::keyClick(pPackWay, Qt::Key_Down);
                QTest::keyClick(pPackWay, Qt::Key_Down);
            } else {
                QVERIFY(EditCell(pTable, 3, 1, QStringLiteral("70000")));
            }
            ClickButton(pDialog, T("确认"));
        });
        QCOMPARE(ExecDialog(&objDialog), int(QDialog::Accepted));
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
            PickFirstDevice(true);
            ClickButton(pDialog, T("同步至其它设备"));
            PickFirstDevice(false);
            ClickButton(pDialog, T("同步至其它设备"));
        }
        QCOMPARE(objPara.GetSynDevices(), QList<QString>());
        QCOMPARE(objBatch.GetSynDevices(), QList<QString>({"[M]COM1-002"}));
        QTest::mouseClick(objBatch.findChild<QCheckBox *>(), Qt::LeftButton);
        QVERIFY(objBatch.IsCycle());
        CDlgBatchProc objStop(T("关闭批量读数据"), QStringLiteral("[M]COM1-001"), false, 1);
        QVERIFY(objStop.findChild<QCheckBox *>()->isHidden());
    }

    void changeDeviceInfo()
    {
        // The store holds no parameters of COM3: the device's link is still the
        // one selected, so changing the address leaves the device on its link.
        CDlgChangeDeviceInfo objDialog(QStringLiteral("[S]COM3-005"), QStringLiteral("COM3"), 5);
        SetDialogResponder([](QDialog *pDialog) {
            auto *pInfo = static_cast<CDlgChangeDeviceInfo *>(pDialog);
            QVERIFY(EditCell(pInfo->GetTable(), 2, 1, QStringLiteral("7")));
            ClickButton(pDialog, T("确认"));
        });
        QCOMPARE(ExecDialog(&objDialog), int(QDialog::Accepted));
        QVERIFY(CDeviceMgr::GetDevice(QStringLiteral("[S]COM3-007")) != nullptr);

        // A refusal is shown and the dialog stays open.
        CDlgChangeDeviceInfo objTaken(QStringLiteral("[M]COM1-001"), QStringLiteral("COM1"), 1);
        SetDialogResponder([](QDialog *pDialog) {
            auto *pInfo = static_cast<CDlgChangeDeviceInfo *>(pDialog);
            QVERIFY(EditCell(pInfo->GetTable(), 2, 1, QStringLiteral("2")));
            ClickButton(pDialog, T("确认"));
            QVERIFY(pDialog->isVisible());
        });
        QCOMPARE(ExecDialog(&objTaken), int(QDialog::Rejected));

        // Moving further masters onto the dialog's link.
        CDlgChangeDeviceInfo objSyn(QStringLiteral("[M]COM2-009"), QStringLiteral("COM2"), 9);
        objSyn.show();
        PickFirstDevice(false);
        ClickButton(&objSyn, T("同步端口至其它设备"));
        PickFirstDevice(true);
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
        QTest::newRow("name") << strMaster << QStringList({"A", "", "M", "V"}) << T("请填写设备名称");
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
        SetDialogResponder([&](QDialog *) {
            for (int nRow = 0; nRow < lstEntries.size(); ++nRow) {
                if (!lstEntries.at(nRow).isEmpty())
                    QVERIFY(EditCell(objDialog.GetTable(), nRow, 1, lstEntries.at(nRow)));
            }
            ClickButton(&objDialog, T("确认"));
        });
        const int nResult = ExecDialog(&objDialog);
        if (!strShown.isEmpty()) {
            QCOMPARE(m_lstShown, QStringList(strShown));
            QCOMPARE(nResult, int(QDialog::Rejected));
            return;
        }
        QCOMPARE(strProposal, T("[主机]A_P_M_V"));
        QCOMPARE(m_lstShown, QStringList(T("设备配置导出成功！ [M]COM1-002:") + strPath + ".dtkestrix"));
        QCOMPARE(nResult, int(QDialog::Accepted));
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
        SetDialogResponder([&](QDialog *pDialog) {
            QTest::keyClicks(pDialog->findChild<QLineEdit *>(), strAddr);
            QTest::keyClicks(pDialog->findChild<QTextEdit *>(), strPdu);
            ClickButton(pDialog, T("提交"));
        });
        QCOMPARE(ExecDialog(&objDialog) == QDialog::Accepted, strShown.isEmpty());
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
