// SIGTERM, SIGINT and SIGHUP as a request to quit, the way a session asks a
// Windows program to end: once watched, the first such signal makes the
// watching thread's next message retrieval return WM_QUIT, so the program
// shuts down through its own code (devices released, sound stopped). A second
// signal before that happens ends the process the default way, so a program
// that is not reading messages can still be stopped.
#pragma once

// Installs the handlers; the calling thread is the one that gets WM_QUIT.
void Win32QuitOnTerminationSignals();
// True once per request, and only on the watching thread.
bool Win32TakeTerminationRequest();
// Whether a request waits to be taken; modal loops close their window on it
// and leave the request for the loop below them.
bool Win32TerminationPending();
