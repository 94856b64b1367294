#include "link/CommandTables.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <mutex>

namespace {

constexpr CommandRow kCommandRows[] = {
    {1, "GID", 0},
    {2, "GVER", 0},
    {3, "GDTY", 4},
    {4, "SADR", 2},
    {5, "GADR", 0},
    {6, "GNOD", 0},
    {7, "SCBD", 4},
    {8, "GCBD", 0},
    {9, "GRBD", 0},
    {10, "BAUD", 4},
    {11, "SNOT", 2},
    {12, "GNOT", 0},

    {16, "KN", 2},
    {17, "GKN", 0},
    {18, "R", 2},
    {19, "GR", 0},
    {20, "N", 2},
    {21, "GN", 0},
    {22, "SSP", 4},
    {23, "GSP", 0},
    {24, "SMV", 2},
    {25, "GMV", 0},
    {26, "SPC", 4},
    {27, "GPC", 0},
    {28, "SCC", 4},
    {29, "GCC", 0},
    {30, "ENC", 4},
    {31, "GENC", 0},

    {42, "SMOD", 2},
    {43, "GMOD", 0},
    {44, "SEIR", 4},
    {45, "GEIR", 0},
    {46, "SIR", 4},
    {47, "GIR", 0},

    {49, "SMAV", 2},
    {50, "GMAV", 0},
    {51, "SPH", 4},
    {52, "GPH", 0},
    {53, "SPL", 4},
    {54, "GPL", 0},
    {55, "STW", 2},
    {56, "GTW", 0},
    {57, "SER", 4},
    {58, "GER", 0},
    {59, "SSK", 4},
    {60, "GSK", 0},
    {61, "SPT", 4},
    {62, "GPT", 0},
    {63, "SPE", 4},
    {64, "GPE", 0},
    {65, "SPHE", 4},
    {66, "GPHE", 0},
    {67, "GLR", 0},
    {68, "SL", 2},
    {69, "SR", 2},

    {78, "SIPM", 4},
    {79, "GIPM", 0},

    {84, "SST", 4},
    {85, "GST", 0},
    {86, "SIIT", 4},
    {87, "GIIT", 0},
    {88, "A", 2},
    {89, "GA", 0},
    {90, "AP", 2},
    {91, "GAP", 0},
    {92, "AI", 2},
    {93, "GAI", 0},
    {94, "AD", 4},
    {95, "GAD", 0},
    {96, "P", 2},
    {97, "GP", 0},
    {98, "I", 2},
    {99, "GI", 0},
    {100, "D", 2},
    {101, "GD", 0},
    {102, "MP", 2},
    {103, "GMP", 0},
    {104, "MK", 2},
    {105, "GMK", 0},
    {106, "MI", 4},
    {107, "GMI", 0},
    {108, "MD", 2},
    {109, "GMD", 0},

    {117, "SPOF", 2},
    {118, "GPOF", 0},
    {119, "SOV", 4},
    {120, "GOV", 0},
    {121, "SOP", 4},
    {122, "GOP", 0},
    {123, "SORG", 4},
    {124, "GORG", 0},
    {125, "MPO", 2},
    {126, "CMPO", 4},

    {128, "ENA", 0},
    {129, "DIS", 0},
    {130, "ESA", 0},
    {131, "FCFG", 0},
    {132, "SBS", 0},
    {133, "CBS", 0},

    {144, "V", 4},
    {145, "GV", 0},
    {146, "GVE", 0},
    {147, "GSV", 0},

    {149, "AM", 4},
    {150, "EC", 4},

    {152, "PO", 4},
    {153, "M", 4},
    {154, "MR", 4},
    {155, "GM", 0},
    {156, "GME", 0},
    {157, "GSM", 0},
    {158, "SME", 2},
    {159, "GSE", 0},

    {192, "CPA", 4},

    {194, "SNP", 2},
    {195, "GNP", 0},

    {200, "SHE", 2},
    {201, "GHE", 0},

    {204, "SCCW", 2},
    {205, "GCCW", 0},
    {206, "SCPI", 4},
    {207, "GCPI", 0},
    {208, "GC", 0},
    {209, "GT", 0},
    {210, "GEI", 0},
    {211, "GSI", 0},

    {225, "SVAK", 4},
    {226, "GVAK", 0},
    {227, "SVAB", 4},
    {228, "GVAB", 0},
    {229, "GRV", 0},
    {230, "SSVB", 4},
    {231, "GSVB", 0},
    {232, "SVFB", 4},
    {233, "GVFB", 0},
    {234, "SVFK", 4},
    {235, "GVFK", 0},
    {236, "SOPT", 4},
    {237, "GOPT", 0},
    {238, "SWM", 4},
    {239, "SAT", 4},
    {240, "ZPQM", 4},
    {241, "SIAT", 4},
    {242, "GIAT", 0},
    {243, "SSVK", 4},
    {244, "GSVK", 0},
    {245, "SHAK", 4},
    {246, "GHAK", 0},
    {247, "SHAB", 4},
    {248, "GHAB", 0},

    {2305, "GBRM", 0},
    {2306, "GBRN", 0},
    {2307, "GLEF", 0},
    {2308, "GRIG", 0},

    {9476, "SQTA", 4},
    {9477, "GQTA", 0},
    {9478, "SQTT", 4},
    {9479, "GQTT", 0},
    {9480, "SDEC", 4},
    {9481, "GDEC", 0},
    {9482, "SBRA", 4},
    {9483, "GBRA", 0},

    {9776, "GHLA", 0},
    {9777, "GHLB", 0},
    {9778, "GHLC", 0},
    {9779, "GHLD", 0},
    {9780, "GHLE", 0},
    {9781, "GHLF", 0},
    {9782, "GHLG", 0},
    {9783, "GHLH", 0},
    {9784, "GHLI", 0},
    {9785, "GHLJ", 0},
    {9786, "GHLK", 0},
    {9787, "GHLL", 0},
    {9788, "GHLM", 0},
    {9789, "GHLN", 0},
    {9790, "GHLO", 0},
    {9791, "GHLR", 0},
    {9792, "SHLA", 4},
    {9793, "SHLB", 4},
    {9794, "SHLC", 4},
    {9795, "SHLD", 4},
    {9796, "SHLE", 4},
    {9797, "SHLF", 4},
    {9798, "SHLG", 4},
    {9799, "SHLH", 4},
    {9800, "SHLI", 4},
    {9801, "SHLJ", 4},
    {9802, "SHLK", 4},
    {9803, "SHLL", 4},
    {9804, "SHLM", 4},
    {9805, "SHLN", 4},
    {9806, "SHLO", 4},
    {9807, "SHLR", 4},
    {9808, "GVEN", 0},
    {9809, "GDTN", 4},
    {9810, "GEIN", 0},
    {9811, "SMST", 2},
    {9812, "GMST", 0},
    {9813, "SMSO", 2},
    {9814, "GMSO", 0},
    {9815, "SCMS", 2},
    {9816, "GCMS", 0},

    {9826, "SPOM", 2},
    {9827, "GPOM", 0},
    {9828, "SPOI", 4},
    {9829, "GPOI", 0},
    {9830, "SPOT", 4},
    {9831, "GPOT", 0},
    {9832, "GSIN", 0},

    {9840, "SVRF", 4},
    {9841, "GVRF", 0},
    {9842, "SVBU", 4},
    {9843, "GVBU", 0},
    {9844, "SVRM", 2},
    {9845, "GVRM", 0},
    {9846, "SECM", 2},
    {9847, "GECM", 0},
    {9848, "SCEC", 2},
    {9849, "GCEC", 0},

    {9856, "SUBD", 4},
    {9857, "GUBD", 0},

    {9872, "SIOD", 2},
    {9873, "GIOD", 0},
    {9874, "SFAT", 2},
    {9875, "GFAT", 0},
    {9876, "SCDI", 2},
    {9877, "GCDI", 0},

    {9888, "SENA", 2},
    {9889, "GENA", 0},
    {9890, "SCLK", 2},
    {9891, "GCLK", 0},
    {9892, "SDIR", 2},
    {9893, "GDIR", 0},
    {9894, "SPOS", 2},
    {9895, "GPOS", 0},
    {9896, "SNEG", 2},
    {9897, "GNEG", 0},
    {9898, "SIOA", 2},
    {9899, "GIOA", 0},
    {9900, "SIOB", 2},
    {9901, "GIOB", 0},
    {9902, "SIOC", 2},
    {9903, "GIOC", 0},

    {9920, "SCIT", 4},
    {9921, "GCIT", 0},
    {9922, "SEVL", 2},
    {9923, "GEVL", 0},

    {9981, "PTST", 4},
    {9982, "ZCNT", 0},

    {9984, "SLER", 4},
    {9985, "GLER", 4},
    {9986, "GCT", 0},
    {9987, "GCD", 0},
};

// Only this much of a command text is looked at; a longer mnemonic is cut and not found.
constexpr qsizetype kMaxCommandChars = 64;

std::unordered_map<QString, CommandId> s_cmdId;
std::unordered_map<CommandId, int> s_cmdArgSize;
std::unordered_map<CommandId, QString> s_cmdName;

std::once_flag s_fillOnce;
// Set (release) once the maps are complete; the parse functions look only when they see
// it (acquire), so a caller racing the first InitCommandTables finds nothing rather than a
// map being built.
std::atomic<bool> s_filled{false};

bool IsCapital(QChar c) { return c >= u'A' && c <= u'Z'; }
bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Upper-cases ASCII letters only: the drive speaks ASCII, and other letters (which no
// mnemonic contains) go out unchanged rather than growing or changing length.
void UpperCaseAscii(QString& text)
{
    const auto isLower = [](QChar c) { return c >= u'a' && c <= u'z'; };
    const auto first = std::find_if(text.cbegin(), text.cend(), isLower);
    if (first == text.cend())
        return; // nothing to change, and no detach of a shared string
    for (qsizetype i = first - text.cbegin(); i < text.size(); ++i) {
        if (isLower(text[i]))
            text[i] = QChar(text[i].unicode() - u'a' + u'A');
    }
}

// The call's own copy of the first characters of a command text. The functions run on
// several threads at once (the transaction, the UI thread, page workers), so nothing of
// the text may live beyond the call.
struct CommandCopy {
    QChar chars[kMaxCommandChars];
    qsizetype size;

    explicit CommandCopy(const QString& text)
        : size(std::min(text.size(), kMaxCommandChars))
    {
        std::copy_n(text.constData(), size, chars);
    }

    qsizetype MnemonicLength() const
    {
        qsizetype n = 0;
        while (n < size && IsCapital(chars[n]))
            ++n;
        return n;
    }
};

// Signed decimal at `pos`: an optional sign, then digits, stopping at the first character
// that does not fit. Saturates at the 64-bit range instead of overflowing.
int64_t ParseDecimal(const CommandCopy& copy, qsizetype pos)
{
    bool negative = false;
    if (pos < copy.size && (copy.chars[pos] == u'+' || copy.chars[pos] == u'-')) {
        negative = copy.chars[pos] == u'-';
        ++pos;
    }
    // Accumulate towards the sign so that INT64_MIN itself is reachable.
    int64_t value = 0;
    for (; pos < copy.size && IsDigit(copy.chars[pos]); ++pos) {
        const int digit = copy.chars[pos].unicode() - u'0';
        if (negative) {
            if (value < (INT64_MIN + digit) / 10)
                return INT64_MIN;
            value = value * 10 - digit;
        } else {
            if (value > (INT64_MAX - digit) / 10)
                return INT64_MAX;
            value = value * 10 + digit;
        }
    }
    return value;
}

// Arguments go to the drive as 32 bits. Callers write some of them unsigned ("%u", up to
// 4294967295); those keep their bit pattern. Anything beyond 32 bits is clamped so that
// an over-long number typed by hand keeps its sign instead of wrapping to a random value.
int ToArgument(int64_t value)
{
    if (value > static_cast<int64_t>(UINT32_MAX))
        return INT_MAX;
    if (value > INT_MAX)
        return static_cast<int>(static_cast<uint32_t>(value));
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

// The entry of key when the tables are filled; out is left alone otherwise.
template <typename Map, typename Value>
bool FindEntry(bool filled, const Map& map, const typename Map::key_type& key, Value& out)
{
    if (!filled)
        return false;
    const auto it = map.find(key);
    if (it == map.end())
        return false;
    out = it->second;
    return true;
}

} // namespace

const std::unordered_map<QString, CommandId>& g_mapCmdId = s_cmdId;
const std::unordered_map<CommandId, int>& g_mapCmdArgSize = s_cmdArgSize;
const std::unordered_map<CommandId, QString>& g_mapCmdName = s_cmdName;

std::span<const CommandRow> CommandRows()
{
    return kCommandRows;
}

void InitCommandTables()
{
    std::call_once(s_fillOnce, [] {
        for (const CommandRow& row : kCommandRows) {
            const QString mnemonic = QString::fromLatin1(row.mnemonic);
            s_cmdId.emplace(mnemonic, row.id);
            s_cmdArgSize.emplace(row.id, row.argBytes);
            s_cmdName.emplace(row.id, mnemonic);
        }
        s_filled.store(true, std::memory_order_release);
    });
}

bool ParseCommandId(QString& text, CommandId& id, bool direction)
{
    const bool filled = s_filled.load(std::memory_order_acquire);
    if (direction)
        return FindEntry(filled, s_cmdName, id, text);

    UpperCaseAscii(text);
    const CommandCopy copy(text);
    // The key views the call's own buffer; it lives only for the lookup.
    const QString mnemonic = QString::fromRawData(copy.chars, copy.MnemonicLength());
    if (FindEntry(filled, s_cmdId, mnemonic, id))
        return true;
    id = -1;
    return false;
}

bool ParseCommandValue(QString& text, int& value, bool direction)
{
    if (direction) {
        text += QString::number(value);
        return true;
    }

    UpperCaseAscii(text);
    const CommandCopy copy(text);
    value = ToArgument(ParseDecimal(copy, copy.MnemonicLength()));
    return true;
}

bool LookupCommandArgSize(CommandId id, int& argBytes)
{
    return FindEntry(s_filled.load(std::memory_order_acquire), s_cmdArgSize, id, argBytes);
}
