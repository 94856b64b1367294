#pragma once

#include <cstdint>

// Milliseconds of a steady clock, wrapping at 2^32 like the system tick count.
uint32_t GetTickCount();

// Milliseconds since `start` by the tick count; a tick that went back starts the count again.
uint32_t TicksSince(uint32_t& start);
