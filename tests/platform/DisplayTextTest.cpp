#include "platform/DisplayText.h"

#include <gtest/gtest.h>

TEST(DisplayText, KeepsShortTextsAndCutsLongOnesWithAnEllipsis)
{
    const QString ellipsis(QChar(0x2026));
    const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80"); // one character, two UTF-16 units
    const struct {
        QString text;
        qsizetype max;
        QString shown;
    } cases[] = {
        { QStringLiteral("QX6215"), 6, QStringLiteral("QX6215") },
        { QStringLiteral("QX6215"), 64, QStringLiteral("QX6215") },
        { QStringLiteral("QX6215A"), 6, QStringLiteral("QX621") + ellipsis },
        { QString(10 << 20, u'x'), 4, QStringLiteral("xxx") + ellipsis },
        { QStringLiteral("ab") + smile + QStringLiteral("cd"), 4, QStringLiteral("ab") + ellipsis },
        { QStringLiteral("abc"), 0, QString() },
    };
    for (const auto& c : cases) {
        const QString shown = DisplayText(c.text, c.max);
        EXPECT_EQ(shown, c.shown) << c.text.left(20).toStdString() << " / " << c.max;
        EXPECT_LE(shown.size(), c.max);
    }
}
