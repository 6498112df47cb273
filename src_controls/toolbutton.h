#ifndef TOOLBUTTON_H
#define TOOLBUTTON_H

// A navigation button: icon over text, a soft grey gradient while hovered or
// while it marks the current page, and a click as soon as it is pressed.

#include <QToolButton>

class ToolButton : public QToolButton
{
    Q_OBJECT

public:
    ToolButton(const QString &strIconPath, QWidget *pParent = nullptr);

    // The look of the button of the page shown.
    void SetMousePress(bool bPressed);
    bool IsMousePress() const { return m_bPressed; }

protected:
    void enterEvent(QEvent *pEvent) override;
    void leaveEvent(QEvent *pEvent) override;
    void mousePressEvent(QMouseEvent *pEvent) override;
    void paintEvent(QPaintEvent *pEvent) override;

private:
    bool m_bHover = false;
    bool m_bPressed = false;
};

#endif // TOOLBUTTON_H
