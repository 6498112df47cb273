#ifndef CDLGSIGSEL_H
#define CDLGSIGSEL_H

// A check list over the caller's items (columns, rows, blocks, links, device
// types): the user ticks and unticks, the caller reads the ticks back from
// GetItems() once the dialog was accepted. Run it through ExecDialog.

#include <QDialog>
#include <QList>
#include <QString>

class CMTTableWidget;

struct SIG_SEL_ITEM_S
{
    QString strNo;   // first column, usually a number
    QString strName; // second column
    bool bChecked = false;
};

class CDlgSigSel : public QDialog
{
    Q_OBJECT

public:
    CDlgSigSel(const QString &strTitle, const QList<SIG_SEL_ITEM_S> &lstItems, QWidget *pParent = nullptr);

    // The items as given, with the ticks as the table shows them now.
    QList<SIG_SEL_ITEM_S> GetItems() const;
    CMTTableWidget *GetTable() const { return m_pTable; }

private:
    CMTTableWidget *m_pTable;
    QList<SIG_SEL_ITEM_S> m_lstItems;
};

#endif // CDLGSIGSEL_H
