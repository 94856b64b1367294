#pragma once

#include "link/CommResult.h"
#include "link/DriveExchange.h"
#include "pages/params/BasicParamModel.h"
#include "pages/params/BasicParamRules.h"
#include "pages/params/DataExchange.h"
#include "platform/DriveJob.h"
#include "shell/PropertyViewPage.h"

#include <QElapsedTimer>
#include <QHash>
#include <QTimer>

#include <array>
#include <cstdint>
#include <vector>

class QButtonGroup;
class QTreeWidgetItem;
class WindowMessage;
struct ParamQuery;
struct ReadAllOutcome;
struct WriteAllOutcome;

// The parameter page, the first tab (dialog 141, "参数配置"): every setting of the drive in
// one form. The page holds the settings in its model and moves them between the model and
// its controls; the rules that tie controls together, the data exchange and the drive
// commands are plain functions it calls. Controls are found by GetDlgItem(id) or by their
// object names "idc_<id>".
//
// Reading and writing all settings run on worker threads that never touch a control: a
// write takes a snapshot of the form first, and a read posts each reply (WM_PARAM_REPLY,
// lParam = the query's command id, the reply text carried in the message) for the page to
// decode. While a worker runs, the six action buttons are disabled and "Setup" and "Read"
// are refused.
class CBasicParam : public CPropertyViewPage {
    Q_OBJECT
public:
    static constexpr unsigned IDD = 141;

    CBasicParam();
    ~CBasicParam() override;

    QWidget* GetDlgItem(int id) const;
    const BasicParamModel& Model() const { return m_model; }
    BasicParamModel& Model() { return m_model; }

    // Enables or disables the six action buttons ("Save to EEPROM" included, which starts
    // disabled).
    void EnableActionButtons(bool enable);
    // Checks the threshold radio of m_nThresholdMode and offers "Threshold Voltage" for a
    // manual threshold only.
    void UpdateThresholdRadios();
    // Shows the phase table when "settings.ini" among the program's data files asks for it.
    void ShowPhaseData(const QString& folder = GetDataFolderPath(kPhaseSettingsFile));

    void OnInitialUpdate() override;
    // Leaving the page stops a read that still runs.
    bool OnKillActive() override;

    // The drive's stored settings as one block (serial line only); no control asks for it.
    void OnBnClickedReadEepromBlock();
    // A read or write of all settings or the setting of all nodes is running, a read is due
    // after factory defaults, or the node search runs.
    bool IsBusy() const;
    // While busy, each of these moves or needs the current node: says which runs, and true.
    bool RefuseWhileBusy();
    // Adds the motor-type text to the motor-type list file; no control asks for it.
    void OnCbnKillfocusMotorType();

    // After factory defaults, the drive has this long to settle before it is read.
    static constexpr int kReadAfterDefaultsMs = 3000;

    // The node search's probe (ProbeNodeType) on the link's own transaction.
    static CommResult ProbeDeviceType(QObject* window);
    // WM_SET_ALL_NODES: sends the page's mode setting to every node the search found, on
    // a worker of its own; refused while the page is busy.
    LPARAM OnStartSetAllNodes();
    bool IsSettingAllNodes() const { return m_setAllWorker.IsRunning(); }

protected:
    bool OnInitDialog() override;
    bool DoDataExchange(bool saveAndValidate) override;
    bool event(QEvent* event) override;
    // The tab was shown or a drive connected: a silent read of all settings.
    LPARAM OnPageActivated() override;

private:
    void CreateControls();
    QWidget* CreateControl(int id, QWidget* parent);
    void ConnectHandlers();
    void OnClicked(int id, void (CBasicParam::*handler)());

    void Apply(const ControlChanges& changes);
    void SetCheck(int id, bool checked);
    bool IsChecked(int id) const;
    int ComboIndex(int id) const;
    FormControls ReadControls() const;
    void WriteControls(const FormControls& controls);
    bool CheckConnected();
    void SendBrakeCommand(bool close);
    // Sends a command of the drive's stored copy, answered by nothing the page waits for,
    // and logs it as sent; the transaction's result.
    int SendWithoutReply(const QString& command);
    // Copies what lives only in the controls (combo items, port directions, phase texts)
    // into the model, and back.
    void TakeSnapshot();
    void ShowSnapshot();
    // The parameter file the user picks in a file dialog; empty when cancelled.
    QString ChooseParamFile(bool save, const QString& proposedName);
    // A read that is told (the "Read" button) ends with a message when settings were not
    // read; a silent one (on activation) says it in the log.
    bool StartReadAll(bool told);
    void OnReadAllDone(const ReadAllOutcome& outcome, const std::vector<ParamQuery>& queries, bool told);
    // A field whose setting the last read did not get from the drive shows a tint until it
    // is read again or edited.
    void MarkNotRead(int id, bool mark);
    void WatchEditsForMarks();
    void OnWorkerDone();
    void OnWriteAllDone(const WriteAllOutcome& outcome, bool changeBaud);
    void OnReadAfterDefaults();
    LPARAM OnStartReadSilent();
    LPARAM OnParamReply(const WindowMessage& message);

    // Handlers
    void OnBnClickedVelocity();
    void OnBnClickedPosition();
    void OnBnClickedTorque();
    void OnRunModeClicked(int mode);
    void OnCbnSelchangeCommand();
    void OnBnClickedIoInput(int port);
    void OnBnClickedIoOutput(int port);
    void OnBnClickedMasterEncoder();
    void OnBnClickedAuxEncoder();
    void OnBnClickedThresholdMode();
    void OnCbnSelchangeHomeMode();
    void OnCbnSelchangeBrakeMode();
    void OnBnClickedBrakeClose();
    void OnBnClickedBrakeOpen();
    void OnBnClickedActivate();
    void OnBnClickedPhaseAuto();
    void OnBnClickedChangeBaud();
    void OnBnClickedLimitCheck();
    // The action buttons; what they do comes with writing, reading, storing and filing the
    // settings.
    void OnBnClickedSetup();
    void OnBnClickedRead();
    void OnBnClickedSaveToEeprom();
    void OnBnClickedRestoreDefaults();
    void OnBnClickedSaveToFile();
    void OnBnClickedLoadFromFile();

    // The job of the set-all worker: the found nodes and the mode value were taken on the UI
    // thread; its status texts come back as events.
    void SetAllNodesThread(
        DriveJob& worker, const LinkTransaction& transact, const std::vector<uint16_t>& nodes, int value);
    void ShowSearchStatus(const QString& text);
    bool SearchRuns() const;

    BasicParamModel m_model;
    QHash<int, QWidget*> m_controls;
    QHash<int, QButtonGroup*> m_radioGroups; // by any button of the group
    QTreeWidgetItem* m_hTreeRoot = nullptr;
    DriveJob m_writeWorker;
    DriveJob m_readWorker;
    DriveJob m_setAllWorker;
    // The read after factory defaults, and the action buttons' states it puts back. The
    // wait is measured as well: a timer may fire a little early, the drive must not be read
    // before its time.
    QTimer m_readAfterDefaults;
    QElapsedTimer m_defaultsRestored;
    std::array<bool, 6> m_buttonsBeforeDefaults {};
    // The motor types met so far (the items of a motor-type combo the dialog does not show).
    QStringList m_motorTypes;
};
