#include "link/LinkLayer.h"
#include "link/NodeAddress.h"
#include "link/SearchNode.h"
#include "platform/MessageBox.h"
#include "platform/Profile.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

// The node-search bar on its own, without a main frame or a drive: the node rule, the
// found-drive tree and the choice of the current node.

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

namespace {
class SearchNodeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OpenProfile()->clear();
        g_nComType = COMM_RS232;
        g_nCurNode = 1;
        std::lock_guard lock(g_csFoundNodes);
        g_arrFoundNodes.clear();
        SetMessageBoxHandler([this](const MessageBoxRequest& request) {
            boxes << request.text;
            return IDOK;
        });
        ASSERT_TRUE(bar.Create(&host));
    }
    void TearDown() override
    {
        SetMessageBoxHandler({});
        g_nCurNode = 1;
        std::lock_guard lock(g_csFoundNodes);
        g_arrFoundNodes.clear();
    }
    template <typename T>
    T* Control(int id) { return qobject_cast<T*>(bar.GetDlgItem(id)); }
    void Click(int id) { Control<QPushButton>(id)->click(); }
    QStringList Items() const
    {
        QStringList texts;
        for (int i = 0; i < bar.m_hRootItem->childCount(); ++i)
            texts << bar.m_hRootItem->child(i)->text(0);
        return texts;
    }

    QWidget host;
    CSearchNode bar;
    QStringList boxes;
};
}

TEST_F(SearchNodeTest, ADriveThatAnswersTwiceIsListedOnce)
{
    for (int node : { 5, 9, 5 })
        SendMessage(&bar, WM_NODE_FOUND, 7, MAKELPARAM(0, static_cast<uint16_t>(node)));
    // The test program's folder has no QZNAME.qzi: the items carry no names.
    EXPECT_EQ(Items(), (QStringList { "Device:5", "Device:9" }));
    EXPECT_EQ(g_arrFoundNodes, (std::vector<uint16_t> { 5, 9 }));
    EXPECT_EQ(bar.StatusText(), "Searched 2 devices");
    EXPECT_TRUE(bar.m_hRootItem->isExpanded());
}

TEST_F(SearchNodeTest, ADoubleClickedDriveBecomesCurrentAndIsStored)
{
    SendMessage(&bar, WM_NODE_FOUND, 7, MAKELPARAM(0, 42));
    bar.m_tree->setCurrentItem(bar.m_hRootItem);
    bar.OnDblclkTree();
    EXPECT_EQ(g_nCurNode.load(), 1) << "the root names no node";
    bar.m_tree->setCurrentItem(bar.m_hRootItem->child(0));
    bar.OnDblclkTree();
    EXPECT_EQ(g_nCurNode.load(), 42);
    EXPECT_EQ(OpenProfile()->value("QzBrantovelix/CurNote").toInt(), 42);
    EXPECT_EQ(Control<QComboBox>(CSearchNode::IDC_NODE_COMBO)->currentText(), "42");
}

TEST_F(SearchNodeTest, SetTakesOnlyNodeAddressesAndStoresWhatStartUpTakesBack)
{
    auto* combo = Control<QComboBox>(CSearchNode::IDC_NODE_COMBO);
    for (const char* text : { "128", "-1", "abc", " 5", "99999999999999999999" }) {
        combo->setEditText(QString::fromLatin1(text));
        Click(CSearchNode::IDC_SET);
        EXPECT_EQ(boxes, QStringList { "Device address must be from 0 to 127" }) << text;
        EXPECT_EQ(g_nCurNode.load(), 1) << text;
        EXPECT_FALSE(OpenProfile()->contains("QzBrantovelix/CurNote")) << text;
        boxes.clear();
    }
    for (int node : { 0, 127 }) {
        combo->setEditText(QString::number(node));
        Click(CSearchNode::IDC_SET);
        EXPECT_TRUE(boxes.isEmpty());
        EXPECT_EQ(g_nCurNode.load(), node);
        const int stored = OpenProfile()->value("QzBrantovelix/CurNote").toInt();
        EXPECT_EQ(NodeAddressOrDefault(stored), node) << "the node survives a restart";
    }
}

TEST_F(SearchNodeTest, SearchAsksForCanAndForAValidRange)
{
    Click(CSearchNode::IDC_SEARCH);
    EXPECT_EQ(bar.StatusText(), "Please set communication being CAN, the re-search");
    EXPECT_FALSE(bar.IsSearching());

    g_nComType = COMM_CAN_USB2;
    for (const auto& [from, prompt] : { std::pair { "1", "请输入一个 2 至 127 之间的整数。" }, { "x", "请输入一个整数。" } }) {
        Control<QLineEdit>(CSearchNode::IDC_FROM)->setText(QString::fromLatin1(from));
        Click(CSearchNode::IDC_SEARCH);
        EXPECT_EQ(boxes, QStringList { QString::fromUtf8(prompt) });
        EXPECT_FALSE(bar.IsSearching()) << "a range to correct is not searched";
        boxes.clear();
    }
}

TEST_F(SearchNodeTest, SetAndSaveAllWithoutAnAnsweringDriveSavesNothing)
{
    Click(CSearchNode::IDC_SET_SAVE_ALL);
    EXPECT_EQ(bar.StatusText(), "No device, save failed");
    EXPECT_TRUE(g_arrFoundNodes.empty());
}
