#ifndef CDLGCOUNT_H
#define CDLGCOUNT_H

// The statistics page: while counting is on, every frame of every link is
// counted per link and per device (sent, received, failures by kind), and one
// of the two tables is shown with its loss rate.

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QString>
#include <QWidget>

#include "linkcounter.h"
#include "linkdefine.h"

class CMTTableWidget;
class QCheckBox;
class QComboBox;
class QPushButton;

class CDlgLinkCount : public QWidget
{
    Q_OBJECT

public:
    explicit CDlgLinkCount(QWidget *pParent = nullptr);

public slots:
    void slBngrCount();
    void slRecordLinkData(QString strPortName, quint16 nAddr, LINK_PROC_ERR_EN enType, QByteArray objLinkData);
    void slResetCount();
    void slViewTypeChanged(int nIndex);

private:
    bool ShowsDevices() const;
    QMap<QString, LINK_COUNT_S> &ShownMap();
    // The record of the name, created (with a row when its map is shown) if new.
    LINK_COUNT_S &Record(QMap<QString, LINK_COUNT_S> &objMap, bool bShown, const QString &strName);
    void AppendRow(const QString &strName, const LINK_COUNT_S &stCount);
    void RefreshRow(int nRow, const LINK_COUNT_S &stCount);

    QPushButton *m_pStart = nullptr;
    QComboBox *m_pViewType = nullptr;
    QCheckBox *m_pAutoRefresh = nullptr;
    CMTTableWidget *m_pTable = nullptr;
    QMap<QString, LINK_COUNT_S> m_mapDevices;
    QMap<QString, LINK_COUNT_S> m_mapLinks;
    QHash<QString, int> m_mapRows; // row of each name in the table
    QMetaObject::Connection m_objRecvConn;
};

#endif // CDLGCOUNT_H
