#include "controls/Label.h"

#include "tests/support/UrlRecorder.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {


class ClickCounter : public QWidget {
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

class LabelClick : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* scheme : {"http", "https", "mailto", "file", "ftp"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &recorder, "Open");
        window.resize(300, 100);
        auto* layout = new QVBoxLayout(&window);
        label = new CLabel(QStringLiteral("https://www.example.com/drives"));
        layout->addWidget(label);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    void TearDown() override
    {
        for (const char* scheme : {"http", "https", "mailto", "file", "ftp"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }

    // A click as the user makes it: at a place in the window, which then finds the
    // widget under the mouse.
    void ClickLabel()
    {
        const QPoint at = label->mapTo(&window, label->rect().center());
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, at);
        QApplication::processEvents();
    }

    UrlRecorder recorder;
    ClickCounter window;
    CLabel* label = nullptr;
};

TEST(LabelTarget, OpensOnlyWebAndMailAddresses)
{
    EXPECT_EQ(CLabel::LinkTarget(QStringLiteral("http://www.example.com")), QUrl(QStringLiteral("http://www.example.com")));
    EXPECT_EQ(CLabel::LinkTarget(QStringLiteral("  https://example.com/a?b=1 ")), QUrl(QStringLiteral("https://example.com/a?b=1")));
    EXPECT_EQ(CLabel::LinkTarget(QStringLiteral("HTTP://EXAMPLE.COM")).host(), QStringLiteral("example.com"));
    EXPECT_EQ(CLabel::LinkTarget(QStringLiteral("mailto:service@example.com")), QUrl(QStringLiteral("mailto:service@example.com")));
    EXPECT_EQ(CLabel::LinkTarget(QStringLiteral("www.example.com")), QUrl(QStringLiteral("http://www.example.com")));

    for (const char* text : {"", "   ", "file:///etc/passwd", "/bin/sh", "calc.exe", "C:\\Windows\\notepad.exe",
                             "\\\\server\\share", "javascript:alert(1)", "ftp://example.com", "http://", "https:///path",
                             "mailto:", "http://exa mple.com", "rm -rf ~", "example.com", "smb://server/share"})
        EXPECT_TRUE(CLabel::LinkTarget(QString::fromLatin1(text)).isEmpty()) << text;
}

TEST_F(LabelClick, ALinkOpensItsAddress)
{
    label->SetLink(true);
    ClickLabel();
    ASSERT_EQ(recorder.opened.size(), 1);
    EXPECT_EQ(recorder.opened.at(0), QUrl(QStringLiteral("https://www.example.com/drives")));
    EXPECT_EQ(window.presses, 0);
}

TEST_F(LabelClick, APlainLabelPassesClicksToItsWindow)
{
    label->SetLink(true);
    label->SetLink(false);
    ClickLabel();
    EXPECT_TRUE(recorder.opened.isEmpty());
    EXPECT_EQ(window.presses, 1);
}

TEST_F(LabelClick, ALinkShowingAFileOrProgramOpensNothing)
{
    label->SetLink(true);
    for (const char* text : {"file:///etc/passwd", "/usr/bin/xterm", "ftp://example.com"}) {
        label->setText(QString::fromLatin1(text));
        ClickLabel();
    }
    EXPECT_TRUE(recorder.opened.isEmpty());
}

TEST(Label, SettersChainAndTakeEffect)
{
    CLabel label(QStringLiteral("https://example.com"));
    CLabel& same = label.SetTextColor(RGB(0, 0, 255)).SetFontUnderline(true).SetLink(true).SetLinkCursor(QCursor(Qt::PointingHandCursor));
    EXPECT_EQ(&same, &label);
    EXPECT_EQ(label.TextColor(), 0xFF0000u);
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_TRUE(label.font().underline());
    EXPECT_TRUE(label.IsLink());
    EXPECT_FALSE(label.testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);

    label.SetLink(false);
    EXPECT_TRUE(label.testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_EQ(label.cursor().shape(), Qt::ArrowCursor) << "only a link shows the link cursor";
}

TEST(Label, UnderlineOnAndOffLeavesTheFontAsItWas)
{
    CLabel label;
    const QFont initial = label.font();
    EXPECT_FALSE(initial.underline());
    label.SetFontUnderline(true);
    EXPECT_NE(label.font(), initial);
    label.SetFontUnderline(false);
    EXPECT_EQ(label.font(), initial);
}

TEST(Label, BlinkingTextComesBack)
{
    CLabel label(QStringLiteral("ALARM"));
    label.SetBlinkType(1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return label.text().isEmpty(); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return label.text() == QStringLiteral("ALARM"); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return label.text().isEmpty(); }, 5000));
    label.SetBlinkType(0);
    EXPECT_EQ(label.text(), QStringLiteral("ALARM")) << "stopping restores the text";
    QTest::qWait(1200);
    EXPECT_EQ(label.text(), QStringLiteral("ALARM"));
}

} // namespace

