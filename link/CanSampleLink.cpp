#include "link/CanSampleLink.h"

#include "link/CanCardLibrary.h"
#include "link/CanSampleFrames.h"
#include "link/LinkLayer.h"
#include "link/LinkTransaction.h"
#include "link/UsbCanLibrary.h"
#include "platform/Tick.h"

CanSampleLink::CanSampleLink(int channelType)
    : m_card(channelType == COMM_CAN_K8110)
    , m_cardIndex(g_nK8110Index)
    , m_vciType(static_cast<uint32_t>(g_nVciDevType.load()))
    , m_vciDevice(static_cast<uint32_t>(g_nVciDevIndex.load()))
    , m_vciCan(static_cast<uint32_t>(g_nVciCanIndex.load()))
{
}

bool CanSampleLink::IsCan(int channelType)
{
    return channelType == COMM_CAN_K8110 || IsUsbCanType(channelType);
}

bool CanSampleLink::OthersWaiting()
{
    return g_nLinkWaiting > 0;
}

std::unique_lock<std::recursive_mutex> CanSampleLink::Lock()
{
    return std::unique_lock(g_csLink);
}

void CanSampleLink::Drain(int maxMs, int* receiveFailures) const
{
    const uint32_t limit = static_cast<uint32_t>(maxMs);
    uint32_t start = GetTickCount();
    if (m_card) {
        while (CardFramesWaiting(m_cardIndex) && TicksSince(start) < limit) {
            uint8_t stale[kSampleCardBuffer];
            if (CAN_Recv(m_cardIndex, stale, kSampleCardBuffer))
                *receiveFailures = 0;
            else
                ++*receiveFailures;
        }
        if (TicksSince(start) >= limit)
            *receiveFailures = 0;
        return;
    }
    while (VCI_GetReceiveNum(m_vciType, m_vciDevice, m_vciCan) > 0 && TicksSince(start) < limit) {
        if (VCI_ClearBuffer(m_vciType, m_vciDevice, m_vciCan))
            break;
    }
    LinkDiscardCanFrames();
}

bool CanSampleLink::Send(int node, uint8_t requestCode, int clearMs) const
{
    if (m_card) {
        uint8_t frame[kSampleCardBuffer];
        for (uint32_t start = GetTickCount();
             CardFramesWaiting(m_cardIndex) && TicksSince(start) < static_cast<uint32_t>(clearMs);)
            CAN_Recv(m_cardIndex, frame, kSampleCardBuffer);
        EncodeCardSampleRequest(node, requestCode, frame);
        return CAN_Trans(m_cardIndex, frame, kSampleCardBuffer) != 0;
    }
    LinkDiscardCanFrames();
    const VciFrameRecord request = UsbSampleRequest(node, requestCode);
    if (VCI_Transmit(m_vciType, m_vciDevice, m_vciCan, &request, 1) != 0)
        return true;
    VciErrorRecord error {};
    VCI_ReadErrInfo(m_vciType, m_vciDevice, m_vciCan, &error);
    return false;
}

bool CanSampleLink::Wait(uint32_t ms)
{
    // The card wakes the wait when a frame arrives.
    if (m_card)
        return CardFramesWaiting(m_cardIndex) || CAN_WaitRecvUs(m_cardIndex, int64_t { ms } * 1000);
    return LinkWaitCanFrame(&m_ringFrame, ms);
}

CanSampleLink::Reply CanSampleLink::Receive(int node, uint8_t replyCode, int32_t* value)
{
    std::optional<int32_t> decoded;
    if (m_card) {
        uint8_t frame[kSampleCardBuffer] = {};
        if (!CAN_Recv(m_cardIndex, frame, kSampleCardBuffer))
            return Reply::ReadFailed;
        decoded = DecodeCardSampleReply(frame, node, replyCode);
    } else {
        decoded = DecodeRingSampleReply(m_ringFrame, node, replyCode);
    }
    if (!decoded)
        return Reply::Bad;
    *value = *decoded;
    return Reply::Value;
}
