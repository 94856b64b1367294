#include "controls/TabStripLayout.h"

#include "platform/CjkFonts.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace {
constexpr int kPadX = 12;
constexpr int kPadY = 10;
constexpr int kMinTabWidth = 48;
constexpr int kMinRowHeight = 22;
}

TabStripLayout::TabStripLayout(const QStringList& captions, const QFont& font)
    : m_captions(captions)
    , m_font(WithCjkFallback(font))
{
    const QFontMetrics metrics(m_font);
    m_rowHeight = std::max(kMinRowHeight, metrics.height() + kPadY);
    int x = kLeftMargin;
    for (const QString& caption : m_captions) {
        const int width = std::max(kMinTabWidth, metrics.horizontalAdvance(caption) + 2 * kPadX);
        m_slots.append(QRect(x, 0, width, m_rowHeight));
        x += width;
    }
}

QSize TabStripLayout::PictureSize() const
{
    const int right = m_slots.isEmpty() ? kLeftMargin : m_slots.last().left() + m_slots.last().width();
    return {right + kSelectedGrow, m_rowHeight};
}

QRect TabStripLayout::TabShape(int index, int selected) const
{
    if (index < 0 || index >= Count())
        return {};
    const QRect slot = m_slots.at(index);
    if (index == selected)
        return slot.adjusted(-kSelectedGrow, 0, kSelectedGrow, 0);
    return slot.adjusted(0, kUnselectedDrop, 0, 0);
}

int TabStripLayout::HitTest(const QPoint& point, int selected) const
{
    // The selected tab lies over its neighbours, so it is asked first.
    if (TabShape(selected, selected).contains(point))
        return selected;
    for (int i = 0; i < Count(); ++i) {
        if (i != selected && TabShape(i, selected).contains(point))
            return i;
    }
    return -1;
}

QRect TabStripLayout::AdjustRect(bool larger, const QRect& rect) const
{
    const int top = m_rowHeight + kFrame;
    if (larger)
        return rect.adjusted(-kFrame, -top, kFrame, kFrame);
    return rect.adjusted(kFrame, top, -kFrame, -kFrame);
}

QImage TabStripLayout::Picture(int selected) const
{
    QImage image(PictureSize(), QImage::Format_RGB32);
    image.fill(ColorFromRef(kTabStripBackground));
    QPainter painter(&image);
    painter.setFont(m_font);
    const QColor border = ColorFromRef(kTabBorder);
    const int baseY = m_rowHeight - 1;

    const auto drawTab = [&](int i) {
        const QRect shape = TabShape(i, selected);
        const bool isSelected = i == selected;
        painter.fillRect(shape, ColorFromRef(isSelected ? kTabSelectedFill : kTabFill));
        painter.setPen(border);
        painter.drawLine(shape.topLeft(), shape.bottomLeft());
        painter.drawLine(shape.topLeft(), shape.topRight());
        painter.drawLine(shape.topRight(), shape.bottomRight());
        if (isSelected)
            painter.fillRect(QRect(shape.left(), shape.top(), shape.width(), kAccentHeight), ColorFromRef(kTabAccent));
        else
            painter.drawLine(QPoint(shape.left(), baseY), QPoint(shape.right(), baseY));
        painter.setPen(ColorFromRef(kTabCaption));
        painter.drawText(shape.adjusted(1, isSelected ? kAccentHeight : 1, -1, -1), Qt::AlignCenter | Qt::TextSingleLine, m_captions.at(i));
    };

    // The base line runs under the whole row; the selected tab, drawn last, covers it.
    painter.setPen(border);
    painter.drawLine(QPoint(0, baseY), QPoint(image.width() - 1, baseY));
    for (int i = 0; i < Count(); ++i) {
        if (i != selected)
            drawTab(i);
    }
    if (selected >= 0 && selected < Count())
        drawTab(selected);
    return image;
}
