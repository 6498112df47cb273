#include "greenbutton.h"

#include <QPushButton>

QPushButton *NewGreenButton(const QString &strText, QWidget *pParent, int nWidth, int nHeight)
{
    auto *pButton = new QPushButton(strText, pParent);
    pButton->setObjectName(QStringLiteral("greenButton"));
    pButton->setFixedSize(nWidth, nHeight);
    return pButton;
}
