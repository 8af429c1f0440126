// Linux side of the file-system layer: POSIX calls on byte paths.
#include "platform/platform.h"

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

// Commits the directory entry of `path` (a rename or creation in it) to the disk.
static bool SyncParentDirectory(const char *path)
{
    char parent[PLATFORM_PATH_CAPACITY];
    const char *slash = strrchr(path, '/');
    if (!slash) {
        strcpy(parent, ".");
    } else if (slash == path) {
        strcpy(parent, "/");
    } else {
        size_t n = (size_t)(slash - path);
        memcpy(parent, path, n);
        parent[n] = '\0';
    }
    int fd = open(parent, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        TraceLog(LOG_WARNING, "PLATFORM: cannot open folder %s: %s", parent, strerror(errno));
        return false;
    }
    // Some file systems cannot sync a directory; their renames are as durable as they get.
    bool ok = fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
    if (!ok) TraceLog(LOG_WARNING, "PLATFORM: cannot commit folder %s: %s", parent, strerror(errno));
    close(fd);
    return ok;
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

PlatformPathKind PlatformPathQuery(const char *path)
{
    if (!PathUsable(path, "query")) return PLATFORM_PATH_ERROR;
    struct stat st{};
    if (stat(path, &st) == 0) return S_ISDIR(st.st_mode) ? PLATFORM_PATH_DIRECTORY : PLATFORM_PATH_FILE;
    if (errno == ENOENT || errno == ENOTDIR) return PLATFORM_PATH_MISSING;
    TraceLog(LOG_WARNING, "PLATFORM: cannot query %s: %s", path, strerror(errno));
    return PLATFORM_PATH_ERROR;
}

bool PlatformDirectoryCreate(const char *path)
{
    if (!PathUsable(path, "create folder")) return false;
    if (mkdir(path, 0777) == 0) return true;
    int error = errno;
    if (IsDirectory(path)) return true;
    TraceLog(LOG_WARNING, "PLATFORM: cannot create folder %s: %s", path, strerror(error));
    return false;
}

bool PlatformFileWriteCommitted(const char *path, const void *data, size_t size)
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

bool PlatformFileReplace(const char *from, const char *to)
{
    if (!PathUsable(from, "replace") || !PathUsable(to, "replace")) return false;
    if (rename(from, to) != 0) {
        TraceLog(LOG_WARNING, "PLATFORM: cannot move %s to %s: %s", from, to, strerror(errno));
        return false;
    }
    return SyncParentDirectory(to);
}

bool PlatformFileRead(const char *path, void *buffer, size_t capacity, size_t *size)
{
    if (size) *size = 0;
    if (!PathUsable(path, "read") || (!buffer && capacity > 0)) return false;
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        int error = errno;
        int level = error == ENOENT || error == ENOTDIR ? LOG_INFO : LOG_WARNING;
        TraceLog(level, "PLATFORM: cannot open %s: %s", path, strerror(error));
        return false;
    }
    char *bytes = (char *)buffer;
    size_t done = 0;
    const char *failed = nullptr;
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
            break;
        }
        done += (size_t)n;
    }
    if (close(fd) != 0 && !failed) failed = strerror(errno);
    if (failed) {
        TraceLog(LOG_WARNING, "PLATFORM: cannot read %s: %s", path, failed);
        return false;
    }
    if (size) *size = done;
    return true;
}

bool PlatformFileRemove(const char *path)
{
    if (!PathUsable(path, "remove")) return false;
    if (unlink(path) == 0 || errno == ENOENT) return true;
    TraceLog(LOG_WARNING, "PLATFORM: cannot remove %s: %s", path, strerror(errno));
    return false;
}
