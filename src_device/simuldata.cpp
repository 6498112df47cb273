#include "simuldata.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <algorithm>
#include <cmath>

#include "applog.h"
#include "ccfgfilemgr.h"
#include "cdevicebase.h"
#include "commonfunc.h"

namespace {

// Coefficients are typed in by the user: anything that is not a finite
// number counts as 0.
double CoefValue(const QString &strText)
{
    bool bOk = false;
    const double fValue = strText.toDouble(&bOk);
    return bOk && std::isfinite(fValue) ? fValue : 0.0;
}

// Truncation of an hour count times 3600 to whole seconds. Bounded so that
// absurd coefficients neither overflow the conversion nor the sums of cycle
// lengths built from it.
qint64 WholeSeconds(double fSeconds)
{
    const double fLimit = 4.0e15;
    if (!(fSeconds == fSeconds))
        return 0;
    return qint64(std::trunc(std::max(-fLimit, std::min(fLimit, fSeconds))));
}

struct PARABOLA_S
{
    qint64 nHalf;  // H
    qint64 nTop;   // B
    qint64 nCycle; // P
};

PARABOLA_S ParabolaShape(const DATA_VALUE_CFG_S &objCfg)
{
    PARABOLA_S stShape;
    stShape.nHalf = WholeSeconds(CoefValue(objCfg.strCoefD) * 3600.0) / 2;
    stShape.nTop = WholeSeconds(CoefValue(objCfg.strCoefB) * 3600.0);
    stShape.nCycle = WholeSeconds(objCfg.fResetStep * 3600.0 + double(stShape.nHalf + stShape.nTop));
    return stShape;
}

QString FormatValue(double fValue, double fGain)
{
    QString strText = QString::number(fValue, 'f', CCfgFileMgr::GainDecimals(fGain));
    // A value that rounds to zero is shown without a sign.
    if (strText.startsWith(QLatin1Char('-')) && strText.toDouble() == 0.0)
        strText.remove(0, 1);
    return strText;
}

} // namespace

QString MakeSimulValue(const DATA_VALUE_CFG_S &objCfg, const double &fGain, quint32 nTime)
{
    qint64 t = nTime;
    if (objCfg.nXInvl >= 2)
        t -= t % objCfg.nXInvl;

    double fValue = 0.0;
    switch (objCfg.nStategy) {
    case SIMUL_STRATEGY_LINE: {
        const double fStart = CoefValue(objCfg.strCoefA);
        const double fEnd = CoefValue(objCfg.strCoefB);
        const double fDuration = CoefValue(objCfg.strCoefC) * 3600.0;
        const qint64 nCycle = WholeSeconds((CoefValue(objCfg.strCoefC) + objCfg.fResetStep) * 3600.0);
        if (nCycle == 0)
            return objCfg.strCoefA;
        const qint64 nRise = WholeSeconds(fDuration);
        if (nRise <= 0) {
            // No time to rise: the line is at its end value for the whole cycle.
            fValue = fEnd;
            break;
        }
        const qint64 x = std::min(t % nCycle, nRise);
        fValue = fStart + (fEnd - fStart) / fDuration * double(x);
        break;
    }
    case SIMUL_STRATEGY_PARABOLA: {
        const PARABOLA_S stShape = ParabolaShape(objCfg);
        if (stShape.nCycle == 0)
            return objCfg.strCoefA;
        if (stShape.nHalf == 0) {
            fValue = 0.0;
            break;
        }
        const double fTop = CoefValue(objCfg.strCoefA);
        const double fFoot = CoefValue(objCfg.strCoefC);
        const qint64 x = std::min(t % stShape.nCycle, stShape.nHalf + stShape.nTop);
        const double fRel = double(x - stShape.nTop) / double(stShape.nHalf);
        fValue = fTop + (fFoot - fTop) * fRel * fRel;
        break;
    }
    case SIMUL_STRATEGY_SINE: {
        const qint64 nPeriod = WholeSeconds(CoefValue(objCfg.strCoefB) * 3600.0);
        if (nPeriod == 0)
            return objCfg.strCoefA;
        const qint64 nShift = WholeSeconds(CoefValue(objCfg.strCoefD) * 3600.0) % nPeriod;
        const qint64 nPhase = (nShift + t) % nPeriod;
        fValue = CoefValue(objCfg.strCoefA) * std::sin(double(nPhase) * 6.283 / double(nPeriod))
            + CoefValue(objCfg.strCoefC);
        break;
    }
    case SIMUL_STRATEGY_SQUARE: {
        const qint64 nDurA = WholeSeconds(CoefValue(objCfg.strCoefB) * 3600.0);
        const qint64 nDurB = WholeSeconds(CoefValue(objCfg.strCoefD) * 3600.0);
        if (nDurA + nDurB == 0)
            return objCfg.strCoefA;
        return (t % (nDurA + nDurB)) > nDurA ? objCfg.strCoefC : objCfg.strCoefA;
    }
    default:
        return objCfg.strCoefA;
    }

    if (objCfg.fMaxRadom - objCfg.fMinRadom > 0.0001)
        fValue += objCfg.fMinRadom + QRandomGenerator::global()->generateDouble() * (objCfg.fMaxRadom - objCfg.fMinRadom);
    if (objCfg.fMaxValue - objCfg.fMinValue > 0.0001) {
        if (fValue > objCfg.fMaxValue)
            fValue = objCfg.fMaxValue;
        else if (fValue < objCfg.fMinValue)
            fValue = objCfg.fMinValue;
    }
    return FormatValue(fValue, fGain);
}

qint64 GetSimulCycle(const DATA_VALUE_CFG_S &objCfg)
{
    switch (objCfg.nStategy) {
    case SIMUL_STRATEGY_LINE:
        return WholeSeconds((CoefValue(objCfg.strCoefC) + objCfg.fResetStep) * 3600.0);
    case SIMUL_STRATEGY_PARABOLA:
        return ParabolaShape(objCfg).nCycle;
    case SIMUL_STRATEGY_SINE:
        return WholeSeconds(CoefValue(objCfg.strCoefB) * 3600.0);
    case SIMUL_STRATEGY_SQUARE:
        return WholeSeconds(CoefValue(objCfg.strCoefB) * 3600.0) + WholeSeconds(CoefValue(objCfg.strCoefD) * 3600.0);
    default:
        return 86400;
    }
}

quint32 GetSimulTime(quint16 nTimeBase, qint64 nNow, qint64 nLaunchTime)
{
    qint64 nOrigin = 0;
    switch (nTimeBase) {
    case SIMUL_TIME_PROGRAM_START: nOrigin = GetStartTime(); break;
    case SIMUL_TIME_DEVICE_LAUNCH: nOrigin = nLaunchTime; break;
    case SIMUL_TIME_TODAY_MIDNIGHT: nOrigin = GetTodayStartTime(); break;
    default: return 0;
    }
    const qint64 nElapsed = nNow - nOrigin;
    if (nElapsed <= 0)
        return 0;
    return nElapsed > qint64(0xFFFFFFFF) ? 0xFFFFFFFFu : quint32(nElapsed);
}

QString MakeSimulValueOfDevice(CDeviceBase *pDevice, const QString &strDeviceName, const DEVICE_DATA_CFG_S &objCfg)
{
    const DATA_VALUE_CFG_S &objValueCfg = objCfg.objValueCfg;
    qint64 nLaunchTime = 0;
    if (objValueCfg.nTimeBngrWay == SIMUL_TIME_DEVICE_LAUNCH) {
        if (!pDevice) {
            LOG_DEBUG().noquote() << "Invalid Device Obj:" + strDeviceName;
            return QString();
        }
        nLaunchTime = pDevice->GetLaunchTime();
    }
    const quint32 nTime = GetSimulTime(objValueCfg.nTimeBngrWay, QDateTime::currentSecsSinceEpoch(), nLaunchTime);
    return MakeSimulValue(objValueCfg, objCfg.fGain, nTime);
}
