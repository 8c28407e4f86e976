#include "core/platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace platform {

#ifdef Q_OS_WIN

QString windowsDir()
{
    char buffer[200] = {};
    if (GetWindowsDirectoryA(buffer, sizeof buffer) == 0)
        return QStringLiteral("c:\\windows");
    return QString::fromLocal8Bit(buffer);
}

QString sizeIniPath()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath()) + QStringLiteral("\\SG_2.ini");
}

QString settingsRoot()
{
    return {};
}

bool isPathSeparator(QChar c)
{
    return c == QLatin1Char('\\') || c == QLatin1Char('/') || c == QLatin1Char(':');
}

bool sameFile(const QString &a, const QString &b)
{
    const QFileInfo fa(a), fb(b);
    return fa.exists() && fb.exists()
        && fa.canonicalFilePath().compare(fb.canonicalFilePath(), Qt::CaseInsensitive) == 0;
}

#else

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

#endif

const char *const kNoSessionBus = "disabled:";

bool barSessionBusLaunch()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return false;
    // The bus of the user's session, where no address is given.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime + QStringLiteral("/bus")).exists())
        return false;
    qputenv("DBUS_SESSION_BUS_ADDRESS", kNoSessionBus);
    return true;
}

bool sessionBusBarred()
{
    return qgetenv("DBUS_SESSION_BUS_ADDRESS") == kNoSessionBus;
}

} // namespace platform
