#include "sound/file_snd.h"

#include <windows.h>

#include <cstring>

#include "sound/file_ogg.h"
#include "sound/file_wav.h"

int CFileSND::OpenStream(const char*) {
    return 1;
}

int CFileSND::ReadStream(char*, int, int) {
    return 0;
}

bool HasExtension(const char* name, const char* extension) {
    if (!name || !extension) return false;
    size_t nameLength = strlen(name);
    if (nameLength < strlen(extension)) return false;
    const char* dot = strrchr(name, '.');
    return dot && lstrcmpi(dot + 1, extension) == 0;
}

CFileSND* CreateSoundReader(const char* name) {
    if (HasExtension(name, "wav")) return new CFileWAV;
    if (HasExtension(name, "ogg")) return new CFileOGG;
    return nullptr;
}
