#include "link/LinkLayer.h"
#include "link/LinkInternal.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace link_detail {
// Wakes the receive thread out of its waits (poll on the port, the pause gate).
int WakeFd()
{
    static const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return fd;
}

void WakeReceive()
{
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(WakeFd(), &one, sizeof one);
}

void DrainWake()
{
    uint64_t count;
    [[maybe_unused]] const ssize_t n = ::read(WakeFd(), &count, sizeof count);
}

void WaitWake(int timeoutMs)
{
    pollfd fd { WakeFd(), POLLIN, 0 };
    ::poll(&fd, 1, timeoutMs);
    DrainWake();
}

// The scanner's wake-up: new bytes or frames are in a ring.
std::mutex g_scanMutex;
std::condition_variable g_scanCond;
bool g_scanPending = false;

void WakeScanner()
{
    {
        std::lock_guard lock(g_scanMutex);
        g_scanPending = true;
    }
    g_scanCond.notify_one();
}
} // namespace link_detail
