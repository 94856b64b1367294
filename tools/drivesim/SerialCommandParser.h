#pragma once

#include "tools/drivesim/SimDrive.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The drive's side of the serial text protocol: commands arrive as "<MNEMONIC>[value]\r"
// and each answer goes back as "#<text>\r\n".
class SerialCommandParser {
public:
    // Longest command line the drive buffers; a longer line is answered as not understood.
    static constexpr size_t kMaxLine = 128;

    // Feeds received bytes; returns every command line completed by a CR, without the CR.
    // A line that overflowed the buffer comes back as kOverflowLine, which Parse refuses.
    std::vector<std::string> Feed(std::string_view bytes);
    void Clear();

    // Splits a command line into mnemonic and value. The mnemonic is the leading run of
    // letters (either case); what follows must be empty or a signed decimal number,
    // otherwise the line is not understood (nullopt).
    static std::optional<DriveRequest> Parse(std::string_view line);
    // "#<text>\r\n" for a reply, empty when the drive stays silent.
    static std::string Format(const SimReply& reply);

    static inline const std::string kOverflowLine = std::string(1, '\0');

private:
    std::string m_line;
    bool m_overflow = false;
};
