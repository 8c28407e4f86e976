// Opening a page or a file where the system's desktop services do it
// (Windows, macOS). This half is not built or tested on the Linux machines the
// program is made on.

#include "core/ui/launcher.h"

#include <QDesktopServices>
#include <QPointer>
#include <QTimer>

namespace launcher {

void openWithDefault(const QUrl &url, QObject *context, std::function<void(bool)> done)
{
    const bool ok = QDesktopServices::openUrl(url);
    QPointer<QObject> guard(context);
    QTimer::singleShot(0, [guard, hadContext = context != nullptr, done = std::move(done), ok] {
        if (!hadContext || guard)
            done(ok);
    });
}

} // namespace launcher
