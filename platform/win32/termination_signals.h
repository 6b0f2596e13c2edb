// SIGTERM, SIGINT and SIGHUP as a request to quit, the way a session asks a
// Windows program to end: once watched, the first such signal makes the
// watching thread's next message retrieval return WM_QUIT, so the program
// shuts down through its own code (devices released, sound stopped). A second
// signal before that happens ends the process the default way, so a program
// that is not reading messages can still be stopped. A request that the
// watching thread does not come for within 150 ms (longer when its recent
// frames were slower, at most 2 s), because it is starting, loading or
// blocked, ends the process the default way too: a signal takes effect at
// any moment.
#pragma once

// Installs the handlers and starts the watchdog; the calling thread is the
// one that gets WM_QUIT. Call before any other thread starts.
void Win32QuitOnTerminationSignals();
// True once per request, and only on the watching thread; each call there
// also counts as the thread looking for messages.
bool Win32TakeTerminationRequest();
// Whether a request waits to be taken; modal loops close their window on it
// and leave the request for the loop below them.
bool Win32TerminationPending();
