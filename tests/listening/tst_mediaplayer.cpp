#include "listening/audiomap.h"
#include "listening/mpgplayer.h"
#include "support/fakes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QThread>

#include <QFile>
#include <QTest>
#include <unistd.h>

#include <mpg123.h>

#include <chrono>
#include <cmath>
#include <thread>

namespace {

std::unique_ptr<MediaPlayer> openOn(const QString &path)
{
    auto p = createAudioPlayer();
    p->setFileName(path);
    QString error;
    if (!p->Open(&error))
        qWarning("%s: %s", qPrintable(path), qPrintable(error)); // the test's checks fail after it
    return p;
}

// Waits until the player's position passes ms (or the time runs out).
int waitPast(MediaPlayer &p, int ms, int timeoutMs = 5000)
{
    QElapsedTimer t;
    t.start();
    int pos = p.Position();
    while (pos < ms && t.elapsed() < timeoutMs) {
        QTest::qWait(5);
        pos = p.Position();
    }
    return pos;
}

} // namespace

class TestMediaPlayer : public QObject {
    Q_OBJECT
private slots:
    void lengthOfEachFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("tolerance");
        QTest::newRow("cbr") << testData("cbr_44k_stereo_3000ms.mp3") << 3000 << 5;
        QTest::newRow("vbr xing") << testData("vbr_xing_3000ms.mp3") << 3000 << 5;
        QTest::newRow("vbr without xing") << testData("vbr_noxing_3000ms.mp3") << 3000 << 60;
        QTest::newRow("mono 22k") << testData("mono_22k_2000ms.mp3") << 2000 << 5;
        QTest::newRow("big id3") << testData("id3big_2000ms.mp3") << 2000 << 5;
    }
    void lengthOfEachFile()
    {
        QFETCH(QString, file);
        QFETCH(int, expected);
        QFETCH(int, tolerance);
        auto p = openOn(file);
        QVERIFY(p->isOpen());
        QVERIFY2(std::abs(p->Length().value() - expected) <= tolerance,
                 qPrintable(QString::number(p->Length().value())));
        QCOMPARE(p->Mode(), int(MediaPlayer::Stopped));
        QCOMPARE(p->Position(), 0);
    }

    // Where the first frame's Xing or Info header declares the frames the
    // walk counted, the length is taken from it without a second reading of
    // the file: it must be exactly what a full scan finds. Where it does not
    // (files joined with cat, no header), the file is scanned; where it
    // declares other frames (joined files), its delay and padding are the
    // first file's only, and are not cut.
    void theDeclaredLengthIsTheScannedLength_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("gapless");
        for (const char *name : {"cbr_44k_stereo_3000ms.mp3", "vbr_xing_3000ms.mp3", "vbr_noxing_3000ms.mp3",
                                 "mono_22k_2000ms.mp3", "id3big_2000ms.mp3"})
            QTest::addRow("%s", name) << readAll(testData(name)) << true;
        QTest::addRow("joined with cat") << readAll(testData("vbr_xing_3000ms.mp3"))
                + readAll(testData("cbr_44k_stereo_3000ms.mp3"))
                                         << false;
        QByteArray lying = readAll(testData("vbr_xing_3000ms.mp3"));
        const qsizetype xing = lying.indexOf("Xing");
        QVERIFY(xing > 0);
        lying[xing + 11] = char(lying[xing + 11] + 7); // seven frames more than there are
        QTest::addRow("a Xing header that lies") << lying << false;
    }
    void theDeclaredLengthIsTheScannedLength()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, gapless);
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/track.mp3");
        writeFile(path, file);
        long rate = 0;
        int channels = 0;
        int64_t frames = 0;
        const Decoder ours = openDecoder(path, rate, channels, frames);
        mpg123_handle *scanned = mpg123_new(nullptr, nullptr);
        QVERIFY(scanned);
        if (!gapless)
            mpg123_param(scanned, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
        QCOMPARE(mpg123_open(scanned, QFile::encodeName(path).constData()), MPG123_OK);
        QCOMPARE(mpg123_scan(scanned), MPG123_OK);
        const off_t expected = mpg123_length(scanned);
        mpg123_delete(scanned);
        QCOMPARE(frames, int64_t(expected));
    }

    void playPauseResumeStop()
    {
        auto p = openOn(testData("cbr_44k_stereo_3000ms.mp3"));
        QVERIFY(p->Play());
        QCOMPARE(p->Mode(), int(MediaPlayer::Playing));
        QTest::qWait(500);
        const int played = p->Position();
        QVERIFY2(played >= 300 && played <= 900, qPrintable(QString::number(played)));

        QVERIFY(p->Pause());
        QCOMPARE(p->Mode(), int(MediaPlayer::Paused));
        const int frozen = p->Position();
        QTest::qWait(200);
        QCOMPARE(p->Position(), frozen);
        QVERIFY(p->Pause()); // toggles back
        QCOMPARE(p->Mode(), int(MediaPlayer::Playing));
        QVERIFY(waitPast(*p, frozen + 100) > frozen + 100);
        QVERIFY(p->Pause());
        QVERIFY(p->Resume());
        QCOMPARE(p->Mode(), int(MediaPlayer::Playing));

        QVERIFY(p->Stop());
        QCOMPARE(p->Mode(), int(MediaPlayer::Stopped));
        const int stopped = p->Position();
        QTest::qWait(100);
        QCOMPARE(p->Position(), stopped);
        QVERIFY(stopped > frozen);
        QVERIFY(p->Play()); // on from where it stopped
        QTest::qWait(100);
        QVERIFY(p->Position() >= stopped);
        QVERIFY(p->Stop());
    }

    // Open and silent (never played, paused, stopped): no thread of the
    // program wakes, and the device is not kept running.
    void silentMeansAsleep()
    {
#if defined(__SANITIZE_THREAD__)
        QSKIP("the thread sanitizer's own thread wakes the process");
#endif
        auto p = openOn(testData("cbr_44k_stereo_3000ms.mp3"));
        const auto otherThreadsWakeUps = [] {
            long total = 0;
            const QString self = QString::number(gettid());
            for (const QString &task :
                 QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
                if (task == self)
                    continue;
                for (const QByteArray &line :
                     readAll(QStringLiteral("/proc/self/task/%1/status").arg(task)).split('\n'))
                    if (line.contains("ctxt_switches:"))
                        total += line.split('\t').last().trimmed().toLong();
            }
            return total;
        };
        for (int state = 0; state < 3; ++state) {
            if (state == 1) {
                QVERIFY(p->Play());
                QTest::qWait(200);
                QVERIFY(p->Pause());
            } else if (state == 2) {
                QVERIFY(p->Stop());
            }
            QThread::msleep(100); // what was under way settles
            const long before = otherThreadsWakeUps();
            QThread::msleep(1000);
            const long woken = otherThreadsWakeUps() - before;
            QVERIFY2(woken <= 3, qPrintable(QStringLiteral("state %1: %2 wake-ups in a second").arg(state).arg(woken)));
        }
    }

    void positionWritesStopThePlayerThere()
    {
        auto p = openOn(testData("vbr_xing_3000ms.mp3"));
        QVERIFY(p->Play());
        QTest::qWait(100);
        QVERIFY(p->setPosition(2000));
        QCOMPARE(p->Mode(), int(MediaPlayer::Stopped));
        QCOMPARE(p->Position(), 2000);
        QVERIFY(p->setPosition(-500));
        QVERIFY(p->setPosition(p->Length().value() + 1));
        QCOMPARE(p->Position(), 2000);
        QCOMPARE(p->Mode(), int(MediaPlayer::Stopped));
        QVERIFY(p->Play());
        QVERIFY(waitPast(*p, 2100) >= 2100);
        QVERIFY(p->Stop());
    }

    void writtenPositionsReadBackExactly()
    {
        auto p = openOn(testData("mono_22k_2000ms.mp3"));
        for (int ms : {1, 7, 333, 1001, 1999, p->Length().value()}) {
            QVERIFY(p->setPosition(ms));
            QCOMPARE(p->Position(), ms);
        }
    }

    void endStopsAndPlayRestarts()
    {
        auto p = openOn(testData("mono_22k_2000ms.mp3"));
        QVERIFY(p->setPosition(p->Length().value() - 300));
        QVERIFY(p->Play());
        QTRY_COMPARE_WITH_TIMEOUT(p->Mode(), int(MediaPlayer::Stopped), 3000);
        QCOMPARE(p->Position(), p->Length().value());
        QVERIFY(p->Play());
        QCOMPARE(p->Mode(), int(MediaPlayer::Playing));
        QVERIFY(p->Position() < 300);
        QVERIFY(p->Stop());
        QVERIFY(p->Position() < 500);
    }

    // The getters only read: the end is noticed once, by the notice the
    // player queues to its thread, not by whoever asks first.
    void theEndIsNoticedByTheEventLoopNotByTheGetters()
    {
        auto p = openOn(testData("mono_22k_2000ms.mp3"));
        QVERIFY(p->setPosition(p->Length().value() - 200));
        QVERIFY(p->Play());
        std::this_thread::sleep_for(std::chrono::milliseconds(700)); // played out, no event taken
        const MediaPlayer &reader = *p;
        QCOMPARE(reader.Mode(), int(MediaPlayer::Playing));
        QCOMPARE(reader.Position(), p->Length().value());
        QTRY_COMPARE_WITH_TIMEOUT(reader.Mode(), int(MediaPlayer::Stopped), 1000);
        QCOMPARE(reader.Position(), p->Length().value());
    }

    void twoPlayersAtOnce()
    {
        auto a = openOn(testData("cbr_44k_stereo_3000ms.mp3"));
        auto b = openOn(testData("mono_22k_2000ms.mp3"));
        QVERIFY(a->Play());
        QVERIFY(b->Play());
        QTest::qWait(300);
        QVERIFY(a->Position() > 100);
        QVERIFY(b->Position() > 100);
        QVERIFY(a->Close());
        QVERIFY(b->Position() > 100);
    }

    void morePlayersThanTheDeviceServesAreRefused()
    {
        std::vector<std::unique_ptr<MediaPlayer>> open;
        for (int i = 0; i < 4; ++i)
            open.push_back(openOn(testData("mono_22k_2000ms.mp3")));
        auto extra = createAudioPlayer();
        extra->setFileName(testData("mono_22k_2000ms.mp3"));
        QString error;
        QVERIFY(!extra->Open(&error));
        QCOMPARE(error, QStringLiteral("Too many players are open at once"));
        QVERIFY(!extra->isOpen());
        QVERIFY(open.front()->Close());
        QVERIFY(extra->Open());
        QVERIFY(extra->isOpen());
    }

    void notOpenRaisesForTheOperationsThatMust()
    {
        auto p = createAudioPlayer();
        const auto refused = [](const std::function<bool(QString *)> &operation) {
            QString error;
            return !operation(&error) && error == QStringLiteral("No MCI device open");
        };
        QVERIFY(refused([&](QString *e) { return p->Play(e); }));
        QVERIFY(refused([&](QString *e) { return p->Stop(e); }));
        QVERIFY(refused([&](QString *e) { return p->Pause(e); }));
        QVERIFY(refused([&](QString *e) { return p->Resume(e); }));
        QVERIFY(refused([&](QString *e) { return p->setPosition(0, e); }));
        QVERIFY(refused([&](QString *e) { return p->Length(e).has_value(); }));
        QVERIFY(p->Close());
        QCOMPARE(p->Mode(), int(MediaPlayer::NotReady));
        QCOMPARE(p->Position(), 0);
    }

    void openRefusesWhatIsNotAudio_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("text") << QByteArray("This is not an MP3 file at all.\n").repeated(200);
        QTest::newRow("random") << patternBytes(100000);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("zeros") << QByteArray(2000000, '\0');
        QByteArray jpeg("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20);
        jpeg += patternBytes(30000);
        jpeg += QByteArray("\xFF\xD9", 2);
        QTest::newRow("renamed jpeg") << jpeg;
    }
    void openRefusesWhatIsNotAudio()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/x.mp3");
        writeFile(path, content);
        auto p = createAudioPlayer();
        p->setFileName(path);
        QString error;
        QVERIFY2(!p->Open(&error), qPrintable(QStringLiteral("opened, length %1").arg(p->Length().value_or(-1))));
        QVERIFY(!error.isEmpty());
        QVERIFY(!p->isOpen());
        QCOMPARE(p->Mode(), int(MediaPlayer::NotReady));
    }

    // Junk in the middle of the audio is skipped as other players skip it: the
    // length counts the audio on both sides, and playback crosses it.
    void damageInTheMiddleIsHeardThrough_data()
    {
        QTest::addColumn<QByteArray>("damage");
        QTest::newRow("random bytes") << patternBytes(5000);
        QTest::newRow("zeros") << QByteArray(20000, '\0');
        QByteArray tag("ID3\x03\x00\x00\x00\x00\x17\x70", 10); // a stray tag of 3000 bytes
        QTest::newRow("stray tag") << tag + QByteArray(3000, 'T');
    }
    void damageInTheMiddleIsHeardThrough()
    {
        QFETCH(QByteArray, damage);
        const QByteArray tone = readAll(testData("cbr_44k_stereo_3000ms.mp3"));
        const qsizetype at = tone.size() * 2 / 5;
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/damaged.mp3");
        writeFile(path, tone.left(at) + damage + tone.mid(at));
        auto p = openOn(path);
        QVERIFY2(std::abs(p->Length().value() - 3000) <= 30, qPrintable(QString::number(p->Length().value())));
        QVERIFY(p->setPosition(1000));
        QVERIFY(p->Play());
        QVERIFY(waitPast(*p, 1600, 3000) >= 1600); // past the damage at 1200 ms
        QVERIFY(p->setPosition(2500));
        QCOMPARE(p->Position(), 2500);
    }

    // Junk of any kind and size between frames, before the first or after
    // the last: left out, so that it is neither heard (no sample louder than
    // the tone's own) nor counted in the length.
    void junkIsNeitherHeardNorCounted_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QStringList>("sources"); // the peak of the loudest is the limit
        const QStringList one{testData("cbr_44k_stereo_3000ms.mp3")};
        const QByteArray tone = readAll(testData("cbr_44k_stereo_3000ms.mp3"));
        const qsizetype middle = tone.size() * 2 / 5;
        for (int kib : {1, 64, 1024})
            QTest::addRow("%d KiB in the middle", kib)
                << tone.left(middle) + patternBytes(kib << 10) + tone.mid(middle) << 3000 << one;
        for (int mib : {1, 10})
            QTest::addRow("%d MiB at the end", mib) << tone + patternBytes(mib << 20) << 3000 << one;
        QTest::addRow("100 KiB before the first frame") << patternBytes(100 << 10) + tone << 3000 << one;
        QByteArray ape("APETAGEX\xD0\x07\x00\x00\x40\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
                       "\x00\x00\x00\x00\x00\x00\x00\x00",
                       32);
        QByteArray footer = ape;
        footer[20] = 0; // the footer of a tag with no header
        QTest::addRow("APE and ID3v1 tags at the end")
            << tone + QByteArray(32, 'a') + footer + QByteArray("TAG") + QByteArray(125, ' ') << 3000 << one;
        // Valid files whose tags and padding players pass over.
        const auto id3v2 = [](int size) {
            QByteArray tag("ID3\x03\x00\x00", 6);
            for (int shift : {21, 14, 7, 0})
                tag += char((size >> shift) & 0x7F);
            return tag + QByteArray(size, '\xAB');
        };
        QTest::addRow("two ID3v2 tags, the second 2 MiB") << id3v2(300) + id3v2(2 << 20) + tone << 3000 << one;
        QTest::addRow("2 MiB of zeros before the first frame") << QByteArray(2 << 20, '\0') + tone << 3000 << one;
        for (quint32 claimed : {quint32(tone.size() / 2), 0xFFFFFF00u}) {
            QByteArray lying = ape;
            for (int i = 0; i < 4; ++i)
                lying[12 + i] = char((claimed >> (8 * i)) & 0xFF);
            QTest::addRow("an APE footer claiming %u bytes", claimed) << tone + lying << 3000 << one;
        }
        const QStringList free{testData("freeformat_1000ms.mp3")};
        QTest::addRow("free format") << readAll(free.first()) << 1000 << free;
        // Bytes that read as a header of a sized frame, cut short by the end.
        QByteArray stray = readAll(free.first());
        stray.replace(stray.size() - 200, 4, QByteArray("\xFF\xFB\x90\x64", 4));
        QTest::addRow("free format, a header's bytes in its last frame") << stray << 1000 << free;
        // The first file's delay and padding are heard where files are joined.
        QTest::addRow("two MP3s joined with cat") << tone + readAll(testData("vbr_noxing_3000ms.mp3")) << 6060
                                                  << (one + QStringList{testData("vbr_noxing_3000ms.mp3")});
    }
    void junkIsNeitherHeardNorCounted()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, expected);
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/damaged.mp3");
        writeFile(path, file);
        const auto peak = [](const QString &mp3, int &lengthMs) {
            long rate = 0;
            int channels = 0;
            int64_t frames = 0;
            const Decoder decoder = openDecoder(mp3, rate, channels, frames);
            lengthMs = int(frames * 1000 / rate);
            std::vector<float> block(8192);
            float loudest = 0;
            size_t done = 0;
            while (mpg123_read(decoder.get(), block.data(), block.size() * sizeof(float), &done) == MPG123_OK
                   || done > 0) {
                for (size_t i = 0; i < done / sizeof(float); ++i)
                    loudest = std::max(loudest, std::abs(block[i]));
                if (done == 0)
                    break;
            }
            return loudest;
        };
        QFETCH(QStringList, sources);
        int toneLength = 0, length = 0;
        float tonePeak = 0;
        for (const QString &source : sources)
            tonePeak = std::max(tonePeak, peak(source, toneLength));
        const float heard = peak(path, length);
        QVERIFY2(std::abs(length - expected) <= 30, qPrintable(QString::number(length)));
        QVERIFY2(heard <= tonePeak * 1.02f, qPrintable(QStringLiteral("%1 against %2").arg(heard).arg(tonePeak)));
        auto p = openOn(path);
        QCOMPARE(p->Length().value(), length);
    }

    // A few frames and then a great deal of junk: the search for more audio
    // through all of it takes a moment, not the window's life.
    void aHugeTailOfJunkIsPassedQuickly()
    {
        const QByteArray tone = readAll(testData("cbr_44k_stereo_3000ms.mp3"));
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/tail.mp3");
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        qsizetype frames = 0;
        for (int i = 0; i < 10; ++i)
            frames
                += layer3::parseHeader(reinterpret_cast<const unsigned char *>(tone.constData()) + frames)->frameBytes;
        out.write(tone.left(frames));
        const QByteArray junk = patternBytes(1 << 20);
        for (int i = 0; i < 256; ++i)
            out.write(junk);
        out.close();
        QElapsedTimer timer;
        timer.start();
        auto p = openOn(path);
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY2(p->Length().value() > 200 && p->Length().value() <= 270,
                 qPrintable(QString::number(p->Length().value())));
    }

    void openFailureOfAMissingFile()
    {
        auto p = createAudioPlayer();
        p->setFileName(QStringLiteral("/nonexistent/x.mp3"));
        QString error;
        QVERIFY(!p->Open(&error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!p->isOpen());
    }

    void truncatedFileOpensWithItsShorterLength()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/cut.mp3");
        const QByteArray whole = readAll(testData("cbr_44k_stereo_3000ms.mp3"));
        writeFile(path, whole.left(whole.size() / 2));
        auto p = openOn(path);
        QVERIFY2(p->Length().value() > 1200 && p->Length().value() < 1800,
                 qPrintable(QString::number(p->Length().value())));
    }

    void sourceDeletedWhileOpenKeepsWorking()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/gone.mp3");
        QFile::copy(testData("cbr_44k_stereo_3000ms.mp3"), path);
        auto p = openOn(path);
        QVERIFY(p->Play());
        QFile::remove(path);
        QTest::qWait(100);
        QVERIFY(p->Stop());
        QVERIFY(p->setPosition(100));
        QVERIFY(p->Close());
        QVERIFY(!p->isOpen());
    }

    void sourceTruncatedWhilePlayingEndsTheStream()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/shrinks.mp3");
        QFile::copy(testData("cbr_44k_stereo_3000ms.mp3"), path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        auto p = openOn(path);
        QVERIFY(p->setPosition(1000));
        QFile::resize(path, 100);
        QVERIFY(p->Play());
        QTRY_COMPARE_WITH_TIMEOUT(p->Mode(), int(MediaPlayer::Stopped), 4000);
        QVERIFY(p->Close());
    }
};

QTEST_MAIN(TestMediaPlayer)
#include "tst_mediaplayer.moc"
