#include "cdlginputnum.h"

#include "greenbutton.h"

#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// One point per address of a block is the most a device can use; a larger
// count would only stall the table while it builds the rows.
const int MAX_NEW_POINTS = 65536;

} // namespace

CDlgInputNum::CDlgInputNum(QWidget *pParent) : QDialog(pParent)
{
    setModal(true);

    auto *pLabel = new QLabel(QString::fromUtf8("输入新增数据配置条数"), this);
    m_pNumEdit = new QLineEdit(QStringLiteral("1"), this);
    m_pNumEdit->setStyleSheet(QStringLiteral("background-color:rgb(194,217,233);border:1px solid darkgray"));
    m_pNumEdit->setValidator(new QIntValidator(0, MAX_NEW_POINTS, m_pNumEdit));
    m_pNumEdit->setFixedHeight(30);
    QPushButton *pOk =
        LayOutDialog(this, {pLabel, m_pNumEdit}, {}, QString::fromUtf8("确定"), QString::fromUtf8("取消"));
    connect(pOk, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(300, sizeHint().height());
}

int CDlgInputNum::GetNum() const
{
    return qMin(m_pNumEdit->text().toInt(), MAX_NEW_POINTS);
}
