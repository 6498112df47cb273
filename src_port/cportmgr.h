#ifndef CPORTMGR_H
#define CPORTMGR_H

// Registry of link objects by name. Devices register by link name and work
// mode; the first registration creates and starts the link, the last
// unregistration stops and deletes it. A parameter change rebuilds a link in
// use. The raw-frame and open-state signals of every link are forwarded here,
// so observers connect to one object only.

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

#include "linkdefine.h"

class CPortBase;

class CPortMgr : public QObject
{
    Q_OBJECT

public:
    // Creates the instance on first use and connects it to the parameter
    // stores' change signals. GUI thread, as every operation here.
    static CPortMgr *GetInstance();
    static void DestroyInstance();

    // The link of that name, created and started on first registration; null
    // when the link serves the other work mode or cannot be made.
    static CPortBase *RegisterPort(const QString &strName, unsigned short nWorkMode);
    static void UnregisterPort(const QString &strName);
    // Look-up without counting; null when no link serves the name.
    static CPortBase *GetPort(const QString &strName);
    // Names of all registered links in name order.
    static QStringList GetPortNames();
    // Registrations held for the name: the devices sharing its link (0 when none).
    static int GetRegCount(const QString &strName);
    // A new, unstarted link of the class the name and parameters call for,
    // with its signals forwarded by the manager; null for an unknown link mode.
    static CPortBase *CreatNetPort(const QString &strName, unsigned short nWorkMode);

public slots:
    void slPortParaChanged(QString strPortName);

signals:
    void siRecvDataRaw(QString strPortName, quint16 nAddr, LINK_PROC_ERR_EN enType, QByteArray objRevcData);
    void siPortState(QString strPortName, bool bIsOpen);
    // The link object of that name was replaced or is gone: look it up again.
    void siPortObjChanged(QString strPortName);

private:
    CPortMgr();
    ~CPortMgr() override;

    struct PORT_ENTRY_S
    {
        CPortBase *pPort = nullptr; // owned
        int nRefCount = 0;
    };

    CPortBase *DoRegisterPort(const QString &strName, unsigned short nWorkMode);
    void DoUnregisterPort(const QString &strName);
    CPortBase *DoCreatPort(const QString &strName, unsigned short nWorkMode);

    QMap<QString, PORT_ENTRY_S> m_mapPorts;
    static CPortMgr *s_pInstance;
};

#endif // CPORTMGR_H
