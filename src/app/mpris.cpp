#include "app/mpris.h"

#include "core/platform.h"

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
    [[nodiscard]] QString identity() const { return QStringLiteral("MP3 Cleavo"); }
    [[nodiscard]] QString desktopEntry() const { return QStringLiteral("example.quillfen.Cleavo"); }
    [[nodiscard]] bool no() const { return false; }
    [[nodiscard]] bool yes() const { return true; }
    [[nodiscard]] QStringList none() const { return {}; }
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
    Q_PROPERTY(bool CanPlay READ canPlay)
    Q_PROPERTY(bool CanPause READ canPause)
    Q_PROPERTY(bool CanSeek READ no)
    Q_PROPERTY(bool CanControl READ yes)
public:
    explicit PlayerAdaptor(Mpris *owner) : QDBusAbstractAdaptor(owner), m_owner(owner) {}
    [[nodiscard]] QString playbackStatus() const { return m_owner->player().status(); }
    [[nodiscard]] QVariantMap metadata() const { return m_owner->metadata(); }
    [[nodiscard]] double one() const { return 1.0; }
    [[nodiscard]] qlonglong position() const
    {
        return m_owner->player().positionUs ? m_owner->player().positionUs() : 0;
    }
    [[nodiscard]] bool canPlay() const { return m_owner->player().canPlay ? m_owner->player().canPlay() : false; }
    [[nodiscard]] bool canPause() const { return m_owner->player().canPause ? m_owner->player().canPause() : false; }
    [[nodiscard]] bool no() const { return false; }
    [[nodiscard]] bool yes() const { return true; }
public slots:
    void Play(const QDBusMessage &call) { act(QStringLiteral("Play"), call); }
    void Pause(const QDBusMessage &call) { act(QStringLiteral("Pause"), call); }
    void PlayPause(const QDBusMessage &call) { act(QStringLiteral("PlayPause"), call); }
    void Stop(const QDBusMessage &call) { act(QStringLiteral("Stop"), call); }
    void Next() {}
    void Previous() {}
    void Seek(qlonglong) {}
    void SetPosition(const QDBusObjectPath &, qlonglong) {}
    void OpenUri(const QString &) {}

private:
    // After the bus has had its answer: a handler may open a message box.
    // While a modal window is up no click reaches the buttons, and neither
    // does the desktop: the caller is told so.
    void act(const QString &what, const QDBusMessage &call)
    {
        const auto reachable = [owner = m_owner] {
            return !owner->player().reachable || owner->player().reachable();
        };
        if (!reachable()) {
            call.setDelayedReply(true);
            QDBusConnection::sessionBus().send(call.createErrorReply(
                QDBusError::Failed, QStringLiteral("MP3 Cleavo is waiting for an answer in one of its windows")));
            return;
        }
        QMetaObject::invokeMethod(
            m_owner,
            [owner = m_owner, what, reachable] {
                if (reachable())
                    owner->player().act(what);
            },
            Qt::QueuedConnection);
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
    if (platform::sessionBusBarred()
        || (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")
            && (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") || !QFileInfo::exists(userBus))))
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
    m_lastTrack = m_player.track();
    m_lastCanPlay = m_player.canPlay();
    m_lastCanPause = m_player.canPause();
    return true;
}

QVariantMap Mpris::metadata() const
{
    const Track track = m_player.track();
    QVariantMap map{{QStringLiteral("mpris:trackid"),
                     QVariant::fromValue(QDBusObjectPath(QStringLiteral("/example/quillfen/Cleavo/source")))},
                    {QStringLiteral("xesam:title"), track.title},
                    {QStringLiteral("mpris:length"), m_player.lengthUs()}};
    if (!track.artist.isEmpty())
        map.insert(QStringLiteral("xesam:artist"), QStringList{track.artist});
    if (!track.album.isEmpty())
        map.insert(QStringLiteral("xesam:album"), track.album);
    return map;
}

void Mpris::refresh()
{
    if (!m_offered)
        return;
    QVariantMap changed;
    const QString status = m_player.status();
    if (status != m_lastStatus)
        changed.insert(QStringLiteral("PlaybackStatus"), status);
    const Track track = m_player.track();
    if (!(track == m_lastTrack))
        changed.insert(QStringLiteral("Metadata"), metadata());
    const bool canPlay = m_player.canPlay(), canPause = m_player.canPause();
    if (canPlay != m_lastCanPlay)
        changed.insert(QStringLiteral("CanPlay"), canPlay);
    if (canPause != m_lastCanPause)
        changed.insert(QStringLiteral("CanPause"), canPause);
    m_lastStatus = status;
    m_lastTrack = track;
    m_lastCanPlay = canPlay;
    m_lastCanPause = canPause;
    if (changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

#include "mpris.moc"
