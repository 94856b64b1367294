#include "pages/runmonitor/PidParam.h"

#include "controls/ChartZoomRect.h"
#include "controls/CLineChartCtrl.h"
#include "platform/Tick.h"
#include "tests/support/QtPrinters.h"
#include "tests/pages/ChartPageTestSupport.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The page against a scripted drive, connected on the serial line; message boxes are kept.
class PidParamPageTest : public ChartPageTest {
protected:
    void SetUp() override
    {
        Connect(COMM_RS232);
        MonitorThread::Services services;
        services.transact = link.Function();
        services.tick = [] { return GetTickCount(); };
        services.pauseMs = 2;
        page.SetServices(services);
        ASSERT_TRUE(page.Create(nullptr));
        page.show();
        shown = &page;
    }

    void Type(int id, const QString& text) { Edit(id)->setText(text); }
    bool RunRadiosEnabled()
    {
        return Button(1006)->isEnabled() && Button(1007)->isEnabled() && Button(1167)->isEnabled()
            && Button(1008)->isEnabled();
    }
    void WaitFor(const std::function<bool()>& done)
    {
        ASSERT_TRUE(QTest::qWaitFor(done, 5000));
    }

    CPidParam page;
};

}

TEST_F(PidParamPageTest, AHeldRunShowsStopAndStopsWithoutAskingAnything)
{
    for (const char* answered : { "M12", "V600", "V0" })
        link.Serial(answered, "OK");
    Type(1003, "12");
    Click(1019);
    EXPECT_EQ(TakeCommands(), (QStringList { "SMOD256", "M12" }));
    EXPECT_EQ(Button(1019)->text(), "Run") << "a move ends by itself";
    Click(1167);
    Type(1018, "600");
    Click(1019);
    EXPECT_TRUE(page.Controller().IsRunHeld());
    EXPECT_EQ(Button(1019)->text(), "Stop");
    EXPECT_FALSE(RunRadiosEnabled());

    // Neither the connected flag nor an unreadable edit keeps the motor from stopping.
    g_bDriveConnected = 0;
    Type(1018, "fast");
    link.Clear();
    Click(1019);
    EXPECT_EQ(TakeCommands(), QStringList { "V0" });
    EXPECT_EQ(Button(1019)->text(), "Run");
    EXPECT_TRUE(RunRadiosEnabled());
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_F(PidParamPageTest, ARefusedOrUnstoppedRunKeepsItsLook)
{
    Click(1167);
    Type(1018, "600");
    link.Fail("V600", COMM_RS232_TIMEOUT);
    Click(1019);
    EXPECT_EQ(Button(1019)->text(), "Run");
    EXPECT_TRUE(RunRadiosEnabled());

    link.Serial("V600", "OK");
    Click(1019);
    ASSERT_TRUE(page.Controller().IsRunHeld());
    link.Clear();
    link.Fail("V0", COMM_RS232_TIMEOUT);
    Click(1019);
    EXPECT_EQ(boxes, QStringList { "The drive did not take V0: RS232接收超时" });
    EXPECT_EQ(Button(1019)->text(), "Stop") << "the motor may still turn: Stop stays offered";
}

TEST_F(PidParamPageTest, EachActionChecksOnlyTheEditsItUses)
{
    g_bDriveConnected = 0;
    Click(1019);
    EXPECT_EQ(boxes, QStringList { "Please connect Drive" });
    EXPECT_TRUE(TakeCommands().isEmpty());
    g_bDriveConnected = 1;
    boxes.clear();

    // A gain the drive reported beyond the hidden edit's range hinders nothing the user sees.
    link.Serial("GP", "20000");
    SendMessage(&page, WM_PAGE_ACTIVATED, 0, 0);
    EXPECT_EQ(Edit(1014)->text(), "20000");
    link.Clear();
    Type(1003, "12");
    Click(1019);
    EXPECT_EQ(TakeCommands(), (QStringList { "SMOD256", "M12" }));
    EXPECT_TRUE(page.OnKillActive());
    EXPECT_TRUE(boxes.isEmpty());
    Button(1017)->click();
    EXPECT_EQ(boxes, QStringList { "请输入一个 0 至 10000 之间的整数。" }) << "it is refused when set";
    EXPECT_TRUE(TakeCommands().isEmpty());
    boxes.clear();

    Type(1003, "1.5");
    Click(1019);
    EXPECT_EQ(boxes, QStringList { "请输入一个整数。" });
    EXPECT_TRUE(TakeCommands().isEmpty());
    EXPECT_FALSE(page.OnKillActive()) << "a visible edit the user typed wrongly";
}

TEST_F(PidParamPageTest, TheBrakeButtonNamesWhatItWouldDoNext)
{
    link.Serial("SBS", "OK");
    link.Serial("CBS", "OK");
    Click(1020);
    EXPECT_EQ(Button(1020)->text(), "Cancel");
    Click(1020);
    EXPECT_EQ(Button(1020)->text(), "Brake");
    link.Fail("SBS", COMM_RS232_TIMEOUT);
    Click(1020);
    EXPECT_EQ(Button(1020)->text(), "Brake");
}

TEST_F(PidParamPageTest, ActivationReadsTheGainsInOrderWhileADriveIsConnected)
{
    const char* gains[][2] = { { "GP", "11" }, { "GI", "12" }, { "GD", "13" }, { "GA", "14" }, { "GMP", "-15" },
        { "GMK", "16" } };
    for (const auto& gain : gains)
        link.Serial(gain[0], gain[1]);
    link.Fail("GD", COMM_RS232_TIMEOUT);
    SendMessage(&page, WM_PAGE_ACTIVATED, 0, 0);
    EXPECT_EQ(TakeCommands(), (QStringList { "GP", "GI", "GD", "GA", "GMP", "GMK" }));
    EXPECT_EQ(page.Form().gains, (MonitorGains { 11, 12, 0, 14, -15, 16 })) << "a failed read keeps its value";
    EXPECT_EQ(Edit(1237)->text(), "16");

    g_bDriveConnected = 0;
    SendMessage(&page, WM_PAGE_ACTIVATED, 0, 0);
    EXPECT_TRUE(TakeCommands().isEmpty());
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_F(PidParamPageTest, GraphPlotsUntilStopAndEachClickRunsOneThread)
{
    link.Serial("GM", "250");
    Click(1140);
    EXPECT_TRUE(page.Controller().IsPolling());
    EXPECT_FALSE(page.GetDlgItem(1140)->isVisible());
    EXPECT_TRUE(page.GetDlgItem(1169)->isVisible());
    EXPECT_FALSE(Button(1162)->isEnabled());
    WaitFor([this] { return page.Samples().Array(0).size() >= 3; });

    // Stopping asks for no drive and takes what was posted before the thread ended.
    g_bDriveConnected = 0;
    Click(1169);
    EXPECT_FALSE(page.Controller().IsPolling());
    EXPECT_EQ(page.Samples().Array(0).size(), page.Controller().SamplesPosted());
    EXPECT_TRUE(page.GetDlgItem(1140)->isVisible());
    EXPECT_TRUE(Button(1162)->isEnabled());
    EXPECT_EQ(page.Samples().Array(0).back().value, 250);
    const qsizetype queries = link.Commands().size();
    QTest::qWait(20);
    EXPECT_EQ(link.Commands().size(), queries);
    EXPECT_TRUE(boxes.isEmpty());

    g_bDriveConnected = 1;
    Click(1140);
    WaitFor([this] { return page.Samples().Array(0).size() >= 2; });
    SendMessage(&page, WM_PAGE_LEAVING, 0, 0);
    EXPECT_FALSE(page.Controller().IsPolling()) << "leaving the page stops it";
}

TEST_F(PidParamPageTest, AThreadThatEndsByItselfReturnsThePageToIdleWithItsMessage)
{
    link.Fail("GV", COMM_RS232_TIMEOUT);
    Click(1157);
    Click(1140);
    WaitFor([this] { return !page.Controller().IsPolling(); });
    EXPECT_EQ(boxes, QStringList { "Communication failed" });
    EXPECT_TRUE(page.GetDlgItem(1140)->isVisible());
    EXPECT_EQ(link.Commands(), QStringList(3, QStringLiteral("GV")));
}

TEST_F(PidParamPageTest, TheUserQueryIsCheckedBeforeItIsPolled)
{
    Click(1165);
    Type(1343, "");
    Click(1140);
    EXPECT_FALSE(page.Controller().IsPolling());
    EXPECT_TRUE(boxes.isEmpty()) << "nothing typed, nothing said";
    for (const char* refused : { "V100", "GQZX", "G-M", "GDTN12" }) {
        Type(1343, refused);
        Click(1140);
        EXPECT_FALSE(page.Controller().IsPolling()) << refused;
    }
    EXPECT_EQ(boxes, (QStringList { "Only a query (a command beginning with G) can be monitored",
                         "Not found the command",
                         "Please enter a query: a command mnemonic and an optional number, such as GM or GDTN1",
                         "请输入不超过 5 个字符。" }));
    EXPECT_TRUE(link.Commands().isEmpty());

    link.Serial("GSE", "7");
    Type(1343, "gse");
    Click(1140);
    WaitFor([this] { return !page.Samples().Array(0).empty(); });
    Click(1169);
    EXPECT_EQ(link.Commands().first(), "GSE");
}

TEST_F(PidParamPageTest, ViewButtonsZoomBoxAndSpans)
{
    CLineChartCtrl* chart = page.Chart();
    Click(1141);
    EXPECT_DOUBLE_EQ(chart->m_xRange.min, 10000);
    Click(1195);
    EXPECT_DOUBLE_EQ(chart->m_xRange.min, 0);

    Type(1198, "99");
    Click(1149);
    EXPECT_EQ(boxes, QStringList { "Span of X axis is no less than 100" });
    EXPECT_DOUBLE_EQ(chart->m_xRange.span, 20000);
    Type(1198, "100");
    Click(1149);
    EXPECT_DOUBLE_EQ(chart->m_xRange.span, 100);
    Type(1197, "19");
    Click(1148);
    EXPECT_EQ(boxes.size(), 2);
    EXPECT_DOUBLE_EQ(chart->m_yRange.span, 2000);

    ChartZoomRect box;
    box.f[0] = 0.25f;
    box.f[2] = 0.25f;
    box.f[3] = 0.75f;
    box.f[4] = 0.75f;
    EXPECT_EQ(SendMessage(&page, WM_CHART_NOTIFY, 0, CHART_NOTIFY_ZOOM, box.ToData()), -1) << "switch off";
    Click(1150);
    EXPECT_EQ(SendMessage(&page, WM_CHART_NOTIFY, 0, CHART_NOTIFY_ZOOM, box.ToData()), 0);
    EXPECT_DOUBLE_EQ(chart->m_yRange.min, -500);
    EXPECT_DOUBLE_EQ(chart->m_yRange.max, 500);
}

TEST_F(PidParamPageTest, SamplesDrawTheCurveAndPageTheWindowForward)
{
    CLineChartCtrl* chart = page.Chart();
    PostMessage(&page, WM_NEW_SAMPLE, 0, LPARAM(0) << 16);
    for (int i = 1; i <= 40; ++i)
        PostMessage(&page, WM_NEW_SAMPLE, static_cast<uint32_t>(i * 20), LPARAM(500) << 16);
    QCoreApplication::sendPostedEvents(&page);
    EXPECT_DOUBLE_EQ(chart->m_xRange.min, 0);
    const QImage before = chart->Image();
    EXPECT_NE(before.pixel(chart->width() / 2, chart->height() / 2 - chart->height() * 400 / 2000),
        QColor(Qt::white).rgb()) << "the curve passes 400 half way";

    PostMessage(&page, WM_NEW_SAMPLE, static_cast<uint32_t>(-5), LPARAM(500) << 16);
    QCoreApplication::sendPostedEvents(&page);
    EXPECT_DOUBLE_EQ(chart->m_xRange.min, 20000);
    EXPECT_DOUBLE_EQ(chart->m_xRange.max, 40000);
    EXPECT_EQ(page.Samples().Array(0).back().time, 20500u);
    EXPECT_DOUBLE_EQ(page.Samples().Array(0).back().value, -5);
    const QPoint tick(chart->x() + static_cast<int>(5 * static_cast<float>(chart->width()) / 10), chart->y() + chart->height() + 3);
    const QImage shot = page.grab().toImage(); // the X tick in the middle hangs below the chart
    EXPECT_NE(shot.pixel(tick), shot.pixel(tick + QPoint(3, 0)));
}
