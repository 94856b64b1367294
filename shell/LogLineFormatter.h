#pragma once

#include "platform/WindowMessage.h"

#include <QByteArrayView>
#include <QString>

// Turns the lines of the log ring into the text the log view appends. A command starts a
// new row; its reply follows on the same row, after dots that line the replies of short
// mnemonics up. Keeps the last command for those dots.
class LogLineFormatter {
public:
    // A reply that finds more lines than this in the view empties it instead of being shown.
    static constexpr int kMaxLines = 2000;

    struct Step {
        bool clear = false; // empty the view; nothing is appended then
        QString text;       // what to append at the end (CR LF ends a row)
    };

    // slotText: the line's copy of its slot; lParam as posted with WM_LOG_APPEND;
    // viewLines: the lines the view holds now.
    Step Format(QByteArrayView slotText, LPARAM lParam, int viewLines);

    const QString& LastCommand() const { return m_strLastCommand; }

private:
    QString m_strLastCommand;
};
