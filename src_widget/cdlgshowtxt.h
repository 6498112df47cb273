#ifndef CDLGSHOWTXT_H
#define CDLGSHOWTXT_H

// A read-only view of the head of a text file: the lines up to the first empty
// one, so a change log shows only its newest entry.

#include <QDialog>

class CDlgShowTxt : public QDialog
{
    Q_OBJECT

public:
    CDlgShowTxt(const QString &strFilePath, QWidget *pParent = nullptr);
};

#endif // CDLGSHOWTXT_H
