// The lag between Play and the first advance of Position, and how far
// Position strays from the time played over 5 seconds (the audio device
// consumes in real time, also under the silent dummy driver).
//   bench_play FILE

#include "benchutil.h"
#include "core/mediaplayer.h"
#include "listening/mpgplayer.h"

#include <QCoreApplication>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    std::vector<double> lags, errors, worst;
    for (int run = 0; run < 5; ++run) {
        auto player = createAudioPlayer();
        player->setFileName(QString::fromLocal8Bit(argv[1]));
        if (!player->Open() || !player->setPosition(60000))
            return 1;
        using clock = std::chrono::steady_clock;
        const auto t0 = clock::now();
        if (!player->Play())
            return 1;
        while (player->Position() == 60000)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        const auto first = clock::now();
        lags.push_back(std::chrono::duration<double>(first - t0).count() * 1000);
        double maxError = 0, error = 0;
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(7));
            const double elapsed = std::chrono::duration<double>(clock::now() - t0).count() * 1000;
            const double played = player->Position() - 60000;
            error = std::fabs(played - elapsed);
            maxError = std::max(maxError, error);
            if (elapsed >= 5000)
                break;
        }
        errors.push_back(error);
        worst.push_back(maxError);
        player->Stop();
    }
    bench::row(QStringLiteral("Play to first advance of Position"), bench::median(lags), QStringLiteral("goal"), 30,
               QStringLiteral("ms"));
    bench::row(QStringLiteral("Position error after 5 s"), bench::median(errors), QStringLiteral("goal"), 30,
               QStringLiteral("ms"));
    bench::row(QStringLiteral("largest Position error within 5 s"), bench::median(worst), QStringLiteral("goal"), 30,
               QStringLiteral("ms"));
    return 0;
}
