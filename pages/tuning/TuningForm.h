#pragma once

#include "platform/FormText.h"

#include <QString>

#include <array>
#include <optional>
#include <span>

// The PID-tuning page's edits, by control id.
enum TuningControlId : int {
    IDC_TUNE_A = 1005,
    IDC_TUNE_SPEED_P = 1014,
    IDC_TUNE_SPEED_I = 1015,
    IDC_TUNE_SPEED_D = 1016,
    IDC_TUNE_POS_P = 1236,
    IDC_TUNE_POS_K = 1237,
    IDC_TUNE_KT = 1061,
    IDC_TUNE_Y_BASE = 1196,
    IDC_TUNE_Y_SPAN = 1197,
    IDC_TUNE_X_SPAN = 1198,
    IDC_TUNE_AMPLITUDE = 1239,
    IDC_TUNE_PERIOD = 1240,
    IDC_TUNE_OFFSET = 1241,
};

// The seven gains in the order they are written and read: P, I, D, A, MP, MK, MPT.
enum TuningGain : int { TGAIN_P, TGAIN_I, TGAIN_D, TGAIN_A, TGAIN_MP, TGAIN_MK, TGAIN_MPT, TGAIN_COUNT };
using TuningGains = std::array<int, TGAIN_COUNT>;

// The test wave's shapes as the page's radios number them.
enum WaveShape : int { WAVE_TRIANGLE = 0, WAVE_SINE = 1, WAVE_SQUARE = 2 };

// The curves of the page: sample array i is chart curve i + 1.
enum TuningCurve : int { CURVE_FEEDBACK = 0, CURVE_POS_ERROR = 1, CURVE_COMMAND = 2, CURVE_VEL_ERROR = 3 };

// The page's values with their defaults.
struct TuningForm {
    TuningGains gains { 0, 1, 0, 1, 0, 0, 0 };
    int yBase = 1;
    uint32_t ySpan = 18000;
    uint32_t xSpan = 20000;
    int yRef = 1; // 0 bottom line, 1 centre
    int waveShape = WAVE_TRIANGLE;
    int period = 10000;   // 10 ms units
    int offset = 0;       // 0.01 degree
    int amplitude = 3000; // 0.01 degree
    bool feedback = true;
    bool command = false;
    bool velError = false;
    bool posError = false;
    int curve = CURVE_FEEDBACK;
};

// The edits in the order the data exchange takes them.
std::span<const int> TuningFieldIds();
// The gains' edits, in the gain order.
std::span<const int> TuningGainIds();
// The wave's edits.
std::span<const int> TuningWaveIds();
QString TuningFieldText(const TuningForm& form, int id);
// Takes an edit's text into the form after checking it; the form is untouched when the
// text is rejected. The wave's edits take only what the drive's 16-bit wave registers
// hold: period and amplitude 1..65535, offset -32768..32767.
std::optional<ExchangeFailure> TakeTuningField(TuningForm& form, int id, const QString& text);
