#pragma once

#include "platform/Colorref.h"

#include <QBrush>
#include <QLineEdit>
#include <QPointer>
#include <cstdint>
#include <memory>

class QMenu;

// Decides which typed characters an edit accepts.
class CharFilter {
public:
    virtual ~CharFilter() = default;
    virtual bool Accept(char16_t ch) const = 0;
};

// An edit that paints itself in its own text and background colours, whatever the
// surrounding palette says, and may carry its own font. The status strip uses these as
// its alarm lamps and information fields, so the colours hold in every state of the edit
// (read-only and disabled included).
class CEditEx : public QLineEdit {
    Q_OBJECT
public:
    explicit CEditEx(QWidget* parent = nullptr);
    ~CEditEx() override;

    // Each returns the colour it replaces.
    COLORREF SetBkColor(COLORREF color);
    COLORREF SetTextColor(COLORREF color);
    COLORREF BkColor() const { return m_crBkColor; }
    COLORREF TextColor() const { return m_crTextColor; }

    // Replaces the edit's font. The weight argument is ignored: the font is always of
    // normal weight. Face names are cut to 31 characters.
    void SetFont(int height, int weight, uint8_t pitchAndFamily, const QString& faceName);

    // A filter that refuses a character makes the edit beep and drop it. The edit owns
    // the filter; none (the default) accepts everything.
    void SetCharFilter(std::unique_ptr<CharFilter> filter);
    // A menu shown instead of the edit's own context menu; the edit takes it over. None
    // (the default) keeps the edit's own menu.
    void SetContextMenu(QMenu* menu);

    const QBrush& BkBrush() const { return m_brBkgnd; }

protected:
    // Builds the background brush from the background colour.
    virtual void CreateBkBrush();

    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void ApplyColors();

    QBrush m_brBkgnd;
    COLORREF m_crBkColor;
    COLORREF m_crTextColor;
    std::unique_ptr<CharFilter> m_pCharFilter;
    QPointer<QMenu> m_pMenu;
};
