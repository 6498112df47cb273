#ifndef CDLGEXPORTDEVICECFG_H
#define CDLGEXPORTDEVICECFG_H

// Collects the description of a device template (maker, device name, model,
// version, remarks), asks where to save it and exports the device's
// configuration there; closes itself once the template is written.

#include <QDialog>
#include <QString>

class CMTTableWidget;

class CDlgExportDeviceCfg : public QDialog
{
    Q_OBJECT

public:
    explicit CDlgExportDeviceCfg(const QString &strDeviceName, QWidget *pParent = nullptr);

    CMTTableWidget *GetTable() const { return m_pTable; }

public slots:
    void slExportCfg();

private:
    QString m_strDeviceName;
    CMTTableWidget *m_pTable;
};

#endif // CDLGEXPORTDEVICECFG_H
