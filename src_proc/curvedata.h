#ifndef CURVEDATA_H
#define CURVEDATA_H

// The data-curve window's rules without widgets: how a curve is named after
// its device and point, its running statistics, and the layout of the export.

#include <QString>
#include <QtGlobal>

#include "commonfunc.h"
#include "csvtable.h"

// Over every value a curve ever received, also those no longer plotted.
struct CURVE_STATS_S
{
    quint64 nCount = 0;
    double fSum = 0.0;
    double fMin = 0.0;
    double fMax = 0.0;

    void Add(double fValue);
    double Average() const;
};

// device + ":" + point + "-" + id.
QString MakeLegendName(const QString &strDeviceName, const QString &strDataName, quint32 nDataID);
// Text before the first ":"; empty when there is none or it comes first.
QString LegendDeviceName(const QString &strLegend);
// The legend with its device part strOld replaced by strNew; the point part
// is left alone even when it contains the old name.
QString RenameLegendDevice(const QString &strLegend, const QString &strOld, const QString &strNew);

// Curve n of the export takes columns 2n and 2n + 1: "Time" and the legend
// in the first line, then one line per point (local time, value). Points
// are anything with a key (seconds since the epoch) and a value.
template <class IT>
void SetCurveExportColumns(CsvTable &objTable, int nCurve, const QString &strLegend, IT itBegin, IT itEnd)
{
    objTable.SetCell(0, 2 * nCurve, QStringLiteral("Time"));
    objTable.SetCell(0, 2 * nCurve + 1, strLegend);
    // A curve has many points per second, and the local time conversion is slow.
    qint64 nSecond = 0;
    QString strTime;
    int nRow = 1;
    for (IT it = itBegin; it != itEnd; ++it, ++nRow) {
        if (strTime.isEmpty() || qint64(it->key) != nSecond) {
            nSecond = qint64(it->key);
            strTime = EpochToTimeString(nSecond, Qt::LocalTime);
        }
        objTable.SetCell(nRow, 2 * nCurve, strTime);
        objTable.SetCell(nRow, 2 * nCurve + 1, it->value);
    }
}

#endif // CURVEDATA_H
