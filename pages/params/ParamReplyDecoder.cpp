#include "pages/params/ParamReplyDecoder.h"

#include "link/LogRing.h"
#include "pages/params/BasicParamControls.h"
#include "pages/params/BasicParamFields.h"
#include "pages/params/BasicParamIds.h"
#include "pages/params/PortWord.h"
#include "shell/StripDecoders.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {

using M = BasicParamModel;
using What = ControlChange::What;

// Queries whose "ERR" reply reads as 0 instead of being ignored.
const char* const kNoErrTest[] = { "GEVL", "GHE", "GECM", "GCEC", "GVRM" };

ControlChange Enable(int id, bool on) { return { id, What::Enable, on }; }
ControlChange Check(int id, bool on) { return { id, What::Check, on }; }
ControlChange Text(int id, const QString& text) { return { id, What::Text, false, text }; }
ControlChange Select(int id, int item) { return { id, What::Select, false, {}, item }; }

int& IntField(M& model, int id)
{
    return ModelField<int>(model, *FindParamField(id));
}

// Selects a combo item and keeps it in the model.
ControlChange SelectField(M& model, int id, int item)
{
    IntField(model, id) = item;
    return Select(id, item);
}

int ItemOrZero(int value, int count)
{
    return value >= 0 && value < count ? value : 0;
}

// The reply as an edit shows it: the drive's text without its line end.
QString ShownText(QByteArrayView text)
{
    while (!text.isEmpty() && (text.back() == '\r' || text.back() == '\n'))
        text.chop(1);
    return DecodeLogText(text);
}

// The item of a combo whose text is the reply's, trimmed and compared without case; item 0
// when none is.
int ComboItemOf(int comboId, const QString& text)
{
    const std::span<const char* const> items = FindControlSpec(comboId)->items;
    for (size_t i = 0; i < items.size(); ++i) {
        if (QString::fromLatin1(items[i]).compare(text.trimmed(), Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return 0;
}

ControlChanges RunModeWord(int value, M& model)
{
    const int word = value & 0xFFFF;
    const int mode = (word >> 8) & 0xF;
    const int source = word & 0xF;
    model.m_nRunMode = mode < 3 ? mode : 0;
    int item = 0;
    if (source >= 1 && source <= 3)
        item = source;
    else if (source >= 5 && source <= 10)
        item = source - 1;
    ControlChanges changes {
        Check(IDC_VELOCITY, model.m_nRunMode == 0),
        Check(IDC_POSITION, model.m_nRunMode == 1),
        Check(IDC_TORQUE, model.m_nRunMode == 2),
        SelectField(model, IDC_COMMAND, item),
    };
    for (const ControlChange& label : DeadBandLabels(item))
        changes.push_back(label);
    return changes;
}

ControlChanges BrakeMode(int value, M& model)
{
    const int mode = ItemOrZero(value, 3);
    ControlChanges changes { SelectField(model, IDC_BRAKE_MODE, mode) };
    if (mode != 0)
        return { changes[0], Enable(IDC_BRAKE_CLOSE, false), Enable(IDC_BRAKE_OPEN, false) };
    // The button that changes the brake's state is offered; the other keeps its state.
    changes.push_back(Enable(model.m_bBrakeOpen ? IDC_BRAKE_CLOSE : IDC_BRAKE_OPEN, true));
    return changes;
}

ControlChanges OwnRule(const QString& query, int value, QByteArrayView text, M& model)
{
    if (query == u"GMOD")
        return RunModeWord(value, model);
    if (query == u"GCCW") {
        model.m_nPositionDirection = value == 1 ? 1 : 0;
        return { Check(IDC_CH_B_AHEAD, value == 1), Check(IDC_CH_A_AHEAD, value != 1) };
    }
    if (query == u"GRBD" || query == u"GUBD") {
        const int id = query == u"GRBD" ? IDC_RS232_BAUD : IDC_USB_BAUD;
        return { SelectField(model, id, ComboItemOf(id, ShownText(text))) };
    }
    if (query == u"GCBD")
        return { SelectField(model, IDC_CAN_BAUD, ComboItemOf(IDC_CAN_BAUD, QString::number(value / 1000))) };
    if (query == u"GHE") {
        model.m_nHallSensor = value != 0 ? 1 : 0;
        return { Check(IDC_WITHOUT_HALL, value == 0), Check(IDC_WITH_HALL, value != 0) };
    }
    if (query == u"GECM")
        return { Check(IDC_AUX_ENC_OUTPUT, value == 0), Check(IDC_AUX_ENC_INPUT, value != 0) };
    if (query == u"GCEC") {
        if (value == 0)
            return { Check(IDC_AUX_ENCODER, true), Check(IDC_MASTER_ENCODER, false), Enable(IDC_AUX_ENC_OUTPUT, false) };
        return { Enable(IDC_AUX_ENC_OUTPUT, true), Check(IDC_MASTER_ENCODER, true), Check(IDC_AUX_ENCODER, false) };
    }
    if (query == u"GVRM") {
        model.m_nThresholdMode = value;
        return ThresholdRadios(value);
    }
    if (query == u"GPOM") {
        const int mode = ItemOrZero(value, 2);
        ControlChanges changes = HomeModeRule(mode);
        changes.push_back(SelectField(model, IDC_HOME_MODE, mode));
        return changes;
    }
    if (query == u"GCMS") {
        model.m_bBrakeOpen = value == 1 ? 0 : 1;
        return BrakeButtons(0, model.m_bBrakeOpen);
    }
    if (query == u"GMST")
        return BrakeMode(value, model);
    if (query == u"GMSO")
        return { SelectField(model, IDC_BRAKE_TYPE, ItemOrZero(value, 2)) };
    return {};
}

ControlChanges FieldRule(const ParamField& field, const QString& query, int value, QByteArrayView text, M& model)
{
    switch (field.reply) {
    case ReplyRule::Plain:
        if (field.kind == FieldKind::Uint)
            ModelField<uint32_t>(model, field) = static_cast<uint32_t>(value);
        else
            ModelField<int>(model, field) = value;
        return { Text(field.id, ShownText(text)) };
    case ReplyRule::Float:
        ModelField<float>(model, field) = query == u"GADR" ? LeadingFloat(text) : static_cast<float>(value);
        return { Text(field.id, ShownText(text)) };
    case ReplyRule::Check:
        ModelField<int>(model, field) = value != 0 ? 1 : 0;
        return { Check(field.id, value != 0) };
    case ReplyRule::Own:
        return OwnRule(query, value, text, model);
    case ReplyRule::None:
        break;
    }
    return {};
}

ControlChanges FunctionPortRule(const FunctionPort& port, int value, M& model)
{
    const PortWord word = PortWord::Decode(static_cast<uint32_t>(value));
    ControlChanges changes { SelectField(model, port.pullId, word.pullOrType) };
    if (port.levelId)
        changes.push_back(SelectField(model, port.levelId, word.level));
    return changes;
}

ControlChanges CommonPortRule(int port, int value, M& model)
{
    const PortWord word = PortWord::Decode(static_cast<uint32_t>(value));
    const int item = CommonPortFunctionItem(port, word.output, word.function);
    model.ioOutput[port] = word.output ? 1 : 0;
    ControlChanges changes = IoDirectionRule(port, word.output);
    changes.push_back(Check(kIoInputRadios[port], !word.output));
    changes.push_back(Check(kIoOutputRadios[port], word.output));
    if (word.output) {
        model.m_cbIoOutType[port] = word.pullOrType;
        model.m_cbIoOutFunc[port] = item;
        changes.push_back(Select(kIoOutTypeCombos[port], word.pullOrType));
        changes.push_back(Select(kIoOutFuncCombos[port], item));
    } else {
        model.m_cbIoPull[port] = word.pullOrType;
        model.m_cbIoInFunc[port] = item;
        changes.push_back(Select(kIoPullCombos[port], word.pullOrType));
        changes.push_back(Select(kIoInFuncCombos[port], item));
    }
    model.m_cbIoLevel[port] = word.level;
    changes.push_back(Select(kIoLevelCombos[port], word.level));
    return changes;
}

bool ErrTested(const QString& query, const ParamRef& ref)
{
    if (ref.kind == ParamRef::Kind::FunctionPort || ref.kind == ParamRef::Kind::CommonPort)
        return false;
    return std::none_of(std::begin(kNoErrTest), std::end(kNoErrTest),
        [&](const char* exempt) { return query == QLatin1String(exempt); });
}

} // namespace

std::optional<ControlChanges> DecodeParamReply(CommandId id, QByteArrayView text, BasicParamModel& model)
{
    InitCommandTables();
    QString query;
    if (!ParseCommandId(query, id, true))
        return std::nullopt;
    const std::optional<ParamRef> ref = FindQuery(query);
    if (!ref)
        return std::nullopt;
    if (ErrTested(query, *ref) && QByteArrayView(text).contains("ERR"))
        return ControlChanges {};
    const int value = TextToInt(text);
    switch (ref->kind) {
    case ParamRef::Kind::Field:
        return FieldRule(*FindParamField(ref->index), query, value, text, model);
    case ParamRef::Kind::Phase:
        model.phaseTexts[ref->index] = ShownText(text);
        return ControlChanges { Text(kPhaseEdits[ref->index], model.phaseTexts[ref->index]) };
    case ParamRef::Kind::FunctionPort:
        return FunctionPortRule(FunctionPorts()[ref->index], value, model);
    case ParamRef::Kind::CommonPort:
        return CommonPortRule(ref->index, value, model);
    case ParamRef::Kind::NumberLock:
        return ControlChanges { Enable(ref->index, value == 0) };
    }
    return std::nullopt;
}

std::vector<int> ControlsShowingQuery(CommandId id)
{
    // Told by the decoder itself: what a reply of 0 and one of 1 fill (a port word's bit 0
    // picks an input's or an output's lists).
    std::vector<int> ids;
    for (const char* value : { "0", "1" }) {
        BasicParamModel scratch;
        for (const ControlChange& change : DecodeParamReply(id, value, scratch).value_or(ControlChanges {})) {
            const ControlSpec* spec = FindControlSpec(change.id);
            const bool shown = change.what == What::Text || change.what == What::Check || change.what == What::Select;
            if (shown && spec && spec->kind != ControlKind::Label && spec->kind != ControlKind::Button
                && std::find(ids.begin(), ids.end(), change.id) == ids.end())
                ids.push_back(change.id);
        }
    }
    return ids;
}

float LeadingFloat(QByteArrayView text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    const qsizetype start = i;
    auto digits = [&] {
        const qsizetype from = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i;
        return i - from;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    qsizetype mantissa = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return 0.0f;
    qsizetype end = i;
    bool tinyExponent = false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            tinyExponent = text[i++] == '-';
        if (digits() > 0)
            end = i;
        else
            tinyExponent = false;
    }
    bool ok = false;
    const double value = text.sliced(start, end - start).toByteArray().toDouble(&ok);
    const float limit = text[start] == '-' ? -FLT_MAX : FLT_MAX;
    // A number beyond a double's range does not convert at all; its exponent says which way.
    if (!ok)
        return tinyExponent ? 0.0f : limit;
    if (std::fabs(value) > FLT_MAX)
        return limit;
    return static_cast<float>(value);
}
