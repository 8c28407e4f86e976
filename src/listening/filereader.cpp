#include "listening/filereader.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::unique_ptr<FileReader> FileReader::open(const QString &path, size_t bufferSize)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    return std::unique_ptr<FileReader>(new FileReader(fd, bufferSize));
}

FileReader::FileReader(int fd, size_t bufferSize)
    : m_fd(fd), m_buffer(new char[bufferSize]), m_capacity(bufferSize)
{
}

FileReader::~FileReader()
{
    ::close(m_fd);
}

ssize_t FileReader::read(void *out, size_t count)
{
    char *dst = static_cast<char *>(out);
    size_t done = 0;
    while (done < count) {
        const off_t inBuffer = m_position - m_bufferStart;
        if (inBuffer >= 0 && static_cast<size_t>(inBuffer) < m_bufferLength) {
            const size_t n = std::min(count - done, m_bufferLength - static_cast<size_t>(inBuffer));
            std::memcpy(dst + done, m_buffer.get() + inBuffer, n);
            done += n;
            m_position += static_cast<off_t>(n);
            continue;
        }
        if (count - done >= m_capacity) {
            // A large request goes straight to the caller's memory.
            const ssize_t n = ::pread(m_fd, dst + done, count - done, m_position);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return done > 0 ? static_cast<ssize_t>(done) : -1;
            if (n == 0)
                break;
            done += static_cast<size_t>(n);
            m_position += n;
            continue;
        }
        const ssize_t n = ::pread(m_fd, m_buffer.get(), m_capacity, m_position);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return done > 0 ? static_cast<ssize_t>(done) : -1;
        m_bufferStart = m_position;
        m_bufferLength = static_cast<size_t>(n);
        if (n == 0)
            break;
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
