// Process and thread services: command line, modules and dynamic lookup,
// version, threads and their priorities, the last-error value, folders.
#pragma once

#include "win32_types.h"

#include <cstdarg>

typedef INT_PTR(WINAPI* FARPROC)();
typedef DWORD(WINAPI* LPTHREAD_START_ROUTINE)(LPVOID);

typedef struct _OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
} OSVERSIONINFOA, OSVERSIONINFO, *LPOSVERSIONINFO;

#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

#define THREAD_PRIORITY_IDLE (-15)
#define THREAD_PRIORITY_LOWEST (-2)
#define THREAD_PRIORITY_BELOW_NORMAL (-1)
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_ABOVE_NORMAL 1
#define THREAD_PRIORITY_HIGHEST 2
#define THREAD_PRIORITY_TIME_CRITICAL 15
#define THREAD_PRIORITY_ERROR_RETURN 0x7FFFFFFF

#define INFINITE 0xFFFFFFFF
#define WAIT_OBJECT_0 0x00000000
#define WAIT_TIMEOUT 0x00000102
#define WAIT_FAILED 0xFFFFFFFF
#define STILL_ACTIVE 259
#define CREATE_SUSPENDED 0x00000004
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)

#define ERROR_MOD_NOT_FOUND 126
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define ERROR_PROC_NOT_FOUND 127
#define ERROR_INVALID_WINDOW_HANDLE 1400
#define ERROR_CLASS_ALREADY_EXISTS 1410
#define ERROR_CANNOT_FIND_WND_CLASS 1407

LPSTR GetCommandLine();
HMODULE GetModuleHandle(LPCSTR moduleName);
HMODULE LoadLibrary(LPCSTR fileName);
BOOL FreeLibrary(HMODULE module);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
DWORD GetModuleFileName(HMODULE module, LPSTR buffer, DWORD size);
BOOL GetVersionEx(LPOSVERSIONINFO info);

DWORD GetLastError();
void SetLastError(DWORD error);

// The system's text for an error code, as Windows words it and ending in
// "\r\n"; only FORMAT_MESSAGE_FROM_SYSTEM (with or without
// FORMAT_MESSAGE_IGNORE_INSERTS) and the codes the stand-in produces. The
// length written without the NUL, or 0 (ERROR_MR_MID_NOT_FOUND, or
// ERROR_INSUFFICIENT_BUFFER when the text does not fit).
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define ERROR_MR_MID_NOT_FOUND 317
DWORD WINAPI FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId,
                            DWORD dwLanguageId, LPSTR lpBuffer, DWORD nSize, va_list* Arguments);
#define FormatMessage FormatMessageA

// Ends the process at once with the exit code; nothing of the program's
// own clean-up runs.
[[noreturn]] void WINAPI ExitProcess(UINT uExitCode);

HANDLE GetCurrentThread();
DWORD GetCurrentThreadId();
BOOL SetThreadPriority(HANDLE thread, int priority);
int GetThreadPriority(HANDLE thread);
HANDLE CreateThread(LPSECURITY_ATTRIBUTES attributes, size_t stackSize,
                    LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags, LPDWORD threadId);
DWORD ResumeThread(HANDLE thread);
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
BOOL CloseHandle(HANDLE handle);

DWORD GetCurrentDirectory(DWORD size, LPSTR buffer);
// FILE_ATTRIBUTE_DIRECTORY or FILE_ATTRIBUTE_NORMAL for what the (mapped)
// path names; INVALID_FILE_ATTRIBUTES when nothing is there.
DWORD GetFileAttributes(LPCSTR path);
// Compares two strings without regard to the case of ASCII letters:
// negative, zero or positive.
int lstrcmpi(LPCSTR first, LPCSTR second);
BOOL SetCurrentDirectory(LPCSTR path);
