// The desktop's media controls reach the source player over MPRIS on a
// private session bus, asked by gdbus as the desktop would ask.

#include "app/mpris.h"
#include "support/fakes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

// gdbus run beside the window, whose event loop answers it.
QString gdbus(const QStringList &arguments)
{
    QProcess p;
    p.start(QStringLiteral("gdbus"), QStringList{QStringLiteral("call"), QStringLiteral("--session"),
                                                 QStringLiteral("--dest"), QStringLiteral("org.mpris.MediaPlayer2.cleavo"),
                                                 QStringLiteral("--object-path"),
                                                 QStringLiteral("/org/mpris/MediaPlayer2"), QStringLiteral("--method")}
                                         + arguments);
    QElapsedTimer timer;
    timer.start();
    while (!p.waitForFinished(5) && timer.elapsed() < 10000)
        QCoreApplication::processEvents();
    QCoreApplication::processEvents(); // the queued click
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
}

QString get(const char *interface, const char *property)
{
    return gdbus({QStringLiteral("org.freedesktop.DBus.Properties.Get"), QString::fromLatin1(interface),
                  QString::fromLatin1(property)});
}

QString act(const char *method)
{
    return gdbus({QStringLiteral("org.mpris.MediaPlayer2.Player.") + QLatin1String(method)});
}

} // namespace

class TestMpris : public QObject {
    Q_OBJECT
private slots:
    void theDesktopsControlsActAsClicks()
    {
        if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            QSKIP("no private session bus (run through dbus-run-session)");
        ConfigHome home;
        Harness h;
        h.create();
        TFrmsplit &w = *h.window;
        w.show(); // the buttons a click can reach
        QVERIFY(!w.mediaControls()->offered()); // nothing selected yet
        h.select(testData("cbr_44k_stereo_3000ms.mp3"));
        QVERIFY(w.mediaControls()->offered());
        QCOMPARE(get("org.mpris.MediaPlayer2", "Identity"), QStringLiteral("(<'MP3 Cleavo'>,)"));
        QCOMPARE(get("org.mpris.MediaPlayer2", "DesktopEntry"), QStringLiteral("(<'example.quillfen.Cleavo'>,)"));
        QVERIFY(get("org.mpris.MediaPlayer2.Player", "Metadata").contains(QStringLiteral("'cbr_44k_stereo_3000ms.mp3'")));
        QCOMPARE(get("org.mpris.MediaPlayer2.Player", "PlaybackStatus"), QStringLiteral("(<'Stopped'>,)"));

        act("PlayPause");
        QCOMPARE(h.fake1().mode, int(MediaPlayer::Playing));
        QCOMPARE(get("org.mpris.MediaPlayer2.Player", "PlaybackStatus"), QStringLiteral("(<'Playing'>,)"));
        act("Play"); // already playing: stays so
        QCOMPARE(h.fake1().mode, int(MediaPlayer::Playing));
        act("PlayPause");
        QCOMPARE(h.fake1().mode, int(MediaPlayer::Paused));
        act("Pause"); // already paused: stays so
        QCOMPARE(h.fake1().mode, int(MediaPlayer::Paused));
        act("Play");
        QCOMPARE(h.fake1().mode, int(MediaPlayer::Playing));
        act("Stop");
        QCOMPARE(h.fake1().mode, int(MediaPlayer::Stopped));

        // Where a click could not reach the buttons, neither can the desktop.
        w.RadByte->setChecked(true);
        act("Play");
        QCOMPARE(h.fake1().mode, int(MediaPlayer::Stopped));
        QVERIFY(h.ui.shown.isEmpty());
    }

    void withoutASessionBusNothingIsOffered()
    {
        const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS"), runtime = qgetenv("XDG_RUNTIME_DIR");
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        qunsetenv("XDG_RUNTIME_DIR");
        Mpris mpris({});
        QVERIFY(!mpris.offer());
        mpris.refresh();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        qputenv("XDG_RUNTIME_DIR", runtime);
    }
};

QTEST_MAIN(TestMpris)
#include "tst_mpris.moc"
