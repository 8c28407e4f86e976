#include "app/mpris.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFileInfo>

namespace {

const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");

class RootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(bool CanQuit READ no)
    Q_PROPERTY(bool CanRaise READ yes)
    Q_PROPERTY(bool HasTrackList READ no)
    Q_PROPERTY(QStringList SupportedUriSchemes READ none)
    Q_PROPERTY(QStringList SupportedMimeTypes READ none)
public:
    explicit RootAdaptor(Mpris *owner) : QDBusAbstractAdaptor(owner), m_owner(owner) {}
    QString identity() const { return QStringLiteral("MP3 Cleavo"); }
    QString desktopEntry() const { return QStringLiteral("example.quillfen.Cleavo"); }
    bool no() const { return false; }
    bool yes() const { return true; }
    QStringList none() const { return {}; }
public slots:
    void Raise() { m_owner->player().raise(); }
    void Quit() {}

private:
    Mpris *m_owner;
};

class PlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Rate READ one)
    Q_PROPERTY(double MinimumRate READ one)
    Q_PROPERTY(double MaximumRate READ one)
    Q_PROPERTY(double Volume READ one)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ no)
    Q_PROPERTY(bool CanGoPrevious READ no)
    Q_PROPERTY(bool CanPlay READ yes)
    Q_PROPERTY(bool CanPause READ yes)
    Q_PROPERTY(bool CanSeek READ no)
    Q_PROPERTY(bool CanControl READ yes)
public:
    explicit PlayerAdaptor(Mpris *owner) : QDBusAbstractAdaptor(owner), m_owner(owner) {}
    QString playbackStatus() const { return m_owner->player().status(); }
    QVariantMap metadata() const { return m_owner->metadata(); }
    double one() const { return 1.0; }
    qlonglong position() const { return 0; }
    bool no() const { return false; }
    bool yes() const { return true; }
public slots:
    void Play() { act(QStringLiteral("Play")); }
    void Pause() { act(QStringLiteral("Pause")); }
    void PlayPause() { act(QStringLiteral("PlayPause")); }
    void Stop() { act(QStringLiteral("Stop")); }
    void Next() {}
    void Previous() {}
    void Seek(qlonglong) {}
    void SetPosition(const QDBusObjectPath &, qlonglong) {}
    void OpenUri(const QString &) {}

private:
    // After the bus has had its answer: a handler may open a message box.
    void act(const QString &what)
    {
        QMetaObject::invokeMethod(
            m_owner, [owner = m_owner, what] { owner->player().act(what); }, Qt::QueuedConnection);
    }
    Mpris *m_owner;
};

} // namespace

Mpris::Mpris(Player player, QObject *parent) : QObject(parent), m_player(std::move(player))
{
    new RootAdaptor(this);
    new PlayerAdaptor(this);
}

Mpris::~Mpris()
{
    if (m_offered) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterObject(kPath);
        bus.unregisterService(m_service);
    }
}

bool Mpris::offer()
{
    // Tried once: without a bus the handlers do not ask again at every tick.
    if (m_offered || m_tried)
        return m_offered;
    m_tried = true;
    // No session bus (a bare X server, a service session): nothing to offer
    // to, and no bus is started for it.
    const QString userBus = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/bus");
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")
        && (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") || !QFileInfo::exists(userBus)))
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    if (!bus.registerObject(kPath, this, QDBusConnection::ExportAdaptors))
        return false;
    m_service = QStringLiteral("org.mpris.MediaPlayer2.cleavo");
    if (!bus.registerService(m_service)) {
        // Another Cleavo has the name: this one is an instance of its own.
        m_service += QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
        if (!bus.registerService(m_service)) {
            bus.unregisterObject(kPath);
            return false;
        }
    }
    m_offered = true;
    m_lastStatus = m_player.status();
    m_lastTitle = m_player.title();
    return true;
}

QVariantMap Mpris::metadata() const
{
    return {{QStringLiteral("mpris:trackid"),
             QVariant::fromValue(QDBusObjectPath(QStringLiteral("/example/quillfen/Cleavo/source")))},
            {QStringLiteral("xesam:title"), m_player.title()},
            {QStringLiteral("mpris:length"), m_player.lengthUs()}};
}

void Mpris::refresh()
{
    if (!m_offered)
        return;
    QVariantMap changed;
    const QString status = m_player.status();
    if (status != m_lastStatus)
        changed.insert(QStringLiteral("PlaybackStatus"), status);
    const QString title = m_player.title();
    if (title != m_lastTitle)
        changed.insert(QStringLiteral("Metadata"), metadata());
    m_lastStatus = status;
    m_lastTitle = title;
    if (changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

#include "mpris.moc"
