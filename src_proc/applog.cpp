#include "applog.h"

#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

namespace {

QMutex &LogMutex()
{
    static QMutex objMutex;
    return objMutex;
}

// Guarded by its own mutex so a test can swap the clock while threads log.
QMutex &TimeSourceMutex()
{
    static QMutex objMutex;
    return objMutex;
}

std::function<QDateTime()> &TimeSource()
{
    static std::function<QDateTime()> fnNow;
    return fnNow;
}

QDateTime LogNow()
{
    QMutexLocker objLock(&TimeSourceMutex());
    if (TimeSource())
        return TimeSource()();
    return QDateTime::currentDateTime();
}

// From the last path separator on, separator included; empty when there is
// none or it stands first (a bare "/x.cpp" carries no useful directory cut).
QString SourcePart(const char *pFile)
{
    if (pFile == nullptr)
        return QString();
    const QString strFile = QString::fromUtf8(pFile);
    const int nPos = strFile.lastIndexOf(QLatin1Char('/'));
    if (nPos >= 1)
        return strFile.mid(nPos);
    return QString();
}

} // namespace

void SetLogTimeSource(std::function<QDateTime()> fnNow)
{
    QMutexLocker objLock(&TimeSourceMutex());
    TimeSource() = std::move(fnNow);
}

QString GetLogFileName(const QDateTime &objTime)
{
    return QStringLiteral("Kestrix_Log_") + objTime.toString(QStringLiteral("yyyyMM")) + QStringLiteral(".txt");
}

void LogMessageHandler(QtMsgType enType, const QMessageLogContext &objContext, const QString &strMsg)
{
    const QDateTime objNow = LogNow();

    // QtInfoMsg (4) sorts after QtFatalMsg (3): informational messages are dropped.
    if (enType < QtDebugMsg || enType > QtFatalMsg)
        return;
    if (enType == QtFatalMsg) {
        // Nothing goes to the log file: the process may be in no state to write it.
        const QByteArray objText = QStringLiteral("Fatal: %1\n").arg(strMsg).toLocal8Bit();
        fputs(objText.constData(), stderr);
        std::abort();
    }

    const QString strLine = objNow.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) + QLatin1Char(' ')
        + SourcePart(objContext.file) + QLatin1Char(':') + QString::asprintf("%d", objContext.line)
        + QStringLiteral(" :: ") + strMsg;
    const QString strFileName = GetLogFileName(objNow);

    QMutexLocker objLock(&LogMutex());
    QFile objFile(strFileName);
    if (!objFile.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return;
    QTextStream objStream(&objFile);
    objStream.setCodec("UTF-8");
    objStream << strLine << Qt::endl;
    objStream.flush();
    objFile.close();
}
