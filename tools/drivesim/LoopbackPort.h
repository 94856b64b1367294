#pragma once

#include <cstdint>

// A TCP port on the loopback interface that was free a moment ago, for a private virtual
// CAN bus (the well-known virtualcan port is shared machine-wide). 0 when none could be had.
uint16_t FreeLoopbackPort();
