#ifndef SIMULSETTING_H
#define SIMULSETTING_H

// Editing the simulation settings of one data point: the settings as the rows
// of the editing table, the rules that correct what the user typed, and the
// two-cycle preview drawn from the generator.

#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

#include "cfgdefine.h"

// Rows of the editing table; the texts of rows STRATEGY and TIME_BASE are the
// chosen indexes.
enum SIMUL_ROW_EN : int
{
    SIMUL_ROW_STRATEGY = 0,
    SIMUL_ROW_COEF_A = 1,
    SIMUL_ROW_COEF_B = 2,
    SIMUL_ROW_COEF_C = 3,
    SIMUL_ROW_COEF_D = 4,
    SIMUL_ROW_COEF_E = 5,
    SIMUL_ROW_RESET_STEP = 6,
    SIMUL_ROW_REFRESH = 7,
    SIMUL_ROW_TIME_BASE = 8,
    SIMUL_ROW_RANDOM_MAX = 9,
    SIMUL_ROW_RANDOM_MIN = 10,
    SIMUL_ROW_MAX_VALUE = 11,
    SIMUL_ROW_MIN_VALUE = 12,
    SIMUL_ROW_COUNT = 13,
};

// Strategy labels ("固定值" ... "方波") and time-base labels, by value.
QStringList GetSimulStrategyLabels();
QStringList GetSimulTimeBaseLabels();
// Labels of rows COEF_A .. COEF_E for a strategy; empty for a row it does not use.
QStringList GetSimulCoefLabels(quint16 nStrategy);
// Rows besides the unused coefficients that a strategy has no use for.
QList<int> GetSimulHiddenRows(quint16 nStrategy);

QStringList SimulCfgToRows(const DATA_VALUE_CFG_S &objCfg);
DATA_VALUE_CFG_S SimulCfgFromRows(const QStringList &lstRows);

// Corrects the texts in place and returns the rows it changed. Beyond the
// bounds of each field, settings whose cycle would be shorter than one second
// are lengthened: the generator has nothing to draw over a zero cycle.
QList<int> CorrectSimulRows(QStringList &lstRows);

// Two cycles of the generator, sampled every 10 s from nOrigin (seconds since
// the epoch); a cycle so long that this would exceed MAX_POINTS samples is
// sampled more coarsely. Empty for show types without a numeric preview.
struct SIMUL_PREVIEW_S
{
    static const int MAX_POINTS = 100000;

    double fRangeStart = 0.0; // time axis range, seconds since the epoch
    double fRangeEnd = 0.0;
    QVector<double> vecKeys;
    QVector<double> vecValues;
    double fMinValue = 0.0;
    double fMaxValue = 0.0;
};
bool HasSimulPreview(quint16 nShowType);
SIMUL_PREVIEW_S MakeSimulPreview(const DATA_VALUE_CFG_S &objCfg, qint64 nOrigin);
// Program start, or local midnight for that time base.
qint64 GetSimulPreviewOrigin(quint16 nTimeBase);

#endif // SIMULSETTING_H
