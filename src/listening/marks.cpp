// The start and end marks of the listening panel.

#include "core/frmsplit.h"
#include "core/intconv.h"
#include "core/interaction.h"
#include "core/mediaplayer.h"
#include "listening/markmath.h"

#include <QLabel>
#include <QPushButton>

void TFrmsplit::CmdStartClick()
{
    if (RequireSelection())
        return;
    PreviewGuard();
    LblPosS->setText(QString::number(MediaPlayer1().Position()));
    Lblstarting->show();
    if (CmdPmp3->isEnabled())
        ToggleResultPanel();
}

void TFrmsplit::CmdEndClick()
{
    if (RequireSelection())
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
    const int32_t start = must(strictInt(LblPosS->text(), &error), error);
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
    LblPosE->setText(QString::number(MediaPlayer1().Position()));
    const int32_t end = must(strictInt(LblPosE->text(), &error), error);
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
