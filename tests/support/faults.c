/* The system saying no, on demand: linked into a test program, these
 * definitions stand in front of the C library's for every library of the
 * process (Qt's file engine included). Unarmed they only pass each call on.
 * Armed, the chosen call on a file whose path holds the chosen text fails
 * with the chosen errno, as a full disk, a quota or a network filesystem
 * makes it fail. */
#define _GNU_SOURCE
#include "faults_c.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <stdarg.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

static atomic_int armedCall = -1;
static atomic_int armedNth = 1;
static atomic_int armedErrno = EIO;
static atomic_int seen = 0;
static atomic_int refused = 0;
static char armedPath[4096]; /* under pathLock, as readPath */
static pthread_mutex_t pathLock = PTHREAD_MUTEX_INITIALIZER;
static atomic_int noTmpFile = 0;
static atomic_int delayMicroseconds = 0;
static char delayPath[4096];
static atomic_long readRate = 0;
static char readPath[4096]; /* under readLock: readings let go may still run */
static pthread_mutex_t readLock = PTHREAD_MUTEX_INITIALIZER;
static atomic_int signalCall = -1;
static atomic_int signalNumber = 0;
static char signalPath[4096];

void cleavo_fault_arm(int call, const char *pathPart, int nth, int error)
{
    atomic_store(&armedCall, -1);
    pthread_mutex_lock(&pathLock);
    snprintf(armedPath, sizeof armedPath, "%s", pathPart ? pathPart : "");
    pthread_mutex_unlock(&pathLock);
    atomic_store(&armedNth, nth);
    atomic_store(&armedErrno, error);
    atomic_store(&seen, 0);
    atomic_store(&refused, 0);
    atomic_store(&armedCall, call);
}

void cleavo_fault_signal_at(int call, const char *pathPart, int signal)
{
    snprintf(signalPath, sizeof signalPath, "%s", pathPart ? pathPart : "");
    atomic_store(&signalNumber, signal);
    atomic_store(&signalCall, call);
}

void cleavo_fault_disarm(void)
{
    atomic_store(&armedCall, -1);
    atomic_store(&signalCall, -1);
    atomic_store(&noTmpFile, 0);
    atomic_store(&delayMicroseconds, 0);
    atomic_store(&readRate, 0);
}

int cleavo_fault_refused(void)
{
    return atomic_load(&refused);
}

void cleavo_fault_no_tmpfile(int on)
{
    atomic_store(&noTmpFile, on);
}

void cleavo_fault_slow_writes(const char *pathPart, int microseconds)
{
    snprintf(delayPath, sizeof delayPath, "%s", pathPart ? pathPart : "");
    atomic_store(&delayMicroseconds, microseconds);
}

void cleavo_fault_slow_reads(const char *pathPart, long bytesPerSecond)
{
    pthread_mutex_lock(&readLock);
    snprintf(readPath, sizeof readPath, "%s", pathPart ? pathPart : "");
    atomic_store(&readRate, bytesPerSecond);
    pthread_mutex_unlock(&readLock);
}

/* Preloaded into a program (the road tests), the slow writes are set from
 * CLEAVO_SLOW_WRITES="MICROSECONDS:PATH-PART", the slow reads from
 * CLEAVO_SLOW_READS="BYTES-PER-SECOND:PATH-PART", and CLEAVO_NO_TMPFILE=1
 * refuses unnamed temporary files (as vfat and NFS do). */
__attribute__((constructor)) static void fromEnvironment(void)
{
    const char *slow = getenv("CLEAVO_SLOW_WRITES");
    const char *part = slow ? strchr(slow, ':') : NULL;
    if (part)
        cleavo_fault_slow_writes(part + 1, atoi(slow));
    const char *reads = getenv("CLEAVO_SLOW_READS");
    const char *readPart = reads ? strchr(reads, ':') : NULL;
    if (readPart)
        cleavo_fault_slow_reads(readPart + 1, atol(reads));
    const char *noTmp = getenv("CLEAVO_NO_TMPFILE");
    if (noTmp && strcmp(noTmp, "1") == 0)
        cleavo_fault_no_tmpfile(1);
}

static int fdPath(int fd, char *out, size_t size)
{
    char link[64];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, out, size - 1);
    if (n < 0)
        return 0;
    out[n] = '\0';
    return 1;
}

/* Nonzero (with errno set) when this call is to fail. */
static int refuse(int call, const char *path, int fd)
{
    char buffer[4096];
    if (atomic_load(&signalCall) == call) {
        const char *p = path;
        if (p || fdPath(fd, buffer, sizeof buffer)) {
            if (!p)
                p = buffer;
            if (strstr(p, signalPath)) {
                atomic_store(&signalCall, -1);
                raise(atomic_load(&signalNumber));
            }
        }
    }
    if (atomic_load(&armedCall) != call)
        return 0;
    if (!path) {
        if (!fdPath(fd, buffer, sizeof buffer))
            return 0;
        path = buffer;
    }
    pthread_mutex_lock(&pathLock);
    const int matches = strstr(path, armedPath) != NULL;
    pthread_mutex_unlock(&pathLock);
    if (!matches)
        return 0;
    /* A lock beside a file holds no data of it. */
    const size_t length = strlen(path);
    if (length >= 5 && strcmp(path + length - 5, ".lock") == 0)
        return 0;
    /* Only a close of a file open for writing can report a lost write. */
    if (call == CLEAVO_FAULT_CLOSE && (fcntl(fd, F_GETFL) & O_ACCMODE) == O_RDONLY)
        return 0;
    const int n = atomic_fetch_add(&seen, 1) + 1;
    const int nth = atomic_load(&armedNth);
    if (nth != 0 && n != nth)
        return 0;
    atomic_fetch_add(&refused, 1);
    errno = atomic_load(&armedErrno);
    return 1;
}

static void slowDown(int fd)
{
    const int us = atomic_load(&delayMicroseconds);
    char path[4096];
    if (us <= 0 || !fdPath(fd, path, sizeof path) || !strstr(path, delayPath))
        return;
    struct timespec t = {us / 1000000, (long)(us % 1000000) * 1000};
    nanosleep(&t, NULL);
}

/* A read of got bytes takes as long as the slowed device would need. */
static void slowRead(int fd, ssize_t got)
{
    const long rate = atomic_load(&readRate);
    char path[4096];
    if (rate <= 0 || got <= 0 || !fdPath(fd, path, sizeof path))
        return;
    pthread_mutex_lock(&readLock);
    const int slowed = strstr(path, readPath) != NULL;
    pthread_mutex_unlock(&readLock);
    if (!slowed)
        return;
    /* In slices of at most 10 ms: a reading left running ends soon after
     * the slowing is ended. */
    long long ns = (long long)got * 1000000000LL / rate;
    while (ns > 0 && atomic_load(&readRate) > 0) {
        const long long slice = ns < 10000000LL ? ns : 10000000LL;
        struct timespec t = {0, (long)slice};
        nanosleep(&t, NULL);
        ns -= slice;
    }
}

#define REAL(name, type)                                                                                               \
    static type real_##name;                                                                                           \
    if (!real_##name)                                                                                                  \
    real_##name = (type)dlsym(RTLD_NEXT, #name)

typedef ssize_t (*write_t)(int, const void *, size_t);
typedef ssize_t (*pwrite_t)(int, const void *, size_t, off_t);
typedef int (*fd_t)(int);
typedef int (*truncate_t)(int, off_t);
typedef int (*pfalloc_t)(int, off_t, off_t);
typedef int (*falloc_t)(int, int, off_t, off_t);
typedef int (*rename_t)(const char *, const char *);
typedef int (*renameat_t)(int, const char *, int, const char *);
typedef int (*renameat2_t)(int, const char *, int, const char *, unsigned);
typedef int (*linkat_t)(int, const char *, int, const char *, int);
typedef int (*open_t)(const char *, int, ...);
typedef int (*openat_t)(int, const char *, int, ...);

/* A write cut short: the call does the first half of its work. */
static size_t shortened(int fd, size_t n)
{
    const int saved = errno;
    if (n > 1 && refuse(CLEAVO_FAULT_SHORT, NULL, fd))
        n /= 2;
    errno = saved;
    return n;
}

ssize_t write(int fd, const void *data, size_t n)
{
    REAL(write, write_t);
    if (refuse(CLEAVO_FAULT_WRITE, NULL, fd))
        return errno == 0 ? 0 : -1;
    slowDown(fd);
    return real_write(fd, data, shortened(fd, n));
}

typedef ssize_t (*read_t)(int, void *, size_t);
typedef ssize_t (*pread_t)(int, void *, size_t, off_t);

ssize_t read(int fd, void *data, size_t n)
{
    REAL(read, read_t);
    if (refuse(CLEAVO_FAULT_READ, NULL, fd))
        return -1;
    const ssize_t got = real_read(fd, data, n);
    slowRead(fd, got);
    return got;
}

#define PREAD(name)                                                                                                    \
    ssize_t name(int fd, void *data, size_t n, off_t at)                                                               \
    {                                                                                                                  \
        REAL(name, pread_t);                                                                                           \
        if (refuse(CLEAVO_FAULT_READ, NULL, fd))                                                                       \
            return -1;                                                                                                 \
        const ssize_t got = real_##name(fd, data, n, at);                                                              \
        slowRead(fd, got);                                                                                             \
        return got;                                                                                                    \
    }
PREAD(pread)
PREAD(pread64)

#define PWRITE(name)                                                                                                   \
    ssize_t name(int fd, const void *data, size_t n, off_t at)                                                         \
    {                                                                                                                  \
        REAL(name, pwrite_t);                                                                                          \
        if (refuse(CLEAVO_FAULT_WRITE, NULL, fd))                                                                      \
            return errno == 0 ? 0 : -1;                                                                                \
        return real_##name(fd, data, shortened(fd, n), at);                                                            \
    }
PWRITE(pwrite)
PWRITE(pwrite64)

#define FDCALL(name, call)                                                                                             \
    int name(int fd)                                                                                                   \
    {                                                                                                                  \
        REAL(name, fd_t);                                                                                              \
        if (refuse(call, NULL, fd))                                                                                    \
            return -1;                                                                                                 \
        return real_##name(fd);                                                                                        \
    }
FDCALL(fsync, CLEAVO_FAULT_SYNC)
FDCALL(fdatasync, CLEAVO_FAULT_SYNC)

typedef int (*fchmod_t)(int, mode_t);
int fchmod(int fd, mode_t mode)
{
    REAL(fchmod, fchmod_t);
    if (refuse(CLEAVO_FAULT_CHMOD, NULL, fd))
        return -1;
    return real_fchmod(fd, mode);
}

int close(int fd)
{
    REAL(close, fd_t);
    if (refuse(CLEAVO_FAULT_CLOSE, NULL, fd)) {
        /* As on a network filesystem: the descriptor is gone all the same. */
        const int error = errno;
        real_close(fd);
        errno = error;
        return -1;
    }
    return real_close(fd);
}

#define TRUNCATE(name)                                                                                                 \
    int name(int fd, off_t size)                                                                                       \
    {                                                                                                                  \
        REAL(name, truncate_t);                                                                                        \
        if (refuse(CLEAVO_FAULT_TRUNCATE, NULL, fd))                                                                   \
            return -1;                                                                                                 \
        return real_##name(fd, size);                                                                                  \
    }
TRUNCATE(ftruncate)
TRUNCATE(ftruncate64)

#define PFALLOC(name)                                                                                                  \
    int name(int fd, off_t at, off_t n)                                                                                \
    {                                                                                                                  \
        REAL(name, pfalloc_t);                                                                                         \
        const int saved = errno;                                                                                       \
        if (refuse(CLEAVO_FAULT_ALLOCATE, NULL, fd)) {                                                                 \
            const int error = errno;                                                                                   \
            errno = saved;                                                                                             \
            return error;                                                                                              \
        }                                                                                                              \
        return real_##name(fd, at, n);                                                                                 \
    }
PFALLOC(posix_fallocate)
PFALLOC(posix_fallocate64)

#define FALLOC(name)                                                                                                   \
    int name(int fd, int mode, off_t at, off_t n)                                                                      \
    {                                                                                                                  \
        REAL(name, falloc_t);                                                                                          \
        if (refuse(CLEAVO_FAULT_ALLOCATE, NULL, fd))                                                                   \
            return -1;                                                                                                 \
        return real_##name(fd, mode, at, n);                                                                           \
    }
FALLOC(fallocate)
FALLOC(fallocate64)

int rename(const char *from, const char *to)
{
    REAL(rename, rename_t);
    if (refuse(CLEAVO_FAULT_RENAME, to, -1))
        return -1;
    return real_rename(from, to);
}

int renameat(int fromDir, const char *from, int toDir, const char *to)
{
    REAL(renameat, renameat_t);
    if (refuse(CLEAVO_FAULT_RENAME, to, -1))
        return -1;
    return real_renameat(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char *from, int toDir, const char *to, unsigned flags)
{
    REAL(renameat2, renameat2_t);
    if (refuse(CLEAVO_FAULT_RENAME, to, -1))
        return -1;
    return real_renameat2(fromDir, from, toDir, to, flags);
}

int linkat(int fromDir, const char *from, int toDir, const char *to, int flags)
{
    REAL(linkat, linkat_t);
    if (refuse(CLEAVO_FAULT_RENAME, to, -1))
        return -1;
    return real_linkat(fromDir, from, toDir, to, flags);
}

typedef int (*mkdir_t)(const char *, mode_t);
typedef int (*mkdirat_t)(int, const char *, mode_t);

int mkdir(const char *path, mode_t mode)
{
    REAL(mkdir, mkdir_t);
    if (refuse(CLEAVO_FAULT_MKDIR, path, -1))
        return -1;
    return real_mkdir(path, mode);
}

int mkdirat(int dir, const char *path, mode_t mode)
{
    REAL(mkdirat, mkdirat_t);
    if (refuse(CLEAVO_FAULT_MKDIR, path, -1))
        return -1;
    return real_mkdirat(dir, path, mode);
}

/* Unnamed temporary files refused, as on filesystems without them; and the
 * creation of a file refused where armed (by the folder or name given). */
static int refuseOpen(const char *path, int flags)
{
    if ((flags & O_TMPFILE) == O_TMPFILE && atomic_load(&noTmpFile)) {
        errno = EOPNOTSUPP;
        return 1;
    }
    if ((flags & (O_CREAT | O_TMPFILE)) && path && refuse(CLEAVO_FAULT_OPEN, path, -1))
        return 1;
    return 0;
}

/* The mode argument, given only when a file may be created. */
#define TAKE_MODE(flags)                                                                                               \
    mode_t mode = 0;                                                                                                   \
    if ((flags) & (O_CREAT | O_TMPFILE)) {                                                                             \
        va_list args;                                                                                                  \
        va_start(args, flags);                                                                                         \
        mode = va_arg(args, mode_t);                                                                                   \
        va_end(args);                                                                                                  \
    }

#define OPEN(name)                                                                                                     \
    int name(const char *path, int flags, ...)                                                                         \
    {                                                                                                                  \
        REAL(name, open_t);                                                                                            \
        TAKE_MODE(flags)                                                                                               \
        if (refuseOpen(path, flags))                                                                                   \
            return -1;                                                                                                 \
        return real_##name(path, flags, mode);                                                                         \
    }
OPEN(open)
OPEN(open64)

#define OPENAT(name)                                                                                                   \
    int name(int dir, const char *path, int flags, ...)                                                                \
    {                                                                                                                  \
        REAL(name, openat_t);                                                                                          \
        TAKE_MODE(flags)                                                                                               \
        if (refuseOpen(path, flags))                                                                                   \
            return -1;                                                                                                 \
        return real_##name(dir, path, flags, mode);                                                                    \
    }
OPENAT(openat)
OPENAT(openat64)
