#ifndef CDLGCURVELEGENDSET_H
#define CDLGCURVELEGENDSET_H

// Editor of the curves of a plot: visibility, colour, line width and value
// axis per curve, with each curve's running statistics; the ranges of the
// three axes; and the export of every curve's points to a CSV file.

#include <QDialog>

class CMTTableWidget;
class QCustomPlot;
class QCPGraph;
class QDateTimeEdit;

class CDlgCurveLegendSet : public QDialog
{
    Q_OBJECT

public:
    // Statistics are those of the curve window when pParent is one.
    CDlgCurveLegendSet(QCustomPlot *pPlot, QWidget *pParent = nullptr);

private slots:
    void slCellClicked(int nRow, int nColum);
    void slModifyLegendInfo();
    void slExportLegndData();

private:
    void InitCurveTable();
    void InitAxisTable();
    QCPGraph *CurveOfRow(int nRow) const;

    QCustomPlot *m_pPlot;
    CMTTableWidget *m_pCurveTable = nullptr;
    CMTTableWidget *m_pAxisTable = nullptr;
    QDateTimeEdit *m_pTimeStart = nullptr;
    QDateTimeEdit *m_pTimeEnd = nullptr;
};

#endif // CDLGCURVELEGENDSET_H
