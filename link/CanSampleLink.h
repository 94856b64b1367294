#pragma once

#include "link/CanFrame.h"

#include <cstdint>
#include <mutex>

// The adapter steps of the drive's CAN sampling, which asks the drive outside the command
// tables: the card through its library, the USB-CAN adapter by sending through its library
// and taking the reply from the link's receive ring, whose receive thread stays the
// adapter's only reader. None of them locks: the caller holds Lock() around them.
class CanSampleLink {
public:
    // The adapter of the channel type; the card index and the adapter's ids are read now.
    explicit CanSampleLink(int channelType);

    static bool IsCan(int channelType);
    // The card, not the USB-CAN adapter.
    bool IsCard() const { return m_card; }
    // A command of a page or the status strip waits for the transaction lock.
    static bool OthersWaiting();
    // The transaction lock.
    static std::unique_lock<std::recursive_mutex> Lock();

    // Drops what waits, for at most maxMs. Card: a failed read counts into
    // *receiveFailures, a good one or running out of time sets it back to 0. USB-CAN:
    // clears the adapter and the receive ring.
    void Drain(int maxMs, int* receiveFailures) const;
    // Drops what waits (the card for at most clearMs: none of it answers the request) and
    // sends the request; false when the adapter refuses it.
    bool Send(int node, uint8_t requestCode, int clearMs) const;
    // Waits up to ms for the reply: card: a frame waits; USB-CAN: the ring's next frame.
    bool Wait(uint32_t ms);
    enum class Reply { Value, ReadFailed, Bad };
    // Reads the frame that came and decodes it into *value.
    Reply Receive(int node, uint8_t replyCode, int32_t* value);

private:
    const bool m_card;
    const int m_cardIndex;
    const uint32_t m_vciType;
    const uint32_t m_vciDevice;
    const uint32_t m_vciCan;
    CanFrame m_ringFrame {};
};
