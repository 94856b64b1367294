#include "pages/shared/CapturedDataFile.h"

#include "tests/support/QtPrinters.h"
#include "tests/support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <gtest/gtest.h>

namespace {

RetValue Sample(uint32_t time, double value)
{
    RetValue sample;
    sample.time = time;
    sample.value = value;
    return sample;
}

QByteArray Utf16Le(const char* text)
{
    QStringEncoder encoder(QStringEncoder::Utf16LE);
    return encoder.encode(QString::fromUtf8(text));
}

const QDateTime kWhen(QDate(2024, 3, 5), QTime(7, 8, 9));

}

TEST(CapturedDataFile, TitleTimeHeadingsAndFixedWidthRowsInUtf16)
{
    const std::vector<RetValue> speed { Sample(10, 1500), Sample(3000000000u, -70000.9) };
    const std::vector<RetValue> none;
    const std::vector<RetValue> current { Sample(20, -3) };
    const CapturedColumn columns[] = { { "Speed(rpm)", &speed }, { "Position(r)", &none }, { "Current(mA)", &current } };
    const QByteArray expected = Utf16Le(
        "        Velquarin －－ PID Debug\r\n"
        "        2024/03/05-07:08:09\r\n"
        "\r\n"
        "              Time    Speed(rpm)              Time   Current(mA)\r\n"
        "                10         1500                20           -3\r\n"
        "        3000000000       -70000                 0            0\r\n");
    const QByteArray bytes = FormatCapturedData(kCapturedByRunMonitor, kWhen, columns);
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(bytes.left(2), QByteArray(" \0", 2)) << "no byte-order mark";
    EXPECT_EQ(CapturedDataFileName(kWhen), "20240305-070809.txt");

    // Nothing captured: the title, the time and an empty heading line.
    EXPECT_EQ(FormatCapturedData(kCapturedByRunMonitor, kWhen, {}), Utf16Le("        Velquarin －－ PID Debug\r\n"
                                                     "        2024/03/05-07:08:09\r\n\r\n\r\n"));
}

TEST(CapturedDataFile, SavingWritesTheFileOrSaysWhyNot)
{
    const std::vector<RetValue> position { Sample(1, 2) };
    const CapturedColumn column { "Position(r)", &position };
    const QString folder = QString::fromStdString(TestEnvironment::Root()) + QStringLiteral("/captured/");
    ASSERT_TRUE(QDir().mkpath(folder));
    QString path;
    QString error;
    ASSERT_TRUE(SaveCapturedData(kCapturedByRunMonitor, folder, kWhen, { &column, 1 }, &path, &error)) << error.toStdString();
    EXPECT_EQ(path, folder + "20240305-070809.txt");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), FormatCapturedData(kCapturedByRunMonitor, kWhen, { &column, 1 }));

    EXPECT_FALSE(SaveCapturedData(kCapturedByRunMonitor, folder + "missing/", kWhen, { &column, 1 }, &path, &error));
    EXPECT_EQ(path, folder + "missing/20240305-070809.txt");
    EXPECT_FALSE(error.isEmpty());
}
