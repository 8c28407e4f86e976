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
