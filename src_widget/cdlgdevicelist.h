#ifndef CDLGDEVICELIST_H
#define CDLGDEVICELIST_H

// The list of all simulated devices beside the pages. One of them is the
// active device, whose data the pages show; the ticked ones are launched, shut
// down or removed from here. The list mirrors the device registry through its
// signals and keeps nothing of its own but the active device's name.

#include <QList>
#include <QString>
#include <QWidget>

class CDeviceBase;
class CMTTableWidget;
class QPushButton;

class CDlgDeviceList : public QWidget
{
    Q_OBJECT

public:
    explicit CDlgDeviceList(QWidget *pParent = nullptr);

    CMTTableWidget *GetTable() const { return m_pTable; }
    QString GetActvDeviceName() const { return m_strActvDeviceName; }

    enum : int
    {
        COL_NUMBER = 0,
        COL_NAME = 1,
        COL_TYPE = 2,
        COL_PORT = 3,
        COL_ADDR = 4,
    };

signals:
    void siShowStatkedWidget(bool bIsShow);
    void siCurrActvDeviceName(const QString &strDeviceName);
    // Answered by the data view manager: are the device's data being edited?
    bool siIsEditing(const QString &strDeviceName);

public slots:
    void slLaunchDevice();
    void slShutDownDevice();
    void slRemoveDevice();
    void slShowDevicePara(bool bIsShow);
    void slActvDevice(int nRow, int nColumn);
    void slChangedDeviceInfo(int nRow, int nColumn);
    void slNewDevice(const QString &strDeviceName);
    void slDelDevice(const QList<QString> &objDevicesName);
    void slDeviceNameChanged(const QString &strDeviceName, const QString &strNewName);
    void slDeviceStateChanged(const QString &strDeviceName, quint16 nState);
    void slDeviceEditing(const QString &strDeviceName, bool bIsEditing);

private:
    void RebuildList();
    void AddDeviceRow(CDeviceBase *pDevice);
    void ActivateRow(int nRow);
    // No device left: nothing is active any more.
    void ClearActive();
    int FindRow(const QString &strDeviceName) const;
    QList<QString> CheckedNames() const;
    void ForCheckedDevices(const QString &strNoneChecked, void (CDeviceBase::*pfnOper)());
    void SetRowActive(int nRow, bool bActive);

    CMTTableWidget *m_pTable;
    QPushButton *m_pPara;
    QString m_strActvDeviceName;
};

#endif // CDLGDEVICELIST_H
