#include "link/CommandTables.h"
#include "tools/drivesim/SimCommandTable.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

namespace {

class CommandTablesTest : public ::testing::Test {
protected:
    void SetUp() override { InitCommandTables(); }
};

int ParsedId(QString text)
{
    int id = 12345;
    ParseCommandId(text, id, false);
    return id;
}

int ParsedValue(QString text)
{
    int value = 12345;
    EXPECT_TRUE(ParseCommandValue(text, value, false));
    return value;
}

// Each text parses to its value.
void ExpectParsedValues(std::initializer_list<std::pair<QString, int>> cases)
{
    for (const auto& [text, value] : cases)
        EXPECT_EQ(ParsedValue(text), value) << qPrintable(text);
}

} // namespace

// The simulated drive keeps the drive's command list in the manual's grouped form, apart
// from the program's rows, so that a slip in the row table shows up as a difference.
TEST(CommandTableRows, MatchTheDriveCommandList)
{
    const std::vector<SimCommand>& expected = SimCommandTable::All();
    const auto rows = CommandRows();
    ASSERT_EQ(expected.size(), 254u);
    ASSERT_EQ(rows.size(), expected.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(expected[i].mnemonic);
        EXPECT_EQ(rows[i].id, expected[i].id);
        EXPECT_EQ(std::string(rows[i].mnemonic), expected[i].mnemonic);
        EXPECT_EQ(rows[i].argBytes, expected[i].argBytes);
    }
}

TEST(CommandTableRows, AreUniqueAndWellFormed)
{
    std::set<int> ids;
    std::set<std::string> mnemonics;
    std::map<int, int> bySize;
    for (const CommandRow& row : CommandRows()) {
        const std::string m = row.mnemonic;
        SCOPED_TRACE(m);
        EXPECT_TRUE(ids.insert(row.id).second);
        EXPECT_TRUE(mnemonics.insert(m).second);
        EXPECT_GT(row.id, 0);
        ASSERT_GE(m.size(), 1u);
        EXPECT_LE(m.size(), 4u);
        for (char c : m)
            EXPECT_TRUE(c >= 'A' && c <= 'Z');
        ++bySize[row.argBytes];

        // Queries carry nothing except the three that select what to read; settings
        // carry a value except the brake switch.
        if (m[0] == 'G') {
            const bool selector = m == "GDTY" || m == "GDTN" || m == "GLER";
            EXPECT_EQ(row.argBytes, selector ? 4 : 0);
        }
        if (m[0] == 'S') {
            if (m == "SBS")
                EXPECT_EQ(row.argBytes, 0);
            else
                EXPECT_TRUE(row.argBytes == 2 || row.argBytes == 4);
        }
    }
    EXPECT_EQ(ids.size(), 254u);
    EXPECT_EQ(mnemonics.size(), 254u);
    EXPECT_EQ(bySize, (std::map<int, int> { { 0, 133 }, { 2, 45 }, { 4, 76 } }));
}

TEST_F(CommandTablesTest, KnownIds)
{
    const std::pair<const char*, int> known[] = {
        {"GMOD", 43}, {"GM", 155}, {"ENA", 128}, {"DIS", 129}, {"GDTY", 3},
        {"GDTN", 9809}, {"GSIN", 9832}, {"GEIN", 9810}, {"GHLI", 9784}, {"GHLJ", 9785},
        {"SHLA", 9792}, {"SHLB", 9793}, {"SHLE", 9796}, {"SHLF", 9797}, {"SPC", 26},
        {"SMOD", 42}, {"GID", 1}, {"GV", 145}, {"SAT", 239}, {"GCD", 9987},
    };
    for (const auto& [mnemonic, id] : known)
        EXPECT_EQ(ParsedId(QString::fromLatin1(mnemonic) + u'\r'), id) << mnemonic;
}

TEST_F(CommandTablesTest, MapsHoldEveryRowAndInitIsIdempotent)
{
    InitCommandTables();
    InitCommandTables();
    EXPECT_EQ(g_mapCmdId.size(), 254u);
    EXPECT_EQ(g_mapCmdArgSize.size(), 254u);
    EXPECT_EQ(g_mapCmdName.size(), 254u);
    for (const CommandRow& row : CommandRows()) {
        SCOPED_TRACE(row.mnemonic);
        QString text = QString::fromLatin1(row.mnemonic) + u'\r';
        int id = 0;
        EXPECT_TRUE(ParseCommandId(text, id, false));
        EXPECT_EQ(id, row.id);
        int size = -1;
        EXPECT_TRUE(LookupCommandArgSize(row.id, size));
        EXPECT_EQ(size, row.argBytes);
        QString name = "junk";
        EXPECT_TRUE(ParseCommandId(name, id, true));
        EXPECT_EQ(name, QString::fromLatin1(row.mnemonic));
    }
}

TEST_F(CommandTablesTest, ParseIdUpperCasesTheCallersText)
{
    // Only ASCII letters change: nothing else may grow, shrink or change on its way out.
    const std::tuple<QString, int, QString> cases[] = { { "gmod\r", 43, "GMOD\r" },
        { "Spc-15abc\r", 26, "SPC-15ABC\r" },
        { QString::fromUtf8("gm \u00df\u00e4\u03b1z\r"), 155, QString::fromUtf8("GM \u00df\u00e4\u03b1Z\r") } };
    for (auto [text, id, upper] : cases) {
        int parsed = 0;
        EXPECT_TRUE(ParseCommandId(text, parsed, false)) << qPrintable(upper);
        EXPECT_EQ(parsed, id);
        EXPECT_EQ(text, upper);
    }
}

TEST_F(CommandTablesTest, ParseIdTakesTheLeadingCapitalsOnly)
{
    EXPECT_EQ(ParsedId("GMOD"), 43);        // no CR: the mnemonic ends with the text
    EXPECT_EQ(ParsedId("SMOD 5\r"), 42);
    EXPECT_EQ(ParsedId("SPC-1500\r"), 26);
    EXPECT_EQ(ParsedId("GM\r\n"), 155);

    QString text = "G1\r";                  // mnemonic "G" is no command
    int id = 99;
    EXPECT_FALSE(ParseCommandId(text, id, false));
    EXPECT_EQ(id, -1);

    EXPECT_EQ(ParsedId(""), -1);
    EXPECT_EQ(ParsedId("\r"), -1);
    EXPECT_EQ(ParsedId(" GM\r"), -1);
    EXPECT_EQ(ParsedId("GMODX\r"), -1);
    EXPECT_EQ(ParsedId("1GM\r"), -1);
}

TEST_F(CommandTablesTest, ParseIdLooksAtSixtyFourCharacters)
{
    // A known mnemonic followed by a long tail is still found.
    EXPECT_EQ(ParsedId("GM" + QString(200, u' ') + "\r"), 155);
    // Sixty-four letters or more: cut and not found, and nothing beyond is read.
    QString letters(64, u'A');
    EXPECT_EQ(ParsedId(letters + "\r"), -1);
    QString text = QString(100, u'g');
    int id = 0;
    EXPECT_FALSE(ParseCommandId(text, id, false));
    EXPECT_EQ(id, -1);
    EXPECT_EQ(text, QString(100, u'G')); // the whole text is upper-cased, not only the copy
}

TEST_F(CommandTablesTest, IdToMnemonic)
{
    QString text = "old";
    int id = 43;
    EXPECT_TRUE(ParseCommandId(text, id, true));
    EXPECT_EQ(text, "GMOD");

    for (int unknown : {0, -1, 13, 999, 9999, INT_MAX, INT_MIN}) {
        text = "kept";
        id = unknown;
        EXPECT_FALSE(ParseCommandId(text, id, true)) << unknown;
        EXPECT_EQ(text, "kept");
        EXPECT_EQ(id, unknown);
    }
}

TEST_F(CommandTablesTest, ParseValueReadsTheNumberAfterTheMnemonic)
{
    // A blank ends the number before it starts; without a mnemonic the number starts at once.
    ExpectParsedValues({ { "SPC-1500\r", -1500 }, { "SPC+20\r", 20 }, { "GM\r", 0 }, { "SMOD 5\r", 0 },
        { "SMOD5", 5 }, { "SMOD", 0 }, { "", 0 }, { "\r", 0 }, { "300\r", 300 },
        { "SPC0000000000000000000000042\r", 42 } });
}

TEST_F(CommandTablesTest, ParseValueSignsAndStrayCharacters)
{
    // Other scripts' digits are no digits.
    ExpectParsedValues({ { "SPC-\r", 0 }, { "SPC+\r", 0 }, { "SPC+-5\r", 0 }, { "SPC--5\r", 0 }, { "SPC12-3\r", 12 },
        { "SPC12+3\r", 12 }, { "SPC12X3\r", 12 }, { "SPC12 3\r", 12 }, { "SPC-0\r", 0 },
        { "SPC\u0661\u0662\r", 0 } });
}

TEST_F(CommandTablesTest, ParseValueUpperCasesTheCallersText)
{
    QString text = "smod7\r";
    int value = 0;
    EXPECT_TRUE(ParseCommandValue(text, value, false));
    EXPECT_EQ(value, 7);
    EXPECT_EQ(text, "SMOD7\r");
}

TEST_F(CommandTablesTest, ParseValueLooksAtSixtyFourCharacters)
{
    // 60 letters, then digits: only the first four digits are inside the copy.
    EXPECT_EQ(ParsedValue(QString(60, u'S') + "123456\r"), 1234);
    EXPECT_EQ(ParsedValue(QString(64, u'S') + "123456\r"), 0);
}

TEST_F(CommandTablesTest, ParseValueKeepsUnsignedArgumentsBitForBit)
{
    ExpectParsedValues({ { "SAT2147483647\r", INT_MAX }, { "SAT2147483648\r", INT_MIN }, { "SAT4294967295\r", -1 },
        { "SPC-2147483648\r", INT_MIN } });

    // What a caller writes with "%u" comes back as the same 32 bits.
    for (uint32_t u : {0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0xFFFF0001u, 0xFFFFFFFEu, 0xFFFFFFFFu,
                       (0xFFFFu << 16) | 0x1234u}) {
        const int value = ParsedValue(QString("SAT%1\r").arg(u));
        EXPECT_EQ(static_cast<uint32_t>(value), u) << u;
    }
    // And "%d" of any int comes back unchanged.
    for (int d : {INT_MIN, INT_MIN + 1, -65536, -1, 0, 1, 65535, INT_MAX - 1, INT_MAX})
        EXPECT_EQ(ParsedValue(QString("SPC%1\r").arg(d)), d) << d;
}

TEST_F(CommandTablesTest, ParseValueSaturatesBeyondThirtyTwoBits)
{
    ExpectParsedValues({ { "SAT4294967296\r", INT_MAX }, { "SAT9223372036854775807\r", INT_MAX },
        { "SAT9223372036854775808\r", INT_MAX }, { "SAT" + QString(60, u'9') + "\r", INT_MAX },
        { "SPC-2147483649\r", INT_MIN }, { "SPC-4294967295\r", INT_MIN }, { "SPC-9223372036854775808\r", INT_MIN },
        { "SPC-9223372036854775809\r", INT_MIN }, { "SPC-" + QString(59, u'9') + "\r", INT_MIN } });
}

TEST_F(CommandTablesTest, ValueToText)
{
    for (int value : {5, -7, 0, INT_MIN, INT_MAX}) {
        QString text = "SMOD";
        EXPECT_TRUE(ParseCommandValue(text, value, true));
        EXPECT_EQ(text, "SMOD" + QString::number(value));
    }
}

TEST_F(CommandTablesTest, ArgSizeOfUnknownIdsLeavesTheOutputAlone)
{
    int size = 0;
    EXPECT_TRUE(LookupCommandArgSize(3, size));
    EXPECT_EQ(size, 4);
    EXPECT_TRUE(LookupCommandArgSize(42, size));
    EXPECT_EQ(size, 2);
    EXPECT_TRUE(LookupCommandArgSize(155, size));
    EXPECT_EQ(size, 0);
    for (int unknown : {0, -1, 13, 15, 191, 9999, INT_MAX, INT_MIN}) {
        size = 77;
        EXPECT_FALSE(LookupCommandArgSize(unknown, size)) << unknown;
        EXPECT_EQ(size, 77);
    }
}

// The tables are filled once per process, so this runs in a fresh copy of the test
// program, where nothing has filled them yet.
TEST(CommandTablesLifecycle, LookupsBeforeInitFindNothing)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            int failures = 0;
            QString text = "gm\r";
            int id = 0;
            int size = 77;
            failures += ParseCommandId(text, id, false) || id != -1 || text != "GM\r";
            failures += LookupCommandArgSize(155, size) || size != 77;
            text = "old";
            id = 155;
            failures += ParseCommandId(text, id, true) || text != "old";
            int value = 0;
            text = "spc-3\r";
            failures += !ParseCommandValue(text, value, false) || value != -3;
            failures += !g_mapCmdId.empty() || !g_mapCmdArgSize.empty() || !g_mapCmdName.empty();

            InitCommandTables();
            text = "gm\r";
            failures += !ParseCommandId(text, id, false) || id != 155;
            failures += !LookupCommandArgSize(155, size) || size != 0;
            std::_Exit(failures);
        },
        ::testing::ExitedWithCode(0), "");
}

// Several threads fill and use the tables at once, each with its own texts: every answer
// must be its own text's, which fails if any part of the work is shared between calls.
TEST(CommandTablesThreads, ConcurrentInitAndParsing)
{
    struct Case {
        QString text;
        int id;
        int value;
    };
    const std::vector<Case> cases = {
        {"spc-1500\r", 26, -1500}, {"gmod\r", 43, 0}, {"SAT4294967295\r", 239, -1},
        {"smod 5\r", 42, 0},       {"g1\r", -1, 1},   {"shlf123456\r", 9797, 123456},
        {QString(70, u'x'), -1, 0}, {"gdty7\r", 3, 7},
    };
    std::atomic<int> mismatches{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (size_t t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            while (!go.load())
                std::this_thread::yield();
            InitCommandTables();
            for (int round = 0; round < 20000; ++round) {
                const Case& c = cases[(t + round) % cases.size()];
                QString text = c.text;
                int id = 0;
                int value = 0;
                ParseCommandId(text, id, false);
                ParseCommandValue(text, value, false);
                int size = -1;
                const bool sized = LookupCommandArgSize(id, size);
                if (id != c.id || value != c.value || text != c.text.toUpper() || sized != (c.id > 0))
                    ++mismatches;
            }
        });
    }
    go = true;
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}
