#pragma once

#include <QString>
#include <atomic>
#include <cstdint>

struct termios;

// The serial COM port of the text channel: one process-wide port over termios. Port
// numbers are the COM numbers the user sees; SerialDeviceName turns one into a device.

// The descriptor of the open port, -1 while closed.
extern std::atomic<int> g_hSerialPort;

// The settings last given to SerialOpen.
struct SerialPortSettings {
    int port = 1;
    uint32_t baud = 9600;
    uint8_t parity = 'N';
    uint8_t byteSize = 8;
    int stopBits = 1;
    QString device; // the port's device as SerialOpen found it, shown as SerialDeviceName shows it
};
SerialPortSettings SerialLastSettings();

// The device of "COM<port>": profile section "Ports", key "COM<port>" (a device path such
// as /dev/ttyUSB0 or a /dev/serial/by-id/ link), else /dev/ttyS<port-1>. As shown to the
// user: a path of more than kDisplayPathChars characters is cut (SerialOpen refuses a path
// longer than the system takes).
QString SerialDeviceName(int port);

void SerialInitDefaults();
// Opens COM<port> raw with the given line settings; a port already open is closed first.
// Parity letters O, E, M, S (either case) or none; stop bits 1, else 2 (Linux has no 1.5).
// Returns 1 when open, 0 otherwise; LinkLastOpenError(COMM_RS232) then says why.
int SerialOpen(int port, uint32_t baud, uint8_t parity, uint8_t byteSize, int stopBits);
// "COM<port> (<device>): <cause>" for an open(2) error, with the remedy where one is known.
QString SerialOpenErrorText(int port, const QString& device, int error);
void SerialClose();
// Writes count bytes; returns the number written or -1. The tty driver normally takes a
// command at once; what it cannot take is waited for (10 ms a byte plus 1 s) either way,
// so no byte is dropped; `wait` is kept for callers that name it.
int SerialWrite(const void* buffer, int count, bool wait);
// Stores what has arrived, at most size - 1 bytes; 0 when nothing is queued, -1 when the
// read fails.
int SerialRead(void* buffer, int size);
// Bytes waiting in the receive queue; 0 when closed or on error.
int SerialQueuedBytes();
// Empties the receive queue; non-zero on success, 0 when the port cannot be examined.
int SerialPurgeRx();
// Steps of SerialOpen on a descriptor; non-zero on success.
int SerialSetState(int handle, uint32_t baud, uint8_t parity, uint8_t byteSize, int stopBits);
// The line settings SerialSetState applies, made from the current ones in `tio`; 0 for a
// baud rate or byte size the line cannot have. (A pseudo-terminal keeps only some of them:
// it always runs 8 bits without parity.)
int SerialMakeLineSettings(termios* tio, uint32_t baud, uint8_t parity, uint8_t byteSize, int stopBits);
int SerialSetTimeouts(int handle);

enum class SerialWait { Quiet, Input, HungUp };
// Waits up to timeoutMs for input on the port or for wakeFd (an eventfd, or -1) to become
// readable. Input when the port has some. HungUp at once when the port's line has hung up
// (the far end gone: a USB adapter unplugged, the other side of a pseudo-terminal closed):
// such a port stays "readable" for ever and yields nothing. A closed port only waits.
SerialWait SerialWaitInput(int timeoutMs, int wakeFd);
// Closes the port if its line has hung up; true when it did. Looked at again under the port
// lock, so a port opened meanwhile stays open.
bool SerialCloseHungUp();
