#include "res/StripBitmaps.h"

#include "res/Pixmaps.h"

#include <QPainterPath>

namespace {
const QColor STEEL(64, 84, 108);
const QColor STEEL_LIGHT(150, 170, 190);

// One chain link seen from the side (an elongated ring) or edge on (a flat bar).
void DrawLink(QPainter& p, const QRectF& box)
{
    const qreal radius = box.height() / 2;
    p.setPen(QPen(STEEL, 3.5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(box, radius, radius);
    p.setPen(QPen(STEEL_LIGHT, 1.2));
    p.drawRoundedRect(box.adjusted(1.5, 1.5, -1.5, -1.5), radius - 1.5, radius - 1.5);
}

void DrawBar(QPainter& p, const QRectF& box)
{
    p.setPen(QPen(STEEL, 1));
    p.setBrush(STEEL);
    p.drawRoundedRect(box, box.height() / 2, box.height() / 2);
    p.setPen(QPen(STEEL_LIGHT, 1));
    p.drawLine(QPointF(box.left() + 2, box.top() + 1.5), QPointF(box.right() - 2, box.top() + 1.5));
}

void ClosedChain(QPainter& p)
{
    DrawLink(p, QRectF(4, 15, 26, 18));
    DrawLink(p, QRectF(42, 15, 26, 18));
    DrawBar(p, QRectF(22, 21.5, 28, 5));
    // A green lamp under the chain: the drive answers.
    FillOnly(p, QColor(0, 170, 60));
    p.drawEllipse(QPointF(36, 41), 4, 4);
}

void BrokenChain(QPainter& p)
{
    p.save();
    p.translate(14, 27);
    p.rotate(-12);
    DrawLink(p, QRectF(-12, -9, 24, 18));
    DrawBar(p, QRectF(5, -2.5, 8, 5));
    p.restore();
    p.save();
    p.translate(58, 21);
    p.rotate(-12);
    DrawLink(p, QRectF(-12, -9, 24, 18));
    DrawBar(p, QRectF(-13, -2.5, 8, 5));
    p.restore();
    // The break, and a red lamp under it: no answer.
    QPainterPath spark;
    spark.moveTo(38, 10);
    spark.lineTo(33, 22);
    spark.lineTo(39, 24);
    spark.lineTo(34, 36);
    p.setPen(QPen(QColor(220, 30, 30), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(spark);
    FillOnly(p, QColor(220, 30, 30));
    p.drawEllipse(QPointF(36, 42), 4, 4);
}

void Refresh(QPainter& p)
{
    const QColor green(0, 130, 60);
    const QRectF ring(3, 4, 13, 13);
    p.setPen(QPen(green, 2.4, Qt::SolidLine, Qt::FlatCap));
    // Qt angles are sixteenths of a degree, counter-clockwise from three o'clock.
    p.drawArc(ring, 80 * 16, 290 * 16);
    // The arrow head at the open end of the ring, pointing along the turn.
    QPainterPath head;
    head.moveTo(12.5, 1.0);
    head.lineTo(8.0, 4.6);
    head.lineTo(12.8, 8.0);
    head.closeSubpath();
    FillOnly(p, green);
    p.drawPath(head);
}
}

QPixmap LoadStripBitmap(int id)
{
    switch (id) {
    case IDB_CHAIN_CLOSED:
        return DrawPixmap(72, 48, ClosedChain);
    case IDB_CHAIN_BROKEN:
        return DrawPixmap(72, 48, BrokenChain);
    case IDB_REFRESH:
        return DrawPixmap(19, 21, Refresh);
    default:
        return {};
    }
}
