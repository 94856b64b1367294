#include "pages/params/DataExchange.h"

#include "pages/params/BasicParamFields.h"

namespace {

using M = BasicParamModel;

// A number field from its text: the prompt when the text is no such number.
template <typename T>
std::optional<QString> TakeNumber(const std::optional<T>& value, const QString& prompt, const ParamField& field, M& model)
{
    if (!value)
        return prompt;
    ModelField<T>(model, field) = *value;
    return std::nullopt;
}

// One field from its control; the prompt when its text is rejected.
std::optional<QString> TakeField(const FormControls& controls, const ParamField& field, M& model)
{
    const QString text = controls.texts.value(field.id);
    switch (field.kind) {
    case FieldKind::Int: {
        const std::optional<int> value = ParseIntText(text);
        if (value && (*value < field.min || *value > field.max))
            return kPromptRange.arg(field.min).arg(field.max);
        return TakeNumber(value, kPromptInteger, field, model);
    }
    case FieldKind::Uint:
        return TakeNumber(ParseUintText(text), kPromptUnsigned, field, model);
    case FieldKind::Float:
        return TakeNumber(ParseFloatText(text), kPromptNumber, field, model);
    case FieldKind::Check:
        ModelField<int>(model, field) = controls.states.value(field.id) ? 1 : 0;
        return std::nullopt;
    case FieldKind::Radio:
        ModelField<int>(model, field) = controls.states.value(field.id, -1);
        return std::nullopt;
    case FieldKind::Combo:
    case FieldKind::State:
        break;
    }
    return std::nullopt;
}

} // namespace

std::optional<ExchangeFailure> ExchangeIn(const FormControls& controls, BasicParamModel& model)
{
    for (int id : DataExchangeOrder()) {
        const ParamField* field = FindParamField(id);
        if (!field)
            continue;
        if (std::optional<QString> prompt = TakeField(controls, *field, model))
            return ExchangeFailure { id, *prompt };
    }
    return std::nullopt;
}

FormControls ExchangeOut(const BasicParamModel& model)
{
    FormControls controls;
    for (int id : DataExchangeOrder()) {
        const ParamField* field = FindParamField(id);
        if (!field)
            continue;
        switch (field->kind) {
        case FieldKind::Int:
            controls.texts.insert(id, QString::number(ModelField<int>(model, *field)));
            break;
        case FieldKind::Uint:
            controls.texts.insert(id, QString::number(ModelField<uint32_t>(model, *field)));
            break;
        case FieldKind::Float:
            controls.texts.insert(id, FloatText(ModelField<float>(model, *field)));
            break;
        case FieldKind::Check:
        case FieldKind::Radio:
            controls.states.insert(id, ModelField<int>(model, *field));
            break;
        case FieldKind::Combo:
        case FieldKind::State:
            break;
        }
    }
    return controls;
}
