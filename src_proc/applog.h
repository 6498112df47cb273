#ifndef APPLOG_H
#define APPLOG_H

// The monthly application log: every qDebug()/qWarning()/qCritical() of every
// thread ends up as one line in "Kestrix_Log_yyyyMM.txt" of the working directory.

#include <QDateTime>
#include <QDebug>
#include <functional>

void LogMessageHandler(QtMsgType enType, const QMessageLogContext &objContext, const QString &strMsg);

// Clock used for the time stamp and the file name; tests replace it to cross a
// month boundary. An empty function restores the system clock.
void SetLogTimeSource(std::function<QDateTime()> fnNow);

// Name of the log file for the month of the given time.
QString GetLogFileName(const QDateTime &objTime);

// Logging calls carry file, line and function even in release builds, where
// Qt would otherwise leave the context empty.
#define LOG_DEBUG() QMessageLogger(__FILE__, __LINE__, Q_FUNC_INFO).debug()
#define LOG_WARN() QMessageLogger(__FILE__, __LINE__, Q_FUNC_INFO).warning()
#define LOG_ERROR() QMessageLogger(__FILE__, __LINE__, Q_FUNC_INFO).critical()

#endif // APPLOG_H
