// Windows side of the platform layer: RCDATA resources of the executable, the worker thread,
// the console of a GUI-subsystem program started from a command prompt, and the start-up error
// dialog.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/platform.h"

#include <ctime>

#include <cstdio>
#include <new>

// [SECTION] Embedded resources

bool PlatformResourceFind(int id, const unsigned char **data, size_t *size)
{
    // Integer resource names are 16-bit; a larger id would silently alias a smaller one.
    if (id <= 0 || id > 0xFFFF) return false;
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!info) return false;
    HGLOBAL loaded = LoadResource(module, info);
    if (!loaded) return false;
    const void *bytes = LockResource(loaded);
    if (!bytes) return false;
    if (data) *data = (const unsigned char *)bytes;
    if (size) *size = (size_t)SizeofResource(module, info);
    return true;
}

// [SECTION] Worker thread

namespace {
struct ThreadStart {
    PlatformThreadFn fn;
    void *arg;
};
}

static DWORD WINAPI ThreadEntry(LPVOID p)
{
    ThreadStart start = *(ThreadStart *)p;
    delete (ThreadStart *)p;
    start.fn(start.arg);
    return 0;
}

bool PlatformThreadStart(PlatformThread &thread, PlatformThreadFn fn, void *arg)
{
    thread = {};
    ThreadStart *start = new (std::nothrow) ThreadStart{fn, arg};
    if (!start) return false;
    HANDLE handle = CreateThread(nullptr, 0, ThreadEntry, start, 0, nullptr);
    if (!handle) {
        delete start;
        return false;
    }
    thread.handle = handle;
    thread.running = true;
    return true;
}

bool PlatformThreadWait(PlatformThread &thread, int milliseconds)
{
    if (!thread.running) return true;
    DWORD result = WaitForSingleObject((HANDLE)thread.handle, milliseconds > 0 ? (DWORD)milliseconds : 0);
    if (result == WAIT_TIMEOUT) return false;
    // Signalled, or a handle that can no longer be waited on: either way nothing is left to join.
    thread.running = false;
    return true;
}

void PlatformThreadClose(PlatformThread &thread)
{
    if (!thread.handle) return;
    if (thread.running) WaitForSingleObject((HANDLE)thread.handle, INFINITE);
    CloseHandle((HANDLE)thread.handle);
    thread = {};
}

// [SECTION] Console

// The game is a GUI-subsystem program so that double-clicking it opens no console. Started
// from a command prompt without redirection it has no standard output; borrowing the
// prompt's console lets "--licenses" and the log reach the user there.
static bool AttachParentConsole()
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out && out != INVALID_HANDLE_VALUE) return false;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return false;
    FILE *ignored = nullptr;
    freopen_s(&ignored, "CONOUT$", "w", stdout);
    freopen_s(&ignored, "CONOUT$", "w", stderr);
    return true;
}

[[maybe_unused]] static const bool parentConsoleAttached = AttachParentConsole();

bool PlatformLocalTime(long long seconds, struct tm &out)
{
    time_t t = (time_t)seconds;
    out = {};
    return localtime_s(&out, &t) == 0;
}

// [SECTION] Start-up errors

// A standard handle that leads somewhere: a file, a pipe or a console.
static bool StandardHandleUsed(DWORD which)
{
    HANDLE handle = GetStdHandle(which);
    return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

bool PlatformShowStartupError(const char *text, bool developerMode)
{
    bool redirected = StandardHandleUsed(STD_OUTPUT_HANDLE) || StandardHandleUsed(STD_ERROR_HANDLE);
    if (!PlatformStartupDialogWanted(developerMode, GetConsoleWindow() != nullptr, redirected)) return false;
    wchar_t message[1024];
    int n = text ? MultiByteToWideChar(CP_UTF8, 0, text, -1, message, (int)(sizeof(message) / sizeof(message[0]))) : 0;
    // A line too long for the box still says what happened.
    if (n <= 0) lstrcpynW(message, L"Glorvent could not start.", (int)(sizeof(message) / sizeof(message[0])));
    MessageBoxW(nullptr, message, L"Glorvent", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    return true;
}
