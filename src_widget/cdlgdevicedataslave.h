#ifndef CDLGDEVICEDATASLAVE_H
#define CDLGDEVICEDATASLAVE_H

// The data page of a slave: each point answers either a fixed value (the
// text in its value cell, typed in or written by a master) or a simulated
// value computed at the moment a master reads it.

#include "cdlgdevicedatabase.h"

class CDlgDeviceDataSlave : public CDlgDeviceDataBase
{
    Q_OBJECT

public:
    explicit CDlgDeviceDataSlave(const QString &strDeviceName, QWidget *pParent = nullptr);

public slots:
    QString slGetDeviceData(const QString &strDeviceName, quint32 nDataID) override;
    void slInfoTblcellDoubleClicked(int nRow, int nColumn) override;

protected:
    // A fixed value lives in the point's settings: the cell shows it again
    // after every reload, so the slave answers what the project holds.
    void InitDataRow(int nRow, const DEVICE_DATA_CFG_S &objCfg, bool bCfgState) override;
};

#endif // CDLGDEVICEDATASLAVE_H
