#include "pages/tuning/TuningForm.h"

#include "pages/shared/FormField.h"

namespace {

using Field = FormField<TuningForm>;

const Field kFields[] = {
    { IDC_TUNE_A, TGAIN_A, 1, 30000 },
    { IDC_TUNE_SPEED_P, TGAIN_P, 0, 10000 },
    { IDC_TUNE_SPEED_I, TGAIN_I, 1, 10000 },
    { IDC_TUNE_SPEED_D, TGAIN_D, 0, 10000 },
    { IDC_TUNE_POS_P, TGAIN_MP },
    { IDC_TUNE_POS_K, TGAIN_MK },
    { IDC_TUNE_Y_BASE, &TuningForm::yBase },
    { IDC_TUNE_Y_SPAN, &TuningForm::ySpan },
    { IDC_TUNE_X_SPAN, &TuningForm::xSpan },
    { IDC_TUNE_PERIOD, &TuningForm::period, 1, 65535 },
    { IDC_TUNE_OFFSET, &TuningForm::offset, -32768, 32767 },
    { IDC_TUNE_AMPLITUDE, &TuningForm::amplitude, 1, 65535 },
    { IDC_TUNE_KT, TGAIN_MPT, 0, 100 },
};

}

std::span<const int> TuningFieldIds()
{
    static const std::vector<int> ids = FormFieldIds<TuningForm>(kFields);
    return ids;
}

std::span<const int> TuningGainIds()
{
    static constexpr int ids[] = { IDC_TUNE_SPEED_P, IDC_TUNE_SPEED_I, IDC_TUNE_SPEED_D, IDC_TUNE_A, IDC_TUNE_POS_P,
        IDC_TUNE_POS_K, IDC_TUNE_KT };
    return ids;
}

std::span<const int> TuningWaveIds()
{
    static constexpr int ids[] = { IDC_TUNE_AMPLITUDE, IDC_TUNE_PERIOD, IDC_TUNE_OFFSET };
    return ids;
}

QString TuningFieldText(const TuningForm& form, int id)
{
    return FormFieldText<TuningForm>(kFields, form, id);
}

std::optional<ExchangeFailure> TakeTuningField(TuningForm& form, int id, const QString& text)
{
    return TakeFormField<TuningForm>(kFields, form, id, text);
}
