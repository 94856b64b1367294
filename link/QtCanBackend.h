#pragma once

#include "link/CanBackend.h"

#include <condition_variable>
#include <mutex>

class QCanBusDevice;

// What keeps a SocketCAN interface from carrying frames, read from the system's network
// folder (netDir, normally /sys/class/net): missing, or down (with the command that brings
// it up at bitRate). Empty when it is there and up.
QString SocketCanInterfaceProblem(const QString& interfaceName, uint32_t bitRate,
                                  const QString& netDir = QStringLiteral("/sys/class/net"));

// A channel on a Qt Serial Bus plugin (socketcan on a real adapter, virtualcan in tests).
// Every device lives on one bus thread with its own event loop, shared by all channels and
// kept until the process ends: the virtualcan plugin hosts its bus server on the thread of
// the first device it opens, so that thread has to outlive every device.
class QtCanBackend : public CanBackend {
public:
    QtCanBackend(QString plugin, QString interfaceName);
    ~QtCanBackend() override;

    bool Open(QString* error) override;
    bool Configure(uint32_t bitRate, QString* error) override;
    bool Start(QString* error) override;
    bool Transmit(const CanMessage& msg) override;
    void Close() override;

private:
    void TakeFrames();
    // On the bus thread: the device fell off the bus; reported once unless it was asked to.
    void LeftTheBus();
    void Disconnect();
    // Waits until the device is connected (true) or has fallen back to unconnected.
    bool WaitConnected(int timeoutMs);
    bool WaitUnconnected(int timeoutMs);

    const QString m_plugin;
    const QString m_interface;
    QCanBusDevice* m_device = nullptr; // created, used and deleted on the bus thread only
    uint32_t m_bitRate = 0;
    uint32_t m_runningBitRate = 0;

    std::mutex m_stateMutex;
    std::condition_variable m_stateCond;
    int m_state = 0; // QCanBusDevice::CanBusDeviceState, as last reported
    bool m_onBus = false; // started and not since asked off the bus
};
