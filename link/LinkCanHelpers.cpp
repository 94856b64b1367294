#include "link/LinkLayer.h"

#include "link/CanCardLibrary.h"

#include <algorithm>
#include <iterator>

namespace {
const struct {
    int kbps;
    uint8_t btr0;
    uint8_t btr1;
} kBitRates[] = {
    { 5, 0xBF, 0xFF }, { 10, 0x31, 0x1C }, { 20, 0x18, 0x1C }, { 40, 0x87, 0xFF },
    { 50, 0x09, 0x1C }, { 80, 0x83, 0xFF }, { 100, 0x04, 0x1C }, { 125, 0x03, 0x1C },
    { 200, 0x81, 0xFA }, { 250, 0x01, 0x1C }, { 400, 0x80, 0xFA }, { 500, 0x00, 0x1C },
    { 666, 0x80, 0xB6 }, { 800, 0x00, 0x16 }, { 1000, 0x00, 0x14 },
};
} // namespace

VciInitRecord UsbCanInitRecord(const CanSettings& settings)
{
    // The adapter accepts every identifier; the record's ACR and AMR are the card's.
    VciInitRecord init {};
    init.AccCode = 0;
    init.AccMask = 0xFFFFFFFF;
    init.Reserved = 0;
    init.Filter = 1;
    init.Timing0 = settings.BTR0;
    init.Timing1 = settings.BTR1;
    init.Mode = 0;
    return init;
}

int VciDeviceTypeOf(int commType)
{
    switch (commType) {
    case COMM_CAN_USB2: return 4;
    case COMM_CAN_USB1: return 3;
    case COMM_CAN_USB_E_U: return 20;
    case COMM_CAN_USB_2E_U: return 21;
    default: return 0;
    }
}

bool IsUsbCanType(int commType)
{
    return commType >= COMM_CAN_USB2 && commType <= COMM_CAN_USB_2E_U;
}

bool IsCanType(int commType)
{
    return commType == COMM_CAN_K8110 || IsUsbCanType(commType);
}

int CanBitrateToTiming(int kbps, uint8_t* btr0, uint8_t* btr1)
{
    for (const auto& rate : kBitRates) {
        if (rate.kbps == kbps) {
            if (btr0)
                *btr0 = rate.btr0;
            if (btr1)
                *btr1 = rate.btr1;
            return 1;
        }
    }
    return 0;
}

bool CanTimingIsKnown(uint8_t btr0, uint8_t btr1)
{
    return std::any_of(std::begin(kBitRates), std::end(kBitRates),
                       [&](const auto& rate) { return rate.btr0 == btr0 && rate.btr1 == btr1; });
}

size_t HexTextToBytes(std::string_view text, uint8_t* dest, size_t capacity)
{
    auto nibble = [](char c) -> uint8_t {
        if (c >= '0' && c <= '9')
            return static_cast<uint8_t>(c - '0');
        if (c >= 'a' && c <= 'f')
            return static_cast<uint8_t>(c - 'a' + 10);
        if (c >= 'A' && c <= 'F')
            return static_cast<uint8_t>(c - 'A' + 10);
        return 0;
    };
    if (!dest)
        return 0;
    const size_t pairs = std::min({ text.size() / 2, size_t { 10240 }, capacity });
    for (size_t i = 0; i < pairs; ++i)
        dest[i] = static_cast<uint8_t>(nibble(text[2 * i]) * 16 + nibble(text[2 * i + 1]));
    return pairs;
}

bool BuildCanSettings(int deviceNumber, int kbps, std::string_view acr, std::string_view amr, CanSettings* out)
{
    if (!out)
        return false;
    *out = CanSettings {};
    out->deviceNumber = static_cast<uint32_t>(deviceNumber);
    out->mode = kCanSettingsMode;
    HexTextToBytes(acr, out->ACR, sizeof out->ACR);
    HexTextToBytes(amr, out->AMR, sizeof out->AMR);
    return CanBitrateToTiming(kbps, &out->BTR0, &out->BTR1) == 1;
}

bool CardFramesWaiting(int card)
{
    K8110RegRecord reg { K8110_REG_RX_COUNT, 0 };
    return CAN_ReadReg(card, &reg) && reg.value != 0;
}
