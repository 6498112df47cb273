#ifndef UIDRIVER_H
#define UIDRIVER_H

// Drives widgets as a user would (buttons found by their text, cells and
// header sections clicked where they are drawn) and plays the user in front
// of dialogs and message boxes, so no test can wait on a modal one.

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QQueue>
#include <QTableWidget>
#include <QTest>
#include <functional>

#include "uiutils.h"

// The visible button of that text inside pParent; null (and a warning) when there is none.
inline QAbstractButton *FindButton(QWidget *pParent, const QString &strText)
{
    for (QAbstractButton *pButton : pParent->findChildren<QAbstractButton *>()) {
        if (pButton->text() == strText && pButton->isVisibleTo(pParent))
            return pButton;
    }
    qWarning("no button \"%s\"", qPrintable(strText));
    return nullptr;
}

inline bool ClickButton(QWidget *pParent, const QString &strText)
{
    QAbstractButton *pButton = FindButton(pParent, strText);
    if (pButton != nullptr)
        QTest::mouseClick(pButton, Qt::LeftButton);
    return pButton != nullptr;
}

inline QPoint CellCentre(QTableWidget *pTable, int nRow, int nColumn)
{
    return pTable->visualRect(pTable->model()->index(nRow, nColumn)).center();
}

inline void ClickCell(QTableWidget *pTable, int nRow, int nColumn)
{
    QTest::mouseClick(pTable->viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(pTable, nRow, nColumn));
}

// The events a real double click makes: press, release, double click, release
// (QTest's widget double click sends the double-click event alone, which item
// views take for a plain press).
inline void DoubleClickCell(QTableWidget *pTable, int nRow, int nColumn)
{
    const QPoint objPos = CellCentre(pTable, nRow, nColumn);
    QTest::mouseClick(pTable->viewport(), Qt::LeftButton, Qt::NoModifier, objPos);
    QTest::mouseDClick(pTable->viewport(), Qt::LeftButton, Qt::NoModifier, objPos);
    QTest::mouseRelease(pTable->viewport(), Qt::LeftButton, Qt::NoModifier, objPos);
}

// Double-clicks the cell, replaces its text in the editor that opens, and
// commits with Enter; true once the editor has closed.
inline bool EditCell(QTableWidget *pTable, int nRow, int nColumn, const QString &strText)
{
    DoubleClickCell(pTable, nRow, nColumn);
    const QModelIndex objIndex = pTable->model()->index(nRow, nColumn);
    QWidget *pEditor = pTable->indexWidget(objIndex);
    if (pEditor == nullptr)
        return false;
    if (auto *pLine = qobject_cast<QLineEdit *>(pEditor))
        pLine->selectAll();
    else if (auto *pSpin = qobject_cast<QAbstractSpinBox *>(pEditor))
        pSpin->selectAll();
    QTest::keyClicks(pEditor, strText);
    QTest::keyClick(pEditor, Qt::Key_Return);
    return QTest::qWaitFor([&] { return pTable->indexWidget(objIndex) == nullptr; }, 2000);
}

// Ticks or clears a check-box cell the way the keyboard does it.
inline void ToggleCheckCell(QTableWidget *pTable, int nRow, int nColumn)
{
    pTable->setCurrentCell(nRow, nColumn);
    QTest::keyClick(pTable, Qt::Key_Space);
}

inline void DoubleClickHeader(QTableWidget *pTable, int nColumn)
{
    QHeaderView *pHeader = pTable->horizontalHeader();
    const QPoint objPos(pHeader->sectionViewportPosition(nColumn) + pHeader->sectionSize(nColumn) / 2,
                        pHeader->height() / 2);
    QTest::mouseDClick(pHeader->viewport(), Qt::LeftButton, Qt::NoModifier, objPos);
}

// Picks a list entry with the keyboard: only entries on offer can be reached.
inline void ChooseEntry(QWidget *pCombo, int nIndex)
{
    QVERIFY(qobject_cast<QComboBox *>(pCombo) != nullptr);
    QTest::keyClick(pCombo, Qt::Key_Home);
    for (int i = 0; i < nIndex; ++i)
        QTest::keyClick(pCombo, Qt::Key_Down);
}

inline void TypeInto(QWidget *pEdit, const QString &strText)
{
    QTest::keyClick(pEdit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(pEdit, Qt::Key_Backspace);
    QTest::keyClicks(pEdit, strText);
}

// What the cell shows: its list's current entry, or its text.
inline QString CellText(QTableWidget *pTable, int nRow, int nColumn)
{
    if (auto *pCombo = qobject_cast<QComboBox *>(pTable->cellWidget(nRow, nColumn)))
        return pCombo->currentText();
    const QTableWidgetItem *pItem = pTable->item(nRow, nColumn);
    return pItem != nullptr ? pItem->text() : QString();
}

inline QStringList ColumnTexts(QTableWidget *pTable, int nColumn, bool bVisibleOnly = false)
{
    QStringList lstTexts;
    for (int nRow = 0; nRow < pTable->rowCount(); ++nRow) {
        if (!bVisibleOnly || !pTable->isRowHidden(nRow))
            lstTexts << CellText(pTable, nRow, nColumn);
    }
    return lstTexts;
}

inline bool WriteFile(const QString &strPath, const QByteArray &objText)
{
    QFile objFile(strPath);
    return objFile.open(QIODevice::WriteOnly | QIODevice::Truncate) && objFile.write(objText) == objText.size();
}

// Empty when the file cannot be read (or is a folder).
inline QByteArray ReadFile(const QString &strPath)
{
    QFile objFile(strPath);
    return objFile.open(QIODevice::ReadOnly) ? objFile.readAll() : QByteArray();
}

// The user at the screen while it lives: queued actions answer our dialogs in
// the order they come up, queued answers the question boxes (yes when none is
// left), queued values the platform's dialogs (cancelled when none is left).
// Message texts and unanswered dialogs are recorded. The newest script acts;
// an older one going away leaves it in place.
class CUserScript
{
public:
    using DialogFn = std::function<void(QDialog *)>;

    CUserScript()
    {
        Current() = this;
        SetDialogResponder([this](QDialog *pDialog) {
            if (m_queDialogs.isEmpty())
                m_lstUnexpected << pDialog->windowTitle();
            else
                m_queDialogs.dequeue()(pDialog);
        });
        SetMessageBoxResponder([this](MESSAGE_BOX_KIND_EN, const QString &strText) {
            m_lstMessages << strText;
            return m_queAnswers.isEmpty() || m_queAnswers.dequeue();
        });
        SetStdDialogResponder([this](STD_DIALOG_KIND_EN, const QString &, const QVariant &objInitial) {
            m_lstStdInitial << objInitial.toString();
            return m_quePicks.isEmpty() ? QVariant(QString()) : m_quePicks.dequeue();
        });
    }
    ~CUserScript()
    {
        if (Current() != this)
            return;
        Current() = nullptr;
        SetDialogResponder({});
        SetMessageBoxResponder({});
        SetStdDialogResponder({});
    }
    CUserScript &Then(DialogFn fnAct)
    {
        m_queDialogs.enqueue(std::move(fnAct));
        return *this;
    }
    CUserScript &Answer(bool bYes)
    {
        m_queAnswers.enqueue(bYes);
        return *this;
    }
    CUserScript &Pick(const QVariant &objValue)
    {
        m_quePicks.enqueue(objValue);
        return *this;
    }

    QStringList m_lstMessages;
    QStringList m_lstUnexpected;  // titles of dialogs nobody answered
    QStringList m_lstStdInitial;  // what the platform's dialogs proposed

private:
    static CUserScript *&Current()
    {
        static CUserScript *s_pCurrent = nullptr;
        return s_pCurrent;
    }
    QQueue<DialogFn> m_queDialogs;
    QQueue<bool> m_queAnswers;
    QQueue<QVariant> m_quePicks;
};

inline CUserScript::DialogFn Press(const QString &strButton)
{
    return [strButton](QDialog *pDialog) { ClickButton(pDialog, strButton); };
}

// Types into the dialog's first line edit and presses the button.
inline CUserScript::DialogFn TypeAndPress(const QString &strText, const QString &strButton)
{
    return [=](QDialog *pDialog) {
        TypeInto(pDialog->findChild<QLineEdit *>(), strText);
        ClickButton(pDialog, strButton);
    };
}

// Ticks or clears the rows of the dialog's check list (the tick column 2),
// after flipping them all by the header when asked, then presses the button.
inline CUserScript::DialogFn TickRows(const QList<int> &lstRows, const QString &strButton = T("确定"),
                                      bool bHeader = false)
{
    return [=](QDialog *pDialog) {
        auto *pTable = pDialog->findChild<QTableWidget *>();
        if (bHeader)
            DoubleClickHeader(pTable, 2);
        for (int nRow : lstRows)
            ToggleCheckCell(pTable, nRow, 2);
        ClickButton(pDialog, strButton);
    };
}

#endif // UIDRIVER_H
