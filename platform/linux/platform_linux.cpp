// Linux side of the platform layer: linked-in assets and POSIX threads.
#include "platform/platform.h"

#include <pthread.h>
#include <cerrno>
#include <ctime>
#include <new>

// Generated per executable by cmake/assets.cmake; ends with an entry of id 0.
extern const PlatformEmbeddedAsset PLATFORM_EMBEDDED_ASSETS[];

bool PlatformResourceFind(int id, const unsigned char **data, size_t *size)
{
    for (const PlatformEmbeddedAsset *a = PLATFORM_EMBEDDED_ASSETS; a->id != 0; a++) {
        if (a->id != id) continue;
        if (data) *data = a->begin;
        if (size) *size = (size_t)(a->end - a->begin);
        return true;
    }
    return false;
}

namespace {
struct ThreadStart {
    PlatformThreadFn fn;
    void *arg;
};
}

static void *ThreadEntry(void *p)
{
    ThreadStart start = *(ThreadStart *)p;
    delete (ThreadStart *)p;
    start.fn(start.arg);
    return nullptr;
}

bool PlatformThreadStart(PlatformThread &thread, PlatformThreadFn fn, void *arg)
{
    thread = {};
    ThreadStart *start = new (std::nothrow) ThreadStart{fn, arg};
    if (!start) return false;
    pthread_t *handle = new (std::nothrow) pthread_t;
    if (!handle) {
        delete start;
        return false;
    }
    if (pthread_create(handle, nullptr, ThreadEntry, start) != 0) {
        delete start;
        delete handle;
        return false;
    }
    thread.handle = handle;
    thread.running = true;
    return true;
}

bool PlatformThreadWait(PlatformThread &thread, int milliseconds)
{
    if (!thread.running) return true;
    timespec deadline{};
    clock_gettime(CLOCK_REALTIME, &deadline);
    long ms = milliseconds > 0 ? milliseconds : 0;
    deadline.tv_sec += ms / 1000;
    deadline.tv_nsec += (ms % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    int rc = pthread_timedjoin_np(*(pthread_t *)thread.handle, nullptr, &deadline);
    if (rc == ETIMEDOUT || rc == EBUSY) return false;
    thread.running = false;
    return true;
}

void PlatformThreadClose(PlatformThread &thread)
{
    if (!thread.handle) return;
    if (thread.running) pthread_join(*(pthread_t *)thread.handle, nullptr);
    delete (pthread_t *)thread.handle;
    thread = {};
}

bool PlatformLocalTime(long long seconds, struct tm &out)
{
    time_t t = (time_t)seconds;
    out = {};
    return localtime_r(&t, &out) != nullptr;
}

// No dialog on Linux: a terminal or the desktop's launcher keeps the log.
bool PlatformShowStartupError(const char *, bool) { return false; }
