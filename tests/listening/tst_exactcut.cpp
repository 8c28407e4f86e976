#include "listening/exactcut.h"
#include "listening/mpgplayer.h"
#include "listening/piecetags.h"
#include "listening/timetext.h"
#include "segment/segmentfile.h"
#include "support/fakes.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <mpg123.h>

#include <cmath>
#include <cstring>

namespace {

QString data(const char *name)
{
    return QStringLiteral(CLEAVO_TEST_DATA "/") + QLatin1String(name);
}

struct Decoded {
    long rate = 0;
    int channels = 0;
    std::vector<float> samples; // interleaved
    [[nodiscard]] int64_t frames() const { return static_cast<int64_t>(samples.size()) / std::max(channels, 1); }
};

// Everything a gapless decoder gives of the file, as the player hears it.
Decoded decode(const QString &path)
{
    Decoded d;
    int64_t length = 0;
    QString error;
    Decoder handle = openDecoder(path, d.rate, d.channels, length, &error);
    if (!handle)
        return d;
    std::vector<float> block(8192);
    for (;;) {
        size_t done = 0;
        const int rc = mpg123_read(handle.get(), block.data(), block.size() * sizeof(float), &done);
        d.samples.insert(d.samples.end(), block.begin(),
                         block.begin() + static_cast<std::ptrdiff_t>(done / sizeof(float)));
        if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT)
            break;
    }
    return d;
}

// What another decoder gives of a file, its first channel (ffmpeg, or
// GStreamer with its MP3 parser); empty where the tool is not installed.
std::vector<float> decodeWith(const QString &tool, const QString &path)
{
    QStringList args;
    QString program;
    if (tool == QLatin1String("ffmpeg")) {
        program = QStringLiteral("ffmpeg");
        args = {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"),  path,
                QStringLiteral("-f"), QStringLiteral("f32le"), QStringLiteral("-ac"), QStringLiteral("1"),
                QStringLiteral("-")};
    } else {
        program = QStringLiteral("gst-launch-1.0");
        args = QStringLiteral("-q filesrc LOCATION ! mpegaudioparse ! mpg123audiodec ! audioconvert ! "
                              "audio/x-raw,format=F32LE,channels=1 ! fdsink fd=1")
                   .split(QLatin1Char(' '));
        args[2] = QStringLiteral("location=") + path; // one argument, blanks and all
    }
    if (QStandardPaths::findExecutable(program).isEmpty())
        return {};
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    const QByteArray out = p.readAllStandardOutput();
    std::vector<float> samples(static_cast<size_t>(out.size()) / sizeof(float));
    std::memcpy(samples.data(), out.constData(), samples.size() * sizeof(float));
    return samples;
}

float peak(const float *from, size_t n)
{
    float p = 0;
    for (size_t i = 0; i < n; ++i)
        p = std::max(p, std::fabs(from[i]));
    return p;
}

// The MPEG checksum of a frame that has one: over the header's last two
// bytes and the side information after the checksum.
uint16_t frameCrc(const unsigned char *frame, int sideBytes)
{
    uint16_t crc = 0xFFFF;
    std::vector<unsigned char> covered{frame[2], frame[3]};
    covered.insert(covered.end(), frame + 6, frame + 6 + sideBytes);
    for (const unsigned char byte : covered) {
        for (int bit = 7; bit >= 0; --bit) {
            const bool carry = ((crc >> 15) & 1) != ((byte >> bit) & 1);
            crc = static_cast<uint16_t>(crc << 1);
            if (carry)
                crc ^= 0x8005;
        }
    }
    return crc;
}

// An ID3v2.3 tag of these frames, each (id, body).
QByteArray id3v23(const std::vector<std::pair<QByteArray, QByteArray>> &frames, int padding)
{
    QByteArray body;
    for (const auto &[id, content] : frames) {
        body += id;
        for (int shift : {24, 16, 8, 0})
            body += char((content.size() >> shift) & 0xFF);
        body += QByteArray(2, '\0') + content;
    }
    body += QByteArray(padding, '\0');
    QByteArray head("ID3\x03\x00\x00", 6);
    for (int shift : {21, 14, 7, 0})
        head += char((body.size() >> shift) & 0x7F);
    return head + body;
}

} // namespace

class TestExactCut : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    // The source with junk before, inside and after its audio.
    QString withJunk()
    {
        const QByteArray audio = readAll(data("cbr_44k_stereo_3000ms.mp3"));
        QByteArray junk = patternBytes(3000);
        junk.replace(char(0xFF), char(0x17));
        const QString path = m_dir.filePath(QStringLiteral("junk.mp3"));
        writeFile(path, junk + audio.left(20000) + junk + audio.mid(20000) + junk.left(700));
        return path;
    }

    // What a cut by bytes leaves of a file: from a place in its audio on, so
    // that the bit reservoir of its first frames is not in it.
    QString byteCut(const char *name, int from)
    {
        const QString path = m_dir.filePath(QStringLiteral("bytes %1 %2").arg(QLatin1String(name)).arg(from));
        writeFile(path, readAll(data(name)).mid(from));
        return path;
    }

    // Audio right after an ID3v2 tag, with no Xing or Info frame.
    QString taggedWithoutInfo()
    {
        const QString path = m_dir.filePath(QStringLiteral("tagged.mp3"));
        writeFile(path, id3v23({{"TIT2", QByteArray("\0tagged", 7)}}, 0) + readAll(data("vbr_noxing_3000ms.mp3")));
        return path;
    }

    // A 2 MiB ID3v2 tag (a cover's size) before the audio.
    QString withCover()
    {
        const QByteArray audio = readAll(data("vbr_xing_3000ms.mp3"));
        const int size = 2 * 1024 * 1024;
        QByteArray body = QByteArray("TIT2") + QByteArray::fromHex("0000000b0000") + QByteArray("\x00piece tone", 11);
        body += patternBytes(size - body.size()).replace(char(0xFF), char(0));
        QByteArray head("ID3\x03\x00\x00", 6);
        for (int shift : {21, 14, 7, 0})
            head += char((size >> shift) & 0x7F);
        const QString path = m_dir.filePath(QStringLiteral("cover.mp3"));
        writeFile(path, head + body + audio);
        return path;
    }

private slots:

    // Every kind of source: the piece decodes to exactly the source's samples
    // between the marks, and says its own length.
    void piecesDecodeToTheSourcesSamples_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("startMs");
        QTest::addColumn<int>("endMs");
        // Where the source itself is broken, its decoder fares differently.
        QTest::addColumn<int>("damaged");
        QTest::newRow("CBR, mid") << data("cbr_44k_stereo_3000ms.mp3") << 1234 << 2345 << 0;
        QTest::newRow("CBR, from the start") << data("cbr_44k_stereo_3000ms.mp3") << 0 << 500 << 0;
        QTest::newRow("CBR, to the end") << data("cbr_44k_stereo_3000ms.mp3") << 2500 << 3000 << 0;
        QTest::newRow("CBR, one frame") << data("cbr_44k_stereo_3000ms.mp3") << 1000 << 1026 << 0;
        QTest::newRow("CBR, one millisecond") << data("cbr_44k_stereo_3000ms.mp3") << 5 << 6 << 0;
        QTest::newRow("VBR with Xing") << data("vbr_xing_3000ms.mp3") << 777 << 2222 << 0;
        QTest::newRow("VBR without a header") << data("vbr_noxing_3000ms.mp3") << 401 << 2900 << 0;
        QTest::newRow("VBR without a header, start") << data("vbr_noxing_3000ms.mp3") << 3 << 900 << 0;
        QTest::newRow("MPEG-2 mono") << data("mono_22k_2000ms.mp3") << 333 << 1500 << 0;
        QTest::newRow("MPEG-2.5") << data("mpeg25_11k_stereo_2000ms.mp3") << 612 << 1700 << 0;
        QTest::newRow("32 kbit/s reservoir") << data("lowrate_32k_2000ms.mp3") << 1000 << 1800 << 0;
        QTest::newRow("256 KiB tag") << data("id3big_2000ms.mp3") << 250 << 1250 << 0;
        QTest::newRow("2 MiB cover") << withCover() << 1500 << 2750 << 0;
        QTest::newRow("junk around and inside") << withJunk() << 300 << 2700 << 2 * 1152;
        QTest::newRow("junk before") << withJunk() << 300 << 900 << 0;
        QTest::newRow("junk after") << withJunk() << 1600 << 2700 << 0;
        QTest::newRow("checksums") << data("crc_44k_stereo_2000ms.mp3") << 500 << 1500 << 0;
        QTest::newRow("audio right after its tag, from the start") << taggedWithoutInfo() << 10 << 500 << 0;
        // A file cut by bytes: the first frames' bit reservoir is not in it.
        // Each decodes as silence where the decoder lacks it, in the source
        // and in the piece alike.
        QTest::newRow("cut by bytes, from its start") << byteCut("cbr_44k_stereo_3000ms.mp3", 20000) << 0 << 400 << 0;
        QTest::newRow("cut by bytes at 32 kbit/s") << byteCut("lowrate_32k_2000ms.mp3", 2000) << 0 << 700 << 0;
        QTest::newRow("cut by bytes, VBR") << byteCut("vbr_xing_3000ms.mp3", 4000) << 30 << 600 << 0;
    }
    void piecesDecodeToTheSourcesSamples()
    {
        QFETCH(QString, source);
        QFETCH(int, startMs);
        QFETCH(int, endMs);
        QFETCH(int, damaged);
        QString error;
        const auto plan = exactcut::plan(source, sourceMap(source).get(), startMs, endMs, &error);
        QVERIFY2(plan, qPrintable(error));
        const QString piece = m_dir.filePath(QStringLiteral("piece.mp3"));
        segment::CopyFailure failure;
        QVERIFY2(segment::copyChunks(source, piece, plan->chunks, nullptr, &failure), qPrintable(failure.text));
        QCOMPARE(QFileInfo(piece).size(), plan->bytes);

        const Decoded whole = decode(source);
        const Decoded cut = decode(piece);
        QVERIFY(whole.rate > 0 && cut.rate == whole.rate && cut.channels == whole.channels);
        const int64_t first = (int64_t{startMs} * whole.rate + 999) / 1000;
        const int64_t last = std::min<int64_t>((int64_t{endMs} * whole.rate + 999) / 1000, whole.frames());
        QCOMPARE(cut.frames(), last - first);
        QCOMPARE(plan->samples, last - first);
        // A decoder that starts over can differ in the last bits of a float.
        int64_t firstBad = -1, lastBad = -1;
        for (int64_t i = 0; i < cut.frames() * cut.channels; ++i) {
            if (std::fabs(cut.samples[size_t(i)] - whole.samples[size_t(first * whole.channels + i)]) >= 1e-4) {
                lastBad = i / cut.channels;
                if (firstBad < 0)
                    firstBad = i / cut.channels;
            }
        }
        QVERIFY2(
            firstBad < 0 || lastBad - firstBad < damaged,
            qPrintable(QStringLiteral("samples %1 to %2 of %3 differ").arg(firstBad).arg(lastBad).arg(cut.frames())));
        QVERIFY(plan->wholeLeadIn);
    }

    void theInfoFrameDescribesThePiece_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("startMs");
        QTest::addColumn<int>("endMs");
        QTest::newRow("a source with a LAME tag, behind a 256 KiB tag") << data("id3big_2000ms.mp3") << 100 << 1900;
        QTest::newRow("a source without one") << data("vbr_noxing_3000ms.mp3") << 500 << 2500;
        QTest::newRow("checksums") << data("crc_44k_stereo_2000ms.mp3") << 300 << 1200;
        QTest::newRow("audio right after its tag, from the start") << taggedWithoutInfo() << 0 << 40;
        QTest::newRow("MPEG-2 mono") << data("mono_22k_2000ms.mp3") << 100 << 600;
    }
    // The Info frame: first after the source's ID3v2 tags, a valid header
    // (with its checksum where the stream has them), the right counts, a
    // table of contents that points at the frames, the LAME tag under a name
    // decoders know and with its own checksum.
    void theInfoFrameDescribesThePiece()
    {
        QFETCH(QString, source);
        QFETCH(int, startMs);
        QFETCH(int, endMs);
        const auto plan = exactcut::plan(source, sourceMap(source).get(), startMs, endMs);
        QVERIFY(plan);
        const QString piece = m_dir.filePath(QStringLiteral("info.mp3"));
        QVERIFY(segment::copyChunks(source, piece, plan->chunks));
        const QByteArray bytes = readAll(piece);
        const auto *all = reinterpret_cast<const unsigned char *>(bytes.constData());
        const int tag = bytes.startsWith("ID3") ? 10 + (all[6] << 21 | all[7] << 14 | all[8] << 7 | all[9]) : 0;
        QCOMPARE(bytes.left(tag), readAll(source).left(tag));
        const unsigned char *frame = all + tag;
        QCOMPARE(frame[0], uchar(0xFF));
        const bool mpeg1 = frame[1] & 0x08, mono = (frame[3] >> 6) == 3, crc = !(frame[1] & 1);
        const int side = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
        const int at = 4 + side;
        const QByteArray name(reinterpret_cast<const char *>(frame + at), 4);
        QVERIFY2(name == "Info" || name == "Xing", name.constData());
        const auto be32 = [](const unsigned char *p) {
            return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
        };
        const int64_t stream = bytes.size() - tag;
        QCOMPARE(int64_t(be32(frame + at + 12)), stream);
        const unsigned char *lame = frame + at + 120;
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(lame), 4), QByteArray("LAME"));
        QCOMPARE(int(lame[34] << 8 | lame[35]), int(exactcut::tagCrc(frame, size_t(lame + 34 - frame))));
        // Each frame of the piece, where it begins in the stream.
        std::vector<int64_t> starts;
        for (int64_t offset = 0; offset + 4 <= stream;) {
            const unsigned char *f = frame + offset;
            QCOMPARE(f[0], uchar(0xFF));
            starts.push_back(offset);
            if (crc)
                QCOMPARE(int(f[4] << 8 | f[5]), int(frameCrc(f, side)));
            const int kbps = mpeg1
                ? std::array{0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}[f[2] >> 4]
                : std::array{0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}[f[2] >> 4];
            offset += (mpeg1 ? 144 : 72) * kbps * 1000 / plan->rate + ((f[2] >> 1) & 1);
        }
        const int64_t frames = be32(frame + at + 8);
        QCOMPARE(int64_t(starts.size()), frames + 1);
        // Entry i: where the frame that begins the i-th hundredth lies, in
        // 256ths of the stream, the Info frame counted.
        for (int i = 0; i < 100; ++i) {
            const int64_t wanted = std::min<int64_t>(255, starts[size_t(1 + frames * i / 100)] * 256 / stream);
            QCOMPARE(int(frame[at + 16 + i]), int(wanted));
        }
    }

    // The tags that measure the whole source (its length, its loudness) are
    // not the piece's: they go, the rest stays, in a tag of the same size.
    void tagsThatMeasureTheSourceAreDropped()
    {
        const QByteArray gain = QByteArray("\0REPLAYGAIN_TRACK_GAIN\0-6.20 dB", 31);
        const QByteArray other = QByteArray("\0MusicBrainz Album Id\0abc", 25);
        const QByteArray norm = QByteArray("\0eng", 4) + QByteArray("iTunNORM\0 000001", 16);
        const QByteArray tag = id3v23({{"TIT2", QByteArray("\0A title", 8)},
                                       {"TLEN",
                                        QByteArray("\0"
                                                   "3000",
                                                   5)},
                                       {"TXXX", gain},
                                       {"TXXX", other},
                                       {"COMM", norm},
                                       {"RVA2", QByteArray("track\0\x01\x00\x10\x00", 10)}},
                                      64);
        const QString source = m_dir.filePath(QStringLiteral("measured.mp3"));
        writeFile(source, tag + readAll(data("cbr_44k_stereo_3000ms.mp3")));
        const auto plan = exactcut::plan(source, sourceMap(source).get(), 500, 1500);
        QVERIFY(plan);
        const QByteArray kept = plan->chunks.front().bytes;
        QCOMPARE(kept.size(), tag.size());
        QVERIFY(kept.contains("A title") && kept.contains("MusicBrainz Album Id"));
        for (const char *gone : {"TLEN", "REPLAYGAIN", "iTunNORM", "RVA2"})
            QVERIFY2(!kept.contains(gone), gone);
        // A tag with none of them is kept as it is, and so is one not taken apart safely.
        QVERIFY(!piecetags::withoutSourceMeasures(id3v23({{"TIT2", QByteArray("\0A title", 8)}}, 10)));
        QByteArray unsynchronised = tag;
        unsynchronised[5] = char(0x80);
        QVERIFY(!piecetags::withoutSourceMeasures(unsynchronised));
    }

    void piecesPlayTheSameInOtherDecoders_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("startMs");
        QTest::addColumn<int>("endMs");
        for (const char *tool : {"ffmpeg", "GStreamer"}) {
            const QString t = QLatin1String(tool);
            QTest::addRow("%s, CBR", tool) << t << data("cbr_44k_stereo_3000ms.mp3") << 1234 << 2345;
            QTest::addRow("%s, VBR", tool) << t << data("vbr_xing_3000ms.mp3") << 777 << 2222;
            QTest::addRow("%s, checksums", tool) << t << data("crc_44k_stereo_2000ms.mp3") << 500 << 1500;
            QTest::addRow("%s, MPEG-2 mono", tool) << t << data("mono_22k_2000ms.mp3") << 333 << 1500;
            QTest::addRow("%s, no LAME tag in the source", tool) << t << data("vbr_noxing_3000ms.mp3") << 401 << 2900;
            QTest::addRow("%s, cut by bytes", tool) << t << byteCut("cbr_44k_stereo_3000ms.mp3", 20000) << 0 << 400;
        }
    }
    // The piece gives exactly its length in decoders other than the
    // program's own, and is never louder than the source where it begins.
    void piecesPlayTheSameInOtherDecoders()
    {
        QFETCH(QString, tool);
        QFETCH(QString, source);
        QFETCH(int, startMs);
        QFETCH(int, endMs);
        const auto plan = exactcut::plan(source, sourceMap(source).get(), startMs, endMs);
        QVERIFY(plan);
        const QString piece = m_dir.filePath(QStringLiteral("other.mp3"));
        QVERIFY(segment::copyChunks(source, piece, plan->chunks));
        const QString program = tool == QLatin1String("ffmpeg") ? tool : QStringLiteral("gst-launch-1.0");
        if (QStandardPaths::findExecutable(program).isEmpty())
            QSKIP("not installed");
        const std::vector<float> cut = decodeWith(tool.toLower(), piece);
        const std::vector<float> whole = decodeWith(tool.toLower(), source);
        QVERIFY(!whole.empty());
        QCOMPARE(int64_t(cut.size()), plan->samples);
        const size_t tenth = size_t(plan->rate / 10);
        const size_t first = size_t((int64_t{startMs} * plan->rate + 999) / 1000);
        const size_t heard = std::min(tenth, cut.size());
        // Where the source has no delay to skip, the other decoder's timeline
        // begins earlier than the program's: the piece is looked for near.
        float best = 1e9F;
        for (size_t at = first > 3000 ? first - 3000 : 0; at + heard <= whole.size() && at <= first + 3000; ++at) {
            float worst = 0;
            for (size_t i = 0; i < heard && worst < best; ++i)
                worst = std::max(worst, std::fabs(cut[i] - whole[at + i]));
            best = std::min(best, worst);
        }
        QVERIFY2(best < 1e-4F, qPrintable(QString::number(double(best))));
        QVERIFY(peak(cut.data(), heard) <= peak(whole.data() + first, heard) + 1e-4F);
    }

    void sourcesThatCannotBeCutExactlyAreRefused_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("startMs");
        QTest::addColumn<int>("endMs");
        QTest::addColumn<QString>("said");
        QTest::newRow("free format") << data("freeformat_1000ms.mp3") << 100 << 500 << "is free format";
        QTest::newRow("Layer II") << data("layer2_44k_1000ms.mp3") << 100 << 500 << "Layer I or II";
        QTest::newRow("no audio") << m_dir.filePath(QStringLiteral("text.mp3")) << 100 << 500 << "holds none";
        QTest::newRow("random bytes") << m_dir.filePath(QStringLiteral("random.mp3")) << 100 << 500 << "holds none";
        // Found by the fuzzer: its frames give no samples between these marks.
        QTest::newRow("no samples between the marks")
            << QStringLiteral(CLEAVO_FUZZ_CORPUS "/player/negative-samples.mp3") << 64 << 128 << "too short";
        QTest::newRow("missing") << m_dir.filePath(QStringLiteral("gone.mp3")) << 100 << 500 << "cannot be read";
        QTest::newRow("end before start") << data("cbr_44k_stereo_3000ms.mp3") << 500 << 500 << "after the start";
        QTest::newRow("start past the end") << data("cbr_44k_stereo_3000ms.mp3") << 9000 << 9500 << "past the end";
        QTest::newRow("rates joined") << m_dir.filePath(QStringLiteral("rates.mp3")) << 100 << 500 << "one sample rate";
    }
    void sourcesThatCannotBeCutExactlyAreRefused()
    {
        QFETCH(QString, source);
        QFETCH(int, startMs);
        QFETCH(int, endMs);
        QFETCH(QString, said);
        writeFile(m_dir.filePath(QStringLiteral("text.mp3")), QByteArray(5000, 'a'));
        QByteArray noise(20000, '\0');
        for (qsizetype i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919 + 13) % 251);
        writeFile(m_dir.filePath(QStringLiteral("random.mp3")), noise);
        writeFile(m_dir.filePath(QStringLiteral("rates.mp3")),
                  readAll(data("cbr_44k_stereo_3000ms.mp3")) + readAll(data("mono_22k_2000ms.mp3")));
        QString error;
        QVERIFY(!exactcut::plan(source, sourceMap(source).get(), startMs, endMs, &error));
        QVERIFY2(error.contains(said), qPrintable(error));
    }

    // A source cut short anywhere, or made of headers that lie, is planned
    // within its bytes or refused with a reason: never read past its end.
    void hostileSourcesArePlannedWithinTheirBytes()
    {
        const QByteArray cbr = readAll(data("cbr_44k_stereo_3000ms.mp3"));
        QByteArray lying = cbr.left(4000);
        for (int i = 0; i < 200; ++i)
            lying += cbr.mid(417 * 3, 4) + patternBytes(97 + i % 7); // headers whose frames never end there
        const QString path = m_dir.filePath(QStringLiteral("hostile.mp3"));
        for (const QByteArray &whole : {cbr, readAll(data("id3big_2000ms.mp3")), lying}) {
            for (qsizetype size : {qsizetype(1), qsizetype(4), qsizetype(417), qsizetype(418), qsizetype(1700),
                                   qsizetype(5000), whole.size() / 3, whole.size() - 1}) {
                if (size > whole.size())
                    continue;
                writeFile(path, whole.left(size));
                QString error;
                const auto plan = exactcut::plan(path, sourceMap(path).get(), 10, 2000, &error);
                if (!plan) {
                    QVERIFY(!error.isEmpty());
                    continue;
                }
                for (const segment::Chunk &c : plan->chunks)
                    QVERIFY(!c.bytes.isEmpty() || (c.offset >= 0 && c.offset + c.length <= size));
                QVERIFY(segment::copyChunks(path, m_dir.filePath(QStringLiteral("out.mp3")), plan->chunks));
            }
        }
    }

    // MP3s joined with cat that change their channels or their rate: every
    // frame decodes at its own speed, the length counts them all, and a
    // position anywhere (the second file too) plays from where it lies.
    void joinedFormatsKeepTheirSpeed_data()
    {
        QTest::addColumn<QStringList>("parts");
        QTest::addColumn<double>("seconds");
        const QString stereo = data("cbr_44k_stereo_3000ms.mp3"), mono = data("mono_44k_1000ms.mp3");
        const QString mpeg2 = data("mono_22k_2000ms.mp3"), mpeg25 = data("mpeg25_11k_stereo_2000ms.mp3");
        QTest::newRow("stereo, then mono") << QStringList{stereo, mono} << 4.0;
        QTest::newRow("mono, then stereo") << QStringList{mono, stereo} << 4.0;
        QTest::newRow("44.1 kHz, then 22.05 kHz mono") << QStringList{stereo, mpeg2} << 5.0;
        QTest::newRow("22.05 kHz, then 44.1 kHz") << QStringList{mpeg2, stereo} << 5.0;
        QTest::newRow("44.1, 11.025, 22.05 kHz") << QStringList{stereo, mpeg25, mpeg2} << 7.0;
    }
    void joinedFormatsKeepTheirSpeed()
    {
        QFETCH(QStringList, parts);
        QFETCH(double, seconds);
        QByteArray joined;
        for (const QString &part : parts)
            joined += readAll(part);
        const QString path = m_dir.filePath(QStringLiteral("joined.mp3"));
        writeFile(path, joined);
        long rate = 0;
        int channels = 0;
        int64_t length = 0;
        std::shared_ptr<const SourceMap> map;
        const Decoder handle = openDecoder(path, rate, channels, length, nullptr, &map);
        QVERIFY(handle && map);
        const Decoded d = decode(path);
        QVERIFY2(std::abs(d.frames() - length) <= 4, qPrintable(QStringLiteral("%1 %2").arg(d.frames()).arg(length)));
        // Each file's delay and padding: at most three of its frames.
        const auto wanted = static_cast<int64_t>(seconds * double(rate));
        QVERIFY2(std::abs(length - wanted) < int64_t(parts.size()) * rate * 150 / 1000,
                 qPrintable(QString::number(length)));
        for (const double at : {0.1, 0.5, 0.9}) {
            const auto sample = static_cast<int64_t>(at * double(length));
            int64_t discard = 0;
            QCOMPARE(seekDecoder(handle.get(), *map, sample, &discard), sample);
            std::vector<float> heard;
            std::vector<float> block(8192);
            while (heard.size() < size_t(4096 + discard) * 2) {
                size_t done = 0;
                const int rc = mpg123_read(handle.get(), block.data(), block.size() * sizeof(float), &done);
                heard.insert(heard.end(), block.begin(), block.begin() + std::ptrdiff_t(done / sizeof(float)));
                if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT)
                    break;
            }
            QVERIFY(heard.size() >= size_t(4096 + discard) * 2);
            // Where the samples heard lie in the whole decoding: here, give
            // or take the resampler's rounding.
            int64_t best = 0;
            double bestDistance = 1e30;
            for (int64_t shift = -2000; shift <= 2000; ++shift) {
                double distance = 0;
                for (int64_t i = 0; i < 2048 && distance < bestDistance; ++i) {
                    const int64_t j = (sample + shift + i) * 2;
                    distance += j >= 0 && j < int64_t(d.samples.size())
                        ? std::abs(heard[size_t((discard + i) * 2)] - d.samples[size_t(j)])
                        : 1.0;
                }
                if (distance < bestDistance) {
                    bestDistance = distance;
                    best = shift;
                }
            }
            QVERIFY2(std::abs(best) <= 4, qPrintable(QStringLiteral("at %1: %2 samples off").arg(at).arg(best)));
        }
    }

    // Frames whose headers change their side fields along the stream (the
    // private, copyright, original and emphasis bits, the reserved emphasis
    // value too) are all counted and heard.
    void sideFieldsThatVaryKeepEveryFrame()
    {
        QByteArray bytes = readAll(data("cbr_44k_stereo_3000ms.mp3"));
        const QByteArray plain = bytes;
        int changed = 0;
        for (qsizetype at = 417, n = 0; at + 4 <= bytes.size(); ++n) {
            const qsizetype size = 417 + ((uchar(bytes[at + 2]) >> 1) & 1);
            bytes[at + 2] = char(bytes[at + 2] ^ (n % 2));                          // private
            bytes[at + 3] = char((uchar(bytes[at + 3]) & 0xF0) | ((n * 5) & 0x0F)); // copyright, original, emphasis
            changed += (n * 5) % 4 == 2;
            at += size;
        }
        QVERIFY(changed > 10);
        const QString path = m_dir.filePath(QStringLiteral("fields.mp3"));
        writeFile(path, bytes);
        writeFile(m_dir.filePath(QStringLiteral("plain.mp3")), plain);
        QCOMPARE(decode(path).frames(), decode(m_dir.filePath(QStringLiteral("plain.mp3"))).frames());
    }

    void timesReadAndWrite_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<bool>("hours");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << false << "0:00.00";
        QTest::newRow("hundredths cut") << qint64(12349) << false << "0:12.34";
        QTest::newRow("minutes") << qint64(754321) << false << "12:34.32";
        QTest::newRow("with hours") << qint64(3723450) << true << "1:02:03.45";
        QTest::newRow("ten hours") << qint64(36000000) << true << "10:00:00.00";
        QTest::newRow("short time of a long track") << qint64(5000) << true << "0:00:05.00";
    }
    void timesReadAndWrite()
    {
        QFETCH(qint64, ms);
        QFETCH(bool, hours);
        QFETCH(QString, text);
        QCOMPARE(timetext::format(ms, hours), text);
        QCOMPARE(timetext::parse(text), std::optional<int32_t>(int32_t(ms / 10 * 10)));
    }

    void timesThatAreNoneAreRefused()
    {
        for (const char *text : {"", "1:2", "1:60.00", "a:00.00", "0:00.", "0:00.1234", "1:00:00:00.00", "-5",
                                 "999999:00:00.00", "0:-1.00"})
            QVERIFY2(!timetext::parse(QString::fromLatin1(text)), text);
        QCOMPARE(timetext::parse(QStringLiteral("12345")), std::optional<int32_t>(12345));
        QCOMPARE(timetext::parse(QStringLiteral(" 1:05.5 ")), std::optional<int32_t>(65500));
    }
};

QTEST_GUILESS_MAIN(TestExactCut)
#include "tst_exactcut.moc"
