#include "link/LinkLayer.h"
#include "link/ui/CommSel.h"
#include "platform/Profile.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace {
template <typename T>
T* Control(QWidget& dialog, int id)
{
    T* control = dialog.findChild<T*>(QStringLiteral("idc_%1").arg(id));
    EXPECT_NE(control, nullptr) << "control " << id;
    return control;
}

QVariant Stored(const char* key)
{
    return OpenProfile()->value(QLatin1String(key));
}

class CommSelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OpenProfile()->clear();
        g_nComType = COMM_RS232;
        g_nCurNode = 1;
        g_bRs232Open = 0;
        g_bCanK8110Open = 0;
    }
    void TearDown() override
    {
        g_bRs232Open = 0;
        g_bCanK8110Open = 0;
        g_nCurNode = 1;
    }
};

TEST_F(CommSelTest, ClosedChannelsAndTheCurrentChoice)
{
    g_nComType = COMM_CAN_USB2; // anything but the serial port shows as the card
    g_nCurNode = 45;
    CCommSel dialog;
    EXPECT_EQ(dialog.windowTitle(), "通讯设置");
    EXPECT_EQ(dialog.m_strSerialState, "关闭");
    EXPECT_EQ(dialog.m_strK8110State, "关闭");
    EXPECT_EQ(Control<QLineEdit>(dialog, 1231)->text(), "关闭");
    EXPECT_EQ(dialog.m_nChannel, 1);
    EXPECT_TRUE(Control<QRadioButton>(dialog, 1234)->isChecked());
    EXPECT_FALSE(Control<QRadioButton>(dialog, 1047)->isChecked());
    EXPECT_EQ(dialog.m_strNode, "45");
    auto* node = Control<QComboBox>(dialog, 1235);
    EXPECT_EQ(node->currentText(), "45");
    EXPECT_EQ(node->count(), 127);
    EXPECT_EQ(node->itemText(0), "1");
    EXPECT_EQ(node->itemText(126), "127");
}

TEST_F(CommSelTest, OpenChannelsShowTheirStoredSettings)
{
    auto profile = OpenProfile();
    profile->setValue("QzBrantovelix/ComNum", 3);
    profile->setValue("QzBrantovelix/ComBaud", 19200);
    profile->setValue("CommK8110/Index", 2);
    profile->setValue("CommK8110/Baud", 250);
    profile->setValue("CommK8110/ACR", "00200000");
    profile.reset();
    g_bRs232Open = 1;
    g_bCanK8110Open = 1;
    CCommSel dialog;
    EXPECT_EQ(dialog.m_strSerialState, "Opened: port 3 baud 19200");
    EXPECT_EQ(dialog.m_strK8110State, "Opened: Device No.2 \r\nBaud250 \r\nRecv-Code00200000 \r\nMask-CodeFFFFFFFF");
    EXPECT_EQ(Control<QPlainTextEdit>(dialog, 1232)->toPlainText(),
              "Opened: Device No.2 \nBaud250 \nRecv-Code00200000 \nMask-CodeFFFFFFFF");
    EXPECT_EQ(dialog.m_nChannel, 0);
    EXPECT_TRUE(Control<QRadioButton>(dialog, 1047)->isChecked());
}

TEST_F(CommSelTest, ANodeOutsideTheRangeShowsAsOne)
{
    for (int node : { 0, -3, 128 }) {
        g_nCurNode = node;
        CCommSel dialog;
        EXPECT_EQ(dialog.m_strNode, "1") << node;
        EXPECT_EQ(Control<QComboBox>(dialog, 1235)->currentText(), "1") << node;
    }
}

TEST_F(CommSelTest, OkStoresTheTypeAndTheNode)
{
    CCommSel dialog;
    Control<QRadioButton>(dialog, 1234)->click();
    Control<QComboBox>(dialog, 1235)->setCurrentIndex(76);
    Control<QPushButton>(dialog, 1)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.m_nChannel, 1);
    EXPECT_EQ(g_nComType, COMM_CAN_K8110);
    EXPECT_EQ(g_nCurNode, 77);
    EXPECT_EQ(Stored("QzBrantovelix/CurNote").toInt(), 77);
    EXPECT_EQ(Stored("QzBrantovelix/ComType").toInt(), 16);
}

TEST_F(CommSelTest, ATypedNodeOutsideTheRangeIsStoredAsOne)
{
    for (const char* text : { "0", "128", "300", "-5", "abc", "" }) {
        g_nCurNode = 9;
        CCommSel dialog;
        Control<QComboBox>(dialog, 1235)->setEditText(QString::fromLatin1(text));
        dialog.OnOK();
        EXPECT_EQ(g_nCurNode, 1) << text;
        EXPECT_EQ(Stored("QzBrantovelix/CurNote").toInt(), 1) << text;
    }
    EXPECT_EQ(CCommSel::NodeFromText(" 12 "), 12);
    EXPECT_EQ(CCommSel::NodeFromText("127"), 127);
}

TEST_F(CommSelTest, ARadioActsAtOnceAndCancelDoesNotUndoIt)
{
    CCommSel dialog;
    Control<QRadioButton>(dialog, 1234)->click();
    EXPECT_EQ(g_nComType, COMM_CAN_K8110);
    Control<QPushButton>(dialog, 2)->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(g_nComType, COMM_CAN_K8110);
    EXPECT_FALSE(OpenProfile()->contains("QzBrantovelix/ComType"));

    CCommSel back;
    Control<QRadioButton>(back, 1047)->click();
    EXPECT_EQ(g_nComType, COMM_RS232);
}
}
