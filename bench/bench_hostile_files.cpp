// How long the window stands still, and how much memory it takes, when a data file or
// the profile holds a huge text: a version text of many megabytes in "QZVERSION.qzi"
// (the about box), a drive name of as many in "QZNAME.qzi" (each name lookup of the
// strip), a device path of as many under "[Ports]" (the communication dialog, which
// start-up shows when the stored port does not open), and a parameter file of as many
// that the user loads into the parameter page. Figures, not pass/fail.
//
// VELQUARIN_HUGE_MB sets the size of the huge text (default 10).
#include "bench/BenchSupport.h"
#include "link/ui/ComSetting.h"
#include "pages/params/BasicParam.h"
#include "pages/params/BasicParamIds.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/Profile.h"
#include "shell/AboutDlg.h"
#include "shell/ProgramFiles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

qsizetype HugeBytes()
{
    return static_cast<qsizetype>(EnvCount("VELQUARIN_HUGE_MB", 10)) * 1024 * 1024;
}

QTemporaryDir& Folder()
{
    static QTemporaryDir dir;
    return dir;
}

void WriteFile(const QString& name, const QByteArray& head, const QByteArray& tail = "\r\n")
{
    QFile file(Folder().filePath(name));
    file.open(QIODevice::WriteOnly);
    file.write(head);
    file.write(QByteArray(HugeBytes(), 'x'));
    file.write(tail);
}

// Peak resident memory since the last reset, in MiB; a reset starts a new peak.
double PeakMiB(bool reset)
{
    if (reset) {
        std::ofstream("/proc/self/clear_refs") << "5";
        return 0;
    }
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    }
    return 0;
}

void Report(benchmark::State& state, const char* what, qint64 ms, double peak)
{
    state.SetIterationTime(static_cast<double>(ms) / 1000.0);
    state.counters["ms"] = static_cast<double>(ms);
    state.counters["peak_MiB"] = peak;
    std::printf("%s: %lld ms, peak memory %.0f MiB\n", what, static_cast<long long>(ms), peak);
}

void BM_AboutWithHugeVersion(benchmark::State& state)
{
    WriteFile(QStringLiteral("QZVERSION.qzi"), "[DriverVersion]\r\nD0000=v");
    for (auto _ : state) {
        PeakMiB(true);
        QElapsedTimer timer;
        timer.start();
        CAboutDlg about(nullptr, Folder().path() + u'/');
        about.adjustSize();
        about.grab();
        Report(state, "about box with a huge version text", timer.elapsed(), PeakMiB(false));
        std::printf("  about box %d x %d px\n", about.width(), about.height());
    }
}
BENCHMARK(BM_AboutWithHugeVersion)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_DriverNameFromHugeFile(benchmark::State& state)
{
    WriteFile(QStringLiteral("QZNAME.qzi"), "[DriverName]\r\nD0005=QX6215\r\nD0006=");
    constexpr int kLookups = 10;
    for (auto _ : state) {
        PeakMiB(true);
        QElapsedTimer timer;
        timer.start();
        QString name;
        for (int i = 0; i < kLookups; ++i)
            GetDriverName(5 + i % 2, name, Folder().path());
        Report(state, "10 drive-name lookups in a huge name file", timer.elapsed(), PeakMiB(false));
        std::printf("  last name %lld characters\n", static_cast<long long>(name.size()));
    }
}
BENCHMARK(BM_DriverNameFromHugeFile)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_ComSettingWithHugePath(benchmark::State& state)
{
    {
        auto profile = OpenProfile();
        profile->setValue(QStringLiteral("QzBrantovelix/ComType"), 0);
        profile->setValue(QStringLiteral("QzBrantovelix/ComNum"), 1);
        profile->setValue(QStringLiteral("Ports/COM1"), QString(QStringLiteral("/dev/")) + QString(HugeBytes(), u'x'));
    }
    for (auto _ : state) {
        PeakMiB(true);
        QElapsedTimer timer;
        timer.start();
        CComSetting dialog;
        dialog.adjustSize();
        dialog.grab();
        Report(state, "communication dialog with a huge device path", timer.elapsed(), PeakMiB(false));
        std::printf("  dialog %d x %d px\n", dialog.width(), dialog.height());
    }
    OpenProfile()->remove(QStringLiteral("Ports/COM1"));
}
BENCHMARK(BM_ComSettingWithHugePath)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_LoadHugeParameterFile(benchmark::State& state)
{
    const QString path = Folder().filePath(QStringLiteral("huge.qzd"));
    WriteFile(QStringLiteral("huge.qzd"), "[option]\r\nHLA=");
    QStringList boxes;
    SetFileDialogHandler([&path](const FileDialogRequest&) { return path; });
    SetMessageBoxHandler([&boxes](const MessageBoxRequest& request) {
        boxes << request.text.left(120);
        return (request.type & MB_YESNO) ? IDYES : IDOK;
    });
    for (auto _ : state) {
        QWidget host;
        CBasicParam page;
        page.Create(&host);
        PeakMiB(true);
        QElapsedTimer timer;
        timer.start();
        qobject_cast<QAbstractButton*>(page.GetDlgItem(IDC_LOAD_FILE))->click();
        Report(state, "loading a huge parameter file", timer.elapsed(), PeakMiB(false));
        std::printf("  told: %s\n", qPrintable(boxes.join(QStringLiteral(" | ")).replace(u'\n', u' ')));
    }
    SetFileDialogHandler({});
    SetMessageBoxHandler({});
}
BENCHMARK(BM_LoadHugeParameterFile)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    BenchProfile profile;
    if (!profile.Made())
        return 1;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0); // no screen needed
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
