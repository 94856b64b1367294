#pragma once

#include <cstdint>

// Function codes of the high byte of a port word.
enum PortFunction : int {
    PORT_FUNCTION_NONE = 0,
    PORT_FUNCTION_ENABLE = 1,
    PORT_FUNCTION_DIRECTION = 2,
    PORT_FUNCTION_CW_LIMIT = 3,
    PORT_FUNCTION_CCW_LIMIT = 4,
    PORT_FUNCTION_BRAKE = 5,
    PORT_FUNCTION_FAULT = 0x64,
    PORT_FUNCTION_CURRENT_VALUE = 0x65,     // IO4 output
    PORT_FUNCTION_CURRENT_POLARITY = 0x66,  // IO4 output
    PORT_FUNCTION_CURRENT_POLARITY3 = 0x67, // IO3 output
};

// The 16-bit setting word of one I/O port: bit 0 set for an output, bit 1 pull up (input)
// or PNP (output), bit 2 active high, bits 8-15 the PortFunction. Items are the indexes of
// the page's two-item combos ("Pull Down"/"Pull Up", "NPN"/"PNP", "Active Low"/"Active
// High"); anything but 1 counts as the first item.
struct PortWord {
    bool output = false;
    int pullOrType = 0;
    int level = 0;
    int function = PORT_FUNCTION_NONE;

    uint16_t Encode() const;
    static PortWord Decode(uint32_t word);
};

// The function of common port `port` (0 = IO1 .. 3 = IO4) for the item of its input-function
// combo ("Invalid Function", "Enable", "CW limit", "CCW limit", "Brake") or, for an output,
// of its output-function combo; unknown items give PORT_FUNCTION_NONE.
int CommonPortFunction(int port, bool output, int item);
// The combo item that shows a function read from the drive; 0 ("Invalid Function") for a
// function the combo does not offer.
int CommonPortFunctionItem(int port, bool output, int function);
