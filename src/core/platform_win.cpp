// Where the program keeps its files, and how paths split, on Windows: beside
// the executable and in the Windows folder, as the program always has. This
// half is not built or tested on the Linux machines the program is made on.

#include "core/platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <windows.h>

namespace platform {

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

QString fileManagerName()
{
    return QStringLiteral("Windows explorer");
}

QString pageLocationText(const QString & /*page*/)
{
    return QStringLiteral("help.htm in the installed directory");
}

} // namespace platform
