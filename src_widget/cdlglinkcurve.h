#ifndef CDLGLINKCURVE_H
#define CDLGLINKCURVE_H

// The one window that plots data-point values over wall-clock time. A curve
// is added per device and point; from then on every curve value the device
// publishes becomes a point (time in whole seconds, value) of that curve.

#include <QHash>
#include <QString>
#include <QWidget>

#include "curvedata.h"

class CMTTableWidget;
class QCPGraph;
class QCustomPlot;
class QTimer;

class CDlgLinkDataCurve : public QWidget
{
    Q_OBJECT

public:
    // Each curve keeps at most this many points, dropping its oldest tenth
    // when full: a curve fed 10 times a second would otherwise take another
    // 100 MB a week until the program runs out of memory. Statistics still
    // cover every value.
    static const int MAX_CURVE_POINTS = 1000000;

    static CDlgLinkDataCurve *GetInstance();
    static void DestroyInstance();

    bool AddLegend(const QString &strDeviceName, const QString &strDataName, unsigned int nID);
    bool DelLegend(const QString &strDeviceName, const QString &strDataName, unsigned int nID);
    void DelDeviceLegend(const QString &strDeviceName);
    void ChangeDeviceLegendName(const QString &strOldName, const QString &strNewName);

    // Zero for a graph that is not a curve of this window.
    CURVE_STATS_S GetCurveStats(const QCPGraph *pGraph) const;

public slots:
    void slRefreshMoniSigalData(const QString &strDeviceName, const QString &strDataName, quint32 nDataID,
                                const double &fData);

private slots:
    void slFilterDevice();
    void slEditLegend();
    void slCycleReplot();

private:
    explicit CDlgLinkDataCurve(QWidget *pParent = nullptr);
    ~CDlgLinkDataCurve() override;

    void RemoveCurve(QCPGraph *pGraph);
    void RebuildLegendList();

    static CDlgLinkDataCurve *s_pInstance;

    QCustomPlot *m_pPlot = nullptr;
    CMTTableWidget *m_pLegendList = nullptr;
    QTimer *m_pReplotTimer = nullptr;
    QHash<QString, QCPGraph *> m_mapCurves; // by legend name
    QHash<const QCPGraph *, CURVE_STATS_S> m_mapStats;
};

#endif // CDLGLINKCURVE_H
