#pragma once
// The desktop's open action: starts a program or opens a document with the
// program the desktop chooses for it, or opens an address in the browser.
// Tests switch it to scripted mode: nothing is opened, every request is
// recorded and answered from a queue. Whenever the dialog service is
// scripted this service is too, so that a run that shows no window never
// starts anything.

#include <string>
#include <vector>

class ShellOpen {
public:
    // A local file (Windows-1252 bytes); true when the desktop took it.
    static bool OpenFile(const std::string& path);
    // An address such as "http://..." or "mailto:..."; true when taken.
    static bool OpenUrl(const std::string& url);

    // --- scripted mode -------------------------------------------------
    struct Opened {
        std::string target; // the path or the address
        bool isFile = false;
        bool result = false;
    };
    // Starts scripted mode afresh: no queued results, no history.
    static void BeginScript();
    static void EndScript();
    static bool Scripted();
    // The result of the next request; requests without one succeed.
    static void QueueResult(bool taken);
    static const std::vector<Opened>& History();
};
