#include "controls/Label.h"
#include "shell/AboutDlg.h"
#include "shell/frame/BrantovelixApp.h"
#include "shell/Globals.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

int Scan(const QStringList& arguments)
{
    int offline = 0;
    CBrantovelixApp::ScanCommandLine(arguments, &offline);
    return offline;
}

const QString kProgram = QStringLiteral("/opt/velquarin/velquarin");

} // namespace

TEST(CommandLine, OfflineSwitchInAnyCaseAfterTheProgramPath)
{
    EXPECT_EQ(Scan({ kProgram, QStringLiteral("/d") }), 1);
    EXPECT_EQ(Scan({ kProgram, QStringLiteral("/D") }), 1) << "the only word after the path";
    EXPECT_EQ(Scan({ kProgram, QStringLiteral("/QDEBUGZ") }), 1);
    EXPECT_EQ(Scan({ kProgram, QStringLiteral("/qDebugZ") }), 1);
    EXPECT_EQ(Scan({ kProgram, QStringLiteral("file.qzd"), QString(), QStringLiteral("/d") }), 1)
        << "empty words match nothing and the scan goes on";
}

TEST(CommandLine, OtherWordsAndThePathItselfDoNotSwitch)
{
    EXPECT_EQ(Scan({ kProgram, QStringLiteral("/DX") }), 0);
    EXPECT_EQ(Scan({ kProgram, QStringLiteral("/QDEBUG") }), 0);
    EXPECT_EQ(Scan({ kProgram, QStringLiteral("x /d") }), 0) << "one argument is one word";
    EXPECT_EQ(Scan({ QStringLiteral("/D") }), 0) << "the program path is skipped";
    EXPECT_EQ(Scan({ QStringLiteral("/home/a /D/velquarin") }), 0);
    EXPECT_EQ(Scan({}), 0);
}

TEST(CommandLine, RecordsTheSystemVersionAndLeavesASetSwitchAlone)
{
    g_nOsMajorVersion = 0;
    int offline = 1;
    CBrantovelixApp::ScanCommandLine({ kProgram }, &offline);
    EXPECT_EQ(offline, 1) << "the scan only ever sets the switch";
    EXPECT_EQ(g_nOsMajorVersion.load(), kOsMajorVersion);
}

TEST(AboutTitle, TakesTheVersionFromItsFirstV)
{
    EXPECT_EQ(AboutTitle(QStringLiteral("xyzV01.01")), QStringLiteral("VelquarinV01.01.02.04"));
    EXPECT_EQ(AboutTitle(QStringLiteral("DZv01.01V2")), QStringLiteral("Velquarinv01.01V2.02.04"));
    EXPECT_EQ(AboutTitle(QStringLiteral("01.01")), QStringLiteral("Velquarin.02.04"));
    EXPECT_EQ(AboutTitle(QString()), QStringLiteral("Velquarin.02.04"));
    EXPECT_EQ(AboutTitle(QStringLiteral("伺服V3")), QStringLiteral("VelquarinV3.02.04"))
        << "characters, not their low bytes, are looked at";
    const QString longVersion = QStringLiteral("V") + QString(40, u'9');
    EXPECT_EQ(AboutTitle(longVersion), QStringLiteral("Velquarin") + longVersion + QStringLiteral(".02.04"));
}

namespace {

class AboutBox : public ::testing::Test {
protected:
    QString Folder() const { return m_dir.path() + u'/'; }
    void WriteVersion(const QByteArray& value)
    {
        QFile file(m_dir.filePath(QStringLiteral("QZVERSION.qzi")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[DriverVersion]\r\nD0000=" + value + "\r\nCRC=1\r\n");
    }
    static bool MakerShown(const CAboutDlg& box)
    {
        bool all = true;
        bool any = false;
        for (int id : { 1348, 1349, 1181 }) {
            auto* w = box.findChild<QWidget*>(QStringLiteral("idc_%1").arg(id));
            EXPECT_NE(w, nullptr) << id;
            const bool shown = w && w->isVisibleTo(&box);
            all = all && shown;
            any = any || shown;
        }
        EXPECT_EQ(all, any) << "the three maker statics go together";
        return all;
    }
    static QString Title(const CAboutDlg& box)
    {
        auto* title = box.findChild<QLabel*>(QStringLiteral("idc_1332"));
        return title ? title->text() : QString();
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(AboutBox, AHugeVersionTextKeepsTheBoxOnTheScreen)
{
    WriteVersion("V" + QByteArray((1 << 20) - 100, '9')); // near the size limit of an INI file
    CAboutDlg box(nullptr, Folder());
    box.adjustSize();
    EXPECT_TRUE(Title(box).startsWith(QStringLiteral("VelquarinV999")));
    EXPECT_LE(box.width(), 1366);
}

TEST_F(AboutBox, WithoutAVersionFileShowsTheFixedTitleAndNoMaker)
{
    const AboutVersion version = ReadAboutVersion(Folder());
    EXPECT_EQ(version.title, QStringLiteral("Velquarinv01.01.02.04"));
    EXPECT_TRUE(version.versionText.isEmpty());

    CAboutDlg box(nullptr, Folder());
    EXPECT_EQ(Title(box), QStringLiteral("Velquarinv01.01.02.04"));
    EXPECT_FALSE(MakerShown(box));
}

TEST_F(AboutBox, ShowsTheMakerOnlyForVersionsThatNameIt)
{
    WriteVersion("xyzV01.01");
    {
        CAboutDlg box(nullptr, Folder());
        EXPECT_EQ(Title(box), QStringLiteral("VelquarinV01.01.02.04"));
        EXPECT_FALSE(MakerShown(box));
    }
    WriteVersion("Pask-v02.03");
    {
        CAboutDlg box(nullptr, Folder());
        EXPECT_EQ(Title(box), QStringLiteral("Velquarinv02.03.02.04"));
        EXPECT_TRUE(MakerShown(box));
        ASSERT_NE(box.m_wndLink, nullptr);
        EXPECT_TRUE(box.m_wndLink->IsLink());
        EXPECT_EQ(box.m_wndLink->TextColor(), RGB(0, 0, 255));
        EXPECT_TRUE(box.m_wndLink->font().underline());
    }
    WriteVersion("pask v1");
    CAboutDlg box(nullptr, Folder());
    EXPECT_FALSE(MakerShown(box)) << "the maker's name is matched with its capital";
}

TEST_F(AboutBox, AClickOnTheBoxOrItsTextsClosesIt)
{
    WriteVersion("V01.01");
    for (const char* where : { "background", "title" }) {
        CAboutDlg box(nullptr, Folder());
        box.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
        QPoint at(2, 2);
        if (QByteArray(where) == "title") {
            auto* title = box.findChild<QLabel*>(QStringLiteral("idc_1332"));
            at = title->mapTo(&box, title->rect().center());
        }
        QTest::mouseClick(box.windowHandle(), Qt::LeftButton, {}, at);
        EXPECT_FALSE(box.isVisible()) << where;
        EXPECT_EQ(box.result(), QDialog::Rejected) << where;
    }
}
