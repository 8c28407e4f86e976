#pragma once
// The media player device: an invisible player with millisecond positions.

#include <QString>
#include <optional>

class MediaPlayer {
public:
    enum ModeValue {
        NotReady = 0,
        Stopped = 1,
        Playing = 2,
        Recording = 3,
        Seeking = 4,
        Paused = 5,
        OpenMode = 6
    };

    virtual ~MediaPlayer() = default;

    [[nodiscard]] QString FileName() const { return m_fileName; }
    void setFileName(const QString &name) { m_fileName = name; }

    // Each operation that can fail returns false (Length: nothing) with the
    // text in error; "No MCI device open" when the player is not open.

    // Closes an open device first; the decoder's text when the file does not open.
    [[nodiscard]] virtual bool Open(QString *error = nullptr) = 0;
    // Does nothing when not open.
    [[nodiscard]] virtual bool Close(QString *error = nullptr) = 0;
    // From the current position; at the end, from the start. Returns at once.
    [[nodiscard]] virtual bool Play(QString *error = nullptr) = 0;
    // Ends playing without seeking.
    [[nodiscard]] virtual bool Stop(QString *error = nullptr) = 0;
    // Pauses when playing, resumes when paused, else nothing.
    [[nodiscard]] virtual bool Pause(QString *error = nullptr) = 0;
    [[nodiscard]] virtual bool Resume(QString *error = nullptr) = 0;
    // 0 when not open. Only reads: the end of a track is noticed by the
    // player itself.
    [[nodiscard]] virtual int Position() const = 0;
    // Leaves the player stopped at ms; a value below 0 or beyond Length
    // changes nothing.
    [[nodiscard]] virtual bool setPosition(int ms, QString *error = nullptr) = 0;
    [[nodiscard]] virtual std::optional<int> Length(QString *error = nullptr) = 0;
    // NotReady when not open. Only reads, as Position.
    [[nodiscard]] virtual int Mode() const = 0;

    [[nodiscard]] virtual bool isOpen() const = 0;

protected:
    // True when open; else false with "No MCI device open".
    [[nodiscard]] bool requireOpen(QString *error) const;

private:
    QString m_fileName;
};

extern const char *const kNoDeviceOpen; // "No MCI device open"
