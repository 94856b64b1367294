#pragma once

#include "shell/PropertyViewPage.h"

// The parameter page, the first tab: every setting of the drive in one form.
// Placeholder: the page's controls, data exchange and message handlers come later; only
// its dialog (template 141) and caption are here so the page host can hold it.
class CBasicParam : public CPropertyViewPage {
    Q_OBJECT
public:
    CBasicParam();
    ~CBasicParam() override;
};
