#pragma once
// The control channel: one command per line on stdin, one answer line each.
//   fault FAULT      arm a fault (syntax as --fault)      -> "ok <text>"
//   clear           disarm all faults                     -> "ok"
//   faults          list the armed faults                 -> "faults: <faults>|none"
//   set NNN=VALUE   store a register (no lock, no protection) -> "ok"
//   get NNN         the value a read returns              -> "NNN=<decimal>"
//   lock?           the lock state                        -> "locked" or "unlocked"
//   keyed?          the transmitter    -> "keyed 939=<remaining>" or "not keyed"
//   keying-speed N  units of register 939 counted down per second -> "ok"
//   hangup          close the line and end                -> "ok"
//   quit            end                                   -> "ok"
// A bad command answers "error: <why>".

#include <string>
#include <string_view>

namespace devsim {

class Engine;

struct ControlResult {
    std::string reply; // empty for a blank line
    bool quit = false;
    bool hangup = false;
};

ControlResult runControlCommand(std::string_view line, Engine& engine);

} // namespace devsim
