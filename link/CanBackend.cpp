#include "link/CanBackend.h"

#include "link/QtCanBackend.h"
#include "platform/Locked.h"
#include "platform/Profile.h"

#include <QtGlobal>
#include <algorithm>

namespace {
// A controller keeps only so many frames; beyond that the oldest are lost, as in an overrun.
constexpr size_t kQueueLimit = 65536;

std::mutex g_factoryMutex;
CanBackendFactory g_factory;
std::mutex g_lostMutex;
CanLostHandler g_lostHandler;

QString Setting(const char* env, const QString& key)
{
    const QString fromEnv = qEnvironmentVariable(env);
    if (!fromEnv.isEmpty())
        return fromEnv;
    return OpenProfile()->value(QStringLiteral("CanBackend/") + key).toString();
}
}

int CanIdentifierImage(uint32_t id, bool extended, uint8_t* image)
{
    if (extended) {
        image[0] = static_cast<uint8_t>(id >> 21);
        image[1] = static_cast<uint8_t>(id >> 13);
        image[2] = static_cast<uint8_t>(id >> 5);
        image[3] = static_cast<uint8_t>((id & 0x1F) << 3);
        return 4;
    }
    image[0] = static_cast<uint8_t>(id >> 3);
    image[1] = static_cast<uint8_t>((id & 0x07) << 5);
    return 2;
}

uint32_t CanIdentifierFromImage(const uint8_t* image, bool extended)
{
    if (extended)
        return (uint32_t(image[0]) << 21) | (uint32_t(image[1]) << 13) | (uint32_t(image[2]) << 5) | (image[3] >> 3);
    return (uint32_t(image[0]) << 3) | (image[1] >> 5);
}

bool CanAcceptance::Accepts(const CanMessage& msg) const
{
    uint8_t image[4];
    uint8_t unused[4] = { 0, 0, 0, 0 };
    CanIdentifierImage(msg.id, msg.extended, image);
    if (msg.extended) {
        image[3] |= msg.remote ? 0x04 : 0;
        unused[3] = 0x03;
    } else {
        image[1] |= msg.remote ? 0x10 : 0;
        image[2] = msg.length > 0 ? msg.data[0] : 0;
        image[3] = msg.length > 1 ? msg.data[1] : 0;
        unused[1] = 0x0F;
    }
    for (int i = 0; i < 4; ++i) {
        const uint8_t care = static_cast<uint8_t>(~(mask[i] | unused[i]));
        if ((image[i] ^ code[i]) & care)
            return false;
    }
    return true;
}

uint32_t CanTimingToBitRate(uint8_t btr0, uint8_t btr1)
{
    const uint32_t prescale = 2u * ((btr0 & 0x3Fu) + 1u);
    const uint32_t quanta = 1u + ((btr1 & 0x0Fu) + 1u) + (((btr1 >> 4) & 0x07u) + 1u);
    const uint32_t rate = 16000000u / (prescale * quanta);
    return (rate >= 5000 && rate <= 1000000) ? rate : 0;
}

CanBackend::~CanBackend() = default;

bool CanBackend::SetReference(uint32_t)
{
    return true;
}

void CanBackend::Deliver(const CanMessage& msg, int delayMs)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_shut || !m_acceptance.Accepts(msg))
            return;
        // Only behind an empty queue, so no frame overtakes one that came before it.
        if (delayMs <= 0 && m_queue.empty() && m_taker && m_taker(msg))
            return;
        if (m_queue.size() >= kQueueLimit)
            m_queue.pop_front();
        m_queue.push_back({ msg, Clock::now() + std::chrono::milliseconds(std::max(delayMs, 0)) });
    }
    m_cond.notify_all();
}

int CanBackend::FirstDue(Clock::time_point now) const
{
    for (size_t i = 0; i < m_queue.size(); ++i) {
        if (m_queue[i].due <= now)
            return static_cast<int>(i);
    }
    return -1;
}

int CanBackend::WaitFirstDue(std::unique_lock<std::mutex>& lock, Clock::time_point deadline)
{
    for (;;) {
        if (m_shut)
            return -1;
        const auto now = Clock::now();
        const int due = FirstDue(now);
        if (due >= 0 || now >= deadline)
            return due;
        // Wake for the earliest delayed frame as well as for the deadline.
        auto until = deadline;
        for (const Queued& q : m_queue)
            until = std::min(until, q.due);
        m_cond.wait_until(lock, until);
    }
}

bool CanBackend::Receive(CanMessage* out, int waitMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(waitMs, 0));
    std::unique_lock lock(m_mutex);
    const int due = WaitFirstDue(lock, deadline);
    if (due < 0)
        return false;
    *out = m_queue[due].msg;
    m_queue.erase(m_queue.begin() + due);
    return true;
}

bool CanBackend::WaitPending(std::chrono::microseconds wait)
{
    const auto deadline = Clock::now() + std::max(wait, std::chrono::microseconds::zero());
    std::unique_lock lock(m_mutex);
    return WaitFirstDue(lock, deadline) >= 0;
}

void CanBackend::SetTaker(Taker taker)
{
    std::lock_guard lock(m_mutex);
    m_taker = std::move(taker);
}

int CanBackend::PassToTaker(std::chrono::microseconds wait)
{
    const auto deadline = Clock::now() + std::max(wait, std::chrono::microseconds::zero());
    std::unique_lock lock(m_mutex);
    int taken = 0;
    for (int due = WaitFirstDue(lock, deadline); due >= 0 && m_taker && m_taker(m_queue[due].msg);
         due = FirstDue(Clock::now())) {
        m_queue.erase(m_queue.begin() + due);
        ++taken;
    }
    return taken;
}

int CanBackend::Pending()
{
    std::lock_guard lock(m_mutex);
    const auto now = Clock::now();
    return static_cast<int>(std::count_if(m_queue.begin(), m_queue.end(),
                                          [now](const Queued& q) { return q.due <= now; }));
}

void CanBackend::ClearReceive()
{
    std::lock_guard lock(m_mutex);
    m_queue.clear();
}

void CanBackend::SetAcceptance(const CanAcceptance& acceptance)
{
    std::lock_guard lock(m_mutex);
    m_acceptance = acceptance;
}

void CanBackend::ShutQueue()
{
    ChangeAndNotifyAll(m_mutex, m_cond, [this] {
        m_shut = true;
        m_queue.clear();
    });
}

void CanBackend::ReportLost(const QString& reason)
{
    std::lock_guard lock(g_lostMutex);
    if (g_lostHandler)
        g_lostHandler(m_kind, reason);
}

void SetCanLostHandler(CanLostHandler handler)
{
    std::lock_guard lock(g_lostMutex);
    g_lostHandler = std::move(handler);
}

CanBackendChoice ChooseCanBackend(int channel)
{
    CanBackendChoice choice;
    choice.plugin = Setting("VELQUARIN_CAN_PLUGIN", QStringLiteral("Plugin"));
    if (choice.plugin.isEmpty())
        choice.plugin = QStringLiteral("socketcan");
    choice.interfaceName = Setting("VELQUARIN_CAN_INTERFACE", QStringLiteral("Interface"));
    if (choice.interfaceName.isEmpty())
        choice.interfaceName = QStringLiteral("can%1");
    if (choice.interfaceName.contains(QStringLiteral("%1")))
        choice.interfaceName = choice.interfaceName.arg(channel);
    return choice;
}

void SetCanBackendFactory(CanBackendFactory factory)
{
    std::lock_guard lock(g_factoryMutex);
    g_factory = std::move(factory);
}

std::shared_ptr<CanBackend> CreateCanBackend(int channel)
{
    CanBackendFactory factory;
    {
        std::lock_guard lock(g_factoryMutex);
        factory = g_factory;
    }
    if (factory)
        return factory(channel);
    const CanBackendChoice choice = ChooseCanBackend(channel);
    return std::make_shared<QtCanBackend>(choice.plugin, choice.interfaceName);
}

void CanBackend::OpenQueue()
{
    std::lock_guard lock(m_mutex);
    m_shut = false;
}
