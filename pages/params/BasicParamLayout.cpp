#include "pages/params/BasicParamLayout.h"

#include "pages/params/BasicParamControls.h"
#include "pages/params/BasicParamFields.h"
#include "pages/params/BasicParamIds.h"

#include <algorithm>

namespace {

constexpr int kMargin = 4;
constexpr int kGap = 3;     // between bands, columns and groups
constexpr int kCellGap = 3; // between the cells of a row
constexpr int kPitch = 15;  // row height, room for a combo at the smallest grid in use
constexpr int kLine = 9;    // each further line of a wrapped caption
constexpr int kTitleTop = 11;
constexpr int kFrameTop = 5; // untitled box
constexpr int kBottom = 4;
constexpr int kSide = 6;

struct Group;

// One cell of a row: a control (id, and an alternative that shares its place), or a text.
// Width 0 takes the rest of the row.
struct Cell {
    int id = 0;
    int width = 0;
    const char* text = nullptr;
    int alt = 0;
};

// A row: its cells; or the field of `field` (caption, the cells as a prefix, the control and
// its unit), with the group's caption and control widths unless given; or a nested box.
struct Row {
    std::vector<Cell> cells;
    int field = 0;
    int lines = 1;
    int captionWidth = 0;
    int controlWidth = 0;
    const Group* box = nullptr;
};

struct Group {
    const char* title; // null: untitled
    int id;
    int captionWidth;
    int controlWidth;
    std::vector<Row> rows;
    bool frame = true;
};

struct Column {
    int width;
    std::vector<const Group*> groups;
};
using Band = std::vector<Column>;

Cell C(int id, int width = 0, int alt = 0)
{
    return { id, width, nullptr, alt };
}

Cell T(const char* text, int width = 0)
{
    return { 0, width, text };
}

Row F(int field, int lines = 1, int captionWidth = 0, int controlWidth = 0)
{
    return { {}, field, lines, captionWidth, controlWidth };
}

Row Prefixed(Cell prefix, int field)
{
    return { { prefix }, field };
}

Row Box(const Group* box)
{
    Row row;
    row.box = box;
    return row;
}

// Bands in page order. Widths are chosen so every caption fits in the template's grid (6 x 12
// pixels at 96 dpi) even when drawn in DejaVu Sans rather than its condensed face.

const Group kActions { nullptr, 0, 0, 0,
    { { { C(IDC_SETUP, 54), C(IDC_READ, 54), C(IDC_SAVE_EEPROM, 74), C(IDC_RESTORE_DEFAULTS, 74),
        C(IDC_SAVE_FILE, 60), C(IDC_LOAD_FILE, 66) } } },
    false };

const Group kModeCommand { "Mode && Command", 0, 44, 90,
    { { { C(IDC_VELOCITY, 50), C(IDC_POSITION, 50), C(IDC_TORQUE, 46) } }, F(IDC_COMMAND) } };
const Group kFeedback { "Feedback", 0, 36, 44,
    { F(IDC_ENCODER), { { C(IDC_WITHOUT_HALL) } }, { { C(IDC_WITH_HALL) } }, { { C(IDC_MASTER_ENCODER) } },
        { { C(IDC_AUX_ENCODER) } }, { { C(IDC_AUX_ENC_INPUT) } }, { { C(IDC_AUX_ENC_OUTPUT) } } } };
const Group kMotor { "Motor Parameters", 0, 80, 40,
    { F(IDC_RATED_SPEED), F(IDC_MAX_PEAK_CURRENT), F(IDC_MAX_CONT_CURRENT), F(IDC_POLE_PAIRS),
        F(IDC_PHASE_CURRENT_NO_HALL, 2) } };
const Group kAnalog { "Analog Command", 0, 50, 40, { Prefixed(C(IDC_ANALOG_DEAD_PREFIX, 31), IDC_ANALOG_DEAD_RANGE) } };
const Group kPwm { "PWM Command", 0, 50, 40, { Prefixed(C(IDC_PWM_DEAD_PREFIX, 31), IDC_PWM_DEAD_RANGE) } };
const Group kPulses { "Pulses Command", 0, 64, 44, { F(IDC_STEP_WIDTH), F(IDC_MAX_FREQUENCY) } };
const Group kVelocityLoop { "Velocity Loop", 0, 50, 44, { F(IDC_P_VELOCITY), F(IDC_I_VELOCITY), F(IDC_D_VELOCITY) } };

const Group kPositionLimit { "Position Limit", 0, 22, 60,
    { { { C(IDC_DIGITAL_INPUT_LIMIT) } }, { { C(IDC_SCALE_LIMIT) } }, F(IDC_LIMIT_FROM), F(IDC_LIMIT_TO) } };
const Group kProtection { "Protection && Alarm", 0, 96, 40,
    { F(IDC_POS_ERROR_RANGE), F(IDC_TRACKING_ERROR), F(IDC_ALARM_DELAY), F(IDC_IIT_TIME_LIMIT), F(IDC_IIT_RELEASE_TIME),
        { { C(IDC_VELOCITY_OUT_OF_CONTROL) } } } };
const Group kPositionLoop { "Position Loop", 0, 50, 44,
    { F(IDC_P_POSITION), F(IDC_I_POSITION), F(IDC_D_POSITION), F(IDC_F_VELOCITY) } };
const Group kTorqueLoop { "Torque Loop", 0, 50, 44, { F(IDC_P_TORQUE), F(IDC_I_TORQUE), F(IDC_D_TORQUE) } };
const Group kAcceleration { "Acceleration", 0, 78, 40,
    { F(IDC_ACCELERATION), F(IDC_DECELERATE), F(IDC_DISABLE_DECEL), F(IDC_DISABLE_DECEL_TIME), F(IDC_BRAKE_DECEL) } };

const Group kDirection { "Position Direction", 0, 0, 0, { { { C(IDC_CH_A_AHEAD) } }, { { C(IDC_CH_B_AHEAD) } } } };
const Group kPhaseInit { "Phase Initialization", 0, 80, 40,
    { F(IDC_PHASE_CURRENT), { { C(IDC_PHASE_ACTIVATE, 56), C(IDC_PHASE_AUTO, 54) } } } };
// The box "Default Threshold Voltage when Power on"; its caption wraps where a box title
// could not.
const Group kThresholdBox { nullptr, 0, 0, 0,
    { { { T("Default Threshold Voltage when Power on") }, 0, 2 }, { { C(IDC_THRESHOLD_BUS) } },
        { { C(IDC_THRESHOLD_65V) } }, { { C(IDC_THRESHOLD_MANUAL) } } } };
const Group kConsumption { "Consumption Brake Parameters", 0, 72, 44,
    { F(IDC_BUS_VOLTAGE), Box(&kThresholdBox), F(IDC_THRESHOLD_VOLTAGE) } };
const Group kAddress { "Drive Address", 0, 72, 44, { F(IDC_ACTIVE_NUMBER), F(IDC_SOFTWARE_NUMBER) } };
const Group kHome { "Home", 0, 72, 44,
    { { { C(IDC_HOME_ON_POWER_ON) } }, F(IDC_HOME_MODE, 1, 50, 88), F(IDC_HOME_VELOCITY), F(IDC_HOME_OFFSET),
        F(IDC_HOME_RANGE), F(IDC_HOME_CURRENT), F(IDC_HOME_CURRENT_TIME) } };
const Group kBrake { "Brake Parameters", 0, 26, 96,
    { F(IDC_BRAKE_MODE), F(IDC_BRAKE_TYPE), { { C(IDC_BRAKE_CLOSE, 54), C(IDC_BRAKE_OPEN, 54) } } } };

const Group kFunctionPort { "Function Port", 0, 0, 0,
    { { { T("Enable", 42), C(IDC_ENABLE_PULL, 60), C(IDC_ENABLE_LEVEL, 66) } },
        { { T("DIR", 42), C(IDC_DIR_PULL, 60), C(IDC_DIR_LEVEL, 66) } },
        { { T("CW Limit", 42), C(IDC_CW_PULL, 60), C(IDC_CW_LEVEL, 66) } },
        { { T("CCW Limit", 42), C(IDC_CCW_PULL, 60), C(IDC_CCW_LEVEL, 66) } },
        { { T("Fault", 42), C(IDC_FAULT_OUT_TYPE, 60), C(IDC_FAULT_LEVEL, 66) } },
        { { T("CLK", 42), C(IDC_CLK_PULL, 60) } } } };
const Group kCommunication { "Communication", 0, 36, 52,
    { { { C(IDC_CHANGE_BAUD) } }, F(IDC_CAN_BAUD), F(IDC_RS232_BAUD), F(IDC_USB_BAUD) } };

// Four rows of four: HLA..HLD, HLE..HLH, ...
Row PhaseRow(int row)
{
    Row cells;
    for (int i = 4 * row; i < 4 * row + 4; ++i) {
        if (i > 4 * row)
            cells.cells.push_back(T("", 6));
        cells.cells.push_back(C(IDC_PHASE_LABEL_FIRST + i, 18));
        cells.cells.push_back(C(kPhaseEdits[i], 40));
    }
    return cells;
}

const Group kPhaseTable { "相位初始化数据", IDC_PHASE_GROUP, 0, 0, { PhaseRow(0), PhaseRow(1), PhaseRow(2), PhaseRow(3) } };

Row CommonPortRow(int port)
{
    static const char* const kNames[kCommonPorts] = { "IO1", "IO2", "IO3", "IO4" };
    return { { T(kNames[port], 16), C(kIoInputRadios[port], 38), C(kIoOutputRadios[port], 45),
        C(kIoPullCombos[port], 60, kIoOutTypeCombos[port]), C(kIoLevelCombos[port], 66),
        C(kIoInFuncCombos[port], 112, kIoOutFuncCombos[port]) } };
}

const Group kCommonPort { "Common Port", 0, 0, 0, { CommonPortRow(0), CommonPortRow(1), CommonPortRow(2), CommonPortRow(3) } };

// The phase table, which settings.ini may hide, stands beside the taller function ports, so
// a hidden one leaves no gap.
const std::vector<Band> kBands {
    { { 552, { &kActions } } },
    { { 182, { &kModeCommand, &kFeedback, &kMotor, &kAnalog, &kPwm, &kPulses, &kVelocityLoop } },
        { 182, { &kPositionLimit, &kProtection, &kPositionLoop, &kTorqueLoop, &kAcceleration } },
        { 182, { &kDirection, &kPhaseInit, &kConsumption, &kAddress, &kHome, &kBrake } } },
    { { 364, { &kCommonPort } }, { 126, { &kCommunication } } },
    { { 186, { &kFunctionPort } }, { 292, { &kPhaseTable } } },
};

int ControlHeight(int id)
{
    const ControlSpec* spec = FindControlSpec(id);
    switch (spec ? spec->kind : ControlKind::Label) {
    case ControlKind::Edit:
    case ControlKind::ReadOnlyEdit:
    case ControlKind::Combo:
        return 13;
    case ControlKind::Button:
        return 14;
    default:
        return 10;
    }
}

class Placer {
public:
    std::vector<PlacedItem> items;

    // Places the group in a column and returns its height.
    int PlaceGroup(const Group& group, int x, int y, int width)
    {
        const size_t frame = items.size();
        if (group.frame)
            items.push_back({ PlacedItem::Kind::Frame, group.id, QString::fromUtf8(group.title ? group.title : ""), {} });
        const int side = group.frame ? kSide : 0;
        int rowY = y + (!group.frame ? 0 : group.title ? kTitleTop : kFrameTop);
        for (const Row& row : group.rows)
            rowY += PlaceRow(group, row, x + side, rowY, width - 2 * side);
        const int height = rowY - y + (group.frame ? kBottom : 0);
        if (group.frame)
            items[frame].rect = QRect(x, y, width, height);
        return height;
    }

private:
    int PlaceRow(const Group& group, const Row& row, int x, int y, int width)
    {
        if (row.box)
            return PlaceGroup(*row.box, x, y, width) + kGap;
        std::vector<Cell> cells;
        if (const ParamField* field = row.field ? FindParamField(row.field) : nullptr) {
            if (field->caption)
                cells.push_back(T(field->caption, row.captionWidth ? row.captionWidth : group.captionWidth));
            cells.insert(cells.end(), row.cells.begin(), row.cells.end());
            cells.push_back(C(row.field, row.controlWidth ? row.controlWidth : group.controlWidth));
            if (field->unit)
                cells.push_back(T(field->unit));
        } else {
            cells = row.cells;
        }

        const int rowHeight = kPitch + (row.lines - 1) * kLine;
        int cellX = x;
        for (const Cell& cell : cells) {
            const int cellWidth = cell.width ? cell.width : x + width - cellX;
            if (cell.id) {
                const int height = ControlHeight(cell.id);
                const QRect rect(cellX, y + (rowHeight - height) / 2, cellWidth, height);
                items.push_back({ PlacedItem::Kind::Control, cell.id, {}, rect });
                if (cell.alt)
                    items.push_back({ PlacedItem::Kind::Control, cell.alt, {}, rect });
            } else if (cell.text && *cell.text) {
                const int height = row.lines == 1 ? 10 : row.lines * kLine + 1;
                items.push_back({ PlacedItem::Kind::Text, 0, QString::fromUtf8(cell.text),
                    QRect(cellX, y + (rowHeight - height) / 2, cellWidth, height), row.lines > 1 });
            }
            cellX += cellWidth + kCellGap;
        }
        return rowHeight;
    }
};

} // namespace

BasicParamLayout LayOutBasicParam()
{
    Placer placer;
    int y = kMargin;
    int formTop = 0;
    for (const Band& band : kBands) {
        if (&band == &kBands[1])
            formTop = y - kGap + 1;
        int x = kMargin;
        int bandHeight = 0;
        for (const Column& column : band) {
            int columnY = y;
            for (const Group* group : column.groups)
                columnY += placer.PlaceGroup(*group, x, columnY, column.width) + kGap;
            bandHeight = std::max(bandHeight, columnY - y);
            x += column.width + kGap;
        }
        y += bandHeight;
    }
    return { std::move(placer.items), QSize(kBasicParamWidthDlu, y - kGap + kMargin), formTop };
}
