#include "pages/runmonitor/RunMonitorForm.h"

#include "pages/shared/FormField.h"

#include <vector>

namespace {

using Field = FormField<RunMonitorForm>;

// The gains live in an array; their entries are given by index.
constexpr int kNoRange = 0;

const Field kFields[] = {
    { IDC_ABS_TARGET, &RunMonitorForm::absTarget },
    { IDC_REL_TARGET, &RunMonitorForm::relTarget },
    { IDC_VEL_TARGET, &RunMonitorForm::velTarget },
    { IDC_CUR_TARGET, &RunMonitorForm::curTarget },
    { IDC_USER_QUERY, &RunMonitorForm::userQuery, INT_MIN, INT_MAX, 5 },
    { IDC_GAIN_A, GAIN_A, 1, 30000, kNoRange, true },
    { IDC_GAIN_P, GAIN_P, 0, 10000, kNoRange, true },
    { IDC_GAIN_I, GAIN_I, 1, 10000, kNoRange, true },
    { IDC_GAIN_D, GAIN_D, 0, 10000, kNoRange, true },
    { IDC_GAIN_MP, GAIN_MP, INT_MIN, INT_MAX, kNoRange, true },
    { IDC_GAIN_MK, GAIN_MK, INT_MIN, INT_MAX, kNoRange, true },
    { IDC_Y_BASELINE, &RunMonitorForm::yBaseline },
    { IDC_Y_RANGE, &RunMonitorForm::yRange },
    { IDC_X_RANGE, &RunMonitorForm::xRange },
    { IDC_RESET_Y_MAX, &RunMonitorForm::resetYMax, INT_MIN, INT_MAX, kNoRange, true },
    { IDC_RESET_Y_MIN, &RunMonitorForm::resetYMin, INT_MIN, INT_MAX, kNoRange, true },
    { IDC_RESET_X_MIN, &RunMonitorForm::resetXMin, INT_MIN, INT_MAX, kNoRange, true },
    { IDC_RESET_X_MAX, &RunMonitorForm::resetXMax, INT_MIN, INT_MAX, kNoRange, true },
};


const Field* FindField(int id)
{
    return FindFormField<RunMonitorForm>(kFields, id);
}

}

std::span<const int> MonitorFieldIds()
{
    static const std::vector<int> ids = FormFieldIds<RunMonitorForm>(kFields);
    return ids;
}

bool IsHiddenField(int id)
{
    const Field* field = FindField(id);
    return field && field->hidden;
}

QString FieldText(const RunMonitorForm& form, int id)
{
    return FormFieldText<RunMonitorForm>(kFields, form, id);
}

std::optional<ExchangeFailure> TakeField(RunMonitorForm& form, int id, const QString& text)
{
    return TakeFormField<RunMonitorForm>(kFields, form, id, text);
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

int TargetOf(const RunMonitorForm& form, int runMode)
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

