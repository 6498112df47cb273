#ifndef CDLGDEVICESEL_H
#define CDLGDEVICESEL_H

// Lets the user tick devices of the device manager, narrowed by device type
// and by link. Callers read GetSelDeviceNames() after an accepted
// ExecDialog; the device the dialog is opened for is never offered.

#include <QDialog>
#include <QList>
#include <QString>

#include "cdlgsigsel.h"

class CMTTableWidget;

class CDlgDeviceSel : public QDialog
{
    Q_OBJECT

public:
    // nType: bit mask of device types (1 masters, 2 slaves), -1 for all.
    CDlgDeviceSel(const QString &strExcludedName, qint16 nType, QWidget *pParent = nullptr);

    QList<QString> GetSelDeviceNames() const;
    CMTTableWidget *GetTable() const { return m_pTable; }

private slots:
    void slFilterType();
    void slFilterPort();

private:
    void ListDevices();
    // Runs the check list over lstItems; true (and lstItems updated) when accepted.
    bool AskFilter(const QString &strTitle, QList<SIG_SEL_ITEM_S> &lstItems);

    QString m_strExcludedName;
    QList<SIG_SEL_ITEM_S> m_lstTypes; // strNo holds the type value
    QList<SIG_SEL_ITEM_S> m_lstPorts; // strName holds the link name
    CMTTableWidget *m_pTable;
};

#endif // CDLGDEVICESEL_H
