#include "pages/MonitorThread.h"

#include "link/LinkLayer.h"
#include "link/LinkTransaction.h"
#include "pages/MonitorReply.h"
#include "platform/Tick.h"
#include "platform/WindowMessage.h"
#include "link/LogRing.h"
#include "shell/frame/MainFrame.h"

#include <chrono>
#include <system_error>

MonitorThread::Services MonitorThread::DefaultServices()
{
    Services services;
    services.transact = LinkTransactLocked;
    services.tick = [] { return GetTickCount(); };
    // The main frame outlives its pages, and the pages join this thread before they go.
    services.pausePoll = [] {
        if (CMainFrame* frame = CMainFrame::Get())
            frame->SuspendPollThread();
    };
    services.resumePoll = [] {
        if (CMainFrame* frame = CMainFrame::Get())
            frame->ResumePollThread();
    };
    return services;
}

MonitorThread::MonitorThread(QObject* page, Services services)
    : m_page(page)
    , m_services(std::move(services))
{
}

MonitorThread::~MonitorThread()
{
    Stop();
}

bool MonitorThread::Start(const QString& query)
{
    if (IsRunning())
        return false;
    if (m_thread.joinable())
        m_thread.join();
    m_query = query;
    {
        std::lock_guard lock(m_stopLock);
        m_bStop = false;
    }
    m_posted = 0;
    m_ended = false;
    try {
        m_thread = std::thread([this] { MonitorThreadProc(); });
    } catch (const std::system_error&) {
        m_ended = true;
        return false;
    }
    return true;
}

void MonitorThread::Stop()
{
    {
        std::lock_guard lock(m_stopLock);
        m_bStop = true;
    }
    m_stopWake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

bool MonitorThread::StopRequested()
{
    std::lock_guard lock(m_stopLock);
    return m_bStop;
}

bool MonitorThread::PauseUnlessStopped(int ms)
{
    // No pause is no wait: even a wait that has timed out already costs a trip through the
    // scheduler (some 0.1 ms on a busy machine), a seventh of a CAN cycle polled back to back.
    if (ms <= 0)
        return !StopRequested();
    std::unique_lock lock(m_stopLock);
    return !m_stopWake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_bStop; });
}

void MonitorThread::End(EndReason reason, const QString& message)
{
    PostMessage(m_page, WM_MONITOR_END, static_cast<WPARAM>(reason), 0, message.toUtf8());
}

void MonitorThread::MonitorThreadProc()
{
    if (m_services.pausePoll)
        m_services.pausePoll();
    const QString logText = QString(m_query).remove(u'\r');
    // Queries are ASCII: the log line is the same bytes in the drive's code page.
    const QByteArray logLine = logText.toLatin1();
    uint32_t lastPosted = m_services.tick();
    int failures = 0;
    QByteArray lastNonNumber;
    bool lastWasNumberless = false;

    while (!StopRequested()) {
        const uint32_t now = m_services.tick();
        const uint32_t step = now - lastPosted;
        if (step > kMaxStepMs) {
            End(END_TIMEOUT, QStringLiteral("Timeout for monitoring"));
            break;
        }
        if (g_nComType.load() == COMM_RS232 && !PauseUnlessStopped(m_services.pauseMs))
            break;
        const MonitorAnswer answer = ExchangeForValue(m_services.transact, m_query);
        PostLogText(logLine.constData(), kLogCommandLine, true);
        if (answer.value) {
            failures = 0;
            PostLogText(answer.replyText.constData(), kLogReplyLine, true);
            PostMessage(m_page, WM_NEW_SAMPLE, static_cast<uint32_t>(*answer.value),
                static_cast<LPARAM>(step) << 16);
            lastPosted = now;
            ++m_posted;
        } else {
            lastWasNumberless = answer.Ok();
            if (answer.Ok()) {
                lastNonNumber = answer.replyText;
                PostLogText(answer.replyText.constData(), kLogReplyLine, true);
            }
            // A failed poll leaves its command line alone in the log: the reason would come
            // every 20 ms while the drive is silent.
            LogCommResult(answer.result, false);
        }
        if (++failures >= kMaxFailures) {
            if (lastWasNumberless)
                End(END_NOT_A_NUMBER,
                    QStringLiteral("The reply to %1 is no number: %2").arg(logText, DecodeLogText(lastNonNumber)));
            else
                End(END_COMMUNICATION, QStringLiteral("Communication failed"));
            break;
        }
        if (!PauseUnlessStopped(m_services.pauseMs))
            break;
    }

    if (m_services.resumePoll)
        m_services.resumePoll();
    m_ended = true;
}
