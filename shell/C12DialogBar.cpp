#include "shell/C12DialogBar.h"

#include "controls/EditEx.h"
#include "controls/StripField.h"
#include "link/LinkLayer.h"
#include "platform/ControlName.h"
#include "platform/DialogFont.h"
#include "platform/WindowMessage.h"
#include "platform/DialogUnits.h"
#include "res/StripBitmaps.h"
#include "shell/Globals.h"
#include "shell/ProgramFiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimerEvent>

#include <vector>

namespace {
enum class Kind { Label, Edit, EditRight, Button, PictureButton, Combo, Divider, Lamp, HiddenCheck, HiddenButton, HiddenEdit };

struct ControlSpec {
    int id; // -1 for labels and the divider
    Kind kind;
    const char* text; // UTF-8
    int x, y, width, height;
};

// The strip's template, 846 x 53 dialog units, in template order (which is also the
// tab order). Hidden controls have no place of their own. One place differs from the
// template: the home field, whose texts ("Home Seeking Succeed") no legible font puts on
// one line in its 45 units, stands in the free room of the second row after the command
// source, and the error state moves up beside the phase field into the place it left.
constexpr int BAR_WIDTH_DLU = 846;
// A push button's frame and padding around its caption, both sides together.
constexpr int BUTTON_TEXT_MARGINS = 6;
constexpr int BAR_HEIGHT_DLU = 53;
const ControlSpec CONTROLS[] = {
    { -1, Kind::Label, "Type", 61, 4, 38, 8 },
    { IDC_TYPE, Kind::EditRight, "", 103, 2, 69, 14 },
    { IDC_VERSION, Kind::EditRight, "", 103, 20, 69, 14 },
    { IDC_CONNECT, Kind::PictureButton, "手动连接", 2, 0, 57, 52 },
    { IDC_GM, Kind::Button, "GM", 614, 2, 17, 14 },
    { IDC_GV, Kind::Button, "GV", 635, 2, 17, 14 },
    { IDC_PO, Kind::Button, "PO", 700, 2, 17, 14 },
    { IDC_COMMAND_COMBO, Kind::Combo, "", 614, 33, 66, 181 },
    { IDC_SEND, Kind::Button, "Send", 684, 32, 38, 15 },
    { -1, Kind::Label, "Version", 61, 22, 38, 8 },
    { IDC_MODE, Kind::Edit, "", 179, 20, 38, 14 },
    { IDC_SOURCE, Kind::Edit, "", 218, 20, 58, 14 },
    { IDC_TEMPERATURE, Kind::Edit, "", 562, 1, 24, 14 },
    { -1, Kind::Label, "℃", 590, 5, 9, 8 },
    { -1, Kind::Divider, "", 605, 0, 1, 52 },
    { IDC_DIRECTION, Kind::Edit, "", 179, 1, 23, 14 },
    { 1215, Kind::Lamp, "", 69, 38, 46, 14 },
    { 1216, Kind::Lamp, "", 118, 38, 41, 14 },
    { 1217, Kind::Lamp, "", 162, 38, 55, 14 },
    { 1218, Kind::Lamp, "", 220, 38, 49, 14 },
    { 1219, Kind::Lamp, "", 272, 38, 42, 14 },
    { 1220, Kind::Lamp, "", 317, 38, 44, 14 },
    { 1221, Kind::Lamp, "", 364, 38, 49, 14 },
    { 1222, Kind::Lamp, "", 416, 38, 49, 14 },
    { IDC_HW_ENABLE, Kind::Edit, "", 418, 2, 35, 14 },
    { 1224, Kind::Lamp, "", 468, 38, 48, 14 },
    { 1225, Kind::Lamp, "", 519, 38, 54, 14 },
    { IDC_GC, Kind::Button, "GC", 656, 2, 17, 14 },
    { IDC_HW_BRAKE, Kind::Edit, "", 456, 2, 36, 14 },
    { IDC_HW_LIMIT, Kind::Edit, "", 494, 2, 63, 14 },
    { IDC_ENABLE, Kind::Button, "Enable", 721, 2, 35, 14 },
    { IDC_DISABLE, Kind::Button, "Disable", 759, 2, 35, 14 },
    { IDC_PHASE, Kind::Edit, "", 204, 1, 79, 14 },
    { IDC_GSE, Kind::Button, "GSE", 678, 2, 17, 14 },
    { IDC_REFRESH, Kind::PictureButton, "状态刷新", 579, 35, 15, 17 },
    { IDC_HOME, Kind::Edit, "", 279, 20, 99, 14 },
    { IDC_ERROR_STATE, Kind::Edit, "", 285, 1, 31, 14 },
    { -1, Kind::Label, "Hardware", 383, 4, 33, 8 },
    { -1, Kind::Label, "Software", 383, 22, 33, 8 },
    { IDC_SW_ENABLE, Kind::Edit, "", 417, 20, 35, 14 },
    { IDC_SW_BRAKE, Kind::Edit, "", 455, 20, 36, 14 },
    { IDC_SW_LIMIT, Kind::Edit, "", 494, 20, 63, 14 },

    { IDC_CONTROLLED, Kind::HiddenCheck, "受控", 0, 0, 0, 0 },
    { 1184, Kind::HiddenCheck, "受控", 0, 0, 0, 0 },
    { 1177, Kind::HiddenCheck, "热报警", 0, 0, 0, 0 },
    { 1079, Kind::HiddenCheck, "热保护", 0, 0, 0, 0 },
    { 1080, Kind::HiddenCheck, "过 流", 0, 0, 0, 0 },
    { 1152, Kind::HiddenCheck, "欠 压", 0, 0, 0, 0 },
    { 1082, Kind::HiddenCheck, "过 压", 0, 0, 0, 0 },
    { 1083, Kind::HiddenCheck, "编码器", 0, 0, 0, 0 },
    { 1084, Kind::HiddenCheck, "速失控", 0, 0, 0, 0 },
    { 1085, Kind::HiddenCheck, "位失调", 0, 0, 0, 0 },
    { IDC_SELECT_NODE, Kind::HiddenButton, "ID选择", 0, 0, 0, 0 },
    { 1213, Kind::HiddenEdit, "", 0, 0, 0, 0 },
    { 1214, Kind::HiddenEdit, "", 0, 0, 0, 0 },
    { 1226, Kind::HiddenEdit, "", 0, 0, 0, 0 },
    { 1249, Kind::HiddenEdit, "", 0, 0, 0, 0 },
    { 1250, Kind::HiddenEdit, "", 0, 0, 0, 0 },
};

// Texts the hidden edits start with, in the order they are written (1213 twice, the second
// one standing). The visible boxes start empty: a caption such as "Enable" or "DIR" in a
// box reads as a state of the drive.
const std::pair<int, const char*> INITIAL_TEXTS[] = {
    { 1214, "EEPROM" }, { 1213, "Run State" }, { 1213, "已到达位置" }, { 1226, "已到达速度" },
};

void Paint(CEditEx* box, LampColours colours)
{
    if (box->TextColor() != colours.text)
        box->SetTextColor(colours.text);
    if (box->BkColor() != colours.background)
        box->SetBkColor(colours.background);
}

// A caption that is wider than its box is drawn smaller, so it is read whole.
void FitCaption(QWidget* control, const QString& text, int sideMargins)
{
    const QSize room(control->width() - sideMargins, control->height());
    const TextFit fit = FitTextToBox(text, control->font(), room, StripField::kMinPixelSize);
    if (!fit.wrapped)
        control->setFont(fit.font);
}

// A picture button shows a strip picture; the button keeps its id as property "bitmap".
void ShowPicture(QPushButton* button, int id)
{
    const QPixmap picture = LoadStripBitmap(id);
    button->setIcon(picture);
    button->setIconSize(picture.size());
    button->setProperty("bitmap", id);
}

QLineEdit* MakeEdit(Kind kind, QWidget* parent)
{
    QLineEdit* edit = kind == Kind::HiddenEdit ? new QLineEdit(parent) : new StripField(parent);
    edit->setReadOnly(true);
    edit->setFrame(true);
    edit->setAlignment(kind == Kind::EditRight ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignCenter);
    return edit;
}
}

C12DialogBar::C12DialogBar()
    : m_decoder(
        [](int type, QString& name) { return GetDriverName(type, name); },
        [](uint32_t id, QString& name) { return DecodeDriveId(static_cast<qint64>(id), name); })
{
    g_nFirmwareVersion = 0;
}

C12DialogBar::~C12DialogBar() = default;

bool C12DialogBar::Create(QWidget* parent)
{
    if (m_commandCombo)
        return false;
    setParent(parent);
    setObjectName(ControlObjectName(IDD));
    BuildControls();
    if (!OnInitDialogBar())
        return false;

    for (CEditEx* lamp : m_lamps)
        lamp->SetTextColor(LAMP_IDLE_TEXT);
    // The lamps' Windows face is drawn by the narrowest sans face at hand.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
        { QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans") });
    std::vector<CEditEx*> coloured(m_lamps.begin(), m_lamps.end());
    coloured.push_back(m_typeEdit);
    coloured.push_back(m_versionEdit);
    for (CEditEx* edit : coloured) {
        edit->SetBkColor(STRIP_BACKGROUND);
        edit->SetFont(-14, 900, 0, QStringLiteral("MS Sans Serif"));
    }

    for (int id : VALUE_FIELD_IDS) {
        const auto* box = static_cast<const CEditEx*>(GetDlgItem(id));
        m_currentColours[id] = { box->TextColor(), box->BkColor() };
    }
    ShowFreshness();
    m_blinkTimer.start(BLINK_PERIOD_MS, this);

    qobject_cast<QCheckBox*>(GetDlgItem(IDC_CONTROLLED))->setChecked(true);
    SetDlgItemText(1249, QStringLiteral("启限位"));
    SetDlgItemText(1250, QStringLiteral("零位"));
    return true;
}

void C12DialogBar::BuildControls()
{
    const QFont font = DialogTemplateFont();
    setFont(font);
    const DialogUnits units = DialogUnits::OfSimSun(kTemplatePointSize);
    m_templateSize = QSize(units.ToPixelsX(BAR_WIDTH_DLU), units.ToPixelsY(BAR_HEIGHT_DLU));
    setFixedHeight(m_templateSize.height());

    int lamp = 0;
    for (const ControlSpec& spec : CONTROLS) {
        QWidget* control = nullptr;
        const QString text = QString::fromUtf8(spec.text);
        switch (spec.kind) {
        case Kind::Label:
            control = new QLabel(text, this);
            break;
        case Kind::Divider: {
            auto* divider = new QFrame(this);
            divider->setFrameShape(QFrame::VLine);
            divider->setFrameShadow(QFrame::Sunken);
            control = divider;
            break;
        }
        case Kind::Edit:
        case Kind::EditRight:
        case Kind::Lamp:
        case Kind::HiddenEdit:
            control = MakeEdit(spec.kind, this);
            if (spec.kind == Kind::Lamp)
                m_lamps[lamp++] = static_cast<CEditEx*>(control);
            else if (spec.id == IDC_TYPE)
                m_typeEdit = static_cast<CEditEx*>(control);
            else if (spec.id == IDC_VERSION)
                m_versionEdit = static_cast<CEditEx*>(control);
            break;
        case Kind::Button:
        case Kind::HiddenButton:
            control = new QPushButton(text, this);
            break;
        case Kind::PictureButton: {
            // A picture button shows its picture only; its caption stays its name.
            auto* button = new QPushButton(this);
            button->setAccessibleName(text);
            control = button;
            break;
        }
        case Kind::HiddenCheck:
            control = new QCheckBox(text, this);
            break;
        case Kind::Combo: {
            m_commandCombo = new QComboBox(this);
            m_commandCombo->setEditable(true);
            m_commandCombo->setInsertPolicy(QComboBox::NoInsert);
            m_commandCombo->setMaxVisibleItems(15);
            control = m_commandCombo;
            break;
        }
        }
        if (spec.id != -1)
            control->setObjectName(ControlObjectName(spec.id));
        if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            const int id = spec.id;
            connect(button, &QAbstractButton::clicked, this, [this, id] { emit CommandClicked(id); });
        }
        const bool hidden = spec.kind == Kind::HiddenCheck || spec.kind == Kind::HiddenButton
            || spec.kind == Kind::HiddenEdit;
        if (hidden) {
            control->setEnabled(false);
            control->hide();
            continue;
        }
        if (spec.kind == Kind::Combo) {
            // The template's height is that of the dropped list; the closed box is as
            // high as its font needs.
            units.Place(control, spec.x, spec.y, spec.width, 0);
            control->resize(control->width(), control->sizeHint().height());
        } else {
            units.Place(control, spec.x, spec.y, spec.width, spec.height);
        }
        if (spec.kind == Kind::Label)
            FitCaption(control, text, 0);
        else if (spec.kind == Kind::Button)
            FitCaption(control, text, BUTTON_TEXT_MARGINS);
    }
}

QSize C12DialogBar::sizeHint() const
{
    return m_templateSize;
}

bool C12DialogBar::OnInitDialogBar()
{
    for (const auto& [id, text] : INITIAL_TEXTS)
        SetDlgItemText(id, QString::fromUtf8(text));
    ShowChain(false);
    ShowPicture(qobject_cast<QPushButton*>(GetDlgItem(IDC_REFRESH)), IDB_REFRESH);

    for (int i = 0; i < LAMP_COUNT; ++i)
        m_lamps[i]->setText(QString::fromLatin1(LAMP_CAPTIONS[i]));
    m_typeEdit->setText(m_decoder.TypeText());
    m_versionEdit->setText(m_decoder.VersionText());

    PostMessage(this, WM_DRIVE_REPLY, 0, 0);
    return true;
}

void C12DialogBar::SetTypeNameRequester(std::function<int()> askedPart, std::function<void(int)> requestPart)
{
    m_askedTypeNamePart = std::move(askedPart);
    m_requestTypeNamePart = std::move(requestPart);
}

QWidget* C12DialogBar::GetDlgItem(int id) const
{
    return findChild<QWidget*>(ControlObjectName(id), Qt::FindDirectChildrenOnly);
}

QString C12DialogBar::GetDlgItemText(int id) const
{
    QWidget* control = GetDlgItem(id);
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        return edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(control))
        return combo->currentText();
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        return button->text();
    return {};
}

QComboBox* C12DialogBar::CommandCombo() const
{
    return m_commandCombo;
}

void C12DialogBar::SetDlgItemText(int id, const QString& text)
{
    if (auto* edit = qobject_cast<QLineEdit*>(GetDlgItem(id))) {
        edit->setText(text);
        // A text wider than its field (such as "Home Seeking Succeed") shows its start.
        edit->setCursorPosition(0);
    }
}

void C12DialogBar::ShowChain(bool closed)
{
    auto* button = qobject_cast<QPushButton*>(GetDlgItem(IDC_CONNECT));
    const int id = closed ? IDB_CHAIN_CLOSED : IDB_CHAIN_BROKEN;
    if (button->property("bitmap").toInt() != id)
        ShowPicture(button, id);
}

LPARAM C12DialogBar::OnDriveReply(WPARAM wParam, LPARAM lParam, const QByteArray& data)
{
    const int asked = m_askedTypeNamePart ? m_askedTypeNamePart() : 0;
    Apply(m_decoder.Decode(DriveReply::FromMessage(wParam, lParam, data), g_nComType == COMM_RS232, asked));
    return 0;
}

void C12DialogBar::Apply(const StripUpdate& update)
{
    for (const auto& [id, text] : update.texts)
        SetDlgItemText(id, text);
    if (update.picture != StripUpdate::Picture::Unchanged)
        ShowChain(update.picture == StripUpdate::Picture::Connected);
    if (update.controlledCheck)
        qobject_cast<QCheckBox*>(GetDlgItem(IDC_CONTROLLED))->setChecked(*update.controlledCheck);
    ShowFreshness();
    // Last: the request runs a drive exchange, and its reply may come straight back here.
    if (update.askTypeNamePart > 0 && m_requestTypeNamePart)
        m_requestTypeNamePart(update.askTypeNamePart);
}

LPARAM C12DialogBar::OnStripFreshness(WPARAM why)
{
    if (why == STRIP_FORGET) {
        Apply(m_decoder.Forget());
    } else {
        m_decoder.MarkAll(why == STRIP_FRESH);
        ShowFreshness();
    }
    return 0;
}

void C12DialogBar::ShowFreshness()
{
    const LampColours notCurrent { NOT_CURRENT_TEXT, NOT_CURRENT_BACKGROUND };
    for (int id : VALUE_FIELD_IDS)
        Paint(static_cast<CEditEx*>(GetDlgItem(id)), m_decoder.IsCurrent(id) ? m_currentColours[id] : notCurrent);
    // Current lamps take their colours at the blink tick, as every change of theirs does;
    // lamps out of date show it at once, ticking or not.
    if (!m_decoder.IsCurrent(LAMP_IDS[0]))
        PaintLamps();
}

void C12DialogBar::PaintLamps()
{
    const uint16_t lit = m_decoder.LitLamps();
    const bool current = m_decoder.IsCurrent(LAMP_IDS[0]);
    for (int i = 0; i < LAMP_COUNT; ++i) {
        const bool on = lit & (1u << i);
        Paint(m_lamps[i], current ? LampColour(on, g_nLampBlinkPhase) : NotCurrentLampColour(on));
    }
}

void C12DialogBar::OnTimer(int timerId)
{
    if (timerId != TIMER_BLINK || !g_bDriveConnected)
        return;
    g_nLampBlinkPhase ^= 1;
    PaintLamps();
}

bool C12DialogBar::event(QEvent* event)
{
    return HandleWindowMessage(event, WM_DRIVE_REPLY,
               [this](const WindowMessage& m) { return OnDriveReply(m.WParam(), m.LParam(), m.Data()); })
        || HandleWindowMessage(event, WM_STRIP_FRESHNESS,
            [this](const WindowMessage& m) { return OnStripFreshness(m.WParam()); })
        || QWidget::event(event);
}

void C12DialogBar::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_blinkTimer.timerId())
        OnTimer(TIMER_BLINK);
    else
        QWidget::timerEvent(event);
}
