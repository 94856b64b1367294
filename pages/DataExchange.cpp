#include "pages/DataExchange.h"

#include "pages/BasicParamFields.h"

#include <QLocale>

#include <cfloat>
#include <cmath>

const QString kPromptInteger = QStringLiteral("请输入一个整数。");
const QString kPromptNumber = QStringLiteral("请输入一个数字。");
const QString kPromptUnsigned = QStringLiteral("请输入一个正整数。");
const QString kPromptRange = QStringLiteral("请输入一个 %1 至 %2 之间的整数。");

namespace {

using M = BasicParamModel;

// A decimal integer with an optional sign and blanks around it; nullopt for anything else
// and for magnitudes beyond what 64 bits hold comfortably.
std::optional<long long> ParseDecimal(QStringView text)
{
    text = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    if (i == text.size())
        return std::nullopt;
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9')
            return std::nullopt;
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > 0xFFFFFFFFLL)
            return std::nullopt;
    }
    return negative ? -value : value;
}

// Digits, an optional point and fraction, an optional exponent: no hexadecimal, no "inf" or
// "nan", which the number parser would otherwise take.
bool IsDecimalFloat(QStringView text)
{
    qsizetype i = 0;
    auto digits = [&] {
        const qsizetype start = i;
        while (i < text.size() && text[i] >= u'0' && text[i] <= u'9')
            ++i;
        return i - start;
    };
    auto sign = [&] {
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
            ++i;
    };
    sign();
    qsizetype mantissa = digits();
    if (i < text.size() && text[i] == u'.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return false;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        sign();
        if (digits() == 0)
            return false;
    }
    return i == text.size();
}

template <typename T>
T& Field(M& model, const ParamField& field)
{
    return model.*std::get<T M::*>(field.member);
}

template <typename T>
const T& Field(const M& model, const ParamField& field)
{
    return model.*std::get<T M::*>(field.member);
}

// One field from its control; the prompt when its text is rejected.
std::optional<QString> TakeField(const FormControls& controls, const ParamField& field, M& model)
{
    const QString text = controls.texts.value(field.id);
    switch (field.kind) {
    case FieldKind::Int: {
        const std::optional<int> value = ParseIntText(text);
        if (!value)
            return kPromptInteger;
        if (*value < field.min || *value > field.max)
            return kPromptRange.arg(field.min).arg(field.max);
        Field<int>(model, field) = *value;
        return std::nullopt;
    }
    case FieldKind::Uint: {
        const std::optional<uint32_t> value = ParseUintText(text);
        if (!value)
            return kPromptUnsigned;
        Field<uint32_t>(model, field) = *value;
        return std::nullopt;
    }
    case FieldKind::Float: {
        const std::optional<float> value = ParseFloatText(text);
        if (!value)
            return kPromptNumber;
        Field<float>(model, field) = *value;
        return std::nullopt;
    }
    case FieldKind::Check:
        Field<int>(model, field) = controls.states.value(field.id) ? 1 : 0;
        return std::nullopt;
    case FieldKind::Radio:
        Field<int>(model, field) = controls.states.value(field.id, -1);
        return std::nullopt;
    case FieldKind::Combo:
    case FieldKind::State:
        break;
    }
    return std::nullopt;
}

} // namespace

std::optional<int> ParseIntText(QStringView text)
{
    const std::optional<long long> value = ParseDecimal(text);
    if (!value || *value < INT_MIN || *value > INT_MAX)
        return std::nullopt;
    return static_cast<int>(*value);
}

std::optional<uint32_t> ParseUintText(QStringView text)
{
    const std::optional<long long> value = ParseDecimal(text);
    if (!value || *value < 0 || text.trimmed().startsWith(u'-'))
        return std::nullopt;
    return static_cast<uint32_t>(*value);
}

std::optional<float> ParseFloatText(QStringView text)
{
    text = text.trimmed();
    if (!IsDecimalFloat(text))
        return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(value) || std::fabs(value) > FLT_MAX)
        return std::nullopt;
    return static_cast<float>(value);
}

QString FloatText(float value)
{
    return QString::asprintf("%.6g", static_cast<double>(value));
}

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
            controls.texts.insert(id, QString::number(Field<int>(model, *field)));
            break;
        case FieldKind::Uint:
            controls.texts.insert(id, QString::number(Field<uint32_t>(model, *field)));
            break;
        case FieldKind::Float:
            controls.texts.insert(id, FloatText(Field<float>(model, *field)));
            break;
        case FieldKind::Check:
        case FieldKind::Radio:
            controls.states.insert(id, Field<int>(model, *field));
            break;
        case FieldKind::Combo:
        case FieldKind::State:
            break;
        }
    }
    return controls;
}
