#pragma once
// One running copy per program title, user and display. Ownership is a lock
// on a file (flock): the kernel releases it when the owner ends, however it
// ends, so a crashed copy blocks nothing. The owner also listens on a local
// socket beside the lock, through which a later start asks it to raise its
// window; the socket decides nothing.
//
// Both live in the user's runtime folder (XDG_RUNTIME_DIR, else the temporary
// folder) under a name made of the title, the user id and the display
// (WAYLAND_DISPLAY, else DISPLAY): a start on another display runs beside.

#include <functional>
#include <memory>
#include <string>

class QLocalServer;

class SingleInstance {
public:
    // The scope of the running user and display, in the runtime folder.
    explicit SingleInstance(const std::string& title);
    // An explicit display and folder.
    SingleInstance(const std::string& title, const std::string& display, const std::string& folder);
    ~SingleInstance(); // Release()
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Takes the lock. True when this process is to run: it owns the lock and
    // listens for later starts, or the lock cannot be had for a reason other
    // than another copy (reported on stderr; the start is not refused).
    // False when another copy holds it: that copy has been asked to raise its
    // window, waiting at most timeoutMs for its answer, and this start is to
    // end. A copy too busy to answer still holds the lock.
    bool Claim(int timeoutMs = 1000);
    // Called on the main thread when a later start asks to be raised.
    void SetOnRaise(std::function<void()> handler);
    // Stops listening and gives up the lock.
    void Release();
    bool Owner() const { return owner_; }
    bool Listening() const;

    const std::string& LockPath() const { return lockPath_; }
    const std::string& SocketPath() const { return socketPath_; }

    // WAYLAND_DISPLAY when set, else DISPLAY, else "".
    static std::string CurrentDisplay();
    // XDG_RUNTIME_DIR when it names a folder, else the temporary folder.
    static std::string RuntimeFolder();

private:
    void Listen();
    // True when the raise request reached the running copy's socket.
    bool AskToRaise(int timeoutMs);

    std::string lockPath_;
    std::string socketPath_;
    int lockFd_ = -1;
    bool owner_ = false;
    std::unique_ptr<QLocalServer> server_;
    std::function<void()> onRaise_;
};
