#pragma once

#include "link/DriveExchange.h"
#include "pages/tuning/SampleThread.h"
#include "pages/tuning/TuningForm.h"

#include <QString>

#include <memory>
#include <optional>

class QObject;

// The PID-tuning page's states and the drive commands that change them: the drive's own
// test wave and the CAN sampling that watches it. Plain: the page shows what it decides.
class TuningController {
public:
    // The drive settles into its wave before sampling starts.
    static constexpr int kWaveSettleMs = 1000;

    // The page the sampling thread posts to.
    explicit TuningController(QObject* page);

    // Where commands and sampling go, and how long the wave settles; only while nothing
    // runs.
    void SetServices(LinkTransaction transact, PollPause sampling, int settleMs);
    const LinkTransaction& Transaction() const { return m_transact; }
    int SettleMs() const { return m_settleMs; }

    // Reads the drive's mode and starts the form's wave; false when the drive did not
    // take it (told to stop all the same once the mode was read, as it may have taken the
    // shape).
    bool StartWave(const TuningForm& form);
    // Puts the mode back and stops the wave; when the drive does not take the stop it may
    // still oscillate, the wave stays running and the user is told the returned text.
    std::optional<QString> StopWave();
    // Waits for the wave to settle, then samples; false when no thread can be made.
    bool StartSampling(bool feedback, bool command);
    // Stops the thread; whether sampling was on.
    bool StopSampling();
    // The program or the page ends: sampling and the wave stop without a word.
    void StopOnExit();

    bool IsWaveRunning() const { return m_bWaveRunning; }
    bool IsSampling() const { return m_bSampling; }
    uint64_t SamplesPosted() const { return m_sampler->SamplesPosted(); }

private:
    bool m_bWaveRunning = false;
    bool m_bSampling = false;
    // The drive's mode before the wave, given back when it stops.
    int m_nSavedMode = 0;

    QObject* const m_page;
    LinkTransaction m_transact;
    std::unique_ptr<SampleThread> m_sampler;
    int m_settleMs = kWaveSettleMs;
};
