#include "link/UsbCanLibrary.h"

#include "link/CanBackend.h"
#include "link/LinkLayer.h"
#include "link/OpenError.h"

#include <QtGlobal>
#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace {
using Clock = std::chrono::steady_clock;
using DeviceKey = std::pair<uint32_t, uint32_t>;

struct Device {
    uint32_t canIndex = 0;
    std::shared_ptr<CanBackend> bus;
    std::atomic<bool> initialised { false };
    std::atomic<bool> started { false };
    std::atomic<Clock::rep> startedAt { 0 };
};

std::mutex g_mutex;
std::map<DeviceKey, std::shared_ptr<Device>> g_devices;
std::map<DeviceKey, uint32_t> g_errors;

void SetError(DeviceKey key, uint32_t code)
{
    std::lock_guard lock(g_mutex);
    g_errors[key] = code;
}

// The open device whose channel is canIndex, or null (and the reason noted).
std::shared_ptr<Device> Channel(uint32_t devType, uint32_t devIndex, uint32_t canIndex)
{
    const DeviceKey key { devType, devIndex };
    std::lock_guard lock(g_mutex);
    const auto it = g_devices.find(key);
    if (it == g_devices.end() || it->second->canIndex != canIndex) {
        g_errors[key] = VCI_ERR_NOT_OPEN;
        return nullptr;
    }
    return it->second;
}

std::shared_ptr<Device> Started(uint32_t devType, uint32_t devIndex, uint32_t canIndex)
{
    auto device = Channel(devType, devIndex, canIndex);
    if (device && !device->started) {
        SetError({ devType, devIndex }, VCI_ERR_NOT_STARTED);
        return nullptr;
    }
    return device;
}

void BigEndianBytes(uint32_t value, uint8_t* out)
{
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

std::atomic<UsbCanReceiver> g_receiver { nullptr };

VciFrameRecord ToRecord(const Device& device, const CanMessage& msg)
{
    const auto since = Clock::now() - Clock::time_point(Clock::duration(device.startedAt.load()));
    VciFrameRecord rec {};
    rec.ID = msg.id;
    rec.TimeStamp = static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::microseconds>(since).count() / 100);
    rec.TimeFlag = 1;
    rec.RemoteFlag = msg.remote;
    rec.ExternFlag = msg.extended;
    rec.DataLen = msg.length;
    std::memcpy(rec.Data, msg.data, msg.length);
    return rec;
}

// The device's frames go to the receiver while it is started; the taker is dropped before
// the device goes, so it never outlives it.
void HandFramesToReceiver(Device* device, DeviceKey key)
{
    device->bus->SetTaker([device, key](const CanMessage& msg) {
        const UsbCanReceiver receiver = g_receiver;
        return receiver && device->started && receiver(key.first, key.second, device->canIndex, ToRecord(*device, msg));
    });
}

void CloseBus(Device& device)
{
    device.bus->SetTaker({});
    device.bus->Close();
}

std::shared_ptr<Device> TakeDevice(DeviceKey key)
{
    std::lock_guard lock(g_mutex);
    const auto it = g_devices.find(key);
    if (it == g_devices.end())
        return nullptr;
    auto device = std::move(it->second);
    g_devices.erase(it);
    return device;
}
}

extern "C" {

uint32_t VCI_OpenDevice(uint32_t devType, uint32_t devIndex, uint32_t reserved)
{
    const DeviceKey key { devType, devIndex };
    if (auto old = TakeDevice(key))
        CloseBus(*old);
    auto device = std::make_shared<Device>();
    device->canIndex = reserved;
    device->bus = CreateCanBackend(static_cast<int>(reserved));
    if (device->bus)
        device->bus->SetAdapterKind(CanAdapterKind::UsbCan);
    QString error;
    if (!device->bus || !device->bus->Open(&error)) {
        LinkSetOpenError(COMM_CAN_USB2, QStringLiteral("USB-CAN adapter %1: %2").arg(reserved).arg(error));
        SetError(key, VCI_ERR_OPEN);
        return 0;
    }
    HandFramesToReceiver(device.get(), key);
    std::lock_guard lock(g_mutex);
    g_devices[key] = std::move(device);
    g_errors[key] = VCI_ERR_NONE;
    return 1;
}

uint32_t VCI_CloseDevice(uint32_t devType, uint32_t devIndex)
{
    auto device = TakeDevice({ devType, devIndex });
    if (!device)
        return 0;
    device->started = false;
    CloseBus(*device);
    return 1;
}

uint32_t VCI_SetReference(uint32_t devType, uint32_t devIndex, uint32_t canIndex, uint32_t refType, const void* data)
{
    const auto device = Channel(devType, devIndex, canIndex);
    if (!device)
        return 0;
    if (refType != 0 || !data) {
        SetError({ devType, devIndex }, VCI_ERR_ARGUMENT);
        return 0;
    }
    uint32_t value;
    std::memcpy(&value, data, sizeof value);
    if (!device->bus->SetReference(value)) {
        SetError({ devType, devIndex }, VCI_ERR_REFERENCE);
        return 0;
    }
    return 1;
}

uint32_t VCI_InitCAN(uint32_t devType, uint32_t devIndex, uint32_t canIndex, const VciInitRecord* init)
{
    const auto device = Channel(devType, devIndex, canIndex);
    if (!device)
        return 0;
    if (!init) {
        SetError({ devType, devIndex }, VCI_ERR_ARGUMENT);
        return 0;
    }
    const uint32_t bitRate = CanTimingToBitRate(init->Timing0, init->Timing1);
    QString error;
    if (bitRate == 0 || !device->bus->Configure(bitRate, &error)) {
        LinkSetOpenError(COMM_CAN_USB2, QStringLiteral("USB-CAN adapter %1: bus timing %2 %3: %4")
                .arg(canIndex).arg(init->Timing0, 2, 16, QChar(u'0')).arg(init->Timing1, 2, 16, QChar(u'0'))
                .arg(error.isEmpty() ? QStringLiteral("no usable bit rate") : error));
        SetError({ devType, devIndex }, VCI_ERR_INIT);
        return 0;
    }
    CanAcceptance acceptance;
    BigEndianBytes(init->AccCode, acceptance.code);
    BigEndianBytes(init->AccMask, acceptance.mask);
    device->bus->SetAcceptance(acceptance);
    device->initialised = true;
    return 1;
}

uint32_t VCI_StartCAN(uint32_t devType, uint32_t devIndex, uint32_t canIndex)
{
    const auto device = Channel(devType, devIndex, canIndex);
    if (!device)
        return 0;
    QString error = QStringLiteral("the channel was not initialised");
    if (!device->initialised || !device->bus->Start(&error)) {
        LinkSetOpenError(COMM_CAN_USB2, QStringLiteral("USB-CAN adapter %1: %2").arg(canIndex).arg(error));
        SetError({ devType, devIndex }, VCI_ERR_START);
        return 0;
    }
    if (!device->started) {
        device->startedAt = Clock::now().time_since_epoch().count();
        device->started = true;
    }
    return 1;
}

uint32_t VCI_ResetCAN(uint32_t devType, uint32_t devIndex, uint32_t canIndex)
{
    // The bus keeps running; a reset only lets go of what was received.
    return VCI_ClearBuffer(devType, devIndex, canIndex);
}

uint32_t VCI_Transmit(uint32_t devType, uint32_t devIndex, uint32_t canIndex, const VciFrameRecord* frames, uint32_t count)
{
    const auto device = Started(devType, devIndex, canIndex);
    if (!device)
        return 0;
    uint32_t sent = 0;
    for (; frames && sent < count; ++sent) {
        const VciFrameRecord& rec = frames[sent];
        if (rec.DataLen > 8) {
            SetError({ devType, devIndex }, VCI_ERR_ARGUMENT);
            break;
        }
        CanMessage msg;
        msg.extended = rec.ExternFlag != 0;
        msg.remote = rec.RemoteFlag != 0;
        msg.id = rec.ID & (msg.extended ? 0x1FFFFFFFu : 0x7FFu);
        msg.length = rec.DataLen;
        std::memcpy(msg.data, rec.Data, rec.DataLen);
        if (!device->bus->Transmit(msg)) {
            SetError({ devType, devIndex }, VCI_ERR_TRANSMIT);
            break;
        }
    }
    return sent;
}

uint32_t VCI_Receive(uint32_t devType, uint32_t devIndex, uint32_t canIndex, VciFrameRecord* frames, uint32_t capacity, int waitMs)
{
    const auto device = Started(devType, devIndex, canIndex);
    if (!device || !frames || capacity == 0)
        return 0;
    uint32_t stored = 0;
    CanMessage msg;
    while (stored < capacity && device->bus->Receive(&msg, stored == 0 ? waitMs : 0))
        frames[stored++] = ToRecord(*device, msg);
    if (stored == 0)
        SetError({ devType, devIndex }, VCI_ERR_RECEIVE_TIMEOUT);
    return stored;
}

uint32_t VCI_GetReceiveNum(uint32_t devType, uint32_t devIndex, uint32_t canIndex)
{
    const auto device = Started(devType, devIndex, canIndex);
    return device ? static_cast<uint32_t>(device->bus->Pending()) : 0;
}

uint32_t VCI_ClearBuffer(uint32_t devType, uint32_t devIndex, uint32_t canIndex)
{
    const auto device = Channel(devType, devIndex, canIndex);
    if (!device)
        return 0;
    device->bus->ClearReceive();
    return 1;
}

uint32_t VCI_ReadErrInfo(uint32_t devType, uint32_t devIndex, uint32_t, VciErrorRecord* error)
{
    if (!error)
        return 0;
    *error = VciErrorRecord {};
    std::lock_guard lock(g_mutex);
    const auto it = g_errors.find({ devType, devIndex });
    if (it != g_errors.end()) {
        error->ErrCode = it->second;
        it->second = VCI_ERR_NONE;
    }
    return 1;
}

}

void UsbCanSetReceiver(UsbCanReceiver receiver)
{
    g_receiver = receiver;
}

uint32_t UsbCanPassReceived(uint32_t devType, uint32_t devIndex, uint32_t canIndex, int waitMs)
{
    const auto device = Started(devType, devIndex, canIndex);
    if (!device)
        return 0;
    return static_cast<uint32_t>(device->bus->PassToTaker(std::chrono::milliseconds(std::max(waitMs, 0))));
}
