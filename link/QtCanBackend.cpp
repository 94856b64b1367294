#include "link/QtCanBackend.h"

#include <QCanBus>
#include <QCoreApplication>
#include <QCanBusDevice>
#include <QCanBusFrame>
#include <QFile>
#include <QSocketNotifier>
#include <QThread>
#include <QVariant>
#include <algorithm>
#include <deque>
#include <functional>
#include <net/if.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

namespace {
constexpr int kConnectTimeoutMs = 5000;
// A virtualcan bus relays frames to a device only once its server has read the device's
// "connect:" line, which happens some time after the device reports itself connected.
constexpr int kVirtualBusSettleMs = 100;

// The bus thread: an event loop for the devices, and a queue of work that other threads
// hand it. Work is handed over and handed back under our own mutex and woken through an
// eventfd, never through Qt's event queue: ThreadSanitizer then sees that what a caller
// wrote before is visible to the work, and what the work wrote is visible to the caller
// afterwards (inside uninstrumented Qt it cannot see that).
class BusThread : public QThread {
public:
    static BusThread& Instance()
    {
        static BusThread* thread = [] {
            auto* created = new BusThread;
            // Stopped with the application, before the static objects of the plugins go:
            // the virtualcan bus server lives on this thread.
            qAddPostRoutine([] { Instance().Stop(); });
            return created;
        }();
        return *thread;
    }

    // Runs work on the bus thread and waits for it; does nothing once the thread stopped.
    void Run(const std::function<void()>& work)
    {
        if (QThread::currentThread() == this) {
            work();
            return;
        }
        Job job { &work };
        std::unique_lock lock(m_mutex);
        if (!m_running)
            return;
        m_jobs.push_back(&job);
        lock.unlock();
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
        lock.lock();
        m_cond.wait(lock, [&] { return job.state == Job::Done || (job.state == Job::Queued && !m_running); });
        // Stopped before it ran: it never will.
        if (job.state == Job::Queued)
            m_jobs.erase(std::find(m_jobs.begin(), m_jobs.end(), &job));
    }

private:
    struct Job {
        const std::function<void()>* work;
        enum { Queued, Running, Done } state = Queued;
    };

    BusThread()
        : m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
    {
        setObjectName(QStringLiteral("can-bus"));
        start();
    }

    void run() override
    {
        QSocketNotifier wake(m_wakeFd, QSocketNotifier::Read);
        QObject::connect(&wake, &QSocketNotifier::activated, [this] {
            uint64_t count;
            [[maybe_unused]] const ssize_t n = ::read(m_wakeFd, &count, sizeof count);
            RunJobs();
        });
        exec();
        {
            std::lock_guard lock(m_mutex);
            m_running = false;
        }
        m_cond.notify_all(); // work handed over meanwhile never runs
    }

    void RunJobs()
    {
        std::unique_lock lock(m_mutex);
        while (!m_jobs.empty()) {
            Job* job = m_jobs.front();
            m_jobs.pop_front();
            job->state = Job::Running;
            lock.unlock();
            (*job->work)();
            lock.lock();
            job->state = Job::Done;
            m_cond.notify_all();
        }
    }

    void Stop()
    {
        // Ended from its own thread, so nothing of Qt's crosses threads on the way out.
        Run([this] { exit(); });
        wait();
        // Qt's wait goes through futexes that ThreadSanitizer does not see; the thread's
        // last act under the mutex hands over everything it did.
        std::lock_guard lock(m_mutex);
    }

    const int m_wakeFd;
    std::mutex m_mutex;
    std::condition_variable m_cond;
    std::deque<Job*> m_jobs;
    bool m_running = true;
};

QCanBusFrame ToQt(const CanMessage& msg)
{
    QCanBusFrame frame;
    frame.setExtendedFrameFormat(msg.extended);
    frame.setFrameId(msg.id);
    if (msg.remote)
        frame.setFrameType(QCanBusFrame::RemoteRequestFrame);
    else
        frame.setPayload(QByteArray(reinterpret_cast<const char*>(msg.data), std::min<int>(msg.length, 8)));
    return frame;
}

bool FromQt(const QCanBusFrame& frame, CanMessage* msg)
{
    const bool remote = frame.frameType() == QCanBusFrame::RemoteRequestFrame;
    if (!frame.isValid() || frame.hasLocalEcho() || frame.hasFlexibleDataRateFormat()
        || (frame.frameType() != QCanBusFrame::DataFrame && !remote))
        return false;
    const QByteArray payload = frame.payload();
    if (payload.size() > 8)
        return false;
    *msg = CanMessage {};
    msg->id = frame.frameId();
    msg->extended = frame.hasExtendedFrameFormat();
    msg->remote = remote;
    msg->length = static_cast<uint8_t>(payload.size());
    std::copy(payload.begin(), payload.end(), msg->data);
    return true;
}
}

QString SocketCanInterfaceProblem(const QString& interfaceName, uint32_t bitRate, const QString& netDir)
{
    QFile flags(netDir + u'/' + interfaceName + QStringLiteral("/flags"));
    if (!flags.open(QIODevice::ReadOnly))
        return QStringLiteral("CAN interface %1 does not exist; connect the adapter, or name its interface in "
                              "the profile section [CanBackend], key Interface (or VELQUARIN_CAN_INTERFACE)")
            .arg(interfaceName);
    bool ok = false;
    const uint value = QString::fromLatin1(flags.readAll()).trimmed().toUInt(&ok, 0);
    if (ok && !(value & IFF_UP))
        return QStringLiteral("CAN interface %1 is down; bring it up with: sudo ip link set %1 up type can bitrate %2")
            .arg(interfaceName)
            .arg(bitRate);
    return {};
}

QtCanBackend::QtCanBackend(QString plugin, QString interfaceName)
    : m_plugin(std::move(plugin))
    , m_interface(std::move(interfaceName))
{
}

QtCanBackend::~QtCanBackend()
{
    Close();
}

bool QtCanBackend::Open(QString* error)
{
    QString reason;
    const QStringList plugins = QCanBus::instance()->plugins();
    if (!plugins.contains(m_plugin)) {
        if (error)
            *error = QStringLiteral("CAN plugin '%1' is not installed (installed: %2); name another in the profile "
                                    "section [CanBackend], key Plugin (or VELQUARIN_CAN_PLUGIN)")
                         .arg(m_plugin, plugins.join(QStringLiteral(", ")));
        return false;
    }
    BusThread::Instance().Run([&] {
        if (m_device)
            return;
        QCanBusDevice* device = QCanBus::instance()->createDevice(m_plugin, m_interface, &reason);
        if (device && device->error() != QCanBusDevice::NoError) {
            reason = device->errorString();
            delete device;
            device = nullptr;
        }
        if (!device)
            return;
        m_device = device;
        {
            std::lock_guard lock(m_stateMutex);
            m_state = device->state();
        }
        QObject::connect(device, &QCanBusDevice::stateChanged, device, [this](QCanBusDevice::CanBusDeviceState state) {
            {
                std::lock_guard lock(m_stateMutex);
                m_state = state;
            }
            m_stateCond.notify_all();
            if (state == QCanBusDevice::UnconnectedState)
                LeftTheBus();
        });
        QObject::connect(device, &QCanBusDevice::framesReceived, device, [this] { TakeFrames(); });
        QObject::connect(device, &QCanBusDevice::errorOccurred, device, [this](QCanBusDevice::CanBusError error) {
            qWarning("CAN interface %s (%s): %s", qPrintable(m_interface), qPrintable(m_plugin),
                     qPrintable(m_device->errorString()));
            // A SocketCAN interface taken down reports itself through failing reads.
            if (error == QCanBusDevice::ConnectionError || error == QCanBusDevice::ReadError)
                LeftTheBus();
        });
    });
    if (m_device) {
        OpenQueue();
        return true;
    }
    if (error)
        *error = QStringLiteral("CAN plugin '%1', interface '%2': %3").arg(m_plugin, m_interface, reason);
    return false;
}

bool QtCanBackend::Configure(uint32_t bitRate, QString*)
{
    m_bitRate = bitRate;
    return true;
}

bool QtCanBackend::Start(QString* error)
{
    if (!m_device) {
        if (error)
            *error = QStringLiteral("CAN interface %1 is not open").arg(m_interface);
        return false;
    }
    {
        std::lock_guard lock(m_stateMutex);
        if (m_state == QCanBusDevice::ConnectedState && m_runningBitRate == m_bitRate)
            return true;
    }
    if (m_plugin == QLatin1String("socketcan")) {
        if (const QString problem = SocketCanInterfaceProblem(m_interface, m_bitRate); !problem.isEmpty()) {
            if (error)
                *error = problem;
            return false;
        }
    }
    // A new bit rate needs the device off the bus first.
    Disconnect();
    WaitUnconnected(kConnectTimeoutMs);

    bool started = false;
    QString reason;
    BusThread::Instance().Run([&] {
        // A SocketCAN interface gets its bit rate from the system (ip link), and the
        // virtual bus has none; other plugins set it on the adapter.
        if (m_bitRate && m_plugin != QLatin1String("socketcan") && m_plugin != QLatin1String("virtualcan"))
            m_device->setConfigurationParameter(QCanBusDevice::BitRateKey, QVariant::fromValue(m_bitRate));
        started = m_device->connectDevice();
        if (!started)
            reason = m_device->errorString();
    });
    if (started && !WaitConnected(kConnectTimeoutMs)) {
        started = false;
        BusThread::Instance().Run([&] { reason = m_device->errorString(); });
        if (reason.isEmpty())
            reason = QStringLiteral("no connection within %1 ms").arg(kConnectTimeoutMs);
    }
    if (!started) {
        if (error)
            *error = QStringLiteral("CAN interface %1 (%2) cannot be started: %3").arg(m_interface, m_plugin, reason);
        return false;
    }
    m_runningBitRate = m_bitRate;
    {
        std::lock_guard lock(m_stateMutex);
        m_onBus = true;
    }
    if (m_plugin == QLatin1String("virtualcan"))
        std::this_thread::sleep_for(std::chrono::milliseconds(kVirtualBusSettleMs));
    return true;
}

bool QtCanBackend::Transmit(const CanMessage& msg)
{
    bool sent = false;
    BusThread::Instance().Run([&] {
        if (m_device && m_device->state() == QCanBusDevice::ConnectedState)
            sent = m_device->writeFrame(ToQt(msg));
    });
    return sent;
}

void QtCanBackend::Close()
{
    {
        std::lock_guard lock(m_stateMutex);
        m_onBus = false;
    }
    ShutQueue();
    BusThread::Instance().Run([&] {
        if (!m_device)
            return;
        QCanBusDevice* device = m_device;
        QObject::disconnect(device, nullptr, nullptr, nullptr);
        if (device->state() != QCanBusDevice::UnconnectedState)
            device->disconnectDevice();
        m_device = nullptr;
        device->deleteLater();
    });
    std::lock_guard lock(m_stateMutex);
    m_state = QCanBusDevice::UnconnectedState;
}

void QtCanBackend::TakeFrames()
{
    while (m_device && m_device->framesAvailable()) {
        CanMessage msg;
        if (FromQt(m_device->readFrame(), &msg))
            Deliver(msg);
    }
}

void QtCanBackend::LeftTheBus()
{
    {
        std::lock_guard lock(m_stateMutex);
        if (!m_onBus)
            return;
        m_onBus = false;
    }
    const QString why = m_device->errorString();
    ReportLost(QStringLiteral("CAN interface %1 (%2) went off the bus: %3")
                   .arg(m_interface, m_plugin, why.isEmpty() ? QStringLiteral("the connection ended") : why));
}

void QtCanBackend::Disconnect()
{
    {
        // Asked for: no loss to report.
        std::lock_guard lock(m_stateMutex);
        m_onBus = false;
    }
    BusThread::Instance().Run([&] {
        if (m_device && m_device->state() != QCanBusDevice::UnconnectedState)
            m_device->disconnectDevice();
    });
}

bool QtCanBackend::WaitConnected(int timeoutMs)
{
    std::unique_lock lock(m_stateMutex);
    m_stateCond.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] {
        return m_state == QCanBusDevice::ConnectedState || m_state == QCanBusDevice::UnconnectedState;
    });
    return m_state == QCanBusDevice::ConnectedState;
}

bool QtCanBackend::WaitUnconnected(int timeoutMs)
{
    std::unique_lock lock(m_stateMutex);
    return m_stateCond.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                [this] { return m_state == QCanBusDevice::UnconnectedState; });
}
