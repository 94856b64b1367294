#include "tests/drivesim/DriveSimTestClients.h"
#include "tools/drivesim/LoopbackPort.h"

#include <QCanBus>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace std::chrono;

std::string VirtualCanUrl(uint16_t port)
{
    return "tcp://127.0.0.1:" + std::to_string(port) + "/can0";
}

PtyClient::PtyClient(const std::string& path)
{
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_fd < 0)
        return;
    termios tio {};
    ::tcgetattr(m_fd, &tio);
    ::cfmakeraw(&tio);
    ::cfsetspeed(&tio, B115200);
    ::tcsetattr(m_fd, TCSANOW, &tio);
    ::tcflush(m_fd, TCIOFLUSH);
}

PtyClient::~PtyClient()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void PtyClient::Write(const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return;
        // A full line waits for the drive to read, not in a busy loop, and not for ever.
        pollfd p {m_fd, POLLOUT, 0};
        if (::poll(&p, 1, 5000) <= 0)
            return;
    }
}

namespace {
// What the drive sends until the time is up or, when asked, until a line ends.
std::string ReadUntil(int fd, steady_clock::time_point end, bool toLineEnd)
{
    std::string bytes;
    while (!toLineEnd || bytes.size() < 2 || bytes.compare(bytes.size() - 2, 2, "\r\n") != 0) {
        const auto left = duration_cast<milliseconds>(end - steady_clock::now()).count();
        if (left <= 0)
            break;
        pollfd p {fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0)
            continue;
        char buffer[512];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            bytes.append(buffer, static_cast<size_t>(n));
    }
    return bytes;
}
}

std::string PtyClient::ReadReply(milliseconds timeout)
{
    return ReadUntil(m_fd, steady_clock::now() + timeout, true);
}

std::string PtyClient::ReadFor(milliseconds time)
{
    return ReadUntil(m_fd, steady_clock::now() + time, false);
}

CanClient::CanClient(const std::string& url)
{
    QString error;
    m_device.reset(QCanBus::instance()->createDevice(QStringLiteral("virtualcan"), QString::fromStdString(url), &error));
    if (!m_device || !m_device->connectDevice())
        return;
    QElapsedTimer timer;
    timer.start();
    while (m_device->state() != QCanBusDevice::ConnectedState && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

CanClient::~CanClient()
{
    if (m_device && m_device->state() == QCanBusDevice::ConnectedState) {
        m_device->disconnectDevice();
        QElapsedTimer timer;
        timer.start();
        while (m_device->state() != QCanBusDevice::UnconnectedState && timer.elapsed() < 1000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

bool CanClient::IsConnected() const
{
    return m_device && m_device->state() == QCanBusDevice::ConnectedState;
}

void CanClient::Send(const QCanBusFrame& frame)
{
    m_device->writeFrame(frame);
}

std::optional<QCanBusFrame> CanClient::Receive(milliseconds timeout)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        while (m_device->framesAvailable())
            m_pending.push_back(m_device->readFrame());
        if (!m_pending.empty()) {
            QCanBusFrame frame = m_pending.front();
            m_pending.erase(m_pending.begin());
            return frame;
        }
        if (timer.elapsed() >= timeout.count())
            return std::nullopt;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
}

std::vector<QCanBusFrame> CanClient::ReceiveFor(milliseconds time)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < time.count())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    while (m_device->framesAvailable())
        m_pending.push_back(m_device->readFrame());
    std::vector<QCanBusFrame> frames;
    frames.swap(m_pending);
    return frames;
}

QCanBusFrame CanClient::Request(int node, int commandId, std::vector<uint8_t> argument)
{
    QByteArray data;
    data.append(static_cast<char>(4 + argument.size()));
    data.append(static_cast<char>(node));
    data.append(static_cast<char>(commandId & 0xFF));
    data.append(static_cast<char>(commandId >> 8));
    for (uint8_t b : argument)
        data.append(static_cast<char>(b));
    return QCanBusFrame(static_cast<QCanBusFrame::FrameId>(node), data);
}

std::optional<QCanBusFrame> CanClient::Ask(int node, int commandId, std::vector<uint8_t> argument,
                                           milliseconds timeout)
{
    Send(Request(node, commandId, std::move(argument)));
    return Receive(timeout);
}

std::vector<uint8_t> Bytes(const QCanBusFrame& frame)
{
    const QByteArray payload = frame.payload();
    return std::vector<uint8_t>(payload.begin(), payload.end());
}
