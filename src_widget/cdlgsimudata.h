#ifndef CDLGSIMUDATA_H
#define CDLGSIMUDATA_H

// The dialog in which the user chooses and parametrises the simulated value
// of one slave data point, with a picture of the curve's shape and a preview
// of two cycles drawn by the generator itself.

#include <QDialog>

#include "cfgdefine.h"

class CMTTableWidget;
class QComboBox;
class QCustomPlot;
class QCPGraph;
class QLabel;
class QTabBar;

class CDlgSimulData : public QDialog
{
    Q_OBJECT

public:
    CDlgSimulData(quint16 nShowType, const DATA_VALUE_CFG_S &objCfg, QWidget *pParent = nullptr);

    DATA_VALUE_CFG_S GetPageData() const;

private slots:
    void slStrategyChanged(int nIndex);
    void slTimeBngrChanged(int nIndex);
    void slTblInfoChanged(int nRow, int nColum);
    void slInfoDesChanged(int nIndex);

private:
    void InitPageItems(const DATA_VALUE_CFG_S &objCfg);
    QStringList RowTexts() const;
    // Writes the corrections back into the table and redraws the preview.
    void CheckRows();
    void DrawPreview();

    quint16 m_nShowType;
    CMTTableWidget *m_pTable = nullptr;
    QComboBox *m_pStrategy = nullptr;
    QComboBox *m_pTimeBase = nullptr;
    QTabBar *m_pTabs = nullptr;
    QLabel *m_pPicture = nullptr;
    QCustomPlot *m_pPlot = nullptr;
    QCPGraph *m_pGraph = nullptr;
};

#endif // CDLGSIMUDATA_H
