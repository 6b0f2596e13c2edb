// The report of a sound file that cannot be played.
#include <cstdio>

#include "media/log_file.h"
#include "sound/sound_dx.h"

void ReportBadSoundFile(HWND window, const char* name) {
#ifdef MB_OK
    MessageBox(window, name, "sound file is bad", MB_OK);
#else
    // Without message boxes in the platform layer the report goes to the log
    // and to standard error.
    (void)window;
    char line[160];
    snprintf(line, sizeof line, "sound file is bad: %s", name);
    if (LogFile* log = GetLog()) log->WriteLine(line);
    fprintf(stderr, "%s\n", line);
#endif
}
