// Hostile inputs against the real program logic. For every case: the program
// reports clearly (or succeeds), the source is byte-identical afterwards, and
// no earlier output file is damaged.

#include "listening/mpgplayer.h"
#include "segment/segmentfile.h"
#include "settings/inistore.h"
#include "settings/settings.h"
#include "support/fakes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {

const QString kCorrupt = QStringLiteral(
    "An error occurred trying to open the audio file. The file appears to be corrupt. Please verify that your file "
    "has the correct file extension and matches that audio format.");

bool isRoot()
{
    return geteuid() == 0;
}

QByteArray mp3()
{
    return readAll(testData("cbr_44k_stereo_3000ms.mp3"));
}

QByteArray id3Tag(int bodySize)
{
    QByteArray tag("ID3\x03\x00\x00", 6);
    tag += char((bodySize >> 21) & 0x7F);
    tag += char((bodySize >> 14) & 0x7F);
    tag += char((bodySize >> 7) & 0x7F);
    tag += char(bodySize & 0x7F);
    tag += QByteArray(bodySize, '\0');
    return tag;
}

} // namespace

class TestHostile : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ConfigHome> m_home;

    QString dir() const { return m_dir->path(); }

    // Selects path, then writes the whole file through the byte panel to the
    // default location. Returns the output's path.
    QString selectAndSplitAll(Harness &h, const QString &path)
    {
        h.create(true);
        control<QRadioButton>(*h.window, "RadDefault")->setChecked(true);
        control<QRadioButton>(*h.window, "RadByte")->setChecked(true);
        h.select(path);
        if (h.window->values().FileSelected)
            h.window->guarded([&] { h.window->BitBtn1Click(); });
        return segment::defaultOutputName(path);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_home = std::make_unique<ConfigHome>();
    }
    void cleanup()
    {
        m_home.reset();
        m_dir.reset();
    }

    // ---- MP3 files that are not what they seem ----

    void oddMp3Contents_data()
    {
        QTest::addColumn<QByteArray>("content");
        const QByteArray a = mp3();
        QTest::newRow("junk before") << patternBytes(5000) + a;
        QTest::newRow("a little junk before") << patternBytes(300) + a;
        QTest::newRow("junk inside") << a.left(a.size() / 2) + patternBytes(4000) + a.mid(a.size() / 2);
        QTest::newRow("junk after") << a + patternBytes(20000);
        for (int pct = 10; pct < 100; pct += 10)
            QTest::addRow("truncated at %d%%", pct) << a.left(a.size() * pct / 100);
        QTest::newRow("10 MB ID3v2 tag") << id3Tag(10 * 1000 * 1000) + a;
        QTest::newRow("only an ID3 tag") << id3Tag(4096);
        QTest::newRow("zero bytes") << QByteArray();
    }
    void oddMp3Contents()
    {
        QFETCH(QByteArray, content);
        const QString path = dir() + QStringLiteral("/odd.mp3");
        writeFile(path, content);
        Harness h;
        QElapsedTimer t;
        t.start();
        const QString out = selectAndSplitAll(h, path);
        QVERIFY(t.elapsed() < 15000);
        QCOMPARE(readAll(path), content);
        for (const auto &s : h.ui.shown) {
            QVERIFY2(s.text == kCorrupt || s.text == QStringLiteral("No MCI device open.")
                         || s.text.startsWith(QStringLiteral("New MP3 successfully created!")),
                     qPrintable(s.text));
        }
        if (h.window->values().FileSelected) {
            QCOMPARE(control<QLabel>(*h.window, "Lblsize")->text(), QString::number(content.size()));
            if (!content.isEmpty())
                QCOMPARE(readAll(out), content);
        } else {
            QVERIFY(h.ui.texts().contains(kCorrupt));
        }
    }

    // Files made to make the frame walk slow: headers of the stream at every
    // few bytes whose frames never reach the next one, and junk after every
    // few frames. Each opens about as fast as junk of its size with as many
    // sync bytes, and counts only its real audio.
    void hostileShapesOpenInLinearTime()
    {
        const QByteArray a = mp3();
        const QByteArray header = QByteArray::fromHex("fffbe064"); // MPEG-1 Layer III, 320 kbit/s, 44.1 kHz
        const int size = 24 << 20;
        const QByteArray run = (header + QByteArray(1, '\0')).repeated(size / 5); // 1044-byte frames: never on a header
        QByteArray
            frames; // real frames (417 bytes at 128 kbit/s, one more when padded), 7 bytes of junk after every fifth
        for (qsizetype at = 417, n = 0; frames.size() < size; ++n) {
            const qsizetype bytes = 417 + ((a[at + 2] >> 1) & 1);
            frames += a.mid(at, bytes);
            if (n % 5 == 4)
                frames += QByteArray(7, '\x17');
            at = at + bytes + 4 > a.size() ? 417 : at + bytes;
        }
        // Junk with as many sync bytes, none of them a header: the walk looks at each as closely.
        const QByteArray plain = QByteArray::fromHex("ff00000000").repeated(size / 5);
        const auto openTime = [this](const QByteArray &content, int *length) {
            const QString path = dir() + QStringLiteral("/shape.mp3");
            writeFile(path, content);
            auto player = createAudioPlayer();
            player->setFileName(path);
            QElapsedTimer t;
            t.start();
            const bool opened = player->Open();
            const qint64 ms = t.elapsed();
            *length = opened ? player->Length().value_or(0) : -1;
            return ms;
        };
        int plainLength = 0, runLength = 0, framesLength = 0;
        // The best of two, against the noise of a busy machine.
        const auto best = [&](const QByteArray &content, int *length) {
            return std::min(openTime(content, length), openTime(content, length));
        };
        const qint64 plainMs = best(a + plain + a, &plainLength);
        const qint64 runMs = best(a + run + a, &runLength);
        const qint64 framesMs = best(frames, &framesLength);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__) // a sanitizer's timing says nothing
        QVERIFY2(runMs <= 5 * plainMs + 50, qPrintable(QStringLiteral("%1 ms against %2 ms").arg(runMs).arg(plainMs)));
        QVERIFY2(framesMs <= 5 * plainMs + 50,
                 qPrintable(QStringLiteral("%1 ms against %2 ms").arg(framesMs).arg(plainMs)));
#else
        Q_UNUSED(plainMs);
        Q_UNUSED(runMs);
        Q_UNUSED(framesMs);
#endif
        QCOMPARE(runLength, plainLength);
        QVERIFY2(framesLength > 1000 * 60, qPrintable(QString::number(framesLength)));
    }

    // ---- names ----

    void awkwardNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("blanks") << QStringLiteral("  a  song  .mp3");
        QTest::newRow("quotes") << QStringLiteral("it's \"the\" song.mp3");
        QTest::newRow("colon") << QStringLiteral("Disc 1: Intro.mp3");
        QTest::newRow("newline") << QStringLiteral("two\nlines.mp3");
        QTest::newRow("non-ASCII") << QStringLiteral("Caf\u00e9 \u00fcber \u266b \u65e5\u672c.mp3");
        QTest::newRow("250 bytes") << QString(246, QLatin1Char('n')) + QStringLiteral(".mp3");
    }
    void awkwardNames()
    {
        QFETCH(QString, name);
        const QString path = dir() + QLatin1Char('/') + name;
        QVERIFY(QFile::copy(testData("cbr_44k_stereo_3000ms.mp3"), path));
        const QByteArray before = readAll(path);
        Harness h;
        const QString out = selectAndSplitAll(h, path);
        QCOMPARE(readAll(path), before);
        QVERIFY(h.window->values().FileSelected);
        QCOMPARE(control<QLabel>(*h.window, "LblFile")->text(), path);
        if (QFile::encodeName(segment::splitPath(out).name).size() <= 255) {
            QCOMPARE(readAll(out), before);
            QCOMPARE(control<QLabel>(*h.window, "LblName")->text(), segment::splitPath(out).name);
        } else {
            // "Split - " makes the name too long for the file system: said, and nothing written.
            QCOMPARE(h.ui.texts().size(), 1);
            QVERIFY(h.ui.texts().first().contains(out));
            QVERIFY(!h.ui.texts().first().startsWith(QStringLiteral("New MP3 successfully created!")));
            QCOMPARE(QDir(dir()).entryList(QDir::Files).size(), 1);
        }
        // "Last Dir" keeps the folder whatever the name holds.
        QCOMPARE(ini::readString(m_home->statsIni(), QStringLiteral("History"), QStringLiteral("Last Dir"), QString()),
                 dir() + QLatin1Char('/'));
    }

    // ---- places that cannot be written ----

    void sourceInAReadOnlyFolder()
    {
        if (isRoot())
            QSKIP("permission bits do not stop root; run this test as an unprivileged user");
        const QString folder = dir() + QStringLiteral("/ro");
        QDir().mkpath(folder);
        const QString path = folder + QStringLiteral("/song.mp3");
        QFile::copy(testData("cbr_44k_stereo_3000ms.mp3"), path);
        const QByteArray before = readAll(path);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        Harness h;
        selectAndSplitAll(h, path);
        QCOMPARE(readAll(path), before);
        QCOMPARE(h.ui.textsOf(ScriptedInteraction::Kind::Error).size(), 1);
        QVERIFY(
            h.ui.textsOf(ScriptedInteraction::Kind::Error).first().startsWith(QStringLiteral("Cannot create file")));
        // Asking for a place elsewhere works.
        control<QRadioButton>(*h.window, "RadAsk")->setChecked(true);
        const QString elsewhere = dir() + QStringLiteral("/piece.mp3");
        h.ui.saveAnswers << elsewhere;
        h.window->guarded([&] { h.window->BitBtn1Click(); });
        QCOMPARE(readAll(elsewhere), before);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void destinationThatExistsReadOnly()
    {
        if (isRoot())
            QSKIP("permission bits do not stop root; run this test as an unprivileged user");
        const QString path = dir() + QStringLiteral("/song.mp3");
        QFile::copy(testData("cbr_44k_stereo_3000ms.mp3"), path);
        const QString out = dir() + QStringLiteral("/Split - song.mp3");
        writeFile(out, "earlier piece");
        QFile::setPermissions(out, QFile::ReadOwner);
        Harness h;
        selectAndSplitAll(h, path);
        QCOMPARE(h.ui.textsOf(ScriptedInteraction::Kind::Error).size(), 1);
        QCOMPARE(readAll(out), QByteArray("earlier piece"));
        QFile::setPermissions(out, QFile::ReadOwner | QFile::WriteOwner);
    }

    void configFolderReadOnly()
    {
        if (isRoot())
            QSKIP("permission bits do not stop root; run this test as an unprivileged user");
        const QString path = dir() + QStringLiteral("/song.mp3");
        QFile::copy(testData("cbr_44k_stereo_3000ms.mp3"), path);
        const QByteArray before = readAll(path);
        QDir().mkpath(m_home->folder());
        const auto readOnly = [&](bool on) {
            QFile::setPermissions(m_home->folder(),
                                  on ? QFile::ReadOwner | QFile::ExeOwner
                                     : QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        };
        {
            // Nothing there yet: the "Ask" value cannot be created, which is passed
            // over; the statistics file cannot be created, which is said.
            readOnly(true);
            Harness h;
            h.create(true);
            QCOMPARE(h.ui.texts(), QStringList{QStringLiteral("Unable to write to %1.").arg(m_home->statsIni())});
            QVERIFY(control<QRadioButton>(*h.window, "RadAsk")->isChecked());
            h.ui.clear();
            QVERIFY(h.window->close()); // the size cannot be saved: said, and it closes
            QCOMPARE(h.ui.textsOf(ScriptedInteraction::Kind::Error).size(), 1);
            readOnly(false);
        }
        {
            // "Ask" is there, the statistics file is not and cannot be made.
            writeFile(m_home->askConf(), "[General]\nAsk=0\n");
            readOnly(true);
            Harness h;
            h.create(true);
            QCOMPARE(h.ui.texts(), QStringList{QStringLiteral("Unable to write to %1.").arg(m_home->statsIni())});
            QVERIFY(control<QRadioButton>(*h.window, "RadDefault")->isChecked());
            readOnly(false);
        }
        {
            // All three there and writable, in a folder that is not: written in place.
            Harness first;
            first.create();
            QVERIFY(first.window->close());
            readOnly(true);
            Harness h;
            h.create(true);
            h.select(path);
            QVERIFY(h.ui.shown.isEmpty());
            QVERIFY(h.window->values().FileSelected);
            QCOMPARE(settings::ReadLastDir(m_home->statsIni()), dir() + QLatin1Char('/'));
            control<QRadioButton>(*h.window, "RadDefault")->setChecked(true);
            QVERIFY(h.window->close());
            QVERIFY(h.ui.shown.isEmpty());
            QCOMPARE(QSettings(m_home->askConf(), QSettings::IniFormat).value(QStringLiteral("Ask")).toInt(), 0);
            readOnly(false);
        }
        QCOMPARE(readAll(path), before);
    }

    void askFileReadOnly()
    {
        if (isRoot())
            QSKIP("permission bits do not stop root; run this test as an unprivileged user");
        // Opened with full access or not at all: a read-only "Ask" file is passed
        // over without a word, and start-up goes on to the statistics file.
        QDir().mkpath(m_home->folder());
        writeFile(m_home->askConf(), "[General]\n");
        QFile::setPermissions(m_home->askConf(), QFile::ReadOwner);
        Harness h;
        h.create();
        QVERIFY(h.ui.shown.isEmpty());
        QVERIFY(control<QRadioButton>(*h.window, "RadAsk")->isChecked());
        QVERIFY(QFile::exists(m_home->statsIni()));
        QVERIFY(h.window->close());
        QVERIFY(h.ui.shown.isEmpty());
        QCOMPARE(readAll(m_home->askConf()), QByteArray("[General]\n"));
    }

    void fullDisk()
    {
        const QString path = dir() + QStringLiteral("/big.mp3");
        const QByteArray content = mp3().repeated(4);
        writeFile(path, content);
        const QString out = dir() + QStringLiteral("/Split - big.mp3");
        writeFile(out, "earlier piece");
        Harness h;
        h.create(true);
        control<QRadioButton>(*h.window, "RadDefault")->setChecked(true);
        h.select(path);
        h.ui.clear();
        {
            FileSizeLimit limit(50000);
            h.window->guarded([&] { h.window->BitBtn1Click(); });
        }
        QCOMPARE(h.ui.texts().size(), 1);
        QVERIFY(h.ui.texts().first().contains(out));
        QVERIFY2(h.ui.texts().first().contains(QStringLiteral("File too large")), qPrintable(h.ui.texts().first()));
        QCOMPARE(readAll(out), QByteArray("earlier piece"));
        QCOMPARE(readAll(path), content);
        QVERIFY(!control<QPushButton>(*h.window, "CmdPmp3")->isEnabled());
    }

    // ---- the source changes behind the program's back ----

    void sourceDeletedBetweenSelectionAndSplit()
    {
        const QString path = dir() + QStringLiteral("/gone.mp3");
        QFile::copy(testData("cbr_44k_stereo_3000ms.mp3"), path);
        Harness h;
        h.create(true);
        control<QRadioButton>(*h.window, "RadDefault")->setChecked(true);
        h.select(path);
        QFile::remove(path);
        h.ui.clear();
        h.window->guarded([&] { h.window->BitBtn1Click(); });
        QCOMPARE(h.ui.texts().size(), 1);
        QVERIFY(h.ui.texts().first().startsWith(QStringLiteral("The file cannot be read")));
        QVERIFY(!QFile::exists(dir() + QStringLiteral("/Split - gone.mp3")));
        // Playing what is still open goes on working.
        h.window->guarded([&] { h.window->CmdPlayClick(); });
        h.window->guarded([&] { h.window->CmdstopClick(); });
    }

    void sourceTruncatedBetweenSelectionAndSplit()
    {
        const QString path = dir() + QStringLiteral("/shrinks.mp3");
        const QByteArray content = mp3();
        writeFile(path, content);
        Harness h;
        h.create(true);
        control<QRadioButton>(*h.window, "RadDefault")->setChecked(true);
        h.select(path);
        h.ui.clear();
        // Cut short, or replaced by a file of the same size: not the file
        // that was chosen, so nothing is cut from it, nor counted.
        for (const QByteArray &now : {content.left(1000), QByteArray(content.size(), 'x')}) {
            writeFile(path, now);
            control<QScrollBar>(*h.window, "ScrollStart")->setValue(500);
            h.window->guarded([&] { h.window->BitBtn1Click(); });
            QCOMPARE(h.ui.texts().size(), 1);
            QCOMPARE(h.ui.texts().takeFirst(), QString::fromLatin1(segment::kSourceChangedText).arg(path));
            h.ui.clear();
            QVERIFY(!QFile::exists(dir() + QStringLiteral("/Split - shrinks.mp3")));
            QVERIFY(!control<QPushButton>(*h.window, "CmdPmp3")->isEnabled());
        }
    }

    // ---- settings files written by someone else ----

    void settingsFilesWithGarbage_data()
    {
        QTest::addColumn<QByteArray>("stats");
        QTest::addColumn<QByteArray>("size");
        QTest::addColumn<QString>("numberAfter");
        QTest::newRow("garbage") << patternBytes(3000) << patternBytes(2000) << QString();
        QTest::newRow("BOM and CRLF") << QByteArray("\xEF\xBB\xBF[Stat]\r\nNumber=41\r\n")
                                      << QByteArray("\xEF\xBB\xBF[frmsplit]\r\nW=600\r\nH=700\r\n") << "42";
        QTest::newRow("duplicate keys") << QByteArray("[Stat]\nNumber=7\nNumber=100\n[stat]\nnumber=5\n")
                                        << QByteArray("[frmsplit]\nW=600\nW=300\n") << "8";
        QByteArray big
            = QByteArray("[Stat]\nNumber=1\n") + QByteArray("filler line without meaning\n").repeated(360000);
        QTest::newRow("10 MB of text") << big << QByteArray("x").repeated(10 * 1000 * 1000) << "2";
    }
    void settingsFilesWithGarbage()
    {
        QFETCH(QByteArray, stats);
        QFETCH(QByteArray, size);
        QFETCH(QString, numberAfter);
        QDir().mkpath(m_home->folder());
        writeFile(m_home->statsIni(), stats);
        writeFile(m_home->sizeIni(), size);
        const QString path = dir() + QStringLiteral("/song.mp3");
        QFile::copy(testData("cbr_44k_stereo_3000ms.mp3"), path);
        const QByteArray before = readAll(path);
        Harness h;
        QElapsedTimer t;
        t.start();
        const QString out = selectAndSplitAll(h, path);
        QVERIFY(t.elapsed() < 20000);
        QCOMPARE(readAll(path), before);
        QCOMPARE(readAll(out), before);
        const QString number
            = ini::readString(m_home->statsIni(), QStringLiteral("Stat"), QStringLiteral("Number"), QString());
        if (numberAfter.isEmpty()) {
            // Without a count the write is reported, and the text there is left alone.
            QVERIFY(!h.ui.textsOf(ScriptedInteraction::Kind::Error).isEmpty());
        } else {
            QCOMPARE(number, numberAfter);
            QVERIFY(h.ui.textsOf(ScriptedInteraction::Kind::Error).isEmpty());
        }
    }
};

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
