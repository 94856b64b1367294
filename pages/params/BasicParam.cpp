#include "pages/params/BasicParam.h"

#include "link/DriveExchange.h"
#include "link/LinkLayer.h"
#include "link/LogRing.h"
#include "pages/params/BasicParamControls.h"
#include "pages/params/BasicParamFields.h"
#include "pages/params/BasicParamIds.h"
#include "pages/params/BasicParamLayout.h"
#include "pages/params/FormScrollArea.h"
#include "pages/params/ParamFile.h"
#include "pages/params/ParamReplyDecoder.h"
#include "pages/params/ReadAllParams.h"
#include "pages/params/StoredBlock.h"
#include "pages/params/WriteAllParams.h"
#include "platform/ControlName.h"
#include "platform/DialogFont.h"
#include "platform/DialogUnits.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "shell/DriveCommands.h"
#include "shell/Globals.h"
#include "shell/IniFile.h"
#include "shell/StripDecoders.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace {

const QString kCaption = QStringLiteral("Velquarin");
// "Read" while a read runs.
const QString kStopReadText = QStringLiteral("Stop");
const char* const kNotReadProperty = "notRead";
const QColor kNotReadTint(0xFF, 0xD8, 0xB0);
// Reply buffer of the page's own commands, and of the stored block.
constexpr int kReplyBytes = 64;
constexpr int kBlockReplyBytes = 256;


// Why a parameter file could not be read, in the system's words where it has them.
QString ReadProblem(const CIniFile& ini)
{
    const QFileInfo info(ini.Path());
    if (!info.exists())
        return QStringLiteral("The file does not exist.");
    if (!info.isFile())
        return QStringLiteral("It is not a file.");
    QFile file(ini.Path());
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    return ini.Error();
}

} // namespace

CBasicParam::CBasicParam()
    : CPropertyViewPage(IDD, 0)
{
    setWindowTitle(QStringLiteral("参数配置"));
    m_readAfterDefaults.setSingleShot(true);
    m_readAfterDefaults.setTimerType(Qt::PreciseTimer);
    connect(&m_readAfterDefaults, &QTimer::timeout, this, &CBasicParam::OnReadAfterDefaults);
}

CBasicParam::~CBasicParam()
{
    // The workers post to the page: they end before any of it goes.
    m_writeWorker.Stop();
    m_readWorker.Stop();
}

QWidget* CBasicParam::GetDlgItem(int id) const
{
    return m_controls.value(id);
}

bool CBasicParam::OnInitDialog()
{
    CreateControls();
    ConnectHandlers();
    WatchEditsForMarks();
    // As a dialog starts: the controls show the members.
    UpdateData(false);

    // A filled combo starts at its first item; the CAN baud starts at "500".
    qobject_cast<QComboBox*>(GetDlgItem(IDC_CAN_BAUD))->setCurrentIndex(m_model.m_cbCanBaud);
    auto* tree = qobject_cast<QTreeWidget*>(GetDlgItem(IDC_NODE_TREE));
    m_hTreeRoot = new QTreeWidgetItem(tree, { QStringLiteral("Servo List") });
    for (int id : kIoInputRadios)
        SetCheck(id, true);
    qobject_cast<QComboBox*>(GetDlgItem(IDC_HIDDEN_PULL))->setCurrentText(QStringLiteral("Pull Down"));
    UpdateThresholdRadios();
    ShowPhaseData();
    return true;
}

void CBasicParam::CreateControls()
{
    const QFont font = DialogTemplateFont();
    setFont(font);
    const DialogUnits units = DialogUnits::OfSimSun(kTemplatePointSize);
    const BasicParamLayout layout = LayOutBasicParam();
    // The action buttons stand above the form, which scrolls in the height the pane gives
    // the page below them, so the buttons stay in view on a short screen.
    const int formTop = units.ToPixelsY(layout.formTop);
    auto* form = new QWidget;
    form->setFixedSize(units.ToPixels(QRect(QPoint(0, 0), layout.size)).size() - QSize(0, formTop));
    auto* formArea = new FormScrollArea(form, this);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, formTop, 0, 0);
    page->addWidget(formArea);
    setFixedWidth(form->width() + formArea->verticalScrollBar()->sizeHint().width());
    resize(width(), formTop + units.ToPixelsY(kMinFormHeightDlu));

    // Visible controls in the order of the layout, so the Tab key walks group by group.
    for (const PlacedItem& item : layout.items) {
        QRect rect = units.ToPixels(item.rect);
        QWidget* parent = this;
        if (item.rect.top() >= layout.formTop) {
            parent = form;
            rect.translate(0, -formTop);
        }
        QWidget* widget = nullptr;
        switch (item.kind) {
        case PlacedItem::Kind::Frame:
            widget = new QGroupBox(item.text, parent);
            if (item.id)
                m_controls.insert(item.id, widget);
            break;
        case PlacedItem::Kind::Text: {
            auto* label = new QLabel(item.text, parent);
            label->setWordWrap(item.wrap);
            widget = label;
            break;
        }
        case PlacedItem::Kind::Control:
            widget = CreateControl(item.id, parent);
            break;
        }
        widget->setGeometry(rect);
        if (qobject_cast<QComboBox*>(widget)) {
            // The template gives the place; the closed box is as high as its font needs.
            const int height = widget->sizeHint().height();
            widget->setGeometry(rect.x(), rect.center().y() - height / 2, rect.width(), height);
        }
        if (item.id && widget->objectName().isEmpty())
            widget->setObjectName(ControlObjectName(item.id));
    }
    // The controls without a place are kept hidden.
    for (const ControlSpec& spec : BasicParamControls()) {
        if (!m_controls.contains(spec.id))
            CreateControl(spec.id, this);
    }
    for (const std::vector<int>& buttons : RadioGroups()) {
        auto* group = new QButtonGroup(this);
        for (int id : buttons) {
            group->addButton(qobject_cast<QAbstractButton*>(GetDlgItem(id)));
            m_radioGroups.insert(id, group);
        }
    }
}

QWidget* CBasicParam::CreateControl(int id, QWidget* parent)
{
    const ControlSpec* spec = FindControlSpec(id);
    const QString text = QString::fromUtf8(spec->text ? spec->text : "");
    QWidget* control = nullptr;
    switch (spec->kind) {
    case ControlKind::Edit:
    case ControlKind::ReadOnlyEdit: {
        auto* edit = new QLineEdit(parent);
        edit->setReadOnly(spec->kind == ControlKind::ReadOnlyEdit);
        control = edit;
        break;
    }
    case ControlKind::Check:
        control = new QCheckBox(text, parent);
        break;
    case ControlKind::Radio:
        control = new QRadioButton(text, parent);
        break;
    case ControlKind::Combo: {
        auto* combo = new QComboBox(parent);
        for (const char* item : spec->items)
            combo->addItem(QString::fromUtf8(item));
        control = combo;
        break;
    }
    case ControlKind::Button:
        control = new QPushButton(text, parent);
        break;
    case ControlKind::Label:
        control = new QLabel(text, parent);
        break;
    case ControlKind::Tree:
        control = new QTreeWidget(parent);
        break;
    }
    control->setObjectName(ControlObjectName(id));
    m_controls.insert(id, control);
    switch (spec->start) {
    case ControlStart::Shown:
        break;
    case ControlStart::Disabled:
        control->setEnabled(false);
        break;
    case ControlStart::Invisible:
        control->hide();
        break;
    case ControlStart::Hidden:
        control->setEnabled(false);
        control->hide();
        break;
    }
    return control;
}

void CBasicParam::OnClicked(int id, void (CBasicParam::*handler)())
{
    connect(qobject_cast<QAbstractButton*>(GetDlgItem(id)), &QAbstractButton::clicked, this, handler);
}

void CBasicParam::ConnectHandlers()
{
    OnClicked(IDC_VELOCITY, &CBasicParam::OnBnClickedVelocity);
    OnClicked(IDC_POSITION, &CBasicParam::OnBnClickedPosition);
    OnClicked(IDC_TORQUE, &CBasicParam::OnBnClickedTorque);
    OnClicked(IDC_AMPLIFIER, &CBasicParam::OnBnClickedTorque);
    OnClicked(IDC_MASTER_ENCODER, &CBasicParam::OnBnClickedMasterEncoder);
    OnClicked(IDC_AUX_ENCODER, &CBasicParam::OnBnClickedAuxEncoder);
    for (int id : { IDC_THRESHOLD_BUS, IDC_THRESHOLD_65V, IDC_THRESHOLD_MANUAL })
        OnClicked(id, &CBasicParam::OnBnClickedThresholdMode);
    OnClicked(IDC_BRAKE_CLOSE, &CBasicParam::OnBnClickedBrakeClose);
    OnClicked(IDC_BRAKE_OPEN, &CBasicParam::OnBnClickedBrakeOpen);
    OnClicked(IDC_PHASE_ACTIVATE, &CBasicParam::OnBnClickedActivate);
    OnClicked(IDC_PHASE_AUTO, &CBasicParam::OnBnClickedPhaseAuto);
    OnClicked(IDC_CHANGE_BAUD, &CBasicParam::OnBnClickedChangeBaud);
    OnClicked(IDC_SCALE_LIMIT, &CBasicParam::OnBnClickedLimitCheck);
    OnClicked(IDC_DIGITAL_INPUT_LIMIT, &CBasicParam::OnBnClickedLimitCheck);
    OnClicked(IDC_SETUP, &CBasicParam::OnBnClickedSetup);
    OnClicked(IDC_READ, &CBasicParam::OnBnClickedRead);
    OnClicked(IDC_SAVE_EEPROM, &CBasicParam::OnBnClickedSaveToEeprom);
    OnClicked(IDC_RESTORE_DEFAULTS, &CBasicParam::OnBnClickedRestoreDefaults);
    OnClicked(IDC_SAVE_FILE, &CBasicParam::OnBnClickedSaveToFile);
    OnClicked(IDC_LOAD_FILE, &CBasicParam::OnBnClickedLoadFromFile);
    for (int port = 0; port < kCommonPorts; ++port) {
        connect(qobject_cast<QAbstractButton*>(GetDlgItem(kIoInputRadios[port])), &QAbstractButton::clicked, this,
            [this, port] { OnBnClickedIoInput(port); });
        connect(qobject_cast<QAbstractButton*>(GetDlgItem(kIoOutputRadios[port])), &QAbstractButton::clicked, this,
            [this, port] { OnBnClickedIoOutput(port); });
    }
    // Only the user's choices run the rules; selections made by code do not.
    for (auto [id, handler] : { std::pair { IDC_COMMAND, &CBasicParam::OnCbnSelchangeCommand },
             { IDC_HOME_MODE, &CBasicParam::OnCbnSelchangeHomeMode },
             { IDC_BRAKE_MODE, &CBasicParam::OnCbnSelchangeBrakeMode } })
        connect(qobject_cast<QComboBox*>(GetDlgItem(id)), &QComboBox::activated, this, handler);
}

void CBasicParam::OnInitialUpdate()
{
    CPropertyViewPage::OnInitialUpdate();
    for (int id : { IDC_CH_A_AHEAD, IDC_OVER_CURRENT_MODE, IDC_VELOCITY })
        SetCheck(id, true);
    OnBnClickedVelocity();
}

bool CBasicParam::DoDataExchange(bool saveAndValidate)
{
    if (!saveAndValidate) {
        WriteControls(ExchangeOut(m_model));
        return true;
    }
    const std::optional<ExchangeFailure> failure = ExchangeIn(ReadControls(), m_model);
    if (!failure)
        return true;
    QWidget* control = GetDlgItem(failure->id);
    FormScrollArea::ScrollIntoView(control);
    ShowMessageBox(this, failure->prompt, kCaption, MB_ICONWARNING);
    control->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->selectAll();
    return false;
}

FormControls CBasicParam::ReadControls() const
{
    FormControls controls;
    for (int id : DataExchangeOrder()) {
        const ParamField* field = FindParamField(id);
        if (field->kind == FieldKind::Check) {
            controls.states.insert(id, IsChecked(id) ? 1 : 0);
        } else if (field->kind == FieldKind::Radio) {
            const std::span<const int> buttons = RadioGroupButtons(id);
            const auto checked = std::find_if(buttons.begin(), buttons.end(), [this](int b) { return IsChecked(b); });
            controls.states.insert(id, checked == buttons.end() ? -1 : static_cast<int>(checked - buttons.begin()));
        } else {
            controls.texts.insert(id, qobject_cast<QLineEdit*>(GetDlgItem(id))->text());
        }
    }
    return controls;
}

void CBasicParam::WriteControls(const FormControls& controls)
{
    for (auto it = controls.texts.begin(); it != controls.texts.end(); ++it)
        qobject_cast<QLineEdit*>(GetDlgItem(it.key()))->setText(it.value());
    for (auto it = controls.states.begin(); it != controls.states.end(); ++it) {
        const std::span<const int> buttons = RadioGroupButtons(it.key());
        if (buttons.empty()) {
            SetCheck(it.key(), it.value() != 0);
            continue;
        }
        for (size_t i = 0; i < buttons.size(); ++i)
            SetCheck(buttons[i], static_cast<int>(i) == it.value());
    }
}

void CBasicParam::Apply(const ControlChanges& changes)
{
    for (const ControlChange& change : changes) {
        QWidget* control = GetDlgItem(change.id);
        switch (change.what) {
        case ControlChange::What::Enable:
            control->setEnabled(change.on);
            break;
        case ControlChange::What::Show:
            control->setVisible(change.on);
            break;
        case ControlChange::What::Check:
            SetCheck(change.id, change.on);
            break;
        case ControlChange::What::Text:
            if (auto* label = qobject_cast<QLabel*>(control))
                label->setText(change.text);
            else if (auto* edit = qobject_cast<QLineEdit*>(control))
                edit->setText(change.text);
            break;
        case ControlChange::What::Select:
            qobject_cast<QComboBox*>(control)->setCurrentIndex(change.item);
            break;
        }
    }
}

void CBasicParam::SetCheck(int id, bool checked)
{
    auto* button = qobject_cast<QAbstractButton*>(GetDlgItem(id));
    QButtonGroup* group = m_radioGroups.value(id);
    if (checked || !group || !button->isChecked()) {
        button->setChecked(checked);
        return;
    }
    // An exclusive group keeps one button checked; a radio is cleared with the group open.
    group->setExclusive(false);
    button->setChecked(false);
    group->setExclusive(true);
}

bool CBasicParam::IsChecked(int id) const
{
    return qobject_cast<QAbstractButton*>(GetDlgItem(id))->isChecked();
}

int CBasicParam::ComboIndex(int id) const
{
    return qobject_cast<QComboBox*>(GetDlgItem(id))->currentIndex();
}

void CBasicParam::EnableActionButtons(bool enable)
{
    Apply(ActionButtons(enable));
}

void CBasicParam::UpdateThresholdRadios()
{
    Apply(ThresholdRadios(m_model.m_nThresholdMode));
}

void CBasicParam::ShowPhaseData(const QString& folder)
{
    Apply(PhaseTableVisibility(PhaseTableShown(folder)));
}

bool CBasicParam::CheckConnected()
{
    if (g_bDriveConnected.load())
        return true;
    ShowMessageBox(this, QStringLiteral("Please connect Drive"), kCaption, MB_ICONERROR);
    return false;
}

void CBasicParam::OnBnClickedVelocity()
{
    OnRunModeClicked(0);
}

void CBasicParam::OnBnClickedPosition()
{
    OnRunModeClicked(1);
}

void CBasicParam::OnBnClickedTorque()
{
    OnRunModeClicked(2);
}

void CBasicParam::OnRunModeClicked(int mode)
{
    // A rejected field has told the user; the command source still follows the mode.
    UpdateData(true);
    Apply(RunModeRule(mode, m_model.m_nCommandSource));
}

void CBasicParam::OnCbnSelchangeCommand()
{
    UpdateData(true);
    Apply(DeadBandLabels(ComboIndex(IDC_COMMAND)));
}

void CBasicParam::OnBnClickedIoInput(int port)
{
    Apply(IoDirectionRule(port, false));
}

void CBasicParam::OnBnClickedIoOutput(int port)
{
    Apply(IoDirectionRule(port, true));
}

void CBasicParam::OnBnClickedMasterEncoder()
{
    Apply(EncoderSelectRule(false));
}

void CBasicParam::OnBnClickedAuxEncoder()
{
    Apply(EncoderSelectRule(true));
}

void CBasicParam::OnBnClickedThresholdMode()
{
    m_model.m_nThresholdMode = ThresholdModeFromRadios(IsChecked(IDC_THRESHOLD_BUS), IsChecked(IDC_THRESHOLD_65V));
    UpdateThresholdRadios();
}

void CBasicParam::OnCbnSelchangeHomeMode()
{
    Apply(HomeModeRule(ComboIndex(IDC_HOME_MODE)));
}

void CBasicParam::OnCbnSelchangeBrakeMode()
{
    UpdateData(true);
    Apply(BrakeButtons(ComboIndex(IDC_BRAKE_MODE), m_model.m_bBrakeOpen));
}

void CBasicParam::OnBnClickedBrakeClose()
{
    SendBrakeCommand(true);
}

void CBasicParam::OnBnClickedBrakeOpen()
{
    SendBrakeCommand(false);
}

void CBasicParam::SendBrakeCommand(bool close)
{
    if (!CheckConnected())
        return;
    const DriveAnswer answer = LoggedExchange(Context().transact, BrakeCommand(close), 0, { LogOrder::CommandFirst });
    // The buttons show what the brake does; a command the drive never got changes nothing.
    if (!answer.Ok())
        return;
    m_model.m_bBrakeOpen = close ? 0 : 1;
    Apply(BrakeButtons(0, m_model.m_bBrakeOpen));
}

void CBasicParam::OnBnClickedActivate()
{
    UpdateData(true);
    Apply(PhaseAutoEnable(m_model.m_bPhaseInitActivate != 0));
}

void CBasicParam::OnBnClickedPhaseAuto()
{
    if (!CheckConnected())
        return;
    // A prompt about another field holds nothing back: the current is read from its own edit.
    UpdateData(true);
    const QString text = qobject_cast<QLineEdit*>(GetDlgItem(IDC_PHASE_CURRENT))->text();
    if (text.trimmed().isEmpty()) {
        ShowMessageBox(this, QStringLiteral("Please enter a phase current limit"), kCaption, MB_ICONERROR);
        return;
    }
    // Junk in the current would go out as CPA0, an initialisation without current: the form
    // exchange has named the field (or an earlier faulty one), and nothing is sent.
    const std::optional<int> current = ParseIntText(text);
    if (!current)
        return;
    const DriveAnswer answer
        = LoggedExchange(Context().transact, PhaseAutoCommand(*current), kReplyBytes, { LogOrder::ExchangeFirst });
    if (!answer.Ok())
        return;
    // The reply text to its NUL, or the CAN value.
    if (answer.Serial())
        PostLogText(answer.text.left(kReplyBytes - 1).constData(), kLogReplyLine, true);
    else
        PostLogString(answer.value ? QString::number(*answer.value) : QString(), kLogReplyLine, true);
}

void CBasicParam::OnBnClickedChangeBaud()
{
    if (UpdateData(true))
        Apply(BaudCombosEnable(m_model.m_bChangeBaud != 0));
}

void CBasicParam::OnBnClickedLimitCheck()
{
    UpdateData(true);
    UpdateData(false);
}

bool CBasicParam::event(QEvent* event)
{
    const auto reply = [this](const WindowMessage& message) { return OnParamReply(message); };
    return HandleWindowMessage(event, WM_PARAM_REPLY, reply)
        || HandleWindowMessage(event, WM_SET_ALL_NODES, [this](const WindowMessage&) { return OnStartSetAllNodes(); })
        || CPropertyViewPage::event(event);
}

LPARAM CBasicParam::OnPageActivated()
{
    return OnStartReadSilent();
}

bool CBasicParam::IsBusy() const
{
    return m_writeWorker.IsRunning() || m_readWorker.IsRunning() || m_readAfterDefaults.isActive()
        || m_setAllWorker.IsRunning() || SearchRuns();
}

bool CBasicParam::RefuseWhileBusy()
{
    if (m_writeWorker.IsRunning()) {
        ShowMessageBox(this, QStringLiteral("Setting parameters......"), kCaption, MB_ICONERROR);
        return true;
    }
    if (m_readWorker.IsRunning()) {
        ShowMessageBox(this, QStringLiteral("Reading from Driver"), kCaption, MB_ICONERROR);
        return true;
    }
    if (m_setAllWorker.IsRunning()) {
        ShowMessageBox(this, QStringLiteral("Setting parameters......"), kCaption, MB_ICONERROR);
        return true;
    }
    if (SearchRuns()) {
        ShowMessageBox(this, QStringLiteral("Searching devices......"), kCaption, MB_ICONERROR);
        return true;
    }
    return false;
}

void CBasicParam::TakeSnapshot()
{
    for (const ParamField& field : ParamFields()) {
        if (field.kind == FieldKind::Combo)
            ModelField<int>(m_model, field) = ComboIndex(field.id);
    }
    for (int port = 0; port < kCommonPorts; ++port) {
        m_model.m_cbIoPull[port] = ComboIndex(kIoPullCombos[port]);
        m_model.m_cbIoOutType[port] = ComboIndex(kIoOutTypeCombos[port]);
        m_model.m_cbIoLevel[port] = ComboIndex(kIoLevelCombos[port]);
        m_model.m_cbIoInFunc[port] = ComboIndex(kIoInFuncCombos[port]);
        m_model.m_cbIoOutFunc[port] = ComboIndex(kIoOutFuncCombos[port]);
        m_model.ioOutput[port] = IsChecked(kIoOutputRadios[port]) ? 1 : 0;
    }
    for (int row = 0; row < kPhaseRows; ++row)
        m_model.phaseTexts[row] = qobject_cast<QLineEdit*>(GetDlgItem(kPhaseEdits[row]))->text();
}

void CBasicParam::ShowSnapshot()
{
    auto select = [this](int id, int item) { qobject_cast<QComboBox*>(GetDlgItem(id))->setCurrentIndex(item); };
    for (const ParamField& field : ParamFields()) {
        if (field.kind == FieldKind::Combo)
            select(field.id, ModelField<int>(m_model, field));
    }
    for (int port = 0; port < kCommonPorts; ++port) {
        select(kIoPullCombos[port], m_model.m_cbIoPull[port]);
        select(kIoOutTypeCombos[port], m_model.m_cbIoOutType[port]);
        select(kIoLevelCombos[port], m_model.m_cbIoLevel[port]);
        select(kIoInFuncCombos[port], m_model.m_cbIoInFunc[port]);
        select(kIoOutFuncCombos[port], m_model.m_cbIoOutFunc[port]);
        const bool output = m_model.ioOutput[port] != 0;
        SetCheck(output ? kIoOutputRadios[port] : kIoInputRadios[port], true);
        Apply(IoDirectionRule(port, output));
    }
    for (int row = 0; row < kPhaseRows; ++row)
        qobject_cast<QLineEdit*>(GetDlgItem(kPhaseEdits[row]))->setText(m_model.phaseTexts[row]);
}

void CBasicParam::OnWorkerDone()
{
    if (!IsBusy())
        EnableActionButtons(true);
}

void CBasicParam::OnBnClickedSetup()
{
    if (!CheckConnected() || !UpdateData(true))
        return;
    if (const std::optional<SetupProblem> problem = CheckSetupValues(m_model)) {
        ShowMessageBox(this, problem->message, kCaption, problem->icon);
        return;
    }
    if (RefuseWhileBusy())
        return;
    TakeSnapshot();
    const std::vector<WriteCommand> commands = WriteAllCommands(m_model);
    const bool changeBaud = m_model.m_bChangeBaud != 0;
    EnableActionButtons(false);
    auto outcome = std::make_shared<WriteAllOutcome>();
    const bool started = m_writeWorker.Start(
        this, Context().pollPause,
        [commands, outcome](DriveJob& worker) {
            *outcome = RunWriteAll(commands, SendOnLink, [&worker](int ms) { return worker.Wait(ms); });
        },
        [this, outcome, changeBaud] { OnWriteAllDone(*outcome, changeBaud); });
    if (!started) {
        OnWorkerDone();
        ShowMessageBox(this, QStringLiteral("Can not set parameters!"), kCaption, MB_ICONERROR);
    }
}

void CBasicParam::OnWriteAllDone(const WriteAllOutcome& outcome, bool changeBaud)
{
    OnWorkerDone();
    if (const QString failure = WriteFailureMessage(outcome); !failure.isEmpty())
        ShowMessageBox(this, failure, kCaption, MB_ICONERROR);
    if (changeBaud)
        ShowMessageBox(this, kChangeBaudMessage, kCaption, MB_ICONERROR);
}

bool CBasicParam::StartReadAll(bool told)
{
    const std::vector<ParamQuery> queries = ReadAllQueries(g_nFirmwareVersion.load());
    const bool serial = g_nComType.load() == COMM_RS232;
    EnableActionButtons(false);
    auto outcome = std::make_shared<ReadAllOutcome>();
    const bool started = m_readWorker.Start(
        this, Context().pollPause,
        [this, queries, serial, outcome, transact = Context().transact](DriveJob& worker) {
            *outcome = RunReadAll(
                queries, serial, transact, [&worker] { return worker.StopRequested(); },
                [this](CommandId id, const QByteArray& text) { PostMessage(this, WM_PARAM_REPLY, 0, id, text); });
        },
        [this, outcome, queries, told] { OnReadAllDone(*outcome, queries, told); });
    if (!started) {
        OnWorkerDone();
        return false;
    }
    // While the read runs, "Read" stops it.
    auto* read = qobject_cast<QAbstractButton*>(GetDlgItem(IDC_READ));
    read->setText(kStopReadText);
    read->setEnabled(true);
    return true;
}

void CBasicParam::OnReadAllDone(const ReadAllOutcome& outcome, const std::vector<ParamQuery>& queries, bool told)
{
    qobject_cast<QAbstractButton*>(GetDlgItem(IDC_READ))->setText(QString::fromUtf8(FindControlSpec(IDC_READ)->text));
    OnWorkerDone();
    // Every reply has been put into the page by now: what is left unread is marked.
    std::vector<CommandId> unread;
    for (const FailedQuery& failed : outcome.failed)
        unread.push_back(failed.query.id);
    for (size_t i = static_cast<size_t>(outcome.asked); i < queries.size(); ++i)
        unread.push_back(queries[i].id);
    for (CommandId id : unread) {
        for (int control : ControlsShowingQuery(id))
            MarkNotRead(control, true);
    }
    const QString message = ReadAllFailureMessage(outcome, static_cast<int>(queries.size()));
    if (message.isEmpty())
        return;
    if (told)
        ShowMessageBox(this, message, kCaption, MB_ICONWARNING);
    else
        PostLogString(message, kLogCommandLine, true);
}

LPARAM CBasicParam::OnStartReadSilent()
{
    if (!g_bDriveConnected.load())
        return -1;
    if (!IsBusy())
        StartReadAll(false);
    return 0;
}

void CBasicParam::OnBnClickedRead()
{
    if (m_readWorker.IsRunning()) {
        m_readWorker.RequestStop();
        return;
    }
    if (!CheckConnected() || RefuseWhileBusy())
        return;
    if (!StartReadAll(true))
        ShowMessageBox(this, QStringLiteral("Read Parameters Failed"), kCaption, MB_ICONERROR);
}

bool CBasicParam::OnKillActive()
{
    if (!CPropertyViewPage::OnKillActive())
        return false;
    m_readWorker.RequestStop();
    return true;
}

LPARAM CBasicParam::OnParamReply(const WindowMessage& message)
{
    const std::optional<ControlChanges> changes
        = DecodeParamReply(static_cast<CommandId>(message.LParam()), message.Data(), m_model);
    if (!changes)
        return -1;
    Apply(*changes);
    // Read again: all its controls, also the lists of a port's other direction. An "ERR"
    // reply that changes nothing has read nothing.
    if (!changes->empty()) {
        for (int control : ControlsShowingQuery(static_cast<CommandId>(message.LParam())))
            MarkNotRead(control, false);
    }
    return 0;
}

void CBasicParam::MarkNotRead(int id, bool mark)
{
    QWidget* control = GetDlgItem(id);
    if (!control || control->property(kNotReadProperty).toBool() == mark)
        return;
    control->setProperty(kNotReadProperty, mark);
    // One tint for every kind of control: an edit's or a list's face, a check box's or a
    // radio's whole box.
    QPalette palette;
    if (mark) {
        palette = control->palette();
        for (QPalette::ColorRole role : { QPalette::Base, QPalette::Button, QPalette::Window })
            palette.setColor(role, kNotReadTint);
    }
    control->setPalette(palette);
    if (qobject_cast<QCheckBox*>(control) || qobject_cast<QRadioButton*>(control))
        control->setAutoFillBackground(mark);
}

void CBasicParam::WatchEditsForMarks()
{
    // An edit of the user's takes the mark off the field: it no longer claims to be the drive's.
    for (const ControlSpec& spec : BasicParamControls()) {
        QWidget* control = GetDlgItem(spec.id);
        const int id = spec.id;
        if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            connect(edit, &QLineEdit::textEdited, this, [this, id] { MarkNotRead(id, false); });
        } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
            connect(combo, &QComboBox::activated, this, [this, id] { MarkNotRead(id, false); });
        } else if (qobject_cast<QCheckBox*>(control) || qobject_cast<QRadioButton*>(control)) {
            connect(qobject_cast<QAbstractButton*>(control), &QAbstractButton::clicked, this, [this, id] {
                QButtonGroup* group = m_radioGroups.value(id);
                for (QAbstractButton* button : group ? group->buttons() : QList<QAbstractButton*>())
                    MarkNotRead(m_controls.key(button), false);
                MarkNotRead(id, false);
            });
        }
    }
}

int CBasicParam::SendWithoutReply(const QString& command)
{
    return LoggedExchange(Context().transact, command, 0, { LogOrder::ExchangeFirst, false, true }).result;
}

void CBasicParam::OnBnClickedSaveToEeprom()
{
    if (!CheckConnected())
        return;
    const int result = SendWithoutReply(QStringLiteral("ESA\r"));
    UpdateData(false);
    // Offered once after each read or write: a store is of what the drive holds then.
    GetDlgItem(IDC_SAVE_EEPROM)->setEnabled(false);
    if (result != 0)
        ShowMessageBox(this, QStringLiteral("Save to EEPROM failed: %1").arg(CommResultText(result)), kCaption,
            MB_ICONERROR);
}

void CBasicParam::OnBnClickedRestoreDefaults()
{
    if (!CheckConnected())
        return;
    if (ShowMessageBox(this, QStringLiteral("if restore the factory setting?"), kCaption, MB_YESNO | MB_ICONQUESTION)
        != IDYES)
        return;
    if (!CheckConnected())
        return;
    const int result = SendWithoutReply(QStringLiteral("FCFG\r"));
    if (result != 0) {
        ShowMessageBox(this, QStringLiteral("Restore Defaults failed: %1").arg(CommResultText(result)), kCaption,
            MB_ICONERROR);
        return;
    }
    // The drive takes a while to restore itself; the window stays live meanwhile, with the
    // action buttons held until the read.
    for (size_t i = 0; i < kActionButtons.size(); ++i)
        m_buttonsBeforeDefaults[i] = GetDlgItem(kActionButtons[i])->isEnabled();
    EnableActionButtons(false);
    m_defaultsRestored.start();
    m_readAfterDefaults.start(kReadAfterDefaultsMs);
}

void CBasicParam::OnReadAfterDefaults()
{
    if (const qint64 left = kReadAfterDefaultsMs - m_defaultsRestored.elapsed(); left > 0) {
        m_readAfterDefaults.start(static_cast<int>(left));
        return;
    }
    for (size_t i = 0; i < kActionButtons.size(); ++i)
        GetDlgItem(kActionButtons[i])->setEnabled(m_buttonsBeforeDefaults[i]);
    OnBnClickedRead();
}

void CBasicParam::OnBnClickedReadEepromBlock()
{
    if (!CheckConnected() || g_nComType.load() != COMM_RS232)
        return;
    const DriveAnswer answer = LoggedExchange(
        Context().transact, QStringLiteral("GESA\r"), kBlockReplyBytes, { LogOrder::CommandFirst, false, true });
    if (!answer.Ok())
        return;
    // A block cut short is no block: nothing of it is taken.
    const std::optional<QMap<int, QString>> texts = DecodeStoredBlock(answer.text, g_nFirmwareVersion.load());
    if (!texts)
        return;
    PostLogString(QStringLiteral("SUCCESS"), kLogReplyLine, true);
    for (auto it = texts->begin(); it != texts->end(); ++it)
        m_model.m_strSettingTexts[static_cast<size_t>(it.key())] = it.value();
    UpdateData(false);
}

QString CBasicParam::ChooseParamFile(bool save, const QString& proposedName)
{
    FileDialogRequest request;
    request.owner = window();
    request.save = save;
    request.folder = GetWritableFolderPath();
    request.fileName = proposedName.isEmpty() ? QString() : proposedName + QStringLiteral(".qzd");
    request.filter = QStringLiteral("Pask Data Files (*.qzd)");
    request.defaultSuffix = QStringLiteral("qzd");
    return ShowFileDialog(request);
}

void CBasicParam::OnBnClickedSaveToFile()
{
    if (!CheckConnected())
        return;
    const QString type = Context().driveType ? Context().driveType() : QString();
    const QString path = ChooseParamFile(true, ProposedFileName(type));
    if (path.isEmpty())
        return;
    // A new file comes into being only with its whole content, so a failed save leaves no
    // empty file behind; an existing one keeps its other sections and keys.
    CIniFile ini(path);
    if (!ini.ReadFile() && QFileInfo::exists(path)) {
        ShowMessageBox(this, QStringLiteral("Parameters file not saved: \"%1\"\n%2").arg(path, ReadProblem(ini)),
            kCaption, MB_ICONERROR);
        return;
    }
    // A rejected field has told the user; a file of half-taken values is worse than none.
    if (!UpdateData(true))
        return;
    TakeSnapshot();
    SaveParamFile(m_model, ini);
    if (!ini.WriteFile()) {
        ShowMessageBox(this, QStringLiteral("Parameters file not saved: \"%1\"\n%2").arg(path, ini.Error()), kCaption,
            MB_ICONERROR);
        return;
    }
    ShowMessageBox(this, QStringLiteral("Parameters file saved"), kCaption, MB_ICONINFORMATION);
}

void CBasicParam::OnBnClickedLoadFromFile()
{
    const QString path = ChooseParamFile(false, QString());
    if (path.isEmpty())
        return;
    CIniFile ini(path);
    const QString notLoaded = QStringLiteral("Parameters file not loaded: \"%1\"\n%2");
    if (!ini.ReadFile()) {
        ShowMessageBox(this, notLoaded.arg(path, ReadProblem(ini)), kCaption, MB_ICONERROR);
        return;
    }
    // A file of something else would turn every field into 0.
    const int keys = static_cast<int>(ParamFileKeys().size());
    const int held = ParamFileKeysHeld(ini);
    if (held == 0) {
        ShowMessageBox(this,
            notLoaded.arg(path, QStringLiteral("It holds none of the %1 settings of a parameter file.").arg(keys)),
            kCaption, MB_ICONERROR);
        return;
    }
    if (ShowMessageBox(this, QStringLiteral("If chang current parameters?"), kCaption, MB_YESNO | MB_ICONQUESTION)
        != IDYES)
        return;
    // The file fills the page only; what reaches the drive passes "Setup" and its checks.
    TakeSnapshot();
    LoadParamFile(ini, m_model);
    for (int id : m_controls.keys())
        MarkNotRead(id, false);
    ShowSnapshot();
    Apply(EncoderSelectRule(m_model.m_nEncoderSelect != 0));
    UpdateThresholdRadios();
    Apply(HomeModeRule(m_model.m_cbHomeMode));
    Apply(BrakeButtons(m_model.m_cbBrakeMode, m_model.m_bBrakeOpen));
    UpdateData(false);
    if (held < keys)
        ShowMessageBox(this,
            QStringLiteral("Parameters file \"%1\" held %2 of the %3 settings; the missing ones were loaded as 0.")
                .arg(path)
                .arg(held)
                .arg(keys),
            kCaption, MB_ICONWARNING);
}

void CBasicParam::OnCbnKillfocusMotorType()
{
    const QString& type = m_model.m_strMotorType;
    const auto known = [&type](const QString& item) { return item.startsWith(type, Qt::CaseInsensitive); };
    if (type.isEmpty() || std::any_of(m_motorTypes.begin(), m_motorTypes.end(), known))
        return;
    m_motorTypes << type;
    CIniFile ini(GetWritableFolderPath() + QStringLiteral("MotType.qzd"));
    if (!ini.ReadOrCreateFile())
        return;
    AddMotorType(ini, type);
    ini.WriteFile();
}
