#include "pages/MonitorForm.h"

#include <climits>
#include <variant>
#include <vector>

namespace {

struct Field {
    int id;
    std::variant<int MonitorForm::*, uint32_t MonitorForm::*, QString MonitorForm::*, int> member;
    int min = INT_MIN;
    int max = INT_MAX;
    int maxChars = 0;
    bool hidden = false;
};

// The gains live in an array; their entries are given by index.
constexpr int kNoRange = 0;

const Field kFields[] = {
    { IDC_ABS_TARGET, &MonitorForm::absTarget },
    { IDC_REL_TARGET, &MonitorForm::relTarget },
    { IDC_VEL_TARGET, &MonitorForm::velTarget },
    { IDC_CUR_TARGET, &MonitorForm::curTarget },
    { IDC_USER_QUERY, &MonitorForm::userQuery, INT_MIN, INT_MAX, 5 },
    { IDC_GAIN_A, GAIN_A, 1, 30000, kNoRange, true },
    { IDC_GAIN_P, GAIN_P, 0, 10000, kNoRange, true },
    { IDC_GAIN_I, GAIN_I, 1, 10000, kNoRange, true },
    { IDC_GAIN_D, GAIN_D, 0, 10000, kNoRange, true },
    { IDC_GAIN_MP, GAIN_MP, INT_MIN, INT_MAX, kNoRange, true },
    { IDC_GAIN_MK, GAIN_MK, INT_MIN, INT_MAX, kNoRange, true },
    { IDC_Y_BASELINE, &MonitorForm::yBaseline },
    { IDC_Y_RANGE, &MonitorForm::yRange },
    { IDC_X_RANGE, &MonitorForm::xRange },
    { IDC_RESET_Y_MAX, &MonitorForm::resetYMax, INT_MIN, INT_MAX, kNoRange, true },
    { IDC_RESET_Y_MIN, &MonitorForm::resetYMin, INT_MIN, INT_MAX, kNoRange, true },
    { IDC_RESET_X_MIN, &MonitorForm::resetXMin, INT_MIN, INT_MAX, kNoRange, true },
    { IDC_RESET_X_MAX, &MonitorForm::resetXMax, INT_MIN, INT_MAX, kNoRange, true },
};


const QString kPromptLength = QStringLiteral("请输入不超过 %1 个字符。");

const Field* FindField(int id)
{
    for (const Field& field : kFields) {
        if (field.id == id)
            return &field;
    }
    return nullptr;
}

}

std::span<const int> MonitorFieldIds()
{
    static const std::vector<int> ids = [] {
        std::vector<int> list;
        for (const Field& field : kFields)
            list.push_back(field.id);
        return list;
    }();
    return ids;
}

bool IsHiddenField(int id)
{
    const Field* field = FindField(id);
    return field && field->hidden;
}

QString FieldText(const MonitorForm& form, int id)
{
    const Field* field = FindField(id);
    if (!field)
        return {};
    if (const auto* member = std::get_if<int MonitorForm::*>(&field->member))
        return QString::number(form.**member);
    if (const auto* member = std::get_if<uint32_t MonitorForm::*>(&field->member))
        return QString::number(form.**member);
    if (const auto* member = std::get_if<QString MonitorForm::*>(&field->member))
        return form.**member;
    return QString::number(form.gains[static_cast<size_t>(std::get<int>(field->member))]);
}

std::optional<ExchangeFailure> TakeField(MonitorForm& form, int id, const QString& text)
{
    const Field* field = FindField(id);
    if (!field)
        return std::nullopt;
    if (const auto* member = std::get_if<QString MonitorForm::*>(&field->member)) {
        if (text.size() > field->maxChars)
            return ExchangeFailure { id, kPromptLength.arg(field->maxChars) };
        form.**member = text;
        return std::nullopt;
    }
    if (const auto* member = std::get_if<uint32_t MonitorForm::*>(&field->member)) {
        const auto value = ParseUintText(text);
        if (!value)
            return ExchangeFailure { id, kPromptUnsigned };
        form.**member = static_cast<uint32_t>(*value);
        return std::nullopt;
    }
    const auto value = ParseIntText(text);
    if (!value)
        return ExchangeFailure { id, kPromptInteger };
    if (*value < field->min || *value > field->max)
        return ExchangeFailure { id, kPromptRange.arg(field->min).arg(field->max) };
    if (const auto* member = std::get_if<int MonitorForm::*>(&field->member))
        form.**member = static_cast<int>(*value);
    else
        form.gains[static_cast<size_t>(std::get<int>(field->member))] = static_cast<int>(*value);
    return std::nullopt;
}

int TargetFieldOf(int runMode)
{
    switch (runMode) {
    case RUN_RELATIVE_POSITION:
        return IDC_REL_TARGET;
    case RUN_VELOCITY:
        return IDC_VEL_TARGET;
    case RUN_CURRENT:
        return IDC_CUR_TARGET;
    default:
        return IDC_ABS_TARGET;
    }
}

int TargetOf(const MonitorForm& form, int runMode)
{
    switch (runMode) {
    case RUN_RELATIVE_POSITION:
        return form.relTarget;
    case RUN_VELOCITY:
        return form.velTarget;
    case RUN_CURRENT:
        return form.curTarget;
    default:
        return form.absTarget;
    }
}

