// The dialog seams every interface test leans on, the compiled-in images at
// the sizes the layouts reserve, and the style sheet: it must parse and
// leave alone the colours widgets set in code.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
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

    void messageBoxes()
    {
        QList<QPair<MESSAGE_BOX_KIND_EN, QString>> objAsked;
        SetMessageBoxResponder([&](MESSAGE_BOX_KIND_EN enKind, const QString &strText) {
            objAsked.append({enKind, strText});
            return enKind == MESSAGE_BOX_QUESTION && strText == "yes";
        });
        QVERIFY(!ShowQuestionBox("no"));
        QVERIFY(ShowQuestionBox("yes"));
        ShowInfoBox("info");
        SetMessageBoxResponder({});
        QCOMPARE(objAsked.size(), 3);
        QCOMPARE(objAsked.at(2).first, MESSAGE_BOX_INFO);
        // Without a responder the real modal box runs: Enter takes OK, Escape cancels.
        for (const Qt::Key enKey : {Qt::Key_Return, Qt::Key_Escape}) {
            QTimer::singleShot(50, [enKey] {
                auto *pBox = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                QVERIFY(pBox != nullptr && pBox->icon() == QMessageBox::Question);
                QTest::keyClick(pBox, enKey);
            });
            QCOMPARE(ShowQuestionBox("proceed?"), enKey == Qt::Key_Return);
        }
    }

    // A dialog the responder accepts reports Accepted; one it leaves open
    // counts as rejected and is hidden again, as if the user had closed it.
    void dialogSeams()
    {
        QDialog objDialog;
        SetDialogResponder([](QDialog *pDialog) { pDialog->accept(); });
        QCOMPARE(ExecDialog(&objDialog), int(QDialog::Accepted));
        SetDialogResponder([](QDialog *pDialog) { QVERIFY(pDialog->isVisible()); });
        QCOMPARE(ExecDialog(&objDialog), int(QDialog::Rejected));
        QVERIFY(!objDialog.isVisible());
        SetDialogResponder({});
        QStringList lstAsked;
        SetStdDialogResponder([&](STD_DIALOG_KIND_EN enKind, const QString &strCaption, const QVariant &objInitial) {
            lstAsked << QStringLiteral("%1 %2 %3").arg(int(enKind)).arg(strCaption, objInitial.toString());
            return enKind == STD_DIALOG_COLOR ? QVariant(QColor(Qt::red)) : QVariant(QStringLiteral("/tmp/x"));
        });
        QCOMPARE(AskSaveFileName(nullptr, "save", "/d", QString()), QString("/tmp/x"));
        QCOMPARE(AskExistingDirectory(nullptr, "dir", "/e"), QString("/tmp/x"));
        QCOMPARE(AskColor(Qt::blue, nullptr, "colour"), QColor(Qt::red));
        SetStdDialogResponder({});
        QCOMPARE(lstAsked.size(), 3);
        QCOMPARE(lstAsked.at(1), QString("2 dir /e"));
    }

    void imagesAtLayoutSize()
    {
        QList<QPair<QString, int>> lstImages;
        for (const char *pName : {"device", "register", "selfdef", "count", "tool", "about"})
            lstImages.append({QStringLiteral(":/toolWidget/") + pName, 48});
        // Picture buttons draw name, name_hover and name_pressed scaled to the button.
        for (const auto &objButton : QList<QPair<const char *, int>>{{"prj_new", 40}, {"prj_import", 40},
                 {"prj_saveother", 40}, {"prj_save", 35}, {"refresh", 30}, {"adddevice", 30}}) {
            for (const char *pSuffix : {"", "_hover", "_pressed"})
                lstImages.append({QStringLiteral(":/img/") + objButton.first + pSuffix, objButton.second});
        }
        lstImages << qMakePair(QString(":/img/Kestrix"), 128) << qMakePair(QString(":/img/qrcode"), 150)
                  << qMakePair(QString(":/img/search"), 30);
        for (const char *pName : {"check_off", "check_off_hover", "check_off_disabled", "check_on", "check_on_hover",
                                  "check_on_disabled", "check_partial"})
            lstImages.append({QStringLiteral(":/style/") + pName, 16});
        for (const char *pName : {"arrow_down", "arrow_down_disabled"})
            lstImages.append({QStringLiteral(":/style/") + pName, 12});
        QList<QPair<QString, QSize>> lstSized = {{":/skin/18_big", QSize(1920, 100)}};
        for (const char *pName : {"dline", "parabola", "sin", "swave"})
            lstSized.append({QStringLiteral(":/curve/") + pName, QSize(300, 200)});
        for (const auto &objImage : lstImages)
            lstSized.append({objImage.first, QSize(objImage.second, objImage.second)});
        for (const auto &objImage : lstSized) {
            const QImage objPicture = QPixmap(objImage.first).toImage().convertToFormat(QImage::Format_ARGB32);
            QVERIFY2(objPicture.size() == objImage.second, qPrintable(objImage.first));
            // A picture nearly all transparent would leave an empty hole in the window.
            qint64 nOpaque = 0;
            for (int y = 0; y < objPicture.height(); ++y)
                for (int x = 0; x < objPicture.width(); ++x)
                    nOpaque += qAlpha(objPicture.pixel(x, y)) > 0;
            QVERIFY2(nOpaque * 25 > qint64(objPicture.width()) * objPicture.height(), qPrintable(objImage.first));
        }
    }

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
