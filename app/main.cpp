// velmora: the screen saver. The command line selects the run mode
// (/c configure, /p <window> preview, /s full screen, /t test window,
// /a change password); the host does the rest.
#include <windows.h>

#include "platform/process_entry.h"
#include "resources/resource_registration.h"
#include "scene/rerir_screensaver.h"

int main(int argc, char** argv) {
    if (const int status = PrepareSaverProcess(argc, argv); status >= 0) return status;
    RegisterProgramResources();
    CRerirScreensaver saver;
    HRESULT result = saver.Initialise(GetModuleHandle(nullptr));
    if (FAILED(result)) {
        saver.ShowErrorBox(result);
        return 0;
    }
    return saver.RunMode();
}
