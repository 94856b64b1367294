#include "shell/IniFile.h"

#include "platform/AnsiCodePage.h"
#include "platform/TextToInt.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <algorithm>
#include <charconv>
#include <climits>
#include <locale.h>
#include <stdlib.h>

namespace {

const QString kOpenError = QStringLiteral("Unable to open ini file.");
const QString kWriteError = QStringLiteral("Unable to write ini file.");
const QString kKeyError = QStringLiteral("Unable to locate specified key.");
const QString kValueError = QStringLiteral("Unable to locate specified value.");

// The longest leading part that reads as a C number (blanks, sign, decimal or hex,
// exponent, inf, nan); 0 when there is none.
double TextToDouble(const QString& text)
{
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    const QByteArray narrow = text.toLatin1();
    return strtod_l(narrow.constData(), nullptr, cLocale);
}

// "%e" with the three-digit exponent the files have always carried (1.000000e+001).
QString DoubleToText(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 6);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    const qsizetype e = text.indexOf(u'e');
    if (e >= 0) {
        const qsizetype digits = text.size() - (e + 2);
        if (digits < 3)
            text.insert(e + 2, QString(3 - digits, u'0'));
    }
    return text;
}

QString WriteError(const QSaveFile& file)
{
    const QString reason = file.errorString();
    return reason.isEmpty() ? kWriteError : kWriteError + u' ' + reason;
}

// The file is code page 936; a UTF-8 byte order mark marks a file someone saved as UTF-8
// with an editor. Decoding comes before any parsing because a trail byte of a double-byte
// character may equal '[', '\' or ']'.
QString DecodeFile(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        const QByteArrayView rest = QByteArrayView(bytes).sliced(3);
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8(rest);
        return utf8.hasError() ? AnsiToWide(rest) : text;
    }
    return AnsiToWide(bytes);
}

} // namespace

CIniFile::CIniFile() = default;

CIniFile::CIniFile(const QString& path) : path(path) {}

CIniFile::~CIniFile() = default;

bool CIniFile::ReadFile()
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return false;
    // Only regular files: a pipe or a device could block or never end.
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        error = kOpenError;
        return false;
    }
    // The size is asked first, and the read takes no more than one byte past the limit,
    // so a file that grows meanwhile is refused all the same.
    const QByteArray bytes = info.size() > kMaxFileBytes ? QByteArray() : file.read(kMaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        error = kOpenError;
        return false;
    }
    if (info.size() > kMaxFileBytes || bytes.size() > kMaxFileBytes) {
        error = QStringLiteral("The file holds %1 bytes; an INI file may hold at most %2.")
                    .arg(std::max<qint64>(info.size(), bytes.size()))
                    .arg(kMaxFileBytes);
        qWarning("Refused \"%s\": %s", qPrintable(path), qPrintable(error));
        return false;
    }
    Parse(DecodeFile(bytes));
    return true;
}

bool CIniFile::ReadOrCreateFile()
{
    if (!path.isEmpty() && !QFileInfo::exists(path)) {
        // ReadWrite creates a missing file and never truncates one that appeared meanwhile.
        QFile file(path);
        if (!file.open(QIODevice::ReadWrite))
            return false;
    }
    return ReadFile();
}

void CIniFile::Parse(const QString& text)
{
    // Lines of any length are taken whole: an over-long line must not cost the lines
    // after it, which the next save would otherwise drop.
    QString section;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = text.size();
        QStringView line = QStringView(text).sliced(start, end - start);
        start = end + 1;
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        if (line.front() == u'[' && line.back() == u']') {
            while (!line.isEmpty() && line.front() == u'[')
                line = line.sliced(1);
            while (!line.isEmpty() && line.back() == u']')
                line.chop(1);
            section = line.toString();
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0)
            SetValue(section, QString(), line.sliced(1).toString(), true);
        else
            SetValue(section, line.first(equals).toString(), line.sliced(equals + 1).toString(), true);
    }
}

bool CIniFile::WriteFile()
{
    QString text;
    for (qsizetype k = 0; k < keys.size(); ++k) {
        const key& entries = keys[k];
        if (entries.names.isEmpty())
            continue;
        text += u'[';
        text += names[k];
        text += QLatin1StringView("]\r\n");
        for (qsizetype i = 0; i < entries.names.size(); ++i) {
            text += entries.names[i];
            text += u'=';
            text += entries.values[i];
            text += QLatin1StringView("\r\n");
        }
        text += QLatin1StringView("\r\n");
    }
    const QByteArray bytes = WideToAnsi(text);

    // Unbuffered, so a failed write shows in write()'s result: a failure met only while
    // flushing inside commit() went unnoticed and the short file replaced the old one.
    QSaveFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        error = WriteError(file);
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        error = WriteError(file);
        file.cancelWriting(); // the temporary file goes with the object; the old file stays
        return false;
    }
    if (!file.commit()) {
        error = WriteError(file);
        return false;
    }
    return true;
}

QString CIniFile::GetValue(const QString& section, const QString& name)
{
    const qsizetype k = FindKey(section);
    if (k < 0) {
        error = kKeyError;
        return {};
    }
    const qsizetype v = FindValue(k, name);
    if (v < 0) {
        error = kValueError;
        return {};
    }
    return keys[k].values[v];
}

int CIniFile::GetValueI(const QString& section, const QString& name)
{
    return TextToInt(GetValue(section, name));
}

double CIniFile::GetValueF(const QString& section, const QString& name)
{
    return TextToDouble(GetValue(section, name));
}

QStringList CIniFile::ValueNames(const QString& section) const
{
    const qsizetype k = FindKey(section);
    return k < 0 ? QStringList() : keys[k].names;
}

bool CIniFile::SetValue(const QString& section, const QString& name, const QString& value, bool create)
{
    qsizetype k = FindKey(section);
    if (k < 0) {
        if (!create)
            return false;
        k = keys.size();
        names.append(section);
        keys.append(key());
        index.insert(section, k);
    }
    key& entries = keys[k];
    qsizetype v = FindValue(k, name);
    if (v < 0) {
        if (!create)
            return false;
        v = entries.names.size();
        entries.names.append(name);
        entries.values.append(QString());
        entries.index.insert(name, v);
    }
    entries.values[v] = value;
    return true;
}

bool CIniFile::SetValueI(const QString& section, const QString& name, int value, bool create)
{
    return SetValue(section, name, QString::number(value), create);
}

bool CIniFile::SetValueF(const QString& section, const QString& name, double value, bool create)
{
    return SetValue(section, name, DoubleToText(value), create);
}

qsizetype CIniFile::FindKey(const QString& section) const
{
    return index.value(section, -1);
}

qsizetype CIniFile::FindValue(qsizetype keyIndex, const QString& name) const
{
    if (keyIndex < 0 || keyIndex >= keys.size())
        return -1;
    return keys[keyIndex].index.value(name, -1);
}
