// Opening a page or a file with xdg-open, as Linux desktops do.

#include "core/ui/launcher.h"

#include "core/platform.h"

#include <QPointer>
#include <QProcess>
#include <QTimer>

#include <memory>

namespace launcher {

void openWithDefault(const QUrl &url, QObject *context, std::function<void(bool)> done)
{
    // The process outlives the window when the opener runs the program itself.
    auto *opener = new QProcess;
    opener->setProgram(QStringLiteral("xdg-open"));
    // The URL exactly as written (a mail subject keeps its blanks).
    opener->setArguments({url.isLocalFile() ? url.toLocalFile() : url.toString()});
    if (platform::sessionBusBarred()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        opener->setProcessEnvironment(environment);
    }
    opener->setStandardInputFile(QProcess::nullDevice());
    opener->setStandardOutputFile(QProcess::nullDevice());
    opener->setStandardErrorFile(QProcess::nullDevice());

    struct Pending {
        QPointer<QObject> context;
        bool hadContext;
        std::function<void(bool)> done;
        void finish(bool ok)
        {
            if (!done)
                return;
            auto call = std::move(done);
            done = nullptr;
            if (!hadContext || context)
                call(ok);
        }
    };
    auto pending = std::make_shared<Pending>(Pending{context, context != nullptr, std::move(done)});

    QObject::connect(opener, &QProcess::finished, opener, [opener, pending](int code, QProcess::ExitStatus status) {
        pending->finish(status == QProcess::NormalExit && code == 0);
        opener->deleteLater();
    });
    QObject::connect(opener, &QProcess::errorOccurred, opener, [opener, pending](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            pending->finish(false);
            opener->deleteLater();
        }
    });
    QTimer::singleShot(kGraceMs, opener, [pending] { pending->finish(true); });
    opener->start();
}

} // namespace launcher
