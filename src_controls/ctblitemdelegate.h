#ifndef CTBLITEMDELEGATE_H
#define CTBLITEMDELEGATE_H

// Item delegate of CMTTableWidget: numbers with a fraction are edited with six
// decimals and without arrow buttons, so a gain like 0.000125 survives an edit.

#include <QStyledItemDelegate>

class CTblItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void setEditorData(QWidget *pEditor, const QModelIndex &objIndex) const override;
};

#endif // CTBLITEMDELEGATE_H
