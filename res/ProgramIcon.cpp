#include "res/ProgramIcon.h"

#include "res/Pixmaps.h"

#include <QFont>

namespace {

void DrawIcon(QPainter& painter, int size)
{
    const QRectF plate(0.5, 0.5, size - 1.0, size - 1.0);
    painter.setPen(QPen(QColor(0x10, 0x3A, 0x78), size / 16.0 + 0.5));
    painter.setBrush(QColor(0x1E, 0x64, 0xC8));
    painter.drawRoundedRect(plate, size / 6.0, size / 6.0);
    QFont font;
    font.setBold(true);
    font.setPixelSize(size * 3 / 4);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(plate, Qt::AlignCenter, QStringLiteral("V"));
}

} // namespace

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : { 16, 32, 48 })
        icon.addPixmap(DrawPixmap(size, size, [size](QPainter& painter) { DrawIcon(painter, size); }));
    return icon;
}
