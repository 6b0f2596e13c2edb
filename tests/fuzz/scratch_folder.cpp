#include "tests/fuzz/scratch_folder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

// Owns the folder; being a function's static it is destroyed, and the folder
// removed, when the process exits.
struct Folder {
    Folder() {
        path = (fs::temp_directory_path() / "velmora-fuzz-XXXXXX").string();
        if (mkdtemp(path.data()) == nullptr) throw std::runtime_error("no scratch folder");
    }
    ~Folder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    std::string path;
};

}  // namespace

const std::string& ScratchFolder() {
    static const Folder folder;
    return folder.path;
}

std::string WriteScratchFile(const std::string& relative, const uint8_t* data, size_t size) {
    fs::path path = fs::path(ScratchFolder()) / relative;
    fs::create_directories(path.parent_path());
    // A new file each time: ext4 flushes a file that is truncated and
    // rewritten when it is closed, which would slow every run to the disk's pace.
    std::error_code ignored;
    fs::remove(path, ignored);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) throw std::runtime_error("cannot write " + path.string());
    bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written) throw std::runtime_error("cannot write " + path.string());
    return path.string();
}

InScratchFolder::InScratchFolder() {
    previous = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (previous < 0 || chdir(ScratchFolder().c_str()) != 0) {
        throw std::runtime_error("cannot enter the scratch folder");
    }
}

InScratchFolder::~InScratchFolder() {
    if (fchdir(previous) != 0) std::perror("velmora fuzz: back to the previous folder");
    close(previous);
}
