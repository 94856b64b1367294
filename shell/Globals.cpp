#include "shell/Globals.h"

std::atomic<int> g_bDriveConnected { 0 };
std::atomic<int> g_nFirmwareVersion { 0 };
std::atomic<int> g_bDriveStatusBit8 { 1 };
std::atomic<int> g_bMonitoring { 0 };
std::atomic<int> g_nCanState { 0 };
std::atomic<int> g_nRunLockValue { 0 };
std::atomic<int> g_nOsMajorVersion { 0 };
