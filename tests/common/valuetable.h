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
        QString strDeviceName;
        quint32 nDataID;
        QString strValue;
    };
    struct CURVE_S
    {
        QString strDeviceName;
        QString strDataName;
        quint32 nDataID;
        double fValue;
    };
    // Computes a value instead of the table (like a simulated point); when it
    // leaves bHandled false the table answers. A computed value is stored.
    using ProviderFn = std::function<QString(const QString &strDeviceName, quint32 nDataID, bool &bHandled)>;

    explicit CValueTable(QObject *parent = nullptr) : QObject(parent) {}

    // Serves one device: its name is checked on every call, as the view does.
    void Attach(CDeviceBase *pDevice)
    {
        connect(pDevice, &CDeviceBase::siGetDeviceData, this, &CValueTable::Get, Qt::DirectConnection);
        connect(pDevice, &CDeviceBase::siRefreshDeviceData, this, &CValueTable::OnRefresh, Qt::DirectConnection);
        connect(pDevice, &CDeviceBase::siRefreshDeviceCurveData, this, &CValueTable::OnCurve, Qt::DirectConnection);
        m_strDeviceName = pDevice->GetName();
    }
    // The device was renamed.
    void SetDeviceName(const QString &strName) { m_strDeviceName = strName; }

    void Set(quint32 nDataID, const QString &strValue) { m_objValues.insert(nDataID, strValue); }
    void Remove(quint32 nDataID) { m_objValues.remove(nDataID); }
    void Clear()
    {
        m_objValues.clear();
        m_objRefreshes.clear();
        m_objCurves.clear();
    }
    QString Value(quint32 nDataID) const { return m_objValues.value(nDataID); }
    bool Has(quint32 nDataID) const { return m_objValues.contains(nDataID); }
    void SetProvider(ProviderFn fnProvider) { m_fnProvider = std::move(fnProvider); }

    // Every publication in order, and how often values were asked for.
    const QList<REFRESH_S> &Refreshes() const { return m_objRefreshes; }
    const QList<CURVE_S> &Curves() const { return m_objCurves; }
    int AskCount() const { return m_nAskCount; }
    void ClearLog()
    {
        m_objRefreshes.clear();
        m_objCurves.clear();
        m_nAskCount = 0;
    }

    QString Get(const QString &strDeviceName, quint32 nDataID)
    {
        ++m_nAskCount;
        if (strDeviceName != m_strDeviceName)
            return QString();
        if (m_fnProvider) {
            bool bHandled = false;
            const QString strValue = m_fnProvider(strDeviceName, nDataID, bHandled);
            if (bHandled) {
                m_objValues.insert(nDataID, strValue);
                return strValue;
            }
        }
        return m_objValues.value(nDataID);
    }

private:
    void OnRefresh(const QString &strDeviceName, quint32 nDataID, const QString &strValue)
    {
        m_objRefreshes.append({strDeviceName, nDataID, strValue});
        if (strDeviceName == m_strDeviceName)
            m_objValues.insert(nDataID, strValue);
    }
    void OnCurve(const QString &strDeviceName, const QString &strDataName, quint32 nDataID, const double &fValue)
    {
        m_objCurves.append({strDeviceName, strDataName, nDataID, fValue});
    }

    QString m_strDeviceName;
    QHash<quint32, QString> m_objValues;
    QList<REFRESH_S> m_objRefreshes;
    QList<CURVE_S> m_objCurves;
    ProviderFn m_fnProvider;
    int m_nAskCount = 0;
};

#endif // VALUETABLE_H
