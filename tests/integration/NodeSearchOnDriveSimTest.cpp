#include "link/LinkInternal.h"
#include "link/LinkLayer.h"
#include "link/ui/ComSetting.h"
#include "link/ui/SearchNode.h"
#include "pages/params/BasicParam.h"
#include "pages/params/BasicParamIds.h"
#include "platform/MessageBox.h"
#include "platform/Profile.h"
#include "shell/DriveCommands.h"
#include "shell/frame/MainFrame.h"
#include "shell/Globals.h"
#include "shell/StripDecoders.h"
#include "tests/integration/IntegrationDrive.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

namespace {
using Clock = std::chrono::steady_clock;

// Beside the drives at nodes 1 and 6 of the shared bus: drives at 9 and 11, each in a
// simulator of its own so that one of them can misbehave alone.
std::unique_ptr<DriveSimulator> g_drive9;
std::unique_ptr<DriveSimulator> g_drive11;

// The program's window on a CAN channel of the simulated bus (the USB-CAN adapter or the
// card), with its node-search bar.
class NodeSearchOnDriveSim : public ::testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite()
    {
        IntegrationDrive();
        g_drive9 = StartDrivesOnIntegrationBus({ 9 });
        g_drive11 = StartDrivesOnIntegrationBus({ 11 });
        g_drive9->Drive(9)->SetParameter("GDTY", 3);
        g_drive11->Drive(11)->SetParameter("GDTY", 8);
    }
    static void TearDownTestSuite()
    {
        g_drive9.reset();
        g_drive11.reset();
    }

    void SetUp() override
    {
        auto profile = OpenProfile();
        profile->clear();
        profile->setValue("QzBrantovelix/ComType", GetParam());
        profile->setValue("QzBrantovelix/CurNote", 1);
        profile->sync();
        CComSetting::SetExecHook([](CComSetting&) { return static_cast<int>(QDialog::Rejected); });
        SetMessageBoxHandler([this](const MessageBoxRequest& request) {
            boxes << request.text;
            return IDOK;
        });
        for (DriveSimulator* sim : { g_drive9.get(), g_drive11.get(), &IntegrationDrive() })
            sim->ClearFaults();
        g_arrFoundNodes.clear();
        ASSERT_NO_FATAL_FAILURE(StartFrame());
        for (int node : { 9, 11 })
            ASSERT_TRUE(AnswersOnTheBus(node)) << node;
        g_nCurNode = 1;
    }
    void StartFrame()
    {
        g_bCanUsbOpen = 0; // the frame starts the card's flag, not this one
        frame = std::make_unique<CMainFrame>();
        ASSERT_TRUE(frame->LoadFrame());
        ASSERT_TRUE(IsCanType(g_nComType)) << "the stored channel opens";
        QCoreApplication::processEvents(); // the connect sequence
        bar = frame->SearchBar();
        page = frame->BasicParamPage();
        ASSERT_NE(page, nullptr);
        // The page reads the connected drive's settings first.
        QCoreApplication::sendPostedEvents(page, 0);
        ASSERT_TRUE(WaitFor([this] { return !page->IsBusy(); }));
    }
    void TearDown() override
    {
        frame.reset();
        CComSetting::SetExecHook({});
        SetMessageBoxHandler({});
        g_bCanUsbOpen = 0;
        g_bCanK8110Open = 0;
        g_nComType = COMM_RS232;
        g_bDriveConnected = 0;
    }

    template <typename T>
    T* Control(int id) { return qobject_cast<T*>(bar->GetDlgItem(id)); }
    void Click(int id) { Control<QPushButton>(id)->click(); }
    void SetRange(int from, int to)
    {
        Control<QLineEdit>(CSearchNode::IDC_FROM)->setText(QString::number(from));
        Control<QLineEdit>(CSearchNode::IDC_TO)->setText(QString::number(to));
    }
    // Waits, running the event loop, until `done` holds; false after a minute.
    template <typename F>
    bool WaitFor(F done)
    {
        const auto end = Clock::now() + std::chrono::minutes(1);
        while (!done()) {
            if (Clock::now() > end)
                return false;
            QTest::qWait(5);
        }
        return true;
    }
    void Search(int from, int to)
    {
        SetRange(from, to);
        Click(CSearchNode::IDC_SEARCH);
        ASSERT_TRUE(bar->IsSearching());
        EXPECT_EQ(bar->StatusText(), "Start to search device");
        ASSERT_TRUE(WaitFor([this] { return !bar->IsSearching(); }));
    }
    QStringList Items() const
    {
        QStringList texts;
        for (int i = 0; i < bar->m_hRootItem->childCount(); ++i)
            texts << bar->m_hRootItem->child(i)->text(0);
        return texts;
    }
    void SetAll()
    {
        Click(CSearchNode::IDC_SET_SAVE_ALL);
        QCoreApplication::sendPostedEvents(page, 0); // WM_SET_ALL_NODES
        ASSERT_TRUE(WaitFor([this] { return !page->IsSettingAllNodes(); }));
    }

    std::unique_ptr<CMainFrame> frame;
    CSearchNode* bar = nullptr;
    CBasicParam* page = nullptr;
    QStringList boxes;
};

} // namespace

TEST_P(NodeSearchOnDriveSim, FindsTheDrivesInTheRangeAndTalksToTheOnePicked)
{
    Control<QComboBox>(CSearchNode::IDC_NODE_COMBO)->setEditText(QStringLiteral("7"));
    Search(12, 8);
    // A drive that answers once more is not listed again. The test program's folder has no
    // QZNAME.qzi: the entries carry no names.
    SendMessage(bar, WM_NODE_FOUND, 3, MAKELPARAM(0, 9));
    EXPECT_EQ(Items(), (QStringList { "Device:9", "Device:11" }));
    EXPECT_EQ(g_arrFoundNodes, (std::vector<uint16_t> { 9, 11 }));
    EXPECT_EQ(bar->StatusText(), "Searched 2 devices:9 11 ");
    EXPECT_EQ(g_nCurNode.load(), 11) << "the last drive that answered";
    EXPECT_EQ(Control<QComboBox>(CSearchNode::IDC_NODE_COMBO)->currentText(), "7") << "what the user typed";
    EXPECT_EQ(g_nComType.load(), GetParam());
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join(u'|').toStdString();

    for (QTreeWidgetItem* item : { bar->m_hRootItem, bar->m_hRootItem->child(0) }) {
        bar->m_tree->setCurrentItem(item);
        bar->OnDblclkTree();
    }
    EXPECT_EQ(g_nCurNode.load(), 9);
    EXPECT_EQ(OpenProfile()->value("QzBrantovelix/CurNote").toInt(), 9);
    g_drive9->ClearRecords();
    frame->OnStripCommand(IDC_GM);
    ASSERT_EQ(g_drive9->CanRequests().size(), 1u) << "GM went to the drive picked";
    EXPECT_EQ(g_drive9->CanRequests()[0].id, 9u);

    if (GetParam() == COMM_CAN_USB2) {
        // Maximised on a laptop's screen, the bar fits whole beside the pages.
        frame->resize(1366, 768);
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        EXPECT_EQ(frame->size(), QSize(1366, 768));
        // A drive's name wider than the tree is read whole in the item's tooltip.
        for (int i = 0; i < bar->m_hRootItem->childCount(); ++i)
            EXPECT_EQ(bar->m_hRootItem->child(i)->toolTip(0), bar->m_hRootItem->child(i)->text(0));
        QWidget* last = bar->GetDlgItem(CSearchNode::IDC_SET_SAVE_ALL);
        EXPECT_TRUE(frame->rect().contains(QRect(last->mapTo(frame.get(), QPoint()), last->size())));
        const QString picture = qEnvironmentVariable("VELQUARIN_BUILD_DIR") + QStringLiteral("/velquarin-node-search.png");
        EXPECT_TRUE(frame->grab().save(picture)) << picture.toStdString();
    }
}

TEST_P(NodeSearchOnDriveSim, AReplyNamingAnotherNodeListsNeitherNode)
{
    FaultPlan wrongNode;
    wrongNode.wrongNode = true; // node 9 answers as node 10
    g_drive9->SetFaults(SimChannel::Can, wrongNode);
    Search(9, 10);
    EXPECT_EQ(bar->m_hRootItem->text(0), "Device List");
    EXPECT_TRUE(Items().isEmpty());
    EXPECT_EQ(bar->StatusText(), "No device");
    EXPECT_EQ(g_nCurNode.load(), 1) << "the node current before";
}

TEST_P(NodeSearchOnDriveSim, SetAndSaveAllSendsTheModeToEveryFoundNode)
{
    page->Model().m_nRunMode = 1; // "Position"
    qobject_cast<QComboBox*>(page->GetDlgItem(IDC_COMMAND))->setCurrentIndex(5); // "CU/CD"
    const int mode = 1 << 8 | 6;
    g_drive9->Drive(9)->SetParameter("GMOD", 0);
    g_drive11->Drive(11)->SetParameter("GMOD", 0);
    g_nCurNode = 20;
    Click(CSearchNode::IDC_SET_SAVE_ALL);
    EXPECT_EQ(bar->StatusText(), "No device, save failed");

    g_nCurNode = 9; // nothing searched, a drive at the current node: it alone
    SetAll();
    EXPECT_EQ(g_drive9->Drive(9)->Parameter("GMOD"), mode);
    EXPECT_NE(g_drive11->Drive(11)->Parameter("GMOD"), mode);
    EXPECT_EQ(bar->StatusText(), "All device setting succeed");

    FaultPlan silent;
    silent.silent = true;
    g_drive11->SetFaults(SimChannel::Can, silent);
    g_drive9->Drive(9)->SetParameter("GMOD", 0);
    g_arrFoundNodes = { 11, 9 };
    SetAll();
    EXPECT_EQ(g_drive9->Drive(9)->Parameter("GMOD"), mode) << "the node after the failing one";
    EXPECT_EQ(bar->StatusText(), "Device of setting failed:11 ");
    EXPECT_EQ(g_nCurNode.load(), 9) << "the node current before";
}

TEST_P(NodeSearchOnDriveSim, SearchAndSetAllRefuseEachOtherAndStopEndsTheSearch)
{
    g_arrFoundNodes = { 9, 11 };
    SendMessage(page, WM_SET_ALL_NODES, 0, 0);
    ASSERT_TRUE(page->IsSettingAllNodes());
    Click(CSearchNode::IDC_SEARCH);
    EXPECT_FALSE(bar->IsSearching());
    ASSERT_TRUE(WaitFor([this] { return !page->IsSettingAllNodes(); }));

    SetRange(20, 120);
    Click(CSearchNode::IDC_SEARCH);
    const QString probing = GetParam() == COMM_CAN_K8110 ? QStringLiteral("Seaching 22, port 0, baud 500")
                                                         : QStringLiteral("Searching 22, port 0, baud 500");
    ASSERT_TRUE(WaitFor([&] { return bar->StatusText() == probing; }));
    SendMessage(page, WM_SET_ALL_NODES, 0, 0);
    EXPECT_FALSE(page->IsSettingAllNodes());
    EXPECT_EQ(boxes, (QStringList { "Setting parameters......", "Searching devices......" }));
    Control<QComboBox>(CSearchNode::IDC_NODE_COMBO)->setEditText(QStringLiteral("6"));
    Click(CSearchNode::IDC_SET); // chosen while the search has the node

    Click(CSearchNode::IDC_STOP);
    EXPECT_EQ(bar->StatusText(), "No device");
    const auto stopped = Clock::now();
    ASSERT_TRUE(WaitFor([this] { return !bar->IsSearching(); }));
    // The rest of the range would take the card pass over 10 s, the USB-CAN pass over 25 s.
    EXPECT_LT(Clock::now() - stopped, std::chrono::seconds(3));
    EXPECT_EQ(g_nCurNode.load(), 6) << "the user's choice, not the node before the search";
    EXPECT_TRUE(Control<QPushButton>(CSearchNode::IDC_SET_SAVE_ALL)->isEnabled());
}

// The bus goes away in the middle of a search: the search ends there and says so, without
// passing the drives found so far off as all the range holds; a new Search sends nothing.
TEST_P(NodeSearchOnDriveSim, ALostChannelEndsTheSearchWhereItWasLost)
{
    SetRange(8, 60);
    Click(CSearchNode::IDC_SEARCH);
    ASSERT_TRUE(WaitFor([&] { return bar->StatusText().endsWith(QStringLiteral("ing 20, port 0, baud 500")); }));
    link_detail::LoseChannel(GetParam(), GetParam() == COMM_CAN_K8110 ? g_bCanK8110Open : g_bCanUsbOpen, "gone");
    ASSERT_TRUE(WaitFor([this] { return !bar->IsSearching(); }));
    EXPECT_THAT(bar->StatusText().toStdString(), // node 20 may have been probed before the bus went
        ::testing::MatchesRegex("Channel lost at node 2[01], search unfinished. Found:9 11 "));
    Click(CSearchNode::IDC_SEARCH);
    EXPECT_EQ(bar->StatusText(), "CAN channel closed. To reopen: Configuration > Communication > Open");
}

TEST_P(NodeSearchOnDriveSim, SetTakesOnlyNodeAddressesAndTheNodeSetSurvivesARestart)
{
    auto* combo = Control<QComboBox>(CSearchNode::IDC_NODE_COMBO);
    for (const char* text : { "128", "-1", "abc", " 5", "99999999999999999999" }) {
        combo->setEditText(QString::fromLatin1(text));
        Click(CSearchNode::IDC_SET);
        EXPECT_EQ(g_nCurNode.load(), 1) << text;
    }
    EXPECT_EQ(boxes, QStringList(5, QStringLiteral("Device address must be from 0 to 127")));
    EXPECT_EQ(OpenProfile()->value("QzBrantovelix/CurNote").toInt(), 1);

    Control<QLineEdit>(CSearchNode::IDC_FROM)->setText(QStringLiteral("1"));
    Click(CSearchNode::IDC_SEARCH);
    EXPECT_EQ(boxes.last(), "请输入一个 2 至 127 之间的整数。");
    EXPECT_FALSE(bar->IsSearching()) << "a range to correct is not searched";

    combo->setEditText(QStringLiteral("0"));
    Click(CSearchNode::IDC_SET);
    EXPECT_EQ(g_nCurNode.load(), 0);
    frame.reset();
    g_nCurNode = 1;
    ASSERT_NO_FATAL_FAILURE(StartFrame());
    EXPECT_EQ(g_nCurNode.load(), 0);
    EXPECT_EQ(Control<QComboBox>(CSearchNode::IDC_NODE_COMBO)->currentText(), "0");
}

INSTANTIATE_TEST_SUITE_P(Channels, NodeSearchOnDriveSim, ::testing::Values(COMM_CAN_USB2, COMM_CAN_K8110),
    [](const ::testing::TestParamInfo<int>& info) {
        return std::string(info.param == COMM_CAN_K8110 ? "CanCard" : "UsbCan");
    });
