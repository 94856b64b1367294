#include "link/FakeCanBackend.h"

void FakeCanBackend::Note(const char* call)
{
    m_calls.emplace_back(call);
}

bool FakeCanBackend::Admit(const char* call, bool refused, QString* error, const char* why)
{
    Note(call);
    if (refused && error)
        *error = QString::fromLatin1(why);
    return !refused;
}

bool FakeCanBackend::Open(QString* error)
{
    std::lock_guard lock(m_mutex);
    if (!Admit("Open", m_refuseOpen, error, "fake bus refuses to open"))
        return false;
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
    if (!Admit("Configure", m_refuseConfigure || !m_open, error, "fake bus refuses the configuration"))
        return false;
    m_bitRate = bitRate;
    return true;
}

bool FakeCanBackend::Start(QString* error)
{
    std::lock_guard lock(m_mutex);
    if (!Admit("Start", m_refuseStart || !m_open, error, "fake bus refuses to start"))
        return false;
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

template <typename T>
void FakeCanBackend::Set(T FakeCanBackend::*member, T value)
{
    std::lock_guard lock(m_mutex);
    this->*member = std::move(value);
}

template <typename T>
T FakeCanBackend::Get(T FakeCanBackend::*member) const
{
    std::lock_guard lock(m_mutex);
    return this->*member;
}

void FakeCanBackend::RefuseOpen(bool refuse) { Set(&FakeCanBackend::m_refuseOpen, refuse); }
void FakeCanBackend::RefuseReference(bool refuse) { Set(&FakeCanBackend::m_refuseReference, refuse); }
void FakeCanBackend::RefuseConfigure(bool refuse) { Set(&FakeCanBackend::m_refuseConfigure, refuse); }
void FakeCanBackend::RefuseStart(bool refuse) { Set(&FakeCanBackend::m_refuseStart, refuse); }
void FakeCanBackend::RefuseTransmit(bool refuse) { Set(&FakeCanBackend::m_refuseTransmit, refuse); }
void FakeCanBackend::DropTransmits(int count) { Set(&FakeCanBackend::m_dropTransmits, count); }
void FakeCanBackend::DropReceives(int count) { Set(&FakeCanBackend::m_dropReceives, count); }
void FakeCanBackend::SetReceiveDelay(int delayMs) { Set(&FakeCanBackend::m_receiveDelayMs, delayMs); }

void FakeCanBackend::Inject(const CanMessage& msg, int delayMs)
{
    FromFarSide(msg, Get(&FakeCanBackend::m_receiveDelayMs) + delayMs);
}

void FakeCanBackend::SetResponder(Responder responder) { Set(&FakeCanBackend::m_responder, std::move(responder)); }

std::vector<CanMessage> FakeCanBackend::Transmitted() const { return Get(&FakeCanBackend::m_transmitted); }

std::vector<std::string> FakeCanBackend::Calls() const { return Get(&FakeCanBackend::m_calls); }

uint32_t FakeCanBackend::Reference() const { return Get(&FakeCanBackend::m_reference); }

uint32_t FakeCanBackend::BitRate() const { return Get(&FakeCanBackend::m_bitRate); }

bool FakeCanBackend::Running() const { return Get(&FakeCanBackend::m_running); }
