#include "tools/drivesim/SerialCommandParser.h"

#include <cctype>
#include <algorithm>
#include <limits>

std::vector<std::string> SerialCommandParser::Feed(std::string_view bytes)
{
    std::vector<std::string> lines;
    for (char c : bytes) {
        if (c == '\r') {
            // A line starting with "#" is a reply coming back (a terminal that echoes), never
            // a command: answering it would start an endless exchange.
            if (m_overflow)
                lines.push_back(kOverflowLine);
            else if (!m_line.empty() && m_line[0] != '#')
                lines.push_back(m_line);
            m_line.clear();
            m_overflow = false;
        } else if (c == '\n' && m_line.empty()) {
            // The LF of a terminal that ends its lines with CR LF.
        } else if (m_line.size() < kMaxLine) {
            m_line.push_back(c);
        } else {
            m_overflow = true;
        }
    }
    return lines;
}

void SerialCommandParser::Clear()
{
    m_line.clear();
    m_overflow = false;
}

std::optional<DriveRequest> SerialCommandParser::Parse(std::string_view line)
{
    size_t i = 0;
    std::string mnemonic;
    while (i < line.size() && std::isalpha(static_cast<unsigned char>(line[i])))
        mnemonic.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(line[i++]))));
    if (mnemonic.empty())
        return std::nullopt;

    DriveRequest request;
    request.mnemonic = mnemonic;
    request.command = SimCommandTable::Find(mnemonic);
    if (i == line.size())
        return request;

    bool negative = false;
    if (line[i] == '+' || line[i] == '-')
        negative = line[i++] == '-';
    if (i == line.size())
        return std::nullopt;
    // The drive holds 32 bits: it takes -2147483648 .. 4294967295 (the upper half as the
    // same bits as the negative numbers, as unsigned settings travel) and refuses the rest.
    constexpr int64_t kTooBig = int64_t(1) << 33;
    int64_t magnitude = 0;
    for (; i < line.size(); ++i) {
        const char c = line[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        magnitude = std::min(kTooBig, magnitude * 10 + (c - '0'));
    }
    const int64_t value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<uint32_t>::max())
        return std::nullopt;
    request.value = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
    return request;
}

std::string SerialCommandParser::Format(const SimReply& reply)
{
    std::string text;
    switch (reply.kind) {
    case SimReply::Kind::Value:
        text = std::to_string(reply.value);
        break;
    case SimReply::Kind::Ack:
        text = "OK";
        break;
    case SimReply::Kind::Unknown:
        text = "ERR2";
        break;
    case SimReply::Kind::Text:
        text = reply.text;
        break;
    case SimReply::Kind::None:
        return {};
    }
    return "#" + text + "\r\n";
}
