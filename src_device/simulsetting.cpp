#include "simulsetting.h"

#include <cmath>

#include "commonfunc.h"
#include "simuldata.h"

namespace {

const int NUMBER_ROWS[] = {SIMUL_ROW_RESET_STEP, SIMUL_ROW_RANDOM_MAX, SIMUL_ROW_RANDOM_MIN, SIMUL_ROW_MAX_VALUE,
                           SIMUL_ROW_MIN_VALUE};

// Anything that is not a number counts as 0, as the generator reads it.
double RowValue(const QStringList &lstRows, int nRow)
{
    bool bOk = false;
    const double fValue = lstRows.value(nRow).toDouble(&bOk);
    return bOk && std::isfinite(fValue) ? fValue : 0.0;
}

QString NumberText(double fValue)
{
    return QString::number(fValue, 'g', 15);
}

class CRowEditor
{
public:
    explicit CRowEditor(QStringList &lstRows) : m_lstRows(lstRows) {}

    double Value(int nRow) const { return RowValue(m_lstRows, nRow); }
    void Set(int nRow, const QString &strText)
    {
        if (m_lstRows[nRow] == strText)
            return;
        m_lstRows[nRow] = strText;
        if (!m_lstChanged.contains(nRow))
            m_lstChanged.append(nRow);
    }
    // Durations are typed in hours; the generator counts whole seconds.
    bool ShorterThanSecond(int nRow) const { return Value(nRow) * 3600.0 < 1.0; }
    qint64 Cycle() const { return GetSimulCycle(SimulCfgFromRows(m_lstRows)); }
    QList<int> Changed() const { return m_lstChanged; }

private:
    QStringList &m_lstRows;
    QList<int> m_lstChanged;
};

void LengthenParabola(CRowEditor &objRows)
{
    objRows.Set(SIMUL_ROW_COEF_D, QString::number(2.0 * std::fabs(objRows.Value(SIMUL_ROW_COEF_B)) + 1.0, 'g', 6));
}

} // namespace

QStringList GetSimulStrategyLabels()
{
    return {QStringLiteral("固定值"), QStringLiteral("直线"), QStringLiteral("抛物线"), QStringLiteral("正弦曲线"),
            QStringLiteral("方波")};
}

QStringList GetSimulTimeBaseLabels()
{
    return {QStringLiteral("软件启动时刻"), QStringLiteral("设备启动时刻"), QStringLiteral("当日0点")};
}

QStringList GetSimulCoefLabels(quint16 nStrategy)
{
    switch (nStrategy) {
    case SIMUL_STRATEGY_FIXED:
        return {QStringLiteral("固定值"), QString(), QString(), QString(), QString()};
    case SIMUL_STRATEGY_LINE:
        return {QStringLiteral("起始点数值"), QStringLiteral("结束点数值"), QStringLiteral("持续时间(小时)"), QString(),
                QString()};
    case SIMUL_STRATEGY_PARABOLA:
        return {QStringLiteral("顶值"), QStringLiteral("顶值偏移时间(小时)"), QStringLiteral("脚值"),
                QStringLiteral("持续时间(小时)"), QString()};
    case SIMUL_STRATEGY_SINE:
        return {QStringLiteral("振幅"), QStringLiteral("曲线周期(小时)"), QStringLiteral("位移"),
                QStringLiteral("平移时间(小时)"), QString()};
    case SIMUL_STRATEGY_SQUARE:
        return {QStringLiteral("值A"), QStringLiteral("值A持续时间(小时)"), QStringLiteral("值B"),
                QStringLiteral("值B持续时间(小时)"), QString()};
    default:
        return {QString(), QString(), QString(), QString(), QString()};
    }
}

QList<int> GetSimulHiddenRows(quint16 nStrategy)
{
    switch (nStrategy) {
    case SIMUL_STRATEGY_FIXED:
        return {SIMUL_ROW_RESET_STEP, SIMUL_ROW_REFRESH, SIMUL_ROW_RANDOM_MAX, SIMUL_ROW_RANDOM_MIN,
                SIMUL_ROW_MAX_VALUE, SIMUL_ROW_MIN_VALUE};
    case SIMUL_STRATEGY_SINE:
        return {SIMUL_ROW_RESET_STEP};
    case SIMUL_STRATEGY_SQUARE:
        return {SIMUL_ROW_RESET_STEP, SIMUL_ROW_RANDOM_MAX, SIMUL_ROW_RANDOM_MIN, SIMUL_ROW_MAX_VALUE,
                SIMUL_ROW_MIN_VALUE};
    default:
        return {};
    }
}

QStringList SimulCfgToRows(const DATA_VALUE_CFG_S &objCfg)
{
    QStringList lstRows;
    lstRows << QString::number(objCfg.nStategy) << objCfg.strCoefA << objCfg.strCoefB << objCfg.strCoefC
            << objCfg.strCoefD << objCfg.strCoefE << NumberText(objCfg.fResetStep) << QString::number(objCfg.nXInvl)
            << QString::number(objCfg.nTimeBngrWay) << NumberText(objCfg.fMaxRadom) << NumberText(objCfg.fMinRadom)
            << NumberText(objCfg.fMaxValue) << NumberText(objCfg.fMinValue);
    return lstRows;
}

DATA_VALUE_CFG_S SimulCfgFromRows(const QStringList &lstRows)
{
    DATA_VALUE_CFG_S objCfg;
    objCfg.nStategy = static_cast<quint16>(lstRows.value(SIMUL_ROW_STRATEGY).toInt());
    objCfg.strCoefA = lstRows.value(SIMUL_ROW_COEF_A);
    objCfg.strCoefB = lstRows.value(SIMUL_ROW_COEF_B);
    objCfg.strCoefC = lstRows.value(SIMUL_ROW_COEF_C);
    objCfg.strCoefD = lstRows.value(SIMUL_ROW_COEF_D);
    objCfg.strCoefE = lstRows.value(SIMUL_ROW_COEF_E);
    objCfg.fResetStep = RowValue(lstRows, SIMUL_ROW_RESET_STEP);
    objCfg.nXInvl = lstRows.value(SIMUL_ROW_REFRESH).toUInt(nullptr, 10);
    objCfg.nTimeBngrWay = static_cast<quint16>(lstRows.value(SIMUL_ROW_TIME_BASE).toInt());
    objCfg.fMaxRadom = RowValue(lstRows, SIMUL_ROW_RANDOM_MAX);
    objCfg.fMinRadom = RowValue(lstRows, SIMUL_ROW_RANDOM_MIN);
    objCfg.fMaxValue = RowValue(lstRows, SIMUL_ROW_MAX_VALUE);
    objCfg.fMinValue = RowValue(lstRows, SIMUL_ROW_MIN_VALUE);
    return objCfg;
}

QList<int> CorrectSimulRows(QStringList &lstRows)
{
    while (lstRows.size() < SIMUL_ROW_COUNT)
        lstRows.append(QString());
    CRowEditor objRows(lstRows);

    for (int nRow : NUMBER_ROWS) {
        bool bOk = false;
        lstRows.at(nRow).toDouble(&bOk);
        if (!bOk)
            objRows.Set(nRow, QStringLiteral("0"));
    }
    if (objRows.Value(SIMUL_ROW_RANDOM_MAX) < objRows.Value(SIMUL_ROW_RANDOM_MIN))
        objRows.Set(SIMUL_ROW_RANDOM_MIN, lstRows.at(SIMUL_ROW_RANDOM_MAX));
    if (objRows.Value(SIMUL_ROW_MAX_VALUE) < objRows.Value(SIMUL_ROW_MIN_VALUE))
        objRows.Set(SIMUL_ROW_MIN_VALUE, lstRows.at(SIMUL_ROW_MAX_VALUE));
    if (lstRows.at(SIMUL_ROW_REFRESH).toUInt(nullptr, 10) == 0)
        objRows.Set(SIMUL_ROW_REFRESH, QStringLiteral("1"));

    const quint16 nStrategy = static_cast<quint16>(lstRows.at(SIMUL_ROW_STRATEGY).toInt());
    switch (nStrategy) {
    case SIMUL_STRATEGY_LINE:
        if (objRows.Value(SIMUL_ROW_COEF_C) < 0.0001)
            objRows.Set(SIMUL_ROW_COEF_C, QStringLiteral("1.0"));
        break;
    case SIMUL_STRATEGY_PARABOLA: {
        const double fWidth = objRows.Value(SIMUL_ROW_COEF_D);
        const double fTop = objRows.Value(SIMUL_ROW_COEF_B);
        if (fWidth < 0.0 || fWidth < 2.0 * std::fabs(fTop) || fTop <= -fWidth / 2.0)
            LengthenParabola(objRows);
        break;
    }
    case SIMUL_STRATEGY_SINE:
        if (objRows.Value(SIMUL_ROW_COEF_A) < 0.000001)
            objRows.Set(SIMUL_ROW_COEF_A, QStringLiteral("1"));
        if (objRows.Value(SIMUL_ROW_COEF_B) < 0.0001)
            objRows.Set(SIMUL_ROW_COEF_B, QStringLiteral("1.0"));
        if (objRows.Value(SIMUL_ROW_COEF_D) < 0.0)
            objRows.Set(SIMUL_ROW_COEF_D, QStringLiteral("0.0"));
        break;
    case SIMUL_STRATEGY_SQUARE:
        if (objRows.Value(SIMUL_ROW_COEF_B) < 0.0001)
            objRows.Set(SIMUL_ROW_COEF_B, QStringLiteral("1.0"));
        if (objRows.Value(SIMUL_ROW_COEF_D) < 0.0001)
            objRows.Set(SIMUL_ROW_COEF_D, QStringLiteral("1.0"));
        break;
    default:
        return objRows.Changed();
    }

    // The bounds above still let a few tenths of a second through, and a
    // negative reset interval can eat a whole cycle.
    if (objRows.Cycle() >= 1)
        return objRows.Changed();
    if (nStrategy == SIMUL_STRATEGY_LINE || nStrategy == SIMUL_STRATEGY_PARABOLA) {
        if (objRows.Value(SIMUL_ROW_RESET_STEP) < 0.0)
            objRows.Set(SIMUL_ROW_RESET_STEP, QStringLiteral("0"));
        if (objRows.Cycle() >= 1)
            return objRows.Changed();
    }
    switch (nStrategy) {
    case SIMUL_STRATEGY_LINE:
        objRows.Set(SIMUL_ROW_COEF_C, QStringLiteral("1.0"));
        break;
    case SIMUL_STRATEGY_PARABOLA:
        LengthenParabola(objRows);
        break;
    case SIMUL_STRATEGY_SINE:
        objRows.Set(SIMUL_ROW_COEF_B, QStringLiteral("1.0"));
        break;
    case SIMUL_STRATEGY_SQUARE:
        for (int nRow : {SIMUL_ROW_COEF_B, SIMUL_ROW_COEF_D}) {
            if (objRows.ShorterThanSecond(nRow))
                objRows.Set(nRow, QStringLiteral("1.0"));
        }
        break;
    default:
        break;
    }
    return objRows.Changed();
}

bool HasSimulPreview(quint16 nShowType)
{
    return nShowType != SHOW_TYPE_BYTES && nShowType != SHOW_TYPE_STRING && nShowType != SHOW_TYPE_TIME;
}

qint64 GetSimulPreviewOrigin(quint16 nTimeBase)
{
    return nTimeBase == SIMUL_TIME_TODAY_MIDNIGHT ? GetTodayStartTime() : GetStartTime();
}

SIMUL_PREVIEW_S MakeSimulPreview(const DATA_VALUE_CFG_S &objCfg, qint64 nOrigin)
{
    SIMUL_PREVIEW_S stPreview;
    const qint64 nSpan = 2 * std::max<qint64>(GetSimulCycle(objCfg), 0);
    stPreview.fRangeStart = double(nOrigin);
    stPreview.fRangeEnd = double(nOrigin + nSpan);
    qint64 nStep = 10;
    if (nSpan / nStep > SIMUL_PREVIEW_S::MAX_POINTS)
        nStep = (nSpan + SIMUL_PREVIEW_S::MAX_POINTS - 1) / SIMUL_PREVIEW_S::MAX_POINTS;
    stPreview.vecKeys.reserve(int(nSpan / nStep) + 1);
    stPreview.vecValues.reserve(int(nSpan / nStep) + 1);
    for (qint64 t = 0; t < nSpan; t += nStep) {
        const double fValue = MakeSimulValue(objCfg, 0.0001, static_cast<quint32>(t)).toDouble();
        if (stPreview.vecValues.isEmpty() || fValue < stPreview.fMinValue)
            stPreview.fMinValue = fValue;
        if (stPreview.vecValues.isEmpty() || fValue > stPreview.fMaxValue)
            stPreview.fMaxValue = fValue;
        stPreview.vecKeys.append(double(nOrigin + t));
        stPreview.vecValues.append(fValue);
    }
    return stPreview;
}
