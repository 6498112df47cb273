#include "socatpair.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

CSocatPair::CSocatPair() = default;

CSocatPair::~CSocatPair()
{
    if (m_objProcess.state() != QProcess::NotRunning) {
        m_objProcess.terminate();
        if (!m_objProcess.waitForFinished(2000)) {
            m_objProcess.kill();
            m_objProcess.waitForFinished(2000);
        }
    }
}

QString CSocatPair::EndA() const
{
    return m_objDir.filePath(QStringLiteral("ttyA"));
}

QString CSocatPair::EndB() const
{
    return m_objDir.filePath(QStringLiteral("ttyB"));
}

bool CSocatPair::Start(int nTimeoutMs)
{
    if (!m_objDir.isValid())
        return false;
    const QStringList objArgs = {
        QStringLiteral("pty,raw,echo=0,link=%1").arg(EndA()),
        QStringLiteral("pty,raw,echo=0,link=%1").arg(EndB()),
    };
    m_objProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_objProcess.start(QStringLiteral("socat"), objArgs);
    if (!m_objProcess.waitForStarted(nTimeoutMs))
        return false;
    QElapsedTimer objTimer;
    objTimer.start();
    while (objTimer.elapsed() < nTimeoutMs) {
        if (QFileInfo::exists(EndA()) && QFileInfo::exists(EndB()))
            return true;
        if (m_objProcess.state() == QProcess::NotRunning)
            return false;
        QThread::msleep(10);
    }
    return false;
}
