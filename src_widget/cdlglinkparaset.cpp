#include "cdlglinkparaset.h"

#include <QComboBox>
#include <QPushButton>
#include <limits>

#include "ccomparamgr.h"
#include "cmttablewidget.h"
#include "cnetparamgr.h"
#include "greenbutton.h"
#include "linkdefine.h"
#include "uiutils.h"

namespace {

enum : int
{
    ROW_NAME = 0,
    // serial
    ROW_COM_TRANS_MODE = 1,
    ROW_BAUD_RATE = 2,
    ROW_PARITY = 3,
    ROW_STOP_BITS = 4,
    ROW_BREAK_TIME = 5,
    // network
    ROW_LINK_MODE = 1,
    ROW_NET_TRANS_MODE = 2,
    ROW_DES_IP = 3,
    ROW_PORT_ID = 4,
    ROW_MAX_ASYN = 5,
};

const MT_TBL_COLUMN_S PARA_COLUMNS[] = {
    {0, 150, false, T("参数名")},
    {1, 170, false, T("数值")},
};

QStringList ModeNames(QString (*fnName)(unsigned short), unsigned short nCount)
{
    QStringList lstNames;
    for (unsigned short i = 0; i < nCount; ++i)
        lstNames << fnName(i);
    return lstNames;
}

} // namespace

CDlgLinkParaSet::CDlgLinkParaSet(int nLinkKind, const QString &strLinkName, QWidget *pParent)
    : QDialog(pParent), m_nLinkKind(nLinkKind), m_pTable(new CMTTableWidget(this))
{
    setModal(true);
    setFixedSize(350, 277);
    m_pTable->setObjectName(QStringLiteral("linkParaTable"));
    m_pTable->SetTblColumn(PARA_COLUMNS, 2);
    m_pTable->setRowCount(6);

    QPushButton *pOk = LayOutDialog(this, {m_pTable}, {}, T("确认"), T("取消"));
    connect(pOk, &QPushButton::clicked, this, &CDlgLinkParaSet::slSavePara);

    m_stComPara.strPortName = strLinkName;
    m_stNetPara.strNetName = strLinkName;
    m_pTable->SetLabelCell(ROW_NAME, 0, T("链接名称"));
    m_pTable->SetValueCell(ROW_NAME, 1, strLinkName)->setFlags(Qt::ItemIsEnabled);
    if (m_nLinkKind == LINK_KIND_COM) {
        setWindowTitle(T("串口参数配置"));
        CComParaMgr::GetComPara(strLinkName, m_stComPara);
        FillComRows();
    } else {
        setWindowTitle(T("网络参数配置"));
        CNetParaMgr::GetNetPara(strLinkName, m_stNetPara);
        FillNetRows();
    }
}

void CDlgLinkParaSet::FillComRows()
{
    AddComboRow(ROW_COM_TRANS_MODE, T("传输模式"), ModeNames(GetTransModeName, TRANS_MODE_ASCII + 1),
                m_stComPara.nTransMode);
    AddValueRow(ROW_BAUD_RATE, T("波特率"), m_stComPara.nBaudRate);
    AddComboRow(ROW_PARITY, T("校验方式"), {T("  无校验"), T("  奇校验"), T("  偶校验")}, m_stComPara.nParity);
    AddComboRow(ROW_STOP_BITS, T("停止位"), {T(" 1 bit"), T(" 1.5 bit"), T(" 2 bit")}, m_stComPara.nStopBits);
    AddValueRow(ROW_BREAK_TIME, T("断帧时间(ms)"), m_stComPara.nBreakTime);
}

void CDlgLinkParaSet::FillNetRows()
{
    AddComboRow(ROW_LINK_MODE, T("链接模式"), ModeNames(GetLinkModeName, LINK_MODE_UDP_UNICAST + 1),
                m_stNetPara.nLinkMode);
    QComboBox *pTransMode = AddComboRow(ROW_NET_TRANS_MODE, T("传输模式"),
                                        ModeNames(GetTransModeName, TRANS_MODE_TCP_ASYNC + 1), m_stNetPara.nTransMode);
    AddValueRow(ROW_DES_IP, T("目标/对端IP"), m_stNetPara.strDesIP);
    AddValueRow(ROW_PORT_ID, T("目标/监听端口"), uint(m_stNetPara.nPortID));
    AddValueRow(ROW_MAX_ASYN, T("最大并发请求数"), uint(m_stNetPara.nMaxAsynNum));
    connect(pTransMode, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &CDlgLinkParaSet::slCBNetTransModeParaChange);
    slCBNetTransModeParaChange(pTransMode->currentIndex());
}

QComboBox *CDlgLinkParaSet::AddComboRow(int nRow, const QString &strLabel, const QStringList &lstTexts, int nSelect)
{
    m_pTable->SetLabelCell(nRow, 0, strLabel);
    auto *pCombo = new QComboBox(m_pTable);
    pCombo->addItems(lstTexts);
    // A code no entry stands for shows no entry and is saved unchanged.
    pCombo->setCurrentIndex(nSelect < lstTexts.size() ? nSelect : -1);
    m_pTable->setCellWidget(nRow, 1, pCombo);
    return pCombo;
}

void CDlgLinkParaSet::AddValueRow(int nRow, const QString &strLabel, const QVariant &objValue)
{
    m_pTable->SetLabelCell(nRow, 0, strLabel);
    // Numbers are kept as numbers, so the cell's editor takes digits only.
    m_pTable->SetValueCell(nRow, 1, objValue);
}

void CDlgLinkParaSet::slCBNetTransModeParaChange(int)
{
    auto *pTransMode = qobject_cast<QComboBox *>(m_pTable->cellWidget(ROW_NET_TRANS_MODE, 1));
    QTableWidgetItem *pMaxAsyn = m_pTable->item(ROW_MAX_ASYN, 1);
    if (pTransMode == nullptr || pMaxAsyn == nullptr)
        return;
    const bool bAsync = pTransMode->currentIndex() == TRANS_MODE_TCP_ASYNC;
    pMaxAsyn->setFlags(bAsync ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable : Qt::NoItemFlags);
}

bool CDlgLinkParaSet::ReadNumber(int nRow, qint64 nMin, qint64 nMax, qint64 &nOut) const
{
    bool bOk = false;
    nOut = m_pTable->item(nRow, 1)->data(Qt::EditRole).toLongLong(&bOk);
    if (bOk && nOut >= nMin && nOut <= nMax)
        return true;
    // Stored in 16 or 32 bits, an out-of-range number would silently become
    // another one (a port 70000 listening on 4464).
    ShowInfoBox(T("参数值超出范围：") + m_pTable->item(nRow, 0)->text());
    return false;
}

bool CDlgLinkParaSet::SaveComPara()
{
    COM_PARA_DATA_S stPara = m_stComPara;
    qint64 nBaudRate = 0;
    qint64 nBreakTime = 0;
    if (!ReadNumber(ROW_BAUD_RATE, 1, std::numeric_limits<qint32>::max(), nBaudRate)
        || !ReadNumber(ROW_BREAK_TIME, 0, std::numeric_limits<quint32>::max(), nBreakTime))
        return false;
    const auto fnIndex = [this](int nRow, quint16 &nField) {
        const int nIndex = qobject_cast<QComboBox *>(m_pTable->cellWidget(nRow, 1))->currentIndex();
        if (nIndex >= 0)
            nField = quint16(nIndex);
    };
    fnIndex(ROW_COM_TRANS_MODE, stPara.nTransMode);
    fnIndex(ROW_PARITY, stPara.nParity);
    fnIndex(ROW_STOP_BITS, stPara.nStopBits);
    stPara.nBaudRate = qint32(nBaudRate);
    stPara.nBreakTime = quint32(nBreakTime);
    stPara.nPresent = 1;
    if (!CComParaMgr::SetComPara(stPara)) {
        ShowInfoBox(T("参数配置失败！请确认多端口之间的参数是否存在冲突。"));
        return false;
    }
    return true;
}

bool CDlgLinkParaSet::SaveNetPara()
{
    NET_PARA_DATA_S stPara = m_stNetPara;
    const auto *pLinkMode = qobject_cast<QComboBox *>(m_pTable->cellWidget(ROW_LINK_MODE, 1));
    const auto *pTransMode = qobject_cast<QComboBox *>(m_pTable->cellWidget(ROW_NET_TRANS_MODE, 1));
    if (pLinkMode->currentIndex() >= 0)
        stPara.nLinkMode = quint16(pLinkMode->currentIndex());
    if (pTransMode->currentIndex() >= 0)
        stPara.nTransMode = quint16(pTransMode->currentIndex());
    stPara.strDesIP = m_pTable->item(ROW_DES_IP, 1)->text().trimmed();
    qint64 nPortID = 0;
    if (!ReadNumber(ROW_PORT_ID, 1, 65535, nPortID))
        return false;
    stPara.nPortID = quint16(nPortID);
    // Only the asynchronous mode uses the count, and only then can it be edited.
    if (stPara.nTransMode == TRANS_MODE_TCP_ASYNC) {
        qint64 nMaxAsyn = 0;
        if (!ReadNumber(ROW_MAX_ASYN, 1, 65535, nMaxAsyn))
            return false;
        stPara.nMaxAsynNum = quint16(nMaxAsyn);
    }
    if (!CNetParaMgr::SetNetPara(stPara)) {
        ShowInfoBox(T("参数配置失败！请确认多端口之间的参数是否存在冲突。"));
        return false;
    }
    return true;
}

void CDlgLinkParaSet::slSavePara()
{
    if (m_nLinkKind == LINK_KIND_COM ? SaveComPara() : SaveNetPara())
        accept();
}
