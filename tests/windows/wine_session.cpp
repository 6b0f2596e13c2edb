#include "tests/windows/wine_session.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "tests/app/saver_process.h"

namespace fs = std::filesystem;

namespace {

// No menu entries or file associations written into the user's desktop, and
// no offer to download Mono or Gecko while booting.
const char kDllOverrides[] = "winemenubuilder.exe=d;mscoree,mshtml=";

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string WineVersion() {
    std::string version;
    if (FILE* out = popen("wine --version 2>/dev/null", "r")) {
        char line[128];
        while (std::fgets(line, sizeof line, out) != nullptr) version += line;
        pclose(out);
    }
    return version;
}

// Runs a Wine tool on `prefix` without a display (so nothing shows while it
// boots) and waits for it; true when it exited with 0.
bool RunWineTool(const std::vector<std::string>& command, const std::string& prefix,
                 const std::string& home) {
    pid_t pid = StartProgram(command.front(), {command.begin() + 1, command.end()}, home,
                             {{"WINEPREFIX", prefix},
                              {"WINEDEBUG", "-all"},
                              {"WINEDLLOVERRIDES", kDllOverrides},
                              {"HOME", home},
                              {"DISPLAY", ""}},
                             "/dev/null", "/dev/null");
    return WaitFor(pid, std::chrono::minutes(3)) == 0;
}

std::string MakeTemplate() {
    const std::string path = VELMORA_WINE_TEMPLATE;
    const std::string stamp = path + "/velmora-wine-version";
    const std::string version = WineVersion();
    if (version.empty()) throw std::runtime_error("wine is not installed");

    int lock = open((path + ".lock").c_str(), O_RDWR | O_CREAT, 0644);
    if (lock < 0 || flock(lock, LOCK_EX) != 0) throw std::runtime_error("cannot lock " + path);
    if (ReadWhole(stamp) != version) {
        const std::string home = path + "-home";
        fs::remove_all(path);
        fs::remove_all(home);
        fs::create_directories(home);
        // wineboot returns before the server has written the registry out;
        // wineserver -w waits for that.
        bool booted = RunWineTool({"wine", "wineboot", "-i"}, path, home) &&
                      RunWineTool({"wineserver", "-w"}, path, home);
        fs::remove_all(home);
        if (!booted) {
            close(lock);
            throw std::runtime_error("wineboot failed for " + path);
        }
        std::ofstream(stamp) << version;
    }
    close(lock);
    return path;
}

// The prefix's programs and libraries are only ever read, so the copy links
// them (nearly all of its 0.7 GB); the registry and the rest are copied.
bool SharedByLink(const fs::path& file) {
    const std::string extension = file.extension().string();
    return extension == ".dll" || extension == ".exe" || extension == ".drv" ||
           extension == ".sys" || extension == ".nls";
}

void CopyPrefix(const fs::path& from, const fs::path& to) {
    fs::create_directories(to);
    for (auto entry = fs::recursive_directory_iterator(from);
         entry != fs::recursive_directory_iterator(); ++entry) {
        const fs::path target = to / entry->path().lexically_relative(from);
        if (entry->is_symlink()) {
            fs::copy_symlink(entry->path(), target);
        } else if (entry->is_directory()) {
            fs::create_directory(target);
        } else {
            std::error_code linkFailed;
            if (SharedByLink(entry->path()))
                fs::create_hard_link(entry->path(), target, linkFailed);
            if (!SharedByLink(entry->path()) || linkFailed) fs::copy_file(entry->path(), target);
        }
    }
}

}  // namespace

const std::string& WineTemplatePrefix() {
    static const std::string path = MakeTemplate();
    return path;
}

WineSession::WineSession(const std::string& folder)
    : folder(folder),
      prefix(folder + "/prefix"),
      home(folder + "/home"),
      soundFile(folder + "/sound.raw") {
    CopyPrefix(WineTemplatePrefix(), prefix);
    fs::create_directories(home);
    // The file plugin writes what its slave (null, which sets no pace) is fed;
    // plug converts whatever Wine asks for to one known format.
    std::ofstream(home + "/.asoundrc") << "pcm.!default {\n"
                                          "    type plug\n"
                                          "    slave {\n"
                                          "        pcm {\n"
                                          "            type file\n"
                                          "            slave.pcm null\n"
                                          "            file \""
                                       << soundFile
                                       << "\"\n"
                                          "            format \"raw\"\n"
                                          "        }\n"
                                          "        format S16_LE\n"
                                          "        rate 48000\n"
                                          "        channels 2\n"
                                          "    }\n"
                                          "}\n";
}

WineSession::~WineSession() {
    pid_t pid = StartProgram("wineserver", {"-k"}, folder, Environment(), "/dev/null", "/dev/null");
    WaitFor(pid, std::chrono::seconds(20));
    pid = StartProgram("wineserver", {"-w"}, folder, Environment(), "/dev/null", "/dev/null");
    WaitFor(pid, std::chrono::seconds(20));
}

std::vector<std::pair<std::string, std::string>> WineSession::Environment() const {
    return {{"WINEPREFIX", prefix},
            {"WINEDEBUG", "-all"},
            {"WINEDLLOVERRIDES", kDllOverrides},
            {"HOME", home}};
}

pid_t WineSession::Start(const std::vector<std::string>& command, const std::string& folder,
                         const std::string& outputFile) const {
    return StartProgram("wine", command, folder, Environment(), "", outputFile);
}

pid_t WineSession::StartQuietly(const std::vector<std::string>& command,
                                const std::string& outputFile) const {
    return StartProgram("wine", command, folder, Environment(), "/dev/null", outputFile);
}

std::string WineSession::Run(const std::vector<std::string>& command, int* status) const {
    const std::string output = folder + "/run-output.txt";
    const int result = WaitFor(StartQuietly(command, output), std::chrono::seconds(60));
    if (status != nullptr) *status = result;
    return ReadWhole(output);
}
