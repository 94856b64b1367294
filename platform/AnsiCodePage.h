#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The program's narrow text (INI and parameter files, drive texts) is code page 936
// (GBK), as the drives' own tools write it. Conversion goes through glibc iconv, so it
// does not depend on the user's locale.

// Decodes code page 936 bytes. A byte that starts no valid character becomes U+FFFD and
// decoding goes on with the next byte, so one bad byte never hides the rest of a line.
QString AnsiToWide(QByteArrayView bytes);

// Encodes to code page 936. A character the code page cannot hold becomes '?'.
QByteArray WideToAnsi(QStringView text);
