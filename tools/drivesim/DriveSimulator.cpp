#include "tools/drivesim/DriveSimulator.h"

#include "tools/drivesim/PtyPort.h"
#include "tools/drivesim/WireTime.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

// While no program holds the pseudo-terminal open, the master reports a hang-up at every
// poll; look again this often instead of spinning.
constexpr auto kHangUpRecheck = std::chrono::milliseconds(20);
constexpr auto kBusRetry = std::chrono::milliseconds(500);
constexpr size_t kMaxRecords = 100000;

std::string Printable(std::string_view bytes)
{
    std::string text;
    for (unsigned char c : bytes) {
        if (c == '\r')
            text += "\\r";
        else if (c == '\n')
            text += "\\n";
        else if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            text += hex;
        } else
            text += static_cast<char>(c);
    }
    return text;
}

std::string FrameText(const SimCanFrame& frame)
{
    char text[64];
    std::snprintf(text, sizeof text, "id 0x%X dlc %zu:", frame.id, frame.data.size());
    std::string out = text;
    for (uint8_t b : frame.data) {
        std::snprintf(text, sizeof text, " %02X", b);
        out += text;
    }
    return out;
}

// The reply text padded with digits after its value until the part between "#" and the
// CR holds `length` characters.
std::string Overlong(const std::string& reply, int length)
{
    std::string body = reply.substr(1, reply.size() - 3);
    for (size_t i = 0; body.size() < static_cast<size_t>(length); ++i)
        body += static_cast<char>('0' + i % 10);
    return "#" + body + "\r\n";
}

}

DriveSimulator::DriveSimulator(DriveSimulatorConfig config)
    : m_config(std::move(config))
{
    for (int node : m_config.nodes) {
        if (node < 1 || node > 127)
            m_configError = "node addresses run from 1 to 127, not " + std::to_string(node);
        else if (!m_drives.count(node))
            m_drives.emplace(node, std::make_unique<SimDrive>(node));
    }
    if (m_drives.empty() && m_configError.empty())
        m_configError = "no node address given";
}

DriveSimulator::~DriveSimulator()
{
    Stop();
}

bool DriveSimulator::Start(std::string* error)
{
    std::string ignored;
    std::string& why = error ? *error : ignored;
    if (IsRunning()) {
        why = "already running";
        return false;
    }
    if (!m_configError.empty()) {
        why = m_configError;
        return false;
    }
    if (!m_config.pty && m_config.canUrl.empty()) {
        why = "neither a pseudo-terminal nor a CAN bus asked for";
        return false;
    }
    if (m_config.pty) {
        m_pty = std::make_unique<PtyPort>();
        if (!m_pty->Open(m_config.linkPath, &why)) {
            m_pty.reset();
            return false;
        }
        m_ptyPath = m_pty->SlavePath();
    }
    if (!m_config.canUrl.empty()) {
        auto address = VirtualCanBus::ParseUrl(m_config.canUrl, &why);
        if (address) {
            m_bus = std::make_unique<VirtualCanBus>(*address, m_config.canMode);
            if (!m_bus->Open(&why))
                m_bus.reset();
        }
        if (!m_bus) {
            m_pty.reset();
            return false;
        }
        m_canHost = m_bus->IsHost();
    }
    m_wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    {
        std::lock_guard lock(m_postMutex);
        m_posted.clear();
    }
    m_stop = false;
    m_parser.Clear();
    m_schedule.clear();
    m_thread = std::thread([this] { Run(); });
    return true;
}

void DriveSimulator::Stop()
{
    if (!m_thread.joinable())
        return;
    Post([this] { m_stop = true; });
    m_thread.join();
    ::close(m_wakeFd);
    m_wakeFd = -1;
    m_schedule.clear();
    m_bus.reset();
    m_pty.reset();
    std::lock_guard lock(m_postMutex);
    m_posted.clear();
}

std::string DriveSimulator::PtyPath() const
{
    return m_ptyPath;
}

SimDrive* DriveSimulator::Drive(int node)
{
    auto it = m_drives.find(node);
    return it == m_drives.end() ? nullptr : it->second.get();
}

void DriveSimulator::SetFaults(SimChannel channel, const FaultPlan& plan)
{
    std::lock_guard lock(m_faultMutex);
    m_faults[static_cast<int>(channel)] = plan;
}

FaultPlan DriveSimulator::Faults(SimChannel channel) const
{
    std::lock_guard lock(m_faultMutex);
    return m_faults[static_cast<int>(channel)];
}

void DriveSimulator::ClearFaults()
{
    std::lock_guard lock(m_faultMutex);
    m_faults[0] = FaultPlan {};
    m_faults[1] = FaultPlan {};
}

FaultPlan DriveSimulator::TakeFaults(SimChannel channel)
{
    std::lock_guard lock(m_faultMutex);
    FaultPlan& plan = m_faults[static_cast<int>(channel)];
    const FaultPlan taken = plan;
    plan.stallMs = 0; // a stall starts once
    if (plan.count > 0 && --plan.count == 0)
        plan = FaultPlan {};
    return taken;
}

void DriveSimulator::InjectSerial(std::string bytes)
{
    Post([this, bytes = std::move(bytes)] {
        if (m_pty)
            m_pty->Write(bytes);
    });
}

void DriveSimulator::InjectFrame(SimCanFrame frame)
{
    Post([this, frame = std::move(frame)] {
        if (m_bus && m_bus->IsOpen())
            m_bus->Send(frame);
    });
}

std::vector<std::string> DriveSimulator::SerialCommands() const
{
    std::lock_guard lock(m_recordMutex);
    return m_serialRecord;
}

std::vector<SimCanFrame> DriveSimulator::CanRequests() const
{
    std::lock_guard lock(m_recordMutex);
    return m_canRecord;
}

void DriveSimulator::ClearRecords()
{
    std::lock_guard lock(m_recordMutex);
    m_serialRecord.clear();
    m_canRecord.clear();
    m_rejected = 0;
}

void DriveSimulator::Log(const std::string& text) const
{
    if (m_config.verbose)
        std::fprintf(stderr, "drivesim: %s\n", text.c_str());
}

void DriveSimulator::Post(std::function<void()> task)
{
    {
        std::lock_guard lock(m_postMutex);
        m_posted.push_back(std::move(task));
    }
    const uint64_t one = 1;
    if (m_wakeFd >= 0 && ::write(m_wakeFd, &one, sizeof one) < 0 && errno != EAGAIN)
        std::perror("velquarin-drivesim: wake");
}

void DriveSimulator::Schedule(Clock::time_point due, std::function<void()> run)
{
    m_schedule.push_back(Scheduled {due, m_order++, std::move(run)});
    std::push_heap(m_schedule.begin(), m_schedule.end(), [](const Scheduled& a, const Scheduled& b) {
        return a.due != b.due ? a.due > b.due : a.order > b.order;
    });
}

void DriveSimulator::RunDue()
{
    auto later = [](const Scheduled& a, const Scheduled& b) {
        return a.due != b.due ? a.due > b.due : a.order > b.order;
    };
    while (!m_schedule.empty() && m_schedule.front().due <= Clock::now()) {
        std::pop_heap(m_schedule.begin(), m_schedule.end(), later);
        Scheduled next = std::move(m_schedule.back());
        m_schedule.pop_back();
        next.run();
    }
}

DriveSimulator::Clock::time_point DriveSimulator::NextWake() const
{
    Clock::time_point wake = Clock::now() + std::chrono::seconds(1);
    if (!m_schedule.empty())
        wake = std::min(wake, m_schedule.front().due);
    if (m_pty && m_ptyQuietUntil > Clock::now())
        wake = std::min(wake, m_ptyQuietUntil);
    if (m_bus && !m_bus->IsOpen())
        wake = std::min(wake, m_busRetryAt);
    return wake;
}

void DriveSimulator::Run()
{
    std::vector<pollfd> fds;
    std::vector<SimCanFrame> frames;
    while (!m_stop) {
        fds.clear();
        fds.push_back(pollfd {m_wakeFd, POLLIN, 0});
        const bool ptyPolled = m_pty && Clock::now() >= m_ptyQuietUntil;
        if (ptyPolled) {
            const short events = static_cast<short>(POLLIN | (m_pty->HasPendingOutput() ? POLLOUT : 0));
            fds.push_back(pollfd {m_pty->Fd(), events, 0});
        }
        const size_t busFirst = fds.size();
        if (m_bus)
            m_bus->AddPollFds(fds);

        const auto wait = std::max(NextWake() - Clock::now(), Clock::duration::zero());
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait);
        const timespec timeout {static_cast<time_t>(seconds.count()),
                                static_cast<long>(std::chrono::nanoseconds(wait - seconds).count())};
        if (::ppoll(fds.data(), fds.size(), &timeout, nullptr) < 0 && errno != EINTR) {
            std::perror("velquarin-drivesim: poll");
            break;
        }

        if (fds[0].revents & POLLIN) {
            uint64_t count;
            while (::read(m_wakeFd, &count, sizeof count) > 0) {
            }
            std::vector<std::function<void()>> tasks;
            {
                std::lock_guard lock(m_postMutex);
                tasks.swap(m_posted);
            }
            for (auto& task : tasks)
                task();
            if (m_stop)
                break;
        }

        if (ptyPolled && fds[1].revents) {
            const short revents = fds[1].revents;
            bool hungUp = false;
            const std::string bytes = m_pty->Read(&hungUp);
            for (const std::string& line : m_parser.Feed(bytes))
                HandleSerialLine(line);
            if (hungUp || ((revents & POLLHUP) && bytes.empty())) {
                // Whatever the last program left half-written is not the next one's command.
                m_parser.Clear();
                m_ptyQuietUntil = Clock::now() + kHangUpRecheck;
            }
            if (revents & POLLOUT)
                m_pty->Flush();
        }

        if (m_bus) {
            if (m_bus->IsOpen()) {
                frames.clear();
                m_bus->HandlePoll(fds.data() + busFirst, fds.size() - busFirst, &frames);
                for (const SimCanFrame& frame : frames)
                    HandleFrame(frame);
                if (!m_bus->IsOpen())
                    m_busRetryAt = Clock::now() + kBusRetry;
            } else if (Clock::now() >= m_busRetryAt) {
                std::string error;
                if (m_bus->Open(&error)) {
                    m_canHost = m_bus->IsHost();
                    Log(std::string("back on the CAN bus as ") + (m_canHost ? "its server" : "a client"));
                } else {
                    m_busRetryAt = Clock::now() + kBusRetry;
                }
            }
        }

        RunDue();
    }
}

void DriveSimulator::Record(const SimCanFrame& frame)
{
    std::lock_guard lock(m_recordMutex);
    if (m_canRecord.size() < kMaxRecords)
        m_canRecord.push_back(frame);
}

void DriveSimulator::HandleSerialLine(const std::string& line)
{
    const auto now = Clock::now();
    {
        std::lock_guard lock(m_recordMutex);
        if (m_serialRecord.size() < kMaxRecords)
            m_serialRecord.push_back(line);
    }
    SimDrive& drive = *m_drives.at(m_config.nodes.front());
    const auto request = SerialCommandParser::Parse(line);
    SimReply reply;
    if (request && !Faults(SimChannel::Serial).refuse)
        reply = drive.Answer(*request);
    else
        reply.kind = SimReply::Kind::Unknown;
    std::string text = SerialCommandParser::Format(reply);
    if (text.empty())
        return;
    const FaultPlan faults = TakeFaults(SimChannel::Serial);
    Log("serial " + Printable(line) + " -> " + (faults.silent ? std::string("(silent)") : Printable(text)));
    if (faults.silent)
        return;
    if (faults.overlongLength > 0)
        text = Overlong(text, faults.overlongLength);
    std::string prefix = faults.noise;
    if (faults.echo)
        prefix = line + "\r" + prefix;
    text = prefix + text;

    // The command itself took its wire time to arrive, and commands queue on the line.
    const int baud = m_config.baud;
    const auto received = std::max(now, m_serialRxFree) + WireTime::Serial(line.size() + 1, baud);
    m_serialRxFree = received;
    if (faults.stallMs > 0)
        m_serialStallUntil = now + std::chrono::milliseconds(faults.stallMs);
    const auto start = std::max({ received, m_serialTxFree, m_serialStallUntil }) + std::chrono::milliseconds(faults.delayMs);

    if (faults.splitGapMs >= 0) {
        // Cut inside the value, after the "#", so that neither half is a reply on its own.
        const size_t hash = text.rfind('#');
        const size_t cut = std::min(text.size() - 2, (hash == std::string::npos ? 0 : hash) + 2);
        std::string first = text.substr(0, cut);
        std::string second = text.substr(cut);
        const auto firstDue = start + WireTime::Serial(first.size(), baud);
        const auto secondDue = firstDue + std::chrono::milliseconds(faults.splitGapMs)
            + WireTime::Serial(second.size(), baud);
        Schedule(firstDue, [this, first] { m_pty->Write(first); });
        Schedule(secondDue, [this, second] { m_pty->Write(second); });
        m_serialTxFree = secondDue;
        return;
    }
    const auto due = start + WireTime::Serial(text.size(), baud);
    m_serialTxFree = due;
    Schedule(due, [this, text] { m_pty->Write(text); });
}

void DriveSimulator::HandleFrame(const SimCanFrame& frame)
{
    const auto now = Clock::now();
    const auto isOurNode = [this](int node) { return m_drives.count(node) > 0; };
    std::optional<SimCanFrame> encoded;
    int node = 0;
    int commandId = 0;
    if (const auto sample = CanCommandCodec::DecodeSample(frame, isOurNode)) {
        Record(frame);
        node = sample->first;
        if (const auto value = m_drives.at(node)->Sample(sample->second))
            encoded = CanCommandCodec::EncodeSample(node, *value, m_config.replyIdentifier);
    } else {
        CanRequest request;
        std::string why;
        const auto result = CanCommandCodec::Decode(frame, isOurNode, &request, &why);
        if (result == CanCommandCodec::Result::NotAddressed)
            return;
        Record(frame);
        if (result == CanCommandCodec::Result::Malformed) {
            ++m_rejected;
            std::fprintf(stderr, "velquarin-drivesim: ignored a frame to node %u (%s): %s\n", frame.id, why.c_str(),
                         FrameText(frame).c_str());
            return;
        }
        node = request.node;
        commandId = request.commandId;
        SimReply refused;
        refused.kind = SimReply::Kind::Unknown;
        const SimReply reply = Faults(SimChannel::Can).refuse ? refused : m_drives.at(node)->Answer(request.request);
        encoded = CanCommandCodec::Encode(node, commandId, reply, m_config.replyIdentifier);
    }
    if (!encoded)
        return;
    SimCanFrame out = std::move(*encoded);
    const FaultPlan faults = TakeFaults(SimChannel::Can);
    Log("can " + FrameText(frame) + " -> " + (faults.silent ? std::string("(silent)") : FrameText(out)));
    if (faults.silent)
        return;
    if (faults.wrongNode)
        out.data[0] = static_cast<uint8_t>(node % 127 + 1);
    if (faults.wrongCommandId) {
        const uint16_t other = static_cast<uint16_t>(commandId + 1 + 0x8000);
        out.data[2] = static_cast<uint8_t>(other & 0xFF);
        out.data[3] = static_cast<uint8_t>(other >> 8);
    }
    if (faults.wrongIdentifier)
        out.id = (out.id & ~0xFFu) | 0x02;
    if (faults.dlc >= 0)
        out.data.resize(static_cast<size_t>(std::min(faults.dlc, 15)), 0);

    const int kbit = m_config.bitrateKbit;
    const auto received = now + WireTime::Can(frame.data.size(), kbit, frame.extended);
    const auto start = std::max(received, m_canBusFree) + std::chrono::milliseconds(faults.delayMs);
    const auto due = start + WireTime::Can(std::min<size_t>(out.data.size(), 8), kbit);
    m_canBusFree = due;
    Schedule(due, [this, out] {
        if (m_bus && m_bus->IsOpen())
            m_bus->Send(out);
    });
}
