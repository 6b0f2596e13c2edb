// Direct3DCreate8: the entry point of the Direct3D 8 stand-in.
#include <d3d8.h>

IDirect3D8* WINAPI Direct3DCreate8(UINT SDKVersion) {
    (void)SDKVersion;
    return nullptr;
}
