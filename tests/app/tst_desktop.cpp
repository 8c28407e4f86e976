// The program on the desktop: the command line as a process, files dropped on
// the window, and the keys.

#include "app/cmdline.h"
#include "listening/ui/spinedit.h"
#include "settings/settings.h"
#include "support/fakes.h"

#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

const QString kRequire = QStringLiteral(
    "You need to select an MP3 first before clicking anything else. Use the \"Select\" button at the very top to "
    "choose a file, then use the other buttons to play, fast forward, choose start and end points, etc. ");
const QString kOneFile = QStringLiteral(
    "MP3 Cleavo cuts one local file at a time. Drop a single MP3 file from this computer on the window.");

struct Run {
    int code;
    QByteArray out, err;
};

Run cleavo(const QStringList &arguments, const QProcessEnvironment &env)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(CLEAVO_BINARY), arguments);
    p.waitForFinished(20000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

} // namespace

class TestDesktop : public QObject {
    Q_OBJECT
private slots:
    void commandLine()
    {
        QTemporaryDir config;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name)); // --help and --version need no display
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());

        Run r = cleavo({QStringLiteral("--help")}, env);
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.startsWith("Usage: cleavo [FILE]\n"));
        r = cleavo({QStringLiteral("--version")}, env);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QByteArray("cleavo " CLEAVO_VERSION_TEXT "\n"));
        r = cleavo({QStringLiteral("--bogus")}, env);
        QCOMPARE(r.code, 2);
        QCOMPARE(r.err, QByteArray("cleavo: unknown option '--bogus' (try 'cleavo --help')\n"));
        QVERIFY(r.out.isEmpty());
        r = cleavo({QStringLiteral("a.mp3"), QStringLiteral("b.mp3")}, env);
        QCOMPARE(r.code, 2);
        QCOMPARE(r.err.count('\n'), 1);
        // No display at all, or a Wayland socket without the toolkit's plugin
        // for it and no X server: one line, status 1, no abort.
        for (const QString &wayland : {QString(), QStringLiteral("wayland-404")}) {
            QProcessEnvironment bare = env;
            if (!wayland.isEmpty()) {
                if (QFile::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath)
                                  + QStringLiteral("/platforms/libqwayland-generic.so")))
                    continue;
                bare.insert(QStringLiteral("WAYLAND_DISPLAY"), wayland);
            }
            r = cleavo({}, bare);
            QCOMPARE(r.code, 1);
            QCOMPARE(r.err.count('\n'), 1);
            QVERIFY2(r.err.startsWith("cleavo: no display"), r.err.constData());
        }
        QVERIFY(QDir(config.path()).isEmpty()); // no settings file touched

        // The toolkit's own options pass; a file URL is a file.
        const cmdline::Request toolkit = cmdline::parse(
            {QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("file:///m/a%20b.mp3")});
        QCOMPARE(toolkit.action, cmdline::Request::Run);
        QCOMPARE(toolkit.file, QStringLiteral("/m/a b.mp3"));

        // A file given at start-up is selected: its folder is remembered.
        QTemporaryDir music;
        QVERIFY(QFile::copy(testData("cbr_44k_stereo_3000ms.mp3"), music.path() + QStringLiteral("/My Song.mp3")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
        QProcess running;
        running.setProcessEnvironment(env);
        running.setWorkingDirectory(music.path());
        running.start(QStringLiteral(CLEAVO_BINARY), {QStringLiteral("My Song.mp3")}); // relative to its folder
        QVERIFY(running.waitForStarted());
        const QString stats = config.path() + QStringLiteral("/Quillfen/cleavo.ini");
        QTRY_COMPARE_WITH_TIMEOUT(settings::ReadLastDir(stats), music.path() + QLatin1Char('/'), 10000);
        running.kill();
        running.waitForFinished();
    }

    void droppedFiles()
    {
        ConfigHome home;
        Harness h;
        h.create();
        TFrmsplit &w = *h.window;
        const QString song = testData("cbr_44k_stereo_3000ms.mp3");
        // Shift held over a file manager that offers every action proposes a
        // move: the drop must still end as a copy, so the original stays.
        const auto offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
        const auto drop = [&](QMimeData *data) {
            QDragEnterEvent enter(QPoint(250, 300), offered, data, Qt::LeftButton, Qt::ShiftModifier);
            QCOMPARE(enter.proposedAction(), Qt::MoveAction);
            QApplication::sendEvent(&w, &enter);
            QVERIFY(enter.isAccepted());
            QCOMPARE(enter.dropAction(), Qt::CopyAction);
            QDragMoveEvent moved(QPoint(260, 300), offered, data, Qt::LeftButton, Qt::ShiftModifier);
            QApplication::sendEvent(&w, &moved);
            QCOMPARE(moved.dropAction(), Qt::CopyAction);
            QDropEvent dropped(QPointF(260, 300), offered, data, Qt::LeftButton, Qt::ShiftModifier);
            QApplication::sendEvent(&w, &dropped);
            QVERIFY(dropped.isAccepted());
            QCOMPARE(dropped.dropAction(), Qt::CopyAction);
            delete data;
        };
        // A source that offers only a move is turned away.
        auto *moveOnly = new QMimeData;
        moveOnly->setUrls({QUrl::fromLocalFile(testData("cbr_44k_stereo_3000ms.mp3"))});
        QDragEnterEvent refused(QPoint(250, 300), Qt::MoveAction, moveOnly, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &refused);
        QVERIFY(!refused.isAccepted());
        delete moveOnly;
        auto *two = new QMimeData;
        two->setUrls({QUrl::fromLocalFile(song), QUrl::fromLocalFile(song)});
        drop(two);
        auto *text = new QMimeData;
        text->setText(QStringLiteral("just words"));
        drop(text);
        QTRY_COMPARE(h.ui.texts(), (QStringList{kOneFile, kOneFile}));
        QVERIFY(!w.values().FileSelected);

        auto *one = new QMimeData;
        one->setUrls({QUrl::fromLocalFile(song)});
        drop(one);
        QTRY_VERIFY(w.values().FileSelected);
        QCOMPARE(control<QLabel>(w, "LblFile")->text(), song);
        QCOMPARE(h.fake1().log.last(), QStringLiteral("Open ") + song);
        QCOMPARE(h.ui.shown.size(), 2);
        QVERIFY(h.ui.openDirs.isEmpty()); // no open dialog
    }

    void keys()
    {
        ConfigHome home;
        QTemporaryDir pages;
        writeFile(pages.path() + QStringLiteral("/help.html"), "<html>help</html>");
        Harness h;
        h.create(false, pages.path());
        TFrmsplit &w = *h.window;
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const auto key = [&](Qt::Key k, Qt::KeyboardModifiers mods = {}) {
            QWidget *to = QApplication::focusWidget() ? QApplication::focusWidget() : &w;
            QKeyEvent press(QEvent::KeyPress, k, mods), release(QEvent::KeyRelease, k, mods);
            QApplication::sendEvent(to, &press);
            QApplication::sendEvent(to, &release);
        };
        key(Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(h.ui.openDirs.size(), 1); // the open dialog was asked for
        key(Qt::Key_F1);
        QCOMPARE(h.ui.opened.size(), 1);
        QVERIFY(h.ui.opened.first().path().endsWith(QStringLiteral("help.html")));
        h.ui.clear();
        key(Qt::Key_MediaPlay);
        key(Qt::Key_MediaPause);
        key(Qt::Key_MediaTogglePlayPause);
        key(Qt::Key_MediaStop); // Stop needs no selection
        // In the step field, the mark keys are not typed into it.
        control<SpinEdit>(w, "SpinEdit1")->setFocus();
        key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        key(Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(control<SpinEdit>(w, "SpinEdit1")->lineEdit()->text(), QStringLiteral("1500"));
        QCOMPARE(h.ui.texts(), QStringList(5, kRequire));
        // The single play/pause key of most keyboards plays, then pauses.
        h.select(testData("cbr_44k_stereo_3000ms.mp3"));
        key(Qt::Key_MediaPlay);
        QCOMPARE(h.fake1().mode, int(MediaPlayer::Playing));
        key(Qt::Key_MediaPlay);
        QCOMPARE(h.fake1().mode, int(MediaPlayer::Paused));
        // Keys of the hidden panel's buttons do nothing, as clicks on them cannot.
        control<QRadioButton>(w, "RadByte")->setChecked(true);
        h.ui.clear();
        key(Qt::Key_MediaPlay);
        QVERIFY(h.ui.shown.isEmpty());
        key(Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!w.isVisible());
        QVERIFY(QFile::exists(home.sizeIni())); // the close query ran
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
