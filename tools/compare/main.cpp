// velmora-compare: how far two renderings of the same frames differ.
//   velmora-compare A B [--heat OUT] [--heat-width N]
// A and B are two PNG files, or two folders whose PNG files of the same name
// are compared (every one in A must be in B). Prints a Markdown table, one
// row a frame: the share of pixels where a channel differs by more than 8
// levels, the PSNR in dB and the largest channel difference. --heat writes
// heat maps of the differences: the file OUT for two files, files named as
// the frames in the folder OUT for two folders.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "tools/compare/image_difference.h"

namespace {

namespace fs = std::filesystem;

int Usage() {
    std::fprintf(stderr,
                 "usage: velmora-compare A B [--heat OUT] [--heat-width N]\n"
                 "  A, B            two PNG files, or two folders of PNG files of the same names\n"
                 "  --heat OUT      heat maps of the differences: a file, or a folder for folders\n"
                 "  --heat-width N  heat maps at most N pixels wide (default 512)\n");
    return 2;
}

struct Pair {
    std::string name;  // the frame, as the table shows it
    fs::path a, b, heat;
};

// The PNG files of folder `a`, sorted, with their partners in `b`.
std::vector<Pair> FolderPairs(const fs::path& a, const fs::path& b, const fs::path& heat) {
    std::vector<Pair> pairs;
    for (const fs::directory_entry& entry : fs::directory_iterator(a)) {
        const fs::path file = entry.path().filename();
        if (!entry.is_regular_file() || file.extension() != ".png") continue;
        pairs.push_back(
            {file.stem().string(), a / file, b / file, heat.empty() ? heat : heat / file});
    }
    std::sort(pairs.begin(), pairs.end(),
              [](const Pair& x, const Pair& y) { return x.name < y.name; });
    return pairs;
}

std::string Decibels(double psnr) {
    if (std::isinf(psnr)) return "inf";
    char text[32];
    std::snprintf(text, sizeof(text), "%.2f", psnr);
    return text;
}

// Compares one pair and prints its row; false when it could not.
bool ComparePair(const Pair& pair, unsigned heatWidth) {
    RgbImage a, b;
    std::string error;
    if (!ReadPngImage(pair.a.string(), &a, &error) || !ReadPngImage(pair.b.string(), &b, &error)) {
        std::fprintf(stderr, "velmora-compare: %s: %s\n", pair.name.c_str(), error.c_str());
        return false;
    }
    if (a.width != b.width || a.height != b.height) {
        std::fprintf(stderr, "velmora-compare: %s: %ux%u against %ux%u\n", pair.name.c_str(),
                     a.width, a.height, b.width, b.height);
        return false;
    }
    const ImageDifference d = CompareImages(a, b);
    std::printf("| %s | %.3f%% | %s | %u |\n", pair.name.c_str(), d.differingShare * 100.0,
                Decibels(d.psnr).c_str(), d.largest);
    if (!pair.heat.empty() &&
        !WritePngImage(pair.heat.string(), DifferenceHeatMap(a, b, heatWidth))) {
        std::fprintf(stderr, "velmora-compare: cannot write %s\n", pair.heat.string().c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> inputs;
    fs::path heat;
    unsigned heatWidth = 512;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--heat" || arg == "--heat-width") {
            if (i + 1 >= argc) return Usage();
            const char* value = argv[++i];
            if (arg == "--heat") {
                heat = value;
                continue;
            }
            char* end = nullptr;
            const long width = std::strtol(value, &end, 10);
            if (end == value || *end != '\0' || width < 1 || width > 65536) return Usage();
            heatWidth = static_cast<unsigned>(width);
        } else if (!arg.empty() && arg[0] == '-') {
            return Usage();
        } else {
            inputs.push_back(arg);
        }
    }
    if (inputs.size() != 2) return Usage();

    std::vector<Pair> pairs;
    std::error_code error;
    if (fs::is_directory(inputs[0], error) && fs::is_directory(inputs[1], error)) {
        if (!heat.empty()) fs::create_directories(heat, error);
        pairs = FolderPairs(inputs[0], inputs[1], heat);
        if (pairs.empty()) {
            std::fprintf(stderr, "velmora-compare: no PNG files in %s\n", inputs[0].c_str());
            return 1;
        }
    } else {
        pairs.push_back({fs::path(inputs[0]).stem().string(), inputs[0], inputs[1], heat});
    }

    std::printf(
        "| frame | pixels differing by more than %u levels | PSNR (dB) | largest difference |\n"
        "|---|---:|---:|---:|\n",
        kDifferenceThreshold);
    bool compared = true;
    for (const Pair& pair : pairs) compared = ComparePair(pair, heatWidth) && compared;
    return compared ? 0 : 1;
}
