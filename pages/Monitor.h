#pragma once

#include "pages/MonitorSamples.h"
#include "pages/SampleThread.h"
#include "pages/TuningForm.h"
#include "link/DriveExchange.h"
#include "pages/ControlPage.h"

#include <QBasicTimer>
#include <QElapsedTimer>

class CLineChartCtrl2;
class ChartAxis;
class QButtonGroup;
class QCheckBox;

// The PID-tuning page (dialog 142, "PID调试"). The tab view keeps one but does not add it
// as a tab; built in full, it works as the other pages do once hosted.
//
// The user sets and reads the seven loop gains, makes the drive run its own test wave
// (triangle, sine or square) and, while it runs, watches position feedback and position
// command, sampled over CAN by SampleThread, on a four-curve chart with a Y range per curve
// and measuring markers. "位置归零" moves the motor to position zero.
//
// The page moves values between its controls and its form and carries out what the plain
// functions of TuningCommands, TuningView, MonitorView and MonitorSamples decide. A wave
// this page started is stopped on the drive whenever the page stops showing it as running:
// the run button, leaving the page, the application quitting and the page's destruction.
class CMonitor : public ControlPage {
    Q_OBJECT
public:
    static constexpr unsigned IDD = 142;
    static constexpr int IDC_CHART = 1009;
    static constexpr int IDC_RUN_MONITOR = 1139;
    // Held hidden and disabled: the page never shows them.
    static constexpr int IDC_HOST_WAVE = 1140;
    static constexpr int IDC_START_MONITOR = 1151;
    static constexpr int IDC_SAVE_DATA = 1105;
    static constexpr int IDC_CATCH = 1206;
    static constexpr int IDC_ZERO = 1200;
    static constexpr int IDC_ZOOM_BOX = 1150;
    static constexpr int IDC_CMD_CORRECTION = 1289;
    static constexpr int IDC_MARK_X_CHECK = 1271;
    static constexpr int IDC_MARK_Y_CHECK = 1272;
    static constexpr int TIMER_HOST_WAVE = 1364;
    static constexpr int TIMER_READOUT = 1354;
    static constexpr int READOUT_PERIOD_MS = 100;
    // The drive settles into its wave before sampling starts.
    static constexpr int kWaveSettleMs = 1000;
    static constexpr int kCurves = MonitorSamples::kArrays;

    CMonitor();
    ~CMonitor() override;

    CLineChartCtrl2* Chart() const { return m_chart; }
    const TuningForm& Form() const { return m_form; }
    const MonitorSamples& Samples() const { return m_samples; }
    bool IsWaveRunning() const { return m_bWaveRunning; }
    bool IsSampling() const { return m_bSampling; }
    bool IsHostWaveRunning() const { return m_hostWaveTimer.isActive(); }
    uint64_t SamplesPosted() const { return m_sampler->SamplesPosted(); }

    // Where the page's commands and its sampling go, and how long the wave settles (tests,
    // benchmarks); only while nothing runs.
    void SetServices(LinkTransaction transact, PollPause sampling, int settleMs = kWaveSettleMs);

    // The context's transaction and poll pause serve the page from then on.
    void SetDriveContext(const DriveContext& context) override;

    // Handlers, as the controls call them.
    void OnBnClickedRunMonitor();
    void OnBnClickedPositionZero();
    void OnBnClickedSetPid();
    void OnBnClickedGetPid();
    void OnBnClickedMarkX();
    void OnBnClickedCancelX();
    void OnBnClickedMarkY();
    void OnBnClickedCancelY();
    void OnBnClickedAdjustMarker();
    // The hidden controls' handlers.
    void OnBnClickedHostWave();    // 1140: the wave timed by the page, tick by tick
    void OnBnClickedStartMonitor(); // 1151: sampling alone
    void OnBnClickedSaveData();    // 1105: arrays 1 to 3 into a captured-data file
    void SaveData(const QString& folder); // the same file, in the folder given
    // The axis buttons and settings, by control id (with the hidden 1150, 1200 and 1206).
    void OnViewButton(int id);
    // Stops sampling and the drive's wave, asking nothing of the form.
    void StopRunning();

protected:
    bool OnInitDialog() override;
    bool DoDataExchange(bool saveAndValidate) override;
    LPARAM OnPageLeaving() override;
    LPARAM OnPageActivated() override;
    LPARAM OnPageInit() override;

    bool event(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void CreateControls();

    void ReadGains();
    bool StartWave();
    void StopWave();
    // Sampling started from `button`, which reads "Stop" while it runs.
    void StartSampling(int button);
    void StopHostWave();
    void OnHostWaveTick();
    void PreviewHostWave();
    void StopSampling();
    // The program or the page ends: sampling and the wave stop without a word.
    void StopOnExit();
    void OnCurveCheck(int id);
    void SetMarkers(bool x, bool on);

    LPARAM OnNewSample(WPARAM wParam, LPARAM lParam);
    LPARAM OnSampleEnd(const QByteArray& message);
    LPARAM OnChartNotify(WPARAM wParam, LPARAM kind);
    void OnReadoutTimer();

    // A curve's Y range as an axis, and back.
    ChartAxis CurveRange(int curve) const;
    void SetCurveRange(int curve, const ChartAxis& y);
    void DrawGrid();
    void ViewChanged();

    TuningForm m_form;
    MonitorSamples m_samples;
    LinkTransaction m_transact;
    std::unique_ptr<SampleThread> m_sampler;
    int m_settleMs = kWaveSettleMs;
    CLineChartCtrl2* m_chart = nullptr;
    QButtonGroup* m_yRefGroup = nullptr;
    QButtonGroup* m_shapeGroup = nullptr;
    QButtonGroup* m_curveGroup = nullptr;
    QBasicTimer m_readoutTimer;
    QBasicTimer m_refreshTimer;
    QBasicTimer m_hostWaveTimer;
    QElapsedTimer m_hostWaveClock;
    bool m_bZoom = false;
    int m_nSamplingButton = IDC_RUN_MONITOR;

    bool m_bXMarks = false;
    bool m_bYMarks = false;
    bool m_bWaveRunning = false;
    bool m_bSampling = false;
    int m_nSavedMode = 0;
    QString m_strX;
    QString m_strY;
    QString m_strMrad;
};
