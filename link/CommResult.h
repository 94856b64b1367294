#pragma once

// What a command exchange with a drive came to. 0 is success; the log shows a fixed text for
// each other code. Negative codes are refusals before or after the exchange (channel, command
// table, reply record), positive ones failures of the line or the adapter.
using CommResult = int;

enum CommResultCode : CommResult {
    COMM_OK = 0,
    COMM_ERR_UNKNOWN_CHANNEL = -1,   // g_nComType is no channel type
    COMM_ERR_RS232_NOT_OPEN = -2,
    COMM_ERR_CAN_NOT_OPEN = -3,      // the card or the USB-CAN adapter of the channel type
    COMM_ERR_UNKNOWN_COMMAND = -4,   // CAN: the mnemonic is not in the command table
    COMM_ERR_NO_ARG_SIZE = -5,       // CAN: the command has no argument size
    COMM_ERR_CAN_SEND_OVERSIZE = -6, // not produced; the log has a text for it
    COMM_ERR_REPLY_TOO_SMALL = -7,   // the reply record cannot hold a reply
    COMM_ERR_CAN_REPLY_SHORT = -8,   // not produced; the log has a text for it
    COMM_ERR_WRONG_COMMAND = -9,     // card: the reply answers another command
    COMM_ERR_CAN_RX_DATA = -10,      // not produced; the log has a text for it
    COMM_ERR_WRONG_NODE = -11,       // card: the reply comes from another node
    COMM_CAN_SEND_TOO_LONG = 1,      // a request frame of more than 8 data bytes
    COMM_CAN_RECEIVE_TOO_LONG = 2,   // card: a received frame claims more than 8 data bytes
    COMM_NO_SUCH_CHANNEL = 3,        // a send step asked for a channel it does not serve
    COMM_RS232_SEND_FAILED = 4,
    COMM_RS232_RECEIVE_FAILED = 5,   // not produced; the log has a text for it
    COMM_CAN_SEND_FAILED = 6,
    COMM_CAN_RECEIVE_FAILED = 7,
    COMM_RS232_RX_UNAVAILABLE = 8,   // the port's receive queue could not be examined or emptied
    COMM_CAN_RX_UNAVAILABLE = 9,     // frames already received could not be cleared within 100 ms
    COMM_RS232_TIMEOUT = 10,         // no reply within 500 ms
    COMM_CAN_TIMEOUT = 11,           // no reply within 80 ms (USB-CAN) or 50 ms (card)
};
