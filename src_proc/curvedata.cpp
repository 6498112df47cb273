#include "curvedata.h"

void CURVE_STATS_S::Add(double fValue)
{
    if (nCount == 0 || fValue < fMin)
        fMin = fValue;
    if (nCount == 0 || fValue > fMax)
        fMax = fValue;
    fSum += fValue;
    ++nCount;
}

double CURVE_STATS_S::Average() const
{
    return nCount == 0 ? 0.0 : fSum / double(nCount);
}

QString MakeLegendName(const QString &strDeviceName, const QString &strDataName, quint32 nDataID)
{
    return strDeviceName + QLatin1Char(':') + strDataName + QString::asprintf("-%u", nDataID);
}

QString LegendDeviceName(const QString &strLegend)
{
    const int nColon = strLegend.indexOf(QLatin1Char(':'));
    return nColon > 0 ? strLegend.left(nColon) : QString();
}

QString RenameLegendDevice(const QString &strLegend, const QString &strOld, const QString &strNew)
{
    if (strOld.isEmpty() || LegendDeviceName(strLegend) != strOld)
        return strLegend;
    return strNew + strLegend.mid(strOld.size());
}
