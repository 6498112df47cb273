#ifndef CDLGDEVICEDATAMGR_H
#define CDLGDEVICEDATAMGR_H

// Holds one data page per device, shows the page of the active device (or
// none) and relays what one page asks of another: reload after its points
// were overwritten by a copy, and batch operations started on several masters.

#include "cdlgdevicedatabase.h"
#include "devicepagestack.h"

#include <QList>
#include <QString>
#include <QWidget>

class CDlgDeviceDataMgr : public QWidget
{
    Q_OBJECT

public:
    explicit CDlgDeviceDataMgr(QWidget *pParent = nullptr);

    CDlgDeviceDataBase *GetPage(const QString &strDeviceName) const { return m_objPages.Get(strDeviceName); }
    CDlgDeviceDataBase *GetCurrentPage() const { return m_objPages.Current(); }

signals:
    void siDeviceEditing(const QString &strDeviceName, bool bIsEditing);

public slots:
    void slNewDevice(const QString &strDeviceName);
    void slDelDevice(const QList<QString> &objDevicesName);
    void slDeviceNameChanged(const QString &strDeviceName, const QString &strNewName);
    void slDeviceStateChanged(const QString &strDeviceName, quint16 nState);
    void slCurrActvDeviceChanged(const QString &strDeviceName);
    bool slIsEditing(const QString &strDeviceName);
    void slSynDataCfg(const QString &strDeviceName);
    void slSynDeviceOper(const QString &strDeviceName, quint16 nOper, bool bStart, bool bCycle);

private:
    CDevicePageStack<CDlgDeviceDataBase> m_objPages;
};

#endif // CDLGDEVICEDATAMGR_H
