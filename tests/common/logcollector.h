#ifndef LOGCOLLECTOR_H
#define LOGCOLLECTOR_H

#include <QStringList>
#include <QtGlobal>
#include <atomic>
#include <mutex>

// Every log line of every thread, for the tests that check a log text.
class CLogCollector
{
public:
    CLogCollector()
    {
        s_pActive = this;
        m_pPrevious = qInstallMessageHandler(&CLogCollector::Handler);
    }
    ~CLogCollector()
    {
        qInstallMessageHandler(m_pPrevious);
        s_pActive = nullptr;
    }
    bool Has(const QString &strText)
    {
        std::lock_guard<std::mutex> objLock(m_objLock);
        for (const QString &strLine : m_lstLines) {
            if (strLine.contains(strText))
                return true;
        }
        return false;
    }

private:
    static void Handler(QtMsgType, const QMessageLogContext &, const QString &strMsg)
    {
        CLogCollector *pActive = s_pActive;
        if (pActive == nullptr)
            return;
        std::lock_guard<std::mutex> objLock(pActive->m_objLock);
        pActive->m_lstLines.append(strMsg);
    }

    static inline std::atomic<CLogCollector *> s_pActive{nullptr};
    QtMessageHandler m_pPrevious = nullptr;
    std::mutex m_objLock;
    QStringList m_lstLines;
};

#endif // LOGCOLLECTOR_H
