#include "platform/TextToInt.h"

#include <climits>

namespace {
char32_t Unit(char c)
{
    return static_cast<unsigned char>(c);
}

char32_t Unit(QChar c)
{
    return c.unicode();
}

template <class Text>
int DecimalPrefix(const Text& text)
{
    auto at = [&text](qsizetype i) { return Unit(text[i]); };
    auto blank = [](char32_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    qsizetype i = 0;
    while (i < text.size() && blank(at(i)))
        ++i;
    bool negative = false;
    if (i < text.size() && (at(i) == '+' || at(i) == '-'))
        negative = at(i++) == '-';
    // Accumulate towards the sign, so INT_MIN itself fits.
    long long value = 0;
    for (; i < text.size() && at(i) >= '0' && at(i) <= '9'; ++i) {
        value = value * 10 + (at(i) - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            break;
    }
    if (negative)
        return value > static_cast<long long>(INT_MAX) + 1 ? INT_MIN : static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}
}

int TextToInt(QByteArrayView text)
{
    return DecimalPrefix(text);
}

int TextToInt(QStringView text)
{
    return DecimalPrefix(text);
}
