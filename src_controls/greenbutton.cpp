#include "greenbutton.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

QPushButton *NewGreenButton(const QString &strText, QWidget *pParent, int nWidth, int nHeight)
{
    auto *pButton = new QPushButton(strText, pParent);
    pButton->setObjectName(QStringLiteral("greenButton"));
    pButton->setFixedSize(nWidth, nHeight);
    return pButton;
}

QPushButton *LayOutDialog(QDialog *pDialog, const QList<QWidget *> &lstContent, const QList<QWidget *> &lstLeft,
                          const QString &strConfirm, const QString &strCancel)
{
    QPushButton *pConfirm = NewGreenButton(strConfirm, pDialog);
    QPushButton *pCancel = NewGreenButton(strCancel, pDialog);
    QObject::connect(pCancel, &QPushButton::clicked, pDialog, &QDialog::reject);

    auto *pButtons = new QHBoxLayout;
    for (QWidget *pWidget : lstLeft)
        pButtons->addWidget(pWidget);
    pButtons->addStretch();
    pButtons->addWidget(pConfirm);
    pButtons->addWidget(pCancel);
    auto *pLayout = new QVBoxLayout(pDialog);
    for (QWidget *pWidget : lstContent)
        pLayout->addWidget(pWidget);
    pLayout->addLayout(pButtons);
    return pConfirm;
}
