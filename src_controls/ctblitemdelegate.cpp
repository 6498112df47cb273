#include "ctblitemdelegate.h"

#include <QDoubleSpinBox>

void CTblItemDelegate::setEditorData(QWidget *pEditor, const QModelIndex &objIndex) const
{
    if (auto *pSpin = qobject_cast<QDoubleSpinBox *>(pEditor)) {
        pSpin->setDecimals(6);
        pSpin->setButtonSymbols(QAbstractSpinBox::NoButtons);
    }
    QStyledItemDelegate::setEditorData(pEditor, objIndex);
}
