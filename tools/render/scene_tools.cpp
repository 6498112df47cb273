// Scenes of the tools page and the custom frame page.

#include "renderscene.h"

#include "cdlgcommtools.h"

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

QString T(const char *pText)
{
    return QString::fromUtf8(pText);
}

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

} // namespace
