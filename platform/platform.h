// Platform layer: the few things that differ between Windows and Linux, behind one header.
// platform/windows/ and platform/linux/ each implement all of it; subsystems never use #ifdef.
#pragma once

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
