// The listening transport: play, pause, stop, rewind, forward and the
// position bar of the source player.

#include "core/mediaplayer.h"
#include "core/ui/frmsplit.h"
#include "core/ui/interaction.h"
#include "listening/ui/scrollnotifier.h"
#include "listening/ui/spinedit.h"

#include <QCoreApplication>
#include <QLabel>
#include <QScrollBar>
#include <QTimer>

void TFrmsplit::CmdPlayClick()
{
    // Plays from the start at once, also while the file is still being read.
    if (RequireSelection())
        return;
    PreviewGuard();
    if (MediaPlayer1().Play()) {
        startIfIdle(Timer2);
    } else {
        ui().messageDialog(DialogType::Error,
                           QStringLiteral("An error occurred trying to play the audio file. The file appears to be "
                                          "corrupt or is a format which cannot be played with this viewer. Please "
                                          "verify that your file has the correct file extension and matches that "
                                          "audio type."));
    }
}

void TFrmsplit::CmdPauseClick()
{
    if (RequireSelection())
        return;
    PreviewGuard();
    bool done = true;
    if (MediaPlayer1().Mode() == MediaPlayer::Paused) {
        done = MediaPlayer1().Resume();
        if (done)
            startIfIdle(Timer2);
    } else if (MediaPlayer1().Mode() == MediaPlayer::Playing) {
        done = MediaPlayer1().Pause();
        if (done)
            Timer2->stop();
    }
    if (!done) {
        QString error;
        if (MediaPlayer1().Mode() == MediaPlayer::Playing)
            must(MediaPlayer1().Stop(&error), error);
        ui().messageDialog(DialogType::Error,
                           QStringLiteral("An error occurred trying to pause the file. The file may be corrupt. "
                                          "Please verify that your files are valid and are not corrupted."));
    }
}

void TFrmsplit::CmdstopClick()
{
    PreviewGuard();
    Timer2->stop();
    if (MediaPlayer1().Mode() == MediaPlayer::Playing && !MediaPlayer1().Stop()) {
        QString error;
        if (MediaPlayer1().Mode() == MediaPlayer::Playing)
            must(MediaPlayer1().Stop(&error), error);
        ui().messageDialog(DialogType::Error,
                           QStringLiteral("An error occurred trying to stop playing the file. The file may be "
                                          "corrupt. Please verify that your files are valid audio files."));
    }
}

void TFrmsplit::CmdRewindClick()
{
    if (RequireSelection() || !AwaitSource())
        return;
    PreviewGuard();
    startIfIdle(Timer2);
    const int position = MediaPlayer1().Position();
    const int step = SpinEdit1->Value();
    // Position minus step in 32 bits that wrap around: a step past the start
    // gives a huge or negative position, which the player ignores.
    QString error;
    must(MediaPlayer1().setPosition(static_cast<int>(static_cast<uint32_t>(position) - static_cast<uint32_t>(step)),
                                    &error),
         error);
}

void TFrmsplit::CmdForwardClick()
{
    if (RequireSelection() || !AwaitSource())
        return;
    startIfIdle(Timer2);
    const int position = MediaPlayer1().Position();
    const int step = SpinEdit2->Value();
    // The same wrap-around: a step past the end is ignored by the player.
    QString error;
    must(MediaPlayer1().setPosition(static_cast<int>(static_cast<uint32_t>(position) + static_cast<uint32_t>(step)),
                                    &error),
         error);
}

void TFrmsplit::Timer2Timer()
{
    showMark(LblCurrent, MediaPlayer1().Position());
    ScrollBar1->setValue(MediaPlayer1().Position());
}

void TFrmsplit::ScrollBar1Scroll(int scrollCode, int /*scrollPos*/)
{
    PreviewGuard();
    if ((scrollCode == ScrollNotifier::SB_THUMBTRACK || scrollCode == ScrollNotifier::SB_ENDSCROLL) && AwaitSource()) {
        if (scrollCode == ScrollNotifier::SB_THUMBTRACK)
            Timer2->stop();
        else
            startIfIdle(Timer2);
        const int position = ScrollBar1->value();
        QString error;
        must(MediaPlayer1().setPosition(position, &error), error);
        showMark(LblCurrent, position);
    }
    QCoreApplication::processEvents();
}
