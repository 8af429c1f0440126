// Linux side of the file-system layer: POSIX calls on byte paths.
#include "platform/platform.h"
#include "platform/platform_fault.h"

#include "raylib.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static bool PathUsable(const char *path, const char *operation)
{
    if (!path) {
        TraceLog(LOG_WARNING, "PLATFORM: %s: no path", operation);
        return false;
    }
    if (strlen(path) >= PLATFORM_PATH_CAPACITY) {
        TraceLog(LOG_WARNING, "PLATFORM: %s: path longer than %d bytes", operation, (int)PLATFORM_PATH_CAPACITY - 1);
        return false;
    }
    return true;
}

static bool IsDirectory(const char *path)
{
    struct stat st{};
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

// Asks the fault plan (tests only) about the operation about to run; true when it must fail
// without running. `uncommitted` tells a folder change to report its commit as failed.
static bool FaultRefused(PlatformFaultOperation kind, const char *path, bool *uncommitted)
{
    static const char *const NAMES[] = {"query", "create folder", "write", "replace", "read", "remove"};
    PlatformFaultVerdict verdict = PlatformFaultBegin(kind);
    if (uncommitted) *uncommitted = verdict == PLATFORM_FAULT_RUN_UNCOMMITTED;
    if (verdict == PLATFORM_FAULT_REFUSE)
        TraceLog(LOG_WARNING, "PLATFORM: cannot %s %s: injected fault", NAMES[kind], path ? path : "(no path)");
    return verdict == PLATFORM_FAULT_REFUSE || verdict == PLATFORM_FAULT_REFUSE_SILENT;
}

// Commits the entries of the folder holding `path` (a rename, creation or removal in it) to
// the disk. `refuse` stands in for a failing commit under fault injection.
static bool SyncParentDirectory(const char *path, bool refuse)
{
    char parent[PLATFORM_PATH_CAPACITY];
    size_t length = strlen(path);
    while (length > 1 && path[length - 1] == '/') length--;
    size_t cut = length;
    while (cut > 0 && path[cut - 1] != '/') cut--;
    if (cut == 0) {
        strcpy(parent, ".");
    } else {
        while (cut > 1 && path[cut - 1] == '/') cut--;
        memcpy(parent, path, cut);
        parent[cut] = '\0';
    }
    if (refuse) {
        TraceLog(LOG_WARNING, "PLATFORM: cannot commit folder %s: injected fault", parent);
        return false;
    }
    int fd = open(parent, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        TraceLog(LOG_WARNING, "PLATFORM: cannot open folder %s to commit it: %s", parent, strerror(errno));
        return false;
    }
    // Some file systems cannot sync a directory; their renames are as durable as they get.
    bool ok = fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
    if (!ok) TraceLog(LOG_WARNING, "PLATFORM: cannot commit folder %s: %s", parent, strerror(errno));
    close(fd);
    return ok;
}

// An absolute path from an environment variable, without trailing separators; false (and
// `out` empty) when unset, empty, relative or too long.
static bool AbsoluteFromEnvironment(const char *name, const char *suffix, char *out, size_t capacity)
{
    out[0] = '\0';
    const char *value = getenv(name);
    if (!value || value[0] != '/') return false;
    size_t length = strlen(value);
    while (length > 1 && value[length - 1] == '/') length--;
    if (length == 1) length = 0;   // the root: the suffix supplies the separator
    size_t extra = strlen(suffix);
    if (length + extra + 1 > capacity || length + extra + 1 > PLATFORM_PATH_CAPACITY) return false;
    memcpy(out, value, length);
    memcpy(out + length, suffix, extra);
    out[length + extra] = '\0';
    if (out[0] == '\0') strcpy(out, "/");
    return true;
}

bool PlatformLocalAppDataDirectory(char *out, size_t capacity)
{
    if (out && capacity > 0) out[0] = '\0';
    if (!out || capacity == 0) {
        TraceLog(LOG_WARNING, "PLATFORM: no room for the LOCALAPPDATA path");
        return false;
    }
    const char *value = getenv("LOCALAPPDATA");
    if (!value || value[0] == '\0') {
        TraceLog(LOG_INFO, "PLATFORM: LOCALAPPDATA is not set; nothing will be saved");
        return false;
    }
    size_t length = strlen(value);
    while (length > 1 && value[length - 1] == '/') length--;
    if (value[0] != '/') {
        TraceLog(LOG_WARNING, "PLATFORM: LOCALAPPDATA is not a usable absolute path; nothing will be saved");
        return false;
    }
    if (length >= capacity || length >= PLATFORM_PATH_CAPACITY) {
        TraceLog(LOG_WARNING, "PLATFORM: LOCALAPPDATA is longer than %d bytes; nothing will be saved",
                 (int)(capacity < PLATFORM_PATH_CAPACITY ? capacity : PLATFORM_PATH_CAPACITY) - 1);
        return false;
    }
    memcpy(out, value, length);
    out[length] = '\0';
    if (!IsDirectory(out)) {
        TraceLog(LOG_WARNING, "PLATFORM: LOCALAPPDATA %s is not a folder; nothing will be saved", out);
        out[0] = '\0';
        return false;
    }
    return true;
}

bool PlatformUserDataDirectory(char *out, size_t capacity)
{
    if (out && capacity > 0) out[0] = '\0';
    if (!out || capacity == 0) {
        TraceLog(LOG_WARNING, "PLATFORM: no room for the data folder path");
        return false;
    }
    // LOCALAPPDATA, when set, wins: it is how tests and Wine-like setups point the game elsewhere.
    const char *local = getenv("LOCALAPPDATA");
    if (local && local[0] != '\0') return PlatformLocalAppDataDirectory(out, capacity);
    if (AbsoluteFromEnvironment("XDG_DATA_HOME", "", out, capacity)) return true;
    if (AbsoluteFromEnvironment("HOME", "/.local/share", out, capacity)) return true;
    TraceLog(LOG_WARNING, "PLATFORM: neither XDG_DATA_HOME nor HOME names a usable folder; nothing will be saved");
    return false;
}

bool PlatformPathIsSeparator(char c) { return c == '/'; }

PlatformPathKind PlatformPathQuery(const char *path)
{
    if (FaultRefused(PLATFORM_OP_QUERY, path, nullptr)) return PLATFORM_PATH_ERROR;
    PlatformPathKind kind = PLATFORM_PATH_ERROR;
    struct stat st{};
    if (!PathUsable(path, "query")) {
        kind = PLATFORM_PATH_ERROR;
    } else if (stat(path, &st) == 0) {
        kind = S_ISDIR(st.st_mode) ? PLATFORM_PATH_DIRECTORY : PLATFORM_PATH_FILE;
    } else if (errno == ENOENT || errno == ENOTDIR) {
        kind = PLATFORM_PATH_MISSING;
    } else {
        TraceLog(LOG_WARNING, "PLATFORM: cannot query %s: %s", path, strerror(errno));
    }
    PlatformFaultEnd();
    return kind;
}

static PlatformChange DirectoryCreate(const char *path, bool uncommitted)
{
    if (!PathUsable(path, "create folder")) return PLATFORM_CHANGE_FAILED;
    if (mkdir(path, 0777) == 0) {
        // A new folder's entry lives in its parent; without this a power loss can lose the
        // folder together with everything later committed inside it.
        return SyncParentDirectory(path, uncommitted) ? PLATFORM_CHANGE_COMMITTED : PLATFORM_CHANGE_UNCOMMITTED;
    }
    int error = errno;
    if (IsDirectory(path)) return PLATFORM_CHANGE_COMMITTED;
    TraceLog(LOG_WARNING, "PLATFORM: cannot create folder %s: %s", path, strerror(error));
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
    if (!PathUsable(path, "write") || (!data && size > 0)) return false;
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        TraceLog(LOG_WARNING, "PLATFORM: cannot create %s: %s", path, strerror(errno));
        return false;
    }
    const char *bytes = (const char *)data;
    size_t done = 0;
    const char *failed = nullptr;
    int error = 0;
    while (done < size) {
        ssize_t n = write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failed = "write";
            error = n < 0 ? errno : ENOSPC;
            break;
        }
        done += (size_t)n;
    }
    if (!failed && fsync(fd) != 0) {
        failed = "commit";
        error = errno;
    }
    if (close(fd) != 0 && !failed) {
        failed = "close";
        error = errno;
    }
    if (failed) {
        TraceLog(LOG_WARNING, "PLATFORM: cannot %s %s: %s", failed, path, strerror(error));
        unlink(path);
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
    if (!PathUsable(from, "replace") || !PathUsable(to, "replace")) return PLATFORM_CHANGE_FAILED;
    if (rename(from, to) != 0) {
        TraceLog(LOG_WARNING, "PLATFORM: cannot move %s to %s: %s", from, to, strerror(errno));
        return PLATFORM_CHANGE_FAILED;
    }
    // The new file is in place from here on, whatever the commit says.
    return SyncParentDirectory(to, uncommitted) ? PLATFORM_CHANGE_COMMITTED : PLATFORM_CHANGE_UNCOMMITTED;
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
    if (!PathUsable(path, "read") || (!buffer && capacity > 0)) return PLATFORM_READ_ERROR;
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        int error = errno;
        bool missing = error == ENOENT || error == ENOTDIR;
        TraceLog(missing ? LOG_INFO : LOG_WARNING, "PLATFORM: cannot open %s: %s", path, strerror(error));
        return missing ? PLATFORM_READ_MISSING : PLATFORM_READ_ERROR;
    }
    char *bytes = (char *)buffer;
    size_t done = 0;
    const char *failed = nullptr;
    bool tooLong = false;
    while (true) {
        char extra;
        // Once the buffer is full, one more byte means the file is too long.
        bool full = done == capacity;
        ssize_t n = full ? read(fd, &extra, 1) : read(fd, bytes + done, capacity - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            failed = strerror(errno);
            break;
        }
        if (n == 0) break;
        if (full) {
            failed = "longer than expected";
            tooLong = true;
            break;
        }
        done += (size_t)n;
    }
    if (close(fd) != 0 && !failed) failed = strerror(errno);
    if (failed) {
        TraceLog(LOG_WARNING, "PLATFORM: cannot read %s: %s", path, failed);
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
    if (!PathUsable(path, "remove")) return PLATFORM_CHANGE_FAILED;
    if (unlink(path) == 0)
        return SyncParentDirectory(path, uncommitted) ? PLATFORM_CHANGE_COMMITTED : PLATFORM_CHANGE_UNCOMMITTED;
    if (errno == ENOENT) return PLATFORM_CHANGE_COMMITTED;
    TraceLog(LOG_WARNING, "PLATFORM: cannot remove %s: %s", path, strerror(errno));
    return PLATFORM_CHANGE_FAILED;
}

PlatformChange PlatformFileRemove(const char *path)
{
    bool uncommitted = false;
    if (FaultRefused(PLATFORM_OP_REMOVE, path, &uncommitted)) return PLATFORM_CHANGE_FAILED;
    PlatformChange result = Remove(path, uncommitted);
    PlatformFaultEnd();
    return result;
}
