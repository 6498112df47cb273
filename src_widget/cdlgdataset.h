#ifndef CDLGDATASET_H
#define CDLGDATASET_H

// Asks for a point's new value: "预置数据" accepts (keep it for a later batch
// write), "立即下发" or closing the window rejects (write it now). The text is
// GetValue() either way.

#include <QDialog>
#include <QString>

class QLineEdit;

class CDlgDataSet : public QDialog
{
    Q_OBJECT

public:
    CDlgDataSet(const QString &strName, const QString &strValue, QWidget *pParent = nullptr);

    QString GetValue() const;

private:
    QLineEdit *m_pValueEdit;
};

#endif // CDLGDATASET_H
