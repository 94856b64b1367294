// fuzz-sources: shell/StripDecoders.cpp shell/DriveReplyDecoder.cpp shell/Globals.cpp
#include "shell/DriveReplyDecoder.h"

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

// Replies as a drive, a noisy line or a confused frame might deliver them to the top
// strip: any command, any form, any value, any text. Checks that the decoders stay in
// bounds, that number texts convert as strtol would and saturate, and that the type name
// is always terminated inside its buffer.
namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

int ReferenceToInt(const QByteArray& text)
{
    const std::string s(text.constData(), static_cast<size_t>(text.size()));
    errno = 0;
    const long long v = std::strtoll(s.c_str(), nullptr, 10);
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return static_cast<int>(v);
}

const CommandId COMMANDS[] = { 0, CMD_GID, CMD_GVER, CMD_GDTY, CMD_GMOD, CMD_ENA, CMD_GT, CMD_GEI, CMD_GSI,
    CMD_GVEN, CMD_GDTN, CMD_GEIN, CMD_GSIN };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DriveReplyDecoder decoder(
        [](int, QString& name) { name = QStringLiteral("x"); return true; },
        [](uint32_t, QString&) { return false; });
    std::memset(g_szDriveTypeName, 'q', sizeof g_szDriveTypeName);
    // Each record: command, flags, asked part, four value bytes, text length, text.
    while (size >= 8) {
        const CommandId id = COMMANDS[data[0] % std::size(COMMANDS)];
        const bool numeric = data[1] & 1;
        const bool serial = data[1] & 2;
        const bool hasText = data[1] & 4;
        const int asked = data[2] & 15;
        uint32_t value;
        std::memcpy(&value, data + 3, 4);
        size_t length = data[7];
        data += 8;
        size -= 8;
        length = std::min(length, size);
        const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(length));
        data += length;
        size -= length;

        // Text conversions: no NUL inside, so strtoll sees the same characters.
        if (!text.contains('\0'))
            Check(TextToInt(text) == ReferenceToInt(text));
        const ControlTexts status = DecodeStatusText(text);
        Check(status.size() == 5);

        const WPARAM wParam = numeric ? value : (hasText ? 1 : 0);
        const LPARAM lParam = MAKELPARAM(static_cast<uint16_t>(id), numeric ? 0x10 : 0);
        const StripUpdate update = decoder.Decode(DriveReply::FromMessage(wParam, lParam, text), serial, asked);
        Check(update.askTypeNamePart == 0 || (update.askTypeNamePart >= 2 && update.askTypeNamePart <= 15));
        if (id == CMD_GDTN && !serial && update.texts.count(IDC_TYPE))
            Check(std::memchr(g_szDriveTypeName, '\0', 46) != nullptr);
        Check((decoder.LitLamps() & ~0x3FF) == 0);
    }
    return 0;
}
