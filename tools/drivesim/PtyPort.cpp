#include "tools/drivesim/PtyPort.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits.h>
#include <termios.h>
#include <unistd.h>

namespace {

// What a program that stopped reading leaves unread is dropped beyond this much.
constexpr size_t kMaxPending = 64 * 1024;

std::string ErrorText(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

}

PtyPort::~PtyPort()
{
    Close();
}

bool PtyPort::Open(const std::string& linkPath, std::string* error)
{
    Close();
    m_fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        *error = ErrorText("posix_openpt");
        return false;
    }
    char name[PATH_MAX];
    if (::grantpt(m_fd) != 0 || ::unlockpt(m_fd) != 0 || ::ptsname_r(m_fd, name, sizeof name) != 0) {
        *error = ErrorText("pseudo-terminal set-up");
        Close();
        return false;
    }
    m_slavePath = name;

    // Terminal settings made on the master apply to the slave side.
    termios tio {};
    if (::tcgetattr(m_fd, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(m_fd, TCSANOW, &tio);
    }

    if (!linkPath.empty()) {
        const std::string temp = linkPath + ".new";
        ::unlink(temp.c_str());
        if (::symlink(m_slavePath.c_str(), temp.c_str()) != 0 || ::rename(temp.c_str(), linkPath.c_str()) != 0) {
            *error = ErrorText(("link " + linkPath).c_str());
            ::unlink(temp.c_str());
            Close();
            return false;
        }
        m_linkPath = linkPath;
    }
    return true;
}

void PtyPort::Close()
{
    if (!m_linkPath.empty()) {
        // Only our own link goes: another simulator may have taken the path over since.
        char target[PATH_MAX];
        const ssize_t n = ::readlink(m_linkPath.c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, static_cast<size_t>(n)) == m_slavePath)
            ::unlink(m_linkPath.c_str());
        m_linkPath.clear();
    }
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_slavePath.clear();
    m_out.clear();
}

std::string PtyPort::Read(bool* hungUp)
{
    *hungUp = false;
    std::string bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // EIO: the last holder of the slave has closed it.
        if (n < 0 && errno == EIO)
            *hungUp = true;
        break;
    }
    return bytes;
}

void PtyPort::Write(std::string_view bytes)
{
    if (m_fd < 0)
        return;
    if (m_out.size() + bytes.size() > kMaxPending) {
        std::fprintf(stderr, "velquarin-drivesim: serial output not taken, %zu bytes dropped\n",
                     m_out.size() + bytes.size());
        m_out.clear();
        return;
    }
    m_out.append(bytes);
    Flush();
}

void PtyPort::Flush()
{
    while (!m_out.empty()) {
        const ssize_t n = ::write(m_fd, m_out.data(), m_out.size());
        if (n > 0) {
            m_out.erase(0, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EIO)
            m_out.clear();  // nobody holds the slave: the bytes have nowhere to go
        break;
    }
}
