// fuzz-sources: link/CommandTables.cpp
#include "link/CommandTables.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Command texts as a user may type them into the free-text line: any UTF-16. Checks that
// both parse functions stay in bounds and keep their promises on every input.
namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

bool IsCapital(QChar c) { return c >= u'A' && c <= u'Z'; }

QString UpperAscii(QString text)
{
    for (QChar& c : text) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 32);
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    InitCommandTables();
    const QString input = QString::fromUtf16(reinterpret_cast<const char16_t*>(data),
                                             static_cast<qsizetype>(size / 2));
    const QString upper = UpperAscii(input);

    QString text = input;
    int id = 0;
    const bool found = ParseCommandId(text, id, false);
    Check(text == upper);
    qsizetype letters = 0;
    while (letters < upper.size() && letters < 64 && IsCapital(upper[letters]))
        ++letters;
    if (found) {
        int bytes = -1;
        Check(LookupCommandArgSize(id, bytes) && (bytes == 0 || bytes == 2 || bytes == 4));
        QString name;
        Check(ParseCommandId(name, id, true) && name == upper.left(letters));
    } else {
        Check(id == -1);
    }

    text = input;
    int value = 0;
    Check(ParseCommandValue(text, value, false));
    Check(text == upper);

    // Short numbers must come out exactly as written.
    qsizetype end = letters;
    if (end < upper.size() && end < 64 && (upper[end] == u'+' || upper[end] == u'-'))
        ++end;
    const qsizetype digitsStart = end;
    while (end < upper.size() && end < 64 && upper[end] >= u'0' && upper[end] <= u'9')
        ++end;
    if (end - digitsStart <= 9)
        Check(value == upper.mid(letters, end - letters).toInt() ||
              (end == digitsStart && value == 0));
    return 0;
}
