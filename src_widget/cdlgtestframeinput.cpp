#include "cdlgtestframeinput.h"

#include "commonfunc.h"
#include "greenbutton.h"
#include "uiutils.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

CDlgTestFrameInput::CDlgTestFrameInput(const QString &strTitle, QWidget *pParent) : QDialog(pParent)
{
    setWindowTitle(strTitle);
    setModal(true);

    m_pAddrEdit = new QLineEdit(this);
    m_pAddrEdit->setFixedSize(600, 30);
    m_pAddrEdit->setPlaceholderText(QString::fromUtf8("读数据的响应报文需要输入报文起始地址(十进制)"));
    m_pPduEdit = new QTextEdit(this);
    m_pPduEdit->setFixedSize(600, 300);
    m_pPduEdit->setAcceptRichText(false);
    QPushButton *pSubmit = NewGreenButton(QString::fromUtf8("提交"), this, 600, 30);
    connect(pSubmit, &QPushButton::clicked, this, &CDlgTestFrameInput::slCheckInput);

    auto *pLayout = new QVBoxLayout(this);
    pLayout->setSpacing(5);
    pLayout->setContentsMargins(10, 10, 10, 10);
    pLayout->addWidget(m_pAddrEdit);
    pLayout->addWidget(m_pPduEdit);
    pLayout->addWidget(pSubmit);
}

QByteArray CDlgTestFrameInput::GetPdu() const
{
    return ConvertHexStringToBytes(m_pPduEdit->toPlainText());
}

quint16 CDlgTestFrameInput::GetStartAddr() const
{
    return m_pAddrEdit->text().trimmed().toUShort();
}

void CDlgTestFrameInput::slCheckInput()
{
    const QByteArray objPdu = GetPdu();
    if (objPdu.size() < 3) {
        ShowInfoBox(QString::fromUtf8("无有效数据，请修改"));
        return;
    }
    // A read reply carries no address of its own: the values would land on the
    // wrong points with an address that is not a 16-bit number.
    const quint8 nFuncCode = quint8(objPdu.at(0));
    bool bAddrOk = false;
    m_pAddrEdit->text().trimmed().toUShort(&bAddrOk);
    if (nFuncCode >= 1 && nFuncCode <= 4 && !bAddrOk) {
        ShowInfoBox(QString::fromUtf8("输入报文需要指定起始地址！"));
        return;
    }
    accept();
}
