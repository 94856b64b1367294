#pragma once

#include <QString>
#include <QStringView>

// Texts that come from data files and the profile are shown only this long: a file or
// profile value of megabytes must never reach a label, whose layout would freeze the
// window for many seconds.
constexpr qsizetype kDisplayNameChars = 64;  // a drive's type name, a version text
constexpr qsizetype kDisplayPathChars = 128; // a device path

// The text as it stands when it has at most maxChars characters, else its start with "…"
// as the last of maxChars characters (never half a surrogate pair).
QString DisplayText(QStringView text, qsizetype maxChars);
