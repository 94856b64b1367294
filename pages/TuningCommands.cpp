#include "pages/TuningCommands.h"

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
    return { QStringLiteral("SMOD%1\r").arg(PositionModeWord(savedMode)), QStringLiteral("SWM0\r") };
}

QStringList PositionZeroCommands(int mode)
{
    return { QStringLiteral("SMOD%1\r").arg(PositionModeWord(mode)), QStringLiteral("M0\r") };
}
