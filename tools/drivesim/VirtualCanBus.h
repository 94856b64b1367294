#pragma once

#include "tools/drivesim/SimCanFrame.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct pollfd;

// The simulator's place on a Qt virtual CAN bus (URL tcp://127.0.0.1:PORT/canN).
//
// It speaks the bus's line protocol itself instead of opening a QCanBusDevice: Qt's bus
// server is one object per process, bound to the thread and the port of the first device
// ever opened, and it outlives that device. A simulator started and stopped inside a
// test would leave a dead bus behind. Hosting its own server gives every simulator its
// own bus that goes away with it; Qt's devices (the program's and the tests') connect to
// it as they would to Qt's server, whose relaying rules it follows.
//
// Owned by one thread; the owner polls the descriptors it hands out.
class VirtualCanBus {
public:
    enum class Mode {
        Auto,  // host the bus when the port is free, else join the bus already there
        Host,  // be the bus server
        Join,  // be a client of another bus server
    };

    struct Address {
        std::string host;  // an IPv4 address
        uint16_t port = 0;
        int channel = 0;   // can0 or can1
    };

    // Reads a virtual CAN URL the way Qt's plugin does: default host 127.0.0.1, default
    // port 35468, an interface name ending in can0 or can1.
    static std::optional<Address> ParseUrl(const std::string& url, std::string* error);

    VirtualCanBus(Address address, Mode mode);
    ~VirtualCanBus();
    VirtualCanBus(const VirtualCanBus&) = delete;
    VirtualCanBus& operator=(const VirtualCanBus&) = delete;

    bool Open(std::string* error);
    void Close();
    bool IsOpen() const;
    bool IsHost() const { return m_listenFd >= 0; }
    const Address& address() const { return m_address; }

    // Appends the descriptors to poll; HandlePoll then takes the same entries back and
    // returns the frames that arrived on the channel.
    void AddPollFds(std::vector<pollfd>& fds) const;
    void HandlePoll(const pollfd* fds, size_t count, std::vector<SimCanFrame>* frames);
    void Send(const SimCanFrame& frame);

private:
    struct Connection {
        int fd = -1;
        std::string in;
        std::string out;
        std::vector<int> channels;  // host side: the channels this client registered
        bool closing = false;
    };

    bool Listen(std::string* error, bool* inUse);
    bool Connect(std::string* error);
    void Accept();
    void ReadFrom(Connection& connection, std::vector<SimCanFrame>* frames);
    void HandleLine(Connection& connection, const std::string& line, std::vector<SimCanFrame>* frames);
    void Queue(Connection& connection, const std::string& bytes);
    void FlushOut(Connection& connection);
    void DropClosed();

    Address m_address;
    Mode m_mode;
    int m_listenFd = -1;
    bool m_joined = false;
    std::vector<Connection> m_connections;  // host: the clients; join: the one server link
};
