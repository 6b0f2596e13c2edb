#include "platform/d3d8/d3d8_testing.h"

#include "platform/d3d8/device.h"
#include "platform/d3d8/live_objects.h"
#include "platform/d3d8/resources.h"

#include <cstring>

long D3D8LiveObjectCount() {
    return d3d8::LiveObjectCounter().load();
}

void D3D8ForceDeviceLost(IDirect3DDevice8* device, bool lost) {
    static_cast<d3d8::Device8*>(device)->ForceLost(lost);
}

size_t D3D8ProgramCount(IDirect3DDevice8* device) {
    return static_cast<d3d8::Device8*>(device)->ProgramCount();
}

HRESULT D3D8CaptureBackBuffer(IDirect3DDevice8* device, std::vector<DWORD>* pixels, UINT* width,
                              UINT* height) {
    IDirect3DSurface8* surface = nullptr;
    HRESULT hr = device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &surface);
    if (FAILED(hr)) return hr;
    D3DSURFACE_DESC desc;
    surface->GetDesc(&desc);
    std::vector<BYTE> bytes;
    hr = static_cast<d3d8::Surface8*>(surface)->ReadPixels(&bytes);
    surface->Release();
    if (FAILED(hr)) return hr;
    size_t count = static_cast<size_t>(desc.Width) * desc.Height;
    pixels->resize(count);
    for (size_t i = 0; i < count; ++i) {
        if (desc.Format == D3DFMT_R5G6B5) {
            DWORD v = bytes[i * 2] | (bytes[i * 2 + 1] << 8);
            DWORD r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
            (*pixels)[i] = 0xFF000000u | ((r * 255 / 31) << 16) | ((g * 255 / 63) << 8) |
                           (b * 255 / 31);
        } else {
            std::memcpy(&(*pixels)[i], &bytes[i * 4], 4);
            (*pixels)[i] |= 0xFF000000u;
        }
    }
    *width = desc.Width;
    *height = desc.Height;
    return D3D_OK;
}
