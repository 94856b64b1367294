#pragma once

#include "shell/PropertyViewPage.h"

// The run-monitor page, the second tab: drives the motor and charts what it does.
// Placeholder: the page's controls, data exchange and message handlers come later; only
// its dialog (template 153) and caption are here so the page host can hold it.
class CPidParam : public CPropertyViewPage {
    Q_OBJECT
public:
    CPidParam();
    ~CPidParam() override;
};
