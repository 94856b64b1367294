#include "platform/FormText.h"

#include <QLocale>

#include <cfloat>
#include <climits>
#include <cmath>

const QString kPromptInteger = QStringLiteral("请输入一个整数。");
const QString kPromptNumber = QStringLiteral("请输入一个数字。");
const QString kPromptUnsigned = QStringLiteral("请输入一个正整数。");
const QString kPromptRange = QStringLiteral("请输入一个 %1 至 %2 之间的整数。");

namespace {

// A decimal integer with an optional sign and blanks around it; nullopt for anything else
// and for magnitudes beyond what 64 bits hold comfortably.
std::optional<long long> ParseDecimal(QStringView text)
{
    text = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    if (i == text.size())
        return std::nullopt;
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9')
            return std::nullopt;
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > 0xFFFFFFFFLL)
            return std::nullopt;
    }
    return negative ? -value : value;
}

// Digits, an optional point and fraction, an optional exponent: no hexadecimal, no "inf" or
// "nan", which the number parser would otherwise take.
bool IsDecimalFloat(QStringView text)
{
    qsizetype i = 0;
    auto digits = [&] {
        const qsizetype start = i;
        while (i < text.size() && text[i] >= u'0' && text[i] <= u'9')
            ++i;
        return i - start;
    };
    auto sign = [&] {
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
            ++i;
    };
    sign();
    qsizetype mantissa = digits();
    if (i < text.size() && text[i] == u'.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return false;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        sign();
        if (digits() == 0)
            return false;
    }
    return i == text.size();
}

} // namespace

std::optional<int> ParseIntText(QStringView text)
{
    const std::optional<long long> value = ParseDecimal(text);
    if (!value || *value < INT_MIN || *value > INT_MAX)
        return std::nullopt;
    return static_cast<int>(*value);
}

std::optional<uint32_t> ParseUintText(QStringView text)
{
    const std::optional<long long> value = ParseDecimal(text);
    if (!value || *value < 0 || text.trimmed().startsWith(u'-'))
        return std::nullopt;
    return static_cast<uint32_t>(*value);
}

std::optional<float> ParseFloatText(QStringView text)
{
    text = text.trimmed();
    if (!IsDecimalFloat(text))
        return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(value) || std::fabs(value) > FLT_MAX)
        return std::nullopt;
    return static_cast<float>(value);
}

QString FloatText(float value)
{
    return QString::asprintf("%.6g", static_cast<double>(value));
}
