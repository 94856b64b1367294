#include "pages/runmonitor/MonitorThread.h"

#include "link/LinkLayer.h"
#include "link/LogRing.h"
#include "platform/WindowMessage.h"

MonitorThread::MonitorThread(QObject* page, Services services)
    : m_page(page)
    , m_services(std::move(services))
{
}

bool MonitorThread::Start(const QString& query)
{
    if (IsRunning())
        return false;
    m_query = query;
    m_posted = 0;
    return m_job.Start(m_page, m_services.pollPause, [this](DriveJob&) { MonitorThreadProc(); }, {});
}

void MonitorThread::Stop()
{
    m_job.Stop();
}

void MonitorThread::End(EndReason reason, const QString& message)
{
    PostMessage(m_page, WM_MONITOR_END, static_cast<WPARAM>(reason), 0, message.toUtf8());
}

void MonitorThread::MonitorThreadProc()
{
    const QString logText = QString(m_query).remove(u'\r');
    uint32_t lastPosted = m_services.tick();
    int failures = 0;
    QByteArray lastNonNumber;
    bool lastWasNumberless = false;

    while (!m_job.StopRequested()) {
        const uint32_t now = m_services.tick();
        const uint32_t step = now - lastPosted;
        if (step > kMaxStepMs) {
            End(END_TIMEOUT, QStringLiteral("Timeout for monitoring"));
            break;
        }
        if (g_nComType.load() == COMM_RS232 && !m_job.Wait(m_services.pauseMs))
            break;
        // A failed poll leaves its command line alone in the log: the reason would come
        // every 20 ms while the drive is silent.
        const DriveAnswer answer = LoggedExchange(m_services.transact, m_query, kDriveReplyBytes,
            { LogOrder::ExchangeFirst, false });
        if (answer.value) {
            failures = 0;
            PostLogText(answer.Line().constData(), kLogReplyLine, true);
            PostMessage(m_page, WM_NEW_SAMPLE, static_cast<uint32_t>(*answer.value),
                static_cast<LPARAM>(step) << 16);
            lastPosted = now;
            ++m_posted;
        } else {
            lastWasNumberless = answer.Ok();
            if (answer.Ok()) {
                lastNonNumber = answer.Line();
                PostLogText(lastNonNumber.constData(), kLogReplyLine, true);
            }
        }
        if (++failures >= kMaxFailures) {
            if (lastWasNumberless)
                End(END_NOT_A_NUMBER,
                    QStringLiteral("The reply to %1 is no number: %2").arg(logText, DecodeLogText(lastNonNumber)));
            else
                End(END_COMMUNICATION, QStringLiteral("Communication failed"));
            break;
        }
        if (!m_job.Wait(m_services.pauseMs))
            break;
    }
}
