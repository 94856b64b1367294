#include "pages/params/PortWord.h"

#include <algorithm>
#include <array>

namespace {

constexpr uint16_t kOutputBit = 0x01;
constexpr uint16_t kPullOrTypeBit = 0x02;
constexpr uint16_t kLevelBit = 0x04;
constexpr int kFunctionShift = 8;

// The function behind each item of a function combo: the input combos of IO1..IO4 share
// one list; of the outputs only IO3 and IO4 have functions.
constexpr std::array<int, 5> kInputFunctions { PORT_FUNCTION_NONE, PORT_FUNCTION_ENABLE, PORT_FUNCTION_CW_LIMIT,
    PORT_FUNCTION_CCW_LIMIT, PORT_FUNCTION_BRAKE };
constexpr std::array<int, 1> kOutputFunctionsIo12 { PORT_FUNCTION_NONE };
constexpr std::array<int, 2> kOutputFunctionsIo3 { PORT_FUNCTION_NONE, PORT_FUNCTION_CURRENT_POLARITY3 };
constexpr std::array<int, 3> kOutputFunctionsIo4 { PORT_FUNCTION_NONE, PORT_FUNCTION_CURRENT_VALUE,
    PORT_FUNCTION_CURRENT_POLARITY };

struct Functions {
    const int* codes;
    int count;
};

Functions FunctionsOf(int port, bool output)
{
    if (!output)
        return { kInputFunctions.data(), static_cast<int>(kInputFunctions.size()) };
    if (port == 2)
        return { kOutputFunctionsIo3.data(), static_cast<int>(kOutputFunctionsIo3.size()) };
    if (port == 3)
        return { kOutputFunctionsIo4.data(), static_cast<int>(kOutputFunctionsIo4.size()) };
    return { kOutputFunctionsIo12.data(), static_cast<int>(kOutputFunctionsIo12.size()) };
}

} // namespace

uint16_t PortWord::Encode() const
{
    uint16_t word = static_cast<uint16_t>((function & 0xFF) << kFunctionShift);
    if (output)
        word |= kOutputBit;
    if (pullOrType == 1)
        word |= kPullOrTypeBit;
    if (level == 1)
        word |= kLevelBit;
    return word;
}

PortWord PortWord::Decode(uint32_t word)
{
    PortWord port;
    port.output = word & kOutputBit;
    port.pullOrType = word & kPullOrTypeBit ? 1 : 0;
    port.level = word & kLevelBit ? 1 : 0;
    port.function = static_cast<int>((word >> kFunctionShift) & 0xFF);
    return port;
}

int CommonPortFunction(int port, bool output, int item)
{
    const Functions functions = FunctionsOf(port, output);
    return item >= 0 && item < functions.count ? functions.codes[item] : PORT_FUNCTION_NONE;
}

int CommonPortFunctionItem(int port, bool output, int function)
{
    const Functions functions = FunctionsOf(port, output);
    const int* end = functions.codes + functions.count;
    const int* found = std::find(functions.codes, end, function);
    return found == end ? 0 : static_cast<int>(found - functions.codes);
}
