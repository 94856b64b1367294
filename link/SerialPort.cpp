#include "link/SerialPort.h"

#include "link/LinkLayer.h"
#include "link/OpenError.h"
#include "platform/DisplayText.h"
#include "platform/Profile.h"

#include <QtGlobal>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <climits>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

std::atomic<int> g_hSerialPort { -1 };

namespace {
// The port lock exists for the life of the process: the receive thread may ask for queued
// bytes at any time, open or not. Reads, status queries, open and close take it.
std::mutex g_csSerialPort;
// Writes have their own lock, so a write never waits behind a read; close takes both.
std::mutex g_csSerialWrite;
std::mutex g_settingsMutex;
SerialPortSettings g_settings;

constexpr int kWriteMsPerByte = 10;
constexpr int kWriteConstantMs = 1000;
constexpr short kHangUpEvents = POLLHUP | POLLERR | POLLNVAL;

speed_t SpeedOf(uint32_t baud)
{
    static const struct {
        uint32_t baud;
        speed_t speed;
    } table[] = {
        { 50, B50 }, { 75, B75 }, { 110, B110 }, { 134, B134 }, { 150, B150 }, { 200, B200 },
        { 300, B300 }, { 600, B600 }, { 1200, B1200 }, { 1800, B1800 }, { 2400, B2400 },
        { 4800, B4800 }, { 9600, B9600 }, { 19200, B19200 }, { 38400, B38400 },
        { 57600, B57600 }, { 115200, B115200 }, { 230400, B230400 }, { 460800, B460800 },
        { 500000, B500000 }, { 576000, B576000 }, { 921600, B921600 }, { 1000000, B1000000 },
        { 1152000, B1152000 }, { 1500000, B1500000 }, { 2000000, B2000000 },
    };
    for (const auto& entry : table) {
        if (entry.baud == baud)
            return entry.speed;
    }
    return B0;
}

// DTR and RTS; a pseudo-terminal has no modem lines and says so, which is no error.
bool SetModemLines(int fd, bool raise)
{
    const int lines = TIOCM_DTR | TIOCM_RTS;
    if (::ioctl(fd, raise ? TIOCMBIS : TIOCMBIC, &lines) == 0)
        return true;
    return errno == ENOTTY || errno == EINVAL;
}

int QueuedLocked(int fd)
{
    int queued = 0;
    if (fd < 0 || ::ioctl(fd, FIONREAD, &queued) != 0)
        return -1;
    return queued;
}

void CloseLocked()
{
    const int fd = g_hSerialPort.exchange(-1);
    if (fd < 0)
        return;
    SetModemLines(fd, false);
    ::tcflush(fd, TCIOFLUSH);
    // Let go of the port at once: the receive thread may still be polling the descriptor,
    // which keeps the file itself alive for a moment after close.
    ::ioctl(fd, TIOCNXCL);
    ::flock(fd, LOCK_UN);
    ::close(fd);
}
}

SerialPortSettings SerialLastSettings()
{
    std::lock_guard lock(g_settingsMutex);
    return g_settings;
}

namespace {
// The device path of COM<port> as the profile gives it.
QString DevicePath(int port)
{
    const QString key = QStringLiteral("Ports/COM%1").arg(port);
    const QString device = OpenProfile()->value(key).toString().trimmed();
    return device.isEmpty() ? QStringLiteral("/dev/ttyS%1").arg(port - 1) : device;
}

bool HungUpLocked(int fd)
{
    pollfd pfd { fd, 0, 0 };
    return fd >= 0 && ::poll(&pfd, 1, 0) > 0 && (pfd.revents & kHangUpEvents);
}
}

QString SerialDeviceName(int port)
{
    return DisplayText(DevicePath(port), kDisplayPathChars);
}

void SerialInitDefaults()
{
    {
        std::lock_guard lock(g_settingsMutex);
        g_settings = SerialPortSettings {};
    }
    SerialClose();
}

int SerialOpen(int port, uint32_t baud, uint8_t parity, uint8_t byteSize, int stopBits)
{
    const QString device = DevicePath(port);
    const QString name = DisplayText(device, kDisplayPathChars);
    {
        std::lock_guard lock(g_settingsMutex);
        g_settings = { port, baud, parity, byteSize, stopBits, name };
    }
    const QByteArray path = device.toLocal8Bit();

    std::scoped_lock lock(g_csSerialWrite, g_csSerialPort);
    CloseLocked();

    if (path.size() >= PATH_MAX) {
        LinkSetOpenError(COMM_RS232, QStringLiteral("COM%1 (%2): the device path is %3 bytes long, and the system "
                                                    "takes paths of at most %4 bytes")
                                         .arg(port)
                                         .arg(name)
                                         .arg(path.size())
                                         .arg(PATH_MAX - 1));
        return 0;
    }
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        LinkSetOpenError(COMM_RS232, SerialOpenErrorText(port, name, errno));
        return 0;
    }
    const char* failed = nullptr;
    if (!::isatty(fd))
        failed = "not a serial port (not a terminal device)";
    else if (::ioctl(fd, TIOCEXCL) != 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0)
        failed = "in use by another program";
    else if (::tcflush(fd, TCIOFLUSH) != 0)
        failed = "cannot be purged";
    else if (!SerialSetState(fd, baud, parity, byteSize, stopBits))
        failed = "refuses the line settings";
    else if (!SerialSetTimeouts(fd))
        failed = "refuses the read settings";
    else if (!SetModemLines(fd, true))
        failed = "refuses DTR/RTS";
    else if (::tcflush(fd, TCIOFLUSH) != 0)
        failed = "cannot be purged";
    if (failed) {
        LinkSetOpenError(COMM_RS232, QStringLiteral("COM%1 (%2): %3").arg(port).arg(name, QLatin1String(failed)));
        ::close(fd);
        return 0;
    }
    LinkSetOpenError(COMM_RS232, QString());
    g_hSerialPort = fd;
    return 1;
}

QString SerialOpenErrorText(int port, const QString& device, int error)
{
    QString cause;
    switch (error) {
    case ENOENT:
        cause = QStringLiteral("no such device; choose the adapter's device beside the port number");
        break;
    case EACCES:
    case EPERM:
        cause = QStringLiteral("permission denied; add the user to the dialout group "
                               "(sudo adduser $USER dialout) and log in again");
        break;
    case EBUSY:
        cause = QStringLiteral("in use by another program");
        break;
    case ENXIO:
    case ENODEV:
        cause = QStringLiteral("the device is not present (unplugged?)");
        break;
    default:
        cause = QString::fromLocal8Bit(std::strerror(error));
        break;
    }
    return QStringLiteral("COM%1 (%2): %3").arg(port).arg(device, cause);
}

void SerialClose()
{
    std::scoped_lock lock(g_csSerialWrite, g_csSerialPort);
    CloseLocked();
}

int SerialSetState(int handle, uint32_t baud, uint8_t parity, uint8_t byteSize, int stopBits)
{
    termios tio {};
    if (::tcgetattr(handle, &tio) != 0 || !SerialMakeLineSettings(&tio, baud, parity, byteSize, stopBits))
        return 0;
    return ::tcsetattr(handle, TCSANOW, &tio) == 0 ? 1 : 0;
}

int SerialMakeLineSettings(termios* tio, uint32_t baud, uint8_t parity, uint8_t byteSize, int stopBits)
{
    const speed_t speed = SpeedOf(baud);
    if (!tio || speed == B0 || byteSize < 5 || byteSize > 8)
        return 0;
    ::cfmakeraw(tio);
    ::cfsetispeed(tio, speed);
    ::cfsetospeed(tio, speed);
    static const tcflag_t sizes[] = { CS5, CS6, CS7, CS8 };
    tio->c_cflag = (tio->c_cflag & ~CSIZE) | sizes[byteSize - 5];
    tio->c_cflag &= ~(PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio->c_iflag &= ~(INPCK | IXON | IXOFF | IXANY);
    switch (parity) {
    case 'O': case 'o': tio->c_cflag |= PARENB | PARODD; break;
    case 'E': case 'e': tio->c_cflag |= PARENB; break;
    case 'M': case 'm': tio->c_cflag |= PARENB | CMSPAR | PARODD; break;
    case 'S': case 's': tio->c_cflag |= PARENB | CMSPAR; break;
    default: break;
    }
    if (tio->c_cflag & PARENB)
        tio->c_iflag |= INPCK;
    if (stopBits != 1)
        tio->c_cflag |= CSTOPB;
    tio->c_cflag |= CLOCAL | CREAD;
    return 1;
}

int SerialSetTimeouts(int handle)
{
    // Reads never block: the receive thread waits with poll() and takes what is queued.
    termios tio {};
    if (::tcgetattr(handle, &tio) != 0)
        return 0;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    return ::tcsetattr(handle, TCSANOW, &tio) == 0 ? 1 : 0;
}

int SerialWrite(const void* buffer, int count, bool)
{
    if (count < 0 || (count > 0 && !buffer))
        return -1;
    std::lock_guard lock(g_csSerialWrite);
    const int fd = g_hSerialPort;
    if (fd < 0)
        return -1;
    const auto deadline = std::chrono::steady_clock::now()
        + std::chrono::milliseconds(kWriteConstantMs + kWriteMsPerByte * static_cast<int64_t>(count));
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    int written = 0;
    while (written < count) {
        const ssize_t n = ::write(fd, bytes + written, static_cast<size_t>(count - written));
        if (n > 0) {
            written += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return -1;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd pfd { fd, POLLOUT, 0 };
        if (::poll(&pfd, 1, static_cast<int>(left.count())) < 0 && errno != EINTR)
            return -1;
    }
    return written;
}

int SerialRead(void* buffer, int size)
{
    if (size < 1 || !buffer)
        return 0;
    auto* bytes = static_cast<uint8_t*>(buffer);
    std::lock_guard lock(g_csSerialPort);
    const int fd = g_hSerialPort;
    int queued = QueuedLocked(fd);
    int stored = 0;
    while (queued > 0 && stored < size - 1) {
        const int want = std::min(queued, size - 1 - stored);
        const ssize_t n = ::read(fd, bytes + stored, static_cast<size_t>(want));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            break;
        if (n <= 0)
            return -1;
        stored += static_cast<int>(n);
        queued = QueuedLocked(fd);
    }
    return stored;
}

int SerialQueuedBytes()
{
    std::lock_guard lock(g_csSerialPort);
    return std::max(QueuedLocked(g_hSerialPort), 0);
}

int SerialPurgeRx()
{
    std::lock_guard lock(g_csSerialPort);
    const int fd = g_hSerialPort;
    const int queued = QueuedLocked(fd);
    if (queued < 0)
        return 0;
    if (queued > 0)
        return ::tcflush(fd, TCIFLUSH) == 0 ? 1 : 0;
    return 1;
}

SerialWait SerialWaitInput(int timeoutMs, int wakeFd)
{
    pollfd fds[2];
    nfds_t count = 0;
    if (wakeFd >= 0)
        fds[count++] = { wakeFd, POLLIN, 0 };
    const int fd = g_hSerialPort;
    const nfds_t portSlot = count;
    if (fd >= 0)
        fds[count++] = { fd, POLLIN, 0 };
    if (::poll(fds, count, timeoutMs) <= 0 || fd < 0)
        return SerialWait::Quiet;
    // A hung-up line also reports POLLIN, and its queue query and reads fail at once:
    // looked at first, or the caller would spin on it.
    const short events = fds[portSlot].revents;
    if (events & kHangUpEvents)
        return SerialWait::HungUp;
    return (events & POLLIN) ? SerialWait::Input : SerialWait::Quiet;
}

bool SerialCloseHungUp()
{
    std::scoped_lock lock(g_csSerialWrite, g_csSerialPort);
    if (!HungUpLocked(g_hSerialPort))
        return false;
    CloseLocked();
    return true;
}
