#ifndef CDLGSELFDEFDEVICE_H
#define CDLGSELFDEFDEVICE_H

// Hand-written Modbus PDUs of one master device: a table of frame rows sent
// once or cyclically, each row showing how long its reply took and able to
// plot that delay as a curve named "DelayTime(id)".

#include <QString>
#include <QWidget>

class CDeviceBase;
class CMTTableWidget;
class CSDPushButton;
class QPushButton;

class CDlgSelfDefDevice : public QWidget
{
    Q_OBJECT

public:
    CDlgSelfDefDevice(const QString &strDeviceName, QWidget *pParent = nullptr);

    QString GetDeviceName() const { return m_strDeviceName; }
    void SetDeviceName(const QString &strDeviceName) { m_strDeviceName = strDeviceName; }

public slots:
    void slSendInputData();
    void slNewCfgRow();
    void slDelCfgRow();
    void slShowDlgCurve();
    void slCurveChanged(int nRow, int nColumn);
    void slRefreshSelfDeviceData(const QString &strDeviceName, quint32 nDataID, qint32 nDelayTime);

private slots:
    void slDeviceStateChanged(const QString &strDeviceName, quint16 nState);

private:
    quint32 RowID(int nRow) const;
    int FindRow(quint32 nDataID) const;
    CSDPushButton *CurveButton(int nRow) const;
    void StopCycle(CDeviceBase *pDevice);

    QString m_strDeviceName;
    quint32 m_nRowID = 0; // ids are never reused
    CMTTableWidget *m_pTable;
    QPushButton *m_pSendBtn;
};

#endif // CDLGSELFDEFDEVICE_H
