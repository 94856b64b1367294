#pragma once

#include "link/FakeCanBackend.h"

#include <map>
#include <memory>
#include <mutex>

// Installs a factory that gives every opened CAN channel a fresh fake bus, and keeps the
// latest one per channel index for the test to play the far side. Restores the default
// choice when it goes.
class FakeBus {
public:
    FakeBus()
    {
        SetCanBackendFactory([this](int channel) {
            auto fake = std::make_shared<FakeCanBackend>();
            std::lock_guard lock(m_mutex);
            ++m_created;
            if (m_prepare)
                m_prepare(*fake);
            m_fakes[channel] = fake;
            return fake;
        });
    }
    ~FakeBus() { SetCanBackendFactory({}); }

    // Runs on every new fake before the libraries use it (fault injection from the start).
    void Prepare(std::function<void(FakeCanBackend&)> prepare)
    {
        std::lock_guard lock(m_mutex);
        m_prepare = std::move(prepare);
    }
    std::shared_ptr<FakeCanBackend> At(int channel)
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_fakes.find(channel);
        return it == m_fakes.end() ? nullptr : it->second;
    }
    int Created()
    {
        std::lock_guard lock(m_mutex);
        return m_created;
    }

private:
    std::mutex m_mutex;
    std::map<int, std::shared_ptr<FakeCanBackend>> m_fakes;
    std::function<void(FakeCanBackend&)> m_prepare;
    int m_created = 0;
};

inline CanMessage Message(uint32_t id, std::initializer_list<uint8_t> data, bool extended = false)
{
    CanMessage msg;
    msg.id = id;
    msg.extended = extended;
    msg.length = static_cast<uint8_t>(data.size());
    std::copy(data.begin(), data.end(), msg.data);
    return msg;
}
