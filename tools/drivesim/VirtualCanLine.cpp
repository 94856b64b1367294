#include "tools/drivesim/VirtualCanLine.h"

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}

std::string VirtualCanLine::ToClient(const SimCanFrame& frame)
{
    static const char kHex[] = "0123456789abcdef";
    std::string line = std::to_string(frame.id) + '#';
    if (frame.remote)
        line += 'R';
    if (frame.extended)
        line += 'X';
    line += '#';
    for (uint8_t b : frame.data) {
        line += kHex[b >> 4];
        line += kHex[b & 15];
    }
    return line + '\n';
}

std::string VirtualCanLine::ToServer(int channel, const SimCanFrame& frame)
{
    return "can" + std::to_string(channel) + ':' + ToClient(frame);
}

std::string VirtualCanLine::Connect(int channel)
{
    return "connect:can" + std::to_string(channel) + '\n';
}

std::optional<SimCanFrame> VirtualCanLine::ParseFrame(std::string_view text)
{
    const size_t first = text.find('#');
    if (first == std::string_view::npos || first == 0)
        return std::nullopt;
    const size_t second = text.find('#', first + 1);
    if (second == std::string_view::npos)
        return std::nullopt;

    SimCanFrame frame;
    uint64_t id = 0;
    for (char c : text.substr(0, first)) {
        if (c < '0' || c > '9')
            return std::nullopt;
        id = id * 10 + static_cast<uint64_t>(c - '0');
        if (id > 0x1FFFFFFF)
            return std::nullopt;
    }
    frame.id = static_cast<uint32_t>(id);
    const std::string_view flags = text.substr(first + 1, second - first - 1);
    frame.remote = flags.find('R') != std::string_view::npos;
    frame.extended = flags.find('X') != std::string_view::npos;

    const std::string_view hex = text.substr(second + 1);
    if (hex.size() % 2 != 0 || hex.size() > 2 * 64)
        return std::nullopt;
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexDigit(hex[i]);
        const int low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        frame.data.push_back(static_cast<uint8_t>(high << 4 | low));
    }
    return frame;
}
