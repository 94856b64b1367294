#pragma once

#include <string>

// Ways in which the simulated drive misbehaves on purpose, so that the program's handling
// of a bad line can be tested. Fields that do not apply to a channel are ignored there.
struct FaultPlan {
    bool silent = false;          // no reply at all
    bool refuse = false;          // every command answered as unknown ("ERR2" / value 2) and not taken
    int delayMs = 0;              // extra time before each reply (past the link's timeouts)
    int stallMs = 0;              // serial: from the next command on, no reply for this long; then every
                                  // command received meanwhile is answered, in order (once per plan)
    std::string noise;            // serial: bytes sent before the reply's "#"
    bool echo = false;            // serial: the command's own bytes sent back before the reply
    int splitGapMs = -1;          // serial, >= 0: the reply goes out in two writes this far apart
    int overlongLength = 0;       // serial, > 0: the reply text is padded with digits to this length
    bool wrongNode = false;       // CAN: the reply names another node in data[0]
    bool wrongCommandId = false;  // CAN: the reply answers the next command number
    bool wrongIdentifier = false; // CAN: the reply's lowest identifier byte is 2, not 1
    int dlc = -1;                 // CAN, 0..15: the reply's data is cut or zero-padded to this length
    int count = 0;                // > 0: the plan covers only the next `count` replies, then clears

    bool Any() const
    {
        return silent || refuse || delayMs > 0 || stallMs > 0 || !noise.empty() || echo || splitGapMs >= 0 || overlongLength > 0
            || wrongNode || wrongCommandId || wrongIdentifier || dlc >= 0;
    }
};
