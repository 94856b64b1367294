#pragma once

#include "pages/MonitorForm.h"
#include "pages/MonitorSamples.h"
#include "pages/MonitorThread.h"
#include "link/DriveExchange.h"
#include "pages/ControlPage.h"

#include <QBasicTimer>

#include <memory>

class CLineChartCtrl;
class QButtonGroup;
class QGridLayout;

// The run-monitor page, the second tab (dialog 153, "运行监测"). From it the user moves
// the motor (absolute or relative position, velocity, current, brake) and watches one
// quantity of the drive (position, velocity, current, or a query of the user's choice)
// on a live chart while MonitorThread polls the drive; the chart pans and zooms, and
// what was captured can be written to a text file.
//
// The page moves values between its controls and its form, and carries out what the plain
// functions of MonitorCommands, MonitorSamples, MonitorView and CapturedDataFile decide.
// Each action takes only the edits it uses. Controls are found by GetDlgItem(id) or by
// their object names "idc_<id>"; the controls the page keeps hidden exist with their
// handlers.
class CPidParam : public ControlPage {
    Q_OBJECT
public:
    static constexpr unsigned IDD = 153;
    static constexpr int IDC_CHART = 1009;
    static constexpr int TIMER_READOUT = 1354;
    static constexpr int READOUT_PERIOD_MS = 100;
    // Live samples are drawn at once but shown at most once a frame.
    static constexpr int FRAME_MS = 16;

    CPidParam();
    ~CPidParam() override;

    CLineChartCtrl* Chart() const { return m_pChart; }
    const MonitorForm& Form() const { return m_form; }
    const MonitorSamples& Samples() const { return m_samples; }
    bool IsMonitoring() const { return m_bMonitoring; }
    bool IsRunHeld() const { return m_bRunToggle; }
    bool IsBrakeSet() const { return m_bBrake; }
    // The polling thread's samples so far (for the benchmark).
    uint64_t SamplesPosted() const { return m_thread->SamplesPosted(); }

    // Where the page's commands and its polling thread go (tests, benchmarks); only while
    // not monitoring.
    void SetServices(MonitorThread::Services services);

    // The context's transaction and poll pause serve the page from then on.
    void SetDriveContext(const DriveContext& context) override;

    // Handlers, as the controls call them.
    void OnRun();
    void OnBrake();
    void OnGraph();
    void OnStop();
    void OnSetPid();   // hidden 1017
    void OnGetPid();   // hidden 1104
    void OnSetAcc();   // hidden 1187
    void OnGetAcc();   // hidden 1035
    void OnPosZero();  // hidden 1188
    void OnResetAxes(); // hidden 1022
    void OnPlayback(); // hidden 1023
    void OnSaveData(); // hidden and disabled 1105
    // The view buttons, by control id.
    void OnViewButton(int id);

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
    QButtonGroup* AddRadioGroup(QGridLayout* grid, const int* ids, const char* const* texts, int count, int row,
        int column, bool vertical, void (CPidParam::*handler)(int));
    void OnClicked(int id, void (CPidParam::*handler)());

    // Takes the edits into the form; false (the user told, the edit focused) at the first
    // one rejected.
    bool TakeFields(std::initializer_list<int> ids);
    bool TakeField(int id);

    void OnRunModeClicked(int mode);
    void OnChannelClicked(int channel);
    void OnBaselineClicked(int mode);
    void StopRun();
    void ReadGains();
    void StopMonitoring();
    void SetIdleLook();

    LPARAM OnNewSample(WPARAM wParam, LPARAM lParam);
    LPARAM OnMonitorEnd(const QByteArray& message);
    LPARAM OnChartNotify(LPARAM kind, const QByteArray& data);
    void OnReadoutTimer();
    void ScheduleRefresh();

    void ViewChanged();

    MonitorForm m_form;
    MonitorSamples m_samples;
    LinkTransaction m_transact;
    std::unique_ptr<MonitorThread> m_thread;
    CLineChartCtrl* m_pChart = nullptr;
    QButtonGroup* m_runModeGroup = nullptr;
    QButtonGroup* m_channelGroup = nullptr;
    QButtonGroup* m_baselineGroup = nullptr;
    QBasicTimer m_readoutTimer;
    QBasicTimer m_refreshTimer;

    bool m_bRunToggle = false;
    int m_nHeldRunMode = RUN_VELOCITY;
    bool m_bBrake = false;
    bool m_bZoomBox = false;
    bool m_bMonitoring = false;
};
