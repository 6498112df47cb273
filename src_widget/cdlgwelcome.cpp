#include "cdlgwelcome.h"

#include "applog.h"
#include "cdlgshowtxt.h"
#include "commonfunc.h"
#include "uiutils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QVBoxLayout>

CDlgWelcome::CDlgWelcome(QWidget *pParent)
    : QWidget(pParent)
{
    auto *pVersion = new QLabel(GetAppTitle() + QStringLiteral("\nBuild on ") + GetBuildTime(), this);
    pVersion->setFixedSize(600, 60);
    QFont objFont = pVersion->font();
    objFont.setPixelSize(20);
    objFont.setWeight(QFont::Normal);
    pVersion->setFont(objFont);

    auto *pChangeLog = new QPushButton(QStringLiteral("变更记录"), this);
    pChangeLog->setFixedSize(150, 40);
    pChangeLog->setObjectName(QStringLiteral("greenButton"));
    connect(pChangeLog, &QPushButton::clicked, this, &CDlgWelcome::slViewNewModify);

    // The upgrade hand-over has no program to hand over to yet; the button
    // stays hidden until one ships.
    auto *pUpgrade = new QPushButton(QStringLiteral("Upgrade"), this);
    pUpgrade->setFixedSize(130, 40);
    pUpgrade->setObjectName(QStringLiteral("greenButton"));
    pUpgrade->hide();
    connect(pUpgrade, &QPushButton::clicked, this, &CDlgWelcome::slOpenNewVersion);

    auto *pPicture = new QLabel(this);
    pPicture->setPixmap(QPixmap(QStringLiteral(":/img/qrcode")));

    auto *pLayout = new QVBoxLayout(this);
    pLayout->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    pLayout->setSpacing(10);
    pLayout->setContentsMargins(20, 20, 0, 5);
    pLayout->addWidget(pVersion);
    pLayout->addWidget(pChangeLog);
    pLayout->addWidget(pUpgrade);
    pLayout->addWidget(pPicture);
}

void CDlgWelcome::slOpenNewVersion()
{
    const QString strDir = QDir::currentPath();
    QFile::remove(strDir + QStringLiteral("/Upgrade.exe"));
    const QString strProgram = strDir + QStringLiteral("/Dareroz2015.exe");
    if (QProcess::startDetached(strProgram, QStringList())) {
        QCoreApplication::exit(0);
        return;
    }
    ShowInfoBox(QStringLiteral("Upgrade failed!"));
    LOG_WARN().noquote() << QStringLiteral("Update F:") + strProgram;
}

void CDlgWelcome::slViewNewModify()
{
    CDlgShowTxt objDialog(QDir::currentPath() + QStringLiteral("/Readme.txt"), this);
    ExecDialog(&objDialog);
}

void CDlgWelcome::slLinkTimerOut()
{
}
