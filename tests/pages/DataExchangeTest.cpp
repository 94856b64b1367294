#include "pages/params/DataExchange.h"

#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

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
