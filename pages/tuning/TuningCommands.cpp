#include "pages/tuning/TuningCommands.h"

#include <algorithm>
#include <cmath>
#include <numbers>

QStringList TuningGainWrites(const TuningGains& gains)
{
    static const char* const formats[TGAIN_COUNT] = { "P%1\r", "I%1\r", "D%1\r", "A%1\r", "MP%1\r", "MK%1\r",
        "SMPT%1\r" };
    QStringList commands;
    for (int gain = 0; gain < TGAIN_COUNT; ++gain)
        commands << QString::fromLatin1(formats[gain]).arg(gains[static_cast<size_t>(gain)]);
    return commands;
}

const std::array<QString, TGAIN_COUNT>& TuningGainQueries()
{
    static const std::array<QString, TGAIN_COUNT> queries { QStringLiteral("GP\r"), QStringLiteral("GI\r"),
        QStringLiteral("GD\r"), QStringLiteral("GA\r"), QStringLiteral("GMP\r"), QStringLiteral("GMK\r"),
        QStringLiteral("GMPT\r") };
    return queries;
}

int WaveModeWord(int savedMode)
{
    return (savedMode & 0xFFC0) | 0x39;
}

int PositionModeWord(int mode)
{
    return (mode & 0xFFC0) | 1;
}

uint32_t WavePeriodAmplitudeWord(int period, int amplitude)
{
    return ((static_cast<uint32_t>(period) & 0xFFFFu) << 16) | (static_cast<uint32_t>(amplitude) & 0xFFFFu);
}

int32_t WaveShapeWord(int offset, int shape)
{
    const uint32_t word = (static_cast<uint32_t>(offset) << 16) + static_cast<uint32_t>(shape + 1);
    return static_cast<int32_t>(word);
}

QStringList WaveStartCommands(int savedMode, const TuningForm& form)
{
    return { QStringLiteral("SMOD%1\r").arg(WaveModeWord(savedMode)),
        QStringLiteral("SAT%1\r").arg(WavePeriodAmplitudeWord(form.period, form.amplitude)),
        QStringLiteral("SWM%1\r").arg(WaveShapeWord(form.offset, form.waveShape)) };
}

QStringList WaveStopCommands(int savedMode)
{
    return { PositionModeCommand(savedMode), QStringLiteral("SWM0\r") };
}

QStringList PositionZeroCommands(int mode)
{
    return { PositionModeCommand(mode), QStringLiteral("M0\r") };
}

QString PositionModeCommand(int mode)
{
    return QStringLiteral("SMOD%1\r").arg(PositionModeWord(mode));
}

int HostWavePosition(const TuningForm& form, uint32_t elapsedMs)
{
    const uint64_t periodMs = static_cast<uint64_t>(std::max(form.period, 1)) * 10;
    const double phase = static_cast<double>(elapsedMs % periodMs) / static_cast<double>(periodMs);
    double unit = 0.0; // -1 .. 1
    switch (form.waveShape) {
    case WAVE_SINE: unit = std::sin(2.0 * std::numbers::pi * phase); break;
    case WAVE_SQUARE: unit = phase < 0.5 ? 1.0 : -1.0; break;
    default: unit = phase < 0.25 ? 4.0 * phase : phase < 0.75 ? 2.0 - 4.0 * phase : 4.0 * phase - 4.0; break;
    }
    return static_cast<int>(std::lround(unit * form.amplitude)) + form.offset;
}

QString HostWaveMoveCommand(const TuningForm& form, uint32_t elapsedMs)
{
    return QStringLiteral("M%1\r").arg(HostWavePosition(form, elapsedMs));
}
