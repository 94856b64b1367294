#pragma once

#include "link/CanFrame.h"
#include "link/DriveExchange.h"

#include <QString>
#include <QStringList>

#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

// A stand-in for the link's transaction that answers from a script and keeps every call.
// Serial answers are reply texts (the transaction hands back the text with its CR); CAN
// answers are a value of a data length. A command without an answer times out.
class ScriptedTransaction {
public:
    struct Call {
        QString command; // without its CR
        int capacity;
    };
    struct Answer {
        int result = 0;
        QByteArray text;       // serial
        uint32_t value = 0;    // CAN
        uint32_t dataLength = 0;
    };

    void Serial(const QString& command, const QByteArray& text) { Set(command, { 0, text + '\r', 0, 0 }); }
    void Can(const QString& command, uint32_t value, uint32_t dataLength = 8)
    {
        Set(command, { 0, {}, value, dataLength });
    }
    void Fail(const QString& command, int result) { Set(command, { result, {}, 0, 0 }); }
    void Set(const QString& command, const Answer& answer)
    {
        std::lock_guard lock(m_mutex);
        m_answers[command] = answer;
    }
    // Runs on the caller's thread inside every transaction, before it answers.
    void OnCall(std::function<void(const QString&)> hook)
    {
        std::lock_guard lock(m_mutex);
        m_onCall = std::move(hook);
    }

    LinkTransaction Function()
    {
        return [this](QString command, void* reply, int* length) { return Transact(command, reply, length); };
    }

    std::vector<Call> Calls() const
    {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }
    QStringList Commands() const
    {
        QStringList commands;
        for (const Call& call : Calls())
            commands << call.command;
        return commands;
    }
    void Clear()
    {
        std::lock_guard lock(m_mutex);
        m_calls.clear();
    }

private:
    int Transact(const QString& command, void* reply, int* length)
    {
        const bool cr = command.endsWith(u'\r');
        const QString name = cr ? command.chopped(1) : command;
        std::function<void(const QString&)> hook;
        Answer answer { 10, {}, 0, 0 };
        {
            std::lock_guard lock(m_mutex);
            m_calls.push_back({ cr ? name : command + QStringLiteral("<no CR>"), *length });
            hook = m_onCall;
            if (auto it = m_answers.find(name); it != m_answers.end())
                answer = it->second;
        }
        if (hook)
            hook(name);
        if (answer.result != 0 || *length == 0)
            return answer.result;
        if (answer.dataLength == 0) {
            const int n = std::min<int>(*length, static_cast<int>(answer.text.size()));
            memcpy(reply, answer.text.constData(), static_cast<size_t>(n));
            *length = n;
        } else {
            CanFrame frame {};
            frame.dataLength = answer.dataLength;
            // Like the link, only the bytes the length covers are copied.
            for (int i = 0; i < 4 && 4 + i < static_cast<int>(answer.dataLength); ++i)
                frame.data[4 + i] = static_cast<uint8_t>(answer.value >> (8 * i));
            memcpy(reply, &frame, sizeof frame);
        }
        return 0;
    }

    mutable std::mutex m_mutex;
    std::map<QString, Answer> m_answers;
    std::vector<Call> m_calls;
    std::function<void(const QString&)> m_onCall;
};
