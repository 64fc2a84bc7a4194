#pragma once

// SQLite's default file system with what a connection does to its files watched: the holds of
// the WAL's write lock, the syncs of the database file made while holding it, and every cut of
// a WAL file. Installed once as the default, before the connections open (the Qt driver's too,
// as it uses the same SQLite). A connection is used on one thread, so what it does is kept per
// thread: seen() on the thread of the connection.

#include <sqlite3.h>

#include <QtGlobal>

#include <chrono>
#include <functional>
#include <limits>
#include <utility>
#include <vector>

namespace watchedvfs {

struct Seen
{
    // Syncs of a database file while its connection held the WAL's write lock.
    int syncsUnderWriteLock = 0;
    // A WAL file's size before and after each cut of it, in order.
    std::vector<std::pair<qint64, qint64>> walCuts;
    // The longest hold of the write lock, in nanoseconds. Holds less than a millisecond apart
    // count as one: a connection that waits for the lock sleeps a millisecond or more between tries.
    qint64 longestHoldNs = 0;
    // Called as a connection of the thread syncs a WAL file without holding the write lock, as a
    // PASSIVE checkpoint does before it copies: another connection may commit then.
    std::function<void()> onWalSyncOutsideWriteLock;
};

inline Seen &seen()
{
    static thread_local Seen perThread;
    return perThread;
}

inline void reset() { seen() = Seen(); }

namespace detail {

// The WAL's write lock is the first of the locks in its shared memory.
constexpr int kWriteLock = 0;
constexpr qint64 kHoldGapNs = 1000 * 1000;

inline qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct File
{
    sqlite3_file base;
    sqlite3_io_methods methods; // the wrapped file's methods, as many as it has
    sqlite3_file *real;
    int flags;
    bool writeLocked;
    qint64 lockedAt, unlockedAt; // of the write lock, nowNs()
};

inline sqlite3_vfs &vfs()
{
    static sqlite3_vfs watched;
    return watched;
}

inline sqlite3_vfs *&wrapped()
{
    static sqlite3_vfs *inner = nullptr;
    return inner;
}

inline sqlite3_file *real(sqlite3_file *file) { return reinterpret_cast<File *>(file)->real; }

// The thread's connections that hold the write lock: a WAL file does not know its database's.
inline int &writeLocksHeld()
{
    static thread_local int held = 0;
    return held;
}

inline int close(sqlite3_file *f) { return real(f)->pMethods->xClose(real(f)); }
inline int read(sqlite3_file *f, void *b, int n, sqlite3_int64 o) { return real(f)->pMethods->xRead(real(f), b, n, o); }
inline int write(sqlite3_file *f, const void *b, int n, sqlite3_int64 o) { return real(f)->pMethods->xWrite(real(f), b, n, o); }
inline int fileSize(sqlite3_file *f, sqlite3_int64 *s) { return real(f)->pMethods->xFileSize(real(f), s); }
inline int lock(sqlite3_file *f, int l) { return real(f)->pMethods->xLock(real(f), l); }
inline int unlock(sqlite3_file *f, int l) { return real(f)->pMethods->xUnlock(real(f), l); }
inline int reserved(sqlite3_file *f, int *r) { return real(f)->pMethods->xCheckReservedLock(real(f), r); }
inline int control(sqlite3_file *f, int op, void *a) { return real(f)->pMethods->xFileControl(real(f), op, a); }
inline int sectorSize(sqlite3_file *f) { return real(f)->pMethods->xSectorSize(real(f)); }
inline int characteristics(sqlite3_file *f) { return real(f)->pMethods->xDeviceCharacteristics(real(f)); }
inline int shmMap(sqlite3_file *f, int i, int n, int e, void volatile **p) { return real(f)->pMethods->xShmMap(real(f), i, n, e, p); }
inline void shmBarrier(sqlite3_file *f) { real(f)->pMethods->xShmBarrier(real(f)); }
inline int shmUnmap(sqlite3_file *f, int d) { return real(f)->pMethods->xShmUnmap(real(f), d); }
inline int fetch(sqlite3_file *f, sqlite3_int64 o, int n, void **p) { return real(f)->pMethods->xFetch(real(f), o, n, p); }
inline int unfetch(sqlite3_file *f, sqlite3_int64 o, void *p) { return real(f)->pMethods->xUnfetch(real(f), o, p); }

inline int truncate(sqlite3_file *f, sqlite3_int64 size)
{
    sqlite3_int64 before = 0;
    const bool wal = reinterpret_cast<File *>(f)->flags & SQLITE_OPEN_WAL;
    if (wal && fileSize(f, &before) != SQLITE_OK)
        before = -1;
    const int rc = real(f)->pMethods->xTruncate(real(f), size);
    if (wal && rc == SQLITE_OK && before > size)
        seen().walCuts.emplace_back(before, size);
    return rc;
}

inline int sync(sqlite3_file *f, int flags)
{
    const File *file = reinterpret_cast<File *>(f);
    if ((file->flags & SQLITE_OPEN_MAIN_DB) && file->writeLocked)
        ++seen().syncsUnderWriteLock;
    if ((file->flags & SQLITE_OPEN_WAL) && writeLocksHeld() == 0 && seen().onWalSyncOutsideWriteLock)
        seen().onWalSyncOutsideWriteLock();
    return real(f)->pMethods->xSync(real(f), flags);
}

inline int shmLock(sqlite3_file *f, int offset, int n, int flags)
{
    File *file = reinterpret_cast<File *>(f);
    const int rc = real(f)->pMethods->xShmLock(real(f), offset, n, flags);
    const bool writeLock = offset <= kWriteLock && kWriteLock < offset + n;
    if (rc != SQLITE_OK || !writeLock || !(flags & SQLITE_SHM_EXCLUSIVE))
        return rc;
    const qint64 now = nowNs();
    if (flags & SQLITE_SHM_LOCK) {
        if (!file->writeLocked) {
            if (now - file->unlockedAt >= kHoldGapNs)
                file->lockedAt = now;
            file->writeLocked = true;
            ++writeLocksHeld();
        }
    } else if (file->writeLocked) {
        --writeLocksHeld();
        seen().longestHoldNs = qMax(seen().longestHoldNs, now - file->lockedAt);
        file->unlockedAt = now;
        file->writeLocked = false;
    }
    return rc;
}

inline int open(sqlite3_vfs *, const char *name, sqlite3_file *f, int flags, int *outFlags)
{
    File *file = reinterpret_cast<File *>(f);
    file->real = reinterpret_cast<sqlite3_file *>(file + 1);
    file->flags = flags;
    file->writeLocked = false;
    file->lockedAt = 0;
    file->unlockedAt = std::numeric_limits<qint64>::min() / 2;
    const int rc = wrapped()->xOpen(wrapped(), name, file->real, flags, outFlags);
    const sqlite3_io_methods *inner = file->real->pMethods;
    file->base.pMethods = nullptr;
    if (!inner)
        return rc;
    file->methods = {inner->iVersion, close, read, write, truncate, sync, fileSize, lock, unlock, reserved,
                     control, sectorSize, characteristics, shmMap, shmLock, shmBarrier, shmUnmap, fetch, unfetch};
    file->base.pMethods = &file->methods;
    return rc;
}

} // namespace detail

// Makes the watched file system SQLite's default, around the one that was; once per process.
inline bool install()
{
    sqlite3_vfs *&inner = detail::wrapped();
    if (inner)
        return true;
    inner = sqlite3_vfs_find(nullptr);
    if (!inner)
        return false;
    sqlite3_vfs &vfs = detail::vfs();
    vfs = *inner;
    vfs.zName = "watched";
    vfs.szOsFile = int(sizeof(detail::File)) + inner->szOsFile;
    vfs.xOpen = detail::open;
    return sqlite3_vfs_register(&vfs, 1) == SQLITE_OK;
}

} // namespace watchedvfs
