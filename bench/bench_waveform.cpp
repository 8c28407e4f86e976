// The waveform strip: from the choice of a file (cut at the exact marks) to
// the first picture of it and to the picture of the whole track, against
// ffmpeg's showwavespic on the same file (each the first time the file is
// chosen: the program keeps the map of a file chosen before); and the
// decoding of a 30-second view in the middle of a long file.
//   bench_waveform LABEL FILE [LABEL FILE ...] --view FILE

#include "app/frmsplit.h"
#include "benchutil.h"
#include "chosen.h"
#include "core/ui/interaction.h"
#include "listening/mpgplayer.h"
#include "listening/ui/waveformstrip.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdio>

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
    window.findChild<QCheckBox *>(QStringLiteral("ChkExact"))->click();
    auto *strip = window.findChild<WaveformStrip *>(QStringLiteral("Waveform"));
    QCoreApplication::processEvents();
    int a = 1;
    for (; a + 1 < argc && QByteArray(argv[a]) != "--view"; a += 2) {
        const QString label = QString::fromLocal8Bit(argv[a]);
        chosen.file = QString::fromLocal8Bit(argv[a + 1]);
        // Once: a file chosen again has its map kept, and shows at once.
        std::vector<double> first, whole, theirs;
        for (int i = 0; i < 1; ++i) {
            QElapsedTimer clock;
            clock.start();
            window.findChild<QPushButton *>(QStringLiteral("Cmdselect"))->click();
            double shown = -1;
            while (!strip->isWhole() && clock.elapsed() < 60000) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
                if (shown < 0 && strip->knownMs() > 0)
                    shown = clock.nsecsElapsed() / 1e9;
            }
            first.push_back(shown);
            whole.push_back(clock.nsecsElapsed() / 1e9);
            theirs.push_back(bench::timeCommand(
                QStringLiteral("ffmpeg -v error -i '%1' -filter_complex showwavespic=s=488x96 -frames:v 1 -y %2/w.png")
                    .arg(chosen.file, config.path())));
        }
        bench::row(QStringLiteral("choice to the first waveform, ") + label, bench::median(first),
                   QStringLiteral("ffmpeg showwavespic"), bench::median(theirs), QStringLiteral("s"));
        bench::row(QStringLiteral("choice to the whole track's waveform, ") + label, bench::median(whole),
                   QStringLiteral("ffmpeg showwavespic"), bench::median(theirs), QStringLiteral("s"));
    }
    if (a + 1 < argc) {
        // 30 seconds in the middle, decoded for 488 columns, against the goal.
        const QString file = QString::fromLocal8Bit(argv[a + 1]);
        const std::shared_ptr<const SourceMap> map = sourceMap(file);
        long rate = 0;
        int channels = 0;
        int64_t frames = 0;
        if (!map || !openDecoder(file, rate, channels, frames))
            return 1;
        const double middle = double(frames) * 1000 / double(rate) / 2;
        const waveform::View view{middle, 30000.0 / 488, 488};
        const std::atomic<bool> cancel{false};
        std::vector<double> times;
        for (int i = 0; i < 7; ++i)
            times.push_back(bench::timeIt([&] {
                if (!waveform::decodedPeaks(file, *map, view, cancel))
                    std::exit(1);
            }));
        bench::row(QStringLiteral("decoded 30 s view in the middle of 10 h VBR"), bench::median(times),
                   QStringLiteral("goal"), 0.1, QStringLiteral("s"));
        // The longest view drawn from samples: its first part, and the whole.
        const waveform::View longest{middle, waveform::kDecodedMs / 488, 488};
        std::vector<double> parts;
        times.clear();
        for (int i = 0; i < 3; ++i) {
            QElapsedTimer clock;
            clock.start();
            double part = -1;
            if (!waveform::decodedPeaks(file, *map, longest, cancel, nullptr, [&](const std::vector<float> &, int) {
                    if (part < 0)
                        part = clock.nsecsElapsed() / 1e9;
                }))
                return 1;
            times.push_back(clock.nsecsElapsed() / 1e9);
            parts.push_back(part);
        }
        bench::row(QStringLiteral("decoded 10 min view, its first part drawn"), bench::median(parts),
                   QStringLiteral("goal"), 0.1, QStringLiteral("s"));
        bench::row(QStringLiteral("decoded 10 min view, whole"), bench::median(times), QStringLiteral("goal"), 0.1,
                   QStringLiteral("s"));
    }
    return 0;
}
