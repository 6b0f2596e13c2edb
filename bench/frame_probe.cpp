// A preload library for the benchmark: counts the frames a GL program shows,
// through eglSwapBuffers or glXSwapBuffers (the peer hacks, by build) or
// SDL_GL_SwapWindow (the saver), and appends to the file named by
// VELMORA_FRAME_PROBE the wall clock and the process's CPU time at the first
// frame ("first NS CPU_NS") and, about once a
// second, the frames shown so far with the same two ("frames COUNT NS CPU_NS").
// Only the benchmark loads it (LD_PRELOAD); nothing links against it.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

int64_t Now(clockid_t clock) {
    timespec t;
    clock_gettime(clock, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

void Append(const char* line, int length) {
    static const char* path = std::getenv("VELMORA_FRAME_PROBE");
    if (path == nullptr) return;
    int file = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (file < 0) return;
    (void)!write(file, line, static_cast<size_t>(length));
    close(file);
}

// Programs show frames from one thread, so plain counters do.
uint64_t framesShown = 0;
int64_t lastReport = 0;

void FrameShown() {
    const int64_t now = Now(CLOCK_REALTIME);
    char line[128];
    if (framesShown++ == 0) {
        lastReport = now;
        Append(line, std::snprintf(line, sizeof line, "first %lld %lld\n",
                                   static_cast<long long>(now),
                                   static_cast<long long>(Now(CLOCK_PROCESS_CPUTIME_ID))));
    }
    if (now - lastReport >= 1000000000) {
        lastReport = now;
        Append(line, std::snprintf(line, sizeof line, "frames %llu %lld %lld\n",
                                   static_cast<unsigned long long>(framesShown),
                                   static_cast<long long>(now),
                                   static_cast<long long>(Now(CLOCK_PROCESS_CPUTIME_ID))));
    }
}

template <typename Function>
Function Next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

// EGL and GLX handles are kept opaque so no GL header is needed.
unsigned eglSwapBuffers(void* display, void* surface) {
    static auto next = Next<unsigned (*)(void*, void*)>("eglSwapBuffers");
    const unsigned shown = next(display, surface);
    FrameShown();
    return shown;
}

void glXSwapBuffers(void* display, unsigned long drawable) {
    static auto next = Next<void (*)(void*, unsigned long)>("glXSwapBuffers");
    next(display, drawable);
    FrameShown();
}

void SDL_GL_SwapWindow(void* window) {
    static auto next = Next<void (*)(void*)>("SDL_GL_SwapWindow");
    next(window);
    FrameShown();
}

}  // extern "C"
