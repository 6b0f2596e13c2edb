// velmora-mediagen: builds the saver's media archive and its icon.
//   velmora-mediagen build OUT        generates the world and writes Media.dat to OUT
//   velmora-mediagen pack DIR OUT     packs the files under DIR into OUT
//   velmora-mediagen icon OUT         writes the program icon (resources/icon101.ico)
//   velmora-mediagen preview DIR      renders views of the generated world to PNG
//                                     files in DIR, for looking at it by eye
// Everything is procedural and deterministic: the same program writes the
// same bytes. One file per kind of content: terrain (island, rocks, shore and
// hills), tree (branches, leaf clusters, light column, fog), grass (undergrowth,
// tufts, reeds, tree line), sky, water (lake, foam), textures, font (font and
// logo), sound, icon; mesh, image and zip_writer hold the R3M, TGA/BMP/JPEG
// and archive writers.
// The icon is checked in; after changing icon.cpp regenerate it with
//   build/tools/mediagen/velmora-mediagen icon resources/icon101.ico
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "media/media_archive.h"
#include "tools/mediagen/folder_tree.h"
#include "tools/mediagen/icon.h"
#include "tools/mediagen/preview.h"
#include "tools/mediagen/world.h"
#include "tools/mediagen/zip_writer.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: velmora-mediagen build OUT\n"
                 "       velmora-mediagen pack DIR OUT\n"
                 "       velmora-mediagen icon OUT\n"
                 "       velmora-mediagen preview DIR\n");
    return 2;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "velmora-mediagen: %s\n", message.c_str());
    return 1;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<ZipEntry> entries;
    std::string out, error;
    if (argc == 3 && std::strcmp(argv[1], "icon") == 0) {
        std::vector<Image> images = {MakeIconImage(16), MakeIconImage(32), MakeIconImage(48)};
        if (!WriteFile(argv[2], EncodeIcon(images))) {
            return Fail(std::string("cannot write ") + argv[2]);
        }
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "preview") == 0) {
        if (!GenerateWorld(&entries, &error)) return Fail(error);
        if (!RenderPreviews(entries, argv[2], &error)) return Fail(error);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "build") == 0) {
        if (!GenerateWorld(&entries, &error)) return Fail(error);
        out = argv[2];
    } else if (argc == 4 && std::strcmp(argv[1], "pack") == 0) {
        if (!ReadFolderTree(argv[2], &entries, &error)) return Fail(error);
        out = argv[3];
    } else {
        return Usage();
    }
    if (!WriteEncryptedZip(out, entries, kMediaArchivePassword, &error)) return Fail(error);
    std::printf("velmora-mediagen: wrote %s (%zu entries)\n", out.c_str(), entries.size());
    return 0;
}
