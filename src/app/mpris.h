#pragma once
// The source player offered to the desktop over MPRIS (the session bus's
// org.mpris.MediaPlayer2), as the desktop's media keys, its media controls
// and playerctl reach players: Play, Pause, PlayPause and Stop act as clicks
// on the buttons a click could reach.

#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

class Mpris : public QObject {
    Q_OBJECT
public:
    struct Track {
        QString title;         // from the file's tags, else the file's name
        QString artist, album; // from the file's tags, or empty
        bool operator==(const Track &) const = default;
    };
    struct Player {
        std::function<QString()> status; // "Playing", "Paused" or "Stopped"
        std::function<Track()> track;
        std::function<qint64()> lengthUs;   // the track's length in microseconds
        std::function<qint64()> positionUs; // where it plays, in microseconds
        std::function<bool()> canPlay;      // a click could reach Play
        std::function<bool()> canPause;     // a click could reach Pause
        // Whether a click could reach any button now (no modal window is up).
        std::function<bool()> reachable;
        std::function<void(const QString &)> act; // "Play", "Pause", "PlayPause", "Stop"
        std::function<void()> raise;
    };

    explicit Mpris(Player player, QObject *parent = nullptr);
    ~Mpris() override;

    // Registers on the session bus, trying once; false (and nothing else)
    // when there is none.
    bool offer();
    [[nodiscard]] bool offered() const { return m_offered; }
    // Tells the desktop what changed since the last call.
    void refresh();

    // For the adaptors.
    [[nodiscard]] const Player &player() const { return m_player; }
    [[nodiscard]] QVariantMap metadata() const;

private:
    Player m_player;
    bool m_offered = false;
    bool m_tried = false;
    QString m_service;
    QString m_lastStatus;
    Track m_lastTrack;
    bool m_lastCanPlay = false, m_lastCanPause = false;
};
