#pragma once

#include <QPainter>
#include <QPixmap>

// A transparent picture of width x height drawn by paint(QPainter&), antialiased.
template <typename Paint>
QPixmap DrawPixmap(int width, int height, Paint paint)
{
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        paint(painter);
    }
    return pixmap;
}

// What is drawn next is filled in colour, without an outline.
inline void FillOnly(QPainter& p, const QColor& colour)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
}
