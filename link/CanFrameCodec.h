#pragma once

#include "link/CanFrame.h"
#include "link/CommResult.h"
#include "link/CommandTables.h"
#include "link/UsbCanLibrary.h"

#include <QString>
#include <cstdint>

// The drive's CAN protocol as plain frame records. A request is a standard data frame whose
// identifier is the node address, with data {4+n, node, id low, id high, n argument bytes
// little-endian}, n = 0, 2 or 4. A reply carries {node, -, (id+0x8000) low, high, value}.

// What a drive adds to the command number it answers, so a reply never reads as a request.
constexpr int kReplyCommandOffset = 0x8000;

// The request for a command whose argument bytes and value are known. commType picks the
// identifier layout: the card's register image for COMM_CAN_K8110 (bytes 3, 2 = identifier
// bits 10-3, bits 2-0 in bits 7-5), the identifier big-endian for the USB-CAN types.
// The value goes out as its low argBytes bytes.
CanFrame BuildCanRequest(int commType, int node, CommandId id, int argBytes, int32_t value);

// Looks the command text up in the command table and builds its request. COMM_ERR_UNKNOWN_COMMAND
// or COMM_ERR_NO_ARG_SIZE when the table does not know it (nothing stored), else COMM_OK with
// the request and the command's id.
CommResult EncodeCanCommand(QString text, int commType, int node, CanFrame* request, CommandId* id);

// The card's frame layout (link/CanCardLibrary.h) of a record whose data length is at most 8:
// information byte, the identifier register bytes (2 standard, 4 extended), the data.
// Writes at most 13 bytes and returns how many.
int EncodeK8110Frame(const CanFrame& frame, uint8_t* out);

// A frame the card received, as a reply record: identifier register bytes last one first,
// data after them. COMM_CAN_RECEIVE_TOO_LONG when the information byte claims more than 8
// data bytes (nothing stored); else COMM_OK and in *length 11 for a standard frame or 13
// for an extended one. `card` must hold 13 bytes.
CommResult DecodeK8110Frame(const uint8_t* card, CanFrame* reply, int* length);

// The USB-CAN adapter's frame record of a request record: identifier from the four bytes
// read big-endian, normal send type, the flags, data length & 0x0F, the data.
VciFrameRecord ToVciFrame(const CanFrame& frame);

// The command number a reply carries (data[2..3] little-endian, still + 0x8000).
int CanReplyCommand(const CanFrame& reply);

// Whether a card reply answers the request: COMM_ERR_WRONG_NODE when data[0] is not the
// node's low byte, COMM_ERR_WRONG_COMMAND when it answers another command, else COMM_OK.
CommResult CheckCanReply(const CanFrame& reply, int node, CommandId id);
