#include "listening/ui/waveformstrip.h"

#include "core/mediaplayer.h"
#include "core/ui/glyphs.h"
#include "listening/mpgplayer.h"

#include <QKeyEvent>
#include <QPainter>
#include <QWheelEvent>

#include <array>
#include <cmath>
#include <thread>

namespace {

constexpr int kRuler = 15;          // the time ruler's height, at the top
constexpr double kZoomStep = 1.5;   // a key's zoom, or a wheel's notch
const QColor kPanel(232, 232, 232); // the window's panels
const QColor kInk(48, 48, 48);
const QColor kPosition(0, 0, 128);

// A ruler step of at least minMs: 1, 2 or 5 of a power of ten milliseconds,
// or whole seconds and minutes as a clock counts them.
double rulerStep(double minMs)
{
    static constexpr std::array<double, 27> kSteps{
        1,     2,     5,      10,     20,     50,     100,     200,   500,   1000,   2000,   5000,   10000, 15000,
        30000, 60000, 120000, 300000, 600000, 900000, 1800000, 3.6e6, 7.2e6, 1.08e7, 2.16e7, 4.32e7, 8.64e7};
    for (const double step : kSteps) {
        if (step >= minMs)
            return step;
    }
    return kSteps.back();
}

// Where the decodes tell that they handed something over: an object of the
// window's thread that lives as long as the program, so that a decode that
// ends after its strip has gone never posts to one that has gone.
class DecodedNews : public QObject {
    Q_OBJECT
public:
    void post(const std::shared_ptr<WaveformStrip::Handoff> &handoff)
    {
        {
            const std::lock_guard hold(m_lock);
            m_waiting.push_back(handoff);
        }
        QMetaObject::invokeMethod(this, "deliver", Qt::QueuedConnection);
    }

private slots:
    void deliver()
    {
        std::vector<std::shared_ptr<WaveformStrip::Handoff>> arrived;
        {
            const std::lock_guard hold(m_lock);
            arrived.swap(m_waiting);
        }
        for (const auto &handoff : arrived) {
            std::optional<std::vector<float>> levels;
            WaveformStrip *owner = nullptr;
            waveform::View view;
            int generation = 0;
            {
                const std::lock_guard hold(handoff->lock);
                levels.swap(handoff->levels);
                owner = handoff->owner;
                view = handoff->view;
                generation = handoff->generation;
            }
            // The strip goes on this thread only: it is there, or null.
            if (owner && levels)
                owner->takeDecoded(std::move(*levels), view, generation);
        }
    }

private:
    std::mutex m_lock;
    std::vector<std::shared_ptr<WaveformStrip::Handoff>> m_waiting;
};

DecodedNews *decodedNews()
{
    static auto *news = new DecodedNews;
    return news;
}

void tellDecoded(const std::shared_ptr<WaveformStrip::Handoff> &handoff)
{
    decodedNews()->post(handoff);
}

} // namespace

WaveformStrip::WaveformStrip(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Waveform"));
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Waveform of the MP3"));
    setToolTip(QStringLiteral("Click to move the position there. Ctrl and the wheel, or + and -, zoom; the wheel "
                              "scrolls; Left and Right move the position"));
    setCursor(Qt::IBeamCursor);
    m_timeText = [](int ms) {
        return QString::number(ms);
    };
    m_handoff = std::make_shared<Handoff>();
    m_handoff->owner = this;
    decodedNews(); // made on this thread, before any decode posts to it
}

WaveformStrip::~WaveformStrip()
{
    stopDecoding();
    const std::lock_guard hold(m_handoff->lock);
    m_handoff->owner = nullptr;
}

void WaveformStrip::clear()
{
    stopDecoding();
    ++m_generation; // what the last decode still tells is of another file
    m_decodedView = {};
    m_path.clear();
    m_lengthMs = 0;
    m_loudness = {};
    m_whole = false;
    m_map.reset();
    m_overview.clear();
    m_decoded.clear();
    m_view = waveform::whole(0, width());
    m_positionMs = 0;
    m_startMs.reset();
    m_endMs.reset();
    describe();
    QWidget::update();
}

double WaveformStrip::knownMs() const
{
    return m_loudness.perFrame.empty() ? 0 : m_loudness.frameMs(static_cast<int64_t>(m_loudness.perFrame.size()));
}

double WaveformStrip::lengthMs() const
{
    return std::max(1, m_lengthMs);
}

void WaveformStrip::takeFrom(const QString &path, int knownMs, const MediaPlayer &player)
{
    if (path != m_path) {
        clear();
        m_path = path;
    }
    const bool wasWhole = m_view.startMs <= 0 && m_view.endMs() >= lengthMs() - 1;
    if (const std::shared_ptr<const MediaPlayer::Reading> reading = player.reading()) {
        // Read so far: the frames walked, on a length the file declares or
        // that the share of it read so far gives.
        const MediaPlayer::Reading::Frames frames = reading->loudness(m_loudness.perFrame.size(), m_loudness.perFrame);
        if (frames.sampleRate > 0) {
            m_loudness.samplesPerFrame = frames.samplesPerFrame;
            m_loudness.sampleRate = frames.sampleRate;
            m_loudness.firstAudio = frames.headerFrame ? 1 : 0;
        }
        m_loudness.reference = waveform::referenceOf(m_loudness.perFrame);
        const auto [read, total] = reading->progress();
        const double known = m_loudness.frameMs(static_cast<int64_t>(m_loudness.perFrame.size()));
        m_lengthMs = knownMs > 0
            ? knownMs
            : static_cast<int>(read > 0 ? known * static_cast<double>(total) / static_cast<double>(read) : known);
    } else {
        // Read: the map that the reading made, with the samples the decoder
        // drops at its start (none where the file could not be read whole).
        if (!player.isOpen()) {
            m_loudness = {};
            m_map.reset();
            m_whole = false;
        } else if (!m_whole && !path.isEmpty()) {
            m_map = knownMap(path);
            if (m_map)
                m_loudness = waveform::loudnessOf(*m_map);
            m_whole = m_map != nullptr;
        }
        m_lengthMs = knownMs;
    }
    setView(wasWhole ? waveform::whole(lengthMs(), width()) : m_view);
}

void WaveformStrip::setPosition(int ms, bool playing)
{
    if (ms == m_positionMs)
        return;
    m_positionMs = ms;
    // Shown where it is; told to screen readers at once where it was moved,
    // and while playing as the page turns.
    const waveform::View next = waveform::following(m_view, ms, lengthMs());
    if (next.startMs != m_view.startMs)
        setView(next);
    else if (!playing)
        describe();
    QWidget::update();
}

void WaveformStrip::setMarks(std::optional<int> startMs, std::optional<int> endMs)
{
    m_startMs = startMs;
    m_endMs = endMs;
    QWidget::update();
}

void WaveformStrip::setView(const waveform::View &view)
{
    m_view = view;
    m_view.width = std::max(1, width());
    m_overview = waveform::overview(m_loudness, m_view);
    decodeView();
    describe();
    QWidget::update();
}

void WaveformStrip::zoomAbout(double factor, double x)
{
    setView(waveform::zoomed(m_view, factor, x, lengthMs()));
}

void WaveformStrip::describe()
{
    setAccessibleDescription(QStringLiteral("%1 \u2013 %2, position %3")
                                 .arg(m_timeText(static_cast<int>(m_view.startMs)),
                                      m_timeText(static_cast<int>(std::min(m_view.endMs(), lengthMs()))),
                                      m_timeText(m_positionMs)));
}

void WaveformStrip::stopDecoding()
{
    if (m_cancel)
        m_cancel->store(true);
}

void WaveformStrip::decodeView()
{
    // Only what shows is decoded.
    if (!m_map || !isVisible() || m_view.width * m_view.msPerPixel > waveform::kDecodedMs)
        return;
    if (m_decodedView.startMs == m_view.startMs && m_decodedView.msPerPixel == m_view.msPerPixel
        && m_decodedView.width == m_view.width && m_decoded.size() == static_cast<size_t>(m_view.width))
        return;
    stopDecoding();
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    const int generation = ++m_generation;
    std::thread([handoff = m_handoff, generation, path = m_path, map = m_map, view = m_view, cancel = m_cancel] {
        // In part as it goes, then whole.
        const auto hand = [&](std::vector<float> levels) {
            {
                const std::lock_guard hold(handoff->lock);
                if (!handoff->owner || cancel->load())
                    return;
                handoff->levels = std::move(levels);
                handoff->view = view;
                handoff->generation = generation;
            }
            tellDecoded(handoff);
        };
        std::optional<std::vector<float>> peaks = waveform::decodedPeaks(
            path, *map, view, *cancel, nullptr, [&](const std::vector<float> &levels, int) { hand(levels); });
        if (peaks)
            hand(std::move(*peaks));
    }).detach();
}

void WaveformStrip::takeDecoded(std::vector<float> levels, const waveform::View &view, int generation)
{
    if (generation != m_generation)
        return;
    m_decoded = std::move(levels);
    m_decodedView = view;
    QWidget::update();
}

void WaveformStrip::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    decodeView();
}

void WaveformStrip::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const bool wasWhole = m_view.startMs <= 0 && m_view.endMs() >= lengthMs() - 1;
    waveform::View next = m_view;
    next.width = std::max(1, width());
    setView(wasWhole ? waveform::whole(lengthMs(), width()) : next);
}

void WaveformStrip::paintEvent(QPaintEvent * /*event*/)
{
    QPainter p(this);
    p.fillRect(rect(), kPanel);
    const QRect wave(0, kRuler, width(), height() - kRuler);
    p.fillRect(wave, QColor(245, 245, 245));
    // The sound: decoded where the view's samples are, else from the frames' loudness.
    // As far as the view is decoded (a long view is decoded from the left),
    // then from the frames' loudness, in a lighter ink.
    const bool decoded = m_decodedView.startMs == m_view.startMs && m_decodedView.msPerPixel == m_view.msPerPixel
        && m_decodedView.width == m_view.width;
    const size_t known = decoded ? m_decoded.size() : 0;
    const int middle = wave.center().y();
    const int half = wave.height() / 2 - 2;
    const double endX = m_view.xAt(lengthMs());
    for (int x = 0; x < static_cast<int>(m_overview.size()) && x < endX; ++x) {
        const auto at = static_cast<size_t>(x);
        const float level = at < known ? m_decoded[at] : m_overview[at];
        p.setPen(at < known ? kInk : QColor(96, 96, 96));
        const int h = static_cast<int>(std::lround(level * static_cast<float>(half)));
        p.drawLine(x, middle - h, x, middle + h);
    }
    p.setPen(QColor(160, 160, 160));
    p.drawLine(0, middle, static_cast<int>(std::min<double>(width(), endX)), middle);

    // The ruler: a tick and a time where a label has room.
    p.setPen(kInk);
    p.setFont(font());
    const int labelWidth = p.fontMetrics().horizontalAdvance(m_timeText(static_cast<int>(lengthMs()))) + 12;
    const double step = rulerStep(labelWidth * m_view.msPerPixel);
    for (double t = std::ceil(m_view.startMs / step) * step; t <= m_view.endMs() && t <= lengthMs(); t += step) {
        const int x = static_cast<int>(std::lround(m_view.xAt(t)));
        p.drawLine(x, kRuler - 4, x, kRuler);
        p.drawText(QRect(x + 2, 0, labelWidth, kRuler - 2), Qt::AlignLeft | Qt::AlignVCenter,
                   m_timeText(static_cast<int>(t)));
    }
    p.drawLine(0, kRuler - 1, width(), kRuler - 1);

    // The marks, in their buttons' colours, and the position.
    const auto line = [&](std::optional<int> ms, const QColor &colour) {
        if (!ms)
            return;
        const double x = m_view.xAt(*ms);
        if (x >= 0 && x < width()) {
            p.setPen(QPen(colour, 2));
            p.drawLine(QPointF(x, kRuler), QPointF(x, height()));
        }
    };
    line(m_startMs, glyphs::flagColour(glyphs::Glyph::MarkStart));
    line(m_endMs, glyphs::flagColour(glyphs::Glyph::MarkEnd));
    line(m_path.isEmpty() ? std::nullopt : std::optional<int>(m_positionMs), kPosition);

    p.setPen(hasFocus() ? QPen(kInk, 1, Qt::DotLine) : QPen(QColor(128, 128, 128)));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void WaveformStrip::wheelEvent(QWheelEvent *event)
{
    const QPoint delta = event->angleDelta();
    const double x = event->position().x();
    if (event->modifiers() & Qt::ControlModifier) {
        if (delta.y() != 0)
            zoomAbout(std::pow(kZoomStep, delta.y() / 120.0), x);
    } else {
        // The wheel, Shift and the wheel, and a sideways wheel scroll in time.
        const int notches = delta.x() != 0 ? delta.x() : delta.y();
        setView(waveform::scrolled(m_view, -notches / 120.0 * width() / 8.0, lengthMs()));
    }
    event->accept();
}

void WaveformStrip::keyPressEvent(QKeyEvent *event)
{
    const double at = std::clamp(m_view.xAt(m_positionMs), 0.0, static_cast<double>(width()));
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: zoomAbout(kZoomStep, at); break;
    case Qt::Key_Minus: zoomAbout(1 / kZoomStep, at); break;
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const double by = (event->modifiers() & Qt::ShiftModifier) ? 1000 : std::max(1.0, m_view.msPerPixel);
        const double to = m_positionMs + (event->key() == Qt::Key_Left ? -by : by);
        emit requested(static_cast<int>(std::lround(std::clamp(to, 0.0, lengthMs()))));
        break;
    }
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void WaveformStrip::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton || m_path.isEmpty())
        return;
    const double ms = std::clamp(m_view.msAt(event->position().x()), 0.0, lengthMs());
    emit requested(static_cast<int>(std::lround(ms)));
}

#include "waveformstrip.moc"
