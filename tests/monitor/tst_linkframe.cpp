// The frame log fed by a real TCP client link in MODBUS-ASCII mode against a
// scripted peer on loopback: entry texts in both renderings, the storage
// files, the port filter, the receive switch and the bounds of the view.

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextBlock>
#include <QtTest>

#include "cdlglinkframe.h"
#include "cnetparamgr.h"
#include "common/freeport.h"
#include "common/netrecords.h"
#include "common/uidriver.h"
#include "cport_base.h"
#include "cportmgr.h"

namespace {

const QString LINK = QStringLiteral("NET001");
const QRegularExpression TIME_STAMP(QStringLiteral("\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d-\\d{3}\\]"));

// The view's lines without their time stamps.
QStringList Entries(const CDlgLinkFrame &objLog)
{
    return objLog.findChild<QPlainTextEdit *>()->toPlainText().remove(TIME_STAMP).split('\n');
}

void Click(const CDlgLinkFrame &objLog, const QString &strBox)
{
    for (QCheckBox *pBox : objLog.findChildren<QCheckBox *>()) {
        if (pBox->text() == strBox)
            pBox->click();
    }
}

void Emit(const QString &strLink, LINK_PROC_ERR_EN enType, const QByteArray &objFrame)
{
    emit CPortMgr::GetInstance()->siRecvDataRaw(strLink, 1, enType, objFrame);
}

} // namespace

class TstLinkFrame : public QObject
{
    Q_OBJECT

    QTemporaryDir m_objDir;
    std::unique_ptr<CUserScript> m_pUser;

    // The storage files' texts without time stamps, oldest file first.
    QStringList FileTexts() const
    {
        QStringList lstTexts;
        for (const QString &strName : QDir(m_objDir.path()).entryList({"KestrixFrameLog(*).txt"}, QDir::Files))
            lstTexts << QString::fromLatin1(ReadFile(m_objDir.filePath(strName))).remove(TIME_STAMP);
        return lstTexts;
    }

    void ChooseFolder(CDlgLinkFrame &objLog, const QString &strFolder)
    {
        m_pUser->Pick(strFolder);
        ClickButton(&objLog, T("存储路径"));
    }

private slots:
    void initTestCase()
    {
        ApplyAppLook();
        RegisterLinkMetaTypes();
    }

    void init()
    {
        for (const QString &strName : QDir(m_objDir.path()).entryList(QDir::Files))
            QFile::remove(m_objDir.filePath(strName));
        m_pUser.reset(new CUserScript);
    }

    void entriesOfARealLink()
    {
        QTcpServer objPeer;
        QVERIFY(objPeer.listen(QHostAddress(QStringLiteral("127.0.0.1")), quint16(PickFreePort())));
        QList<QByteArray> lstReplies = {":01030400010002F5\r\n", ":01030400010002F0\r\n", ":01030400010002F5\r\n"};
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
        Click(objLog, T("接收"));
        ChooseFolder(objLog, m_objDir.path());
        Click(objLog, T("存储"));

        CPortBase *pLink = CPortMgr::RegisterPort(LINK, WORK_MODE_MASTER);
        QVERIFY(pLink != nullptr);
        QTRY_VERIFY(pLink->IsOpen());
        const LINK_SEND_DATA_S stRead{0, 1, 3, 1, 0, 0, 1000, QByteArray::fromHex("00000002")};
        pLink->PushSendData(stRead, false);
        pLink->PushSendData(stRead, false);
        QTRY_COMPARE(Entries(objLog).size(), 8);
        Click(objLog, QStringLiteral("ASCII"));
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
        // The file holds the same entries once storing stops.
        Click(objLog, T("存储"));
        QCOMPARE(FileTexts(), QStringList(lstExpected.join('\n') + '\n'));
    }

    void storageFiles()
    {
        CDlgLinkFrame objLog;
        Click(objLog, T("接收"));
        ChooseFolder(objLog, m_objDir.filePath("missing"));
        Click(objLog, T("存储"));
        QCOMPARE(m_pUser->m_lstMessages, QStringList({"Invalid storage path."}));
        Click(objLog, T("存储"));

        ChooseFolder(objLog, m_objDir.path());
        // Switched off and on within one second: the same file, appended to.
        QTRY_VERIFY_WITH_TIMEOUT(QTime::currentTime().msec() < 500, 2000);
        for (const char *pFrame : {"\x01", "\x02"}) {
            Click(objLog, T("存储"));
            Emit("COM1", LINK_SEND_OK, pFrame);
            Click(objLog, T("存储"));
        }
        QTest::qWait(1000);
        Click(objLog, T("存储"));
        Emit("COM1", LINK_SEND_OK, "\x03");
        // A cancelled folder dialog stops writing, though storing stays ticked.
        ChooseFolder(objLog, QString());
        Emit("COM1", LINK_SEND_OK, "\x04");
        QCOMPARE(FileTexts(), QStringList({"COM1-Send: \n01\nCOM1-Send: \n02\n", "COM1-Send: \n03\n"}));
    }

    void filterAndReceiveSwitch()
    {
        CDlgLinkFrame objLog;
        QVERIFY(CPortMgr::RegisterPort(LINK, WORK_MODE_MASTER) != nullptr);
        m_pUser->Then([](QDialog *pSel) {
            QCOMPARE(pSel->findChild<QTableWidget *>()->item(0, 1)->text(), LINK);
            TickRows({0})(pSel);
        });
        ClickButton(&objLog, T("筛选端口"));
        CPortMgr::UnregisterPort(LINK);

        ChooseFolder(objLog, m_objDir.path());
        Click(objLog, T("存储"));
        Click(objLog, T("接收"));
        Emit(LINK, LINK_SEND_OK, "\x01");
        Emit("COM1", LINK_SEND_OK, "\x02");
        Click(objLog, T("接收"));
        Emit("COM1", LINK_SEND_OK, "\x03");
        Click(objLog, T("存储"));
        QTRY_COMPARE(Entries(objLog), QStringList({"COM1-Send: ", "02"}));
        QCOMPARE(FileTexts(), QStringList({"COM1-Send: \n02\n"}));
        QVERIFY(m_pUser->m_lstUnexpected.isEmpty());
    }

    void viewKeepsTheNewestEntries()
    {
        CDlgLinkFrame objLog;
        Click(objLog, T("接收"));
        const int nFed = CDlgLinkFrame::MAX_VIEW_ENTRIES * 3 / 2;
        for (int i = 0; i < nFed; ++i) {
            Emit("COM1", LINK_SEND_OK, QByteArray::number(i));
            if (i % 1000 == 0)
                QCoreApplication::processEvents();
        }
        const QTextDocument *pDoc = objLog.findChild<QPlainTextEdit *>()->document();
        QTRY_VERIFY(pDoc->lastBlock().text().endsWith(QString::fromLatin1(QByteArray::number(nFed - 1).toHex(' '))));
        QVERIFY(pDoc->blockCount() >= CDlgLinkFrame::MAX_VIEW_ENTRIES);
        QVERIFY(pDoc->blockCount() <= CDlgLinkFrame::MAX_VIEW_ENTRIES * 11 / 10);
        // Emptied every 301 ticks of its second timer, whatever it holds.
        for (int i = 0; i < 301; ++i)
            objLog.slTimerSaveCheck();
        QVERIFY(pDoc->isEmpty());
    }
};

QTEST_MAIN(TstLinkFrame)
#include "tst_linkframe.moc"
