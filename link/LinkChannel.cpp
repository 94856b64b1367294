#include "link/LinkLayer.h"
#include "link/LinkInternal.h"
#include "link/OwedAnswers.h"
#include "link/OpenError.h"
#include "link/SerialPort.h"

#include <QtGlobal>
#include <cstring>
#include <iterator>

using namespace link_detail;

namespace {
K8110InitRecord CardInitRecord(const CanSettings& settings)
{
    K8110InitRecord init;
    std::memcpy(&init, reinterpret_cast<const uint8_t*>(&settings) + offsetof(CanSettings, BTR0), sizeof init);
    return init;
}

bool KnownTimingOrSay(int commType, const CanSettings& settings)
{
    if (CanTimingIsKnown(settings.BTR0, settings.BTR1))
        return true;
    LinkSetOpenError(commType, QStringLiteral("CAN bus timing %1 %2 is not one of the known bit rates")
            .arg(settings.BTR0, 2, 16, QChar(u'0')).arg(settings.BTR1, 2, 16, QChar(u'0')).toUpper());
    return false;
}

int OpenUsbCan(const CanSettings& settings)
{
    const uint32_t type = static_cast<uint32_t>(g_nVciDevType.load());
    const uint32_t device = static_cast<uint32_t>(g_nVciDevIndex.load());
    const uint32_t can = settings.deviceNumber;
    const int rateIndex = g_nUsbEuRateIndex;
    if (rateIndex < 0 || rateIndex >= static_cast<int>(std::size(UsbEuReferenceTable))) {
        LinkSetOpenError(COMM_CAN_USB2, QStringLiteral("USB-CAN reference index %1 is outside the table").arg(rateIndex));
        return 0;
    }
    VciErrorRecord error {};
    if (VCI_OpenDevice(type, device, can) != 1) {
        VCI_ReadErrInfo(type, device, can, &error);
        return 0;
    }
    const uint32_t reference = UsbEuReferenceTable[rateIndex];
    if (VCI_SetReference(type, device, can, 0, &reference) != 1) {
        LinkSetOpenError(COMM_CAN_USB2, QStringLiteral("USB-CAN adapter %1 refuses its reference word").arg(can));
        VCI_CloseDevice(type, device);
        return 0;
    }
    const VciInitRecord init = UsbCanInitRecord(settings);
    if (VCI_InitCAN(type, device, can, &init) != 1) {
        VCI_ReadErrInfo(type, device, can, &error);
        VCI_CloseDevice(type, device);
        return 0;
    }
    if (VCI_StartCAN(type, device, can) == 0) {
        VCI_ReadErrInfo(type, device, can, &error);
        return 0;
    }
    g_nVciCanIndex = static_cast<int>(can);
    LinkSetOpenError(COMM_CAN_USB2, QString());
    return 1;
}

// The link's record of the card after an open or reset that did (or did not) initialise it.
int CardInitialised(int index, bool initialised)
{
    if (!initialised) {
        g_bK8110CardReady = 0;
        return 0;
    }
    g_nK8110Index = index;
    g_bK8110CardReady = 1;
    LinkSetOpenError(COMM_CAN_K8110, QString());
    return 1;
}

std::mutex g_lostMutex;
ChannelLostHandler g_lostHandler;
} // namespace

namespace link_detail {
// The family behind openFlag counts as closed from now on; the handler hears of it once.
void LoseChannel(int commType, std::atomic<int>& openFlag, const QString& reason)
{
    if (!openFlag.exchange(0))
        return;
    qWarning("%s", qPrintable(reason));
    std::lock_guard lock(g_lostMutex);
    if (g_lostHandler)
        g_lostHandler(commType, reason);
}
} // namespace link_detail

void CanInitDefaults()
{
    g_nK8110Index = 0;
    g_bK8110CardReady = 0;
    g_bCanUsbOpen = 0;
    g_nVciDevType = 4;
    g_nVciDevIndex = 0;
    g_nVciCanIndex = 0;
}

void LinkResetAll()
{
    SerialInitDefaults();
    CanInitDefaults();
}

void LinkCloseAll()
{
    SerialClose();
    CAN_Close(g_nK8110Index);
    VCI_CloseDevice(static_cast<uint32_t>(g_nVciDevType.load()), static_cast<uint32_t>(g_nVciDevIndex.load()));
}

int LinkOpenChannel(int commType, const SerialSettings* settings)
{
    if (commType != COMM_RS232 || !settings)
        return 0;
    if (settings->byteSize < 5 || settings->byteSize > 8 || settings->port > 0x7FFFFFFF)
        return 0;
    const int stopBits = settings->stopBits == 1 ? 1 : settings->stopBits == 2 ? 2 : 3;
    if (!SerialOpen(static_cast<int>(settings->port), settings->baud, settings->parity,
                    static_cast<uint8_t>(settings->byteSize), stopBits))
        return 0;
    LinkForgetOwedAnswers();
    StartReceiveOnce();
    WakeReceive(); // the thread picks up the new port at once
    return 1;
}

int LinkOpenChannel(int commType, const CanSettings* settings)
{
    if (!settings || (commType != COMM_CAN_K8110 && !IsUsbCanType(commType)))
        return 0;
    if (!KnownTimingOrSay(commType, *settings))
        return 0;
    LinkForgetOwedAnswers();
    if (commType == COMM_CAN_K8110) {
        const K8110InitRecord init = CardInitRecord(*settings);
        return K8110Open(static_cast<int>(settings->deviceNumber), &init);
    }
    if (!OpenUsbCan(*settings))
        return 0;
    StartReceiveOnce();
    WakeReceive();
    return 1;
}

int LinkResetChannel(int commType, const SerialSettings* settings)
{
    return LinkOpenChannel(commType, settings);
}

int LinkResetChannel(int commType, const CanSettings* settings)
{
    if (!settings)
        return 0;
    if (commType == COMM_CAN_K8110) {
        if (!KnownTimingOrSay(commType, *settings))
            return 0;
        const K8110InitRecord init = CardInitRecord(*settings);
        return K8110Reset(static_cast<int>(settings->deviceNumber), &init);
    }
    if (commType == COMM_CAN_USB2) {
        VCI_ResetCAN(static_cast<uint32_t>(g_nVciDevType.load()), static_cast<uint32_t>(g_nVciDevIndex.load()),
                     settings->deviceNumber);
        return 1;
    }
    return 0;
}

int K8110Open(int index, const K8110InitRecord* init)
{
    if (g_bK8110CardReady) {
        CAN_Close(g_nK8110Index);
        g_bK8110CardReady = 0;
    }
    return CardInitialised(index, CAN_Open(index) && CAN_Init(index, init));
}

int K8110Reset(int index, const K8110InitRecord* init)
{
    CAN_Reset(index);
    return CardInitialised(index, CAN_Init(index, init));
}

void LinkSetChannelLostHandler(ChannelLostHandler handler)
{
    std::lock_guard lock(g_lostMutex);
    g_lostHandler = std::move(handler);
}
