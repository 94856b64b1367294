#include "link/FakeCanBackend.h"

void FakeCanBackend::Note(const char* call)
{
    m_calls.emplace_back(call);
}

bool FakeCanBackend::Open(QString* error)
{
    std::lock_guard lock(m_mutex);
    Note("Open");
    if (m_refuseOpen) {
        if (error)
            *error = QStringLiteral("fake bus refuses to open");
        return false;
    }
    m_open = true;
    OpenQueue();
    return true;
}

bool FakeCanBackend::SetReference(uint32_t value)
{
    std::lock_guard lock(m_mutex);
    Note("SetReference");
    if (m_refuseReference || !m_open)
        return false;
    m_reference = value;
    return true;
}

bool FakeCanBackend::Configure(uint32_t bitRate, QString* error)
{
    std::lock_guard lock(m_mutex);
    Note("Configure");
    if (m_refuseConfigure || !m_open) {
        if (error)
            *error = QStringLiteral("fake bus refuses the configuration");
        return false;
    }
    m_bitRate = bitRate;
    return true;
}

bool FakeCanBackend::Start(QString* error)
{
    std::lock_guard lock(m_mutex);
    Note("Start");
    if (m_refuseStart || !m_open) {
        if (error)
            *error = QStringLiteral("fake bus refuses to start");
        return false;
    }
    m_running = true;
    return true;
}

bool FakeCanBackend::Transmit(const CanMessage& msg)
{
    Responder responder;
    int delay = 0;
    {
        std::lock_guard lock(m_mutex);
        Note("Transmit");
        if (m_refuseTransmit || !m_running)
            return false;
        if (m_dropTransmits > 0) {
            --m_dropTransmits;
            return true;
        }
        m_transmitted.push_back(msg);
        responder = m_responder;
        delay = m_receiveDelayMs;
    }
    if (responder) {
        for (const CanMessage& answer : responder(msg))
            FromFarSide(answer, delay);
    }
    return true;
}

void FakeCanBackend::Close()
{
    {
        std::lock_guard lock(m_mutex);
        Note("Close");
        m_open = false;
        m_running = false;
    }
    ShutQueue();
}

void FakeCanBackend::FromFarSide(const CanMessage& msg, int delayMs)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_running)
            return;
        if (m_dropReceives > 0) {
            --m_dropReceives;
            return;
        }
    }
    Deliver(msg, delayMs);
}

void FakeCanBackend::RefuseOpen(bool refuse)
{
    std::lock_guard lock(m_mutex);
    m_refuseOpen = refuse;
}

void FakeCanBackend::RefuseReference(bool refuse)
{
    std::lock_guard lock(m_mutex);
    m_refuseReference = refuse;
}

void FakeCanBackend::RefuseConfigure(bool refuse)
{
    std::lock_guard lock(m_mutex);
    m_refuseConfigure = refuse;
}

void FakeCanBackend::RefuseStart(bool refuse)
{
    std::lock_guard lock(m_mutex);
    m_refuseStart = refuse;
}

void FakeCanBackend::RefuseTransmit(bool refuse)
{
    std::lock_guard lock(m_mutex);
    m_refuseTransmit = refuse;
}

void FakeCanBackend::DropTransmits(int count)
{
    std::lock_guard lock(m_mutex);
    m_dropTransmits = count;
}

void FakeCanBackend::DropReceives(int count)
{
    std::lock_guard lock(m_mutex);
    m_dropReceives = count;
}

void FakeCanBackend::SetReceiveDelay(int delayMs)
{
    std::lock_guard lock(m_mutex);
    m_receiveDelayMs = delayMs;
}

void FakeCanBackend::Inject(const CanMessage& msg, int delayMs)
{
    int delay;
    {
        std::lock_guard lock(m_mutex);
        delay = m_receiveDelayMs;
    }
    FromFarSide(msg, delay + delayMs);
}

void FakeCanBackend::SetResponder(Responder responder)
{
    std::lock_guard lock(m_mutex);
    m_responder = std::move(responder);
}

std::vector<CanMessage> FakeCanBackend::Transmitted() const
{
    std::lock_guard lock(m_mutex);
    return m_transmitted;
}

std::vector<std::string> FakeCanBackend::Calls() const
{
    std::lock_guard lock(m_mutex);
    return m_calls;
}

uint32_t FakeCanBackend::Reference() const
{
    std::lock_guard lock(m_mutex);
    return m_reference;
}

uint32_t FakeCanBackend::BitRate() const
{
    std::lock_guard lock(m_mutex);
    return m_bitRate;
}

bool FakeCanBackend::Running() const
{
    std::lock_guard lock(m_mutex);
    return m_running;
}
