#ifndef CDLGDEVICEMGR_H
#define CDLGDEVICEMGR_H

// The link and device management page: serial ports on one tab, network links
// on the other; links are configured, started and stopped here, network links
// created and removed, and devices put on a ticked link over an address range.
// The page keeps no state of its own: every row is rebuilt from the parameter
// stores and the link registry, and the state buttons follow what the links
// report, never what was asked of them.

#include <QList>
#include <QPair>
#include <QString>
#include <QWidget>

class CMTTableWidget;
class CSDPushButton;
class PushButton;
class QLineEdit;
class QTabBar;

class CDlgDeviceMgr : public QWidget
{
    Q_OBJECT

public:
    explicit CDlgDeviceMgr(QWidget *pParent = nullptr);

    CMTTableWidget *GetTable() const { return m_pTable; }
    QTabBar *GetTabBar() const { return m_pTabBar; }
    PushButton *GetAddDeviceButton() const { return m_pAddDevice; }
    PushButton *GetRefreshButton() const { return m_pRefresh; }
    // Where a serial port is named by its path (a virtual pair's end).
    QLineEdit *GetComPathEdit() const { return m_pComPath; }

    enum : int
    {
        COL_NAME = 0,
        COL_DEVICE_TYPE = 1,
        COL_START_ADDR = 2,
        COL_END_ADDR = 3,
        COL_PARA = 4,
        COL_STATE = 5,
    };

public slots:
    void slRefreshPortList();
    void slRefreshCOMPortList();
    void slRefreshNetPortList();
    void slAddOneNetPortLink();
    void slDelOneNetPortLink();
    void slAddDevice();
    void slShowPortParaSet(int nRow, int nColumn);
    void slCtrlPortState(int nRow, int nColumn);
    void slPortStateChanged(QString strPortName, bool bIsOpen);
    void slPortTypeChanged(int nIndex);
    void slAddComPortPath();

private:
    // Fills row nRow, which exists and is empty.
    bool AddOnePortRow(int nRow, const QString &strName, bool bEnabled);
    QString RowName(int nRow) const;
    bool IsRowChecked(int nRow) const;
    CSDPushButton *StateButton(int nRow) const;
    // Rows are rebuilt whole, from (name, enabled) pairs.
    void RebuildTable(const QList<QPair<QString, bool>> &lstRows);

    QTabBar *m_pTabBar;
    PushButton *m_pRefresh;
    QWidget *m_pComBox;
    QLineEdit *m_pComPath;
    QWidget *m_pNetBox;
    PushButton *m_pAddDevice;
    CMTTableWidget *m_pTable;
};

#endif // CDLGDEVICEMGR_H
