#pragma once
// One SDL audio device shared by every player of the program. Each player owns
// a channel: a lock-free ring of stereo float frames at the device's rate that
// its decoder thread fills and the audio callback drains and mixes.

#include <QString>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

class AudioChannel {
public:
    AudioChannel();
    ~AudioChannel();

    // Producer side (the decoder thread).
    [[nodiscard]] size_t freeFrames() const;
    size_t push(const float *frames, size_t count);

    // Consumer side (the audio callback): adds up to count frames into out.
    [[nodiscard]] size_t mixInto(float *out, size_t count);

    // Empties the ring and the counters; only while the channel is inactive
    // and no decoder thread runs.
    void reset();

    static constexpr size_t kCapacity = 8192;        // frames, a power of two
    static constexpr size_t kRefill = kCapacity / 2; // free frames that wake the producer

    std::atomic<bool> active{false};     // the callback drains this channel
    std::atomic<bool> sourceDone{false}; // the decoder has pushed its last frame
    std::atomic<bool> drained{false};    // the callback has played the last frame
    // Called once, on the audio thread, when the channel has drained; set
    // while the channel is inactive. It must only post, never wait.
    void (*onDrained)(void *) = nullptr;
    void *onDrainedContext = nullptr;
    std::atomic<int64_t> consumed{0}; // frames the device has taken
    // Wakes a producer waiting for room: the callback takes frames, or the
    // producer is told to stop. wait(seen) returns once it has changed.
    std::atomic<uint32_t> roomMade{0};
    void makeRoom()
    {
        roomMade.fetch_add(1);
        roomMade.notify_all();
    }

private:
    std::unique_ptr<float[]> m_data;
    std::atomic<size_t> m_read{0};
    std::atomic<size_t> m_write{0};
};

class AudioOutput {
public:
    static AudioOutput &instance();

    // Finds the device and its rate on first use; falls back to the silent
    // "dummy" driver when no real device can be opened. False when even that
    // fails. The device itself is open only while a channel plays.
    [[nodiscard]] bool ensureOpen(QString *error = nullptr);
    [[nodiscard]] int rate() const { return m_rate.load(); }

    // False when every slot of the device is taken.
    [[nodiscard]] bool attach(AudioChannel *channel);
    void detach(AudioChannel *channel);
    // Switches a channel on or off; when this returns, the callback has seen
    // it. The device opens with the first channel on and closes with the
    // last one off. Switching on fails, with SDL's reason, when the device
    // cannot be opened.
    [[nodiscard]] bool activate(AudioChannel *channel, QString *error = nullptr);
    void deactivate(AudioChannel *channel);

    ~AudioOutput();

private:
    AudioOutput() = default;
    static void callback(void *self, uint8_t *stream, int len);
    [[nodiscard]] bool openDeviceOrSilence(QString *error);
    void setActive(AudioChannel *channel, bool active); // on an open device, or none

    static constexpr int kSlots = 4;
    std::atomic<AudioChannel *> m_slots[kSlots] = {};
    uint32_t m_device = 0;
    // Read by the decoder threads while the device reopens.
    std::atomic<int> m_rate{44100};
    bool m_initialised = false;
    bool m_ready = false;
};
