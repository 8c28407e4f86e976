// The system saying no where it really does: every call of every write path
// is refused in turn (write, sync, close, rename, and in place also the
// allocation and the truncation), through the real QSaveFile, the real
// settings code and the real window. Whatever call is refused, the user is
// told, and every earlier file is exactly as it was. Runs as an unprivileged
// user under root, so that a read-only folder stops it as it stops a user.

#include "core/errors.h"
#include "core/platform.h"
#include "core/safefile.h"
#include "core/trash.h"
#include "core/ui/interaction.h"
#include "segment/segmentfile.h"
#include "settings/settings.h"
#include "support/fakes.h"
#include "support/faults_c.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSysInfo>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kCopied = -1; // a copy that succeeded, beside the kinds of failure

// The helper that copies in a process of its own; a copy of it where the
// checkout cannot be read (see run-unprivileged).
QString copierPath()
{
    const QString helpers = qEnvironmentVariable("CLEAVO_HELPERS");
    return helpers.isEmpty() ? QStringLiteral(CLEAVO_COPIER) : helpers + QStringLiteral("/cleavo_copier");
}

struct Refusal {
    int call;
    int nth;
    int error;
};

constexpr int kFileSizeLimit = 100; // no call refused by the injector: RLIMIT_FSIZE instead

void addRefusalRows(bool inPlace)
{
    QTest::addColumn<int>("call");
    QTest::addColumn<int>("nth");
    QTest::addColumn<int>("error");
    QTest::addRow("first write") << int(CLEAVO_FAULT_WRITE) << 1 << EIO;
    QTest::addRow("third write") << int(CLEAVO_FAULT_WRITE) << 3 << EIO;
    QTest::addRow("sync") << int(CLEAVO_FAULT_SYNC) << 1 << EIO;
    QTest::addRow("close") << int(CLEAVO_FAULT_CLOSE) << 1 << EIO;
    if (inPlace) {
        QTest::addRow("allocation") << int(CLEAVO_FAULT_ALLOCATE) << 1 << ENOSPC;
        QTest::addRow("truncation") << int(CLEAVO_FAULT_TRUNCATE) << 1 << EIO;
    } else {
        QTest::addRow("rename") << int(CLEAVO_FAULT_RENAME) << 1 << EIO;
        // Every change of permissions refused: the new file must not stay
        // readable by its owner only.
        QTest::addRow("permissions") << int(CLEAVO_FAULT_CHMOD) << 0 << EPERM;
        // A device that takes nothing: no errno is set, so none may be told.
        QTest::addRow("a write that takes nothing") << int(CLEAVO_FAULT_WRITE) << 1 << 0;
    }
}

// What the user is told of the refusal of a row.
QString reasonOf(int error)
{
    return error == 0 ? QStringLiteral("the device accepted no data") : QString::fromLocal8Bit(std::strerror(error));
}

// Arms the refusal of the current row on files in folder until it goes.
struct Armed {
    Armed(const QString &folder)
    {
        QFETCH(int, call);
        QFETCH(int, nth);
        QFETCH(int, error);
        cleavo_fault_arm(call, QFile::encodeName(folder).constData(), nth, error);
    }
    ~Armed() { cleavo_fault_disarm(); }
};

// Sees every event of the program.
class EventWatch : public QObject {
public:
    explicit EventWatch(std::function<void(QObject *, QEvent *)> seen) : m_seen(std::move(seen))
    {
        qApp->installEventFilter(this);
    }
    bool eventFilter(QObject *o, QEvent *e) override
    {
        m_seen(o, e);
        return false;
    }

private:
    std::function<void(QObject *, QEvent *)> m_seen;
};

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

} // namespace

class TestRefusals : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ConfigHome> m_home;

    QString dir() const { return m_dir->path(); }

    // A long write (writes slowed down as on a USB stick), cancelled one way
    // or another once its progress window shows: the fixture that the tests
    // below each look at for one behaviour.
    struct LongWrite {
        QString label;                 // what the progress window said
        int progressWindows = 0;       // how many were shown
        int ticks = 0;                 // 20 ms ticks of the window's thread meanwhile
        qint64 took = 0;               // ms from the click to its end
        bool othersTookClicks = false; // while the progress window showed
        bool takesClicksAfter = false;
        QByteArray earlier; // the earlier file afterwards
        QStringList left;   // the folder's files afterwards
        int64_t countBefore = 0, countAfter = 0;
        bool windowVisible = false;
        QStringList said; // what the boxes said
    };
    LongWrite cancelledLongWrite(const QString &how)
    {
        LongWrite r;
        Harness h;
        h.create();
        TFrmsplit &w = *h.window;
        w.show();
        if (!QTest::qWaitForWindowExposed(&w))
            return r;
        EventWatch watch([&](QObject *o, QEvent *e) {
            if (e->type() == QEvent::Show && qobject_cast<QProgressDialog *>(o))
                ++r.progressWindows;
        });
        const QString source = dir() + QStringLiteral("/long.mp3");
        writeFile(source, patternBytes(4 << 20));
        const QString output = dir() + QStringLiteral("/Split - long.mp3");
        writeFile(output, "an earlier piece");
        h.select(source);
        control<QRadioButton>(w, "RadByte")->click();
        control<QRadioButton>(w, "RadDefault")->setChecked(true);
        (void)settings::ReadSplitCount(m_home->statsIni(), r.countBefore);
        h.ui.clear();
        // 512 writes of 4 ms: two seconds at least, through a named temporary
        // file (as on a FAT stick), which must not be left behind.
        cleavo_fault_no_tmpfile(1);
        cleavo_fault_slow_writes(QFile::encodeName(dir()).constData(), 4000);
        QTimer alive;
        connect(&alive, &QTimer::timeout, [&] { ++r.ticks; });
        alive.start(20);
        QTimer driver;
        connect(&driver, &QTimer::timeout, [&] {
            auto *dialog = w.findChild<QProgressDialog *>(QStringLiteral("WriteProgress"));
            if (!dialog || !dialog->isVisible() || dialog->labelText().isEmpty() || !r.label.isEmpty())
                return;
            r.othersTookClicks = control<QPushButton>(w, "BitBtn1")->isEnabled();
            r.label = dialog->labelText();
            if (how == QLatin1String("Escape"))
                QTest::keyClick(dialog, Qt::Key_Escape);
            else if (how == QLatin1String("Cancel"))
                QTest::mouseClick(dialog->findChild<QPushButton *>(), Qt::LeftButton);
            else if (how == QLatin1String("Ctrl+Q"))
                QTest::keyClick(dialog, Qt::Key_Q, Qt::ControlModifier);
            else
                w.close();
        });
        driver.start(50);
        QElapsedTimer clock;
        clock.start();
        control<QPushButton>(w, "BitBtn1")->click();
        r.took = clock.elapsed();
        cleavo_fault_disarm();
        r.takesClicksAfter = control<QPushButton>(w, "BitBtn1")->isEnabled();
        r.earlier = readAll(output);
        r.left = entries(dir());
        r.left.sort();
        (void)settings::ReadSplitCount(m_home->statsIni(), r.countAfter);
        // Closed, the window goes once the write has ended.
        QTest::qWait(100);
        r.windowVisible = w.isVisible();
        r.said = h.ui.texts();
        return r;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_home = std::make_unique<ConfigHome>();
    }
    void cleanup()
    {
        cleavo_fault_disarm();
        QFile::setPermissions(m_home->folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_home.reset();
        m_dir.reset();
    }

    void theNewMp3_data() { addRefusalRows(false); }
    // The new MP3, written through an unnamed temporary file where the
    // filesystem has them, and through a named one where it has not (vfat,
    // NFS, CIFS).
    void theNewMp3()
    {
        const QString source = dir() + QStringLiteral("/source.mp3");
        writeFile(source, patternBytes(100000));
        QDir().mkpath(dir() + QStringLiteral("/out"));
        const QString output = dir() + QStringLiteral("/out/Split - source.mp3");
        const QByteArray earlier("an earlier piece, to be kept");
        QFETCH(int, call);
        QFETCH(int, error);
        // A piece cut at the exact marks: a frame of its own, then stretches of the source.
        const std::vector<segment::Chunk> stretches{{0, 0, QByteArray(417, 'i')}, {100, 30000, {}}, {50000, 30000, {}}};
        const QByteArray piece
            = QByteArray(417, 'i') + patternBytes(100000).mid(100, 30000) + patternBytes(100000).mid(50000, 30000);
        for (int road = 0; road < 4; ++road) {
            const bool named = road & 1, inStretches = road & 2;
            writeFile(output, earlier);
            QFile::setPermissions(output, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
            cleavo_fault_no_tmpfile(named);
            segment::CopyFailure failure;
            bool copied = false;
            {
                const Armed armed(dir() + QStringLiteral("/out"));
                copied = inStretches ? segment::copyChunks(source, output, stretches, nullptr, &failure)
                                     : segment::copyByteRange(source, output, 100, 60000, nullptr, &failure);
                QVERIFY(cleavo_fault_refused() >= 1);
            }
            QCOMPARE(entries(dir() + QStringLiteral("/out")), QStringList{QStringLiteral("Split - source.mp3")});
            if (call == CLEAVO_FAULT_CLOSE) {
                // The data was synced before the close: a close can no longer lose it.
                QVERIFY(copied);
                QCOMPARE(readAll(output), inStretches ? piece : patternBytes(100000).mid(100, 60000));
                continue;
            }
            QVERIFY(!copied);
            QCOMPARE(failure.kind, segment::CopyFailure::Failed);
            QVERIFY2(failure.text.contains(QStringLiteral(": %1. Nothing was changed").arg(reasonOf(error))),
                     qPrintable(failure.text));
            QCOMPARE(readAll(output), earlier);
            // Moved to the trash before the refusal, or never: it is back where it was.
            QCOMPARE(QDir(m_home->trash() + QStringLiteral("/files")).entryList(QDir::Files), QStringList());
            QCOMPARE(QDir(m_home->trash() + QStringLiteral("/info")).entryList(QDir::Files), QStringList());
        }
        // Unrefused, the new file has the earlier one's permissions.
        writeFile(output, earlier);
        QFile::setPermissions(output, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        QVERIFY(segment::copyByteRange(source, output, 100, 60000));
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(output).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0644));
        QCOMPARE(readAll(source), patternBytes(100000));
    }

    // A filesystem without permissions to set (a FAT stick through FUSE says
    // so): the cut is written all the same.
    void aFilesystemWithoutPermissionsTakesTheCut()
    {
        const QString source = dir() + QStringLiteral("/source.mp3");
        writeFile(source, patternBytes(20000));
        const QString output = dir() + QStringLiteral("/Split - source.mp3");
        for (int error : {ENOSYS, EOPNOTSUPP}) {
            cleavo_fault_arm(CLEAVO_FAULT_CHMOD, QFile::encodeName(dir()).constData(), 0, error);
            segment::CopyFailure failure;
            QVERIFY2(segment::copyByteRange(source, output, 0, 20000, nullptr, &failure), qPrintable(failure.text));
            QVERIFY(cleavo_fault_refused() >= 1);
            cleavo_fault_disarm();
            QCOMPARE(readAll(output), patternBytes(20000));
        }
    }

    // A long source on a slow disk, chosen with a real player: the selection
    // returns while the file is still being read.
    QString slowSource(Harness &h, const QString &name, long bytesPerSecond)
    {
        const QByteArray tone = readAll(testData("cbr_44k_stereo_3000ms.mp3"));
        const QString path = dir() + QLatin1Char('/') + name;
        writeFile(path, tone.repeated(80)); // 3.9 MB: four minutes of tone
        cleavo_fault_slow_reads(QFile::encodeName(path).constData(), bytesPerSecond);
        h.ui.openAnswers << path;
        h.window->guarded([&] { h.window->CmdselectClick(); });
        return path;
    }

    // A place past what is read waits for the whole file, with a progress
    // window that Escape cancels: the request is dropped, the selection
    // stays. Play meanwhile plays at once, and goes on once the file is read.
    void aCancelledWaitForTheWholeFileDropsTheRequest()
    {
        Harness h;
        h.create(true);
        TFrmsplit &w = *h.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QString path = slowSource(h, QStringLiteral("slow.mp3"), 1 << 20);
        QVERIFY(w.MediaPlayer1().isOpening());
        QVERIFY(w.values().FileSelected); // cutting by bytes needs no more
        QString label;
        QTimer driver;
        connect(&driver, &QTimer::timeout, [&] {
            auto *dialog = w.findChild<QProgressDialog *>(QStringLiteral("WriteProgress"));
            if (!dialog || !dialog->isVisible() || !label.isEmpty())
                return;
            label = dialog->labelText();
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        driver.start(50);
        control<QPushButton>(w, "CmdForward")->click();
        driver.stop();
        QVERIFY2(label.startsWith(QStringLiteral("Reading the MP3: ")), qPrintable(label));
        QCOMPARE(w.MediaPlayer1().Mode(), int(MediaPlayer::NotReady));
        QCOMPARE(control<QLabel>(w, "LblFile")->text(), path);
        QVERIFY(w.MediaPlayer1().isOpening());
        control<QPushButton>(w, "CmdPlay")->click();
        QCOMPARE(w.MediaPlayer1().Mode(), int(MediaPlayer::Playing));
        QVERIFY(w.MediaPlayer1().isOpening());
        cleavo_fault_disarm();
        QTRY_VERIFY_WITH_TIMEOUT(!w.MediaPlayer1().isOpening(), 20000);
        QCOMPARE(w.MediaPlayer1().Mode(), int(MediaPlayer::Playing));
        QTRY_VERIFY_WITH_TIMEOUT(w.MediaPlayer1().Position() > 0, 5000); // it goes on playing
        QVERIFY(h.ui.texts().isEmpty());
        QVERIFY(control<QLabel>(w, "LblEnd")->text().toInt() > 200000);
    }

    // Another file chosen while one is read: the first reading is let go
    // at once, and only the second file's length and news are heard.
    void anotherFileChosenWhileOneIsRead()
    {
        Harness h;
        h.create(true);
        TFrmsplit &w = *h.window;
        slowSource(h, QStringLiteral("first.mp3"), 200 << 10);
        QVERIFY(w.MediaPlayer1().isOpening());
        QElapsedTimer clock;
        clock.start();
        h.select(testData("vbr_xing_3000ms.mp3"));
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(w.MediaPlayer1().isOpen());
        QCOMPARE(control<QLabel>(w, "LblEnd")->text(), QStringLiteral("3000"));
        QTest::qWait(300);
        QCOMPARE(control<QLabel>(w, "LblEnd")->text(), QStringLiteral("3000"));
        QVERIFY(h.ui.texts().isEmpty());
    }

    void aFileThatFailsWhileItIsRead_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("said");
        QTest::addRow("a read fails (a stick pulled out)")
            << "error"
            << "The MP3 could not be read to its end: Input/output error";
        QTest::addRow("cut short meanwhile") << "shrink"
                                             << "The MP3 changed while it was being read";
    }
    // A file that cannot be read to its end, or changes while it is read: a
    // clear message, and nothing is cut from what was read.
    void aFileThatFailsWhileItIsRead()
    {
        QFETCH(QString, how);
        QFETCH(QString, said);
        Harness h;
        h.create(true);
        TFrmsplit &w = *h.window;
        const QString path = dir() + QStringLiteral("/pulled.mp3");
        if (how == QLatin1String("error")) {
            writeFile(path, readAll(testData("cbr_44k_stereo_3000ms.mp3")).repeated(80));
            cleavo_fault_arm(CLEAVO_FAULT_READ, QFile::encodeName(path).constData(), 4, EIO);
            h.select(path);
        } else {
            slowSource(h, QStringLiteral("pulled.mp3"), 1 << 20);
            QVERIFY(w.MediaPlayer1().isOpening());
            QVERIFY(QFile::resize(path, 100000));
            QTRY_VERIFY_WITH_TIMEOUT(!w.MediaPlayer1().isOpening(), 20000);
        }
        cleavo_fault_disarm();
        QVERIFY(!w.MediaPlayer1().isOpen() && !w.MediaPlayer1().isOpening());
        QCOMPARE(h.ui.texts().size(), 1);
        QVERIFY2(h.ui.texts().first().startsWith(said), qPrintable(h.ui.texts().first()));
        QVERIFY(!w.values().FileSelected);
        QVERIFY(control<QLabel>(w, "LblEnd")->text().isEmpty());
    }

    // A trash that refuses the earlier file at any of its own calls: the
    // earlier file stays as it was, the trash holds nothing, and the failure
    // says why. Where the disk has no trash and none can be made, the file is
    // replaced as it always was, with one line in the diagnostics.
    void aTrashThatRefusesKeepsTheEarlierFile_data()
    {
        QTest::addColumn<int>("call");
        QTest::addColumn<QString>("where");
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("replaced");
        QTest::addRow("its information cannot be made") << int(CLEAVO_FAULT_OPEN) << ".trashinfo" << ENOSPC << false;
        QTest::addRow("its information is not written") << int(CLEAVO_FAULT_WRITE) << ".trashinfo" << ENOSPC << false;
        QTest::addRow("its information is not synced") << int(CLEAVO_FAULT_SYNC) << ".trashinfo" << EIO << false;
        QTest::addRow("the move is refused") << int(CLEAVO_FAULT_RENAME) << "Trash/files" << EACCES << false;
        QTest::addRow("its folder cannot be made on a full disk")
            << int(CLEAVO_FAULT_MKDIR) << "Trash" << ENOSPC << false;
        QTest::addRow("no trash can be made on this disk") << int(CLEAVO_FAULT_MKDIR) << "Trash" << EROFS << true;
    }
    void aTrashThatRefusesKeepsTheEarlierFile()
    {
        QFETCH(int, call);
        QFETCH(QString, where);
        QFETCH(int, error);
        QFETCH(bool, replaced);
        const QString source = dir() + QStringLiteral("/source.mp3");
        writeFile(source, patternBytes(20000));
        const QString output = dir() + QStringLiteral("/Split - source.mp3");
        writeFile(output, "earlier");
        if (call == CLEAVO_FAULT_MKDIR)
            QDir(m_home->trash()).removeRecursively();
        QStringList said;
        setDiagnosticSink([&said](const QString &line) { said << line; });
        segment::CopyFailure failure;
        cleavo_fault_arm(call, QFile::encodeName(where).constData(), 0, error);
        const bool copied = segment::copyByteRange(source, output, 0, 20000, nullptr, &failure);
        QVERIFY(cleavo_fault_refused() >= 1);
        cleavo_fault_disarm();
        setDiagnosticSink({});
        QCOMPARE(copied, replaced);
        QStringList left = entries(dir());
        left.sort();
        QCOMPARE(left, (QStringList{QStringLiteral("Split - source.mp3"), QStringLiteral("source.mp3")}));
        QCOMPARE(QDir(m_home->trash() + QStringLiteral("/info")).entryList(QDir::Files), QStringList());
        QCOMPARE(QDir(m_home->trash() + QStringLiteral("/files")).entryList(QDir::Files), QStringList());
        if (replaced) {
            QCOMPARE(readAll(output), patternBytes(20000));
            QCOMPARE(said.size(), 1);
            QVERIFY2(said.first().contains(QStringLiteral("without a copy in the trash")), qPrintable(said.first()));
            return;
        }
        QCOMPARE(readAll(output), QByteArray("earlier"));
        QCOMPARE(failure.kind, segment::CopyFailure::Failed);
        QVERIFY2(failure.text.contains(QStringLiteral("cannot be moved to the trash")), qPrintable(failure.text));
        QVERIFY2(failure.text.contains(reasonOf(error)), qPrintable(failure.text));
    }

    // A new MP3 whose name is a link: the file it names is never written,
    // nor marked; the link stays, and nothing is counted as written.
    void aLinkIsNeverWrittenThrough()
    {
        const QString source = dir() + QStringLiteral("/song.mp3");
        writeFile(source, patternBytes(20000));
        QDir().mkpath(dir() + QStringLiteral("/library"));
        const QString favourite = dir() + QStringLiteral("/library/favourite.mp3");
        writeFile(favourite, "a favourite");
        const QString output = dir() + QStringLiteral("/Split - song.mp3");
        for (const QString &target : {QStringLiteral("library/favourite.mp3"), QStringLiteral("library/none.mp3")}) {
            QFile::remove(output);
            QVERIFY(QFile::link(target, output));
            segment::CopyFailure failure;
            QVERIFY(!segment::copyByteRange(source, output, 0, 20000, nullptr, &failure));
            QCOMPARE(failure.kind, segment::CopyFailure::Refused);
            QVERIFY2(failure.text.contains(QStringLiteral("through a link")), qPrintable(failure.text));
            QVERIFY(QFileInfo(output).isSymLink());
            QCOMPARE(readAll(favourite), QByteArray("a favourite"));
            QVERIFY(!QFile::exists(dir() + QStringLiteral("/library/none.mp3")));
            QVERIFY(::getxattr(QFile::encodeName(favourite).constData(), "user.cleavo.unfinished", nullptr, 0) < 0);
        }
        QCOMPARE(QDir(m_home->trash() + QStringLiteral("/files")).entryList(QDir::Files), QStringList());
    }

    void namesAsLongAsTheFolderTakes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("written");
        const auto named = [](int bytes) {
            return QStringLiteral("Split - ") + QString(bytes - 12, QLatin1Char('a')) + QStringLiteral(".mp3");
        };
        QTest::addRow("246 bytes") << named(246) << true;
        QTest::addRow("249 bytes") << named(249) << true;
        QTest::addRow("255 bytes") << named(255) << true;
        // 81 characters of three bytes each: 255 bytes in all.
        QTest::addRow("CJK, 255 bytes") << QStringLiteral("Split - ") + QString(81, QChar(0x66F2))
                + QStringLiteral(".mp3") << true;
        QTest::addRow("256 bytes") << named(256) << false;
    }
    // A name the folder takes is written, and replaced (its earlier file in
    // the trash, under a name the trash takes); a longer one is refused, and
    // the message says why.
    void namesAsLongAsTheFolderTakes()
    {
        QFETCH(QString, name);
        QFETCH(bool, written);
        const QString source = dir() + QStringLiteral("/song.mp3");
        writeFile(source, patternBytes(20000));
        const QString output = dir() + QLatin1Char('/') + name;
        segment::CopyFailure failure;
        for (int time = 0; time < 2; ++time) {
            const bool copied = segment::copyByteRange(source, output, time, 20000, nullptr, &failure);
            QCOMPARE(copied, written);
            if (!written) {
                QVERIFY2(failure.text.contains(QStringLiteral("File name too long")), qPrintable(failure.text));
                QCOMPARE(entries(dir()), QStringList{QStringLiteral("song.mp3")});
                return;
            }
            QCOMPARE(readAll(output), patternBytes(20000).mid(time));
        }
        const QStringList infos = QDir(m_home->trash() + QStringLiteral("/info")).entryList(QDir::Files);
        QCOMPARE(infos.size(), 1);
        QVERIFY(QFile::encodeName(infos.first()).size() <= 255);
        QVERIFY(readAll(m_home->trash() + QStringLiteral("/info/") + infos.first())
                    .contains(trash::encodedPath(QFile::encodeName(output))));
        QCOMPARE(readAll(m_home->trash() + QStringLiteral("/files/") + infos.first().chopped(10)), patternBytes(20000));
    }

    // A music folder reached through a link onto another disk: the earlier
    // file goes to that disk's trash, at the top of its mount, with its path
    // there; where that trash is not this user's own, nothing is replaced.
    void theTrashOfAnotherDisk()
    {
        const QString shm = QStringLiteral("/dev/shm");
        struct stat here {
        }, there{};
        if (::stat(QFile::encodeName(dir()).constData(), &here) != 0
            || ::stat(QFile::encodeName(shm).constData(), &there) != 0 || here.st_dev == there.st_dev
            || !QFileInfo(shm).isWritable())
            QSKIP("no second filesystem to write to");
        const QString trashFolder = shm + QStringLiteral("/.Trash-") + QString::number(::getuid());
        if (QFileInfo::exists(trashFolder))
            QSKIP("that disk's trash is in use");
        QTemporaryDir music(shm + QStringLiteral("/cleavo-music-XXXXXX"));
        QVERIFY(music.isValid());
        const auto removeTrash = qScopeGuard([&] {
            QFile::remove(trashFolder);
            QDir(trashFolder).removeRecursively();
        });
        QVERIFY(QFile::link(music.path(), dir() + QStringLiteral("/Music")));
        const QString source = dir() + QStringLiteral("/Music/song.mp3");
        writeFile(source, patternBytes(20000));
        const QString output = dir() + QStringLiteral("/Music/Split - song.mp3");
        writeFile(output, "earlier");
        QVERIFY(segment::copyByteRange(source, output, 0, 20000));
        QCOMPARE(readAll(trashFolder + QStringLiteral("/files/Split - song.mp3")), QByteArray("earlier"));
        const QByteArray info = readAll(trashFolder + QStringLiteral("/info/Split - song.mp3.trashinfo"));
        const QByteArray relative = QFile::encodeName(music.path().mid(shm.size() + 1)) + "/Split - song.mp3";
        QVERIFY2(info.contains("\nPath=" + trash::encodedPath(relative) + "\n"), info.constData());
        QCOMPARE(QDir(m_home->trash() + QStringLiteral("/files")).entryList(QDir::Files), QStringList());
        // A trash folder that is a link (or another user's): refused.
        QDir(trashFolder).removeRecursively();
        QVERIFY(QFile::link(music.path(), trashFolder));
        writeFile(output, "earlier");
        segment::CopyFailure failure;
        QVERIFY(!segment::copyByteRange(source, output, 0, 20000, nullptr, &failure));
        QVERIFY2(failure.text.contains(QStringLiteral("is not this user's own")), qPrintable(failure.text));
        QCOMPARE(readAll(output), QByteArray("earlier"));
    }

    void aSourceThatChangesIsNotCut_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addRow("cut short during the write") << "shrink";
        QTest::addRow("written to during the write") << "append";
        QTest::addRow("replaced before the write") << "before";
    }
    // A source that is cut short, written to or replaced: the piece is not
    // made from it, and the earlier file stays.
    void aSourceThatChangesIsNotCut()
    {
        QFETCH(QString, change);
        const QString source = dir() + QStringLiteral("/long.mp3");
        writeFile(source, patternBytes(2 << 20));
        const std::optional<platform::FileIdentity> chosen = platform::identityOf(source);
        QVERIFY(chosen);
        const QString output = dir() + QStringLiteral("/out.mp3");
        writeFile(output, "earlier");
        if (change == QLatin1String("before"))
            writeFile(source, patternBytes(2 << 20).replace('a', 'b'));
        segment::CopyProgress progress;
        segment::CopyFailure failure;
        bool copied = true;
        cleavo_fault_slow_writes(QFile::encodeName(output).constData(), 1000);
        std::thread writer(
            [&] { copied = segment::copyByteRange(source, output, 0, 2 << 20, &progress, &failure, &*chosen); });
        if (change != QLatin1String("before")) {
            QTRY_VERIFY_WITH_TIMEOUT(progress.written.load() > 0, 10000);
            QFile file(source);
            QVERIFY(file.open(QIODevice::ReadWrite));
            if (change == QLatin1String("shrink"))
                QVERIFY(file.resize(100000));
            else
                QVERIFY(file.seek(file.size()) && file.write("more") == 4);
        }
        writer.join();
        cleavo_fault_disarm();
        QVERIFY(!copied);
        QCOMPARE(failure.kind, segment::CopyFailure::SourceChanged);
        QCOMPARE(failure.text, QString::fromLatin1(segment::kSourceChangedText).arg(source));
        QCOMPARE(readAll(output), QByteArray("earlier"));
        QStringList left = entries(dir());
        left.sort();
        QCOMPARE(left, (QStringList{QStringLiteral("long.mp3"), QStringLiteral("out.mp3")}));
    }

    // The other faults on the new MP3's road: reads of the source that fail,
    // a new file that cannot be created, writes cut short, interrupted, or
    // asked to be tried again.
    void theNewMp3UnderOtherFaults_data()
    {
        QTest::addColumn<int>("call");
        QTest::addColumn<int>("nth");
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("onSource");
        QTest::addColumn<int>("outcome"); // the kind of failure, or kCopied
        using O = segment::CopyFailure;
        QTest::addRow("the first read of the source") << int(CLEAVO_FAULT_READ) << 1 << EIO << true << int(O::Failed);
        QTest::addRow("the third read of the source") << int(CLEAVO_FAULT_READ) << 3 << EIO << true << int(O::Failed);
        // 60000 bytes: seven whole blocks, then the rest in an eighth read.
        QTest::addRow("the last read of the source") << int(CLEAVO_FAULT_READ) << 8 << EIO << true << int(O::Failed);
        QTest::addRow("the new file's creation")
            << int(CLEAVO_FAULT_OPEN) << 0 << EACCES << false << int(O::CannotCreate);
        QTest::addRow("every write cut short") << int(CLEAVO_FAULT_SHORT) << 0 << 0 << false << kCopied;
        QTest::addRow("a write interrupted") << int(CLEAVO_FAULT_WRITE) << 1 << EINTR << false << kCopied;
        QTest::addRow("a write to be tried again") << int(CLEAVO_FAULT_WRITE) << 1 << EAGAIN << false << int(O::Failed);
    }
    void theNewMp3UnderOtherFaults()
    {
        QFETCH(int, error);
        QFETCH(bool, onSource);
        QFETCH(int, outcome);
        const QString source = dir() + QStringLiteral("/source.mp3");
        writeFile(source, patternBytes(100000));
        QDir().mkpath(dir() + QStringLiteral("/out"));
        const QString output = dir() + QStringLiteral("/out/Split - source.mp3");
        writeFile(output, "an earlier piece, to be kept");
        segment::CopyFailure result;
        bool copied = false;
        {
            const Armed armed(onSource ? source : dir() + QStringLiteral("/out"));
            copied = segment::copyByteRange(source, output, 100, 60000, nullptr, &result);
            QVERIFY(cleavo_fault_refused() >= 1);
        }
        QCOMPARE(copied ? kCopied : int(result.kind), outcome);
        QCOMPARE(entries(dir() + QStringLiteral("/out")), QStringList{QStringLiteral("Split - source.mp3")});
        QCOMPARE(readAll(source), patternBytes(100000));
        if (outcome == kCopied) {
            QCOMPARE(readAll(output), patternBytes(100000).mid(100, 60000));
            return;
        }
        QVERIFY2(result.text.contains(reasonOf(error)), qPrintable(result.text));
        QCOMPARE(readAll(output), QByteArray("an earlier piece, to be kept"));
    }

    void theSettingsStores_data()
    {
        QTest::addColumn<bool>("inPlace");
        QTest::addColumn<int>("call");
        QTest::addColumn<int>("nth");
        QTest::addColumn<int>("error");
        for (bool inPlace : {false, true}) {
            QTest::addRow("%s, write", inPlace ? "in place" : "replaced")
                << inPlace << int(CLEAVO_FAULT_WRITE) << 1 << EIO;
            QTest::addRow("%s, sync", inPlace ? "in place" : "replaced")
                << inPlace << int(CLEAVO_FAULT_SYNC) << 1 << EIO;
            QTest::addRow("%s, close", inPlace ? "in place" : "replaced")
                << inPlace << int(CLEAVO_FAULT_CLOSE) << 1 << EIO;
        }
        QTest::addRow("replaced, rename") << false << int(CLEAVO_FAULT_RENAME) << 1 << EIO;
        QTest::addRow("in place, allocation") << true << int(CLEAVO_FAULT_ALLOCATE) << 1 << ENOSPC;
        QTest::addRow("in place, truncation") << true << int(CLEAVO_FAULT_TRUNCATE) << 1 << EIO;
        QTest::addRow("in place, a real file-size limit") << true << kFileSizeLimit << 0 << EFBIG;
    }
    // The three stores: every write keeps its file byte for byte when it is
    // refused, and says so.
    void theSettingsStores()
    {
        QFETCH(bool, inPlace);
        if (inPlace && geteuid() == 0)
            QSKIP("a read-only folder does not stop root");
        const QString folder = m_home->folder();
        QDir().mkpath(folder);
        // Longer values than the new ones, and shorter: in place, the file grows and shrinks.
        const QByteArray stats("[Stat]\nNumber=7\n[History]\nLast Dir=/a/folder/with/a/long/name/\n");
        const QByteArray sizes("[frmsplit]\nW=1\nH=2\n");
        const QByteArray ask("[General]\nAsk=0\n");
        writeFile(m_home->statsIni(), stats);
        writeFile(m_home->sizeIni(), sizes);
        writeFile(m_home->askConf(), ask);
        if (inPlace)
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        const QStringList before = entries(folder);

        const std::pair<QString, std::function<bool(QString *)>> writes[] = {
            {QStringLiteral("Unable to write to %1").arg(m_home->statsIni()),
             [&](QString *error) {
                 int64_t count = 0;
                 return settings::AddToSplitCount(m_home->statsIni(), count, 1, error);
             }},
            {QStringLiteral("Unable to write to %1").arg(m_home->statsIni()),
             [&](QString *error) {
                 return settings::WriteLastDir(m_home->statsIni(), QStringLiteral("/b/"), error);
             }},
            {QStringLiteral("Unable to write to %1").arg(m_home->sizeIni()),
             [&](QString *error) {
                 return settings::SaveFormSize(640, 480, QStringLiteral("frmsplit"), m_home->sizeIni(), error);
             }},
            {QStringLiteral("Failed to set data for 'Ask'"),
             [](QString *error) {
                 return settings::SaveAskFlag(true, error);
             }},
        };
        // The system's reason is not lost: it is told to whoever runs the
        // program (the Ask store written whole learns no more than that its
        // writer failed).
        QStringList told;
        setDiagnosticSink([&told](const QString &line) { told << line; });
        const auto unsetSink = qScopeGuard([] { setDiagnosticSink({}); });
        QFETCH(int, error);
        QFETCH(int, call);
        // After a sync, a close has nothing left to lose: a replaced file is
        // then in place. Written in place, the old bytes are put back.
        const bool lands = call == CLEAVO_FAULT_CLOSE && !inPlace;
        for (const auto &[message, write] : writes) {
            const Armed armed(folder);
            std::optional<FileSizeLimit> limit;
            if (call == kFileSizeLimit)
                limit.emplace(4);
            told.clear();
            QString text;
            if (write(&text)) {
                QVERIFY2(lands, qPrintable(QStringLiteral("no failure reported; expected: ") + message));
            } else {
                QVERIFY(!lands);
                QCOMPARE(text, message);
                QCOMPARE(told.size(), 1);
                QVERIFY2(told.first().startsWith(message + QStringLiteral(": ")), qPrintable(told.first()));
                if (inPlace || !message.contains(QStringLiteral("'Ask'")))
                    QVERIFY2(told.first().endsWith(reasonOf(error)), qPrintable(told.first()));
            }
            QCOMPARE(cleavo_fault_refused(), call == kFileSizeLimit ? 0 : 1);
        }
        if (!lands) {
            QCOMPARE(readAll(m_home->statsIni()), stats);
            QCOMPARE(readAll(m_home->sizeIni()), sizes);
            QCOMPARE(readAll(m_home->askConf()), ask);
        }
        QCOMPARE(entries(folder), before);

        // And with nothing refused, each write lands.
        int64_t count = 0;
        QVERIFY(settings::AddToSplitCount(m_home->statsIni(), count, 1));
        QVERIFY(settings::WriteLastDir(m_home->statsIni(), QStringLiteral("/b/")));
        QVERIFY(settings::SaveFormSize(640, 480, QStringLiteral("frmsplit"), m_home->sizeIni()));
        QVERIFY(settings::SaveAskFlag(true));
        QVERIFY(settings::ReadSplitCount(m_home->statsIni(), count));
        QCOMPARE(count, lands ? 9 : 8);
        QCOMPARE(settings::ReadLastDir(m_home->statsIni()), QStringLiteral("/b/"));
        QCOMPARE(readAll(m_home->sizeIni()), QByteArray("[frmsplit]\nW=640\nH=480\n"));
        QCOMPARE(readAll(m_home->askConf()), QByteArray("[General]\nAsk=1\n"));
    }

    // A folder that cannot be remembered does not stop the selection.
    void aSelectionGoesOnWhenTheFolderCannotBeRemembered()
    {
        Harness h;
        h.create();
        const QString source = dir() + QStringLiteral("/song.mp3");
        writeFile(source, patternBytes(5000));
        cleavo_fault_arm(CLEAVO_FAULT_WRITE, QFile::encodeName(m_home->folder()).constData(), 0, ENOSPC);
        h.select(source);
        cleavo_fault_disarm();
        QCOMPARE(h.ui.textsOf(ScriptedInteraction::Kind::Error),
                 QStringList{QStringLiteral("Unable to write to %1.").arg(m_home->statsIni())});
        QCOMPARE(h.ui.shown.size(), 1);
        QVERIFY(h.window->values().FileSelected);
        QVERIFY(h.fake1().open);
        QCOMPARE(h.fake1().FileName(), source);
    }

    // The save dialog asks before it replaces a file, also where the typed
    // name is completed with ".mp3"; No returns to it.
    void theSaveDialogAsksBeforeReplacingAFile_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addRow("whole name") << QStringLiteral("existing.mp3");
        QTest::addRow("without .mp3") << QStringLiteral("existing");
    }
    void theSaveDialogAsksBeforeReplacingAFile()
    {
        QFETCH(QString, typed);
        const QString existing = dir() + QStringLiteral("/existing.mp3");
        writeFile(existing, "keep me");
        QWidget owner;
        QtInteraction ui(&owner);
        ui.setFinalSaveName(segment::withMp3Extension);
        for (QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
            QStringList asked;
            int steps = 0;
            QObject driving; // its timers end with this round
            std::function<void()> drive = [&] {
                QTimer::singleShot(50, &driving, drive); // first: the step below may open a window of its own
                QWidget *modal = QApplication::activeModalWidget();
                if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                    asked << box->text();
                    QMetaObject::invokeMethod(box->button(answer), &QAbstractButton::click, Qt::QueuedConnection);
                } else if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
                    if (steps++ == 0) {
                        // Typed, as a user types it.
                        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(typed);
                        QMetaObject::invokeMethod(dialog, &QDialog::accept, Qt::QueuedConnection);
                    } else {
                        QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
                    }
                }
            };
            QTimer::singleShot(50, &driving, drive);
            const std::optional<QString> chosen = ui.saveFileName(QString(), dir());
            QCOMPARE(asked.size(), 1);
            QVERIFY2(asked.first().contains(QStringLiteral("already exists")), qPrintable(asked.first()));
            if (answer == QMessageBox::No)
                QVERIFY(!chosen);
            else
                QCOMPARE(segment::withMp3Extension(chosen.value_or(QString())), existing);
        }
        QCOMPARE(readAll(existing), QByteArray("keep me"));
    }

    // A logout during the last sync: the program ends as asked, before the new
    // file replaces the earlier one.
    void aSignalDuringTheLastSyncKeepsTheEarlierFile()
    {
#if defined(__SANITIZE_THREAD__)
        QSKIP("the thread sanitizer cannot follow the toolkit's start of another process");
#endif
        const QString source = dir() + QStringLiteral("/short.mp3");
        writeFile(source, patternBytes(50000));
        QDir().mkpath(dir() + QStringLiteral("/out"));
        const QString output = dir() + QStringLiteral("/out/Split - short.mp3");
        writeFile(output, "earlier");
        QProcess copier;
        copier.start(copierPath(), {source, output, QStringLiteral("signal-at-sync")});
        QVERIFY(copier.waitForFinished(10000));
        QCOMPARE(copier.exitStatus(), QProcess::CrashExit);
        QCOMPARE(entries(dir() + QStringLiteral("/out")), QStringList{QStringLiteral("Split - short.mp3")});
        QCOMPARE(readAll(output), QByteArray("earlier"));
    }

    // A piece written whose count cannot be kept: the piece is announced and
    // shown, and the count's failure is told once, after it.
    void aCountThatCannotBeKeptAfterAWrittenPiece()
    {
        Harness h;
        h.create();
        const QString source = dir() + QStringLiteral("/song.mp3");
        writeFile(source, patternBytes(5000));
        h.select(source);
        TFrmsplit &w = *h.window;
        control<QRadioButton>(w, "RadByte")->click();
        control<QRadioButton>(w, "RadDefault")->setChecked(true);
        h.ui.clear();
        cleavo_fault_arm(CLEAVO_FAULT_WRITE, QFile::encodeName(m_home->folder()).constData(), 0, ENOSPC);
        control<QPushButton>(w, "BitBtn1")->click();
        cleavo_fault_disarm();
        const QString output = dir() + QStringLiteral("/Split - song.mp3");
        QCOMPARE(readAll(output), patternBytes(5000));
        QCOMPARE(h.ui.shown.size(), 2);
        QVERIFY(h.ui.shown[0].kind == ScriptedInteraction::Kind::Box);
        QVERIFY(h.ui.shown[0].text.startsWith(QStringLiteral("New MP3 successfully created!")));
        QCOMPARE(h.ui.textsOf(ScriptedInteraction::Kind::Error),
                 QStringList{QStringLiteral("Unable to write to %1.").arg(m_home->statsIni())});
        QVERIFY(control<QPushButton>(w, "CmdPmp3")->isEnabled());
        QCOMPARE(control<QLabel>(w, "LblName")->text(), QStringLiteral("Split - song.mp3"));
    }

    void aShortWriteShowsNoProgressWindow()
    {
        Harness h;
        h.create();
        int progressWindows = 0;
        EventWatch watch([&](QObject *o, QEvent *e) {
            if (e->type() == QEvent::Show && qobject_cast<QProgressDialog *>(o))
                ++progressWindows;
        });
        const QString source = dir() + QStringLiteral("/short.mp3");
        writeFile(source, patternBytes(100000));
        h.select(source);
        control<QRadioButton>(*h.window, "RadByte")->click();
        control<QRadioButton>(*h.window, "RadDefault")->setChecked(true);
        control<QPushButton>(*h.window, "BitBtn1")->click();
        QCOMPARE(readAll(dir() + QStringLiteral("/Split - short.mp3")), patternBytes(100000));
        QCOMPARE(progressWindows, 0);
    }

    void aLongWriteShowsOneProgressWindowWithItsSize()
    {
        const LongWrite r = cancelledLongWrite(QStringLiteral("Escape"));
        QCOMPARE(r.progressWindows, 1);
        QVERIFY2(r.label.contains(QStringLiteral(" of 4.0 MiB")), qPrintable(r.label));
    }

    void theWindowAnswersDuringALongWriteAndTakesNoClicks()
    {
        const LongWrite r = cancelledLongWrite(QStringLiteral("Cancel"));
        QVERIFY2(r.ticks >= 40, qPrintable(QStringLiteral("%1 ticks in %2 ms").arg(r.ticks).arg(r.took)));
        QVERIFY(!r.othersTookClicks);
        QVERIFY(r.takesClicksAfter);
    }

    void cancellingKeepsEverythingAsItWas_data()
    {
        QTest::addColumn<QString>("how");
        for (const char *how : {"Escape", "Cancel", "Ctrl+Q", "closing the window"})
            QTest::addRow("%s", how) << QString::fromLatin1(how);
    }
    // Stopped, not finished: the earlier file, no file left over, nothing counted.
    void cancellingKeepsEverythingAsItWas()
    {
        QFETCH(QString, how);
        const LongWrite r = cancelledLongWrite(how);
        QVERIFY2(r.took < 2000, qPrintable(QString::number(r.took)));
        QCOMPARE(r.earlier, QByteArray("an earlier piece"));
        QCOMPARE(r.left, (QStringList{QStringLiteral("Split - long.mp3"), QStringLiteral("long.mp3")}));
        QCOMPARE(r.countAfter, r.countBefore);
    }

    void cancellingSaysNothingWasWritten()
    {
        const LongWrite r = cancelledLongWrite(QStringLiteral("Escape"));
        QVERIFY(r.windowVisible);
        QCOMPARE(r.said, QStringList{QString::fromLatin1(segment::kCancelledText)});
    }

    void ctrlQOrClosingEndsWithoutABox_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addRow("Ctrl+Q") << QStringLiteral("Ctrl+Q");
        QTest::addRow("closing the window") << QStringLiteral("closing the window");
    }
    void ctrlQOrClosingEndsWithoutABox()
    {
        QFETCH(QString, how);
        const LongWrite r = cancelledLongWrite(how);
        QVERIFY(!r.windowVisible);
        QVERIFY(r.said.isEmpty());
    }

    // A logout or kill during a long write, on a filesystem without unnamed
    // temporary files: the program ends as asked, and leaves no partial file.
    void aSignalDuringAWriteLeavesNoPartialFile_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addRow("SIGTERM") << SIGTERM;
        QTest::addRow("SIGHUP") << SIGHUP;
    }
    void aSignalDuringAWriteLeavesNoPartialFile()
    {
#if defined(__SANITIZE_THREAD__)
        QSKIP("the thread sanitizer cannot follow the toolkit's start of another process");
#endif
        QFETCH(int, signal);
        const QString source = dir() + QStringLiteral("/long.mp3");
        writeFile(source, patternBytes(2 << 20));
        QDir().mkpath(dir() + QStringLiteral("/out"));
        const QString output = dir() + QStringLiteral("/out/Split - long.mp3");
        writeFile(output, "earlier");
        QProcess copier;
        copier.start(copierPath(), {source, output});
        QVERIFY(copier.waitForStarted());
        // Until the unfinished file shows beside the earlier one.
        QTRY_COMPARE_WITH_TIMEOUT(entries(dir() + QStringLiteral("/out")).size(), 2, 10000);
        ::kill(static_cast<pid_t>(copier.processId()), signal);
        QVERIFY(copier.waitForFinished(10000));
        QCOMPARE(copier.exitStatus(), QProcess::CrashExit);
        QCOMPARE(entries(dir() + QStringLiteral("/out")), QStringList{QStringLiteral("Split - long.mp3")});
        QCOMPARE(readAll(output), QByteArray("earlier"));
    }

    // A kill no program can catch leaves the unfinished file; the next write
    // in that folder removes it, and only what a run that has ended marked.
    void aKilledWriteIsRemovedAtTheNextWrite()
    {
#if defined(__SANITIZE_THREAD__)
        QSKIP("the thread sanitizer cannot follow the toolkit's start of another process");
#endif
        const QString source = dir() + QStringLiteral("/long.mp3");
        writeFile(source, patternBytes(2 << 20));
        const QString out = dir() + QStringLiteral("/out");
        QDir().mkpath(out);
        const QString output = out + QStringLiteral("/Split - long.mp3");
        writeFile(output, "earlier");
        QProcess copier;
        copier.start(copierPath(), {source, output});
        QVERIFY(copier.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(entries(out).size(), 2, 10000);
        ::kill(static_cast<pid_t>(copier.processId()), SIGKILL);
        QVERIFY(copier.waitForFinished(10000));
        const QStringList left = entries(out);
        QCOMPARE(left.size(), 2);
        if (::getxattr(QFile::encodeName(out + QLatin1Char('/') + left.last()).constData(), "user.cleavo.unfinished",
                       nullptr, 0)
            < 0)
            QSKIP("this filesystem keeps no extended attributes: nothing can be marked, so nothing is removed");
        // Beside it: a file of the same shape without the mark, one that a
        // run still going marks (this one), and one marked for another name.
        const auto marked = [](const QString &path, const QByteArray &mark) {
            writeFile(path, "kept");
            QCOMPARE(::setxattr(QFile::encodeName(path).constData(), "user.cleavo.unfinished", mark.constData(),
                                size_t(mark.size()), 0),
                     0);
        };
        writeFile(out + QStringLiteral("/Split - long.mp3.abc123"), "kept");
        QFile boot(QStringLiteral("/proc/sys/kernel/random/boot_id"));
        QVERIFY(boot.open(QIODevice::ReadOnly));
        const QByteArray thisBoot = boot.readAll().trimmed();
        marked(out + QStringLiteral("/Split - long.mp3.Alive1"),
               thisBoot + ' ' + QByteArray::number(::getpid()) + " Split - long.mp3");
        marked(out + QStringLiteral("/notes.txt.Other1"), "another-boot 1 Split - long.mp3");
        // Marks that name this computer: another run still going here is
        // kept, one that has ended goes; another computer's is always kept,
        // whatever its boot and process (a folder shared over the network).
        QFile machine(QStringLiteral("/etc/machine-id"));
        QByteArray host = machine.open(QIODevice::ReadOnly) ? machine.readLine().trimmed() : QByteArray();
        if (host.isEmpty())
            host = QSysInfo::machineHostName().toLocal8Bit();
        QProcess other;
        other.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(other.waitForStarted());
        QProcess ended;
        ended.start(QStringLiteral("true"), QStringList());
        QVERIFY(ended.waitForStarted());
        const qint64 endedPid = ended.processId();
        QVERIFY(ended.waitForFinished());
        const QByteArray here = host + '/' + thisBoot + ' ';
        marked(out + QStringLiteral("/Split - long.mp3.Alive2"),
               here + QByteArray::number(other.processId()) + " Split - long.mp3");
        marked(out + QStringLiteral("/Split - long.mp3.Ended1"),
               here + QByteArray::number(endedPid) + " Split - long.mp3");
        marked(out + QStringLiteral("/Split - long.mp3.Shared"), "another-host/another-boot 1 Split - long.mp3");
        marked(out + QStringLiteral("/Split - long.mp3.Share2"),
               "another-host/" + thisBoot + ' ' + QByteArray::number(endedPid) + " Split - long.mp3");
        QVERIFY(segment::copyByteRange(source, out + QStringLiteral("/Split - other.mp3"), 0, 1000));
        other.kill();
        other.waitForFinished();
        QStringList kept = entries(out);
        kept.sort();
        QCOMPARE(kept,
                 (QStringList{QStringLiteral("Split - long.mp3"), QStringLiteral("Split - long.mp3.Alive1"),
                              QStringLiteral("Split - long.mp3.Alive2"), QStringLiteral("Split - long.mp3.Share2"),
                              QStringLiteral("Split - long.mp3.Shared"), QStringLiteral("Split - long.mp3.abc123"),
                              QStringLiteral("Split - other.mp3"), QStringLiteral("notes.txt.Other1")}));
        QCOMPARE(readAll(output), QByteArray("earlier"));
        QVERIFY(::getxattr(QFile::encodeName(out + QStringLiteral("/Split - other.mp3")).constData(),
                           "user.cleavo.unfinished", nullptr, 0)
                < 0);
        // The settings' own writes do the same in their folder.
        const QString conf = dir() + QStringLiteral("/conf");
        QDir().mkpath(conf);
        marked(conf + QStringLiteral("/Cleavo.conf.Dead12"), "another-boot 1 Cleavo.conf");
        QVERIFY(safefile::replace(conf + QStringLiteral("/Cleavo.conf"), "[General]\n"));
        QCOMPARE(entries(conf), QStringList{QStringLiteral("Cleavo.conf")});
    }
};

QTEST_MAIN(TestRefusals)
#include "tst_refusals.moc"
