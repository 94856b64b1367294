#include "link/ui/ComSetting.h"

#include "controls/OkCancelRow.h"
#include "link/ChannelSettings.h"
#include "link/LinkLayer.h"
#include "link/OpenError.h"
#include "link/SerialDeviceList.h"
#include "link/SerialPort.h"
#include "link/UsbCanLibrary.h"
#include "platform/ControlName.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <iterator>
#include <mutex>

namespace {
constexpr int kIdRs232 = 1047;
constexpr int kIdCanK8110 = 1226;
constexpr int kIdCanUsb2 = 1270;
constexpr int kIdCanUsb1 = 1271;
constexpr int kIdCanUsbEU = 1272;
constexpr int kIdCanUsb2EU = 1273;

// The radio of each channel type, in the dialog's order.
const struct {
    int id;
    int commType;
    const char* text;
} kRadios[] = {
    { kIdRs232, COMM_RS232, "RS232" },
    { kIdCanK8110, COMM_CAN_K8110, "CAN_K8110" },
    { kIdCanUsb1, COMM_CAN_USB1, "CAN_USB1" },
    { kIdCanUsb2, COMM_CAN_USB2, "CAN_USB2" },
    { kIdCanUsbEU, COMM_CAN_USB_E_U, "CAN_USB_E_U" },
    { kIdCanUsb2EU, COMM_CAN_USB_2E_U, "CAN_USB_2E_U" },
};

CComSetting::ExecHook& Hook()
{
    static CComSetting::ExecHook hook;
    return hook;
}


QComboBox* DropList(int id, const QStringList& items)
{
    auto* combo = Named(new QComboBox, id);
    combo->setEditable(false);
    combo->addItems(items);
    return combo;
}

// A stored value picks its item by the start of the item's text, like typing into the
// list would; an exact search is asked for where a prefix could pick a wrong rate.
void SelectByText(QComboBox* combo, const QString& text, bool exact, int fallback)
{
    const int found = combo->findText(text, exact ? Qt::MatchFixedString : Qt::MatchStartsWith);
    combo->setCurrentIndex(found >= 0 ? found : fallback);
}

// The receive thread keeps off the channels while they are closed and opened, whatever
// way the handler ends.
class ReceivePause {
public:
    ReceivePause() { LinkPauseReceive(true); }
    ~ReceivePause() { LinkPauseReceive(false); }
    ReceivePause(const ReceivePause&) = delete;
    ReceivePause& operator=(const ReceivePause&) = delete;
};
}

CComSetting::CComSetting(QWidget* parent)
    : QDialog(parent)
    , m_strAcr(QStringLiteral("00000000"))
    , m_strAmr(QStringLiteral("FFFFFFFF"))
{
    setWindowTitle(QStringLiteral("Communication Config"));
    setObjectName(QStringLiteral("idd_146"));

    m_radios = new QButtonGroup(this);
    auto* radioGrid = new QGridLayout;
    for (size_t i = 0; i < std::size(kRadios); ++i) {
        auto* radio = Named(new QRadioButton(QLatin1String(kRadios[i].text)), kRadios[i].id);
        m_radios->addButton(radio, kRadios[i].id);
        radioGrid->addWidget(radio, static_cast<int>(i / 3), static_cast<int>(i % 3));
    }
    connect(m_radios->button(kIdRs232), &QAbstractButton::clicked, this, &CComSetting::OnRs232);
    connect(m_radios->button(kIdCanK8110), &QAbstractButton::clicked, this, &CComSetting::OnCanK8110);
    connect(m_radios->button(kIdCanUsb1), &QAbstractButton::clicked, this, &CComSetting::OnCanUsb1);
    connect(m_radios->button(kIdCanUsb2), &QAbstractButton::clicked, this, &CComSetting::OnCanUsb2);
    connect(m_radios->button(kIdCanUsbEU), &QAbstractButton::clicked, this, &CComSetting::OnCanUsbEU);
    connect(m_radios->button(kIdCanUsb2EU), &QAbstractButton::clicked, this, &CComSetting::OnCanUsb2EU);

    QStringList ports;
    for (int n = 1; n <= 10; ++n)
        ports << QStringLiteral("COM%1").arg(n);
    m_cmbCom = DropList(1099, ports);
    m_cmbBaud = DropList(1096, { "9600", "19200", "38400", "57600", "115200" });
    m_cmbSerialDevice = new QComboBox;
    m_cmbSerialDevice->setObjectName(QStringLiteral("serialDevice"));
    // A device that enumeration does not find can be typed in.
    m_cmbSerialDevice->setEditable(true);
    m_cmbSerialDevice->setInsertPolicy(QComboBox::NoInsert);
    m_cmbSerialDevice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_cmbSerialDevice->setMinimumContentsLength(30);
    // Which device each port number stands for on this machine.
    for (int i = 0; i < m_cmbCom->count(); ++i)
        m_cmbCom->setItemData(i, SerialDeviceName(i + 1), Qt::ToolTipRole);
    connect(m_cmbCom, &QComboBox::currentIndexChanged, this, [this] { ShowComDevices(); });

    auto* serialGroup = new QGroupBox;
    auto* serialGrid = new QGridLayout(serialGroup);
    serialGrid->addWidget(new QLabel(QStringLiteral("Serial port")), 0, 0);
    serialGrid->addWidget(m_cmbCom, 0, 1);
    serialGrid->addWidget(m_cmbSerialDevice, 0, 2);
    serialGrid->addWidget(new QLabel(QStringLiteral("Baud")), 1, 0);
    serialGrid->addWidget(m_cmbBaud, 1, 1);
    serialGrid->setColumnStretch(2, 1);

    QStringList devices;
    for (int n = 0; n <= 9; ++n)
        devices << QString::number(n);
    m_cmbDevice = DropList(1230, devices);
    m_cmbBitRate = DropList(1001, { "1000", "500", "250", "125", "100", "50", "20" });
    // Acceptance code and mask are four bytes as eight hex digits.
    const auto* hex = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9A-Fa-f]{0,8}")), this);
    m_editAcr = Named(new QLineEdit, 1228);
    m_editAmr = Named(new QLineEdit, 1229);
    for (QLineEdit* edit : { m_editAcr, m_editAmr }) {
        edit->setMaxLength(8);
        edit->setValidator(hex);
    }

    auto* canGroup = new QGroupBox;
    auto* canGrid = new QGridLayout(canGroup);
    canGrid->addWidget(new QLabel(QStringLiteral("Devide No.")), 0, 0);
    canGrid->addWidget(m_cmbDevice, 0, 1);
    canGrid->addWidget(new QLabel(QStringLiteral("Baud rate")), 1, 0);
    canGrid->addWidget(m_cmbBitRate, 1, 1);
    canGrid->addWidget(new QLabel(QStringLiteral("Kbps")), 1, 2);
    canGrid->addWidget(new QLabel(QStringLiteral("Verify code")), 2, 0);
    canGrid->addWidget(m_editAcr, 2, 1);
    canGrid->addWidget(new QLabel(QStringLiteral("Mask code")), 3, 0);
    canGrid->addWidget(m_editAmr, 3, 1);
    canGrid->setColumnStretch(2, 1);

    m_btnOpen = Named(new QPushButton(QStringLiteral("Open")), 1097);
    m_btnCancel = Named(new QPushButton(QStringLiteral("Cancel")), 1098);
    connect(m_btnOpen, &QPushButton::clicked, this, &CComSetting::OnOpen);
    connect(m_btnCancel, &QPushButton::clicked, this, &CComSetting::OnCancel);
    QHBoxLayout* buttons = OkCancelRow(m_btnOpen, m_btnCancel);

    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("openStatus"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPalette warning = m_status->palette();
    warning.setColor(QPalette::WindowText, QColor(0xB0, 0, 0));
    m_status->setPalette(warning);
    m_status->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(radioGrid);
    layout->addWidget(serialGroup);
    layout->addWidget(canGroup);
    layout->addWidget(m_status);
    layout->addLayout(buttons);

    OnInitDialog();
}

int CComSetting::exec()
{
    if (const ExecHook hook = Hook()) {
        const int result = hook(*this);
        setResult(result);
        return result;
    }
    return QDialog::exec();
}

void CComSetting::SetExecHook(ExecHook hook)
{
    Hook() = std::move(hook);
}

void CComSetting::ShowOpenFailure(const QString& text)
{
    m_status->setText(text);
    m_status->setVisible(!text.isEmpty());
}

void CComSetting::OnInitDialog()
{
    ShowChoice({ ChannelSettings::Load(), QString() });
}

CComSetting::Choice CComSetting::UserChoice()
{
    DataExchange(true);
    return { Chosen(), ChosenDevice() };
}

void CComSetting::ShowChoice(const Choice& choice)
{
    const ChannelSettings& shown = choice.channel;
    m_nComType = shown.comType;
    m_nComNum = shown.comNum;
    m_nBaud = shown.comBaud;
    m_nDevice = shown.canIndex;
    m_nKbps = shown.canKbps;
    m_strAcr = shown.acr;
    m_strAmr = shown.amr;

    SelectByText(m_cmbCom, QStringLiteral("COM%1").arg(m_nComNum), false, 0);
    SelectByText(m_cmbBaud, QString::number(m_nBaud), false, 2);
    SelectByText(m_cmbDevice, QString::number(m_nDevice), false, 0);
    SelectByText(m_cmbBitRate, QString::number(m_nKbps), true, 1);
    ShowComDevices(choice.serialDevice);

    switch (m_nComType) {
    case COMM_RS232: OnRs232(); break;
    case COMM_CAN_K8110: OnCanK8110(); break;
    case COMM_CAN_USB1: OnCanUsb1(); break;
    case COMM_CAN_USB_E_U: OnCanUsbEU(); break;
    case COMM_CAN_USB_2E_U: OnCanUsb2EU(); break;
    default: OnCanUsb2(); break; // CAN_USB2 and anything unknown
    }
    DataExchange(false);
}

void CComSetting::DataExchange(bool save)
{
    if (save) {
        m_nComNum = m_cmbCom->currentIndex() + 1;
        m_nBaud = m_cmbBaud->currentText().toInt();
        m_nDevice = m_cmbDevice->currentText().toInt();
        m_nKbps = m_cmbBitRate->currentText().toInt();
        m_strAcr = m_editAcr->text();
        m_strAmr = m_editAmr->text();
    } else {
        m_editAcr->setText(m_strAcr.left(8));
        m_editAmr->setText(m_strAmr.left(8));
    }
}

void CComSetting::ShowComDevices(const QString& device)
{
    // The port's binding (or the device asked for) first, as it stands in the profile (a
    // pseudo-terminal written there by hand included), then every device present.
    const QString bound = device.isEmpty() ? SerialDeviceName(m_cmbCom->currentIndex() + 1) : device;
    m_cmbSerialDevice->clear();
    for (const SerialDeviceEntry& entry : ListSerialDevices()) {
        const QString label = SerialDeviceLabel(entry);
        m_cmbSerialDevice->addItem(label, entry.path);
        m_cmbSerialDevice->setItemData(m_cmbSerialDevice->count() - 1, label, Qt::ToolTipRole);
    }
    int current = m_cmbSerialDevice->findData(bound);
    if (current < 0) {
        m_cmbSerialDevice->insertItem(0, bound, bound);
        current = 0;
    }
    m_cmbSerialDevice->setCurrentIndex(current);
}

QString CComSetting::ChosenDevice() const
{
    // An item's text is its label; a text that is no item's is a path typed by the user.
    const QString text = m_cmbSerialDevice->currentText().trimmed();
    const int item = m_cmbSerialDevice->findText(text, Qt::MatchExactly);
    return item >= 0 ? m_cmbSerialDevice->itemData(item).toString() : text;
}

ChannelSettings CComSetting::Chosen() const
{
    ChannelSettings chosen;
    chosen.comType = m_nComType;
    chosen.comNum = m_nComNum;
    chosen.comBaud = m_nBaud;
    chosen.canIndex = m_nDevice;
    chosen.canKbps = m_nKbps;
    chosen.acr = m_strAcr;
    chosen.amr = m_strAmr;
    return chosen;
}

void CComSetting::SelectChannel(int commType)
{
    m_nComType = commType;
    for (const auto& radio : kRadios) {
        if (radio.commType == commType)
            m_radios->button(radio.id)->setChecked(true);
    }
    const bool serial = commType == COMM_RS232;
    m_cmbCom->setEnabled(serial);
    m_cmbSerialDevice->setEnabled(serial);
    m_cmbBaud->setEnabled(serial);
    for (QWidget* control : std::initializer_list<QWidget*> { m_cmbDevice, m_cmbBitRate, m_editAcr, m_editAmr })
        control->setEnabled(!serial);
    // The adapter type of a USB-CAN radio takes effect only when Open opens it: until then
    // every transaction still addresses the adapter that is open.
}

void CComSetting::OnRs232() { SelectChannel(COMM_RS232); }
void CComSetting::OnCanK8110() { SelectChannel(COMM_CAN_K8110); }
void CComSetting::OnCanUsb1() { SelectChannel(COMM_CAN_USB1); }
void CComSetting::OnCanUsb2() { SelectChannel(COMM_CAN_USB2); }
void CComSetting::OnCanUsbEU() { SelectChannel(COMM_CAN_USB_E_U); }
void CComSetting::OnCanUsb2EU() { SelectChannel(COMM_CAN_USB_2E_U); }

void CComSetting::OnOpen()
{
    m_strOpenFailure.clear();
    {
        // No transaction may be half-way through a channel while it is closed or opened.
        std::lock_guard link(g_csLink);
        ReceivePause pause;
        DataExchange(true);
        if (m_nComType == COMM_RS232)
            OpenSerial();
        else
            OpenCan();
    }
    done(QDialog::Accepted);
}

void CComSetting::OnCancel()
{
    done(QDialog::Rejected);
}

void CComSetting::OpenSerial()
{
    const ChannelSettings chosen = Chosen();
    const SerialSettings settings = chosen.ToSerial();
    CloseSerialFamily();
    const QVariant binding = BindComDevice(m_nComNum, ChosenDevice());
    g_bRs232Open = LinkOpenChannel(COMM_RS232, &settings);
    if (!g_bRs232Open) {
        m_bOpened = 0;
        m_strOpenFailure = LinkLastOpenError(COMM_RS232);
        // A device that did not open is not bound: the port keeps what it stood for.
        RestoreComDevice(m_nComNum, binding);
        return;
    }
    chosen.Save(ChannelSettings::SerialPart | ChannelSettings::TypePart);
    g_nComType = COMM_RS232;
    m_bOpened = 1;
    CloseUsbCanFamily();
}

void CComSetting::OpenCan()
{
    CloseSerialFamily();
    const ChannelSettings chosen = Chosen();
    CanSettings settings;
    const bool known = chosen.ToCan(&settings);
    const int type = m_nComType;
    if (type == COMM_CAN_K8110) {
        // A reset only re-initialises the card that is open; another card is opened afresh.
        const bool sameCard = g_bCanK8110Open && g_nK8110Index == m_nDevice;
        if (!known)
            g_bCanK8110Open = 0;
        else if (sameCard)
            g_bCanK8110Open = LinkResetChannel(COMM_CAN_K8110, &settings);
        else
            g_bCanK8110Open = LinkOpenChannel(COMM_CAN_K8110, &settings);
    } else {
        CloseUsbCanFamily();
        g_nUsbEuRateIndex = m_cmbBitRate->currentIndex();
        const int typeBefore = g_nVciDevType;
        g_nVciDevType = VciDeviceTypeOf(type);
        g_bCanUsbOpen = known ? LinkOpenChannel(type, &settings) : 0;
        if (!g_bCanUsbOpen)
            g_nVciDevType = typeBefore;
    }

    chosen.Save(ChannelSettings::CanPart | ChannelSettings::TypePart);

    // Only the family just chosen counts: an adapter of the other family that happens to
    // be open is not the channel the user asked for.
    const int opened = type == COMM_CAN_K8110 ? g_bCanK8110Open.load() : g_bCanUsbOpen.load();
    if (!opened) {
        m_bOpened = 0;
        m_strOpenFailure = LinkLastOpenError(type);
        return;
    }
    g_nComType = type;
    m_bOpened = 1;
    CloseSerialFamily();
}

void CComSetting::CloseSerialFamily()
{
    SerialClose();
    g_bRs232Open = 0;
}

void CComSetting::CloseUsbCanFamily()
{
    VCI_CloseDevice(static_cast<uint32_t>(g_nVciDevType.load()), static_cast<uint32_t>(g_nVciDevIndex.load()));
    g_bCanUsbOpen = 0;
}
