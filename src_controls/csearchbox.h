#ifndef CSEARCHBOX_H
#define CSEARCHBOX_H

// Finds rows of a table by the text of one column: each search (Enter or the
// search button) marks the next match red and scrolls it to the top; after
// the last match it starts again at the top. A new text clears the marks.

#include <QPointer>
#include <QString>
#include <QWidget>

class QLineEdit;
class QPushButton;
class QTableWidget;

class CSearchBox : public QWidget
{
    Q_OBJECT

public:
    explicit CSearchBox(QWidget *pParent = nullptr);

    void SetTargetTable(QTableWidget *pTable, int nColumn);
    QLineEdit *GetLineEdit() const { return m_pEdit; }
    QPushButton *GetSearchButton() const { return m_pButton; }

public slots:
    void slDoFind();

private:
    QLineEdit *m_pEdit;
    QPushButton *m_pButton;
    QString m_strLastText;
    int m_nNextRow = 0;
    QPointer<QTableWidget> m_pTable;
    int m_nColumn = 0;
};

#endif // CSEARCHBOX_H
