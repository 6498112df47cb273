#ifndef SIMULDATA_H
#define SIMULDATA_H

// Simulated values of slave data points: a line, parabola, sine or square
// wave over time, with optional noise and limits. Values are computed when
// they are read; nothing runs in the background.

#include <QString>
#include <QtGlobal>

#include "cfgdefine.h"

class CDeviceBase;

// Strategies (Stategy).
enum : quint16
{
    SIMUL_STRATEGY_FIXED = 0,
    SIMUL_STRATEGY_LINE = 1,
    SIMUL_STRATEGY_PARABOLA = 2,
    SIMUL_STRATEGY_SINE = 3,
    SIMUL_STRATEGY_SQUARE = 4,
};

// Time bases (TimeBngrWay).
enum : quint16
{
    SIMUL_TIME_PROGRAM_START = 0,
    SIMUL_TIME_DEVICE_LAUNCH = 1,
    SIMUL_TIME_TODAY_MIDNIGHT = 2,
};

// Value text at nTime seconds after the time origin; fGain only sets the
// number of decimals. A cycle of zero length answers the start value Coef_a.
QString MakeSimulValue(const DATA_VALUE_CFG_S &objCfg, const double &fGain, quint32 nTime);

// Length of one cycle in seconds (for the preview).
qint64 GetSimulCycle(const DATA_VALUE_CFG_S &objCfg);

// Seconds since the origin of the time base at nNow (seconds since the
// epoch): program start, the given launch time, or local midnight of today.
// Any other base gives 0; a clock before the origin gives 0.
quint32 GetSimulTime(quint16 nTimeBase, qint64 nNow, qint64 nLaunchTime);

// The simulated value of a point of pDevice now (strategies 1-4; strategy 0
// is the view's own value text and is not computed here). A null device is
// logged with "Invalid Device Obj:" and answers the empty text.
QString MakeSimulValueOfDevice(CDeviceBase *pDevice, const QString &strDeviceName,
                               const DEVICE_DATA_CFG_S &objCfg);

#endif // SIMULDATA_H
