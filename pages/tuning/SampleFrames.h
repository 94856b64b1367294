#pragma once

#include <cstdint>

// What the PID-tuning page's CAN sampling asks for (the frames themselves: link/CanSampleFrames).

struct SampleQuantity {
    uint8_t requestCode;
    uint8_t replyCode;
    int array;         // the page's sample array
    int cardWaitMs;    // how long the card road waits for the reply
};
// Position feedback and position command, asked in this order.
inline constexpr SampleQuantity kSampleFeedback { 155, 155, 0, 2000 };
inline constexpr SampleQuantity kSampleCommand { 145, 157, 2, 200 };
inline constexpr int kUsbSampleWaitMs = 2000;
