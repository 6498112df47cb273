#ifndef CMTTABLEWIDGET_H
#define CMTTABLEWIDGET_H

// The table every page uses: columns set up from a static description, on/off
// "toggle" columns that flip on a click, a header double-click that flips or
// ticks a whole column, and a long-press signal for cells held 300 ms or more.

#include <QString>
#include <QTableWidget>
#include <QVector>
#include <functional>

// One column of a table set-up; pages keep these in static tables.
struct MT_TBL_COLUMN_S
{
    int nIndex;       // column number
    int nWidth;       // pixels
    bool bToggle;     // cells are on/off toggle cells
    QString strTitle; // header text
};

class CMTTableWidget : public QTableWidget
{
    Q_OBJECT

public:
    explicit CMTTableWidget(QWidget *pParent = nullptr);

    void SetTblColumn(const MT_TBL_COLUMN_S *pColumns, int nCount);
    bool IsToggleColumn(int nColumn) const;

    // Parameter tables: a read-only label on the left, a centred editable
    // value (text, or a number that gets a number editor) on the right.
    QTableWidgetItem *SetLabelCell(int nRow, int nColumn, const QString &strText);
    QTableWidgetItem *SetValueCell(int nRow, int nColumn, const QVariant &objValue);

    // Puts a toggle cell at (row, column) and returns it. A disabled toggle
    // cell has no flags at all, so neither clicks nor the header change it.
    QTableWidgetItem *CreateToggleCell(int nRow, int nColumn, bool bEnabled, bool bOn);
    bool IsToggleCellOn(int nRow, int nColumn) const;
    static bool IsToggleCellOn(const QTableWidgetItem *pItem);
    void SetToggleCellEnabled(int nRow, int nColumn, bool bEnabled);
    void SetToggleCellState(int nRow, int nColumn, bool bOn);
    static void SetToggleItemState(QTableWidgetItem *pItem, bool bOn);

    // The clock the long press is measured with, in milliseconds; tests set
    // their own to hold a press for an exact time. Empty restores the
    // monotonic clock.
    void SetPressClock(std::function<qint64()> fnNowMs);

    static const int LONG_PRESS_MS = 300;

signals:
    void siCellLongPressed(int nRow, int nColumn);

public slots:
    void slTblColumHeaderDoubleClicked(int nColum);
    void slInfoTblcellClicked(int nRow, int nColumn);

protected:
    void mousePressEvent(QMouseEvent *pEvent) override;
    void mouseReleaseEvent(QMouseEvent *pEvent) override;
    void showEvent(QShowEvent *pEvent) override;

private:
    qint64 NowMs() const;

    bool m_bScrollWidthAdded = false;
    qint64 m_nPressMs = -1; // -1 while no press is under way
    std::function<qint64()> m_fnClock;
    QVector<MT_TBL_COLUMN_S> m_vecColumns;
};

#endif // CMTTABLEWIDGET_H
