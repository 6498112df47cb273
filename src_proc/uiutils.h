#ifndef UIUTILS_H
#define UIUTILS_H

// Shared helpers that need widgets: the two standard message boxes and a
// widget colour helper.

#include <QColor>
#include <QString>
#include <functional>

class QWidget;

void SetWidgetBaseColor(QWidget *pWidget, const QColor &objColor);

// True when OK was pressed.
bool ShowQuestionBox(const QString &strText);
void ShowInfoBox(const QString &strText);

enum MESSAGE_BOX_KIND_EN
{
    MESSAGE_BOX_QUESTION,
    MESSAGE_BOX_INFO,
};

// Seam for tests and headless runs: while set, the boxes are not shown; the
// function receives what would have been shown and answers for the user
// (true = OK). An empty function restores the real boxes.
void SetMessageBoxResponder(std::function<bool(MESSAGE_BOX_KIND_EN, const QString &)> fnResponder);

#endif // UIUTILS_H
