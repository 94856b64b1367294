#pragma once

#include "platform/WindowMessage.h"

#include <QCoreApplication>
#include <QObject>

#include <mutex>
#include <vector>

// A window that keeps every window message it is given, posted or sent.
class MessageRecorder : public QObject {
public:
    struct Message {
        int message;
        WPARAM wParam;
        LPARAM lParam;
        QByteArray data;
        bool sent; // delivered while the sender waited (not through the event queue)

        int Id() const { return LOWORD(lParam); }
        int High() const { return HIWORD(lParam); }
    };

    bool event(QEvent* e) override
    {
        const int message = WindowMessage::MessageOf(e);
        if (!message)
            return QObject::event(e);
        auto* m = static_cast<WindowMessage*>(e);
        std::lock_guard lock(m_mutex);
        m_messages.push_back({ message, m->WParam(), m->LParam(), m->Data(), !m_delivering });
        return true;
    }

    // Hands the queued messages over, then returns every message so far.
    std::vector<Message> Take()
    {
        {
            std::lock_guard lock(m_mutex);
            m_delivering = true;
        }
        QCoreApplication::sendPostedEvents(this);
        std::lock_guard lock(m_mutex);
        m_delivering = false;
        return std::exchange(m_messages, {});
    }

    // The messages of one number only.
    std::vector<Message> Take(int message)
    {
        std::vector<Message> all = Take();
        std::vector<Message> wanted;
        for (Message& m : all) {
            if (m.message == message)
                wanted.push_back(std::move(m));
        }
        return wanted;
    }

private:
    std::mutex m_mutex;
    std::vector<Message> m_messages;
    bool m_delivering = false;
};
