#ifndef CURVEDATA_H
#define CURVEDATA_H

// The data-curve window's rules without widgets: how a curve is named after
// its device and point, its running statistics, and the layout of the export.

#include <QString>

#include "csvtable.h"
#include <QtGlobal>

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
void SetCurveExportColumns(CsvTable &objTable, int nCurve, const QString &strLegend, IT itBegin, IT itEnd);

// Local "yyyy-MM-dd hh:mm:ss" of a time; the last second's text is reused,
// since a curve has many points per second and the conversion is slow.
class CExportTimeText
{
public:
    const QString &Text(double fTime);

private:
    qint64 m_nSecond = 0;
    QString m_strText;
};

template <class IT>
void SetCurveExportColumns(CsvTable &objTable, int nCurve, const QString &strLegend, IT itBegin, IT itEnd)
{
    objTable.SetCell(0, 2 * nCurve, QStringLiteral("Time"));
    objTable.SetCell(0, 2 * nCurve + 1, strLegend);
    CExportTimeText objTime;
    int nRow = 1;
    for (IT it = itBegin; it != itEnd; ++it, ++nRow) {
        objTable.SetCell(nRow, 2 * nCurve, objTime.Text(it->key));
        objTable.SetCell(nRow, 2 * nCurve + 1, it->value);
    }
}

#endif // CURVEDATA_H
