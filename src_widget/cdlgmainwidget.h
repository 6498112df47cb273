#ifndef CDLGMAINWIDGET_H
#define CDLGMAINWIDGET_H

#include <QMainWindow>

// The single top-level window. For now it carries only its size, icon and
// title; the pages are added as they are built.
class CWTMainWidget : public QMainWindow
{
    Q_OBJECT
public:
    explicit CWTMainWidget(QWidget *pParent = nullptr);
};

#endif // CDLGMAINWIDGET_H
