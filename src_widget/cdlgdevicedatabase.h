#ifndef CDLGDEVICEDATABASE_H
#define CDLGDEVICEDATABASE_H

// The data page of one device: its points as rows of a table, in two states.
// In the data-operation state values are shown and refreshed and the
// configuration is read only; in the configuration state every configuration
// cell is editable and points are added, removed, moved, copied to other
// devices, imported and exported. Leaving the configuration state writes the
// rows back to the store. The master and slave pages build on it.

#include <QHash>
#include <QList>
#include <QString>
#include <QWidget>

#include "cfgdefine.h"

class CMTTableWidget;
class CSearchBox;
class QHBoxLayout;
class QPushButton;
class QTimer;

class CDlgDeviceDataBase : public QWidget
{
    Q_OBJECT

public:
    enum DATA_COLUMN_EN
    {
        COL_ID = 0,
        COL_IS_SHOW = 1,
        COL_NAME = 2,
        COL_BLOCK = 3,
        COL_ADDR = 4,
        COL_SIZE = 5,
        COL_VALUE = 6,
        COL_UNIT = 7,
        COL_RANGE = 8,
        COL_GAIN = 9,
        COL_BREAD = 10,
        COL_BWRITE = 11,
        COL_CURVE = 12,
        COL_PRTC_TYPE = 13,
        COL_SHOW_TYPE = 14,
        COL_BYTE_ODER = 15,
        COL_WORD_ODER = 16,
        COL_INTERVAL = 17,
        COL_TIMEOUT = 18,
        COL_RESEND = 19,
        COL_COUNT = 20,
    };

    explicit CDlgDeviceDataBase(const QString &strDeviceName, QWidget *pParent = nullptr);
    ~CDlgDeviceDataBase() override;

    // Builds the toolbar and the table; the views add their own buttons after.
    virtual void InitPageItems();
    // Fills the table from the store: at once in the data-operation state or
    // for fewer than 11 points, else one row per timer tick behind a progress dialog.
    virtual void LoadDataCfg();

    // What the data-view manager passes on to master pages; nothing here.
    virtual void SetDeviceRunning(bool bRunning);
    virtual void SynDeviceOper(quint16 nOper, bool bStart, bool bCycle);

    QString GetDeviceName() const { return m_strDeviceName; }
    void SetDeviceName(const QString &strName);
    bool IsCfgState() const { return m_bCfgState; }
    CMTTableWidget *GetTable() const { return m_pTable; }

signals:
    void siSynDataCfg(const QString &strDeviceName);
    void siSynDeviceOper(const QString &strDeviceName, quint16 nOper, bool bStart, bool bCycle);
    void siCfgLoadProgress(int nValue);
    void siDeviceEditing(const QString &strDeviceName, bool bIsEditing);

public slots:
    virtual void slDataOperChanged();
    void slShowDataCurve();
    void slDataBlockChanged(int nIndex, int nRow, int nColumn);
    void slDataPrtcTypeChanged(int nIndex, int nRow, int nColumn);
    void slDataShowTypeChanged(int nIndex, int nRow, int nColumn);
    void slShowDlgColumSelect();
    void slShowDlgHideData();
    void slShowDlgHideDataBlock();
    void slShowDlgAdvancedPara();
    void slShowDlgNewDataCfg();
    void slDelDataCfg();
    void slShowDlgCopyCfg();
    void slShowDlgImportCfg();
    void slShowDlgExportCfg();
    void slMoveUpDataCfg();
    void slMoveDnDataCfg();
    void slShowDlgParseFrame();
    void slRefreshDeviceData(const QString &strDeviceName, quint32 nDataID, const QString &strData);
    virtual QString slGetDeviceData(const QString &strDeviceName, quint32 nDataID);
    virtual void slInfoTblcellDoubleClicked(int nRow, int nColumn);
    virtual void slInfoTblcellLongPressed(int nRow, int nColumn);
    void slInfoTblcellChanged(int nRow, int nColumn);
    void slTimerLoadCfg();

protected:
    virtual void InitDataRow(int nRow, const DEVICE_DATA_CFG_S &objCfg, bool bCfgState);
    virtual void ResetDataValueCell(int nRow);
    virtual bool GetRowDataCfg(int nRow, DEVICE_DATA_CFG_S &objCfg);
    // Offset rule for the row's address and Size; marks the row when it fails.
    virtual bool CheckDataAddrChanged(int nRow);
    virtual void SynDataCfg();

    // The device's stored point of that ID, or null; valid until the store's list changes.
    const DEVICE_DATA_CFG_S *FindDataCfg(quint32 nDataID) const;
    // The ID in the row's ID cell, 0 for a row without one.
    quint32 RowDataID(int nRow) const;
    // Leaving the configuration state, copying and exporting need rows that
    // do not overlap and fit the address offset; otherwise the offending row
    // is marked and the refusal shown.
    bool CheckAllRows();
    QPushButton *AddToolButton(const QString &strText, int nWidth, bool bCheckable = false);
    QString ValueText(int nRow) const;
    void SetValueText(int nRow, const QString &strText);

    QString m_strDeviceName;
    CMTTableWidget *m_pTable = nullptr;
    QHBoxLayout *m_pToolLayout = nullptr;
    QList<int> m_lstHideColumn; // never shown, never offered by the column filter

private:
    bool eventFilter(QObject *pWatched, QEvent *pEvent) override;
    void BuildCfgRow(int nRow, const DEVICE_DATA_CFG_S &objCfg);
    void BuildOperRow(int nRow, const DEVICE_DATA_CFG_S &objCfg);
    // Writes the point into an existing row: texts, choices, what the lists
    // and boxes offer. Emits no cell signals.
    void ApplyCfgToRow(int nRow, const DEVICE_DATA_CFG_S &objCfg);
    void ApplyCfgToLists(int nRow, const DEVICE_DATA_CFG_S &objCfg);
    bool IsInListWindow(int nRow) const;
    void CreateCellLists(int nRow);
    // Selection lists on the rows in view, none elsewhere.
    void EnsureCellLists();
    void slDataOderChanged(int nIndex, int nRow, int nColumn);
    void ApplyRowChange(int nRow, void (*fnRule)(DEVICE_DATA_CFG_S &, quint16), quint16 nValue);
    bool RunOverlapCheck();
    void MarkRow(int nRow, const QString &strMsg);
    void ClearRowMark(int nRow);
    bool IsNameChecked(int nRow) const;
    QList<DEVICE_DATA_CFG_S> ReadAllRows();
    void ApplyRowOrder(const QList<int> &lstOrder);
    void SetButtonsForState();
    // Rows hidden or shown by the row and block filters; IsShow goes to the store at once.
    void ApplyRowFilter(const QList<bool> &lstShown);
    // Keeps the curve window's legends of this device in step with the points that have their curve on.
    void SyncCurveLegends(const QList<DEVICE_DATA_CFG_S> &lstCfg);
    void FinishLoad();

    CSearchBox *m_pSearchBox = nullptr;
    QPushButton *m_pBtnCfg = nullptr;
    QList<QPushButton *> m_lstEditButtons; // configuration state only
    QList<QPushButton *> m_lstOperButtons; // data-operation state only
    QTimer *m_pLoadTimer = nullptr;
    bool m_bCfgState = false;
    quint32 m_nLastID = 0;
    int m_nLoadedRows = 0;
    QHash<quint32, QString> m_mapCurves; // ID -> name of the points registered with the curve window
};

#endif // CDLGDEVICEDATABASE_H
