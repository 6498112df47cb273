#ifndef CDLGBATCHPROC_H
#define CDLGBATCHPROC_H

// Confirms a batch read or write on one device: once or cyclic ("循环", when
// offered), and on further devices chosen with "同步至其它设备". After an
// accepted ExecDialog the caller reads IsCycle() and GetSynDevices().

#include <QDialog>
#include <QList>
#include <QString>

class QCheckBox;

class CDlgBatchProc : public QDialog
{
    Q_OBJECT

public:
    // nDeviceType: the device-type mask offered for the further devices.
    CDlgBatchProc(const QString &strTitle, const QString &strDeviceName, bool bOfferCycle, qint16 nDeviceType,
                  QWidget *pParent = nullptr);

    bool IsCycle() const;
    QList<QString> GetSynDevices() const { return m_lstSynDevices; }

public slots:
    void slSynDevice();

private:
    QString m_strDeviceName;
    qint16 m_nDeviceType;
    QCheckBox *m_pCycle;
    QList<QString> m_lstSynDevices;
};

#endif // CDLGBATCHPROC_H
