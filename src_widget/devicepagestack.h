#ifndef DEVICEPAGESTACK_H
#define DEVICEPAGESTACK_H

// One page per device in a host widget, at most one of them shown: the
// bookkeeping the data pages and the custom frame pages share. Callers log
// and decide what a missing page means; this only keeps pages and visibility.

#include <QHBoxLayout>
#include <QHash>
#include <QList>
#include <QString>
#include <QWidget>

template <class Page>
class CDevicePageStack
{
public:
    explicit CDevicePageStack(QWidget *pHost) : m_pLayout(new QHBoxLayout(pHost))
    {
        m_pLayout->setSpacing(0);
        m_pLayout->setContentsMargins(0, 0, 0, 0);
    }

    Page *Get(const QString &strDeviceName) const { return m_mapPages.value(strDeviceName); }
    Page *Current() const { return m_pCurrPage; }
    bool Contains(const QString &strDeviceName) const { return m_mapPages.contains(strDeviceName); }

    // Pages start hidden; they are shown when their device becomes active.
    void Add(const QString &strDeviceName, Page *pPage)
    {
        pPage->hide();
        m_mapPages.insert(strDeviceName, pPage);
        m_pLayout->addWidget(pPage);
    }

    void Remove(const QList<QString> &lstDeviceNames)
    {
        for (const QString &strName : lstDeviceNames) {
            Page *pPage = m_mapPages.take(strName);
            if (pPage == nullptr)
                continue;
            if (pPage == m_pCurrPage) {
                pPage->hide();
                m_pCurrPage = nullptr;
            }
            m_pLayout->removeWidget(pPage);
            delete pPage;
        }
    }

    // The page now filed under the new name, or null when the old name had none.
    Page *Rename(const QString &strOldName, const QString &strNewName)
    {
        Page *pPage = m_mapPages.take(strOldName);
        if (pPage != nullptr)
            m_mapPages.insert(strNewName, pPage);
        return pPage;
    }

    // An empty name hides the current page. Returns false, changing nothing,
    // when a named device has no page.
    bool Show(const QString &strDeviceName)
    {
        Page *pPage = strDeviceName.isEmpty() ? nullptr : m_mapPages.value(strDeviceName);
        if (pPage == nullptr && !strDeviceName.isEmpty())
            return false;
        if (m_pCurrPage != nullptr && m_pCurrPage != pPage)
            m_pCurrPage->hide();
        m_pCurrPage = pPage;
        if (pPage != nullptr)
            pPage->show();
        return true;
    }

private:
    QHBoxLayout *m_pLayout;
    QHash<QString, Page *> m_mapPages;
    Page *m_pCurrPage = nullptr;
};

#endif // DEVICEPAGESTACK_H
