#include "listening/exactcut.h"
#include "listening/markmath.h"
#include "listening/mpgplayer.h"
#include "settings/settings.h"
#include "support/fakes.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <random>

using marks::ByteOffset;
using marks::Percent;

namespace {

// Exact rational reference: num / den rounded to the nearest, ties to even.
int64_t roundHalfEven(int64_t num, int64_t den)
{
    int64_t q = num / den, r = num % den;
    if (r < 0) {
        r += den;
        --q;
    }
    if (2 * r > den || (2 * r == den && (q & 1)))
        ++q;
    return q;
}

const QString kNoStart = QStringLiteral(
    "This button tells you where you want to \"end\" the split MP3 file. You have not selected a start position for "
    "splitting, use the start button to identify where to \"begin\" splitting the MP3 file, and then use this end "
    "button to pick an ending position.");
const QString kNotAfter = QStringLiteral(
    "The \"end\" position must be larger then the \"start\" position. Whenever you click the end position button, "
    "your new MP3 is automatically created. Select your start position first, then always choose the end position "
    "after your start position is set");

} // namespace

class TestMarks : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QByteArray m_bytes;
    QString m_source;

    void prepare(Harness &h, int size = 40000)
    {
        m_bytes = patternBytes(size);
        m_source = m_dir.path() + QStringLiteral("/tune.mp3");
        writeFile(m_source, m_bytes);
        QFile::remove(m_dir.path() + QStringLiteral("/Split - tune.mp3"));
        h.create();
        h.select(m_source);
        control<QRadioButton>(*h.window, "RadDefault")->setChecked(true);
        h.fake1().length = 200000;
        h.ui.clear();
    }
    QByteArray output() const { return readAll(m_dir.path() + QStringLiteral("/Split - tune.mp3")); }

private slots:
    void workedExample()
    {
        QCOMPARE(Percent(30500, 200000), 15);
        QCOMPARE(Percent(61000, 200000), 30); // 30.5: a tie, to even
        QCOMPARE(ByteOffset(15, 4000000), 600000);
        QCOMPARE(ByteOffset(30, 4000000), 1200000);
        QCOMPARE(ByteOffset(15, 4000010), 600002); // 600001.5 to even
        QCOMPARE(ByteOffset(30, 4000010), 1200003);
        QCOMPARE(Percent(25000, 200000), 12); // 12.5 down
        QCOMPARE(Percent(75000, 200000), 38); // 37.5 up
        QCOMPARE(Percent(30200, 200000), 15);
        QCOMPARE(Percent(30800, 200000), 15);
        QCOMPARE(Percent(0, 200000), 0);
        QCOMPARE(Percent(200000, 200000), 100);
        QCOMPARE(ByteOffset(100, 2147483647), 2147483647);
    }

    void lengthZeroIsAFloatingPointError()
    {
        QString error;
        QVERIFY(!Percent(5, 0, &error));
        QCOMPARE(error, QStringLiteral("Floating point division by zero"));
        QVERIFY(!Percent(0, 0, &error));
        QCOMPARE(error, QStringLiteral("Invalid floating point operation"));
    }

    void agreesWithExactArithmetic()
    {
        std::mt19937_64 rng(20261208);
        for (int i = 0; i < 400; ++i) {
            const int32_t length = int32_t(rng() % 10000000) + 1;
            const int32_t mark
                = i % 4 == 0 ? int32_t(length / 200 * (rng() % 200)) : int32_t(rng() % (uint64_t(length) + 1));
            const int64_t size = int64_t(rng() % 2147483648ull);
            const int32_t p = Percent(mark, length).value();
            QCOMPARE(int64_t(p), roundHalfEven(int64_t(mark) * 100, length));
            QCOMPARE(int64_t(ByteOffset(p, size).value()), roundHalfEven(int64_t(p) * size, 100));
        }
    }

    void endWithoutAStartOrNotAfterIt()
    {
        ConfigHome home;
        Harness h;
        prepare(h);
        TFrmsplit &w = *h.window;
        control<QPushButton>(w, "CmdEnd")->click();
        QCOMPARE(h.ui.texts(), QStringList{kNoStart});
        h.fake1().position = 5000;
        control<QPushButton>(w, "CmdStart")->click();
        QCOMPARE(control<QLabel>(w, "LblPosS")->text(), QStringLiteral("5000"));
        QVERIFY(!control<QLabel>(w, "Lblstarting")->isHidden());
        h.ui.clear();
        control<QPushButton>(w, "CmdEnd")->click(); // at the start
        h.fake1().position = 4000;
        control<QPushButton>(w, "CmdEnd")->click(); // before it
        QCOMPARE(h.ui.texts(), (QStringList{kNotAfter, kNotAfter}));
        QVERIFY(control<QLabel>(w, "LblPosE")->text().isEmpty());
        QVERIFY(output().startsWith("<unreadable>"));
    }

    void endWritesTheMappedRangeAndKeepsAPausedPlayerPaused()
    {
        ConfigHome home;
        Harness h;
        prepare(h, 4000010 / 100); // 40000 bytes
        TFrmsplit &w = *h.window;
        h.fake1().position = 25000;
        control<QPushButton>(w, "CmdStart")->click();
        h.fake1().position = 75000;
        h.fake1().mode = MediaPlayer::Paused;
        control<QPushButton>(w, "CmdEnd")->click();
        QCOMPARE(control<QLabel>(w, "LblPosE")->text(), QStringLiteral("75000"));
        QCOMPARE(w.values().StartPercent, 12);
        QCOMPARE(w.values().EndPercent, 38);
        QCOMPARE(w.values().SegmentStart, 4800);
        QCOMPARE(w.values().SegmentLength, 15200 - 4800);
        QCOMPARE(output(), m_bytes.mid(4800, 15200 - 4800));
        QCOMPARE(h.fake1().mode, int(MediaPlayer::Paused));
        QVERIFY(!control<QLabel>(w, "Lblending")->isHidden());

        // A second end from the same start replaces the file; a playing player stops.
        h.fake1().mode = MediaPlayer::Playing;
        h.fake1().position = 100000;
        control<QPushButton>(w, "CmdEnd")->click();
        QCOMPARE(output(), m_bytes.mid(4800, 20000 - 4800));
        QCOMPARE(h.fake1().mode, int(MediaPlayer::Stopped));
        QVERIFY(!control<QTimer>(w, "Timer2")->isActive());

        // A new start hides the result panel.
        control<QPushButton>(w, "CmdStart")->click();
        QVERIFY(!control<QPushButton>(w, "CmdPmp3")->isEnabled());
    }

    void samePercentageKeepsTheEarlierPieceAndWholeTrackWritesTheWholeFile()
    {
        ConfigHome home;
        Harness h;
        prepare(h);
        TFrmsplit &w = *h.window;
        h.fake1().position = 0;
        control<QPushButton>(w, "CmdStart")->click();
        h.fake1().position = 200000;
        control<QPushButton>(w, "CmdEnd")->click();
        QCOMPARE(output(), m_bytes);
        int64_t count = 0;
        QVERIFY(settings::ReadSplitCount(home.statsIni(), count));
        QCOMPARE(count, 1);

        h.ui.clear();
        h.fake1().position = 30200;
        h.fake1().mode = MediaPlayer::Playing;
        control<QPushButton>(w, "CmdStart")->click();
        h.fake1().position = 30800;
        const int32_t earlierLength = w.values().SegmentLength;
        control<QPushButton>(w, "CmdEnd")->click();
        QCOMPARE(control<QLabel>(w, "LblPosE")->text(), QStringLiteral("200000")); // the end mark that was set
        QCOMPARE(w.values().SegmentLength, earlierLength);
        QCOMPARE(
            h.ui.texts(),
            QStringList{QStringLiteral(
                "The start and end marks fall in the same hundredth of the track, so the new MP3 would be empty and "
                "nothing was written. Set the end mark later in the track.")});
        QCOMPARE(output(), m_bytes);
        QVERIFY(settings::ReadSplitCount(home.statsIni(), count));
        QCOMPARE(count, 1);
        QCOMPARE(h.fake1().mode, int(MediaPlayer::Playing)); // still playing, for a later end mark
    }

    // The switch: times in h:mm:ss.cc, the piece between the very marks as the
    // cut plans it, its playing time shown, the choice kept; a source that
    // cannot be cut so is refused with nothing written or counted.
    void exactMarksCutTheirPiece()
    {
        ConfigHome home;
        Harness h;
        m_source = m_dir.path() + QStringLiteral("/tune.mp3");
        QFile::remove(m_source);
        QVERIFY(QFile::copy(QStringLiteral(CLEAVO_TEST_DATA "/vbr_xing_3000ms.mp3"), m_source));
        QFile::remove(m_dir.path() + QStringLiteral("/Split - tune.mp3"));
        h.create();
        TFrmsplit &w = *h.window;
        QVERIFY(!control<QCheckBox>(w, "ChkExact")->isChecked());
        h.fake1().length = 3000;
        h.select(m_source);
        control<QRadioButton>(w, "RadDefault")->setChecked(true);
        h.fake1().position = 1234;
        control<QPushButton>(w, "CmdStart")->click();
        QCOMPARE(control<QLabel>(w, "LblPosS")->text(), QStringLiteral("1234"));
        QTest::mouseClick(control<QCheckBox>(w, "ChkExact"), Qt::LeftButton, {},
                          QPoint(5, control<QCheckBox>(w, "ChkExact")->height() / 2));
        QVERIFY(control<QCheckBox>(w, "ChkExact")->isChecked());
        QCOMPARE(control<QLabel>(w, "LblPosS")->text(), QStringLiteral("0:01.23"));
        QCOMPARE(control<QLabel>(w, "LblEnd")->text(), QStringLiteral("0:03.00"));
        h.fake1().position = 2345;
        control<QPushButton>(w, "CmdEnd")->click();
        QCOMPARE(control<QLabel>(w, "LblPosE")->text(), QStringLiteral("0:02.34"));
        const auto plan = exactcut::plan(m_source, sourceMap(m_source).get(), 1234, 2345);
        QVERIFY(plan);
        QByteArray expected;
        const QByteArray source = readAll(m_source);
        for (const segment::Chunk &c : plan->chunks)
            expected += c.bytes.isEmpty() ? source.mid(c.offset, c.length) : c.bytes;
        QCOMPARE(output(), expected);
        QCOMPARE(control<QLabel>(w, "LblNewTime")->text(), QStringLiteral("Playing Time: 0:01.11"));
        QVERIFY(!control<QLabel>(w, "LblNewTime")->isHidden());
        QVERIFY(settings::LoadExactFlag());

        // A source replaced since it was selected (here by free format, which
        // could not be cut so either) is not cut: said, nothing written, the
        // end mark kept.
        h.ui.clear();
        writeFile(m_source, readAll(QStringLiteral(CLEAVO_TEST_DATA "/freeformat_1000ms.mp3")));
        h.fake1().position = 2500;
        control<QPushButton>(w, "CmdEnd")->click();
        QCOMPARE(h.ui.texts().size(), 1);
        QVERIFY2(h.ui.texts().first().contains(QStringLiteral("has changed since it was selected")),
                 qPrintable(h.ui.texts().first()));
        QCOMPARE(control<QLabel>(w, "LblPosE")->text(), QStringLiteral("0:02.34"));
        QCOMPARE(output(), expected);
        int64_t count = 0;
        QVERIFY(settings::ReadSplitCount(home.statsIni(), count));
        QCOMPARE(count, 1);

        // Switched off, every time is plain milliseconds again, and so is the cut.
        QTest::mouseClick(control<QCheckBox>(w, "ChkExact"), Qt::LeftButton, {},
                          QPoint(5, control<QCheckBox>(w, "ChkExact")->height() / 2));
        QCOMPARE(control<QLabel>(w, "LblPosE")->text(), QStringLiteral("2345"));
        QVERIFY(!settings::LoadExactFlag());
    }

    void unreadableSizeWritesNothing()
    {
        ConfigHome home;
        Harness h;
        prepare(h);
        TFrmsplit &w = *h.window;
        h.fake1().position = 100;
        control<QPushButton>(w, "CmdStart")->click();
        h.fake1().position = 900;
        w.values().SourceFileSize = -1;
        h.ui.clear();
        control<QPushButton>(w, "CmdEnd")->click();
        QCOMPARE(h.ui.texts(), QStringList{QStringLiteral("A severe error has occurred, the file could not be read ")});
        QCOMPARE(h.ui.shown.first().type, DialogType::Error);
        QVERIFY(output().startsWith("<unreadable>"));
    }

    void zeroLengthTrackReportsTheFloatingPointError()
    {
        ConfigHome home;
        Harness h;
        prepare(h);
        TFrmsplit &w = *h.window;
        h.fake1().position = 10;
        control<QPushButton>(w, "CmdStart")->click();
        h.fake1().position = 20;
        h.fake1().length = 0;
        control<QPushButton>(w, "CmdEnd")->click();
        QCOMPARE(h.ui.texts(), QStringList{QStringLiteral("Floating point division by zero.")});
        QCOMPARE(control<QLabel>(w, "LblPosE")->text(), QStringLiteral("20"));
    }

    void listeningForRealWritesExactlyTheMappedBytes()
    {
        ConfigHome home;
        Harness h;
        m_source = m_dir.path() + QStringLiteral("/real.mp3");
        QFile::remove(m_source);
        QFile::copy(testData("cbr_44k_stereo_3000ms.mp3"), m_source);
        m_bytes = readAll(m_source);
        h.create(true);
        h.select(m_source);
        TFrmsplit &w = *h.window;
        control<QRadioButton>(w, "RadDefault")->setChecked(true);
        control<QPushButton>(w, "CmdPlay")->click();
        QTRY_VERIFY_WITH_TIMEOUT(h.player1->Position() >= 1000, 3000);
        control<QPushButton>(w, "CmdStart")->click();
        QTRY_VERIFY_WITH_TIMEOUT(h.player1->Position() >= 2000, 3000);
        control<QPushButton>(w, "CmdEnd")->click();
        const int start = control<QLabel>(w, "LblPosS")->text().toInt(),
                  end = control<QLabel>(w, "LblPosE")->text().toInt();
        QVERIFY(start >= 1000 && end >= 2000 && end > start);
        const int32_t segStart = ByteOffset(Percent(start, 3000).value(), m_bytes.size()).value();
        const int32_t segEnd = ByteOffset(Percent(end, 3000).value(), m_bytes.size()).value();
        QCOMPARE(w.values().SegmentStart, segStart);
        QCOMPARE(w.values().SegmentLength, segEnd - segStart);
        QCOMPARE(readAll(m_dir.path() + QStringLiteral("/Split - real.mp3")), m_bytes.mid(segStart, segEnd - segStart));
        QCOMPARE(h.player1->Mode(), int(MediaPlayer::Stopped));
        QCOMPARE(readAll(m_source), m_bytes);
    }
};

QTEST_MAIN(TestMarks)
#include "tst_marks.moc"
