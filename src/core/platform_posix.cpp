// Where the program keeps its files, and how paths split, on Linux and other
// POSIX systems.

#include "core/platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace platform {

QString settingsRoot()
{
    const QByteArray xdg = qgetenv("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(QFile::decodeName(xdg)))
        return QFile::decodeName(xdg);
    return QDir::homePath() + QStringLiteral("/.config");
}

QString windowsDir()
{
    QString dir = settingsRoot() + QStringLiteral("/Quillfen");
    QDir().mkpath(dir);
    return dir;
}

QString sizeIniPath()
{
    return windowsDir() + QStringLiteral("/SG_2.ini");
}

bool isPathSeparator(QChar c)
{
    return c == QLatin1Char('/');
}

bool sameFile(const QString &a, const QString &b)
{
    struct stat sa {
    }, sb{};
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0)
        return false;
    if (::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

namespace {

FileIdentity identityFrom(const struct stat &st)
{
    return FileIdentity{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino), int64_t{st.st_size},
                        int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec};
}

} // namespace

std::optional<FileIdentity> identityOf(const QString &path)
{
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return identityFrom(st);
}

std::optional<FileIdentity> identityOf(int fd)
{
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0)
        return std::nullopt;
    return identityFrom(st);
}

QString fileManagerName()
{
    return QStringLiteral("file manager");
}

QString pageLocationText(const QString &page)
{
    // Where the page really is; the folder it was looked for in when it is missing.
    return page;
}

} // namespace platform
