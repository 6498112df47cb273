#ifndef LOGCAPTURE_H
#define LOGCAPTURE_H

// Collects every log message of every thread while it exists, so tests can
// check the diagnostic lines a failure must leave.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QTest>

class CLogCapture
{
public:
    CLogCapture()
    {
        QMutexLocker objLocker(&Lock());
        Active() = this;
        m_pfnPrev = qInstallMessageHandler(&CLogCapture::Handler);
    }
    ~CLogCapture()
    {
        qInstallMessageHandler(m_pfnPrev);
        QMutexLocker objLocker(&Lock());
        Active() = nullptr;
    }

    QStringList Lines() const
    {
        QMutexLocker objLocker(&Lock());
        return m_lstLines;
    }
    void Clear()
    {
        QMutexLocker objLocker(&Lock());
        m_lstLines.clear();
    }
    // Lines holding the label and (when given) the name.
    int Count(const QString &strLabel, const QString &strName = QString()) const
    {
        int nCount = 0;
        for (const QString &strLine : Lines()) {
            if (strLine.contains(strLabel) && (strName.isEmpty() || strLine.contains(strName)))
                ++nCount;
        }
        return nCount;
    }
    bool Has(const QString &strLabel, const QString &strName = QString()) const
    {
        return Count(strLabel, strName) > 0;
    }
    // Waits, processing events, until such a line exists.
    bool WaitFor(const QString &strLabel, const QString &strName = QString(), int nTimeoutMs = 5000) const
    {
        QElapsedTimer objTimer;
        objTimer.start();
        while (!Has(strLabel, strName)) {
            if (objTimer.elapsed() > nTimeoutMs)
                return false;
            QTest::qWait(5);
        }
        return true;
    }

private:
    static void Handler(QtMsgType, const QMessageLogContext &, const QString &strMsg)
    {
        QMutexLocker objLocker(&Lock());
        if (Active() != nullptr)
            Active()->m_lstLines.append(strMsg);
    }
    static QMutex &Lock()
    {
        static QMutex s_objLock;
        return s_objLock;
    }
    static CLogCapture *&Active()
    {
        static CLogCapture *s_pActive = nullptr;
        return s_pActive;
    }

    QtMessageHandler m_pfnPrev = nullptr;
    QStringList m_lstLines;
};

#endif // LOGCAPTURE_H
