// fuzz-sources: shell/IniFile.cpp
// Reads arbitrary bytes as an INI file, saves it, and checks that a second read and save
// of what was saved gives the same bytes (nothing read is lost or changed by a save).
#include "shell/IniFile.h"
#include "tests/fuzz/FuzzInputFile.h"

#include <QFile>
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
    const QString path = FuzzInputFile("fuzz_inifile", "in.ini", data, size);
    const QByteArray first = ReadAndSave(path);
    const QByteArray second = ReadAndSave(path);
    if (first != second)
        std::abort();
    return 0;
}
