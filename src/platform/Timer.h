#pragma once
// A timer on the main thread: an interval, an enabled switch (enabling
// starts it) and one handler. One-shot timers disable themselves before the
// handler runs.

#include <functional>
#include <memory>

class QTimer;

class TTimer {
public:
    explicit TTimer(bool oneShot = false);
    ~TTimer();
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;

    void SetInterval(int ms); // restarts a running timer
    void SetEnabled(bool enabled);
    bool Enabled() const;
    void SetOnTimer(std::function<void()> handler);

private:
    std::unique_ptr<QTimer> timer_;
    std::function<void()> handler_;
    bool oneShot_;
};
