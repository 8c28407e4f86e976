#include "listening/audiomap.h"
#include "listening/mpgplayer.h"
#include "support/fakes.h"

#include <QDir>
#include <QTest>

#include <cstring>

namespace {

// Reads from bytes in memory, as a file would give them.
audiomap::ReadAt readerOf(const QByteArray &bytes)
{
    return [&bytes](int64_t offset, unsigned char *out, int64_t n) -> int64_t {
        if (offset < 0 || offset >= bytes.size())
            return 0;
        const int64_t got = std::min<int64_t>(n, bytes.size() - offset);
        std::memcpy(out, bytes.constData() + offset, static_cast<size_t>(got));
        return got;
    };
}

std::vector<audiomap::Region> scanned(const QByteArray &bytes)
{
    return audiomap::scan(readerOf(bytes), bytes.size());
}

// Junk of two kinds: without a single sync byte, and made of headers that no
// frame follows (one every few bytes, of another stream than the frames').
QByteArray junk(int size, bool denseHeaders)
{
    QByteArray bytes = patternBytes(size).replace(char(0xFF), char(0x5A));
    if (denseHeaders) {
        for (int at = 0; at + 4 <= size; at += 7)
            std::memcpy(bytes.data() + at, "\xFF\xF3\x90\x64", 4);
    }
    return bytes;
}

} // namespace

class TestAudioMap : public QObject {
    Q_OBJECT

    QByteArray m_frames; // eight whole frames of a 128 kbit/s stream, 417 or 418 bytes each

private slots:
    void initTestCase()
    {
        const QByteArray cbr = readAll(QStringLiteral(CLEAVO_TEST_DATA "/cbr_44k_stereo_3000ms.mp3"));
        int64_t at = 417; // past the Info frame
        for (int i = 0; i < 8; ++i) {
            const auto h = layer3::parseHeader(reinterpret_cast<const unsigned char *>(cbr.constData()) + at);
            QVERIFY(h);
            m_frames += cbr.mid(at, h->frameBytes);
            at += h->frameBytes;
        }
    }
    void cleanup() { audiomap::useBlockSearch(true); }

    // Every version, layer, bit rate, sample rate and padding: the frame's
    // size as the standard gives it.
    void everyHeaderGivesItsFrameSize()
    {
        // Kilobits per second by MPEG-1 or not, layer, index 1 to 14.
        const int kbps[2][3][14] = {{{32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
                                     {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
                                     {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
                                    {{32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
                                     {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
                                     {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
        const int rates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
        int checked = 0;
        for (const int versionBits : {3, 2, 0}) { // MPEG-1, 2, 2.5
            const int v = versionBits == 3 ? 0 : versionBits == 2 ? 1 : 2;
            for (int layer = 1; layer <= 3; ++layer) {
                for (int index = 0; index < 16; ++index) {
                    for (int sample = 0; sample < 4; ++sample) {
                        for (int padding = 0; padding < 2; ++padding) {
                            const unsigned char h[4]
                                = {0xFF, static_cast<unsigned char>(0xE0 | versionBits << 3 | (4 - layer) << 1 | 1),
                                   static_cast<unsigned char>(index << 4 | sample << 2 | padding << 1), 0x44};
                            const auto parsed = layer3::parseHeader(h);
                            if (index == 0 || index == 15 || sample == 3) {
                                QVERIFY(!parsed);
                                continue;
                            }
                            QVERIFY(parsed);
                            const int bitRate = kbps[v == 0 ? 0 : 1][layer - 1][index - 1] * 1000;
                            const int rate = rates[v][sample];
                            const int bytes = layer == 1 ? (12 * bitRate / rate + padding) * 4
                                : layer == 3 && v != 0   ? 72 * bitRate / rate + padding
                                                         : 144 * bitRate / rate + padding;
                            QCOMPARE(parsed->frameBytes, bytes);
                            QCOMPARE(parsed->sampleRate, rate);
                            QCOMPARE(parsed->layer, layer);
                            QCOMPARE(parsed->version, v == 0 ? 1 : v == 1 ? 2 : 25);
                            QCOMPARE(parsed->bitRateIndex, index);
                            QCOMPARE(layer3::samplesPerFrame(*parsed),
                                     layer == 1                 ? 384
                                         : layer == 3 && v != 0 ? 576
                                                                : 1152);
                            // The checksum and channel bits, each way.
                            for (const unsigned char mode : {0x00, 0x40, 0x80, 0xC0}) {
                                const unsigned char g[4] = {h[0], static_cast<unsigned char>(h[1] & 0xFE), h[2], mode};
                                const auto other = layer3::parseHeader(g);
                                QVERIFY(other && other->crc && other->mono == (mode == 0xC0));
                                QCOMPARE(other->frameBytes, bytes);
                            }
                            QVERIFY(!parsed->crc && !parsed->mono);
                            ++checked;
                        }
                    }
                }
            }
        }
        QCOMPARE(checked, 3 * 3 * 14 * 3 * 2);
        const unsigned char reserved[4] = {0xFF, 0xEB, 0x90, 0x44}; // the reserved version
        QVERIFY(!layer3::parseHeader(reserved));
    }

    void bothSearchesFindEveryPlace_data()
    {
        QTest::addColumn<bool>("blocks");
        QTest::addColumn<bool>("dense");
        for (const bool blocks : {true, false}) {
            for (const bool dense : {false, true})
                QTest::addRow("%s search, %s", blocks ? "block" : "plain", dense ? "junk of headers" : "plain junk")
                    << blocks << dense;
        }
    }
    // A stream that begins at every place of a 16-byte block, and at every
    // place around the end of the walk's window: found there, by both searches.
    void bothSearchesFindEveryPlace()
    {
        QFETCH(bool, blocks);
        QFETCH(bool, dense);
        audiomap::useBlockSearch(blocks);
        for (int at = 1000; at < 1040; ++at) {
            const QByteArray bytes = junk(at, dense) + m_frames;
            const auto regions = scanned(bytes);
            QVERIFY2(!regions.empty() && regions.front().offset == at, qPrintable(QString::number(at)));
            QCOMPARE(regions.back().offset + regions.back().length, int64_t(bytes.size()));
        }
        // After a first stream, junk up to a stream that begins about the
        // window's end (its header, or the frame after it, cut by it).
        const int64_t window = audiomap::kWindowBytes;
        std::vector<int64_t> places;
        for (int64_t d = -422; d <= -412; ++d) // the header after its first frame about the end
            places.push_back(window + d);
        for (int64_t d = -5; d <= 4; ++d) // its own header about the end
            places.push_back(window + d);
        for (const int64_t at : places) {
            const QByteArray bytes = m_frames + junk(int(at - m_frames.size()), dense) + m_frames;
            const auto regions = scanned(bytes);
            QVERIFY2(regions.size() == 3 && regions[2].offset == at,
                     qPrintable(QStringLiteral("%1: %2 regions").arg(at).arg(regions.size())));
            QCOMPARE(regions[0].offset, int64_t(0));
            QCOMPARE(regions[2].offset + regions[2].length, int64_t(bytes.size()));
        }
    }

    // The loudness each frame's side information gives: nothing for silence,
    // the same for a steady tone, in step with the frames as they are heard.
    void theLoudnessOfEachFrameFollowsTheSound()
    {
        const QByteArray bytes = readAll(QStringLiteral(CLEAVO_TEST_DATA "/gaps_44k_3000ms.mp3"));
        audiomap::Summary summary;
        QVERIFY(!scanned(bytes).empty());
        (void)audiomap::scan(readerOf(bytes), bytes.size(), &summary);
        QCOMPARE(int64_t(summary.loudness.size()), summary.frames);
        // A second is 38.28 frames; the frame of each time, past the Info
        // frame and the encoder's delay, give or take two frames at the edges.
        const auto at = [&](double seconds) {
            return int(summary.loudness[size_t(1 + seconds * 44100 / 1152)]);
        };
        int tone = 0;
        for (const double t : {0.2, 0.5, 0.8, 2.2, 2.5, 2.8}) {
            QVERIFY2(at(t) > 0, qPrintable(QString::number(t)));
            tone = std::max(tone, at(t));
        }
        for (const double t : {1.15, 1.5, 1.85}) {
            // Silence codes nothing, or at a gain far below the tone's (less than a hundredth of its amplitude).
            QVERIFY2(at(t) == 0 || at(t) < tone - 4 * 7,
                     qPrintable(QStringLiteral("%1: %2 against %3").arg(t).arg(at(t)).arg(tone)));
        }
        QCOMPARE(int(summary.loudness.front()), 0); // the Info frame
    }

    // The length the first frame declares: the decoder's, to the sample,
    // for files that tell the truth; none where no header declares it.
    void theDeclaredLengthIsTheDecodersWhereItIsTrue_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("declared");
        for (const char *name :
             {"cbr_44k_stereo_3000ms.mp3", "vbr_xing_3000ms.mp3", "crc_44k_stereo_2000ms.mp3", "mono_22k_2000ms.mp3",
              "mpeg25_11k_stereo_2000ms.mp3", "id3big_2000ms.mp3", "gaps_44k_3000ms.mp3"})
            QTest::addRow("%s", name) << QString::fromLatin1(name) << true;
        QTest::addRow("no header") << QStringLiteral("vbr_noxing_3000ms.mp3") << false;
        QTest::addRow("no room for one at 32 kbit/s") << QStringLiteral("lowrate_32k_2000ms.mp3") << false;
        QTest::addRow("Layer II") << QStringLiteral("layer2_44k_1000ms.mp3") << false;
    }
    void theDeclaredLengthIsTheDecodersWhereItIsTrue()
    {
        QFETCH(QString, name);
        QFETCH(bool, declared);
        const QString path = QStringLiteral(CLEAVO_TEST_DATA "/") + name;
        const QByteArray bytes = readAll(path);
        const auto length = audiomap::declaredLength(readerOf(bytes), bytes.size());
        QCOMPARE(bool(length), declared);
        if (!declared)
            return;
        long rate = 0;
        int channels = 0;
        int64_t frames = 0;
        QVERIFY(openDecoder(path, rate, channels, frames));
        QCOMPARE(length->sampleRate, int(rate));
        QCOMPARE(length->samples, frames);
    }

    // A VBRI header in place of the Info frame's: its frames.
    void aVbriHeaderDeclaresItsFrames()
    {
        QByteArray bytes = readAll(QStringLiteral(CLEAVO_TEST_DATA "/cbr_44k_stereo_3000ms.mp3"));
        QByteArray vbri("VBRI\x00\x01\x02\x40\x00\x4b\x00\x00\xbe\xf4\x00\x00\x00\x74", 18);
        bytes.replace(36, vbri.size(), vbri);
        const auto length = audiomap::declaredLength(readerOf(bytes), bytes.size());
        QVERIFY(length);
        QCOMPARE(length->samples, int64_t(0x74) * 1152);
    }

    // The fuzzers' inputs: both searches walk them to the same regions.
    void bothSearchesAgreeOnTheFuzzCorpus()
    {
        const QDir corpus(QStringLiteral(CLEAVO_FUZZ_CORPUS "/player"));
        const QStringList names = corpus.entryList(QDir::Files);
        QVERIFY(names.size() >= 5);
        for (const QString &name : names) {
            const QByteArray bytes = readAll(corpus.filePath(name));
            audiomap::Summary blockSummary, plainSummary;
            audiomap::useBlockSearch(true);
            const auto withBlocks = audiomap::scan(readerOf(bytes), bytes.size(), &blockSummary);
            audiomap::useBlockSearch(false);
            const auto plain = audiomap::scan(readerOf(bytes), bytes.size(), &plainSummary);
            QCOMPARE(plain.size(), withBlocks.size());
            for (size_t i = 0; i < plain.size(); ++i) {
                QCOMPARE(plain[i].offset, withBlocks[i].offset);
                QCOMPARE(plain[i].length, withBlocks[i].length);
            }
            QCOMPARE(plainSummary.frames, blockSummary.frames);
        }
    }
};

QTEST_GUILESS_MAIN(TestAudioMap)
#include "tst_audiomap.moc"
