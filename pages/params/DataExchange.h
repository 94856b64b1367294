#pragma once

#include "pages/params/BasicParamModel.h"
#include "platform/FormText.h"

#include <QHash>
#include <QString>

#include <optional>

// What the page's controls hold, by control id: the text of each edit, and the state of each
// check box (0 or 1) and radio group (by its first button: the index of the checked button,
// -1 when none is).
struct FormControls {
    QHash<int, QString> texts;
    QHash<int, int> states;
};

// Takes the controls into the model, field by field in the exchange order. Stops at the
// first text that is rejected: the fields before it have been taken, it and the later ones
// keep their values.
std::optional<ExchangeFailure> ExchangeIn(const FormControls& controls, BasicParamModel& model);
// What the controls show for the model's fields.
FormControls ExchangeOut(const BasicParamModel& model);
