#include "platform/win32/termination_signals.h"

#include <signal.h>

#include <atomic>
#include <thread>

namespace {

std::atomic<int> pendingSignal{0};
std::atomic<bool> watching{false};
std::thread::id watchingThread;

static_assert(std::atomic<int>::is_always_lock_free, "the handler may only touch lock-free state");

void OnTerminationSignal(int signal) {
    int none = 0;
    if (pendingSignal.compare_exchange_strong(none, signal)) return;
    // The first request was never taken: end the default way.
    struct sigaction standard = {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    sigaction(signal, &standard, nullptr);
    raise(signal);
}

}  // namespace

void Win32QuitOnTerminationSignals() {
    watchingThread = std::this_thread::get_id();
    watching = true;
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a blocking wait returns early and looks again
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

bool Win32TakeTerminationRequest() {
    if (!watching || pendingSignal.load() == 0) return false;
    if (std::this_thread::get_id() != watchingThread) return false;
    return pendingSignal.exchange(0) != 0;
}

bool Win32TerminationPending() {
    return watching && pendingSignal.load() != 0;
}
