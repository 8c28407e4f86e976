#pragma once

#include "core/mediaplayer.h"
#include "listening/audiomap.h"
#include "listening/audiooutput.h"
#include "listening/filereader.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

struct mpg123_handle_struct;
struct _SDL_AudioStream; // NOLINT(bugprone-reserved-identifier): SDL's own name for the type

// The libmpg123 and SDL handles own themselves: freed once, on every path.
struct DecoderDeleter {
    void operator()(mpg123_handle_struct *handle) const;
};
struct StreamDeleter {
    void operator()(_SDL_AudioStream *stream) const;
};
using Decoder = std::unique_ptr<mpg123_handle_struct, DecoderDeleter>;
using Stream = std::unique_ptr<_SDL_AudioStream, StreamDeleter>;

// The real player: libmpg123 decoding, SDL2 audio output.
[[nodiscard]] std::unique_ptr<MediaPlayer> createAudioPlayer();

// A decoder on the audio of path (junk between its frames left out), its
// first audio decoded to learn the rate and channels, its length in frames
// (per channel) found, and set back to the start. Empty, with the decoder's
// text in error, when the file holds no audio that plays, when a read fails
// (a stick pulled out) or the file changes meanwhile, or when watch asks it
// to stop. With watch, every read of the file is told there.
struct SourceMap;
[[nodiscard]] Decoder openDecoder(const QString &path, long &rate, int &channels, int64_t &frames,
                                  QString *error = nullptr, std::shared_ptr<const SourceMap> *learned = nullptr,
                                  ReadWatch *watch = nullptr);

// Where a stream that changes its rate (files joined with cat) goes on at
// another rate: the decoder's frame number there, the sample of the output (at
// the first rate) its first frame begins at, its rate and frame length.
struct RateStretch {
    int64_t frame;
    int64_t start;
    long rate;
    int samplesPerFrame;
};

// What opening a file learned of it: where its audio lies (with an index of
// its frames), the samples the decoder drops at its start (the encoder delay
// of a LAME tag it trusts, and its own), and, where its rate changes, the
// stretches of each rate (the decoder hands all of them out at the first).
struct SourceMap {
    std::vector<audiomap::Region> regions;
    audiomap::Summary summary;
    int64_t skip = 0;
    std::vector<RateStretch> stretches;
};

// A decoder on just these regions of the file at path, one after the other,
// as a stream of its own: every sample of every frame it decodes is handed
// out (nothing dropped at its start or end), in stereo, or with mono the two
// channels mixed into one (about twice as fast). Empty, with the
// decoder's text in error, where it cannot be made or the file cannot be read.
[[nodiscard]] Decoder rawDecoder(const QString &path, std::vector<audiomap::Region> regions, bool mono = false,
                                 QString *error = nullptr);

// Sets the decoder to play from sample of the output on. Where the stream
// keeps one rate, the decoder itself finds the sample; otherwise it is set to
// the frame that holds it, and the samples it gives before are *discard.
// Returns the sample it is set to, or -1.
[[nodiscard]] int64_t seekDecoder(mpg123_handle_struct *handle, const SourceMap &map, int64_t sample, int64_t *discard);

// The map of the file at path as it is now: kept from the last opening of the
// same file, unchanged since, or made by opening it now. Empty, with the
// decoder's text in error, when it holds no audio that plays.
[[nodiscard]] std::shared_ptr<const SourceMap> sourceMap(const QString &path, QString *error = nullptr);
// The map kept from the last opening of the file at path, where it has not
// changed since; none otherwise (nothing is read but the file's identity).
[[nodiscard]] std::shared_ptr<const SourceMap> knownMap(const QString &path);

// Told on the window's thread that the device has played a track's last frame.
class EndNotice : public QObject {
    Q_OBJECT
public:
    std::function<void()> ended;
public slots:
    void arrived()
    {
        if (ended)
            ended();
    }
};

// Where the background readings post their news for the window's thread: the
// readings queue it, and one queued call delivers all that waits.
class ReadingNews : public QObject {
    Q_OBJECT
public slots:
    void deliver();
};

// Decodes with libmpg123 in a thread of its own and plays through the shared
// SDL device. Positions count the frames the device has consumed. The end of
// a track is noticed once, by a notice queued to the thread that made the
// player; until then Mode() says Playing and Position() the length.
class MpgPlayer : public MediaPlayer {
public:
    MpgPlayer();
    ~MpgPlayer() override;

    [[nodiscard]] bool Open(QString *error = nullptr) override;
    [[nodiscard]] bool Close(QString *error = nullptr) override;
    [[nodiscard]] bool Play(QString *error = nullptr) override;
    [[nodiscard]] bool Stop(QString *error = nullptr) override;
    [[nodiscard]] bool Pause(QString *error = nullptr) override;
    [[nodiscard]] bool Resume(QString *error = nullptr) override;
    [[nodiscard]] int Position() const override;
    [[nodiscard]] bool setPosition(int ms, QString *error = nullptr) override;
    [[nodiscard]] std::optional<int> Length(QString *error = nullptr) override;
    [[nodiscard]] int Mode() const override;
    [[nodiscard]] bool isOpen() const override { return m_state != State::Closed; }

    [[nodiscard]] bool BeginOpen(QString *error = nullptr) override;
    [[nodiscard]] bool isOpening() const override { return m_job != nullptr; }
    [[nodiscard]] std::shared_ptr<const Reading> reading() const override;
    [[nodiscard]] bool FinishOpen(QString *error = nullptr) override;

    struct Opening; // the reading in the background

private:
    enum class State {
        Closed,
        Stopped,
        Playing,
        Paused
    };

    [[nodiscard]] bool ensureOutput(QString *error);
    [[nodiscard]] bool startPlayback(QString *error);
    [[nodiscard]] bool playWhileReading(QString *error);
    void release();      // closes without asking whether it was open
    void haltPlayback(); // joins the decoder; sets m_frame from what was heard
    void checkEnd();     // a drained channel means the track has ended
    [[nodiscard]] int64_t heardFrame() const;
    [[nodiscard]] int toMs(int64_t frame) const;
    void decodeLoop();

    Decoder m_handle;
    Stream m_stream;
    AudioChannel m_channel;
    EndNotice m_endNotice;
    std::thread m_decoderThread;
    std::atomic<bool> m_quit{false};

    State m_state = State::Closed;
    long m_rate = 0;
    int m_channels = 0;
    int64_t m_totalFrames = 0; // per channel, at the file's rate
    int m_lengthMs = 0;
    int64_t m_frame = 0;      // position while stopped
    int64_t m_startFrame = 0; // where the current playback began
    int64_t m_discard = 0;    // samples the decoder gives before m_startFrame
    std::shared_ptr<const SourceMap> m_map;
    std::shared_ptr<Opening> m_job;
    std::optional<int> m_declaredMs;
};
