// LoadString on the program's registered string table.
#include <windows.h>
#include <win32_resources.h>

#include <algorithm>
#include <cstring>

int WINAPI LoadStringA(HINSTANCE, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
    if (lpBuffer == nullptr || cchBufferMax <= 0) return 0;
    auto find = Win32Resources().findString;
    const char* text = find != nullptr ? find(uID) : nullptr;
    if (text == nullptr) {
        lpBuffer[0] = '\0';
        return 0;
    }
    int count = std::min(static_cast<int>(strlen(text)), cchBufferMax - 1);
    memcpy(lpBuffer, text, static_cast<size_t>(count));
    lpBuffer[count] = '\0';
    return count;
}
