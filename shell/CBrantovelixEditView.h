#pragma once

#include "platform/WindowMessage.h"
#include "shell/LogLineFormatter.h"

#include <QBasicTimer>
#include <QPlainTextEdit>

// The log view: the right-hand pane of the main window that shows the commands sent on the
// user's behalf and the drive's replies, one exchange per row. Producers never touch it;
// they post WM_LOG_APPEND through the log ring.
//
// Lines are formatted in the order they arrive but go into the view in batches: all that
// arrive within one screen refresh (so within one turn of the event loop too) are inserted
// together, with one scroll to the end, so a drive polled hundreds of times a second costs
// one insert and one repaint a refresh instead of one a line.
class CBrantovelixEditView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CBrantovelixEditView(QWidget* parent = nullptr);
    ~CBrantovelixEditView() override;

    // Makes this the window the log ring posts to, and sets the log's font. Lines logged
    // before this reach the ring only.
    void OnInitialUpdate();

    // Takes one line (the event's copy of its slot) as the rules of LogLineFormatter say:
    // queues its text for the next batch, or empties the view and the queue.
    LPARAM OnLogAppend(QByteArrayView slotText, LPARAM lParam);
    // Appends the queued text at the end and scrolls to it; a timer calls it a refresh after
    // the first queued line.
    void FlushLog();

protected:
    bool event(QEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

private:
    LogLineFormatter m_format;
    QString m_pending;     // formatted, not yet in the view
    int m_pendingRows = 0; // rows m_pending starts (each CR LF is one)
    QBasicTimer m_flushTimer;
};
