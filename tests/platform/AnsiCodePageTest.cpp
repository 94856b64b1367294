#include "platform/AnsiCodePage.h"

#include <gtest/gtest.h>

namespace {
// 节点地址 in code page 936.
const QByteArray kNodeAddressBytes("\xBD\xDA\xB5\xE3\xB5\xD8\xD6\xB7");
const QString kNodeAddress = QString::fromUtf8("节点地址");
}

TEST(AnsiCodePage, ChineseTextIsCodePage936)
{
    EXPECT_EQ(WideToAnsi(kNodeAddress), kNodeAddressBytes);
    EXPECT_EQ(AnsiToWide(kNodeAddressBytes), kNodeAddress);
    EXPECT_EQ(AnsiToWide("Speed=3000"), QStringLiteral("Speed=3000"));
    // The one single-byte letter outside ASCII in the code page.
    EXPECT_EQ(AnsiToWide("\x80"), QString(QChar(0x20AC)));
    EXPECT_EQ(WideToAnsi(QString(QChar(0x20AC))), QByteArray("\x80"));
    EXPECT_TRUE(AnsiToWide(QByteArray()).isEmpty());
    EXPECT_TRUE(WideToAnsi(QString()).isEmpty());
}

TEST(AnsiCodePage, TrailBytesThatLookLikeAsciiBelongToTheirCharacter)
{
    for (const char trail : {'[', '\\', ']', '@', '|'}) {
        QByteArray bytes("\x81");
        bytes += trail;
        const QString text = AnsiToWide(bytes);
        ASSERT_EQ(text.size(), 1) << "trail byte " << trail;
        EXPECT_GT(text[0].unicode(), 0x4E00);
        EXPECT_EQ(WideToAnsi(text), bytes);
    }
}

TEST(AnsiCodePage, BadBytesBecomeReplacementCharactersOneByOne)
{
    const QChar bad(QChar::ReplacementCharacter);
    EXPECT_EQ(AnsiToWide("a\xFF" "b"), QString(u'a') + bad + u'b');
    // A lead byte cut off by the end of the text.
    EXPECT_EQ(AnsiToWide("ab\x81"), QStringLiteral("ab") + bad);
    // A lead byte before a line break never swallows the break.
    EXPECT_EQ(AnsiToWide("\x81\nx=1"), QString(bad) + QStringLiteral("\nx=1"));
}

TEST(AnsiCodePage, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    EXPECT_EQ(WideToAnsi(QString::fromUtf8("a😀b")), QByteArray("a?b"));
    EXPECT_EQ(WideToAnsi(QString::fromUtf8("한")), QByteArray("?"));
    // A lone surrogate is not a character at all.
    EXPECT_EQ(WideToAnsi(QString(QChar(0xD800)) + u'x'), QByteArray("?x"));
}

TEST(AnsiCodePage, LongTextsRoundTrip)
{
    QString text;
    for (int i = 0; i < 20000; ++i)
        text += kNodeAddress + QString::number(i) + QChar(0x20AC);
    const QByteArray bytes = WideToAnsi(text);
    EXPECT_EQ(AnsiToWide(bytes), text);
}
