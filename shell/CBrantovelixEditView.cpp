#include "shell/CBrantovelixEditView.h"

#include "platform/CjkFonts.h"
#include "shell/LogRing.h"

#include <QFont>
#include <QScrollBar>
#include <QTextCursor>

CBrantovelixEditView::CBrantovelixEditView(QWidget* parent)
    : QPlainTextEdit(parent)
{
    // The second pane of the main window's splitter.
    setObjectName(QStringLiteral("idc_59649"));
    setReadOnly(true);
    setUndoRedoEnabled(false);
    // Rows are exchanges; a long reply scrolls sideways instead of breaking a row.
    setLineWrapMode(QPlainTextEdit::NoWrap);
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
    const LogLineFormatter::Step step = m_format.Format(slotText, lParam, document()->blockCount());
    if (step.clear) {
        clear();
        return 0;
    }
    if (step.text.isEmpty())
        return 0;
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(step.text);
    setTextCursor(end);
    ensureCursorVisible();
    return 0;
}

bool CBrantovelixEditView::event(QEvent* e)
{
    if (WindowMessage::MessageOf(e) == WM_LOG_APPEND) {
        auto* message = static_cast<WindowMessage*>(e);
        message->SetResult(OnLogAppend(message->Data(), message->LParam()));
        return true;
    }
    return QPlainTextEdit::event(e);
}
