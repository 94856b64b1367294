#pragma once

#include <atomic>

// The shell's process-wide state. Worker threads read and write some of these, so each is
// an atomic.

// A drive counts as connected: every drive command tests it first ("Please connect Drive").
extern std::atomic<int> g_bDriveConnected;
// Firmware version of the connected drive, set by the top strip; the parameter page picks
// its formats by it.
extern std::atomic<int> g_nFirmwareVersion;
// Bit 8 of the drive's last status word.
extern std::atomic<int> g_bDriveStatusBit8;
// The run-monitor page is sampling.
extern std::atomic<int> g_bMonitoring;
extern std::atomic<int> g_nCanState;
extern std::atomic<int> g_nRunLockValue;
// Major version of the operating system as the tab strip sees it.
extern std::atomic<int> g_nOsMajorVersion;
