#include "link/CommandTables.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

// The drive's command list written the way its manual groups it: ids run on from the first
// id of each group; ":n" gives the argument bytes where there are any. Kept in this second
// shape on purpose, so that a slip in the program's row table shows up as a difference.
struct CommandGroup {
    int firstId;
    const char* commands;
};
const CommandGroup kManualGroups[] = {
    {1, "GID GVER GDTY:4 SADR:2 GADR GNOD SCBD:4 GCBD GRBD BAUD:4 SNOT:2 GNOT"},
    {16, "KN:2 GKN R:2 GR N:2 GN SSP:4 GSP SMV:2 GMV SPC:4 GPC SCC:4 GCC ENC:4 GENC"},
    {42, "SMOD:2 GMOD SEIR:4 GEIR SIR:4 GIR"},
    {49,
     "SMAV:2 GMAV SPH:4 GPH SPL:4 GPL STW:2 GTW SER:4 GER SSK:4 GSK SPT:4 GPT SPE:4 "
     "GPE SPHE:4 GPHE GLR SL:2 SR:2"},
    {78, "SIPM:4 GIPM"},
    {84,
     "SST:4 GST SIIT:4 GIIT A:2 GA AP:2 GAP AI:2 GAI AD:4 GAD P:2 GP I:2 GI D:2 GD "
     "MP:2 GMP MK:2 GMK MI:4 GMI MD:2 GMD"},
    {117, "SPOF:2 GPOF SOV:4 GOV SOP:4 GOP SORG:4 GORG MPO:2 CMPO:4"},
    {128, "ENA DIS ESA FCFG SBS CBS"},
    {144, "V:4 GV GVE GSV"},
    {149, "AM:4 EC:4"},
    {152, "PO:4 M:4 MR:4 GM GME GSM SME:2 GSE"},
    {192, "CPA:4"},
    {194, "SNP:2 GNP"},
    {200, "SHE:2 GHE"},
    {204, "SCCW:2 GCCW SCPI:4 GCPI GC GT GEI GSI"},
    {225,
     "SVAK:4 GVAK SVAB:4 GVAB GRV SSVB:4 GSVB SVFB:4 GVFB SVFK:4 GVFK SOPT:4 GOPT "
     "SWM:4 SAT:4 ZPQM:4 SIAT:4 GIAT SSVK:4 GSVK SHAK:4 GHAK SHAB:4 GHAB"},
    {2305, "GBRM GBRN GLEF GRIG"},
    {9476, "SQTA:4 GQTA SQTT:4 GQTT SDEC:4 GDEC SBRA:4 GBRA"},
    {9776,
     "GHLA GHLB GHLC GHLD GHLE GHLF GHLG GHLH GHLI GHLJ GHLK GHLL GHLM GHLN GHLO GHLR "
     "SHLA:4 SHLB:4 SHLC:4 SHLD:4 SHLE:4 SHLF:4 SHLG:4 SHLH:4 SHLI:4 SHLJ:4 SHLK:4 "
     "SHLL:4 SHLM:4 SHLN:4 SHLO:4 SHLR:4 GVEN GDTN:4 GEIN SMST:2 GMST SMSO:2 GMSO "
     "SCMS:2 GCMS"},
    {9826, "SPOM:2 GPOM SPOI:4 GPOI SPOT:4 GPOT GSIN"},
    {9840, "SVRF:4 GVRF SVBU:4 GVBU SVRM:2 GVRM SECM:2 GECM SCEC:2 GCEC"},
    {9856, "SUBD:4 GUBD"},
    {9872, "SIOD:2 GIOD SFAT:2 GFAT SCDI:2 GCDI"},
    {9888,
     "SENA:2 GENA SCLK:2 GCLK SDIR:2 GDIR SPOS:2 GPOS SNEG:2 GNEG SIOA:2 GIOA SIOB:2 "
     "GIOB SIOC:2 GIOC"},
    {9920, "SCIT:4 GCIT SEVL:2 GEVL"},
    {9981, "PTST:4 ZCNT"},
    {9984, "SLER:4 GLER:4 GCT GCD"},
};

struct ExpectedRow {
    int id;
    std::string mnemonic;
    int argBytes;
};

std::vector<ExpectedRow> ExpandManualGroups()
{
    std::vector<ExpectedRow> rows;
    for (const CommandGroup& group : kManualGroups) {
        int id = group.firstId;
        for (const QString& item : QString::fromLatin1(group.commands).split(u' ', Qt::SkipEmptyParts)) {
            const QStringList parts = item.split(u':');
            rows.push_back({id++, parts[0].toStdString(), parts.size() > 1 ? parts[1].toInt() : 0});
        }
    }
    return rows;
}

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

} // namespace

TEST(CommandTableRows, MatchTheDriveCommandList)
{
    const std::vector<ExpectedRow> expected = ExpandManualGroups();
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
    EXPECT_EQ(bySize.size(), 3u);
    EXPECT_EQ(bySize[0], 133);
    EXPECT_EQ(bySize[2], 45);
    EXPECT_EQ(bySize[4], 76);
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
    QString text = "gmod\r";
    int id = 0;
    EXPECT_TRUE(ParseCommandId(text, id, false));
    EXPECT_EQ(id, 43);
    EXPECT_EQ(text, "GMOD\r");

    text = "Spc-15abc\r";
    EXPECT_TRUE(ParseCommandId(text, id, false));
    EXPECT_EQ(id, 26);
    EXPECT_EQ(text, "SPC-15ABC\r");

    // Only ASCII letters change: nothing else may grow, shrink or change on its way out.
    text = QString::fromUtf8("gm \u00df\u00e4\u03b1z\r");
    EXPECT_TRUE(ParseCommandId(text, id, false));
    EXPECT_EQ(id, 155);
    EXPECT_EQ(text, QString::fromUtf8("GM \u00df\u00e4\u03b1Z\r"));
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
    EXPECT_EQ(ParsedValue("SPC-1500\r"), -1500);
    EXPECT_EQ(ParsedValue("SPC+20\r"), 20);
    EXPECT_EQ(ParsedValue("GM\r"), 0);
    EXPECT_EQ(ParsedValue("SMOD 5\r"), 0);    // a blank ends the number before it starts
    EXPECT_EQ(ParsedValue("SMOD5"), 5);
    EXPECT_EQ(ParsedValue("SMOD"), 0);
    EXPECT_EQ(ParsedValue(""), 0);
    EXPECT_EQ(ParsedValue("\r"), 0);
    EXPECT_EQ(ParsedValue("300\r"), 300);     // no mnemonic: the number starts at once
    EXPECT_EQ(ParsedValue("SPC0000000000000000000000042\r"), 42);
}

TEST_F(CommandTablesTest, ParseValueSignsAndStrayCharacters)
{
    EXPECT_EQ(ParsedValue("SPC-\r"), 0);
    EXPECT_EQ(ParsedValue("SPC+\r"), 0);
    EXPECT_EQ(ParsedValue("SPC+-5\r"), 0);
    EXPECT_EQ(ParsedValue("SPC--5\r"), 0);
    EXPECT_EQ(ParsedValue("SPC12-3\r"), 12);
    EXPECT_EQ(ParsedValue("SPC12+3\r"), 12);
    EXPECT_EQ(ParsedValue("SPC12X3\r"), 12);
    EXPECT_EQ(ParsedValue("SPC12 3\r"), 12);
    EXPECT_EQ(ParsedValue("SPC-0\r"), 0);
    EXPECT_EQ(ParsedValue("SPC\u0661\u0662\r"), 0); // other scripts' digits are no digits
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
    EXPECT_EQ(ParsedValue("SAT2147483647\r"), INT_MAX);
    EXPECT_EQ(ParsedValue("SAT2147483648\r"), INT_MIN);
    EXPECT_EQ(ParsedValue("SAT4294967295\r"), -1);
    EXPECT_EQ(ParsedValue("SPC-2147483648\r"), INT_MIN);

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
    EXPECT_EQ(ParsedValue("SAT4294967296\r"), INT_MAX);
    EXPECT_EQ(ParsedValue("SAT9223372036854775807\r"), INT_MAX);
    EXPECT_EQ(ParsedValue("SAT9223372036854775808\r"), INT_MAX);
    EXPECT_EQ(ParsedValue("SAT" + QString(60, u'9') + "\r"), INT_MAX);
    EXPECT_EQ(ParsedValue("SPC-2147483649\r"), INT_MIN);
    EXPECT_EQ(ParsedValue("SPC-4294967295\r"), INT_MIN);
    EXPECT_EQ(ParsedValue("SPC-9223372036854775808\r"), INT_MIN);
    EXPECT_EQ(ParsedValue("SPC-9223372036854775809\r"), INT_MIN);
    EXPECT_EQ(ParsedValue("SPC-" + QString(59, u'9') + "\r"), INT_MIN);
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
