#ifndef CNETPARAMGR_H
#define CNETPARAMGR_H

// Network link parameters, one record per link name. The records themselves
// live in the configuration store (they are saved with the project); this
// store hands out defaults for names without a record, refuses settings that
// would make two links fight over one local port, and announces changes so
// the link manager rebuilds the link.

#include <QList>
#include <QObject>
#include <QString>

#include "portparadefine.h"

class CNetParaMgr : public QObject
{
    Q_OBJECT

public:
    // Created on first use and never destroyed.
    static CNetParaMgr *GetInstance();

    // The store's list (GUI thread only).
    static QList<NET_PARA_DATA_S> &GetNetParaList();
    // Copies the record of that name, or fills the defaults for a name without
    // record; true in both cases. Also called from link worker threads.
    static bool GetNetPara(const QString &strNetName, NET_PARA_DATA_S &stPara);
    // False, with nothing changed, when the record conflicts with another one.
    // Overwriting an existing record emits siNETParaChanged; adding does not.
    static bool SetNetPara(const NET_PARA_DATA_S &stPara);
    // False when no record of that name exists.
    static bool DelNetPara(const QString &strNetName);

signals:
    void siNETParaChanged(QString strNetName);

private:
    explicit CNetParaMgr(QObject *parent = nullptr);
};

#endif // CNETPARAMGR_H
