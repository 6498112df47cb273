#ifndef DATACFGRULE_H
#define DATACFGRULE_H

// The rules that keep one data point consistent while the user edits it in
// the data table: which choices its row offers and what a change of block,
// size, protocol type, show type or gain does to the rest of the point. The
// table shows what these functions decide; nothing here needs widgets.

#include <QList>
#include <QString>

#include "cfgdefine.h"

// What a configuration row offers for its point.
struct DATA_CFG_FORM_S
{
    QList<quint16> lstPrtcTypes; // selectable protocol types
    QList<quint16> lstShowTypes; // selectable show types
    bool bByteOder = false;      // byte-order list enabled
    bool bWordOder = false;      // word-order list enabled
    bool bBWrite = false;        // "批量写" box enabled
    bool bCurve = false;         // "曲线" box enabled
};

bool IsBitBlock(quint16 nBlock);
bool IsWritableBlock(quint16 nBlock);
// The largest Size a point of the block may have (123 holding, 125 input registers, 1 bits).
quint16 GetMaxDataSize(quint16 nBlock);
QList<quint16> GetAllowedPrtcTypes(quint16 nBlock, quint16 nSize);
DATA_CFG_FORM_S GetDataCfgForm(const DEVICE_DATA_CFG_S &objCfg);

// Size rule: a Size of 0 becomes 1, bits have Size 1, registers are limited
// to their block's maximum; a protocol type the Size no longer allows becomes
// BYTES, then the show type, the orders and the flags follow the point.
void ApplyDataSizeRule(DEVICE_DATA_CFG_S &objCfg);
// A bit block forces Size 1, gain 1 and BIT; a register block replaces BIT by UINT.
void ApplyDataBlockChange(DEVICE_DATA_CFG_S &objCfg, quint16 nBlock);
void ApplyDataPrtcTypeChange(DEVICE_DATA_CFG_S &objCfg, quint16 nPrtcType);
void ApplyDataShowTypeChange(DEVICE_DATA_CFG_S &objCfg, quint16 nShowType);
// The gain text the cell keeps after an edit: a gain only scales integers
// shown as FLOAT, so elsewhere it goes back to "1"; so does a text that is
// no number, or 0, which would make every value 0 and refuse every entry.
QString CorrectDataGainText(const DEVICE_DATA_CFG_S &objCfg, const QString &strGain);

// The first point of an empty table, and a new point that copies objTemplate
// and follows objLast (address after its last register).
DEVICE_DATA_CFG_S MakeFirstDataCfg(quint32 nID);
DEVICE_DATA_CFG_S MakeNextDataCfg(const DEVICE_DATA_CFG_S &objTemplate, const DEVICE_DATA_CFG_S &objLast,
                                  quint32 nID);

// Moves every checked row one place up (or down); a checked row at the edge,
// or next to a checked row that cannot move, stays. Returns, for each new
// position, the old row index.
QList<int> MoveCheckedRows(const QList<bool> &lstChecked, bool bUp);

// Checks every point against the device's address offset; the index of the
// first failing point and its message, or -1.
int CheckDataAddrOffsets(const QList<DEVICE_DATA_CFG_S> &lstRows, qint16 nAddrOffset, QString &strMsg);

#endif // DATACFGRULE_H
