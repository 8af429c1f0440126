// Windows side of the file-system layer: UTF-8 paths converted to UTF-16 for the wide API.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/platform.h"
#include "platform/platform_fault.h"

#include <cstring>

// raylib's logger. raylib.h cannot be included beside <windows.h> (CloseWindow, Rectangle,
// LoadImage clash), so the two levels used here are spelled out with raylib's values.
extern "C" void TraceLog(int logLevel, const char *text, ...);
static constexpr int LOG_INFO = 3;
static constexpr int LOG_WARNING = 4;

// A path in the form the wide API takes; PLATFORM_PATH_CAPACITY bytes of UTF-8 never need
// more UTF-16 units than that.
struct WidePath {
    wchar_t text[PLATFORM_PATH_CAPACITY];
};

// Strict conversion: overlong forms, surrogate halves and truncated sequences are rejected
// rather than replaced, so two different byte strings never name the same file.
static bool ToWide(const char *path, WidePath &wide, const char *operation)
{
    wide.text[0] = L'\0';
    if (!path) {
        TraceLog(LOG_WARNING, "PLATFORM: %s: no path", operation);
        return false;
    }
    size_t length = strlen(path);
    if (length >= PLATFORM_PATH_CAPACITY) {
        TraceLog(LOG_WARNING, "PLATFORM: %s: path longer than %d bytes", operation, (int)PLATFORM_PATH_CAPACITY - 1);
        return false;
    }
    if (length == 0) return true;
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, (int)length, wide.text,
                                (int)PLATFORM_PATH_CAPACITY - 1);
    if (n <= 0) {
        TraceLog(LOG_WARNING, "PLATFORM: %s: path is not valid UTF-8", operation);
        return false;
    }
    wide.text[n] = L'\0';
    return true;
}

static bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Drive-absolute ("C:\...") or UNC ("\\server\share..."); a bare "C:" or "\dir" depends on
// the current drive or folder.
static bool IsAbsolute(const wchar_t *path)
{
    bool drive = ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
                 path[1] == L':' && IsSeparator(path[2]);
    bool unc = IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] != L'\0';
    return drive || unc;
}

static bool IsDirectory(const wchar_t *path)
{
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

static bool IsNotFound(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_BAD_NETPATH || error == ERROR_BAD_NET_NAME;
}

// Asks the fault plan (tests only) about the operation about to run; true when it must fail
// without running. `uncommitted` makes a folder change report its commit as failed.
static bool FaultRefused(PlatformFaultOperation kind, const char *path, bool *uncommitted)
{
    static const char *const NAMES[] = {"query", "create folder", "write", "replace", "read", "remove"};
    PlatformFaultVerdict verdict = PlatformFaultBegin(kind);
    if (uncommitted) *uncommitted = verdict == PLATFORM_FAULT_RUN_UNCOMMITTED;
    if (verdict == PLATFORM_FAULT_REFUSE)
        TraceLog(LOG_WARNING, "PLATFORM: cannot %s %s: injected fault", NAMES[kind], path ? path : "(no path)");
    return verdict == PLATFORM_FAULT_REFUSE || verdict == PLATFORM_FAULT_REFUSE_SILENT;
}

// Another program (an antivirus, a backup or indexing tool) holding the file open without
// delete sharing makes opens, renames and deletions fail for a moment; waiting it out keeps a
// one-shot save at exit from being lost. About 0.6 s in all, then the failure stands.
static constexpr int SHARING_ATTEMPTS = 8;

static bool IsSharingViolation(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// Sleeps before retry `attempt` (1-based) of a call that hit a sharing violation; false once
// the attempts are used up or the error is of another kind.
static bool WaitToRetry(DWORD error, int attempt)
{
    if (!IsSharingViolation(error) || attempt >= SHARING_ATTEMPTS) return false;
    Sleep((DWORD)(20 * attempt));
    return true;
}

bool PlatformLocalAppDataDirectory(char *out, size_t capacity)
{
    if (out && capacity > 0) out[0] = '\0';
    if (!out || capacity == 0) {
        TraceLog(LOG_WARNING, "PLATFORM: no room for the LOCALAPPDATA path");
        return false;
    }
    WidePath value;
    DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", value.text, (DWORD)PLATFORM_PATH_CAPACITY);
    if (length == 0) {
        TraceLog(LOG_INFO, "PLATFORM: LOCALAPPDATA is not set; nothing will be saved");
        return false;
    }
    if (length >= PLATFORM_PATH_CAPACITY || !IsAbsolute(value.text)) {
        TraceLog(LOG_WARNING, "PLATFORM: LOCALAPPDATA is not a usable absolute path; nothing will be saved");
        return false;
    }
    // Keep the separator of a drive root ("C:\"): without it the path names a current folder.
    while (length > 3 && IsSeparator(value.text[length - 1])) length--;
    value.text[length] = L'\0';
    // At most three UTF-8 bytes per UTF-16 unit.
    char utf8[3 * PLATFORM_PATH_CAPACITY];
    int n = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, value.text, (int)length, utf8, (int)sizeof(utf8),
                                nullptr, nullptr);
    if (n <= 0) {
        TraceLog(LOG_WARNING, "PLATFORM: LOCALAPPDATA is not valid UTF-16; nothing will be saved");
        return false;
    }
    if ((size_t)n >= capacity || (size_t)n >= PLATFORM_PATH_CAPACITY) {
        TraceLog(LOG_WARNING, "PLATFORM: LOCALAPPDATA is longer than %d bytes; nothing will be saved",
                 (int)(capacity < PLATFORM_PATH_CAPACITY ? capacity : PLATFORM_PATH_CAPACITY) - 1);
        return false;
    }
    if (!IsDirectory(value.text)) {
        TraceLog(LOG_WARNING, "PLATFORM: LOCALAPPDATA %.*s is not a folder; nothing will be saved", n, utf8);
        return false;
    }
    memcpy(out, utf8, (size_t)n);
    out[n] = '\0';
    return true;
}

bool PlatformUserDataDirectory(char *out, size_t capacity) { return PlatformLocalAppDataDirectory(out, capacity); }

bool PlatformPathIsSeparator(char c) { return c == '/' || c == '\\'; }

PlatformPathKind PlatformPathQuery(const char *path)
{
    if (FaultRefused(PLATFORM_OP_QUERY, path, nullptr)) return PLATFORM_PATH_ERROR;
    PlatformPathKind kind = PLATFORM_PATH_ERROR;
    WidePath wide;
    if (ToWide(path, wide, "query")) {
        DWORD attributes = GetFileAttributesW(wide.text);
        DWORD error = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : 0;
        if (attributes != INVALID_FILE_ATTRIBUTES)
            kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PLATFORM_PATH_DIRECTORY : PLATFORM_PATH_FILE;
        else if (IsNotFound(error) || error == ERROR_INVALID_NAME)
            kind = PLATFORM_PATH_MISSING;
        else
            TraceLog(LOG_WARNING, "PLATFORM: cannot query %s: error %lu", path, (unsigned long)error);
    }
    PlatformFaultEnd();
    return kind;
}

static PlatformChange DirectoryCreate(const char *path, bool uncommitted)
{
    WidePath wide;
    if (!ToWide(path, wide, "create folder")) return PLATFORM_CHANGE_FAILED;
    if (CreateDirectoryW(wide.text, nullptr)) {
        // NTFS journals the new entry itself; there is no folder to flush.
        if (!uncommitted) return PLATFORM_CHANGE_COMMITTED;
        TraceLog(LOG_WARNING, "PLATFORM: cannot commit folder %s: injected fault", path);
        return PLATFORM_CHANGE_UNCOMMITTED;
    }
    DWORD error = GetLastError();
    // A drive root or a folder that is already there answers "exists" or "access denied".
    if (IsDirectory(wide.text)) return PLATFORM_CHANGE_COMMITTED;
    TraceLog(LOG_WARNING, "PLATFORM: cannot create folder %s: error %lu", path, (unsigned long)error);
    return PLATFORM_CHANGE_FAILED;
}

PlatformChange PlatformDirectoryCreate(const char *path)
{
    bool uncommitted = false;
    if (FaultRefused(PLATFORM_OP_CREATE_FOLDER, path, &uncommitted)) return PLATFORM_CHANGE_FAILED;
    PlatformChange result = DirectoryCreate(path, uncommitted);
    PlatformFaultEnd();
    return result;
}

static bool WriteCommitted(const char *path, const void *data, size_t size)
{
    WidePath wide;
    if (!ToWide(path, wide, "write") || (!data && size > 0)) return false;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 1;; attempt++) {
        file = CreateFileW(wide.text, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) break;
        DWORD error = GetLastError();
        if (!IsDirectory(wide.text) && WaitToRetry(error, attempt)) continue;
        TraceLog(LOG_WARNING, "PLATFORM: cannot create %s: error %lu", path, (unsigned long)error);
        return false;
    }
    const char *bytes = (const char *)data;
    size_t done = 0;
    const char *failed = nullptr;
    DWORD error = 0;
    while (done < size) {
        DWORD chunk = size - done > 0x40000000 ? 0x40000000 : (DWORD)(size - done);
        DWORD written = 0;
        if (!WriteFile(file, bytes + done, chunk, &written, nullptr) || written == 0) {
            failed = "write";
            error = GetLastError();
            break;
        }
        done += written;
    }
    if (!failed && !FlushFileBuffers(file)) {
        failed = "commit";
        error = GetLastError();
    }
    if (!CloseHandle(file) && !failed) {
        failed = "close";
        error = GetLastError();
    }
    if (failed) {
        TraceLog(LOG_WARNING, "PLATFORM: cannot %s %s: error %lu", failed, path, (unsigned long)error);
        DeleteFileW(wide.text);
        return false;
    }
    return true;
}

bool PlatformFileWriteCommitted(const char *path, const void *data, size_t size)
{
    if (FaultRefused(PLATFORM_OP_WRITE, path, nullptr)) return false;
    bool ok = WriteCommitted(path, data, size);
    PlatformFaultEnd();
    return ok;
}

static PlatformChange Replace(const char *from, const char *to, bool uncommitted)
{
    WidePath wideFrom, wideTo;
    if (!ToWide(from, wideFrom, "replace") || !ToWide(to, wideTo, "replace")) return PLATFORM_CHANGE_FAILED;
    for (int attempt = 1;; attempt++) {
        // Write-through: the call returns once the rename is on the disk.
        if (MoveFileExW(wideFrom.text, wideTo.text, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) break;
        DWORD error = GetLastError();
        if (!IsDirectory(wideTo.text) && WaitToRetry(error, attempt)) continue;
        TraceLog(LOG_WARNING, "PLATFORM: cannot move %s to %s: error %lu", from, to, (unsigned long)error);
        return PLATFORM_CHANGE_FAILED;
    }
    if (!uncommitted) return PLATFORM_CHANGE_COMMITTED;
    TraceLog(LOG_WARNING, "PLATFORM: cannot commit the move to %s: injected fault", to);
    return PLATFORM_CHANGE_UNCOMMITTED;
}

PlatformChange PlatformFileReplace(const char *from, const char *to)
{
    bool uncommitted = false;
    if (FaultRefused(PLATFORM_OP_REPLACE, to, &uncommitted)) return PLATFORM_CHANGE_FAILED;
    PlatformChange result = Replace(from, to, uncommitted);
    PlatformFaultEnd();
    return result;
}

static PlatformReadResult ReadChecked(const char *path, void *buffer, size_t capacity, size_t *size)
{
    WidePath wide;
    if (!ToWide(path, wide, "read") || (!buffer && capacity > 0)) return PLATFORM_READ_ERROR;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 1;; attempt++) {
        file = CreateFileW(wide.text, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
        if (file != INVALID_HANDLE_VALUE) break;
        DWORD error = GetLastError();
        if (!IsDirectory(wide.text) && WaitToRetry(error, attempt)) continue;
        bool missing = IsNotFound(error);
        TraceLog(missing ? LOG_INFO : LOG_WARNING, "PLATFORM: cannot open %s: error %lu", path, (unsigned long)error);
        return missing ? PLATFORM_READ_MISSING : PLATFORM_READ_ERROR;
    }
    char *bytes = (char *)buffer;
    size_t done = 0;
    const char *failed = nullptr;
    bool tooLong = false;
    DWORD error = 0;
    while (true) {
        char extra;
        // Once the buffer is full, one more byte means the file is too long.
        bool full = done == capacity;
        DWORD chunk = full ? 1 : (capacity - done > 0x40000000 ? 0x40000000 : (DWORD)(capacity - done));
        DWORD got = 0;
        if (!ReadFile(file, full ? &extra : bytes + done, chunk, &got, nullptr)) {
            failed = "read";
            error = GetLastError();
            break;
        }
        if (got == 0) break;
        if (full) {
            failed = "read (longer than expected)";
            tooLong = true;
            break;
        }
        done += got;
    }
    if (!CloseHandle(file) && !failed) {
        failed = "close";
        error = GetLastError();
    }
    if (failed) {
        TraceLog(LOG_WARNING, "PLATFORM: cannot %s %s: error %lu", failed, path, (unsigned long)error);
        if (!tooLong) return PLATFORM_READ_ERROR;
        *size = capacity;
        return PLATFORM_READ_TOO_LONG;
    }
    *size = done;
    return PLATFORM_READ_OK;
}

PlatformReadResult PlatformFileReadChecked(const char *path, void *buffer, size_t capacity, size_t *size)
{
    size_t got = 0;
    PlatformReadResult result = PLATFORM_READ_ERROR;
    if (!FaultRefused(PLATFORM_OP_READ, path, nullptr)) {
        result = ReadChecked(path, buffer, capacity, &got);
        PlatformFaultEnd();
    }
    if (size) *size = got;
    return result;
}

bool PlatformFileRead(const char *path, void *buffer, size_t capacity, size_t *size)
{
    size_t got = 0;
    bool ok = PlatformFileReadChecked(path, buffer, capacity, &got) == PLATFORM_READ_OK;
    if (size) *size = ok ? got : 0;
    return ok;
}

static PlatformChange Remove(const char *path, bool uncommitted)
{
    WidePath wide;
    if (!ToWide(path, wide, "remove")) return PLATFORM_CHANGE_FAILED;
    for (int attempt = 1;; attempt++) {
        if (DeleteFileW(wide.text)) break;
        DWORD error = GetLastError();
        if (IsNotFound(error)) return PLATFORM_CHANGE_COMMITTED;
        // A folder answers "access denied" too; it will not go away by waiting.
        if (!IsDirectory(wide.text) && WaitToRetry(error, attempt)) continue;
        TraceLog(LOG_WARNING, "PLATFORM: cannot remove %s: error %lu", path, (unsigned long)error);
        return PLATFORM_CHANGE_FAILED;
    }
    if (!uncommitted) return PLATFORM_CHANGE_COMMITTED;
    TraceLog(LOG_WARNING, "PLATFORM: cannot commit the removal of %s: injected fault", path);
    return PLATFORM_CHANGE_UNCOMMITTED;
}

PlatformChange PlatformFileRemove(const char *path)
{
    bool uncommitted = false;
    if (FaultRefused(PLATFORM_OP_REMOVE, path, &uncommitted)) return PLATFORM_CHANGE_FAILED;
    PlatformChange result = Remove(path, uncommitted);
    PlatformFaultEnd();
    return result;
}
