#pragma once

#include "pages/shared/ChartPage.h"
#include "pages/tuning/TuningController.h"

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
// The page moves values between its controls and its form and shows what its controller
// and the plain functions of TuningCommands, TuningView and ChartView decide. A wave
// this page started is stopped on the drive whenever the page stops showing it as running:
// the run button, leaving the page, the application quitting and the page's destruction.
class CMonitor : public ChartPage {
    Q_OBJECT
public:
    static constexpr unsigned IDD = 142;
    static constexpr int IDC_RUN_MONITOR = 1139;
    // Held hidden and disabled: the page never shows them.
    static constexpr int IDC_HOST_WAVE = 1140;
    static constexpr int IDC_START_MONITOR = 1151;
    static constexpr int IDC_SAVE_DATA = 1105;
    static constexpr int IDC_CATCH = 1206;
    static constexpr int IDC_ZERO = 1200;
    static constexpr int IDC_CMD_CORRECTION = 1289;
    static constexpr int IDC_MARK_X_CHECK = 1271;
    static constexpr int IDC_MARK_Y_CHECK = 1272;
    static constexpr int kCurves = ChartSamples::kArrays;

    CMonitor();
    ~CMonitor() override;

    CLineChartCtrl2* Chart() const { return m_chart; }
    const TuningForm& Form() const { return m_form; }
    // The drive's wave and the sampling.
    const TuningController& Controller() const { return m_control; }
    bool IsHostWaveRunning() const { return m_hostWaveTimer.isActive(); }

    // Where the page's commands and its sampling go, and how long the wave settles (tests,
    // benchmarks); only while nothing runs.
    void SetServices(LinkTransaction transact, PollPause sampling, int settleMs = TuningController::kWaveSettleMs);

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
    void OnViewButton(int id) override;
    // Stops sampling and the drive's wave, asking nothing of the form.
    void StopRunning();

protected:
    bool OnInitDialog() override;
    // The wave's units follow the drive's status bit 8.
    LPARAM OnPageInit() override;
    // Activation reads the gains; -1 while no drive is connected.
    LPARAM OnPageActivated() override;
    // Leaving stops the sampling, the drive's wave and the page's own.
    LPARAM OnPageLeaving() override;
    bool DoDataExchange(bool saveAndValidate) override;

private:
    void CreateControls();

    void ReadGains();
    bool StartWave();
    void StopWave();
    // Sampling started from `button`, which reads "Stop" while it runs.
    void StartSampling(int button);
    void StopSampling();
    // The program or the page ends: sampling and the wave stop without a word.
    void StopOnExit();
    LPARAM OnNewSample(WPARAM wParam, LPARAM lParam) override;
    LPARAM OnWorkerEnd(const QByteArray& message) override;

    // The page's own wave, timed tick by tick.
    void StopHostWave();
    void OnHostWaveTick();
    void PreviewHostWave();
    void timerEvent(QTimerEvent* event) override;

    void OnCurveCheck(int id);
    void SetMarkers(bool x, bool on);
    // A curve's Y range as an axis, and back.
    ChartAxis CurveRange(int curve) const;
    void SetCurveRange(int curve, const ChartAxis& y);
    // The markers' distances, the read-out and the Y axis of the selected curve.
    LPARAM OnChartNotify(WPARAM wParam, LPARAM kind, const QByteArray& data) override;
    void OnReadoutTimer() override;
    ChartAxis ShownYAxis() const override;
    QString AxisUnit() const override;

    TuningForm m_form;
    TuningController m_control;
    CLineChartCtrl2* m_chart = nullptr;
    QButtonGroup* m_yRefGroup = nullptr;
    QButtonGroup* m_shapeGroup = nullptr;
    QButtonGroup* m_curveGroup = nullptr;
    QBasicTimer m_hostWaveTimer;
    QElapsedTimer m_hostWaveClock;
    int m_nSamplingButton = IDC_RUN_MONITOR;

    bool m_bXMarks = false;
    bool m_bYMarks = false;
    QString m_strX;
    QString m_strY;
    QString m_strMrad;
};
