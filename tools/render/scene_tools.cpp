// Scenes of the tools page and the custom frame page.

#include "renderscene.h"

#include "ccfgfilemgr.h"
#include "cdevicebase.h"
#include "cdevicemgr.h"
#include "cdlgcommtools.h"
#include "cdlglinkcurve.h"
#include "cdlgselfdef.h"
#include "cdlgselfdefdevice.h"
#include "csdpushbutton.h"
#include "uiutils.h"

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

namespace {

template <class W> W *InGroup(QWidget *pPage, const char *pTitle)
{
    for (QGroupBox *pGroup : pPage->findChildren<QGroupBox *>()) {
        if (pGroup->title() == T(pTitle))
            return pGroup->findChild<W *>();
    }
    return nullptr;
}

// Typed as a user types it, so the fields that follow user edits follow.
void TypeInto(QLineEdit *pEdit, const QString &strText)
{
    pEdit->selectAll();
    QKeyEvent objKey(QEvent::KeyPress, 0, Qt::NoModifier, strText);
    QApplication::sendEvent(pEdit, &objKey);
}

void ClickOn(QWidget *pPage, const char *pText)
{
    for (QPushButton *pButton : pPage->findChildren<QPushButton *>()) {
        if (pButton->text() == T(pText))
            pButton->click();
    }
}

RenderSceneRegistrar s_objCommTools("tools_commtools", [](const QString &strOut) {
    CDlgCommTools objPage;
    TypeInto(InGroup<QLineEdit>(&objPage, "纪元秒(十进制)"), QStringLiteral("1700000000"));
    TypeInto(InGroup<QLineEdit>(&objPage, "浮点数(float)"), QStringLiteral("-12.5"));
    auto *pEditor = objPage.findChild<QPlainTextEdit *>();
    pEditor->setPlainText(QStringLiteral("01 03 00 00 00 0A"));
    ClickOn(&objPage, "CRC / Size");
    pEditor->setPlainText(QStringLiteral("4B 65 73 74 72 69 78 20 E6 B5 8B 0D 0A 01 03 00 00 00 0A C5 CD"));
    SaveGrab(&objPage, strOut, QStringLiteral("tools_commtools"), 920, 600);
});

// Rows answered, one timed out, one with its curve on, one not ticked.
RenderSceneRegistrar s_objSelfDef("tools_selfdef", [](const QString &strOut) {
    CCfgFileMgr::GetInstance()->ClearCfg();
    const QString strMaster = QStringLiteral("[M]ttyUSB0-001");
    {
        CDlgSelfDef objPage;
        CDeviceMgr::AddDevice(QString(), QStringLiteral("ttyUSB0"), 1, 1, 1);
        objPage.slCurrActvDeviceChanged(strMaster);
        CDlgSelfDefDevice *pDevicePage = objPage.GetCurrPage();
        auto *pTable = pDevicePage->findChild<QTableWidget *>();
        const char *const pPdus[] = {"03 00 00 00 0A", "06 00 10 12 34", "10 00 20 00 02 04 00 01 00 02",
                                     "01 00 00 00 10", ""};
        for (const char *pPdu : pPdus) {
            pDevicePage->slNewCfgRow();
            qobject_cast<QLineEdit *>(pTable->cellWidget(pTable->rowCount() - 1, 1))->setText(QString::fromLatin1(pPdu));
        }
        pTable->item(3, 0)->setCheckState(Qt::Unchecked);
        pTable->item(1, 3)->setText(QStringLiteral("200"));
        pTable->item(0, 4)->setText(QStringLiteral("1000"));
        qobject_cast<CSDPushButton *>(pTable->cellWidget(0, 5))->click();
        CDeviceBase *pMaster = CDeviceMgr::GetDevice(strMaster);
        emit pMaster->siRefreshSelfDeviceData(strMaster, 1, 23);
        emit pMaster->siRefreshSelfDeviceData(strMaster, 2, -1);
        emit pMaster->siRefreshSelfDeviceData(strMaster, 3, 9);
        SaveGrab(&objPage, strOut, QStringLiteral("tools_selfdef"), 1010, 330);
    }
    CDlgLinkDataCurve::DestroyInstance();
    CDeviceMgr::DestroyInstance();
});

} // namespace
