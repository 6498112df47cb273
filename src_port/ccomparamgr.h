#ifndef CCOMPARAMGR_H
#define CCOMPARAMGR_H

// The serial parameter store: one record per serial port ever seen, kept in
// the project's configuration store. Every change of a record is announced so
// that the link manager rebuilds the link of that port.

#include <QList>
#include <QObject>
#include <QString>

#include "portparadefine.h"

class CComParaMgr : public QObject
{
    Q_OBJECT

public:
    static CComParaMgr *GetInstance();

    // Marks the records of the ports this machine has now (present 1) and
    // appends a record with defaults for every port seen for the first time.
    // Records are never removed. GUI thread.
    static void RefreshComList();
    // The store's list itself (for the management page). GUI thread.
    static QList<COM_PARA_DATA_S> &GetComParaList();
    // Copies the record of that port; false when there is none. Any thread.
    static bool GetComPara(const QString &strName, COM_PARA_DATA_S &stOut);
    // Replaces the record of the same port name and announces the change;
    // false ("Invalid COM Port:") when no record has that name. GUI thread.
    static bool SetComPara(const COM_PARA_DATA_S &stPara);
    // Takes in a port the enumeration does not list, named by its path (a
    // virtual pair's end): a record with defaults is appended, or the
    // existing one marked present. False when no such terminal device exists
    // now. GUI thread.
    static bool AddComPort(const QString &strName);

signals:
    void siCOMParaChanged(QString strCOMName);

private:
    CComParaMgr() = default;
};

#endif // CCOMPARAMGR_H
