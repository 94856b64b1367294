#pragma once

#include "platform/Colorref.h"

#include <QFont>
#include <QHash>
#include <QPolygon>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <QWidget>

// The outline of a balloon tip: an ellipse with a small pointer on its left whose point
// sits at the window's left edge.
struct BalloonShape {
    QRect ellipse;
    QRect textRect;
    QPolygon pointer;

    QRegion Region() const;
};

// A balloon-shaped tooltip window. Tools are widgets with a text: hovering one shows its
// text in the balloon, with the pointer at the mouse.
class CToolTipWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize kDefaultSize {100, 60};

    explicit CToolTipWnd(QWidget* parent = nullptr);
    ~CToolTipWnd() override;

    // Sizes the window and cuts it to the balloon. False, after telling the user, when the
    // size leaves no room for the balloon.
    bool Create(const QSize& size = kDefaultSize);
    bool IsCreated() const { return m_bCreated; }

    void AddTool(QWidget* tool, const QString& text);
    void RemoveTool(QWidget* tool);
    QString ToolText(QWidget* tool) const { return m_tools.value(tool); }

    void SetTipText(const QString& text);
    QString TipText() const { return m_strText; }

    // The balloon for a window whose client area is the given rectangle.
    static BalloonShape Shape(const QRect& client);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    BalloonShape m_shape;
    QFont m_font;
    QString m_strText;
    COLORREF m_crText = 0x000000;
    COLORREF m_crBackground = 0xBCFEF9;
    COLORREF m_crBorder = 0xFF0000;
    QHash<QWidget*, QString> m_tools;
    bool m_bCreated = false;
};
