#ifndef CDLGPARASET_H
#define CDLGPARASET_H

// Edits a device's advanced protocol attributes (leading zero, address
// offset, broadcast addresses, read packing and gaps, single-write function
// codes, broadcast device) and picks further devices of the same kind to get
// the same settings. After an accepted ExecDialog the caller applies
// GetParaAttr() to the device and to every name of GetSynDevices().

#include <QDialog>
#include <QList>
#include <QString>

#include "cfgdefine.h"

class CMTTableWidget;

class CDlgParaSet : public QDialog
{
    Q_OBJECT

public:
    // nDeviceType 1 (master) shows the read and write rows, any other kind
    // the broadcast addresses.
    CDlgParaSet(const QString &strTitle, const QString &strDeviceName, quint16 nDeviceType,
                const DEVICE_COMMON_ATTR_S &objAttr, QWidget *pParent = nullptr);

    // The attributes given, with the rows as edited; a number that does not
    // convert gives 0.
    DEVICE_COMMON_ATTR_S GetParaAttr() const;
    QList<QString> GetSynDevices() const { return m_lstSynDevices; }
    CMTTableWidget *GetTable() const { return m_pTable; }

public slots:
    void slSynDevice();

private:
    CMTTableWidget *m_pTable;
    QList<QString> m_lstSynDevices;
    quint16 m_nDeviceType;
    QString m_strDeviceName;
    DEVICE_COMMON_ATTR_S m_objAttr;
};

#endif // CDLGPARASET_H
