#pragma once

#include "controls/TabStripLayout.h"

#include <QImage>
#include <QList>
#include <QPointer>
#include <QWidget>
#include <optional>

// The tab strip of the page host. It draws no tab labels of its own: the whole strip is
// its background colour with one picture laid over it, the picture of the selected tab,
// which shows every tab with that one raised. Pages are children of the strip and fill
// its area below the tabs. The strip never takes the keyboard focus.
//
// A click on another tab first asks SelChanging, whose handler may veto the change; only
// then does the selection move and SelChange follow. Selecting by SetCurSel asks nothing.
class CViewTabCtl : public QWidget {
    Q_OBJECT
public:
    explicit CViewTabCtl(QWidget* parent = nullptr);
    ~CViewTabCtl() override;

    // Inserts a tab before index (at the end when index is past it) holding a page;
    // returns its index, or -1 for a negative index.
    int InsertItem(int index, const QString& text, QWidget* page = nullptr);
    int GetItemCount() const { return static_cast<int>(m_items.size()); }
    QString GetItemText(int index) const;
    // The page of a tab; null for an index out of range or a page already gone.
    QWidget* GetItemData(int index) const;

    int GetCurSel() const { return m_nCurSel; }
    // Selects a tab (-1 for none) without asking anyone; returns the previous selection,
    // or -1 and changes nothing when the index is out of range.
    int SetCurSel(int index);

    // Between the strip rectangle and the page area (smaller), or back (larger).
    QRect AdjustRect(bool larger, const QRect& rect) const;
    // The tab under a point of the strip, or -1.
    int HitTest(const QPoint& point) const;

    // Moves the strip to an area of its parent, turns the area into the page area inside
    // it and moves the page there.
    virtual void SetTabRect(QRect& area, QWidget* page);

    // Where the tabs lie and how they look, for the strip's current tabs and font.
    const TabStripLayout& Layout() const;
    // The picture shown while a tab is selected.
    const QImage& Picture(int tab) const;

signals:
    // Set *cancel to keep the current tab.
    void SelChanging(bool* cancel);
    void SelChange();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Item {
        QString text;
        QPointer<QWidget> page;
    };

    void Invalidate();

    QList<Item> m_items;
    int m_nCurSel = -1;
    mutable std::optional<TabStripLayout> m_layout;
    mutable QList<QImage> m_pictures;
};
