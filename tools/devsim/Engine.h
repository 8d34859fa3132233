#pragma once
// One request in, one exchange out: applies the writes, reads the run, and
// lets the armed faults shape the answer. Pure: no fd, no clock.

#include "Device.h"
#include "Faults.h"
#include "Protocol.h"

#include <cstdint>
#include <string>

namespace devsim {

struct Exchange {
    std::uint32_t number = 0;           // 1-based count of requests received
    std::string request;                // the request frame as received
    Emission emission;                  // what goes out (no chunks: silence)
    std::string faults;                 // names of the faults that fired, comma-separated
    LockState lock = LockState::Locked; // after the request
    bool keyed = false;                 // after the request: the transmitter is on
    std::uint16_t keyingLeft = 0;       // ... and register 939 holds this
};

class Engine {
public:
    explicit Engine(std::uint32_t seed = 0x5EED1234u) : rng_(seed) {}

    Device& device() { return device_; }
    const Device& device() const { return device_; }
    FaultSet& faults() { return faults_; }
    std::uint32_t requestsReceived() const { return received_; }

    // The read-back of a request that writes the unlock register shows the
    // value written instead of the lock state (off: the device's way).
    void setEchoUnlock(bool echo) { echoUnlock_ = echo; }
    bool echoUnlock() const { return echoUnlock_; }

    // Lets the device's time run on (the keying countdown).
    void elapse(std::int64_t elapsedNs) { device_.elapse(elapsedNs); }

    // Arms a fault relative to the requests received so far.
    void arm(const Fault& fault) { faults_.arm(fault, received_); }

    // Serves one request: writes first (unless ignore-writes fires), then the
    // read of the same request, then the output faults.
    Exchange handle(const Request& request);

private:
    Device device_;
    FaultSet faults_;
    Rng rng_;
    std::uint32_t received_ = 0;
    bool echoUnlock_ = false;
};

// "HH:MM:SS.mmm #N req=<hex> rsp=<hex or -> <locked|unlocked>[ fault=<names>]
// [ keyed=<register 939>]"
std::string formatLogLine(const std::string& timeOfDay, const Exchange& exchange);

} // namespace devsim
