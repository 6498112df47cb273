#ifndef CDLGLINKPARASET_H
#define CDLGLINKPARASET_H

// Edits one link's parameters: a serial port's or a network link's. The
// parameter stores decide whether the new settings are acceptable (two links
// may not share a local port), so the dialog stays open on a refusal and the
// user can correct the values.

#include <QDialog>
#include <QString>

#include "portparadefine.h"

class CMTTableWidget;
class QComboBox;

class CDlgLinkParaSet : public QDialog
{
    Q_OBJECT

public:
    // The kinds are the management page's tabs.
    enum : int
    {
        LINK_KIND_COM = 0,
        LINK_KIND_NET = 1,
    };

    CDlgLinkParaSet(int nLinkKind, const QString &strLinkName, QWidget *pParent = nullptr);

    CMTTableWidget *GetTable() const { return m_pTable; }

public slots:
    void slCBNetTransModeParaChange(int nAny);
    void slSavePara();

private:
    void FillComRows();
    void FillNetRows();
    QComboBox *AddComboRow(int nRow, const QString &strLabel, const QStringList &lstTexts, int nSelect);
    void AddValueRow(int nRow, const QString &strLabel, const QVariant &objValue);
    // The number in a value cell, checked against its field's range; shows
    // what is wrong and gives false when it is out of range.
    bool ReadNumber(int nRow, qint64 nMin, qint64 nMax, qint64 &nOut) const;
    bool SaveComPara();
    bool SaveNetPara();

    int m_nLinkKind;
    CMTTableWidget *m_pTable;
    // The record as opened: values a selection list cannot show (a code out
    // of range from a project file) are kept as they were.
    COM_PARA_DATA_S m_stComPara;
    NET_PARA_DATA_S m_stNetPara;
};

#endif // CDLGLINKPARASET_H
