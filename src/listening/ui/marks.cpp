// The start and end marks of the listening panel.

#include "core/intconv.h"
#include "core/mediaplayer.h"
#include "core/platform.h"
#include "core/ui/frmsplit.h"
#include "core/ui/interaction.h"
#include "listening/exactcut.h"
#include "listening/markmath.h"
#include "listening/timetext.h"
#include "segment/segmentfile.h"
#include "settings/settings.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

void TFrmsplit::CmdStartClick()
{
    if (RequireSelection())
        return;
    PreviewGuard();
    showMark(LblPosS, MediaPlayer1().Position());
    Lblstarting->show();
    if (CmdPmp3->isEnabled())
        ToggleResultPanel();
}

void TFrmsplit::CmdEndClick()
{
    if (RequireSelection() || RefuseIncompleteSelection() || !AwaitSource())
        return;
    CmdSPlayClick();
    if (LblPosS->text().trimmed().isEmpty()) {
        ui().messageBox(QStringLiteral(
            "This button tells you where you want to \"end\" the split MP3 file. You have not selected a start "
            "position for splitting, use the start button to identify where to \"begin\" splitting the MP3 file, "
            "and then use this end button to pick an ending position."));
        return;
    }
    QString error;
    const int32_t start = must(markOf(LblPosS, &error), error);
    if (!(start < MediaPlayer1().Position())) {
        ui().messageBox(QStringLiteral(
            "The \"end\" position must be larger then the \"start\" position. Whenever you click the end position "
            "button, your new MP3 is automatically created. Select your start position first, then always choose "
            "the end position after your start position is set"));
        return;
    }
    // A source whose size could not be read has no byte offsets to map to.
    if (v.SourceFileSize < 0) {
        ui().messageDialog(DialogType::Error,
                           QStringLiteral("A severe error has occurred, the file could not be read "));
        return;
    }
    const QString shownEnd = LblPosE->text();
    const QVariant keptEnd = LblPosE->property("ms");
    showMark(LblPosE, MediaPlayer1().Position());
    const int32_t end = must(markOf(LblPosE, &error), error);
    if (ChkExact->isChecked()) {
        // The piece between the very marks, in whole frames.
        must(MediaPlayer1().Length(&error), error);
        // The plan is made from the file as it is now: it must be the one selected.
        std::optional<exactcut::Plan> plan;
        if (platform::identityOf(v.SourceFileName) != v.SourceIdentity)
            error = QString::fromLatin1(segment::kSourceChangedText).arg(v.SourceFileName);
        else
            plan = exactcut::plan(v.SourceFileName, start, end, &error);
        if (!plan) {
            LblPosE->setText(shownEnd);
            LblPosE->setProperty("ms", keptEnd);
            ui().messageBox(error);
            return;
        }
        v.SegmentStart = static_cast<int32_t>(std::min<int64_t>(plan->firstOffset, INT32_MAX));
        v.SegmentLength = static_cast<int32_t>(std::min<int64_t>(plan->sourceSpan, INT32_MAX));
        CmdstopClick();
        m_exactChunks = std::make_unique<std::vector<segment::Chunk>>(plan->chunks);
        m_exactBytes = plan->bytes;
        m_exactTime = QStringLiteral("Playing Time: ") + timeText(static_cast<int>(plan->ms()));
        CreateSplitFile();
        return;
    }
    const int32_t startPercent = must(marks::Percent(start, must(MediaPlayer1().Length(&error), error), &error), error);
    const int32_t endPercent = must(marks::Percent(end, must(MediaPlayer1().Length(&error), error), &error), error);
    const int32_t segmentStart = must(marks::ByteOffset(startPercent, v.SourceFileSize, &error), error);
    const int32_t segmentEnd = must(marks::ByteOffset(endPercent, v.SourceFileSize, &error), error);
    const int32_t segmentLength
        = static_cast<int32_t>(static_cast<uint32_t>(segmentEnd) - static_cast<uint32_t>(segmentStart));
    // Both marks in the same hundredth of the track give no bytes: an empty
    // file must not replace an earlier piece, nor count as one, and the end
    // mark shown stays the one that was set.
    if (segmentLength == 0) {
        LblPosE->setText(shownEnd);
        LblPosE->setProperty("ms", keptEnd);
        ui().messageBox(QStringLiteral(
            "The start and end marks fall in the same hundredth of the track, so the new MP3 would be empty and "
            "nothing was written. Set the end mark later in the track."));
        return;
    }
    v.StartPercent = startPercent;
    v.EndPercent = endPercent;
    v.SegmentStart = segmentStart;
    v.SegmentLength = segmentLength;
    CmdstopClick();
    CreateSplitFile();
}

void TFrmsplit::ChkExactClick()
{
    QString error;
    const bool saved = settings::SaveExactFlag(ChkExact->isChecked(), &error);
    // Every time shown takes the new form.
    for (QLabel *label : {LblCurrent, LblEnd, LblPosS, LblPosE}) {
        const QVariant ms = label->property("ms");
        if (!label->text().isEmpty() && ms.isValid())
            showMark(label, ms.toInt());
    }
    must(saved, error);
}

QString TFrmsplit::timeText(int ms) const
{
    if (!ChkExact->isChecked())
        return QString::number(ms);
    return timetext::format(ms, timetext::needsHours(m_trackMs));
}

void TFrmsplit::showMark(QLabel *label, int ms)
{
    label->setText(timeText(ms));
    label->setProperty("ms", ms);
}

std::optional<int32_t> TFrmsplit::markOf(const QLabel *label, QString *error) const
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
