#ifndef CDLGPROGRESS_H
#define CDLGPROGRESS_H

// A frameless progress bar shown while a long load runs behind it; it closes
// itself (accepted) when the progress reaches 100.

#include <QDialog>

class QProgressBar;

class CDlgProgress : public QDialog
{
    Q_OBJECT

public:
    explicit CDlgProgress(const QString &strTitle, QWidget *pParent = nullptr);

    int GetValue() const;

public slots:
    void slProgressChanged(int nValue);

protected:
    void showEvent(QShowEvent *pEvent) override;

private:
    QProgressBar *m_pBar;
    bool m_bDone = false;
};

#endif // CDLGPROGRESS_H
