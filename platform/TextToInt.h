#pragma once

#include <QByteArrayView>
#include <QStringView>

// Decimal text to int as atoi reads it (drive replies, INI values): leading white space, an
// optional sign, then digits up to the first other character; no digits give 0. Values
// beyond the int range saturate at INT_MAX or INT_MIN, never wrap.
int TextToInt(QByteArrayView text);
int TextToInt(QStringView text);
