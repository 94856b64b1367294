#include "shell/IniFile.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/GermanNumbers.h"
#include "tests/support/TestEnvironment.h"

namespace {

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

class IniFileTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return m_dir.filePath(name); }

    // Reads bytes as a file and writes them back, returning what landed on disk.
    QByteArray RoundTrip(const QByteArray& bytes)
    {
        const QString path = Path(QStringLiteral("roundtrip.ini"));
        WriteBytes(path, bytes);
        CIniFile ini(path);
        EXPECT_TRUE(ini.ReadFile());
        EXPECT_TRUE(ini.WriteFile()) << ini.Error().toStdString();
        return ReadBytes(path);
    }

    // Writes k=1 under [s] with the given mode, reads it and sets k to 2 in memory.
    static void ChangeFileOfMode(CIniFile& ini, const QString& path, mode_t mode)
    {
        WriteBytes(path, "[s]\r\nk=1\r\n");
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
        ASSERT_TRUE(ini.ReadFile());
        ini.SetValue("s", "k", "2", true);
    }

    QTemporaryDir m_dir;
};

// 节点地址 and 电机类型 in code page 936, as the drive tools on Windows write them.
const QByteArray kNodeAddressBytes("\xBD\xDA\xB5\xE3\xB5\xD8\xD6\xB7");
const QByteArray kMotorTypeBytes("\xB5\xE7\xBB\xFA\xC0\xE0\xD0\xCD");

} // namespace

TEST_F(IniFileTest, WritesSectionsInFirstSeenOrderWithCrLfAndABlankLineAfterEach)
{
    const QByteArray in = "top=1\n"
                          "[s2]\n"
                          "b=2\r\n"
                          "\n"
                          "[s1]\n"
                          "a=1\n"
                          "[s2]\n"
                          "c=3\n"
                          "b=22";
    EXPECT_EQ(RoundTrip(in), QByteArray("[]\r\ntop=1\r\n\r\n"
                                        "[s2]\r\nb=22\r\nc=3\r\n\r\n"
                                        "[s1]\r\na=1\r\n\r\n"));
}

TEST_F(IniFileTest, KeepsTheOddLineRules)
{
    CIniFile ini(Path(QStringLiteral("odd.ini")));
    WriteBytes(ini.Path(), "[a]\n"
                           "x=1\n"
                           "x=2\n"
                           " name = value \n"
                           "abc\n"
                           "k=v=w\n"
                           "=only value\n"
                           "[[b]]\n"
                           "y=3\n"
                           "[empty]\n"
                           "[]]\n"
                           "z=4\n");
    ASSERT_TRUE(ini.ReadFile());
    EXPECT_EQ(ini.GetValue("a", "x"), "2") << "a later duplicate replaces the value";
    EXPECT_EQ(ini.GetValue("a", " name "), " value ") << "no blanks are trimmed";
    EXPECT_EQ(ini.GetValue("a", "name"), "");
    EXPECT_EQ(ini.GetValue("a", "k"), "v=w") << "split at the first '='";
    EXPECT_EQ(ini.GetValue("b", "y"), "3") << "doubled brackets open b";
    EXPECT_EQ(ini.GetValue("", "z"), "4") << "a header of brackets only names the empty section";
    EXPECT_EQ(ini.GetValue("A", "x"), "") << "names are case-sensitive";
    ASSERT_TRUE(ini.WriteFile());
    EXPECT_EQ(ReadBytes(ini.Path()), QByteArray("[a]\r\nx=2\r\n name = value \r\n=only value\r\nk=v=w\r\n\r\n"
                                                 "[b]\r\ny=3\r\n\r\n"
                                                 "[]\r\nz=4\r\n\r\n"))
        << "'abc' became the entry with the empty name and value 'bc', which '=only value' then replaced; "
           "the empty section is dropped";
}

TEST_F(IniFileTest, ALineWithoutEqualsIsStoredUnderTheEmptyNameLessItsFirstCharacter)
{
    CIniFile ini(Path(QStringLiteral("plain.ini")));
    WriteBytes(ini.Path(), "[s]\r\nabc\r\n");
    ASSERT_TRUE(ini.ReadFile());
    EXPECT_EQ(ini.GetValue("s", ""), "bc");
}

TEST_F(IniFileTest, StripsOneTrailingCarriageReturnAndKeepsOthers)
{
    CIniFile ini(Path(QStringLiteral("cr.ini")));
    WriteBytes(ini.Path(), "[s]\r\na=1\r\r\nb=x\ry\r\nc=last\r");
    ASSERT_TRUE(ini.ReadFile());
    EXPECT_EQ(ini.GetValue("s", "a"), "1\r");
    EXPECT_EQ(ini.GetValue("s", "b"), "x\ry");
    EXPECT_EQ(ini.GetValue("s", "c"), "last");
}

TEST_F(IniFileTest, AFileAsTheWindowsToolWritesItReadsBackEveryKeyAndValue)
{
    // A parameter file as the drive tool on Windows saves it: code page 936, CR LF, a
    // blank line after the section, Chinese key names and a "%e" value.
    const QByteArray file = "[option]\r\n"
                            "\xBF\xD8\xD6\xC6\xC4\xA3\xCA\xBD=2\r\n"            // 控制模式
                            + kNodeAddressBytes + "=1.000000e+001\r\n"
                            + kMotorTypeBytes + "=\xBD\xBB\xC1\xF7\xCB\xC5\xB7\xFE\r\n" // 交流伺服
                            "\xD7\xEE\xB4\xF3\xCB\xD9\xB6\xC8=3000\r\n"         // 最大速度
                            "KP=-12\r\n"
                            "\r\n"
                            "[MotType]\r\n"
                            "MotType=1\r\n"
                            "Project0=DZ-A1\r\n"
                            "\r\n";
    const QString path = Path(QStringLiteral("param.qzd"));
    WriteBytes(path, file);
    CIniFile ini(path);
    ASSERT_TRUE(ini.ReadFile());
    const QString option = QStringLiteral("option");
    EXPECT_EQ(ini.GetValueI(option, QString::fromUtf8("控制模式")), 2);
    EXPECT_EQ(ini.GetValue(option, QString::fromUtf8("节点地址")), "1.000000e+001");
    EXPECT_DOUBLE_EQ(ini.GetValueF(option, QString::fromUtf8("节点地址")), 10.0);
    EXPECT_EQ(ini.GetValue(option, QString::fromUtf8("电机类型")), QString::fromUtf8("交流伺服"));
    EXPECT_EQ(ini.GetValueI(option, QString::fromUtf8("最大速度")), 3000);
    EXPECT_EQ(ini.GetValueI(option, "KP"), -12);
    EXPECT_EQ(ini.GetValueI("MotType", "MotType"), 1);
    EXPECT_EQ(ini.GetValue("MotType", "Project0"), "DZ-A1");
    EXPECT_TRUE(ini.Error().isEmpty()) << ini.Error().toStdString();

    // And ours is byte for byte what that tool would write.
    ASSERT_TRUE(ini.WriteFile());
    EXPECT_EQ(ReadBytes(path), file);
}

TEST_F(IniFileTest, DecodesBeforeParsingSoTrailBytesAreNeverBrackets)
{
    // 0x81 0x5D is one character whose second byte is ']'; 0x81 0x5C ends in '\'.
    const QByteArray header = "[\x81\x5D]";     // a header: '[' ... ']' around one letter
    const QByteArray notHeader = "[ab\x81\x5D"; // ends in a letter, not in ']'
    CIniFile ini(Path(QStringLiteral("trail.ini")));
    WriteBytes(ini.Path(), header + "\r\nk=\x81\x5C\r\n" + notHeader + "\r\n");
    ASSERT_TRUE(ini.ReadFile());
    const QString letter5D = QString(QChar(0x4E5A));
    const QString letter5C = QString(QChar(0x4E57));
    ASSERT_EQ(ini.GetValue(letter5D, "k"), letter5C);
    EXPECT_EQ(ini.GetValue(letter5D, ""), "ab" + letter5D) << "kept as an entry with the empty name";
    ASSERT_TRUE(ini.WriteFile());
    EXPECT_EQ(ReadBytes(ini.Path()), header + "\r\nk=\x81\x5C\r\n=ab\x81\x5D\r\n\r\n");
}

TEST_F(IniFileTest, ToleratesAUtf8ByteOrderMark)
{
    CIniFile ini(Path(QStringLiteral("bom.ini")));
    WriteBytes(ini.Path(), "\xEF\xBB\xBF[option]\r\n" + QString::fromUtf8("节点地址=电机类型").toUtf8() + "\r\n");
    ASSERT_TRUE(ini.ReadFile());
    EXPECT_EQ(ini.GetValue("option", QString::fromUtf8("节点地址")), QString::fromUtf8("电机类型"));
    ASSERT_TRUE(ini.WriteFile());
    EXPECT_EQ(ReadBytes(ini.Path()), "[option]\r\n" + kNodeAddressBytes + "=" + kMotorTypeBytes + "\r\n\r\n")
        << "saved back in the code page, without the mark";
}

TEST_F(IniFileTest, AnOverlongLineDoesNotCostTheLinesAfterIt)
{
    const QByteArray longValue(5000, 'v');
    const QByteArray in = "[a]\r\nbefore=1\r\nlong=" + longValue + "\r\nafter=2\r\n[b]\r\nlast=3\r\n";
    CIniFile ini(Path(QStringLiteral("long.ini")));
    WriteBytes(ini.Path(), in);
    ASSERT_TRUE(ini.ReadFile());
    EXPECT_EQ(ini.GetValue("a", "after"), "2");
    EXPECT_EQ(ini.GetValue("b", "last"), "3");
    EXPECT_EQ(ini.GetValue("a", "long").size(), longValue.size());
    ASSERT_TRUE(ini.WriteFile());
    EXPECT_EQ(ReadBytes(ini.Path()), "[a]\r\nbefore=1\r\nlong=" + longValue + "\r\nafter=2\r\n\r\n[b]\r\nlast=3\r\n\r\n");
}

TEST_F(IniFileTest, ErrorTexts)
{
    CIniFile ini(Path(QStringLiteral("errors.ini")));
    WriteBytes(ini.Path(), "[s]\r\nk=5\r\n[empty]\r\n");
    ASSERT_TRUE(ini.ReadFile());
    EXPECT_TRUE(ini.Error().isEmpty());

    EXPECT_EQ(ini.GetValue("missing", "k"), "");
    EXPECT_EQ(ini.Error(), "Unable to locate specified key.");
    EXPECT_EQ(ini.GetValue("empty", "k"), "");
    EXPECT_EQ(ini.Error(), "Unable to locate specified key.") << "a header alone makes no section";
    EXPECT_EQ(ini.GetValueI("s", "nope"), 0);
    EXPECT_EQ(ini.Error(), "Unable to locate specified value.");
    EXPECT_EQ(ini.GetValueI("s", "k"), 5);
    EXPECT_EQ(ini.Error(), "Unable to locate specified value.") << "success leaves the last failure's text";

    // SetValue never touches the error text; without create it only replaces.
    EXPECT_FALSE(ini.SetValue("missing", "k", "1", false));
    EXPECT_FALSE(ini.SetValue("s", "new", "1", false));
    EXPECT_TRUE(ini.SetValue("s", "k", "6", false));
    EXPECT_EQ(ini.Error(), "Unable to locate specified value.");
    EXPECT_EQ(ini.GetValue("missing", "k"), "");
    EXPECT_EQ(ini.GetValueI("s", "k"), 6);

    // A missing file is no error text; one that cannot be opened is.
    CIniFile missing(Path(QStringLiteral("nothing-here.ini")));
    missing.GetValue("x", "y");
    EXPECT_FALSE(missing.ReadFile());
    EXPECT_EQ(missing.Error(), "Unable to locate specified key.");
    CIniFile folder(m_dir.path());
    EXPECT_FALSE(folder.ReadFile());
    EXPECT_EQ(folder.Error(), "Unable to open ini file.");
    EXPECT_FALSE(CIniFile().ReadFile());

    // A pipe is refused at once instead of waiting for a writer that never comes.
    const QString pipe = Path(QStringLiteral("pipe.ini"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    CIniFile fifo(pipe);
    EXPECT_FALSE(fifo.ReadFile());
    EXPECT_EQ(fifo.Error(), "Unable to open ini file.");
}

TEST_F(IniFileTest, NumbersAsTheFilesHoldThem)
{
    CIniFile ini;
    ini.SetValueI("n", "neg", -5, true);
    ini.SetValueF("n", "two", 2.0, true);
    ini.SetValueF("n", "big", 1234.5, true);
    ini.SetValueF("n", "tiny", 1e-300, true);
    ini.SetValueF("n", "zero", 0.0, true);
    ini.SetValueF("n", "half", -0.5, true);
    EXPECT_EQ(ini.GetValue("n", "neg"), "-5");
    EXPECT_EQ(ini.GetValue("n", "two"), "2.000000e+000");
    EXPECT_EQ(ini.GetValue("n", "big"), "1.234500e+003");
    EXPECT_EQ(ini.GetValue("n", "tiny"), "1.000000e-300");
    EXPECT_EQ(ini.GetValue("n", "zero"), "0.000000e+000");
    EXPECT_EQ(ini.GetValue("n", "half"), "-5.000000e-001");
    EXPECT_DOUBLE_EQ(ini.GetValueF("n", "two"), 2.0);

    const std::pair<const char*, int> ints[] = {
        {"42", 42}, {"  -17", -17}, {"+8", 8}, {"1.9", 1}, {"12abc", 12}, {"x1", 0}, {"", 0},
        {"99999999999", INT_MAX}, {"-99999999999", INT_MIN}, {"2147483647", INT_MAX}, {"-2147483648", INT_MIN}};
    for (const auto& [text, value] : ints) {
        ini.SetValue("i", "v", text, true);
        EXPECT_EQ(ini.GetValueI("i", "v"), value) << text;
    }
    const std::pair<const char*, double> doubles[] = {
        {"2", 2.0}, {"2.0", 2.0}, {" -1.5e3xyz", -1500.0}, {"1.000000e+001", 10.0}, {"abc", 0.0}, {"0x10", 16.0}};
    for (const auto& [text, value] : doubles) {
        ini.SetValue("f", "v", text, true);
        EXPECT_DOUBLE_EQ(ini.GetValueF("f", "v"), value) << text;
    }
}


TEST_F(IniFileTest, NumbersIgnoreTheUsersLocale)
{
    GermanNumbers german;
    if (!german.CLibraryIsGerman())
        std::printf("no de_DE locale could be made; only Qt's default locale is German\n");
    EXPECT_EQ(QLocale().toString(1.5), "1,5") << "Qt formats German now";

    CIniFile ini(Path(QStringLiteral("de.ini")));
    ini.SetValueF("n", "f", 1234.5, true);
    ini.SetValueI("n", "i", 1234567, true);
    EXPECT_EQ(ini.GetValue("n", "f"), "1.234500e+003");
    EXPECT_EQ(ini.GetValue("n", "i"), "1234567");

    WriteBytes(ini.Path(), "[n]\r\nf=2.5\r\ng=1,5\r\ni=1.234\r\n");
    CIniFile read(ini.Path());
    ASSERT_TRUE(read.ReadFile());
    EXPECT_DOUBLE_EQ(read.GetValueF("n", "f"), 2.5);
    EXPECT_DOUBLE_EQ(read.GetValueF("n", "g"), 1.0) << "a comma ends the number, as in the C locale";
    EXPECT_EQ(read.GetValueI("n", "i"), 1);
}

TEST_F(IniFileTest, ReadOrCreateFile)
{
    const QString path = Path(QStringLiteral("new.qzd"));
    CIniFile created(path);
    ASSERT_TRUE(created.ReadOrCreateFile());
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(ReadBytes(path), QByteArray());
    EXPECT_TRUE(created.Error().isEmpty());

    WriteBytes(path, "[s]\r\nk=1\r\n");
    CIniFile existing(path);
    ASSERT_TRUE(existing.ReadOrCreateFile());
    EXPECT_EQ(existing.GetValue("s", "k"), "1");
    EXPECT_EQ(ReadBytes(path), QByteArray("[s]\r\nk=1\r\n")) << "an existing file is never truncated";

    CIniFile impossible(Path(QStringLiteral("no/such/folder/x.qzd")));
    EXPECT_FALSE(impossible.ReadOrCreateFile());
    EXPECT_TRUE(impossible.Error().isEmpty());
}

TEST_F(IniFileTest, ReadFileAddsToWhatTheObjectHolds)
{
    WriteBytes(Path(QStringLiteral("one.ini")), "[s]\r\na=1\r\nb=1\r\n");
    WriteBytes(Path(QStringLiteral("two.ini")), "[s]\r\nb=2\r\n[t]\r\nc=3\r\n");
    CIniFile ini(Path(QStringLiteral("one.ini")));
    ini.SetValue("s", "b", "0", true);
    ini.SetValue("early", "e", "1", true);
    ASSERT_TRUE(ini.ReadFile());
    ASSERT_TRUE(ini.WriteFile());
    EXPECT_EQ(ReadBytes(ini.Path()), QByteArray("[s]\r\nb=1\r\na=1\r\n\r\n[early]\r\ne=1\r\n\r\n"))
        << "what the object held stays, in its place, with the file's values over it";
}

TEST_F(IniFileTest, EmptyContentWritesAnEmptyFile)
{
    CIniFile ini(Path(QStringLiteral("empty.ini")));
    WriteBytes(ini.Path(), "[only a header]\r\n\r\n");
    ASSERT_TRUE(ini.ReadFile());
    ASSERT_TRUE(ini.WriteFile());
    EXPECT_EQ(ReadBytes(ini.Path()), QByteArray());
}

TEST_F(IniFileTest, ASaveIntoAMissingFolderFails)
{
    CIniFile ini(Path(QStringLiteral("missing/x.ini")));
    ini.SetValue("s", "k", "1", true);
    EXPECT_FALSE(ini.WriteFile());
    EXPECT_TRUE(ini.Error().startsWith("Unable to write ini file.")) << ini.Error().toStdString();
    EXPECT_FALSE(QFile::exists(ini.Path()));
    EXPECT_FALSE(CIniFile().WriteFile());
}

TEST_F(IniFileTest, ASaveThatCannotBeWrittenLeavesTheOldFileWhole)
{
    const QString path = Path(QStringLiteral("keep.qzd"));
    const QByteArray old = "[option]\r\nSpeed=3000\r\n\r\n";
    WriteBytes(path, old);
    CIniFile ini(path);
    ASSERT_TRUE(ini.ReadFile());
    ini.SetValue("option", "Speed", "1500", true);
    for (int i = 0; i < 2000; ++i)
        ini.SetValueI("option", QStringLiteral("k%1").arg(i), i, true);

    // A file size limit makes the write fail part-way, as a full disk would.
    struct sigaction ignore = {}, previous = {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &previous), 0);
    rlimit saved = {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = ini.WriteFile();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::sigaction(SIGXFSZ, &previous, nullptr);

    EXPECT_FALSE(written);
    EXPECT_TRUE(ini.Error().startsWith("Unable to write ini file.")) << ini.Error().toStdString();
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"keep.qzd"}) << "no temporary file is left";

    // Once the disk has room again the same object saves.
    ASSERT_TRUE(ini.WriteFile());
    CIniFile reread(path);
    ASSERT_TRUE(reread.ReadFile());
    EXPECT_EQ(reread.GetValueI("option", "Speed"), 1500);
    EXPECT_EQ(reread.GetValueI("option", "k1999"), 1999);
}

TEST_F(IniFileTest, AReadOnlyFileIsNotReplaced)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write any file";
    const QString path = Path(QStringLiteral("locked.qzd"));
    CIniFile ini(path);
    ASSERT_NO_FATAL_FAILURE(ChangeFileOfMode(ini, path, 0444));
    EXPECT_FALSE(ini.WriteFile());
    EXPECT_EQ(ReadBytes(path), QByteArray("[s]\r\nk=1\r\n"));
}

TEST_F(IniFileTest, ASaveKeepsTheFilesPermissions)
{
    const QString path = Path(QStringLiteral("mode.qzd"));
    CIniFile ini(path);
    ASSERT_NO_FATAL_FAILURE(ChangeFileOfMode(ini, path, 0640));
    ASSERT_TRUE(ini.WriteFile());
    struct stat info = {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(IniFileTest, AFileBeyondTheSizeLimitIsRefusedUnread)
{
    for (const qint64 size : { CIniFile::kMaxFileBytes, CIniFile::kMaxFileBytes + 1 }) {
        WriteBytes(Path(QStringLiteral("big.ini")), "[a]\r\nx=" + QByteArray(size - 7, 'y'));
        CIniFile ini(Path(QStringLiteral("big.ini")));
        EXPECT_EQ(ini.ReadOrCreateFile(), size == CIniFile::kMaxFileBytes);
        EXPECT_EQ(ini.Error().toStdString(), size == CIniFile::kMaxFileBytes ? ""
                      : "The file holds 1048577 bytes; an INI file may hold at most 1048576.");
    }
}
