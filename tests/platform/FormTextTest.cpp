#include "platform/FormText.h"

#include "tests/support/QtPrinters.h"

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

TEST(FormText, TypedNumbersParseWithinTheirTypes)
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

TEST(FormText, FloatsShowSixSignificantDigits)
{
    EXPECT_EQ(FloatText(2.0f), QStringLiteral("2"));
    EXPECT_EQ(FloatText(2.5f), QStringLiteral("2.5"));
    EXPECT_EQ(FloatText(3000.0f), QStringLiteral("3000"));
    EXPECT_EQ(FloatText(1234567.0f), QStringLiteral("1.23457e+06"));
    EXPECT_EQ(FloatText(-0.125f), QStringLiteral("-0.125"));
}
