#pragma once

#include "pages/shared/RetValue.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <span>
#include <vector>

// The captured-data text file of the chart pages: a title line, the time of saving, a
// heading of two columns (time and value) per curve, and one row per sample index with
// the time and value of each curve, in fixed widths. UTF-16LE text without a byte-order
// mark, CR LF line ends. Named by the local time of saving.

// One curve of the file: its column heading ("Speed(rpm)", "Position(r)", "Current(mA)")
// and its samples. Curves without samples are left out.
struct CapturedColumn {
    QString heading;
    const std::vector<RetValue>* samples = nullptr;
};

// The names the chart pages give their files in the title line.
inline constexpr const char* kCapturedByRunMonitor = "PID Debug";
inline constexpr const char* kCapturedByTuning = "Monitor";

// The file's bytes, titled "Velquarin －－ <page>". Times are written as the unsigned milliseconds they are, values with
// all 32 bits; a curve shorter than the longest shows 0 and 0 in the rows past its end.
QByteArray FormatCapturedData(const char* page, const QDateTime& when, std::span<const CapturedColumn> columns);
// "%Y%m%d-%H%M%S.txt" of the local time.
QString CapturedDataFileName(const QDateTime& when);

// Writes the file into `folder` (ending with '/'), replacing a file of the same name.
// The file's path goes to *path; false with the reason in *error when it cannot be
// written whole.
bool SaveCapturedData(const char* page, const QString& folder, const QDateTime& when, std::span<const CapturedColumn> columns,
    QString* path, QString* error);
