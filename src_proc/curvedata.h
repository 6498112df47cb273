#ifndef CURVEDATA_H
#define CURVEDATA_H

// The data-curve window's rules without widgets: how a curve is named after
// its device and point, its running statistics, and the layout of the export.

#include <QString>
#include <QtGlobal>

class CsvTable;

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
// in the first line, then one line per point (local time, value).
void SetCurveExportHeader(CsvTable &objTable, int nCurve, const QString &strLegend);
void SetCurveExportPoint(CsvTable &objTable, int nCurve, int nPoint, double fTime, double fValue);

#endif // CURVEDATA_H
