#pragma once
// One running instance per program title: the first instance listens on a
// local socket named after the title; a second start of the same title asks
// the first to raise its window and ends.

#include <functional>
#include <memory>
#include <string>

class QLocalServer;

class SingleInstance {
public:
    explicit SingleInstance(const std::string& name);
    ~SingleInstance(); // stops listening (the instance's name is free again)
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when a running instance answered and was asked to raise its window.
    // A name left behind by a crashed instance (nobody answers) gives false.
    bool AskRunningInstance(int timeoutMs = 1000);
    // Becomes the running instance; a stale name is removed first. False when
    // the name cannot be taken.
    bool Listen();
    // Called on the main thread when a later start asks to be raised.
    void SetOnRaise(std::function<void()> handler);
    void Release();
    bool Listening() const;

private:
    std::string name_;
    std::unique_ptr<QLocalServer> server_;
    std::function<void()> onRaise_;
};
