// The result panel and the preview of the new file.

#include "core/mediaplayer.h"
#include "core/platform.h"
#include "core/ui/frmsplit.h"
#include "core/ui/interaction.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

void TFrmsplit::ToggleResultPanel()
{
    const bool show = !CmdSPlay->isEnabled();
    for (QPushButton *b : {CmdSPlay, CmdOmp3, CmdPmp3})
        b->setEnabled(show);
    for (QLabel *l : {Label5, Label6, LblNewByte, LblName, LblPath, Label7})
        l->setVisible(show);
    LblNewTime->setVisible(show && !LblNewTime->text().isEmpty());
}

void TFrmsplit::ClosePreviewPlayer()
{
    const bool closed
        = (MediaPlayer2().Mode() != MediaPlayer::Playing || MediaPlayer2().Stop()) && MediaPlayer2().Close();
    if (closed) {
        v.PreviewClosed = true;
    } else {
        ui().messageDialog(DialogType::Error,
                           QStringLiteral("An error occurred trying to close the media player. "
                                          "Please close and reopen the software to continue."));
    }
    Timer3->stop();
}

void TFrmsplit::StopSourcePlayer()
{
    // A source still being read that plays nothing yet has nothing to stop.
    if (MediaPlayer1().isOpening() && !MediaPlayer1().isOpen())
        return;
    QString error;
    must(MediaPlayer1().Stop(&error), error);
}

void TFrmsplit::PreviewGuard()
{
    if (!v.PreviewClosed)
        ClosePreviewPlayer();
}

void TFrmsplit::CmdPmp3Click()
{
    StopSourcePlayer();
    PreviewGuard();
    v.PreviewClosed = false;
    startIfIdle(Timer3);
    MediaPlayer2().setFileName(LblPath->text() + LblName->text());
    if (!MediaPlayer2().Open() || !MediaPlayer2().Play()) {
        ui().messageDialog(DialogType::Error,
                           QStringLiteral("An error occurred trying to play ") + MediaPlayer2().FileName()
                               + QStringLiteral(". The ")
                               + QStringLiteral("file appears to be corrupt or is a format which cannot ")
                               + QStringLiteral("be played with this viewer. Please verify that your file ")
                               + QStringLiteral("has the correct file extension and matches that audio type."));
    }
}

void TFrmsplit::CmdOmp3Click()
{
    StopSourcePlayer();
    PreviewGuard();
    const QString path = LblPath->text() + LblName->text();
    // A file deleted since it was written is reported like any file that does not open.
    const auto failed = [this] {
        const QString browser = platform::fileManagerName();
        ui().messageDialog(DialogType::Information,
                           QStringLiteral("The file could not be opened using this button. Open your %1 and "
                                          "double-click the file to play it.")
                               .arg(browser));
    };
    if (!QFileInfo(path).isFile()) {
        failed();
        return;
    }
    ui().openDocument(QUrl::fromLocalFile(path), [failed](bool ok) {
        if (!ok)
            failed();
    });
}

void TFrmsplit::CmdSPlayClick()
{
    ClosePreviewPlayer(); // which stops the blinking too
}

void TFrmsplit::Timer3Timer()
{
    Image3->setVisible(Image3->isHidden());
}
