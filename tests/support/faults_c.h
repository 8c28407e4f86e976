#pragma once
/* Refusals of file system calls, for tests: see faults.c. */

#ifdef __cplusplus
extern "C" {
#endif

enum {
    CLEAVO_FAULT_WRITE,    /* write, pwrite */
    CLEAVO_FAULT_SYNC,     /* fsync, fdatasync */
    CLEAVO_FAULT_CLOSE,    /* close (the descriptor is closed all the same) */
    CLEAVO_FAULT_TRUNCATE, /* ftruncate */
    CLEAVO_FAULT_ALLOCATE, /* posix_fallocate, fallocate */
    CLEAVO_FAULT_RENAME,   /* rename, renameat, renameat2, linkat: by the new name */
    CLEAVO_FAULT_CHMOD,    /* fchmod */
    CLEAVO_FAULT_READ,     /* read, pread */
    CLEAVO_FAULT_OPEN,     /* open, openat of a file to be created (O_CREAT or O_TMPFILE) */
    CLEAVO_FAULT_SHORT,    /* write, pwrite: only half of the bytes (at least one) are written */
    CLEAVO_FAULT_MKDIR     /* mkdir, mkdirat: by the folder to be made */
};

/* The nth matching call (1 for the first, 0 for every one) of that kind, on a
 * file whose path contains pathPart, fails with error. Lock files (".lock")
 * are passed over, and so is the close of a file opened only for reading. A
 * write refused with error 0 returns 0: the device took nothing. */
void cleavo_fault_arm(int call, const char *pathPart, int nth, int error);
/* Ends every refusal, the slow writes and the refusal of unnamed files. */
void cleavo_fault_disarm(void);
/* Calls refused since the last arm. */
int cleavo_fault_refused(void);
/* Unnamed temporary files (O_TMPFILE) refused, as on vfat, NFS or CIFS. */
void cleavo_fault_no_tmpfile(int on);
/* The first call of that kind on a file whose path contains pathPart raises
 * signal first (then goes on), as a logout arriving just then. */
void cleavo_fault_signal_at(int call, const char *pathPart, int signal);
/* Each write to a file whose path contains pathPart first sleeps. */
void cleavo_fault_slow_writes(const char *pathPart, int microseconds);
/* Reads of a file whose path contains pathPart take as long as they would at
 * bytesPerSecond (a USB stick, a network share), page cache or not. */
void cleavo_fault_slow_reads(const char *pathPart, long bytesPerSecond);

#ifdef __cplusplus
}
#endif
