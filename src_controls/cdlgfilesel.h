#ifndef CDLGFILESEL_H
#define CDLGFILESEL_H

// Asks for a file path: typed in, or chosen with "..." in the platform's open
// dialog. Callers read GetFilePath() after an accepted ExecDialog.

#include <QDialog>
#include <QString>

class QLineEdit;

class CDlgFileSel : public QDialog
{
    Q_OBJECT

public:
    CDlgFileSel(QWidget *pParent, const QString &strCaption, const QString &strInitPath, const QString &strFilter);

    QString GetFilePath() const;

private slots:
    void slSrcPathSel();

private:
    QString m_strCaption;
    QString m_strInitPath;
    QString m_strFilter;
    QLineEdit *m_pPathEdit;
};

#endif // CDLGFILESEL_H
