// Counts the stand-in's live COM objects (Direct3D objects, devices, textures,
// buffers, state blocks), so tests can prove that every object was released.
#pragma once

#include <atomic>

namespace d3d8 {

std::atomic<long>& LiveObjectCounter();

// Adds itself to the live count for as long as it exists.
struct LiveObject {
    LiveObject() { LiveObjectCounter().fetch_add(1); }
    LiveObject(const LiveObject&) = delete;
    LiveObject& operator=(const LiveObject&) = delete;
    ~LiveObject() { LiveObjectCounter().fetch_sub(1); }
};

}  // namespace d3d8
