#ifndef GREENBUTTON_H
#define GREENBUTTON_H

// The buttons of our dialogs and the one arrangement most of them share.

#include <QList>
#include <QString>

class QDialog;
class QPushButton;
class QWidget;

// Fixed size, styled by the application style sheet through its object name
// "greenButton".
QPushButton *NewGreenButton(const QString &strText, QWidget *pParent, int nWidth = 80, int nHeight = 30);

// Stacks lstContent in the dialog above one row of buttons: lstLeft on the
// left, the confirm and cancel buttons on the right. Cancel rejects; the
// confirm button is returned unconnected, for the caller's check or accept().
QPushButton *LayOutDialog(QDialog *pDialog, const QList<QWidget *> &lstContent, const QList<QWidget *> &lstLeft,
                          const QString &strConfirm, const QString &strCancel);

#endif // GREENBUTTON_H
