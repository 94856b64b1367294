#include "controls/StripField.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace {
// The frame and the edit's own margin on each side; a text drawn on two lines may use the
// box's height up to its one-pixel frame line.
constexpr int kFrameMargin = 2;
constexpr int kTextMargin = 2;
constexpr int kFrameLine = 1;

QFont WithPixelSize(const QFont& font, int pixelSize)
{
    QFont sized(font);
    sized.setPixelSize(pixelSize);
    return sized;
}
}

TextFit FitTextToBox(const QString& text, const QFont& font, const QSize& room, int minPixelSize)
{
    const int start = std::max(QFontInfo(font).pixelSize(), minPixelSize);
    for (int size = start; size >= minPixelSize; --size) {
        const QFont sized = WithPixelSize(font, size);
        if (QFontMetrics(sized).horizontalAdvance(text) <= room.width())
            return { size == start ? font : sized, false, true };
    }
    for (int size = start; size >= minPixelSize; --size) {
        const QFont sized = WithPixelSize(font, size);
        const QRect needed = QFontMetrics(sized).boundingRect(QRect(QPoint(), room), Qt::TextWordWrap, text);
        if (needed.width() <= room.width() && needed.height() <= room.height())
            return { sized, true, true };
    }
    return { WithPixelSize(font, minPixelSize), true, false };
}

StripField::StripField(QWidget* parent)
    : CEditEx(parent)
{
}

QSize StripField::TextRoom() const
{
    return QSize(std::max(0, width() - 2 * (kFrameMargin + kTextMargin)), std::max(0, height() - 2 * kFrameLine));
}

TextFit StripField::Fit() const
{
    return FitTextToBox(text(), font(), TextRoom(), kMinPixelSize);
}

void StripField::paintEvent(QPaintEvent* event)
{
    const TextFit fit = Fit();
    if (!fit.wrapped && fit.font == font()) {
        CEditEx::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
    painter.setFont(fit.font);
    painter.setPen(palette().color(QPalette::Text));
    const QRect room = rect().adjusted(kFrameMargin + kTextMargin, kFrameLine, -(kFrameMargin + kTextMargin), -kFrameLine);
    const int horizontal = alignment() & Qt::AlignHorizontal_Mask;
    painter.drawText(room, horizontal | Qt::AlignVCenter | (fit.wrapped ? Qt::TextWordWrap : 0), text());
}
