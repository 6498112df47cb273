#include "cdlgshowtxt.h"

#include <QFile>
#include <QTextCodec>
#include <QTextEdit>
#include <QTextStream>
#include <QVBoxLayout>

CDlgShowTxt::CDlgShowTxt(const QString &strFilePath, QWidget *pParent)
    : QDialog(pParent)
{
    auto *pTextEdit = new QTextEdit(this);
    setMinimumSize(500, 600);
    pTextEdit->setReadOnly(true);
    auto *pLayout = new QVBoxLayout(this);
    pLayout->setSpacing(5);
    pLayout->setContentsMargins(10, 10, 10, 10);
    pLayout->addWidget(pTextEdit);

    QFile objFile(strFilePath);
    if (!objFile.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    // The change log is written in the system's 8-bit encoding; where no
    // codec of the name "ANSI" exists the locale's codec is that encoding.
    QTextCodec *pCodec = QTextCodec::codecForName("ANSI");
    QTextStream objStream(&objFile);
    objStream.setCodec(pCodec != nullptr ? pCodec : QTextCodec::codecForLocale());
    QString strLine;
    while (objStream.readLineInto(&strLine) && !strLine.isEmpty())
        pTextEdit->append(strLine);
}
