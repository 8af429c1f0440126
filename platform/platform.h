// Platform layer: the few things that differ between Windows and Linux, behind one header.
// platform/windows/ and platform/linux/ each implement all of it; subsystems never use #ifdef.
#pragma once

#include <ctime>

#include <cstddef>

// ---------------------------------------------------------------------------------------------
// [SECTION] Embedded resources
// ---------------------------------------------------------------------------------------------

// One linked-in asset (Linux build): id and the byte range [begin, end).
struct PlatformEmbeddedAsset {
    int id;
    const unsigned char *begin;
    const unsigned char *end;
};

// Read-only bytes of resource `id` of the executable; false (and nothing written) if absent.
bool PlatformResourceFind(int id, const unsigned char **data, size_t *size);

// ---------------------------------------------------------------------------------------------
// [SECTION] Worker thread
// ---------------------------------------------------------------------------------------------

struct PlatformThread {
    void *handle;   // system thread handle; null when no thread
    bool running;   // started and not yet joined
};

using PlatformThreadFn = void (*)(void *arg);

// Starts `fn(arg)` on a new thread; false if the system refuses.
bool PlatformThreadStart(PlatformThread &thread, PlatformThreadFn fn, void *arg);
// Waits up to `milliseconds` (0 polls) for the thread to end; true once it has ended.
bool PlatformThreadWait(PlatformThread &thread, int milliseconds);
// Releases the handle; waits for the thread first if it is still running.
void PlatformThreadClose(PlatformThread &thread);

// ---------------------------------------------------------------------------------------------
// [SECTION] Clock
// ---------------------------------------------------------------------------------------------

// The local calendar time of `seconds` since the epoch; false (and `out` zeroed) if the system
// cannot convert it.
bool PlatformLocalTime(long long seconds, struct tm &out);

// ---------------------------------------------------------------------------------------------
// [SECTION] Start-up errors
// ---------------------------------------------------------------------------------------------
// A player who double-clicks the game has no console, so a failed start would show nothing at
// all. Scripts, tests and developer modes must never meet a dialog that waits for a click.

// Whether a start-up failure is shown in a dialog as well as logged: only outside developer modes,
// in a process with no console whose standard output and error both go nowhere.
constexpr bool PlatformStartupDialogWanted(bool developerMode, bool hasConsole, bool outputRedirected)
{
    return !developerMode && !hasConsole && !outputRedirected;
}
// Shows `text` (UTF-8, one log line) in an error dialog when PlatformStartupDialogWanted says so
// for this process and returns once it is closed; true if it was shown. Linux never shows one.
bool PlatformShowStartupError(const char *text, bool developerMode);

// ---------------------------------------------------------------------------------------------
// [SECTION] File system
// ---------------------------------------------------------------------------------------------
// Paths are UTF-8 text with '/' or '\\' (Windows) as separators. Windows converts them to
// UTF-16 and rejects invalid UTF-8; Linux passes the bytes through. Every failure is a false
// result plus one "PLATFORM:" log line (a missing file at INFO, anything else at WARNING).

constexpr size_t PLATFORM_PATH_CAPACITY = 4096;   // bytes of a path, terminating NUL included

enum PlatformPathKind {
    PLATFORM_PATH_MISSING,     // nothing there
    PLATFORM_PATH_FILE,        // a file (anything that is not a directory)
    PLATFORM_PATH_DIRECTORY,
    PLATFORM_PATH_ERROR,       // unreadable, or the path cannot be expressed on this system
};

// How far a change to a folder's entries got. A rename or removal that happened but whose
// folder could not be committed is in place now, yet a power loss may still undo it.
enum PlatformChange {
    PLATFORM_CHANGE_FAILED,        // nothing changed
    PLATFORM_CHANGE_UNCOMMITTED,   // done, but the folder entry is not known to be on the disk
    PLATFORM_CHANGE_COMMITTED,     // done and on the disk (or nothing needed doing)
};

enum PlatformReadResult {
    PLATFORM_READ_OK,
    PLATFORM_READ_MISSING,     // nothing there (logged at INFO)
    PLATFORM_READ_TOO_LONG,    // the file holds more than the buffer; its first bytes are in it
    PLATFORM_READ_ERROR,       // there may be a file, but it could not be read
};

// The user's local application-data folder (LOCALAPPDATA) as UTF-8, without a trailing
// separator unless it is a root ("/", "C:\"). False, leaving `out` empty, when unset, empty,
// relative, not an existing directory, not convertible or too long for `capacity`:
// persistence is then disabled.
bool PlatformLocalAppDataDirectory(char *out, size_t capacity);
// The folder a program keeps its per-user data in: LOCALAPPDATA on Windows; on Linux
// LOCALAPPDATA when it is set, else $XDG_DATA_HOME when absolute, else $HOME/.local/share.
// The XDG folders need not exist yet (the first save creates them). False, leaving `out`
// empty, when there is none usable.
bool PlatformUserDataDirectory(char *out, size_t capacity);
// True for a character that separates folders in a path on this system ('/', and '\\' on Windows).
bool PlatformPathIsSeparator(char c);
// What is at `path`.
PlatformPathKind PlatformPathQuery(const char *path);
// Creates one directory and commits it to its parent folder; COMMITTED also when a directory
// is already there (a file is a failure).
PlatformChange PlatformDirectoryCreate(const char *path);
// Creates or truncates `path`, writes all `size` bytes and commits them to the disk before
// returning. On any failure the partly written file is removed.
bool PlatformFileWriteCommitted(const char *path, const void *data, size_t size);
// Atomically replaces `to` (existing or not) by `from` and commits the rename to the disk.
// A file held open by another program is retried for a short, bounded time (Windows).
PlatformChange PlatformFileReplace(const char *from, const char *to);
// Reads the whole file into `buffer`; false if it is missing, unreadable or longer than
// `capacity` bytes. `*size` is the byte count on success and 0 otherwise.
bool PlatformFileRead(const char *path, void *buffer, size_t capacity, size_t *size);
// Reads the whole file into `buffer` and says why not. `*size` is the byte count for OK,
// `capacity` for TOO_LONG (the buffer holds the file's first bytes) and 0 otherwise.
PlatformReadResult PlatformFileReadChecked(const char *path, void *buffer, size_t capacity, size_t *size);
// Removes a file and commits the removal; COMMITTED also when it is already gone.
PlatformChange PlatformFileRemove(const char *path);
