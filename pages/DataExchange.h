#pragma once

#include "pages/BasicParamModel.h"

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

// The first control whose text the exchange rejected, and the prompt that says why.
struct ExchangeFailure {
    int id = 0;
    QString prompt;
};

// The prompts of the validators.
extern const QString kPromptInteger;  // not an integer
extern const QString kPromptNumber;   // not a number (float fields)
extern const QString kPromptUnsigned; // not an unsigned integer
// "%1" and "%2" stand for the bounds.
extern const QString kPromptRange;

// Text typed by the user, read as the validators do: blanks around the number are allowed,
// nothing else is. Numbers that do not fit the field's type are rejected, never wrapped;
// floats must be finite and within the range of a float.
std::optional<int> ParseIntText(QStringView text);
std::optional<uint32_t> ParseUintText(QStringView text);
std::optional<float> ParseFloatText(QStringView text);
// A float as its edit shows it: six significant digits.
QString FloatText(float value);

// Takes the controls into the model, field by field in the exchange order. Stops at the
// first text that is rejected: the fields before it have been taken, it and the later ones
// keep their values.
std::optional<ExchangeFailure> ExchangeIn(const FormControls& controls, BasicParamModel& model);
// What the controls show for the model's fields.
FormControls ExchangeOut(const BasicParamModel& model);
