#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

// Writes the fuzzer's bytes to a file `name` in a folder of the target's own that lives as
// long as the process; a memory-backed folder keeps the targets' saves and syncs cheap.
inline QString FuzzInputFile(const char* target, const char* name, const uint8_t* data, size_t size)
{
    static QTemporaryDir dir((QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/")
                                                                          : QDir::tempPath() + u'/')
        + QString::fromLatin1(target) + QStringLiteral("-XXXXXX"));
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    return path;
}
