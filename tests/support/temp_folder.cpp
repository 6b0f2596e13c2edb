#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "velmora-test-XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    if (made == nullptr) throw std::runtime_error("mkdtemp failed");
    path = made;
    previousDirectory = fs::current_path().string();
    if (const char* home = getenv("XDG_DATA_HOME")) {
        hadDataHome = true;
        previousDataHome = home;
    }
    setenv("XDG_DATA_HOME", path.c_str(), 1);
    fs::current_path(path);
}

TempFolder::~TempFolder() {
    fs::current_path(previousDirectory);
    if (hadDataHome) {
        setenv("XDG_DATA_HOME", previousDataHome.c_str(), 1);
    } else {
        unsetenv("XDG_DATA_HOME");
    }
    std::error_code ec;
    fs::remove_all(path, ec);
}

void TempFolder::WriteFile(const std::string& relative, const std::string& bytes) const {
    fs::path file = fs::path(path) / relative;
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << file;
}

std::string TempFolder::ReadFile(const std::string& relative) const {
    std::ifstream in(fs::path(path) / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> TempFolder::ListFiles() const {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(path)) {
        if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), path).string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

int RunCommand(const std::string& command) {
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
