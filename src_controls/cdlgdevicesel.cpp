#include "cdlgdevicesel.h"

#include "cdevicebase.h"
#include "cdevicemgr.h"
#include "cmttablewidget.h"
#include "cportmgr.h"
#include "devicedefine.h"
#include "greenbutton.h"
#include "uiutils.h"

#include <QPushButton>
#include <algorithm>

namespace {

enum
{
    COLUMN_NO = 0,
    COLUMN_NAME = 1,
    COLUMN_CHECK = 2,
};

const MT_TBL_COLUMN_S DEVICE_SEL_COLUMNS[] = {
    {COLUMN_NO, 80, false, QString::fromUtf8("序号")},
    {COLUMN_NAME, 250, false, QString::fromUtf8("设备名称")},
    {COLUMN_CHECK, 70, false, QString::fromUtf8("选择")},
};

// True when an item matching fnMatch is ticked.
template <typename MATCH>
bool IsTicked(const QList<SIG_SEL_ITEM_S> &lstItems, MATCH fnMatch)
{
    return std::any_of(lstItems.begin(), lstItems.end(),
                       [&](const SIG_SEL_ITEM_S &stItem) { return stItem.bChecked && fnMatch(stItem); });
}

} // namespace

CDlgDeviceSel::CDlgDeviceSel(const QString &strExcludedName, qint16 nType, QWidget *pParent)
    : QDialog(pParent), m_strExcludedName(strExcludedName)
{
    setWindowTitle(QString::fromUtf8("选择设备"));
    setModal(true);
    setFixedSize(450, 500);

    quint16 nCount = 0;
    const DEVICE_TYPE_INFO_S *pTypes = GetDeviceTypeInfoTable(nCount);
    for (quint16 i = 0; i < nCount; ++i) {
        if ((pTypes[i].nDeviceType & quint16(nType)) != 0)
            m_lstTypes.append({QString::asprintf("%u", unsigned(pTypes[i].nDeviceType)),
                               QString::fromUtf8(pTypes[i].pLabel), true});
    }
    // A device whose link could not be made is not in the link manager; it
    // still gets an item, or no filter setting could ever list it.
    QStringList lstPortNames = CPortMgr::GetPortNames();
    for (CDeviceBase *pDevice : CDeviceMgr::GetDeviceList()) {
        if (!lstPortNames.contains(pDevice->GetPortName()))
            lstPortNames.append(pDevice->GetPortName());
    }
    for (int i = 0; i < lstPortNames.size(); ++i)
        m_lstPorts.append({QString::asprintf("%d", i + 1), lstPortNames.at(i), true});

    m_pTable = new CMTTableWidget(this);
    m_pTable->SetTblColumn(DEVICE_SEL_COLUMNS, int(sizeof(DEVICE_SEL_COLUMNS) / sizeof(DEVICE_SEL_COLUMNS[0])));

    QPushButton *pType = NewGreenButton(QString::fromUtf8("类型筛选"), this);
    QPushButton *pPort = NewGreenButton(QString::fromUtf8("端口筛选"), this);
    QPushButton *pOk =
        LayOutDialog(this, {m_pTable}, {pType, pPort}, QString::fromUtf8("确定"), QString::fromUtf8("取消"));
    connect(pType, &QPushButton::clicked, this, &CDlgDeviceSel::slFilterType);
    connect(pPort, &QPushButton::clicked, this, &CDlgDeviceSel::slFilterPort);
    connect(pOk, &QPushButton::clicked, this, &QDialog::accept);

    ListDevices();
}

void CDlgDeviceSel::ListDevices()
{
    m_pTable->setRowCount(0);
    const QList<CDeviceBase *> lstDevices = CDeviceMgr::GetDeviceList();
    for (int nPos = 0; nPos < lstDevices.size(); ++nPos) {
        CDeviceBase *pDevice = lstDevices.at(nPos);
        const QString strName = pDevice->GetName();
        const QString strType = QString::asprintf("%u", unsigned(pDevice->GetType()));
        const QString strPort = pDevice->GetPortName();
        if (strName == m_strExcludedName
            || !IsTicked(m_lstTypes, [&](const SIG_SEL_ITEM_S &stItem) { return stItem.strNo == strType; })
            || !IsTicked(m_lstPorts, [&](const SIG_SEL_ITEM_S &stItem) { return stItem.strName == strPort; }))
            continue;
        const int nRow = m_pTable->rowCount();
        m_pTable->insertRow(nRow);
        auto *pNo = new QTableWidgetItem(QString::asprintf("%03d", nPos + 1));
        pNo->setFlags(Qt::ItemIsEnabled);
        pNo->setTextAlignment(Qt::AlignCenter);
        auto *pName = new QTableWidgetItem(strName);
        pName->setFlags(Qt::ItemIsEnabled);
        auto *pCheck = new QTableWidgetItem;
        pCheck->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        pCheck->setCheckState(Qt::Unchecked);
        m_pTable->setItem(nRow, COLUMN_NO, pNo);
        m_pTable->setItem(nRow, COLUMN_NAME, pName);
        m_pTable->setItem(nRow, COLUMN_CHECK, pCheck);
    }
}

QList<QString> CDlgDeviceSel::GetSelDeviceNames() const
{
    QList<QString> lstNames;
    for (int nRow = 0; nRow < m_pTable->rowCount(); ++nRow) {
        if (m_pTable->item(nRow, COLUMN_CHECK)->checkState() == Qt::Checked)
            lstNames.append(m_pTable->item(nRow, COLUMN_NAME)->text());
    }
    return lstNames;
}

bool CDlgDeviceSel::AskFilter(const QString &strTitle, QList<SIG_SEL_ITEM_S> &lstItems)
{
    CDlgSigSel objDialog(strTitle, lstItems, this);
    if (ExecDialog(&objDialog) != QDialog::Accepted)
        return false;
    lstItems = objDialog.GetItems();
    return true;
}

void CDlgDeviceSel::slFilterType()
{
    if (AskFilter(QString::fromUtf8("选择需要筛选的设备类型"), m_lstTypes))
        ListDevices();
}

void CDlgDeviceSel::slFilterPort()
{
    if (AskFilter(QString::fromUtf8("选择筛选的端口"), m_lstPorts))
        ListDevices();
}
