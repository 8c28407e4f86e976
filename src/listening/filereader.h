#pragma once
// A file read through one large buffer, for the decoder: it reads an MP3 frame
// by frame, and a system call per frame makes scanning a long file slow. The
// file is read with pread into the buffer, never mapped into memory, so a file
// that shrinks while it is open only ends early.

#include "listening/audiomap.h"

#include <QString>
#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// A reading watched from another thread: how far it has read, a request to
// stop (reads then give nothing, as at the end), and the first error.
struct ReadWatch {
    std::atomic<int64_t> read{0};
    std::atomic<bool> stop{false};
    std::atomic<int> error{0}; // errno
    // Told of the walk's progress over the file, on the reading's thread.
    audiomap::Progress walked;
};

class FileReader {
public:
    static constexpr size_t kDefaultBuffer = 1 << 20;

    // Opens path for reading only; none, with the system's reason in error,
    // when it cannot be opened.
    [[nodiscard]] static std::unique_ptr<FileReader> open(const QString &path, size_t bufferSize = kDefaultBuffer,
                                                          QString *error = nullptr);
    ~FileReader();
    FileReader(const FileReader &) = delete;
    FileReader &operator=(const FileReader &) = delete;

    // As POSIX read and lseek: bytes read (0 at the end, -1 on an error), the
    // new offset (-1 for an offset before the start or an unknown whence).
    [[nodiscard]] ssize_t read(void *out, size_t count);
    [[nodiscard]] off_t seek(off_t offset, int whence);

    // From now on the reader shows only these regions of the file, one after
    // the other, from position 0.
    void setRegions(std::vector<audiomap::Region> regions);
    // Reads up to count bytes at a position of the file itself.
    [[nodiscard]] ssize_t readAt(off_t position, char *dst, size_t count);
    // readAt as the walk of the file reads (audiomap::ReadAt), for as long as the reader lives.
    [[nodiscard]] audiomap::ReadAt readsAt();
    // From now on every read is told to watch, which may stop them.
    void watchBy(ReadWatch *watch) { m_watch = watch; }

    // How the decoder calls them, with the reader as its handle.
    static ssize_t readCallback(void *self, void *out, size_t count);
    static off_t seekCallback(void *self, off_t offset, int whence);
    static void closeCallback(void *self);

private:
    FileReader(int fd, size_t bufferSize);
    void watched(off_t position, ssize_t n); // a read of n bytes at position, or -1

    int m_fd;
    std::unique_ptr<char[]> m_buffer;
    size_t m_capacity;
    off_t m_bufferStart = 0; // file offset of m_buffer[0]
    size_t m_bufferLength = 0;
    off_t m_position = 0;
    bool m_hasRegions = false;
    std::vector<audiomap::Region> m_regions;
    std::vector<off_t> m_starts; // position of each region in what is shown
    off_t m_regionsSize = 0;
    ReadWatch *m_watch = nullptr;
};
