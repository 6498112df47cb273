// The custom frame page of a master on a TCP client link, driven through its
// buttons and cells, against our own slave device on a TCP server link and
// against libmodbus: what went out and came back on the wire, and what the
// rows, the buttons and the curve window show.

#include <QtTest>
#include <memory>

#include "cdevicemgr.h"
#include "cdlglinkcurve.h"
#include "cdlgselfdef.h"
#include "cdlgselfdefdevice.h"
#include "cmttablewidget.h"
#include "common/freeport.h"
#include "common/modbuspeer.h"
#include "common/netrecords.h"
#include "common/valuetable.h"
#include "cportmgr.h"
#include "device/devicefixture.h"
#include "common/uidriver.h"
#include "qcustomplot.h"
#include "uiutils.h"

namespace {

const QString MASTER = QStringLiteral("[M]NET_M-017");

} // namespace

class TstSelfDef : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CDlgSelfDef> m_pPage;
    QStringList m_lstMessages;
    bool m_bCycle = false; // the answer to "是否循环发送？"
    QStringList m_lstReplies; // unit id and PDU of every reply the master's link took
    int m_nSent = 0;

    CMTTableWidget *Table() { return m_pPage->GetCurrPage()->findChild<CMTTableWidget *>(); }
    QAbstractButton *SendButton() { return FindButton(m_pPage->GetCurrPage(), "发送"); }
    QStringList Column(int nColumn)
    {
        QStringList lstTexts;
        for (int nRow = 0; nRow < Table()->rowCount(); ++nRow)
            lstTexts << Table()->item(nRow, nColumn)->text();
        return lstTexts;
    }
    void AddRow(const QString &strPdu, bool bTicked = true)
    {
        ClickButton(m_pPage->GetCurrPage(), "新增");
        const int nRow = Table()->rowCount() - 1;
        QTest::keyClicks(qobject_cast<QLineEdit *>(Table()->cellWidget(nRow, 1)), strPdu);
        if (!bTicked)
            ToggleCheckCell(Table(), nRow, 0);
    }
    QCPGraph *Curve(const QString &strName)
    {
        const QList<QCPGraph *> lstGraphs = CDlgLinkDataCurve::GetInstance()->findChild<QCustomPlot *>()->findChildren<QCPGraph *>();
        auto it = std::find_if(lstGraphs.begin(), lstGraphs.end(),
                               [&](QCPGraph *pGraph) { return pGraph->name() == MASTER + ':' + strName; });
        return it == lstGraphs.end() ? nullptr : *it;
    }

    // The master on a TCP client link to nPort, its page the active one.
    void StartMaster(int nPort, bool bPeer = true)
    {
        QVERIFY(CNetParaMgr::SetNetPara(NetPara("NET_M", LINK_MODE_TCP_CLIENT, TRANS_MODE_TCP_SYNC, nPort)));
        QCOMPARE(CDeviceMgr::AddDevice(QString(), "NET_M", DEVICE_TYPE_MASTER, 17, 17), QStringLiteral("OK"));
        m_pPage->slCurrActvDeviceChanged(MASTER);
        QVERIFY(m_pPage->GetCurrPage()->isVisible());
        QVERIFY(!bPeer || WaitFor([] { return CDeviceMgr::GetDevice(MASTER)->GetState() == 1; }, 8000));
    }

private slots:
    void initTestCase()
    {
        ApplyAppLook();
        RegisterLinkMetaTypes();
        SetMessageBoxResponder([this](MESSAGE_BOX_KIND_EN enKind, const QString &strText) {
            m_lstMessages << strText;
            return enKind == MESSAGE_BOX_YESNO ? m_bCycle : true;
        });
        connect(CPortMgr::GetInstance(), &CPortMgr::siRecvDataRaw, this,
                [this](QString strPort, quint16, LINK_PROC_ERR_EN enType, QByteArray objFrame) {
                    if (strPort != QLatin1String("NET_M"))
                        return;
                    m_nSent += enType == LINK_SEND_OK ? 1 : 0;
                    if (enType == LINK_RECV_OK)
                        m_lstReplies << QString::fromLatin1(objFrame.mid(6).toHex(' ').toUpper());
                });
    }
    void init()
    {
        CCfgFileMgr::GetInstance()->ClearCfg();
        m_pPage.reset(new CDlgSelfDef);
        m_pPage->resize(1000, 400);
        m_pPage->show();
        m_lstMessages.clear();
        m_lstReplies.clear();
        m_nSent = 0;
        m_bCycle = false;
    }
    void cleanup()
    {
        CDeviceMgr::ClearDevices();
        QVERIFY(m_pPage->GetCurrPage() == nullptr);
        m_pPage.reset();
        CDlgLinkDataCurve::DestroyInstance();
    }

    // Our slave answers with its value and with an exception; the empty and
    // the unticked rows are not sent; the row with its curve on feeds it.
    void onceAgainstOwnSlave()
    {
        const int nPort = PickFreePort();
        QVERIFY(CNetParaMgr::SetNetPara(NetPara("NET_S", LINK_MODE_TCP_SERVER, TRANS_MODE_TCP_SYNC, nPort)));
        QCOMPARE(CDeviceMgr::AddDevice(QString(), "NET_S", DEVICE_TYPE_SLAVE, 17, 17), QStringLiteral("OK"));
        CCfgFileMgr::GetInstance()->ReplaceDeviceDataCfgList("[S]NET_S-017", {Point(1, BLOCK_HOLDING_REG, 0)});
        CValueTable objSlaveValues;
        objSlaveValues.Attach(CDeviceMgr::GetDevice("[S]NET_S-017"));
        objSlaveValues.Set(1, "1234");
        QVERIFY(WaitFor([] { return CDeviceMgr::GetDevice("[S]NET_S-017")->GetState() == 1; }, 8000));
        StartMaster(nPort);

        AddRow("03 00 00 00 01");
        AddRow("03 00 64 00 01");
        AddRow("");
        AddRow("03 00 00 00 01", false);
        QTest::mouseClick(Table()->cellWidget(0, 5), Qt::LeftButton);
        QTest::mouseClick(Table()->cellWidget(1, 5), Qt::LeftButton);
        QVERIFY(ClickButton(m_pPage->GetCurrPage(), "发送"));
        QCOMPARE(m_lstMessages, QStringList{"是否循环发送？"});
        QVERIFY(!SendButton()->isChecked());
        QVERIFY(Table()->isEnabled());

        QTRY_COMPARE_WITH_TIMEOUT(m_lstReplies.size(), 2, 5000);
        m_lstReplies.sort();
        QCOMPARE(m_lstReplies, QStringList({"11 03 02 04 D2", "11 83 02"}));
        for (int nRow : {0, 1}) {
            const QCPGraph *pCurve = Curve(QStringLiteral("DelayTime(%1)-0").arg(nRow + 1));
            QTRY_COMPARE(pCurve->data()->size(), 1);
            QCOMPARE(QString::number(pCurve->data()->at(0)->value), Table()->item(nRow, 2)->text());
        }
        Spin(200);
        QCOMPARE(m_nSent, 2);
    }

    // libmodbus answers after 40 ms: each reply as it gave it, each delay
    // at least that; a row whose reply comes too late shows no delay.
    void onceAgainstLibmodbus()
    {
        const int nPort = PickFreePort();
        CModbusServerPeer objServer(1000);
        QVERIFY(objServer.StartTcp("127.0.0.1", nPort));
        objServer.SetHolding(5, 0x1234);
        objServer.SetHolding(6, 0xABCD);
        objServer.SetReplyDelay(40);
        StartMaster(nPort);

        AddRow("03 00 05 00 02");
        AddRow("06 00 07 BE EF");
        ClickButton(m_pPage->GetCurrPage(), "发送");
        QTRY_COMPARE_WITH_TIMEOUT(m_lstReplies.size(), 2, 5000);
        m_lstReplies.sort();
        QCOMPARE(m_lstReplies, QStringList({"11 03 04 12 34 AB CD", "11 06 00 07 BE EF"}));
        QCOMPARE(objServer.Holding(7), quint16(0xBEEF));
        auto fnAllDelayed = [this] {
            const QStringList lstDelays = Column(2);
            return std::all_of(lstDelays.begin(), lstDelays.end(), [](const QString &s) { return s.toInt() >= 40; });
        };
        QTRY_VERIFY(fnAllDelayed());

        objServer.SetReplyDelay(1500);
        AddRow("03 00 05 00 01");
        // The cell's editor, not a frame editor of the same table.
        DoubleClickCell(Table(), 2, 3);
        auto *pEditor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        pEditor->selectAll();
        QTest::keyClicks(pEditor, "300");
        QTest::keyClick(pEditor, Qt::Key_Return);
        QTRY_COMPARE(Table()->item(2, 3)->text(), QStringLiteral("300"));
        for (int nRow = 0; nRow < 2; ++nRow)
            ToggleCheckCell(Table(), nRow, 0);
        ClickButton(m_pPage->GetCurrPage(), "发送");
        QTRY_COMPARE_WITH_TIMEOUT(Table()->item(2, 2)->text(), QStringLiteral("--"), 3000);
    }

    // Cyclic sending holds the table until the user stops it, and stops by
    // itself when the link goes down.
    void cyclicUntilStoppedOrLinkDown()
    {
        const int nPort = PickFreePort();
        CModbusServerPeer objServer(1000);
        QVERIFY(objServer.StartTcp("127.0.0.1", nPort));
        StartMaster(nPort);
        AddRow("03 00 05 00 01");
        m_bCycle = true;
        for (int nRound = 0; nRound < 2; ++nRound) {
            m_lstReplies.clear();
            ClickButton(m_pPage->GetCurrPage(), "发送");
            QVERIFY(SendButton()->isChecked());
            QVERIFY(!Table()->isEnabled());
            QTRY_VERIFY_WITH_TIMEOUT(m_lstReplies.size() >= 3, 5000);
            if (nRound == 0)
                ClickButton(m_pPage->GetCurrPage(), "发送");
            else
                objServer.Stop();
            QTRY_VERIFY(!SendButton()->isChecked());
            QVERIFY(Table()->isEnabled());
            Spin(100);
            const int nSent = m_nSent;
            Spin(300);
            QCOMPARE(m_nSent, nSent);
        }
    }

    // Ids 1-4, delete 2 and 3, add: 5. A curve button still means its own row.
    void rowIdsAndNothingToSend()
    {
        StartMaster(PickFreePort(), false);
        for (int i = 0; i < 4; ++i)
            AddRow("03 00 00 00 01", i == 1 || i == 2);
        ClickButton(m_pPage->GetCurrPage(), "移除");
        QCOMPARE(Column(0), QStringList({"1", "4"}));
        AddRow("");
        QCOMPARE(Column(0), QStringList({"1", "4", "5"}));
        QTest::mouseClick(Table()->cellWidget(1, 5), Qt::LeftButton);
        QVERIFY(Curve("DelayTime(4)-0") != nullptr);

        // Nothing ticked with a frame: nothing goes out, the button is released.
        m_bCycle = true;
        ClickButton(m_pPage->GetCurrPage(), "发送");
        QCOMPARE(m_lstMessages, QStringList({"是否循环发送？", "无发送数据"}));
        QVERIFY(!SendButton()->isChecked());
        QVERIFY(Table()->isEnabled());
    }
};

QTEST_MAIN(TstSelfDef)
#include "tst_selfdef.moc"
