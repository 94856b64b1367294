#include "pages/params/BasicParamRules.h"

#include "pages/params/BasicParamIds.h"
#include "tests/pages/ControlOutcome.h"
#include "tests/support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>
#include <set>

TEST(BasicParamRules, DeadBandLabelsFollowEachCommandItem)
{
    // Items in the user's order; each row: the labels (PWM 1330, analog 1331) afterwards.
    struct Step {
        int item;
        const char* pwm;
        const char* analog;
    };
    const Step steps[] = {
        { 0, "50%+/-", "0+/-" }, // "Communication": the template's texts stand
        { 7, "0 -", "0+/-" },    // "PWM/DIR"
        { 3, "0 -", "0+/-" },    // "Pulses/DIR"
        { 4, "0 -", "0+/-" },    // "POT"
        { 2, "50%+/-", "0+/-" }, // "PWM"
        { 8, "50%+/-", "0 -" },  // "+10V/DIR"
        { 5, "50%+/-", "0 -" },  // "CU/CD"
        { 6, "50%+/-", "0 -" },  // "Quad A/B"
        { 9, "50%+/-", "0 -" },  // "0-10V"
        { 1, "50%+/-", "0+/-" }, // "+/-10V"
        { 7, "0 -", "0+/-" },    // "PWM/DIR" after "PWM"'s text
    };
    Outcome labels;
    labels.texts = { { IDC_PWM_DEAD_PREFIX, QStringLiteral("50%+/-") }, { IDC_ANALOG_DEAD_PREFIX, QStringLiteral("0+/-") } };
    for (const Step& step : steps) {
        labels.Apply(DeadBandLabels(step.item));
        EXPECT_EQ(labels.texts[IDC_PWM_DEAD_PREFIX], QString::fromUtf8(step.pwm)) << step.item;
        EXPECT_EQ(labels.texts[IDC_ANALOG_DEAD_PREFIX], QString::fromUtf8(step.analog)) << step.item;
        EXPECT_EQ(labels.texts.size(), 2u);
    }
}

TEST(BasicParamRules, CommonPortsSwapTheirCombos)
{
    for (int port = 0; port < kCommonPorts; ++port) {
        for (bool output : { true, false }) {
            Outcome row;
            row.Apply(IoDirectionRule(port, output));
            EXPECT_EQ(row.shown[kIoPullCombos[port]], !output) << port;
            EXPECT_EQ(row.shown[kIoInFuncCombos[port]], !output) << port;
            EXPECT_EQ(row.shown[kIoOutTypeCombos[port]], output) << port;
            EXPECT_EQ(row.shown[kIoOutFuncCombos[port]], output) << port;
            EXPECT_EQ(row.shown.size(), 4u);
            // IO4 alone has no level as an output; IO1-IO3 keep theirs in both states.
            const std::map<int, bool> levels = port == 3 ? std::map<int, bool> { { 1126, !output } } : std::map<int, bool> {};
            EXPECT_EQ(row.enabled, levels) << port;
        }
    }
}

TEST(BasicParamRules, ThresholdRadiosForEachMode)
{
    struct Case {
        int mode;
        int checked;
        bool manual;
    };
    for (const Case& c : { Case { 0, IDC_THRESHOLD_BUS, false }, Case { 1, IDC_THRESHOLD_65V, false },
             Case { 2, IDC_THRESHOLD_MANUAL, true }, Case { 7, IDC_THRESHOLD_MANUAL, true },
             Case { -1, IDC_THRESHOLD_MANUAL, true } }) {
        Outcome radios;
        radios.Apply(ThresholdRadios(c.mode));
        for (int id : { IDC_THRESHOLD_BUS, IDC_THRESHOLD_65V, IDC_THRESHOLD_MANUAL })
            EXPECT_EQ(radios.checked[id], id == c.checked) << c.mode << " " << id;
        EXPECT_EQ(radios.enabled[IDC_THRESHOLD_VOLTAGE], c.manual) << c.mode;
        // Reading the radios back gives the mode they show.
        const int shown = ThresholdModeFromRadios(radios.checked[IDC_THRESHOLD_BUS], radios.checked[IDC_THRESHOLD_65V]);
        EXPECT_EQ(shown, c.manual ? 2 : c.mode);
    }
}

TEST(BasicParamRules, BrakeButtonsOfferTheOtherState)
{
    struct Case {
        int mode;
        int open;
        bool close;
        bool openButton;
    };
    for (const Case& c : { Case { 0, 1, true, false }, Case { 0, 0, false, true }, Case { 1, 1, false, false },
             Case { 2, 0, false, false } }) {
        Outcome buttons;
        buttons.Apply(BrakeButtons(c.mode, c.open));
        EXPECT_EQ(buttons.enabled[IDC_BRAKE_CLOSE], c.close) << c.mode << c.open;
        EXPECT_EQ(buttons.enabled[IDC_BRAKE_OPEN], c.openButton) << c.mode << c.open;
    }
    EXPECT_EQ(BrakeCommand(true), QStringLiteral("SCMS1\r"));
    EXPECT_EQ(BrakeCommand(false), QStringLiteral("SCMS0\r"));
    EXPECT_EQ(PhaseAutoCommand(3000), QStringLiteral("CPA3000\r"));
    EXPECT_EQ(PhaseAutoCommand(-5), QStringLiteral("CPA-5\r"));
}

TEST(BasicParamRules, AuxiliaryEncoderIsAlwaysAnInput)
{
    Outcome radios;
    radios.checked[IDC_AUX_ENC_OUTPUT] = true;
    radios.Apply(EncoderSelectRule(true));
    EXPECT_TRUE(radios.checked[IDC_AUX_ENC_INPUT]);
    EXPECT_FALSE(radios.checked[IDC_AUX_ENC_OUTPUT]);
    EXPECT_FALSE(radios.enabled[IDC_AUX_ENC_OUTPUT]);
    radios.Apply(EncoderSelectRule(false));
    EXPECT_TRUE(radios.enabled[IDC_AUX_ENC_OUTPUT]);
    EXPECT_TRUE(radios.checked[IDC_AUX_ENC_INPUT]);
}

TEST(BasicParamRules, RunModesRestrictTheCommandSource)
{
    struct Case {
        int mode;
        int sourceBefore;
        int sourceAfter;
        std::set<int> unavailable;
    };
    const Case cases[] = {
        { 0, 2, 2, {} },
        { 1, 0, 0, { 1048, 1049, 1291 } },
        { 1, 3, 3, { 1048, 1049, 1291 } },
        { 1, 2, 0, { 1048, 1049, 1291 } },
        { 2, 3, 0, { 1154 } },
        { 2, 4, 4, { 1154 } },
    };
    for (const Case& c : cases) {
        int source = c.sourceBefore;
        Outcome radios;
        radios.Apply(RunModeRule(c.mode, source));
        EXPECT_EQ(source, c.sourceAfter) << c.mode << " " << c.sourceBefore;
        for (int id : kCommandSourceRadios)
            EXPECT_EQ(radios.enabled[id], !c.unavailable.count(id)) << c.mode << " " << id;
        if (source != c.sourceBefore) {
            EXPECT_TRUE(radios.checked[1047]);
            EXPECT_FALSE(radios.checked[kCommandSourceRadios[c.sourceBefore]]);
        } else {
            EXPECT_TRUE(radios.checked.empty());
        }
    }
}

TEST(BasicParamRules, HomeModeAndBaudsAndActionButtons)
{
    Outcome home;
    home.Apply(HomeModeRule(1));
    EXPECT_EQ(home.enabled, (std::map<int, bool> { { 1240, true }, { 1241, true }, { 1052, false }, { 1239, false } }));
    home.Apply(HomeModeRule(0));
    EXPECT_EQ(home.enabled, (std::map<int, bool> { { 1240, false }, { 1241, false }, { 1052, true }, { 1239, true } }));

    Outcome bauds;
    bauds.Apply(BaudCombosEnable(true));
    EXPECT_EQ(bauds.enabled, (std::map<int, bool> { { 1001, true }, { 1265, true }, { 1270, true } }));

    std::vector<int> order;
    for (const ControlChange& c : ActionButtons(false)) {
        EXPECT_FALSE(c.on);
        order.push_back(c.id);
    }
    EXPECT_EQ(order, (std::vector<int> { 1140, 1141, 1155, 1186, 1191, 1142 }));
}

TEST(BasicParamRules, PhaseTableShowsForAnyNonZeroSetting)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = QDir(folder.path()).filePath(QStringLiteral("settings.ini"));
    const QString prefix = folder.path() + u'/';
    EXPECT_FALSE(PhaseTableShown(prefix)) << "no settings.ini";
    struct Case {
        const char* text;
        bool shown;
    };
    for (const Case& c : { Case { "[PhaseData]\r\nShow=5\r\n", true }, Case { "[PhaseData]\r\nShow=1\r\n", true },
             Case { "[PhaseData]\r\nShow=-1\r\n", true }, Case { "[PhaseData]\r\nShow=0\r\n", false },
             Case { "[PhaseData]\r\nHide=1\r\n", false }, Case { "[Other]\r\nShow=1\r\n", false },
             Case { "[PhaseData]\r\nShow=abc\r\n", false } }) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.text);
        file.close();
        EXPECT_EQ(PhaseTableShown(prefix), c.shown) << c.text;
    }

    Outcome table;
    table.Apply(PhaseTableVisibility(true));
    EXPECT_EQ(table.shown.size(), 33u);
    for (int id : kPhaseEdits)
        EXPECT_TRUE(table.shown[id]) << id;
    for (int id = 1359; id <= 1375; ++id)
        EXPECT_TRUE(table.shown[id]) << id;
}
