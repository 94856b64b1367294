#pragma once

#include "link/CommandTables.h"
#include "pages/params/BasicParamModel.h"
#include "pages/params/BasicParamRules.h"

#include <QByteArrayView>

#include <optional>
#include <vector>

// Puts one reply of a read into the page: the model takes the value, and the result says
// what the controls show (the reply text in an edit, a check, a radio, a combo item, and
// the controls that follow them). `text` is the reply as the read delivers it: the drive's
// text on the serial line (code page 936, its CR included), the value in decimal on CAN.
//
// A reply that contains "ERR" changes nothing, except for the hall sensor, the auxiliary
// encoder, the threshold mode, "Velocity out of Control" and the port words, which read it
// as 0. Nothing (nullopt) for a query the page does not decode.
std::optional<ControlChanges> DecodeParamReply(CommandId id, QByteArrayView text, BasicParamModel& model);

// The controls in which a reply to this query shows the drive's value (edits, check boxes,
// radios, combos; not the captions or the enabling that follow them); empty for a query
// the page does not decode.
std::vector<int> ControlsShowingQuery(CommandId id);

// The leading decimal number of a text, as a float: blanks first are skipped, no digits give
// 0, and magnitudes beyond a float's range saturate.
float LeadingFloat(QByteArrayView text);
