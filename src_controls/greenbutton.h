#ifndef GREENBUTTON_H
#define GREENBUTTON_H

// The action button of our dialogs: fixed size, styled by the application
// style sheet through its object name "greenButton".

#include <QString>

class QPushButton;
class QWidget;

QPushButton *NewGreenButton(const QString &strText, QWidget *pParent, int nWidth = 80, int nHeight = 30);

#endif // GREENBUTTON_H
