#include "pushbutton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

PushButton::PushButton(QWidget *pParent) : QPushButton(pParent)
{
}

void PushButton::SetImagePath(const QString &strPath)
{
    m_strImagePath = strPath;
    update();
}

void PushButton::SetState(STATE_EN enState)
{
    m_enState = enState;
    update();
}

void PushButton::enterEvent(QEvent *)
{
    SetState(STATE_HOVER);
}

void PushButton::leaveEvent(QEvent *)
{
    SetState(STATE_NORMAL);
}

void PushButton::mousePressEvent(QMouseEvent *pEvent)
{
    if (pEvent->button() != Qt::LeftButton)
        return;
    m_bPressed = true;
    SetState(STATE_PRESSED);
}

void PushButton::mouseReleaseEvent(QMouseEvent *pEvent)
{
    if (!m_bPressed || !rect().contains(pEvent->pos()))
        return;
    m_bPressed = false;
    SetState(STATE_HOVER);
    emit clicked();
}

void PushButton::paintEvent(QPaintEvent *)
{
    QString strPath = m_strImagePath;
    if (m_enState == STATE_HOVER)
        strPath += QStringLiteral("_hover");
    else if (m_enState == STATE_PRESSED)
        strPath += QStringLiteral("_pressed");
    QPixmap objPixmap;
    if (!objPixmap.load(strPath))
        return;
    QPainter objPainter(this);
    objPainter.drawPixmap(rect(), objPixmap);
}
