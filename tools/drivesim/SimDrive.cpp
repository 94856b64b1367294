#include "tools/drivesim/SimDrive.h"

namespace {

// A value as the drive holds it: the low bytes of what arrived, signed.
int32_t Narrow(int64_t value, int width)
{
    if (width == 2)
        return static_cast<int16_t>(static_cast<uint16_t>(value));
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

}

SimDrive::SimDrive(int node)
    : m_node(node)
{
}

int SimDrive::DefaultWidth(const SimCommand& query)
{
    const SimCommand* setter = SimCommandTable::SetterOf(query);
    return setter ? setter->argBytes : 4;
}

std::string SimDrive::StoreKey(const SimCommand& command)
{
    if (SimCommandTable::IsQuery(command))
        return command.mnemonic;
    const SimCommand* query = SimCommandTable::QueryOf(command);
    return query ? query->mnemonic : command.mnemonic;
}

SimReply SimDrive::Answer(const DriveRequest& request)
{
    SimReply reply;
    if (!request.command) {
        // A command outside the table (a serial-only one) is known only through a handler.
        Handler handler;
        if (!request.mnemonic.empty()) {
            std::lock_guard lock(m_mutex);
            auto it = m_handlers.find(request.mnemonic);
            if (it != m_handlers.end())
                handler = it->second;
        }
        if (handler)
            return handler(*this, request);
        reply.kind = SimReply::Kind::Unknown;
        return reply;
    }
    const SimCommand& command = *request.command;
    Handler handler;
    {
        std::lock_guard lock(m_mutex);
        if (m_unknown.count(command.mnemonic)) {
            reply.kind = SimReply::Kind::Unknown;
            return reply;
        }
        auto it = m_handlers.find(command.mnemonic);
        if (it != m_handlers.end())
            handler = it->second;
    }
    // The handler runs unlocked so that it may read and write the store itself.
    if (handler)
        return handler(*this, request);

    std::lock_guard lock(m_mutex);
    if (SimCommandTable::IsQuery(command)) {
        auto it = m_store.find(command.mnemonic);
        reply.kind = SimReply::Kind::Value;
        reply.value = it == m_store.end() ? 0 : it->second.value;
        reply.width = it == m_store.end() ? DefaultWidth(command) : it->second.width;
        return reply;
    }
    if (command.argBytes > 0) {
        // A setting without its value is not a command the drive can carry out.
        if (!request.value) {
            reply.kind = SimReply::Kind::Unknown;
            return reply;
        }
        const int32_t value = Narrow(*request.value, command.argBytes);
        m_store[StoreKey(command)] = Entry{value, command.argBytes};
        reply.value = value;
        reply.width = command.argBytes;
    } else {
        // An action carries no value; on CAN its acknowledgement reads 0.
        reply.width = 2;
    }
    reply.kind = SimReply::Kind::Ack;
    return reply;
}

std::optional<int32_t> SimDrive::Parameter(std::string_view mnemonic) const
{
    const SimCommand* command = SimCommandTable::Find(mnemonic);
    const std::string key = command ? StoreKey(*command) : std::string(mnemonic);
    std::lock_guard lock(m_mutex);
    auto it = m_store.find(key);
    if (it == m_store.end())
        return std::nullopt;
    return it->second.value;
}

void SimDrive::SetParameter(std::string_view mnemonic, int32_t value, int width)
{
    const SimCommand* command = SimCommandTable::Find(mnemonic);
    const std::string key = command ? StoreKey(*command) : std::string(mnemonic);
    if (width != 2 && width != 4) {
        const SimCommand* owner = SimCommandTable::Find(key);
        if (owner && SimCommandTable::IsQuery(*owner))
            width = DefaultWidth(*owner);
        else
            width = owner && owner->argBytes > 0 ? owner->argBytes : 4;
    }
    std::lock_guard lock(m_mutex);
    m_store[key] = Entry{Narrow(value, width), width};
}

void SimDrive::SetKnown(std::string_view mnemonic, bool known)
{
    std::lock_guard lock(m_mutex);
    if (known)
        m_unknown.erase(std::string(mnemonic));
    else
        m_unknown.emplace(mnemonic);
}

void SimDrive::SetHandler(std::string_view mnemonic, Handler handler)
{
    std::lock_guard lock(m_mutex);
    if (handler)
        m_handlers[std::string(mnemonic)] = std::move(handler);
    else
        m_handlers.erase(std::string(mnemonic));
}

void SimDrive::SetSampler(Sampler sampler)
{
    std::lock_guard lock(m_mutex);
    m_sampler = std::move(sampler);
}

std::optional<SimSample> SimDrive::Sample(uint8_t code)
{
    Sampler sampler;
    {
        std::lock_guard lock(m_mutex);
        sampler = m_sampler;
    }
    return sampler ? sampler(code) : std::nullopt;
}
