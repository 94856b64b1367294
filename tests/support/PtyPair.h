#pragma once

#include <string>
#include <string_view>

// A pseudo-terminal pair standing in for a serial line: the program opens the slave side
// as its port, the test plays the drive on the master side. The slave is also entered in
// the profile as a COM number, the way a user maps a device.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& SlavePath() const { return m_slavePath; }
    // Maps COM<port> to the slave in the profile.
    void MapAsCom(int port) const;
    void Write(std::string_view bytes) const;
    // What the program sent, waiting up to waitMs for `count` bytes.
    std::string Read(size_t count, int waitMs) const;

private:
    int m_master = -1;
    std::string m_slavePath;
};

// Waits until the condition holds or waitMs have passed; returns the condition.
template <typename Condition>
bool WaitFor(Condition condition, int waitMs);

#include <chrono>
#include <thread>

template <typename Condition>
bool WaitFor(Condition condition, int waitMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}
