#pragma once

#include "platform/Colorref.h"

#include <QFont>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringList>

// Colours of the tab strip. The strip is filled with its background colour and the
// picture of the selected tab is laid over it.
constexpr COLORREF kTabStripBackground = RGB(240, 240, 240);
constexpr COLORREF kTabBorder = RGB(137, 140, 149);
constexpr COLORREF kTabFill = RGB(218, 225, 235);
constexpr COLORREF kTabSelectedFill = RGB(239, 243, 247);
constexpr COLORREF kTabAccent = RGB(49, 89, 132);
constexpr COLORREF kTabCaption = RGB(49, 89, 132);

// Where the tabs of a strip lie and what the strip looks like with one of them selected.
// The pictures and the click areas come from the same shapes, so a click lands on the tab
// the user sees under the mouse.
//
// Tabs sit side by side in one row from the left. An unselected tab is drawn from 2 pixels
// below the top of the row down to its base line; the selected tab is drawn over the whole
// row height and 2 pixels wider on each side, over its neighbours, and open at the bottom
// towards the page.
class TabStripLayout {
public:
    static constexpr int kLeftMargin = 2;
    static constexpr int kSelectedGrow = 2;
    static constexpr int kUnselectedDrop = 2;
    static constexpr int kAccentHeight = 2;
    // Space between the strip's edges and the page area below the tabs.
    static constexpr int kFrame = 2;

    TabStripLayout(const QStringList& captions, const QFont& font);

    int Count() const { return static_cast<int>(m_slots.size()); }
    int RowHeight() const { return m_rowHeight; }
    QSize PictureSize() const;
    // The font the captions are drawn in: the given one, with a Chinese face to fall back on.
    const QFont& CaptionFont() const { return m_font; }

    // The outline drawn for a tab while another (or the same) tab is selected; empty for an
    // index out of range.
    QRect TabShape(int index, int selected) const;
    // The tab drawn at a point while a tab is selected, or -1 when the point is on no tab.
    int HitTest(const QPoint& point, int selected) const;
    // Between a strip rectangle and the page area inside it (smaller), or back (larger).
    QRect AdjustRect(bool larger, const QRect& rect) const;

    // The opaque picture of the tab row with one tab selected (-1 for none).
    QImage Picture(int selected) const;

private:
    QStringList m_captions;
    QFont m_font;
    QList<QRect> m_slots;
    int m_rowHeight = 0;
};
