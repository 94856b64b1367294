#pragma once

#include "link/DriveContext.h"
#include "link/LinkLayer.h"
#include "platform/DriveJob.h"
#include "platform/WindowMessage.h"

#include <QWidget>

#include <atomic>

class QComboBox;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

// The node-search bar docked at the left of the main window, shown only while the channel
// is CAN (template 226). It probes a range of node addresses for drives, lists the drives
// that answer in a tree, lets the user pick the current node by a double click or "Set",
// and has the parameter page send its mode setting to every node found ("Set & Save All").
//
// The search runs as a drive job that never touches a widget: its status texts,
// the drives it finds (WM_NODE_FOUND) and its end reach the bar as events. The tree and
// g_arrFoundNodes change only on the UI thread. Controls are found by GetDlgItem(id) or by
// their object names "idc_<id>".
class CSearchNode : public QWidget {
    Q_OBJECT
public:
    static constexpr int IDD = 226;
    static constexpr int IDC_SEARCH = 1139;
    static constexpr int IDC_SET_SAVE_ALL = 1140;
    static constexpr int IDC_SET = 1141;
    static constexpr int IDC_STOP = 1144;
    static constexpr int IDC_FROM = 1266;
    static constexpr int IDC_TO = 1267;
    static constexpr int IDC_TREE = 1268;
    static constexpr int IDC_STATUS = 1269;
    static constexpr int IDC_NODE_LABEL = 1312;
    static constexpr int IDC_NODE_COMBO = 1342;
    // The range From and To accept.
    static constexpr int kNodeMin = 2;
    static constexpr int kNodeMax = 127;
    // Pacing of the search: the pause after each node of the USB-CAN pass, and after each
    // reset of the card in the card pass.
    static constexpr int kUsbNodePauseMs = 100;
    static constexpr int kCardResetPauseMs = 10;

    CSearchNode();
    // Stops a search that still runs and waits for its thread.
    ~CSearchNode() override;

    // Builds the controls as a child of parent; false when called twice.
    bool Create(QWidget* parent);
    QSize sizeHint() const override;

    QWidget* GetDlgItem(int id) const;
    QString StatusText() const;
    void SetStatusText(const QString& text);
    bool IsSearching() const { return m_search.IsRunning(); }
    // What the bar works the drive with; the main window hands it in before a search can
    // start. Until then the link's own transaction and probe (ProbeNodeType) serve; nothing
    // holds the status poll off, no page is asked and the drives found go unnamed.
    void SetDriveContext(DriveContext context);

    void OnBnClickedSearch();
    void OnBnClickedStop();
    void OnBnClickedSet();
    void OnBnClickedSetSaveAll();
    void OnDblclkTree();
    LPARAM OnNodeFound(WPARAM deviceType, LPARAM lParam);

    QTreeWidgetItem* m_hRootItem = nullptr;
    std::atomic<bool> m_bSearchRun { false };
    QTreeWidget* m_tree = nullptr;
    int m_nFrom = kNodeMin;
    int m_nTo = kNodeMax;

protected:
    bool event(QEvent* event) override;

private:
    // What the search thread works with, taken on the UI thread before it starts.
    struct SearchPlan {
        int lo = kNodeMin;
        int hi = kNodeMax;
        int deviceNumber = 0;
        int kbps = 0;
        CanSettings can;
    };

    bool OnInitDialogBar();
    void BuildControls();
    // From and To into m_nFrom and m_nTo; false (the user is told why) for a bad value.
    bool ExchangeRange();
    static SearchPlan ReadSearchPlan(int from, int to);
    void SearchThreadProc(const SearchPlan& plan);
    // Runs one pass over the range; false when it was stopped.
    bool SearchPass(const SearchPlan& plan, bool cardPass, int& keep, bool& found);
    // The search thread's pacing, cut short by Stop.
    void PauseSearch(int ms);
    void PostStatus(const QString& text);
    void OnSearchEnded();
    QString SearchSummary() const;
    // The parameter page is busy with something that moves or needs the current node (it
    // has told the user what).
    bool PageRefuses() const;

    DriveJob m_search;
    // The node at which the last search found its channel gone; 0 when it did not.
    std::atomic<int> m_nLostAtNode { 0 };
    QSize m_templateSize;
    QLineEdit* m_editFrom = nullptr;
    QLineEdit* m_editTo = nullptr;
    QLineEdit* m_editStatus = nullptr;
    QComboBox* m_comboNode = nullptr;
    DriveContext m_context;
};
