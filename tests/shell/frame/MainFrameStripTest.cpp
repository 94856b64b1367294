#include "link/LinkLayer.h"
#include "link/ui/ComSetting.h"
#include "link/ui/SearchNode.h"
#include "platform/MessageBox.h"
#include "platform/Profile.h"
#include "shell/C12DialogBar.h"
#include "shell/frame/BrantovelixApp.h"
#include "shell/frame/MainFrame.h"
#include "shell/Globals.h"
#include "tests/support/ScriptedTransaction.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

// The frame with no channel (the stored port does not exist and the dialog is cancelled),
// counted as connected, its drive commands talking to a script.
class MainFrameStripTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OpenProfile()->clear();
        OpenProfile()->setValue(QStringLiteral("QzBrantovelix/ComType"), 0);
        OpenProfile()->setValue(QStringLiteral("Ports/COM1"), QStringLiteral("/nonexistent/velquarin-port"));
        CComSetting::SetExecHook([](CComSetting&) { return static_cast<int>(QDialog::Rejected); });
        SetMessageBoxHandler([this](const MessageBoxRequest& request) {
            boxes << request.text;
            return IDOK;
        });
        theApp.m_bOfflineMode = 1;
        frame = std::make_unique<CMainFrame>();
        ASSERT_TRUE(frame->LoadFrame());
        frame->Commands().SetTransaction(drive.Function());
        g_nComType = COMM_RS232;
    }
    void TearDown() override
    {
        frame.reset();
        CComSetting::SetExecHook({});
        SetMessageBoxHandler({});
        OpenProfile()->clear();
        theApp.m_bOfflineMode = 0;
        g_bDriveConnected = 0;
    }

    void Click(int id)
    {
        auto* button = qobject_cast<QAbstractButton*>(frame->TopBar()->GetDlgItem(id));
        ASSERT_NE(button, nullptr) << id;
        button->click();
    }

    ScriptedTransaction drive;
    std::unique_ptr<CMainFrame> frame;
    QStringList boxes;
};

} // namespace

TEST_F(MainFrameStripTest, StripButtonsRunTheirDriveCommands)
{
    ASSERT_EQ(g_bDriveConnected.load(), 1);
    for (int id : { IDC_GM, IDC_GV, IDC_GC, IDC_GSE, IDC_PO, IDC_DISABLE, IDC_ENABLE })
        Click(id);
    EXPECT_EQ(drive.Commands(), (QStringList { "GM", "GV", "GC", "GSE", "PO", "DIS", "ENA" }));

    drive.Clear();
    Click(IDC_REFRESH);
    EXPECT_EQ(drive.Commands(), (QStringList { "GMOD", "GSIN", "GEIN", "GT" }));

    drive.Clear();
    drive.Serial("GDTN1", "QX6215");
    drive.Serial("GVEN", "12300");
    Click(IDC_CONNECT);
    EXPECT_EQ(drive.Commands(), (QStringList { "GDTN1", "GVEN", "GSI" }));
    EXPECT_EQ(frame->TopBar()->GetDlgItemText(IDC_TYPE), QStringLiteral("QX6215"));
    auto* node = qobject_cast<QComboBox*>(frame->SearchBar()->GetDlgItem(1342));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->currentText(), QStringLiteral("1"));
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_F(MainFrameStripTest, SendFilesTheCommandInTheComboAndSelectsIt)
{
    QComboBox* combo = frame->TopBar()->CommandCombo();
    combo->setEditText(QStringLiteral(" g m od"));
    Click(IDC_SEND);
    combo->setEditText(QStringLiteral("gv"));
    Click(IDC_SEND);
    EXPECT_EQ(drive.Commands(), (QStringList { "GMOD", "GV" }));
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(0), QStringLiteral("GV"));
    EXPECT_EQ(combo->itemText(1), QStringLiteral("GMOD"));
    EXPECT_EQ(combo->currentText(), QStringLiteral("GV"));
    EXPECT_EQ(combo->lineEdit()->selectedText(), QStringLiteral("GV"));

    // Nothing typed: the message, and the list stays.
    combo->setEditText(QString());
    Click(IDC_SEND);
    EXPECT_EQ(boxes, (QStringList { QStringLiteral("Please input content！") }));
    EXPECT_EQ(combo->count(), 2);
}

TEST_F(MainFrameStripTest, WithoutADriveTheButtonsSendNothing)
{
    g_bDriveConnected = 0;
    Click(IDC_GM);
    Click(IDC_ENABLE);
    Click(IDC_REFRESH);
    EXPECT_TRUE(drive.Calls().empty());
    EXPECT_EQ(boxes.size(), 3);
    for (const QString& box : boxes)
        EXPECT_EQ(box, QStringLiteral("Please connect Drive"));
}
