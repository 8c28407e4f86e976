#pragma once
// The waveform of the source across the window, shown while cutting at the
// exact marks: the whole track as soon as it is chosen (from the frames'
// loudness, filled in while the file is read), zoomed with Ctrl and the wheel
// or + and -, down to a millisecond a pixel, and drawn from decoded samples
// for a view of ten minutes or less (decoded beside the window). A time
// ruler, the play position and the marks as lines. A click, Left and Right
// ask to move the play position there (requested), which the listening panel
// does as the position bar does.

#include "listening/waveform.h"

#include <QWidget>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

class MediaPlayer;

class WaveformStrip : public QWidget {
    Q_OBJECT
public:
    explicit WaveformStrip(QWidget *parent = nullptr);
    ~WaveformStrip() override;

    static constexpr int kHeight = 96;

    // A new source: nothing drawn until its loudness is known.
    void clear();
    // What the player knows of the source now: while it is being read, the
    // loudness walked so far (knownMs: the declared length, or 0); once it
    // is read, its map, from which the view's samples are decoded.
    void takeFrom(const QString &path, int knownMs, const MediaPlayer &player);
    // The play position: the view turns a page where it leaves it.
    void setPosition(int ms, bool playing);
    void setMarks(std::optional<int> startMs, std::optional<int> endMs);
    [[nodiscard]] const waveform::View &view() const { return m_view; }
    // How far the loudness is known, and whether it is the whole track's.
    [[nodiscard]] double knownMs() const;
    [[nodiscard]] bool isWhole() const { return m_whole; }
    // Whether the view is drawn from its decoded samples, all of it.
    [[nodiscard]] bool drawsDecoded() const
    {
        return m_decodedView.startMs == m_view.startMs && m_decodedView.msPerPixel == m_view.msPerPixel
            && m_decoded.size() == static_cast<size_t>(m_view.width);
    }
    // The times shown as the window shows them.
    void setTimeText(std::function<QString(int)> text) { m_timeText = std::move(text); }

signals:
    // The play position is to move to ms.
    void requested(int ms);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

public:
    // What the decodes hand over, under its lock. They are never waited for
    // (a read of a slow disk may take long): one that the strip outlives, or
    // that another replaced, ends by itself, and what it hands to a strip
    // that has gone is dropped.
    struct Handoff {
        std::mutex lock;
        WaveformStrip *owner = nullptr; // none once the strip has gone
        std::optional<std::vector<float>> levels;
        waveform::View view;
        int generation = 0;
    };
    // The decoded levels of a view, on the window's thread.
    void takeDecoded(std::vector<float> levels, const waveform::View &view, int generation);

private:
    void setView(const waveform::View &view);
    void zoomAbout(double factor, double x);
    void describe();   // the accessible description: the stretch shown and the position
    void decodeView(); // beside the window, where the view is short enough
    void stopDecoding();
    [[nodiscard]] double lengthMs() const;

    QString m_path;
    int m_lengthMs = 0;
    waveform::Loudness m_loudness;
    bool m_whole = false; // the loudness of every frame is known
    std::shared_ptr<const SourceMap> m_map;
    waveform::View m_view;
    std::vector<float> m_overview; // of m_view
    std::vector<float> m_decoded;  // of m_decodedView
    waveform::View m_decodedView;
    int m_positionMs = 0;
    std::optional<int> m_startMs, m_endMs;
    std::function<QString(int)> m_timeText;

    std::shared_ptr<std::atomic<bool>> m_cancel; // of the decode under way
    int m_generation = 0;
    std::shared_ptr<Handoff> m_handoff;
};
