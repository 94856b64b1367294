#include "pages/MonitorForm.h"

#include "pages/FormField.h"

#include <vector>

namespace {

using Field = FormField<MonitorForm>;

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


const Field* FindField(int id)
{
    return FindFormField<MonitorForm>(kFields, id);
}

}

std::span<const int> MonitorFieldIds()
{
    static const std::vector<int> ids = FormFieldIds<MonitorForm>(kFields);
    return ids;
}

bool IsHiddenField(int id)
{
    const Field* field = FindField(id);
    return field && field->hidden;
}

QString FieldText(const MonitorForm& form, int id)
{
    return FormFieldText<MonitorForm>(kFields, form, id);
}

std::optional<ExchangeFailure> TakeField(MonitorForm& form, int id, const QString& text)
{
    return TakeFormField<MonitorForm>(kFields, form, id, text);
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

