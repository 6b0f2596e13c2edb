#include "tools/mediagen/folder_tree.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

bool ReadFolderTree(const std::string& root, std::vector<ZipEntry>* entries, std::string* error) {
    std::error_code ec;
    if (!fs::is_directory(root, ec)) {
        *error = root + " is not a folder";
        return false;
    }
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file()) continue;
        std::ifstream in(it->path(), std::ios::binary);
        if (!in) {
            *error = "cannot read " + it->path().string();
            return false;
        }
        ZipEntry entry;
        entry.name = fs::relative(it->path(), root).generic_string();
        entry.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        entries->push_back(std::move(entry));
    }
    if (ec) {
        *error = "cannot list " + root + ": " + ec.message();
        return false;
    }
    std::sort(entries->begin(), entries->end(),
              [](const ZipEntry& a, const ZipEntry& b) { return a.name < b.name; });
    return true;
}
