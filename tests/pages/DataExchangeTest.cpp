#include "pages/DataExchange.h"

#include "tests/shell/QtPrinters.h"

#include <gtest/gtest.h>

namespace {

struct ParseCase {
    const char* text;
    std::optional<long long> asInt;
    std::optional<long long> asUint;
    std::optional<double> asFloat;
};

const ParseCase kParseCases[] = {
    { "42", 42, 42, 42.0 },
    { "  -7\t", -7, std::nullopt, -7.0 },
    { "+5", 5, 5, 5.0 },
    { "-0", 0, std::nullopt, 0.0 },
    { "", std::nullopt, std::nullopt, std::nullopt },
    { "-", std::nullopt, std::nullopt, std::nullopt },
    { "abc", std::nullopt, std::nullopt, std::nullopt },
    { "12abc", std::nullopt, std::nullopt, std::nullopt },
    { "1 2", std::nullopt, std::nullopt, std::nullopt },
    { "2147483647", 2147483647, 2147483647, 2147483647.0 },
    { "2147483648", std::nullopt, 2147483648LL, 2147483648.0 },
    { "-2147483648", -2147483648LL, std::nullopt, -2147483648.0 },
    { "-2147483649", std::nullopt, std::nullopt, -2147483649.0 },
    { "4294967295", std::nullopt, 4294967295LL, 4294967295.0 },
    { "4294967296", std::nullopt, std::nullopt, 4294967296.0 },
    { "99999999999999999999999", std::nullopt, std::nullopt, 1e23 },
    { "2.5", std::nullopt, std::nullopt, 2.5 },
    { ".5", std::nullopt, std::nullopt, 0.5 },
    { "1e3", std::nullopt, std::nullopt, 1000.0 },
    { "1e39", std::nullopt, std::nullopt, std::nullopt }, // beyond a float
    { "1e99999", std::nullopt, std::nullopt, std::nullopt },
    { "inf", std::nullopt, std::nullopt, std::nullopt },
    { "nan", std::nullopt, std::nullopt, std::nullopt },
    { "0x10", std::nullopt, std::nullopt, std::nullopt },
    { "1,5", std::nullopt, std::nullopt, std::nullopt },
    { "1e", std::nullopt, std::nullopt, std::nullopt },
};

} // namespace

TEST(DataExchange, TypedNumbersParseWithinTheirTypes)
{
    for (const ParseCase& c : kParseCases) {
        const QString text = QString::fromUtf8(c.text);
        const std::optional<int> asInt = ParseIntText(text);
        const std::optional<uint32_t> asUint = ParseUintText(text);
        const std::optional<float> asFloat = ParseFloatText(text);
        EXPECT_EQ(asInt ? std::optional<long long>(*asInt) : std::nullopt, c.asInt) << c.text;
        EXPECT_EQ(asUint ? std::optional<long long>(*asUint) : std::nullopt, c.asUint) << c.text;
        ASSERT_EQ(asFloat.has_value(), c.asFloat.has_value()) << c.text;
        if (asFloat) {
            EXPECT_FLOAT_EQ(*asFloat, static_cast<float>(*c.asFloat)) << c.text;
        }
    }
}

TEST(DataExchange, FloatsShowSixSignificantDigits)
{
    EXPECT_EQ(FloatText(2.0f), QStringLiteral("2"));
    EXPECT_EQ(FloatText(2.5f), QStringLiteral("2.5"));
    EXPECT_EQ(FloatText(3000.0f), QStringLiteral("3000"));
    EXPECT_EQ(FloatText(1234567.0f), QStringLiteral("1.23457e+06"));
    EXPECT_EQ(FloatText(-0.125f), QStringLiteral("-0.125"));
}

TEST(DataExchange, DefaultsShowAsTheNewPageShowsThem)
{
    const FormControls shown = ExchangeOut(BasicParamModel {});
    EXPECT_EQ(shown.texts.value(1030), QStringLiteral("4"));
    EXPECT_EQ(shown.texts.value(1025), QStringLiteral("-2100000000"));
    EXPECT_EQ(shown.texts.value(1026), QStringLiteral("2100000000"));
    EXPECT_EQ(shown.texts.value(1053), QStringLiteral("3000"));
    EXPECT_EQ(shown.texts.value(1060), QStringLiteral("2"));
    EXPECT_EQ(shown.texts.value(1038), QStringLiteral("1"));
    EXPECT_EQ(shown.texts.value(1266), QStringLiteral("2"));
    EXPECT_EQ(shown.texts.value(1267), QStringLiteral("127"));
    EXPECT_EQ(shown.states.value(1108), 0);
    EXPECT_EQ(shown.states.value(1263), 1);
    EXPECT_EQ(shown.states.value(1296), 1);
    EXPECT_EQ(shown.states.value(1029), 0);

    // What the controls show is taken back unchanged.
    BasicParamModel model;
    model.m_fMaxPeakCurrent = 2999.5f;
    model.m_uPosD = 4000000000u;
    model.m_nRunMode = 2;
    model.m_bScaleLimit = 1;
    BasicParamModel back;
    EXPECT_FALSE(ExchangeIn(ExchangeOut(model), back));
    EXPECT_EQ(back.m_fMaxPeakCurrent, 2999.5f);
    EXPECT_EQ(back.m_uPosD, 4000000000u);
    EXPECT_EQ(back.m_nRunMode, 2);
    EXPECT_EQ(back.m_bScaleLimit, 1);
}

TEST(DataExchange, StopsAtTheFirstRejectedFieldInExchangeOrder)
{
    struct Case {
        int id;
        const char* text;
        QString prompt;
    };
    const Case cases[] = {
        { 1030, "3", QStringLiteral("请输入一个 4 至 2147483647 之间的整数。") },
        { 1030, "4x", QStringLiteral("请输入一个整数。") },
        { 1036, "abc", QStringLiteral("请输入一个整数。") },
        { 1036, "3000000000", QStringLiteral("请输入一个整数。") },
        { 1110, "-1", QStringLiteral("请输入一个正整数。") },
        { 1293, "5000000000", QStringLiteral("请输入一个正整数。") },
        { 1051, "abc", QStringLiteral("请输入一个数字。") },
        { 1060, "1e40", QStringLiteral("请输入一个数字。") },
        { 1266, "1", QStringLiteral("请输入一个 2 至 127 之间的整数。") },
        { 1267, "128", QStringLiteral("请输入一个 2 至 127 之间的整数。") },
    };
    for (const Case& c : cases) {
        FormControls controls = ExchangeOut(BasicParamModel {});
        controls.texts[c.id] = QString::fromUtf8(c.text);
        BasicParamModel model;
        const std::optional<ExchangeFailure> failure = ExchangeIn(controls, model);
        ASSERT_TRUE(failure) << c.id << " " << c.text;
        EXPECT_EQ(failure->id, c.id);
        EXPECT_EQ(failure->prompt, c.prompt);
    }

    // Two bad fields: the encoder, taken third, is reported rather than the last field; the
    // acceleration before it is taken, the encoder and the rated speed after it are not.
    FormControls controls = ExchangeOut(BasicParamModel {});
    controls.texts[1005] = QStringLiteral("250");
    controls.texts[1030] = QStringLiteral("2");
    controls.texts[1036] = QStringLiteral("3000");
    controls.texts[1350] = QStringLiteral("x");
    BasicParamModel model;
    const std::optional<ExchangeFailure> failure = ExchangeIn(controls, model);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->id, 1030);
    EXPECT_EQ(model.m_nAcceleration, 250);
    EXPECT_EQ(model.m_nEncoderCounts, 4);
    EXPECT_EQ(model.m_nRatedSpeed, 0);
}
