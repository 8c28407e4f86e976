#include "segment/segmentfile.h"
#include "support/fakes.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using segment::CopyFailure;

namespace {

// How a copy failed; nothing when it succeeded.
std::optional<CopyFailure> failureOf(const QString &source, const QString &destination, int32_t start, int64_t length)
{
    CopyFailure failure;
    if (segment::copyByteRange(source, destination, start, length, nullptr, &failure))
        return std::nullopt;
    return failure;
}

} // namespace

class TestSegmentFile : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_source;
    QByteArray m_bytes;

    QString path(const char *name) const { return m_dir.path() + QLatin1Char('/') + QLatin1String(name); }

private slots:
    void init()
    {
        m_bytes = patternBytes(3 * 8192 + 100);
        m_source = path("source.mp3");
        writeFile(m_source, m_bytes);
    }
    void cleanup()
    {
        // Every test leaves the source exactly as it was.
        QCOMPARE(readAll(m_source), m_bytes);
    }

    void naming_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("mp3 kept") << "/m/song.mp3"
                                  << "/m/song.mp3";
        QTest::newRow("any case kept") << "/m/song.Mp3"
                                       << "/m/song.Mp3";
        QTest::newRow("no extension") << "/m/song"
                                      << "/m/song.mp3";
        QTest::newRow("txt") << "/m/song.txt"
                             << "/m/song.txt.mp3";
        QTest::newRow("trailing dot") << "/m/song."
                                      << "/m/song..mp3";
        QTest::newRow("dot in folder only") << "/m.mp3/song"
                                            << "/m.mp3/song.mp3";
        QTest::newRow("colon is a plain character") << "/m/a:b.mp3"
                                                    << "/m/a:b.mp3";
        QTest::newRow("non-ASCII upper case is not folded") << "/m/song.mp\u00df"
                                                            << "/m/song.mp\u00df.mp3";
    }
    void naming()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(segment::withMp3Extension(in), out);
    }

    void defaultNameAndSplit()
    {
        QCOMPARE(segment::defaultOutputName(QStringLiteral("/music/Track.mp3")),
                 QStringLiteral("/music/Split - Track.mp3"));
        QCOMPARE(segment::defaultOutputName(QStringLiteral("/Track.mp3")), QStringLiteral("/Split - Track.mp3"));
        QCOMPARE(segment::defaultOutputName(QStringLiteral("/m/x:y.mp3")), QStringLiteral("/m/Split - x:y.mp3"));
        const auto parts = segment::splitPath(QStringLiteral("/a/b/c.mp3"));
        QCOMPARE(parts.dir, QStringLiteral("/a/b/"));
        QCOMPARE(parts.name, QStringLiteral("c.mp3"));
    }

    void fileSize()
    {
        QCOMPARE(segment::GetFileSize64(m_source), int64_t(m_bytes.size()));
        QCOMPARE(segment::GetFileSize64(path("missing")), int64_t(-1));
        QCOMPARE(segment::GetFileSize64(m_dir.path()), int64_t(-1));
        QCOMPARE(segment::GetFileSize64(QString()), int64_t(-1));
        QCOMPARE(segment::GetFileSize64(path("*.mp3")), int64_t(-1)); // no wildcards
        QCOMPARE(segment::GetFileSize64(QStringLiteral("/dev/null")), int64_t(-1));
    }

    void copiesExactRanges_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<qint64>("length");
        QTest::newRow("0") << 0 << qint64(0);
        QTest::newRow("1") << 5 << qint64(1);
        QTest::newRow("8191") << 3 << qint64(8191);
        QTest::newRow("8192") << 0 << qint64(8192);
        QTest::newRow("8193") << 17 << qint64(8193);
        QTest::newRow("3 blocks") << 50 << qint64(3 * 8192);
        QTest::newRow("past the end") << 20000 << qint64(100000);
        QTest::newRow("start at the end") << 3 * 8192 + 100 << qint64(10);
        QTest::newRow("start beyond the end") << 1000000 << qint64(10);
    }
    void copiesExactRanges()
    {
        QFETCH(int, start);
        QFETCH(qint64, length);
        const QString out = path("out.mp3");
        QVERIFY(segment::copyByteRange(m_source, out, start, length));
        QCOMPARE(readAll(out), m_bytes.mid(start, int(length)));
    }

    void negativeStartOrMissingSourceWritesNothing()
    {
        const QString out = path("never.mp3");
        QCOMPARE(failureOf(m_source, out, -1, 10).value().kind, CopyFailure::SourceUnreadable);
        QCOMPARE(failureOf(path("missing.mp3"), out, 0, 10).value().kind, CopyFailure::SourceUnreadable);
        QCOMPARE(failureOf(m_dir.path(), out, 0, 10).value().kind, CopyFailure::SourceUnreadable);
        QVERIFY(!QFile::exists(out));
        QCOMPARE(QString::fromLatin1(segment::kSourceUnreadableText).count(QLatin1String("  ")), 1);
    }

    // Each earlier file goes to the trash of a new account's home, byte for
    // byte, with an info file that says where it came from.
    void replacedFilesGoToTheTrash()
    {
        ConfigHome home;
        const QString out = path("Split - a %song.mp3");
        writeFile(out, QByteArray(50000, 'z'));
        QVERIFY(segment::copyByteRange(m_source, out, 10, 20));
        QVERIFY(segment::copyByteRange(m_source, out, 30, 40));
        QCOMPARE(readAll(out), m_bytes.mid(30, 40));
        const QString trash = home.trash();
        QCOMPARE(QDir(trash + QStringLiteral("/files")).entryList(QDir::Files),
                 (QStringList{QStringLiteral("Split - a %song.mp3"), QStringLiteral("Split - a %song.mp3.2")}));
        QCOMPARE(readAll(trash + QStringLiteral("/files/Split - a %song.mp3")), QByteArray(50000, 'z'));
        QCOMPARE(readAll(trash + QStringLiteral("/files/Split - a %song.mp3.2")), m_bytes.mid(10, 20));
        const QByteArray info = readAll(trash + QStringLiteral("/info/Split - a %song.mp3.2.trashinfo"));
        QVERIFY2(info.startsWith("[Trash Info]\nPath=" + QFile::encodeName(m_dir.path()).toPercentEncoding("/")
                                 + "/Split%20-%20a%20%25song.mp3\nDeletionDate="),
                 info.constData());
        QCOMPARE(QFileInfo(trash).permissions() & (QFile::ReadOther | QFile::ReadGroup), QFile::Permissions());
    }

    // A folder on another disk: the trash of that disk's top folder.
    void aFileOnAnotherDiskGoesToThatDisksTrash()
    {
        ConfigHome home;
        struct stat shm {
        }, tmp{};
        if (::stat("/dev/shm", &shm) != 0 || ::stat(QFile::encodeName(m_dir.path()).constData(), &tmp) != 0
            || shm.st_dev == tmp.st_dev || !QFileInfo(QStringLiteral("/dev/shm")).isWritable())
            QSKIP("no writable folder on another disk here");
        QTemporaryDir other(QStringLiteral("/dev/shm/cleavo-trash-XXXXXX"));
        const QString out = other.path() + QStringLiteral("/out.mp3");
        writeFile(out, "earlier");
        QVERIFY(segment::copyByteRange(m_source, out, 0, 10));
        const QString trash = QStringLiteral("/dev/shm/.Trash-%1").arg(::getuid());
        const QString name = QFileInfo(other.path()).fileName();
        QStringList found = QDir(trash + QStringLiteral("/info")).entryList({name + QStringLiteral("*")});
        QVERIFY(found.isEmpty()); // named after the file, not the folder
        bool seen = false;
        for (const QString &entry : QDir(trash + QStringLiteral("/info")).entryList(QDir::Files)) {
            const QString info = trash + QStringLiteral("/info/") + entry;
            if (!readAll(info).contains("Path=" + name.toLatin1() + "/out.mp3\n"))
                continue;
            const QString file = trash + QStringLiteral("/files/") + entry.chopped(int(strlen(".trashinfo")));
            QCOMPARE(readAll(file), QByteArray("earlier"));
            QFile::remove(file);
            QFile::remove(info);
            seen = true;
        }
        QVERIFY(seen);
        QVERIFY(!QDir(home.trash()).exists());
    }

    void neverWritesOverTheSource()
    {
        const CopyFailure r = failureOf(m_source, m_source, 0, 10).value();
        QCOMPARE(r.kind, CopyFailure::SameAsSource);
        QVERIFY(r.text.contains(m_source));
        // Also through a link or another spelling of the path.
        const QString link = path("link.mp3");
        QVERIFY(QFile::link(m_source, link));
        QCOMPARE(failureOf(m_source, link, 0, 10).value().kind, CopyFailure::SameAsSource);
        QCOMPARE(failureOf(m_source, m_dir.path() + QStringLiteral("/./source.mp3"), 0, 10).value().kind,
                 CopyFailure::SameAsSource);
    }

    void destinationThatCannotBeCreatedIsSaid()
    {
        const QString blocker = path("blocker");
        writeFile(blocker, "x");
        const QString out = blocker + QStringLiteral("/out.mp3");
        const CopyFailure notAFolder = failureOf(m_source, out, 0, 10).value();
        QCOMPARE(notAFolder.kind, CopyFailure::CannotCreate);
        QVERIFY(notAFolder.text.startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(out)));
        const CopyFailure folder = failureOf(m_source, m_dir.path(), 0, 10).value();
        QCOMPARE(folder.kind, CopyFailure::CannotCreate);
        QCOMPARE(folder.text, QStringLiteral("Cannot create file \"%1\". Is a directory").arg(m_dir.path()));
        QCOMPARE(readAll(blocker), QByteArray("x"));
    }

    void fullDiskLeavesTheEarlierFileIntact()
    {
        // A file-size limit makes writes fail as on a full disk.
        QTemporaryDir target;
        const QString out = target.path() + QStringLiteral("/earlier.mp3");
        const QByteArray earlier(5000, 'e');
        writeFile(out, earlier);
        std::optional<CopyFailure> r;
        {
            FileSizeLimit limit(10000);
            r = failureOf(m_source, out, 0, 20000);
        }
        QCOMPARE(r.value().kind, CopyFailure::Failed);
        QVERIFY(r->text.contains(out));
        QCOMPARE(readAll(out), earlier);
        QCOMPARE(QDir(target.path()).entryList(QDir::Files),
                 QStringList{QStringLiteral("earlier.mp3")}); // no temporary file left
    }
};

QTEST_GUILESS_MAIN(TestSegmentFile)
#include "tst_segmentfile.moc"
