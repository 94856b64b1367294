#include "link/CommandTables.h"
#include "link/LinkLayer.h"
#include "link/LinkTransaction.h"
#include "link/OpenError.h"
#include "link/QtCanBackend.h"
#include "link/SerialDeviceList.h"
#include "link/SerialPort.h"
#include "link/ui/ComSetting.h"
#include "platform/Profile.h"
#include "tests/link/FakeBus.h"
#include "tests/support/PtyPair.h"
#include "tests/support/SerialChannel.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QDir>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTimer>
#include <gtest/gtest.h>
#include <map>

namespace {
constexpr int kRadioIds[] = { 1047, 1226, 1271, 1270, 1272, 1273 };

template <typename T>
T* Control(QWidget& dialog, int id)
{
    T* control = dialog.findChild<T*>(QStringLiteral("idc_%1").arg(id));
    EXPECT_NE(control, nullptr) << "control " << id;
    return control;
}

void Store(const char* key, const QVariant& value)
{
    OpenProfile()->setValue(QLatin1String(key), value);
}

QVariant Stored(const char* key)
{
    return OpenProfile()->value(QLatin1String(key));
}

// The one radio that is checked, 0 when none is.
int CheckedRadio(CComSetting& dialog)
{
    int checked = 0;
    for (int id : kRadioIds) {
        if (Control<QRadioButton>(dialog, id)->isChecked()) {
            EXPECT_EQ(checked, 0) << "two radios checked";
            checked = id;
        }
    }
    return checked;
}

void Click(QWidget& dialog, int id)
{
    Control<QAbstractButton>(dialog, id)->click();
}

class ComSettingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OpenProfile()->clear();
        ResetLinkChannels();
        LinkInit();
        pty.MapAsCom(3);
    }
    void TearDown() override
    {
        CComSetting::SetExecHook({});
        SetSerialDeviceLister({});
        LinkShutdown();
        g_bRs232Open = 0;
        g_bCanK8110Open = 0;
        g_bCanUsbOpen = 0;
    }

    // Opens an adapter the way an earlier session of the dialog left it.
    void OpenUsbBefore(int type)
    {
        g_nVciDevType = VciDeviceTypeOf(type);
        CanSettings settings;
        ASSERT_TRUE(BuildCanSettings(0, 500, "00000000", "FFFFFFFF", &settings));
        ASSERT_EQ(LinkOpenChannel(type, &settings), 1);
        g_bCanUsbOpen = 1;
        g_nComType = type;
    }

    FakeBus bus;
    PtyPair pty;
};

TEST_F(ComSettingTest, AnEmptyProfileGivesTheDefaults)
{
    CComSetting dialog;
    EXPECT_EQ(dialog.windowTitle(), "Communication Config");
    EXPECT_EQ(dialog.m_cmbCom->currentText(), "COM1");
    EXPECT_EQ(dialog.m_cmbBaud->currentText(), "9600");
    EXPECT_EQ(dialog.m_cmbDevice->currentText(), "0");
    EXPECT_EQ(dialog.m_cmbBitRate->currentText(), "500");
    EXPECT_EQ(Control<QLineEdit>(dialog, 1228)->text(), "00000000");
    EXPECT_EQ(Control<QLineEdit>(dialog, 1229)->text(), "FFFFFFFF");
    EXPECT_EQ(CheckedRadio(dialog), 1226) << "the card is the default channel";
    EXPECT_EQ(dialog.m_nComType, COMM_CAN_K8110);
    EXPECT_EQ(dialog.m_bOpened, 0);

    QStringList bitRates;
    for (int i = 0; i < dialog.m_cmbBitRate->count(); ++i)
        bitRates << dialog.m_cmbBitRate->itemText(i);
    EXPECT_EQ(bitRates, QStringList({ "1000", "500", "250", "125", "100", "50", "20" }));
    EXPECT_EQ(dialog.m_cmbCom->count(), 10);
    EXPECT_EQ(dialog.m_cmbDevice->count(), 10);
    EXPECT_FALSE(dialog.m_cmbCom->isEditable());
    EXPECT_EQ(Control<QLineEdit>(dialog, 1228)->maxLength(), 8);
}

TEST_F(ComSettingTest, StoredValuesSelectTheirItemsOrTheFallbacks)
{
    const struct {
        int comNum, baud, index, kbps;
        const char *com, *baudText, *device, *rate;
    } cases[] = {
        { 3, 4800, 7, 800, "COM3", "38400", "7", "500" },    // not listed: 38400 and 500
        { 10, 115200, 12, 125, "COM10", "115200", "0", "125" },
        { 11, 57600, -1, 1, "COM1", "57600", "0", "500" },   // the rate is matched whole, not "1000"
        { 0, 19200, 9, 20, "COM1", "19200", "9", "20" },
    };
    for (const auto& c : cases) {
        Store("QzBrantovelix/ComNum", c.comNum);
        Store("QzBrantovelix/ComBaud", c.baud);
        Store("CommK8110/Index", c.index);
        Store("CommK8110/Baud", c.kbps);
        CComSetting dialog;
        EXPECT_EQ(dialog.m_cmbCom->currentText(), c.com) << c.comNum;
        EXPECT_EQ(dialog.m_cmbBaud->currentText(), c.baudText) << c.baud;
        EXPECT_EQ(dialog.m_cmbDevice->currentText(), c.device) << c.index;
        EXPECT_EQ(dialog.m_cmbBitRate->currentText(), c.rate) << c.kbps;
    }
    Store("CommK8110/ACR", "00200000");
    Store("CommK8110/AMR", "0000FFFFAB");
    CComSetting dialog;
    EXPECT_EQ(Control<QLineEdit>(dialog, 1228)->text(), "00200000");
    EXPECT_EQ(Control<QLineEdit>(dialog, 1229)->text(), "0000FFFF") << "cut to eight characters";
}

TEST_F(ComSettingTest, TheStoredTypeChoosesTheRadio)
{
    const struct {
        int stored, radio, comType;
    } cases[] = {
        { 0, 1047, 0 }, { 16, 1226, 16 }, { 17, 1270, 17 }, { 18, 1271, 18 },
        { 19, 1272, 19 }, { 20, 1273, 20 }, { 5, 1270, 17 }, { -1, 1270, 17 },
    };
    for (const auto& c : cases) {
        Store("QzBrantovelix/ComType", c.stored);
        g_nVciDevType = 99;
        CComSetting dialog;
        EXPECT_EQ(CheckedRadio(dialog), c.radio) << c.stored;
        EXPECT_EQ(dialog.m_nComType, c.comType) << c.stored;
        EXPECT_EQ(g_nVciDevType, 99) << "the adapter type waits for Open";
    }
}

TEST_F(ComSettingTest, EachRadioEnablesItsParameters)
{
    const struct {
        int radio, comType;
    } cases[] = { { 1271, 18 }, { 1047, 0 }, { 1272, 19 }, { 1226, 16 }, { 1273, 20 }, { 1270, 17 } };
    CComSetting dialog;
    for (const auto& c : cases) {
        Click(dialog, c.radio);
        EXPECT_EQ(CheckedRadio(dialog), c.radio);
        EXPECT_EQ(dialog.m_nComType, c.comType);
        const bool serial = c.comType == COMM_RS232;
        for (int id : { 1099, 1096 })
            EXPECT_EQ(Control<QWidget>(dialog, id)->isEnabled(), serial) << c.radio << " " << id;
        for (int id : { 1230, 1001, 1228, 1229 })
            EXPECT_EQ(Control<QWidget>(dialog, id)->isEnabled(), !serial) << c.radio << " " << id;
    }
}

TEST_F(ComSettingTest, ThePortListShowsWhichDeviceEachNumberIs)
{
    SetSerialDeviceLister([] { return QList<SerialDeviceEntry> {}; });
    CComSetting dialog;
    const QString slave = QString::fromStdString(pty.SlavePath());
    EXPECT_EQ(dialog.m_cmbCom->itemText(2), "COM3");
    EXPECT_EQ(dialog.m_cmbCom->itemData(2, Qt::ToolTipRole).toString(), slave);
    EXPECT_EQ(dialog.m_cmbCom->itemData(0, Qt::ToolTipRole).toString(), "/dev/ttyS0");
    EXPECT_EQ(dialog.m_cmbSerialDevice->currentText(), "/dev/ttyS0");
    dialog.m_cmbCom->setCurrentIndex(2);
    EXPECT_EQ(dialog.m_cmbSerialDevice->currentText(), slave) << "a binding typed by hand stands";
}

TEST_F(ComSettingTest, AListedDeviceIsBoundToThePortOnlyWhenItOpens)
{
    PtyPair adapter; // stands in for a USB serial adapter
    const QString path = QString::fromStdString(adapter.SlavePath());
    SetSerialDeviceLister([&] {
        return QList<SerialDeviceEntry> { { path, "USB-Serial Controller", "Prolific" }, { "/nonexistent/ttyUSB9", "", "" } };
    });
    Store("QzBrantovelix/ComType", 0);
    auto items = [](QComboBox* combo) {
        QStringList texts;
        for (int i = 0; i < combo->count(); ++i)
            texts << combo->itemText(i);
        return texts;
    };

    CComSetting failing;
    failing.m_cmbCom->setCurrentIndex(1);
    EXPECT_EQ(items(failing.m_cmbSerialDevice),
              QStringList({ "/dev/ttyS1", path + "  USB-Serial Controller, Prolific", "/nonexistent/ttyUSB9" }));
    failing.m_cmbSerialDevice->setCurrentIndex(2);
    Click(failing, 1097);
    EXPECT_EQ(failing.m_bOpened, 0);
    EXPECT_TRUE(failing.OpenFailure().startsWith("COM2 (/nonexistent/ttyUSB9): no such device"));
    EXPECT_FALSE(OpenProfile()->contains("Ports/COM2")) << "a device that did not open is not bound";

    CComSetting dialog;
    dialog.m_cmbCom->setCurrentIndex(1);
    dialog.m_cmbSerialDevice->setCurrentIndex(1);
    Click(dialog, 1097);
    EXPECT_EQ(dialog.m_bOpened, 1);
    EXPECT_EQ(Stored("Ports/COM2").toString(), path);
    EXPECT_EQ(Stored("QzBrantovelix/ComNum").toInt(), 2);
    SerialWrite("GV\r", 3, true);
    EXPECT_EQ(adapter.Read(3, 5000), "GV\r");

    CComSetting later;
    EXPECT_EQ(later.m_cmbCom->currentText(), "COM2");
    EXPECT_EQ(later.m_cmbSerialDevice->currentData().toString(), path);
    EXPECT_EQ(later.m_cmbSerialDevice->count(), 2) << "the bound device is listed once";
}

TEST(SerialDeviceList, StablePathsAndLabels)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile device(dir.path() + "/ttyUSB0");
    ASSERT_TRUE(device.open(QIODevice::WriteOnly));
    QDir(dir.path()).mkdir("by-id");
    const QString link = dir.path() + "/by-id/usb-FTDI_FT232R_A1-if00-port0";
    ASSERT_TRUE(QFile::link(device.fileName(), link));
    EXPECT_EQ(StableSerialPath(device.fileName(), dir.path() + "/by-id"), link);
    EXPECT_EQ(StableSerialPath(dir.path() + "/ttyS0", dir.path() + "/by-id"), dir.path() + "/ttyS0");

    EXPECT_EQ(SerialDeviceLabel({ "/dev/ttyACM0", "", "" }), "/dev/ttyACM0");
    EXPECT_EQ(SerialDeviceLabel({ "/dev/ttyUSB0", "FT232R USB UART", "FTDI" }), "/dev/ttyUSB0  FT232R USB UART, FTDI");
    EXPECT_EQ(SerialDeviceLabel({ "/dev/ttyUSB1", "FTDI", "FTDI" }), "/dev/ttyUSB1  FTDI");
}

TEST_F(ComSettingTest, OpeningTheSerialPortStoresItAndClosesTheAdapter)
{
    OpenUsbBefore(COMM_CAN_USB2);
    const auto adapter = bus.At(0);
    CComSetting dialog;
    Click(dialog, 1047);
    dialog.m_cmbCom->setCurrentIndex(2);
    dialog.m_cmbBaud->setCurrentIndex(1);
    Click(dialog, 1097);

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.m_bOpened, 1);
    EXPECT_TRUE(dialog.IsOpened());
    EXPECT_EQ(g_bRs232Open, 1);
    EXPECT_EQ(g_nComType, COMM_RS232);
    EXPECT_EQ(SerialLastSettings().port, 3) << "COM3 is the port record's 3";
    EXPECT_EQ(SerialLastSettings().baud, 19200u);
    EXPECT_NE(g_hSerialPort, -1);
    EXPECT_EQ(Stored("QzBrantovelix/ComNum").toInt(), 3);
    EXPECT_EQ(Stored("QzBrantovelix/ComBaud").toInt(), 19200);
    EXPECT_EQ(Stored("QzBrantovelix/ComType").toInt(), 0);
    EXPECT_EQ(adapter->Calls().back(), "Close");
    EXPECT_EQ(g_bCanUsbOpen, 0);
    EXPECT_EQ(g_bRxPause, 0);

    // The port carries commands.
    SerialWrite("GV\r", 3, true);
    EXPECT_EQ(pty.Read(3, 5000), "GV\r");
}

TEST_F(ComSettingTest, AFailedSerialOpenStoresNothingAndKeepsTheChannelType)
{
    Store("Ports/COM5", "/nonexistent/ttyVQ");
    Store("QzBrantovelix/ComNum", 2);
    g_nComType = COMM_CAN_K8110;
    CComSetting dialog;
    Click(dialog, 1047);
    dialog.m_cmbCom->setCurrentIndex(4);
    Click(dialog, 1097);
    EXPECT_EQ(dialog.result(), QDialog::Accepted) << "the caller decides by m_bOpened";
    EXPECT_EQ(dialog.m_bOpened, 0);
    EXPECT_EQ(g_bRs232Open, 0);
    EXPECT_EQ(g_nComType, COMM_CAN_K8110);
    EXPECT_EQ(Stored("QzBrantovelix/ComNum").toInt(), 2);
    EXPECT_FALSE(OpenProfile()->contains("QzBrantovelix/ComType"));
    EXPECT_EQ(g_bRxPause, 0);
}

TEST_F(ComSettingTest, OpeningTheCardStoresItsSettingsAndClosesTheSerialPort)
{
    Store("QzBrantovelix/ComType", 0);
    Store("QzBrantovelix/ComNum", 3); // the test's own line, never the machine's ttyS0
    CComSetting serial;
    Click(serial, 1097);
    ASSERT_EQ(g_bRs232Open, 1);

    CComSetting dialog;
    Click(dialog, 1226);
    dialog.m_cmbDevice->setCurrentIndex(2);
    dialog.m_cmbBitRate->setCurrentIndex(2);
    Control<QLineEdit>(dialog, 1228)->setText("00200000");
    Control<QLineEdit>(dialog, 1229)->setText("FF"); // the rest of the mask is zeros
    Click(dialog, 1097);

    EXPECT_EQ(dialog.m_bOpened, 1);
    EXPECT_EQ(g_bCanK8110Open, 1);
    EXPECT_EQ(g_nComType, COMM_CAN_K8110);
    EXPECT_EQ(g_bRs232Open, 0);
    EXPECT_EQ(g_hSerialPort, -1);
    const auto card = bus.At(2);
    ASSERT_TRUE(card);
    EXPECT_EQ(card->BitRate(), 250000u);
    EXPECT_EQ(Stored("CommK8110/Index").toInt(), 2);
    EXPECT_EQ(Stored("CommK8110/Baud").toInt(), 250);
    EXPECT_EQ(Stored("CommK8110/ACR").toString(), "00200000");
    EXPECT_EQ(Stored("CommK8110/AMR").toString(), "FF");
    EXPECT_EQ(Stored("QzBrantovelix/ComType").toInt(), 16);

    // Code 00 20 00 00, mask FF 00 00 00: identifier bits 2-0 must be 1 and the first two
    // data bytes 0; the high identifier bits are free.
    card->Inject(Message(0x009, { 0, 0, 7 }));
    card->Inject(Message(0x002, { 0, 0 }));
    card->Inject(Message(0x001, { 6, 6 }));
    EXPECT_EQ(card->Pending(), 1);
}

TEST_F(ComSettingTest, TheSameCardIsResetAnotherCardIsOpened)
{
    CComSetting first;
    Click(first, 1097);
    ASSERT_EQ(g_bCanK8110Open, 1);
    ASSERT_EQ(bus.Created(), 1);

    CComSetting again;
    again.m_cmbBitRate->setCurrentIndex(3);
    Click(again, 1097);
    EXPECT_EQ(again.m_bOpened, 1);
    EXPECT_EQ(bus.Created(), 1) << "the open card was re-initialised";
    EXPECT_EQ(bus.At(0)->BitRate(), 125000u);

    CComSetting other;
    other.m_cmbDevice->setCurrentIndex(1);
    Click(other, 1097);
    EXPECT_EQ(other.m_bOpened, 1);
    EXPECT_EQ(g_nK8110Index, 1);
    ASSERT_TRUE(bus.At(1));
    EXPECT_EQ(bus.At(0)->Calls().back(), "Close") << "the card in use before is let go";
}

TEST_F(ComSettingTest, OnlyTheChosenFamilyCountsAsOpened)
{
    OpenUsbBefore(COMM_CAN_USB2);
    bus.Prepare([](FakeCanBackend& fake) { fake.RefuseOpen(true); });
    CComSetting dialog;
    Click(dialog, 1226);
    Click(dialog, 1097);
    EXPECT_EQ(g_bCanK8110Open, 0);
    EXPECT_EQ(g_bCanUsbOpen, 1) << "the adapter is not the card's family and stays";
    EXPECT_EQ(dialog.m_bOpened, 0) << "an open adapter does not make the card open";
    EXPECT_EQ(g_nComType, COMM_CAN_USB2);
    EXPECT_EQ(Stored("QzBrantovelix/ComType").toInt(), 16) << "stored whatever the outcome";
    EXPECT_EQ(g_bRxPause, 0);
}

TEST_F(ComSettingTest, OpeningAnAdapterSetsItsReferenceIndex)
{
    CComSetting dialog;
    Click(dialog, 1272);
    dialog.m_cmbBitRate->setCurrentIndex(3);
    dialog.m_cmbDevice->setCurrentIndex(1);
    Click(dialog, 1097);

    EXPECT_EQ(dialog.m_bOpened, 1);
    EXPECT_EQ(g_bCanUsbOpen, 1);
    EXPECT_EQ(g_nComType, COMM_CAN_USB_E_U);
    EXPECT_EQ(g_nVciDevType, 20);
    EXPECT_EQ(g_nUsbEuRateIndex, 3);
    const auto adapter = bus.At(1);
    ASSERT_TRUE(adapter) << "the device number is the adapter's CAN index";
    EXPECT_EQ(adapter->Reference(), UsbEuReferenceTable[3]);
    EXPECT_EQ(adapter->BitRate(), 125000u);
    EXPECT_EQ(Stored("QzBrantovelix/ComType").toInt(), 19);
    EXPECT_EQ(Stored("CommK8110/Index").toInt(), 1);
    EXPECT_EQ(Stored("CommK8110/Baud").toInt(), 125);
}

TEST_F(ComSettingTest, AFailedAdapterOpenClearsItsFlagAndStillStoresTheSettings)
{
    OpenUsbBefore(COMM_CAN_USB2);
    const auto before = bus.At(0);
    bus.Prepare([](FakeCanBackend& fake) { fake.RefuseStart(true); });
    Store("QzBrantovelix/ComType", 17);
    CComSetting dialog;
    Click(dialog, 1271); // another adapter type than the one open
    Click(dialog, 1097);
    EXPECT_EQ(dialog.m_bOpened, 0);
    EXPECT_EQ(g_bCanUsbOpen, 0);
    EXPECT_EQ(g_nComType, COMM_CAN_USB2) << "unchanged by a failed open";
    EXPECT_EQ(before->Calls().back(), "Close") << "the adapter of the type in use before is closed";
    EXPECT_EQ(Stored("QzBrantovelix/ComType").toInt(), 18);
    EXPECT_EQ(Stored("CommK8110/Baud").toInt(), 500);
    EXPECT_EQ(g_bRxPause, 0);
}

TEST_F(ComSettingTest, SwitchingToCanClearsTheSerialFlagEvenWhenCanFails)
{
    Store("QzBrantovelix/ComType", 0);
    Store("QzBrantovelix/ComNum", 3); // the test's own line, never the machine's ttyS0
    CComSetting serial;
    Click(serial, 1097);
    ASSERT_EQ(g_bRs232Open, 1);

    bus.Prepare([](FakeCanBackend& fake) { fake.RefuseOpen(true); });
    CComSetting dialog;
    Click(dialog, 1226);
    Click(dialog, 1097);
    EXPECT_EQ(dialog.m_bOpened, 0);
    EXPECT_EQ(g_hSerialPort, -1);
    EXPECT_EQ(g_bRs232Open, 0) << "the port is closed, so its flag says so";
}

TEST_F(ComSettingTest, AnotherAdapterRadioThenCancelLeavesTheOpenAdapterWorking)
{
    InitCommandTables();
    g_nCurNode = 1;
    OpenUsbBefore(COMM_CAN_USB2);
    const auto adapter = bus.At(0);
    // The drive at node 1 answers GV (id 145) with 1500.
    adapter->SetResponder([](const CanMessage&) {
        return std::vector<CanMessage> { Message(0x101, { 1, 6, 0x91, 0x80, 0xDC, 0x05 }) };
    });
    CComSetting dialog;
    Click(dialog, 1271);
    Click(dialog, 1273);
    Click(dialog, 1098);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(g_nVciDevType, 4) << "the open adapter's type stands";
    EXPECT_EQ(g_bCanUsbOpen, 1);
    EXPECT_EQ(bus.Created(), 1);
    EXPECT_TRUE(OpenProfile()->childGroups().filter("QzBrantovelix").isEmpty());

    CanFrame reply {};
    int length = sizeof reply;
    EXPECT_EQ(LinkTransactLocked(QStringLiteral("GV\r"), &reply, &length), COMM_OK);
    EXPECT_EQ(reply.data[4] | reply.data[5] << 8, 1500);

    // Opened, the clicked type takes over and the old adapter is let go.
    CComSetting again;
    Click(again, 1273);
    Click(again, 1097);
    EXPECT_EQ(g_nVciDevType, 21);
    EXPECT_EQ(adapter->Calls().back(), "Close");
}

TEST_F(ComSettingTest, TheRealDialogRunsModallyUntilAButtonEndsIt)
{
    Store("QzBrantovelix/ComType", 0);
    CComSetting dialog;
    dialog.m_cmbCom->setCurrentIndex(2);
    QTimer::singleShot(0, &dialog, [&] { Click(dialog, 1097); });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(dialog.m_bOpened, 1);

    CComSetting cancelled;
    QTimer::singleShot(0, &cancelled, [&] { Click(cancelled, 1098); });
    EXPECT_EQ(cancelled.exec(), QDialog::Rejected);
}

// The caller's loop: show the dialog again while it ends with OK and nothing opened.
TEST_F(ComSettingTest, AHookScriptsTheDialogForTheCallersRetryLoop)
{
    Store("Ports/COM2", "/nonexistent/ttyVQ");
    Store("QzBrantovelix/ComType", 0);
    std::vector<int> shown;
    CComSetting::SetExecHook([&](CComSetting& dialog) {
        shown.push_back(dialog.m_cmbCom->currentIndex() + 1);
        // The user tries the missing COM2 first, then COM3.
        dialog.m_cmbCom->setCurrentIndex(shown.size() == 1 ? 1 : 2);
        dialog.OnOpen();
        return dialog.result();
    });
    int result;
    int attempts = 0;
    bool opened;
    do {
        CComSetting dialog;
        result = dialog.exec();
        opened = dialog.IsOpened();
        ++attempts;
    } while (result == QDialog::Accepted && !opened && attempts < 5);
    EXPECT_EQ(attempts, 2);
    EXPECT_TRUE(opened);
    EXPECT_EQ(shown, std::vector<int>({ 1, 1 })) << "a failed open stored no port";
    EXPECT_EQ(g_nComType, COMM_RS232);

    CComSetting::SetExecHook([](CComSetting&) { return int(QDialog::Rejected); });
    CComSetting dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}
}

TEST_F(ComSettingTest, AFailedOpenSaysWhichDeviceAndWhy)
{
    QTemporaryFile plainFile;
    ASSERT_TRUE(plainFile.open());
    Store("Ports/COM5", "/nonexistent/ttyVQ");
    Store("Ports/COM6", plainFile.fileName());
    qputenv("VELQUARIN_CAN_PLUGIN", "socketcan");
    qputenv("VELQUARIN_CAN_INTERFACE", "vqnone%1");
    SetCanBackendFactory({}); // the real choice: SocketCAN on this machine
    const struct {
        int radio, com;
        QString expected;
    } cases[] = {
        { 1047, 5, "COM5 (/nonexistent/ttyVQ): no such device" },
        { 1047, 6, "COM6 (" + plainFile.fileName() + "): not a serial port" },
        { 1226, 0, "CAN card 0: CAN interface vqnone0 does not exist" },
        { 1270, 0, "USB-CAN adapter 0: CAN interface vqnone0 does not exist" },
    };
    for (const auto& c : cases) {
        CComSetting dialog;
        Click(dialog, c.radio);
        dialog.m_cmbCom->setCurrentIndex(c.com - 1);
        Click(dialog, 1097);
        EXPECT_EQ(dialog.m_bOpened, 0);
        EXPECT_TRUE(dialog.OpenFailure().startsWith(c.expected)) << dialog.OpenFailure().toStdString();

        // The dialog that comes back shows it under its controls.
        CComSetting again;
        auto* status = again.findChild<QLabel*>(QStringLiteral("openStatus"));
        ASSERT_NE(status, nullptr);
        EXPECT_FALSE(status->isVisibleTo(&again));
        again.ShowOpenFailure(dialog.OpenFailure());
        EXPECT_TRUE(status->isVisibleTo(&again));
        EXPECT_EQ(status->text(), dialog.OpenFailure());
    }
    qunsetenv("VELQUARIN_CAN_PLUGIN");
    qunsetenv("VELQUARIN_CAN_INTERFACE");
}

TEST(OpenErrorTexts, NameTheRemedyWhereOneIsKnown)
{
    EXPECT_EQ(SerialOpenErrorText(3, "/dev/ttyUSB0", EACCES),
              "COM3 (/dev/ttyUSB0): permission denied; add the user to the dialout group "
              "(sudo adduser $USER dialout) and log in again");
    EXPECT_TRUE(SerialOpenErrorText(1, "/dev/ttyS0", EBUSY).endsWith("in use by another program"));

    QTemporaryDir net;
    ASSERT_TRUE(net.isValid());
    QDir(net.path()).mkpath("can0");
    QDir(net.path()).mkpath("can1");
    auto writeFlags = [&](const char* name, const char* flags) {
        QFile file(net.path() + "/" + name + "/flags");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(flags);
    };
    writeFlags("can0", "0x80\n");  // down
    writeFlags("can1", "0xc1\n");  // up
    EXPECT_EQ(SocketCanInterfaceProblem("can0", 250000, net.path()),
              "CAN interface can0 is down; bring it up with: sudo ip link set can0 up type can bitrate 250000");
    EXPECT_EQ(SocketCanInterfaceProblem("can1", 250000, net.path()), "");
    EXPECT_TRUE(SocketCanInterfaceProblem("can2", 250000, net.path()).startsWith("CAN interface can2 does not exist"));
}
