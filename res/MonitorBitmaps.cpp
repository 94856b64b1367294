#include "res/MonitorBitmaps.h"

#include "res/Pixmaps.h"

#include <QPainterPath>

namespace {
constexpr int kSize = 24;
const QColor INK(40, 60, 90);
const QColor GLASS(200, 225, 245);
const QColor ACTIVE(0, 140, 70);

// A magnifying glass with a plus (zoom in) or a minus (zoom out).
void Magnifier(QPainter& p, bool plus)
{
    p.setPen(QPen(INK, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(15, 15), QPointF(21, 21));
    p.setPen(QPen(INK, 2));
    p.setBrush(GLASS);
    p.drawEllipse(QPointF(10, 10), 7, 7);
    p.setPen(QPen(INK, 2, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(6.5, 10), QPointF(13.5, 10));
    if (plus)
        p.drawLine(QPointF(10, 6.5), QPointF(10, 13.5));
}

// A filled arrow pointing along (dx, dy).
void Arrow(QPainter& p, int dx, int dy)
{
    p.translate(kSize / 2.0, kSize / 2.0);
    p.rotate(dx > 0 ? 0 : dx < 0 ? 180 : dy > 0 ? 90 : 270);
    QPainterPath arrow;
    arrow.moveTo(9, 0);
    arrow.lineTo(1, -7);
    arrow.lineTo(1, -3);
    arrow.lineTo(-9, -3);
    arrow.lineTo(-9, 3);
    arrow.lineTo(1, 3);
    arrow.lineTo(1, 7);
    arrow.closeSubpath();
    FillOnly(p, INK);
    p.drawPath(arrow);
}

// A dotted box with a magnifier in its corner; green and framed while switched on.
void ZoomBox(QPainter& p, bool on)
{
    const QColor ink = on ? ACTIVE : INK;
    if (on) {
        FillOnly(p, QColor(210, 240, 215));
        p.drawRoundedRect(QRectF(0.5, 0.5, kSize - 1, kSize - 1), 3, 3);
    }
    p.setPen(QPen(ink, 1.5, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(3, 3, 13, 11));
    p.setPen(QPen(ink, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(17, 17), QPointF(21.5, 21.5));
    p.setPen(QPen(ink, 1.8));
    p.setBrush(GLASS);
    p.drawEllipse(QPointF(14, 14), 4, 4);
}

// A picture of kSize x kSize drawn by draw(painter, args...).
template <typename... Args>
QPixmap Icon(void (*draw)(QPainter&, Args...), Args... args)
{
    return DrawPixmap(kSize, kSize, [&](QPainter& p) { draw(p, args...); });
}
}

QPixmap LoadMonitorBitmap(int id)
{
    switch (id) {
    case IDB_ZOOM_IN:
        return Icon(Magnifier, true);
    case IDB_ZOOM_OUT:
        return Icon(Magnifier, false);
    case IDB_ZOOM_BOX_OFF:
        return Icon(ZoomBox, false);
    case IDB_ZOOM_BOX_ON:
        return Icon(ZoomBox, true);
    case IDB_PAN_LEFT:
        return Icon(Arrow, -1, 0);
    case IDB_PAN_RIGHT:
        return Icon(Arrow, 1, 0);
    case IDB_PAN_UP:
        return Icon(Arrow, 0, -1);
    case IDB_PAN_DOWN:
        return Icon(Arrow, 0, 1);
    default:
        return {};
    }
}
