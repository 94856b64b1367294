#pragma once

#include <QByteArray>
#include <QEvent>
#include <cstdint>

class QObject;

// Message numbers of the program's own window messages. A message WM_USER+N travels as a
// WindowMessage event of type 0x0400+N.
constexpr int WM_USER = 0x0400;
constexpr int WM_PAGE_LEAVING = WM_USER + 15;
constexpr int WM_LOG_APPEND = WM_USER + 101;
constexpr int WM_PARAM_REPLY = WM_USER + 0x77;
constexpr int WM_NEW_SAMPLE = WM_USER + 0x82;
constexpr int WM_DRIVE_REPLY = WM_USER + 0x83;
// The run-monitor page's polling thread ended on its own (wParam: why).
constexpr int WM_MONITOR_END = WM_USER + 0x84;
// Whether the top strip's values are the drive's current ones (wParam: see DriveReplyDecoder.h).
constexpr int WM_STRIP_FRESHNESS = WM_USER + 0x85;
constexpr int WM_AUTO_CONNECT = WM_USER + 0x86;
constexpr int WM_PAGE_ACTIVATED = WM_USER + 0x88;
constexpr int WM_PAGE_INIT = WM_USER + 0x8A;
constexpr int WM_SET_ALL_NODES = WM_USER + 0x8B;
constexpr int WM_CHART_NOTIFY = WM_USER + 0x209;
constexpr int WM_NODE_FOUND = WM_USER + 0x157D;

using WPARAM = uintptr_t;
using LPARAM = intptr_t;

constexpr uint16_t LOWORD(LPARAM v) { return static_cast<uint16_t>(static_cast<uintptr_t>(v) & 0xFFFF); }
constexpr uint16_t HIWORD(LPARAM v) { return static_cast<uint16_t>((static_cast<uintptr_t>(v) >> 16) & 0xFFFF); }
constexpr LPARAM MAKELPARAM(uint16_t lo, uint16_t hi) { return static_cast<LPARAM>(static_cast<uint32_t>(lo) | (static_cast<uint32_t>(hi) << 16)); }

// A window message as a Qt event. It carries its own copy of any text or data, so the
// sender's buffer may be reused at once.
class WindowMessage : public QEvent {
public:
    WindowMessage(int message, WPARAM wParam, LPARAM lParam, QByteArray data = {});

    int Message() const { return m_message; }
    WPARAM WParam() const { return m_wParam; }
    LPARAM LParam() const { return m_lParam; }
    const QByteArray& Data() const { return m_data; }
    LPARAM Result() const { return m_result; }
    void SetResult(LPARAM result) { m_result = result; }

    static QEvent::Type EventType(int message);
    // The message number of an event, or 0 when it is not a window message.
    static int MessageOf(const QEvent* event);

private:
    int m_message;
    WPARAM m_wParam;
    LPARAM m_lParam;
    QByteArray m_data;
    LPARAM m_result = 0;
};

// When event is the window message `message`, hands it to handler (LPARAM handler(const
// WindowMessage&)), keeps what that returns as its result and gives true; else false.
template <typename Handler>
bool HandleWindowMessage(QEvent* event, int message, Handler&& handler)
{
    if (WindowMessage::MessageOf(event) != message)
        return false;
    auto* windowMessage = static_cast<WindowMessage*>(event);
    windowMessage->SetResult(handler(*windowMessage));
    return true;
}

// Queues a message for the receiver's thread; safe from any thread. False when there is
// no receiver.
bool PostMessage(QObject* receiver, int message, WPARAM wParam, LPARAM lParam, QByteArray data = {});
// Delivers a message at once on the calling thread (the receiver must live on it) and
// returns the value the handler stored with SetResult, 0 when none.
LPARAM SendMessage(QObject* receiver, int message, WPARAM wParam, LPARAM lParam, QByteArray data = {});
