#ifndef CDLGSELFDEF_H
#define CDLGSELFDEF_H

// The custom frame page: one frame page per device, showing the page of the
// device that is active in the main window.

#include "cdlgselfdefdevice.h"
#include "devicepagestack.h"

#include <QList>
#include <QString>
#include <QWidget>

class CDlgSelfDef : public QWidget
{
    Q_OBJECT

public:
    explicit CDlgSelfDef(QWidget *pParent = nullptr);

    // The page shown, null while no device is active.
    CDlgSelfDefDevice *GetCurrPage() const { return m_objPages.Current(); }

public slots:
    void slNewDevice(const QString &strDeviceName);
    void slDelDevice(const QList<QString> &objDevicesName);
    void slDeviceNameChanged(const QString &strDeviceName, const QString &strNewName);
    void slCurrActvDeviceChanged(const QString &strDeviceName);

private:
    CDevicePageStack<CDlgSelfDefDevice> m_objPages;
};

#endif // CDLGSELFDEF_H
