#include "controls/MenuEx.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <qdrawutil.h>

namespace {
// Distance of the icon from the item's corner and of the text from the icon.
constexpr int kIconMargin = 2;
constexpr int kTextGap = 4;
constexpr COLORREF kGrayText = 0x7F7F7F;
constexpr COLORREF kGrayShadow = 0xFFFFFF;

COLORREF PaletteRef(QPalette::ColorRole role)
{
    return RefFromColor(QApplication::palette().color(QPalette::Active, role));
}
}

CMenuEx::CMenuEx(QWidget* parent)
    : QMenuBar(parent)
    , m_crMenu(PaletteRef(QPalette::Window))
    , m_crMenuText(PaletteRef(QPalette::WindowText))
    , m_crHighlight(PaletteRef(QPalette::Highlight))
    , m_crHighlightText(PaletteRef(QPalette::HighlightedText))
{
}

CMenuEx::~CMenuEx() = default;

void CMenuEx::LoadIconStrip(const QPixmap& strip)
{
    m_icons.clear();
    for (int x = 0; x + kIconSize.width() <= strip.width(); x += kIconSize.width())
        m_icons.append(strip.copy(QRect(QPoint(x, 0), kIconSize)));
}

QSize CMenuEx::MeasureItem(const tagMENUITEM& item) const
{
    if (item.text.isEmpty())
        return {0, kSeparatorHeight};
    QString shown = item.text;
    shown.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return {kIconSize.width() + fontMetrics().horizontalAdvance(shown) + 4, kIconSize.height() + 4};
}

void CMenuEx::DrawItem(QPainter& painter, const QRect& rect, const tagMENUITEM& item, unsigned state) const
{
    const bool selected = state & ODS_SELECTED;
    const bool checked = state & ODS_CHECKED;
    const bool disabled = state & (ODS_GRAYED | ODS_DISABLED);

    painter.save();
    painter.fillRect(rect, ColorFromRef(selected ? m_crHighlight : m_crMenu));

    if (item.text.isEmpty()) {
        const int y = rect.center().y();
        qDrawShadeLine(&painter, rect.left(), y, rect.right(), y, palette(), true);
        painter.restore();
        return;
    }

    // The icon sits in a box that looks pressed for a checked item and raised for the
    // item under the mouse.
    const QRect iconBox(rect.topLeft(), QSize(kIconSize.width() + 2 * kIconMargin, rect.height()));
    if (checked || selected)
        qDrawShadePanel(&painter, iconBox, palette(), checked, 1);
    if (item.iconIndex >= 0 && item.iconIndex < m_icons.size())
        painter.drawPixmap(rect.topLeft() + QPoint(kIconMargin, kIconMargin), m_icons.at(item.iconIndex));

    const int tab = item.text.indexOf(QLatin1Char('\t'));
    const QString label = tab < 0 ? item.text : item.text.left(tab);
    const QString accel = tab < 0 ? QString() : item.text.mid(tab + 1);
    const QRect textRect = rect.adjusted(iconBox.width() + kTextGap, 0, -kTextGap, 0);
    const auto drawText = [&](const QRect& r) {
        painter.drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, label);
        if (!accel.isEmpty())
            painter.drawText(r, Qt::AlignRight | Qt::AlignVCenter, accel);
    };
    painter.setFont(font());
    if (disabled) {
        painter.setPen(ColorFromRef(kGrayShadow));
        drawText(textRect.translated(1, 1));
        painter.setPen(ColorFromRef(kGrayText));
        drawText(textRect);
    } else {
        painter.setPen(ColorFromRef(selected ? m_crHighlightText : m_crMenuText));
        drawText(textRect);
    }
    painter.restore();
}
