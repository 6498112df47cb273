#include "toolbutton.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

ToolButton::ToolButton(const QString &strIconPath, QWidget *pParent) : QToolButton(pParent)
{
    QPalette objPalette = palette();
    objPalette.setColor(QPalette::ButtonText, Qt::black);
    setPalette(objPalette);

    QFont objFont(QStringLiteral("Microsoft Yahei"));
    objFont.setPixelSize(16);
    setFont(objFont);

    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    const QPixmap objPixmap(strIconPath);
    setIcon(objPixmap);
    setIconSize(objPixmap.size());
    setFixedSize(objPixmap.width() + 25, objPixmap.height() + 25);
    setAutoRaise(true);
    setObjectName(QStringLiteral("transparentToolButton"));
}

void ToolButton::SetMousePress(bool bPressed)
{
    m_bPressed = bPressed;
    update();
}

void ToolButton::enterEvent(QEvent *pEvent)
{
    m_bHover = true;
    QToolButton::enterEvent(pEvent);
}

void ToolButton::leaveEvent(QEvent *pEvent)
{
    m_bHover = false;
    QToolButton::leaveEvent(pEvent);
}

void ToolButton::mousePressEvent(QMouseEvent *pEvent)
{
    if (pEvent->button() == Qt::LeftButton)
        emit clicked();
}

void ToolButton::paintEvent(QPaintEvent *pEvent)
{
    if (m_bHover || m_bPressed) {
        QPainter objPainter(this);
        QLinearGradient objGradient(rect().topLeft(), rect().bottomLeft());
        objGradient.setColorAt(0.0, QColor(230, 230, 230, 150));
        objGradient.setColorAt(0.5, QColor(230, 230, 230, 100));
        objGradient.setColorAt(1.0, QColor(230, 230, 230, 0));
        objPainter.setPen(Qt::NoPen);
        objPainter.setBrush(objGradient);
        objPainter.drawRect(rect());
    }
    QToolButton::paintEvent(pEvent);
}
