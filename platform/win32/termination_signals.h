// SIGTERM, SIGINT and SIGHUP as a request to quit, the way a session asks a
// Windows program to end: once watched, the first such signal makes the
// watching thread's next message retrieval return WM_QUIT, so the program
// shuts down through its own code (devices released, sound stopped). A second
// signal before that happens ends the process the default way, so a program
// that is not reading messages can still be stopped. A request that the
// watching thread does not come for within 150 ms (longer when its recent
// frames were slower, at most 2 s; never longer where the threads at idle
// priority could not be raised), because it is starting, loading or blocked,
// ends the process the default way too: a signal takes effect at any
// moment. The signals themselves are received by the exit watcher
// (exit_watcher.h), which records them here.
#pragma once

// Starts the exit watcher, which receives the signals from then on; the
// calling thread is the one that gets WM_QUIT. Call before any other thread
// starts.
void Win32QuitOnTerminationSignals();
// True once per request, and only on the watching thread; each call there
// also counts as the thread looking for messages.
bool Win32TakeTerminationRequest();
// Whether a request waits to be taken; modal loops close their window on it
// and leave the request for the loop below them.
bool Win32TerminationPending();

// For the exit watcher: whether a recorded signal still waits to be taken
// (a further signal then ends the process the default way).
bool Win32TerminationSignalWaiting();
// Records `signal` as a new request; `threadsRaised`: whether the threads at
// idle priority could be raised for it.
void Win32RecordTerminationSignal(int signal, bool threadsRaised);
// Whether a request has not been noticed yet by the watching thread (taken,
// or seen by a modal loop that closes for it).
bool Win32TerminationRequestUnnoticed();
// The signal of a request that has waited unnoticed for longer than its
// grace, or 0.
int Win32OverdueTerminationSignal();
