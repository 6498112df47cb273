#ifndef CWTITLEWIDGET_H
#define CWTITLEWIDGET_H

// The band across the top of the main window: page navigation, the project
// commands and the switches for the device list and the frame log. It keeps
// no state of its own; the main window acts on its signals.

#include <QList>
#include <QWidget>

class QCheckBox;
class ToolButton;

class CWTitleWidget : public QWidget
{
    Q_OBJECT

public:
    explicit CWTitleWidget(QWidget *pParent = nullptr);

signals:
    void turnPage(int current_page);
    void siNewWorkCfg();
    void siInputWorkCfg();
    void siSaveWorkCfg();
    void siSaveOtherWorkCfg();
    void siShowDeviceList(int);
    void siShowFrameData(int);

public slots:
    // The page number as text; one that is no number selects page 0.
    void turnPage(const QString &strCurrentPage);

private:
    QList<ToolButton *> m_lstNavButtons;
};

#endif // CWTITLEWIDGET_H
