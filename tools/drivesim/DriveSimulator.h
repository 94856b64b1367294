#pragma once

#include "tools/drivesim/CanCommandCodec.h"
#include "tools/drivesim/FaultPlan.h"
#include "tools/drivesim/SerialCommandParser.h"
#include "tools/drivesim/SimCanFrame.h"
#include "tools/drivesim/SimDrive.h"
#include "tools/drivesim/VirtualCanBus.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class PtyPort;

enum class SimChannel { Serial, Can };

struct DriveSimulatorConfig {
    bool pty = false;           // serve the text protocol on a pseudo-terminal
    std::string linkPath;       // optional stable symbolic link to the pseudo-terminal
    int baud = 0;               // > 0: hold each reply back by the line's wire time
    std::string canUrl;         // virtual CAN URL; empty: no CAN
    VirtualCanBus::Mode canMode = VirtualCanBus::Mode::Auto;
    std::vector<int> nodes {1}; // node addresses of the drives; the first also serves the serial line
    int bitrateKbit = 0;        // > 0: hold each CAN reply back by the bus's wire time
    uint32_t replyIdentifier = CanCommandCodec::kReplyIdentifier;
    bool verbose = false;       // each command and reply on stderr
};

// One or more simulated servo drives behind a pseudo-terminal and/or on a virtual CAN bus.
// Start opens the line and the bus and runs one thread that serves both; Stop ends and
// joins it. Every member may be called from any thread while it runs.
class DriveSimulator {
public:
    explicit DriveSimulator(DriveSimulatorConfig config);
    ~DriveSimulator();
    DriveSimulator(const DriveSimulator&) = delete;
    DriveSimulator& operator=(const DriveSimulator&) = delete;

    bool Start(std::string* error = nullptr);
    void Stop();
    bool IsRunning() const { return m_thread.joinable(); }

    const DriveSimulatorConfig& Config() const { return m_config; }
    // The slave path of the pseudo-terminal, once started.
    std::string PtyPath() const;
    // Whether this simulator hosts the virtual CAN bus (else it joined another server).
    bool IsCanHost() const { return m_canHost; }

    // The drive at a node, or null.
    SimDrive* Drive(int node);

    void SetFaults(SimChannel channel, const FaultPlan& plan);
    FaultPlan Faults(SimChannel channel) const;
    void ClearFaults();

    // Sends bytes on the serial line or a frame on the bus now, unasked.
    void InjectSerial(std::string bytes);
    void InjectFrame(SimCanFrame frame);

    // What reached the drives: serial command lines without their CR, and the CAN frames
    // addressed to one of the nodes (well-formed or not), oldest first.
    std::vector<std::string> SerialCommands() const;
    std::vector<SimCanFrame> CanRequests() const;
    // Frames addressed to one of the nodes that were not well-formed commands; they get no reply.
    int RejectedFrames() const { return m_rejected.load(); }
    void ClearRecords();

private:
    using Clock = std::chrono::steady_clock;
    struct Scheduled {
        Clock::time_point due;
        uint64_t order;
        std::function<void()> run;
    };

    void Run();
    void Post(std::function<void()> task);
    void Schedule(Clock::time_point due, std::function<void()> run);
    void RunDue();
    Clock::time_point NextWake() const;
    void HandleSerialLine(const std::string& line);
    void HandleFrame(const SimCanFrame& frame);
    void Record(const SimCanFrame& frame);
    FaultPlan TakeFaults(SimChannel channel);
    void Log(const std::string& text) const;

    const DriveSimulatorConfig m_config;
    std::string m_configError;
    std::map<int, std::unique_ptr<SimDrive>> m_drives;

    std::thread m_thread;
    int m_wakeFd = -1;
    bool m_stop = false;  // loop thread only
    std::mutex m_postMutex;
    std::vector<std::function<void()>> m_posted;

    // Owned by the loop thread while it runs.
    std::unique_ptr<PtyPort> m_pty;
    SerialCommandParser m_parser;
    std::unique_ptr<VirtualCanBus> m_bus;
    std::vector<Scheduled> m_schedule;  // a heap ordered by due time
    uint64_t m_order = 0;
    Clock::time_point m_serialRxFree {};
    Clock::time_point m_serialTxFree {};
    Clock::time_point m_serialStallUntil {};
    Clock::time_point m_canBusFree {};
    Clock::time_point m_ptyQuietUntil {};
    Clock::time_point m_busRetryAt {};
    std::string m_ptyPath;
    std::atomic<bool> m_canHost {false};

    mutable std::mutex m_faultMutex;
    FaultPlan m_faults[2];

    mutable std::mutex m_recordMutex;
    std::vector<std::string> m_serialRecord;
    std::vector<SimCanFrame> m_canRecord;
    std::atomic<int> m_rejected {0};
};
