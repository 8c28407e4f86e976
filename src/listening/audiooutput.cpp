#include "listening/audiooutput.h"

#include "core/errors.h"

#include <SDL.h>

#include <cstring>

AudioChannel::AudioChannel() : m_data(new float[kCapacity * 2]) {}
AudioChannel::~AudioChannel() = default;

size_t AudioChannel::freeFrames() const
{
    return kCapacity - (m_write.load(std::memory_order_relaxed) - m_read.load(std::memory_order_acquire));
}

size_t AudioChannel::push(const float *frames, size_t count)
{
    const size_t w = m_write.load(std::memory_order_relaxed);
    const size_t r = m_read.load(std::memory_order_acquire);
    const size_t room = kCapacity - (w - r);
    if (count > room)
        count = room;
    for (size_t i = 0; i < count; ++i) {
        const size_t slot = (w + i) & (kCapacity - 1);
        m_data[slot * 2] = frames[i * 2];
        m_data[slot * 2 + 1] = frames[i * 2 + 1];
    }
    m_write.store(w + count, std::memory_order_release);
    return count;
}

size_t AudioChannel::mixInto(float *out, size_t count)
{
    const size_t r = m_read.load(std::memory_order_relaxed);
    const size_t w = m_write.load(std::memory_order_acquire);
    const size_t available = w - r;
    if (count > available)
        count = available;
    for (size_t i = 0; i < count; ++i) {
        const size_t slot = (r + i) & (kCapacity - 1);
        out[i * 2] += m_data[slot * 2];
        out[i * 2 + 1] += m_data[slot * 2 + 1];
    }
    m_read.store(r + count, std::memory_order_release);
    return count;
}

void AudioChannel::reset()
{
    m_read.store(0);
    m_write.store(0);
    sourceDone.store(false);
    drained.store(false);
    consumed.store(0);
}

AudioOutput &AudioOutput::instance()
{
    static AudioOutput output;
    return output;
}

namespace {

uint32_t openDevice(AudioOutput *self, void (*cb)(void *, uint8_t *, int), std::atomic<int> &rate)
{
    SDL_AudioSpec want{}, have{};
    want.freq = rate.load();
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = cb;
    want.userdata = self;
    const SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    // The same rate each time (SDL converts where the device differs): the
    // players' streams were made for it.
    if (id != 0 && have.freq != rate.load())
        rate.store(have.freq);
    return id;
}

} // namespace

bool AudioOutput::openDeviceOrSilence(QString *error)
{
    if (!m_initialised && SDL_InitSubSystem(SDL_INIT_AUDIO) == 0)
        m_initialised = true;
    if (m_initialised)
        m_device = openDevice(this, &AudioOutput::callback, m_rate);
    if (m_device == 0) {
        const QString reason = QString::fromUtf8(SDL_GetError());
        if (m_initialised)
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_initialised = false;
        SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
            m_initialised = true;
            m_device = openDevice(this, &AudioOutput::callback, m_rate);
        }
        if (m_device != 0)
            diagnose(QStringLiteral("no audio device could be opened (%1); playing silently").arg(reason));
    }
    if (m_device == 0 && error)
        *error = QString::fromUtf8(SDL_GetError());
    return m_device != 0;
}

bool AudioOutput::ensureOpen(QString *error)
{
    if (m_ready)
        return true;
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Opened once to learn its rate, then closed until a channel plays:
    // silent means asleep, for the program and for the sound server.
    if (!openDeviceOrSilence(error))
        return false;
    m_ready = true;
    SDL_CloseAudioDevice(m_device);
    m_device = 0;
    return true;
}

bool AudioOutput::attach(AudioChannel *channel)
{
    for (auto &slot : m_slots) {
        AudioChannel *expected = nullptr;
        if (slot.compare_exchange_strong(expected, channel))
            return true;
    }
    return false;
}

void AudioOutput::detach(AudioChannel *channel)
{
    if (m_device)
        SDL_LockAudioDevice(m_device);
    for (auto &slot : m_slots) {
        AudioChannel *expected = channel;
        slot.compare_exchange_strong(expected, nullptr);
    }
    if (m_device)
        SDL_UnlockAudioDevice(m_device);
}

bool AudioOutput::activate(AudioChannel *channel, QString *error)
{
    if (m_device == 0 && !openDeviceOrSilence(error))
        return false;
    setActive(channel, true);
    return true;
}

void AudioOutput::deactivate(AudioChannel *channel)
{
    setActive(channel, false);
}

void AudioOutput::setActive(AudioChannel *channel, bool active)
{
    if (m_device == 0) {
        channel->active.store(active);
        return;
    }
    SDL_LockAudioDevice(m_device);
    channel->active.store(active);
    SDL_UnlockAudioDevice(m_device);
    bool playing = false;
    for (auto &slot : m_slots) {
        const AudioChannel *c = slot.load();
        playing = playing || (c && c->active.load());
    }
    if (playing) {
        SDL_PauseAudioDevice(m_device, 0);
    } else {
        // Nothing plays: the device and its thread go until the next play.
        SDL_CloseAudioDevice(m_device);
        m_device = 0;
    }
}

void AudioOutput::callback(void *self, uint8_t *stream, int len)
{
    auto *output = static_cast<AudioOutput *>(self);
    std::memset(stream, 0, static_cast<size_t>(len));
    auto *out = reinterpret_cast<float *>(stream);
    const size_t frames = static_cast<size_t>(len) / (2 * sizeof(float));
    for (auto &slot : output->m_slots) {
        AudioChannel *channel = slot.load();
        if (!channel || !channel->active.load())
            continue;
        // Read before mixing: once the decoder has said it is done, every
        // frame it pushed is visible to the mix below.
        const bool done = channel->sourceDone.load();
        const size_t n = channel->mixInto(out, frames);
        channel->consumed.fetch_add(static_cast<int64_t>(n));
        // The decoder wakes when half the ring is free, not for every block.
        if (n > 0 && channel->freeFrames() >= AudioChannel::kRefill)
            channel->makeRoom();
        if (n < frames && done && !channel->drained.exchange(true) && channel->onDrained)
            channel->onDrained(channel->onDrainedContext);
    }
}

AudioOutput::~AudioOutput()
{
    if (m_device)
        SDL_CloseAudioDevice(m_device);
    if (m_initialised)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}
