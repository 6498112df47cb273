#include "uiutils.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPalette>
#include <QWidget>

namespace {

std::function<bool(MESSAGE_BOX_KIND_EN, const QString &)> &Responder()
{
    static std::function<bool(MESSAGE_BOX_KIND_EN, const QString &)> fnResponder;
    return fnResponder;
}

std::function<void(QDialog *)> &DialogResponder()
{
    static std::function<void(QDialog *)> fnResponder;
    return fnResponder;
}

std::function<QVariant(STD_DIALOG_KIND_EN, const QString &, const QVariant &)> &StdResponder()
{
    static std::function<QVariant(STD_DIALOG_KIND_EN, const QString &, const QVariant &)> fnResponder;
    return fnResponder;
}

const char *const BOX_STYLE = "QLabel {min-height:32px;}";

QString AskPath(STD_DIALOG_KIND_EN enKind, const QString &strCaption, const QString &strDir,
                const std::function<QString()> &fnReal)
{
    if (StdResponder())
        return StdResponder()(enKind, strCaption, strDir).toString();
    return fnReal();
}

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

bool ShowYesNoBox(const QString &strText)
{
    if (Responder())
        return Responder()(MESSAGE_BOX_YESNO, strText);
    QMessageBox objBox(QMessageBox::Question, QString(), strText, QMessageBox::Yes | QMessageBox::No);
    objBox.setStyleSheet(QString::fromLatin1(BOX_STYLE));
    objBox.setDefaultButton(QMessageBox::Yes);
    return objBox.exec() == QMessageBox::Yes;
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

void SetDialogResponder(std::function<void(QDialog *)> fnResponder)
{
    DialogResponder() = std::move(fnResponder);
}

int ExecDialog(QDialog *pDialog)
{
    if (pDialog == nullptr)
        return QDialog::Rejected;
    if (!DialogResponder())
        return pDialog->exec();
    pDialog->setResult(QDialog::Rejected);
    pDialog->show();
    DialogResponder()(pDialog);
    const int nResult = pDialog->isVisible() ? int(QDialog::Rejected) : pDialog->result();
    pDialog->hide();
    return nResult;
}

void SetStdDialogResponder(std::function<QVariant(STD_DIALOG_KIND_EN, const QString &, const QVariant &)> fnResponder)
{
    StdResponder() = std::move(fnResponder);
}

QString AskSaveFileName(QWidget *pParent, const QString &strCaption, const QString &strDir, const QString &strFilter)
{
    return AskPath(STD_DIALOG_SAVE_FILE, strCaption, strDir,
                   [&] { return QFileDialog::getSaveFileName(pParent, strCaption, strDir, strFilter); });
}

QString AskOpenFileName(QWidget *pParent, const QString &strCaption, const QString &strDir, const QString &strFilter)
{
    return AskPath(STD_DIALOG_OPEN_FILE, strCaption, strDir,
                   [&] { return QFileDialog::getOpenFileName(pParent, strCaption, strDir, strFilter); });
}

QString AskExistingDirectory(QWidget *pParent, const QString &strCaption, const QString &strDir)
{
    return AskPath(STD_DIALOG_DIRECTORY, strCaption, strDir, [&] {
        return QFileDialog::getExistingDirectory(pParent, strCaption, strDir, QFileDialog::ShowDirsOnly);
    });
}

QColor AskColor(const QColor &objInitial, QWidget *pParent, const QString &strCaption)
{
    if (StdResponder())
        return StdResponder()(STD_DIALOG_COLOR, strCaption, objInitial).value<QColor>();
    return QColorDialog::getColor(objInitial, pParent, strCaption);
}

void InitUiResources()
{
    Q_INIT_RESOURCE(kestrix);
}

void InstallFontSubstitutes()
{
    QFont::insertSubstitutions(QStringLiteral("Microsoft Yahei"),
                               {QStringLiteral("Microsoft YaHei"), QStringLiteral("WenQuanYi Micro Hei"),
                                QStringLiteral("Noto Sans CJK SC")});
    QFont::insertSubstitutions(QStringLiteral("Courier New"),
                               {QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono"),
                                QStringLiteral("WenQuanYi Micro Hei Mono")});
}

QString LoadAppStyleSheet()
{
    QFile objQss(QStringLiteral(":/qss/Kestrix"));
    if (!objQss.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(objQss.readAll());
}

QFont MakeAppFont(const QFont &objBase)
{
    QFont objFont = objBase;
    objFont.setFamily(QStringLiteral("Microsoft Yahei"));
    objFont.setPixelSize(15);
    objFont.setUnderline(false);
    objFont.setWeight(50);
    return objFont;
}

void ApplyAppLook()
{
    InitUiResources();
    InstallFontSubstitutes();
    qApp->setStyleSheet(LoadAppStyleSheet());
    QApplication::setFont(MakeAppFont(QApplication::font()));
}
