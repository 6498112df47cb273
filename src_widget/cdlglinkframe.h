#ifndef CDLGLINKFRAME_H
#define CDLGLINKFRAME_H

// The frame log: a dock that prints every frame the links send or receive
// (time stamp, link, result kind, then the bytes in hex or as text) and can
// copy the same entries into a file in a chosen folder.

#include <QByteArray>
#include <QDockWidget>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

#include "linkdefine.h"

class QCheckBox;
class QFile;
class QPlainTextEdit;
class QTimer;

class CDlgLinkFrame : public QDockWidget
{
    Q_OBJECT

public:
    // The view keeps about this many entries, dropping the oldest: a busy link
    // fills it faster than anyone reads, and a view that grows without bound
    // makes every further entry slower. The storage file keeps them all.
    static const int MAX_VIEW_ENTRIES = 20000;
    static const int SHOW_INTERVAL_MS = 100;

    explicit CDlgLinkFrame(QWidget *pParent = nullptr);
    ~CDlgLinkFrame() override;

public slots:
    void slRecordLinkData(QString strPortName, quint16 nAddr, LINK_PROC_ERR_EN enType, QByteArray objLinkData);
    void slClearText();
    void slDesPathSel();
    void slTimerSaveCheck();
    void slLogSave();
    void slShowDlgFilterPort();
    void slRecvStateChanged(int nState);

private:
    // Entries reach the view together, at most every SHOW_INTERVAL_MS: each
    // addition repaints the view, which costs more than the entries do.
    void ShowPending();
    void CloseLogFile();

    QPlainTextEdit *m_pLogView = nullptr;
    QCheckBox *m_pRecv = nullptr;
    QCheckBox *m_pStore = nullptr;
    QCheckBox *m_pAscii = nullptr;
    QTimer *m_pTimer = nullptr;
    QTimer *m_pShowTimer = nullptr;
    std::unique_ptr<QFile> m_pLogFile;
    QList<QString> m_lstFilterPorts;
    int m_nTickCount = 0;
    QStringList m_lstPending;
    QMetaObject::Connection m_objRecvConn;
};

#endif // CDLGLINKFRAME_H
