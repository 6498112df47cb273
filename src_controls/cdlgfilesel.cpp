#include "cdlgfilesel.h"

#include "greenbutton.h"
#include "uiutils.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

CDlgFileSel::CDlgFileSel(QWidget *pParent, const QString &strCaption, const QString &strInitPath,
                         const QString &strFilter)
    : QDialog(pParent), m_strCaption(strCaption), m_strInitPath(strInitPath), m_strFilter(strFilter)
{
    setWindowTitle(strCaption);
    setModal(true);
    setFixedSize(690, 110);

    auto *pGroup = new QGroupBox(QString::fromUtf8("选择配置文件路径.."), this);
    pGroup->setGeometry(10, 10, 560, 85);
    m_pPathEdit = new QLineEdit(strInitPath, pGroup);
    m_pPathEdit->setGeometry(10, 35, 490, 30);
    m_pPathEdit->setStyleSheet(QStringLiteral("background-color:rgb(194,217,233);border:1px solid darkgray"));
    QPushButton *pBrowse = NewGreenButton(QStringLiteral("..."), pGroup, 50, 30);
    pBrowse->move(505, 35);

    QPushButton *pOk = NewGreenButton(QString::fromUtf8("确定"), this, 100, 35);
    pOk->move(580, 20);
    QPushButton *pCancel = NewGreenButton(QString::fromUtf8("取消"), this, 100, 35);
    pCancel->move(580, 60);

    connect(pBrowse, &QPushButton::clicked, this, &CDlgFileSel::slSrcPathSel);
    connect(pOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(pCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString CDlgFileSel::GetFilePath() const
{
    return m_pPathEdit->text();
}

void CDlgFileSel::slSrcPathSel()
{
    // Paths keep their "/": this is also the separator the platform uses.
    const QString strPath = AskOpenFileName(this, m_strCaption, m_strInitPath, m_strFilter);
    if (!strPath.isEmpty())
        m_pPathEdit->setText(strPath);
}
