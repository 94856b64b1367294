#include "link/CanCardLibrary.h"

#include "link/CanBackend.h"
#include "link/LinkLayer.h"
#include "link/OpenError.h"

#include <QtGlobal>
#include <algorithm>
#include <chrono>
#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace {
struct Card {
    std::shared_ptr<CanBackend> bus;
    std::atomic<bool> running { false };
};

std::mutex g_cardsMutex;
std::map<int, std::shared_ptr<Card>> g_cards;

std::shared_ptr<Card> FindCard(int index)
{
    std::lock_guard lock(g_cardsMutex);
    const auto it = g_cards.find(index);
    return it == g_cards.end() ? nullptr : it->second;
}

int EncodeFrame(const CanMessage& msg, uint8_t* out)
{
    const uint8_t length = std::min<uint8_t>(msg.length, 8);
    out[0] = static_cast<uint8_t>(length | (msg.remote ? 0x40 : 0) | (msg.extended ? 0x80 : 0));
    const int head = 1 + CanIdentifierImage(msg.id, msg.extended, out + 1);
    std::memcpy(out + head, msg.data, length);
    return head + length;
}

bool DecodeFrame(const uint8_t* in, int size, CanMessage* msg)
{
    if (size < 1)
        return false;
    const uint8_t length = in[0] & 0x0F;
    const bool extended = in[0] & 0x80;
    const int head = extended ? 5 : 3;
    if (length > 8 || head + length > size)
        return false;
    *msg = CanMessage {};
    msg->extended = extended;
    msg->remote = in[0] & 0x40;
    msg->length = length;
    msg->id = CanIdentifierFromImage(in + 1, extended);
    std::memcpy(msg->data, in + head, length);
    return true;
}
}

extern "C" {

int CAN_Open(int index)
{
    if (index < 0)
        return 0;
    if (FindCard(index))
        return 1;
    auto card = std::make_shared<Card>();
    card->bus = CreateCanBackend(index);
    if (card->bus)
        card->bus->SetAdapterKind(CanAdapterKind::Card);
    QString error;
    if (!card->bus || !card->bus->Open(&error)) {
        LinkSetOpenError(COMM_CAN_K8110, QStringLiteral("CAN card %1: %2").arg(index).arg(error));
        return 0;
    }
    std::lock_guard lock(g_cardsMutex);
    g_cards[index] = std::move(card);
    return 1;
}

int CAN_Init(int index, const K8110InitRecord* init)
{
    const auto card = FindCard(index);
    if (!card || !init)
        return 0;
    card->running = false;
    const uint32_t bitRate = CanTimingToBitRate(init->BTR0, init->BTR1);
    if (bitRate == 0) {
        LinkSetOpenError(COMM_CAN_K8110, QStringLiteral("CAN card %1: bus timing %2 %3 gives no usable bit rate")
                .arg(index).arg(init->BTR0, 2, 16, QChar(u'0')).arg(init->BTR1, 2, 16, QChar(u'0')));
        return 0;
    }
    CanAcceptance acceptance;
    std::copy(init->ACR, init->ACR + 4, acceptance.code);
    std::copy(init->AMR, init->AMR + 4, acceptance.mask);
    card->bus->SetAcceptance(acceptance);
    QString error;
    if (!card->bus->Configure(bitRate, &error) || !card->bus->Start(&error)) {
        LinkSetOpenError(COMM_CAN_K8110, QStringLiteral("CAN card %1: %2").arg(index).arg(error));
        return 0;
    }
    card->bus->ClearReceive();
    card->running = true;
    return 1;
}

int CAN_Reset(int index)
{
    const auto card = FindCard(index);
    if (!card)
        return 0;
    card->running = false;
    card->bus->ClearReceive();
    return 1;
}

int CAN_ReadReg(int index, K8110RegRecord* reg)
{
    const auto card = FindCard(index);
    if (!card || !reg || reg->address != K8110_REG_RX_COUNT)
        return 0;
    reg->value = card->running ? static_cast<uint8_t>(std::min(card->bus->Pending(), 255)) : 0;
    return 1;
}

int CAN_WaitRecvUs(int index, int64_t waitUs)
{
    const std::chrono::microseconds wait { std::max<int64_t>(waitUs, 0) };
    const auto card = FindCard(index);
    if (!card || !card->running) {
        std::this_thread::sleep_for(wait);
        return 0;
    }
    return card->bus->WaitPending(wait) ? 1 : 0;
}

int CAN_WaitRecv(int index, int waitMs)
{
    return CAN_WaitRecvUs(index, int64_t { waitMs } * 1000);
}

int CAN_Recv(int index, uint8_t* frame, int size)
{
    const auto card = FindCard(index);
    if (!card || !card->running || !frame || size < K8110_FRAME_MAX)
        return 0;
    CanMessage msg;
    if (!card->bus->Receive(&msg, 0))
        return 0;
    std::memset(frame, 0, static_cast<size_t>(size));
    EncodeFrame(msg, frame);
    return 1;
}

int CAN_Trans(int index, const uint8_t* frame, int size)
{
    const auto card = FindCard(index);
    CanMessage msg;
    if (!card || !card->running || !frame || !DecodeFrame(frame, size, &msg))
        return 0;
    return card->bus->Transmit(msg) ? 1 : 0;
}

int CAN_Close(int index)
{
    std::shared_ptr<Card> card;
    {
        std::lock_guard lock(g_cardsMutex);
        const auto it = g_cards.find(index);
        if (it == g_cards.end())
            return 0;
        card = std::move(it->second);
        g_cards.erase(it);
    }
    card->running = false;
    card->bus->Close();
    return 1;
}

}
