#include "tools/drivesim/WireTime.h"

std::chrono::microseconds WireTime::Serial(size_t bytes, int baud)
{
    if (baud <= 0)
        return std::chrono::microseconds(0);
    return std::chrono::microseconds(static_cast<long long>(bytes) * 10 * 1000000 / baud);
}

std::chrono::microseconds WireTime::Can(size_t dataBytes, int kbitPerSecond, bool extended)
{
    if (kbitPerSecond <= 0)
        return std::chrono::microseconds(0);
    const long long bits = (extended ? 67 : 47) + 8 * static_cast<long long>(dataBytes);
    return std::chrono::microseconds(bits * 1000 / kbitPerSecond);
}
