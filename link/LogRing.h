#pragma once

#include "platform/WindowMessage.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <mutex>

class QObject;

// The log ring: fixed text slots that carry command and reply lines from any thread to the
// log view on the UI thread. A producer takes the next slot, copies its text in and, when
// the line is to be shown, posts WM_LOG_APPEND to the log view. The event carries its own
// copy of the slot's text, so a slot that is reused later never changes a queued line.
//
// Slots hold narrow text in code page 936, the drive's own character set, NUL-terminated.

constexpr int kReplyRingSlots = 256;
constexpr int kReplyRingSlotBytes = 512;
// A slot keeps at most this many characters of a line; longer lines are cut. At two bytes
// per character at most this always fits a slot with its NUL.
constexpr int kReplyRingSlotChars = 255;

// lParam of WM_LOG_APPEND: LOWORD 1 = command line, 0 = reply line; HIWORD = value kind,
// 0 = text (the only kind the program's producers send).
constexpr LPARAM kLogCommandLine = 1;
constexpr LPARAM kLogReplyLine = 0;

// Guards g_ReplyRing, g_nReplyRingIndex and the registered log view. Held with no other
// lock of the program.
extern std::mutex g_csLogRing;
extern char g_ReplyRing[kReplyRingSlots][kReplyRingSlotBytes];
// Slot written last, 0..255.
extern int g_nReplyRingIndex;

// Puts the index back to its start value, so the next line goes to slot 1.
void ResetReplyRingIndex();
int ReplyRingIndex();
// A copy of a slot's text up to its NUL; empty for an index outside the ring.
QByteArray ReplyRingSlotText(int slot);

// The window that WM_LOG_APPEND goes to. Until one is set, lines reach the ring but are
// posted nowhere. Unsetting takes the lock that every post holds, so once it returns no
// thread posts to the old window any more. UnsetLogView only clears `view` if it is the
// one set.
void SetLogView(QObject* view);
void UnsetLogView(QObject* view);
bool HasLogView();

// Stores a line in the next slot and, when post is true and a log view is set, posts
// WM_LOG_APPEND (wParam = the slot, lParam as given, data = the slot's text) to it.
// Returns the slot. Safe from any thread.
// PostLogText takes NUL-terminated code page 936 text as the drive sends it (nullptr is
// an empty line); its bytes are stored as they are. PostLogString takes any text and
// stores it converted to code page 936 (characters the code page lacks become '?'); a NUL
// in it ends the line, as it ends a slot.
int PostLogText(const char* text, LPARAM lParam, bool post);
int PostLogString(const QString& text, LPARAM lParam, bool post);

// The fixed text of a transaction result code; empty for 0 (success).
QString CommResultText(int code);
// When enable is true and a log view is set, logs the text of a failed result as a reply
// line. Success (0) logs nothing.
void LogCommResult(int code, bool enable);

// Decodes slot text (code page 936). A byte that starts no valid character becomes U+FFFD.
QString DecodeLogText(QByteArrayView text);
