#pragma once
// Faults injected on demand. Each is named, one-shot or persistent, and fires
// on a request number, on the next request, or on requests that read or write
// a given register.
//
// Fault syntax: NAME[=ARG][@WHEN][:always|:once]
//   WHEN  N      request number N (1-based count of requests received);
//                persistent: request N and every later one
//         rNNN   every request whose read or write run covers register NNN
//         next   the next request (the default); persistent: all from now on

#include "Protocol.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace devsim {

enum class FaultKind {
    Silence,       // no answer
    Late,          // answer after ARG ms (default lateDefaultMs)
    WrongHeader,   // first byte not 0xE0
    WrongEcho,     // address echo byte (byte 1) altered
    WrongRegister, // answers the run one register further on
    WrongCount,    // one word more than asked for
    GarbageBefore, // ARG (default 4) random non-0xE0 bytes before the frame
    TrailingBytes, // ARG (default 3) random non-0xE0 bytes after the frame
    Split5,        // frame in two halves, 5 ms apart
    Split120,      // frame in two halves, 120 ms apart
    RoutingBlock,  // address byte 2 echoed as 0xEF plus a routing block
    Alternate,     // read values XOR 1 (see FaultSet::match)
    IgnoreWrites,  // the request's writes are not applied (ARG: only writes of that value)
    Hangup,        // close the line and end the simulator
};

constexpr int lateDefaultMs = 2000;
constexpr int garbageDefaultBytes = 4;
constexpr int trailingDefaultBytes = 3;
constexpr int splitShortGapMs = 5;
constexpr int splitLongGapMs = 120;
constexpr unsigned char wrongHeaderByte = 0xE1;
constexpr unsigned char routingAddressByte = 0xEF;

const char* faultName(FaultKind kind);
std::optional<FaultKind> faultKindFromName(std::string_view name);

// Faults that only change the bytes on the wire (not what is read or written).
bool shapesOutput(FaultKind kind);

struct Fault {
    enum class When { Next, RequestNumber, Register };
    FaultKind kind = FaultKind::Silence;
    int arg = -1; // -1: the fault's default
    When when = When::Next;
    std::uint32_t value = 0; // request number or register
    bool persistent = false;

    // Set when armed / while matching.
    std::uint32_t armedAfter = 0; // requests received when it was armed
    std::uint32_t matches = 0;    // requests it matched so far

    std::string describe() const; // the text that parses back to this fault
};

// Parses a text; nullopt with a message in `error` when it is not one.
std::optional<Fault> parseFault(std::string_view text, std::string* error);

class FaultSet {
public:
    // Arms `fault`; "next" means the first request after `requestsSoFar`.
    void arm(Fault fault, std::uint32_t requestsSoFar);
    void clear() { faults_.clear(); }
    const std::vector<Fault>& armed() const { return faults_; }

    // The faults that fire on request `number`. At most one output-shaping
    // fault fires (the first armed); others stay armed for later. One-shot
    // faults that fire are disarmed.
    // Alternate on a register fires on every second request touching it (one
    // shot: the second); on a request number or "next" it fires at once.
    std::vector<Fault> match(const Request& request, std::uint32_t number);

private:
    std::vector<Fault> faults_;
};

// A small deterministic random source for the garbage bytes.
class Rng {
public:
    explicit Rng(std::uint32_t seed = 0x5EED1234u) : state_(seed ? seed : 1u) {}
    std::uint32_t next();
    // A random byte that is not 0xE0 (so it cannot start a response frame).
    char nonHeaderByte();

private:
    std::uint32_t state_;
};

// Turns a good response frame into what goes on the wire under `kind`
// (nullopt: unchanged). Only the output-shaping faults change anything here.
Emission shapeFrame(std::optional<FaultKind> kind, int arg, const std::string& frame, Rng& rng);

} // namespace devsim
