#pragma once
// The transmitter keying test: keys the connected device at a chosen power
// level for a set time, follows the remaining time the device counts down on
// a progress bar, and puts the device back at its power afterwards.
//
// The test is busy (not idle) from the first exchange of Start until the
// device is back at its power, whether that ends by the time running out, a
// stop, or a failure. However it ends, what the test changed on the device is
// put back as far as the link allows, and a failure is told and logged.

#include <memory>
#include <optional>

class QProgressBar;
class TTimer;

class TSendertastung {
public:
    // bar shows the remaining time; it is not owned.
    explicit TSendertastung(QProgressBar* bar);
    ~TSendertastung();
    TSendertastung(const TSendertastung&) = delete;
    TSendertastung& operator=(const TSendertastung&) = delete;

    void SetDuration(int duration);
    void SetStopRequest(bool stop) { stopRequest_ = stop; }
    void SetHighPower(bool highPower) { highPower_ = highPower; }
    // The power value of a level of the chosen group; a level the group
    // does not have is refused with a message and keeps the value. Start
    // keys only once a level was set.
    bool SetPowerLevel(unsigned index);
    std::optional<int> PowerValue() const { return powerValue_; }
    // The poll timer runs.
    bool IsRunning() const;
    bool IsIdle() const { return idle_; }
    // Unlocks, keeps register 913 as the power to restore, sets the power,
    // writes the duration to register 939 and locks again; true when the
    // transmitter is keyed and polled. A failure puts back what was written.
    bool Start();
    // The poll: ends the test on a stop, when the time has run out or when
    // register 939 cannot be read; otherwise shows the remaining time.
    void Tick();
    // Tests poll faster; the program polls every 300 ms.
    void SetPollInterval(int ms);

private:
    // Register 939 := 0 and 912 := saved power; tells what went wrong.
    void End(bool pollFailed);

    std::unique_ptr<TTimer> timer_;
    QProgressBar* bar_;
    bool stopRequest_ = false;
    bool highPower_ = false;
    std::optional<int> powerValue_;
    int savedPower_ = 0;
    bool idle_ = true;
    int pollMs_ = 300;
};
