#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

// The first control whose text a form's exchange rejected, and the prompt that says why.
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
