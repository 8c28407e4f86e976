// The desktop's media controls reach the source player over MPRIS on a
// private session bus, asked by gdbus as the desktop would ask.

#include "app/mpris.h"
#include "support/fakes.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

// gdbus run beside the window, whose event loop answers it.
QString gdbus(const QStringList &arguments)
{
    QProcess p;
    p.start(QStringLiteral("gdbus"),
            QStringList{QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                        QStringLiteral("org.mpris.MediaPlayer2.cleavo"), QStringLiteral("--object-path"),
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

// An ID3v2.3 tag with Latin-1 text frames.
QByteArray id3(const QList<QPair<QByteArray, QByteArray>> &frames)
{
    QByteArray body;
    for (const auto &[id, text] : frames) {
        const QByteArray value = '\0' + text;
        body += id;
        for (int shift : {24, 16, 8, 0})
            body += char((value.size() >> shift) & 0xFF);
        body += QByteArray(2, '\0') + value;
    }
    QByteArray tag("ID3\x03\x00\x00", 6);
    for (int shift : {21, 14, 7, 0})
        tag += char((body.size() >> shift) & 0x7F);
    return tag + body;
}

} // namespace

// What the player tells the desktop when its properties change.
class ChangeWatcher : public QObject {
    Q_OBJECT
public:
    QList<QVariantMap> changes;
public slots:
    void changed(const QString &, const QVariantMap &properties, const QStringList &) { changes << properties; }
};

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
        w.show();                               // the buttons a click can reach
        QVERIFY(!w.mediaControls()->offered()); // nothing selected yet
        h.select(testData("cbr_44k_stereo_3000ms.mp3"));
        QVERIFY(w.mediaControls()->offered());
        QCOMPARE(get("org.mpris.MediaPlayer2", "Identity"), QStringLiteral("(<'MP3 Cleavo'>,)"));
        QCOMPARE(get("org.mpris.MediaPlayer2", "DesktopEntry"), QStringLiteral("(<'example.quillfen.Cleavo'>,)"));
        QVERIFY(
            get("org.mpris.MediaPlayer2.Player", "Metadata").contains(QStringLiteral("'cbr_44k_stereo_3000ms.mp3'")));
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

        // Where a click could not reach the buttons, neither can the desktop,
        // and the desktop is told so.
        ChangeWatcher watcher;
        QVERIFY(QDBusConnection::sessionBus().connect(
            QString(), QStringLiteral("/org/mpris/MediaPlayer2"), QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("PropertiesChanged"), &watcher, SLOT(changed(QString, QVariantMap, QStringList))));
        QCOMPARE(get("org.mpris.MediaPlayer2.Player", "CanPlay"), QStringLiteral("(<true>,)"));
        control<QRadioButton>(w, "RadByte")->click();
        QTRY_VERIFY(!watcher.changes.isEmpty());
        QCOMPARE(watcher.changes.last().value(QStringLiteral("CanPlay")), QVariant(false));
        QCOMPARE(watcher.changes.last().value(QStringLiteral("CanPause")), QVariant(false));
        QCOMPARE(get("org.mpris.MediaPlayer2.Player", "CanPlay"), QStringLiteral("(<false>,)"));
        QCOMPARE(get("org.mpris.MediaPlayer2.Player", "CanPause"), QStringLiteral("(<false>,)"));
        act("Play");
        QCOMPARE(h.fake1().mode, int(MediaPlayer::Stopped));
        QVERIFY(h.ui.shown.isEmpty());
        control<QRadioButton>(w, "RadListen")->click();
        QCOMPARE(get("org.mpris.MediaPlayer2.Player", "CanPlay"), QStringLiteral("(<true>,)"));

        // The position where it plays.
        act("Play");
        h.fake1().position = 1234;
        QCOMPARE(get("org.mpris.MediaPlayer2.Player", "Position"), QStringLiteral("(<int64 1234000>,)"));

        // Behind a modal window nothing is clicked, and the caller hears why.
        act("Pause");
        QMessageBox modal(QMessageBox::NoIcon, QStringLiteral("MP3 Cleavo"), QStringLiteral("Trial Hint"),
                          QMessageBox::Ok, &w);
        modal.setWindowModality(Qt::ApplicationModal);
        modal.show();
        QTRY_VERIFY(QApplication::activeModalWidget() == &modal);
        const QString refused = act("PlayPause");
        QVERIFY2(refused.contains(QStringLiteral("waiting for an answer")), qPrintable(refused));
        QCOMPARE(h.fake1().mode, int(MediaPlayer::Paused));
        modal.hide();
        act("PlayPause");
        QCOMPARE(h.fake1().mode, int(MediaPlayer::Playing));
    }

    // The title, artist and album of the file's tags, where it has them.
    void metadataFromTheTags()
    {
        if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            QSKIP("no private session bus (run through dbus-run-session)");
        ConfigHome home;
        QTemporaryDir dir;
        const QString tagged = dir.path() + QStringLiteral("/tagged.mp3");
        writeFile(tagged,
                  id3({{"TIT2", "Morning Tone"}, {"TPE1", "The Testers"}, {"TALB", "Sines"}})
                      + readAll(testData("cbr_44k_stereo_3000ms.mp3")));
        Harness h;
        h.create();
        h.window->show();
        h.select(tagged);
        const QString metadata = get("org.mpris.MediaPlayer2.Player", "Metadata");
        QVERIFY2(metadata.contains(QStringLiteral("'xesam:title': <'Morning Tone'>")), qPrintable(metadata));
        QVERIFY2(metadata.contains(QStringLiteral("'xesam:artist': <['The Testers']>")), qPrintable(metadata));
        QVERIFY2(metadata.contains(QStringLiteral("'xesam:album': <'Sines'>")), qPrintable(metadata));
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
