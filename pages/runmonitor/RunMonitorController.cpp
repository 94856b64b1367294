#include "pages/runmonitor/RunMonitorController.h"

#include "link/LogRing.h"
#include "pages/runmonitor/RunMonitorCommands.h"
#include "shell/Globals.h"

#include <chrono>
#include <thread>

RunMonitorController::RunMonitorController(QObject* page)
    : m_page(page)
{
}

void RunMonitorController::SetServices(MonitorThread::Services services)
{
    if (m_thread && m_thread->IsRunning())
        return;
    m_transact = services.transact;
    m_thread = std::make_unique<MonitorThread>(m_page, std::move(services));
}

RunMonitorController::RunStart RunMonitorController::StartRun(int runMode, int target)
{
    DriveAnswer answer;
    for (const RunStep& step : RunStartCommands(runMode, target)) {
        answer = LoggedExchange(m_transact, step.command);
        if (step.pauseAfterMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(step.pauseAfterMs));
    }
    if (!RunModeHolds(runMode)) {
        m_bRunToggle = false;
        return RunStart::Moved;
    }
    if (!answer.Ok())
        return RunStart::Refused;
    m_bRunToggle = true;
    m_nHeldRunMode = runMode;
    return RunStart::Held;
}

std::optional<QString> RunMonitorController::StopRun()
{
    const QString command = RunStopCommand(m_nHeldRunMode);
    const DriveAnswer answer = LoggedExchange(m_transact, command);
    if (!answer.Ok())
        return QStringLiteral("The drive did not take %1: %2").arg(QString(command).remove(u'\r'), CommResultText(answer.result));
    m_bRunToggle = false;
    return std::nullopt;
}

bool RunMonitorController::ToggleBrake()
{
    if (!LoggedExchange(m_transact, BrakeToggleCommand(m_bBrake)).Ok())
        return false;
    m_bRunToggle = false;
    m_bBrake = !m_bBrake;
    return true;
}

bool RunMonitorController::StartPolling(const QString& query)
{
    if (!m_thread->Start(query))
        return false;
    m_bMonitoring = true;
    g_bMonitoring = 1;
    return true;
}

void RunMonitorController::StopPolling()
{
    g_bMonitoring = 0;
    m_thread->Stop();
    m_bMonitoring = false;
}
