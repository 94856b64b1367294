#include "link/LinkLayer.h"

const uint32_t UsbEuReferenceTable[10] = {
    0x00060003, 0x00060004, 0x00060007, 0x001C0008, 0x001C0011,
    0x00160023, 0x001C002C, 0x001600B3, 0x001C00E0, 0x001C01C1,
};

std::atomic<int> g_nComType { COMM_RS232 };
std::atomic<int> g_nCurNode { 1 };
std::atomic<int> g_bRs232Open { 0 };
std::atomic<int> g_bCanK8110Open { 0 };
std::atomic<int> g_bCanUsbOpen { 0 };
std::atomic<int> g_nVciDevType { 4 };
std::atomic<int> g_nVciDevIndex { 0 };
std::atomic<int> g_nVciCanIndex { 0 };
std::atomic<int> g_nK8110Index { 0 };
std::atomic<int> g_bK8110CardReady { 0 };
std::atomic<int> g_nUsbEuRateIndex { 0 };

std::recursive_mutex g_csLink;
std::atomic<ManualResetEvent*> g_hReplyEvent { nullptr };

uint8_t g_SerialRxRing[kSerialRxRingSize];
std::atomic<int> g_nSerialRxWrite { 0 };
std::atomic<int> g_nSerialRxRead { 0 };
std::atomic<int> g_nSerialReplyLen { 0 };
std::mutex g_csSerialRing;
CanFrame g_CanRxRing[kCanRxRingSize];
std::atomic<int> g_nCanRxWrite { 0 };
std::atomic<int> g_nCanRxRead { 0 };
std::atomic<int> g_nExpectedCmdId { 0 };
std::mutex g_csCanRing;

std::atomic<int> g_bLinkStop { 0 };
std::atomic<int> g_bRxPause { 0 };
std::atomic<uint8_t> g_bRxThreadPending { 1 };

std::vector<uint16_t> g_arrFoundNodes;
std::mutex g_csFoundNodes;
