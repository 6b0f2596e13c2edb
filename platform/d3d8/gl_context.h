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
    void MakeCurrent();
    SDL_Window* Window() const { return window_; }
    // Call after making a context current outside this class.
    static void ForgetCurrent();

private:
    GlContext(SDL_Window* window, SDL_GLContext context) : window_(window), context_(context) {}
    SDL_Window* window_;
    SDL_GLContext context_;
};

// Asks SDL for OpenGL 3.3 core contexts; called before any GL window or
// context is made.
void RequestCoreProfile();

}  // namespace d3d8
