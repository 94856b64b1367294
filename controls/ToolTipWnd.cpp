#include "controls/ToolTipWnd.h"

#include "controls/LogFont.h"
#include "platform/MessageBox.h"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QPainter>

namespace {
constexpr int kFontHeight = 14;
const char* const kFontFace = "Arial";
// The pointer takes this much of the window's left side.
constexpr int kPointerWidth = 10;
// How far the border reaches into the balloon, across and down.
constexpr int kBorderX = 2;
constexpr int kBorderY = 1;
}

QRegion BalloonShape::Region() const
{
    return QRegion(ellipse, QRegion::Ellipse).united(QRegion(pointer));
}

CToolTipWnd::CToolTipWnd(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint)
    , m_font(FontFromLogFont(kFontHeight, 0, 0, QString::fromLatin1(kFontFace)))
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    resize(kDefaultSize);
}

CToolTipWnd::~CToolTipWnd()
{
    for (auto it = m_tools.cbegin(); it != m_tools.cend(); ++it)
        it.key()->removeEventFilter(this);
}

BalloonShape CToolTipWnd::Shape(const QRect& client)
{
    // Client edges as exclusive right and bottom, the way the balloon is measured.
    const int left = client.left();
    const int top = client.top();
    const int right = client.left() + client.width();
    const int bottom = client.top() + client.height();
    const int w = right - (left + kPointerWidth);
    const int h = bottom - top;

    BalloonShape shape;
    shape.ellipse = QRect(QPoint(left + kPointerWidth, top), QPoint(right - 1, bottom - 1));
    const int halfW = static_cast<int>((w / 2) / 1.41421);
    const int halfH = static_cast<int>((h / 2) / 1.41421);
    const int cx = left + kPointerWidth + w / 2;
    const int cy = top + h / 2;
    shape.textRect = QRect(QPoint(cx - halfW, cy - halfH), QPoint(cx + halfW - 1, cy + halfH - 1));
    shape.pointer = QPolygon({QPoint(left, bottom / 2 - 10), QPoint(left + 15, bottom / 2 - 5), QPoint(left + 15, bottom / 2 + 5)});
    return shape;
}

bool CToolTipWnd::Create(const QSize& size)
{
    resize(size);
    const BalloonShape shape = Shape(rect());
    // Without its ellipse the window would be only a pointer, or unmasked altogether.
    if (shape.ellipse.isEmpty() || shape.Region().isEmpty()) {
        ShowMessageBox(nullptr, QStringLiteral("ERROR in Combining Region"), QStringLiteral("Velquarin"), MB_OK | MB_ICONERROR);
        return false;
    }
    m_shape = shape;
    setMask(m_shape.Region());
    m_bCreated = true;
    return true;
}

void CToolTipWnd::AddTool(QWidget* tool, const QString& text)
{
    if (!tool)
        return;
    if (!m_tools.contains(tool)) {
        tool->installEventFilter(this);
        connect(tool, &QObject::destroyed, this, [this, tool] { m_tools.remove(tool); });
    }
    m_tools.insert(tool, text);
}

void CToolTipWnd::RemoveTool(QWidget* tool)
{
    if (m_tools.remove(tool)) {
        tool->removeEventFilter(this);
        disconnect(tool, &QObject::destroyed, this, nullptr);
    }
}

void CToolTipWnd::SetTipText(const QString& text)
{
    m_strText = text;
    update();
}

bool CToolTipWnd::eventFilter(QObject* watched, QEvent* event)
{
    auto* tool = qobject_cast<QWidget*>(watched);
    const auto it = tool ? m_tools.constFind(tool) : m_tools.cend();
    if (it == m_tools.cend())
        return QWidget::eventFilter(watched, event);

    switch (event->type()) {
    case QEvent::ToolTip:
        if (!m_bCreated && !Create())
            return true;
        SetTipText(it.value());
        // The pointer's point goes to the mouse.
        move(static_cast<QHelpEvent*>(event)->globalPos() - m_shape.pointer.point(0));
        show();
        return true;
    case QEvent::Leave:
    case QEvent::Hide:
    case QEvent::MouseButtonPress:
        hide();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void CToolTipWnd::paintEvent(QPaintEvent*)
{
    const BalloonShape shape = m_bCreated ? m_shape : Shape(rect());
    const QRegion region = shape.Region();
    QPainter painter(this);
    painter.setClipRegion(region);
    painter.fillRect(region.boundingRect(), ColorFromRef(m_crBackground));

    // The border is the part of the balloon that a shift of its width in any direction
    // would leave uncovered.
    const QRegion inner = region.intersected(region.translated(kBorderX, 0)).intersected(region.translated(-kBorderX, 0)).intersected(region.translated(0, kBorderY)).intersected(region.translated(0, -kBorderY));
    for (const QRect& r : region.subtracted(inner))
        painter.fillRect(r, ColorFromRef(m_crBorder));

    painter.setFont(m_font);
    painter.setPen(ColorFromRef(m_crText));
    const bool fits = QFontMetrics(m_font).horizontalAdvance(m_strText) <= shape.textRect.width();
    const int flags = fits ? (Qt::AlignCenter | Qt::TextSingleLine) : (Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap);
    painter.drawText(shape.textRect, flags, m_strText);
}
