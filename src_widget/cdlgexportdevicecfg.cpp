#include "cdlgexportdevicecfg.h"

#include "ccfgfilemgr.h"
#include "cdevicebase.h"
#include "cdevicemgr.h"
#include "cmttablewidget.h"
#include "commonfunc.h"
#include "greenbutton.h"
#include "uiutils.h"

#include <QPushButton>

namespace {

const MT_TBL_COLUMN_S EXPORT_COLUMNS[] = {
    {0, 150, false, QString::fromUtf8("项目")},
    {1, 250, false, QString::fromUtf8("内容")},
};

// Rows in order; the first four are required, each with its message.
const char *const EXPORT_ROWS[][2] = {
    {"[必填]厂家名称", "请填写厂家名称"}, {"[必填]设备名称", "请填写设备名称"}, {"[必填]设备型号", "请填写设备型号"},
    {"[必填]配置版本", "请填写配置版本"}, {"[选填]备注", nullptr},
};
const int EXPORT_ROW_COUNT = int(sizeof(EXPORT_ROWS) / sizeof(EXPORT_ROWS[0]));

const char *const TEMPLATE_SUFFIX = ".dtkestrix";

} // namespace

CDlgExportDeviceCfg::CDlgExportDeviceCfg(const QString &strDeviceName, QWidget *pParent)
    : QDialog(pParent), m_strDeviceName(strDeviceName)
{
    setWindowTitle(QString::fromUtf8("导出设备数据配置"));
    setModal(true);

    m_pTable = new CMTTableWidget(this);
    m_pTable->SetTblColumn(EXPORT_COLUMNS, 2);
    m_pTable->setRowCount(EXPORT_ROW_COUNT);
    for (int nRow = 0; nRow < EXPORT_ROW_COUNT; ++nRow) {
        m_pTable->SetLabelCell(nRow, 0, QString::fromUtf8(EXPORT_ROWS[nRow][0]));
        m_pTable->SetValueCell(nRow, 1, QString())->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }

    QPushButton *pOk = LayOutDialog(this, {m_pTable}, {}, QString::fromUtf8("确认"), QString::fromUtf8("取消"));
    connect(pOk, &QPushButton::clicked, this, &CDlgExportDeviceCfg::slExportCfg);
    setFixedSize(430, 240);
}

void CDlgExportDeviceCfg::slExportCfg()
{
    QStringList lstTexts;
    for (int nRow = 0; nRow < EXPORT_ROW_COUNT; ++nRow) {
        lstTexts << m_pTable->item(nRow, 1)->text();
        if (EXPORT_ROWS[nRow][1] != nullptr && lstTexts.last().isEmpty()) {
            ShowInfoBox(QString::fromUtf8(EXPORT_ROWS[nRow][1]));
            return;
        }
    }
    DEVICE_CFG_TP_ACI_S stAttach;
    stAttach.strFactory = lstTexts.at(0);
    stAttach.strDeviceName = lstTexts.at(1);
    stAttach.strDeviceModel = lstTexts.at(2);
    stAttach.strCfgVersion = lstTexts.at(3);
    stAttach.strRemarks = lstTexts.at(4);

    CDeviceBase *pDevice = CDeviceMgr::GetDevice(m_strDeviceName);
    if (pDevice == nullptr) {
        ShowInfoBox(QString::fromUtf8("内部异常，导出失败！"));
        return;
    }
    const QString strProposal = QStringLiteral("[") + GetDeviceTypeName(pDevice->GetType()) + QStringLiteral("]")
                                + stAttach.strFactory + QLatin1Char('_') + stAttach.strDeviceName + QLatin1Char('_')
                                + stAttach.strDeviceModel + QLatin1Char('_') + stAttach.strCfgVersion;
    QString strPath = AskSaveFileName(this, QString::fromUtf8("选择设备配置模板文件保存路径..."), strProposal,
                                      QStringLiteral("(*.dtkestrix)"));
    if (strPath.isEmpty())
        return;
    // The platform's save dialogs do not add the suffix of the filter; without
    // it the template would not show in the import dialog.
    if (!strPath.endsWith(QLatin1String(TEMPLATE_SUFFIX), Qt::CaseInsensitive))
        strPath += QLatin1String(TEMPLATE_SUFFIX);

    const QString strResult = CCfgFileMgr::GetInstance()->ExportDeviceCfgTemplate(m_strDeviceName, strPath, stAttach);
    if (strResult != QLatin1String(RESULT_OK)) {
        ShowInfoBox(QString::fromUtf8("设备配置导出失败：") + strResult);
        return;
    }
    ShowInfoBox(QString::fromUtf8("设备配置导出成功！ ") + m_strDeviceName + QLatin1Char(':') + strPath);
    accept();
}
