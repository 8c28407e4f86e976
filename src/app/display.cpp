#include "app/display.h"

#include <QDir>
#include <QLibraryInfo>

namespace display {

namespace {

bool waylandPluginPresent()
{
    QStringList folders = qEnvironmentVariable("QT_PLUGIN_PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    folders << QLibraryInfo::path(QLibraryInfo::PluginsPath);
    for (const QString &folder : folders) {
        if (!QDir(folder + QStringLiteral("/platforms"))
                 .entryList({QStringLiteral("*qwayland*")}, QDir::Files)
                 .isEmpty())
            return true;
    }
    return false;
}

} // namespace

QString choosePlatform(const QStringList &arguments)
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || arguments.contains(QLatin1String("-platform"))
        || arguments.contains(QLatin1String("--platform")))
        return {};
    const bool x = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (wayland && waylandPluginPresent()) {
        if (!x)
            qputenv("QT_QPA_PLATFORM", "wayland");
        return {};
    }
    if (x) {
        if (wayland)
            qputenv("QT_QPA_PLATFORM", "xcb");
        return {};
    }
    if (wayland)
        return QStringLiteral("cleavo: no display to use: this Wayland session needs Qt's Wayland platform plugin "
                              "(package qt6-wayland), and no X server was found (DISPLAY is unset)");
    return QStringLiteral("cleavo: no display found (DISPLAY and WAYLAND_DISPLAY are unset); start MP3 Cleavo from a "
                          "desktop session");
}

} // namespace display
