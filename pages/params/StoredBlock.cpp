#include "pages/params/StoredBlock.h"

namespace {

enum class Type { I32, I16, U16, U8, Char };
enum class Words { None, RunMode, Source, Direction, Limit };

constexpr int kAbsent = -1;

// One setting of the block: its text copy (parameter-file key - 1), its offset in layouts
// A, B and C, its type and how it is put in words.
struct BlockSetting {
    int text;
    int offset[3];
    Type type;
    Words words = Words::None;
};

const BlockSetting kSettings[] = {
    { 9, { 16, 16, 16 }, Type::I32 },   // maximum peak current
    { 10, { 20, 20, 20 }, Type::I32 },  // maximum continuous current
    { 2, { 24, 24, 24 }, Type::I32 },   // position upper limit
    { 1, { 28, 28, 28 }, Type::I32 },   // position lower limit
    { 20, { 34, 54, 54 }, Type::U16 },  // over-current protection delay
    { kUnusedWordText, { 36, 56, 56 }, Type::U16 },
    { 5, { 38, 58, 58 }, Type::I16 },   // acceleration
    { 6, { 40, 60, 60 }, Type::I16 },   // maximum speed
    { 7, { kAbsent, kAbsent, 62 }, Type::U16 }, // minimum speed
    { 8, { 44, 64, 64 }, Type::U16 },   // dead-zone voltage
    { 18, { 46, 66, 66 }, Type::U16 },  // runaway delay
    { 21, { 48, 68, 68 }, Type::U16 },  // overload protection delay
    { 11, { 50, 70, 70 }, Type::U16 },  // step width
    { 19, { 54, 74, 74 }, Type::I16 },  // position error range
    { 0, { 56, 76, 76 }, Type::U16 },   // encoder resolution
    { 12, { 58, 78, 78 }, Type::I16 },  // proportional gain
    { 13, { 60, 80, 80 }, Type::I16 },  // integral gain
    { 14, { 62, 82, 82 }, Type::I16 },  // derivative gain
    { 23, { kAbsent, 84, 84 }, Type::I16 }, // maximum position tracking error
    { 16, { 65, 107, 107 }, Type::Char, Words::RunMode },
    { 17, { 66, 108, 108 }, Type::U8, Words::Source },
    { 15, { 67, 109, 109 }, Type::Char, Words::Direction },
    { 3, { 69, 111, 111 }, Type::U8, Words::Limit },
};

constexpr int kLastLayoutA = 0x300C;
constexpr int kLastLayoutB = 0x3137;

int Read(const uint8_t* block, int offset, Type type)
{
    const uint8_t* p = block + offset;
    switch (type) {
    case Type::I32:
        return static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24);
    case Type::I16:
        return static_cast<int16_t>(p[0] | p[1] << 8);
    case Type::U16:
        return p[0] | p[1] << 8;
    case Type::U8:
    case Type::Char:
        return p[0];
    }
    return 0;
}

QString SourceText(int source)
{
    static const char* const texts[] = { "RS232指令", "模拟电压", "外部PWM信号", "步进脉冲" };
    return QString::fromUtf8(source >= 0 && source < 4 ? texts[source] : "Unknow");
}

QString RunModeText(int mode)
{
    switch (mode) {
    case '0': return QStringLiteral("速度");
    case '1': return QStringLiteral("位置");
    case '2': return QStringLiteral("步进");
    default: return QStringLiteral("Unknow");
    }
}

} // namespace

StoredBlockLayout StoredBlockLayoutFor(int firmwareVersion)
{
    if (firmwareVersion <= kLastLayoutA)
        return StoredBlockLayout::A;
    return firmwareVersion <= kLastLayoutB ? StoredBlockLayout::B : StoredBlockLayout::C;
}

std::optional<QMap<int, QString>> DecodeStoredBlock(QByteArrayView reply, int firmwareVersion)
{
    if (reply.size() < kStoredBlockReplyBytes)
        return std::nullopt;
    const auto* block = reinterpret_cast<const uint8_t*>(reply.data()) + kStoredBlockStart;
    const StoredBlockLayout layout = StoredBlockLayoutFor(firmwareVersion);
    const int column = static_cast<int>(layout);
    int runMode = 0;
    QMap<int, QString> texts;
    for (const BlockSetting& setting : kSettings) {
        const int offset = setting.offset[column];
        if (offset == kAbsent) {
            texts[setting.text] = QStringLiteral("无");
            continue;
        }
        const int value = Read(block, offset, setting.type);
        switch (setting.words) {
        case Words::None:
            texts[setting.text] = QString::number(value);
            break;
        case Words::RunMode:
            runMode = value;
            texts[setting.text] = RunModeText(value);
            break;
        case Words::Source:
            // A drive in stepping mode takes pulses whatever the byte says.
            texts[setting.text] = SourceText(runMode == '2' ? 3 : value);
            break;
        case Words::Direction: {
            const int forward = layout == StoredBlockLayout::C ? 1 : '1';
            texts[setting.text] = value == forward ? QStringLiteral("正转") : QStringLiteral("反转");
            break;
        }
        case Words::Limit:
            texts[setting.text] = value ? QStringLiteral("启用") : QStringLiteral("禁用");
            break;
        }
    }
    return texts;
}
