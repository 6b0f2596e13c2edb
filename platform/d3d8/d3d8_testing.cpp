#include "platform/d3d8/d3d8_testing.h"

#include "platform/d3d8/device.h"
#include "platform/d3d8/live_objects.h"

long D3D8LiveObjectCount() {
    return d3d8::LiveObjectCounter().load();
}

void D3D8ForceDeviceLost(IDirect3DDevice8* device, bool lost) {
    static_cast<d3d8::Device8*>(device)->ForceLost(lost);
}

size_t D3D8ProgramCount(IDirect3DDevice8* device) {
    return static_cast<d3d8::Device8*>(device)->ProgramCount();
}
