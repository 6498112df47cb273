#ifndef CDEVICEMGR_H
#define CDEVICEMGR_H

// The registry of all devices: creates masters and slaves, keeps names unique,
// one device per link and address and one device type per link, renames,
// moves and deletes devices, and loads the devices of a project (also step by
// step for a progress dialog). Every change is announced by a signal.

#include <QList>
#include <QObject>
#include <QString>

class CDeviceBase;

// Key information of a device as the change dialog passes it.
struct DEVICE_KEY_INFO_S
{
    QString strName;
    QString strPortName;
    quint16 nAddr = 0;
};

class CDeviceMgr : public QObject
{
    Q_OBJECT

public:
    static CDeviceMgr *GetInstance();
    static void DestroyInstance();

    static QString AddDevice(const QString &strName, const QString &strPortName, quint16 nType, quint16 nStartAddr,
                             quint16 nEndAddr);
    static QString DelDevice(const QList<QString> &objNames);
    static QString ChangeDeviceInfo(const DEVICE_KEY_INFO_S &stOldInfo, const DEVICE_KEY_INFO_S &stNewInfo);
    static QString ChangeDevicePort(const QString &strName, const QString &strNewPort);
    static CDeviceBase *GetDevice(const QString &strName);
    static QString GetDeviceName(const QString &strPortName, quint16 nAddr);
    static QList<CDeviceBase *> GetDeviceList();
    static void ClearDevices();
    static void LoadDevices();
    static int LoadDevicesStep();
    static void ResetLoad();

signals:
    void siNewDevice(const QString &strDeviceName);
    void siDelDevice(const QList<QString> &objDevicesName);
    void siDeviceNameChanged(const QString &strDeviceName, const QString &strNewName);
    void siDeviceStateChanged(const QString &strDeviceName, quint16 nState);

private:
    CDeviceMgr() = default;
    ~CDeviceMgr() override;

    CDeviceBase *FindDevice(const QString &strName) const;
    CDeviceBase *FindDevice(const QString &strPortName, quint16 nAddr) const;
    // True when some device on the link has a type other than nType.
    bool PortHasOtherType(const QString &strPortName, quint16 nType) const;

    static CDeviceMgr *s_pInstance;

    QList<CDeviceBase *> m_lstDevice;
    int m_nLoadPos = 0;    // position in the configuration's device table
    int m_nLoadCount = -1; // -1 while no stepwise load is under way
};

#endif // CDEVICEMGR_H
