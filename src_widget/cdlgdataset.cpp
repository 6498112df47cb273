#include "cdlgdataset.h"

#include "greenbutton.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

CDlgDataSet::CDlgDataSet(const QString &strName, const QString &strValue, QWidget *pParent) : QDialog(pParent)
{
    setWindowTitle(QString::fromUtf8("请输入设置值(") + strName + QStringLiteral(")"));
    setModal(true);

    m_pValueEdit = new QLineEdit(strValue, this);
    m_pValueEdit->setPlaceholderText(QString::fromUtf8("输入数据..."));
    m_pValueEdit->setFixedHeight(30);
    QPushButton *pPreset = NewGreenButton(QString::fromUtf8("预置数据"), this);
    QPushButton *pWrite = NewGreenButton(QString::fromUtf8("立即下发"), this);
    connect(pPreset, &QPushButton::clicked, this, &QDialog::accept);
    connect(pWrite, &QPushButton::clicked, this, &QDialog::reject);

    auto *pLayout = new QHBoxLayout(this);
    pLayout->addWidget(m_pValueEdit);
    pLayout->addWidget(pPreset);
    pLayout->addWidget(pWrite);
    setFixedSize(420, sizeHint().height());
}

QString CDlgDataSet::GetValue() const
{
    return m_pValueEdit->text();
}
