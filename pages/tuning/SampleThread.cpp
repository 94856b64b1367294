#include "pages/tuning/SampleThread.h"

#include "link/CanSampleLink.h"
#include "link/LinkLayer.h"
#include "pages/tuning/SampleFrames.h"
#include "platform/Tick.h"
#include "platform/WindowMessage.h"

#include <algorithm>
#include <thread>

namespace {

constexpr int kMaxFailures = 10;
constexpr int kDrainMs = 500;
constexpr uint32_t kMaxStepMs = 65535;
// With nothing to ask, the thread looks at its stop flag this often.
constexpr int kIdleMs = 20;
// How long an exchange waits for a command that waits for the transaction lock.
constexpr int kYieldMs = 200;
// A reply wait looks this often at the stop flag and at commands waiting for the link.
constexpr uint32_t kSliceMs = 10;
// A drive answers within a few milliseconds: once its reply is this late, a command that
// waits for the transaction lock is not kept waiting for the rest of the reply wait.
constexpr uint32_t kOverdueMs = 100;

const SampleQuantity kQuantities[] = { kSampleFeedback, kSampleCommand };

}

SampleThread::SampleThread(QObject* page, PollPause pollPause)
    : m_page(page)
    , m_pollPause(std::move(pollPause))
{
}

bool SampleThread::Start(bool feedback, bool command)
{
    if (IsRunning())
        return false;
    m_feedback = feedback;
    m_command = command;
    m_posted = 0;
    return m_job.Start(m_page, m_pollPause, [this](DriveJob&) { SampleThreadProc(); }, {});
}

void SampleThread::RequestStop()
{
    m_job.RequestStop();
}

void SampleThread::Stop()
{
    m_job.Stop();
}

SampleThread::Wait SampleThread::AwaitReply(CanSampleLink& link, uint32_t waitMs)
{
    uint32_t start = GetTickCount();
    for (;;) {
        const uint32_t spent = TicksSince(start);
        if (spent > waitMs)
            return Wait::TimedOut;
        const uint32_t slice = std::clamp<uint32_t>(waitMs - spent, 1, kSliceMs);
        if (link.Wait(slice))
            return Wait::Arrived;
        if (m_job.StopRequested() || (CanSampleLink::OthersWaiting() && TicksSince(start) >= kOverdueMs))
            return Wait::GivenUp;
    }
}

void SampleThread::End(const QString& message)
{
    PostMessage(m_page, WM_MONITOR_END, 0, 0, message.toUtf8());
}

void SampleThread::Drain(int type, Counters& counters)
{
    const auto lock = CanSampleLink::Lock();
    CanSampleLink(type).Drain(kDrainMs, &counters.receive);
}

void SampleThread::Exchange(int type, int node, int quantity, uint32_t& previous, Counters& counters)
{
    const SampleQuantity& q = kQuantities[quantity];
    CanSampleLink link(type);
    const auto lock = CanSampleLink::Lock();
    // Whatever waits now was received before the request: not its answer.
    if (!link.Send(node, q.requestCode, kDrainMs)) {
        ++counters.send;
        return;
    }
    const Wait wait = AwaitReply(link, static_cast<uint32_t>(link.IsCard() ? q.cardWaitMs : kUsbSampleWaitMs));
    if (wait == Wait::GivenUp)
        return; // neither a reply nor a missing one: the run stops, or a command goes first
    const bool arrived = wait == Wait::Arrived;
    const uint32_t now = GetTickCount();
    const uint32_t step = now - previous;
    if (arrived)
        previous = now;
    if (!arrived || step > kMaxStepMs) {
        ++counters.receive;
        return;
    }
    int32_t value = 0;
    const CanSampleLink::Reply reply = link.Receive(node, q.replyCode, &value);
    if (reply == CanSampleLink::Reply::ReadFailed) {
        ++counters.receive;
        return;
    }
    counters.receive = 0;
    if (reply == CanSampleLink::Reply::Bad) {
        ++counters.bad;
        return;
    }
    PostMessage(m_page, WM_NEW_SAMPLE, static_cast<uint32_t>(value),
        MAKELPARAM(static_cast<uint16_t>(step & 0xFFFF), static_cast<uint16_t>(q.array)));
    ++m_posted;
}

void SampleThread::SampleThreadProc()
{
    const int type = g_nComType;
    const int node = g_nCurNode;
    Counters counters;
    if (!CanSampleLink::IsCan(type)) {
        End(QStringLiteral("请使用CAN设备监测"));
    } else {
        Drain(type, counters);
        uint32_t previous[2] = { GetTickCount(), GetTickCount() };
        const bool asked[2] = { m_feedback, m_command };
        while (!m_job.StopRequested()) {
            for (int quantity = 0; quantity < 2; ++quantity) {
                if (!asked[quantity])
                    continue;
                if (m_job.StopRequested())
                    break;
                // A command of the page or the status strip waits for the lock: it goes first.
                for (uint32_t start = GetTickCount(); CanSampleLink::OthersWaiting() && TicksSince(start) < kYieldMs;)
                    std::this_thread::yield();
                Exchange(type, node, quantity, previous[quantity], counters);
            }
            if (counters.send >= kMaxFailures) {
                End(QStringLiteral("通讯故障－－发送失败"));
                break;
            }
            if (counters.receive >= kMaxFailures) {
                End(QStringLiteral("通讯故障－－接收失败"));
                break;
            }
            if (counters.bad >= kMaxFailures) {
                End(QStringLiteral("通讯故障"));
                break;
            }
            if (!asked[0] && !asked[1])
                m_job.Wait(kIdleMs);
        }
    }
}
