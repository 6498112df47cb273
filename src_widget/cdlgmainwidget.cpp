#include "cdlgmainwidget.h"

#include "applog.h"
#include "ccfgfilemgr.h"
#include "cdevicemgr.h"
#include "cdlgcommtools.h"
#include "cdlgcount.h"
#include "cdlgdevicedatamgr.h"
#include "cdlgdevicelist.h"
#include "cdlgdevicemgr.h"
#include "cdlgfilesel.h"
#include "cdlglinkcurve.h"
#include "cdlglinkframe.h"
#include "cdlgprogress.h"
#include "cdlgselfdef.h"
#include "cdlgwelcome.h"
#include "commonfunc.h"
#include "cportmgr.h"
#include "cwtitlewidget.h"
#include "uiutils.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QIcon>
#include <QPainter>
#include <QSettings>
#include <QSplitter>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// From this size on a project is loaded one device per timer tick behind a
// progress dialog, so the window keeps painting.
const qint64 LARGE_PROJECT_BYTES = 512000;
const char *const CFG_FILE_FILTER = "Cfg Files(*.kestrix)";

quint16 g_nCurrLanguage = LANGUAGE_CHINESE;

} // namespace

CWTMainWidget::CWTMainWidget(QWidget *pParent)
    : QMainWindow(pParent)
{
    LOG_DEBUG().noquote() << "Launch APP!" << GetAppTitle() << GetBuildTime() << GetComputerName();
    setMinimumSize(1200, 650);
    setWindowIcon(QIcon(QStringLiteral(":/img/Kestrix")));
    setWindowTitle(GetAppTitle());
    auto *pCentral = new QWidget(this);
    setCentralWidget(pCentral);

    m_pTitleWidget = new CWTitleWidget(this);
    m_pDeviceMgr = new CDlgDeviceMgr(this);
    m_pDeviceDataMgr = new CDlgDeviceDataMgr(this);
    m_pSelfDef = new CDlgSelfDef(this);
    m_pLinkCount = new CDlgLinkCount(this);
    m_pCommTools = new CDlgCommTools(this);
    m_pWelcome = new CDlgWelcome(this);
    m_pDeviceList = new CDlgDeviceList(this);

    connect(m_pTitleWidget, &CWTitleWidget::siShowDeviceList, this, &CWTMainWidget::slDeviceListShow);
    connect(m_pTitleWidget, &CWTitleWidget::siShowFrameData, this, &CWTMainWidget::slFrameDataShow);
    connect(m_pTitleWidget, &CWTitleWidget::siNewWorkCfg, this, &CWTMainWidget::slNewCfgFile);
    connect(m_pTitleWidget, &CWTitleWidget::siInputWorkCfg, this, &CWTMainWidget::slInputCfgFile);
    connect(m_pTitleWidget, &CWTitleWidget::siSaveWorkCfg, this, &CWTMainWidget::slSaveCfgFile);
    connect(m_pTitleWidget, &CWTitleWidget::siSaveOtherWorkCfg, this, &CWTMainWidget::slSaveOtherCfgFile);
    connect(m_pDeviceList, &CDlgDeviceList::siShowStatkedWidget, this, &CWTMainWidget::slShowStatkedWidget);
    connect(m_pDeviceList, &CDlgDeviceList::siCurrActvDeviceName, m_pDeviceDataMgr,
            &CDlgDeviceDataMgr::slCurrActvDeviceChanged);
    connect(m_pDeviceList, &CDlgDeviceList::siIsEditing, m_pDeviceDataMgr, &CDlgDeviceDataMgr::slIsEditing);
    connect(m_pDeviceDataMgr, &CDlgDeviceDataMgr::siDeviceEditing, m_pDeviceList, &CDlgDeviceList::slDeviceEditing);
    connect(m_pDeviceList, &CDlgDeviceList::siCurrActvDeviceName, m_pSelfDef, &CDlgSelfDef::slCurrActvDeviceChanged);

    m_pStackedWidget = new QStackedWidget(this);
    // In page-number order.
    const QList<QWidget *> lstPages = {m_pDeviceMgr, m_pDeviceDataMgr, m_pSelfDef, m_pLinkCount, m_pCommTools, m_pWelcome};
    for (QWidget *pPage : lstPages)
        m_pStackedWidget->addWidget(pPage);

    m_pLinkFrame = new CDlgLinkFrame(this);
    addDockWidget(Qt::BottomDockWidgetArea, m_pLinkFrame);
    m_pLinkFrame->hide();

    auto *pSplitter = new QSplitter(Qt::Horizontal, this);
    pSplitter->setHandleWidth(10);
    pSplitter->addWidget(m_pDeviceList);
    pSplitter->addWidget(m_pStackedWidget);
    pSplitter->setStretchFactor(0, 1);
    pSplitter->setStretchFactor(1, 8);

    auto *pLayout = new QVBoxLayout(pCentral);
    pLayout->setSpacing(0);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->addWidget(m_pTitleWidget);
    pLayout->addWidget(pSplitter);

    connect(m_pTitleWidget, qOverload<int>(&CWTitleWidget::turnPage), this, &CWTMainWidget::turnPage);
    m_pTitleWidget->turnPage(QStringLiteral("0"));

    m_pLoadTimer = new QTimer(this);
    m_pLoadTimer->setSingleShot(true);
    connect(m_pLoadTimer, &QTimer::timeout, this, &CWTMainWidget::slImportWorkCfg, Qt::DirectConnection);

    ImportDefaultCfg();
}

CWTMainWidget::~CWTMainWidget()
{
    if (m_bReleased)
        return;
    ReleaseProcessObjects();
    LOG_DEBUG().noquote() << "Exit APP!";
}

void CWTMainWidget::slDeviceListShow(int bIsShow)
{
    m_pDeviceList->setVisible(bIsShow == Qt::Checked);
}

void CWTMainWidget::slFrameDataShow(int bIsShow)
{
    m_pLinkFrame->setVisible(bIsShow == Qt::Checked);
}

void CWTMainWidget::slShowStatkedWidget(bool bIsShow)
{
    m_pStackedWidget->setVisible(bIsShow);
}

void CWTMainWidget::slImportWorkCfg()
{
    const int nProgress = CDeviceMgr::LoadDevicesStep();
    emit siCfgLoadProgress(nProgress);
    if (nProgress >= 100)
        CDeviceMgr::ResetLoad();
    else
        m_pLoadTimer->start(1);
}

void CWTMainWidget::slNewCfgFile()
{
    const QString strPath = AskSaveFileName(this, QStringLiteral("新建配置文件"), QString(), tr(CFG_FILE_FILTER));
    if (strPath.isEmpty())
        return;
    const QString strResult = CCfgFileMgr::GetInstance()->NewCfg(strPath);
    if (strResult == QLatin1String(RESULT_OK)) {
        ImportWorkCfg(strPath);
        LOG_DEBUG().noquote() << "New Cfg File OK:" + strPath;
    } else {
        ShowInfoBox(strResult);
        LOG_DEBUG().noquote() << "New Cfg File Failed:" + strPath;
    }
}

void CWTMainWidget::slInputCfgFile()
{
    CCfgFileMgr *pCfg = CCfgFileMgr::GetInstance();
    CDlgFileSel objDialog(this, QStringLiteral("选择配置文件"), pCfg->GetCfgFilePath(), tr(CFG_FILE_FILTER));
    if (ExecDialog(&objDialog) != QDialog::Accepted)
        return;
    const QString strPath = objDialog.GetFilePath();
    if (strPath.isEmpty())
        return;
    ImportWorkCfg(strPath);
    // Even a file that failed to load becomes current, so the next start
    // tries it again.
    pCfg->SetCfgFilePath(strPath);
}

void CWTMainWidget::slSaveCfgFile()
{
    SaveCfgFile();
}

void CWTMainWidget::slSaveOtherCfgFile()
{
    const QString strPath = AskSaveFileName(this, QStringLiteral("另存为配置文件"), QString(), tr(CFG_FILE_FILTER));
    if (strPath.isEmpty())
        return;
    CCfgFileMgr *pCfg = CCfgFileMgr::GetInstance();
    if (pCfg->SaveCfg(strPath)) {
        pCfg->SetCfgFilePath(strPath);
        ShowInfoBox(QStringLiteral("配置文件另存成功， 当前配置路径已切换至新路径！"));
        LOG_DEBUG().noquote() << "Save Other Cfg File OK:" + strPath;
    } else {
        ShowInfoBox(QStringLiteral("配置文件另存失败！"));
        LOG_DEBUG().noquote() << "Save Other Cfg File Failed:" + strPath;
    }
}

void CWTMainWidget::slChangeLanguage(LANGUAGE language)
{
    g_nCurrLanguage = language;
    QSettings objSettings(QStringLiteral("./user.ini"), QSettings::IniFormat);
    objSettings.setValue(QStringLiteral("config/LANG_ID"), QString::asprintf("%u", unsigned(g_nCurrLanguage)));
}

void CWTMainWidget::turnPage(int current_page)
{
    if (current_page < 0 || current_page >= m_pStackedWidget->count())
        return;
    m_pStackedWidget->setCurrentIndex(current_page);
}

void CWTMainWidget::closeEvent(QCloseEvent *pEvent)
{
    if (CCfgFileMgr::GetInstance()->IsCfgChanged()) {
        if (!ShowQuestionBox(QStringLiteral("配置已修改，确认是否需要保存？"))) {
            LOG_DEBUG().noquote() << "Abandon Cfg Changed!";
        } else if (SaveCfgFile() == SAVE_FAILED) {
            // The user asked to keep the changes and the file did not take
            // them: closing now would throw them away.
            LOG_DEBUG().noquote() << "Exit Cancelled: Cfg Not Saved!";
            pEvent->ignore();
            return;
        }
    }
    ReleaseProcessObjects();
    QMainWindow::closeEvent(pEvent);
    LOG_DEBUG().noquote() << "Exit APP!";
}

void CWTMainWidget::paintEvent(QPaintEvent *pEvent)
{
    QPainter objPainter(this);
    objPainter.drawPixmap(QRect(0, 0, width(), 100), QPixmap(QStringLiteral(":/skin/18_big")));
    QMainWindow::paintEvent(pEvent);
}

void CWTMainWidget::ImportDefaultCfg()
{
    const QString strPath = CCfgFileMgr::GetInstance()->GetCfgFilePath();
    if (strPath.isEmpty()) {
        LOG_DEBUG().noquote() << "Empty Cfg File!";
        return;
    }
    ImportWorkCfg(strPath);
}

void CWTMainWidget::ImportWorkCfg(const QString &strPath)
{
    const QString strResult = CCfgFileMgr::GetInstance()->ImportCfgFile(strPath);
    if (strResult != QLatin1String(RESULT_OK)) {
        ShowInfoBox(strResult);
        LOG_DEBUG().noquote() << "Import Cfg File Failed:" + strPath << strResult;
        return;
    }
    LOG_DEBUG().noquote() << "Import Cfg File XML:" + strPath << strResult;
    if (QFileInfo(strPath).size() < LARGE_PROJECT_BYTES) {
        CDeviceMgr::LoadDevices();
    } else {
        CDeviceMgr::ResetLoad();
        m_pLoadTimer->start(1);
        CDlgProgress objProgress(QStringLiteral("工作配置加载中"), this);
        connect(this, &CWTMainWidget::siCfgLoadProgress, &objProgress, &CDlgProgress::slProgressChanged);
        ExecDialog(&objProgress);
    }
    LOG_DEBUG().noquote() << "Import Cfg File OK:" + strPath;
}

CWTMainWidget::SAVE_RESULT_EN CWTMainWidget::SaveCfgFile()
{
    CCfgFileMgr *pCfg = CCfgFileMgr::GetInstance();
    QString strPath = pCfg->GetCfgFilePath();
    if (strPath.isEmpty()) {
        strPath = AskSaveFileName(this, QStringLiteral("保存配置文件"), QString(), tr(CFG_FILE_FILTER));
        if (strPath.isEmpty())
            return SAVE_CANCELLED;
    }
    if (!pCfg->SaveCfg(strPath)) {
        ShowInfoBox(QStringLiteral("配置文件更新失败！"));
        LOG_DEBUG().noquote() << "Save Cfg File Failed:" + strPath;
        return SAVE_FAILED;
    }
    pCfg->SetCfgFilePath(strPath);
    ShowInfoBox(QStringLiteral("配置文件更新成功！"));
    LOG_DEBUG().noquote() << "Save Cfg File OK:" + strPath;
    return SAVE_DONE;
}

void CWTMainWidget::ReleaseProcessObjects()
{
    LOG_DEBUG().noquote() << "Exiting APP...";
    CDeviceMgr::DestroyInstance();
    CPortMgr::DestroyInstance();
    CDlgLinkDataCurve::DestroyInstance();
    m_bReleased = true;
}
