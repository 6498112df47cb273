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

#include "cfgdefine.h"
#include "common/uidriver.h"
#include "commonfunc.h"
#include "uiutils.h"

inline QString T(const char *pText)
{
    return QString::fromUtf8(pText);
}

// A point of the block; one register is an INT, more a UINT, shown as FLOAT unless told.
inline DEVICE_DATA_CFG_S Point(quint16 nBlock, quint16 nAddr, quint16 nSize, const QString &strName,
                               quint16 nShow = SHOW_TYPE_FLOAT)
{
    DEVICE_DATA_CFG_S objCfg;
    objCfg.nBlock = nBlock;
    objCfg.nAddr = nAddr;
    objCfg.nSize = nSize;
    objCfg.nPrtcType = nSize == 1 ? PRTC_TYPE_INT : PRTC_TYPE_UINT;
    objCfg.nShowType = nShow;
    objCfg.strName = strName;
    return objCfg;
}

class CUserScript
{
public:
    using DialogFn = std::function<void(QDialog *)>;

    CUserScript()
    {
        SetDialogResponder([this](QDialog *pDialog) {
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

// Ticks "循环" in the batch dialog and confirms.
inline void StartCyclic(QDialog *pDialog)
{
    ClickButton(pDialog, QString::fromUtf8("循环"));
    ClickButton(pDialog, QString::fromUtf8("确定"));
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

// Picks an entry of a selection list with the keyboard, as a user would:
// only entries on offer can be reached.
inline void ChooseListEntry(QComboBox *pCombo, int nIndex)
{
    QVERIFY(pCombo != nullptr);
    pCombo->setFocus();
    QTest::keyClick(pCombo, Qt::Key_Home);
    for (int i = 0; i < nIndex; ++i)
        QTest::keyClick(pCombo, Qt::Key_Down);
}

inline void ChooseCellEntry(QTableWidget *pTable, int nRow, int nColumn, int nIndex)
{
    ChooseListEntry(qobject_cast<QComboBox *>(pTable->cellWidget(nRow, nColumn)), nIndex);
}

inline QString CellText(QTableWidget *pTable, int nRow, int nColumn)
{
    if (auto *pCombo = qobject_cast<QComboBox *>(pTable->cellWidget(nRow, nColumn)))
        return pCombo->currentText();
    const QTableWidgetItem *pItem = pTable->item(nRow, nColumn);
    return pItem != nullptr ? pItem->text() : QString();
}

// The cells of a row in the columns asked for, blanks trimmed, joined by "|".
inline QString RowTexts(QTableWidget *pTable, int nRow, const QList<int> &lstColumns)
{
    QStringList lstTexts;
    for (int nColumn : lstColumns)
        lstTexts << CellText(pTable, nRow, nColumn).trimmed();
    return lstTexts.join(QLatin1Char('|'));
}

inline QStringList ColumnTexts(QTableWidget *pTable, int nColumn)
{
    QStringList lstTexts;
    for (int nRow = 0; nRow < pTable->rowCount(); ++nRow)
        lstTexts << CellText(pTable, nRow, nColumn);
    return lstTexts;
}

#endif // PAGEDRIVER_H
