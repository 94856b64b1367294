// Line chart drawing: a full redraw of four curves into an 880 x 400 chart (clear, grid,
// curves, repaint) for 1000 to 60000 samples per curve, the same through one MoveTo/LineTo
// per sample for comparison, the column reduction alone, and appending one sample per
// curve with a repaint.
#include "controls/CLineChartCtrl.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

namespace {
constexpr int kCurves = 4;
constexpr COLORREF kColours[kCurves] = { 0x0000FF, 0xFF0000, 0x00FF00, 0xFF00FF };

// Noisy curves sampled every millisecond, the view showing all of them.
class Scene {
public:
    explicit Scene(int samples, double xSpan = 0)
    {
        m_owner.resize(960, 480);
        m_chart = new CLineChartCtrl(&m_owner);
        m_chart->setGeometry(40, 40, 880, 400);
        m_owner.show();
        m_chart->InitMemDC();
        m_chart->SetXRange(0, xSpan > 0 ? xSpan : samples);
        m_chart->SetYRange(1000, -1000);
        std::mt19937 rng(1);
        std::normal_distribution<double> noise(0.0, 40.0);
        m_curves.resize(kCurves);
        for (int c = 0; c < kCurves; ++c) {
            m_chart->AddItem(kColours[c]);
            for (int i = 0; i < samples; ++i)
                m_curves[c].push_back({ static_cast<double>(i), 700 * std::sin(i / (300.0 + 50 * c)) + noise(rng) });
        }
    }

    CLineChartCtrl* Chart() { return m_chart; }

    void DrawGrid()
    {
        m_chart->Clear();
        for (int i = 1; i < 10; ++i)
            m_chart->DrawVGridLine(i, 10, 0xF0F0F0, PS_SOLID);
        for (int k = 5; k < 100; k += 5)
            m_chart->DrawHGridLine(k, 100, 0xF0F0F0, PS_SOLID);
        m_chart->DrawHGridLine(50, 100, 0x000000, PS_SOLID);
    }

    void Redraw()
    {
        DrawGrid();
        for (int c = 0; c < kCurves; ++c)
            m_chart->DrawSamples(c, m_curves[c]);
        Repaint();
    }

    void RedrawEverySample()
    {
        DrawGrid();
        for (int c = 0; c < kCurves; ++c) {
            m_chart->MoveTo(c, m_curves[c].front().x, m_curves[c].front().y);
            for (const ChartPoint& p : m_curves[c])
                m_chart->LineTo(c, p.x, p.y);
        }
        Repaint();
    }

    void Repaint()
    {
        m_chart->Refresh();
        m_chart->repaint();
    }

private:
    QWidget m_owner;
    CLineChartCtrl* m_chart;
    std::vector<std::vector<ChartPoint>> m_curves;
};

void FullRedraw(benchmark::State& state)
{
    Scene scene(static_cast<int>(state.range(0)));
    for (auto _ : state)
        scene.Redraw();
    state.counters["samples"] = static_cast<double>(state.range(0) * kCurves);
}

void FullRedrawEverySample(benchmark::State& state)
{
    Scene scene(static_cast<int>(state.range(0)));
    for (auto _ : state)
        scene.RedrawEverySample();
    state.counters["samples"] = static_cast<double>(state.range(0) * kCurves);
}

// The column reduction alone, without painting: what the sample count costs.
void ReduceColumns(benchmark::State& state)
{
    const std::size_t n = static_cast<std::size_t>(state.range(0));
    std::vector<ChartPoint> samples;
    for (std::size_t i = 0; i < n; ++i)
        samples.push_back({ static_cast<double>(i), 700 * std::sin(i / 300.0) + (i * 7919 % 97) });
    ChartAxis x, y;
    x.Set(0, static_cast<double>(n), 100);
    y.Set(-1000, 1000, 20);
    for (auto _ : state) {
        ChartCurveBuilder builder(x, y, 880, 400, 400);
        builder.AddSamples(0, n, [&](std::size_t i) { return samples[i]; });
        builder.Finish();
        benchmark::DoNotOptimize(builder.Lines().data());
    }
}

void AppendSample(benchmark::State& state)
{
    constexpr int kDrawn = 60000;
    Scene scene(kDrawn, 2.0 * kDrawn);
    scene.Redraw();
    CLineChartCtrl* chart = scene.Chart();
    int i = 0;
    for (auto _ : state) {
        const double x = kDrawn + i % kDrawn;
        for (int c = 0; c < kCurves; ++c)
            chart->LineTo(c, x, 700 * std::sin(x / (300.0 + 50 * c)));
        scene.Repaint();
        ++i;
    }
}
}

BENCHMARK(FullRedraw)->Arg(1000)->Arg(2000)->Arg(4000)->Arg(8000)->Arg(16000)->Arg(32000)->Arg(60000)
    ->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(ReduceColumns)->Arg(1000)->Arg(8000)->Arg(60000)->Unit(benchmark::kMicrosecond);
BENCHMARK(FullRedrawEverySample)->Arg(1000)->Arg(8000)->Unit(benchmark::kMicrosecond);
BENCHMARK(AppendSample)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
