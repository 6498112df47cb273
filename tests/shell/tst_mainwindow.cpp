#include "ccfgfilemgr.h"
#include "cdevicebase.h"
#include "cdevicemgr.h"
#include "cdlgdevicedatabase.h"
#include "cdlgdevicedatamgr.h"
#include "cdlgdevicelist.h"
#include "cdlgfilesel.h"
#include "cdlglinkcurve.h"
#include "cdlglinkframe.h"
#include "cdlgmainwidget.h"
#include "cdlgprogress.h"
#include "cdlgselfdefdevice.h"
#include "cdlgwelcome.h"
#include "cmttablewidget.h"
#include "csvtable.h"
#include "cwtitlewidget.h"
#include "demoproject.h"
#include "freeport.h"
#include "linkdefine.h"
#include "logcapture.h"
#include "pushbutton.h"
#include "toolbutton.h"
#include "uidriver.h"
#include "uiutils.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <memory>

namespace {

QString Utf8(const char *pText)
{
    return QString::fromUtf8(pText);
}

// Slaves on a serial link that does not exist, so loading costs no traffic;
// padded with a comment to exactly nBytes when nBytes is given.
QByteArray ProjectText(int nDevices, int nBytes = 0)
{
    QByteArray objText = "<?xml version=\"1.0\"?>\n<Kestrix>\n\t<PORT_LIST />\n\t<DEVICE_LIST>\n";
    for (int i = 1; i <= nDevices; ++i)
        objText += QByteArray("\t\t<DEVICE Name=\"S") + QByteArray::number(i)
                   + "\" PortName=\"ttyKX-NONE\" DeviceType=\"2\" Addr=\"" + QByteArray::number(i) + "\" />\n";
    objText += "\t</DEVICE_LIST>\n</Kestrix>\n";
    if (nBytes > 0)
        objText += "<!--" + QByteArray(nBytes - objText.size() - 8, 'x') + "-->\n";
    return objText;
}

// Threads of this process as the kernel sees them.
int ThreadCount()
{
    return QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();
}

PushButton *ProjectButton(QWidget *pWindow, const QString &strToolTip)
{
    for (PushButton *pButton : pWindow->findChildren<PushButton *>())
        if (pButton->toolTip() == strToolTip)
            return pButton;
    return nullptr;
}

QStackedWidget *PageStack(QWidget *pWindow)
{
    return qobject_cast<QStackedWidget *>(pWindow->findChild<CDlgWelcome *>()->parentWidget());
}

// Device names as the device list shows them.
QStringList ListedDevices(QWidget *pWindow)
{
    CMTTableWidget *pTable = pWindow->findChild<CDlgDeviceList *>()->GetTable();
    QStringList lstNames;
    for (int nRow = 0; nRow < pTable->rowCount(); ++nRow)
        lstNames << pTable->item(nRow, CDlgDeviceList::COL_NAME)->text();
    return lstNames;
}

bool CurveWindowExists()
{
    for (QWidget *pWidget : QApplication::topLevelWidgets())
        if (qobject_cast<CDlgLinkDataCurve *>(pWidget) != nullptr)
            return true;
    return false;
}

} // namespace

class TstMainWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_objDir;
    QStringList m_lstShown;            // message boxes, in order
    QList<bool> m_lstAnswers;          // answers to question boxes; none left = Cancel
    QStringList m_lstPaths;            // answers to the file dialogs; none left = cancelled
    QString m_strOpenPath;             // typed into the file selection dialog; empty = cancel
    bool m_bSawProgress = false;

    QString Path(const QString &strName) const { return m_objDir.filePath(strName); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_objDir.isValid());
        QVERIFY(QDir::setCurrent(m_objDir.path()));
        ApplyAppLook();
        RegisterLinkMetaTypes();
    }

    void init()
    {
        m_lstShown.clear();
        m_lstAnswers.clear();
        m_lstPaths.clear();
        m_strOpenPath.clear();
        m_bSawProgress = false;
        SetMessageBoxResponder([this](MESSAGE_BOX_KIND_EN, const QString &strText) {
            m_lstShown << strText;
            return !m_lstAnswers.isEmpty() && m_lstAnswers.takeFirst();
        });
        SetStdDialogResponder([this](STD_DIALOG_KIND_EN, const QString &, const QVariant &) {
            return QVariant(m_lstPaths.isEmpty() ? QString() : m_lstPaths.takeFirst());
        });
        SetDialogResponder([this](QDialog *pDialog) {
            if (qobject_cast<CDlgFileSel *>(pDialog) != nullptr && !m_strOpenPath.isEmpty()) {
                QLineEdit *pEdit = pDialog->findChild<QLineEdit *>();
                pEdit->clear();
                QTest::keyClicks(pEdit, m_strOpenPath);
                ClickButton(pDialog, Utf8("确定"));
            } else if (qobject_cast<CDlgProgress *>(pDialog) != nullptr) {
                m_bSawProgress = true;
                QTRY_VERIFY_WITH_TIMEOUT(!pDialog->isVisible(), 20000);
            }
        });
        CCfgFileMgr::GetInstance()->SetCfgFilePath(QString());
        CCfgFileMgr::GetInstance()->ClearCfg();
    }

    void startUpLoadsTheRememberedProject_data()
    {
        QTest::addColumn<QString>("strRemembered");
        QTest::addColumn<QStringList>("lstDevices");
        QTest::addColumn<QString>("strShown");
        QTest::newRow("nothing remembered") << QString() << QStringList() << QString();
        QTest::newRow("remembered project") << "three.kestrix" << QStringList{"S1", "S2", "S3"} << QString();
        QTest::newRow("remembered project gone") << "gone.kestrix" << QStringList()
                                                 << Utf8("配置文件打开失败:File was not found");
    }

    void startUpLoadsTheRememberedProject()
    {
        QFETCH(QString, strRemembered);
        QFETCH(QStringList, lstDevices);
        QFETCH(QString, strShown);
        QVERIFY(WriteFile(Path("three.kestrix"), ProjectText(3)));
        QFile::remove(Path("gone.kestrix"));
        CCfgFileMgr::GetInstance()->SetCfgFilePath(strRemembered.isEmpty() ? QString() : Path(strRemembered));

        CLogCapture objLog;
        CWTMainWidget objWindow;
        QCOMPARE(ListedDevices(&objWindow), lstDevices);
        QCOMPARE(m_lstShown.join('|'), strShown);
        QCOMPARE(objLog.Has(QStringLiteral("Empty Cfg File!")), strRemembered.isEmpty());
    }

    void largeProjectsLoadStepwise_data()
    {
        QTest::addColumn<int>("nDevices");
        QTest::addColumn<int>("nBytes");
        QTest::addColumn<bool>("bStepwise");
        QTest::addColumn<QList<int>>("lstSteps");
        QTest::newRow("511999 bytes: one pass") << 3 << 511999 << false << QList<int>();
        QTest::newRow("512000 bytes: stepwise") << 3 << 512000 << true << QList<int>{33, 66, 100};
        QTest::newRow("512000 bytes, no devices") << 0 << 512000 << true << QList<int>{100};
    }

    void largeProjectsLoadStepwise()
    {
        QFETCH(int, nDevices);
        QFETCH(int, nBytes);
        QFETCH(bool, bStepwise);
        QFETCH(QList<int>, lstSteps);
        const QString strPath = Path(QStringLiteral("big.kestrix"));
        QVERIFY(WriteFile(strPath, ProjectText(nDevices, nBytes)));
        QCOMPARE(QFileInfo(strPath).size(), qint64(nBytes));

        CWTMainWidget objWindow;
        QSignalSpy objSteps(&objWindow, &CWTMainWidget::siCfgLoadProgress);
        m_strOpenPath = strPath;
        QTest::mouseClick(ProjectButton(&objWindow, Utf8("导入配置文件")), Qt::LeftButton);
        QCOMPARE(m_bSawProgress, bStepwise);
        QList<int> lstSeen;
        for (const QList<QVariant> &lstArgs : objSteps)
            lstSeen << lstArgs.first().toInt();
        QCOMPARE(lstSeen, lstSteps);
        QCOMPARE(CDeviceMgr::GetDeviceList().size(), nDevices);
        QVERIFY(m_lstShown.isEmpty());
    }

    void projectCommandsThroughTheTitleBar_data()
    {
        QTest::addColumn<QString>("strButton");
        QTest::addColumn<QString>("strCurrent"); // the current project when the button is pressed
        QTest::addColumn<QString>("strAnswer");  // the path given in the command's dialog; empty: cancelled
        QTest::addColumn<QString>("strShown");   // the start of the one message shown; empty: none
        QTest::addColumn<QString>("strNowCurrent");
        QTest::addColumn<int>("nDevices");
        QTest::addColumn<bool>("bSaved"); // the current file now holds the project as it is
        const QString strNew = Utf8("新建配置文件"), strOpen = Utf8("导入配置文件");
        const QString strSave = Utf8("保存配置文件"), strSaveAs = Utf8("另存为配置文件");
        const QString strThree = "three.kestrix";
        QTest::newRow("new, cancelled") << strNew << strThree << "" << "" << strThree << 3 << false;
        QTest::newRow("open, cancelled") << strOpen << strThree << "" << "" << strThree << 3 << false;
        QTest::newRow("save, no path, cancelled") << strSave << "" << "" << "" << "" << 3 << false;
        QTest::newRow("save as, cancelled") << strSaveAs << strThree << "" << "" << strThree << 3 << false;
        QTest::newRow("new") << strNew << strThree << "new.kestrix" << "" << "new.kestrix" << 0 << false;
        QTest::newRow("open") << strOpen << strThree << "none.kestrix" << "" << "none.kestrix" << 0 << false;
        QTest::newRow("open, refused: still current") << strOpen << strThree << "broken.kestrix"
                                                      << Utf8("配置文件打开失败:") << "broken.kestrix" << 3 << false;
        QTest::newRow("save, no path") << strSave << "" << "a.kestrix" << Utf8("配置文件更新成功！") << "a.kestrix"
                                       << 3 << true;
        QTest::newRow("save fails") << strSave << "folder.kestrix" << "" << Utf8("配置文件更新失败！")
                                    << "folder.kestrix" << 3 << false;
        QTest::newRow("save as") << strSaveAs << strThree << "b.kestrix"
                                 << Utf8("配置文件另存成功， 当前配置路径已切换至新路径！") << "b.kestrix" << 3 << true;
        QTest::newRow("save as fails") << strSaveAs << strThree << "missing/b.kestrix" << Utf8("配置文件另存失败！")
                                       << strThree << 3 << false;
    }

    void projectCommandsThroughTheTitleBar()
    {
        QFETCH(QString, strButton);
        QFETCH(QString, strCurrent);
        QFETCH(QString, strAnswer);
        QFETCH(QString, strShown);
        QFETCH(QString, strNowCurrent);
        QFETCH(int, nDevices);
        QFETCH(bool, bSaved);
        auto fnPath = [this](const QString &strName) { return strName.isEmpty() ? QString() : Path(strName); };
        QVERIFY(WriteFile(Path("three.kestrix"), ProjectText(3)) && WriteFile(Path("none.kestrix"), ProjectText(0)));
        QVERIFY(WriteFile(Path("broken.kestrix"), "<Kestrix><unclosed></Kestrix>"));
        QVERIFY(QDir().mkpath(Path("folder.kestrix")));
        CCfgFileMgr *pCfg = CCfgFileMgr::GetInstance();
        pCfg->SetCfgFilePath(Path("three.kestrix"));
        CWTMainWidget objWindow;
        objWindow.show();
        pCfg->SetCfgFilePath(fnPath(strCurrent));
        m_lstPaths = QStringList{fnPath(strAnswer)};
        m_strOpenPath = fnPath(strAnswer);

        QTest::mouseClick(ProjectButton(&objWindow, strButton), Qt::LeftButton);
        QCOMPARE(m_lstShown.size(), strShown.isEmpty() ? 0 : 1);
        QVERIFY(strShown.isEmpty() || m_lstShown.first().startsWith(strShown));
        QCOMPARE(pCfg->GetCfgFilePath(), fnPath(strNowCurrent));
        QCOMPARE(CsvTable(QStringLiteral("./config.csv")).GetCell(0, 0), fnPath(strNowCurrent));
        QCOMPARE(ListedDevices(&objWindow).size(), nDevices);
        if (bSaved)
            QVERIFY(!pCfg->IsCfgChanged());
    }

    void closeAsksAboutChangesAndStopsEveryLink_data()
    {
        QTest::addColumn<bool>("bChange");
        QTest::addColumn<bool>("bKeepPath");
        QTest::addColumn<bool>("bAnswerOk");
        QTest::addColumn<QString>("strSavePath"); // "unwritable": the project file cannot be replaced
        QTest::addColumn<bool>("bClosed");
        QTest::addColumn<bool>("bSaved");
        QTest::newRow("unchanged") << false << true << false << QString() << true << false;
        QTest::newRow("changed, Cancel") << true << true << false << QString() << true << false;
        QTest::newRow("changed, OK") << true << true << true << QString() << true << true;
        QTest::newRow("changed, OK, no path, dialog cancelled") << true << false << true << QString() << true << false;
        QTest::newRow("changed, OK, save fails") << true << true << true << "unwritable" << false << false;
    }

    void closeAsksAboutChangesAndStopsEveryLink()
    {
        QFETCH(bool, bChange);
        QFETCH(bool, bKeepPath);
        QFETCH(bool, bAnswerOk);
        QFETCH(QString, strSavePath);
        QFETCH(bool, bClosed);
        QFETCH(bool, bSaved);
        const QString strPath = Path(QStringLiteral("demo.kestrix"));
        QVERIFY(WriteFile(strPath, DemoProjectText(PickFreePort())));
        CCfgFileMgr *pCfg = CCfgFileMgr::GetInstance();
        pCfg->SetCfgFilePath(strPath);
        const int nThreads = ThreadCount();

        auto pWindow = std::make_unique<CWTMainWidget>();
        pWindow->show();
        CDlgLinkDataCurve::GetInstance()->show();
        QCOMPARE(ListedDevices(pWindow.get()).size(), 2);
        QVERIFY(ThreadCount() >= nThreads + 2); // the slave's server and the master's client
        // The machine's serial ports join the project's links; as saved, the
        // project holds them too.
        QVERIFY(pCfg->SaveCfg(strPath));
        if (bChange)
            QVERIFY(pCfg->SetDeviceCfgAddr(QStringLiteral("Boiler-Slave"), 7));
        if (!bKeepPath)
            pCfg->SetCfgFilePath(QString());
        if (strSavePath == QLatin1String("unwritable"))
            QVERIFY(QFile::remove(strPath) && QDir().mkdir(strPath));
        const QByteArray objBefore = ReadFile(strPath);
        m_lstAnswers = {bAnswerOk};

        CLogCapture objLog;
        QCOMPARE(pWindow->close(), bClosed);
        QCOMPARE(m_lstShown.contains(Utf8("配置已修改，确认是否需要保存？")), bChange);
        QCOMPARE(objLog.Has(QStringLiteral("Abandon Cfg Changed!")), bChange && !bAnswerOk);
        QCOMPARE(ReadFile(strPath) != objBefore, bSaved);
        if (!bClosed) {
            // The changes are still there to be saved elsewhere; so are the links.
            QVERIFY(pWindow->isVisible() && pCfg->IsCfgChanged());
            QCOMPARE(ListedDevices(pWindow.get()).size(), 2);
            pWindow.reset();
        }
        QTRY_COMPARE(ThreadCount(), nThreads);
        QVERIFY(!CurveWindowExists());
        pWindow.reset();
        QVERIFY(QDir(strPath).removeRecursively() || QFile::remove(strPath));
    }

    void titleBarNavigatesAndSwitchesPanes()
    {
        CWTMainWidget objWindow;
        objWindow.show();
        QStackedWidget *pStack = PageStack(&objWindow);
        const QList<ToolButton *> lstNav = objWindow.findChild<CWTitleWidget *>()->findChildren<ToolButton *>();
        QCOMPARE(lstNav.size(), 6);
        for (int nPage : {0, 3, 5, 1}) {
            if (nPage != 0)
                QTest::mouseClick(lstNav.at(nPage), Qt::LeftButton);
            QCOMPARE(pStack->currentIndex(), nPage);
            for (int i = 0; i < lstNav.size(); ++i)
                QCOMPARE(lstNav.at(i)->IsMousePress(), i == nPage);
        }
        objWindow.turnPage(6);
        objWindow.turnPage(-1);
        QCOMPARE(pStack->currentIndex(), 1);

        auto fnTick = [&](const char *pText) {
            for (QCheckBox *pBox : objWindow.findChildren<QCheckBox *>())
                if (pBox->text() == Utf8(pText))
                    QTest::mouseClick(pBox, Qt::LeftButton, Qt::NoModifier, QPoint(8, pBox->height() / 2));
        };
        QWidget *pDeviceList = objWindow.findChild<CDlgDeviceList *>();
        QWidget *pFrameLog = objWindow.findChild<CDlgLinkFrame *>();
        QVERIFY(pDeviceList->isVisible() && !pFrameLog->isVisible());
        fnTick("设备列表");
        fnTick("报文");
        QVERIFY(!pDeviceList->isVisible() && pFrameLog->isVisible());
        fnTick("设备列表");
        QVERIFY(pDeviceList->isVisible());
    }

    void activeDeviceDrivesThePages()
    {
        QVERIFY(WriteFile(Path("demo.kestrix"), DemoProjectText(PickFreePort())));
        CCfgFileMgr::GetInstance()->SetCfgFilePath(Path("demo.kestrix"));
        CWTMainWidget objWindow;
        objWindow.show();
        // The slave's server is up before the master's client connects to it.
        QTRY_COMPARE(CDeviceMgr::GetDevice(QStringLiteral("Panel-Master"))->GetState(), quint16(1));
        auto *pList = objWindow.findChild<CDlgDeviceList *>();
        const int nRow = ListedDevices(&objWindow).indexOf(QStringLiteral("Panel-Master"));
        ClickCell(pList->GetTable(), nRow, CDlgDeviceList::COL_NAME);

        objWindow.turnPage(1);
        CDlgDeviceDataBase *pDataPage = objWindow.findChild<CDlgDeviceDataMgr *>()->GetCurrentPage();
        QVERIFY(pDataPage != nullptr && pDataPage->isVisible());
        QCOMPARE(pDataPage->GetDeviceName(), QStringLiteral("Panel-Master"));
        objWindow.turnPage(2);
        QStringList lstFramePages;
        for (CDlgSelfDefDevice *pPage : objWindow.findChildren<CDlgSelfDefDevice *>())
            if (pPage->isVisible())
                lstFramePages << pPage->GetDeviceName();
        QCOMPARE(lstFramePages, QStringList{"Panel-Master"});

        // A page being configured marks its device in the list.
        objWindow.turnPage(1);
        QVERIFY(ClickButton(pDataPage, Utf8("配置")));
        QVERIFY(pList->GetTable()->item(nRow, CDlgDeviceList::COL_NAME)->font().bold());
        // The list with its parameters takes the place of the pages.
        QVERIFY(ClickButton(pList, Utf8("参数")));
        QVERIFY(!PageStack(&objWindow)->isVisible());
    }

    void aboutPageShowsTheNewestChanges_data()
    {
        QTest::addColumn<QByteArray>("objFile"); // empty: no change log at all
        QTest::addColumn<QString>("strShown");
        QTest::newRow("first paragraph only") << QByteArray("V0.1.2\n1. a\n2. b\n\nV0.1.1\nold\n") << "V0.1.2\n1. a\n2. b";
        QTest::newRow("no blank line") << QByteArray("V0.1.2\n1. a") << "V0.1.2\n1. a";
        QTest::newRow("no change log") << QByteArray() << QString();
    }

    void aboutPageShowsTheNewestChanges()
    {
        QFETCH(QByteArray, objFile);
        QFETCH(QString, strShown);
        QFile::remove(QStringLiteral("Readme.txt"));
        if (!objFile.isEmpty())
            QVERIFY(WriteFile(QStringLiteral("Readme.txt"), objFile));
        CWTMainWidget objWindow;
        objWindow.show();
        objWindow.turnPage(5);
        QString strSeen = QStringLiteral("(not opened)");
        SetDialogResponder([&](QDialog *pDialog) { strSeen = pDialog->findChild<QTextEdit *>()->toPlainText(); });
        QVERIFY(ClickButton(objWindow.findChild<CDlgWelcome *>(), Utf8("变更记录")));
        QCOMPARE(strSeen, strShown);
    }

    void upgradeWithoutTheUpgraderReportsIt()
    {
        CDlgWelcome objPage;
        objPage.show();
        QVERIFY(FindButton(&objPage, QStringLiteral("Upgrade")) == nullptr);
        objPage.slOpenNewVersion();
        QCOMPARE(m_lstShown, QStringList{QStringLiteral("Upgrade failed!")});
    }
};

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
