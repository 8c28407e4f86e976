#pragma once
// The media player device: an invisible player with millisecond positions.

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

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

    // Opening in the background, where the player can: BeginOpen returns at
    // once, and the player is opening (neither open nor playing) until its
    // file is read. Meanwhile Length gives the length the file declares,
    // where it declares one. Each step is told through `opened` on the
    // window's thread: the declared length known, then the reading ended;
    // FinishOpen then opens the player with what it found (or says why not).
    // Elsewhere BeginOpen opens as Open does, and nothing is told.
    [[nodiscard]] virtual bool BeginOpen(QString *error = nullptr) { return Open(error); }
    [[nodiscard]] virtual bool isOpening() const { return false; }
    // The reading in progress, watched from any thread for as long as it is
    // held (whatever the player does meanwhile); none where none runs.
    class Reading {
    public:
        virtual ~Reading() = default;
        // Bytes read, of how many.
        [[nodiscard]] virtual std::pair<int64_t, int64_t> progress() const = 0;
        // Waits at most ms for the reading to end; true when it has.
        [[nodiscard]] virtual bool wait(int ms) const = 0;
        // How loud the file is frame by frame, as far as it has been read:
        // the figures of the frames from number `from` on are appended to
        // out (a figure 0 for silence, higher for louder). The frames'
        // length, and whether the first is a header frame of no audio.
        struct Frames {
            int samplesPerFrame = 0;
            int sampleRate = 0;
            bool headerFrame = false;
        };
        virtual Frames loudness(size_t from, std::vector<uint8_t> &out) const
        {
            (void)from;
            (void)out;
            return {};
        }
    };
    [[nodiscard]] virtual std::shared_ptr<const Reading> reading() const { return nullptr; }
    [[nodiscard]] virtual bool FinishOpen(QString *error = nullptr) { return requireOpen(error); }
    std::function<void()> opened;

protected:
    // True when open; else false with "No MCI device open".
    [[nodiscard]] bool requireOpen(QString *error) const;

private:
    QString m_fileName;
};

extern const char *const kNoDeviceOpen; // "No MCI device open"
