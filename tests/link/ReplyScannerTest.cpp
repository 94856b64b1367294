#include "link/ReplyScanner.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {
// A serial ring the way the receive thread fills it.
struct Ring {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(kSerialRxRingSize, 0);
    int write = 0;

    void Put(const std::string& text)
    {
        std::memcpy(bytes.data() + write, text.data(), text.size());
        write += static_cast<int>(text.size());
    }
    std::string Reply(const SerialScanState& state) const
    {
        return std::string(reinterpret_cast<const char*>(bytes.data()) + state.read, state.replyLen);
    }
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
}

TEST(SerialScanner, FindsACompleteReply)
{
    Ring ring;
    ring.Put("#123\r\n");
    SerialScanState state;
    ASSERT_TRUE(LinkScanSerialReply(ring.bytes.data(), ring.write, state));
    EXPECT_EQ(state.read, 0);
    EXPECT_EQ(state.replyLen, 5) << "from '#' to the CR inclusive";
    EXPECT_EQ(ring.Reply(state), "#123\r");
    EXPECT_FALSE(state.found);
}

TEST(SerialScanner, FindsAReplySplitOverTwoPassesStartingAtTheHash)
{
    Ring ring;
    ring.Put("#12");
    SerialScanState state;
    EXPECT_FALSE(LinkScanSerialReply(ring.bytes.data(), ring.write, state));
    EXPECT_TRUE(state.found);
    EXPECT_EQ(state.read, 0);

    ring.Put("3\r");
    EXPECT_FALSE(LinkScanSerialReply(ring.bytes.data(), ring.write, state)) << "no LF yet";
    ring.Put("\n");
    ASSERT_TRUE(LinkScanSerialReply(ring.bytes.data(), ring.write, state));
    EXPECT_EQ(ring.Reply(state), "#123\r");
}

TEST(SerialScanner, SkipsNoiseAndEchoBeforeTheHash)
{
    Ring ring;
    ring.Put("GV\r\nxx#-42\r\n");
    SerialScanState state;
    ASSERT_TRUE(LinkScanSerialReply(ring.bytes.data(), ring.write, state));
    EXPECT_EQ(state.read, 6);
    EXPECT_EQ(ring.Reply(state), "#-42\r");
}

TEST(SerialScanner, TakesTheLastHashBeforeTheLineEnd)
{
    Ring ring;
    ring.Put("#1#OK\r\n");
    SerialScanState state;
    ASSERT_TRUE(LinkScanSerialReply(ring.bytes.data(), ring.write, state));
    EXPECT_EQ(ring.Reply(state), "#OK\r");
}

TEST(SerialScanner, TheFirstCharacterMustLieBetweenStarAndZ)
{
    for (char first : { '*', '+', '0', '9', 'A', 'Z' }) {
        Ring ring;
        ring.Put(std::string("#") + first + "\r\n");
        SerialScanState state;
        EXPECT_TRUE(LinkScanSerialReply(ring.bytes.data(), ring.write, state)) << first;
    }
    for (char first : { ')', '[', 'a', ' ', '\r' }) {
        Ring ring;
        ring.Put(std::string("#") + first + "\r\n");
        SerialScanState state;
        EXPECT_FALSE(LinkScanSerialReply(ring.bytes.data(), ring.write, state)) << int(first);
    }
}

TEST(SerialScanner, ALineEndWithoutAHashIsNoReply)
{
    Ring ring;
    ring.Put("ERR\r\n");
    SerialScanState state;
    EXPECT_FALSE(LinkScanSerialReply(ring.bytes.data(), ring.write, state));
    EXPECT_EQ(state.replyLen, 4) << "the length is noted all the same";
    EXPECT_EQ(state.read, 0) << "the pass resumes where it began";
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
    std::vector<CanFrame> ring(kCanRxRingSize);
    ring[0] = Reply(0x10, 1);
    ring[1] = Reply(0x22, 1);
    int read = 0;
    ASSERT_TRUE(LinkScanCanReply(ring.data(), 2, 0x22, read));
    EXPECT_EQ(read, 1);
}

TEST(CanScanner, NeverTakesAFrameWhoseIdentifierLowByteIsNotOne)
{
    std::vector<CanFrame> ring(kCanRxRingSize);
    ring[0] = Reply(0x22, 5);
    ring[1] = Reply(0x22, 0);
    int read = 0;
    EXPECT_FALSE(LinkScanCanReply(ring.data(), 2, 0x22, read));
    EXPECT_EQ(read, 0) << "the read index stays when nothing matches";
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
