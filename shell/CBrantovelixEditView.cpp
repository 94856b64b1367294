#include "shell/CBrantovelixEditView.h"

#include "link/LogRing.h"
#include "platform/CjkFonts.h"

#include <QFont>
#include <QTextCursor>
#include <QTimerEvent>

namespace {
// How long a batch gathers lines: about one screen refresh. Flushing every turn of the event
// loop would still repaint the pane and its scroll bar for nearly every line of a drive
// polled back to back, as the turns then carry a line or two each.
constexpr int kFlushDelayMs = 16;
const QString kRowBreak = QStringLiteral("\r\n");
}

CBrantovelixEditView::CBrantovelixEditView(QWidget* parent)
    : QPlainTextEdit(parent)
{
    // The second pane of the main window's splitter.
    setObjectName(QStringLiteral("idc_59649"));
    setReadOnly(true);
    setUndoRedoEnabled(false);
    // A long line (a lost connection, a device that cannot be opened) wraps at the pane's
    // edge, even inside a path: the pane never scrolls sideways, so every row's start stays
    // in sight.
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

CBrantovelixEditView::~CBrantovelixEditView()
{
    UnsetLogView(this);
}

void CBrantovelixEditView::OnInitialUpdate()
{
    SetLogView(this);
    QFont logFont = font();
    logFont.setFamilies(CjkFallbackFamilies());
    logFont.setWeight(QFont::ExtraLight);
    logFont.setItalic(false);
    logFont.setUnderline(false);
    logFont.setStrikeOut(false);
    setFont(logFont);
}

LPARAM CBrantovelixEditView::OnLogAppend(QByteArrayView slotText, LPARAM lParam)
{
    // The view holds what it shows plus what is queued for it.
    const LogLineFormatter::Step step = m_format.Format(slotText, lParam, document()->blockCount() + m_pendingRows);
    if (step.clear) {
        // Queued lines came before the one that clears: they go with the rest.
        m_pending.clear();
        m_pendingRows = 0;
        clear();
        return 0;
    }
    if (step.text.isEmpty())
        return 0;
    m_pending += step.text;
    m_pendingRows += static_cast<int>(step.text.count(kRowBreak));
    if (!m_flushTimer.isActive())
        m_flushTimer.start(kFlushDelayMs, this);
    return 0;
}

void CBrantovelixEditView::FlushLog()
{
    m_flushTimer.stop();
    if (m_pending.isEmpty())
        return;
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(m_pending);
    m_pending.clear();
    m_pendingRows = 0;
    setTextCursor(end);
    ensureCursorVisible();
}

bool CBrantovelixEditView::event(QEvent* e)
{
    const auto append = [this](const WindowMessage& message) { return OnLogAppend(message.Data(), message.LParam()); };
    return HandleWindowMessage(e, WM_LOG_APPEND, append) || QPlainTextEdit::event(e);
}

void CBrantovelixEditView::timerEvent(QTimerEvent* e)
{
    if (e->timerId() == m_flushTimer.timerId())
        FlushLog();
    else
        QPlainTextEdit::timerEvent(e);
}
