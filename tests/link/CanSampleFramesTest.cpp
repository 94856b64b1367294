#include "link/CanSampleFrames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

TEST(SampleFrames, RequestsOnBothRoads)
{
    uint8_t card[kSampleCardBuffer];
    EncodeCardSampleRequest(0x6B, 155, card);
    EXPECT_EQ((std::vector<uint8_t>(card, card + 5)), (std::vector<uint8_t> { 0x02, 0x0D, 0x60, 0x6B, 155 }));
    const VciFrameRecord usb = UsbSampleRequest(6, 145);
    EXPECT_EQ(usb.ID, 6u);
    EXPECT_EQ(usb.DataLen, 2);
    EXPECT_EQ(usb.Data[0], 6);
    EXPECT_EQ(usb.Data[1], 145);
    EXPECT_EQ(usb.ExternFlag | usb.RemoteFlag | usb.SendType, 0);
}

TEST(SampleFrames, RepliesAndBadReplies)
{
    const struct {
        std::vector<uint8_t> data;
        bool extended;
        std::optional<int32_t> value;
    } cases[] = {
        { { 6, 157, 0x18, 0xFC, 0xFF, 0xFF }, false, -1000 },
        { { 6, 157, 0x18, 0xFC }, false, 0xFC18 },                   // 16 bits zero-extended
        { { 6, 157, 1, 2, 3, 4, 5, 6 }, false, 0x04030201 },           // never past four bytes
        { { 6, 157 }, false, 0 },
        { { 6 }, false, std::nullopt },                                // no room for the code
        { { 5, 157, 1, 0 }, false, std::nullopt },                     // another node
        { { 6, 155, 1, 0 }, false, std::nullopt },                     // another quantity
        { { 6, 157, 1, 0 }, true, std::nullopt },                      // not a drive's frame
        { { 6, 157, 1, 2, 3, 4, 5, 6, 7 }, false, std::nullopt },      // over 8
    };
    for (const auto& c : cases) {
        CanFrame ring {};
        ring.dataLength = static_cast<uint32_t>(c.data.size());
        std::memcpy(ring.data, c.data.data(), std::min<size_t>(c.data.size(), 8));
        ring.extended = c.extended;
        EXPECT_EQ(DecodeRingSampleReply(ring, 6, 157), c.value) << c.data.size();
        if (c.extended)
            continue;
        uint8_t card[kSampleCardBuffer] = { static_cast<uint8_t>(c.data.size()), 0x20, 0x20 };
        std::memcpy(card + 3, c.data.data(), std::min<size_t>(c.data.size(), 8));
        EXPECT_EQ(DecodeCardSampleReply(card, 6, 157), c.value) << "card " << c.data.size();
    }
}
