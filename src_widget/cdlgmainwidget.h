#ifndef CDLGMAINWIDGET_H
#define CDLGMAINWIDGET_H

// The single top-level window: the title bar over the device list and the
// page stack, the frame log docked below; it runs the project commands, loads
// the last project at start and asks about unsaved changes on close.

#include <QMainWindow>

class CDlgCommTools;
class CDlgDeviceDataMgr;
class CDlgDeviceList;
class CDlgDeviceMgr;
class CDlgLinkCount;
class CDlgLinkFrame;
class CDlgSelfDef;
class CDlgWelcome;
class CWTitleWidget;
class QStackedWidget;
class QTimer;

// Windows language identifiers; only the storage of the choice is defined.
enum LANGUAGE : quint16
{
    LANGUAGE_CHINESE = 0x0804,
    LANGUAGE_ENGLISH = 0x0409,
};

class CWTMainWidget : public QMainWindow
{
    Q_OBJECT

public:
    explicit CWTMainWidget(QWidget *pParent = nullptr);
    // Stops every link if the window was not closed first (the event loop was
    // ended some other way, as on SIGTERM).
    ~CWTMainWidget() override;

signals:
    void siCfgLoadProgress(int nValue);

public slots:
    void slDeviceListShow(int bIsShow);
    void slFrameDataShow(int bIsShow);
    void slShowStatkedWidget(bool bIsShow);
    void slImportWorkCfg();
    void slNewCfgFile();
    void slInputCfgFile();
    void slSaveCfgFile();
    void slSaveOtherCfgFile();
    void slChangeLanguage(LANGUAGE language);
    void turnPage(int current_page);

protected:
    void closeEvent(QCloseEvent *pEvent) override;
    void paintEvent(QPaintEvent *pEvent) override;

private:
    enum SAVE_RESULT_EN
    {
        SAVE_DONE,
        SAVE_CANCELLED,
        SAVE_FAILED,
    };

    void ImportDefaultCfg();
    void ImportWorkCfg(const QString &strPath);
    SAVE_RESULT_EN SaveCfgFile();
    // Devices first, so they let go of their links, and their pages of the
    // curve window; then the links; then the curve window.
    void ReleaseProcessObjects();

    QStackedWidget *m_pStackedWidget = nullptr;
    CWTitleWidget *m_pTitleWidget = nullptr;
    CDlgDeviceMgr *m_pDeviceMgr = nullptr;
    CDlgDeviceDataMgr *m_pDeviceDataMgr = nullptr;
    CDlgLinkFrame *m_pLinkFrame = nullptr;
    CDlgSelfDef *m_pSelfDef = nullptr;
    CDlgLinkCount *m_pLinkCount = nullptr;
    CDlgCommTools *m_pCommTools = nullptr;
    CDlgWelcome *m_pWelcome = nullptr;
    CDlgDeviceList *m_pDeviceList = nullptr;
    QTimer *m_pLoadTimer = nullptr;
    bool m_bReleased = false;
};

#endif // CDLGMAINWIDGET_H
