#pragma once

#include "pages/BasicParamModel.h"

#include <climits>
#include <span>
#include <variant>
#include <vector>

// How a field moves between its control and the model.
enum class FieldKind {
    Int,   // edit, signed decimal
    Uint,  // edit, unsigned decimal
    Float, // edit, six significant digits
    Check, // check box, 0 or 1
    Radio, // radio group, index of the checked button
    Combo, // drop-down list: its selection, kept by the control (no data exchange)
    State, // no control of its own (no data exchange)
};

// How a reply to the field's query is put into the page.
enum class ReplyRule {
    None,  // not read back
    Plain, // the field takes the value, the edit the reply text
    Float, // as Plain, into a float field
    Check, // the field and the check box take the value
    Own,   // a rule of its own
};

using FieldMember = std::variant<int BasicParamModel::*, uint32_t BasicParamModel::*, float BasicParamModel::*>;

// One setting of the parameter page: its control (a radio group by its first button), the
// caption and unit shown beside an edit or combo, the drive's query and setting command
// (null when there is none) and the range an Int edit must keep.
struct ParamField {
    int id;
    FieldKind kind;
    FieldMember member;
    const char* caption;
    const char* unit;
    const char* query;
    const char* write;
    ReplyRule reply;
    int min = INT_MIN;
    int max = INT_MAX;

    bool Ranged() const { return min != INT_MIN || max != INT_MAX; }
};

// Every field of the page, grouped as the page shows them.
std::span<const ParamField> ParamFields();
// The field of a control; null when the control has none.
const ParamField* FindParamField(int id);
// The controls of the data exchange, in the order it takes them (which decides the error a
// user sees first).
std::span<const int> DataExchangeOrder();
// Every radio group of the page: its buttons in index order, the first naming the group.
const std::vector<std::vector<int>>& RadioGroups();
// The buttons of the group a button starts; empty for an id that starts no group.
std::span<const int> RadioGroupButtons(int firstId);
