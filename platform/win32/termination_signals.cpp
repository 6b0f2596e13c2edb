#include "platform/win32/termination_signals.h"

#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include "platform/win32/exit_watcher.h"

namespace {

// How long a request may wait for the watching thread: at least this, or a
// few of the thread's recent gaps between looking for messages (a slow frame
// is not a hang), but never more than the cap.
constexpr int64_t kShortestGraceMs = 150;
constexpr int64_t kLongestGraceMs = 2000;
constexpr int64_t kGapsOfGrace = 3;

std::atomic<int> pendingSignal{0};
std::atomic<bool> watching{false};
std::thread::id watchingThread;

// Requests are numbered; the watcher stands down once the number it waits on
// has been noticed (taken, or seen by a modal loop that closes for it).
std::atomic<unsigned> requestNumber{0};
std::atomic<unsigned> noticedNumber{0};
std::atomic<int64_t> requestArrivedMs{0};
// The request found threads at idle priority that could not be raised.
std::atomic<bool> requestUnraised{false};

// When the watching thread last looked for messages, and the longest gap
// between two looks of late (decaying with every look).
std::atomic<int64_t> lastLookMs{0};
std::atomic<int64_t> recentGapMs{0};

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void Notice() {
    noticedNumber.store(requestNumber.load());
}

}  // namespace

void Win32QuitOnTerminationSignals() {
    watchingThread = std::this_thread::get_id();
    watching = true;
    Win32StartExitWatcher();
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

bool Win32TerminationSignalWaiting() {
    return pendingSignal.load() != 0;
}

void Win32RecordTerminationSignal(int signal, bool threadsRaised) {
    requestArrivedMs.store(NowMs());
    requestUnraised.store(!threadsRaised);
    requestNumber.fetch_add(1);
    pendingSignal.store(signal);
}

bool Win32TerminationRequestUnnoticed() {
    return noticedNumber.load() < requestNumber.load();
}

int Win32OverdueTerminationSignal() {
    if (!Win32TerminationRequestUnnoticed()) return 0;
    // Slow frames drawn at idle priority on a busy machine do not get faster
    // when the threads could not be raised.
    const int64_t grace =
        requestUnraised.load()
            ? kShortestGraceMs
            : std::clamp(kGapsOfGrace * recentGapMs.load(), kShortestGraceMs, kLongestGraceMs);
    if (NowMs() - requestArrivedMs.load() < grace) return 0;
    const int signal = pendingSignal.load();
    return signal != 0 ? signal : SIGTERM;
}
