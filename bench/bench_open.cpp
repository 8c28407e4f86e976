// Time from the start of Open to a known Length on long MP3s (the length its
// header declares, where it declares one, while the file is still read beside
// it), and to the end of that reading, against ffprobe's duration of the same
// file.
//   bench_open LABEL FILE [LABEL FILE ...]

#include "benchutil.h"
#include "core/mediaplayer.h"
#include "listening/mpgplayer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    for (int a = 1; a + 1 < argc; a += 2) {
        const QString label = QString::fromLocal8Bit(argv[a]);
        const QString file = QString::fromLocal8Bit(argv[a + 1]);
        std::vector<double> ours, read, theirs;
        int length = 0;
        double probed = 0;
        for (int i = 0; i < 5; ++i) {
            auto player = createAudioPlayer();
            player->setFileName(file);
            bool told = false;
            player->opened = [&told] {
                told = true;
            };
            QElapsedTimer clock;
            clock.start();
            if (!player->BeginOpen())
                std::exit(1);
            // The first news: the declared length, or the end of the reading.
            while (!told)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (!player->Length() && !player->FinishOpen())
                std::exit(1);
            ours.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e9);
            while (player->isOpening() && !player->reading()->wait(1)) {
            }
            if (player->isOpening() && !player->FinishOpen())
                std::exit(1);
            read.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e9);
            length = player->Length().value_or(0);
            QProcess probe;
            theirs.push_back(bench::timeIt([&] {
                probe.start(QStringLiteral("ffprobe"),
                            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                             QStringLiteral("format=duration"), QStringLiteral("-of"), QStringLiteral("csv=p=0"),
                             file});
                probe.waitForFinished(-1);
            }));
            probed = probe.readAllStandardOutput().trimmed().toDouble() * 1000.0;
        }
        bench::row(QStringLiteral("file read whole, ") + label, bench::median(read), QStringLiteral("ffprobe duration"),
                   bench::median(theirs), QStringLiteral("s"));
        bench::row(QStringLiteral("open to length, ") + label, bench::median(ours), QStringLiteral("ffprobe duration"),
                   bench::median(theirs), QStringLiteral("s"));
        bench::row(QStringLiteral("length found, ") + label, length, QStringLiteral("ffprobe duration"), probed,
                   QStringLiteral("ms"));
    }
    return 0;
}
