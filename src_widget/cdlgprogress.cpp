#include "cdlgprogress.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QTimer>

CDlgProgress::CDlgProgress(const QString &strTitle, QWidget *pParent)
    : QDialog(pParent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setModal(true);
    setFixedSize(400, 40);
    m_pBar = new QProgressBar(this);
    m_pBar->setRange(0, 100);
    m_pBar->setValue(0);
    m_pBar->setAlignment(Qt::AlignCenter);
    m_pBar->setFormat(strTitle + QStringLiteral(": %p%"));
    auto *pLayout = new QHBoxLayout(this);
    pLayout->addWidget(m_pBar);
}

int CDlgProgress::GetValue() const
{
    return m_pBar->value();
}

void CDlgProgress::slProgressChanged(int nValue)
{
    m_pBar->setValue(qMin(nValue, 100));
    if (nValue < 100)
        return;
    m_bDone = true;
    accept();
}

void CDlgProgress::showEvent(QShowEvent *pEvent)
{
    QDialog::showEvent(pEvent);
    // A load that ended before the dialog came up must not leave it open for
    // good: close once the dialog's own event loop runs.
    if (m_bDone)
        QTimer::singleShot(0, this, &QDialog::accept);
}
