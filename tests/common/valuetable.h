#ifndef VALUETABLE_H
#define VALUETABLE_H

// Stands in for a device's data view in tests: answers siGetDeviceData from a
// table of value texts and stores what siRefreshDeviceData publishes. Lives in
// the GUI thread, connected directly, as the view is.

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>

#include "cdevicebase.h"

class CValueTable : public QObject
{
public:
    struct REFRESH_S
    {
        quint32 nDataID;
        QString strValue;
    };
    struct CURVE_S
    {
        quint32 nDataID;
        double fValue;
    };
    // Computes a value instead of the table (like a simulated point); when it
    // leaves bHandled false the table answers.
    using ProviderFn = std::function<QString(const QString &strDeviceName, quint32 nDataID, bool &bHandled)>;

    // Serves one device; its name is checked on every call, as the view does.
    void Attach(CDeviceBase *pDevice)
    {
        m_strDeviceName = pDevice->GetName();
        connect(pDevice, &CDeviceBase::siGetDeviceData, this, &CValueTable::Get, Qt::DirectConnection);
        connect(pDevice, &CDeviceBase::siRefreshDeviceData, this,
                [this](const QString &strDevice, quint32 nDataID, const QString &strValue) {
                    m_objRefreshes.append({nDataID, strValue});
                    if (strDevice == m_strDeviceName)
                        m_objValues.insert(nDataID, strValue);
                }, Qt::DirectConnection);
        connect(pDevice, &CDeviceBase::siRefreshDeviceCurveData, this,
                [this](const QString &, const QString &, quint32 nDataID, const double &fValue) {
                    m_objCurves.append({nDataID, fValue});
                }, Qt::DirectConnection);
    }
    void Set(quint32 nDataID, const QString &strValue) { m_objValues.insert(nDataID, strValue); }
    QString Value(quint32 nDataID) const { return m_objValues.value(nDataID); }
    bool Has(quint32 nDataID) const { return m_objValues.contains(nDataID); }
    void SetProvider(ProviderFn fnProvider) { m_fnProvider = std::move(fnProvider); }
    // Every publication, in order.
    const QList<REFRESH_S> &Refreshes() const { return m_objRefreshes; }
    const QList<CURVE_S> &Curves() const { return m_objCurves; }

    QString Get(const QString &strDeviceName, quint32 nDataID)
    {
        if (strDeviceName != m_strDeviceName)
            return QString();
        bool bHandled = false;
        const QString strValue = m_fnProvider ? m_fnProvider(strDeviceName, nDataID, bHandled) : QString();
        return bHandled ? strValue : m_objValues.value(nDataID);
    }

private:
    QString m_strDeviceName;
    QHash<quint32, QString> m_objValues;
    QList<REFRESH_S> m_objRefreshes;
    QList<CURVE_S> m_objCurves;
    ProviderFn m_fnProvider;
};

#endif // VALUETABLE_H
