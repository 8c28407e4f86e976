#include "listening/filereader.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::unique_ptr<FileReader> FileReader::open(const QString &path, size_t bufferSize, QString *error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        return nullptr;
    }
    return std::unique_ptr<FileReader>(new FileReader(fd, bufferSize));
}

FileReader::FileReader(int fd, size_t bufferSize) : m_fd(fd), m_buffer(new char[bufferSize]), m_capacity(bufferSize) {}

FileReader::~FileReader()
{
    ::close(m_fd);
}

void FileReader::watched(off_t position, ssize_t n)
{
    if (!m_watch)
        return;
    if (n < 0) {
        int none = 0;
        m_watch->error.compare_exchange_strong(none, errno);
        return;
    }
    const int64_t end = int64_t{position} + n;
    int64_t before = m_watch->read.load();
    while (end > before && !m_watch->read.compare_exchange_weak(before, end)) {
    }
}

ssize_t FileReader::readAt(off_t position, char *dst, size_t count)
{
    size_t done = 0;
    while (done < count) {
        const off_t inBuffer = position - m_bufferStart;
        if (inBuffer >= 0 && static_cast<size_t>(inBuffer) < m_bufferLength) {
            const size_t n = std::min(count - done, m_bufferLength - static_cast<size_t>(inBuffer));
            std::memcpy(dst + done, m_buffer.get() + inBuffer, n);
            done += n;
            position += static_cast<off_t>(n);
            continue;
        }
        if (m_watch && m_watch->stop.load())
            break;
        if (count - done >= m_capacity) {
            // A large request goes straight to the caller's memory.
            const ssize_t n = ::pread(m_fd, dst + done, count - done, position);
            if (n < 0 && errno == EINTR)
                continue;
            watched(position, n);
            if (n < 0)
                return done > 0 ? static_cast<ssize_t>(done) : -1;
            if (n == 0)
                break;
            done += static_cast<size_t>(n);
            position += n;
            continue;
        }
        const ssize_t n = ::pread(m_fd, m_buffer.get(), m_capacity, position);
        if (n < 0 && errno == EINTR)
            continue;
        watched(position, n);
        if (n < 0)
            return done > 0 ? static_cast<ssize_t>(done) : -1;
        m_bufferStart = position;
        m_bufferLength = static_cast<size_t>(n);
        if (n == 0)
            break;
    }
    return static_cast<ssize_t>(done);
}

void FileReader::setRegions(std::vector<audiomap::Region> regions)
{
    m_regions = std::move(regions);
    m_starts.clear();
    off_t start = 0;
    for (const audiomap::Region &r : m_regions) {
        m_starts.push_back(start);
        start += static_cast<off_t>(r.length);
    }
    m_regionsSize = start;
    m_hasRegions = true;
    m_position = 0;
}

ssize_t FileReader::read(void *out, size_t count)
{
    char *dst = static_cast<char *>(out);
    if (!m_hasRegions) {
        const ssize_t n = readAt(m_position, dst, count);
        if (n > 0)
            m_position += n;
        return n;
    }
    size_t done = 0;
    while (done < count && m_position < m_regionsSize) {
        // The region that holds the position.
        const size_t i = static_cast<size_t>(std::upper_bound(m_starts.begin(), m_starts.end(), m_position)
                                             - m_starts.begin() - 1);
        const audiomap::Region &r = m_regions[i];
        const off_t within = m_position - m_starts[i];
        const size_t n = std::min(count - done, static_cast<size_t>(static_cast<off_t>(r.length) - within));
        ssize_t got = static_cast<ssize_t>(n);
        if (r.offset < 0)
            std::memset(dst + done, 0, n);
        else
            got = readAt(static_cast<off_t>(r.offset) + within, dst + done, n);
        if (got < 0)
            return done > 0 ? static_cast<ssize_t>(done) : -1;
        done += static_cast<size_t>(got);
        m_position += got;
        if (static_cast<size_t>(got) < n)
            break; // the file ended early (it shrank)
    }
    return static_cast<ssize_t>(done);
}

off_t FileReader::seek(off_t offset, int whence)
{
    off_t base = 0;
    switch (whence) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = m_position; break;
    case SEEK_END: {
        if (m_hasRegions) {
            base = m_regionsSize;
            break;
        }
        struct stat st {};
        if (::fstat(m_fd, &st) != 0)
            return -1;
        base = st.st_size;
        break;
    }
    default: errno = EINVAL; return -1;
    }
    if (offset < 0 && base < -offset) {
        errno = EINVAL;
        return -1;
    }
    m_position = base + offset;
    return m_position;
}

ssize_t FileReader::readCallback(void *self, void *out, size_t count)
{
    return static_cast<FileReader *>(self)->read(out, count);
}

off_t FileReader::seekCallback(void *self, off_t offset, int whence)
{
    return static_cast<FileReader *>(self)->seek(offset, whence);
}

void FileReader::closeCallback(void *self)
{
    delete static_cast<FileReader *>(self);
}

audiomap::ReadAt FileReader::readsAt()
{
    return [this](int64_t offset, unsigned char *out, int64_t n) {
        return static_cast<int64_t>(
            readAt(static_cast<off_t>(offset), reinterpret_cast<char *>(out), static_cast<size_t>(n)));
    };
}
