#include "listening/mpgplayer.h"

#include "core/errors.h"
#include "core/platform.h"

#include "listening/filereader.h"

#include <QCoreApplication>
#include <QFile>

#include <sys/stat.h>

#include <SDL.h>
#include <mpg123.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

void initLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

QString decoderError(mpg123_handle *handle, int code)
{
    if (code == MPG123_ERR && handle)
        return QString::fromLocal8Bit(mpg123_strerror(handle));
    return QString::fromLocal8Bit(mpg123_plain_strerror(code));
}

const QString kNoAudio = QStringLiteral("The file contains no MPEG audio that can be played");

using Identity = platform::FileIdentity;
using platform::identityOf;

// The maps of the files opened last (the source and the preview).
class MapCache {
public:
    void put(const Identity &id, std::shared_ptr<const SourceMap> map)
    {
        const std::lock_guard lock(m_mutex);
        std::erase_if(m_maps, [&](const auto &entry) { return entry.first == id; });
        m_maps.emplace_back(id, std::move(map));
        if (m_maps.size() > 4)
            m_maps.erase(m_maps.begin());
    }
    std::shared_ptr<const SourceMap> get(const Identity &id)
    {
        const std::lock_guard lock(m_mutex);
        for (const auto &[key, map] : m_maps) {
            if (key == id)
                return map;
        }
        return nullptr;
    }

private:
    std::mutex m_mutex;
    std::vector<std::pair<Identity, std::shared_ptr<const SourceMap>>> m_maps;
};

MapCache &maps()
{
    // Never destroyed: an opening abandoned in the background may still end
    // while the program ends.
    static auto *cache = new MapCache;
    return *cache;
}

// The samples the decoder drops before the first it gives: learned by
// decoding the first frames, as it plays them, then set back to the start.
int64_t decoderSkip(mpg123_handle *handle, int channels)
{
    const int64_t spf = mpg123_spf(handle);
    int64_t given = 0, skip = 0;
    for (int attempt = 0; attempt < 64 && spf > 0; ++attempt) {
        off_t number = 0;
        unsigned char *audio = nullptr;
        size_t bytes = 0;
        const int rc = mpg123_decode_frame(handle, &number, &audio, &bytes);
        if (rc == MPG123_NEW_FORMAT)
            continue;
        if (rc != MPG123_OK)
            break;
        given += static_cast<int64_t>(bytes / (sizeof(float) * static_cast<size_t>(std::max(channels, 1))));
        if (given > 0) {
            skip = (int64_t{number} + 1) * spf - given;
            break;
        }
    }
    return skip;
}

// The stretches of a stream that changes its rate, on the output's timeline
// (all at the first rate), and its length there: each stretch's frames at
// their own rate, less what the decoder leaves out at the start (the tag
// frame, the skip).
std::vector<RateStretch> stretchesOf(const audiomap::Summary &walked, int64_t skip, int64_t &length)
{
    const int64_t tagFrame = walked.declaredFrames ? 1 : 0;
    const int64_t out = walked.stretches.front().sampleRate;
    std::vector<RateStretch> stretches;
    int64_t start = -skip;
    for (const audiomap::Summary::Stretch &s : walked.stretches) {
        const int64_t frame = std::max<int64_t>(0, s.frame - tagFrame);
        if (!stretches.empty()) {
            const RateStretch &before = stretches.back();
            start += (frame - before.frame) * before.samplesPerFrame * out / before.rate;
        }
        stretches.push_back({frame, start, s.sampleRate, s.samplesPerFrame});
    }
    const int64_t decoded = walked.frames - tagFrame;
    const RateStretch &last = stretches.back();
    length = last.start + (decoded - last.frame) * last.samplesPerFrame * out / last.rate;
    return stretches;
}

} // namespace

int64_t seekDecoder(mpg123_handle *handle, const SourceMap &map, int64_t sample, int64_t *discard)
{
    *discard = 0;
    if (map.stretches.empty()) {
        const off_t at = mpg123_seek(handle, static_cast<off_t>(sample), SEEK_SET);
        return at < 0 ? -1 : static_cast<int64_t>(at);
    }
    // Later, where the decoder would count every frame at the first rate, it
    // is set to a frame, and the samples before the one wanted are left out
    // as they come.
    const auto after = std::upper_bound(map.stretches.begin(), map.stretches.end(), sample,
                                        [](int64_t s, const RateStretch &stretch) { return s < stretch.start; });
    const RateStretch &in = after == map.stretches.begin() ? map.stretches.front() : *std::prev(after);
    if (&in == &map.stretches.front()) {
        // In the first stretch the decoder finds the sample itself, once it
        // has taken that stretch's rate again (its seek counts at the rate
        // of the frame it decoded last).
        off_t number = 0;
        unsigned char *audio = nullptr;
        size_t bytes = 0;
        if (mpg123_seek_frame(handle, 0, SEEK_SET) < 0)
            return -1;
        mpg123_decode_frame(handle, &number, &audio, &bytes);
        const off_t at = mpg123_seek(handle, static_cast<off_t>(sample), SEEK_SET);
        return at < 0 ? -1 : static_cast<int64_t>(at);
    }
    const int64_t out = map.stretches.front().rate;
    const int64_t frame = std::max<int64_t>(0, sample - in.start) * in.rate / (out * in.samplesPerFrame);
    if (mpg123_seek_frame(handle, static_cast<off_t>(in.frame + frame), SEEK_SET) < 0)
        return -1;
    const int64_t begins = std::max<int64_t>(0, in.start + frame * in.samplesPerFrame * out / in.rate);
    *discard = std::max<int64_t>(0, sample - begins);
    return sample;
}

std::unique_ptr<MediaPlayer> createAudioPlayer()
{
    return std::make_unique<MpgPlayer>();
}

void DecoderDeleter::operator()(mpg123_handle *handle) const
{
    mpg123_delete(handle); // closes the file too
}

void StreamDeleter::operator()(SDL_AudioStream *stream) const
{
    SDL_FreeAudioStream(stream);
}

namespace {

// A decoder as the players use it: quiet, stereo float at the file's rate.
Decoder newDecoder(QString *error)
{
    int err = MPG123_OK;
    Decoder handle(mpg123_new(nullptr, &err));
    if (!handle) {
        failed(error, decoderError(nullptr, err));
        return {};
    }
    // Stereo always: MP3s joined with cat may change from mono to stereo
    // between frames, and one format for all keeps each frame at its speed.
    mpg123_param(handle.get(), MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_FORCE_STEREO, 0);
    mpg123_format_none(handle.get());
    const long *rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(handle.get(), rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
    return handle;
}

// Decodes the stream's first audio to learn its rate and channels:
// mpg123_open accepts any file, and only audio that decodes counts. False,
// with why, where none decodes.
bool learnFormat(mpg123_handle_struct *handle, long &rate, int &channels, QString *error = nullptr)
{
    std::vector<unsigned char> block(16384);
    size_t done = 0;
    int rc = MPG123_OK;
    for (int attempt = 0; attempt < 8 && done == 0; ++attempt) {
        rc = mpg123_read(handle, block.data(), block.size(), &done);
        if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT)
            break;
    }
    int encoding = 0;
    if (done == 0 || mpg123_getformat(handle, &rate, &channels, &encoding) != MPG123_OK || rate <= 0)
        return failed(error,
                      rc == MPG123_DONE || rc == MPG123_OK || rc == MPG123_NEW_FORMAT ? kNoAudio
                                                                                      : decoderError(handle, rc));
    return true;
}

// What the reads of a file met, where watch was told of them: a request to
// stop or a read that failed. Neither may become a map.
bool readWhole(const ReadWatch *watch, QString *error)
{
    if (!watch)
        return true;
    if (watch->stop.load())
        return failed(error, QStringLiteral("Stopped"));
    if (const int e = watch->error.load())
        return failed(
            error,
            QStringLiteral("The MP3 could not be read to its end: %1").arg(QString::fromLocal8Bit(std::strerror(e))));
    return true;
}

// How the decoder is to hand out a walked stream. One that changes its rate
// is handed out at its first rate, so that every frame plays at its own
// speed. Where the first frame's header declares other frames than the file
// has (files joined with cat), its delay and padding are the first file's
// only, and are heard: the decoder would cut the padding at the join while it
// plays on, but not after a seek, so that a place after the join would sound
// a frame away from where it was shown.
void handOut(mpg123_handle_struct *handle, const audiomap::Summary &walked)
{
    const bool rateChanges = walked.stretches.size() > 1;
    if (rateChanges)
        mpg123_param(handle, MPG123_FORCE_RATE, walked.stretches.front().sampleRate, 0);
    const bool joined = walked.declaredFrames && walked.frames != *walked.declaredFrames
        && walked.frames != *walked.declaredFrames + 1;
    if (rateChanges || joined)
        mpg123_param(handle, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
}

// The stream's length in frames (per channel), the decoder set back to its
// start. One stretch of audio whose first frame declares the count the walk
// found: the decoder's length from that header is exact, and the file need
// not be read a second time to measure it.
bool measure(mpg123_handle_struct *handle, const SourceMap &map, const ReadWatch *watch, int64_t &frames,
             QString *error)
{
    const audiomap::Summary &walked = map.summary;
    const bool declaredTrue = map.regions.size() == 1 && walked.declaredFrames
        && (walked.frames == *walked.declaredFrames || walked.frames == *walked.declaredFrames + 1);
    if (!declaredTrue && mpg123_scan(handle) != MPG123_OK)
        return failed(error, decoderError(handle, MPG123_ERR));
    if (!readWhole(watch, error))
        return false;
    frames = mpg123_length(handle);
    if (frames <= 0 || mpg123_seek(handle, 0, SEEK_SET) < 0)
        return failed(error, kNoAudio);
    return true;
}

// A decoder on the whole file from its start, as it comes, for playing while
// the file is still being read: nothing is walked or measured first.
Decoder firstDecoder(const QString &path, long &rate, int &channels, QString *error)
{
    Decoder handle = newDecoder(error);
    std::unique_ptr<FileReader> reader = handle ? FileReader::open(path, 64 << 10, error) : nullptr;
    if (!reader)
        return {};
    mpg123_replace_reader_handle(handle.get(), FileReader::readCallback, FileReader::seekCallback,
                                 FileReader::closeCallback);
    if (mpg123_open_handle(handle.get(), reader.release()) != MPG123_OK) {
        failed(error, decoderError(handle.get(), MPG123_ERR));
        return {};
    }
    if (!learnFormat(handle.get(), rate, channels) || mpg123_seek(handle.get(), 0, SEEK_SET) < 0)
        return failed(error, kNoAudio);
    return handle;
}

} // namespace

Decoder openDecoder(const QString &path, long &rate, int &channels, int64_t &frames, QString *error,
                    std::shared_ptr<const SourceMap> *learned, ReadWatch *watch)
{
    initLibrary();
    // Taken before the file is read: a change while it is read makes the map stale.
    const std::optional<Identity> identity = identityOf(path);
    Decoder handle = newDecoder(error);
    // The decoder reads through a large buffer (a system call per frame would
    // make the scan of a long file slow), and sees only the file's audio:
    // junk between frames is neither heard nor counted.
    std::unique_ptr<FileReader> reader = handle ? FileReader::open(path, FileReader::kDefaultBuffer, error) : nullptr;
    if (!reader)
        return {};
    reader->watchBy(watch);
    auto map = std::make_shared<SourceMap>();
    map->regions = audiomap::scan(reader->readsAt(), std::max<off_t>(0, reader->seek(0, SEEK_END)), &map->summary,
                                  watch ? watch->walked : audiomap::Progress());
    if (!readWhole(watch, error))
        return {};
    if (identityOf(path) != identity)
        return failed(error, QStringLiteral("The MP3 changed while it was being read"));
    reader->setRegions(map->regions);
    handOut(handle.get(), map->summary);
    mpg123_replace_reader_handle(handle.get(), FileReader::readCallback, FileReader::seekCallback,
                                 FileReader::closeCallback);
    if (mpg123_open_handle(handle.get(), reader.release()) != MPG123_OK) // the decoder closes the reader from now on
        return failed(error, decoderError(handle.get(), MPG123_ERR));
    if (!learnFormat(handle.get(), rate, channels, error) || !measure(handle.get(), *map, watch, frames, error))
        return {};
    map->skip = decoderSkip(handle.get(), channels);
    if (map->summary.stretches.size() > 1)
        map->stretches = stretchesOf(map->summary, map->skip, frames);
    if (mpg123_seek(handle.get(), 0, SEEK_SET) < 0)
        return failed(error, kNoAudio);
    if (learned)
        *learned = map;
    if (identity)
        maps().put(*identity, std::move(map));
    return handle;
}

Decoder rawDecoder(const QString &path, std::vector<audiomap::Region> regions, bool mono, QString *error)
{
    initLibrary();
    Decoder handle = newDecoder(error);
    if (handle && mono) {
        mpg123_param(handle.get(), MPG123_REMOVE_FLAGS, MPG123_FORCE_STEREO, 0);
        mpg123_param(handle.get(), MPG123_ADD_FLAGS, MPG123_MONO_MIX, 0);
    }
    std::unique_ptr<FileReader> reader = handle ? FileReader::open(path, 64 << 10, error) : nullptr;
    if (!reader)
        return {};
    reader->setRegions(std::move(regions));
    mpg123_param(handle.get(), MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
    mpg123_replace_reader_handle(handle.get(), FileReader::readCallback, FileReader::seekCallback,
                                 FileReader::closeCallback);
    if (mpg123_open_handle(handle.get(), reader.release()) != MPG123_OK)
        return failed(error, decoderError(handle.get(), MPG123_ERR));
    return handle;
}

std::shared_ptr<const SourceMap> knownMap(const QString &path)
{
    const std::optional<Identity> id = identityOf(path);
    return id ? maps().get(*id) : nullptr;
}

std::shared_ptr<const SourceMap> sourceMap(const QString &path, QString *error)
{
    if (const std::optional<Identity> id = identityOf(path)) {
        if (auto known = maps().get(*id))
            return known;
    }
    long rate = 0;
    int channels = 0;
    int64_t frames = 0;
    if (!openDecoder(path, rate, channels, frames, error))
        return nullptr;
    const std::optional<Identity> id = identityOf(path);
    auto made = id ? maps().get(*id) : nullptr;
    if (!made && error)
        *error = kNoAudio;
    return made;
}

MpgPlayer::MpgPlayer()
{
    m_endNotice.ended = [this] {
        checkEnd();
    };
    m_channel.onDrainedContext = &m_endNotice;
    m_channel.onDrained = [](void *notice) {
        QMetaObject::invokeMethod(static_cast<EndNotice *>(notice), "arrived", Qt::QueuedConnection);
    };
}

MpgPlayer::~MpgPlayer()
{
    release();
}

// The file read on a thread of its own: the length its header declares
// first, then the walk and the decoder. What it found waits here for the
// window's thread, which is told of each step through its event loop.
struct MpgPlayer::Opening : MediaPlayer::Reading {
    [[nodiscard]] std::pair<int64_t, int64_t> progress() const override { return {watch.read.load(), size}; }
    [[nodiscard]] bool wait(int ms) const override
    {
        std::unique_lock lock(mutex);
        return ended.wait_for(lock, std::chrono::milliseconds(ms), [&] { return done; });
    }
    Frames loudness(size_t from, std::vector<uint8_t> &out) const override
    {
        const std::lock_guard lock(mutex);
        if (from < figures.size())
            out.insert(out.end(), figures.begin() + static_cast<std::ptrdiff_t>(from), figures.end());
        return figuresOf;
    }
    // The walk's progress: kept, and told to the window now and then.
    void walked(const audiomap::Summary &so, const std::shared_ptr<Opening> &self);

    ReadWatch watch;
    int64_t size = 0;
    std::optional<Identity> chosen; // the file as it was when it was chosen
    mutable std::mutex mutex;
    mutable std::condition_variable ended;
    bool done = false; // the fields below are set
    std::optional<int> declaredMs;
    Decoder handle;
    long rate = 0;
    int channels = 0;
    int64_t frames = 0;
    std::shared_ptr<const SourceMap> map;
    QString error;
    std::function<void()> arrived; // the window's thread only; cleared when abandoned
    std::vector<uint8_t> figures;  // the loudness of the frames walked so far
    Frames figuresOf;              // and what those frames are
    std::chrono::steady_clock::time_point lastTold;
};

namespace {

std::mutex newsMutex;
std::vector<std::shared_ptr<MpgPlayer::Opening>> news; // under newsMutex

// An object of the window's thread that lives as long as the program, so that a
// reading abandoned at the end never posts to one that has gone.
ReadingNews *mailbox()
{
    static ReadingNews *box = [] {
        auto *made = new ReadingNews;
        if (QCoreApplication *app = QCoreApplication::instance())
            made->moveToThread(app->thread());
        return made;
    }();
    return box;
}

void tell(const std::shared_ptr<MpgPlayer::Opening> &job)
{
    // Let go, or with no event loop to hear it (a tool that opens and waits).
    if (job->watch.stop.load() || !QCoreApplication::instance())
        return;
    {
        const std::lock_guard lock(newsMutex);
        news.push_back(job);
    }
    QMetaObject::invokeMethod(mailbox(), "deliver", Qt::QueuedConnection);
}

} // namespace

void MpgPlayer::Opening::walked(const audiomap::Summary &so, const std::shared_ptr<Opening> &self)
{
    {
        const std::lock_guard lock(mutex);
        if (so.loudness.size() < figures.size()) // a second walk
            figures.clear();
        figures.insert(figures.end(), so.loudness.begin() + static_cast<std::ptrdiff_t>(figures.size()),
                       so.loudness.end());
        if (!so.stretches.empty())
            figuresOf = {so.stretches.front().samplesPerFrame, so.stretches.front().sampleRate,
                         so.declaredFrames.has_value()};
    }
    // Some ten times a second at most.
    const auto now = std::chrono::steady_clock::now();
    if (now - lastTold >= std::chrono::milliseconds(100)) {
        lastTold = now;
        tell(self);
    }
}

namespace {

void readInBackground(const std::shared_ptr<MpgPlayer::Opening> &job, const QString &path)
{
    job->watch.walked = [job = std::weak_ptr<MpgPlayer::Opening>(job)](const audiomap::Summary &so) {
        if (const auto self = job.lock())
            self->walked(so, self);
    };
    if (std::unique_ptr<FileReader> reader = FileReader::open(path, 64 << 10)) {
        reader->watchBy(&job->watch);
        FileReader &raw = *reader;
        const auto declared = audiomap::declaredLength(raw.readsAt(), job->size);
        if (declared && declared->sampleRate > 0) {
            {
                const std::lock_guard lock(job->mutex);
                job->declaredMs = static_cast<int>(std::min<int64_t>(
                    (declared->samples * 1000 + declared->sampleRate / 2) / declared->sampleRate, INT32_MAX));
            }
            tell(job);
        }
    }
    job->watch.read.store(0);
    long rate = 0;
    int channels = 0;
    int64_t frames = 0;
    QString error;
    std::shared_ptr<const SourceMap> map;
    Decoder handle = openDecoder(path, rate, channels, frames, &error, &map, &job->watch);
    // Changed since it was chosen, before the walk began: not the file chosen.
    if (handle && identityOf(path) != job->chosen) {
        handle.reset();
        error = QStringLiteral("The MP3 changed while it was being read");
    }
    {
        const std::lock_guard lock(job->mutex);
        job->handle = std::move(handle);
        job->rate = rate;
        job->channels = channels;
        job->frames = frames;
        job->map = std::move(map);
        job->error = error;
        job->done = true;
    }
    job->ended.notify_all();
    tell(job);
}

} // namespace

void ReadingNews::deliver()
{
    std::vector<std::shared_ptr<MpgPlayer::Opening>> arrived;
    {
        const std::lock_guard lock(newsMutex);
        arrived.swap(news);
    }
    for (const auto &job : arrived) {
        if (job->arrived)
            job->arrived();
    }
}

bool MpgPlayer::BeginOpen(QString *error)
{
    release();
    // The file is opened here first: one that cannot be is told at once.
    std::unique_ptr<FileReader> probe = FileReader::open(FileName(), 4096, error);
    if (!probe)
        return false;
    auto job = std::make_shared<Opening>();
    job->chosen = identityOf(FileName());
    job->size = std::max<off_t>(0, probe->seek(0, SEEK_END));
    probe.reset();
    job->arrived = [this] {
        if (m_job) {
            const std::lock_guard lock(m_job->mutex);
            m_declaredMs = m_job->declaredMs;
        }
        if (opened)
            opened();
    };
    m_job = job;
    m_declaredMs.reset();
    mailbox(); // made on this thread, before any reading posts to it
    std::thread(readInBackground, job, FileName()).detach();
    return true;
}

std::shared_ptr<const MediaPlayer::Reading> MpgPlayer::reading() const
{
    return m_job;
}

bool MpgPlayer::FinishOpen(QString *error)
{
    if (!m_job)
        return requireOpen(error);
    const std::shared_ptr<Opening> job = std::move(m_job);
    job->arrived = nullptr;
    std::unique_lock lock(job->mutex);
    job->ended.wait(lock, [&] { return job->done; });
    if (!job->handle) {
        release(); // what played from the first decoder ends with it
        return failed(error, job->error);
    }
    // Playing from the first decoder meanwhile: the walked one goes on from
    // the place heard.
    const State was = m_state;
    if (was == State::Playing || was == State::Paused)
        haltPlayback();
    const int64_t at = was == State::Closed ? 0 : m_frame;
    m_map = std::move(job->map);
    if (was == State::Closed) {
        m_channel.reset();
        if (!AudioOutput::instance().attach(&m_channel))
            return failed(error, QStringLiteral("Too many players are open at once"));
    }
    // The audio device is looked for at the first Play: choosing a file only
    // reads it.
    m_stream.reset();
    m_handle = std::move(job->handle);
    m_rate = job->rate;
    m_channels = job->channels;
    m_totalFrames = job->frames;
    m_lengthMs = static_cast<int>((m_totalFrames * 1000 + m_rate / 2) / m_rate);
    m_frame = std::min(at, m_totalFrames);
    m_state = State::Stopped;
    if (was == State::Playing || was == State::Paused) {
        if (!startPlayback(error))
            return false;
        if (was == State::Paused) {
            AudioOutput::instance().deactivate(&m_channel);
            m_state = State::Paused;
        }
    }
    return true;
}

// Play while the file is still being read: from its start, with a decoder
// on the file as it comes, until the reading ends and the walked one takes over.
bool MpgPlayer::playWhileReading(QString *error)
{
    long rate = 0;
    int channels = 0;
    Decoder handle = firstDecoder(FileName(), rate, channels, error);
    if (!handle)
        return false;
    m_channel.reset();
    if (!AudioOutput::instance().attach(&m_channel))
        return failed(error, QStringLiteral("Too many players are open at once"));
    m_handle = std::move(handle);
    m_stream.reset();
    m_rate = rate;
    m_channels = channels;
    m_map = std::make_shared<SourceMap>();
    m_lengthMs = m_declaredMs.value_or(0);
    m_totalFrames = m_declaredMs ? int64_t{*m_declaredMs} * rate / 1000 : INT64_MAX / 4;
    m_frame = 0;
    m_state = State::Stopped;
    if (startPlayback(error))
        return true;
    AudioOutput::instance().detach(&m_channel);
    m_handle.reset();
    m_state = State::Closed;
    return false;
}

bool MpgPlayer::Open(QString *error)
{
    return BeginOpen(error) && FinishOpen(error);
}

// The device's rate, and the stream that converts to it, from the first Play on.
bool MpgPlayer::ensureOutput(QString *error)
{
    if (m_stream)
        return true;
    if (!AudioOutput::instance().ensureOpen(error))
        return false;
    Stream stream(SDL_NewAudioStream(AUDIO_F32SYS, static_cast<Uint8>(m_channels), static_cast<int>(m_rate),
                                     AUDIO_F32SYS, 2, AudioOutput::instance().rate()));
    if (!stream)
        return failed(error, QString::fromUtf8(SDL_GetError()));
    m_stream = std::move(stream);
    return true;
}

bool MpgPlayer::Close(QString * /*error*/)
{
    release();
    return true;
}

void MpgPlayer::release()
{
    // A reading still going is let go: it stops at its next read, and what it
    // finds is never used.
    if (m_job) {
        m_job->watch.stop.store(true);
        m_job->arrived = nullptr;
        m_job.reset();
    }
    m_declaredMs.reset();
    if (m_state == State::Closed)
        return;
    if (m_state == State::Playing || m_state == State::Paused)
        haltPlayback();
    AudioOutput::instance().detach(&m_channel);
    m_stream.reset();
    m_handle.reset();
    m_map.reset();
    m_state = State::Closed;
}

bool MpgPlayer::Play(QString *error)
{
    if (m_job && m_state == State::Closed)
        return playWhileReading(error);
    if (!requireOpen(error))
        return false;
    checkEnd();
    if (m_state == State::Playing)
        return true;
    if (m_state == State::Paused)
        return Resume(error);
    if (m_frame >= m_totalFrames)
        m_frame = 0;
    return startPlayback(error);
}

bool MpgPlayer::Stop(QString *error)
{
    if (!requireOpen(error))
        return false;
    checkEnd();
    if (m_state == State::Playing || m_state == State::Paused) {
        haltPlayback();
        m_state = State::Stopped;
    }
    return true;
}

bool MpgPlayer::Pause(QString *error)
{
    if (!requireOpen(error))
        return false;
    checkEnd();
    if (m_state == State::Playing) {
        AudioOutput::instance().deactivate(&m_channel);
        m_state = State::Paused;
    } else if (m_state == State::Paused) {
        return Resume(error);
    }
    return true;
}

bool MpgPlayer::Resume(QString *error)
{
    if (!requireOpen(error))
        return false;
    checkEnd();
    if (m_state == State::Paused) {
        if (!AudioOutput::instance().activate(&m_channel, error))
            return false;
        m_state = State::Playing;
    } else if (m_state == State::Stopped) {
        return Play(error);
    }
    return true;
}

int MpgPlayer::Position() const
{
    if (m_state == State::Closed)
        return 0;
    // Played to the end, the notice of it on its way.
    if (m_state == State::Playing && m_channel.drained.load())
        return m_lengthMs;
    if (m_state == State::Playing || m_state == State::Paused)
        return toMs(heardFrame());
    return m_frame >= m_totalFrames ? m_lengthMs : toMs(m_frame);
}

bool MpgPlayer::setPosition(int ms, QString *error)
{
    if (!requireOpen(error))
        return false;
    if (ms < 0 || ms > m_lengthMs)
        return true;
    checkEnd();
    if (m_state == State::Playing || m_state == State::Paused)
        haltPlayback();
    m_state = State::Stopped;
    // Rounded up, so that reading the position back gives exactly ms.
    const int64_t frame = (static_cast<int64_t>(ms) * m_rate + 999) / 1000;
    m_frame = ms == m_lengthMs ? m_totalFrames : std::min(frame, m_totalFrames);
    return true;
}

std::optional<int> MpgPlayer::Length(QString *error)
{
    if (m_job && m_declaredMs)
        return m_declaredMs;
    if (!requireOpen(error))
        return std::nullopt;
    return m_lengthMs;
}

int MpgPlayer::Mode() const
{
    switch (m_state) {
    case State::Closed: return NotReady;
    case State::Playing: return Playing;
    case State::Paused: return Paused;
    default: return Stopped;
    }
}

int MpgPlayer::toMs(int64_t frame) const
{
    if (frame >= m_totalFrames)
        return m_lengthMs;
    return static_cast<int>(frame * 1000 / m_rate);
}

int64_t MpgPlayer::heardFrame() const
{
    const int64_t deviceFrames = m_channel.consumed.load();
    const int64_t frame = m_startFrame + deviceFrames * m_rate / AudioOutput::instance().rate();
    return frame < m_totalFrames ? frame : m_totalFrames;
}

void MpgPlayer::checkEnd()
{
    if (m_state == State::Playing && m_channel.drained.load()) {
        haltPlayback();
        m_frame = m_totalFrames;
        m_state = State::Stopped;
    }
}

bool MpgPlayer::startPlayback(QString *error)
{
    if (!ensureOutput(error))
        return false;
    const int64_t at = seekDecoder(m_handle.get(), *m_map, m_frame, &m_discard);
    m_startFrame = at >= 0 ? at : m_frame;
    if (at < 0)
        m_discard = 0;
    SDL_AudioStreamClear(m_stream.get());
    m_channel.reset();
    m_quit.store(false);
    m_decoderThread = std::thread([this] { decodeLoop(); });
    QString reason;
    if (!AudioOutput::instance().activate(&m_channel, &reason)) {
        m_quit.store(true);
        m_channel.makeRoom();
        m_decoderThread.join();
        m_channel.reset();
        return failed(error, reason);
    }
    m_state = State::Playing;
    return true;
}

void MpgPlayer::haltPlayback()
{
    AudioOutput::instance().deactivate(&m_channel);
    const bool ended = m_channel.drained.load();
    m_frame = ended ? m_totalFrames : heardFrame();
    m_quit.store(true);
    m_channel.makeRoom();
    if (m_decoderThread.joinable())
        m_decoderThread.join();
    m_channel.reset();
}

void MpgPlayer::decodeLoop()
{
    std::vector<unsigned char> input(4608 * sizeof(float) * 2);
    std::vector<float> output(size_t{4096} * 2);
    bool endOfStream = false;
    // Stereo at the device's rate needs no conversion: decoded into the ring's
    // own format and pushed as it is.
    const bool direct = m_channels == 2 && m_rate == AudioOutput::instance().rate();
    // What comes before the sample playback starts at, left out.
    int64_t discard = m_discard;
    const auto skipped = [&discard](size_t frames) {
        const auto n = static_cast<size_t>(std::min<int64_t>(discard, static_cast<int64_t>(frames)));
        discard -= static_cast<int64_t>(n);
        return n;
    };
    while (direct && !m_quit.load()) {
        const uint32_t seen = m_channel.roomMade.load();
        const size_t room = std::min(m_channel.freeFrames(), output.size() / 2);
        if (room > 0) {
            size_t done = 0;
            const int rc = mpg123_read(m_handle.get(), output.data(), room * 2 * sizeof(float), &done);
            const size_t frames = done / (2 * sizeof(float));
            const size_t left = skipped(frames);
            if (frames > left)
                m_channel.push(output.data() + left * 2, frames - left);
            // A read error after audio has played ends the stream like its end.
            if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT && done == 0) {
                m_channel.sourceDone.store(true);
                return;
            }
            continue;
        }
        // Asleep until the device has taken frames (never, while paused) or
        // the player stops.
        if (!m_quit.load())
            m_channel.roomMade.wait(seen);
    }
    while (!m_quit.load()) {
        const uint32_t seen = m_channel.roomMade.load();
        if (!endOfStream
            && SDL_AudioStreamAvailable(m_stream.get()) < static_cast<int>(output.size() * sizeof(float))) {
            size_t done = 0;
            const int rc = mpg123_read(m_handle.get(), input.data(), input.size(), &done);
            const size_t frameBytes = sizeof(float) * static_cast<size_t>(m_channels);
            const size_t left = skipped(done / frameBytes) * frameBytes;
            if (done > left)
                SDL_AudioStreamPut(m_stream.get(), input.data() + left, static_cast<int>(done - left));
            // A read error after audio has played ends the stream like its end.
            if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT && done == 0) {
                SDL_AudioStreamFlush(m_stream.get());
                endOfStream = true;
            }
        }
        const size_t room = m_channel.freeFrames();
        const int available = SDL_AudioStreamAvailable(m_stream.get());
        if (available > 0 && room > 0) {
            const size_t wantFrames = std::min(room, output.size() / 2);
            const int got
                = SDL_AudioStreamGet(m_stream.get(), output.data(), static_cast<int>(wantFrames * 2 * sizeof(float)));
            if (got > 0)
                m_channel.push(output.data(), static_cast<size_t>(got) / (2 * sizeof(float)));
            continue;
        }
        if (endOfStream && available <= 0) {
            m_channel.sourceDone.store(true);
            return;
        }
        // Asleep until the device has taken frames (never, while paused) or
        // the player stops.
        if ((room == 0 || endOfStream) && !m_quit.load())
            m_channel.roomMade.wait(seen);
    }
}
