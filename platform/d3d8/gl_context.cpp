#include "platform/d3d8/gl_context.h"

#include <dlfcn.h>
#include <link.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/d3d8/live_objects.h"

namespace d3d8 {

namespace {
thread_local GlContext* currentContext = nullptr;

int CollectDriver(struct dl_phdr_info* info, size_t, void* data) {
    const char* name = info->dlpi_name;
    if (name && (std::strstr(name, "_dri.so") || std::strstr(name, "libgallium")))
        static_cast<std::vector<std::string>*>(data)->push_back(name);
    return 0;
}
}  // namespace

void KeepGlDriverLoaded() {
    static bool pinned = false;
    if (pinned) return;
    std::vector<std::string> drivers;
    dl_iterate_phdr(CollectDriver, &drivers);
    for (const auto& driver : drivers) {
        if (dlopen(driver.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE)) pinned = true;
    }
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
    KeepGlDriverLoaded();
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

bool GlContext::MakeCurrent() {
    // Window ids are never reused, so a live id means the same window.
    if (SDL_GetWindowFromID(windowId_) != window_) return false;
    if (currentContext == this) return true;
    SDL_GL_MakeCurrent(window_, context_);
    currentContext = this;
    return true;
}

}  // namespace d3d8
