#include "shell/ProgramFiles.h"

#include "platform/CjkFonts.h"
#include "platform/DisplayText.h"
#include "shell/IniFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QHash>
#include <QStandardPaths>
#include <QWidget>
#include <algorithm>
#include <climits>
#include <mutex>
#include <unistd.h>

QFont* g_hSharedFont = nullptr;
std::atomic<int> g_nPageStateA{0};
std::atomic<int> g_nPageStateB{0};
std::atomic<int> g_nPageStateC{0};

namespace {

// The maker's name for its shared folder.
const QString kSharedFolderName = QStringLiteral("DADEZ Shared");

QString WithSlash(const QString& folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

QString ExecutableFolder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    // Before the application object exists (or in tools without one) ask the kernel.
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
}

} // namespace

// The installed data folder seen from the program's folder; the build sets it from the
// install layout, and a build that installs nothing (the fuzz targets) takes the usual one.
#ifndef VELQUARIN_DATA_FROM_BIN
#define VELQUARIN_DATA_FROM_BIN "../share/velquarin"
#endif

const QString& GetModuleFolderPath()
{
    static const QString folder = WithSlash(ExecutableFolder());
    return folder;
}

QString GetDataFolderPath(const QString& fileName, const QString& programFolder)
{
    const QString program = WithSlash(programFolder);
    if (QFileInfo::exists(program + fileName))
        return program;
    const QString installed = WithSlash(QDir::cleanPath(program + QStringLiteral(VELQUARIN_DATA_FROM_BIN)));
    return QFileInfo::exists(installed + fileName) ? installed : program;
}

QString GetWritableFolderPath()
{
    const QString& program = GetModuleFolderPath();
    if (::access(QFile::encodeName(program).constData(), W_OK) == 0)
        return program;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return WithSlash(data);
}

const QString& GetSharedFolderPath()
{
    static const QString folder =
        WithSlash(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)) + kSharedFolderName + u'/';
    return folder;
}

bool GetDriverName(int type, QString& name, const QString& folder)
{
    // The names of each name file as last read, with what told that version of the file
    // apart: a lookup reads the file again only when it has changed, for the strip looks
    // names up often and a name file may be large.
    struct NameFile {
        qint64 size = -1;
        QDateTime modified;
        QDateTime changed;
        QHash<QString, QString> names; // entry -> name as shown
    };
    static std::mutex mutex;
    static QHash<QString, NameFile> files;

    const QString path = WithSlash(folder) + kDriverNameFile;
    const QFileInfo info(path);
    const QString section = QStringLiteral("DriverName");
    std::lock_guard lock(mutex);
    NameFile& file = files[path];
    if (file.size != info.size() || file.modified != info.lastModified() || file.changed != info.metadataChangeTime()) {
        CIniFile ini(path);
        if (!ini.ReadFile()) {
            files.remove(path);
            name = QStringLiteral("Unknow");
            return false;
        }
        file = NameFile { info.size(), info.lastModified(), info.metadataChangeTime(), {} };
        for (const QString& entry : ini.ValueNames(section))
            file.names.insert(entry, DisplayText(ini.GetValue(section, entry), kDisplayNameChars));
    }
    name = file.names.value(QString::asprintf("D%04d", type));
    return true;
}

bool DecodeDriveId(qint64 id, QString& name, int* fieldB, int* fieldA, int* serial, const QString& folder)
{
    const qint64 a = id / 100000000 - 10;
    const qint64 b = (id / 1000000) % 100;
    const qint64 type = (id / 10000) % 100;
    if (fieldA)
        *fieldA = static_cast<int>(std::clamp<qint64>(a, INT_MIN, INT_MAX));
    if (fieldB)
        *fieldB = static_cast<int>(b);
    if (serial)
        *serial = static_cast<int>(id % 10000);
    if (a < 0 || a > 12)
        return false;
    return GetDriverName(static_cast<int>(type), name, folder);
}

void SetWindowFontEx(QWidget* window, const QString& face, int height, int charSet, int bold,
                     bool italic, bool underline, bool strikeOut)
{
    Q_UNUSED(charSet);
    delete g_hSharedFont;
    // Linux rarely has the Windows face; CJK faces that usually exist follow it so Chinese
    // text never falls to a font without the glyphs.
    g_hSharedFont = new QFont(WithCjkFallback(QFont(QStringList { face })));
    if (height != 0)
        g_hSharedFont->setPixelSize(height < 0 ? -height : height);
    g_hSharedFont->setWeight(bold == 1 ? QFont::Bold : QFont::ExtraLight);
    g_hSharedFont->setItalic(italic);
    g_hSharedFont->setUnderline(underline);
    g_hSharedFont->setStrikeOut(strikeOut);
    if (window)
        window->setFont(*g_hSharedFont);
}

void ResetSharedFont()
{
    DeleteSharedFont();
}

void DeleteSharedFont()
{
    delete g_hSharedFont;
    g_hSharedFont = nullptr;
}

void SetPageStateA(int value)
{
    g_nPageStateA = value;
}

void SetPageStateB(int value)
{
    g_nPageStateB = value;
}

void SetPageStateC(int value)
{
    if (value != 0)
        g_nPageStateC = value;
}
