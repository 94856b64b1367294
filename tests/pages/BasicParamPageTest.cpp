#include "link/DriveContext.h"
#include "link/LinkLayer.h"
#include "link/LogRing.h"
#include "pages/params/BasicParam.h"
#include "pages/params/BasicParamIds.h"
#include "pages/params/DataExchange.h"
#include "pages/params/ReadAllParams.h"
#include "platform/AnsiCodePage.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "shell/Globals.h"
#include "shell/IniFile.h"
#include "shell/ProgramFiles.h"
#include "shell/PropertyView.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/ScriptedTransaction.h"
#include "tests/support/SerialChannel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

QString PictureFolder()
{
    const QByteArray build = qgetenv("VELQUARIN_BUILD_DIR");
    return build.isEmpty() ? QCoreApplication::applicationDirPath() : QString::fromLocal8Bit(build);
}

// The parameter page as the program shows it: tab 0 of the page host in the 880-pixel pane,
// a serial channel that is not open, message boxes and log lines recorded. The page asks a
// scripted drive that refuses every command as the closed port does; writing all settings
// goes to the link itself, whose port is closed.
class BasicParamPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetLinkChannels();
        g_bDriveConnected = 1;
        SetMessageBoxHandler([this](const MessageBoxRequest& request) {
            boxes << request.text;
            return IDOK;
        });
        SetLogView(&log);
        for (const ParamQuery& query : ReadAllQueries(g_nFirmwareVersion.load()))
            drive.Fail(query.mnemonic, COMM_ERR_RS232_NOT_OPEN);
        for (const char* command : { "SCMS1", "CPA2500", "ESA", "FCFG" })
            drive.Fail(QString::fromLatin1(command), COMM_ERR_RS232_NOT_OPEN);
        DriveContext context;
        context.transact = drive.Function();
        page.SetDriveContext(context);
        view->AddPage(&page);
        view->resize(880, 700);
        view->show();
        view->OnInitialUpdate();
        QCoreApplication::sendPostedEvents();
    }
    void TearDown() override
    {
        UnsetLogView(&log);
        SetMessageBoxHandler({});
        g_bDriveConnected = 0;
    }

    template <typename T = QWidget>
    T* Item(int id) const
    {
        auto* control = qobject_cast<T*>(page.GetDlgItem(id));
        EXPECT_NE(control, nullptr) << id;
        return control;
    }
    QString Text(int id) const { return Item<QLineEdit>(id)->text(); }
    void Type(int id, const char* text) const { Item<QLineEdit>(id)->setText(QString::fromUtf8(text)); }
    bool Checked(int id) const { return Item<QAbstractButton>(id)->isChecked(); }
    void Click(int id) const { Item<QAbstractButton>(id)->click(); }
    // A choice of the user's, as the combo reports it.
    void Choose(int id, int index) const
    {
        QComboBox* combo = Item<QComboBox>(id);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    QStringList LogLines()
    {
        QStringList lines;
        for (const auto& m : log.Take(WM_LOG_APPEND))
            lines << DecodeLogText(m.data);
        return lines;
    }

    MessageRecorder log;
    QStringList boxes;
    ScriptedTransaction drive;
    std::unique_ptr<CPropertyView> view = std::make_unique<CPropertyView>();
    // Owned by the view from AddPage on: it goes with the view.
    CBasicParam& page = *new CBasicParam;
};

} // namespace

TEST_F(BasicParamPage, StartsAsANewDialog)
{
    EXPECT_FALSE(Item(IDC_SAVE_EEPROM)->isEnabled());
    EXPECT_FALSE(Item(IDC_BRAKE_OPEN)->isEnabled());
    EXPECT_FALSE(Item(IDC_PHASE_AUTO)->isEnabled());
    EXPECT_FALSE(Item(IDC_HOME_CURRENT)->isEnabled());
    EXPECT_EQ(Item<QComboBox>(IDC_CAN_BAUD)->currentText(), QStringLiteral("500"));
    EXPECT_FALSE(Item(IDC_CAN_BAUD)->isEnabled());
    EXPECT_TRUE(Checked(IDC_VELOCITY));
    EXPECT_TRUE(Checked(IDC_THRESHOLD_65V));
    EXPECT_FALSE(Item(IDC_THRESHOLD_VOLTAGE)->isEnabled());
    EXPECT_EQ(Text(1025), QStringLiteral("-2100000000"));
    EXPECT_EQ(Text(1060), QStringLiteral("2"));
    for (int port = 0; port < kCommonPorts; ++port) {
        EXPECT_TRUE(Checked(kIoInputRadios[port]));
        EXPECT_TRUE(Item(kIoPullCombos[port])->isVisible());
        EXPECT_FALSE(Item(kIoOutTypeCombos[port])->isVisible());
    }
    for (int id : { IDC_AMPLIFIER, 1038, 1294, 1296, 1317, 1266, IDC_NODE_TREE }) {
        EXPECT_FALSE(Item(id)->isVisible()) << id;
        EXPECT_FALSE(Item(id)->isEnabled()) << id;
    }
    // No settings.ini beside the test program: the phase table is hidden.
    EXPECT_FALSE(Item(IDC_PHASE_GROUP)->isVisible());
    EXPECT_FALSE(Item(kPhaseEdits[0])->isVisible());

    page.EnableActionButtons(true);
    EXPECT_TRUE(Item(IDC_SAVE_EEPROM)->isEnabled());
}

TEST_F(BasicParamPage, FitsThePaneAndEveryTextItsBox)
{
    EXPECT_FALSE(view->horizontalScrollBar()->isVisible());
    EXPECT_LE(page.width(), view->viewport()->width());

    QTemporaryDir folder;
    QFile settings(QDir(folder.path()).filePath(QStringLiteral("settings.ini")));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[PhaseData]\r\nShow=5\r\n");
    settings.close();
    page.ShowPhaseData(folder.path() + u'/');
    EXPECT_TRUE(Item(IDC_PHASE_GROUP)->isVisible());
    EXPECT_TRUE(Item(kPhaseEdits[15])->isVisible());

    // The action buttons on the page, the rest on the form that scrolls under them.
    QWidget* form = page.findChild<QScrollArea*>()->widget();
    EXPECT_EQ(Item(IDC_SETUP)->parentWidget(), &page);
    for (QWidget* w : page.findChildren<QWidget*>(Qt::FindDirectChildrenOnly) + form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!w->isVisibleTo(&page))
            continue;
        const QString name = w->objectName() + u' ';
        const int textHeight = w->fontMetrics().height();
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->wordWrap())
                EXPECT_LE(label->heightForWidth(label->width()), label->height()) << name.toStdString() << label->text().toStdString();
            else
                EXPECT_LE(label->sizeHint().width(), label->width()) << name.toStdString() << label->text().toStdString();
            EXPECT_GE(label->height(), textHeight) << label->text().toStdString();
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            EXPECT_LE(button->sizeHint().width(), button->width()) << button->text().toStdString();
            EXPECT_GE(button->height(), textHeight) << button->text().toStdString();
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            // The longest item fits the closed box, whichever is chosen.
            EXPECT_LE(combo->sizeHint().width(), combo->width()) << name.toStdString();
        } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            EXPECT_LE(edit->fontMetrics().horizontalAdvance(edit->text()) + 8, edit->width()) << edit->text().toStdString();
        } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
            EXPECT_LE(box->fontMetrics().horizontalAdvance(box->title()) + 8, box->width()) << box->title().toStdString();
        }
    }
    EXPECT_TRUE(page.grab().save(PictureFolder() + QStringLiteral("/basic_param_page.png")));
    EXPECT_TRUE(view->grab().save(PictureFolder() + QStringLiteral("/basic_param_pane.png")));
}

TEST_F(BasicParamPage, RejectedInputKeepsTheFocusAndTheLaterFields)
{
    Type(1036, "3000");
    Type(1030, "3");
    Type(1324, "abc");
    // The form scrolled to its end: the failing field at its top is brought into view before
    // the prompt says what is wrong with it.
    auto* area = page.findChild<QScrollArea*>();
    area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
    QWidget* encoder = Item(1030);
    bool inViewAtPrompt = false;
    SetMessageBoxHandler([&](const MessageBoxRequest& request) {
        boxes << request.text;
        inViewAtPrompt = area->viewport()->rect().contains(QRect(encoder->mapTo(area->viewport(), QPoint()), encoder->size()));
        return IDOK;
    });
    ASSERT_FALSE(area->viewport()->rect().contains(encoder->mapTo(area->viewport(), QPoint())));
    EXPECT_FALSE(page.UpdateData(true));
    EXPECT_TRUE(inViewAtPrompt);
    EXPECT_EQ(boxes, QStringList { QStringLiteral("请输入一个 4 至 2147483647 之间的整数。") });
    EXPECT_EQ(page.focusWidget(), Item(1030));
    EXPECT_EQ(page.Model().m_nEncoderCounts, 4);
    EXPECT_EQ(page.Model().m_nRatedSpeed, 0);

    // A limit check takes the form and shows the members again: the rejected texts go.
    boxes.clear();
    Type(1030, "4000");
    Click(IDC_SCALE_LIMIT);
    EXPECT_EQ(boxes, QStringList { QStringLiteral("请输入一个整数。") });
    EXPECT_EQ(page.Model().m_nEncoderCounts, 4000);
    EXPECT_EQ(page.Model().m_nRatedSpeed, 3000);
    EXPECT_EQ(page.Model().m_bScaleLimit, 1);
    EXPECT_EQ(Text(1324), QStringLiteral("0"));
}

TEST_F(BasicParamPage, ControlsFollowTheirRules)
{
    Click(kIoOutputRadios[3]);
    EXPECT_TRUE(Item(kIoOutTypeCombos[3])->isVisible());
    EXPECT_FALSE(Item(kIoPullCombos[3])->isVisible());
    EXPECT_FALSE(Item(1126)->isEnabled());
    Click(kIoInputRadios[3]);
    EXPECT_TRUE(Item(1126)->isEnabled());

    Choose(IDC_COMMAND, 7);
    EXPECT_EQ(Item<QLabel>(IDC_PWM_DEAD_PREFIX)->text(), QStringLiteral("0 -"));
    // A selection made by code leaves the labels.
    Item<QComboBox>(IDC_COMMAND)->setCurrentIndex(2);
    EXPECT_EQ(Item<QLabel>(IDC_PWM_DEAD_PREFIX)->text(), QStringLiteral("0 -"));

    Click(IDC_THRESHOLD_MANUAL);
    EXPECT_EQ(page.Model().m_nThresholdMode, 2);
    EXPECT_TRUE(Item(IDC_THRESHOLD_VOLTAGE)->isEnabled());
    Click(IDC_THRESHOLD_BUS);
    EXPECT_EQ(page.Model().m_nThresholdMode, 0);
    EXPECT_FALSE(Item(IDC_THRESHOLD_VOLTAGE)->isEnabled());

    Click(IDC_AUX_ENC_OUTPUT);
    Click(IDC_AUX_ENCODER);
    EXPECT_TRUE(Checked(IDC_AUX_ENC_INPUT));
    EXPECT_FALSE(Checked(IDC_AUX_ENC_OUTPUT));
    EXPECT_FALSE(Item(IDC_AUX_ENC_OUTPUT)->isEnabled());

    Choose(IDC_HOME_MODE, 1);
    EXPECT_TRUE(Item(IDC_HOME_CURRENT)->isEnabled());
    EXPECT_FALSE(Item(IDC_HOME_RANGE)->isEnabled());

    Choose(IDC_BRAKE_MODE, 1);
    EXPECT_FALSE(Item(IDC_BRAKE_CLOSE)->isEnabled());
    Choose(IDC_BRAKE_MODE, 0);
    EXPECT_TRUE(Item(IDC_BRAKE_CLOSE)->isEnabled());

    Click(IDC_PHASE_ACTIVATE);
    EXPECT_TRUE(Item(IDC_PHASE_AUTO)->isEnabled());
    Click(IDC_CHANGE_BAUD);
    EXPECT_TRUE(Item(IDC_RS232_BAUD)->isEnabled());

    Click(IDC_POSITION);
    EXPECT_EQ(page.Model().m_nRunMode, 1);
    EXPECT_FALSE(Item(1048)->isEnabled());
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_F(BasicParamPage, BrakeAndAutoAskForADriveAndKeepStateWhenTheCommandFails)
{
    g_bDriveConnected = 0;
    Click(IDC_BRAKE_CLOSE);
    Click(IDC_PHASE_AUTO); // disabled: no click reaches it
    Item(IDC_PHASE_AUTO)->setEnabled(true);
    Click(IDC_PHASE_AUTO);
    EXPECT_EQ(boxes, (QStringList { QStringLiteral("Please connect Drive"), QStringLiteral("Please connect Drive") }));
    EXPECT_TRUE(LogLines().isEmpty());

    // Connected, but the channel is closed: the command is logged, the brake state stays.
    boxes.clear();
    g_bDriveConnected = 1;
    Click(IDC_BRAKE_CLOSE);
    EXPECT_EQ(LogLines(), QStringList { QStringLiteral("SCMS1") });
    EXPECT_EQ(page.Model().m_bBrakeOpen, 1);
    EXPECT_TRUE(Item(IDC_BRAKE_CLOSE)->isEnabled());
    EXPECT_FALSE(Item(IDC_BRAKE_OPEN)->isEnabled());

    // "Auto" goes past a faulty other field, sends no junk current and asks for an empty one.
    Type(1324, "abc");
    for (const char* current : { "2500", "abc", "" }) {
        Type(IDC_PHASE_CURRENT, current);
        Click(IDC_PHASE_AUTO);
    }
    EXPECT_EQ(LogLines(), QStringList { QStringLiteral("CPA2500") });
    EXPECT_EQ(boxes.last(), QStringLiteral("Please enter a phase current limit"));
}

TEST_F(BasicParamPage, RepliesArriveAsMessagesThatCarryTheirText)
{
    PostMessage(&page, WM_PARAM_REPLY, 0, 31, "4000\r");
    QCoreApplication::sendPostedEvents(&page);
    EXPECT_EQ(Text(IDC_ENCODER), QStringLiteral("4000"));
    EXPECT_EQ(page.Model().m_nEncoderCounts, 4000);
    // A query the page does not read: -1, nothing changes.
    EXPECT_EQ(SendMessage(&page, WM_PARAM_REPLY, 0, 145, "7"), -1);
}

TEST_F(BasicParamPage, WorkersHoldTheButtonsAndReportFailuresOnceAtTheEnd)
{
    // The channel is closed: every command fails at once, and the write still runs to its end.
    Click(IDC_SETUP);
    for (int id : kActionButtons)
        EXPECT_FALSE(Item(id)->isEnabled()) << id;
    ASSERT_TRUE(page.IsBusy());
    Click(IDC_READ); // disabled: no click reaches it
    EXPECT_TRUE(boxes.isEmpty());
    // A click already queued, or a read after factory defaults, meets the running write.
    QMetaObject::invokeMethod(Item<QAbstractButton>(IDC_READ), "clicked", Q_ARG(bool, false));
    EXPECT_EQ(boxes, QStringList { QStringLiteral("Setting parameters......") });
    // Activation while busy starts nothing.
    SendMessage(&page, WM_PAGE_ACTIVATED, 0, 0);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !page.IsBusy(); }, 30000));
    const QString closed = QStringLiteral("RS232设备未打开");
    EXPECT_EQ(boxes, (QStringList { QStringLiteral("Setting parameters......"),
                         QStringLiteral("77 of 77 commands did not reach the drive or were refused by it, the first "
                                        "\"SMOD0\" (%1).").arg(closed) }));
    for (int id : kActionButtons)
        EXPECT_TRUE(Item(id)->isEnabled()) << id;
    const QStringList lines = LogLines();
    EXPECT_EQ(lines.size(), 2 * 76) << "each command with why it failed";
    EXPECT_EQ(lines.mid(0, 2), (QStringList { "SMOD0", closed }));

    // A read of a closed channel: each query logged with why, nothing decoded, the fields
    // marked, and one message at the end.
    boxes.clear();
    Type(IDC_ENCODER, "4000");
    Click(IDC_READ);
    EXPECT_EQ(Item<QAbstractButton>(IDC_READ)->text(), QStringLiteral("Stop"));
    QMetaObject::invokeMethod(Item<QAbstractButton>(IDC_SETUP), "clicked", Q_ARG(bool, false));
    EXPECT_TRUE(QTest::qWaitFor([this] { return !page.IsBusy(); }, 30000));
    EXPECT_EQ(boxes, (QStringList { QStringLiteral("Reading from Driver"),
                         QStringLiteral("83 of 83 settings were not read from the drive; their fields are marked. The "
                                        "first: GMOD (%1), GENC (%1), GSP (%1).").arg(closed) }));
    EXPECT_EQ(LogLines().size(), 2 * 83);
    EXPECT_EQ(Item<QAbstractButton>(IDC_READ)->text(), QStringLiteral("Read"));
    EXPECT_EQ(Text(IDC_ENCODER), QStringLiteral("4000"));
    // A mark goes when its field is read or edited, a radio group's as a whole.
    auto marked = [this](int id) { return Item(id)->property("notRead").toBool(); };
    for (int id : { IDC_ENCODER, 1036, IDC_VELOCITY, IDC_TORQUE, IDC_COMMAND, kIoOutTypeCombos[3], IDC_PHASE_CURRENT })
        EXPECT_EQ(marked(id), id != IDC_PHASE_CURRENT) << id;
    SendMessage(&page, WM_PARAM_REPLY, 0, 31, "4000\r");
    QTest::keyClick(Item(1036), Qt::Key_5);
    Click(IDC_POSITION);
    for (int id : { IDC_ENCODER, 1036, IDC_VELOCITY, IDC_TORQUE, IDC_COMMAND })
        EXPECT_EQ(marked(id), id == IDC_COMMAND) << id;

    // The read on activation tells the log alone.
    boxes.clear();
    SendMessage(&page, WM_PAGE_ACTIVATED, 0, 0);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !page.IsBusy(); }, 30000) && boxes.isEmpty());
    EXPECT_TRUE(LogLines().last().startsWith(QStringLiteral("83 of 83 settings were not read from the drive")));

    // The store that fails says so, and is offered no more.
    boxes.clear();
    Click(IDC_SAVE_EEPROM);
    EXPECT_EQ(boxes, QStringList { QStringLiteral("Save to EEPROM failed: RS232设备未打开") });
    EXPECT_EQ(LogLines(), QStringList { QStringLiteral("ESA\r") });
    EXPECT_FALSE(Item(IDC_SAVE_EEPROM)->isEnabled());
}

TEST_F(BasicParamPage, FactoryDefaultsAskFirstAndReadOnlyAfterTheyTookEffect)
{
    int answer = IDNO;
    SetMessageBoxHandler([this, &answer](const MessageBoxRequest& request) {
        boxes << request.text;
        return answer;
    });
    Click(IDC_RESTORE_DEFAULTS);
    EXPECT_TRUE(LogLines().isEmpty());
    answer = IDYES;
    Click(IDC_RESTORE_DEFAULTS);
    EXPECT_EQ(boxes, (QStringList { QStringLiteral("if restore the factory setting?"),
                         QStringLiteral("if restore the factory setting?"),
                         QStringLiteral("Restore Defaults failed: RS232设备未打开") }));
    EXPECT_EQ(LogLines(), QStringList { QStringLiteral("FCFG\r") });
    EXPECT_FALSE(page.IsBusy()); // no read follows a failed restore

    g_bDriveConnected = 0;
    boxes.clear();
    for (int id : { IDC_RESTORE_DEFAULTS, IDC_SETUP, IDC_READ })
        Click(id);
    EXPECT_EQ(boxes, QStringList(3, QStringLiteral("Please connect Drive")));
    EXPECT_EQ(SendMessage(&page, WM_PAGE_ACTIVATED, 0, 0), -1);
    EXPECT_FALSE(page.IsBusy());
}

TEST_F(BasicParamPage, ARunningWriteEndsWithThePage)
{
    Click(IDC_SETUP);
    ASSERT_TRUE(page.IsBusy());
    QTest::qWait(100);
    view.reset();
    // Stopped between two commands: far fewer than the 77 lines of a whole write.
    const int lines = static_cast<int>(LogLines().size());
    EXPECT_GT(lines, 0);
    EXPECT_LT(lines, 70);
}

namespace {

// The page with file dialogs that answer `chosen` (empty: cancelled) and record what they
// were asked, and questions answered with `answer`.
class BasicParamFiles : public BasicParamPage {
protected:
    void SetUp() override
    {
        BasicParamPage::SetUp();
        SetMessageBoxHandler([this](const MessageBoxRequest& request) {
            boxes << request.text;
            return (request.type & MB_YESNO) ? answer : IDOK;
        });
        SetFileDialogHandler([this](const FileDialogRequest& request) {
            dialogs.push_back(request);
            return chosen;
        });
    }
    void TearDown() override
    {
        SetFileDialogHandler({});
        BasicParamPage::TearDown();
    }
    QString File(const char* name) const { return QDir(folder.path()).filePath(QString::fromUtf8(name)); }
    QString ComboText(int id) const { return Item<QComboBox>(id)->currentText(); }

    std::vector<FileDialogRequest> dialogs;
    QString chosen;
    int answer = IDYES;
    QTemporaryDir folder;
};

} // namespace

TEST_F(BasicParamFiles, SaveNeedsADriveAndSaysSavedOnlyWhenTheFileWasWritten)
{
    g_bDriveConnected = 0;
    Click(IDC_SAVE_FILE);
    EXPECT_EQ(boxes, QStringList { "Please connect Drive" });
    EXPECT_TRUE(dialogs.empty());

    g_bDriveConnected = 1;
    boxes.clear();
    chosen = File("a.qzd");
    Type(IDC_ENCODER, "4000x");
    Click(IDC_SAVE_FILE);
    EXPECT_EQ(boxes, QStringList { kPromptInteger });
    EXPECT_FALSE(QFile::exists(chosen)) << "a rejected field ends the save";

    boxes.clear();
    Type(IDC_ENCODER, "4000");
    Click(IDC_SAVE_FILE);
    EXPECT_TRUE(dialogs.back().save);
    EXPECT_EQ(dialogs.back().filter, QStringLiteral("Pask Data Files (*.qzd)"));
    EXPECT_EQ(dialogs.back().folder, GetWritableFolderPath());
    EXPECT_EQ(boxes, QStringList { "Parameters file saved" });
    CIniFile saved(chosen);
    ASSERT_TRUE(saved.ReadFile());
    EXPECT_EQ(saved.GetValue("option", "编码器分辨率"), "4000");

    for (const QString& path : { File("missing/b.qzd"), folder.path() }) {
        boxes.clear();
        chosen = path;
        Click(IDC_SAVE_FILE);
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("Parameters file not saved: \"%1\"\n").arg(path)));
    }
    EXPECT_TRUE(LogLines().isEmpty()) << "files are no drive traffic";
}

TEST_F(BasicParamFiles, LoadAsksThenPutsTheFileIntoThePage)
{
    chosen = File("page.qzd");
    Type(IDC_ENCODER, "4000");
    Type(1042, "12.5");
    Type(kPhaseEdits[0], "-9");
    Click(kIoOutputRadios[0]);
    Choose(kIoOutTypeCombos[0], 1);
    Click(IDC_THRESHOLD_MANUAL);
    Choose(IDC_HOME_MODE, 1);
    Choose(IDC_BRAKE_MODE, 2);
    Click(IDC_SAVE_FILE);
    ASSERT_EQ(boxes, QStringList { "Parameters file saved" });

    Type(IDC_ENCODER, "8");
    Type(kPhaseEdits[0], "3");
    Click(kIoInputRadios[0]);
    Click(IDC_THRESHOLD_65V);
    Choose(IDC_HOME_MODE, 0);
    Choose(IDC_BRAKE_MODE, 0);
    ASSERT_TRUE(page.UpdateData(true));

    answer = IDNO;
    Click(IDC_LOAD_FILE);
    EXPECT_EQ(boxes.back(), QStringLiteral("If chang current parameters?"));
    EXPECT_EQ(Text(IDC_ENCODER), QStringLiteral("8")) << "No leaves the page";

    answer = IDYES;
    g_bDriveConnected = 0; // loading needs no drive
    Click(IDC_LOAD_FILE);
    EXPECT_FALSE(dialogs.back().save);
    EXPECT_EQ(Text(IDC_ENCODER), QStringLiteral("4000"));
    EXPECT_EQ(Text(1042), QStringLiteral("12")) << "the dead range is filed as a whole number";
    EXPECT_EQ(Text(kPhaseEdits[0]), QStringLiteral("-9"));
    EXPECT_TRUE(Checked(kIoOutputRadios[0]));
    EXPECT_FALSE(Item(kIoPullCombos[0])->isVisible());
    EXPECT_EQ(ComboText(kIoOutTypeCombos[0]), QStringLiteral("PNP"));
    EXPECT_TRUE(Checked(IDC_THRESHOLD_MANUAL));
    EXPECT_TRUE(Item(IDC_THRESHOLD_VOLTAGE)->isEnabled());
    EXPECT_TRUE(Item(IDC_HOME_CURRENT)->isEnabled()) << "a current-triggered home offers its current";
    EXPECT_FALSE(Item(IDC_BRAKE_CLOSE)->isEnabled());
    EXPECT_FALSE(Item(IDC_BRAKE_OPEN)->isEnabled());
    EXPECT_TRUE(LogLines().isEmpty());
}

TEST_F(BasicParamFiles, AFileWithoutTheSettingsLeavesThePageAndAPartialOneSaysWhatItHeld)
{
    chosen = File("hostile.qzd");
    Type(IDC_ENCODER, "8000");
    const QByteArray partial = WideToAnsi(QStringLiteral("[option]\r\nHLA=5\r\n编码器分辨率=4000\r\n"));
    for (const QByteArray& bytes : { QByteArray(), QByteArray("\xFF\x00[option]\r\n\x81=\xFE\n\x00=\r[\x80", 15), partial }) {
        QFile file(chosen);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size());
        file.close();
        Click(IDC_LOAD_FILE);
        EXPECT_EQ(Text(IDC_ENCODER), QLatin1String(bytes == partial ? "4000" : "8000")) << "refused files leave the page";
    }
    const QString refused
        = QStringLiteral("Parameters file not loaded: \"%1\"\nIt holds none of the 105 settings of a parameter file.");
    EXPECT_EQ(boxes, (QStringList { refused.arg(chosen), refused.arg(chosen), QStringLiteral("If chang current parameters?"),
                         QStringLiteral("Parameters file \"%1\" held 2 of the 105 settings; the missing ones were "
                                        "loaded as 0.").arg(chosen) }));
    EXPECT_EQ(Text(kPhaseEdits[0]), QStringLiteral("5"));
}
