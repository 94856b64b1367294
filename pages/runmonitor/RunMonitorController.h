#pragma once

#include "pages/runmonitor/RunMonitorCommands.h"
#include "pages/runmonitor/MonitorThread.h"

#include <QString>

#include <memory>
#include <optional>

class QObject;

// The run-monitor page's states and the drive commands that change them: a run the drive
// keeps going until it is stopped (velocity, current), the brake, and the polling that
// feeds the chart. Plain: the page shows what it decides.
class RunMonitorController {
public:
    // How a Run went: a move that ends by itself, a run now held, or a run the drive did
    // not take.
    enum class RunStart { Moved, Held, Refused };

    // The page the polling thread posts to.
    explicit RunMonitorController(QObject* page);

    // Where commands and polling go; only while the thread does not run.
    void SetServices(MonitorThread::Services services);
    const LinkTransaction& Transaction() const { return m_transact; }

    // Sends the mode's start commands towards `target`.
    RunStart StartRun(int runMode, int target);
    // Stops the held run; when the drive does not take the stop the motor may still turn,
    // the run stays held and the user is told the returned text.
    std::optional<QString> StopRun();
    // Sets or releases the brake; false when the drive did not take it. A brake the drive
    // took also ends a held run.
    bool ToggleBrake();

    // Polls `query` (with its CR); false, starting nothing, when no thread can be made.
    bool StartPolling(const QString& query);
    void StopPolling();

    bool IsRunHeld() const { return m_bRunToggle; }
    bool IsBrakeSet() const { return m_bBrake; }
    bool IsPolling() const { return m_bMonitoring; }
    bool IsThreadRunning() const { return m_thread->IsRunning(); }
    uint64_t SamplesPosted() const { return m_thread->SamplesPosted(); }

private:
    QObject* const m_page;
    LinkTransaction m_transact;
    std::unique_ptr<MonitorThread> m_thread;
    // The held run and the mode whose stop command ends it.
    bool m_bRunToggle = false;
    int m_nHeldRunMode = RUN_VELOCITY;
    bool m_bBrake = false;
    bool m_bMonitoring = false;
};
