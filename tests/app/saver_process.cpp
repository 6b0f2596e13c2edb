#include "tests/app/saver_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "tests/support/temp_folder.h"

using Clock = std::chrono::steady_clock;

pid_t StartSaver(const std::vector<std::string>& args, const std::string& folder,
                 const std::vector<std::pair<std::string, std::string>>& environment,
                 const std::string& errorFile) {
    // In sanitizer builds the program's exit status must not depend on
    // what the X and GL libraries keep until exit; unit tests check ours.
    std::vector<std::pair<std::string, std::string>> settings = {
        {"ASAN_OPTIONS", "detect_leaks=0"}};
    settings.insert(settings.end(), environment.begin(), environment.end());
    return StartProgram(std::string(VELMORA_BINARY_DIR) + "/app/velmora", args,
                        folder.empty() ? VELMORA_BINARY_DIR : folder, settings, errorFile);
}

pid_t StartProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::string& folder,
                   const std::vector<std::pair<std::string, std::string>>& environment,
                   const std::string& errorFile, const std::string& outputFile) {
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0) _exit(126);
        for (const auto& [name, value] : environment) setenv(name.c_str(), value.c_str(), 1);
        if (!errorFile.empty()) {
            int fd = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd >= 0) dup2(fd, 2);
        }
        if (!outputFile.empty()) {
            int fd = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd >= 0) dup2(fd, 1);
        }
        std::vector<std::string> copies = args;
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (std::string& a : copies) argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp(program.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

int WaitFor(pid_t pid, std::chrono::milliseconds limit) {
    auto end = Clock::now() + limit;
    while (Clock::now() < end) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

bool StillRunning(pid_t pid) {
    return waitpid(pid, nullptr, WNOHANG) == 0;
}

bool WaitForWindow(const std::string& name, std::chrono::milliseconds limit) {
    auto end = Clock::now() + limit;
    const std::string command =
        "xdotool search --onlyvisible --name '" + name + "' >/dev/null 2>&1";
    while (Clock::now() < end) {
        if (RunCommand(command) == 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

WindowBox FindWindowBox(const std::string& name) {
    const std::string command =
        "xdotool search --onlyvisible --name '" + name + "' getwindowgeometry --shell";
    // Just after a starting saver's window first shows, this lookup has been
    // seen to come back empty on a busy machine: look again for a few seconds.
    WindowBox box;
    for (int attempt = 0; attempt < 50 && box.width == 0; ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        box = WindowBox{};
        FILE* geometry = popen(command.c_str(), "r");
        if (geometry == nullptr) return box;
        char line[128];
        while (std::fgets(line, sizeof line, geometry) != nullptr) {
            std::sscanf(line, "X=%d", &box.x);
            std::sscanf(line, "Y=%d", &box.y);
            std::sscanf(line, "WIDTH=%d", &box.width);
            std::sscanf(line, "HEIGHT=%d", &box.height);
        }
        pclose(geometry);
    }
    return box;
}

bool CloseWindowNamed(const std::string& name) {
    FILE* search = popen(("xdotool search --onlyvisible --name '" + name + "'").c_str(), "r");
    if (search == nullptr) return false;
    unsigned long window = 0;
    if (std::fscanf(search, "%lu", &window) != 1) window = 0;
    pclose(search);
    return window != 0 && SendCloseRequest(window);
}

SaverGuard::~SaverGuard() {
    if (waitpid(pid, nullptr, WNOHANG) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

