#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>

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

// A benchmark program's main: a profile of its own and an application object, then the
// benchmarks the command line selects, with `before` and `after` run around them. 1 when
// there is no profile folder.
int RunBenchmarks(int argc, char** argv, const std::function<void()>& before = {},
    const std::function<void()>& after = {});

// A positive whole number from the environment (a run's length, a file's size), else fallback.
int EnvCount(const char* name, int fallback);

// Lets the application's events run for ms milliseconds.
void RunEvents(int ms);

// Hands a run's figures to the benchmark as counters, each under its name.
void SetCounters(benchmark::State& state, std::initializer_list<std::pair<const char*, double>> figures);

// How a figure stands against its goal, for the printed table.
inline const char* Verdict(bool met) { return met ? "met" : "NOT met"; }

// CPU seconds the whole process has used so far.
double CpuSeconds();

// Opens a channel to node 1 and makes it the link's channel: serial COM<com> at baud, 8N1;
// CAN (card or USB-CAN type) device 0 at bitRateKbit. True when it opened.
bool OpenBenchChannel(int commType, int com, int baud, int bitRateKbit = 500);

// Shuts the link down and marks the drive and the channels closed.
void CloseBenchLink();

// Ends a run that cannot go on: the benchmark is skipped with the reason, the link closed.
void SkipAndClose(benchmark::State& state, const char* reason);

// Points the link at a simulated drive: COM<com> is its pseudo-terminal and the CAN
// adapters reach its virtual bus (an empty URL leaves CAN as it is).
void PointLinkAtDrive(int com, const std::string& ptyPath, const std::string& canUrl);
