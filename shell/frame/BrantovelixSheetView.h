#pragma once

#include "pages/params/BasicParam.h"
#include "pages/tuning/Monitor.h"
#include "pages/runmonitor/PidParam.h"
#include "shell/PropertyView.h"

// The left pane of the main window: the drive pages in tabs. Tab 0 is the parameter page,
// tab 1 the run-monitor page. The PID-tuning page is kept beside them for the life of the
// view but is never added as a tab, so it never gets a window.
class CBrantovelixSheetView : public CPropertyView {
    Q_OBJECT
public:
    explicit CBrantovelixSheetView(QWidget* parent = nullptr);
    ~CBrantovelixSheetView() override;

    // The pages' initial updates, then InitialUpdateDone.
    void OnInitialUpdate() override;
    // Hands every page, tab or not, what it works the drive with.
    void SetDriveContext(const DriveContext& context);

    CBasicParam& BasicParamPage() { return m_pageBasicParam; }
    CPidParam& PidParamPage() { return m_pagePidParam; }
    CMonitor& MonitorPage() { return m_pageMonitor; }

signals:
    // The view is ready to be used by the main window, which keeps it from here on.
    void InitialUpdateDone(CBrantovelixSheetView* view);

private:
    CBasicParam m_pageBasicParam;
    CPidParam m_pagePidParam;
    CMonitor m_pageMonitor;
};
