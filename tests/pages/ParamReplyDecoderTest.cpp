#include "pages/ParamReplyDecoder.h"

#include "pages/BasicParamIds.h"
#include "tests/pages/ControlOutcome.h"
#include "tests/shell/QtPrinters.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <functional>

namespace {

CommandId Id(const char* mnemonic)
{
    InitCommandTables();
    QString text = QString::fromLatin1(mnemonic);
    CommandId id = -1;
    EXPECT_TRUE(ParseCommandId(text, id, false)) << mnemonic;
    return id;
}

struct Decoded {
    BasicParamModel model;
    Outcome controls;
    bool handled = false;
    size_t changes = 0;
};

Decoded Decode(const char* query, const char* text, const BasicParamModel& start = {})
{
    Decoded d;
    d.model = start;
    const std::optional<ControlChanges> changes = DecodeParamReply(Id(query), text, d.model);
    d.handled = changes.has_value();
    if (changes) {
        d.controls.Apply(*changes);
        d.changes = changes->size();
    }
    return d;
}

} // namespace

TEST(ParamReplyDecoder, PlainFloatCheckAndPhaseRows)
{
    struct Case {
        const char* query;
        const char* text;
        std::function<void(const Decoded&)> expect;
    } cases[] = {
        { "GENC", "4000\r", [](const Decoded& d) {
             EXPECT_EQ(d.model.m_nEncoderCounts, 4000);
             EXPECT_EQ(d.controls.texts.at(IDC_ENCODER), "4000"); // the line end is not shown
         } },
        // The edit shows the text as it came, the field its number.
        { "GSP", " 12abc\r", [](const Decoded& d) {
             EXPECT_EQ(d.model.m_nRatedSpeed, 12);
             EXPECT_EQ(d.controls.texts.at(1036), " 12abc");
         } },
        { "GPL", "-99999999999", [](const Decoded& d) { EXPECT_EQ(d.model.m_nPosLimitLow, INT_MIN); } },
        { "GMD", "65535", [](const Decoded& d) { EXPECT_EQ(d.model.m_uPosD, 65535u); } },
        { "GPC", "3000\r", [](const Decoded& d) {
             EXPECT_EQ(d.model.m_fMaxPeakCurrent, 3000.0f);
             EXPECT_EQ(d.controls.texts.at(1051), "3000");
         } },
        { "GMAV", "2.9", [](const Decoded& d) { EXPECT_EQ(d.model.m_fAnalogDeadRange, 2.0f); } },
        { "GADR", "2.5\r", [](const Decoded& d) { EXPECT_EQ(d.model.m_fDriveAddress, 2.5f); } },
        { "GADR", "1e99", [](const Decoded& d) { EXPECT_EQ(d.model.m_fDriveAddress, FLT_MAX); } },
        { "GPE", "5", [](const Decoded& d) {
             EXPECT_EQ(d.model.m_bScaleLimit, 1);
             EXPECT_TRUE(d.controls.checked.at(IDC_SCALE_LIMIT));
         } },
        { "GPOF", "0\r", [](const Decoded& d) { EXPECT_FALSE(d.controls.checked.at(1237)); } },
        { "GHLA", "12\r", [](const Decoded& d) {
             EXPECT_EQ(d.model.phaseTexts[0], "12");
             EXPECT_EQ(d.controls.texts.at(kPhaseEdits[0]), "12");
         } },
        // Queries no read asks still have their rows.
        { "GHLN", "7", [](const Decoded& d) { EXPECT_EQ(d.controls.texts.at(1356), "7"); } },
        { "GEIR", "1", [](const Decoded& d) { EXPECT_EQ(d.model.m_bIxrCompensation, 1); } },
        { "GST", "33", [](const Decoded& d) { EXPECT_EQ(d.model.m_nStallTime, 33); } },
        { "GNOT", "0", [](const Decoded& d) { EXPECT_TRUE(d.controls.enabled.at(1060)); } },
        { "GNOT", "1", [](const Decoded& d) { EXPECT_FALSE(d.controls.enabled.at(1060)); } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.query) + " " + c.text);
        const Decoded d = Decode(c.query, c.text);
        EXPECT_TRUE(d.handled);
        c.expect(d);
    }
}

TEST(ParamReplyDecoder, ErrIsIgnoredExceptWhereItReadsAsZero)
{
    BasicParamModel start;
    start.m_nEncoderCounts = 4000;
    start.m_bVelocityOutOfControl = 1;
    start.m_nHallSensor = 1;
    start.m_nThresholdMode = 2;
    Decoded d = Decode("GENC", "ERR2\r", start);
    EXPECT_TRUE(d.handled);
    EXPECT_EQ(d.changes, 0u);
    EXPECT_EQ(d.model.m_nEncoderCounts, 4000);
    EXPECT_EQ(Decode("GSP", "xERRx", start).changes, 0u);

    d = Decode("GEVL", "ERR2", start);
    EXPECT_EQ(d.model.m_bVelocityOutOfControl, 0);
    EXPECT_FALSE(d.controls.checked.at(1326));
    d = Decode("GHE", "ERR2", start);
    EXPECT_EQ(d.model.m_nHallSensor, 0);
    EXPECT_TRUE(d.controls.checked.at(1327));
    EXPECT_EQ(Decode("GVRM", "ERR2", start).model.m_nThresholdMode, 0);
    // A port word of "ERR": an input with no function.
    d = Decode("GIOB", "ERR2", start);
    EXPECT_TRUE(d.controls.checked.at(kIoInputRadios[1]));
    EXPECT_EQ(d.controls.selected.at(kIoInFuncCombos[1]), 0);

    // A query the page does not read.
    EXPECT_FALSE(Decode("GV", "12").handled);
    EXPECT_FALSE(Decode("GM", "12").handled);
}

TEST(ParamReplyDecoder, ModeWordSetsModeCommandAndLabels)
{
    Decoded d = Decode("GMOD", "261");
    EXPECT_EQ(d.model.m_nRunMode, 1);
    EXPECT_TRUE(d.controls.checked.at(IDC_POSITION));
    EXPECT_FALSE(d.controls.checked.at(IDC_VELOCITY));
    EXPECT_EQ(d.controls.selected.at(IDC_COMMAND), 4);
    EXPECT_EQ(d.model.m_cbCommand, 4);
    EXPECT_TRUE(d.controls.texts.empty());

    d = Decode("GMOD", "258");
    EXPECT_EQ(d.controls.selected.at(IDC_COMMAND), 2);
    EXPECT_EQ(d.controls.texts.at(IDC_PWM_DEAD_PREFIX), "50%+/-");

    d = Decode("GMOD", "776");
    EXPECT_EQ(d.model.m_nRunMode, 0);
    EXPECT_TRUE(d.controls.checked.at(IDC_VELOCITY));
    EXPECT_EQ(d.controls.selected.at(IDC_COMMAND), 7);
    EXPECT_EQ(d.controls.texts.at(IDC_PWM_DEAD_PREFIX), "0 -");

    // Only the low word counts; source 4 and sources above 10 are "Communication".
    d = Decode("GMOD", "65793"); // 0x10101
    EXPECT_EQ(d.model.m_nRunMode, 1);
    EXPECT_EQ(d.controls.selected.at(IDC_COMMAND), 1);
    EXPECT_EQ(Decode("GMOD", "516").controls.selected.at(IDC_COMMAND), 0);
    EXPECT_EQ(Decode("GMOD", "523").controls.selected.at(IDC_COMMAND), 0);
    EXPECT_EQ(Decode("GMOD", "522").controls.selected.at(IDC_COMMAND), 9);
}

TEST(ParamReplyDecoder, ListsRadiosAndBrake)
{
    EXPECT_EQ(Decode("GCBD", "500000").model.m_cbCanBaud, 5);
    EXPECT_EQ(Decode("GCBD", "800000").controls.selected.at(IDC_CAN_BAUD), 0);
    EXPECT_EQ(Decode("GCBD", "125999").controls.selected.at(IDC_CAN_BAUD), 3);
    EXPECT_EQ(Decode("GRBD", "19200\r").controls.selected.at(IDC_RS232_BAUD), 1);
    EXPECT_EQ(Decode("GUBD", " 115200 ").model.m_cbUsbBaud, 4);
    EXPECT_EQ(Decode("GUBD", "115200x").model.m_cbUsbBaud, 0);

    Decoded d = Decode("GCCW", "1");
    EXPECT_EQ(d.model.m_nPositionDirection, 1);
    EXPECT_TRUE(d.controls.checked.at(1134));
    EXPECT_TRUE(Decode("GCCW", "2").controls.checked.at(1135));

    d = Decode("GCEC", "0");
    EXPECT_TRUE(d.controls.checked.at(IDC_AUX_ENCODER));
    EXPECT_FALSE(d.controls.enabled.at(IDC_AUX_ENC_OUTPUT));
    EXPECT_TRUE(Decode("GCEC", "1").controls.checked.at(IDC_MASTER_ENCODER));
    EXPECT_TRUE(Decode("GECM", "0").controls.checked.at(IDC_AUX_ENC_OUTPUT));
    EXPECT_TRUE(Decode("GECM", "3").controls.checked.at(IDC_AUX_ENC_INPUT));

    d = Decode("GVRM", "0");
    EXPECT_EQ(d.model.m_nThresholdMode, 0);
    EXPECT_TRUE(d.controls.checked.at(IDC_THRESHOLD_BUS));
    EXPECT_FALSE(d.controls.enabled.at(IDC_THRESHOLD_VOLTAGE));

    d = Decode("GPOM", "1");
    EXPECT_EQ(d.model.m_cbHomeMode, 1);
    EXPECT_TRUE(d.controls.enabled.at(IDC_HOME_CURRENT));
    EXPECT_FALSE(d.controls.enabled.at(IDC_HOME_RANGE));
    EXPECT_EQ(Decode("GPOM", "5").controls.selected.at(IDC_HOME_MODE), 0);
    EXPECT_EQ(Decode("GMSO", "2").model.m_cbBrakeType, 0);

    // The brake: its state, then the mode that decides which button is offered.
    d = Decode("GCMS", "1");
    EXPECT_EQ(d.model.m_bBrakeOpen, 0);
    EXPECT_FALSE(d.controls.enabled.at(IDC_BRAKE_CLOSE));
    EXPECT_TRUE(d.controls.enabled.at(IDC_BRAKE_OPEN));
    d = Decode("GMST", "0", d.model);
    EXPECT_EQ(d.controls.enabled, (std::map<int, bool> { { IDC_BRAKE_OPEN, true } }));
    d = Decode("GMST", "2", d.model);
    EXPECT_EQ(d.model.m_cbBrakeMode, 2);
    EXPECT_FALSE(d.controls.enabled.at(IDC_BRAKE_CLOSE));
    EXPECT_FALSE(d.controls.enabled.at(IDC_BRAKE_OPEN));
    EXPECT_EQ(Decode("GMST", "3").controls.selected.at(IDC_BRAKE_MODE), 0);
}

TEST(ParamReplyDecoder, PortWords)
{
    Decoded d = Decode("GENA", "262"); // 0x106
    EXPECT_EQ(d.model.m_cbEnaPull, 1);
    EXPECT_EQ(d.model.m_cbEnaLevel, 1);
    d = Decode("GCDI", "2");
    EXPECT_EQ(d.controls.selected, (std::map<int, int> { { IDC_CLK_PULL, 1 } }));
    d = Decode("GFAT", "25603"); // 0x6403
    EXPECT_EQ(d.model.m_cbFaultOutType, 1);
    EXPECT_EQ(d.model.m_cbFaultLevel, 0);

    d = Decode("GIOD", "25857"); // 0x6501
    EXPECT_EQ(d.model.ioOutput[3], 1);
    EXPECT_TRUE(d.controls.checked.at(kIoOutputRadios[3]));
    EXPECT_FALSE(d.controls.checked.at(kIoInputRadios[3]));
    EXPECT_TRUE(d.controls.shown.at(kIoOutTypeCombos[3]));
    EXPECT_FALSE(d.controls.shown.at(kIoPullCombos[3]));
    EXPECT_EQ(d.controls.selected.at(kIoOutFuncCombos[3]), 1);
    EXPECT_FALSE(d.controls.enabled.at(1126));

    d = Decode("GIOD", "768"); // 0x0300
    EXPECT_EQ(d.model.ioOutput[3], 0);
    EXPECT_EQ(d.controls.selected.at(kIoInFuncCombos[3]), 2);
    EXPECT_TRUE(d.controls.enabled.at(1126));

    EXPECT_EQ(Decode("GIOC", "26369").controls.selected.at(kIoOutFuncCombos[2]), 1); // 0x6701
    EXPECT_EQ(Decode("GIOC", "26113").controls.selected.at(kIoOutFuncCombos[2]), 0); // 0x6601
    d = Decode("GIOA", "1286"); // 0x0506: brake, pulled up, active high
    EXPECT_EQ(d.model.m_cbIoInFunc[0], 4);
    EXPECT_EQ(d.model.m_cbIoPull[0], 1);
    EXPECT_EQ(d.model.m_cbIoLevel[0], 1);
    EXPECT_EQ(d.controls.enabled.count(1123), 0u); // only IO4 governs its level combo
}
