#pragma once

#include <QColor>
#include <cstdint>

// Colours are kept as 0x00BBGGRR values, red in the lowest byte.
using COLORREF = uint32_t;

constexpr COLORREF RGB(uint8_t r, uint8_t g, uint8_t b)
{
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}

QColor ColorFromRef(COLORREF ref);
COLORREF RefFromColor(const QColor& color);
