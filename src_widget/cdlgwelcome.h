#ifndef CDLGWELCOME_H
#define CDLGWELCOME_H

// The "关于" page: product title, version and build stamp, the change log
// and the upgrade hand-over.

#include <QWidget>

class QPushButton;

class CDlgWelcome : public QWidget
{
    Q_OBJECT

public:
    explicit CDlgWelcome(QWidget *pParent = nullptr);

public slots:
    void slOpenNewVersion();
    void slViewNewModify();
    void slLinkTimerOut();
};

#endif // CDLGWELCOME_H
