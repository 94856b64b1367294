#pragma once

#include "link/LinkLayer.h"

#include <gtest/gtest.h>

// Opens COM<port> at 115200 baud, 8N1, and makes it the link's channel, as the connect
// dialog does once the open succeeds.
inline void OpenSerialChannel(int port)
{
    SerialSettings settings;
    settings.port = static_cast<uint32_t>(port);
    settings.baud = 115200;
    settings.byteSize = 8;
    settings.stopBits = 1;
    ASSERT_EQ(LinkOpenChannel(COMM_RS232, &settings), 1) << "COM" << port;
    g_bRs232Open = 1;
    g_nComType = COMM_RS232;
}

// Marks every channel closed, with the serial line the link's channel and the first USB-CAN
// bit rate, as the program starts.
inline void ResetLinkChannels()
{
    g_nComType = COMM_RS232;
    g_bRs232Open = 0;
    g_bCanK8110Open = 0;
    g_bCanUsbOpen = 0;
    g_nUsbEuRateIndex = 0;
}

// Shuts the link down and resets its channels, as a test leaves the link for the next.
inline void CloseLinkChannels()
{
    LinkShutdown();
    ResetLinkChannels();
}
