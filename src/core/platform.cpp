#include "core/platform.h"

#include <QFileInfo>

namespace platform {

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
