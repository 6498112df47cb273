// The frame log fed by a real TCP client link in MODBUS-ASCII mode against a
// scripted peer on loopback: entry texts in both renderings, the storage
// files, the port filter and the receive switch.

#include <QCheckBox>
#include <QDir>
#include <QPlainTextEdit>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QtTest>

#include "cdlglinkframe.h"
#include "cdlgsigsel.h"
#include "cmttablewidget.h"
#include "cnetparamgr.h"
#include "common/freeport.h"
#include "common/netrecords.h"
#include "cport_base.h"
#include "cportmgr.h"
#include "monitor/monitorui.h"
#include "uiutils.h"

namespace {

const QString LINK = QStringLiteral("NET001");
const QByteArray GOOD_REPLY = ":01030400010002F5\r\n";
const QByteArray BAD_LRC_REPLY = ":01030400010002F0\r\n";

// The view's entries without their time stamps.
QStringList Entries(const CDlgLinkFrame &objLog)
{
    QStringList lstLines = objLog.findChild<QPlainTextEdit *>()->toPlainText().split('\n');
    for (QString &strLine : lstLines)
        strLine.remove(QRegularExpression(QStringLiteral("^\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d-\\d{3}\\]")));
    return lstLines;
}

QCheckBox *Box(const CDlgLinkFrame &objLog, const QString &strText)
{
    for (QCheckBox *pBox : objLog.findChildren<QCheckBox *>()) {
        if (pBox->text() == strText)
            return pBox;
    }
    return nullptr;
}

void Emit(const QString &strLink, LINK_PROC_ERR_EN enType, const QByteArray &objFrame)
{
    emit CPortMgr::GetInstance()->siRecvDataRaw(strLink, 1, enType, objFrame);
}

} // namespace

class TstLinkFrame : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_objDir;
    QStringList m_lstMessages;

    QStringList LogFiles() const { return QDir(m_objDir.path()).entryList({"KestrixFrameLog(*).txt"}, QDir::Files); }

    void ChooseFolder(CDlgLinkFrame &objLog, const QString &strFolder)
    {
        SetStdDialogResponder([strFolder](STD_DIALOG_KIND_EN, const QString &, const QVariant &) { return strFolder; });
        ClickButton(&objLog, QStringLiteral("存储路径"));
        SetStdDialogResponder({});
    }

private slots:
    void initTestCase()
    {
        ApplyAppLook();
        RegisterLinkMetaTypes();
        SetMessageBoxResponder([this](MESSAGE_BOX_KIND_EN, const QString &strText) { m_lstMessages << strText; return true; });
    }

    void init()
    {
        for (const QString &strName : LogFiles())
            QFile::remove(QDir(m_objDir.path()).filePath(strName));
    }

    void entriesOfARealLink()
    {
        QTcpServer objPeer;
        QVERIFY(objPeer.listen(QHostAddress(QStringLiteral("127.0.0.1")), quint16(PickFreePort())));
        QList<QByteArray> lstReplies = {GOOD_REPLY, BAD_LRC_REPLY, GOOD_REPLY};
        connect(&objPeer, &QTcpServer::newConnection, [&]() {
            QTcpSocket *pSocket = objPeer.nextPendingConnection();
            connect(pSocket, &QTcpSocket::readyRead, [&, pSocket]() {
                if (pSocket->readAll().endsWith("\r\n") && !lstReplies.isEmpty())
                    pSocket->write(lstReplies.takeFirst());
            });
        });
        CNetParaMgr::GetNetParaList() = {NetPara(LINK, LINK_MODE_TCP_CLIENT, TRANS_MODE_ASCII, objPeer.serverPort())};
        CDlgLinkFrame objLog;
        objLog.show();
        Box(objLog, QStringLiteral("接收"))->click();
        ChooseFolder(objLog, m_objDir.path());
        Box(objLog, QStringLiteral("存储"))->click();

        CPortBase *pLink = CPortMgr::RegisterPort(LINK, WORK_MODE_MASTER);
        QVERIFY(pLink != nullptr);
        QTRY_VERIFY(pLink->IsOpen());
        LINK_SEND_DATA_S stRead;
        stRead.nAddr = 1;
        stRead.nFuncCode = 3;
        stRead.nIsNeedRsp = 1;
        stRead.nTimeOut = 1000;
        stRead.objData = QByteArray::fromHex("00000002");
        for (int i = 0; i < 2; ++i)
            pLink->PushSendData(stRead, false);
        QTRY_COMPARE(Entries(objLog).size(), 8);
        Box(objLog, QStringLiteral("ASCII"))->click();
        pLink->PushSendData(stRead, false);
        QTRY_COMPARE(Entries(objLog).size(), 12);
        CPortMgr::UnregisterPort(LINK);
        Emit(LINK, LINK_PROC_ERR_EN(9), QByteArray());
        Emit(LINK, LINK_RECV_FRAME_ERR, ":0103\n");

        const QStringList lstExpected = {
            "NET001-Send: ", "3a 30 31 30 33 30 30 30 30 30 30 30 32 46 41 0d 0a",
            "NET001-Recv: ", "3a 30 31 30 33 30 34 30 30 30 31 30 30 30 32 46 35 0d 0a",
            "NET001-Send: ", "3a 30 31 30 33 30 30 30 30 30 30 30 32 46 41 0d 0a",
            "NET001-Recv[ERROR-CHECK]: ", "3a 30 31 30 33 30 34 30 30 30 31 30 30 30 32 46 30 0d 0a",
            "NET001-Send: ", ": 01 03 00 00 00 02 FA ",
            "NET001-Recv: ", ": 01 03 04 00 01 00 02 F5 ",
            "NET001-N/A: ", "",
            "NET001-Recv[ERROR-FRAME]: ", ": 01 03 ", ""};
        QTRY_COMPARE(Entries(objLog), lstExpected);

        // The file holds the same entries, once storing stops.
        const QString strShown = objLog.findChild<QPlainTextEdit *>()->toPlainText();
        Box(objLog, QStringLiteral("存储"))->click();
        QCOMPARE(LogFiles().size(), 1);
        QFile objFile(QDir(m_objDir.path()).filePath(LogFiles().first()));
        QVERIFY(objFile.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLatin1(objFile.readAll()), strShown + '\n');
    }

    void storageFiles()
    {
        CDlgLinkFrame objLog;
        QCheckBox *pStore = Box(objLog, QStringLiteral("存储"));
        Box(objLog, QStringLiteral("接收"))->click();
        ChooseFolder(objLog, m_objDir.filePath("missing"));
        m_lstMessages.clear();
        pStore->click();
        QCOMPARE(m_lstMessages, QStringList({"Invalid storage path."}));

        pStore->click();
        ChooseFolder(objLog, m_objDir.path());
        // Switched off and on within one second: the same file, appended to.
        QTRY_VERIFY_WITH_TIMEOUT(QTime::currentTime().msec() < 500, 2000);
        pStore->click();
        Emit("COM1", LINK_SEND_OK, "\x01");
        pStore->click();
        pStore->click();
        Emit("COM1", LINK_SEND_OK, "\x02");
        QCOMPARE(LogFiles().size(), 1);
        QTest::qWait(1000);
        pStore->click();
        pStore->click();
        Emit("COM1", LINK_SEND_OK, "\x03");
        // A cancelled folder dialog stops writing; the box stays checked.
        ChooseFolder(objLog, QString());
        QVERIFY(pStore->isChecked());
        Emit("COM1", LINK_SEND_OK, "\x04");
        pStore->click();
        const QStringList lstFiles = LogFiles();
        QCOMPARE(lstFiles.size(), 2);
        QStringList lstContents;
        for (const QString &strName : lstFiles) {
            QFile objFile(QDir(m_objDir.path()).filePath(strName));
            QVERIFY(objFile.open(QIODevice::ReadOnly));
            lstContents << QString::fromLatin1(objFile.readAll()).remove(QRegularExpression("\\[[^]]*\\]"));
        }
        QCOMPARE(lstContents, QStringList({"COM1-Send: \n01\nCOM1-Send: \n02\n", "COM1-Send: \n03\n"}));
    }

    void filterAndReceiveSwitch()
    {
        CDlgLinkFrame objLog;
        objLog.show();
        QVERIFY(CPortMgr::RegisterPort(LINK, WORK_MODE_MASTER) != nullptr);
        SetDialogResponder([](QDialog *pDialog) {
            auto *pSel = qobject_cast<CDlgSigSel *>(pDialog);
            QVERIFY(pSel != nullptr);
            QCOMPARE(pSel->GetTable()->item(0, 1)->text(), LINK);
            ToggleCheckCell(pSel->GetTable(), 0, 2);
            ClickButton(pSel, QStringLiteral("确定"));
        });
        ClickButton(&objLog, QStringLiteral("筛选端口"));
        SetDialogResponder({});
        CPortMgr::UnregisterPort(LINK);

        ChooseFolder(objLog, m_objDir.path());
        Box(objLog, QStringLiteral("存储"))->click();
        Emit("COM1", LINK_SEND_OK, "\x01");
        Box(objLog, QStringLiteral("接收"))->click();
        Emit(LINK, LINK_SEND_OK, "\x02");
        Emit("COM1", LINK_SEND_OK, "\x03");
        QTRY_COMPARE(Entries(objLog), QStringList({"COM1-Send: ", "03"}));
        Box(objLog, QStringLiteral("接收"))->click();
        Emit("COM1", LINK_SEND_OK, "\x04");
        Box(objLog, QStringLiteral("存储"))->click();
        QTest::qWait(20);
        QCOMPARE(Entries(objLog), QStringList({"COM1-Send: ", "03"}));
        QFile objFile(QDir(m_objDir.path()).filePath(LogFiles().value(0)));
        QVERIFY(objFile.open(QIODevice::ReadOnly));
        QCOMPARE(objFile.readAll().count('\n'), 2);
    }

    void viewKeepsTheNewestEntries()
    {
        CDlgLinkFrame objLog;
        // Its second ticks come from the test here.
        objLog.findChild<QTimer *>(QString(), Qt::FindDirectChildrenOnly)->stop();
        Box(objLog, QStringLiteral("接收"))->click();
        const int nFed = CDlgLinkFrame::MAX_VIEW_ENTRIES * 3 / 2;
        for (int i = 0; i < nFed; ++i) {
            Emit("COM1", LINK_SEND_OK, QByteArray::number(i));
            if (i % 1000 == 0)
                QCoreApplication::processEvents();
        }
        QCoreApplication::processEvents();
        const QTextDocument *pDoc = objLog.findChild<QPlainTextEdit *>()->document();
        QCOMPARE(pDoc->lastBlock().text().section(QChar(QChar::LineSeparator), 1),
                 QString::fromLatin1(QByteArray::number(nFed - 1).toHex(' ')));
        const int nShown = pDoc->blockCount();
        QVERIFY(nShown >= CDlgLinkFrame::MAX_VIEW_ENTRIES && nShown <= CDlgLinkFrame::MAX_VIEW_ENTRIES * 11 / 10);
        // Emptied on the 301st tick of its second timer, whatever it holds.
        for (int i = 0; i < 300; ++i)
            objLog.slTimerSaveCheck();
        QCOMPARE(pDoc->blockCount(), nShown);
        objLog.slTimerSaveCheck();
        QVERIFY(pDoc->isEmpty());
    }
};

QTEST_MAIN(TstLinkFrame)
#include "tst_linkframe.moc"
