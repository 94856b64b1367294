#include "pages/shared/CapturedDataFile.h"

#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QString kLineEnd = QStringLiteral("\r\n");

void Append(QByteArray& out, const QString& text)
{
    for (QChar c : text) {
        out.append(static_cast<char>(c.unicode() & 0xFF));
        out.append(static_cast<char>(c.unicode() >> 8));
    }
}

int32_t WholeValue(double value)
{
    if (std::isnan(value))
        return 0;
    return static_cast<int32_t>(std::clamp(std::trunc(value), double(std::numeric_limits<int32_t>::min()),
        double(std::numeric_limits<int32_t>::max())));
}

}

QByteArray FormatCapturedData(const char* page, const QDateTime& when, std::span<const CapturedColumn> columns)
{
    std::vector<const std::vector<RetValue>*> curves;
    QString heading;
    size_t rows = 0;
    for (const CapturedColumn& column : columns) {
        if (!column.samples || column.samples->empty())
            continue;
        curves.push_back(column.samples);
        heading += QString::asprintf("%18s%14s", "Time", column.heading.toUtf8().constData());
        rows = std::max(rows, column.samples->size());
    }

    QByteArray out;
    Append(out, QStringLiteral("        Velquarin －－ ") + QString::fromUtf8(page));
    Append(out, kLineEnd);
    Append(out, when.toString(QStringLiteral("        yyyy/MM/dd-HH:mm:ss")));
    Append(out, kLineEnd);
    Append(out, kLineEnd);
    Append(out, heading);
    Append(out, kLineEnd);
    for (size_t j = 0; j < rows; ++j) {
        QString row;
        for (const std::vector<RetValue>* samples : curves) {
            const bool present = j < samples->size();
            const uint32_t time = present ? (*samples)[j].time : 0;
            const int32_t value = present ? WholeValue((*samples)[j].value) : 0;
            row += QString::asprintf("%18u%13d", time, value);
        }
        Append(out, row + kLineEnd);
    }
    return out;
}

QString CapturedDataFileName(const QDateTime& when)
{
    return when.toString(QStringLiteral("yyyyMMdd-HHmmss")) + QStringLiteral(".txt");
}

bool SaveCapturedData(const char* page, const QString& folder, const QDateTime& when, std::span<const CapturedColumn> columns,
    QString* path, QString* error)
{
    *path = folder + CapturedDataFileName(when);
    QSaveFile file(*path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    const QByteArray bytes = FormatCapturedData(page, when, columns);
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}
