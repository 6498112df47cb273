#include "cdlgbatchproc.h"

#include "cdlgdevicesel.h"
#include "greenbutton.h"
#include "uiutils.h"

#include <QCheckBox>
#include <QPushButton>

CDlgBatchProc::CDlgBatchProc(const QString &strTitle, const QString &strDeviceName, bool bOfferCycle,
                             qint16 nDeviceType, QWidget *pParent)
    : QDialog(pParent), m_strDeviceName(strDeviceName), m_nDeviceType(nDeviceType)
{
    setWindowTitle(strTitle);
    setModal(true);

    m_pCycle = new QCheckBox(QString::fromUtf8("循环"), this);
    m_pCycle->setVisible(bOfferCycle);
    QPushButton *pSyn = NewGreenButton(QString::fromUtf8("同步至其它设备"), this, 150);
    QPushButton *pOk =
        LayOutDialog(this, {}, {m_pCycle, pSyn}, QString::fromUtf8("确定"), QString::fromUtf8("取消"));
    connect(pSyn, &QPushButton::clicked, this, &CDlgBatchProc::slSynDevice);
    connect(pOk, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(sizeHint().expandedTo(QSize(460, 0)));
}

bool CDlgBatchProc::IsCycle() const
{
    return m_pCycle->isChecked();
}

void CDlgBatchProc::slSynDevice()
{
    CDlgDeviceSel objDialog(m_strDeviceName, m_nDeviceType, this);
    if (ExecDialog(&objDialog) == QDialog::Accepted)
        m_lstSynDevices = objDialog.GetSelDeviceNames();
}
