#include "tests/support/xscreensaver_daemon.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/support/temp_folder.h"

namespace {

constexpr uid_t kNobody = 65534;

// Makes the calling (forked) process the daemon's user in `home`, with its
// output going to `logName` there. No sound card: SDL's dummy driver.
void BecomeDaemonUser(const std::string& home, const std::string& logName) {
    if (chdir(home.c_str()) != 0) _exit(126);
    int log = open((home + "/" + logName).c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    dup2(log, 1);
    dup2(log, 2);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 ||
                           setuid(kNobody) != 0)) {
        _exit(126);
    }
}

}  // namespace

bool XScreenSaverInstalled() {
    return RunCommand("command -v xscreensaver >/dev/null && "
                      "command -v xscreensaver-command >/dev/null") == 0;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string WriteHackScript(const std::string& home, const std::string& folder,
                            const std::string& command) {
    const std::string script = home + "/hack.sh";
    std::ofstream(script) << "#!/bin/sh\n"
                          << "cd '" << folder << "' || exit 126\n"
                          << "echo \"$@\" > '" << home << "/arguments'\n"
                          << command << " \"$@\" &\n"
                          << "saver=$!\n"
                          << "echo $saver > '" << home << "/saver.pid'\n"
                          << "trap 'date +%s.%N > \"" << home
                          << "/terminated\"; kill -TERM $saver' TERM\n"
                          << "wait $saver\n"
                          << "status=$?\n"
                          << "if [ -f '" << home << "/terminated' ]; then wait $saver; status=$?; fi\n"
                          << "date +%s.%N > '" << home << "/ended'\n"
                          << "echo $status > '" << home << "/exit-status'\n";
    chmod(script.c_str(), 0755);
    return script;
}

XScreenSaverDaemon::XScreenSaverDaemon(const std::string& home, const std::string& hackCommand)
    : home(home) {
    std::ofstream(home + "/.xscreensaver") << "mode:\tone\n"
                                           << "selected:\t0\n"
                                           << "lock:\tFalse\n"
                                           << "splash:\tFalse\n"
                                           << "fade:\tFalse\n"
                                           << "unfade:\tFalse\n"
                                           << "programs:\t\"Velmora\" " << hackCommand << " \\n\n";
    if (geteuid() == 0 && RunCommand("chown -R 65534:65534 '" + home + "'") != 0) return;
    pid = fork();
    if (pid == 0) {
        BecomeDaemonUser(home, "daemon.log");
        execlp("xscreensaver", "xscreensaver", "-no-splash", "-verbose",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid < 0) return;
    answering = WaitUntil([this] { return Command("time") == 0; }, std::chrono::seconds(60));
}

XScreenSaverDaemon::~XScreenSaverDaemon() {
    if (pid <= 0) return;
    Command("exit");
    if (!WaitUntil([this] { return waitpid(pid, nullptr, WNOHANG) == pid; },
                   std::chrono::seconds(5))) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

int XScreenSaverDaemon::Command(const std::string& verb) const {
    return RunCommand("xscreensaver-command -" + verb + " >/dev/null 2>&1");
}

pid_t XScreenSaverDaemon::StartBeside(const std::string& program,
                                      const std::vector<std::string>& args,
                                      const std::string& logName) const {
    pid_t child = fork();
    if (child == 0) {
        BecomeDaemonUser(home, logName);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execvp(program.c_str(), argv.data());
        _exit(127);
    }
    return child;
}

std::string XScreenSaverDaemon::Log() const {
    return ReadWholeFile(home + "/daemon.log");
}
