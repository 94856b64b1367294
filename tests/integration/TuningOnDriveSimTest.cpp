#include "controls/CLineChartCtrl2.h"
#include "link/LinkLayer.h"
#include "pages/tuning/Monitor.h"
#include "platform/MessageBox.h"
#include "shell/Globals.h"
#include "tests/integration/IntegrationDrive.h"
#include "tools/drivesim/SimWave.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <chrono>

// The PID-tuning page, shown on its own, makes the simulated drive run a sine wave and
// samples feedback and command over the virtual CAN bus; destroying the page stops the wave.
TEST(TuningOnDriveSim, SamplesARunningWaveAndStopsItWhenThePageGoes)
{
    ASSERT_NO_FATAL_FAILURE(OpenIntegrationChannel(COMM_CAN_USB2));
    DriveSimulator& drive = IntegrationDrive();
    const std::shared_ptr<SimWave> wave = SimWave::Attach(*drive.Drive(g_nCurNode));
    g_bDriveConnected = 1;
    QStringList boxes;
    SetMessageBoxHandler([&boxes](const MessageBoxRequest& request) {
        boxes << request.text;
        return IDOK;
    });
    auto page = std::make_unique<CMonitor>();
    page->SetServices(LinkTransactLocked, PollPause {}, 100);
    ASSERT_TRUE(page->Create(nullptr));
    page->show();
    auto click = [&](int id) { qobject_cast<QAbstractButton*>(page->GetDlgItem(id))->click(); };
    auto type = [&](int id, const char* text) { qobject_cast<QLineEdit*>(page->GetDlgItem(id))->setText(text); };

    click(1243); // sine
    type(1240, "150"); // 1.5 s
    type(1239, "6000");
    type(1241, "-1500");
    type(1198, "4000");
    click(1170); // command too
    click(1139);
    ASSERT_TRUE(page->Controller().IsWaveRunning() && page->Controller().IsSampling()) << boxes.join(u'\n').toStdString();
    EXPECT_TRUE(wave->Running());
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while ((page->Samples().Array(2).empty() || page->Samples().Array(2).back().time < 3500)
        && std::chrono::steady_clock::now() < end)
        QTest::qWait(10);
    if (const QByteArray folder = qgetenv("VELQUARIN_SCREENSHOT_DIR"); !folder.isEmpty())
        page->grab().save(QString::fromLocal8Bit(folder) + "/tuning-can.png");

    const std::vector<RetValue>& command = page->Samples().Array(2);
    const std::vector<RetValue>& feedback = page->Samples().Array(0);
    ASSERT_GE(command.size(), 50u);
    ASSERT_GE(feedback.size(), 50u);
    EXPECT_TRUE(page->Samples().Array(1).empty() && page->Samples().Array(3).empty());
    const auto [low, high] = std::minmax_element(command.begin(), command.end(),
        [](const RetValue& a, const RetValue& b) { return a.value < b.value; });
    EXPECT_LT(low->value, -6500);
    EXPECT_GT(high->value, 3500);
    // Both curves are on the chart: red feedback and magenta command.
    const QImage image = page->Chart()->Image();
    int red = 0;
    int magenta = 0;
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y) {
            red += image.pixel(x, y) == qRgb(255, 0, 0);
            magenta += image.pixel(x, y) == qRgb(255, 0, 255);
        }
    EXPECT_GT(red, 100);
    EXPECT_GT(magenta, 100);

    page.reset();
    EXPECT_FALSE(wave->Running());
    EXPECT_EQ(drive.Drive(g_nCurNode)->Parameter("GMOD").value_or(-1) & 0x3F, 1);
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join(u'\n').toStdString();
    SetMessageBoxHandler({});
    LinkShutdown();
    g_bCanUsbOpen = 0;
    g_nComType = COMM_RS232;
    g_bDriveConnected = 0;
}
