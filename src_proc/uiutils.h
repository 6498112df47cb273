#ifndef UIUTILS_H
#define UIUTILS_H

// Shared helpers that need widgets: the standard message boxes, the seams
// through which every modal dialog runs, and the application's look.

#include <QColor>
#include <QFont>
#include <QString>
#include <QVariant>
#include <functional>

class QDialog;
class QWidget;

// Interface texts stand in the sources as UTF-8.
inline QString T(const char *pText)
{
    return QString::fromUtf8(pText);
}

void SetWidgetBaseColor(QWidget *pWidget, const QColor &objColor);

// True when OK was pressed.
bool ShowQuestionBox(const QString &strText);
void ShowInfoBox(const QString &strText);
// True when Yes was pressed.
bool ShowYesNoBox(const QString &strText);

enum MESSAGE_BOX_KIND_EN
{
    MESSAGE_BOX_QUESTION,
    MESSAGE_BOX_INFO,
    MESSAGE_BOX_YESNO,
};

// Seam for tests and headless runs: while set, the boxes are not shown; the
// function receives what would have been shown and answers for the user
// (true = OK / Yes). An empty function restores the real boxes.
void SetMessageBoxResponder(std::function<bool(MESSAGE_BOX_KIND_EN, const QString &)> fnResponder);

// Every modal dialog of our own runs through ExecDialog instead of exec().
// While a dialog responder is set, the dialog is shown without a nested event
// loop and handed to the responder, which acts as the user would (types,
// clicks its buttons, or waits for it to close by itself); the result is the
// dialog's result at the responder's return (a dialog the responder left open
// counts as rejected) and the dialog is hidden again.
int ExecDialog(QDialog *pDialog);
void SetDialogResponder(std::function<void(QDialog *)> fnResponder);

// The platform's standard dialogs (files, folders, colours) run through these.
enum STD_DIALOG_KIND_EN
{
    STD_DIALOG_SAVE_FILE,
    STD_DIALOG_OPEN_FILE,
    STD_DIALOG_DIRECTORY,
    STD_DIALOG_COLOR,
};
QString AskSaveFileName(QWidget *pParent, const QString &strCaption, const QString &strDir, const QString &strFilter);
QString AskOpenFileName(QWidget *pParent, const QString &strCaption, const QString &strDir, const QString &strFilter);
QString AskExistingDirectory(QWidget *pParent, const QString &strCaption, const QString &strDir);
// An invalid colour when cancelled.
QColor AskColor(const QColor &objInitial, QWidget *pParent, const QString &strCaption);
// While set, the standard dialogs are not shown: the responder gets the kind,
// the caption and the initial value (start folder or colour) and returns the
// answer (a path text or a QColor; an empty/invalid value means cancel).
void SetStdDialogResponder(std::function<QVariant(STD_DIALOG_KIND_EN, const QString &strCaption, const QVariant &objInitial)> fnResponder);

// The application's look, shared by the program, the picture renderer and the
// interface tests: resources, the style sheet, and fonts. The interface names
// Windows fonts ("Microsoft Yahei", "Courier New"); where they are missing the
// installed CJK and monospace fonts stand in, so Chinese text gets real glyphs.
void InitUiResources();
void InstallFontSubstitutes();
QString LoadAppStyleSheet();
QFont MakeAppFont(const QFont &objBase);
// Resources, font substitutes, style sheet and the application font at once.
void ApplyAppLook();

#endif // UIUTILS_H
