#ifndef PUSHBUTTON_H
#define PUSHBUTTON_H

// A picture button with three images: the path as given, "_hover" appended
// while the pointer is over it, "_pressed" while held. It clicks only when
// released inside, so a press dragged off the button is a change of mind.

#include <QPushButton>
#include <QString>

class PushButton : public QPushButton
{
    Q_OBJECT

public:
    explicit PushButton(QWidget *pParent = nullptr);

    void SetImagePath(const QString &strPath);

protected:
    void enterEvent(QEvent *pEvent) override;
    void leaveEvent(QEvent *pEvent) override;
    void mousePressEvent(QMouseEvent *pEvent) override;
    void mouseReleaseEvent(QMouseEvent *pEvent) override;
    void paintEvent(QPaintEvent *pEvent) override;

private:
    enum STATE_EN
    {
        STATE_NORMAL = 0,
        STATE_HOVER = 1,
        STATE_PRESSED = 2,
    };

    void SetState(STATE_EN enState);

    STATE_EN m_enState = STATE_NORMAL;
    bool m_bPressed = false;
    QString m_strImagePath;
};

#endif // PUSHBUTTON_H
