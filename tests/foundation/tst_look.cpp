// The style sheet: it must parse and leave alone the colours widgets set in code.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

#include "uiutils.h"

namespace {

QStringList g_lstStyleWarnings;
QtMessageHandler g_pfnPrevHandler = nullptr;

void CaptureStyleWarnings(QtMsgType nType, const QMessageLogContext &objCtx, const QString &strMsg)
{
    if (nType == QtWarningMsg && strMsg.contains(QLatin1String("style"), Qt::CaseInsensitive))
        g_lstStyleWarnings << strMsg;
    if (g_pfnPrevHandler != nullptr)
        g_pfnPrevHandler(nType, objCtx, strMsg);
}

QImage Grab(QWidget *pWidget)
{
    pWidget->ensurePolished();
    return pWidget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TstLook : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        g_pfnPrevHandler = qInstallMessageHandler(CaptureStyleWarnings);
        InitUiResources();
        qApp->setStyleSheet(LoadAppStyleSheet());
    }

    void cleanupTestCase() { qInstallMessageHandler(g_pfnPrevHandler); }

    void styleSheet()
    {
        g_lstStyleWarnings.clear();
        // Polishing one of each styled class makes Qt parse every rule that applies.
        QWidget objHost;
        auto *pLayout = new QVBoxLayout(&objHost);
        pLayout->addWidget(new QPushButton("a", &objHost));
        pLayout->addWidget(new QToolButton(&objHost));
        pLayout->addWidget(new QCheckBox("c", &objHost));
        pLayout->addWidget(new QComboBox(&objHost));
        pLayout->addWidget(new QTableWidget(2, 2, &objHost));
        objHost.resize(300, 400);
        Grab(&objHost);
        QVERIFY2(g_lstStyleWarnings.isEmpty(), qPrintable(g_lstStyleWarnings.join('\n')));

        // Cells coloured in code keep their colour; so do edits and tables given a base colour.
        QTableWidget objTable(2, 2);
        objTable.resize(300, 200);
        objTable.setAlternatingRowColors(true);
        auto *pItem = new QTableWidgetItem(QString());
        pItem->setBackground(QColor(0, 255, 255));
        objTable.setItem(1, 1, pItem);
        const QPoint objCell = objTable.viewport()->mapTo(&objTable, objTable.visualItemRect(pItem).center());
        QCOMPARE(QColor(Grab(&objTable).pixel(objCell)), QColor(0, 255, 255));
        QLineEdit objEdit;
        objEdit.resize(150, 30);
        SetWidgetBaseColor(&objEdit, QColor(194, 217, 233));
        QCOMPARE(QColor(Grab(&objEdit).pixel(QPoint(140, 15))), QColor(194, 217, 233));
        QTableWidget objPlain(1, 1);
        objPlain.resize(300, 200);
        SetWidgetBaseColor(&objPlain, QColor(194, 217, 233));
        QCOMPARE(QColor(Grab(&objPlain).pixel(objPlain.viewport()->mapTo(&objPlain, QPoint(250, 150)))),
                 QColor(194, 217, 233));
        SetWidgetBaseColor(nullptr, Qt::red); // must not crash
    }
};

QTEST_MAIN(TstLook)
#include "tst_look.moc"
