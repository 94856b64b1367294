#pragma once

#include "platform/FormText.h"

#include <QString>

#include <climits>
#include <optional>
#include <span>
#include <variant>
#include <vector>

// One edit of a chart page's form, as its table row: the control, the member it fills (a
// number, an unsigned number, a text, or an entry of the form's `gains` array by index),
// the range of a number and the length of a text.
template <class Form>
struct FormField {
    int id;
    std::variant<int Form::*, uint32_t Form::*, QString Form::*, int> member;
    int min = INT_MIN;
    int max = INT_MAX;
    int maxChars = 0;
    bool hidden = false;
};

template <class Form>
const FormField<Form>* FindFormField(std::span<const FormField<Form>> fields, int id)
{
    for (const FormField<Form>& field : fields) {
        if (field.id == id)
            return &field;
    }
    return nullptr;
}

// The ids of the fields, in table order.
template <class Form>
std::vector<int> FormFieldIds(std::span<const FormField<Form>> fields)
{
    std::vector<int> ids;
    for (const FormField<Form>& field : fields)
        ids.push_back(field.id);
    return ids;
}

// The edit's text for the form's value.
template <class Form>
QString FormFieldText(const FormField<Form>& field, const Form& form)
{
    if (const auto* member = std::get_if<int Form::*>(&field.member))
        return QString::number(form.**member);
    if (const auto* member = std::get_if<uint32_t Form::*>(&field.member))
        return QString::number(form.**member);
    if (const auto* member = std::get_if<QString Form::*>(&field.member))
        return form.**member;
    return QString::number(form.gains[static_cast<size_t>(std::get<int>(field.member))]);
}

// Takes the edit's text into the form after checking it (integer, range, length); the
// form is untouched when the text is rejected.
template <class Form>
std::optional<ExchangeFailure> TakeFormField(const FormField<Form>& field, Form& form, const QString& text)
{
    if (const auto* member = std::get_if<QString Form::*>(&field.member)) {
        if (text.size() > field.maxChars)
            return ExchangeFailure { field.id, QStringLiteral("请输入不超过 %1 个字符。").arg(field.maxChars) };
        form.**member = text;
        return std::nullopt;
    }
    if (const auto* member = std::get_if<uint32_t Form::*>(&field.member)) {
        const auto value = ParseUintText(text);
        if (!value)
            return ExchangeFailure { field.id, kPromptUnsigned };
        form.**member = *value;
        return std::nullopt;
    }
    const auto value = ParseIntText(text);
    if (!value)
        return ExchangeFailure { field.id, kPromptInteger };
    if (*value < field.min || *value > field.max)
        return ExchangeFailure { field.id, kPromptRange.arg(field.min).arg(field.max) };
    if (const auto* member = std::get_if<int Form::*>(&field.member))
        form.**member = *value;
    else
        form.gains[static_cast<size_t>(std::get<int>(field.member))] = *value;
    return std::nullopt;
}

// The same, by the edit's id in the table: an empty text, or nothing taken, for an id that
// is not in it.
template <class Form>
QString FormFieldText(std::span<const FormField<Form>> fields, const Form& form, int id)
{
    const FormField<Form>* field = FindFormField(fields, id);
    return field ? FormFieldText(*field, form) : QString();
}

template <class Form>
std::optional<ExchangeFailure> TakeFormField(std::span<const FormField<Form>> fields, Form& form, int id, const QString& text)
{
    const FormField<Form>* field = FindFormField(fields, id);
    return field ? TakeFormField(*field, form, text) : std::nullopt;
}
