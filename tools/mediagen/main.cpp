// velmora-mediagen: builds the saver's media archive.
//   velmora-mediagen build OUT        generates the world and writes OUT
//   velmora-mediagen pack DIR OUT     packs the files under DIR into OUT
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "media/media_archive.h"
#include "tools/mediagen/bump_map.h"
#include "tools/mediagen/folder_tree.h"
#include "tools/mediagen/zip_writer.h"

namespace {

std::vector<ZipEntry> GenerateWorld() {
    std::vector<ZipEntry> entries;
    entries.push_back({"texture/bumpwat.raw", GenerateBumpHeights()});
    return entries;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: velmora-mediagen build OUT\n"
                 "       velmora-mediagen pack DIR OUT\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<ZipEntry> entries;
    std::string out, error;
    if (argc == 3 && std::strcmp(argv[1], "build") == 0) {
        entries = GenerateWorld();
        out = argv[2];
    } else if (argc == 4 && std::strcmp(argv[1], "pack") == 0) {
        if (!ReadFolderTree(argv[2], &entries, &error)) {
            std::fprintf(stderr, "velmora-mediagen: %s\n", error.c_str());
            return 1;
        }
        out = argv[3];
    } else {
        return Usage();
    }
    if (!WriteEncryptedZip(out, entries, kMediaArchivePassword, &error)) {
        std::fprintf(stderr, "velmora-mediagen: %s\n", error.c_str());
        return 1;
    }
    std::printf("velmora-mediagen: wrote %s (%zu entries)\n", out.c_str(), entries.size());
    return 0;
}
