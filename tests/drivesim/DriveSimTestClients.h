#pragma once

#include "tools/drivesim/FaultPlan.h"
#include "tools/drivesim/LoopbackPort.h"

#include "tools/drivesim/SimCanFrame.h"

#include <QCanBusDevice>
#include <QCanBusFrame>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The tests' own ends of the simulated drive's line and bus, written with plain termios
// and a plain QCanBusDevice so that they share no code with the simulator.

// A TCP port on the loopback interface that was free a moment ago.
std::string VirtualCanUrl(uint16_t port);

class PtyClient {
public:
    explicit PtyClient(const std::string& path);
    ~PtyClient();
    bool IsOpen() const { return m_fd >= 0; }

    void Write(const std::string& bytes);
    // Reads until the bytes end with CR LF or the time is up; returns what came.
    std::string ReadReply(std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));
    // Reads whatever arrives within the time.
    std::string ReadFor(std::chrono::milliseconds time);
    std::string Ask(const std::string& command) { Write(command); return ReadReply(); }

private:
    int m_fd = -1;
};

class CanClient {
public:
    explicit CanClient(const std::string& url);
    ~CanClient();
    bool IsConnected() const;

    void Send(const QCanBusFrame& frame);
    // The next frame to arrive within the time.
    std::optional<QCanBusFrame> Receive(std::chrono::milliseconds timeout = std::chrono::milliseconds(1000));
    // Every frame that arrives within the time.
    std::vector<QCanBusFrame> ReceiveFor(std::chrono::milliseconds time);
    // A command frame as the program builds it, sent; then the first frame that comes back.
    std::optional<QCanBusFrame> Ask(int node, int commandId, std::vector<uint8_t> argument = {},
                                    std::chrono::milliseconds timeout = std::chrono::milliseconds(1000));

    static QCanBusFrame Request(int node, int commandId, std::vector<uint8_t> argument = {});

private:
    std::unique_ptr<QCanBusDevice> m_device;
    std::vector<QCanBusFrame> m_pending;
};

std::vector<uint8_t> Bytes(const QCanBusFrame& frame);

// A fault plan for the simulated drive, as an edit of an empty one makes it.
using FaultEdit = std::function<void(FaultPlan&)>;
inline FaultPlan MakeFaults(const FaultEdit& edit)
{
    FaultPlan plan;
    edit(plan);
    return plan;
}
