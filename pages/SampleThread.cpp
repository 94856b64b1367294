#include "pages/SampleThread.h"

#include "link/CanCardLibrary.h"
#include "link/LinkLayer.h"
#include "link/LinkTransaction.h"
#include "link/UsbCanLibrary.h"
#include "pages/MonitorThread.h"
#include "pages/SampleFrames.h"
#include "platform/Tick.h"
#include "platform/WindowMessage.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace {

const SampleQuantity kQuantities[] = { kSampleFeedback, kSampleCommand };

bool IsCan(int type)
{
    return type == COMM_CAN_K8110 || IsUsbCanType(type);
}

struct Vci {
    uint32_t type = static_cast<uint32_t>(g_nVciDevType.load());
    uint32_t device = static_cast<uint32_t>(g_nVciDevIndex.load());
    uint32_t can = static_cast<uint32_t>(g_nVciCanIndex.load());
    void ReadError() const
    {
        VciErrorRecord error {};
        VCI_ReadErrInfo(type, device, can, &error);
    }
};

bool CardFramesWaiting(int card)
{
    K8110RegRecord reg { K8110_REG_RX_COUNT, 0 };
    return CAN_ReadReg(card, &reg) && reg.value != 0;
}

// Time since `start` by the tick count; a tick that went back starts the count again.
uint32_t Elapsed(uint32_t& start)
{
    const uint32_t now = GetTickCount();
    if (now < start)
        start = now;
    return now - start;
}

// Waits up to ms for a frame on the card, woken by its arrival rather than a fixed poll.
bool WaitCardFrame(int card, uint32_t ms)
{
    return CardFramesWaiting(card) || CAN_WaitRecvUs(card, int64_t { ms } * 1000);
}

}

SampleThread::Services SampleThread::DefaultServices()
{
    const MonitorThread::Services monitor = MonitorThread::DefaultServices();
    return { monitor.pausePoll, monitor.resumePoll };
}

SampleThread::SampleThread(QObject* page, Services services)
    : m_page(page)
    , m_services(std::move(services))
{
}

SampleThread::~SampleThread()
{
    Stop();
}

bool SampleThread::Start(bool feedback, bool command)
{
    if (IsRunning())
        return false;
    if (m_thread.joinable())
        m_thread.join();
    m_feedback = feedback;
    m_command = command;
    {
        std::lock_guard lock(m_csStop);
        m_bStopSampling = false;
    }
    m_posted = 0;
    m_ended = false;
    try {
        m_thread = std::thread(&SampleThread::SampleThreadProc, this);
    } catch (const std::system_error&) {
        m_ended = true;
        return false;
    }
    return true;
}

void SampleThread::RequestStop()
{
    {
        std::lock_guard lock(m_csStop);
        m_bStopSampling = true;
    }
    m_stopWake.notify_all();
}

void SampleThread::Stop()
{
    RequestStop();
    if (m_thread.joinable())
        m_thread.join();
}

bool SampleThread::StopRequested()
{
    std::lock_guard lock(m_csStop);
    return m_bStopSampling;
}

bool SampleThread::WaitUnlessStopped(int ms)
{
    std::unique_lock lock(m_csStop);
    return !m_stopWake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_bStopSampling; });
}

SampleThread::Wait SampleThread::AwaitReply(bool card, int cardIndex, uint32_t waitMs, CanFrame* reply)
{
    uint32_t start = GetTickCount();
    for (;;) {
        const uint32_t spent = Elapsed(start);
        if (spent > waitMs)
            return Wait::TimedOut;
        const uint32_t slice = std::clamp<uint32_t>(waitMs - spent, 1, kSliceMs);
        if (card ? WaitCardFrame(cardIndex, slice) : LinkWaitCanFrame(reply, slice))
            return Wait::Arrived;
        if (StopRequested() || (g_nLinkWaiting > 0 && Elapsed(start) >= kOverdueMs))
            return Wait::GivenUp;
    }
}

void SampleThread::End(const QString& message)
{
    PostMessage(m_page, WM_MONITOR_END, 0, 0, message.toUtf8());
}

void SampleThread::Drain(int type, Counters& counters)
{
    std::lock_guard lock(g_csLink);
    if (type == COMM_CAN_K8110) {
        const int card = g_nK8110Index;
        uint32_t start = GetTickCount();
        while (CardFramesWaiting(card) && Elapsed(start) < kDrainMs) {
            uint8_t stale[kSampleCardBuffer];
            if (CAN_Recv(card, stale, kSampleCardBuffer))
                counters.receive = 0;
            else
                ++counters.receive;
        }
        if (Elapsed(start) >= kDrainMs)
            counters.receive = 0;
        return;
    }
    const Vci vci;
    uint32_t start = GetTickCount();
    while (VCI_GetReceiveNum(vci.type, vci.device, vci.can) > 0 && Elapsed(start) < kDrainMs) {
        if (VCI_ClearBuffer(vci.type, vci.device, vci.can))
            break;
    }
    LinkDiscardCanFrames();
}

void SampleThread::Exchange(int type, int node, int quantity, uint32_t& previous, Counters& counters)
{
    const SampleQuantity& q = kQuantities[quantity];
    const bool card = type == COMM_CAN_K8110;
    const int cardIndex = g_nK8110Index;
    const Vci vci;
    std::lock_guard lock(g_csLink);
    // Whatever waits now was received before the request: not its answer.
    uint8_t frame[kSampleCardBuffer];
    bool sent;
    if (card) {
        for (uint32_t start = GetTickCount(); CardFramesWaiting(cardIndex) && Elapsed(start) < kDrainMs;)
            CAN_Recv(cardIndex, frame, kSampleCardBuffer);
        EncodeCardSampleRequest(node, q.requestCode, frame);
        sent = CAN_Trans(cardIndex, frame, kSampleCardBuffer) != 0;
    } else {
        LinkDiscardCanFrames();
        const VciFrameRecord request = UsbSampleRequest(node, q.requestCode);
        sent = VCI_Transmit(vci.type, vci.device, vci.can, &request, 1) != 0;
        if (!sent)
            vci.ReadError();
    }
    if (!sent) {
        ++counters.send;
        return;
    }
    CanFrame reply {};
    const Wait wait = AwaitReply(card, cardIndex, static_cast<uint32_t>(card ? q.cardWaitMs : kUsbSampleWaitMs), &reply);
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
    std::fill(std::begin(frame), std::end(frame), 0);
    if (card && !CAN_Recv(cardIndex, frame, kSampleCardBuffer)) {
        ++counters.receive;
        return;
    }
    counters.receive = 0;
    const std::optional<int32_t> value
        = card ? DecodeCardSampleReply(frame, node, q.replyCode) : DecodeRingSampleReply(reply, node, q.replyCode);
    if (!value) {
        ++counters.bad;
        return;
    }
    PostMessage(m_page, WM_NEW_SAMPLE, static_cast<uint32_t>(*value),
        MAKELPARAM(static_cast<uint16_t>(step & 0xFFFF), static_cast<uint16_t>(q.array)));
    ++m_posted;
}


void SampleThread::SampleThreadProc()
{
    if (m_services.pausePoll)
        m_services.pausePoll();
    const int type = g_nComType;
    const int node = g_nCurNode;
    Counters counters;
    if (!IsCan(type)) {
        End(QStringLiteral("请使用CAN设备监测"));
    } else {
        Drain(type, counters);
        uint32_t previous[2] = { GetTickCount(), GetTickCount() };
        const bool asked[2] = { m_feedback, m_command };
        while (!StopRequested()) {
            for (int quantity = 0; quantity < 2; ++quantity) {
                if (!asked[quantity])
                    continue;
                if (StopRequested())
                    break;
                // A command of the page or the status strip waits for the lock: it goes first.
                for (uint32_t start = GetTickCount(); g_nLinkWaiting > 0 && Elapsed(start) < kYieldMs;)
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
                WaitUnlessStopped(kIdleMs);
        }
    }
    if (m_services.resumePoll)
        m_services.resumePoll();
    m_ended = true;
}
