// velmora-rcgen: writes the Windows resource script from the resource data.
//   velmora-rcgen RESOURCE_DIR VERSION OUTPUT.rc
// RESOURCE_DIR holds icon101.ico and preview107.bmp, which the script names
// by absolute path; VERSION (such as 0.1) goes into the version resource.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "resources/resources.h"
#include "tools/rcgen/rc_writer.h"

namespace {

constexpr int kIconId = 101;
constexpr const char* kIconFile = "icon101.ico";
constexpr int kBitmapId = 107;
constexpr const char* kBitmapFile = "preview107.bmp";

std::vector<const DialogResource*> AllDialogs() {
    std::vector<const DialogResource*> dialogs;
    for (int i = 0; i < DialogResourceCount(); ++i) dialogs.push_back(DialogResourceAt(i));
    return dialogs;
}

std::vector<StringTableEntry> AllStrings() {
    std::vector<StringTableEntry> strings;
    for (int i = 0; i < StringResourceCount(); ++i) {
        UINT id = StringResourceId(i);
        strings.push_back({id, FindStringResource(id)});
    }
    return strings;
}

// The absolute path of `name` in `folder` with forward slashes, or empty
// when there is no such file.
std::string ResourceFile(const std::filesystem::path& folder, const char* name) {
    std::error_code error;
    std::filesystem::path file = std::filesystem::absolute(folder / name, error);
    if (error || !std::filesystem::is_regular_file(file, error)) return {};
    return file.lexically_normal().generic_string();
}

bool WriteFile(const char* path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    return !file.fail();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: velmora-rcgen RESOURCE_DIR VERSION OUTPUT.rc\n");
        return 2;
    }
    ResourceScriptContent content;
    std::optional<FileVersion> version = ParseFileVersion(argv[2]);
    if (!version) {
        std::fprintf(stderr, "velmora-rcgen: bad version %s (up to four numbers 0-65535)\n",
                     argv[2]);
        return 2;
    }
    content.version = *version;
    content.iconId = kIconId;
    content.iconPath = ResourceFile(argv[1], kIconFile);
    content.bitmapId = kBitmapId;
    content.bitmapPath = ResourceFile(argv[1], kBitmapFile);
    if (content.iconPath.empty() || content.bitmapPath.empty()) {
        std::fprintf(stderr, "velmora-rcgen: %s lacks %s or %s\n", argv[1], kIconFile, kBitmapFile);
        return 1;
    }
    content.dialogs = AllDialogs();
    content.strings = AllStrings();
    if (!WriteFile(argv[3], WriteResourceScript(content))) {
        std::fprintf(stderr, "velmora-rcgen: cannot write %s\n", argv[3]);
        std::error_code ignored;
        std::filesystem::remove(argv[3], ignored);
        return 1;
    }
    return 0;
}
