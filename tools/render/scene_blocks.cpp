// Scenes of the shared widgets and the selection and data-configuration dialogs.

#include "renderscene.h"

#include "ccfgfilemgr.h"
#include "cdevicemgr.h"
#include "cdlgbatchproc.h"
#include "cdlgchangedeviceinfo.h"
#include "cdlgdataset.h"
#include "cdlgdevicesel.h"
#include "cdlgfilesel.h"
#include "cdlgexportdevicecfg.h"
#include "cdlginputnum.h"
#include "cdlgparaset.h"
#include "cdlgprogress.h"
#include "cdlgsigsel.h"
#include "cdlgtestframeinput.h"
#include "cmtcombobox.h"
#include "cmttablewidget.h"
#include "commonfunc.h"
#include "csdpushbutton.h"
#include "csearchbox.h"
#include "pushbutton.h"
#include "toolbutton.h"
#include "uiutils.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

// A few masters and slaves on serial links, removed again by the guard.
struct DEVICES_GUARD_S
{
    DEVICES_GUARD_S()
    {
        CCfgFileMgr::GetInstance()->ClearCfg();
        CDeviceMgr::GetInstance();
        CDeviceMgr::AddDevice(QString(), QStringLiteral("ttyUSB0"), 1, 1, 3);
        CDeviceMgr::AddDevice(QString(), QStringLiteral("ttyUSB1"), 2, 1, 2);
        CDeviceMgr::AddDevice(QStringLiteral("Boiler room meter"), QStringLiteral("ttyS0"), 1, 7, 7);
    }
    ~DEVICES_GUARD_S() { CDeviceMgr::DestroyInstance(); }
};

const MT_TBL_COLUMN_S TABLE_COLUMNS[] = {
    {0, 50, false, T("ID")},
    {1, 160, false, T("名称")},
    {2, 140, false, T("区块")},
    {3, 90, true, T("选择")},
    {4, 70, false, T("批量读")},
    {5, 90, false, T("链接参数")},
};

RenderSceneRegistrar s_objTable("blocks_table", [](const QString &strOut) {
    QWidget objPage;
    auto *pLayout = new QVBoxLayout(&objPage);
    auto *pSearch = new CSearchBox(&objPage);
    auto *pTable = new CMTTableWidget(&objPage);
    pLayout->addWidget(pSearch);
    pLayout->addWidget(pTable);

    pTable->SetTblColumn(TABLE_COLUMNS, 6);
    const char *const pNames[] = {"进水温度", "出水温度", "泵运行", "Pump speed", "阀门开度", "报警字"};
    pTable->setRowCount(6);
    for (int nRow = 0; nRow < 6; ++nRow) {
        pTable->setItem(nRow, 0, new QTableWidgetItem(QString::number(nRow + 1)));
        pTable->setItem(nRow, 1, new QTableWidgetItem(T(pNames[nRow])));
        auto *pBlock = new CMTComboBox(nRow, 2, pTable);
        pBlock->FillItems(GetBlockTable(), nRow == 2 ? BLOCK_COIL : BLOCK_HOLDING_REG);
        pTable->setCellWidget(nRow, 2, pBlock);
        pTable->CreateToggleCell(nRow, 3, nRow != 4, nRow % 2 == 0);
        auto *pCheck = new QTableWidgetItem;
        pCheck->setFlags(nRow == 5 ? Qt::ItemIsUserCheckable : Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        pCheck->setCheckState(nRow < 3 ? Qt::Checked : Qt::Unchecked);
        pTable->setItem(nRow, 4, pCheck);
        auto *pButton = new CSDPushButton(nRow, 5, pTable);
        pButton->setText(T("配置"));
        pButton->setObjectName(QStringLiteral("greenButton"));
        pTable->setCellWidget(nRow, 5, pButton);
    }
    pSearch->SetTargetTable(pTable, 1);
    pSearch->GetLineEdit()->setText(T("温度"));
    pSearch->slDoFind();
    pSearch->slDoFind();
    SaveGrab(&objPage, strOut, QStringLiteral("blocks_table"), 640, 300);
});

RenderSceneRegistrar s_objButtons("blocks_buttons", [](const QString &strOut) {
    QWidget objPage;
    auto *pLayout = new QVBoxLayout(&objPage);
    auto *pProject = new QHBoxLayout;
    // normal, hover, pressed
    const char *const pImages[] = {":/img/prj_new", ":/img/prj_import", ":/img/prj_saveother"};
    for (int i = 0; i < 3; ++i) {
        auto *pButton = new PushButton(&objPage);
        pButton->SetImagePath(QString::fromLatin1(pImages[i]));
        pButton->setFixedSize(40, 40);
        pProject->addWidget(pButton);
        if (i >= 1) {
            QEvent objEnter(QEvent::Enter);
            QApplication::sendEvent(pButton, &objEnter);
        }
        if (i == 2) {
            QMouseEvent objPress(QEvent::MouseButtonPress, QPointF(20, 20), Qt::LeftButton, Qt::LeftButton,
                                 Qt::NoModifier);
            QApplication::sendEvent(pButton, &objPress);
        }
    }
    pProject->addStretch();
    pLayout->addLayout(pProject);

    auto *pNav = new QHBoxLayout;
    const char *const pIcons[][2] = {{":/toolWidget/device", "设备"}, {":/toolWidget/register", "数据"},
                                     {":/toolWidget/selfdef", "自定义"}, {":/toolWidget/count", "统计"},
                                     {":/toolWidget/tool", "辅助"}, {":/toolWidget/about", "关于"}};
    for (int i = 0; i < 6; ++i) {
        auto *pButton = new ToolButton(QString::fromLatin1(pIcons[i][0]), &objPage);
        pButton->setText(T(pIcons[i][1]));
        pButton->SetMousePress(i == 1);
        pNav->addWidget(pButton);
    }
    pLayout->addLayout(pNav);
    SaveGrab(&objPage, strOut, QStringLiteral("blocks_buttons"));
});

RenderSceneRegistrar s_objSigSel("blocks_sigsel", [](const QString &strOut) {
    QList<SIG_SEL_ITEM_S> lstItems;
    const char *const pTitles[] = {"ID", "名称", "区块", "地址", "数量", "数值", "单位", "范围", "系数"};
    for (int i = 0; i < 9; ++i)
        lstItems.append({QString::number(i == 0 ? 0 : i + 1), T(pTitles[i]), i % 4 != 3});
    CDlgSigSel objDialog(T("选择列显示/隐藏"), lstItems);
    SaveGrab(&objDialog, strOut, QStringLiteral("blocks_sigsel"));
});

RenderSceneRegistrar s_objDeviceSel("blocks_devicesel", [](const QString &strOut) {
    DEVICES_GUARD_S objDevices;
    CDlgDeviceSel objDialog(QStringLiteral("[M]ttyUSB0-002"), -1);
    objDialog.GetTable()->item(1, 2)->setCheckState(Qt::Checked);
    SaveGrab(&objDialog, strOut, QStringLiteral("blocks_devicesel"));
});

RenderSceneRegistrar s_objFileSel("blocks_filesel", [](const QString &strOut) {
    CDlgFileSel objDialog(nullptr, T("选择配置文件"), QStringLiteral("/home/operator/projects/泵站一期.kestrix"),
                          QStringLiteral("(*.kestrix)"));
    SaveGrab(&objDialog, strOut, QStringLiteral("blocks_filesel"));
});

RenderSceneRegistrar s_objBatch("blocks_batchproc", [](const QString &strOut) {
    CDlgBatchProc objDialog(T("启动批量读数据"), QStringLiteral("[M]ttyUSB0-001"), true, 1);
    SaveGrab(&objDialog, strOut, QStringLiteral("blocks_batchproc"));
});

RenderSceneRegistrar s_objChangeInfo("blocks_changedeviceinfo", [](const QString &strOut) {
    DEVICES_GUARD_S objDevices;
    CDlgChangeDeviceInfo objDialog(QStringLiteral("[S]ttyUSB1-002"), QStringLiteral("ttyUSB1"), 2);
    SaveGrab(&objDialog, strOut, QStringLiteral("blocks_changedeviceinfo"));
});

RenderSceneRegistrar s_objInputNum("blocks_inputnum", [](const QString &strOut) {
    CDlgInputNum objDialog;
    SaveGrab(&objDialog, strOut, QStringLiteral("blocks_inputnum"));
});

RenderSceneRegistrar s_objProgress("blocks_progress", [](const QString &strOut) {
    CDlgProgress objDialog(T("配置加载中[M]ttyUSB0-001"));
    objDialog.slProgressChanged(45);
    SaveGrab(&objDialog, strOut, QStringLiteral("blocks_progress"));
});

RenderSceneRegistrar s_objDataSet("blocks_dataset", [](const QString &strOut) {
    CDlgDataSet objDialog(T("出水温度"), QStringLiteral("42.5"));
    SaveGrab(&objDialog, strOut, QStringLiteral("blocks_dataset"));
});

DEVICE_COMMON_ATTR_S SampleAttr(quint16 nType)
{
    DEVICE_COMMON_ATTR_S objAttr;
    objAttr.nDeviceType = nType;
    objAttr.nAddrOffset = -1;
    objAttr.nPackWay = 1;
    objAttr.nBitGap = 16;
    objAttr.nRegGap = 8;
    objAttr.nOneReg10 = 1;
    objAttr.nBCast1 = 254;
    objAttr.nBCast2 = 255;
    return objAttr;
}

RenderSceneRegistrar s_objParaMaster("blocks_paraset_master", [](const QString &strOut) {
    CDlgParaSet objDialog(T("高级参数配置([M]ttyUSB0-001)"), QStringLiteral("[M]ttyUSB0-001"), 1, SampleAttr(1));
    SaveGrab(&objDialog, strOut, QStringLiteral("blocks_paraset_master"));
});

RenderSceneRegistrar s_objParaSlave("blocks_paraset_slave", [](const QString &strOut) {
    CDlgParaSet objDialog(T("高级参数配置([S]ttyUSB1-001)"), QStringLiteral("[S]ttyUSB1-001"), 2, SampleAttr(2));
    SaveGrab(&objDialog, strOut, QStringLiteral("blocks_paraset_slave"));
});

RenderSceneRegistrar s_objExport("blocks_exportdevicecfg", [](const QString &strOut) {
    CDlgExportDeviceCfg objDialog(QStringLiteral("[M]ttyUSB0-001"));
    const char *const pEntries[] = {"华东仪表", "电磁流量计", "LDG-80", "V1.2", ""};
    for (int nRow = 0; nRow < 5; ++nRow)
        objDialog.GetTable()->item(nRow, 1)->setText(T(pEntries[nRow]));
    SaveGrab(&objDialog, strOut, QStringLiteral("blocks_exportdevicecfg"));
});

RenderSceneRegistrar s_objFrameInput("blocks_testframeinput", [](const QString &strOut) {
    CDlgTestFrameInput objDialog(T("输入解析报文PDU(功能码+数据)"));
    objDialog.findChild<QTextEdit *>()->setPlainText(QStringLiteral("03 04 00 0A 00 0B"));
    SaveGrab(&objDialog, strOut, QStringLiteral("blocks_testframeinput"));
});

} // namespace
