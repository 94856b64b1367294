#include "pages/params/WriteAllParams.h"

#include "link/LogRing.h"
#include "pages/params/BasicParamRules.h"
#include "platform/MessageBox.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/QtPrinters.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

namespace {

QStringList Texts(const std::vector<WriteCommand>& commands)
{
    QStringList texts;
    for (const WriteCommand& command : commands)
        texts << command.text.chopped(1);
    return texts;
}

// The command of one mnemonic; the first of a repeated one.
QString Command(const BasicParamModel& model, const QString& mnemonic)
{
    for (const QString& text : Texts(WriteAllCommands(model))) {
        if (text.startsWith(mnemonic) && (text.size() == mnemonic.size() || !text[mnemonic.size()].isLetter()))
            return text;
    }
    return {};
}

} // namespace

TEST(WriteAllParams, CommandsOfANewPage)
{
    const BasicParamModel model;
    const std::vector<WriteCommand> commands = WriteAllCommands(model);
    const QStringList expected = QStringLiteral(
        "SMOD0 ENC4 SSP0 SMV0 SER1 SCCW0 SPOF0 SOV0 SOP0 SPHE0 SPE0 SPL-2100000000 SPH2100000000 SPL-2100000000 "
        "A1 SMAV0 STW1 MP0 MD0 MK0 P0 I1 D0 AP0 AI0 SPC0 SCC0 SPT1 SORG0 SNP0 SCPI0 AD0 MI0 SSK0 SME0 SIIT0 "
        "SCIT0 SEVL0 SHE0 SECM1 SCEC1 SVRF0 SVRM1 SPOM0 SPOI0 SPOT0 SMST0 SMSO0 SQTA0 SQTT0 SDEC0 SBRA0 SHLO0 "
        "SHLA0 SHLB0 SHLC0 SHLD0 SHLE0 SHLF0 SHLG0 SHLH0 SHLI0 SHLJ0 SHLK0 SHLL0 SHLR0 SENA256 SDIR512 SPOS768 "
        "SNEG1024 SCDI1024 SFAT25601 SIOA0 SIOB0 SIOC0 SIOD0 SADR2")
                                   .split(u' ');
    EXPECT_EQ(commands.size(), 77u);
    EXPECT_EQ(Texts(commands), expected);
    for (size_t i = 0; i < commands.size(); ++i) {
        EXPECT_TRUE(commands[i].text.endsWith(u'\r'));
        // Only the repeated low limit stays out of the log.
        EXPECT_EQ(commands[i].logged, i != 13) << i;
    }
}

TEST(WriteAllParams, ChangeAddsTheThreeBaudRatesLast)
{
    BasicParamModel model;
    model.m_bChangeBaud = 1;
    model.m_cbCanBaud = 3;
    model.m_cbRs232Baud = 4;
    model.m_cbUsbBaud = 1;
    QStringList texts = Texts(WriteAllCommands(model));
    ASSERT_EQ(texts.size(), 80);
    EXPECT_EQ(texts.mid(76), (QStringList { "SADR2", "SCBD125000", "BAUD115200", "SUBD19200" }));

    // Items the lists do not have go out as the first rate of each table's own default.
    model.m_cbCanBaud = -1;
    model.m_cbRs232Baud = 9;
    model.m_cbUsbBaud = -1;
    texts = Texts(WriteAllCommands(model));
    EXPECT_EQ(texts.mid(77), (QStringList { "SCBD500000", "BAUD9600", "SUBD9600" }));
}

TEST(WriteAllParams, RunModeAndCommandSource)
{
    struct Case {
        int mode, item;
        const char* expected;
    } cases[] = {
        { 0, 0, "SMOD0" }, { 1, 2, "SMOD258" }, { 0, 3, "SMOD3" }, { 0, 4, "SMOD5" }, { 2, 9, "SMOD522" },
        { 3, 1, "SMOD769" },
        // Nothing checked or chosen, or more than the page offers, goes out as the first one.
        { -1, -1, "SMOD0" }, { 1, 10, "SMOD256" }, { 4, 0, "SMOD0" },
    };
    for (const Case& c : cases) {
        BasicParamModel model;
        model.m_nRunMode = c.mode;
        model.m_cbCommand = c.item;
        EXPECT_EQ(Command(model, "SMOD"), c.expected) << c.mode << " " << c.item;
        EXPECT_EQ(QStringLiteral("SMOD%1").arg(ModeCommandValue(c.mode, c.item)), c.expected) << "set-all's word";
    }
}

TEST(WriteAllParams, PortWords)
{
    BasicParamModel model;
    model.m_cbEnaPull = model.m_cbEnaLevel = model.m_cbClkPull = model.m_cbFaultOutType = 1;
    model.m_cbFaultLevel = -1;
    // IO1 an input with "Brake", pulled up, active high.
    model.m_cbIoPull[0] = model.m_cbIoLevel[0] = 1;
    model.m_cbIoInFunc[0] = 4;
    // IO2 an output: its output type, not its pull, and no function whatever its combo shows.
    model.ioOutput[1] = model.m_cbIoPull[1] = 1;
    model.m_cbIoOutFunc[1] = 3;
    // IO3 and IO4 outputs with their current functions.
    model.ioOutput[2] = model.m_cbIoOutFunc[2] = model.m_cbIoOutType[2] = 1;
    model.ioOutput[3] = model.m_cbIoLevel[3] = 1;
    model.m_cbIoOutFunc[3] = 2;
    const std::pair<const char*, int> expected[] = { { "SENA", 0x0106 }, { "SCDI", 0x0402 }, { "SFAT", 0x6403 },
        { "SIOA", 0x0506 }, { "SIOB", 0x0001 }, { "SIOC", 0x6703 }, { "SIOD", 0x6605 } };
    for (const auto& [mnemonic, word] : expected)
        EXPECT_EQ(Command(model, mnemonic), mnemonic + QString::number(word));
    model.m_cbIoOutFunc[3] = 1;
    model.m_cbIoInFunc[0] = 7; // an item the combo does not have
    EXPECT_EQ(Command(model, "SIOD"), QStringLiteral("SIOD%1").arg(0x6505));
    EXPECT_EQ(Command(model, "SIOA"), QStringLiteral("SIOA%1").arg(0x0006));
}

TEST(WriteAllParams, ValuesAsTheDriveTakesThem)
{
    BasicParamModel model;
    model.m_fDriveAddress = 2.9f;
    model.m_fMaxPeakCurrent = 1e10f;
    model.m_fMaxContCurrent = -1e10f;
    model.m_fAnalogDeadRange = -3.7f;
    model.m_uPosD = 4294967295u;
    model.m_bHomeOnPowerOn = 1;
    model.m_bScaleLimit = 5;
    model.m_nAuxEncoderDir = 1;
    model.m_nEncoderSelect = -1;
    model.m_nPositionDirection = 2;
    model.m_nThresholdMode = 7;
    model.m_cbHomeMode = 2;
    model.phaseTexts[0] = QStringLiteral("12ab");
    model.phaseTexts[14] = QStringLiteral(" -40");
    model.phaseTexts[15] = QStringLiteral("x1");
    const QStringList expected { "SADR2", "SPC2147483647", "SCC-2147483648", "SMAV-3", "MD-1", "SPOF1", "SPE1", "SECM0",
        "SCEC1", "SCCW0", "SVRM7", "SPOM0", "SHLA12", "SHLO-40", "SHLR0" };
    for (const QString& text : expected)
        EXPECT_EQ(Command(model, text.left(text.indexOf(QRegularExpression("[-0-9]")))), text);
    EXPECT_EQ(FloatToInt(std::nanf("")), 0);
    EXPECT_EQ(FloatToInt(FLT_MAX), INT_MAX);
    EXPECT_EQ(FloatToInt(-0.9f), 0);
}

TEST(WriteAllParams, ChecksInTheOrderTheUserMeetsThem)
{
    struct Case {
        int encoder;
        float address;
        int low, high;
        float peak, cont;
        const char* message; // null: passes
        unsigned icon;
    } cases[] = {
        { 4000, 2.0f, 100, 100, 3000, 3000, nullptr, 0 },
        { -8, 2.5f, 0, 1, 0, 0, nullptr, 0 },
        { 4002, 1.0f, 100, 99, 1, 2, "Encoder counts = PPR * 4", MB_ICONERROR },
        { 4000, 1.0f, 100, 99, 1, 2, "Device address must be from 2 to 127", MB_ICONWARNING },
        { 4000, 127.01f, 0, 1, 0, 0, "Device address must be from 2 to 127", MB_ICONWARNING },
        { 4000, 127.0f, 100, 99, 1, 2, "The position limit must be from the smaller value to the larger one",
            MB_ICONERROR },
        { 4000, 2.0f, 0, 1, 3000, 3000.5f, "Max.Ipeak should bigger than Max.Icontinous", MB_ICONERROR },
    };
    for (const Case& c : cases) {
        BasicParamModel model;
        model.m_nEncoderCounts = c.encoder;
        model.m_fDriveAddress = c.address;
        model.m_nPosLimitLow = c.low;
        model.m_nPosLimitHigh = c.high;
        model.m_fMaxPeakCurrent = c.peak;
        model.m_fMaxContCurrent = c.cont;
        const std::optional<SetupProblem> problem = CheckSetupValues(model);
        if (!c.message) {
            EXPECT_FALSE(problem) << problem->message.toStdString();
            continue;
        }
        ASSERT_TRUE(problem) << c.message;
        EXPECT_EQ(problem->message, QString::fromLatin1(c.message));
        EXPECT_EQ(problem->icon, c.icon);
    }
}

TEST(WriteAllParams, RunsToTheEndAndCountsWhatTheDriveDidNotTake)
{
    const std::vector<WriteCommand> commands { { "A1\r" }, { "SPL5\r" }, { "SPH9\r" }, { "SPL5\r", false }, { "P3\r" },
        { "I4\r" } };
    // Taken; refused, but taken when sent again (not logged then); refused; not sent; unanswered.
    const CommandTrip trips[] = { { 0, 0, "OK\r", 2 }, { 0, 0, "ERR2\r", 3 }, { 0, 0, "ERR2\r", 3 }, { 0, 0, "OK\r", 1 },
        { 2, 10, {}, 0 }, { 0, 11, {}, kWriteGapMs } };
    MessageRecorder log;
    SetLogView(&log);
    int sent = 0;
    std::vector<int> gaps;
    const WriteAllOutcome outcome = RunWriteAll(
        commands, [&](const QString&, int answerMs) { return trips[answerMs == kWriteGapMs ? sent++ : 0]; },
        [&](int ms) { return gaps.push_back(ms), true; });
    UnsetLogView(&log);
    EXPECT_EQ(gaps, (std::vector<int> { 18, 17, 17, 19, 20, 0 })) << "the wait for an answer is part of the gap";
    QStringList lines;
    for (const auto& m : log.Take())
        lines << DecodeLogText(m.data);
    EXPECT_EQ(lines, (QStringList { "A1", "SPL5", "ERR2", "SPH9", "ERR2", "P3", CommResultText(2), "I4", CommResultText(11) }));
    EXPECT_EQ(WriteFailureMessage(outcome),
        QStringLiteral("3 of 6 commands did not reach the drive or were refused by it, the first \"SPH9\" (ERR2)."));

    // A stop ends it before the next command.
    sent = 0;
    const WriteAllOutcome stopped = RunWriteAll(commands, [&](const QString&, int) { return ++sent, CommandTrip {}; },
        [](int) { return false; });
    EXPECT_TRUE(stopped.stopped && sent == 1);
}
