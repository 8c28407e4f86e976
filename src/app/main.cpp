#include "app/cmdline.h"
#include "app/display.h"
#include "app/frmsplit.h"
#include "core/errors.h"
#include "core/mediaplayer.h"
#include "core/platform.h"
#include "core/termination.h"
#include "core/ui/interaction.h"
#include "listening/mpgplayer.h"
#include "segment/segmentfile.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>

#include <csignal>
#include <cstdio>

namespace {

QtMessageHandler toolkitHandler = nullptr;

// The toolkit's own notes pass on, but for one that tells of a folder the
// program does not use: a desktop without a runtime folder is no fault.
void quieterMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    if (toolkitHandler)
        toolkitHandler(type, context, message);
}

} // namespace

int main(int argc, char *argv[])
{
    toolkitHandler = qInstallMessageHandler(quieterMessages);
#ifdef SIGXFSZ
    // A file-size limit fails the write that meets it instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    // A logout or kill during a write removes the unfinished file first.
    termination::install();
    // Before the toolkit starts: --help and --version need no display, and
    // touch no settings.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const cmdline::Request request = cmdline::parse(arguments);
    switch (request.action) {
    case cmdline::Request::Help: std::fputs(cmdline::helpText().toLocal8Bit().constData(), stdout); return 0;
    case cmdline::Request::Version: std::fputs(cmdline::versionText().toLocal8Bit().constData(), stdout); return 0;
    case cmdline::Request::Error: std::fprintf(stderr, "%s\n", request.error.toLocal8Bit().constData()); return 2;
    case cmdline::Request::Run: break;
    }

    // Why a settings file or the audio device failed, beyond what the window
    // says: one line for whoever started the program.
    setDiagnosticSink(
        [](const QString &line) { std::fprintf(stderr, "cleavo: %s\n", line.toLocal8Bit().constData()); });

    const QString noDisplay = display::choosePlatform(arguments);
    if (!noDisplay.isEmpty()) {
        std::fprintf(stderr, "%s\n", noDisplay.toLocal8Bit().constData());
        return 1;
    }

    platform::barSessionBusLaunch();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("cleavo"));
    QGuiApplication::setDesktopFileName(QStringLiteral("example.quillfen.Cleavo"));

    QtInteraction interaction;
    Services services;
    services.ui = &interaction;
    services.player1 = createAudioPlayer();
    services.player2 = createAudioPlayer();
    TFrmsplit window(std::move(services));
    interaction.setOwner(&window);
    interaction.setFinalSaveName(segment::withMp3Extension);

    if (QScreen *screen = window.screen()) {
        const QRect area = screen->availableGeometry();
        window.move(area.center() - QPoint(window.width() / 2, window.height() / 2));
    }
    window.show();
    window.placeFrame();
    if (!request.file.isEmpty()) {
        // Selected once the window shows, so that its messages show over it.
        QTimer::singleShot(0, &window, [&window, file = request.file] { window.OpenSourceFile(file); });
    }
    return app.exec();
}
