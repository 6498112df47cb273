#ifndef CSDPUSHBUTTON_H
#define CSDPUSHBUTTON_H

// A push button that sits in a table cell and tells, with each click, which
// cell it sits in.

#include <QPushButton>

class CSDPushButton : public QPushButton
{
    Q_OBJECT

public:
    CSDPushButton(int nRow, int nColumn, QWidget *pParent = nullptr);

    void SetRowColumn(int nRow, int nColumn);
    int GetRow() const { return m_nRow; }
    int GetColumn() const { return m_nColumn; }

signals:
    void siClicked(int nRow, int nColumn);

public slots:
    void slBtnClicked();

private:
    int m_nRow;
    int m_nColumn;
};

#endif // CSDPUSHBUTTON_H
