// Waking the threads that wait in GetMessage from outside the message queues,
// for news the queues do not carry (a request to quit).
#pragma once

// Every waiting thread looks at its queue again at once.
void Win32WakeMessageWaits();
