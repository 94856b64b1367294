#pragma once

#include <string>
#include <string_view>
#include <vector>

// One drive command as the simulated drive knows it: its number on CAN, its mnemonic on
// the serial line and how many argument bytes it carries in a CAN request.
struct SimCommand {
    int id;
    std::string mnemonic;
    int argBytes;
};

// The simulated drive's own copy of the drive's command set. It is deliberately kept apart
// from the program's tables so that a wrong row on either side shows up as a mismatch
// instead of agreeing with itself.
class SimCommandTable {
public:
    static const std::vector<SimCommand>& All();
    static const SimCommand* Find(std::string_view mnemonic);
    static const SimCommand* Find(int id);
    // A query ("G...") and the command that sets what it reads, when there is one:
    // SMOD for GMOD, KN for GKN, M for GM.
    static const SimCommand* SetterOf(const SimCommand& query);
    // The query that reads back what a setting command writes, when there is one; an
    // action without argument (ENA) writes nothing.
    static const SimCommand* QueryOf(const SimCommand& setter);
    static bool IsQuery(const SimCommand& command) { return command.mnemonic[0] == 'G'; }
};
