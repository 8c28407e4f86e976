#include "listening/audiomap.h"
#include "listening/layer3.h"
#include "listening/mpgplayer.h"
#include "listening/waveform.h"
#include "support/fakes.h"

#include <QTest>

#include <cmath>
#include <cstring>

using waveform::View;

namespace {

// Pearson's correlation of two rows of levels.
double correlation(const std::vector<float> &a, const std::vector<float> &b)
{
    const size_t n = std::min(a.size(), b.size());
    double ma = 0, mb = 0;
    for (size_t i = 0; i < n; ++i) {
        ma += a[i];
        mb += b[i];
    }
    ma /= double(n);
    mb /= double(n);
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < n; ++i) {
        ab += (a[i] - ma) * (b[i] - mb);
        aa += (a[i] - ma) * (a[i] - ma);
        bb += (b[i] - mb) * (b[i] - mb);
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

} // namespace

class TestWaveform : public QObject {
    Q_OBJECT

    // The overview and the decoded levels of the whole of path, one column
    // for about every frame.
    static std::pair<std::vector<float>, std::vector<float>> bothLevels(const QString &path, int *ms = nullptr)
    {
        long rate = 0;
        int channels = 0;
        int64_t frames = 0;
        std::shared_ptr<const SourceMap> map;
        if (!openDecoder(path, rate, channels, frames, nullptr, &map) || !map)
            return {};
        const double lengthMs = double(frames) * 1000 / double(rate);
        const waveform::Loudness loudness = waveform::loudnessOf(*map);
        const int columns = int(lengthMs * loudness.sampleRate / 1000 / loudness.samplesPerFrame);
        const View view = waveform::whole(lengthMs, columns);
        const std::atomic<bool> cancel{false};
        if (ms)
            *ms = int(lengthMs);
        return {waveform::overview(loudness, view),
                waveform::decodedPeaks(path, *map, view, cancel).value_or(std::vector<float>())};
    }

private slots:
    void theOverviewFollowsTheDecodedSound_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("measured"); // only measured: the correlation is printed
        for (const char *name : {"gaps_44k_3000ms.mp3", "cbr_44k_stereo_3000ms.mp3", "vbr_xing_3000ms.mp3",
                                 "mono_22k_2000ms.mp3", "mpeg25_11k_stereo_2000ms.mp3", "lowrate_32k_2000ms.mp3"})
            QTest::newRow(name) << testData(name) << false;
        // More files to measure with, such as speech and music.
        for (const QString &extra : qEnvironmentVariable("CLEAVO_WAVEFORM_FILES").split(u':', Qt::SkipEmptyParts))
            QTest::newRow(qPrintable(extra)) << extra << true;
    }
    // Where the decoded sound is silent the overview is flat, and it rises
    // and falls with the decoded sound elsewhere.
    void theOverviewFollowsTheDecodedSound()
    {
        QFETCH(QString, path);
        QFETCH(bool, measured);
        const auto [drawn, decoded] = bothLevels(path);
        QVERIFY(!drawn.empty());
        QCOMPARE(decoded.size(), drawn.size());
        const double r = correlation(drawn, decoded);
        qInfo("%s: %zu columns, correlation %.3f", qPrintable(QFileInfo(path).fileName()), drawn.size(), r);
        if (measured)
            return;
        // A column of silence between two of silence (a frame's sound spreads
        // into its neighbours' time) is flat, or a sliver where the encoder
        // coded hiss below the scale's 60 dB.
        int silent = 0;
        for (size_t i = 1; i + 1 < drawn.size(); ++i) {
            if (decoded[i - 1] == 0 && decoded[i] == 0 && decoded[i + 1] == 0) {
                ++silent;
                QVERIFY2(drawn[i] <= 0.15F, qPrintable(QStringLiteral("column %1: %2").arg(i).arg(drawn[i])));
            }
        }
        if (silent > 0)
            QVERIFY2(r > 0.9, qPrintable(QString::number(r)));
    }

    // The tone, a second of silence, the tone: the silence is drawn flat,
    // each tone tall, in the overview and decoded alike.
    void silenceIsFlatAndTheToneTall()
    {
        int ms = 0;
        const auto [drawn, decoded] = bothLevels(testData("gaps_44k_3000ms.mp3"), &ms);
        QVERIFY(ms > 2900);
        for (const auto *levels : {&drawn, &decoded}) {
            const size_t n = levels->size();
            const auto at = [&](double seconds) {
                return (*levels)[size_t(seconds * 1000 / ms * double(n))];
            };
            for (double t : {0.3, 0.5, 0.8, 2.2, 2.5, 2.8})
                QVERIFY2(at(t) > 0.5, qPrintable(QStringLiteral("%1 s: %2").arg(t).arg(at(t))));
            for (double t : {1.2, 1.5, 1.8})
                QCOMPARE(at(t), 0.0F);
        }
    }

    // Columns and times at every zoom, from the whole hour to 1 ms a pixel:
    // a column's time maps back to it, the time under the pointer stays
    // under it, and the view stays within the track.
    void timesAndColumnsAtEveryZoom()
    {
        const double hour = 3600000;
        View view = waveform::whole(hour, 480);
        QCOMPARE(view.startMs, 0.0);
        QCOMPARE(view.endMs(), hour);
        int steps = 0;
        while (view.msPerPixel > waveform::kFinestMsPerPixel) {
            const double x = 37 + steps * 11 % 400;
            const double under = view.msAt(x);
            const View closer = waveform::zoomed(view, 1.5, x, hour);
            QVERIFY(closer.msPerPixel < view.msPerPixel);
            QVERIFY(closer.startMs >= 0 && closer.endMs() <= hour + 1e-6);
            if (closer.startMs > 0 && closer.endMs() < hour - 1e-6)
                QVERIFY(std::abs(closer.msAt(x) - under) < 1e-6 * hour);
            for (double column : {0.0, 1.0, 239.5, 479.0})
                QVERIFY(std::abs(closer.xAt(closer.msAt(column)) - column) < 1e-6);
            view = closer;
            ++steps;
        }
        QCOMPARE(view.msPerPixel, waveform::kFinestMsPerPixel);
        QVERIFY(steps > 20);
        // No closer than 1 ms a pixel, no farther than the whole track.
        QCOMPARE(waveform::zoomed(view, 4, 100, hour).msPerPixel, waveform::kFinestMsPerPixel);
        QCOMPARE(waveform::zoomed(view, 1e-9, 100, hour).msPerPixel, hour / 480);
        QCOMPARE(waveform::zoomed(view, 1e-9, 100, hour).startMs, 0.0);
        // Scrolled within the track.
        QCOMPARE(waveform::scrolled(view, -1e9, hour).startMs, 0.0);
        QCOMPARE(waveform::scrolled(view, 1e12, hour).endMs(), hour);
        const View moved = waveform::scrolled(waveform::scrolled(view, -1e9, hour), 120, hour);
        QCOMPARE(moved.startMs, 120.0);
        // Followed: the same view while the position is in it, else the page
        // that begins at it.
        const View page{60000, 10, 480};
        QCOMPARE(waveform::following(page, 62000, hour).startMs, 60000.0);
        QCOMPARE(waveform::following(page, 64800, hour).startMs, 64800.0);
        QCOMPARE(waveform::following(page, 1000, hour).startMs, 1000.0);
        QCOMPARE(waveform::following(page, hour - 1, hour).endMs(), hour);
        // A track shorter than the strip at 1 ms a pixel.
        const View shortTrack = waveform::whole(200, 480);
        QCOMPARE(shortTrack.msPerPixel, waveform::kFinestMsPerPixel);
        QCOMPARE(waveform::scrolled(shortTrack, 50, 200).startMs, 0.0);
    }

    // A view in the middle is decoded from its own frames, and gives the
    // same levels as those columns of a decode from the start.
    void aViewInTheMiddleIsDecodedFromItsFrames()
    {
        const QString path = testData("gaps_44k_3000ms.mp3");
        std::shared_ptr<const SourceMap> map = sourceMap(path);
        QVERIFY(map);
        const std::atomic<bool> cancel{false};
        const View all{0, 5, 600};
        const View middle{1900, 5, 100}; // the silence's end and the tone's start
        const auto whole = waveform::decodedPeaks(path, *map, all, cancel);
        const auto part = waveform::decodedPeaks(path, *map, middle, cancel);
        QVERIFY(whole && part);
        for (int x = 2; x < 98; ++x)
            QVERIFY2(
                std::abs((*part)[size_t(x)] - (*whole)[size_t(x + 380)]) < 0.02,
                qPrintable(QStringLiteral("%1: %2 %3").arg(x).arg((*part)[size_t(x)]).arg((*whole)[size_t(x + 380)])));
        const std::atomic<bool> stop{true};
        QString error;
        QVERIFY(!waveform::decodedPeaks(path, *map, middle, stop, &error));
    }

    // A view of two minutes is decoded from the channels mixed, and handed
    // out in parts as it goes: each part as the whole gives those columns.
    void aLongViewIsDecodedMixedAndInParts()
    {
        // Forty times the tone, a second of silence and the tone, as one stream.
        const QByteArray one = readAll(testData("gaps_44k_3000ms.mp3"));
        const auto *bytes = reinterpret_cast<const unsigned char *>(one.constData());
        audiomap::Summary summary;
        const auto regions = audiomap::scan(
            [&](int64_t at, unsigned char *out, int64_t n) {
                const int64_t got = std::max<int64_t>(0, std::min<int64_t>(n, one.size() - at));
                std::memcpy(out, bytes + at, size_t(got));
                return got;
            },
            one.size(), &summary);
        QVERIFY(!regions.empty() && summary.declaredFrames);
        const int64_t audio = regions.front().offset + layer3::parseHeader(bytes + regions.front().offset)->frameBytes;
        QByteArray joined;
        for (int i = 0; i < 40; ++i)
            joined += one.mid(qsizetype(audio), qsizetype(regions.front().offset + regions.front().length - audio));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("long.mp3"));
        writeFile(path, joined);
        long rate = 0;
        int channels = 0;
        int64_t frames = 0;
        std::shared_ptr<const SourceMap> map;
        QVERIFY(openDecoder(path, rate, channels, frames, nullptr, &map) && map);
        const double lengthMs = double(frames) * 1000 / double(rate);
        QVERIFY(lengthMs > waveform::kStereoMs);
        const View view = waveform::whole(lengthMs, 400);
        const std::atomic<bool> cancel{false};
        std::vector<std::vector<float>> parts;
        const auto whole = waveform::decodedPeaks(path, *map, view, cancel, nullptr,
                                                  [&](const std::vector<float> &levels, int columns) {
                                                      QCOMPARE(size_t(columns), levels.size());
                                                      parts.push_back(levels);
                                                  });
        QVERIFY(whole);
        for (int x = 0; x < view.width; ++x) {
            const double within = std::fmod(view.msAt(x + 0.5), lengthMs / 40);
            if (within > 1300 && within < 1700)
                QVERIFY2((*whole)[size_t(x)] == 0, qPrintable(QStringLiteral("column %1").arg(x)));
            else if ((within > 300 && within < 700) || (within > 2300 && within < 2700))
                QVERIFY2((*whole)[size_t(x)] > 0.5, qPrintable(QStringLiteral("column %1").arg(x)));
        }
        qInfo("%zu parts", parts.size());
        for (const std::vector<float> &part : parts) {
            for (size_t x = 0; x + 1 < part.size(); ++x)
                QCOMPARE(part[x], (*whole)[x]);
        }
    }
};

QTEST_GUILESS_MAIN(TestWaveform)
#include "tst_waveform.moc"
