#pragma once

#include "tools/drivesim/SimCommandTable.h"

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>

// What reached a simulated drive, whatever the channel: the command (null when the drive
// does not know the mnemonic or number) and its argument, if one came with it.
struct DriveRequest {
    const SimCommand* command = nullptr;
    std::string mnemonic;        // as received, upper case; empty for an unknown CAN number
    std::optional<int32_t> value;
};

// What a simulated drive answers. The channel turns it into its own form: a value is
// "#<decimal>" on the serial line and a frame with 2 or 4 value bytes on CAN.
struct SimReply {
    enum class Kind {
        Value,    // a value of `width` bytes (2 or 4)
        Ack,      // a setting or an action was taken
        Unknown,  // the drive does not know the command: "ERR2" / value 2
        Text,     // free text (serial only; on CAN it travels as `value`)
        None,     // the drive stays silent
    };
    Kind kind = Kind::None;
    int32_t value = 0;
    int width = 4;
    std::string text;
};

// One sampled quantity as the drive's sampling unit answers it: the reply code and the value.
struct SimSample {
    uint8_t code = 0;
    int32_t value = 0;
};

// One simulated servo drive at a node address. Every setting command stores its value
// and the query that belongs to it answers the value; queries of values never set answer
// 0. A handler can take over any command, which is how special replies are added.
// All members are safe to call from any thread.
class SimDrive {
public:
    using Handler = std::function<SimReply(SimDrive& drive, const DriveRequest& request)>;

    explicit SimDrive(int node);

    int Node() const { return m_node; }

    SimReply Answer(const DriveRequest& request);

    // The stored value that a query reads; the name may be the query or its setter.
    std::optional<int32_t> Parameter(std::string_view mnemonic) const;
    // Stores a value as the drive's own; width 0 keeps the width the query answers with.
    void SetParameter(std::string_view mnemonic, int32_t value, int width = 0);
    // Makes the drive answer this command as unknown (a drive of older firmware), or
    // know it again.
    void SetKnown(std::string_view mnemonic, bool known);
    // A handler may also serve a mnemonic that is not in the command table (serial only).
    void SetHandler(std::string_view mnemonic, Handler handler);

    // The sampling unit: what answers a sampling request of `code` (CAN only); without
    // one, or for a code it does not know, the drive stays silent.
    using Sampler = std::function<std::optional<SimSample>(uint8_t code)>;
    void SetSampler(Sampler sampler);
    std::optional<SimSample> Sample(uint8_t code);

    // The width in bytes (2 or 4) with which a query answers on CAN.
    static int DefaultWidth(const SimCommand& query);
    // The store key of a command: its query, or itself when nothing reads it back.
    static std::string StoreKey(const SimCommand& command);

private:
    struct Entry {
        int32_t value = 0;
        int width = 4;
    };

    const int m_node;
    mutable std::mutex m_mutex;
    std::map<std::string, Entry, std::less<>> m_store;
    std::set<std::string, std::less<>> m_unknown;
    std::map<std::string, Handler, std::less<>> m_handlers;
    Sampler m_sampler;
};
