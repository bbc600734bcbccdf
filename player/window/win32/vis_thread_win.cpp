// The plug-in thread on Windows: CreateThread with the stack asked for, the
// priority set before it runs, a thread timer, and "Closeplugin" or WM_QUIT
// in its own queue to end it.
#include <windows.h>

#include "player/window/vis_thread.h"

namespace tumbor {
namespace {

struct StartData {
    VisThreadBody* body;
    HANDLE queueReady;
};

DWORD WINAPI runThread(void* parameter) {
    const StartData* start = static_cast<const StartData*>(parameter);
    VisThreadBody& body = *start->body;
    MSG message;
    // The first call of a message function gives the thread its queue.
    PeekMessageA(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    SetEvent(start->queueReady);  // start is the creator's and gone after this
    const UINT closePlugin = RegisterWindowMessageA("Closeplugin");
    const UINT_PTR timer = SetTimer(nullptr, 0, static_cast<UINT>(body.begin()), nullptr);
    while (true) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got <= 0 || (message.hwnd == nullptr && message.message == closePlugin)) break;
        // The plug-in's own windows may run timers too; only the thread's timer is a frame.
        if (message.message == WM_TIMER && message.hwnd == nullptr && message.wParam == timer) {
            if (!body.tick()) break;
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    body.end();
    if (timer) KillTimer(nullptr, timer);
    return 0;
}

class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() {
        if (handle_) CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

class WinVisThread : public VisThread {
public:
    WinVisThread(HANDLE thread, DWORD id) : thread_(thread), id_(id) {}

    void requestStop() override { PostThreadMessageA(id_, RegisterWindowMessageA("Closeplugin"), 0, 0); }

    bool waitEnded(int milliseconds) override {
        return WaitForSingleObject(thread_.get(), static_cast<DWORD>(milliseconds)) == WAIT_OBJECT_0;
    }

private:
    Handle thread_;  // closing the handle leaves a running thread running
    DWORD id_;
};

}  // namespace

std::unique_ptr<VisThread> VisThread::start(VisThreadBody& body, size_t stackBytes, int priority) {
    Handle queueReady(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!queueReady.get()) return nullptr;
    StartData start{&body, queueReady.get()};
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, stackBytes, runThread, &start, CREATE_SUSPENDED, &id);
    if (!thread) return nullptr;
    SetThreadPriority(thread, priority);
    ResumeThread(thread);
    // The start data lives on this stack: the thread is done with it once its queue exists.
    HANDLE waits[2] = {queueReady.get(), thread};
    WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    return std::make_unique<WinVisThread>(thread, id);
}

void VisThread::pause(int milliseconds) {
    LARGE_INTEGER frequency, now, until;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&until);
    until.QuadPart += frequency.QuadPart * milliseconds / 1000;
    while (QueryPerformanceCounter(&now), now.QuadPart < until.QuadPart) {
        const DWORD left = static_cast<DWORD>((until.QuadPart - now.QuadPart) * 1000 / frequency.QuadPart);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, left ? left : 1, QS_SENDMESSAGE);
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace tumbor
