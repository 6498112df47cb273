#ifndef LOGCAPTURE_H
#define LOGCAPTURE_H

// Collects the log messages of every thread while it exists, so tests can
// check the diagnostic lines a failure must leave.

#include <QElapsedTimer>
#include <QStringList>
#include <QTest>
#include <mutex>

class CLogCapture
{
public:
    CLogCapture() { { std::lock_guard<std::mutex> objLocker(Lock()); Active() = this; } m_pfnPrev = qInstallMessageHandler(&Handler); }
    ~CLogCapture() { qInstallMessageHandler(m_pfnPrev); std::lock_guard<std::mutex> objLocker(Lock()); Active() = nullptr; }

    void Clear() { std::lock_guard<std::mutex> objLocker(Lock()); m_lstLines.clear(); }
    // Lines holding the label and the name.
    int Count(const QString &strLabel, const QString &strName = QString()) const
    {
        std::lock_guard<std::mutex> objLocker(Lock());
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
        std::lock_guard<std::mutex> objLocker(Lock());
        if (Active() != nullptr)
            Active()->m_lstLines.append(strMsg);
    }
    // std::mutex rather than QMutex: ThreadSanitizer sees its ordering.
    static std::mutex &Lock() { static std::mutex s_objLock; return s_objLock; }
    static CLogCapture *&Active() { static CLogCapture *s_pActive = nullptr; return s_pActive; }

    QtMessageHandler m_pfnPrev = nullptr;
    QStringList m_lstLines;
};

#endif // LOGCAPTURE_H
