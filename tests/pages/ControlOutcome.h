#pragma once

#include "pages/params/BasicParamRules.h"

#include <map>

// The controls a rule or a decoded reply leaves in a state, by what it changes.
struct Outcome {
    std::map<int, bool> enabled, shown, checked;
    std::map<int, QString> texts;
    std::map<int, int> selected;

    void Apply(const ControlChanges& changes)
    {
        using What = ControlChange::What;
        for (const ControlChange& c : changes) {
            if (c.what == What::Text)
                texts[c.id] = c.text;
            else if (c.what == What::Select)
                selected[c.id] = c.item;
            else
                (c.what == What::Enable ? enabled : c.what == What::Show ? shown : checked)[c.id] = c.on;
        }
    }
};
