#pragma once

#include "pages/shared/ChartPage.h"
#include "pages/runmonitor/RunMonitorForm.h"
#include "pages/runmonitor/RunMonitorController.h"

class CLineChartCtrl;
class QButtonGroup;
class QGridLayout;

// The run-monitor page, the second tab (dialog 153, "运行监测"). From it the user moves
// the motor (absolute or relative position, velocity, current, brake) and watches one
// quantity of the drive (position, velocity, current, or a query of the user's choice)
// on a live chart while MonitorThread polls the drive; the chart pans and zooms, and
// what was captured can be written to a text file.
//
// The page moves values between its controls and its form, and shows what its controller
// and the plain functions of RunMonitorCommands, ChartView and CapturedDataFile decide.
// Each action takes only the edits it uses. Controls are found by GetDlgItem(id) or by
// their object names "idc_<id>"; the controls the page keeps hidden exist with their
// handlers.
class CPidParam : public ChartPage {
    Q_OBJECT
public:
    static constexpr unsigned IDD = 153;

    CPidParam();
    ~CPidParam() override;

    CLineChartCtrl* Chart() const { return ChartCtrl(); }
    const RunMonitorForm& Form() const { return m_form; }
    // The run, the brake and the polling.
    const RunMonitorController& Controller() const { return m_control; }

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
    void OnViewButton(int id) override;

protected:
    bool OnInitDialog() override;
    // The visible edits are checked; the hidden ones are taken by the actions that use them.
    bool DoDataExchange(bool saveAndValidate) override;
    // Leaving stops the polling.
    LPARAM OnPageLeaving() override;
    // Activation reads the gains while a drive is connected.
    LPARAM OnPageActivated() override;
    LPARAM OnPageInit() override;

private:
    void CreateControls();
    // A column of radios whose choice is the form's member.
    QButtonGroup* AddRadioGroup(QGridLayout* grid, const int* ids, const char* const* texts, int count, int column,
        int RunMonitorForm::*member);
    void OnClicked(int id, void (CPidParam::*handler)());

    // Takes the edits into the form; false (the user told, the edit focused) at the first
    // one rejected.
    bool TakeFields(std::initializer_list<int> ids);
    bool TakeField(int id);

    void StopRun();
    void ReadGains();

    // The polling's samples and its end.
    void StopMonitoring();
    LPARAM OnNewSample(WPARAM wParam, LPARAM lParam) override;
    LPARAM OnWorkerEnd(const QByteArray& message) override;
    // The zoom box, the mouse read-out and the unit of what is polled.
    LPARAM OnChartNotify(WPARAM wParam, LPARAM kind, const QByteArray& data) override;
    void OnReadoutTimer() override;
    QString AxisUnit() const override;

    RunMonitorForm m_form;
    RunMonitorController m_control;
    QButtonGroup* m_runModeGroup = nullptr;
    QButtonGroup* m_channelGroup = nullptr;
    QButtonGroup* m_baselineGroup = nullptr;
};
