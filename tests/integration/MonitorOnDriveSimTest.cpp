#include "controls/CLineChartCtrl.h"
#include "link/LinkLayer.h"
#include "pages/runmonitor/PidParam.h"
#include "platform/MessageBox.h"
#include "shell/Globals.h"
#include "tests/integration/IntegrationDrive.h"
#include "tests/support/QtPrinters.h"
#include "tools/drivesim/SimMotion.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <chrono>

namespace {

// The run-monitor page moving the simulated motor and watching it, on the serial line and on
// the virtual CAN bus.
class MonitorOnDriveSim : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(OpenIntegrationChannel(GetParam()));
        motion = SimMotion::Attach(*drive.Drive(g_nCurNode));
        g_bDriveConnected = 1;
        SetMessageBoxHandler([this](const MessageBoxRequest& request) {
            boxes << request.text;
            return IDOK;
        });
        ASSERT_TRUE(page.Create(nullptr));
        page.OnInitialUpdate();
        page.show();
    }
    void TearDown() override
    {
        page.OnStop();
        motion->Detach();
        SetMessageBoxHandler({});
        LinkShutdown();
        g_bRs232Open = 0;
        g_bCanUsbOpen = 0;
        g_nComType = COMM_RS232;
        g_bDriveConnected = 0;
    }

    bool Serial() const { return GetParam() == COMM_RS232; }
    void Click(int id) { qobject_cast<QAbstractButton*>(page.GetDlgItem(id))->click(); }
    void Type(int id, const QString& text) { qobject_cast<QLineEdit*>(page.GetDlgItem(id))->setText(text); }

    DriveSimulator& drive = IntegrationDrive();
    std::shared_ptr<SimMotion> motion;
    QStringList boxes;
    CPidParam page;
};

} // namespace

TEST_P(MonitorOnDriveSim, AVelocityRunPlotsARisingPositionAndStops)
{
    // The view: 0 .. 4000 ms by 0 .. 20000 counts.
    Click(1203);
    Click(1199);
    Type(1197, QStringLiteral("20000"));
    Click(1148);
    Type(1198, QStringLiteral("4000"));
    Click(1149);

    Click(1167);
    Type(1018, QStringLiteral("30")); // 5000 counts a second
    Click(1019);
    ASSERT_TRUE(page.Controller().IsRunHeld()) << boxes.join(u'\n').toStdString();
    Click(1140);
    ASSERT_TRUE(page.Controller().IsPolling());
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while ((page.Samples().Array(0).empty() || page.Samples().Array(0).back().time < 2500)
           && std::chrono::steady_clock::now() < end)
        QTest::qWait(10);
    if (const QByteArray folder = qgetenv("VELQUARIN_SCREENSHOT_DIR"); !folder.isEmpty())
        page.grab().save(QString::fromLocal8Bit(folder) + (Serial() ? "/monitor-serial.png" : "/monitor-can.png"));
    Click(1169);
    ASSERT_FALSE(page.Controller().IsPolling());

    const std::vector<RetValue>& samples = page.Samples().Array(0);
    ASSERT_GE(samples.size(), 20u);
    for (size_t i = 1; i < samples.size(); ++i) {
        ASSERT_GE(samples[i].value, samples[i - 1].value) << "sample " << i;
        ASSERT_GT(samples[i].time, samples[i - 1].time) << "sample " << i;
    }
    EXPECT_GT(samples.back().value - samples.front().value, 8000);
    // The curve is on the chart: its colour (red) somewhere in the right half.
    const QImage image = page.Chart()->Image();
    int red = 0;
    for (int x = image.width() / 2; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            red += image.pixel(x, y) == qRgb(255, 0, 0);
    EXPECT_GT(red, 50);

    g_bDriveConnected = 0; // stopping the motor asks for nothing
    Click(1019);
    EXPECT_FALSE(page.Controller().IsRunHeld());
    QTest::qWait(200);
    EXPECT_EQ(motion->Now().velocity, 0.0);
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join(u'\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Channels, MonitorOnDriveSim, ::testing::Values(COMM_RS232, COMM_CAN_USB2),
    [](const ::testing::TestParamInfo<int>& info) { return info.param == COMM_RS232 ? "Serial" : "VirtualCan"; });
