#pragma once

#include "platform/Colorref.h"

#include <QBasicTimer>
#include <QCursor>
#include <QFont>
#include <QLabel>
#include <QUrl>
#include <optional>

// A static text with its own colour and font that can act as a link: a click opens the
// address it shows. Only web and mail addresses are opened, never files or programs, so a
// label's text can never start anything on the user's machine.
class CLabel : public QLabel {
    Q_OBJECT
public:
    explicit CLabel(QWidget* parent = nullptr);
    explicit CLabel(const QString& text, QWidget* parent = nullptr);

    // Each setter returns the label so that calls can be chained.
    CLabel& SetTextColor(COLORREF color);
    CLabel& SetFontUnderline(bool underline);
    // A link takes clicks; otherwise clicks pass through to the window below, as on any
    // plain text.
    CLabel& SetLink(bool link);
    // The cursor shown over a link.
    CLabel& SetLinkCursor(const QCursor& cursor);
    // 0 nothing blinks, 1 the text blinks, 2 the background is redrawn in step.
    CLabel& SetBlinkType(int type);

    COLORREF TextColor() const { return m_crText; }
    bool IsLink() const { return m_bLink; }

    // What a click on a label showing this text opens: an http, https or mailto address
    // (a bare "www." host counts as http), otherwise an empty URL and nothing is opened.
    static QUrl LinkTarget(const QString& text);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void Redraw();
    void UpdateCursor();

    COLORREF m_crText;
    QFont m_font;
    QString m_strText;
    bool m_bBlinkState = false;
    int m_nBlinkType = 0;
    bool m_bLink = false;
    std::optional<QCursor> m_linkCursor;
    QBasicTimer m_blinkTimer;
};
