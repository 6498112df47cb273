#ifndef CDLGDEVICEDATAMASTER_H
#define CDLGDEVICEDATAMASTER_H

// The data page of a master: batch reads and writes of the ticked points,
// once or cyclically, also started on further masters at the same time, and
// single reads (long press) and writes (double click) from the value cells.
// A checked "批量读" / "批量写" button means that cyclic operation runs.

#include "cdlgdevicedatabase.h"

class CDeviceBase;

class CDlgDeviceDataMaster : public CDlgDeviceDataBase
{
    Q_OBJECT

public:
    explicit CDlgDeviceDataMaster(const QString &strDeviceName, QWidget *pParent = nullptr);

    void InitPageItems() override;
    // Stops both cyclic operations and drops the device's pending requests first.
    void LoadDataCfg() override;
    void SetDeviceRunning(bool bRunning) override;
    // nOper 0 read, 1 write.
    void SynDeviceOper(quint16 nOper, bool bStart, bool bCycle) override;

    // "OK" or the message to show.
    QString StartBatchReadOper(bool bCycle);
    QString StartBatchWriteOper(bool bCycle);

public slots:
    void slCycleReadStateChanged();
    void slCycleWriteStateChanged();
    void slDataOperChanged() override;
    void slInfoTblcellDoubleClicked(int nRow, int nColumn) override;
    void slInfoTblcellLongPressed(int nRow, int nColumn) override;

private:
    QString StartBatchOper(quint16 nOper, bool bCycle);
    void BatchStateChanged(quint16 nOper);
    void StopCycleOper(quint16 nOper);
    QPushButton *OperButton(quint16 nOper) const { return nOper == 0 ? m_pBtnRead : m_pBtnWrite; }
    CDeviceBase *Device() const;

    QPushButton *m_pBtnRead = nullptr;
    QPushButton *m_pBtnWrite = nullptr;
};

#endif // CDLGDEVICEDATAMASTER_H
