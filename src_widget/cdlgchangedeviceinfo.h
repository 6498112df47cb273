#ifndef CDLGCHANGEDEVICEINFO_H
#define CDLGCHANGEDEVICEINFO_H

// Changes a device's name, link and address in place through the device
// manager, and can move further devices of the same kind onto the chosen
// link. The dialog closes only once the change was made.

#include <QDialog>
#include <QString>

class CMTTableWidget;
class QComboBox;

class CDlgChangeDeviceInfo : public QDialog
{
    Q_OBJECT

public:
    CDlgChangeDeviceInfo(const QString &strName, const QString &strPortName, quint16 nAddr,
                         QWidget *pParent = nullptr);

    CMTTableWidget *GetTable() const { return m_pTable; }

public slots:
    void slChangeInfo();
    void slSynPort();

private:
    QString m_strName;
    QString m_strPortName;
    quint16 m_nAddr;
    CMTTableWidget *m_pTable;
    QComboBox *m_pPortList;
};

#endif // CDLGCHANGEDEVICEINFO_H
