#include "imLed.h"

#include <QPainter>

#include <algorithm>

namespace orvane {

TimLed::TimLed(QWidget *parent)
    : QWidget(parent)
{
    // The inactive-caption colour of the desktop: the title bar of a window
    // without focus, a muted grey-blue.
    m_offColor = palette().color(QPalette::Inactive, QPalette::Highlight);
    if (m_offColor == palette().color(QPalette::Active, QPalette::Highlight))
        m_offColor = QColor(191, 205, 219);
    resize(14, 14);
}

void TimLed::setChecked(bool checked)
{
    if (checked == m_checked)
        return;
    m_checked = checked;
    update();
}

void TimLed::setOnColor(const QColor &color)
{
    if (color == m_onColor)
        return;
    m_onColor = color;
    update();
}

void TimLed::setOffColor(const QColor &color)
{
    if (color == m_offColor)
        return;
    m_offColor = color;
    update();
}

void TimLed::paintEvent(QPaintEvent *)
{
    const int d = std::min(width(), height());
    const int r = d / 2;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::Dark), 1));
    painter.setBrush(m_checked ? m_onColor : m_offColor);
    painter.drawEllipse(QRectF(0.5, 0.5, d - 1, d - 1));
    const int s = std::max(1, d / 4);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::Light));
    painter.drawEllipse(QRect(r - s, r - s, s, s));
}

} // namespace orvane
