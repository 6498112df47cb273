#include "cdlgchangedeviceinfo.h"

#include "ccfgfilemgr.h"
#include "cdevicebase.h"
#include "cdevicemgr.h"
#include "cdlgdevicesel.h"
#include "cmtcombobox.h"
#include "cmttablewidget.h"
#include "commonfunc.h"
#include "greenbutton.h"
#include "uiutils.h"

#include <QPushButton>

namespace {

enum
{
    ROW_NAME = 0,
    ROW_PORT = 1,
    ROW_ADDR = 2,
};

const MT_TBL_COLUMN_S INFO_COLUMNS[] = {
    {0, 150, false, QString::fromUtf8("参数名")},
    {1, 170, false, QString::fromUtf8("数值")},
};

} // namespace

CDlgChangeDeviceInfo::CDlgChangeDeviceInfo(const QString &strName, const QString &strPortName, quint16 nAddr,
                                           QWidget *pParent)
    : QDialog(pParent), m_strName(strName), m_strPortName(strPortName), m_nAddr(nAddr)
{
    setWindowTitle(QString::fromUtf8("变更设备关键信息"));
    setModal(true);

    m_pTable = new CMTTableWidget(this);
    m_pTable->SetTblColumn(INFO_COLUMNS, 2);
    m_pTable->setRowCount(3);
    m_pTable->SetLabelCell(ROW_NAME, 0, QString::fromUtf8("设备名称"));
    m_pTable->SetLabelCell(ROW_PORT, 0, QString::fromUtf8("端口"));
    m_pTable->SetLabelCell(ROW_ADDR, 0, QString::fromUtf8("设备地址"));
    m_pTable->SetValueCell(ROW_NAME, 1, strName);
    // An unsigned number gets a number editor without sign, so the address is
    // always a number; the device manager refuses one that is too large.
    m_pTable->SetValueCell(ROW_ADDR, 1, uint(nAddr));

    // The device's own link stays selectable even when the project holds no
    // parameters for it, or confirming would move the device.
    QStringList lstPorts = CCfgFileMgr::GetInstance()->GetPortNameList();
    if (!lstPorts.contains(strPortName))
        lstPorts.prepend(strPortName);
    m_pPortList = new CMTComboBox(ROW_PORT, 1, m_pTable);
    m_pPortList->addItems(lstPorts);
    m_pPortList->setCurrentText(strPortName);
    m_pTable->setCellWidget(ROW_PORT, 1, m_pPortList);

    QPushButton *pSyn = NewGreenButton(QString::fromUtf8("同步端口至其它设备"), this, 170);
    QPushButton *pOk = LayOutDialog(this, {m_pTable}, {pSyn}, QString::fromUtf8("确认"), QString::fromUtf8("取消"));
    connect(pSyn, &QPushButton::clicked, this, &CDlgChangeDeviceInfo::slSynPort);
    connect(pOk, &QPushButton::clicked, this, &CDlgChangeDeviceInfo::slChangeInfo);
    setFixedSize(430, 180);
}

void CDlgChangeDeviceInfo::slChangeInfo()
{
    DEVICE_KEY_INFO_S stOld;
    stOld.strName = m_strName;
    stOld.strPortName = m_strPortName;
    stOld.nAddr = m_nAddr;
    DEVICE_KEY_INFO_S stNew;
    stNew.strName = m_pTable->item(ROW_NAME, 1)->text();
    stNew.strPortName = m_pPortList->currentText();
    // Beyond 16 bits is as much too large as 65535 is.
    stNew.nAddr = quint16(qMin(m_pTable->item(ROW_ADDR, 1)->data(Qt::EditRole).toUInt(), 0xFFFFu));
    const QString strResult = CDeviceMgr::ChangeDeviceInfo(stOld, stNew);
    if (strResult == QLatin1String(RESULT_OK))
        accept();
    else
        ShowInfoBox(strResult);
}

void CDlgChangeDeviceInfo::slSynPort()
{
    CDeviceBase *pDevice = CDeviceMgr::GetDevice(m_pTable->item(ROW_NAME, 1)->text());
    if (pDevice == nullptr)
        pDevice = CDeviceMgr::GetDevice(m_strName);
    if (pDevice == nullptr) {
        ShowInfoBox(QString::fromUtf8("内部异常，操作失败！"));
        return;
    }
    CDlgDeviceSel objDialog(pDevice->GetName(), qint16(pDevice->GetType()), this);
    const QList<QString> lstNames =
        ExecDialog(&objDialog) == QDialog::Accepted ? objDialog.GetSelDeviceNames() : QList<QString>();
    if (lstNames.isEmpty()) {
        ShowInfoBox(QString::fromUtf8("无需要同步的设备！"));
        return;
    }
    const QString strPort = m_pPortList->currentText();
    for (const QString &strName : lstNames) {
        if (CDeviceMgr::ChangeDevicePort(strName, strPort) != QLatin1String(RESULT_OK)) {
            ShowInfoBox(QString::fromUtf8("端口同步失败！"));
            return;
        }
    }
    ShowInfoBox(QString::fromUtf8("同步完成！"));
}
