#pragma once

#include "platform/WindowMessage.h"
#include "shell/LogLineFormatter.h"

#include <QPlainTextEdit>

// The log view: the right-hand pane of the main window that shows the commands sent on the
// user's behalf and the drive's replies, one exchange per row. Producers never touch it;
// they post WM_LOG_APPEND through the log ring.
class CBrantovelixEditView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CBrantovelixEditView(QWidget* parent = nullptr);
    ~CBrantovelixEditView() override;

    // Makes this the window the log ring posts to, and sets the log's font. Lines logged
    // before this reach the ring only.
    void OnInitialUpdate();

    // Appends one line (the event's copy of its slot) as the rules of LogLineFormatter say.
    LPARAM OnLogAppend(QByteArrayView slotText, LPARAM lParam);

protected:
    bool event(QEvent* e) override;

private:
    LogLineFormatter m_format;
};
