#include "listening/ui/listeningpanel.h"

#include "core/intconv.h"
#include "core/mediaplayer.h"
#include "core/platform.h"
#include "core/ui/controls.h"
#include "core/ui/interaction.h"
#include "listening/exactcut.h"
#include "listening/markmath.h"
#include "listening/mpgplayer.h"
#include "listening/timetext.h"
#include "listening/ui/scrollnotifier.h"
#include "listening/ui/spinedit.h"
#include "listening/ui/waveformstrip.h"
#include "segment/ui/panelhost.h"
#include "settings/settings.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

namespace {

// Switches a timer on; one that already runs keeps its rhythm.
void startIfIdle(QTimer *timer)
{
    if (!timer->isActive())
        timer->start();
}

SpinEdit *spin(QWidget *parent, const char *name, int x, int y, const char *hint)
{
    auto *s = controls::place(new SpinEdit(parent), name, x, y, 49, 23);
    s->setRange(1, 35000);
    s->setValue(1500);
    s->setFont(controls::font(8));
    s->setToolTip(QString::fromLatin1(hint));
    s->setAccessibleName(s->toolTip());
    return s;
}

} // namespace

ListeningPanel::ListeningPanel(QWidget *parent, QWidget *stripParent, PanelHost &host, MediaPlayer &source)
    : QObject(parent), m_host(host), m_player(source)
{
    buildControls(parent);
    m_strip = new WaveformStrip(stripParent);
    m_strip->hide();
    m_strip->setTimeText([this](int ms) { return timeText(ms); });
    connectHandlers();
}

void ListeningPanel::buildControls(QWidget *parent)
{
    using controls::button;
    using controls::label;
    using glyphs::Glyph;
    const QFont plain = controls::font(8), bold = controls::font(8, true);
    PanListen = controls::panel(parent, "PanListen", 8, 8, 468, 185, 232);
    SpinEdit1 = spin(PanListen, "SpinEdit1", 58, 15, "Number to adjust when you click rewind");
    CmdRewind = button(PanListen, "CmdRewind", QStringLiteral("Rewind"), 111, 15, 70, 22, Glyph::Rewind);
    CmdForward = button(PanListen, "CmdForward", QStringLiteral("Forward"), 207, 15, 70, 22, Glyph::Forward);
    SpinEdit2 = spin(PanListen, "SpinEdit2", 282, 15, "Number to adjust when you click forward");
    Image2 = controls::picture(PanListen, "Image2", 360, 11, 57, 49);
    Image2->hide();
    CmdStop = button(PanListen, "CmdStop", QStringLiteral("Stop"), 84, 48, 70, 22, Glyph::Stop);
    CmdPause = button(PanListen, "CmdPause", QStringLiteral("Pause"), 159, 48, 70, 22, Glyph::Pause);
    CmdPlay = button(PanListen, "CmdPlay", QStringLiteral("Play"), 235, 48, 70, 22, Glyph::Play);
    ScrollBar1 = controls::scrollBar(PanListen, "ScrollBar1", 77, 76, 233, 13, 5, 5);
    ScrollBar1->setCursor(Qt::SizeHorCursor);
    const QFont courier = controls::font(8, true, false, "Courier New");
    LblCurrent = label(PanListen, "LblCurrent", QString(), 64, 92, 127, 16, courier);
    LblEnd = label(PanListen, "LblEnd", QString(), 273, 92, 104, 16, courier);
    CmdStart = button(PanListen, "CmdStart", QStringLiteral("Set Start Position"), 95, 125, 151, 23, Glyph::MarkStart);
    CmdStart->setToolTip(QStringLiteral("Click to set starting point of new MP3"));
    CmdEnd = button(PanListen, "CmdEnd", QStringLiteral("Set End Position"), 95, 152, 151, 23, Glyph::MarkEnd);
    CmdEnd->setToolTip(QStringLiteral("Click to set ending point of new MP3"));
    Lblstarting = label(PanListen, "Lblstarting", QStringLiteral("Start position set: "), 259, 130, 93, 17, plain);
    Lblstarting->hide();
    LblPosS = label(PanListen, "LblPosS", QString(), 354, 130, 104, 17, bold);
    Lblending = label(PanListen, "Lblending", QStringLiteral("End position set:"), 260, 155, 87, 17, plain);
    Lblending->hide();
    LblPosE = label(PanListen, "LblPosE", QString(), 354, 155, 104, 17, bold);
    ChkExact = controls::place(new QCheckBox(QStringLiteral("Cut at the exact marks"), PanListen), "ChkExact", 316, 64,
                               146, 17);
    ChkExact->setFont(plain);
    ChkExact->setToolTip(QStringLiteral("Cut the new MP3 at the very times you marked, in whole MP3 frames with an "
                                        "exact length, instead of at whole percentages of the file"));

    ScrollBar1->setAccessibleName(QStringLiteral("Position in the MP3, in milliseconds"));
    Image2->setAccessibleName(QStringLiteral("Arrow pointing to the next step"));
    PanListen->setAccessibleName(QStringLiteral("Split by Listening"));
    ChkExact->setAccessibleDescription(ChkExact->toolTip());

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(50);
}

void ListeningPanel::connectHandlers()
{
    const auto on = [this](QPushButton *b, void (ListeningPanel::*handler)()) {
        connect(b, &QPushButton::clicked, this,
                [this, handler] { m_host.guarded([this, handler] { (this->*handler)(); }); });
    };
    on(CmdPlay, &ListeningPanel::CmdPlayClick);
    on(CmdPause, &ListeningPanel::CmdPauseClick);
    on(CmdStop, &ListeningPanel::CmdstopClick);
    on(CmdRewind, &ListeningPanel::CmdRewindClick);
    on(CmdForward, &ListeningPanel::CmdForwardClick);
    on(CmdStart, &ListeningPanel::CmdStartClick);
    on(CmdEnd, &ListeningPanel::CmdEndClick);
    connect(ChkExact, &QCheckBox::clicked, this, [this] { m_host.guarded([this] { ChkExactClick(); }); });
    m_scroll1 = new ScrollNotifier(ScrollBar1);
    m_scroll1->setHandler([this](int code, int pos) { m_host.guarded([=, this] { ScrollBar1Scroll(code, pos); }); });
    connect(Timer2, &QTimer::timeout, this, [this] { m_host.guarded([this] { Timer2Timer(); }); });
    connect(m_strip, &WaveformStrip::requested, this, [this](int ms) { seekTo(ms); });
    m_player.opened = [this] {
        m_host.guarded([this] { SourceRead(); });
    };
}

QPushButton *ListeningPanel::buttonOf(Button button) const
{
    switch (button) {
    case Button::Play: return CmdPlay;
    case Button::Pause: return CmdPause;
    case Button::Stop: return CmdStop;
    case Button::Start: return CmdStart;
    case Button::End: break;
    }
    return CmdEnd;
}

bool ListeningPanel::clickable(Button button) const
{
    const QPushButton *b = buttonOf(button);
    return b->isVisible() && b->isEnabled();
}

void ListeningPanel::press(Button button)
{
    if (clickable(button))
        buttonOf(button)->click();
}

void ListeningPanel::playOrPause()
{
    const int mode = m_player.Mode();
    press(mode == MediaPlayer::Playing || mode == MediaPlayer::Paused ? Button::Pause : Button::Play);
}

void ListeningPanel::setVisible(bool visible)
{
    PanListen->setVisible(visible);
}

void ListeningPanel::setArrow(const QPixmap &arrow)
{
    Image2->setPixmap(arrow);
}

void ListeningPanel::setExact(bool exact)
{
    ChkExact->setChecked(exact);
    showStrip(exact);
}

bool ListeningPanel::showsStrip() const
{
    return !m_strip->isHidden();
}

void ListeningPanel::placeStrip(const QRect &place)
{
    m_strip->setGeometry(place);
}

void ListeningPanel::stripAfter(QWidget *before)
{
    QWidget::setTabOrder(before, m_strip);
}

void ListeningPanel::showStrip(bool shown)
{
    if (shown == showsStrip())
        return;
    m_strip->setVisible(shown);
    emit stripShown(shown);
}

std::optional<int> ListeningPanel::markMs(const QLabel *label) const
{
    const QVariant ms = label->property("ms");
    if (label->text().isEmpty() || !ms.isValid())
        return std::nullopt;
    return ms.toInt();
}

void ListeningPanel::stripFollows()
{
    m_strip->takeFrom(m_host.values().SourceFileName, m_trackMs, m_player);
    m_strip->setMarks(markMs(LblPosS), markMs(LblPosE));
}

void ListeningPanel::seekTo(int ms)
{
    // As the position bar does when its thumb is dragged there and let go:
    // each step a handler of its own.
    ScrollBar1->setValue(ms);
    const int at = ScrollBar1->value();
    for (const int code :
         {ScrollNotifier::SB_THUMBTRACK, ScrollNotifier::SB_THUMBPOSITION, ScrollNotifier::SB_ENDSCROLL})
        m_host.guarded([this, code, at] { ScrollBar1Scroll(code, at); });
}

void ListeningPanel::clear()
{
    LblCurrent->clear();
    LblEnd->clear();
}

void ListeningPanel::stop()
{
    Timer2->stop();
}

void ListeningPanel::sourceChosen()
{
    Image2->show();
}

void ListeningPanel::pieceWritten()
{
    Image2->hide();
    Lblending->show();
}

// The transport.

void ListeningPanel::CmdPlayClick()
{
    // Plays from the start at once, also while the file is still being read.
    if (m_host.RequireSelection())
        return;
    m_host.PreviewGuard();
    if (m_player.Play()) {
        startIfIdle(Timer2);
    } else {
        m_host.ui().messageDialog(DialogType::Error,
                                  QStringLiteral("An error occurred trying to play the audio file. The file appears to "
                                                 "be corrupt or is a format which cannot be played with this viewer. "
                                                 "Please verify that your file has the correct file extension and "
                                                 "matches that audio type."));
    }
}

void ListeningPanel::CmdPauseClick()
{
    if (m_host.RequireSelection())
        return;
    m_host.PreviewGuard();
    bool done = true;
    if (m_player.Mode() == MediaPlayer::Paused) {
        done = m_player.Resume();
        if (done)
            startIfIdle(Timer2);
    } else if (m_player.Mode() == MediaPlayer::Playing) {
        done = m_player.Pause();
        if (done)
            Timer2->stop();
    }
    if (!done) {
        QString error;
        if (m_player.Mode() == MediaPlayer::Playing && !m_player.Stop(&error))
            return reportFailure(m_host.ui(), error);
        m_host.ui().messageDialog(DialogType::Error,
                                  QStringLiteral("An error occurred trying to pause the file. The file may be corrupt. "
                                                 "Please verify that your files are valid and are not corrupted."));
    }
}

void ListeningPanel::CmdstopClick()
{
    m_host.PreviewGuard();
    Timer2->stop();
    if (m_player.Mode() == MediaPlayer::Playing && !m_player.Stop()) {
        QString error;
        if (m_player.Mode() == MediaPlayer::Playing && !m_player.Stop(&error))
            return reportFailure(m_host.ui(), error);
        m_host.ui().messageDialog(DialogType::Error,
                                  QStringLiteral("An error occurred trying to stop playing the file. The file may be "
                                                 "corrupt. Please verify that your files are valid audio files."));
    }
}

bool ListeningPanel::StopSourcePlayer()
{
    // A source still being read that plays nothing yet has nothing to stop.
    if (m_player.isOpening() && !m_player.isOpen())
        return true;
    QString error;
    if (!m_player.Stop(&error)) {
        reportFailure(m_host.ui(), error);
        return false;
    }
    return true;
}

// Position plus or minus step in 32 bits that wrap around: a step past the
// start or the end gives a huge or negative position, which the player ignores.
bool ListeningPanel::moveBy(int step, bool forward)
{
    const auto position = static_cast<uint32_t>(m_player.Position());
    const auto by = static_cast<uint32_t>(step);
    QString error;
    if (!m_player.setPosition(static_cast<int>(forward ? position + by : position - by), &error)) {
        reportFailure(m_host.ui(), error);
        return false;
    }
    return true;
}

void ListeningPanel::CmdRewindClick()
{
    if (m_host.RequireSelection() || !AwaitSource())
        return;
    m_host.PreviewGuard();
    startIfIdle(Timer2);
    moveBy(SpinEdit1->Value(), false);
}

void ListeningPanel::CmdForwardClick()
{
    if (m_host.RequireSelection() || !AwaitSource())
        return;
    startIfIdle(Timer2);
    moveBy(SpinEdit2->Value(), true);
}

void ListeningPanel::Timer2Timer()
{
    showMark(LblCurrent, m_player.Position());
    ScrollBar1->setValue(m_player.Position());
    m_strip->setPosition(m_player.Position(), true);
}

void ListeningPanel::ScrollBar1Scroll(int scrollCode, int /*scrollPos*/)
{
    m_host.PreviewGuard();
    if ((scrollCode == ScrollNotifier::SB_THUMBTRACK || scrollCode == ScrollNotifier::SB_ENDSCROLL) && AwaitSource()) {
        if (scrollCode == ScrollNotifier::SB_THUMBTRACK)
            Timer2->stop();
        else
            startIfIdle(Timer2);
        const int position = ScrollBar1->value();
        QString error;
        if (!m_player.setPosition(position, &error))
            return reportFailure(m_host.ui(), error);
        showMark(LblCurrent, position);
        m_strip->setPosition(position, false);
    }
    QCoreApplication::processEvents();
}

// The source in the player.

bool ListeningPanel::openSource()
{
    SharedValues &v = m_host.values();
    const auto opened = [this, &v] {
        if (m_player.Mode() == MediaPlayer::Playing && !m_player.Stop())
            return false;
        m_player.setFileName(v.SourceFileName);
        // Read beside the window: it answers while a long file is read.
        return m_player.BeginOpen();
    };
    const bool begun = opened();
    if (begun && m_player.isOpening()) {
        // Cutting by bytes needs only the size, and never waits; listening
        // waits where it needs the whole file. The length shows where the
        // file declares it, else once it is read.
        m_selectedBefore = v.FileSelected;
        showMark(LblCurrent, 0);
        showTrackLength();
        v.FileSelected = true;
        LblPosS->clear();
        LblPosE->clear();
        stripFollows();
        return true;
    }
    if (!begun) {
        m_host.ui().messageDialog(DialogType::Error,
                                  QStringLiteral("An error occurred trying to open the audio file. The file appears "
                                                 "to be corrupt. Please verify that your file has the correct file "
                                                 "extension and matches that audio format."));
    }
    showMark(LblCurrent, m_player.Position());
    QString error;
    const std::optional<int> length = m_player.Length(&error);
    if (!length) {
        reportFailure(m_host.ui(), error);
        return false;
    }
    // A track of an hour or more shows hours in every time.
    m_trackMs = *length;
    showMark(LblCurrent, m_player.Position());
    showMark(LblEnd, *length);
    ScrollBar1->setMaximum(*length);
    v.FileSelected = true;
    LblPosS->clear();
    LblPosE->clear();
    stripFollows();
    return true;
}

void ListeningPanel::SourceRead()
{
    const std::shared_ptr<const MediaPlayer::Reading> reading = m_player.reading();
    if (reading && !reading->wait(0)) {
        showTrackLength(); // what the file declares
        stripFollows();    // and the frames walked so far
        return;
    }
    QString error;
    if (m_player.isOpening() && !m_player.FinishOpen(&error)) {
        m_host.values().FileSelected = m_selectedBefore;
        LblEnd->clear();
        ScrollBar1->setMaximum(0);
        if (error.startsWith(QLatin1String("The MP3"))) {
            // Read in part: nothing may be cut from half of it.
            m_host.ui().messageDialog(DialogType::Error,
                                      error + QStringLiteral(". Select it again once it can be read whole."));
        } else {
            m_host.ui().messageDialog(DialogType::Error,
                                      QStringLiteral("An error occurred trying to open the audio file. The file "
                                                     "appears to be corrupt. Please verify that your file has the "
                                                     "correct file extension and matches that audio format."));
            reportFailure(m_host.ui(), QString::fromLatin1(kNoDeviceOpen));
        }
        return;
    }
    showTrackLength(); // what the reading found, where the header said otherwise
    stripFollows();
}

void ListeningPanel::showTrackLength()
{
    const std::optional<int> length = m_player.Length();
    m_trackMs = length.value_or(0);
    if (length)
        showMark(LblEnd, *length);
    else
        LblEnd->clear();
    ScrollBar1->setMaximum(length.value_or(0));
}

bool ListeningPanel::AwaitSource()
{
    const std::shared_ptr<const MediaPlayer::Reading> reading = m_player.reading();
    if (!reading)
        return true;
    if (!reading->wait(0)) {
        segment::CopyProgress progress;
        bool ended = false;
        const bool goesOn
            = m_host.runBeside(QStringLiteral("Reading the MP3"), reading->progress().second, progress, [&] {
                  while (!(ended = reading->wait(50)) && !progress.cancel.load())
                      progress.written.store(reading->progress().first);
              });
        if (!goesOn || !ended)
            return false;
    }
    SourceRead();
    return m_player.isOpen();
}

// The marks.

void ListeningPanel::CmdStartClick()
{
    if (m_host.RequireSelection())
        return;
    m_host.PreviewGuard();
    showMark(LblPosS, m_player.Position());
    Lblstarting->show();
    m_strip->setMarks(markMs(LblPosS), markMs(LblPosE));
    m_host.HideResult();
}

void ListeningPanel::CmdEndClick()
{
    if (m_host.RequireSelection() || m_host.RefuseIncompleteSelection() || !AwaitSource())
        return;
    m_host.ClosePreview();
    if (LblPosS->text().trimmed().isEmpty()) {
        m_host.ui().messageBox(QStringLiteral(
            "This button tells you where you want to \"end\" the split MP3 file. You have not selected a start "
            "position for splitting, use the start button to identify where to \"begin\" splitting the MP3 file, "
            "and then use this end button to pick an ending position."));
        return;
    }
    QString error;
    const std::optional<int32_t> start = markOf(LblPosS, &error);
    if (!start)
        return reportFailure(m_host.ui(), error);
    if (!(*start < m_player.Position())) {
        m_host.ui().messageBox(QStringLiteral(
            "The \"end\" position must be larger then the \"start\" position. Whenever you click the end position "
            "button, your new MP3 is automatically created. Select your start position first, then always choose "
            "the end position after your start position is set"));
        return;
    }
    // A source whose size could not be read has no byte offsets to map to.
    if (m_host.values().SourceFileSize < 0) {
        m_host.ui().messageDialog(DialogType::Error,
                                  QStringLiteral("A severe error has occurred, the file could not be read "));
        return;
    }
    const QString shownEnd = LblPosE->text();
    const QVariant keptEnd = LblPosE->property("ms");
    showMark(LblPosE, m_player.Position());
    const std::optional<int32_t> end = markOf(LblPosE, &error);
    if (!end)
        return reportFailure(m_host.ui(), error);
    const bool written = ChkExact->isChecked() ? cutExact(*start, *end) : cutAtPercentages(*start, *end);
    if (!written)
        restoreEnd(shownEnd, keptEnd);
    m_strip->setMarks(markMs(LblPosS), markMs(LblPosE));
}

void ListeningPanel::restoreEnd(const QString &shown, const QVariant &kept)
{
    LblPosE->setText(shown);
    LblPosE->setProperty("ms", kept);
}

// The piece between the very marks, in whole frames. False where nothing may
// be cut there (said so), and the end mark shown goes back to the one before.
bool ListeningPanel::cutExact(int32_t start, int32_t end)
{
    SharedValues &v = m_host.values();
    QString error;
    if (!m_player.Length(&error)) {
        reportFailure(m_host.ui(), error);
        return true;
    }
    // The plan is made from the file as it is now: it must be the one selected.
    std::optional<exactcut::Plan> plan;
    if (platform::identityOf(v.SourceFileName) != v.SourceIdentity) {
        error = QString::fromLatin1(segment::kSourceChangedText).arg(v.SourceFileName);
    } else {
        QString unplayable;
        const std::shared_ptr<const SourceMap> map = sourceMap(v.SourceFileName, &unplayable);
        plan = exactcut::plan(v.SourceFileName, map.get(), start, end, &error);
    }
    if (!plan) {
        m_host.ui().messageBox(error);
        return false;
    }
    v.SegmentStart = static_cast<int32_t>(std::min<int64_t>(plan->firstOffset, INT32_MAX));
    v.SegmentLength = static_cast<int32_t>(std::min<int64_t>(plan->sourceSpan, INT32_MAX));
    CmdstopClick();
    m_host.CreateSplitFile({v.SourceFileName, QString(), v.SegmentStart, plan->bytes, plan->chunks,
                            QStringLiteral("Playing Time: ") + timeText(static_cast<int>(plan->ms()))});
    return true;
}

// The piece between the whole percentages of the track that the marks fall
// in, as byte offsets of the file.
bool ListeningPanel::cutAtPercentages(int32_t start, int32_t end)
{
    SharedValues &v = m_host.values();
    QString error;
    const std::optional<int> length = m_player.Length(&error);
    const std::optional<int32_t> startPercent = length ? marks::Percent(start, *length, &error) : std::nullopt;
    const std::optional<int32_t> endPercent = startPercent ? marks::Percent(end, *length, &error) : std::nullopt;
    const std::optional<int32_t> segmentStart
        = endPercent ? marks::ByteOffset(*startPercent, v.SourceFileSize, &error) : std::nullopt;
    const std::optional<int32_t> segmentEnd
        = segmentStart ? marks::ByteOffset(*endPercent, v.SourceFileSize, &error) : std::nullopt;
    if (!segmentEnd) {
        reportFailure(m_host.ui(), error);
        return true;
    }
    const auto segmentLength
        = static_cast<int32_t>(static_cast<uint32_t>(*segmentEnd) - static_cast<uint32_t>(*segmentStart));
    // Both marks in the same hundredth of the track give no bytes: an empty
    // file must not replace an earlier piece, nor count as one, and the end
    // mark shown stays the one that was set.
    if (segmentLength == 0) {
        m_host.ui().messageBox(QStringLiteral(
            "The start and end marks fall in the same hundredth of the track, so the new MP3 would be empty and "
            "nothing was written. Set the end mark later in the track."));
        return false;
    }
    v.StartPercent = *startPercent;
    v.EndPercent = *endPercent;
    v.SegmentStart = *segmentStart;
    v.SegmentLength = segmentLength;
    CmdstopClick();
    m_host.CreateSplitFile({v.SourceFileName, QString(), v.SegmentStart, v.SegmentLength, {}, QString()});
    return true;
}

void ListeningPanel::ChkExactClick()
{
    QString error;
    const bool saved = settings::SaveExactFlag(ChkExact->isChecked(), &error);
    // Every time shown takes the new form.
    for (QLabel *label : {LblCurrent, LblEnd, LblPosS, LblPosE}) {
        const QVariant ms = label->property("ms");
        if (!label->text().isEmpty() && ms.isValid())
            showMark(label, ms.toInt());
    }
    showStrip(ChkExact->isChecked());
    if (!saved)
        reportFailure(m_host.ui(), error);
}

QString ListeningPanel::timeText(int ms) const
{
    if (!ChkExact->isChecked())
        return QString::number(ms);
    return timetext::format(ms, timetext::needsHours(m_trackMs));
}

void ListeningPanel::showMark(QLabel *label, int ms)
{
    label->setText(timeText(ms));
    label->setProperty("ms", ms);
}

std::optional<int32_t> ListeningPanel::markOf(const QLabel *label, QString *error) const
{
    const QString text = label->text();
    if (ChkExact->isChecked()) {
        // The time shown is cut to hundredths: the mark itself was kept beside it.
        const QVariant ms = label->property("ms");
        if (ms.isValid() && timeText(ms.toInt()) == text)
            return ms.toInt();
        if (const std::optional<int32_t> read = timetext::parse(text))
            return read;
    }
    return strictInt(text, error);
}
