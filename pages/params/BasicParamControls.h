#pragma once

#include <span>

// The controls of the parameter page's dialog (template 141) that have an id, with their own
// texts and list items. Captions and units beside edits are in the field table, and so is
// every plain edit shown from the start (it follows the listed controls); where each control
// sits is the layout's business.
enum class ControlKind { Edit, ReadOnlyEdit, Check, Radio, Combo, Button, Label, Tree };

// How the dialog creates a control.
enum class ControlStart {
    Shown,
    Disabled,  // shown, not available until a rule enables it
    Invisible, // hidden until a rule shows it
    Hidden,    // hidden and disabled for good
};

struct ControlSpec {
    int id;
    ControlKind kind;
    const char* text; // UTF-8; null for edits and combos
    std::span<const char* const> items = {};
    ControlStart start = ControlStart::Shown;
};

std::span<const ControlSpec> BasicParamControls();
// Null for an id the dialog does not have.
const ControlSpec* FindControlSpec(int id);
