#include "Faults.h"

#include "ValueText.h"

#include <array>
#include <utility>

namespace devsim {

namespace {

constexpr std::array<std::pair<FaultKind, const char*>, 14> names = {{
    {FaultKind::Silence, "silence"},
    {FaultKind::Late, "late"},
    {FaultKind::WrongHeader, "wrong-header"},
    {FaultKind::WrongEcho, "wrong-echo"},
    {FaultKind::WrongRegister, "wrong-register"},
    {FaultKind::WrongCount, "wrong-count"},
    {FaultKind::GarbageBefore, "garbage-before"},
    {FaultKind::TrailingBytes, "trailing-bytes"},
    {FaultKind::Split5, "split-5"},
    {FaultKind::Split120, "split-120"},
    {FaultKind::RoutingBlock, "routing-block"},
    {FaultKind::Alternate, "alternate"},
    {FaultKind::IgnoreWrites, "ignore-writes"},
    {FaultKind::Hangup, "hangup"},
}};

bool takesArg(FaultKind kind) {
    return kind == FaultKind::Late || kind == FaultKind::GarbageBefore ||
           kind == FaultKind::TrailingBytes || kind == FaultKind::IgnoreWrites;
}

// Whether the request writes value (to reg, when given).
bool writesValue(const Request& request, int value, std::optional<std::uint16_t> reg) {
    for (std::size_t i = 0; i < request.writeData.size(); ++i) {
        const auto at = static_cast<std::uint16_t>(request.writeStart + i);
        if (request.writeData[i] == value && (!reg || *reg == at))
            return true;
    }
    return false;
}

int argOr(int arg, int fallback) {
    return arg < 0 ? fallback : arg;
}

} // namespace

const char* faultName(FaultKind kind) {
    for (const auto& [k, n] : names) {
        if (k == kind)
            return n;
    }
    return "?";
}

std::optional<FaultKind> faultKindFromName(std::string_view name) {
    for (const auto& [k, n] : names) {
        if (name == n)
            return k;
    }
    return std::nullopt;
}

bool shapesOutput(FaultKind kind) {
    switch (kind) {
    case FaultKind::WrongRegister:
    case FaultKind::WrongCount:
    case FaultKind::Alternate:
    case FaultKind::IgnoreWrites:
        return false;
    default:
        return true;
    }
}

std::string Fault::describe() const {
    std::string s = faultName(kind);
    if (arg >= 0)
        s += "=" + std::to_string(arg);
    switch (when) {
    case When::Next:
        s += "@next";
        break;
    case When::RequestNumber:
        s += "@" + std::to_string(value);
        break;
    case When::Register:
        s += "@r" + std::to_string(value);
        break;
    }
    s += persistent ? ":always" : ":once";
    return s;
}

std::optional<Fault> parseFault(std::string_view text, std::string* error) {
    const auto fail = [&](const std::string& why) -> std::optional<Fault> {
        if (error)
            *error = why + ": " + std::string(text);
        return std::nullopt;
    };
    text = trim(text);
    Fault f;
    std::string_view rest = text;

    const std::size_t colon = rest.rfind(':');
    if (colon != std::string_view::npos) {
        const std::string_view mode = rest.substr(colon + 1);
        if (mode == "always")
            f.persistent = true;
        else if (mode != "once")
            return fail("unknown repetition (use :always or :once)");
        rest = rest.substr(0, colon);
    }
    const std::size_t at = rest.find('@');
    if (at != std::string_view::npos) {
        const std::string_view when = rest.substr(at + 1);
        rest = rest.substr(0, at);
        if (when == "next") {
            f.when = Fault::When::Next;
        } else if (!when.empty() && (when.front() == 'r' || when.front() == 'R')) {
            const auto reg = parseNumber(when.substr(1));
            if (!reg)
                return fail("bad register after @r");
            f.when = Fault::When::Register;
            f.value = *reg;
        } else {
            const auto number = parseNumber(when, 0xFFFFFFFFu);
            if (!number || *number == 0)
                return fail("bad request number after @ (1, 2, ...)");
            f.when = Fault::When::RequestNumber;
            f.value = *number;
        }
    }
    const std::size_t eq = rest.find('=');
    const std::string_view name = rest.substr(0, eq);
    const auto kind = faultKindFromName(name);
    if (!kind)
        return fail("unknown fault");
    f.kind = *kind;
    if (eq != std::string_view::npos) {
        if (!takesArg(f.kind))
            return fail("this fault takes no value");
        const auto arg = parseNumber(rest.substr(eq + 1), 600000);
        if (!arg)
            return fail("bad value");
        f.arg = static_cast<int>(*arg);
    }
    return f;
}

void FaultSet::arm(Fault fault, std::uint32_t requestsSoFar) {
    fault.armedAfter = requestsSoFar;
    fault.matches = 0;
    faults_.push_back(fault);
}

std::vector<Fault> FaultSet::match(const Request& request, std::uint32_t number) {
    std::vector<Fault> fired;
    bool outputTaken = false;
    for (auto it = faults_.begin(); it != faults_.end();) {
        Fault& f = *it;
        bool hit = false;
        switch (f.when) {
        case Fault::When::Next:
            hit = number > f.armedAfter;
            break;
        case Fault::When::RequestNumber:
            hit = f.persistent ? number >= f.value : number == f.value;
            break;
        case Fault::When::Register:
            hit = request.touches(static_cast<std::uint16_t>(f.value));
            break;
        }
        // Ignore-writes with a value waits for a request that writes it.
        if (hit && f.kind == FaultKind::IgnoreWrites && f.arg >= 0) {
            std::optional<std::uint16_t> reg;
            if (f.when == Fault::When::Register)
                reg = static_cast<std::uint16_t>(f.value);
            hit = writesValue(request, f.arg, reg);
        }
        if (!hit || (shapesOutput(f.kind) && outputTaken)) {
            ++it;
            continue;
        }
        ++f.matches;
        bool fires = true;
        if (f.kind == FaultKind::Alternate && f.when == Fault::When::Register)
            fires = f.matches % 2 == 0;
        if (!fires) {
            ++it;
            continue;
        }
        if (shapesOutput(f.kind))
            outputTaken = true;
        fired.push_back(f);
        if (f.persistent)
            ++it;
        else
            it = faults_.erase(it);
    }
    return fired;
}

std::uint32_t Rng::next() {
    // xorshift32
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
}

char Rng::nonHeaderByte() {
    for (;;) {
        const auto b = static_cast<unsigned char>(next() & 0xFF);
        if (b != responseHeaderByte)
            return static_cast<char>(b);
    }
}

Emission shapeFrame(std::optional<FaultKind> kind, int arg, const std::string& frame, Rng& rng) {
    Emission e;
    if (!kind || !shapesOutput(*kind)) {
        e.chunks.push_back({0, frame});
        return e;
    }
    const auto split = [&](int gapMs) {
        const std::size_t half = frame.size() / 2;
        e.chunks.push_back({0, frame.substr(0, half)});
        e.chunks.push_back({gapMs, frame.substr(half)});
    };
    std::string bytes = frame;
    switch (*kind) {
    case FaultKind::Silence:
        return e;
    case FaultKind::Hangup:
        e.hangup = true;
        return e;
    case FaultKind::Late:
        e.chunks.push_back({argOr(arg, lateDefaultMs), bytes});
        return e;
    case FaultKind::WrongHeader:
        bytes[0] = static_cast<char>(wrongHeaderByte);
        break;
    case FaultKind::WrongEcho:
        bytes[1] = static_cast<char>(static_cast<unsigned char>(bytes[1]) ^ 0x01);
        break;
    case FaultKind::GarbageBefore: {
        std::string garbage;
        for (int i = 0; i < argOr(arg, garbageDefaultBytes); ++i)
            garbage.push_back(rng.nonHeaderByte());
        bytes = garbage + bytes;
        break;
    }
    case FaultKind::TrailingBytes:
        for (int i = 0; i < argOr(arg, trailingDefaultBytes); ++i)
            bytes.push_back(rng.nonHeaderByte());
        break;
    case FaultKind::Split5:
        split(splitShortGapMs);
        return e;
    case FaultKind::Split120:
        split(splitLongGapMs);
        return e;
    case FaultKind::RoutingBlock: {
        // E0 a4 a1 EF a3 | L=2 r1 r2 | RR RR N data
        bytes[3] = static_cast<char>(routingAddressByte);
        const std::string routing = {'\x02', '\x01', '\x02'};
        bytes.insert(5, routing);
        break;
    }
    default:
        break;
    }
    e.chunks.push_back({0, bytes});
    return e;
}

} // namespace devsim
