#ifndef CDLGINPUTNUM_H
#define CDLGINPUTNUM_H

// Asks how many data points to add; GetNum() after an accepted ExecDialog.

#include <QDialog>

class QLineEdit;

class CDlgInputNum : public QDialog
{
    Q_OBJECT

public:
    explicit CDlgInputNum(QWidget *pParent = nullptr);

    // The count typed in; 0 for an empty line.
    int GetNum() const;

private:
    QLineEdit *m_pNumEdit;
};

#endif // CDLGINPUTNUM_H
