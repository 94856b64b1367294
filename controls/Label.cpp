#include "controls/Label.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QPalette>
#include <QTimerEvent>

namespace {
constexpr int kBlinkIntervalMs = 500;
}

CLabel::CLabel(QWidget* parent)
    : CLabel(QString(), parent)
{
}

CLabel::CLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent)
    , m_crText(RefFromColor(QApplication::palette().color(QPalette::Active, QPalette::WindowText)))
    , m_font(QApplication::font())
{
    // The text is shown as it stands, never read as markup.
    setTextFormat(Qt::PlainText);
    setAutoFillBackground(true);
    setFont(m_font);
    SetLink(false);
}

void CLabel::Redraw()
{
    QPalette pal = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setColor(group, QPalette::WindowText, ColorFromRef(m_crText));
    setPalette(pal);
    update();
}

CLabel& CLabel::SetTextColor(COLORREF color)
{
    m_crText = color;
    Redraw();
    return *this;
}

CLabel& CLabel::SetFontUnderline(bool underline)
{
    m_font.setUnderline(underline);
    setFont(m_font);
    Redraw();
    return *this;
}

CLabel& CLabel::SetLink(bool link)
{
    m_bLink = link;
    setAttribute(Qt::WA_TransparentForMouseEvents, !link);
    UpdateCursor();
    return *this;
}

CLabel& CLabel::SetLinkCursor(const QCursor& cursor)
{
    m_linkCursor = cursor;
    UpdateCursor();
    return *this;
}

void CLabel::UpdateCursor()
{
    if (m_bLink && m_linkCursor)
        setCursor(*m_linkCursor);
    else
        unsetCursor();
}

CLabel& CLabel::SetBlinkType(int type)
{
    if (m_nBlinkType == 1 && m_bBlinkState)
        setText(m_strText);
    m_nBlinkType = type;
    m_bBlinkState = false;
    if (type == 1 || type == 2) {
        m_strText = text();
        m_blinkTimer.start(kBlinkIntervalMs, this);
    } else {
        m_blinkTimer.stop();
    }
    return *this;
}

void CLabel::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_blinkTimer.timerId()) {
        QLabel::timerEvent(event);
        return;
    }
    m_bBlinkState = !m_bBlinkState;
    if (m_nBlinkType == 1)
        setText(m_bBlinkState ? QString() : m_strText);
    else if (m_nBlinkType == 2)
        repaint();
}

QUrl CLabel::LinkTarget(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.contains(QLatin1Char(' ')))
        return {};
    QUrl url(trimmed, QUrl::StrictMode);
    if (url.scheme().isEmpty() && trimmed.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
        url = QUrl(QLatin1String("http://") + trimmed, QUrl::StrictMode);
    if (!url.isValid())
        return {};
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return url.host().isEmpty() ? QUrl() : url;
    if (scheme == QLatin1String("mailto"))
        return url.path().isEmpty() ? QUrl() : url;
    return {};
}

void CLabel::mousePressEvent(QMouseEvent* event)
{
    if (!m_bLink) {
        QLabel::mousePressEvent(event);
        return;
    }
    // A link keeps its clicks, so the window below does not take them as its own.
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    const QUrl target = LinkTarget(text());
    if (!target.isEmpty())
        QDesktopServices::openUrl(target);
}
