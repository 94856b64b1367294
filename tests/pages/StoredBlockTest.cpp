#include "pages/params/StoredBlock.h"

#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

namespace {

// A GESA reply whose block holds `fill` everywhere but where a test puts values.
class Block {
public:
    explicit Block(uint8_t fill = 0)
        : m_reply(QByteArray("ES") + QByteArray(kStoredBlockBytes, static_cast<char>(fill)) + "\r")
    {
    }
    Block& Put(int offset, int32_t value, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            m_reply[kStoredBlockStart + offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
        return *this;
    }
    QByteArray Reply() const { return m_reply; }

private:
    QByteArray m_reply;
};

// The text copies by parameter-file key (1..25); the unused word as key 26.
QMap<int, QString> ByKey(const QMap<int, QString>& texts)
{
    QMap<int, QString> keys;
    for (auto it = texts.begin(); it != texts.end(); ++it)
        keys[it.key() + 1] = it.value();
    return keys;
}

} // namespace

TEST(StoredBlock, LayoutA)
{
    for (int version : { -5, 0, 0x300C })
        EXPECT_EQ(StoredBlockLayoutFor(version), StoredBlockLayout::A);
    EXPECT_EQ(StoredBlockLayoutFor(0x300D), StoredBlockLayout::B);
    EXPECT_EQ(StoredBlockLayoutFor(0x3137), StoredBlockLayout::B);
    EXPECT_EQ(StoredBlockLayoutFor(0x3138), StoredBlockLayout::C);

    Block block;
    block.Put(16, 9000, 4).Put(20, 4500, 4).Put(24, 2100000000, 4).Put(28, -2100000000, 4);
    block.Put(34, 65535, 2).Put(36, 7, 2).Put(38, -100, 2).Put(40, 3000, 2).Put(44, 50, 2).Put(46, 11, 2);
    block.Put(48, 12, 2).Put(50, 2, 2).Put(54, -5, 2).Put(56, 4000, 2).Put(58, 300, 2).Put(60, 20, 2);
    block.Put(62, 1, 2).Put(65, '1', 1).Put(66, 1, 1).Put(67, '1', 1).Put(69, 3, 1);
    const std::optional<QMap<int, QString>> texts = DecodeStoredBlock(block.Reply(), 0x300C);
    ASSERT_TRUE(texts);
    const QMap<int, QString> expected {
        { 1, "4000" }, { 2, "-2100000000" }, { 3, "2100000000" }, { 4, "启用" }, { 6, "-100" }, { 7, "3000" },
        { 8, "无" }, { 9, "50" }, { 10, "9000" }, { 11, "4500" }, { 12, "2" }, { 13, "300" }, { 14, "20" },
        { 15, "1" }, { 16, "正转" }, { 17, "位置" }, { 18, "模拟电压" }, { 19, "11" }, { 20, "-5" },
        { 21, "65535" }, { 22, "12" }, { 24, "无" }, { 26, "7" },
    };
    EXPECT_EQ(ByKey(*texts), expected);
}

TEST(StoredBlock, LayoutsBAndCMoveTheLaterSettings)
{
    Block block;
    block.Put(16, 100, 4).Put(54, 21, 2).Put(58, 5, 2).Put(62, 40, 2).Put(76, 8000, 2).Put(84, -3, 2);
    block.Put(107, '2', 1).Put(108, 0, 1).Put(109, 1, 1).Put(111, 0, 1);
    // What layout A would read there.
    block.Put(34, 99, 2).Put(56, 99, 2).Put(65, '0', 1).Put(67, '1', 1);

    QMap<int, QString> b = ByKey(*DecodeStoredBlock(block.Reply(), 0x300D));
    EXPECT_EQ(b[10], "100");
    EXPECT_EQ(b[21], "21");
    EXPECT_EQ(b[6], "5");
    EXPECT_EQ(b[8], "无");
    EXPECT_EQ(b[1], "8000");
    EXPECT_EQ(b[24], "-3");
    EXPECT_EQ(b[17], "步进");
    EXPECT_EQ(b[18], "步进脉冲"); // stepping mode takes pulses whatever the byte says
    EXPECT_EQ(b[16], "反转");      // layouts A and B want the character '1'
    EXPECT_EQ(b[4], "禁用");

    QMap<int, QString> c = ByKey(*DecodeStoredBlock(block.Reply(), 0x3138));
    EXPECT_EQ(c[8], "40");
    EXPECT_EQ(c[16], "正转"); // layout C wants the value 1
    block.Put(109, '1', 1).Put(107, 'x', 1).Put(108, 9, 1);
    c = ByKey(*DecodeStoredBlock(block.Reply(), 0x3138));
    EXPECT_EQ(c[16], "反转");
    EXPECT_EQ(c[17], "Unknow");
    EXPECT_EQ(c[18], "Unknow");

    // A reply cut short is no block.
    EXPECT_FALSE(DecodeStoredBlock(block.Reply().left(kStoredBlockReplyBytes - 1), 0x3138));
    EXPECT_TRUE(DecodeStoredBlock(block.Reply().left(kStoredBlockReplyBytes), 0x3138));
}
