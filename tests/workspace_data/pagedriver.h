#ifndef PAGEDRIVER_H
#define PAGEDRIVER_H

// Plays the user in front of the data pages: answers the dialogs and message
// boxes in the order they come up, edits cells and picks list entries.

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QQueue>
#include <QStringList>
#include <QTableWidget>
#include <QTest>
#include <functional>

#include "common/uidriver.h"
#include "uiutils.h"

class CUserScript
{
public:
    using DialogFn = std::function<void(QDialog *)>;

    CUserScript()
    {
        SetDialogResponder([this](QDialog *pDialog) {
            m_lstTitles << pDialog->windowTitle();
            if (m_queDialogs.isEmpty()) {
                m_lstUnexpected << pDialog->windowTitle();
                return;
            }
            m_queDialogs.dequeue()(pDialog);
        });
        SetMessageBoxResponder([this](MESSAGE_BOX_KIND_EN, const QString &strText) {
            m_lstMessages << strText;
            return m_queAnswers.isEmpty() ? true : m_queAnswers.dequeue();
        });
    }
    ~CUserScript()
    {
        SetDialogResponder({});
        SetMessageBoxResponder({});
    }

    CUserScript &Then(DialogFn fnAct)
    {
        m_queDialogs.enqueue(std::move(fnAct));
        return *this;
    }
    // The answer to the next question (OK when none is queued).
    CUserScript &Answer(bool bOk)
    {
        m_queAnswers.enqueue(bOk);
        return *this;
    }

    QStringList m_lstMessages;
    QStringList m_lstTitles;     // every dialog that came up
    QStringList m_lstUnexpected; // dialogs nobody answered

private:
    QQueue<DialogFn> m_queDialogs;
    QQueue<bool> m_queAnswers;
};

// What a user does in a dialog.
inline CUserScript::DialogFn Press(const QString &strButton)
{
    return [strButton](QDialog *pDialog) { ClickButton(pDialog, strButton); };
}

inline CUserScript::DialogFn WaitClosed()
{
    return [](QDialog *pDialog) { QTRY_VERIFY_WITH_TIMEOUT(!pDialog->isVisible(), 30000); };
}

inline void TypeInto(QWidget *pEdit, const QString &strText)
{
    pEdit->setFocus();
    QTest::keyClick(pEdit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(pEdit, strText);
}

// Types into the first line edit and presses the button.
inline CUserScript::DialogFn TypeAndPress(const QString &strText, const QString &strButton)
{
    return [=](QDialog *pDialog) {
        QLineEdit *pEdit = pDialog->findChild<QLineEdit *>();
        QVERIFY(pEdit != nullptr);
        TypeInto(pEdit, strText);
        ClickButton(pDialog, strButton);
    };
}

// Picks the entry of a cell's selection list with the keyboard, as far down
// (positive) or up as asked.
inline void StepCellList(QTableWidget *pTable, int nRow, int nColumn, int nSteps)
{
    auto *pCombo = qobject_cast<QComboBox *>(pTable->cellWidget(nRow, nColumn));
    QVERIFY(pCombo != nullptr);
    pCombo->setFocus();
    for (int i = 0; i < qAbs(nSteps); ++i)
        QTest::keyClick(pCombo, nSteps > 0 ? Qt::Key_Down : Qt::Key_Up);
}

inline QString CellText(QTableWidget *pTable, int nRow, int nColumn)
{
    if (auto *pCombo = qobject_cast<QComboBox *>(pTable->cellWidget(nRow, nColumn)))
        return pCombo->currentText();
    const QTableWidgetItem *pItem = pTable->item(nRow, nColumn);
    return pItem != nullptr ? pItem->text() : QString();
}

inline QStringList ColumnTexts(QTableWidget *pTable, int nColumn)
{
    QStringList lstTexts;
    for (int nRow = 0; nRow < pTable->rowCount(); ++nRow)
        lstTexts << CellText(pTable, nRow, nColumn);
    return lstTexts;
}

#endif // PAGEDRIVER_H
