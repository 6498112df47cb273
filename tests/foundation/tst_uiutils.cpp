#include "uiutils.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

class TstUiUtils : public QObject
{
    Q_OBJECT

private slots:
    void responderAnswersWithoutShowing()
    {
        QList<QPair<MESSAGE_BOX_KIND_EN, QString>> objAsked;
        bool bAnswer = false;
        SetMessageBoxResponder([&](MESSAGE_BOX_KIND_EN enKind, const QString &strText) {
            objAsked.append({enKind, strText});
            return bAnswer;
        });
        QVERIFY(!ShowQuestionBox(QString::fromUtf8("保存吗？")));
        bAnswer = true;
        QVERIFY(ShowQuestionBox(QStringLiteral("again")));
        ShowInfoBox(QStringLiteral("info"));
        SetMessageBoxResponder({});
        QCOMPARE(objAsked.size(), 3);
        QCOMPARE(objAsked.at(0).first, MESSAGE_BOX_QUESTION);
        QCOMPARE(objAsked.at(0).second, QString::fromUtf8("保存吗？"));
        QCOMPARE(objAsked.at(2).first, MESSAGE_BOX_INFO);
    }

    void realQuestionBoxDefaultsToOk()
    {
        // Without a responder the real modal box runs; press Enter on it.
        QString strStyle;
        QTimer::singleShot(50, [&] {
            auto *pBox = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(pBox != nullptr);
            strStyle = pBox->styleSheet();
            QCOMPARE(pBox->icon(), QMessageBox::Question);
            QTest::keyClick(pBox, Qt::Key_Return);
        });
        QVERIFY(ShowQuestionBox(QStringLiteral("proceed?")));
        QCOMPARE(strStyle, QStringLiteral("QLabel {min-height:32px;}"));

        QTimer::singleShot(50, [] {
            auto *pBox = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(pBox != nullptr);
            QTest::keyClick(pBox, Qt::Key_Escape);
        });
        QVERIFY(!ShowQuestionBox(QStringLiteral("cancel me")));
    }

    void dialogSeamsAnswerWithoutBlocking()
    {
        // A dialog the responder accepts reports Accepted; one it leaves open
        // counts as rejected and is hidden again, as if the user had closed it.
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
        QCOMPARE(AskSaveFileName(nullptr, QStringLiteral("save"), QStringLiteral("/d"), QString()), QStringLiteral("/tmp/x"));
        QCOMPARE(AskExistingDirectory(nullptr, QStringLiteral("dir"), QStringLiteral("/e")), QStringLiteral("/tmp/x"));
        QCOMPARE(AskColor(Qt::blue, nullptr, QStringLiteral("colour")), QColor(Qt::red));
        SetStdDialogResponder({});
        QCOMPARE(lstAsked.size(), 3);
        QCOMPARE(lstAsked.at(1), QStringLiteral("2 dir /e"));
    }

    void baseColorInAllGroups()
    {
        QLineEdit objEdit;
        SetWidgetBaseColor(&objEdit, QColor(255, 196, 196));
        for (QPalette::ColorGroup enGroup : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            QCOMPARE(objEdit.palette().brush(enGroup, QPalette::Base).color(), QColor(255, 196, 196));
            QCOMPARE(objEdit.palette().brush(enGroup, QPalette::Base).style(), Qt::SolidPattern);
        }
        SetWidgetBaseColor(nullptr, Qt::red); // must not crash
    }
};

QTEST_MAIN(TstUiUtils)
#include "tst_uiutils.moc"
