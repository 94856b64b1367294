#pragma once

#include "pages/BasicParamRules.h"

#include <map>

// The controls a rule or a decoded reply leaves in a state, by what it changes.
struct Outcome {
    std::map<int, bool> enabled, shown, checked;
    std::map<int, QString> texts;
    std::map<int, int> selected;

    void Apply(const ControlChanges& changes)
    {
        for (const ControlChange& c : changes) {
            switch (c.what) {
            case ControlChange::What::Enable:
                enabled[c.id] = c.on;
                break;
            case ControlChange::What::Show:
                shown[c.id] = c.on;
                break;
            case ControlChange::What::Check:
                checked[c.id] = c.on;
                break;
            case ControlChange::What::Text:
                texts[c.id] = c.text;
                break;
            case ControlChange::What::Select:
                selected[c.id] = c.item;
                break;
            }
        }
    }
};
