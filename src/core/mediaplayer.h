#pragma once
// The media player device: an invisible player with millisecond positions.

#include <QString>

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

    // Closes an open device first. Throws PlayerError with the decoder's text.
    virtual void Open() = 0;
    // Does nothing when not open.
    virtual void Close() = 0;
    // From the current position; at the end, from the start. Returns at once.
    virtual void Play() = 0;
    // Ends playing without seeking.
    virtual void Stop() = 0;
    // Pauses when playing, resumes when paused, else nothing.
    virtual void Pause() = 0;
    virtual void Resume() = 0;
    // Never throws; 0 when not open. Only reads: the end of a track is noticed
    // by the player itself.
    [[nodiscard]] virtual int Position() const = 0;
    // Leaves the player stopped at ms; a value below 0 or beyond Length
    // changes nothing.
    virtual void setPosition(int ms) = 0;
    virtual int Length() = 0;
    // Never throws; NotReady when not open. Only reads, as Position.
    [[nodiscard]] virtual int Mode() const = 0;

    [[nodiscard]] virtual bool isOpen() const = 0;

protected:
    // Throws PlayerError "No MCI device open" when not open.
    void requireOpen() const;

private:
    QString m_fileName;
};

extern const char *const kNoDeviceOpen; // "No MCI device open"
