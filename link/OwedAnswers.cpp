#include "link/OwedAnswers.h"

#include "link/LinkLayer.h"

#include <algorithm>
#include <atomic>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A stalled drive may hold its answers this long and then send them all.
constexpr auto kSerialOwed = milliseconds(10000);
// A CAN drive's late answer is believed to come within this.
constexpr auto kCanOwed = milliseconds(1000);
// A garbled answer: some bytes that make no reply, then the line quiet this long.
constexpr auto kGarbledQuiet = milliseconds(50);
constexpr uint32_t kLookMs = 5;

// Opening a channel starts a new line.
std::atomic<unsigned> g_nLineEpoch { 0 };

struct SerialOwed {
    int count = 0;
    Clock::time_point newest; // when the last of them was owed
    int accounted = 0;        // receive ring index up to which the bytes are accounted for
    unsigned epoch = 0;
};
SerialOwed g_serialOwed;

struct CanOwed {
    int node;
    CommandId id;
    Clock::time_point since;
    unsigned epoch;
};
std::vector<CanOwed> g_canOwed;

// The serial answers owed on this line, none once the newest has been owed too long.
SerialOwed& SerialOwedNow()
{
    if (g_serialOwed.count > 0
        && (g_serialOwed.epoch != g_nLineEpoch || Clock::now() - g_serialOwed.newest > kSerialOwed))
        g_serialOwed = {};
    return g_serialOwed;
}
} // namespace

void OweSerialAnswer(Clock::time_point since)
{
    SerialOwed& owed = SerialOwedNow();
    if (owed.count++ == 0)
        owed = { 1, since, g_nSerialRxWrite, g_nLineEpoch };
    owed.newest = since;
}

int SerialAnswersOwed()
{
    return SerialOwedNow().count;
}

bool SettleSerialAnswers(int waitMs, int keep)
{
    SerialOwed& owed = SerialOwedNow();
    if (owed.count <= keep)
        return true;
    if (!g_hReplyEvent.load()) { // no receive thread: nothing can land
        owed = {};
        return true;
    }
    const auto giveUp = Clock::now() + milliseconds(waitMs);
    int seen = owed.accounted;
    bool heard = false;
    auto lastByte = Clock::now();
    for (;;) {
        if (LinkWaitReply(0)) {
            if (const int next = LinkDropSerialReply(); next >= 0) {
                owed.accounted = seen = next;
                heard = false;
                if (--owed.count <= keep)
                    return true;
            }
            continue;
        }
        if (SerialOwedNow().count <= keep)
            return true;
        const auto now = Clock::now();
        if (const int write = g_nSerialRxWrite; write != seen) {
            seen = write;
            heard = true;
            lastByte = now;
        } else if (heard && now - lastByte >= kGarbledQuiet) {
            owed = {};
            return true;
        }
        if (now >= giveUp)
            return false;
        LinkWaitReply(kLookMs);
    }
}

void SerialAnswerTaken()
{
    SerialOwed& owed = SerialOwedNow();
    if (owed.count == 0)
        return;
    --owed.count;
    owed.accounted = g_nSerialRxRead;
}

bool CanAnswerOwed(int node, CommandId id)
{
    std::erase_if(g_canOwed,
        [](const CanOwed& o) { return o.epoch != g_nLineEpoch || Clock::now() - o.since > kCanOwed; });
    return std::any_of(g_canOwed.begin(), g_canOwed.end(),
        [&](const CanOwed& o) { return o.node == node && o.id == id; });
}

void OweCanAnswer(int node, CommandId id)
{
    std::erase_if(g_canOwed, [&](const CanOwed& o) { return o.node == node && o.id == id; });
    g_canOwed.push_back({ node, id, Clock::now(), g_nLineEpoch });
}

void CanAnswered(int node)
{
    std::erase_if(g_canOwed, [node](const CanOwed& o) { return o.node == node; });
}

void LinkForgetOwedAnswers()
{
    ++g_nLineEpoch;
}
