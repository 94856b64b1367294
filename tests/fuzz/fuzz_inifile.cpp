// fuzz-sources: shell/IniFile.cpp
// Reads arbitrary bytes as an INI file, saves it, and checks that a second read and save
// of what was saved gives the same bytes (nothing read is lost or changed by a save).
#include "shell/IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {

QByteArray Bytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    return file.readAll();
}

QByteArray ReadAndSave(const QString& path)
{
    CIniFile ini(path);
    if (!ini.ReadFile() || !ini.WriteFile())
        std::abort();
    // Lookups on whatever was read must be safe.
    ini.GetValue(QString(), QString());
    ini.GetValueI(QStringLiteral("option"), QStringLiteral("Speed"));
    ini.GetValueF(QStringLiteral("option"), QString());
    return Bytes(path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A memory-backed folder keeps the saves' syncs cheap.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/fuzz_inifile-XXXXXX")
                                                                      : QDir::tempPath() + QStringLiteral("/fuzz_inifile-XXXXXX"));
    const QString path = dir.filePath(QStringLiteral("in.ini"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    const QByteArray first = ReadAndSave(path);
    const QByteArray second = ReadAndSave(path);
    if (first != second)
        std::abort();
    return 0;
}
