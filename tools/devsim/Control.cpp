#include "Control.h"

#include "Engine.h"
#include "ValueText.h"

namespace devsim {

ControlResult runControlCommand(std::string_view line, Engine& engine) {
    ControlResult r;
    line = trim(line);
    if (line.empty())
        return r;
    const std::size_t space = line.find(' ');
    const std::string_view cmd = line.substr(0, space);
    const std::string_view arg =
        space == std::string_view::npos ? std::string_view{} : trim(line.substr(space + 1));

    if (cmd == "fault") {
        std::string error;
        const auto fault = parseFault(arg, &error);
        if (!fault) {
            r.reply = "error: " + error;
            return r;
        }
        engine.arm(*fault);
        r.reply = "ok " + fault->describe();
    } else if (cmd == "clear") {
        engine.faults().clear();
        r.reply = "ok";
    } else if (cmd == "faults") {
        r.reply = "faults:";
        for (const Fault& f : engine.faults().armed())
            r.reply += " " + f.describe();
        if (engine.faults().armed().empty())
            r.reply += " none";
    } else if (cmd == "set") {
        const auto item = parseRegisterValue(arg);
        if (!item) {
            r.reply = "error: expected set NNN=VALUE";
            return r;
        }
        engine.device().set(item->reg, item->value);
        r.reply = "ok";
    } else if (cmd == "get") {
        const auto reg = parseNumber(arg);
        if (!reg) {
            r.reply = "error: expected get NNN";
            return r;
        }
        const auto value = engine.device().read(static_cast<std::uint16_t>(*reg));
        r.reply = std::to_string(*reg) + "=" + std::to_string(value);
    } else if (cmd == "lock?") {
        r.reply = lockStateName(engine.device().lockState());
    } else if (cmd == "keyed?") {
        const Device& d = engine.device();
        r.reply = d.keyed() ? "keyed 939=" + std::to_string(d.read(keyingRegister)) : "not keyed";
    } else if (cmd == "keying-speed") {
        const auto speed = parseNumber(arg, maxKeyingSpeed);
        if (!speed) {
            r.reply = "error: expected keying-speed N (0.." + std::to_string(maxKeyingSpeed) + ")";
            return r;
        }
        engine.device().setKeyingSpeed(static_cast<int>(*speed));
        r.reply = "ok";
    } else if (cmd == "hangup") {
        r.reply = "ok";
        r.hangup = true;
    } else if (cmd == "quit") {
        r.reply = "ok";
        r.quit = true;
    } else {
        r.reply = "error: unknown command: " + std::string(cmd);
    }
    return r;
}

} // namespace devsim
