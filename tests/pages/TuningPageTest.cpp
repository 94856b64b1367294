#include "pages/tuning/Monitor.h"

#include "controls/CLineChartCtrl2.h"
#include "pages/shared/CapturedDataFile.h"
#include "pages/tuning/SelAdjustObject.h"
#include "tests/support/QtPrinters.h"
#include "tests/pages/ChartPageTestSupport.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const int kWaveControls[] = { 1017, 1104, 1248, 1242, 1243, 1246, 1239, 1240, 1241 };

// The PID-tuning page, shown on its own as no tab hosts it, against a scripted drive on a
// CAN adapter (the sampling thread finds no adapter; with no curve checked it only waits).
class TuningPageTest : public ChartPageTest {
protected:
    void SetUp() override
    {
        Connect(COMM_CAN_USB2);
        link.Can("GMOD", 0x1234, 6);
        for (const char* command : { "SMOD4665", "SAT655363000", "SWM1", "SMOD4609", "SWM0" })
            link.Can(command, 0, 6);
        page = std::make_unique<CMonitor>();
        page->SetServices(link.Function(), PollPause {}, 0);
        ASSERT_TRUE(page->Create(nullptr));
        page->show();
        shown = page.get();
    }
    void TearDown() override
    {
        page.reset();
        ChartPageTest::TearDown();
    }

    bool WaveControlsEnabled()
    {
        return std::all_of(std::begin(kWaveControls), std::end(kWaveControls),
            [this](int id) { return page->GetDlgItem(id)->isEnabled(); });
    }
    void StartIdle()
    {
        Click(1244); // no curve: the thread only waits
        Click(1139);
        ASSERT_TRUE(page->Controller().IsWaveRunning() && page->Controller().IsSampling()) << boxes.join(u'\n').toStdString();
        ASSERT_EQ(TakeCommands(), kWaveStart);
    }
    std::pair<double, double> Range(int curve)
    {
        double max = 0;
        double min = 0;
        page->Chart()->GetItemYRange(curve, &max, &min);
        return { min, max };
    }

    std::unique_ptr<CMonitor> page;
};

} // namespace

TEST_F(TuningPageTest, RunStartsTheWaveAndStopNeedsNoValidField)
{
    StartIdle();
    EXPECT_FALSE(WaveControlsEnabled());
    EXPECT_EQ(Button(1139)->text(), "Stop");
    EXPECT_FALSE(Button(1273)->isEnabled());
    // A field the drive could not take does not keep the wave running.
    page->findChild<QWidget*>("idc_1240")->setEnabled(true);
    Edit(1240)->setText("0");
    g_bDriveConnected = 0;
    Click(1139);
    EXPECT_EQ(TakeCommands(), kWaveStop);
    EXPECT_FALSE(page->Controller().IsWaveRunning() || page->Controller().IsSampling());
    EXPECT_TRUE(WaveControlsEnabled());
    EXPECT_EQ(Button(1139)->text(), "Start");
    EXPECT_TRUE(Button(1273)->isEnabled() && !page->GetDlgItem(1247)->isEnabled()) << "the hidden check stays off";
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join(u'\n').toStdString();
}

TEST_F(TuningPageTest, AWaveStillRunningWhenThePageGoesIsStoppedOnTheDrive)
{
    StartIdle();
    page.reset();
    EXPECT_EQ(TakeCommands(), kWaveStop);
}

TEST_F(TuningPageTest, LeavingThePageStopsTheWaveOnTheDrive)
{
    StartIdle();
    SendMessage(page.get(), WM_PAGE_LEAVING, 0, 0);
    EXPECT_EQ(TakeCommands(), kWaveStop);
    EXPECT_FALSE(page->Controller().IsWaveRunning() || page->Controller().IsSampling());
    EXPECT_EQ(Button(1139)->text(), "运行&&监测");
}

TEST_F(TuningPageTest, AStopTheDriveRefusesKeepsTheWaveShownRunning)
{
    StartIdle();
    link.Fail("SWM0", 11);
    Click(1139);
    EXPECT_TRUE(page->Controller().IsWaveRunning());
    EXPECT_FALSE(page->Controller().IsSampling());
    EXPECT_EQ(Button(1139)->text(), "Stop");
    ASSERT_EQ(boxes.size(), 1);
    link.Can("SWM0", 0, 6);
    Click(1139);
    EXPECT_FALSE(page->Controller().IsWaveRunning());
}

TEST_F(TuningPageTest, FailedWaveStartsShowCommunicationFailed)
{
    link.Fail("SWM1", 11);
    Click(1139);
    link.Fail("GMOD", 11);
    Click(1139);
    EXPECT_EQ(boxes, QStringList({ "Communication failed", "Communication failed" }));
    EXPECT_FALSE(page->Controller().IsWaveRunning() || page->Controller().IsSampling());
    EXPECT_TRUE(WaveControlsEnabled());
}

TEST_F(TuningPageTest, OnASerialLineTheRefusalIsFollowedByTheStoppedPage)
{
    g_nComType = COMM_RS232;
    link.Serial("GMOD", "4660");
    for (const char* command : { "SMOD4665", "SAT655363000", "SWM1", "SMOD4609", "SWM0" })
        link.Serial(command, "0");
    Click(1139);
    for (int i = 0; i < 2000 && page->Controller().IsSampling(); ++i)
        QTest::qWait(1);
    EXPECT_EQ(boxes, QStringList { "请使用CAN设备监测" });
    EXPECT_EQ(TakeCommands(), kWaveStart + kWaveStop);
    EXPECT_FALSE(page->Controller().IsWaveRunning() || page->Controller().IsSampling());
}

TEST_F(TuningPageTest, GainsAndPositionZero)
{
    const char* const queries[] = { "GP", "GI", "GD", "GA", "GMP", "GMK", "GMPT" };
    for (int i = 0; i < 7; ++i)
        link.Can(queries[i], static_cast<uint32_t>(100 + i), 6);
    link.Fail("GMK", 11); // stays as it was
    link.Can("GMPT", 60, 6);
    Click(1104);
    EXPECT_EQ(TakeCommands(), QStringList({ "GP", "GI", "GD", "GA", "GMP", "GMK", "GMPT" }));
    EXPECT_EQ(page->Form().gains, (TuningGains { 100, 101, 102, 103, 104, 0, 60 }));
    EXPECT_EQ(Edit(1061)->text(), "60");
    Click(1017);
    Click(1248);
    for (const auto& call : link.Calls()) // the gain writes and position zero's moves await no reply
        EXPECT_EQ(call.capacity, call.command == u"GMOD" ? 64 : 0) << call.command.toStdString();
    EXPECT_EQ(TakeCommands(), QStringList({ "P100", "I101", "D102", "A103", "MP104", "MK0", "SMPT60", "GMOD", "SMOD4609", "M0" }));
    Edit(1005)->setText("0"); // A runs from 1
    Click(1017);
    EXPECT_TRUE(TakeCommands().isEmpty());
    g_bDriveConnected = 0;
    Click(1248);
    EXPECT_EQ(SendMessage(page.get(), WM_PAGE_ACTIVATED, 0, 0), -1);
    EXPECT_TRUE(TakeCommands().isEmpty());
    EXPECT_EQ(boxes.last(), "Please connect Drive");
}

TEST_F(TuningPageTest, ViewButtonsWorkOnEachCurvesRange)
{
    EXPECT_EQ(Range(1), std::pair(-9000.0, 9000.0));
    EXPECT_EQ(Range(2), std::pair(-100.0, 100.0));
    Click(1146); // feedback Big: curves 1, 3 and 0
    for (int curve : { 0, 1, 3 })
        EXPECT_EQ(Range(curve), std::pair(-4500.0, 4500.0)) << curve;
    EXPECT_EQ(Range(4), std::pair(-9000.0, 9000.0));
    Click(1153); // error Small
    EXPECT_EQ(Range(2), std::pair(-200.0, 200.0));
    EXPECT_TRUE(Button(1285)->isChecked());
    Click(1144); // every curve down by a tenth of its span
    EXPECT_EQ(Range(2), std::pair(-240.0, 160.0));
    EXPECT_EQ(Range(4), std::pair(-10800.0, 7200.0));
    Click(1203); // bottom line
    Edit(1197)->setText("1000");
    Click(1148);
    EXPECT_EQ(Range(1), std::pair(-5400.0, -4400.0));
    EXPECT_EQ(Range(0), Range(1));
    Edit(1197)->setText("10");
    Click(1148);
    Edit(1198)->setText("50");
    QTest::keyClicks(Edit(1198), "x"); // the spans take digits only
    Click(1149);
    EXPECT_EQ(boxes, QStringList({ "Y轴跨度不能小于20", "Span of X axis is no less than 100" }));
    Click(1195); // nothing left of 0
    EXPECT_EQ(page->Chart()->m_xRange.min, 0.0);
    Click(1141);
    EXPECT_EQ(page->Chart()->m_xRange.min, 10000.0);
    for (int i = 0; i < 8; ++i)
        Click(1152); // error Big, down to the least span the chart keeps
    EXPECT_EQ(Range(2).second - Range(2).first, 20.0);
    // Feedback Small past what 32 bits hold: the span stops growing, it never wraps small.
    for (int i = 0; i < 24; ++i) {
        const double before = Range(1).second - Range(1).first;
        Click(1147);
        EXPECT_GE(Range(1).second - Range(1).first, before) << i;
    }
}

TEST_F(TuningPageTest, SamplesMarkersAndReadouts)
{
    // The first sample of an array starts its curve; later ones count on from it.
    const int array2 = 2 << 16;
    SendMessage(page.get(), WM_NEW_SAMPLE, static_cast<uint32_t>(-5), array2 | 7);
    SendMessage(page.get(), WM_NEW_SAMPLE, 40, array2 | 3);
    SendMessage(page.get(), WM_NEW_SAMPLE, 9, 4);
    ASSERT_EQ(page->Samples().Array(2).size(), 2u);
    EXPECT_EQ(page->Samples().Array(2)[1].time, 10u);
    EXPECT_EQ(page->Samples().Array(2)[0].value, -5.0);
    EXPECT_EQ(page->Samples().Array(0)[0].time, 4u);
    // Past the X window: the window pages forward by its span.
    SendMessage(page.get(), WM_NEW_SAMPLE, 1, array2 | 30000);
    EXPECT_EQ(page->Chart()->m_xRange.min, 20000.0);
    EXPECT_EQ(page->Chart()->m_xRange.max, 40000.0);

    Click(1276);
    EXPECT_TRUE(page->GetDlgItem(1277)->isVisible());
    EXPECT_FALSE(page->GetDlgItem(1276)->isVisible());
    EXPECT_EQ(qobject_cast<QLabel*>(page->GetDlgItem(1274))->text(), "X间距");
    SendMessage(page.get(), WM_CHART_NOTIFY, 123, CHART_NOTIFY_XDIST);
    SendMessage(page.get(), WM_CHART_NOTIFY, 2500, CHART_NOTIFY_YDIST);
    EXPECT_EQ(Edit(1024)->text(), "123");
    EXPECT_EQ(Edit(1025)->text(), "4500");
    EXPECT_EQ(SendMessage(page.get(), WM_CHART_NOTIFY, 0, CHART_NOTIFY_ZOOM), -1);
    Click(1277);
    EXPECT_EQ(qobject_cast<QLabel*>(page->GetDlgItem(1274))->text(), "X");

    Click(1170); // checking the command selects its curve
    EXPECT_TRUE(Button(1286)->isChecked());
    EXPECT_TRUE(page->Form().command);
}

TEST_F(TuningPageTest, HiddenControlsExistHiddenAndDisabled)
{
    for (int id : { 1105, 1140, 1151, 1206, 1150, 1200, 1247, 1289, 1271, 1272, 1287 }) {
        QWidget* control = page->GetDlgItem(id);
        ASSERT_TRUE(control) << id;
        EXPECT_FALSE(control->isVisible()) << id;
        EXPECT_FALSE(control->isEnabled()) << id;
    }
    EXPECT_TRUE(Button(1271)->isCheckable() && Button(1272)->isCheckable());

    // 1151 samples without a wave and is reset by leaving.
    Click(1244); // no curve: the thread only waits
    page->OnBnClickedStartMonitor();
    EXPECT_TRUE(page->Controller().IsSampling() && !page->Controller().IsWaveRunning());
    EXPECT_EQ(Button(1151)->text(), "Stop");
    SendMessage(page.get(), WM_PAGE_LEAVING, 0, 0);
    EXPECT_FALSE(page->Controller().IsSampling());
    EXPECT_EQ(Button(1151)->text(), "开始监测");
    EXPECT_TRUE(TakeCommands().isEmpty());
}

TEST_F(TuningPageTest, HostTimedWaveSetsPositionModeAndStopsOnARefusedTickOrOnLeaving)
{
    link.Can("SMOD4609", 0, 6);
    page->OnBnClickedHostWave();
    EXPECT_EQ(TakeCommands(), QStringList({ "GMOD", "SMOD4609" }));
    EXPECT_TRUE(page->IsHostWaveRunning());
    EXPECT_EQ(Button(1140)->text(), "停止运行");
    EXPECT_FALSE(WaveControlsEnabled());
    SendMessage(page.get(), WM_PAGE_LEAVING, 0, 0);
    EXPECT_FALSE(page->IsHostWaveRunning());
    EXPECT_EQ(Button(1140)->text(), "开始运行");
    EXPECT_TRUE(WaveControlsEnabled());

    // No position is scripted: the first tick fails, the wave stops and says why.
    page->OnBnClickedHostWave();
    ASSERT_TRUE(page->IsHostWaveRunning());
    EXPECT_TRUE(QTest::qWaitFor([this] { return !page->IsHostWaveRunning(); }, 5000));
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].startsWith("The drive did not take the wave's position")) << boxes[0].toStdString();
    EXPECT_TRUE(link.Commands().last().startsWith("M"));
    EXPECT_TRUE(WaveControlsEnabled());
}

TEST_F(TuningPageTest, SaveDataWritesArraysOneToThreeInTheCapturedDataFormat)
{
    QTemporaryDir temporary;
    const QDir folder(temporary.path());
    SendMessage(page.get(), WM_NEW_SAMPLE, 11, 0 | 5); // array 0 is not written
    SendMessage(page.get(), WM_NEW_SAMPLE, static_cast<uint32_t>(-7), (1 << 16) | 4);
    SendMessage(page.get(), WM_NEW_SAMPLE, 9, (3 << 16) | 6);
    SendMessage(page.get(), WM_NEW_SAMPLE, 8, (3 << 16) | 2);
    page->SaveData(temporary.path() + u'/');
    const QStringList files = folder.entryList({ "*.txt" }, QDir::Files);
    ASSERT_EQ(files.size(), 1) << boxes.join(u'\n').toStdString();
    QFile file(folder.filePath(files[0]));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QDateTime when = QDateTime::fromString(files[0].chopped(4), "yyyyMMdd-HHmmss");
    const CapturedColumn columns[] = { { "Speed(rpm)", &page->Samples().Array(1) },
        { "Position(r)", &page->Samples().Array(2) }, { "Current(mA)", &page->Samples().Array(3) } };
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes, FormatCapturedData(kCapturedByTuning, when, columns));
    EXPECT_TRUE(QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2)
                    .startsWith("        Velquarin －－ Monitor\r\n"));
    EXPECT_EQ(bytes.count(QByteArray("-\0" "7\0", 4)), 1) << "array 1's value";
}

TEST(SelAdjustObject, OffersTheLinesOfTheModesSwitchedOn)
{
    for (auto [x, y] : { std::pair { false, false }, std::pair { true, false }, std::pair { false, true } }) {
        CSelAdjustObject chooser(x, y);
        for (int choice = 1; choice <= 4; ++choice)
            EXPECT_EQ(chooser.ChoiceButton(choice)->isEnabled(), choice <= 2 ? x : y) << choice;
    }
    CSelAdjustObject chooser(true, true);
    chooser.ChoiceButton(4)->click();
    EXPECT_EQ(chooser.Choice(), 4);
    EXPECT_EQ(chooser.result(), QDialog::Accepted);
}
