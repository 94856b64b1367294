#include "platform/DisplayText.h"
#include "shell/IniFile.h"
#include "shell/ProgramFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWidget>
#include <climits>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

// A program folder of the test's own, holding a drive-name file.
class DriverNames : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile file(m_dir.filePath(QStringLiteral("QZNAME.qzi")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        // 交流伺服 in code page 936 for D0005.
        file.write("[DriverName]\r\nD0001=DZ-A1\r\nD0005=\xBD\xBB\xC1\xF7\xCB\xC5\xB7\xFE\r\nD0048=DZ-X\r\n"
                   "D0099=DZ-Z\r\nD0000=DZ-0\r\n\r\n");
    }
    QString Folder() const { return m_dir.path() + u'/'; }

    QTemporaryDir m_dir;
};

} // namespace

TEST(ProgramFolder, IsTheExecutablesFolderWithATrailingSlash)
{
    const QString& first = GetModuleFolderPath();
    const QString& second = GetModuleFolderPath();
    EXPECT_EQ(&first, &second) << "filled once, the same string afterwards";
    EXPECT_TRUE(first.endsWith(u'/'));
    EXPECT_EQ(first, QCoreApplication::applicationDirPath() + u'/');
}

TEST(ProgramFolder, FilesAreWrittenBesideTheExecutableWhenItsFolderIsWritable)
{
    // The build folder is writable, so nothing moves to the per-user data folder.
    EXPECT_EQ(GetWritableFolderPath(), GetModuleFolderPath());
}

TEST(SharedFolder, LiesUnderTheUsersDataFolder)
{
    const QString& shared = GetSharedFolderPath();
    EXPECT_EQ(&shared, &GetSharedFolderPath());
    EXPECT_EQ(shared, QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                          QStringLiteral("/DADEZ Shared/"));
}

TEST(DriverName, WithoutTheNameFileBesideTheExecutableIsUnknow)
{
    ASSERT_FALSE(QFile::exists(GetModuleFolderPath() + QStringLiteral("QZNAME.qzi")));
    QString name = QStringLiteral("before");
    EXPECT_FALSE(GetDriverName(3, name));
    EXPECT_EQ(name, "Unknow");
}

TEST_F(DriverNames, AreLookedUpByTypeNumber)
{
    QString name;
    EXPECT_TRUE(GetDriverName(5, name, Folder()));
    EXPECT_EQ(name, QString::fromUtf8("交流伺服"));
    EXPECT_TRUE(GetDriverName(1, name, Folder()));
    EXPECT_EQ(name, "DZ-A1");
    EXPECT_TRUE(GetDriverName(7, name, Folder())) << "a readable file with no entry still succeeds";
    EXPECT_EQ(name, "");
}

TEST_F(DriverNames, DecodeDriveIdSplitsTheIdentity)
{
    QString name;
    int fieldA = -1, fieldB = -1, serial = -1;
    EXPECT_TRUE(DecodeDriveId(1203051234, name, &fieldB, &fieldA, &serial, Folder()));
    EXPECT_EQ(name, QString::fromUtf8("交流伺服")) << "type 05";
    EXPECT_EQ(fieldA, 2);
    EXPECT_EQ(fieldB, 3);
    EXPECT_EQ(serial, 1234);

    // The pointers are optional, as the status strip passes none.
    EXPECT_TRUE(DecodeDriveId(1000010000, name, nullptr, nullptr, nullptr, Folder()));
    EXPECT_EQ(name, "DZ-A1");
}

TEST_F(DriverNames, DecodeDriveIdBoundaries)
{
    struct Case {
        qint64 id;
        bool accepted;
        const char* name;
    };
    const Case cases[] = {
        {999999999, false, nullptr},   // nine digits
        {1000000000, true, "DZ-0"},    // first id of field A 0
        {2299999999, true, "DZ-Z"},    // last id of field A 12, type 99
        {2300000000, false, nullptr},  // field A 13
        {2147483648, true, "DZ-X"},    // beyond a signed 32-bit int, still in range: type 48
        {4294967295, false, nullptr},  // the largest 32-bit reply
        {4294967296 + 1203051234, false, nullptr}, // would wrap into range in 32 bits
        {-1, false, nullptr},
        {-1203051234, false, nullptr},
        {LLONG_MAX, false, nullptr},
        {LLONG_MIN, false, nullptr},
    };
    for (const Case& c : cases) {
        QString name = QStringLiteral("unchanged");
        int fieldA = 0;
        EXPECT_EQ(DecodeDriveId(c.id, name, nullptr, &fieldA, nullptr, Folder()), c.accepted) << c.id;
        EXPECT_EQ(name, c.accepted ? QString::fromLatin1(c.name) : QStringLiteral("unchanged")) << c.id;
        EXPECT_EQ(fieldA >= 0 && fieldA <= 12, c.accepted) << c.id;
    }
}

TEST_F(DriverNames, AHugeNameIsCutAndAChangedFileIsReadAgain)
{
    QFile file(m_dir.filePath(QStringLiteral("QZNAME.qzi")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[DriverName]\r\nD0005=" + QByteArray((1 << 20) - 100, 'x') + "\r\nD0006=DZ-6\r\n"); // near the size limit of an INI file
    file.close();
    QString name;
    EXPECT_TRUE(GetDriverName(5, name, Folder()));
    EXPECT_EQ(name.size(), kDisplayNameChars);
    EXPECT_TRUE(name.startsWith(QStringLiteral("xxx")));
    EXPECT_TRUE(GetDriverName(6, name, Folder()));
    EXPECT_EQ(name, "DZ-6");

    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[DriverName]\r\nD0006=DZ-6B\r\n");
    file.close();
    EXPECT_TRUE(GetDriverName(6, name, Folder()));
    EXPECT_EQ(name, "DZ-6B");
}

TEST(DriverName, DecodeDriveIdWithoutTheNameFileIsUnknow)
{
    QString name;
    EXPECT_FALSE(DecodeDriveId(1203051234, name));
    EXPECT_EQ(name, "Unknow");
}

TEST(ShippedFiles, LieBesideTheProgramInCodePage936)
{
    // The program is built at the top of the build folder, the tests one level below.
    const char* build = std::getenv("VELQUARIN_BUILD_DIR");
    const QString folder = build ? QString::fromLocal8Bit(build) + u'/'
                                 : QCoreApplication::applicationDirPath() + QStringLiteral("/../");
    ASSERT_TRUE(QFile::exists(folder + QStringLiteral("velquarin"))) << folder.toStdString();

    QString name;
    ASSERT_TRUE(DecodeDriveId(1203051234, name, nullptr, nullptr, nullptr, folder));
    EXPECT_TRUE(name.contains(QString::fromUtf8("伺服"))) << name.toStdString();

    CIniFile version(folder + QStringLiteral("QZVERSION.qzi"));
    ASSERT_TRUE(version.ReadFile());
    EXPECT_TRUE(version.GetValue("DriverVersion", "D0000").contains(u'V'));
    EXPECT_FALSE(version.GetValue("DriverVersion", "D0000").contains(QStringLiteral("Pask")));
    EXPECT_NE(version.GetValueI("DriverVersion", "CRC"), 0);

    CIniFile settings(folder + QStringLiteral("settings.ini"));
    ASSERT_TRUE(settings.ReadFile());
    EXPECT_EQ(settings.GetValue("PhaseData", "Show"), "0");

    // Each is already in the form a save gives: rewriting a copy changes no byte.
    QTemporaryDir dir;
    for (const char* file : {"QZNAME.qzi", "QZVERSION.qzi", "settings.ini"}) {
        const QString copy = dir.filePath(QString::fromLatin1(file));
        ASSERT_TRUE(QFile::copy(folder + QString::fromLatin1(file), copy));
        QFile original(copy);
        ASSERT_TRUE(original.open(QIODevice::ReadOnly));
        const QByteArray bytes = original.readAll();
        original.close();
        CIniFile ini(copy);
        ASSERT_TRUE(ini.ReadFile());
        ASSERT_TRUE(ini.WriteFile());
        QFile rewritten(copy);
        ASSERT_TRUE(rewritten.open(QIODevice::ReadOnly));
        EXPECT_EQ(rewritten.readAll(), bytes) << file;
    }
}

TEST(SharedFont, IsMadeKeptAndForgotten)
{
    QWidget view;
    ResetSharedFont();
    SetWindowFontEx(&view, QString::fromUtf8("宋体"), 0, 0, 0, false, false, false);
    ASSERT_NE(g_hSharedFont, nullptr);
    EXPECT_EQ(g_hSharedFont->families().value(0), QString::fromUtf8("宋体"));
    EXPECT_EQ(g_hSharedFont->weight(), QFont::ExtraLight) << "weight 200 unless bold is 1";
    EXPECT_EQ(view.font().families().value(0), QString::fromUtf8("宋体"));
    EXPECT_EQ(view.font().weight(), QFont::ExtraLight);

    SetWindowFontEx(&view, QStringLiteral("Sans"), -16, 0, 1, true, true, true);
    EXPECT_EQ(view.font().pixelSize(), 16);
    EXPECT_EQ(view.font().weight(), QFont::Bold);
    EXPECT_TRUE(view.font().italic());
    EXPECT_TRUE(view.font().underline());
    EXPECT_TRUE(view.font().strikeOut());

    ResetSharedFont();
    EXPECT_EQ(g_hSharedFont, nullptr);
    EXPECT_EQ(view.font().pixelSize(), 16) << "the window keeps its font";
    SetWindowFontEx(nullptr, QStringLiteral("Sans"), 12, 0, 0, false, false, false);
    ASSERT_NE(g_hSharedFont, nullptr);
    EXPECT_EQ(g_hSharedFont->pixelSize(), 12);
    DeleteSharedFont();
    EXPECT_EQ(g_hSharedFont, nullptr);
    DeleteSharedFont();
}

TEST(PageState, SettersStoreAndCIgnoresZero)
{
    SetPageStateA(4);
    SetPageStateB(5);
    SetPageStateC(6);
    SetPageStateA(0);
    SetPageStateC(0);
    EXPECT_EQ(g_nPageStateA, 0);
    EXPECT_EQ(g_nPageStateB, 5);
    EXPECT_EQ(g_nPageStateC, 6);
    SetPageStateC(-1);
    EXPECT_EQ(g_nPageStateC, -1);
}

TEST(DataFolder, IsTheProgramFolderElseTheInstalledShareFolder)
{
    QTemporaryDir prefix;
    const QString bin = prefix.path() + QStringLiteral("/bin/");
    const QString share = prefix.path() + QStringLiteral("/share/velquarin/");
    ASSERT_TRUE(QDir().mkpath(bin) && QDir().mkpath(share));
    const QString name = QStringLiteral("QZVERSION.qzi");
    EXPECT_EQ(GetDataFolderPath(name, bin), bin) << "missing everywhere: looked for beside the program";
    for (const QString& folder : { share, bin }) {
        QFile file(folder + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        EXPECT_EQ(GetDataFolderPath(name, bin), folder) << "a file beside the program comes first";
    }
}
