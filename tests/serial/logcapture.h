#ifndef LOGCAPTURE_H
#define LOGCAPTURE_H

// Collects the log messages of every thread while it exists, so tests can
// check the diagnostic lines a failure must leave.

#include <QElapsedTimer>
#include <QMutex>
#include <QStringList>
#include <QTest>

class CLogCapture
{
public:
    CLogCapture() { { QMutexLocker objLocker(&Lock()); Active() = this; } m_pfnPrev = qInstallMessageHandler(&Handler); }
    ~CLogCapture() { qInstallMessageHandler(m_pfnPrev); QMutexLocker objLocker(&Lock()); Active() = nullptr; }

    void Clear() { QMutexLocker objLocker(&Lock()); m_lstLines.clear(); }
    // Lines holding the label and the name.
    int Count(const QString &strLabel, const QString &strName = QString()) const
    {
        QMutexLocker objLocker(&Lock());
        int nCount = 0;
        for (const QString &strLine : m_lstLines)
            nCount += (strLine.contains(strLabel) && strLine.contains(strName)) ? 1 : 0;
        return nCount;
    }
    bool Has(const QString &strLabel, const QString &strName = QString()) const { return Count(strLabel, strName) > 0; }
    // Waits, processing events, until such a line exists.
    bool WaitFor(const QString &strLabel, const QString &strName, int nTimeoutMs = 5000) const
    {
        QElapsedTimer objTimer;
        objTimer.start();
        while (!Has(strLabel, strName) && objTimer.elapsed() < nTimeoutMs)
            QTest::qWait(5);
        return Has(strLabel, strName);
    }

private:
    static void Handler(QtMsgType, const QMessageLogContext &, const QString &strMsg)
    {
        QMutexLocker objLocker(&Lock());
        if (Active() != nullptr)
            Active()->m_lstLines.append(strMsg);
    }
    static QMutex &Lock() { static QMutex s_objLock; return s_objLock; }
    static CLogCapture *&Active() { static CLogCapture *s_pActive = nullptr; return s_pActive; }

    QtMessageHandler m_pfnPrev = nullptr;
    QStringList m_lstLines;
};

#endif // LOGCAPTURE_H
