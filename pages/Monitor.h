#pragma once

#include "shell/PropertyViewPage.h"

// The PID-tuning page. The tab view keeps one but never adds it as a tab.
// Placeholder: the page's controls, data exchange and message handlers come later; only
// its dialog (template 142) and caption are here so the page host can hold it.
class CMonitor : public CPropertyViewPage {
    Q_OBJECT
public:
    CMonitor();
    ~CMonitor() override;
};
