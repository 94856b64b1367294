#include "tools/drivesim/VirtualCanBus.h"

#include "tools/drivesim/VirtualCanLine.h"

#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr uint16_t kDefaultPort = 35468;
constexpr size_t kMaxLine = 4096;
constexpr size_t kMaxPending = 1024 * 1024;

std::string ErrorText(const std::string& what, int error)
{
    return what + ": " + std::strerror(error);
}

sockaddr_in SocketAddress(const VirtualCanBus::Address& address)
{
    sockaddr_in sa {};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(address.port);
    ::inet_pton(AF_INET, address.host.c_str(), &sa.sin_addr);
    return sa;
}

void TuneSocket(int fd)
{
    int one = 1;
    // Every line is one frame that someone waits for; never hold it back.
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

}

std::optional<VirtualCanBus::Address> VirtualCanBus::ParseUrl(const std::string& url, std::string* error)
{
    const QUrl parsed(QString::fromStdString(url));
    if (!parsed.isValid() || (!parsed.scheme().isEmpty() && parsed.scheme() != QLatin1String("tcp"))) {
        *error = "not a virtual CAN URL (tcp://127.0.0.1:PORT/can0): " + url;
        return std::nullopt;
    }
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("can(\\d)")).match(parsed.fileName());
    const int channel = match.hasMatch() ? match.captured(1).toInt() : -1;
    if (channel != 0 && channel != 1) {
        *error = "the interface must be can0 or can1: " + url;
        return std::nullopt;
    }
    Address address;
    address.host = parsed.host().isEmpty() ? std::string("127.0.0.1") : parsed.host().toStdString();
    in_addr probe {};
    if (::inet_pton(AF_INET, address.host.c_str(), &probe) != 1) {
        *error = "the virtual CAN bus needs an IPv4 address, not " + address.host;
        return std::nullopt;
    }
    const int port = parsed.port(kDefaultPort);
    if (port <= 0 || port > 65535) {
        *error = "bad port in " + url;
        return std::nullopt;
    }
    address.port = static_cast<uint16_t>(port);
    address.channel = channel;
    return address;
}

VirtualCanBus::VirtualCanBus(Address address, Mode mode)
    : m_address(std::move(address))
    , m_mode(mode)
{
}

VirtualCanBus::~VirtualCanBus()
{
    Close();
}

bool VirtualCanBus::IsOpen() const
{
    return m_listenFd >= 0 || m_joined;
}

bool VirtualCanBus::Open(std::string* error)
{
    Close();
    in_addr ip {};
    ::inet_pton(AF_INET, m_address.host.c_str(), &ip);
    const bool loopback = (ntohl(ip.s_addr) >> 24) == 127;
    if (m_mode != Mode::Join && loopback) {
        bool inUse = false;
        if (Listen(error, &inUse))
            return true;
        if (m_mode == Mode::Host || !inUse)
            return false;
    } else if (m_mode == Mode::Host) {
        *error = "a virtual CAN bus can only be hosted on a loopback address";
        return false;
    }
    return Connect(error);
}

bool VirtualCanBus::Listen(std::string* error, bool* inUse)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = ErrorText("socket", errno);
        return false;
    }
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    const sockaddr_in sa = SocketAddress(m_address);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0 || ::listen(fd, 16) != 0) {
        const int saved = errno;
        *inUse = saved == EADDRINUSE;
        *error = ErrorText("virtual CAN bus on port " + std::to_string(m_address.port), saved);
        ::close(fd);
        return false;
    }
    m_listenFd = fd;
    return true;
}

bool VirtualCanBus::Connect(std::string* error)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = ErrorText("socket", errno);
        return false;
    }
    const sockaddr_in sa = SocketAddress(m_address);
    int result = ::connect(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    if (result != 0 && errno == EINPROGRESS) {
        pollfd p {fd, POLLOUT, 0};
        int soError = ETIMEDOUT;
        if (::poll(&p, 1, 2000) == 1) {
            socklen_t length = sizeof soError;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &length);
        }
        errno = soError;
        result = soError == 0 ? 0 : -1;
    }
    if (result != 0) {
        *error = ErrorText("joining the virtual CAN bus at " + m_address.host + ":"
                               + std::to_string(m_address.port), errno);
        ::close(fd);
        return false;
    }
    TuneSocket(fd);
    m_connections.push_back(Connection {fd, {}, {}, {}, false});
    m_joined = true;
    // The server relays frames to us only after it has read this line.
    Queue(m_connections.back(), VirtualCanLine::Connect(m_address.channel));
    return true;
}

void VirtualCanBus::Close()
{
    if (m_joined) {
        for (Connection& connection : m_connections) {
            const std::string bye = "disconnect:can" + std::to_string(m_address.channel) + "\n";
            ::send(connection.fd, bye.data(), bye.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        }
    }
    for (Connection& connection : m_connections)
        ::close(connection.fd);
    m_connections.clear();
    if (m_listenFd >= 0)
        ::close(m_listenFd);
    m_listenFd = -1;
    m_joined = false;
}

void VirtualCanBus::AddPollFds(std::vector<pollfd>& fds) const
{
    if (m_listenFd >= 0)
        fds.push_back(pollfd {m_listenFd, POLLIN, 0});
    for (const Connection& connection : m_connections) {
        const short events = static_cast<short>(POLLIN | (connection.out.empty() ? 0 : POLLOUT));
        fds.push_back(pollfd {connection.fd, events, 0});
    }
}

void VirtualCanBus::HandlePoll(const pollfd* fds, size_t count, std::vector<SimCanFrame>* frames)
{
    bool accept = false;
    for (size_t i = 0; i < count; ++i) {
        const pollfd& p = fds[i];
        if (p.revents == 0)
            continue;
        if (p.fd == m_listenFd) {
            accept = true;
            continue;
        }
        auto it = std::find_if(m_connections.begin(), m_connections.end(),
                               [&](const Connection& c) { return c.fd == p.fd; });
        if (it == m_connections.end())
            continue;
        if (p.revents & (POLLIN | POLLHUP | POLLERR))
            ReadFrom(*it, frames);
        if (!it->closing && (p.revents & POLLOUT))
            FlushOut(*it);
    }
    DropClosed();
    if (accept)
        Accept();
}

void VirtualCanBus::Accept()
{
    for (;;) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            return;
        TuneSocket(fd);
        m_connections.push_back(Connection {fd, {}, {}, {}, false});
    }
}

void VirtualCanBus::ReadFrom(Connection& connection, std::vector<SimCanFrame>* frames)
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::recv(connection.fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            connection.in.append(buffer, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            connection.closing = true;
        break;
    }
    size_t start = 0;
    for (size_t end; (end = connection.in.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = connection.in.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        HandleLine(connection, line, frames);
    }
    connection.in.erase(0, start);
    if (connection.in.size() > kMaxLine)
        connection.in.clear();
}

void VirtualCanBus::HandleLine(Connection& connection, const std::string& line, std::vector<SimCanFrame>* frames)
{
    const int ours = m_address.channel;
    auto channelOf = [](std::string_view name) {
        return name.size() == 4 && name.substr(0, 3) == "can" && name[3] >= '0' && name[3] <= '9' ? name[3] - '0'
                                                                                                      : -1;
    };
    if (m_joined) {
        if (line.rfind("disconnect:", 0) == 0) {
            connection.closing = true;
            return;
        }
        if (auto frame = VirtualCanLine::ParseFrame(line))
            frames->push_back(*frame);
        return;
    }

    if (line.rfind("connect:", 0) == 0) {
        const int channel = channelOf(std::string_view(line).substr(8));
        if (channel >= 0 && std::find(connection.channels.begin(), connection.channels.end(), channel)
                                == connection.channels.end())
            connection.channels.push_back(channel);
        return;
    }
    if (line.rfind("disconnect:", 0) == 0) {
        const int channel = channelOf(std::string_view(line).substr(11));
        std::erase(connection.channels, channel);
        connection.closing = true;
        return;
    }
    const size_t colon = line.find(':');
    if (colon == std::string::npos)
        return;
    const int channel = channelOf(std::string_view(line).substr(0, colon));
    const std::string relayed = line.substr(colon + 1) + '\n';
    // Like Qt's server: to every other client registered on the channel, never back.
    for (Connection& other : m_connections) {
        if (&other != &connection && !other.closing
            && std::find(other.channels.begin(), other.channels.end(), channel) != other.channels.end())
            Queue(other, relayed);
    }
    if (channel == ours) {
        if (auto frame = VirtualCanLine::ParseFrame(std::string_view(line).substr(colon + 1)))
            frames->push_back(*frame);
    }
}

void VirtualCanBus::Send(const SimCanFrame& frame)
{
    if (m_joined) {
        for (Connection& connection : m_connections)
            Queue(connection, VirtualCanLine::ToServer(m_address.channel, frame));
        return;
    }
    const std::string line = VirtualCanLine::ToClient(frame);
    for (Connection& connection : m_connections) {
        if (std::find(connection.channels.begin(), connection.channels.end(), m_address.channel)
            != connection.channels.end())
            Queue(connection, line);
    }
    DropClosed();
}

void VirtualCanBus::Queue(Connection& connection, const std::string& bytes)
{
    if (connection.closing)
        return;
    if (connection.out.size() + bytes.size() > kMaxPending) {
        std::fprintf(stderr, "velquarin-drivesim: a CAN client stopped reading; dropping it\n");
        connection.closing = true;
        return;
    }
    connection.out += bytes;
    FlushOut(connection);
}

void VirtualCanBus::FlushOut(Connection& connection)
{
    while (!connection.out.empty()) {
        const ssize_t n = ::send(connection.fd, connection.out.data(), connection.out.size(), MSG_NOSIGNAL);
        if (n > 0) {
            connection.out.erase(0, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            connection.closing = true;
        break;
    }
}

void VirtualCanBus::DropClosed()
{
    auto closed = std::remove_if(m_connections.begin(), m_connections.end(), [](const Connection& c) {
        if (c.closing)
            ::close(c.fd);
        return c.closing;
    });
    m_connections.erase(closed, m_connections.end());
    if (m_joined && m_connections.empty()) {
        std::fprintf(stderr, "velquarin-drivesim: the virtual CAN bus server went away\n");
        m_joined = false;
    }
}

