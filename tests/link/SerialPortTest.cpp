#include "link/LinkLayer.h"
#include "link/OpenError.h"
#include "link/SerialPort.h"
#include "platform/DisplayText.h"
#include "platform/Profile.h"
#include "tests/support/PtyPair.h"

#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

namespace {
constexpr int kCom = 7;

class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override { pty.MapAsCom(kCom); }
    void TearDown() override { SerialClose(); }

    termios LineSettings() const
    {
        termios tio {};
        EXPECT_EQ(::tcgetattr(g_hSerialPort, &tio), 0);
        return tio;
    }
    void WaitQueued(int count) const
    {
        ASSERT_TRUE(WaitFor([&] { return SerialQueuedBytes() >= count; }, 5000)) << SerialQueuedBytes();
    }

    PtyPair pty;
};
}

TEST(SerialDeviceName, ResolvesThroughThePortsSectionElseTtyS)
{
    EXPECT_EQ(SerialDeviceName(3), QStringLiteral("/dev/ttyS2"));
    EXPECT_EQ(SerialDeviceName(1), QStringLiteral("/dev/ttyS0"));
    auto profile = OpenProfile();
    profile->setValue(QStringLiteral("Ports/COM3"), QStringLiteral("/dev/ttyUSB0"));
    profile->sync();
    EXPECT_EQ(SerialDeviceName(3), QStringLiteral("/dev/ttyUSB0"));
    profile->remove(QStringLiteral("Ports/COM3"));
}

TEST(SerialDeviceName, AHugePathIsShownCutAndRefused)
{
    auto profile = OpenProfile();
    const QString huge = QStringLiteral("/dev/") + QString(8 << 20, u'x');
    profile->setValue(QStringLiteral("Ports/COM4"), huge);
    profile->sync();
    const QString shown = SerialDeviceName(4);
    EXPECT_EQ(shown.size(), kDisplayPathChars);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("/dev/xxx")));
    EXPECT_TRUE(shown.endsWith(QChar(0x2026)));

    EXPECT_EQ(SerialOpen(4, 9600, 'N', 8, 1), 0);
    const QString why = LinkLastOpenError(COMM_RS232);
    EXPECT_TRUE(why.contains(QStringLiteral("the system takes paths of at most"))) << why.toStdString();
    EXPECT_EQ(g_hSerialPort, -1);
    profile->remove(QStringLiteral("Ports/COM4"));
}

TEST(SerialInitDefaults, ClosesAndRestoresTheDefaults)
{
    SerialInitDefaults();
    const SerialPortSettings settings = SerialLastSettings();
    EXPECT_EQ(settings.port, 1);
    EXPECT_EQ(settings.baud, 9600u);
    EXPECT_EQ(settings.parity, 'N');
    EXPECT_EQ(settings.byteSize, 8);
    EXPECT_EQ(settings.stopBits, 1);
    EXPECT_EQ(g_hSerialPort, -1);
}

TEST(SerialLineSettings, ParityLettersByteSizeAndStopBits)
{
    auto make = [](uint8_t parity, uint8_t size, int stop) {
        termios tio {};
        tio.c_cflag = CRTSCTS | PARENB;
        tio.c_iflag = IXON | IXOFF;
        EXPECT_EQ(SerialMakeLineSettings(&tio, 115200, parity, size, stop), 1);
        return tio;
    };
    const tcflag_t parityBits = PARENB | PARODD | CMSPAR;
    termios tio = make('e', 7, 1);
    EXPECT_EQ(tio.c_cflag & parityBits, static_cast<tcflag_t>(PARENB));
    EXPECT_TRUE(tio.c_iflag & INPCK);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
    EXPECT_FALSE(tio.c_cflag & CSTOPB);
    EXPECT_FALSE(tio.c_cflag & CRTSCTS);
    EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF));
    EXPECT_EQ(::cfgetospeed(&tio), static_cast<speed_t>(B115200));

    EXPECT_EQ(make('O', 8, 1).c_cflag & parityBits, static_cast<tcflag_t>(PARENB | PARODD));
    EXPECT_EQ(make('m', 8, 1).c_cflag & parityBits, static_cast<tcflag_t>(PARENB | PARODD | CMSPAR));
    EXPECT_EQ(make('S', 8, 1).c_cflag & parityBits, static_cast<tcflag_t>(PARENB | CMSPAR));
    EXPECT_EQ(make('N', 8, 1).c_cflag & parityBits, 0u);
    EXPECT_EQ(make('x', 8, 1).c_cflag & parityBits, 0u) << "an unknown letter means no parity";
    EXPECT_FALSE(make('N', 8, 1).c_iflag & INPCK);
    EXPECT_EQ(make('N', 5, 1).c_cflag & CSIZE, static_cast<tcflag_t>(CS5));
    EXPECT_TRUE(make('N', 8, 2).c_cflag & CSTOPB);
    EXPECT_TRUE(make('N', 8, 3).c_cflag & CSTOPB) << "one and a half stop bits become two";

    termios tio2 {};
    EXPECT_EQ(SerialMakeLineSettings(&tio2, 12345, 'N', 8, 1), 0);
    EXPECT_EQ(SerialMakeLineSettings(&tio2, 9600, 'N', 4, 1), 0);
    EXPECT_EQ(SerialMakeLineSettings(&tio2, 9600, 'N', 9, 1), 0);
}

TEST_F(SerialPortTest, OpensRawWithTheLineSettings)
{
    ASSERT_EQ(SerialOpen(kCom, 115200, 'e', 7, 2), 1);
    const termios tio = LineSettings();
    EXPECT_EQ(::cfgetospeed(&tio), static_cast<speed_t>(B115200));
    EXPECT_TRUE(tio.c_cflag & CSTOPB);
    EXPECT_FALSE(tio.c_cflag & CRTSCTS);
    EXPECT_FALSE(tio.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF | ICRNL));
    EXPECT_FALSE(tio.c_oflag & OPOST);
    EXPECT_EQ(tio.c_cc[VMIN], 0);
    EXPECT_EQ(tio.c_cc[VTIME], 0);
    EXPECT_EQ(SerialLastSettings().parity, 'e');
    EXPECT_EQ(SerialLastSettings().byteSize, 7);
}

TEST_F(SerialPortTest, RefusesSettingsTheLineCannotTake)
{
    EXPECT_EQ(SerialOpen(kCom, 12345, 'N', 8, 1), 0);
    EXPECT_EQ(g_hSerialPort, -1);
    EXPECT_EQ(SerialOpen(kCom, 9600, 'N', 9, 1), 0);
    EXPECT_EQ(g_hSerialPort, -1);
}

TEST_F(SerialPortTest, ReadStoresAtMostSizeMinusOneAndLeavesTheRest)
{
    ASSERT_EQ(SerialOpen(kCom, 9600, 'N', 8, 1), 1);
    std::string sent(100, '\0');
    for (size_t i = 0; i < sent.size(); ++i)
        sent[i] = static_cast<char>(i);
    pty.Write(sent);
    WaitQueued(100);
    EXPECT_EQ(SerialQueuedBytes(), 100);

    char buf[64];
    std::memset(buf, 0x7F, sizeof buf);
    ASSERT_EQ(SerialRead(buf, 64), 63);
    EXPECT_EQ(std::string(buf, 63), sent.substr(0, 63));
    EXPECT_EQ(buf[63], 0x7F) << "the last byte of the buffer is never written";
    EXPECT_EQ(SerialQueuedBytes(), 37);
    ASSERT_EQ(SerialRead(buf, 64), 37);
    EXPECT_EQ(std::string(buf, 37), sent.substr(63));
    EXPECT_EQ(SerialRead(buf, 64), 0) << "nothing queued";
    EXPECT_EQ(SerialRead(buf, 1), 0);
    EXPECT_EQ(SerialRead(buf, 0), 0);
}

TEST_F(SerialPortTest, WritesReachTheLineAndPurgeEmptiesTheQueue)
{
    ASSERT_EQ(SerialOpen(kCom, 9600, 'N', 8, 1), 1);
    EXPECT_EQ(SerialWrite("GV\r", 3, true), 3);
    EXPECT_EQ(pty.Read(3, 5000), "GV\r");
    EXPECT_EQ(SerialWrite("ENA\r", 4, false), 4);
    EXPECT_EQ(pty.Read(4, 5000), "ENA\r");

    pty.Write("#stale\r\n");
    WaitQueued(8);
    EXPECT_NE(SerialPurgeRx(), 0);
    EXPECT_EQ(SerialQueuedBytes(), 0);
    EXPECT_NE(SerialPurgeRx(), 0) << "an empty queue purges fine";
}

TEST_F(SerialPortTest, AClosedPortReportsNothingAndRefusesWrites)
{
    char buf[8];
    EXPECT_EQ(SerialQueuedBytes(), 0);
    EXPECT_EQ(SerialRead(buf, sizeof buf), 0);
    EXPECT_EQ(SerialPurgeRx(), 0);
    EXPECT_EQ(SerialWrite("GV\r", 3, true), -1);
    EXPECT_EQ(SerialWaitInput(1, -1), SerialWait::Quiet);
}

TEST_F(SerialPortTest, CloseTwiceAndReopen)
{
    ASSERT_EQ(SerialOpen(kCom, 9600, 'N', 8, 1), 1);
    SerialClose();
    EXPECT_EQ(g_hSerialPort, -1);
    SerialClose();
    EXPECT_EQ(g_hSerialPort, -1);
    ASSERT_EQ(SerialOpen(kCom, 9600, 'N', 8, 1), 1);
    EXPECT_EQ(SerialWrite("A", 1, true), 1);
}

TEST_F(SerialPortTest, OpenWhileOpenClosesFirstEvenWhenTheNewOpenFails)
{
    ASSERT_EQ(SerialOpen(kCom, 9600, 'N', 8, 1), 1);
    // The port is locked while open, so opening it again works only if it was closed first.
    ASSERT_EQ(SerialOpen(kCom, 19200, 'N', 8, 1), 1);
    termios tio {};
    ASSERT_EQ(::tcgetattr(g_hSerialPort, &tio), 0);
    EXPECT_EQ(::cfgetospeed(&tio), static_cast<speed_t>(B19200));

    auto profile = OpenProfile();
    profile->setValue(QStringLiteral("Ports/COM8"), QStringLiteral("/nonexistent/tty"));
    profile->sync();
    EXPECT_EQ(SerialOpen(8, 9600, 'N', 8, 1), 0);
    EXPECT_EQ(g_hSerialPort, -1);
    EXPECT_EQ(SerialLastSettings().port, 8);
}

TEST_F(SerialPortTest, ThePortIsHeldExclusively)
{
    ASSERT_EQ(SerialOpen(kCom, 9600, 'N', 8, 1), 1);
    const int other = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (other >= 0) {
        // Root passes the terminal's exclusive mode, but not the lock.
        EXPECT_NE(::flock(other, LOCK_EX | LOCK_NB), 0);
        ::close(other);
    }
    SerialClose();
    const int after = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(after, 0) << "closing gives the port back";
    EXPECT_EQ(::flock(after, LOCK_EX | LOCK_NB), 0);
    ::close(after);
}

TEST_F(SerialPortTest, RefusesAFileThatIsNoTerminal)
{
    auto profile = OpenProfile();
    profile->setValue(QStringLiteral("Ports/COM9"), QStringLiteral("/dev/null"));
    profile->sync();
    EXPECT_EQ(SerialOpen(9, 9600, 'N', 8, 1), 0);
    EXPECT_EQ(g_hSerialPort, -1);
}

TEST_F(SerialPortTest, WaitInputWakesOnBytesAndOnTheWakeDescriptor)
{
    ASSERT_EQ(SerialOpen(kCom, 9600, 'N', 8, 1), 1);
    EXPECT_EQ(SerialWaitInput(10, -1), SerialWait::Quiet);
    pty.Write("#");
    EXPECT_EQ(SerialWaitInput(5000, -1), SerialWait::Input);

    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    SerialPurgeRx();
    ASSERT_EQ(::write(pipeFds[1], "x", 1), 1);
    EXPECT_EQ(SerialWaitInput(5000, pipeFds[0]), SerialWait::Quiet) << "woken, but the port has nothing";
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
}
