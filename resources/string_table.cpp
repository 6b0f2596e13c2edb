// The string table: error messages (2100-2112), display adapter help texts
// (2200-2209) and rendering capability lines (2210-2212).
#include "resources/resources.h"

namespace {

struct StringResource {
    UINT id;
    const char* text;
};

const StringResource kStrings[] = {
    {2100, "There was an unspecified problem with this screen saver."},
    {2101, "Direct3D 8.0 could not be initialized.  Please install the latest version of DirectX."},
    {2102, "Could not initialize the screen saver."},
    {2103, "Could not create the Direct3D device."},
    {2104, "Could not find any compatible Direct3D devices."},
    {2105, "No hardware-accelerated Direct3D devices were found."},
    {2106,
     "This screen saver requires functionality that is not available on your Direct3D hardware "
     "accelerator."},
    {2107,
     "This screen saver requires functionality that is not available on your Direct3D hardware "
     "accelerator with the current desktop display settings."},
    {2108, "Could not load required media."},
    {2109, "Could not reset the Direct3D device."},
    {2110, "Not enough memory."},
    {2111, "Not enough video memory."},
    {2112, "No preview available"},
    {2200,
     "This video adapter supports hardware 3D rendering.  This screen saver can be displayed on "
     "this monitor."},
    {2201,
     "This video adapter supports hardware 3D rendering, but this screensaver requires "
     "functionality not available in hardware.  A software renderer will be used instead.  This "
     "screen saver can be displayed on this monitor."},
    {2202,
     "This video adapter supports hardware 3D rendering, but this screensaver requires "
     "functionality not available in hardware or software.  This screen saver cannot be displayed "
     "on this monitor."},
    {2203,
     "This video adapter supports hardware 3D rendering, but this screensaver requires "
     "functionality not available in hardware.  No software renderer is available.  This screen "
     "saver cannot be displayed on this monitor."},
    {2204,
     "This video adapter does not support hardware 3D rendering.  A software renderer will be used "
     "instead.  This screen saver can be displayed on this monitor."},
    {2205,
     "This video adapter does not support hardware 3D rendering.  This screensaver requires "
     "functionality not available in the software renderer.  This screen saver cannot be displayed "
     "on this monitor."},
    {2206,
     "This video adapter does not support hardware 3D rendering.  No software renderer is "
     "available.  This screen saver cannot be displayed on this monitor."},
    {2207,
     "The video adapter supports hardware 3D rendering, but it has been disabled.  A software "
     "renderer will be used instead.  This screen saver can be displayed on this monitor."},
    {2208,
     "This video adapter supports hardware 3D rendering, but it has been disabled.  This "
     "screensaver requires functionality not available in the software renderer.  This screen "
     "saver cannot be displayed on this monitor."},
    {2209,
     "This video adapter supports hardware 3D rendering, but it has been disabled.  No software "
     "renderer is available.  This screen saver cannot be displayed on this monitor."},
    {2210, "The screen saver can use hardware 3D rendering on this monitor."},
    {2211, "The screen saver can use software 3D rendering on this monitor."},
    {2212, "The screen saver cannot be displayed on this monitor."},
};

}  // namespace

const char* FindStringResource(UINT id) {
    for (const StringResource& entry : kStrings) {
        if (entry.id == id) return entry.text;
    }
    return nullptr;
}

int StringResourceCount() {
    return static_cast<int>(sizeof(kStrings) / sizeof(kStrings[0]));
}

UINT StringResourceId(int index) {
    return index >= 0 && index < StringResourceCount() ? kStrings[index].id : 0;
}
