// One OpenGL context and the window it draws on. Devices own one; their
// resources share it so their GL objects can be deleted in the right context
// even after the device itself is gone.
#pragma once

#include <SDL.h>

#include <memory>

namespace d3d8 {

class GlContext {
public:
    // Null when no GL 3.3 core context can be made on the window.
    static std::shared_ptr<GlContext> Create(SDL_Window* window);
    ~GlContext();
    GlContext(const GlContext&) = delete;
    GlContext& operator=(const GlContext&) = delete;

    // Makes this context current on the calling thread (cheap when it is).
    // False, with nothing changed, once the window has been destroyed: GL
    // work for this context must then be skipped.
    bool MakeCurrent();
    SDL_Window* Window() const { return window_; }
    // Call after making a context current outside this class.
    static void ForgetCurrent();

private:
    GlContext(SDL_Window* window, SDL_GLContext context)
        : window_(window), windowId_(SDL_GetWindowID(window)), context_(context) {}
    SDL_Window* window_;
    Uint32 windowId_;
    SDL_GLContext context_;
};

// Keeps the GL driver module loaded for the rest of the process once a
// context has loaded it. Unloading it with the last context and loading it
// again for the next device costs time, and leaves the driver's own
// allocations unreachable.
void KeepGlDriverLoaded();

// Asks SDL for OpenGL 3.3 core contexts; called before any GL window or
// context is made.
void RequestCoreProfile();

}  // namespace d3d8
