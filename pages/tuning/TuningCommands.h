#pragma once

#include "pages/tuning/TuningForm.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

// The PID-tuning page's command texts: the gains, the drive's wave generator and the move
// to position zero. Plain functions; the page sends what they build.

// The gain settings "P%d\r", "I%d\r", "D%d\r", "A%d\r", "MP%d\r", "MK%d\r", "SMPT%d\r".
QStringList TuningGainWrites(const TuningGains& gains);
// The gain queries "GP\r" ... "GMPT\r", in the gain order.
const std::array<QString, TGAIN_COUNT>& TuningGainQueries();

// The mode word that lets the drive run its own wave, and the one of plain position
// control; both keep the upper bits of the mode the drive had.
int WaveModeWord(int savedMode);
int PositionModeWord(int mode);

// The wave's period (10 ms) and amplitude packed into one unsigned word: "SAT%u\r".
uint32_t WavePeriodAmplitudeWord(int period, int amplitude);
// The offset in the upper half and the shape (1 triangle, 2 sine, 3 square) in the lower:
// "SWM%d\r". The offset is taken as its 16-bit two's complement, so a negative offset
// reads back as a negative word.
int32_t WaveShapeWord(int offset, int shape);

// What starts the wave after "GMOD\r" answered savedMode: the mode, period and amplitude,
// then the shape, whose result decides.
QStringList WaveStartCommands(int savedMode, const TuningForm& form);
// What stops it: position mode again, then "SWM0\r". Needs no field of the form.
QStringList WaveStopCommands(int savedMode);
// What moves to position zero after "GMOD\r" answered mode.
QStringList PositionZeroCommands(int mode);

// The wave timed by the page itself instead of the drive: "SMOD%d\r" puts the drive into
// position control once, then every tick sends the wave's position at that moment.
constexpr int kHostWaveTickMs = 10;
QString PositionModeCommand(int mode);
// The form's wave (period in 10 ms, amplitude and offset in 0.01 degree) at `elapsedMs`
// after its start; every shape starts at the offset (the square on its upper half).
int HostWavePosition(const TuningForm& form, uint32_t elapsedMs);
// "M%d\r" with that position.
QString HostWaveMoveCommand(const TuningForm& form, uint32_t elapsedMs);
