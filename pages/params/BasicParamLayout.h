#pragma once

#include <QRect>
#include <QSize>
#include <QString>

#include <vector>

// Where the parameter page's visible controls, captions and group boxes sit, in dialog units.
// The groups stand in bands across the page (the action buttons, three columns of settings,
// then the ports); each group stacks its rows at a fixed pitch. Everything from formTop down
// is the form, which scrolls under the action buttons on a screen too short for it.
struct PlacedItem {
    enum class Kind {
        Control, // the control of `id`
        Text,    // a caption or unit without id; `wrap` when it takes more than one line
        Frame,   // a group box, titled `text` (none when empty); `id` 0 unless it has one
    };
    Kind kind = Kind::Control;
    int id = 0;
    QString text;
    QRect rect;
    bool wrap = false;
};

struct BasicParamLayout {
    std::vector<PlacedItem> items; // frames before what they hold
    QSize size;
    int formTop = 0; // the action buttons lie above, everything else below
};

// Width of the page in dialog units: 840 pixels on the template's grid at 96 dpi, which the
// 880-pixel pane holds beside its scroll bar.
constexpr int kBasicParamWidthDlu = 560;

// The least height of the form kept in view under the action buttons; a pane shorter than
// that scrolls the whole page.
constexpr int kMinFormHeightDlu = 60;

BasicParamLayout LayOutBasicParam();
