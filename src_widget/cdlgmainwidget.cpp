#include "cdlgmainwidget.h"

#include "applog.h"
#include "commonfunc.h"

#include <QIcon>

CWTMainWidget::CWTMainWidget(QWidget *pParent)
    : QMainWindow(pParent)
{
    LOG_DEBUG() << "Launch APP!" << GetAppTitle() << GetBuildTime() << GetComputerName();
    setMinimumSize(1200, 650);
    setWindowIcon(QIcon(QStringLiteral(":/img/Kestrix")));
    setWindowTitle(GetAppTitle());
    setCentralWidget(new QWidget(this));
}
