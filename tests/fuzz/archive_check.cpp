// The media archive reader: every entry it hands out has the size and the
// checksum its header records, no entry is larger than deflate can make of
// the bytes stored for it, the same entry reads the same twice, and an
// archive it cannot open hands out nothing.
#include "tests/fuzz/fuzz_checks.h"

#include <unzip.h>
#include <zlib.h>

#include <memory>
#include <string>
#include <vector>

#include "media/media_archive.h"
#include "tests/fuzz/scratch_folder.h"

namespace {

// Entries looked at per archive; a damaged central directory may list many.
constexpr int kMaxEntries = 64;
constexpr uint64_t kMaxDeflateRatio = 1032;

// The entry names the archive's central directory lists, read with minizip
// directly.
std::vector<std::string> EntryNames(unzFile zip) {
    std::vector<std::string> names;
    for (int status = unzGoToFirstFile(zip); status == UNZ_OK && names.size() < kMaxEntries;
         status = unzGoToNextFile(zip)) {
        char name[1024];
        unz_file_info info;
        if (unzGetCurrentFileInfo(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) ==
            UNZ_OK) {
            names.push_back(name);
        }
    }
    return names;
}

// The header of the entry the reader finds for `name` (case ignored).
bool EntryInfo(unzFile zip, const std::string& name, unz_file_info* info) {
    // minizip searches only from a valid entry; after the listing there is none.
    return unzGoToFirstFile(zip) == UNZ_OK && unzLocateFile(zip, name.c_str(), 2) == UNZ_OK &&
           unzGetCurrentFileInfo(zip, info, nullptr, 0, nullptr, 0, nullptr, 0) == UNZ_OK;
}

std::string CheckEntries(unzFile zip, size_t size) {
    for (const std::string& name : EntryNames(zip)) {
        std::unique_ptr<IData> entry = ReadArchiveEntry(name.c_str());
        if (!entry) continue;
        unz_file_info info;
        if (!EntryInfo(zip, name, &info)) return "an entry handed out that cannot be located";
        uint32_t length = entry->GetSize();
        const auto* bytes = reinterpret_cast<const Bytef*>(entry->GetData());
        if (bytes == nullptr) return "an entry without bytes";
        if (length != info.uncompressed_size) return "entry size differs from its header";
        if (info.compressed_size > size) return "an entry stored in more bytes than the file has";
        if (length > uint64_t(info.compressed_size) * kMaxDeflateRatio + 64) {
            return "an entry larger than deflate can make of its bytes";
        }
        if (crc32(0, bytes, length) != info.crc) return "entry checksum differs from its header";
        std::unique_ptr<IData> again = ReadArchiveEntry(name.c_str());
        if (!again || again->GetSize() != length ||
            std::string(again->GetData(), length) != std::string(entry->GetData(), length)) {
            return "an entry reads differently the second time";
        }
    }
    return "";
}

}  // namespace

std::string CheckArchive(const uint8_t* data, size_t size) {
    std::string path = WriteScratchFile("fuzz.dat", data, size);
    if (!OpenMediaArchive(path.c_str())) {
        if (ReadArchiveEntry("models/tree.r3m") != nullptr) return "a closed archive gave an entry";
        return "";
    }
    // The reader says it opened the archive: minizip opens it too.
    unzFile zip = unzOpen(path.c_str());
    if (zip == nullptr) {
        CloseMediaArchive();
        return "an archive opened that minizip cannot open";
    }
    std::string broken = CheckEntries(zip, size);
    unzClose(zip);
    CloseMediaArchive();
    return broken;
}
