#include "link/CommandTables.h"
#include "tools/drivesim/SimCommandTable.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

TEST(SimCommandTable, HoldsTheWholeCommandSetOnce)
{
    const auto& all = SimCommandTable::All();
    ASSERT_EQ(all.size(), 254u);
    std::set<int> ids;
    std::set<std::string> names;
    std::map<int, int> bySize;
    for (const SimCommand& command : all) {
        ids.insert(command.id);
        names.insert(command.mnemonic);
        ASSERT_TRUE(command.argBytes == 0 || command.argBytes == 2 || command.argBytes == 4) << command.mnemonic;
        ++bySize[command.argBytes];
        ASSERT_GE(command.mnemonic.size(), 1u);
        ASSERT_LE(command.mnemonic.size(), 4u);
        for (char c : command.mnemonic)
            ASSERT_TRUE(c >= 'A' && c <= 'Z') << command.mnemonic;
    }
    EXPECT_EQ(ids.size(), 254u);
    EXPECT_EQ(names.size(), 254u);
    EXPECT_EQ(bySize, (std::map<int, int> { { 0, 133 }, { 2, 45 }, { 4, 76 } }));
}

TEST(SimCommandTable, QueriesTakeNoArgumentAndSettingsTakeOneWithTheKnownExceptions)
{
    for (const SimCommand& command : SimCommandTable::All()) {
        const std::string& m = command.mnemonic;
        if (m[0] == 'G') {
            const bool withArgument = m == "GDTY" || m == "GDTN" || m == "GLER";
            EXPECT_EQ(command.argBytes, withArgument ? 4 : 0) << m;
        } else if (m[0] == 'S') {
            if (m == "SBS")
                EXPECT_EQ(command.argBytes, 0);
            else
                EXPECT_NE(command.argBytes, 0) << m;
        }
    }
}

TEST(SimCommandTable, FindsCommandsByNameAndNumber)
{
    const std::pair<const char*, int> known[] = {
        {"GID", 1},     {"GDTY", 3},    {"GMOD", 43},   {"SMOD", 42},   {"GM", 155},    {"ENA", 128},
        {"DIS", 129},   {"SPC", 26},    {"GDTN", 9809}, {"GSIN", 9832}, {"GEIN", 9810}, {"GVEN", 9808},
        {"GHLI", 9784}, {"GHLJ", 9785}, {"SHLA", 9792}, {"SHLB", 9793}, {"SHLE", 9796}, {"SHLF", 9797},
        {"GCD", 9987},  {"GRIG", 2308}, {"GHAB", 248},  {"CPA", 192},   {"GSI", 211},
    };
    for (const auto& [name, id] : known) {
        const SimCommand* byName = SimCommandTable::Find(std::string_view(name));
        ASSERT_NE(byName, nullptr) << name;
        EXPECT_EQ(byName->id, id) << name;
        EXPECT_EQ(SimCommandTable::Find(id), byName) << name;
    }
    EXPECT_EQ(SimCommandTable::Find(std::string_view("G")), nullptr);
    EXPECT_EQ(SimCommandTable::Find(std::string_view("gmod")), nullptr);
    EXPECT_EQ(SimCommandTable::Find(14), nullptr);
    EXPECT_EQ(SimCommandTable::Find(0x802B), nullptr);
}

TEST(SimCommandTable, PairsSettingsWithTheQueriesThatReadThemBack)
{
    auto query = [](const char* setter) {
        const SimCommand* q = SimCommandTable::QueryOf(*SimCommandTable::Find(std::string_view(setter)));
        return q ? q->mnemonic : std::string("-");
    };
    auto setter = [](const char* query) {
        const SimCommand* s = SimCommandTable::SetterOf(*SimCommandTable::Find(std::string_view(query)));
        return s ? s->mnemonic : std::string("-");
    };
    EXPECT_EQ(query("SMOD"), "GMOD");
    EXPECT_EQ(query("KN"), "GKN");
    EXPECT_EQ(query("M"), "GM");
    EXPECT_EQ(query("SHLR"), "GHLR");
    EXPECT_EQ(query("SWM"), "-");
    EXPECT_EQ(query("ENA"), "-");  // an action, though GENA exists
    EXPECT_EQ(setter("GMOD"), "SMOD");
    EXPECT_EQ(setter("GKN"), "KN");
    EXPECT_EQ(setter("GSP"), "SSP");
    EXPECT_EQ(setter("GVER"), "-");
    EXPECT_EQ(setter("GSI"), "-");
}

// The simulated drive keeps its own copy of the command set so that a wrong row in the
// program cannot hide behind the same wrong row in the simulator; here the two must agree.
TEST(SimCommandTable, AgreesRowForRowWithTheProgramsTable)
{
    const auto programRows = CommandRows();
    ASSERT_EQ(programRows.size(), SimCommandTable::All().size());
    for (const CommandRow& row : programRows) {
        const SimCommand* ours = SimCommandTable::Find(row.id);
        ASSERT_NE(ours, nullptr) << row.mnemonic;
        EXPECT_EQ(ours->mnemonic, row.mnemonic) << row.id;
        EXPECT_EQ(ours->argBytes, row.argBytes) << row.mnemonic;
    }
}
