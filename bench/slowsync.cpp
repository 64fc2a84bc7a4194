// Preloaded by bench_updater --slow-sync: every fsync and fdatasync of the process costs the
// milliseconds of TAMREL_SLOW_SYNC_MS, as on a slow disk, and is counted. With --slow-cut, a
// file cut shorter costs the milliseconds of TAMREL_SLOW_CUT_MS more per 64 MiB it loses, as
// freeing its blocks does on a slow disk.

#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/types.h>
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

static void pause_for_cut(int fd, off_t length)
{
    static double ms = -1;
    if (ms < 0) {
        const char *text = getenv("TAMREL_SLOW_CUT_MS");
        ms = text ? atof(text) : 0;
    }
    struct stat st;
    if (ms <= 0 || fstat(fd, &st) != 0 || st.st_size <= length)
        return;
    const double wait = ms * double(st.st_size - length) / double(64 << 20);
    timespec t = {time_t(wait / 1000), long((wait - 1000 * time_t(wait / 1000)) * 1e6)};
    nanosleep(&t, nullptr);
}

int ftruncate(int fd, off_t length)
{
    static int (*real)(int, off_t);
    if (!real)
        real = reinterpret_cast<int (*)(int, off_t)>(dlsym(RTLD_NEXT, "ftruncate"));
    pause_for_cut(fd, length);
    return real(fd, length);
}

int ftruncate64(int fd, off64_t length)
{
    static int (*real)(int, off64_t);
    if (!real)
        real = reinterpret_cast<int (*)(int, off64_t)>(dlsym(RTLD_NEXT, "ftruncate64"));
    pause_for_cut(fd, length);
    return real(fd, length);
}

} // extern "C"
