#include "uiutils.h"

#include <QMessageBox>
#include <QPalette>
#include <QWidget>

namespace {

std::function<bool(MESSAGE_BOX_KIND_EN, const QString &)> &Responder()
{
    static std::function<bool(MESSAGE_BOX_KIND_EN, const QString &)> fnResponder;
    return fnResponder;
}

const char *const BOX_STYLE = "QLabel {min-height:32px;}";

} // namespace

void SetMessageBoxResponder(std::function<bool(MESSAGE_BOX_KIND_EN, const QString &)> fnResponder)
{
    Responder() = std::move(fnResponder);
}

void SetWidgetBaseColor(QWidget *pWidget, const QColor &objColor)
{
    if (pWidget == nullptr)
        return;
    QPalette objPalette = pWidget->palette();
    objPalette.setBrush(QPalette::All, QPalette::Base, QBrush(objColor, Qt::SolidPattern));
    pWidget->setPalette(objPalette);
}

bool ShowQuestionBox(const QString &strText)
{
    if (Responder())
        return Responder()(MESSAGE_BOX_QUESTION, strText);
    QMessageBox objBox(QMessageBox::Question, QString(), strText, QMessageBox::Ok | QMessageBox::Cancel);
    objBox.setStyleSheet(QString::fromLatin1(BOX_STYLE));
    objBox.setDefaultButton(QMessageBox::Ok);
    return objBox.exec() == QMessageBox::Ok;
}

void ShowInfoBox(const QString &strText)
{
    if (Responder()) {
        Responder()(MESSAGE_BOX_INFO, strText);
        return;
    }
    QMessageBox objBox(QMessageBox::Information, QString(), strText, QMessageBox::Ok);
    objBox.setStyleSheet(QString::fromLatin1(BOX_STYLE));
    objBox.exec();
}
