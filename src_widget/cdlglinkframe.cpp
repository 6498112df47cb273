#include "cdlglinkframe.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

#include "applog.h"
#include "cdlgsigsel.h"
#include "commonfunc.h"
#include "cportmgr.h"
#include "framelogtext.h"
#include "greenbutton.h"
#include "uiutils.h"

namespace {

QCheckBox *NewCheckBox(const QString &strText, int nWidth, QWidget *pParent)
{
    auto *pBox = new QCheckBox(strText, pParent);
    pBox->setFixedSize(nWidth, 30);
    return pBox;
}

} // namespace

CDlgLinkFrame::CDlgLinkFrame(QWidget *pParent) : QDockWidget(pParent)
{
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable
                | QDockWidget::DockWidgetFloatable);
    auto *pBody = new QWidget(this);

    auto *pClear = NewGreenButton(QStringLiteral("清空"), pBody, 100, 30);
    m_pLogView = new QPlainTextEdit(pBody);
    m_pLogView->setReadOnly(true);
    m_pLogView->setUndoRedoEnabled(false);
    m_pLogView->setStyleSheet(QStringLiteral("QPlainTextEdit{background-color:rgb(255,255,240);color:black;}"));
    m_pLogView->setPlaceholderText(GetDesktopPath());
    m_pRecv = NewCheckBox(QStringLiteral("接收"), 60, pBody);
    m_pStore = NewCheckBox(QStringLiteral("存储"), 70, pBody);
    m_pAscii = NewCheckBox(QStringLiteral("ASCII"), 70, pBody);
    auto *pPath = NewGreenButton(QStringLiteral("存储路径"), pBody, 100, 30);
    auto *pFilter = NewGreenButton(QStringLiteral("筛选端口"), pBody, 100, 30);
    m_pTimer = new QTimer(this);
    m_pShowTimer = new QTimer(this);
    m_pShowTimer->setSingleShot(true);
    m_pShowTimer->setInterval(SHOW_INTERVAL_MS);

    auto *pControls = new QVBoxLayout();
    pControls->setSpacing(10);
    pControls->setContentsMargins(5, 5, 5, 5);
    pControls->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (QWidget *pWidget : std::initializer_list<QWidget *>{m_pRecv, m_pAscii, m_pStore, pPath, pClear, pFilter})
        pControls->addWidget(pWidget);
    auto *pMain = new QHBoxLayout(pBody);
    pMain->setSpacing(10);
    pMain->setContentsMargins(10, 5, 10, 5);
    pMain->addLayout(pControls);
    pMain->addWidget(m_pLogView, 1);
    setWidget(pBody);

    connect(pClear, &QPushButton::clicked, this, &CDlgLinkFrame::slClearText);
    connect(pPath, &QPushButton::clicked, this, &CDlgLinkFrame::slDesPathSel);
    connect(pFilter, &QPushButton::clicked, this, &CDlgLinkFrame::slShowDlgFilterPort);
    connect(m_pRecv, &QCheckBox::stateChanged, this, &CDlgLinkFrame::slRecvStateChanged);
    connect(m_pStore, &QCheckBox::stateChanged, this, &CDlgLinkFrame::slLogSave);
    connect(m_pTimer, &QTimer::timeout, this, &CDlgLinkFrame::slTimerSaveCheck);
    connect(m_pShowTimer, &QTimer::timeout, this, &CDlgLinkFrame::ShowPending);
    m_pTimer->start(1000);
}

CDlgLinkFrame::~CDlgLinkFrame()
{
    CloseLogFile();
}

void CDlgLinkFrame::slRecordLinkData(QString strPortName, quint16, LINK_PROC_ERR_EN enType, QByteArray objLinkData)
{
    if (m_lstFilterPorts.contains(strPortName))
        return;
    const QString strEntry = MakeFrameLogEntry(QDateTime::currentDateTime(), strPortName, enType, objLinkData,
                                               m_pAscii->isChecked());
    if (m_pRecv->isChecked()) {
        m_lstPending.append(strEntry);
        if (!m_pShowTimer->isActive())
            m_pShowTimer->start();
    }
    if (m_pStore->isChecked() && m_pLogFile && m_pLogFile->isOpen()) {
        m_pLogFile->write(strEntry.toLatin1());
        m_pLogFile->write("\n", 1);
    }
}

void CDlgLinkFrame::ShowPending()
{
    if (m_lstPending.isEmpty())
        return;
    // More than the view keeps would only be added to be dropped again.
    if (m_lstPending.size() > MAX_VIEW_ENTRIES)
        m_lstPending.erase(m_lstPending.begin(), m_lstPending.end() - MAX_VIEW_ENTRIES);
    // One block per entry halves the blocks the view lays out; a line
    // separator still reads and copies back as a line break.
    for (QString &strEntry : m_lstPending)
        strEntry.replace(QLatin1Char('\n'), QChar(QChar::LineSeparator));
    m_pLogView->appendPlainText(m_lstPending.join(QLatin1Char('\n')));
    m_lstPending.clear();

    // The oldest entries go a tenth at a time: the view's own block limit
    // drops blocks on every append, which costs more than the append.
    QTextDocument *pDoc = m_pLogView->document();
    const int nExcess = pDoc->blockCount() - MAX_VIEW_ENTRIES;
    if (nExcess > MAX_VIEW_ENTRIES / 10) {
        QTextCursor objCursor(pDoc);
        objCursor.setPosition(pDoc->findBlockByNumber(nExcess).position(), QTextCursor::KeepAnchor);
        objCursor.removeSelectedText();
    }
}

void CDlgLinkFrame::slClearText()
{
    m_lstPending.clear();
    m_pLogView->clear();
}

void CDlgLinkFrame::slDesPathSel()
{
    QString strStart = m_pLogView->placeholderText();
    if (strStart.isEmpty())
        strStart = GetDesktopPath();
    const QString strFolder = AskExistingDirectory(this, QStringLiteral("请选择存储文件路径..."), strStart);
    if (strFolder.isEmpty()) {
        CloseLogFile();
        return;
    }
    m_pLogView->setPlaceholderText(strFolder);
}

void CDlgLinkFrame::slTimerSaveCheck()
{
    if (++m_nTickCount > 300) {
        slClearText();
        m_nTickCount = 0;
    }
    if (m_pStore->isChecked() && m_pLogFile && m_nTickCount % 10 == 0)
        m_pLogFile->flush();
}

void CDlgLinkFrame::slLogSave()
{
    if (!m_pStore->isChecked()) {
        CloseLogFile();
        return;
    }
    const QString strFolder = m_pLogView->placeholderText();
    if (strFolder.isEmpty() || !QDir(strFolder).exists()) {
        LOG_WARN() << QString::asprintf("File Path:%s", qPrintable(strFolder));
        ShowInfoBox(QStringLiteral("Invalid storage path."));
        return;
    }
    CloseLogFile();
    m_pLogFile.reset(new QFile(MakeFrameLogFileName(strFolder, QDateTime::currentDateTime())));
    if (!m_pLogFile->open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Text)) {
        LOG_WARN() << QString::asprintf("File Open Failed:%s", qPrintable(m_pLogFile->fileName()));
        ShowInfoBox(QStringLiteral("Storage file create failed."));
        m_pLogFile.reset();
    }
}

void CDlgLinkFrame::slShowDlgFilterPort()
{
    const QStringList lstPorts = CPortMgr::GetPortNames();
    QList<SIG_SEL_ITEM_S> lstItems;
    for (int i = 0; i < lstPorts.size(); ++i)
        lstItems.append({QString::asprintf("%d", i + 1), lstPorts.at(i), !m_lstFilterPorts.contains(lstPorts.at(i))});
    CDlgSigSel objDlg(QStringLiteral("选择需要屏蔽的端口"), lstItems, this);
    if (ExecDialog(&objDlg) != QDialog::Accepted)
        return;
    m_lstFilterPorts.clear();
    for (const SIG_SEL_ITEM_S &stItem : objDlg.GetItems()) {
        if (!stItem.bChecked)
            m_lstFilterPorts.append(stItem.strName);
    }
}

void CDlgLinkFrame::slRecvStateChanged(int nState)
{
    disconnect(m_objRecvConn);
    if (nState == Qt::Checked)
        m_objRecvConn = connect(CPortMgr::GetInstance(), &CPortMgr::siRecvDataRaw, this, &CDlgLinkFrame::slRecordLinkData);
}

void CDlgLinkFrame::CloseLogFile()
{
    if (m_pLogFile)
        m_pLogFile->close();
    m_pLogFile.reset();
}
