#pragma once

#include <QFont>
#include <QString>
#include <cstdint>

// Face names longer than this are cut, as the drive tool's font records only hold 31
// characters and a terminator.
constexpr int LF_FACESIZE = 32;

// Pitch and family bits of a font request.
constexpr uint8_t DEFAULT_PITCH = 0x00;
constexpr uint8_t FIXED_PITCH = 0x01;
constexpr uint8_t VARIABLE_PITCH = 0x02;
constexpr uint8_t FF_DONTCARE = 0x00;
constexpr uint8_t FF_ROMAN = 0x10;
constexpr uint8_t FF_SWISS = 0x20;
constexpr uint8_t FF_MODERN = 0x30;
constexpr uint8_t FF_SCRIPT = 0x40;
constexpr uint8_t FF_DECORATIVE = 0x50;

// A font made from the fields of a classic font request. A negative height is the
// character height in pixels; a positive one (the cell height) is taken as the pixel size
// too, which makes such a font a little larger than the character height would; 0 keeps
// the default size. Weights use the usual 100..900 scale, 0 meaning normal.
QFont FontFromLogFont(int height, int weight, uint8_t pitchAndFamily, const QString& faceName, bool underline = false);
