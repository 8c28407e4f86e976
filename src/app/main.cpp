#include "app/frmsplit.h"
#include "core/interaction.h"
#include "listening/mediaplayer.h"

#include <QApplication>
#include <QScreen>

#include <csignal>

int main(int argc, char *argv[])
{
#ifdef SIGXFSZ
    // A file-size limit fails the write that meets it instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("cleavo"));
    QGuiApplication::setDesktopFileName(QStringLiteral("cleavo"));

    QtInteraction interaction;
    Services services;
    services.ui = &interaction;
    services.player1 = createAudioPlayer();
    services.player2 = createAudioPlayer();
    TFrmsplit window(std::move(services));
    interaction.setOwner(&window);

    if (QScreen *screen = window.screen()) {
        const QRect area = screen->availableGeometry();
        window.move(area.center() - QPoint(window.width() / 2, window.height() / 2));
    }
    window.show();
    return app.exec();
}
