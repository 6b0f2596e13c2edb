#include "platform/win32/termination_signals.h"

#include <pthread.h>
#include <semaphore.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include "platform/win32/thread_priorities.h"

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// How long a request may wait for the watching thread: at least this, or a
// few of the thread's recent gaps between looking for messages (a slow frame
// is not a hang), but never more than the cap.
constexpr int64_t kShortestGraceMs = 150;
constexpr int64_t kLongestGraceMs = 2000;
constexpr int64_t kGapsOfGrace = 3;

std::atomic<int> pendingSignal{0};
std::atomic<bool> watching{false};
std::thread::id watchingThread;

// Requests are numbered; the watchdog stands down once the number it waits
// on has been noticed (taken, or seen by a modal loop that closes for it).
std::atomic<unsigned> requestNumber{0};
std::atomic<unsigned> noticedNumber{0};
sem_t requestArrived;

// When the watching thread last looked for messages, and the longest gap
// between two looks of late (decaying with every look).
std::atomic<int64_t> lastLookMs{0};
std::atomic<int64_t> recentGapMs{0};

static_assert(std::atomic<int>::is_always_lock_free, "the handler may only touch lock-free state");
static_assert(std::atomic<unsigned>::is_always_lock_free, "the handler may only touch lock-free state");

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Ends the process as the signal would have without a handler.
void EndTheDefaultWay(int signal) {
    struct sigaction standard = {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    sigaction(signal, &standard, nullptr);
    kill(getpid(), signal);
}

void OnTerminationSignal(int signal) {
    requestNumber.fetch_add(1);
    int none = 0;
    if (pendingSignal.compare_exchange_strong(none, signal)) {
        sem_post(&requestArrived);
        return;
    }
    // The first request was never taken: end the default way.
    EndTheDefaultWay(signal);
}

void Notice() {
    noticedNumber.store(requestNumber.load());
}

// A request the watching thread does not come for in time (it is loading,
// or blocked in the kernel) ends the process the default way, so a signal
// ends the saver promptly at any moment.
void WatchRequests() {
    for (;;) {
        while (sem_wait(&requestArrived) != 0) {
        }
        const unsigned request = requestNumber.load();
        const int64_t arrived = NowMs();
        // The watching thread runs at idle priority while it draws; on a
        // busy machine it would take seconds to come for the request.
        Win32RaiseIdleThreads();
        while (noticedNumber.load() < request) {
            const int64_t grace = std::clamp(kGapsOfGrace * recentGapMs.load(), kShortestGraceMs,
                                             kLongestGraceMs);
            if (NowMs() - arrived >= grace) {
                const int signal = pendingSignal.load();
                EndTheDefaultWay(signal != 0 ? signal : SIGTERM);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
}

}  // namespace

void Win32QuitOnTerminationSignals() {
    watchingThread = std::this_thread::get_id();
    watching = true;
    static const bool watchdogStarted = [] {
        sem_init(&requestArrived, 0, 0);
        // The watchdog blocks the signals, so they interrupt the program's own
        // waits instead.
        sigset_t blocked, previous;
        sigemptyset(&blocked);
        for (int signal : kSignals) sigaddset(&blocked, signal);
        pthread_sigmask(SIG_BLOCK, &blocked, &previous);
        std::thread(WatchRequests).detach();
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        return true;
    }();
    (void)watchdogStarted;
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a blocking wait returns early and looks again
    for (int signal : kSignals) sigaction(signal, &action, nullptr);
}

bool Win32TakeTerminationRequest() {
    if (!watching || std::this_thread::get_id() != watchingThread) return false;
    const int64_t now = NowMs();
    const int64_t last = lastLookMs.exchange(now);
    if (last != 0) {
        const int64_t recent = recentGapMs.load();
        recentGapMs.store(std::max(now - last, recent - recent / 8));
    }
    if (pendingSignal.load() == 0) return false;
    if (pendingSignal.exchange(0) == 0) return false;
    Notice();
    return true;
}

bool Win32TerminationPending() {
    if (!watching || pendingSignal.load() == 0) return false;
    Notice();
    return true;
}
