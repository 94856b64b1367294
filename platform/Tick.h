#pragma once

#include <cstdint>

// Milliseconds of a steady clock, wrapping at 2^32 like the system tick count.
uint32_t GetTickCount();
