#include "pages/tuning/TuningController.h"

#include "link/LogRing.h"
#include "pages/tuning/TuningCommands.h"

#include <chrono>
#include <thread>
#include <utility>

TuningController::TuningController(QObject* page)
    : m_page(page)
{
}

void TuningController::SetServices(LinkTransaction transact, PollPause sampling, int settleMs)
{
    if (m_bWaveRunning || (m_sampler && m_sampler->IsRunning()))
        return;
    m_transact = std::move(transact);
    m_sampler = std::make_unique<SampleThread>(m_page, std::move(sampling));
    m_settleMs = settleMs;
}

bool TuningController::StartWave(const TuningForm& form)
{
    const DriveAnswer mode = LoggedExchange(m_transact, QStringLiteral("GMOD\r"));
    if (!mode.value)
        return false;
    m_nSavedMode = *mode.value;
    const QStringList commands = WaveStartCommands(m_nSavedMode, form);
    LoggedExchange(m_transact, commands[0]);
    LoggedExchange(m_transact, commands[1]);
    if (!LoggedExchange(m_transact, commands[2]).Ok()) {
        for (const QString& command : WaveStopCommands(m_nSavedMode))
            LoggedExchange(m_transact, command);
        return false;
    }
    m_bWaveRunning = true;
    return true;
}

std::optional<QString> TuningController::StopWave()
{
    const QStringList commands = WaveStopCommands(m_nSavedMode);
    LoggedExchange(m_transact, commands[0]);
    const DriveAnswer stop = LoggedExchange(m_transact, commands[1]);
    if (!stop.Ok())
        return QStringLiteral("The drive did not take SWM0: %1").arg(CommResultText(stop.result));
    m_bWaveRunning = false;
    return std::nullopt;
}

bool TuningController::StartSampling(bool feedback, bool command)
{
    if (m_settleMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(m_settleMs));
    m_bSampling = m_sampler->Start(feedback, command);
    return m_bSampling;
}

bool TuningController::StopSampling()
{
    m_sampler->Stop();
    return std::exchange(m_bSampling, false);
}

void TuningController::StopOnExit()
{
    // The thread posts to the page and holds the link: it ends first.
    m_sampler->Stop();
    m_bSampling = false;
    if (m_bWaveRunning) {
        for (const QString& command : WaveStopCommands(m_nSavedMode))
            DriveExchange(m_transact, command);
        m_bWaveRunning = false;
    }
}
