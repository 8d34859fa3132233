#include "Engine.h"

#include <optional>
#include <vector>

namespace devsim {

namespace {

// The value the request writes to the unlock register, if it writes one.
std::optional<std::uint16_t> writtenUnlockValue(const Request& request, bool ignored) {
    if (ignored || request.writeStart > unlockRegister)
        return std::nullopt;
    const std::size_t at = static_cast<std::size_t>(unlockRegister - request.writeStart);
    if (at >= request.writeData.size())
        return std::nullopt;
    return request.writeData[at];
}

} // namespace

Exchange Engine::handle(const Request& request) {
    Exchange ex;
    ex.number = ++received_;
    ex.request = request.raw;

    const std::vector<Fault> fired = faults_.match(request, ex.number);
    bool ignoreWrites = false;
    bool wrongRegister = false;
    bool wrongCount = false;
    const Fault* alternate = nullptr;
    const Fault* output = nullptr;
    for (const Fault& f : fired) {
        if (!ex.faults.empty())
            ex.faults += ",";
        ex.faults += faultName(f.kind);
        switch (f.kind) {
        case FaultKind::IgnoreWrites:
            ignoreWrites = true;
            break;
        case FaultKind::WrongRegister:
            wrongRegister = true;
            break;
        case FaultKind::WrongCount:
            wrongCount = true;
            break;
        case FaultKind::Alternate:
            alternate = &f;
            break;
        default:
            output = &f;
            break;
        }
    }

    if (!ignoreWrites) {
        for (std::size_t i = 0; i < request.writeData.size(); ++i)
            device_.write(static_cast<std::uint16_t>(request.writeStart + i), request.writeData[i]);
    }

    const std::uint16_t start =
        static_cast<std::uint16_t>(request.readStart + (wrongRegister ? 1 : 0));
    unsigned count = request.readCount;
    if (wrongCount)
        count = count == 255 ? 254 : count + 1;
    // The device reads its lock state in the unlock register, also in the
    // read-back of a write; with the echo option that read-back shows the
    // value written.
    const std::optional<std::uint16_t> echo =
        echoUnlock_ ? writtenUnlockValue(request, ignoreWrites) : std::nullopt;
    std::vector<std::uint16_t> words;
    words.reserve(count);
    for (unsigned i = 0; i < count; ++i) {
        const auto reg = static_cast<std::uint16_t>(start + i);
        std::uint16_t value = device_.read(reg);
        if (echo && reg == unlockRegister)
            value = *echo;
        if (alternate && (alternate->when != Fault::When::Register || alternate->value == reg))
            value ^= 1;
        words.push_back(value);
    }

    const std::string frame = buildResponse(request, start, words);
    std::optional<FaultKind> shaping;
    int arg = -1;
    if (output) {
        shaping = output->kind;
        arg = output->arg;
    }
    ex.emission = shapeFrame(shaping, arg, frame, rng_);
    ex.lock = device_.lockState();
    ex.keyed = device_.keyed();
    ex.keyingLeft = device_.read(keyingRegister);
    return ex;
}

std::string formatLogLine(const std::string& timeOfDay, const Exchange& exchange) {
    std::string line = timeOfDay;
    line += " #" + std::to_string(exchange.number);
    line += " req=" + toHex(exchange.request);
    const std::string out = exchange.emission.allBytes();
    line += " rsp=" + (out.empty() ? std::string("-") : toHex(out));
    line += " ";
    line += lockStateName(exchange.lock);
    if (!exchange.faults.empty())
        line += " fault=" + exchange.faults;
    if (exchange.keyed)
        line += " keyed=" + std::to_string(exchange.keyingLeft);
    return line;
}

} // namespace devsim
