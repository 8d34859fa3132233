#pragma once
// The application object as the program's logic sees it: title, message pump,
// idle hook and the "terminating" flag. Headless code uses it through this
// header only; with no Qt application running, the pump does nothing.

#include <chrono>
#include <functional>
#include <string>

class TApplication {
public:
    static TApplication& Instance();

    // Window-system title of the application (Windows-1252 bytes).
    void SetTitle(const std::string& title);
    std::string Title() const;

    // Handles every event waiting for this thread without blocking. Does
    // nothing off the main thread or without a Qt application.
    void ProcessMessages();
    // Handles window messages, sleeping while there are none, until done()
    // holds, the deadline passes or the application terminates; returns
    // done(). done() is looked at again after every message and after each
    // WakeUp. Off the main thread or without a Qt application it handles
    // nothing and returns done() at once. The idle hook does not run meanwhile.
    bool ProcessMessagesUntil(std::chrono::steady_clock::time_point deadline,
                              const std::function<bool()>& done);
    // Makes a waiting ProcessMessagesUntil look at its condition again.
    // Callable from any thread.
    void WakeUp();

    // True from Terminate() on; readable from any thread.
    bool Terminated() const;
    // Marks the application as terminating and asks the event loop to quit.
    void Terminate();
    // Back to "running" (tests that start the window more than once).
    void ResetTerminated();

    // The idle hook: called on the main thread each time the event loop has
    // handled everything waiting and is about to block. Empty hook = none.
    void SetOnIdle(std::function<void()> hook);

    // True on the thread that created the Qt application, when one exists:
    // where window messages can be handled.
    static bool HandlesMessagesHere();

private:
    TApplication() = default;
    struct State;
    State& state() const;
};

inline TApplication& Application() {
    return TApplication::Instance();
}
