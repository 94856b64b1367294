#include "pages/params/ParamFile.h"

#include "pages/params/BasicParamControls.h"
#include "pages/params/BasicParamIds.h"
#include "pages/params/ParamReplyDecoder.h"
#include "pages/params/WriteAllParams.h"
#include "shell/IniFile.h"
#include "shell/StripDecoders.h"

#include <algorithm>
#include <climits>

const QString kParamFileSection = QStringLiteral("option");

namespace {

using M = BasicParamModel;
using Form = FileForm;
using Kind = ParamRef::Kind;

using namespace param_ref;

const FileKey kKeys[] = {
    { "编码器分辨率", F(IDC_ENCODER), Form::Number },
    { "位置下限", F(IDC_LIMIT_FROM), Form::Number },
    { "位置上限", F(IDC_LIMIT_TO), Form::Number },
    { "位限开关", F(IDC_SCALE_LIMIT), Form::OnOff },
    { "硬位限开关", F(IDC_DIGITAL_INPUT_LIMIT), Form::OnOff },
    { "加速度", F(IDC_ACCELERATION), Form::Number },
    { "最高速度", F(IDC_RATED_SPEED), Form::Number },
    { "最低速度", F(IDC_PWM_DEAD_RANGE), Form::Number },
    { "死区电压", F(IDC_ANALOG_DEAD_RANGE), Form::WholeOrFraction },
    { "最大峰值电流", F(IDC_MAX_PEAK_CURRENT), Form::Whole },
    { "最大连续电流", F(IDC_MAX_CONT_CURRENT), Form::Whole },
    { "步宽", F(IDC_STEP_WIDTH), Form::Number },
    { "比例常数", F(IDC_P_VELOCITY), Form::Number },
    { "积分常数", F(IDC_I_VELOCITY), Form::Number },
    { "微分常数", F(IDC_D_VELOCITY), Form::Number },
    { "运转方向", F(IDC_CH_A_AHEAD), Form::Rotation },
    { "运行模式", F(IDC_VELOCITY), Form::Number },
    { "信号来源", F(IDC_SOURCE_DIGITAL), Form::Number },
    { "速度失控延迟", F(IDC_RUNAWAY_DELAY), Form::Number },
    { "位置误差范围", F(IDC_POS_ERROR_RANGE), Form::Number },
    { "过流保护延迟", F(IDC_OVER_CURRENT_DELAY), Form::Number },
    { "过载保护延迟", F(IDC_ALARM_DELAY), Form::Number },
    { "堵转时间", F(IDC_STALL_TIME), Form::Number },
    { "最大位置跟踪误差", F(IDC_TRACKING_ERROR), Form::Number },
    { "电流控制机制", F(IDC_CURRENT_LIMIT_MODE), Form::CurrentControl },
    { "开机寻找零位", F(IDC_HOME_ON_POWER_ON), Form::Number },
    { "寻零速度", F(IDC_HOME_VELOCITY), Form::Number },
    { "寻零范围", F(IDC_HOME_RANGE), Form::Number },
    { "零位机械偏移", F(IDC_HOME_OFFSET), Form::Number },
    { "位置比例系数", F(IDC_P_POSITION), Form::Number },
    { "位置微分系数", F(IDC_D_POSITION), Form::Number },
    { "速度前馈系数", F(IDC_F_VELOCITY), Form::Number },
    { "节点地址", F(IDC_SOFTWARE_NUMBER), Form::Exponent },
    { "电流比例系数", F(IDC_P_TORQUE), Form::Number },
    { "电流积分系数", F(IDC_I_TORQUE), Form::Number },
    { "IXR补偿系数", F(IDC_IXR_GAIN), Form::Number },
    { "使能IXR补偿系数", F(IDC_IXR_COMPENSATION), Form::Number },
    { "位置积分常数", F(IDC_I_POSITION), Form::Number },
    { "电流微分常数", F(IDC_D_TORQUE), Form::Number },
    { "IIT时间", F(IDC_IIT_TIME_LIMIT), Form::Number },
    { "IIT恢复时间", F(IDC_IIT_RELEASE_TIME), Form::Number },
    { "最大频率", F(IDC_MAX_FREQUENCY), Form::Number },
    { "速度失控保护", F(IDC_VELOCITY_OUT_OF_CONTROL), Form::Number },
    { "有无霍尔传感器", F(IDC_WITHOUT_HALL), Form::Number },
    { "磁极对数", F(IDC_POLE_PAIRS), Form::Number },
    { "无霍尔初始化电流", F(IDC_PHASE_CURRENT_NO_HALL), Form::Number },
    { "制动电压", F(IDC_THRESHOLD_VOLTAGE), Form::Number },
    { "母线电压", F(IDC_BUS_VOLTAGE), Form::Number },
    { "使用主副编码器", F(IDC_MASTER_ENCODER), Form::Number },
    { "副编码器输入输出", F(IDC_AUX_ENC_INPUT), Form::Number },
    { "上电默认制动电压", F(IDC_THRESHOLD_BUS), Form::Number },
    { "寻零电流", F(IDC_HOME_CURRENT), Form::Number },
    { "寻零电流堵转时间", F(IDC_HOME_CURRENT_TIME), Form::Number },
    { "停止减速度", F(IDC_DISABLE_DECEL), Form::Number },
    { "去使能减速时间", F(IDC_DISABLE_DECEL_TIME), Form::Number },
    { "减速度", F(IDC_DECELERATE), Form::Number },
    { "急停减速度", F(IDC_BRAKE_DECEL), Form::Number },
    { "HLA", Phase(0), Form::PhaseText },
    { "HLB", Phase(1), Form::PhaseText },
    { "HLC", Phase(2), Form::PhaseText },
    { "HLD", Phase(3), Form::PhaseText },
    { "HLE", Phase(4), Form::PhaseText },
    { "HLF", Phase(5), Form::PhaseText },
    { "HLG", Phase(6), Form::PhaseText },
    { "HLH", Phase(7), Form::PhaseText },
    { "HLI", Phase(8), Form::PhaseText },
    { "HLJ", Phase(9), Form::PhaseText },
    { "HLK", Phase(10), Form::PhaseText },
    { "HLL", Phase(11), Form::PhaseText },
    { "HLO", Phase(kPhaseO), Form::PhaseText },
    { "HLR", Phase(kPhaseR), Form::PhaseText },
    { "寻零模式", F(IDC_HOME_MODE), Form::Number },
    { "抱闸器工作模式", F(IDC_BRAKE_MODE), Form::Number },
    { "抱闸器状态", F(IDC_BRAKE_CLOSE), Form::Number },
    { "抱闸器极性", F(IDC_BRAKE_TYPE), Form::Number },
    { "波特率", F(IDC_RS232_BAUD), Form::BaudRate },
    { "CAN波特率", F(IDC_CAN_BAUD), Form::BaudRate },
    { "USB波特率", F(IDC_USB_BAUD), Form::BaudRate },
    { "使能上下拉", F(IDC_ENABLE_PULL), Form::Number },
    { "使能高低", F(IDC_ENABLE_LEVEL), Form::Number },
    { "方向上下拉", F(IDC_DIR_PULL), Form::Number },
    { "方向高低", F(IDC_DIR_LEVEL), Form::Number },
    { "正限位上下拉", F(IDC_CW_PULL), Form::Number },
    { "正限位高低", F(IDC_CW_LEVEL), Form::Number },
    { "反限位上下拉", F(IDC_CCW_PULL), Form::Number },
    { "反限位高低", F(IDC_CCW_LEVEL), Form::Number },
    { "CLK上下拉", F(IDC_CLK_PULL), Form::Number },
    { "FAULT输出上下拉", F(IDC_FAULT_OUT_TYPE), Form::Number },
    { "FAULT输出高低", F(IDC_FAULT_LEVEL), Form::Number },
    { "端口1输入输出", Io(0), Form::PortDirection },
    { "端口1功能", Io(0), Form::PortFunction },
    { "端口1高低", Io(0), Form::PortLevel },
    { "端口1上下拉", Io(0), Form::PortPull },
    { "端口2输入输出", Io(1), Form::PortDirection },
    { "端口2功能", Io(1), Form::PortFunction },
    { "端口2高低", Io(1), Form::PortLevel },
    { "端口2上下拉", Io(1), Form::PortPull },
    { "端口3输入输出", Io(2), Form::PortDirection },
    { "端口3高低", Io(2), Form::PortLevel },
    { "端口3上下拉", Io(2), Form::PortPull },
    { "端口3功能", Io(2), Form::PortFunction },
    { "端口4输入输出", Io(3), Form::PortDirection },
    { "端口4高低", Io(3), Form::PortLevel },
    { "端口4上下拉", Io(3), Form::PortPull },
    { "端口4功能", Io(3), Form::PortFunction },
};

const QString kOn = QStringLiteral("启用");
const QString kOff = QStringLiteral("禁用");
const QString kForward = QStringLiteral("正转");
const QString kReverse = QStringLiteral("反转");
const QString kCurrentLimit = QStringLiteral("限流模式");
const QString kOverCurrent = QStringLiteral("过流保护模式");

// The item a baud list shows when the stored rate begins none of its items.
constexpr int kBaudItemUnknown = 3;
// The run mode's fourth radio (amplifier) is never shown.
constexpr int kShownRunModes = 3;
// IO1 and IO2 output nothing but "Invalid Function": their function key is the input's.
constexpr int kFirstPortWithOutputFunction = 2;

const ParamField& FieldOf(const FileKey& key)
{
    return *FindParamField(key.ref.index);
}

// A list index the combo can show; anything else leaves the combo without a selection.
int ListItem(int comboId, int item)
{
    return item >= 0 && static_cast<size_t>(item) < FindControlSpec(comboId)->items.size() ? item : -1;
}

// The list of a common port that a key goes to for the port's direction, and the combo
// that shows it. IO1 and IO2 keep their function in the input list: as outputs they offer
// nothing but "Invalid Function".
template <typename Model>
auto& PortList(Model& model, const FileKey& key, int* comboId)
{
    const int port = key.ref.index;
    const bool output = model.ioOutput[port] != 0;
    switch (key.form) {
    case Form::PortFunction: {
        const bool outputList = output && port >= kFirstPortWithOutputFunction;
        *comboId = outputList ? kIoOutFuncCombos[port] : kIoInFuncCombos[port];
        return outputList ? model.m_cbIoOutFunc[port] : model.m_cbIoInFunc[port];
    }
    case Form::PortPull:
        *comboId = output ? kIoOutTypeCombos[port] : kIoPullCombos[port];
        return output ? model.m_cbIoOutType[port] : model.m_cbIoPull[port];
    default:
        *comboId = kIoLevelCombos[port];
        return model.m_cbIoLevel[port];
    }
}

int BaudRateOf(int comboId, int item)
{
    const std::span<const char* const> items = FindControlSpec(comboId)->items;
    return item >= 0 && static_cast<size_t>(item) < items.size() ? QByteArray(items[item]).toInt() : 0;
}

QString FieldText(const M& model, const FileKey& key)
{
    const ParamField& field = FieldOf(key);
    switch (key.form) {
    case Form::OnOff:
        return ModelField<int>(model, field) != 0 ? kOn : kOff;
    case Form::Rotation:
        return ModelField<int>(model, field) == 0 ? kForward : kReverse;
    case Form::CurrentControl:
        return ModelField<int>(model, field) == 1 ? kOverCurrent : kCurrentLimit;
    case Form::Whole:
    case Form::WholeOrFraction:
        return QString::number(FloatToInt(ModelField<float>(model, field)));
    case Form::BaudRate:
        return QString::number(BaudRateOf(field.id, ModelField<int>(model, field)));
    default:
        break;
    }
    if (field.kind == FieldKind::Uint) // "%d" of the 32 bits, as the files have always held them
        return QString::number(static_cast<int>(ModelField<uint32_t>(model, field)));
    return QString::number(ModelField<int>(model, field));
}

QString KeyText(const M& model, const FileKey& key)
{
    switch (key.ref.kind) {
    case Kind::Field:
        return FieldText(model, key);
    case Kind::Phase:
        return QString::number(TextToInt(model.phaseTexts[key.ref.index].toLatin1()));
    case Kind::CommonPort: {
        const int port = key.ref.index;
        if (key.form == Form::PortDirection)
            return QString::number(model.ioOutput[port] != 0 ? 1 : 0);
        int comboId = 0;
        return QString::number(PortList(model, key, &comboId));
    }
    case Kind::FunctionPort:
    case Kind::NumberLock:
        break;
    }
    return {};
}

// A number read for a field, as the field's control can show it.
int Shown(const ParamField& field, int value)
{
    switch (field.kind) {
    case FieldKind::Check:
        return value != 0 ? 1 : 0;
    case FieldKind::Radio: {
        const int buttons = field.id == IDC_VELOCITY ? kShownRunModes : static_cast<int>(RadioGroupButtons(field.id).size());
        return value >= 0 && value < buttons ? value : 0;
    }
    case FieldKind::Combo:
        return ListItem(field.id, value);
    case FieldKind::State:
        // The threshold mode keeps the drive's word; its radios show "Manual Input" for any other.
        if (field.id == IDC_THRESHOLD_BUS)
            return value;
        return value != 0 ? 1 : 0; // the brake state: open unless the file says closed
    default:
        return value;
    }
}

void LoadField(CIniFile& ini, const FileKey& key, const QString& name, M& model)
{
    const ParamField& field = FieldOf(key);
    const QString text = ini.GetValue(kParamFileSection, name);
    switch (key.form) {
    case Form::OnOff:
        ModelField<int>(model, field) = text == kOn ? 1 : 0;
        return;
    case Form::Rotation:
        ModelField<int>(model, field) = text == kReverse ? 1 : 0;
        return;
    case Form::CurrentControl:
        ModelField<int>(model, field) = text == kOverCurrent ? 1 : 0;
        return;
    case Form::Whole:
        ModelField<float>(model, field) = static_cast<float>(ini.GetValueI(kParamFileSection, name));
        return;
    case Form::WholeOrFraction:
    case Form::Exponent:
        ModelField<float>(model, field) = LeadingFloat(text.toLatin1());
        return;
    case Form::BaudRate:
        ModelField<int>(model, field) = BaudItemOf(field.id, ini.GetValueI(kParamFileSection, name));
        return;
    default:
        break;
    }
    const int value = ini.GetValueI(kParamFileSection, name);
    if (field.kind == FieldKind::Uint)
        ModelField<uint32_t>(model, field) = static_cast<uint32_t>(value);
    else
        ModelField<int>(model, field) = Shown(field, value);
}

void LoadKey(CIniFile& ini, const FileKey& key, M& model)
{
    const QString name = QString::fromUtf8(key.name);
    switch (key.ref.kind) {
    case Kind::Field:
        LoadField(ini, key, name, model);
        return;
    case Kind::Phase:
        model.phaseTexts[key.ref.index] = QString::number(ini.GetValueI(kParamFileSection, name));
        return;
    case Kind::CommonPort: {
        const int port = key.ref.index;
        const int value = ini.GetValueI(kParamFileSection, name);
        if (key.form == Form::PortDirection) {
            model.ioOutput[port] = value != 0 ? 1 : 0;
            return;
        }
        // An output of IO1 or IO2 leaves its function key unread.
        if (key.form == Form::PortFunction && model.ioOutput[port] && port < kFirstPortWithOutputFunction)
            return;
        int comboId = 0;
        int& list = PortList(model, key, &comboId);
        list = ListItem(comboId, value);
        return;
    }
    case Kind::FunctionPort:
    case Kind::NumberLock:
        return;
    }
}

} // namespace

std::span<const FileKey> ParamFileKeys()
{
    return kKeys;
}

void SaveParamFile(BasicParamModel& model, CIniFile& ini)
{
    for (int i = 0; i < kTextCopyKeys; ++i)
        model.m_strSettingTexts[i] = KeyText(model, kKeys[i]);
    for (int i = 0; i < static_cast<int>(std::size(kKeys)); ++i) {
        const FileKey& key = kKeys[i];
        const QString name = QString::fromUtf8(key.name);
        if (i < kTextCopyKeys)
            ini.SetValue(kParamFileSection, name, model.m_strSettingTexts[i], true);
        else if (key.form == Form::Exponent)
            ini.SetValueF(kParamFileSection, name, ModelField<float>(model, FieldOf(key)), true);
        else
            ini.SetValue(kParamFileSection, name, KeyText(model, key), true);
    }
}

void LoadParamFile(CIniFile& ini, BasicParamModel& model)
{
    // In the table every port's direction comes before its other keys, so those go to the
    // lists of the direction just read.
    for (const FileKey& key : kKeys)
        LoadKey(ini, key, model);
    // The auxiliary encoder, once it is the feedback, is always an input.
    if (model.m_nEncoderSelect != 0)
        model.m_nAuxEncoderDir = 0;
}

int ParamFileKeysHeld(const CIniFile& ini)
{
    const QStringList held = ini.ValueNames(kParamFileSection);
    return static_cast<int>(std::count_if(std::begin(kKeys), std::end(kKeys),
        [&held](const FileKey& key) { return held.contains(QString::fromUtf8(key.name)); }));
}

int BaudItemOf(int comboId, int rate)
{
    const std::span<const char* const> items = FindControlSpec(comboId)->items;
    const QByteArray prefix = QByteArray::number(rate);
    for (size_t step = 1; step <= items.size(); ++step) {
        const size_t item = step % items.size();
        if (QByteArrayView(items[item]).startsWith(prefix))
            return static_cast<int>(item);
    }
    return kBaudItemUnknown;
}

QString ProposedFileName(const QString& typeText)
{
    QString name;
    for (const QChar c : typeText) {
        if (c == u'\r' || c == u'\n')
            continue;
        const bool unusable = c == u'/' || c == u'\\' || c.category() == QChar::Other_Control;
        name += unusable ? QChar(u'_') : c;
    }
    // Nothing but dots would name a folder, not a file.
    if (std::all_of(name.begin(), name.end(), [](QChar c) { return c == u'.'; }))
        return {};
    return name;
}

void AddMotorType(CIniFile& ini, const QString& name)
{
    const QString count = QStringLiteral("MotType");
    const int n = std::clamp(ini.GetValueI(kParamFileSection, count), 0, INT_MAX - 1);
    ini.SetValueI(kParamFileSection, count, n + 1, true);
    ini.SetValue(QStringLiteral("MotType"), QStringLiteral("Project%1").arg(n), name, true);
}
