#include "platform/WindowMessage.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>

namespace {

// Qt's event queue is not instrumented, so ThreadSanitizer cannot see that a posted message
// changes hands under Qt's own lock. The post releases the event and an application-wide
// filter, which runs before any handler of the receiving thread, acquires it.
class TsanHandOff : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* event) override
    {
        __tsan_acquire(event);
        return false;
    }
};

void InstallTsanHandOff()
{
    QCoreApplication::instance()->installEventFilter(new TsanHandOff(QCoreApplication::instance()));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(InstallTsanHandOff)
#endif

WindowMessage::WindowMessage(int message, WPARAM wParam, LPARAM lParam, QByteArray data)
    : QEvent(EventType(message))
    , m_message(message)
    , m_wParam(wParam)
    , m_lParam(lParam)
    , m_data(std::move(data))
{
}

QEvent::Type WindowMessage::EventType(int message)
{
    // Reserve the fixed numbers once, so nothing else in the process is handed them.
    static const bool reserved = [] {
        for (int m : { WM_PAGE_LEAVING, WM_LOG_APPEND, WM_PARAM_REPLY, WM_NEW_SAMPLE, WM_DRIVE_REPLY, WM_MONITOR_END,
                       WM_STRIP_FRESHNESS, WM_AUTO_CONNECT, WM_PAGE_ACTIVATED, WM_PAGE_INIT, WM_SET_ALL_NODES,
                       WM_CHART_NOTIFY, WM_NODE_FOUND })
            QEvent::registerEventType(m);
        return true;
    }();
    (void)reserved;
    return static_cast<QEvent::Type>(message);
}

int WindowMessage::MessageOf(const QEvent* event)
{
    const int type = static_cast<int>(event->type());
    if (type < WM_USER || type > QEvent::MaxUser || !dynamic_cast<const WindowMessage*>(event))
        return 0;
    return type;
}

bool PostMessage(QObject* receiver, int message, WPARAM wParam, LPARAM lParam, QByteArray data)
{
    if (!receiver)
        return false;
    auto* event = new WindowMessage(message, wParam, lParam, std::move(data));
#if defined(__SANITIZE_THREAD__)
    __tsan_release(event);
#endif
    QCoreApplication::postEvent(receiver, event);
    return true;
}

LPARAM SendMessage(QObject* receiver, int message, WPARAM wParam, LPARAM lParam, QByteArray data)
{
    if (!receiver)
        return 0;
    Q_ASSERT(receiver->thread() == QThread::currentThread());
    WindowMessage event(message, wParam, lParam, std::move(data));
    QCoreApplication::sendEvent(receiver, &event);
    return event.Result();
}
