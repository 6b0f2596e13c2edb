#include "platform/d3d8/gl_context.h"

#include "platform/d3d8/live_objects.h"

namespace d3d8 {

namespace {
thread_local GlContext* currentContext = nullptr;
}

std::atomic<long>& LiveObjectCounter() {
    static std::atomic<long> counter{0};
    return counter;
}

void RequestCoreProfile() {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
}

std::shared_ptr<GlContext> GlContext::Create(SDL_Window* window) {
    if (!window || !(SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL)) return nullptr;
    RequestCoreProfile();
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) return nullptr;
    auto result = std::shared_ptr<GlContext>(new GlContext(window, context));
    currentContext = result.get();
    return result;
}

GlContext::~GlContext() {
    if (currentContext == this) currentContext = nullptr;
    SDL_GL_DeleteContext(context_);
}

void GlContext::ForgetCurrent() {
    currentContext = nullptr;
}

void GlContext::MakeCurrent() {
    if (currentContext == this) return;
    SDL_GL_MakeCurrent(window_, context_);
    currentContext = this;
}

}  // namespace d3d8
