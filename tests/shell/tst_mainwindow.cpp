// The main window as a user meets it: the project it starts with, large
// projects loaded stepwise, the project commands of its title bar, closing
// with changes, and the device that drives the pages.

#include "ccfgfilemgr.h"
#include "cdevicebase.h"
#include "cdevicemgr.h"
#include "cdlgdevicedatabase.h"
#include "cdlgdevicedatamgr.h"
#include "cdlgdevicelist.h"
#include "cdlgfilesel.h"
#include "cdlglinkcurve.h"
#include "cdlgmainwidget.h"
#include "cdlgprogress.h"
#include "cdlgselfdefdevice.h"
#include "cdlgwelcome.h"
#include "cmttablewidget.h"
#include "csvtable.h"
#include "demoproject.h"
#include "freeport.h"
#include "linkdefine.h"
#include "logcapture.h"
#include "pushbutton.h"

#include <QApplication>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <memory>

namespace {

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

void ClickProjectButton(QWidget *pWindow, const QString &strToolTip)
{
    for (PushButton *pButton : pWindow->findChildren<PushButton *>()) {
        if (pButton->toolTip() == strToolTip)
            QTest::mouseClick(pButton, Qt::LeftButton);
    }
}

QStackedWidget *PageStack(QWidget *pWindow)
{
    return qobject_cast<QStackedWidget *>(pWindow->findChild<CDlgWelcome *>()->parentWidget());
}

QStringList ListedDevices(QWidget *pWindow)
{
    return ColumnTexts(pWindow->findChild<CDlgDeviceList *>()->GetTable(), CDlgDeviceList::COL_NAME);
}

} // namespace

class TstMainWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_objDir;
    std::unique_ptr<CUserScript> m_pUser;
    QString m_strOpenPath;   // typed into the file selection dialog; empty = cancel
    bool m_bSawProgress = false;

    QString Path(const QString &strName) const { return strName.isEmpty() ? QString() : m_objDir.filePath(strName); }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir::setCurrent(m_objDir.path()));
        ApplyAppLook();
        RegisterLinkMetaTypes();
    }

    void init()
    {
        m_strOpenPath.clear();
        m_bSawProgress = false;
        m_pUser.reset(new CUserScript);
        SetDialogResponder([this](QDialog *pDialog) {
            if (qobject_cast<CDlgFileSel *>(pDialog) != nullptr && !m_strOpenPath.isEmpty()) {
                TypeAndPress(m_strOpenPath, T("确定"))(pDialog);
            } else if (qobject_cast<CDlgProgress *>(pDialog) != nullptr) {
                m_bSawProgress = true;
                QTRY_VERIFY_WITH_TIMEOUT(!pDialog->isVisible(), 20000);
            }
        });
        CCfgFileMgr::GetInstance()->SetCfgFilePath(QString());
        CCfgFileMgr::GetInstance()->ClearCfg();
    }

    void cleanup() { m_pUser.reset(); }

    // At start the remembered project is loaded; one that is gone is reported.
    void startUpLoadsTheRememberedProject()
    {
        QVERIFY(WriteFile(Path("three.kestrix"), ProjectText(3)));
        const QStringList lstGone(T("配置文件打开失败:File was not found"));
        const std::tuple<QString, QStringList, QStringList> CASES[] = {
            {"", {}, {}}, {"gone.kestrix", {}, lstGone}, {"three.kestrix", {"S1", "S2", "S3"}, {}}};
        for (const auto &[strRemembered, lstDevices, lstShown] : CASES) {
            m_pUser->m_lstMessages.clear();
            CCfgFileMgr::GetInstance()->SetCfgFilePath(Path(strRemembered));
            CLogCapture objLog;
            CWTMainWidget objWindow;
            QCOMPARE(ListedDevices(&objWindow), lstDevices);
            QCOMPARE(m_pUser->m_lstMessages, lstShown);
            QCOMPARE(objLog.Has(QStringLiteral("Empty Cfg File!")), strRemembered.isEmpty());
        }
    }

    // From 512000 bytes on a project loads stepwise behind a progress dialog
    // that closes itself, each device a step.
    void largeProjectsLoadStepwise()
    {
        const struct { int nDevices, nBytes; QList<int> lstSteps; } CASES[] = { // no steps: one pass, no progress
            {3, 511999, {}}, {3, 512000, {33, 66, 100}}, {0, 512000, {100}}};
        for (const auto &stCase : CASES) {
            init();
            m_strOpenPath = Path(QStringLiteral("big.kestrix"));
            QVERIFY(WriteFile(m_strOpenPath, ProjectText(stCase.nDevices, stCase.nBytes)));
            QCOMPARE(QFileInfo(m_strOpenPath).size(), qint64(stCase.nBytes));
            CWTMainWidget objWindow;
            QSignalSpy objSteps(&objWindow, &CWTMainWidget::siCfgLoadProgress);
            ClickProjectButton(&objWindow, T("导入配置文件"));
            QCOMPARE(m_bSawProgress, !stCase.lstSteps.isEmpty());
            QList<int> lstSeen;
            for (const QList<QVariant> &lstArgs : objSteps)
                lstSeen << lstArgs.first().toInt();
            QCOMPARE(lstSeen, stCase.lstSteps);
            QCOMPARE(CDeviceMgr::GetDeviceList().size(), stCase.nDevices);
            QVERIFY(m_pUser->m_lstMessages.isEmpty());
        }
    }

    // New, open, save and save as, each cancelled, done or refused: the
    // current project, the one remembered, the devices listed and the file.
    void projectCommandsThroughTheTitleBar()
    {
        const QString strNew = T("新建配置文件"), strOpen = T("导入配置文件");
        const QString strSave = T("保存配置文件"), strSaveAs = T("另存为配置文件");
        const QString strThree = "three.kestrix";
        // The current project when the button is pressed, the path given in the
        // command's dialog (empty: cancelled), the start of the one message
        // shown, the current project after it, the devices listed, and whether
        // the current file then holds the project as it is.
        const struct { QString strButton, strCurrent, strAnswer, strShown, strNowCurrent; int nDevices; bool bSaved; } CASES[] = {
            {strNew, strThree, "", "", strThree, 3, false},
            {strOpen, strThree, "", "", strThree, 3, false},
            {strSave, "", "", "", "", 3, false},
            {strSaveAs, strThree, "", "", strThree, 3, false},
            {strNew, strThree, "new.kestrix", "", "new.kestrix", 0, false},
            {strOpen, strThree, "none.kestrix", "", "none.kestrix", 0, false},
            {strOpen, strThree, "broken.kestrix", T("配置文件打开失败:"), "broken.kestrix", 3, false},
            {strSave, "", "a.kestrix", T("配置文件更新成功！"), "a.kestrix", 3, true},
            {strSave, "folder.kestrix", "", T("配置文件更新失败！"), "folder.kestrix", 3, false},
            {strSaveAs, strThree, "b.kestrix", T("配置文件另存成功， 当前配置路径已切换至新路径！"), "b.kestrix", 3, true},
            {strSaveAs, strThree, "missing/b.kestrix", T("配置文件另存失败！"), strThree, 3, false}};
        for (const auto &stCase : CASES) {
            init();
            QVERIFY(WriteFile(Path("three.kestrix"), ProjectText(3)) && WriteFile(Path("none.kestrix"), ProjectText(0)));
            QVERIFY(WriteFile(Path("broken.kestrix"), "<Kestrix><unclosed></Kestrix>"));
            QVERIFY(QDir().mkpath(Path("folder.kestrix")));
            CCfgFileMgr *pCfg = CCfgFileMgr::GetInstance();
            pCfg->SetCfgFilePath(Path("three.kestrix"));
            CWTMainWidget objWindow;
            objWindow.show();
            pCfg->SetCfgFilePath(Path(stCase.strCurrent));
            m_pUser->Pick(Path(stCase.strAnswer));
            m_strOpenPath = Path(stCase.strAnswer);

            ClickProjectButton(&objWindow, stCase.strButton);
            QCOMPARE(m_pUser->m_lstMessages.size(), stCase.strShown.isEmpty() ? 0 : 1);
            QVERIFY(stCase.strShown.isEmpty() || m_pUser->m_lstMessages.first().startsWith(stCase.strShown));
            QCOMPARE(pCfg->GetCfgFilePath(), Path(stCase.strNowCurrent));
            QCOMPARE(CsvTable(QStringLiteral("./config.csv")).GetCell(0, 0), Path(stCase.strNowCurrent));
            QCOMPARE(ListedDevices(&objWindow).size(), stCase.nDevices);
            QVERIFY(!stCase.bSaved || !pCfg->IsCfgChanged());
        }
    }

    // Closing asks about changes only; saving them may fail, and then the
    // window stays with its changes and links. Once closed, every link
    // thread has ended and the curve window is gone.
    void closeAsksAboutChangesAndStopsEveryLink()
    {
        const struct { bool bChange, bKeepPath, bAnswerOk, bUnwritable, bClosed, bSaved; } CASES[] = {
            {false, true, false, false, true, false},  // unchanged
            {true, true, false, false, true, false},   // changed, Cancel
            {true, true, true, false, true, true},     // changed, OK
            {true, false, true, false, true, false},   // changed, OK, no path, dialog cancelled
            {true, true, true, true, false, false}};   // changed, OK, the file cannot be replaced
        for (const auto &stCase : CASES) {
            init();
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
            if (stCase.bChange)
                QVERIFY(pCfg->SetDeviceCfgAddr(QStringLiteral("Boiler-Slave"), 7));
            if (!stCase.bKeepPath)
                pCfg->SetCfgFilePath(QString());
            if (stCase.bUnwritable)
                QVERIFY(QFile::remove(strPath) && QDir().mkdir(strPath));
            const QByteArray objBefore = ReadFile(strPath);
            m_pUser->Answer(stCase.bAnswerOk);

            CLogCapture objLog;
            QCOMPARE(pWindow->close(), stCase.bClosed);
            QCOMPARE(m_pUser->m_lstMessages.contains(T("配置已修改，确认是否需要保存？")), stCase.bChange);
            QCOMPARE(objLog.Has(QStringLiteral("Abandon Cfg Changed!")), stCase.bChange && !stCase.bAnswerOk);
            QCOMPARE(ReadFile(strPath) != objBefore, stCase.bSaved);
            // The changes are still there to be saved elsewhere; so are the links.
            QVERIFY(stCase.bClosed || (pWindow->isVisible() && pCfg->IsCfgChanged() && ListedDevices(pWindow.get()).size() == 2));
            if (!stCase.bClosed)
                pWindow.reset();
            QTRY_COMPARE(ThreadCount(), nThreads);
            for (QWidget *pWidget : QApplication::topLevelWidgets())
                QVERIFY(qobject_cast<CDlgLinkDataCurve *>(pWidget) == nullptr);
            pWindow.reset();
            QVERIFY(QDir(strPath).removeRecursively() || QFile::remove(strPath));
        }
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
        for (CDlgSelfDefDevice *pPage : objWindow.findChildren<CDlgSelfDefDevice *>()) {
            if (pPage->isVisible())
                lstFramePages << pPage->GetDeviceName();
        }
        QCOMPARE(lstFramePages, QStringList{"Panel-Master"});

        // A page being configured marks its device in the list.
        objWindow.turnPage(1);
        QVERIFY(ClickButton(pDataPage, T("配置")));
        QVERIFY(pList->GetTable()->item(nRow, CDlgDeviceList::COL_NAME)->font().bold());
        // The list with its parameters takes the place of the pages.
        QVERIFY(ClickButton(pList, T("参数")));
        QVERIFY(!PageStack(&objWindow)->isVisible());
    }

    void upgradeWithoutTheUpgraderReportsIt()
    {
        CDlgWelcome objPage;
        objPage.show();
        QVERIFY(FindButton(&objPage, QStringLiteral("Upgrade")) == nullptr);
        objPage.slOpenNewVersion();
        QCOMPARE(m_pUser->m_lstMessages, QStringList{QStringLiteral("Upgrade failed!")});
    }
};

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
