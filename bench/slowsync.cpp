// Preloaded by bench_updater --slow-sync: every fsync and fdatasync of the process costs the
// milliseconds of TAMREL_SLOW_SYNC_MS, as on a slow disk, and is counted.

#include <dlfcn.h>
#include <cstdlib>
#include <ctime>

extern "C" {

static long syncs = 0;

long slowsync_count(void)
{
    return __atomic_load_n(&syncs, __ATOMIC_RELAXED);
}

static void pause_ms(void)
{
    static long ms = -1;
    if (ms < 0) {
        const char *text = getenv("TAMREL_SLOW_SYNC_MS");
        ms = text ? atol(text) : 0;
    }
    timespec t = {ms / 1000, (ms % 1000) * 1000000L};
    __atomic_add_fetch(&syncs, 1, __ATOMIC_RELAXED);
    if (ms > 0)
        nanosleep(&t, nullptr);
}

int fsync(int fd)
{
    static int (*real)(int);
    if (!real)
        real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fsync"));
    pause_ms();
    return real(fd);
}

int fdatasync(int fd)
{
    static int (*real)(int);
    if (!real)
        real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fdatasync"));
    pause_ms();
    return real(fd);
}

} // extern "C"
