#pragma once

#include "link/CanCardLibrary.h"
#include "link/CanFrame.h"
#include "link/ReplyScanner.h"
#include "link/UsbCanLibrary.h"
#include "platform/ManualResetEvent.h"

#include <QString>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string_view>
#include <vector>

// The state of the drive connection: which channel kind is in use, which are open, which
// node is addressed, the two CAN adapter families, the receive rings with their threads
// and the reply event the transaction waits on.

enum CommType : int {
    COMM_RS232 = 0,
    COMM_CAN_K8110 = 16,
    COMM_CAN_USB2 = 17,
    COMM_CAN_USB1 = 18,
    COMM_CAN_USB_E_U = 19,
    COMM_CAN_USB_2E_U = 20,
};
// The USB-CAN adapter's device type of a channel type (4, 3, 20, 21); 0 for the others.
int VciDeviceTypeOf(int commType);
bool IsUsbCanType(int commType);
// The CAN card or one of the USB-CAN adapter types.
bool IsCanType(int commType);

// Open record of a serial channel.
struct SerialSettings {
    uint32_t port = 0; // 1 = COM1
    uint32_t baud = 0;
    uint8_t parity = 'N';
    uint32_t byteSize = 0;
    uint32_t stopBits = 0; // 1, 2; anything else asks for one and a half (two on Linux)
};

// Open record of a CAN channel. The 11 bytes after the device number are, as they stand,
// the k8110 card's initialisation record.
#pragma pack(push, 1)
struct CanSettings {
    uint32_t deviceNumber = 0; // card index, or the USB-CAN adapter's CAN index
    uint8_t BTR0 = 0;
    uint8_t BTR1 = 0;
    uint8_t ACR[4] = {};
    uint8_t AMR[4] = {};
    uint8_t mode = 0;
};
#pragma pack(pop)
static_assert(sizeof(CanSettings) == 15, "a CAN open record is 15 bytes");
static_assert(offsetof(CanSettings, BTR0) == 4 && sizeof(CanSettings) - 4 == sizeof(K8110InitRecord),
              "the tail of a CAN open record is the card's initialisation record");
constexpr uint8_t kCanSettingsMode = 0xC1;

// Reference words of the USB-CAN adapters, chosen by g_nUsbEuRateIndex.
extern const uint32_t UsbEuReferenceTable[10];

// Link state. Written by the dialogs, the start-up connection and the node search; read by
// every transaction and by both threads.
extern std::atomic<int> g_nComType;
extern std::atomic<int> g_nCurNode;
extern std::atomic<int> g_bRs232Open;
extern std::atomic<int> g_bCanK8110Open;
extern std::atomic<int> g_bCanUsbOpen;
extern std::atomic<int> g_nVciDevType;
extern std::atomic<int> g_nVciDevIndex;
extern std::atomic<int> g_nVciCanIndex;
extern std::atomic<int> g_nK8110Index;
extern std::atomic<int> g_bK8110CardReady;
extern std::atomic<int> g_nUsbEuRateIndex;

// The transaction lock: one command exchange at a time (re-entrant).
extern std::recursive_mutex g_csLink;
// Set when a scan of a ring finds a reply ready. Null until the first serial or USB-CAN open.
extern std::atomic<ManualResetEvent*> g_hReplyEvent;

// The receive rings. Their contents, indices, g_nSerialReplyLen and g_nExpectedCmdId change
// only under the ring's lock (g_csSerialRing, g_csCanRing); the functions below take it.
extern uint8_t g_SerialRxRing[kSerialRxRingSize];
extern std::atomic<int> g_nSerialRxWrite;
extern std::atomic<int> g_nSerialRxRead;
extern std::atomic<int> g_nSerialReplyLen;
extern std::mutex g_csSerialRing;
extern CanFrame g_CanRxRing[kCanRxRingSize];
extern std::atomic<int> g_nCanRxWrite;
extern std::atomic<int> g_nCanRxRead;
extern std::atomic<int> g_nExpectedCmdId;
extern std::mutex g_csCanRing;

extern std::atomic<int> g_bLinkStop;
// While 1 the receive thread leaves both channels alone. Set it with LinkPauseReceive,
// which waits until the thread has let go of the port.
extern std::atomic<int> g_bRxPause;
extern std::atomic<uint8_t> g_bRxThreadPending;

// Node addresses found by the CAN node search, in the order found; guard with g_csFoundNodes.
extern std::vector<uint16_t> g_arrFoundNodes;
extern std::mutex g_csFoundNodes;

// Start and end of the link (the main frame's constructor and destructor). LinkInit sets
// the defaults and starts the reply scanner; LinkShutdown stops and joins both threads,
// then closes every channel. The link may be started again afterwards.
void LinkInit();
void LinkShutdown();
void LinkResetAll();
void CanInitDefaults();
// Closes the serial port, the card at g_nK8110Index and the adapter; open flags stay.
void LinkCloseAll();

// Open or re-initialise a channel of the given CommType; 1 or 0. A record of the wrong
// kind, or CAN timing bytes that are not from the bit-rate table, give 0.
int LinkOpenChannel(int commType, const SerialSettings* settings);
int LinkOpenChannel(int commType, const CanSettings* settings);
int LinkResetChannel(int commType, const SerialSettings* settings);
int LinkResetChannel(int commType, const CanSettings* settings);
int K8110Open(int index, const K8110InitRecord* init);
// The USB-CAN initialisation record of an open: accept every identifier, single filter,
// the record's timing bytes, normal mode.
VciInitRecord UsbCanInitRecord(const CanSettings& settings);
// Whether the CAN card has received frames not yet read.
bool CardFramesWaiting(int card);
int K8110Reset(int index, const K8110InitRecord* init);

// Bus-timing bytes of a bit rate in kbit/s; 1, or 0 with the outputs untouched.
int CanBitrateToTiming(int kbps, uint8_t* btr0, uint8_t* btr1);
// Whether the two bytes are a pair of the bit-rate table.
bool CanTimingIsKnown(uint8_t btr0, uint8_t btr1);
// Pairs of hex digits to bytes (a digit that is no hex digit counts as 0, an odd last
// character is ignored); at most `capacity` bytes are written. Returns the bytes written.
size_t HexTextToBytes(std::string_view text, uint8_t* dest, size_t capacity);
// The CAN open record from the dialog's or the profile's values: device number, kbit/s,
// ACR and AMR as hex text (first 8 digits). False for a bit rate not in the table.
bool BuildCanSettings(int deviceNumber, int kbps, std::string_view acr, std::string_view amr, CanSettings* out);

// The two link threads (started by LinkInit and by the first serial or USB-CAN open).
int LinkReceiveThread(void* unused);
int LinkReplyScannerThread(void* unused);

// Told when a channel that was open goes away under the program: a serial line that hung
// up, a CAN interface or virtual bus that went down. The family's open flag is 0 by then,
// so transactions on it fail at once with the not-open code until it is opened again.
// Called once per loss, from a link or bus thread: hand the news to the UI thread. An
// empty handler is the default; setting one waits until no call of the old one runs.
using ChannelLostHandler = std::function<void(int commType, const QString& reason)>;
void LinkSetChannelLostHandler(ChannelLostHandler handler);

// Pauses (true) or resumes (false) the receive thread. Pausing returns once the thread is
// out of both channels and waits at its gate (at once when it does not run yet).
void LinkPauseReceive(bool pause);

// For the transaction.
// Serial, before writing a command: empties the ring, forgets a half-seen reply and resets
// the reply event together, so only bytes that arrive after the write complete a reply.
void LinkClearSerialReply();
// Serial, after the reply event: copies the reply's text after '#' up to and including the
// CR (at most `capacity` bytes) and moves the read index past the LF. Returns the bytes
// copied, 0 when no reply is ready.
int LinkTakeSerialReply(uint8_t* dest, int capacity);
// Serial, after the reply event, for an answer owed to an earlier command: drops the reply,
// resets the event and looks on at once, so the event tells of the next complete reply the
// ring already holds. Returns the ring index just past the dropped reply, -1 when none was
// ready.
int LinkDropSerialReply();
// USB-CAN, before sending: publishes the command id the scanner looks for, discards the
// frames already received (none of them can answer a request not yet sent) and resets the
// reply event, together.
void LinkExpectCanReply(int cmdId);
// USB-CAN, after the reply event: copies the first record from the read index on that
// answers g_nExpectedCmdId (flags, length, identifier and its data bytes), moves the read
// index past it and sets g_nExpectedCmdId back to 0. False when no record answers.
bool LinkTakeCanReply(CanFrame* reply);
// USB-CAN: looks for an answer to cmdId from the read index on, without discarding what the
// ring holds: publishes the id, resets the reply event and scans at once (the event is set
// when a record already answers it).
void LinkLookForCanReply(int cmdId);
// USB-CAN, for callers that hold g_csLink and read frames of their own (the sampling of the
// PID-tuning page): drops every frame the ring holds, and waits up to timeoutMs for the
// next frame the receive thread puts there and takes it. With one reader of the adapter,
// the receive thread, no frame is taken from under another.
void LinkDiscardCanFrames();
bool LinkWaitCanFrame(CanFrame* frame, uint32_t timeoutMs);
// Waits up to timeoutMs for the reply event; false at once while it does not exist.
bool LinkWaitReply(uint32_t timeoutMs);
