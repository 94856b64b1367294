#include "link/LinkLayer.h"
#include "link/NodeAddress.h"

#include <gtest/gtest.h>

TEST(NodeAddress, TypedTextsAreDigitsUpTo127WithoutOverflow)
{
    const std::pair<const char*, std::optional<int>> cases[] = {
        { "0", 0 }, { "", 0 }, { "5", 5 }, { "0127", 127 }, { "127", 127 }, { "128", std::nullopt },
        { "-1", std::nullopt }, { "+5", std::nullopt }, { " 5", std::nullopt }, { "5a", std::nullopt },
        { "4294967301", std::nullopt }, { "99999999999999999999999999", std::nullopt },
    };
    for (const auto& [text, node] : cases)
        EXPECT_EQ(ParseNodeAddress(QString::fromLatin1(text)), node) << text;
    EXPECT_EQ(LeadingNodeAddress(u"11,DZ-C1"), 11);
    EXPECT_EQ(LeadingNodeAddress(u",9"), std::nullopt);
    EXPECT_EQ(LeadingNodeAddress(u"4294967301,x"), std::nullopt);
    EXPECT_EQ(NodeAddressOrDefault(0), 0);
    EXPECT_EQ(NodeAddressOrDefault(128), kDefaultNodeAddress);
}

TEST(NodeAddress, AChoiceMadeWhileAWorkerHoldsTheNodeIsWhatItGivesBack)
{
    g_nCurNode = 4;
    const int keep = LendCurrentNode();
    EXPECT_EQ(keep, 4);
    g_nCurNode = 20; // the worker addresses node after node
    ChooseCurrentNode(7);
    EXPECT_EQ(g_nCurNode.load(), 20) << "the worker's node stays until it is done";
    ReturnCurrentNode(keep);
    EXPECT_EQ(g_nCurNode.load(), 7);

    LendCurrentNode();
    ReturnCurrentNode(9);
    EXPECT_EQ(g_nCurNode.load(), 9) << "no choice this time: the worker's own";
    ChooseCurrentNode(3);
    EXPECT_EQ(g_nCurNode.load(), 3) << "no worker: at once";
    g_nCurNode = 1;
}
