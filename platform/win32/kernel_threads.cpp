// Threads behind HANDLEs, waiting for them, and thread priorities (best
// effort: Linux may refuse a raise, which never fails the caller).
#include <windows.h>

#include <dirent.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <set>
#include <vector>

#include "platform/win32/thread_priorities.h"

namespace {

struct ThreadObject {
    std::mutex lock;
    std::condition_variable changed;
    pthread_t thread{};
    pid_t tid = 0;
    bool running = true;
    bool suspended = false;
    bool detachWhenDone = false;  // the handle was closed while it ran
    DWORD exitCode = STILL_ACTIVE;
    int priority = THREAD_PRIORITY_NORMAL;
    LPTHREAD_START_ROUTINE start = nullptr;
    LPVOID parameter = nullptr;
};

std::mutex handleLock;
std::set<ThreadObject*>& LiveThreads() {
    static std::set<ThreadObject*> live;
    return live;
}

thread_local int ownPriority = THREAD_PRIORITY_NORMAL;
const HANDLE kCurrentThread = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2));

ThreadObject* FindThread(HANDLE handle) {
    auto* object = static_cast<ThreadObject*>(handle);
    std::lock_guard<std::mutex> hold(handleLock);
    return LiveThreads().count(object) != 0 ? object : nullptr;
}

pid_t CurrentTid() {
    return static_cast<pid_t>(syscall(SYS_gettid));
}

constexpr int kIdleNice = 19;

// Maps a Windows priority onto a nice value of the thread. Idle becomes the
// weakest nice value rather than SCHED_IDLE, which can starve a thread
// outright on a busy machine; a raise the system refuses leaves the thread as
// it was, and answers false.
bool ApplyPriority(pid_t tid, int priority) {
    int nice = 0;
    switch (priority) {
        case THREAD_PRIORITY_IDLE:
            nice = kIdleNice;
            break;
        case THREAD_PRIORITY_LOWEST:
            nice = 10;
            break;
        case THREAD_PRIORITY_BELOW_NORMAL:
            nice = 5;
            break;
        case THREAD_PRIORITY_ABOVE_NORMAL:
            nice = -5;
            break;
        case THREAD_PRIORITY_HIGHEST:
            nice = -10;
            break;
        case THREAD_PRIORITY_TIME_CRITICAL:
            nice = -20;
            break;
        default:
            nice = 0;
            break;
    }
    return setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice) == 0;
}

// Whether the thread `tid` was made by CreateThread and asked for idle priority.
bool AskedForIdle(pid_t tid) {
    std::lock_guard<std::mutex> hold(handleLock);
    for (ThreadObject* object : LiveThreads()) {
        std::lock_guard<std::mutex> holdObject(object->lock);
        if (object->tid == tid) return object->priority == THREAD_PRIORITY_IDLE;
    }
    return false;
}

// The threads an input boost raised, which its end returns to idle.
std::mutex boostLock;
std::vector<pid_t> boosted;

// A thread that chose a priority of its own is out of the boost.
void DropFromBoost(pid_t tid) {
    std::lock_guard<std::mutex> hold(boostLock);
    boosted.erase(std::remove(boosted.begin(), boosted.end(), tid), boosted.end());
}

// A Linux thread starts with the nice value of the thread that starts it,
// where a Windows thread starts at normal priority. The threads started while
// the calling thread was idle (the GL driver's, the audio device's, the sound
// feeder) took its idle value; when it leaves idle priority, they return to
// normal with it, so that none of them drags out the work that follows (a
// busy machine gives a thread at the idle value a sliver of a core). Every
// thread at the idle value but `except` and those that asked for idle
// through CreateThread is raised; those the system let go up are added to
// `raised`. False when the system refused a raise.
bool RaiseThreadsAtIdle(pid_t except, std::vector<pid_t>* raised) {
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr) return false;
    bool all = true;
    while (const dirent* entry = readdir(tasks)) {
        const pid_t tid = static_cast<pid_t>(std::strtol(entry->d_name, nullptr, 10));
        if (tid <= 0 || tid == except) continue;
        errno = 0;
        const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
        if (errno != 0 || nice != kIdleNice || AskedForIdle(tid)) continue;
        if (!ApplyPriority(tid, THREAD_PRIORITY_NORMAL)) {
            all = false;
        } else if (raised != nullptr) {
            raised->push_back(tid);
        }
    }
    closedir(tasks);
    return all;
}

// A raise for good: whatever a boost raised stays up with it.
bool RaiseThreadsForGood(pid_t except) {
    {
        std::lock_guard<std::mutex> hold(boostLock);
        boosted.clear();
    }
    return RaiseThreadsAtIdle(except, nullptr);
}

void* RunThread(void* argument) {
    auto* object = static_cast<ThreadObject*>(argument);
    {
        std::unique_lock<std::mutex> hold(object->lock);
        object->tid = CurrentTid();
        object->changed.wait(hold, [object] { return !object->suspended; });
    }
    ownPriority = object->priority;
    DWORD code = object->start(object->parameter);
    bool release;
    {
        std::lock_guard<std::mutex> hold(object->lock);
        object->running = false;
        object->exitCode = code;
        release = object->detachWhenDone;
        object->changed.notify_all();
    }
    if (release) delete object;
    return nullptr;
}

}  // namespace

bool Win32RaiseIdleThreads() {
    return RaiseThreadsForGood(CurrentTid());
}

void Win32BoostIdleThreads() {
    std::vector<pid_t> raised;
    RaiseThreadsAtIdle(CurrentTid(), &raised);
    std::lock_guard<std::mutex> hold(boostLock);
    boosted.insert(boosted.end(), raised.begin(), raised.end());
}

void Win32EndIdleBoost() {
    std::vector<pid_t> raised;
    {
        std::lock_guard<std::mutex> hold(boostLock);
        raised.swap(boosted);
    }
    for (pid_t tid : raised) {
        errno = 0;
        const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
        if (errno == 0 && nice == 0) ApplyPriority(tid, THREAD_PRIORITY_IDLE);
    }
}

HANDLE GetCurrentThread() {
    return kCurrentThread;
}

DWORD GetCurrentThreadId() {
    return static_cast<DWORD>(CurrentTid());
}

BOOL SetThreadPriority(HANDLE thread, int priority) {
    bool known = priority == THREAD_PRIORITY_IDLE || priority == THREAD_PRIORITY_TIME_CRITICAL ||
                 (priority >= THREAD_PRIORITY_LOWEST && priority <= THREAD_PRIORITY_HIGHEST);
    if (!known) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (thread == kCurrentThread) {
        const int previous = ownPriority;
        ownPriority = priority;
        DropFromBoost(CurrentTid());
        ApplyPriority(CurrentTid(), priority);
        if (previous == THREAD_PRIORITY_IDLE && priority != THREAD_PRIORITY_IDLE) {
            RaiseThreadsForGood(CurrentTid());
        }
        return TRUE;
    }
    ThreadObject* object = FindThread(thread);
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard<std::mutex> hold(object->lock);
    object->priority = priority;
    if (object->running && object->tid != 0) {
        DropFromBoost(object->tid);
        ApplyPriority(object->tid, priority);
    }
    return TRUE;
}

int GetThreadPriority(HANDLE thread) {
    if (thread == kCurrentThread) return ownPriority;
    ThreadObject* object = FindThread(thread);
    if (object == nullptr) return THREAD_PRIORITY_ERROR_RETURN;
    std::lock_guard<std::mutex> hold(object->lock);
    return object->priority;
}

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, size_t stackSize, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD flags, LPDWORD threadId) {
    if (start == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* object = new ThreadObject;
    object->start = start;
    object->parameter = parameter;
    object->suspended = (flags & CREATE_SUSPENDED) != 0;
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    if (stackSize >= static_cast<size_t>(PTHREAD_STACK_MIN))
        pthread_attr_setstacksize(&attributes, stackSize);
    {
        std::lock_guard<std::mutex> hold(handleLock);
        LiveThreads().insert(object);
    }
    int failed = pthread_create(&object->thread, &attributes, RunThread, object);
    pthread_attr_destroy(&attributes);
    if (failed != 0) {
        {
            std::lock_guard<std::mutex> hold(handleLock);
            LiveThreads().erase(object);
        }
        delete object;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    pthread_detach(object->thread);
    if (threadId != nullptr) {
        // The id is the kernel's thread id, known once the thread runs.
        std::unique_lock<std::mutex> hold(object->lock);
        object->changed.wait_for(hold, std::chrono::seconds(1),
                                 [object] { return object->tid != 0; });
        *threadId = static_cast<DWORD>(object->tid);
    }
    return object;
}

DWORD ResumeThread(HANDLE thread) {
    ThreadObject* object = FindThread(thread);
    if (object == nullptr) return static_cast<DWORD>(-1);
    std::lock_guard<std::mutex> hold(object->lock);
    DWORD previous = object->suspended ? 1 : 0;
    object->suspended = false;
    object->changed.notify_all();
    return previous;
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
    ThreadObject* object = FindThread(thread);
    if (object == nullptr || exitCode == nullptr) return FALSE;
    std::lock_guard<std::mutex> hold(object->lock);
    *exitCode = object->exitCode;
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    ThreadObject* object = FindThread(handle);
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    std::unique_lock<std::mutex> hold(object->lock);
    auto finished = [object] { return !object->running; };
    if (milliseconds == INFINITE) {
        object->changed.wait(hold, finished);
        return WAIT_OBJECT_0;
    }
    return object->changed.wait_for(hold, std::chrono::milliseconds(milliseconds), finished)
               ? WAIT_OBJECT_0
               : WAIT_TIMEOUT;
}

BOOL CloseHandle(HANDLE handle) {
    ThreadObject* object = FindThread(handle);
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    {
        std::lock_guard<std::mutex> hold(handleLock);
        LiveThreads().erase(object);
    }
    bool release;
    {
        std::lock_guard<std::mutex> hold(object->lock);
        // A thread that still runs frees its record when it ends.
        release = !object->running;
        object->detachWhenDone = object->running;
        if (object->suspended) {
            object->suspended = false;
            object->changed.notify_all();
        }
    }
    if (release) delete object;
    return TRUE;
}
