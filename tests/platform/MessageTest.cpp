#include "platform/Colorref.h"
#include "platform/MessageBox.h"
#include "platform/WindowMessage.h"

#include <QCoreApplication>
#include <QObject>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {
class Receiver : public QObject {
public:
    std::vector<int> messages;
    std::vector<QByteArray> data;
    bool event(QEvent* e) override
    {
        if (int m = WindowMessage::MessageOf(e)) {
            auto* msg = static_cast<WindowMessage*>(e);
            messages.push_back(m);
            data.push_back(msg->Data());
            msg->SetResult(static_cast<LPARAM>(msg->WParam()) + msg->LParam());
            return true;
        }
        return QObject::event(e);
    }
};
}

TEST(WindowMessage, NumbersKeepTheirOffsets)
{
    EXPECT_EQ(WM_LOG_APPEND, 0x0400 + 101);
    EXPECT_EQ(WM_DRIVE_REPLY, 0x0483);
    EXPECT_EQ(WM_NODE_FOUND, 0x0400 + 0x157D);
    EXPECT_LE(WM_NODE_FOUND, static_cast<int>(QEvent::MaxUser));
    EXPECT_EQ(LOWORD(MAKELPARAM(0x1234, 0x10)), 0x1234);
    EXPECT_EQ(HIWORD(MAKELPARAM(0x1234, 0x10)), 0x10);
}

TEST(WindowMessage, PostedFromAThreadCarriesItsOwnCopy)
{
    Receiver receiver;
    std::thread poster([&] {
        QByteArray buffer("reply text");
        PostMessage(&receiver, WM_LOG_APPEND, 0, 1, buffer);
        buffer.fill('x');
    });
    poster.join();
    EXPECT_TRUE(receiver.messages.empty()) << "a post is queued, not delivered at once";
    QCoreApplication::sendPostedEvents(&receiver);
    ASSERT_EQ(receiver.messages.size(), 1u);
    EXPECT_EQ(receiver.messages[0], WM_LOG_APPEND);
    EXPECT_EQ(receiver.data[0], QByteArray("reply text"));
}

TEST(WindowMessage, SendIsDirectAndReturnsTheHandlersResult)
{
    Receiver receiver;
    EXPECT_EQ(SendMessage(&receiver, WM_DRIVE_REPLY, 40, 2), 42);
    ASSERT_EQ(receiver.messages.size(), 1u);
    EXPECT_FALSE(PostMessage(nullptr, WM_DRIVE_REPLY, 0, 0));
}

TEST(MessageBox, HandlerRecordsInsteadOfShowing)
{
    std::vector<MessageBoxRequest> seen;
    SetMessageBoxHandler([&](const MessageBoxRequest& r) { seen.push_back(r); return IDYES; });
    EXPECT_EQ(ShowMessageBox(nullptr, "Please connect Drive", "Velquarin", MB_ICONSTOP), IDYES);
    std::thread worker([] { ShowMessageBox(nullptr, "from a worker", "Velquarin", MB_YESNO | MB_ICONQUESTION); });
    worker.join();
    SetMessageBoxHandler({});
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].text, QString("Please connect Drive"));
    EXPECT_EQ(seen[0].type, MB_ICONERROR);
    EXPECT_EQ(seen[1].type, MB_YESNO | MB_ICONQUESTION);
}

TEST(Colorref, RedIsTheLowByte)
{
    EXPECT_EQ(RGB(255, 0, 0), 0x0000FFu);
    EXPECT_EQ(ColorFromRef(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(ColorFromRef(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(RefFromColor(QColor(1, 2, 3)), 0x030201u);
}
