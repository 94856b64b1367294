#include "platform/WindowMessage.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>

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
                       WM_AUTO_CONNECT, WM_PAGE_ACTIVATED, WM_PAGE_INIT, WM_SET_ALL_NODES, WM_CHART_NOTIFY,
                       WM_NODE_FOUND })
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
    QCoreApplication::postEvent(receiver, new WindowMessage(message, wParam, lParam, std::move(data)));
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
