#include "shell/C12DialogBar.h"

#include "controls/EditEx.h"
#include "controls/StripField.h"
#include "link/LinkLayer.h"
#include "platform/DialogUnits.h"
#include "res/StripBitmaps.h"
#include "shell/Globals.h"
#include "tests/support/QtPrinters.h"

#include <QCheckBox>
#include <QLabel>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <thread>
#include <utility>

namespace {
LPARAM Numeric(CommandId id) { return MAKELPARAM(static_cast<uint16_t>(id), 0x10); }
LPARAM TextForm(CommandId id) { return MAKELPARAM(static_cast<uint16_t>(id), 0); }

class C12DialogBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_nComType = COMM_RS232;
        g_bDriveConnected = 1;
        g_nLampBlinkPhase = 0;
        std::memset(g_szDriveTypeName, 0, sizeof g_szDriveTypeName);
        ASSERT_TRUE(bar.Create(&frame));
        // The strip's own start-up post changes nothing; let it pass.
        QCoreApplication::sendPostedEvents(&bar);
    }
    void TearDown() override
    {
        g_nComType = COMM_RS232;
        g_bDriveConnected = 0;
    }

    QString Text(int id) const { return bar.GetDlgItemText(id); }
    QColor Base(int id) const { return bar.GetDlgItem(id)->palette().color(QPalette::Base); }
    QColor Ink(int id) const { return bar.GetDlgItem(id)->palette().color(QPalette::Text); }
    int Picture(int id) const { return bar.GetDlgItem(id)->property("bitmap").toInt(); }
    void Send(WPARAM w, LPARAM l, QByteArray data = {}) { EXPECT_EQ(SendMessage(&bar, WM_DRIVE_REPLY, w, l, data), 0); }
    // Each box shows its text.
    void ExpectTexts(std::initializer_list<std::pair<int, const char*>> texts) const
    {
        for (const auto& [id, text] : texts)
            EXPECT_EQ(Text(id), QString::fromUtf8(text)) << id;
    }
    // A box of the drive's identity shows its text, and the chain picture whether the
    // drive is known.
    void ExpectIdentity(int id, const char* text, int chain) const
    {
        EXPECT_EQ(Text(id), text);
        EXPECT_EQ(Picture(1116), chain);
    }
    void ExpectLamp(int id, const QColor& ink, const QColor& base) const
    {
        EXPECT_EQ(Ink(id), ink) << id;
        EXPECT_EQ(Base(id), base) << id;
    }

    QWidget frame;
    C12DialogBar bar;
};

const QColor RED(255, 0, 0);
const QColor WHITE(255, 255, 255);
const QColor GREY(128, 128, 128);
const QColor BACKGROUND(250, 250, 250);
const QColor NOT_CURRENT(222, 222, 222);
}

TEST_F(C12DialogBarTest, ControlsSitAtTheirTemplatePlaces)
{
    const DialogUnits units = DialogUnits::OfSimSun(9);
    EXPECT_EQ(bar.height(), units.ToPixelsY(53));
    EXPECT_EQ(bar.sizeHint().width(), units.ToPixelsX(846));
    EXPECT_EQ(bar.minimumWidth(), 0) << "a narrow window clips the strip rather than growing";
    struct Place { int id, x, y, w, h; };
    for (const Place& p : { Place { 1150, 103, 2, 69, 14 }, Place { 1149, 103, 20, 69, 14 },
             Place { 1116, 2, 0, 57, 52 }, Place { 1136, 614, 2, 17, 14 }, Place { 1118, 684, 32, 38, 15 },
             Place { 1067, 562, 1, 24, 14 }, Place { 1215, 69, 38, 46, 14 }, Place { 1222, 416, 38, 49, 14 },
             Place { 1224, 468, 38, 48, 14 }, Place { 1225, 519, 38, 54, 14 }, Place { 1141, 579, 35, 15, 17 },
             Place { 1243, 494, 20, 63, 14 }, Place { 1140, 759, 2, 35, 14 } }) {
        QWidget* control = bar.GetDlgItem(p.id);
        ASSERT_NE(control, nullptr) << p.id;
        EXPECT_EQ(control->objectName(), QStringLiteral("idc_%1").arg(p.id));
        EXPECT_EQ(control->geometry(), units.ToPixels(QRect(p.x, p.y, p.w, p.h))) << p.id;
        EXPECT_FALSE(control->isHidden()) << p.id;
    }
    QWidget* combo = bar.GetDlgItem(32859);
    EXPECT_EQ(combo->pos(), units.ToPixels(QRect(614, 33, 66, 181)).topLeft());
    EXPECT_EQ(combo->width(), units.ToPixelsX(680) - units.ToPixelsX(614));
    EXPECT_LT(combo->geometry().bottom(), bar.height()) << "the closed combo fits the strip";
    EXPECT_EQ(bar.CommandCombo(), combo);

    for (int id : { 1144, 1184, 1177, 1079, 1080, 1152, 1082, 1083, 1084, 1085, 1138, 1213, 1214, 1226, 1249, 1250 }) {
        QWidget* hidden = bar.GetDlgItem(id);
        ASSERT_NE(hidden, nullptr) << id;
        EXPECT_TRUE(hidden->isHidden()) << id;
        EXPECT_FALSE(hidden->isEnabled()) << id;
    }
    EXPECT_FALSE(bar.Create(&frame)) << "a strip is created once";
}

TEST_F(C12DialogBarTest, StartsWithTheInitialTextsPicturesAndGreyLamps)
{
    ExpectTexts({ { 1182, "" }, { 1185, "" }, { 1067, "" }, { 1223, "" },
        { 1150, "Unknow" }, { 1149, "Unknow" }, { 1215, "Hot Alarm" }, { 1218, "Under Vol." },
        { 1221, "V_lose Ctrl." }, { 1225, "Tracking Err." }, { 1213, "已到达位置" }, { 1226, "已到达速度" },
        { 1214, "EEPROM" }, { 1249, "启限位" }, { 1250, "零位" }, { 1136, "GM" }, { 1118, "Send" } });
    EXPECT_TRUE(qobject_cast<QCheckBox*>(bar.GetDlgItem(1144))->isChecked());
    EXPECT_EQ(Picture(1116), IDB_CHAIN_BROKEN);
    EXPECT_EQ(Picture(1141), IDB_REFRESH);
    EXPECT_FALSE(qobject_cast<QPushButton*>(bar.GetDlgItem(1116))->icon().isNull());
    for (int id : LAMP_IDS) {
        EXPECT_EQ(Ink(id), GREY) << id;
        EXPECT_EQ(Base(id), NOT_CURRENT) << id;
        EXPECT_EQ(bar.GetDlgItem(id)->font().pixelSize(), 14);
        EXPECT_TRUE(qobject_cast<QLineEdit*>(bar.GetDlgItem(id))->isReadOnly());
    }
    EXPECT_EQ(g_nFirmwareVersion, 0);
}

// Only what the drive reports now looks current: an unanswered poll greys what the boxes keep,
// a reply or an answered poll makes them current, a missing reply or another channel empties.
TEST_F(C12DialogBarTest, BoxesLookCurrentOnlyWhileTheDriveReportsThem)
{
    auto told = [this](WPARAM why) { return [this, why] { SendMessage(&bar, WM_STRIP_FRESHNESS, why, 0); }; };
    const std::pair<std::function<void()>, const char*> steps[] = { // "+id=text" current, "-id=text" not
        { [this] { Send(0x0205, Numeric(CMD_GMOD)), Send(38, Numeric(CMD_GT)), Send(1, Numeric(CMD_GEI)), bar.OnTimer(bar.TIMER_BLINK); },
            "+1182=Torque,+1067=38,-1185=,+1215=Hot Alarm" },
        { told(STRIP_STALE), "-1182=Torque,-1067=38,-1150=Unknow,-1215=Hot Alarm" },
        { [this] { Send(39, Numeric(CMD_GT)); }, "+1067=39,-1182=Torque" },
        { told(STRIP_FRESH), "+1182=Torque,+1185=" },
        { [this] { Send(0, TextForm(CMD_GDTY)); }, "-1150=Unknow,+1182=Torque" },
        { told(STRIP_FORGET), "-1182=,-1067=,-1149=Unknow,-1215=Hot Alarm" },
    };
    for (const auto& [act, boxes] : steps) {
        act();
        for (const QString& box : QString::fromLatin1(boxes).split(u',')) {
            EXPECT_EQ(Text(box.mid(1, 4).toInt()), box.mid(6)) << qPrintable(box);
            EXPECT_EQ(Base(box.mid(1, 4).toInt()) == NOT_CURRENT, box[0] == u'-') << qPrintable(box);
        }
    }
}

TEST_F(C12DialogBarTest, ShowsIdentityRepliesAndTheChain)
{
    Send(0x0000300C, Numeric(CMD_GVER));
    EXPECT_EQ(g_nFirmwareVersion, 0x300C);
    ExpectIdentity(1149, "V12.48.0.0", IDB_CHAIN_CLOSED);

    Send(1, TextForm(CMD_GDTN), "DZ-S1");
    EXPECT_EQ(Text(1150), "DZ-S1");

    Send(0, TextForm(CMD_GVEN));
    EXPECT_EQ(g_nFirmwareVersion, 0);
    ExpectIdentity(1149, "Unknow", IDB_CHAIN_BROKEN);

    Send(1, TextForm(CMD_GVEN), "12300");
    ExpectIdentity(1149, "V12.48.0.0", IDB_CHAIN_CLOSED);

    // No name file lies beside the test program, so a type number cannot be named.
    Send(5, Numeric(CMD_GDTY));
    ExpectIdentity(1150, "Unknow", IDB_CHAIN_BROKEN);
}

TEST_F(C12DialogBarTest, PostedTextRepliesCarryTheirOwnCopy)
{
    std::thread poller([this] {
        QByteArray buffer("0011010");
        PostMessage(&bar, WM_DRIVE_REPLY, 1, TextForm(CMD_GSI), buffer);
        buffer.fill('0');
        buffer = QByteArray("7\0\0\0", 4);
        PostMessage(&bar, WM_DRIVE_REPLY, 1, TextForm(CMD_GT), buffer);
        PostMessage(&bar, WM_DRIVE_REPLY, 0x0205, Numeric(CMD_GMOD));
    });
    poller.join();
    QCoreApplication::sendPostedEvents(&bar);
    ExpectTexts({ { 1223, "Enable" }, { 1238, "Braking" }, { 1185, "CCW" }, { 1239, "CCW Limit" },
        { 1227, "Init. Failed" }, { 1067, "7" }, { 1182, "Torque" }, { 1183, "POT" } });
}

TEST_F(C12DialogBarTest, ShowsStatusWordsAndTemperature)
{
    Send(0x2000, Numeric(CMD_GSIN));
    ExpectTexts({ { 1241, "ERR" }, { 1240, "Home Seeking Invalid" }, { 1239, "No Limit" }, { 1243, "No Limit" },
        { 1223, "Disable" }, { 1228, "Disable" }, { 1238, "No Brake" }, { 1242, "No Brake" }, { 1185, "CCW" },
        { 1227, "Init. Failed" } });

    Send(1, TextForm(CMD_GSIN), "53008");
    ExpectTexts({ { 1240, "Home Seeking Failed" }, { 1228, "Enable" } });

    Send(static_cast<WPARAM>(static_cast<intptr_t>(-5)), Numeric(CMD_GT));
    EXPECT_EQ(Text(1067), "-5");
    Send(0, TextForm(CMD_GT));
    EXPECT_EQ(Text(1067), "");
    Send(1, TextForm(CMD_GSI), "00");
    EXPECT_EQ(Text(1223), "Disable") << "a short status text reads as zeros";
    EXPECT_EQ(Text(1239), "No Limit");

    Send(0x1234, Numeric(0));
    Send(0x1234, Numeric(9999));
    EXPECT_EQ(Text(1223), "Disable");
}

TEST_F(C12DialogBarTest, TypeNamePartsAreAskedForOneAfterAnother)
{
    g_nComType = COMM_CAN_K8110;
    int asked = 1;
    std::vector<int> requests;
    // The frame asks the drive for each part; here the drive answers at once.
    const uint32_t parts[] = { 0, 0x43424121, 0x46454422 };
    bar.SetTypeNameRequester([&] { return asked; },
        [&](int part) {
            requests.push_back(part);
            asked = part;
            SendMessage(&bar, WM_DRIVE_REPLY, parts[part], Numeric(CMD_GDTN));
        });
    Send(parts[1], Numeric(CMD_GDTN));
    EXPECT_EQ(requests, std::vector<int> { 2 });
    EXPECT_EQ(Text(1150), "ABCDEF");
    EXPECT_EQ(Picture(1116), IDB_CHAIN_CLOSED);

    // A part that is not the one asked for changes nothing and asks for nothing.
    Send(0x5A5A5A21, Numeric(CMD_GDTN));
    EXPECT_EQ(Text(1150), "ABCDEF");
    EXPECT_EQ(requests.size(), 1u);
}

TEST_F(C12DialogBarTest, EnableMessagesSetTheHiddenCheck)
{
    auto* check = qobject_cast<QCheckBox*>(bar.GetDlgItem(1144));
    Send(0, CMD_ENA);
    EXPECT_FALSE(check->isChecked());
    Send(1, CMD_ENA);
    EXPECT_TRUE(check->isChecked());
}

TEST_F(C12DialogBarTest, LampsBlinkWhileConnected)
{
    Send(0x0201, Numeric(CMD_GEI));
    EXPECT_EQ(Ink(1215), GREY) << "lamps change only on the blink tick";

    bar.OnTimer(C12DialogBar::TIMER_BLINK);
    EXPECT_EQ(g_nLampBlinkPhase, 1);
    for (int id : { 1215, 1225 })
        ExpectLamp(id, WHITE, RED);
    for (int id : { 1216, 1217, 1218, 1219, 1220, 1221, 1222, 1224 })
        ExpectLamp(id, GREY, BACKGROUND);

    bar.OnTimer(C12DialogBar::TIMER_BLINK);
    EXPECT_EQ(g_nLampBlinkPhase, 0);
    ExpectLamp(1215, RED, BACKGROUND);
    EXPECT_EQ(Ink(1216), GREY);

    // A ten-character alarm text takes over from the word.
    Send(1, TextForm(CMD_GEI), "0100000000");
    bar.OnTimer(C12DialogBar::TIMER_BLINK);
    ExpectLamp(1215, GREY, BACKGROUND);
    EXPECT_EQ(Base(1216), RED);

    // Disconnected: the lamps freeze in the colours of the last tick.
    g_bDriveConnected = 0;
    Send(0x03FF, Numeric(CMD_GEIN));
    bar.OnTimer(C12DialogBar::TIMER_BLINK);
    bar.OnTimer(C12DialogBar::TIMER_BLINK);
    EXPECT_EQ(g_nLampBlinkPhase, 1);
    EXPECT_EQ(Base(1216), RED);
    EXPECT_EQ(Base(1215), BACKGROUND);

    bar.OnTimer(C12DialogBar::TIMER_BLINK + 1);
    g_bDriveConnected = 1;
    bar.OnTimer(C12DialogBar::TIMER_BLINK + 1);
    EXPECT_EQ(g_nLampBlinkPhase, 1) << "other timers do not blink";
}

TEST_F(C12DialogBarTest, TheBlinkTimerTicksEverySecond)
{
    Send(0x0001, Numeric(CMD_GEI));
    const int start = g_nLampBlinkPhase;
    EXPECT_TRUE(QTest::qWaitFor([&] { return g_nLampBlinkPhase != start; }, 5000));
    EXPECT_TRUE(Base(1215) == RED || Ink(1215) == RED);
}

TEST_F(C12DialogBarTest, ButtonsReachTheFrameByTheirIds)
{
    QSignalSpy spy(&bar, &C12DialogBar::CommandClicked);
    for (int id : { 1116, 1136, 1147, 1148, 1118, 1151, 1139, 1140, 1153, 1141 })
        qobject_cast<QPushButton*>(bar.GetDlgItem(id))->click();
    ASSERT_EQ(spy.count(), 10);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 1116);
    EXPECT_EQ(spy.at(4).at(0).toInt(), 1118);
    EXPECT_EQ(spy.at(9).at(0).toInt(), 1141);

    bar.CommandCombo()->setEditText(QStringLiteral("gm od"));
    EXPECT_EQ(Text(32859), "gm od");
    EXPECT_TRUE(bar.CommandCombo()->isEditable());
}

TEST_F(C12DialogBarTest, ScreenshotOfAConnectedDriveWithAlarms)
{
    Send(1, TextForm(CMD_GDTN), "DZ-S1");
    Send(0x0000300C, Numeric(CMD_GVER));
    Send(0x0104, Numeric(CMD_GMOD));
    Send(0x5B54, Numeric(CMD_GSIN));
    Send(38, Numeric(CMD_GT));
    Send(0x0805, Numeric(CMD_GEI));
    bar.CommandCombo()->setEditText(QStringLiteral("GMOD"));
    bar.OnTimer(C12DialogBar::TIMER_BLINK);
    frame.resize(bar.sizeHint().width(), bar.height());
    bar.resize(frame.size());

    const QPixmap shot = bar.grab();
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), bar.size());
    const QByteArray buildDir = qgetenv("VELQUARIN_BUILD_DIR");
    const QString path = (buildDir.isEmpty() ? QCoreApplication::applicationDirPath() : QString::fromLocal8Bit(buildDir))
        + QStringLiteral("/top_strip.png");
    EXPECT_TRUE(shot.save(path)) << path.toStdString();
    // The lit lamp is painted red in the picture too.
    const QRect lamp = bar.GetDlgItem(1215)->geometry();
    EXPECT_EQ(shot.toImage().pixelColor(lamp.left() + 4, lamp.center().y()), RED);
}

TEST_F(C12DialogBarTest, EveryTextOfTheStripFitsItsBox)
{
    // The longest texts each field is given, and the captions.
    const std::pair<int, std::vector<const char*>> fields[] = {
        { 1240, { "Home Seeking Invalid", "Home Seeking Succeed", "Home Seeking Failed", "Home State" } },
        { 1227, { "Init. Not Executed", "Initializing...", "Init. Succeed" } },
        { 1183, { "Communication", "Pulses/DIR", "Inner wave", "undefined" } },
        { 1182, { "Velocity", "Position", "Torque" } },
        { 1239, { "CW&CCW Limit", "Limit State" } }, { 1243, { "CW&CCW Limit" } },
        { 1238, { "No Brake", "Braking" } }, { 1242, { "No Brake" } },
        { 1223, { "Disable" } }, { 1228, { "Disable" } }, { 1185, { "CCW" } }, { 1241, { "ERR", "State" } },
        { 1067, { "-125", "??" } }, { 1149, { "V255.255.255.255" } }, { 1150, { "Unknow", "QX6215-ABCDEF" } },
    };
    for (const auto& [id, texts] : fields) {
        auto* field = qobject_cast<StripField*>(bar.GetDlgItem(id));
        ASSERT_NE(field, nullptr) << id;
        for (const char* text : texts) {
            field->setText(QString::fromLatin1(text));
            const TextFit fit = field->Fit();
            EXPECT_TRUE(fit.fits) << id << " " << text;
            if (id == 1240) {
                EXPECT_FALSE(fit.wrapped) << "the home states on one line: " << text;
            }
            EXPECT_GE(QFontInfo(fit.font).pixelSize(), StripField::kMinPixelSize);
        }
    }
    for (int id : LAMP_IDS) {
        auto* lamp = qobject_cast<StripField*>(bar.GetDlgItem(id));
        ASSERT_NE(lamp, nullptr) << id;
        EXPECT_TRUE(lamp->Fit().fits && !lamp->Fit().wrapped) << lamp->text().toStdString();
    }
    for (auto* label : bar.findChildren<QLabel*>()) {
        if (label->isVisibleTo(&bar)) {
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width()) << label->text().toStdString();
        }
    }
    for (auto* button : bar.findChildren<QPushButton*>()) {
        if (button->isVisibleTo(&bar) && !button->text().isEmpty()) {
            EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()) + 6, button->width())
                << button->text().toStdString();
        }
    }
}
