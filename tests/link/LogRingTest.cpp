#include "link/LogRing.h"

#include <QCoreApplication>
#include <QObject>
#include <gtest/gtest.h>

#include <climits>
#include <thread>
#include <vector>

namespace {

struct LoggedLine {
    WPARAM slot;
    LPARAM lParam;
    QByteArray text;
};

class LogRecorder : public QObject {
public:
    std::vector<LoggedLine> lines;
    bool event(QEvent* e) override
    {
        if (WindowMessage::MessageOf(e) == WM_LOG_APPEND) {
            auto* m = static_cast<WindowMessage*>(e);
            lines.push_back({ m->WParam(), m->LParam(), m->Data() });
            return true;
        }
        return QObject::event(e);
    }
    void Deliver() { QCoreApplication::sendPostedEvents(this); }
};

class LogRingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UnsetLogView(&recorder);
        ResetReplyRingIndex();
    }
    void TearDown() override { UnsetLogView(&recorder); }
    LogRecorder recorder;
};

const QByteArray kGbkWenDu("\xCE\xC2\xB6\xC8"); // 温度

} // namespace

TEST_F(LogRingTest, FirstLineGoesToSlotOneAndThe256thToSlotZero)
{
    EXPECT_EQ(ReplyRingIndex(), 0);
    EXPECT_EQ(PostLogText("GM", kLogCommandLine, false), 1);
    EXPECT_EQ(ReplyRingIndex(), 1);
    for (int line = 2; line <= 255; ++line)
        EXPECT_EQ(PostLogText("x", kLogReplyLine, false), line);
    EXPECT_EQ(PostLogText("the 256th", kLogReplyLine, false), 0);
    EXPECT_EQ(ReplyRingSlotText(0), QByteArray("the 256th"));
    EXPECT_EQ(PostLogText("the 257th", kLogReplyLine, false), 1);
    EXPECT_EQ(ReplyRingSlotText(1), QByteArray("the 257th"));
    EXPECT_EQ(ReplyRingSlotText(-1), QByteArray());
    EXPECT_EQ(ReplyRingSlotText(kReplyRingSlots), QByteArray());
}

TEST_F(LogRingTest, PostedLineCarriesSlotKindAndText)
{
    SetLogView(&recorder);
    const int command = PostLogText("GMOD", kLogCommandLine, true);
    const int reply = PostLogString(QStringLiteral("12\r"), kLogReplyLine, true);
    EXPECT_TRUE(recorder.lines.empty()) << "a line is queued, not delivered at once";
    recorder.Deliver();
    ASSERT_EQ(recorder.lines.size(), 2u);
    EXPECT_EQ(recorder.lines[0].slot, WPARAM(command));
    EXPECT_EQ(recorder.lines[0].lParam, MAKELPARAM(1, 0));
    EXPECT_EQ(recorder.lines[0].text, QByteArray("GMOD"));
    EXPECT_EQ(recorder.lines[1].slot, WPARAM(reply));
    EXPECT_EQ(recorder.lines[1].lParam, MAKELPARAM(0, 0));
    EXPECT_EQ(recorder.lines[1].text, QByteArray("12\r")) << "the ring keeps the reply as it came";
}

TEST_F(LogRingTest, NothingIsPostedWithoutAViewOrWithPostOff)
{
    EXPECT_FALSE(HasLogView());
    EXPECT_EQ(PostLogText("GM", kLogCommandLine, true), 1);
    EXPECT_EQ(ReplyRingSlotText(1), QByteArray("GM")) << "the ring is written even without a view";
    SetLogView(&recorder);
    EXPECT_EQ(PostLogString(QStringLiteral("0"), kLogReplyLine, false), 2);
    recorder.Deliver();
    EXPECT_TRUE(recorder.lines.empty());
    EXPECT_EQ(ReplyRingSlotText(2), QByteArray("0"));

    LogRecorder other;
    UnsetLogView(&other);
    EXPECT_TRUE(HasLogView()) << "only the view that is set can unset itself";
    UnsetLogView(&recorder);
    EXPECT_FALSE(HasLogView());
    PostLogText("GV", kLogCommandLine, true);
    recorder.Deliver();
    EXPECT_TRUE(recorder.lines.empty());
}

TEST_F(LogRingTest, QueuedLineKeepsItsTextWhenTheSlotIsReused)
{
    SetLogView(&recorder);
    ASSERT_EQ(PostLogText("first", kLogReplyLine, true), 1);
    for (int i = 0; i < kReplyRingSlots; ++i)
        PostLogText("newer", kLogReplyLine, false);
    EXPECT_EQ(ReplyRingSlotText(1), QByteArray("newer"));
    recorder.Deliver();
    ASSERT_EQ(recorder.lines.size(), 1u);
    EXPECT_EQ(recorder.lines[0].text, QByteArray("first"));
}

TEST_F(LogRingTest, LongLinesAreCutAtTheSlotsCharacterLimit)
{
    SetLogView(&recorder);
    const QByteArray exact(kReplyRingSlotChars, 'a');
    EXPECT_EQ(ReplyRingSlotText(PostLogText(exact.constData(), kLogReplyLine, true)), exact);

    const QByteArray ascii(300, 'b');
    const int slot = PostLogText(ascii.constData(), kLogReplyLine, true);
    EXPECT_EQ(ReplyRingSlotText(slot), ascii.left(kReplyRingSlotChars));

    // A double-byte character that would straddle the limit is left out whole.
    const QByteArray straddle = QByteArray(kReplyRingSlotChars - 1, 'c') + kGbkWenDu;
    EXPECT_EQ(ReplyRingSlotText(PostLogText(straddle.constData(), kLogReplyLine, false)),
        QByteArray(kReplyRingSlotChars - 1, 'c') + kGbkWenDu.left(2));
    const QByteArray past = QByteArray(kReplyRingSlotChars, 'd') + kGbkWenDu;
    EXPECT_EQ(ReplyRingSlotText(PostLogText(past.constData(), kLogReplyLine, false)),
        QByteArray(kReplyRingSlotChars, 'd'));

    // Wide text: 300 Chinese characters keep 255 of them in 510 bytes.
    const QString chinese = QString(150, QChar(0x6E29)) + QString(150, QChar(0x5EA6));
    const int wide = PostLogString(chinese, kLogReplyLine, true);
    EXPECT_EQ(ReplyRingSlotText(wide).size(), 2 * kReplyRingSlotChars);
    EXPECT_EQ(DecodeLogText(ReplyRingSlotText(wide)), chinese.left(kReplyRingSlotChars));

    recorder.Deliver();
    ASSERT_EQ(recorder.lines.size(), 3u);
    EXPECT_EQ(recorder.lines[1].text, ascii.left(kReplyRingSlotChars)) << "the event carries the cut line too";
    EXPECT_EQ(recorder.lines[2].text.size(), 2 * kReplyRingSlotChars);
}

TEST_F(LogRingTest, TextIsStoredInTheDrivesCodePage)
{
    EXPECT_EQ(ReplyRingSlotText(PostLogString(QStringLiteral("温度"), kLogReplyLine, false)), kGbkWenDu);
    EXPECT_EQ(ReplyRingSlotText(PostLogText(kGbkWenDu.constData(), kLogReplyLine, false)), kGbkWenDu);
    EXPECT_EQ(ReplyRingSlotText(PostLogString(QStringLiteral("AB") + QChar(0) + QStringLiteral("CD"), 0, false)),
        QByteArray("AB")) << "a NUL ends the line as it ends a slot";
    EXPECT_EQ(ReplyRingSlotText(PostLogString(QString::fromUtf8("a😀b"), 0, false)), QByteArray("a?b"));
    EXPECT_EQ(ReplyRingSlotText(PostLogText(nullptr, 0, false)), QByteArray());

    EXPECT_EQ(DecodeLogText(kGbkWenDu), QStringLiteral("温度"));
    EXPECT_EQ(DecodeLogText(QByteArray("ab\xFF" "c")), QStringLiteral("ab\uFFFDc"));
    EXPECT_EQ(DecodeLogText(QByteArray("ab\xCE")), QStringLiteral("ab\uFFFD")) << "a cut-off pair is not lost";
}

TEST_F(LogRingTest, ResultCodesHaveTheirTexts)
{
    const std::vector<std::pair<int, QString>> table = {
        { -11, QStringLiteral("发送和接收的节点不一致") },
        { -10, QStringLiteral("Can接收缓冲区数据错误") },
        { -9, QStringLiteral("发送和接收的命令不一致") },
        { -8, QStringLiteral("Can 接收的数据长度不够") },
        { -7, QStringLiteral("Can 接收缓冲长度不够") },
        { -6, QStringLiteral("Can 发送的数据超过8字节") },
        { -5, QStringLiteral("没发现此命令的数据长度") },
        { -4, QStringLiteral("没发现此命令") },
        { -3, QStringLiteral("CanK8110设备未打开") },
        { -2, QStringLiteral("RS232设备未打开") },
        { -1, QStringLiteral("不支持的通讯类型") },
        { 0, QString() },
        { 1, QStringLiteral("CAN协议封包时，发送数据长度超限（8）") },
        { 2, QStringLiteral("CAN协议封包时，接收数据长度超限（8）") },
        { 3, QStringLiteral("无此通讯方式") },
        { 4, QStringLiteral("RS232发送失败") },
        { 5, QStringLiteral("RS232接收失败") },
        { 6, QStringLiteral("CAN发送失败") },
        { 7, QStringLiteral("CAN接收失败") },
        { 8, QStringLiteral("RS232接收BUF不可用") },
        { 9, QStringLiteral("CAN接收BUF不可用") },
        { 10, QStringLiteral("RS232接收超时") },
        { 11, QStringLiteral("CAN接收超时") },
    };
    for (const auto& [code, text] : table)
        EXPECT_EQ(CommResultText(code), text) << code;
    for (int code : { -12, 12, 100, INT_MIN, INT_MAX })
        EXPECT_EQ(CommResultText(code), QStringLiteral("函数执行不成功")) << code;
}

TEST_F(LogRingTest, ResultIsLoggedOnlyWhenEnabledWithAViewAndOnFailure)
{
    LogCommResult(10, true);
    EXPECT_EQ(ReplyRingIndex(), 0) << "no view: not even the ring is written";

    SetLogView(&recorder);
    LogCommResult(10, false);
    LogCommResult(0, true);
    EXPECT_EQ(ReplyRingIndex(), 0);
    LogCommResult(10, true);
    LogCommResult(-12, true);
    recorder.Deliver();
    ASSERT_EQ(recorder.lines.size(), 2u);
    EXPECT_EQ(recorder.lines[0].lParam, kLogReplyLine);
    EXPECT_EQ(DecodeLogText(recorder.lines[0].text), QStringLiteral("RS232接收超时"));
    EXPECT_EQ(DecodeLogText(recorder.lines[1].text), QStringLiteral("函数执行不成功"));
}

TEST_F(LogRingTest, LinesFromManyThreadsArriveWholeAndInSlotOrder)
{
    SetLogView(&recorder);
    constexpr int kThreads = 8;
    constexpr int kLines = 400;
    const auto lineText = [](int thread, int n) {
        // Lengths vary up to the slot limit so a torn copy would show.
        QString text = QStringLiteral("T%1-%2-").arg(thread).arg(n, 4, 10, QChar('0'));
        return text + QString((thread * 37 + n * 11) % (kReplyRingSlotChars - text.size() + 1), QChar('a' + thread));
    };
    std::vector<std::thread> producers;
    for (int t = 0; t < kThreads; ++t) {
        producers.emplace_back([t, &lineText] {
            for (int n = 0; n < kLines; ++n) {
                if (n % 2)
                    PostLogString(lineText(t, n), kLogReplyLine, true);
                else
                    PostLogText(lineText(t, n).toLatin1().constData(), kLogCommandLine, true);
            }
        });
    }
    for (auto& p : producers)
        p.join();
    recorder.Deliver();

    ASSERT_EQ(recorder.lines.size(), size_t(kThreads * kLines));
    std::vector<int> next(kThreads, 0);
    for (size_t i = 0; i < recorder.lines.size(); ++i) {
        const LoggedLine& line = recorder.lines[i];
        EXPECT_EQ(line.slot, WPARAM((i + 1) % kReplyRingSlots)) << "events queue in the order slots were taken";
        const QString text = DecodeLogText(line.text);
        const int thread = text.mid(1, 1).toInt();
        ASSERT_TRUE(thread >= 0 && thread < kThreads) << text.toStdString();
        const int n = next[thread]++;
        EXPECT_EQ(text, lineText(thread, n));
        EXPECT_EQ(line.lParam, n % 2 ? kLogReplyLine : kLogCommandLine);
    }
    EXPECT_EQ(ReplyRingIndex(), kThreads * kLines % kReplyRingSlots);
}

TEST_F(LogRingTest, AnEmptyLineTakesASlotOfItsOwn)
{
    PostLogText("old text", kLogReplyLine, false);
    ResetReplyRingIndex();
    EXPECT_EQ(PostLogString(QString(), kLogReplyLine, false), 1);
    EXPECT_EQ(ReplyRingSlotText(1), QByteArray());
    EXPECT_EQ(PostLogText(nullptr, kLogReplyLine, false), 2);
    EXPECT_EQ(ReplyRingSlotText(2), QByteArray());
}
