// The thread a visualization plug-in runs on: a message queue of its own with
// a periodic timer, ended by the "Closeplugin" message or the system's quit
// message. Windows runs it on a Win32 thread; the native build on a
// std::thread with the timer and the stop request kept by hand.
#pragma once

#include <cstddef>
#include <memory>

namespace tumbor {

// What runs on the thread.
class VisThreadBody {
public:
    virtual ~VisThreadBody() = default;
    // First, on the new thread; answers the timer's period in milliseconds.
    virtual int begin() = 0;
    // On each timer period; false ends the thread (after end()).
    virtual bool tick() = 0;
    // Last, on a stop request, the quit message, or after tick answered false.
    virtual void end() = 0;
};

class VisThread {
public:
    // body runs on a new thread with stackBytes of stack and the system's
    // thread priority (-15 to 15); null when no thread could be made. The
    // thread's queue exists when this returns, so a stop request is never lost.
    static std::unique_ptr<VisThread> start(VisThreadBody& body, size_t stackBytes, int priority);
    // A thread still running is left to run on (its end is waited for nowhere).
    virtual ~VisThread() = default;

    // Posts "Closeplugin" to the thread's queue.
    virtual void requestStop() = 0;
    // Whether the thread has returned, waiting at most milliseconds for it.
    virtual bool waitEnded(int milliseconds) = 0;

    // One step of the window thread's wait for the plug-in: milliseconds pass
    // while messages sent to the window thread (which a plug-in ending may
    // wait on) are still handled.
    static void pause(int milliseconds);
};

}  // namespace tumbor
