// The two creation functions MinGW has no import for in the form the saver
// needs, found at run time: Direct3DCreate8 by name in d3d8.dll, and
// DirectSound's by ordinal 1 in DSOUND.dll. A system without either library
// gets the failure the callers handle (no Direct3D: the saver's error
// message; no DirectSound: no sound) instead of a program that cannot start.
#include <windows.h>
#include <d3d8.h>
#include <dsound.h>

namespace {

// The library stays loaded for the life of the process, as an import would.
void* FindSystemFunction(const char* library, const char* function) {
    HMODULE module = LoadLibrary(library);
    return module != nullptr ? reinterpret_cast<void*>(GetProcAddress(module, function)) : nullptr;
}

}  // namespace

IDirect3D8* WINAPI Direct3DCreate8(UINT sdkVersion) {
    using Create = IDirect3D8*(WINAPI*)(UINT);
    static const auto create =
        reinterpret_cast<Create>(FindSystemFunction("d3d8.dll", "Direct3DCreate8"));
    return create != nullptr ? create(sdkVersion) : nullptr;
}

HRESULT WINAPI DirectSoundCreate(LPCGUID device, LPDIRECTSOUND* directSound, LPUNKNOWN outer) {
    using Create = HRESULT(WINAPI*)(LPCGUID, LPDIRECTSOUND*, LPUNKNOWN);
    static const auto create =
        reinterpret_cast<Create>(FindSystemFunction("DSOUND.dll", MAKEINTRESOURCE(1)));
    if (create == nullptr) {
        if (directSound != nullptr) *directSound = nullptr;
        return DSERR_NODRIVER;
    }
    return create(device, directSound, outer);
}
