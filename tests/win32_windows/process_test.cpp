// Process and thread services: command line, modules, version, clocks,
// threads, the shell's open verb and the heap policy.
#include <gtest/gtest.h>
#include <shellapi.h>
#include <windows.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "platform/win32/command_line.h"
#include "platform/win32/heap_policy.h"
#include "platform/win32/monitor_seams.h"
#include "platform/win32/thread_priorities.h"
#include "tests/support/temp_folder.h"

TEST(CommandLine, ArgumentsJoinTheWayWindowsQuotesThem) {
    EXPECT_EQ(Win32JoinCommandLine({"/usr/bin/velmora", "/p", "1234"}), "/usr/bin/velmora /p 1234");
    EXPECT_EQ(Win32JoinCommandLine({"/opt/my saver/velmora", "/s"}),
              "\"/opt/my saver/velmora\" /s");
    EXPECT_EQ(Win32JoinCommandLine({"a", ""}), "a \"\"");
    EXPECT_EQ(Win32JoinCommandLine({"say \"hi\""}), "\"say \\\"hi\\\"\"");
    EXPECT_EQ(Win32JoinCommandLine({"dir with space\\"}), "\"dir with space\\\\\"");

    // By default the process's own arguments, program path first.
    std::string own = GetCommandLine();
    char path[MAX_PATH];
    ASSERT_GT(GetModuleFileName(nullptr, path, sizeof path), 0u);
    std::string program = path;
    std::string name = program.substr(program.find_last_of('/') + 1);
    EXPECT_NE(own.find(name), std::string::npos) << own;

    Win32SetCommandLineArguments({"/tmp/a b/velmora", "-p:1234"});
    EXPECT_STREQ(GetCommandLine(), "\"/tmp/a b/velmora\" -p:1234");
}

TEST(Modules, MultiMonitorFunctionsAreFoundByNameUnlessHidden) {
    HMODULE user32 = GetModuleHandle("USER32");
    ASSERT_NE(user32, nullptr);
    EXPECT_EQ(GetModuleHandle("user32.dll"), user32);
    const char* names[] = {"GetSystemMetrics",   "MonitorFromWindow",   "MonitorFromRect",
                           "MonitorFromPoint",   "EnumDisplayMonitors", "GetMonitorInfoA",
                           "EnumDisplayDevicesA"};
    for (const char* name : names) EXPECT_NE(GetProcAddress(user32, name), nullptr) << name;
    EXPECT_EQ(GetProcAddress(user32, "GetMonitorInfoW"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PROC_NOT_FOUND));
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(user32, "MonitorFromRect")),
              reinterpret_cast<void*>(&MonitorFromRect));

    Win32HideMultiMonitorFunctions(true);
    for (const char* name : names) EXPECT_EQ(GetProcAddress(user32, name), nullptr) << name;
    Win32HideMultiMonitorFunctions(false);
    EXPECT_NE(GetProcAddress(user32, "GetMonitorInfoA"), nullptr);

    // The Windows 9x password services do not exist.
    EXPECT_EQ(LoadLibrary("PASSWORD.CPL"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(LoadLibrary("MPR.DLL"), nullptr);
    EXPECT_EQ(GetProcAddress(nullptr, "VerifyScreenSavePwd"), nullptr);
}

TEST(Version, ReportsTheNtFamily) {
    OSVERSIONINFO info{};
    EXPECT_FALSE(GetVersionEx(&info));  // the size must be filled in
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionEx(&info));
    EXPECT_EQ(info.dwPlatformId, DWORD(VER_PLATFORM_WIN32_NT));
    EXPECT_GE(info.dwMajorVersion, 5u);
}

TEST(Clocks, CountersAdvanceTogether) {
    LARGE_INTEGER frequency, before, after;
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    ASSERT_GT(frequency.QuadPart, 1000);
    ASSERT_TRUE(QueryPerformanceCounter(&before));
    DWORD ms = timeGetTime();
    DWORD ticks = GetTickCount();
    Sleep(30);
    ASSERT_TRUE(QueryPerformanceCounter(&after));
    double seconds = double(after.QuadPart - before.QuadPart) / double(frequency.QuadPart);
    EXPECT_GE(seconds, 0.029);
    EXPECT_GE(timeGetTime() - ms, 29u);
    EXPECT_GE(GetTickCount() - ticks, 29u);

    SYSTEMTIME local;
    GetLocalTime(&local);
    EXPECT_GE(local.wYear, 2024);
    EXPECT_GE(local.wMonth, 1);
    EXPECT_LE(local.wMonth, 12);
    EXPECT_LE(local.wHour, 23);
    EXPECT_LE(local.wMilliseconds, 999);
}

namespace {
DWORD WINAPI CountUp(LPVOID parameter) {
    auto* counter = static_cast<std::atomic<int>*>(parameter);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    while (counter->load() < 1000) ++*counter;
    return 7;
}
DWORD WINAPI Linger(LPVOID parameter) {
    auto* stop = static_cast<std::atomic<bool>*>(parameter);
    while (!*stop) Sleep(1);
    return 0;
}
}  // namespace

TEST(Threads, RunWaitAndReportTheirExitCode) {
    std::atomic<int> counter{0};
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, CountUp, &counter, 0, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(WaitForSingleObject(thread, 5000), DWORD(WAIT_OBJECT_0));
    EXPECT_EQ(counter.load(), 1000);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 7u);
    EXPECT_TRUE(CloseHandle(thread));
    EXPECT_FALSE(CloseHandle(thread));
    EXPECT_EQ(WaitForSingleObject(thread, 0), DWORD(WAIT_FAILED));

    std::atomic<bool> stop{false};
    HANDLE lingering = CreateThread(nullptr, 0, Linger, &stop, 0, nullptr);
    ASSERT_NE(lingering, nullptr);
    EXPECT_EQ(WaitForSingleObject(lingering, 20), DWORD(WAIT_TIMEOUT));
    ASSERT_TRUE(GetExitCodeThread(lingering, &code));
    EXPECT_EQ(code, DWORD(STILL_ACTIVE));
    stop = true;
    EXPECT_EQ(WaitForSingleObject(lingering, INFINITE), DWORD(WAIT_OBJECT_0));
    CloseHandle(lingering);
}

TEST(Threads, PrioritiesAreBestEffortAndNeverFail) {
    // Run on a thread of its own: idle scheduling cannot be undone without privileges.
    std::atomic<int> result{-1};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD {
            auto* r = static_cast<std::atomic<int>*>(p);
            bool ok = SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_IDLE) &&
                      GetThreadPriority(GetCurrentThread()) == THREAD_PRIORITY_IDLE &&
                      SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL) &&
                      !SetThreadPriority(GetCurrentThread(), 42);
            *r = ok ? 1 : 0;
            return 0;
        },
        &result, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ(result.load(), 1);
}

// A thread that lowers itself to idle, with a helper it starts then (which
// takes its nice value), as the program's thread starts the GL driver's.
// An input boost raises both until it ends; the program's own raise to
// normal outlasts the boost.
TEST(Threads, AnInputBoostEndsButTheProgramsOwnRaiseStays) {
    if (geteuid() != 0) GTEST_SKIP() << "raising a nice value needs privilege";
    struct Shared {
        std::atomic<int> stage{0};
        std::atomic<pid_t> helper{0};
    } shared;
    HANDLE program = CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD {
            auto* shared = static_cast<Shared*>(p);
            SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_IDLE);
            std::thread helper([shared] {
                shared->helper = static_cast<pid_t>(syscall(SYS_gettid));
                while (shared->stage < 3) Sleep(1);
            });
            while (shared->stage < 1) Sleep(1);
            SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
            shared->stage = 2;
            helper.join();
            return 0;
        },
        &shared, 0, nullptr);
    ASSERT_NE(program, nullptr);
    while (shared.helper == 0) Sleep(1);
    auto helperNice = [&] { return getpriority(PRIO_PROCESS, static_cast<id_t>(shared.helper)); };
    EXPECT_EQ(helperNice(), 19);
    Win32BoostIdleThreads();
    EXPECT_EQ(helperNice(), 0);
    Win32EndIdleBoost();
    EXPECT_EQ(helperNice(), 19);

    Win32BoostIdleThreads();
    shared.stage = 1;
    while (shared.stage < 2) Sleep(1);
    Win32EndIdleBoost();
    EXPECT_EQ(helperNice(), 0);
    shared.stage = 3;
    WaitForSingleObject(program, INFINITE);
    CloseHandle(program);
}

TEST(Folders, CurrentDirectoryFollowsWindowsPaths) {
    TempFolder folder;
    mkdir((folder / "media").c_str(), 0755);
    char buffer[MAX_PATH];
    DWORD length = GetCurrentDirectory(sizeof buffer, buffer);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(std::string(buffer), folder.Path());
    EXPECT_EQ(GetCurrentDirectory(2, buffer), length + 1);  // the size needed
    ASSERT_TRUE(SetCurrentDirectory("media\\"));
    GetCurrentDirectory(sizeof buffer, buffer);
    EXPECT_EQ(std::string(buffer), folder / "media");
    EXPECT_FALSE(SetCurrentDirectory("missing\\folder"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
    SetCurrentDirectory(folder.Path().c_str());
}

TEST(Shell, OpenHandsFilesAndShortcutAddressesToXdgOpen) {
    TempFolder folder;
    // A stand-in xdg-open on the PATH records what it was asked to open.
    folder.WriteFile("bin/xdg-open",
                     "#!/bin/sh\necho \"$1\" >> \"" + (folder / "opened.txt") + "\"\n");
    chmod((folder / "bin/xdg-open").c_str(), 0755);
    std::string path = std::string(getenv("PATH") ? getenv("PATH") : "");
    setenv("PATH", ((folder / "bin") + ":" + path).c_str(), 1);
    folder.WriteFile("site.url", "[InternetShortcut]\r\nURL=https://example.org/velmora\r\n");
    folder.WriteFile("readme.txt", "hello");

    auto opened = [&](size_t lines) {
        for (int i = 0; i < 200; ++i) {
            std::ifstream in(folder / "opened.txt");
            std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (size_t(std::count(all.begin(), all.end(), '\n')) >= lines) return all;
            Sleep(10);
        }
        return std::string();
    };
    EXPECT_GT(
        reinterpret_cast<intptr_t>(ShellExecute(nullptr, "open", "site.url", nullptr, nullptr, 1)),
        32);
    EXPECT_EQ(opened(1), "https://example.org/velmora\n");
    EXPECT_GT(reinterpret_cast<intptr_t>(
                  ShellExecute(nullptr, nullptr, "readme.txt", nullptr, nullptr, 1)),
              32);
    EXPECT_EQ(opened(2), "https://example.org/velmora\n" + (folder / "readme.txt") + "\n");
    EXPECT_LE(reinterpret_cast<intptr_t>(
                  ShellExecute(nullptr, "open", "missing.url", nullptr, nullptr, 1)),
              32);
    EXPECT_LE(reinterpret_cast<intptr_t>(
                  ShellExecute(nullptr, "print", "readme.txt", nullptr, nullptr, 1)),
              32);
    setenv("PATH", path.c_str(), 1);
}

namespace {

long MinorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// Allocates, fills and frees one block of each size, as loading does with
// its decoding buffers; returns the page faults that took.
long FaultsOfTemporaryBlocks(const size_t* sizes, size_t count) {
    const long before = MinorFaults();
    for (size_t i = 0; i < count; ++i) {
        void* block = std::malloc(sizes[i]);
        if (block == nullptr) return -1;
        std::memset(block, 0x5A, sizes[i]);
        // Keeps the compiler from dropping the unread block altogether.
        asm volatile("" : : "r"(block) : "memory");
        std::free(block);
    }
    return MinorFaults() - before;
}

}  // namespace

namespace {

// The VmFlags line of the mapping that holds `address`, from /proc/self/smaps.
std::string MappingFlags(const void* address) {
    std::ifstream smaps("/proc/self/smaps");
    const auto at = reinterpret_cast<uintptr_t>(address);
    bool inside = false;
    for (std::string line; std::getline(smaps, line);) {
        unsigned long begin = 0, end = 0;
        if (std::sscanf(line.c_str(), "%lx-%lx ", &begin, &end) == 2 &&
            line.find(':') > line.find(' '))
            inside = at >= begin && at < end;
        else if (inside && line.rfind("VmFlags:", 0) == 0)
            return line;
    }
    return "";
}

}  // namespace

TEST(HeapPolicy, TheHeapAsksForHugePages) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizer's allocator replaces the C library's heap";
#endif
    struct stat info;
    if (stat("/sys/kernel/mm/transparent_hugepage", &info) != 0)
        GTEST_SKIP() << "this kernel has no transparent huge pages";
    Win32ApplyHeapPolicy();
    // A block the size of a decoded 1024 by 1024 image lands in the marked part.
    void* block = std::malloc(4 << 20);
    ASSERT_NE(block, nullptr);
    const std::string flags = MappingFlags(static_cast<char*>(block) + (2 << 20));
    std::free(block);
    EXPECT_NE(flags.find(" hg"), std::string::npos) << flags;
}

TEST(HeapPolicy, FreedLargeBlocksAreReusedWithoutFreshPages) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizer's allocator replaces the C library's heap";
#endif
    Win32ApplyHeapPolicy();
    // Growing sizes up to beyond glibc's own largest mmap threshold (32 MiB),
    // which would otherwise map, fault and unmap every such block each time.
    const size_t sizes[] = {1 << 20, 4 << 20, 12 << 20, 40 << 20, 48 << 20};
    const long first = FaultsOfTemporaryBlocks(sizes, std::size(sizes));
    ASSERT_GE(first, 0);
    const long second = FaultsOfTemporaryBlocks(sizes, std::size(sizes));
    const long pages = (48 << 20) / 4096;
    EXPECT_LT(second, pages / 20) << "first pass " << first << " faults";

    // A block another thread freed is reused as well: every thread shares one
    // heap, so loading's worker threads do not each keep a heap of their own.
    const size_t larger[] = {60 << 20};
    long onWorker = -1;
    std::thread([&] { onWorker = FaultsOfTemporaryBlocks(larger, 1); }).join();
    ASSERT_GE(onWorker, 0);
    EXPECT_LT(FaultsOfTemporaryBlocks(larger, 1), (60 << 20) / 4096 / 20)
        << "the worker's pass took " << onWorker << " faults";
}
