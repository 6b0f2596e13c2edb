// LoadString on the program's string table (resources/).
#include <windows.h>

#include "resources/resources.h"

#include <algorithm>
#include <cstring>

int WINAPI LoadStringA(HINSTANCE, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
    if (lpBuffer == nullptr || cchBufferMax <= 0) return 0;
    const char* text = FindStringResource(uID);
    if (text == nullptr) {
        lpBuffer[0] = '\0';
        return 0;
    }
    int count = std::min(static_cast<int>(strlen(text)), cchBufferMax - 1);
    memcpy(lpBuffer, text, static_cast<size_t>(count));
    lpBuffer[count] = '\0';
    return count;
}
