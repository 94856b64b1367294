#pragma once

#include "link/CommResult.h"
#include "pages/BasicParamModel.h"
#include "pages/BasicParamRules.h"
#include "pages/DataExchange.h"
#include "shell/PropertyViewPage.h"

#include <QHash>

#include <cstdint>
#include <thread>
#include <vector>

class CMainFrame;
class QButtonGroup;
class QTreeWidgetItem;

// The parameter page, the first tab (dialog 141, "参数配置"): every setting of the drive in
// one form. The page holds the settings in its model and moves them between the model and
// its controls; the rules that tie controls together, the data exchange and the drive
// commands are plain functions it calls. Controls are found by GetDlgItem(id) or by their
// object names "idc_<id>".
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
    // Shows the phase table when "settings.ini" in the program folder asks for it.
    void ShowPhaseData(const QString& folder = GetModuleFolderPath());

    void OnInitialUpdate() override;

    // The node search's probe of the drive at g_nCurNode ("GDTY1\r", once more after 10 ms
    // when that fails); an answer from that very node is posted to window as WM_NODE_FOUND
    // (wParam the drive type, HIWORD(lParam) the node). Returns the last try's result.
    static CommResult ProbeDeviceType(QObject* window);
    // WM_SET_ALL_NODES: sends the page's mode setting to every node the search found, on
    // a thread of its own; refused while it or a search runs.
    LPARAM OnStartSetAllNodes();
    bool IsSettingAllNodes() const { return m_hSetAllThread.joinable(); }

protected:
    bool event(QEvent* event) override;
    bool OnInitDialog() override;
    bool DoDataExchange(bool saveAndValidate) override;

private:
    void CreateControls();
    QWidget* CreateControl(int id);
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

    // Setting all nodes: the found nodes and the mode value are taken on the UI thread; the
    // thread's status texts and its end come back as events.
    struct SetAllPlan {
        std::vector<uint16_t> nodes;
        int value = 0;
        CMainFrame* frame = nullptr;
    };
    void SetAllNodesThread(std::stop_token stop, const SetAllPlan& plan);
    void OnSetAllNodesEnded();
    void ShowSearchStatus(const QString& text);

    BasicParamModel m_model;
    QHash<int, QWidget*> m_controls;
    QHash<int, QButtonGroup*> m_radioGroups; // by any button of the group
    QTreeWidgetItem* m_hTreeRoot = nullptr;
    CMainFrame* m_pMainFrame = nullptr;
    // Last, so that it stops and joins before the members it uses go.
    std::jthread m_hSetAllThread;
};
