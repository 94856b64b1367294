#include "link/ReplyScanner.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace {
// A serial ring the way the receive thread fills it, with the scan state of its reader.
struct Ring {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(kSerialRxRingSize, 0);
    int write = 0;
    SerialScanState state;

    Ring() = default;
    explicit Ring(const std::string& text) { Put(text); }
    void Put(const std::string& text)
    {
        std::memcpy(bytes.data() + write, text.data(), text.size());
        write += static_cast<int>(text.size());
    }
    // One scan pass over what has been put so far.
    bool Scan() { return LinkScanSerialReply(bytes.data(), write, state); }
    std::string Reply(const SerialScanState& scanned) const
    {
        return std::string(reinterpret_cast<const char*>(bytes.data()) + scanned.read, scanned.replyLen);
    }
    std::string Reply() const { return Reply(state); }
};

CanFrame Reply(int cmdId, uint8_t idLow, int write = 0)
{
    CanFrame frame {};
    frame.dataLength = 6;
    frame.id[3] = idLow;
    frame.data[0] = 5;
    frame.data[2] = static_cast<uint8_t>((cmdId + 0x8000) & 0xFF);
    frame.data[3] = static_cast<uint8_t>((cmdId + 0x8000) >> 8);
    frame.data[4] = static_cast<uint8_t>(write);
    return frame;
}

// Scans a CAN ring that holds the frames from its start, reading from 0: whether the
// answer was found, and where the read index ended.
std::pair<bool, int> ScanCanFrames(std::initializer_list<CanFrame> frames, int cmdId)
{
    std::vector<CanFrame> ring(kCanRxRingSize);
    std::copy(frames.begin(), frames.end(), ring.begin());
    int read = 0;
    const bool found = LinkScanCanReply(ring.data(), static_cast<int>(frames.size()), cmdId, read);
    return { found, read };
}
}

TEST(SerialScanner, FindsACompleteReply)
{
    Ring ring("#123\r\n");
    ASSERT_TRUE(ring.Scan());
    EXPECT_EQ(ring.state.read, 0);
    EXPECT_EQ(ring.state.replyLen, 5) << "from '#' to the CR inclusive";
    EXPECT_EQ(ring.Reply(), "#123\r");
    EXPECT_FALSE(ring.state.found);
}

TEST(SerialScanner, FindsAReplySplitOverTwoPassesStartingAtTheHash)
{
    Ring ring("#12");
    EXPECT_FALSE(ring.Scan());
    EXPECT_TRUE(ring.state.found);
    EXPECT_EQ(ring.state.read, 0);

    ring.Put("3\r");
    EXPECT_FALSE(ring.Scan()) << "no LF yet";
    ring.Put("\n");
    ASSERT_TRUE(ring.Scan());
    EXPECT_EQ(ring.Reply(), "#123\r");
}

TEST(SerialScanner, SkipsNoiseAndEchoBeforeTheHash)
{
    Ring ring("GV\r\nxx#-42\r\n");
    ASSERT_TRUE(ring.Scan());
    EXPECT_EQ(ring.state.read, 6);
    EXPECT_EQ(ring.Reply(), "#-42\r");
}

TEST(SerialScanner, TakesTheLastHashBeforeTheLineEnd)
{
    Ring ring("#1#OK\r\n");
    ASSERT_TRUE(ring.Scan());
    EXPECT_EQ(ring.Reply(), "#OK\r");
}

TEST(SerialScanner, TheFirstCharacterMustLieBetweenStarAndZ)
{
    const std::string inside = "*+09AZ", outside = ")[a \r";
    for (char first : inside + outside) {
        Ring ring(std::string("#") + first + "\r\n");
        EXPECT_EQ(ring.Scan(), inside.find(first) != std::string::npos) << int(first);
    }
}

TEST(SerialScanner, ALineEndWithoutAHashIsNoReply)
{
    Ring ring("ERR\r\n");
    EXPECT_FALSE(ring.Scan());
    EXPECT_EQ(ring.state.replyLen, 4) << "the length is noted all the same";
    EXPECT_EQ(ring.state.read, 0) << "the pass resumes where it began";
}

TEST(SerialScanner, EmptyRingAndIndicesOutsideTheRingDoNothing)
{
    Ring ring;
    SerialScanState state;
    EXPECT_FALSE(LinkScanSerialReply(ring.bytes.data(), 0, state));
    state.read = -1;
    EXPECT_FALSE(LinkScanSerialReply(ring.bytes.data(), 10, state));
    state.read = 0;
    EXPECT_FALSE(LinkScanSerialReply(ring.bytes.data(), kSerialRxRingSize, state));
}

TEST(SerialScanner, ScansUpToTheEndOfTheRingAndWrapsFromIt)
{
    Ring ring;
    ring.write = kSerialRxRingUsed - 6;
    ring.Put("#AB\r\n");
    ring.bytes[kSerialRxRingUsed - 1] = 'x';
    SerialScanState state;
    state.read = kSerialRxRingUsed - 6;
    ASSERT_TRUE(LinkScanSerialReply(ring.bytes.data(), kSerialRxRingUsed, state));
    EXPECT_EQ(ring.Reply(state), "#AB\r");

    // A read index at the very end carries on at 0, where the receive side wrapped to.
    Ring wrapped;
    wrapped.Put("#9\r\n");
    SerialScanState atEnd;
    atEnd.read = kSerialRxRingUsed;
    ASSERT_TRUE(LinkScanSerialReply(wrapped.bytes.data(), wrapped.write, atEnd));
    EXPECT_EQ(atEnd.read, 0);
}

TEST(CanScanner, SkipsAnswersToOtherCommandsAndTakesTheRightOne)
{
    EXPECT_EQ(ScanCanFrames({ Reply(0x10, 1), Reply(0x22, 1) }, 0x22), std::make_pair(true, 1));
}

TEST(CanScanner, NeverTakesAFrameWhoseIdentifierLowByteIsNotOne)
{
    EXPECT_EQ(ScanCanFrames({ Reply(0x22, 5), Reply(0x22, 0) }, 0x22), std::make_pair(false, 0))
        << "the read index stays when nothing matches";
}

TEST(CanScanner, WrapsAtTheEndOfTheRing)
{
    std::vector<CanFrame> ring(kCanRxRingSize);
    ring[kCanRxRingSize - 1] = Reply(0x01, 1);
    ring[0] = Reply(0x30, 1);
    int read = kCanRxRingSize - 1;
    ASSERT_TRUE(LinkScanCanReply(ring.data(), 1, 0x30, read));
    EXPECT_EQ(read, 0);

    read = 0;
    EXPECT_FALSE(LinkScanCanReply(ring.data(), 0, 0x30, read)) << "an empty ring";
    read = kCanRxRingSize;
    EXPECT_FALSE(LinkScanCanReply(ring.data(), 1, 0x30, read)) << "an index outside the ring";
}
