#pragma once

#include "platform/Colorref.h"

#include <QList>
#include <QMenuBar>
#include <QPixmap>
#include <QRect>
#include <QSize>

class QPainter;

// One owner-drawn menu item: its text (label and accelerator split by a tab; empty for a
// separator) and its icon in the menu's icon list (-1 for none).
struct tagMENUITEM {
    QString text;
    int iconIndex = -1;
};

// Item states passed to DrawItem, combined by or.
constexpr unsigned ODS_SELECTED = 0x0001;
constexpr unsigned ODS_GRAYED = 0x0002;
constexpr unsigned ODS_DISABLED = 0x0004;
constexpr unsigned ODS_CHECKED = 0x0008;

// The main window's menu. It measures and draws owner-drawn items with icons; items that
// are not owner-drawn (all of them, as the program stands) are a plain menu bar's.
class CMenuEx : public QMenuBar {
    Q_OBJECT
public:
    static constexpr QSize kIconSize {16, 15};
    static constexpr int kSeparatorHeight = 10;

    explicit CMenuEx(QWidget* parent = nullptr);
    ~CMenuEx() override;

    // Cuts a strip of icons, each 16 by 15 pixels, into the icon list.
    void LoadIconStrip(const QPixmap& strip);
    int IconCount() const { return static_cast<int>(m_icons.size()); }

    QSize MeasureItem(const tagMENUITEM& item) const;
    void DrawItem(QPainter& painter, const QRect& rect, const tagMENUITEM& item, unsigned state) const;

private:
    COLORREF m_crMenu;
    COLORREF m_crMenuText;
    COLORREF m_crHighlight;
    COLORREF m_crHighlightText;
    QList<QPixmap> m_icons;
};
