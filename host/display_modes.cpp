#include "host/display_modes.h"

#include <algorithm>

namespace {

constexpr D3DFORMAT X4R4G4B4 = static_cast<D3DFORMAT>(30);

}  // namespace

bool Is16BitFormat(D3DFORMAT format) {
    return format == D3DFMT_R5G6B5 || format == D3DFMT_X1R5G5B5 || format == D3DFMT_A1R5G5B5 ||
           format == D3DFMT_A4R4G4B4 || format == X4R4G4B4;
}

bool Is32BitFormat(D3DFORMAT format) {
    return format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8;
}

bool AddDisplayMode(DisplayModeEntry* modes, UINT* count, UINT capacity,
                    const DisplayModeEntry& mode) {
    if (mode.width < 640 || mode.height < 400) return false;
    for (UINT i = 0; i < *count; ++i) {
        if (modes[i].width == mode.width && modes[i].height == mode.height &&
            modes[i].format == mode.format) {
            return false;
        }
    }
    if (*count >= capacity) return false;
    modes[(*count)++] = mode;
    return true;
}

bool AddFormat(D3DFORMAT* formats, UINT* count, UINT capacity, D3DFORMAT format) {
    for (UINT i = 0; i < *count; ++i) {
        if (formats[i] == format) return false;
    }
    if (*count >= capacity) return false;
    formats[(*count)++] = format;
    return true;
}

void SortDisplayModes(DisplayModeEntry* modes, UINT count) {
    std::stable_sort(modes, modes + count,
                     [](const DisplayModeEntry& a, const DisplayModeEntry& b) {
                         if (a.width != b.width) return a.width < b.width;
                         if (a.height != b.height) return a.height < b.height;
                         return a.format > b.format;
                     });
}

UINT DefaultModeIndex(const ModeRecord* modes, UINT count) {
    UINT last640 = NoModeChosen;
    for (UINT i = 0; i < count; ++i) {
        if (modes[i].width != 640 || modes[i].height != 480) continue;
        if (modes[i].format == D3DFMT_R5G6B5 || modes[i].format == D3DFMT_X1R5G5B5 ||
            modes[i].format == D3DFMT_A1R5G5B5) {
            return i;
        }
        last640 = i;
    }
    return last640 != NoModeChosen ? last640 : 0;
}

UINT FindModeIndex(const ModeRecord* modes, UINT count, UINT width, UINT height, D3DFORMAT format) {
    for (UINT i = 0; i < count; ++i) {
        if (modes[i].width == width && modes[i].height == height && modes[i].format == format) {
            return i;
        }
    }
    return NoModeChosen;
}

UINT AutomaticModeIndex(const ModeRecord* modes, UINT count, bool softwareDevice, UINT desktopWidth,
                        UINT desktopHeight) {
    UINT chosen = NoModeChosen;
    if (softwareDevice) {
        for (UINT i = 0; i < count; ++i) {
            if (modes[i].height == 400) continue;
            if (chosen == NoModeChosen || modes[i].height < modes[chosen].height) {
                chosen = i;
            } else if (modes[i].height == modes[chosen].height &&
                       !Is16BitFormat(modes[chosen].format)) {
                chosen = i;
            }
        }
    } else {
        for (UINT i = 0; i < count; ++i) {
            if (modes[i].width != desktopWidth || modes[i].height != desktopHeight) continue;
            if (chosen == NoModeChosen) chosen = i;
            if (Is32BitFormat(modes[i].format)) {
                chosen = i;
                break;
            }
        }
    }
    return chosen != NoModeChosen ? chosen : 0;
}

bool StepDownModeIndex(const ModeRecord* modes, UINT count, UINT* current) {
    if (*current >= count) return false;
    const ModeRecord& mode = modes[*current];
    if (Is32BitFormat(mode.format)) {
        for (UINT i = 0; i < count; ++i) {
            if (i != *current && modes[i].width == mode.width && modes[i].height == mode.height &&
                !Is32BitFormat(modes[i].format)) {
                *current = i;
                return true;
            }
        }
    }
    const UINT area = mode.width * mode.height;
    UINT best = NoModeChosen;
    UINT bestArea = 0;
    bool bestIs32 = false;
    for (UINT i = 0; i < count; ++i) {
        if (i == *current) continue;
        const UINT a = modes[i].width * modes[i].height;
        if (a >= area) continue;
        const bool is32 = Is32BitFormat(modes[i].format);
        if (a > bestArea || (!bestIs32 && is32)) {
            best = i;
            bestArea = a;
            bestIs32 = is32;
        }
    }
    if (best == NoModeChosen) return false;
    *current = best;
    return true;
}
