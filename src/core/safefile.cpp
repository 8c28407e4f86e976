#include "core/safefile.h"

#include "core/errors.h"
#include "core/leftovers.h"
#include "core/termination.h"

#include <QFileDevice>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#endif

namespace safefile {

namespace {

#ifdef Q_OS_UNIX
bool failedWith(QString *reason, int error)
{
    return failed(reason, QString::fromLocal8Bit(std::strerror(error)));
}

bool pwriteAll(int fd, const char *data, size_t n)
{
    off_t at = 0;
    while (n > 0) {
        const ssize_t w = ::pwrite(fd, data, n, at);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0) {
            if (w == 0)
                errno = ENOSPC;
            return false;
        }
        data += w;
        n -= static_cast<size_t>(w);
        at += w;
    }
    return true;
}

bool preadAll(int fd, QByteArray &out, off_t size)
{
    out.resize(static_cast<qsizetype>(size));
    off_t at = 0;
    while (at < size) {
        const ssize_t r = ::pread(fd, out.data() + at, static_cast<size_t>(size - at), at);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        at += r;
    }
    return true;
}

// Writes content over the open file and cuts it to its length: true when
// every call succeeded and the data is on the device.
bool overwrite(int fd, const QByteArray &content)
{
    return pwriteAll(fd, content.constData(), static_cast<size_t>(content.size()))
        && ::ftruncate(fd, static_cast<off_t>(content.size())) == 0 && ::fdatasync(fd) == 0;
}
#endif

} // namespace

bool writeAll(QFileDevice &out, const char *data, qint64 n, QString *reason)
{
    while (n > 0) {
        // A write that returns nothing sets no errno: the reason must not be
        // one left over from an earlier call.
        errno = 0;
        const qint64 w = out.write(data, n);
        if (w <= 0) {
            if (errno == 0)
                return failed(reason, QStringLiteral("the device accepted no data"));
            return failed(reason, out.errorString());
        }
        data += w;
        n -= w;
    }
    return true;
}

#ifdef Q_OS_UNIX
// Whether a refused change of permissions (error) comes from a filesystem that
// has none to change: it does not implement them (a FUSE mount of a FAT
// stick), or its modes are fixed by the mount (FAT, exFAT, NTFS, ISO 9660).
bool withoutPermissions(int fd, int error)
{
    if (error == ENOSYS || error == ENOTSUP || error == EOPNOTSUPP)
        return true;
    struct statfs fs {};
    if (error != EPERM || ::fstatfs(fd, &fs) != 0)
        return false;
    constexpr unsigned long kFixedModes[] = {0x4d44 /* FAT */, 0x2011BAB0 /* exFAT */, 0x5346544e /* NTFS */,
                                             0x9660 /* ISO 9660 */, 0x15013346 /* UDF */};
    return std::find(std::begin(kFixedModes), std::end(kFixedModes), static_cast<unsigned long>(fs.f_type))
        != std::end(kFixedModes);
}
#endif

bool keepPermissions(QFileDevice &out, const QString &path, QString *reason)
{
#ifdef Q_OS_UNIX
    struct stat st {};
    mode_t mode = 0;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode)) {
        mode = st.st_mode & 0777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(out.handle(), mode) != 0 && !withoutPermissions(out.handle(), errno))
        return failedWith(reason, errno);
#else
    Q_UNUSED(out);
    Q_UNUSED(path);
    Q_UNUSED(reason);
#endif
    return true;
}

bool syncData(QFileDevice &out, QString *reason)
{
    if (!out.flush())
        return failed(reason, out.errorString());
#ifdef Q_OS_UNIX
    // A file that cannot be synced at all (EINVAL: no such thing for it) has
    // nothing waiting to fail.
    if (::fdatasync(out.handle()) != 0 && errno != EINVAL)
        return failedWith(reason, errno);
#endif
    return true;
}

bool replace(const QString &path, const QByteArray &data, QString *reason)
{
    const termination::WriteInProgress writing;
    leftovers::removeFrom(path);
    QSaveFile out(path);
    if (out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        leftovers::mark(out, path);
        if (!keepPermissions(out, path, reason) || !writeAll(out, data.constData(), data.size(), reason)) {
            out.cancelWriting();
            return false;
        }
        if (!syncData(out, reason)) {
            out.cancelWriting();
            return false;
        }
        if (!out.commit())
            return failed(reason, out.errorString());
        leftovers::unmark(path);
        return true;
    }
    const QFileInfo info(path);
    if (info.isFile() && info.isWritable())
        return writeInPlace(path, data, reason);
    return failed(reason, out.errorString());
}

PendingFile::PendingFile(QString destination) : m_destination(std::move(destination)) {}

PendingFile::~PendingFile()
{
    if (m_committed || m_path.isEmpty())
        return;
    m_file.close();
    ::unlink(m_path.constData());
}

bool PendingFile::open(QString *reason)
{
    const QFileInfo info(m_destination);
    const QByteArray stem = QFile::encodeName(info.absolutePath() + QLatin1Char('/')
                                              + leftovers::unfinishedStem(info.fileName()) + QLatin1Char('.'));
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray path = stem;
        for (int i = 0; i < 6; ++i)
            path += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return failedWith(reason, errno);
        m_path = path;
        if (!m_file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            return failed(reason, m_file.errorString());
        }
        leftovers::mark(m_file, m_destination);
        return true;
    }
    return failedWith(reason, EEXIST);
}

bool PendingFile::commit(QString *reason)
{
    // The data was synced before: a close that fails can no longer lose it.
    m_file.close();
    if (::rename(m_path.constData(), QFile::encodeName(m_destination).constData()) != 0)
        return failedWith(reason, errno);
    m_committed = true;
    leftovers::unmark(m_destination);
    return true;
}

bool writeInPlace(const QString &path, const QByteArray &data, QString *reason)
{
#ifdef Q_OS_UNIX
    const termination::WriteInProgress writing;
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return failedWith(reason, errno);
    struct stat st {};
    QByteArray old;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !preadAll(fd, old, st.st_size)) {
        const int error = S_ISREG(st.st_mode) ? errno : EINVAL;
        ::close(fd);
        return failedWith(reason, error);
    }
    // Blocks that the file has already cost nothing here.
    const int error = data.isEmpty() ? 0 : ::posix_fallocate(fd, 0, static_cast<off_t>(data.size()));
    if (error != 0) {
        // What a partial allocation added goes; the old bytes were never touched.
        [[maybe_unused]] const int cut = ::ftruncate(fd, st.st_size);
        ::close(fd);
        return failedWith(reason, error);
    }
    if (!overwrite(fd, data)) {
        const int error = errno;
        overwrite(fd, old);
        ::close(fd);
        return failedWith(reason, error);
    }
    if (::close(fd) != 0) {
        // The data may not be where it should: the old bytes go back.
        const int error = errno;
        const int again = ::open(name.constData(), O_RDWR | O_CLOEXEC);
        if (again >= 0) {
            overwrite(again, old);
            ::close(again);
        }
        return failedWith(reason, error);
    }
    return true;
#else
    QSaveFile out(path);
    out.setDirectWriteFallback(true);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failed(reason, out.errorString());
    if (!writeAll(out, data.constData(), data.size(), reason) || !syncData(out, reason))
        return false;
    if (!out.commit())
        return failed(reason, out.errorString());
    return true;
#endif
}

} // namespace safefile
