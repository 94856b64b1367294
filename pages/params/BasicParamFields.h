#pragma once

#include "pages/params/BasicParamModel.h"

#include <QString>

#include <climits>
#include <optional>
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

// The model's member behind a field, of the field's type T (int, uint32_t or float).
template <typename T>
T& ModelField(BasicParamModel& model, const ParamField& field)
{
    return model.*std::get<T BasicParamModel::*>(field.member);
}

template <typename T>
const T& ModelField(const BasicParamModel& model, const ParamField& field)
{
    return model.*std::get<T BasicParamModel::*>(field.member);
}

// A setting the drive sequences name: a field of the table (by its control id), a row of
// the phase table (0 = HLA .. 15 = HLR), a function port (index into FunctionPorts()), a
// common port (0 = IO1 .. 3 = IO4), or the drive's lock on its software number (GNOT, which
// governs the software-number edit).
struct ParamRef {
    enum class Kind { Field, Phase, FunctionPort, CommonPort, NumberLock };
    Kind kind;
    int index;
};

// Short names for references in the drive-sequence and file tables.
namespace param_ref {
constexpr ParamRef F(int id) { return { ParamRef::Kind::Field, id }; }
constexpr ParamRef Phase(int row) { return { ParamRef::Kind::Phase, row }; }
constexpr ParamRef Port(int port) { return { ParamRef::Kind::FunctionPort, port }; }
constexpr ParamRef Io(int port) { return { ParamRef::Kind::CommonPort, port }; }
// The phase table's last two rows, HLO and HLR.
constexpr int kPhaseO = 14, kPhaseR = 15;
}

// How a setting's value is written.
enum class WriteValue {
    Field,    // the field's value (a radio or combo index out of range as 0; floats truncated)
    Flag,     // 1 when the field is non-zero, else 0
    Inverted, // 1 when the radio index is 0, else 0
    RunMode,  // run mode and "Command" item in one word
    Baud,     // the baud combo's rate
    Text,     // a phase edit's leading integer
    Port,     // the port's PortWord
};

struct WriteStep {
    ParamRef ref;
    WriteValue value;
    bool logged = true;
};

// One port of the "Function Port" group: its drive commands, function code, the control of
// its pull (or, for an output, output type) and level (0 for CLK, which has none).
struct FunctionPort {
    const char* query;
    const char* write;
    int function;
    int pullId;
    int levelId;
    bool output;
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

// Enable, DIR, CW Limit, CCW Limit, Fault, CLK.
std::span<const FunctionPort> FunctionPorts();

// The queries of a read of all settings, in the order the drive is asked (the tracking
// error once; a newer drive is asked for it a second time right after).
std::span<const ParamRef> ReadOrder();
// The settings a write sends, in the order the drive takes them; the three baud rates last.
std::span<const WriteStep> WriteOrder();
// The drive's query and setting command of a reference ("GHLA", "SIOA"); empty when it has
// none.
QString QueryOf(ParamRef ref);
QString WriteOf(ParamRef ref);
// The setting a query reads, among every query the page decodes (also those no read-all
// asks); nothing for a query the page does not know.
std::optional<ParamRef> FindQuery(QStringView query);
