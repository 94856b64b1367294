#pragma once

#include <string>

// What the benchmark programs share.

// A profile folder of the benchmark's own (XDG_CONFIG_HOME), never the user's; removed
// again when the object goes. Make it before the application object.
class BenchProfile {
public:
    BenchProfile();
    ~BenchProfile();
    BenchProfile(const BenchProfile&) = delete;
    BenchProfile& operator=(const BenchProfile&) = delete;
    bool Made() const { return !m_home.empty(); }

private:
    std::string m_home;
};

// CPU seconds the whole process has used so far.
double CpuSeconds();

// Opens a channel to node 1 and makes it the link's channel: serial COM<com> at baud, 8N1;
// CAN (card or USB-CAN type) device 0 at 500 kbit/s. True when it opened.
bool OpenBenchChannel(int commType, int com, int baud);
