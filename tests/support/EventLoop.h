#pragma once
// Runs the Qt event loop, blocking in short slices so that timers, queued
// calls and idle moments happen, until a condition holds or a deadline passes.

#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <functional>

// Returns cond() at the end.
inline bool RunEventsUntil(const std::function<bool()>& cond, int ms, int sliceMs = 10) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!cond() && std::chrono::steady_clock::now() < deadline) {
        QEventLoop loop;
        QTimer::singleShot(sliceMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return cond();
}
