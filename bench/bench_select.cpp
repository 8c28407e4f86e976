// Time from choosing a file in the open dialog to a window that answers again
// (the selection's handler has returned and the next event is taken), on long
// MP3s, against ffprobe's duration of the same file in the same run.
//   bench_select LABEL FILE [LABEL FILE ...]

#include "app/frmsplit.h"
#include "benchutil.h"
#include "chosen.h"
#include "core/mediaplayer.h"
#include "core/ui/interaction.h"
#include "listening/mpgplayer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

// The open dialog answered with one file; any message ends the run.

double ffprobe(const QString &file)
{
    QProcess probe;
    return bench::timeIt([&] {
        probe.start(QStringLiteral("ffprobe"),
                    {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                     QStringLiteral("format=duration"), QStringLiteral("-of"), QStringLiteral("csv=p=0"), file});
        probe.waitForFinished(-1);
    });
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);
    bench::Chosen chosen;
    Services services;
    services.ui = &chosen;
    services.player1 = createAudioPlayer();
    services.player2 = createAudioPlayer();
    TFrmsplit window(std::move(services));
    window.show();
    QCoreApplication::processEvents();
    for (int a = 1; a + 1 < argc; a += 2) {
        const QString label = QString::fromLocal8Bit(argv[a]);
        chosen.file = QString::fromLocal8Bit(argv[a + 1]);
        std::vector<double> ours, theirs;
        for (int i = 0; i < 7; ++i) {
            ours.push_back(bench::timeIt([&] {
                window.findChild<QPushButton *>(QStringLiteral("Cmdselect"))->click();
                // Answering: the next event posted is taken.
                bool answered = false;
                QTimer::singleShot(0, &window, [&] { answered = true; });
                while (!answered)
                    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            }));
            theirs.push_back(ffprobe(chosen.file));
        }
        // The length shows from the header, or once the file is read.
        QElapsedTimer clock;
        clock.start();
        while (window.findChild<QLabel *>(QStringLiteral("LblEnd"))->text().isEmpty() && clock.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (window.findChild<QLabel *>(QStringLiteral("LblEnd"))->text().toLongLong() <= 0)
            return 1;
        bench::row(QStringLiteral("choose a file to an answering window, ") + label, bench::median(ours),
                   QStringLiteral("ffprobe duration"), bench::median(theirs), QStringLiteral("s"));
    }
    return 0;
}
