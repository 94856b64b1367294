#include "pages/params/ParamReplyDecoder.h"

#include "pages/params/BasicParamIds.h"
#include "tests/pages/ControlOutcome.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>

namespace {

using W = ControlChange::What;

CommandId Id(const char* mnemonic)
{
    InitCommandTables();
    QString text = QString::fromLatin1(mnemonic);
    CommandId id = -1;
    EXPECT_TRUE(ParseCommandId(text, id, false)) << mnemonic;
    return id;
}

Outcome Decode(const char* query, const char* text, BasicParamModel& model)
{
    Outcome outcome;
    const std::optional<ControlChanges> changes = DecodeParamReply(Id(query), text, model);
    EXPECT_TRUE(changes) << query;
    outcome.Apply(changes.value_or(ControlChanges {}));
    return outcome;
}

// One control a reply leaves in a state: a text shown, a check, an item or being enabled.
struct Case {
    const char* query;
    const char* text;
    W what;
    int id;
    int on; // Check and Enable: 0 or 1; Select: the item
    const char* shown = nullptr;
};

const Case kCases[] = {
    { "GENC", "4000\r", W::Text, IDC_ENCODER, 0, "4000" }, // the line end is not shown
    { "GSP", " 12abc\r", W::Text, 1036, 0, " 12abc" },     // the text as it came
    { "GHLA", "12\r", W::Text, kPhaseEdits[0], 0, "12" },
    { "GHLN", "7", W::Text, 1356, 0, "7" }, // asked by no read, decoded all the same
    { "GPE", "5", W::Check, IDC_SCALE_LIMIT, 1 },
    { "GPOF", "0\r", W::Check, 1237, 0 },
    { "GEVL", "ERR2", W::Check, 1326, 0 }, // no ERR test: reads as 0
    { "GHE", "ERR2", W::Check, 1327, 1 },
    { "GHE", "3", W::Check, 1328, 1 },
    { "GNOT", "0", W::Enable, 1060, 1 },
    { "GNOT", "1", W::Enable, 1060, 0 },
    { "GMOD", "261", W::Check, IDC_POSITION, 1 },
    { "GMOD", "261", W::Select, IDC_COMMAND, 4 },
    { "GMOD", "258", W::Text, IDC_PWM_DEAD_PREFIX, 0, "50%+/-" },
    { "GMOD", "776", W::Check, IDC_VELOCITY, 1 }, // mode 3 counts as velocity
    { "GMOD", "776", W::Text, IDC_PWM_DEAD_PREFIX, 0, "0 -" },
    { "GMOD", "65793", W::Select, IDC_COMMAND, 1 }, // the low word only
    { "GMOD", "516", W::Select, IDC_COMMAND, 0 },   // source 4: none the page offers
    { "GMOD", "522", W::Select, IDC_COMMAND, 9 },
    { "GMOD", "523", W::Select, IDC_COMMAND, 0 },
    { "GCBD", "500000", W::Select, IDC_CAN_BAUD, 5 },
    { "GCBD", "125999", W::Select, IDC_CAN_BAUD, 3 },
    { "GCBD", "800000", W::Select, IDC_CAN_BAUD, 0 },
    { "GRBD", "19200\r", W::Select, IDC_RS232_BAUD, 1 },
    { "GUBD", " 115200 ", W::Select, IDC_USB_BAUD, 4 },
    { "GUBD", "115200x", W::Select, IDC_USB_BAUD, 0 },
    { "GCCW", "1", W::Check, 1134, 1 },
    { "GCCW", "2", W::Check, 1135, 1 },
    { "GCEC", "0", W::Check, IDC_AUX_ENCODER, 1 },
    { "GCEC", "0", W::Enable, IDC_AUX_ENC_OUTPUT, 0 },
    { "GCEC", "1", W::Check, IDC_MASTER_ENCODER, 1 },
    { "GECM", "0", W::Check, IDC_AUX_ENC_OUTPUT, 1 },
    { "GECM", "3", W::Check, IDC_AUX_ENC_INPUT, 1 },
    { "GVRM", "0", W::Check, IDC_THRESHOLD_BUS, 1 },
    { "GVRM", "ERR2", W::Check, IDC_THRESHOLD_BUS, 1 },
    { "GVRM", "9", W::Enable, IDC_THRESHOLD_VOLTAGE, 1 },
    { "GPOM", "1", W::Enable, IDC_HOME_CURRENT, 1 },
    { "GPOM", "1", W::Enable, IDC_HOME_RANGE, 0 },
    { "GPOM", "5", W::Select, IDC_HOME_MODE, 0 },
    { "GMSO", "2", W::Select, IDC_BRAKE_TYPE, 0 },
    { "GCMS", "1", W::Enable, IDC_BRAKE_OPEN, 1 },
    { "GCMS", "0", W::Enable, IDC_BRAKE_CLOSE, 1 },
    { "GMST", "2", W::Enable, IDC_BRAKE_CLOSE, 0 },
    { "GMST", "3", W::Select, IDC_BRAKE_MODE, 0 },
    { "GENA", "262", W::Select, 1304, 1 }, // 0x106: pulled up, active high
    { "GCDI", "2", W::Select, IDC_CLK_PULL, 1 },
    { "GFAT", "25603", W::Select, 1303, 1 }, // 0x6403: PNP
    { "GIOD", "25857", W::Check, kIoOutputRadios[3], 1 }, // 0x6501
    { "GIOD", "25857", W::Show, kIoOutTypeCombos[3], 1 },
    { "GIOD", "25857", W::Select, kIoOutFuncCombos[3], 1 },
    { "GIOD", "25857", W::Enable, 1126, 0 },
    { "GIOD", "768", W::Select, kIoInFuncCombos[3], 2 }, // 0x0300: CW limit
    { "GIOD", "768", W::Enable, 1126, 1 },
    { "GIOC", "26369", W::Select, kIoOutFuncCombos[2], 1 }, // 0x6701
    { "GIOC", "26113", W::Select, kIoOutFuncCombos[2], 0 }, // 0x6601 is IO4's
    { "GIOA", "1286", W::Select, kIoInFuncCombos[0], 4 },   // 0x0506: brake
    { "GIOB", "ERR2", W::Check, kIoInputRadios[1], 1 },     // every bit clear
};

} // namespace

TEST(ParamReplyDecoder, EachRowKindAndRule)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.query) + " " + c.text);
        BasicParamModel model;
        const Outcome outcome = Decode(c.query, c.text, model);
        switch (c.what) {
        case W::Text:
            EXPECT_EQ(outcome.texts.count(c.id) ? outcome.texts.at(c.id) : QString(), QString::fromLatin1(c.shown));
            break;
        case W::Check:
            EXPECT_EQ(outcome.checked.count(c.id) ? outcome.checked.at(c.id) : -1, c.on == 1);
            break;
        case W::Enable:
            EXPECT_EQ(outcome.enabled.count(c.id) ? outcome.enabled.at(c.id) : -1, c.on == 1);
            break;
        case W::Show:
            EXPECT_EQ(outcome.shown.count(c.id) ? outcome.shown.at(c.id) : -1, c.on == 1);
            break;
        case W::Select:
            EXPECT_EQ(outcome.selected.count(c.id) ? outcome.selected.at(c.id) : -1, c.on);
            break;
        }
    }
}

TEST(ParamReplyDecoder, FieldsTakeTheValues)
{
    BasicParamModel model;
    model.m_nTrackingError = 77;
    Decode("GENC", "4000\r", model);
    Decode("GPL", "-99999999999", model);
    Decode("GMD", "65535", model);
    Decode("GMAV", "2.9", model);
    Decode("GADR", "2.5\r", model);
    Decode("GPE", "5", model);
    Decode("GMOD", "261", model);
    Decode("GHLR", "34\r", model);
    Decode("GCMS", "1", model);
    Decode("GIOB", "1", model);
    EXPECT_EQ(model.m_nEncoderCounts, 4000);
    EXPECT_EQ(model.m_nPosLimitLow, INT_MIN);
    EXPECT_EQ(model.m_uPosD, 65535u);
    EXPECT_EQ(model.m_fAnalogDeadRange, 2.0f);
    EXPECT_EQ(model.m_fDriveAddress, 2.5f);
    EXPECT_EQ(model.m_bScaleLimit, 1);
    EXPECT_EQ(model.m_nRunMode, 1);
    EXPECT_EQ(model.m_cbCommand, 4);
    EXPECT_EQ(model.phaseTexts[15], "34");
    EXPECT_EQ(model.m_bBrakeOpen, 0);
    EXPECT_EQ(model.ioOutput[1], 1);
    // With the brake closed, mode "Command" offers "Open" only.
    EXPECT_EQ(Decode("GMST", "0", model).enabled, (std::map<int, bool> { { IDC_BRAKE_OPEN, true } }));

    // An "ERR" reply changes nothing where the test applies; a query the page does not read
    // is not decoded.
    EXPECT_TRUE(Decode("GER", "xERR2", model).enabled.empty());
    EXPECT_EQ(model.m_nTrackingError, 77);
    EXPECT_FALSE(DecodeParamReply(Id("GV"), "12", model));

    EXPECT_EQ(LeadingFloat(" -1.5e2x"), -150.0f);
    EXPECT_EQ(LeadingFloat("1e99"), FLT_MAX);
    EXPECT_EQ(LeadingFloat("-1e999"), -FLT_MAX);
    EXPECT_EQ(LeadingFloat("1e-999"), 0.0f);
    EXPECT_EQ(LeadingFloat("3e"), 3.0f);
    EXPECT_EQ(LeadingFloat("abc"), 0.0f);
}

TEST(ParamReplyDecoder, ControlsThatShowAQuerysValue)
{
    const std::pair<const char*, std::vector<int>> cases[] = { { "GENC", { IDC_ENCODER } },
        { "GMOD", { IDC_VELOCITY, IDC_POSITION, IDC_TORQUE, IDC_COMMAND } }, // not the dead-band captions
        { "GVRM", { IDC_THRESHOLD_BUS, IDC_THRESHOLD_65V, IDC_THRESHOLD_MANUAL } }, { "GFAT", { 1303, 1308 } },
        { "GIOB", { 1311, 1312, 1116, 1120, 1124, 1128, 1136 } }, // an input's lists and an output's
        { "GCMS", {} }, { "GNOT", {} } }; // enabling is no value shown
    for (auto [query, controls] : cases) {
        std::vector<int> shown = ControlsShowingQuery(Id(query));
        std::sort(shown.begin(), shown.end());
        std::sort(controls.begin(), controls.end());
        EXPECT_EQ(shown, controls) << query;
    }
}
