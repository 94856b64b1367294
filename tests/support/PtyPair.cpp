#include "tests/support/PtyPair.h"

#include "platform/Profile.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

PtyPair::PtyPair()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        throw std::runtime_error("no pseudo-terminal");
    char name[128];
    if (::ptsname_r(m_master, name, sizeof name) != 0)
        throw std::runtime_error("no pseudo-terminal name");
    m_slavePath = name;
}

PtyPair::~PtyPair()
{
    if (m_master >= 0)
        ::close(m_master);
}

void PtyPair::MapAsCom(int port) const
{
    auto profile = OpenProfile();
    profile->setValue(QStringLiteral("Ports/COM%1").arg(port), QString::fromStdString(m_slavePath));
    profile->sync();
}

void PtyPair::Write(std::string_view bytes) const
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
            throw std::runtime_error("pseudo-terminal write failed");
        } else {
            pollfd fd { m_master, POLLOUT, 0 };
            ::poll(&fd, 1, 100);
        }
    }
}

std::string PtyPair::Read(size_t count, int waitMs) const
{
    std::string out;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (out.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd fd { m_master, POLLIN, 0 };
        if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0)
            continue;
        if (!(fd.revents & POLLIN)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1)); // no slave open yet
            continue;
        }
        char buf[256];
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0)
            out.append(buf, static_cast<size_t>(n));
    }
    return out;
}
